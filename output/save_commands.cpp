#include "output/save_commands.h"

#include "imaging/display_preparation.h"
#include "imaging/format_registry.h"
#include "output/frm_bconvert.h"
#include "output/frm_jpeg_compression.h"
#include "store/file_io.h"
#include "store/settings.h"
#include "store/settings_files.h"
#include "store/work_folder.h"
#include "widgets/capture_formats.h"
#include "widgets/capture_list.h"
#include "widgets/image_scroll_box.h"
#include "widgets/kept_view.h"
#include "widgets/local_path.h"
#include "widgets/wait_pointer.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include <QComboBox>
#include <QFileInfo>

namespace {

// The save dialog's type number of an extension (with its dot, lower case); 0 for none.
int SaveTypeOf(const QString& extension) {
    return ::SaveTypeOf(extension.toStdString());
}

QString FileNamePart(const QString& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}
// The folder of a path with its trailing "/".
QString FolderPart(const QString& path) {
    return path.left(path.lastIndexOf('/') + 1);
}
// The extension of a file name, dot included; empty when the name has none.
QString ExtensionOf(const QString& path) {
    const QString name = FileNamePart(path);
    const int dot = name.lastIndexOf('.');
    return dot < 0 ? QString() : name.mid(dot);
}

// `path` with the symbolic links of its folder resolved; `path` itself when the folder does not
// exist.
QString ResolvedPath(const QString& path) {
    const QString folder = QFileInfo(FolderPart(path)).canonicalFilePath();
    if (folder.isEmpty())
        return path;
    return (folder.endsWith('/') ? folder : folder + "/") + FileNamePart(path);
}

// Whether `path` lies in the working folder or below it, also when it is reached through a
// symbolic link: whatever is saved there is deleted when the program ends.
bool IsWorkFolderPath(const QString& path) {
    // With its separator, so that a folder such as "karvin-old" beside it is not taken for it.
    const QString work = FromLocalPath(WorkFolder()) + "/";
    const QString resolvedWork = QFileInfo(FromLocalPath(WorkFolder())).canonicalFilePath() + "/";
    for (const QString& candidate : {path, ResolvedPath(path)})
        for (const QString& folder : {work, resolvedWork})
            if (folder != "/" && candidate.toLower().contains(folder.toLower()))
                return true;
    return false;
}

const QString NoSelectionText = "Please select an image name";

// Copies an image file byte for byte into `folder` under the first free "pic" name there
// and returns the copy's path. A name that another program takes while the copy is being
// made is never overwritten: the copy then takes the next free name.
std::string CopyToNextImageName(const std::string& source, const std::string& folder) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string target = NextImageName(folder, FileExtension(source));
        if (CopyFileNoReplace(source, target))
            return target;
    }
    throw EFileError("Cannot copy file \"" + source + "\" to \"" + folder +
                     "\": no free name was found");
}

} // namespace

// What the user settled on in the save dialog for one image.
struct TSaveCommands::TChosenTarget : TSaveTarget {
    TSaveOutcome Outcome = TSaveOutcome::Skipped;
};

TFileDialogOptions TSaveCommands::NewSaveDialog() {
    TFileDialogOptions dialog;
    for (const TCaptureFormatInfo& format : CaptureFormats)
        dialog.Filters << format.SaveFilter;
    dialog.FilterIndex = 1;
    dialog.ConfirmOverwrite = true;
    dialog.Folder = FromLocalPath(HomeFolder());
    dialog.OnTypeChange = &TSaveCommands::imgSaveDialogTypeChange;
    return dialog;
}

QString TSaveCommands::imgSaveDialogTypeChange(int filterIndex, const QString& fileName) {
    if (fileName.isEmpty() || filterIndex < 1 || filterIndex > int(CaptureFormats.size()))
        return fileName;
    // Only the name's extension changes; a folder the user typed in front of it stays.
    const QString name = FileNamePart(fileName);
    const int dot = name.lastIndexOf('.');
    return FolderPart(fileName) + (dot < 0 ? name : name.left(dot)) +
           CaptureFormats[std::size_t(filterIndex - 1)].SaveExtension;
}

TSaveCommands::TSaveCommands(const TServices& services, IMainView& window, INoteStep& notes)
    : Services(services), Window(window), Notes(notes) {}

bool TSaveCommands::NameInUse(const QString& target) {
    return NameInUse(Window.Window(), target);
}

