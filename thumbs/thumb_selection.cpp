#include "thumbs/thumb_selection.h"

#include <algorithm>

bool TThumbSelection::Contains(int n) const {
    return std::find(Numbers_.begin(), Numbers_.end(), n) != Numbers_.end();
}

void TThumbSelection::Add(int n) {
    if (!Contains(n))
        Numbers_.push_back(n);
}

void TThumbSelection::Remove(int n) {
    Numbers_.erase(std::remove(Numbers_.begin(), Numbers_.end(), n), Numbers_.end());
}

void TThumbSelection::SelectAll(int count) {
    Numbers_.clear();
    for (int n = 1; n <= count; ++n)
        Numbers_.push_back(n);
}

void TThumbSelection::SelectRange(int a, int b) {
    Numbers_.clear();
    for (int n = std::min(a, b); n <= std::max(a, b); ++n)
        Numbers_.push_back(n);
}

void TThumbSelection::Release(int n, TReleaseKeys keys) {
    if (!Contains(n)) {
        switch (keys) {
        case TReleaseKeys::ShiftAlone:
            if (Numbers_.empty())
                Add(n);
            else
                SelectRange(Last(), n);
            break;
        case TReleaseKeys::CtrlAlone:
            Add(n);
            break;
        case TReleaseKeys::Plain:
            Numbers_.clear();
            Add(n);
            break;
        }
        return;
    }
    switch (keys) {
    case TReleaseKeys::CtrlAlone:
        Remove(n);
        break;
    case TReleaseKeys::ShiftAlone:
        break;
    case TReleaseKeys::Plain:
        Numbers_.clear();
        break;
    }
}
