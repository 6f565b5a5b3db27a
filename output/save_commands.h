// Save As and Auto Save: how captures leave the working folder. Owned by the main window,
// which forwards its menu handlers here.
//
// Save As re-encodes each selected image in the format of the extension the user types;
// Auto Save copies the files byte for byte into one folder. Both replace the row's path by
// the saved file, give the row its saved mark, and record the page address of an image
// captured from a browser (with the note step, reached as INoteStep). While they run the view
// shows the image at hand; it shows what it showed before once they are done, however they
// end.
#pragma once

#include "platform/services.h"
#include "widgets/feature_links.h"
#include "widgets/main_view.h"

#include <optional>

class TSaveCommands : public IImageSaving {
public:
    TSaveCommands(const TServices& services, IMainView& window, INoteStep& notes);

    // Save As: each selected image is written in the format of the extension the user gives,
    // under a name chosen in the save dialog, in a folder that exists. An image that cannot
    // be written is reported, and the next one is offered.
    void SaveAs1Click();
    // Auto Save: the selected images are copied unchanged into one folder the user picks,
    // each under the next free "pic" name there.
    void SaveSelectedToFolder1Click();
    // The save dialog's type change: the extension of the name in the dialog's file-name box
    // becomes the new type's (shot.bmp -> shot.jpg, shot -> shot.jpg); an empty box stays
    // empty.
    static QString imgSaveDialogTypeChange(int filterIndex, const QString& fileName);
    // True when `target` is, ignoring letter case, the path of a listed image; the user is
    // then told to pick another name.
    bool NameInUse(const QString& target);

    // The image editor's Save As and its writing (IImageSaving).
    std::optional<TSaveTarget> AskEditedImageTarget(QWidget* owner,
                                                    const QString& currentPath) override;
    void WriteEditedImage(TImageScrollBox& view, QWidget* owner, const QString& target,
                          const TProgressCallback& progress) override;
    void OpenBatchConversion(TImageScrollBox& view, QWidget* owner) override;

private:
    enum class TSaveOutcome { Saved, Skipped, EndCommand };
    // What a name without an extension leads to: the main window's Save As shows the dialog
    // again with the image's own name, the editor's stops.
    enum class TNoExtension { AskAgain, Stop };
    struct TChosenTarget;
    static TFileDialogOptions NewSaveDialog();
    TSaveOutcome SaveImageAs(int row);
    // The save dialog and the checks of a name, for an image now at `currentPath`.
    TChosenTarget AskSaveTarget(QWidget* owner, TFileDialogOptions& dialog,
                                const QString& currentPath, TNoExtension noExtension);
    bool NameInUse(QWidget* owner, const QString& target);
    bool IsKarvinFolderPath(const QString& target) const;
    bool ShowImageToSave(int row);
    // Writes the image of `view` to `target` by its extension (lower case, with its dot).
    // The reduction for a palette screen makes grey levels when `jpegCaptures` says that the
    // capture format is JPEG, as captures are stored.
    void WriteViewImageAs(TImageScrollBox& view, QWidget* owner, const QString& target,
                          const QString& extension, bool jpegCaptures,
                          const TProgressCallback& progress);
    void AskJpegOptions(TImageScrollBox& view, QWidget* owner);
    std::optional<QString> PickAutoSaveFolder();
    void CopyImagesToFolder(const QList<int>& rows, const QString& folder);

    TServices Services;
    IMainView& Window;
    INoteStep& Notes;
    // The save dialog of Save As, with the seven types. It keeps the type and the folder the
    // user chose last.
    TFileDialogOptions imgSaveDialog = NewSaveDialog();
    // The image editor's save dialog; it keeps the type chosen last for pasted images.
    TFileDialogOptions EditorSaveDialog = NewSaveDialog();
};