bool TSaveCommands::NameInUse(QWidget* owner, const QString& target) {
    const bool inUse = Window.Captures().Lists(target);
    if (inUse)
        Services.Dialogs.Message(owner, "Error",
                                 target + " is currently being used by Karvin.\n"
                                          "Please select another name.",
                                 TMsgIcon::None, mbOK);
    return inUse;
}

void TSaveCommands::SaveAs1Click() {
    if (Window.Captures().IsEmpty())
        return;
    const QList<int> rows = Window.Captures().SelectedRows();
    if (rows.isEmpty()) {
        Services.Dialogs.Message(Window.Window(), "Error", NoSelectionText, TMsgIcon::Warning,
                                 mbOK);
        return;
    }
    // The image the view shows, when it is one of those saved, is named by its new path in
    // the status line afterwards, as its row is.
    QString shownNowSaved;
    RunCommand(Services.Dialogs, Window.Window(), [&] {
        const QString shown = Window.View().FileName();
        TKeptView kept(Window);
        for (int row : rows) {
            const QString before = Window.Captures().Path(row);
            const TSaveOutcome outcome = SaveImageAs(row);
            if (!shown.isEmpty() && before == shown && Window.Captures().Path(row) != before)
                shownNowSaved = Window.Captures().Path(row);
            if (outcome == TSaveOutcome::EndCommand)
                return;
        }
    });
    if (!shownNowSaved.isEmpty())
        Window.ShowImageStatus(shownNowSaved);
}

TSaveCommands::TSaveOutcome TSaveCommands::SaveImageAs(int row) {
    if (!ShowImageToSave(row))
        return TSaveOutcome::Skipped;
    const TChosenTarget target = AskSaveTarget(Window.Window(), imgSaveDialog,
                                               Window.Captures().Path(row), TNoExtension::AskAgain);
    if (target.Outcome != TSaveOutcome::Saved)
        return target.Outcome;

    const bool jpegCaptures = ReadSettingsOrDefault().CaptureFormat() == cfJpeg;
    try {
        WriteViewImageAs(Window.View(), Window.Window(), target.Path, target.Extension,
                         jpegCaptures, TransformProgress(Window));
    } catch (const std::exception& error) {
        // This image stays as it was; the next selected one is still offered.
        ReportError(Services.Dialogs, Window.Window(), QString::fromLocal8Bit(error.what()));
        return TSaveOutcome::Skipped;
    }
    if (target.ReplacesLinkedImage)
        // Asked and answered before the write; now that the new file is in place, the old
        // image's record and note go.
        Notes.ForgetLinkedImage(target.Path);
    Window.Captures().Rename(row, target.Path);
    if (!Window.Captures().URL(row).isEmpty())
        Notes.RecordSavedImageLink(row, TNoteQuestion::SaveAs);
    return TSaveOutcome::Saved;
}

bool TSaveCommands::ShowImageToSave(int row) {
    const QString& path = Window.Captures().Path(row);
    // A file that has gone since it was listed cannot be saved, and the view would still
    // show another image, which must not be written under this one's name.
    if (!FileExists(LocalPath(path))) {
        ReportError(Services.Dialogs, Window.Window(),
                    "Cannot open file \"" + path +
                        "\": " + QString::fromLocal8Bit(std::strerror(ENOENT)));
        return false;
    }
    try {
        Window.ShowImageFile(path);
    } catch (const std::exception& error) {
        ReportError(Services.Dialogs, Window.Window(), QString::fromLocal8Bit(error.what()));
        return false;
    }
    return true;
}

