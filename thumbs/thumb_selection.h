// The thumbnail grid's selection: thumbnail numbers in the order they were selected, each at
// most once, and the rules by which a mouse release changes it.
#pragma once

#include <vector>

// The modifier keys held when the mouse button is let go: Shift or Ctrl alone, or anything
// else (none, both, Alt, ...), which counts as a plain release.
enum class TReleaseKeys { Plain, ShiftAlone, CtrlAlone };

class TThumbSelection {
public:
    const std::vector<int>& Numbers() const { return Numbers_; }
    bool Empty() const { return Numbers_.empty(); }
    bool Contains(int n) const;
    // The thumbnail selected last; 0 for none.
    int Last() const { return Numbers_.empty() ? 0 : Numbers_.back(); }

    void Clear() { Numbers_.clear(); }
    // Adds n at the end unless it is selected already.
    void Add(int n);
    void Remove(int n);
    // 1..count in order.
    void SelectAll(int count);

    // A release on thumbnail n:
    // - n not selected: Shift alone selects the range from the thumbnail selected last to n
    //   (n alone when none is); Ctrl alone adds n; a plain release selects n alone.
    // - n selected: Ctrl alone removes n; Shift alone changes nothing; a plain release
    //   clears the selection, n included.
    void Release(int n, TReleaseKeys keys);

private:
    // Every number from min(a, b) to max(a, b), ascending, after clearing: the upper end is
    // the anchor of the next Shift release.
    void SelectRange(int a, int b);

    std::vector<int> Numbers_;
};
