// The tests' view of the thumbnail viewer: its menus, entries and status strip by name.
#pragma once

#include "thumbs/frm_thumb.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>

struct TfrmThumbDriver {
    static QMenuBar* MenuBar(TfrmThumb& viewer) { return viewer.MainThumbMenu; }
    static QMenu* Popup(TfrmThumb& viewer) { return viewer.PopThumbMenu; }
    static QAction* GoToURL(TfrmThumb& viewer) { return viewer.GoToURL2; }
    static QAction* PopGoToURL(TfrmThumb& viewer) { return viewer.PopGoToURL; }
    // The View entries: Low Quality small, medium, large, then High Quality.
    static QAction* ViewEntry(TfrmThumb& viewer, int index) { return viewer.ViewEntries[index]; }
    static QProgressBar* Progress(TfrmThumb& viewer) { return viewer.ProgressBar; }
};
