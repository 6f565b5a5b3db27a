#include "editor/undo_history.h"

#include <utility>

const TDibGraphic& TUndoHistory::Push(const TDibGraphic& image) {
    Pending_ = image;
    HasPending_ = true;
    return Pending_;
}

void TUndoHistory::Count() {
    if (!HasPending_)
        return;
    HasPending_ = false;
    if (Steps_ == Depth) {
        // The oldest step goes; the others move one place towards the front. Moving hands
        // over the pixel blocks, so this costs nothing whatever the image's size.
        for (int slot = 0; slot + 1 < Depth; ++slot)
            Slots_[std::size_t(slot)] = std::move(Slots_[std::size_t(slot + 1)]);
        --Steps_;
    }
    Slots_[std::size_t(Steps_)] = std::move(Pending_);
    Pending_.Clear();
    ++Steps_;
}

bool TUndoHistory::Undo(TDibGraphic& image) {
    if (Steps_ == 0)
        return false;
    --Steps_;
    image = std::move(Slots_[std::size_t(Steps_)]);
    Slots_[std::size_t(Steps_)].Clear();
    return true;
}
