// The editor's file commands: Open, Save, Save As and Print, and the writing of the image
// with what follows it in the main window's list and the link store.
#include "editor/frm_editor.h"

#include "platform/dib_qimage.h"
#include "store/work_folder.h"
#include "widgets/capture_list.h"
#include "widgets/image_scroll_box.h"
#include "widgets/local_path.h"

#include <QFileInfo>

namespace {

// The open dialog: the seven formats the program writes (any other file the view can read
// opens as well when its name is typed).
TFileDialogOptions OpenDialog() {
    TFileDialogOptions dialog;
    dialog.Caption = "Open";
    dialog.Filters << "All Formats (*.bmp *.gif *.jpg *.pcx *.png *.tga *.tif)";
    dialog.Folder = FromLocalPath(HomeFolder());
    dialog.ConfirmOverwrite = false;
    return dialog;
}

} // namespace

TFileDialogOptions TfrmEditor::NewOpenDialog() {
    return OpenDialog();
}

void TfrmEditor::Open1Click() {
    const auto chosen = Services.Dialogs.OpenFile(this, imgOpenDialog);
    if (!chosen)
        return;
    imgOpenDialog.Folder = QFileInfo(chosen->Path).absolutePath();
    if (Modified_ &&
        AskToSaveChanges(TMsgIcon::Question, &TfrmEditor::SaveAs1Click) == TSaveAnswer::Stop)
        return;
    // The view keeps its image when the file cannot be read, and the editor its file and its
    // row with it: the user is told why and nothing else changes.
    Run([&] {
        editImage->LoadFromFile(chosen->Path);
        if (Services.Screen.ScreenColorCount() <= 256) {
            // On a palette screen the picture takes the screen's palette through the
            // clipboard.
            TDibGraphic picture = Image();
            StoreBitmapResult(std::move(picture));
            Redraw();
        }
        NewImageShown();
        LinkedToList = false;
        CurrentFile_ = chosen->Path;
        SetCaption(CurrentFile_);
        ShowStatusText();
        Modified_ = false;
    });
}

void TfrmEditor::Save1Click() {
    if (!HasImage())
        return;
    if (CurrentFile_.isEmpty()) {
        SaveAs1Click();
        return;
    }
    Run([&] {
        if (CurrentFile_.toLower().endsWith(".gif"))
            SaveEditedImage(CurrentFile_);
        else
            // The file's own format as the writer makes it by default: a JPEG file gets the
            // writer's quality, not the quality window's, and no colours are reduced.
            editImage->SaveToFile(CurrentFile_);
        Modified_ = false;
    });
}

void TfrmEditor::SaveAs1Click() {
    if (!HasImage())
        return;
    const std::optional<TSaveTarget> target = Links.Saving.AskEditedImageTarget(this, CurrentFile_);
    if (!target)
        return;
    Run([&] {
        const bool newName = target->Path.compare(CurrentFile_, Qt::CaseInsensitive) != 0;
        WriteEditedImage(target->Path, target->ReplacesLinkedImage);
        Modified_ = false;
        CurrentFile_ = target->Path;
        SetCaption(CurrentFile_);
        if (newName && !OpenedFromMain && OnSavedAs)
            OnSavedAs(CurrentFile_);
    });
}

void TfrmEditor::SaveEditedImage(const QString& path) {
    WriteEditedImage(path, false);
}

void TfrmEditor::WriteEditedImage(const QString& path, bool replacesLinkedImage) {
    Links.Saving.WriteEditedImage(*editImage, this, path, [this](TImageTransform&, int percent) {
        ShowTransformProgress(percent);
    });
    ShowTransformProgress(100);
    ShowStatusText();
    // The file is written: only now may the list, the link store and the notes follow it. A
    // failed write leaves every one of them as it was.
    TCaptureList& list = Links.Main.Captures();
    const bool linkedRow = LinkedToList && ListIndex >= 0 && ListIndex < list.Count();
    // The record of the image's own file, saved over by its own row, is recorded again
    // below, with its note: forgetting it first would lose the note.
    const bool ownRecord = linkedRow && !list.URL(ListIndex).isEmpty() &&
                           list.Path(ListIndex).compare(path, Qt::CaseInsensitive) == 0;
    if (replacesLinkedImage && !ownRecord)
        Links.Notes.ForgetLinkedImage(path);
    if (!linkedRow)
        return;
    // The row's name and saved mark follow its path: Save As moves the row to the new file,
    // Save of a GIF file writes the row's own file again.
    list.Rename(ListIndex, path);
    // A file in the working folder is no saved image: it goes when the program ends, so its
    // page address is recorded when it is saved elsewhere.
    if (!list.URL(ListIndex).isEmpty() && !IsInWorkFolder(LocalPath(list.Path(ListIndex))))
        Links.Notes.RecordEditedImageLink(ListIndex, this);
}

void TfrmEditor::Print1Click() {
    if (!HasImage())
        return;
    Links.Printing.PrintViewImage(*editImage, this);
}

void TfrmEditor::BatchConversion1Click() {
    Links.Saving.OpenBatchConversion(*editImage, this);
}
