// The editor's undo history: up to five full copies of the image, oldest first.
//
// A change is recorded in two steps around it. Push copies the image as it is before the
// change (the copy is the source a transform reads); Count makes that copy an undo step once
// the change is made, dropping the oldest step when five are kept already. A change that
// fails between the two leaves the history as it was.
#pragma once

#include "imaging/dib_graphic.h"

#include <array>

class TUndoHistory {
public:
    static constexpr int Depth = 5;

    // Copies `image` as the step the next change starts from and returns the copy.
    const TDibGraphic& Push(const TDibGraphic& image);
    // The change is made: the copy of the last Push becomes the newest undo step. Without a
    // Push since the last Count nothing happens.
    void Count();
    // Moves the newest undo step into `image` and forgets it; false, with `image` left as
    // it is, when there is none.
    bool Undo(TDibGraphic& image);

    // The steps kept, 0..Depth.
    int Steps() const { return Steps_; }
    // Step `index`, 0 the oldest.
    const TDibGraphic& Step(int index) const { return Slots_[std::size_t(index)]; }

private:
    std::array<TDibGraphic, Depth> Slots_;
    int Steps_ = 0;
    TDibGraphic Pending_;
    bool HasPending_ = false;
};