TSaveCommands::TChosenTarget TSaveCommands::AskSaveTarget(QWidget* owner,
                                                          TFileDialogOptions& dialog,
                                                          const QString& currentPath,
                                                          TNoExtension noExtension) {
    for (;;) {
        // A pasted image has no name: the dialog shows what it showed last.
        if (!currentPath.isEmpty()) {
            dialog.FileName = FileNamePart(currentPath);
            if (const int type = SaveTypeOf(ExtensionOf(currentPath).toLower()))
                dialog.FilterIndex = type;
        }
        for (;;) {
            const auto chosen = Services.Dialogs.SaveFile(owner, dialog);
            if (!chosen)
                return {};
            TChosenTarget target;
            target.Outcome = TSaveOutcome::Saved;
            target.Path = chosen->Path;
            target.Extension = ExtensionOf(chosen->Path).toLower();

            if (IsKarvinFolderPath(target.Path)) {
                Services.Dialogs.Message(owner, "Error",
                                         "You cannot save to the same folder as Karvin.",
                                         TMsgIcon::Critical, mbOK);
                target.Outcome = TSaveOutcome::EndCommand;
                return target;
            }
            // The dialog takes a name only in a folder that exists: nothing could be written
            // elsewhere, and the user chooses again.
            if (!QFileInfo(FolderPart(target.Path)).isDir()) {
                Services.Dialogs.Message(owner, "Error",
                                         "The folder " + FolderPart(target.Path) +
                                             " does not exist.\nPlease choose an existing folder.",
                                         TMsgIcon::Warning, mbOK);
                continue;
            }
            dialog.FilterIndex = chosen->FilterIndex;
            dialog.Folder = FolderPart(chosen->Path);
            // An image may be saved over its own file, but not over another listed one.
            if (target.Path.compare(currentPath, Qt::CaseInsensitive) != 0 &&
                NameInUse(owner, target.Path))
                continue;
            if (target.Extension.isEmpty()) {
                // The editor's message spaces the list out; the main window's does not.
                QString extensions = QString::fromStdString(SaveExtensionList());
                if (noExtension == TNoExtension::Stop)
                    extensions.replace(",", ", ");
                Services.Dialogs.Message(
                    owner, "Error", "Please enter the proper image extension (" + extensions + ").",
                    TMsgIcon::Critical, mbOK);
                if (noExtension == TNoExtension::Stop)
                    return {};
                break;
            }
            if (SaveTypeOf(target.Extension) == 0) {
                Services.Dialogs.Message(owner, "Error",
                                         "Valid formats are:\n" +
                                             QString::fromStdString(SaveFormatNames()),
                                         TMsgIcon::Critical, mbOK);
                return {};
            }
            // The overwrite question of a linked image comes last, and its answer is acted
            // on only after the write: a name refused above, or a write that fails, must not
            // cost the old image its link and note.
            if (const auto question = Notes.LinkedImageQuestion(target.Path)) {
                if (Services.Dialogs.Message(owner, "Save", *question, TMsgIcon::Question,
                                             mbYes | mbNo) != TMsgResult::Yes)
                    continue;
                target.ReplacesLinkedImage = true;
            }
            return target;
        }
    }
}

std::optional<TSaveTarget> TSaveCommands::AskEditedImageTarget(QWidget* owner,
                                                               const QString& currentPath) {
    // The dialog opens in the image's folder, but never in the working folder, where
    // nothing may be saved.
    if (!currentPath.isEmpty() && !IsWorkFolderPath(currentPath))
        EditorSaveDialog.Folder = FolderPart(currentPath);
    const TChosenTarget target =
        AskSaveTarget(owner, EditorSaveDialog, currentPath, TNoExtension::Stop);
    if (target.Outcome != TSaveOutcome::Saved)
        return std::nullopt;
    return static_cast<const TSaveTarget&>(target);
}

void TSaveCommands::WriteEditedImage(TImageScrollBox& view, QWidget* owner, const QString& target,
                                     const TProgressCallback& progress) {
    // The editor reduces for a palette screen by the screen alone: its images are no captures.
    WriteViewImageAs(view, owner, target, ExtensionOf(target).toLower(), false, progress);
}

void TSaveCommands::OpenBatchConversion(TImageScrollBox& view, QWidget* owner) {
    TfrmBConvert dialog(Services, view, owner);
    dialog.cboFormat->setCurrentIndex(0);
    Services.Dialogs.ExecModal(dialog);
}

bool TSaveCommands::IsKarvinFolderPath(const QString& target) const {
    // Before the start has found the program folder there is none to refuse (an empty text
    // would be found in every path).
    const QString programFolder = Window.ProgramFolder();
    if (!programFolder.isEmpty())
        for (const QString& path : {target, ResolvedPath(target)})
            if (path.toLower().contains(programFolder.toLower()))
                return true;
    return IsWorkFolderPath(target);
}

