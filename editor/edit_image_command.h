// The main window's Edit Image: the built-in editor on the selected image of the list, or the
// external editor the settings name. Owned by the main window, which forwards its menu
// entries and its tool button here.
#pragma once

#include "editor/frm_editor.h"
#include "platform/services.h"
#include "widgets/feature_links.h"
#include "widgets/main_view.h"

#include <QPointer>

class TEditImageCommand {
public:
    TEditImageCommand(const TServices& services, const TEditorLinks& links);

    // Exactly one selected image: "Please select an image name" with none, "Please select one
    // image name only" with several; nothing on an empty list. With "Use External Editor" on
    // the image goes to the external editor, else it opens in the editor window, modally; the
    // main window shows the row's image again afterwards, from its file (the editor may have
    // saved it, under another name too).
    void ImageEditorClick();
    // The editor window on list row `row` (also for the thumbnail viewer).
    void EditListEntry(int row, bool openedFromMain);
    // Starts the external editor stored in "editor.dat" on `imagePath`. A stored path that is
    // not an executable file is refused with a message; with no stored path nothing happens.
    void StartExternalEditor(const QString& imagePath);
    // The editor window while EditListEntry shows it, else nullptr.
    TfrmEditor* OpenEditor() const { return Editor; }

private:
    TServices Services;
    TEditorLinks Links;
    QPointer<TfrmEditor> Editor;
};