void TSaveCommands::WriteViewImageAs(TImageScrollBox& view, QWidget* owner, const QString& target,
                                     const QString& extension, bool jpegCaptures,
                                     const TProgressCallback& progress) {
    TDibGraphic& image = view.Graphic();
    const std::string file = LocalPath(target);
    if (extension == ".gif") {
        TWaitPointer wait;
        SaveImageFile(image, file);
        return;
    }
    if (extension == ".jpg") {
        if (PrepareTrueColor(image, progress))
            view.Redraw(true);
        AskJpegOptions(view, owner);
        const TJpegSettings settings = ReadJpegOptions();
        TWaitPointer wait;
        SaveImageFile(image, file, {settings.Quality, settings.Progressive});
        return;
    }
    if (PrepareForPaletteDisplay(image, Services.Screen.ScreenColorCount(), jpegCaptures, progress))
        view.Redraw(true);
    view.SaveToFile(target);
}

void TSaveCommands::AskJpegOptions(TImageScrollBox& view, QWidget* owner) {
    TfrmJPEGCompression dialog(Services.Dialogs, view.Graphic(), owner);
    dialog.testImage->AssignImage(view.Graphic());
    Services.Dialogs.ExecModal(dialog);
}

void TSaveCommands::SaveSelectedToFolder1Click() {
    const QList<int> rows = Window.Captures().SelectedRows();
    if (rows.isEmpty()) {
        Services.Dialogs.Message(Window.Window(), "Error", NoSelectionText, TMsgIcon::Warning,
                                 mbOK);
        return;
    }
    RunCommand(Services.Dialogs, Window.Window(), [&] {
        const std::optional<QString> folder = PickAutoSaveFolder();
        if (!folder)
            return;
        // The program's own file in the folder: the folder Karvin runs from.
        const QString marker = folder->endsWith('/') ? *folder + "karvin" : *folder + "/karvin";
        if (FileExists(LocalPath(marker))) {
            Services.Dialogs.Message(Window.Window(), "Error",
                                     "You cannot save to same folder as Karvin.", TMsgIcon::Warning,
                                     mbOK);
            return;
        }
        const QString target = FolderPart(marker);
        if (IsWorkFolderPath(target)) {
            Services.Dialogs.Message(Window.Window(), "Error",
                                     "You cannot save to the same folder as Karvin.",
                                     TMsgIcon::Critical, mbOK);
            return;
        }
        WriteLastSaveFolder(LocalPath(*folder));
        CopyImagesToFolder(rows, target);
    });
}

std::optional<QString> TSaveCommands::PickAutoSaveFolder() {
    const QString start = FromLocalPath(ReadLastSaveFolder());
    return Services.Dialogs.SelectFolder(Window.Window(), "Save Selected Images To " + start,
                                         start);
}

void TSaveCommands::CopyImagesToFolder(const QList<int>& rows, const QString& folder) {
    // Everything a run changes in the window is put back at its end, also when a failure
    // ends it early.
    struct TRunEnd {
        TSaveCommands& Commands;
        ~TRunEnd() {
            Commands.Notes.EndAutoSaveRun();
            Commands.Window.EndProgress();
        }
    } runEnd{*this};
    TKeptView kept(Window);
    Window.BeginProgress(int(rows.size()));

    // NextImageName wants the folder without its trailing separator; the root keeps its "/".
    const std::string targetFolder = LocalPath(folder.size() > 1 ? folder.chopped(1) : folder);
    QStringList failures;
    int handled = 0;
    try {
        for (int row : rows) {
            const QString source = Window.Captures().Path(row);
            // Entries that already lie in the folder stay as they are.
            if (FolderPart(source).toLower() != folder.toLower()) {
                std::optional<std::string> copy;
                try {
                    copy = CopyToNextImageName(LocalPath(source), targetFolder);
                } catch (const EFileError& error) {
                    // This image stays unsaved; the others are still copied.
                    failures << QString::fromLocal8Bit(error.what());
                }
                if (copy) {
                    Window.SetStatusText(QString());
                    Window.Captures().Rename(row, FromLocalPath(*copy));
                    try {
                        Window.ShowImageFile(FromLocalPath(*copy));
                    } catch (const std::exception&) {
                        // Showing it is for the user's eye only: the copy is made whatever
                        // the picture holds.
                    }
                    if (!Window.Captures().URL(row).isEmpty())
                        Notes.RecordSavedImageLink(row, TNoteQuestion::AutoSave);
                }
            }
            Window.StepProgress(++handled);
        }
    } catch (const std::exception& error) {
        // A failure of the link store or of a note ends the run; the copies made stay.
        failures << QString::fromLocal8Bit(error.what());
    }
    if (!failures.isEmpty())
        ReportError(Services.Dialogs, Window.Window(), failures.join('\n'));
}
