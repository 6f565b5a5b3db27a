// Save As and Auto Save: how captures leave the working folder.
//
// Save As re-encodes each selected image in the format of the extension the user types;
// Auto Save copies the files byte for byte into one folder. Both replace the row's path by
// the saved file, give the row its saved mark, and record the page address of an image
// captured from a browser (with the note step). While they run the view shows the image at
// hand; it shows what it showed before once they are done, however they end.
#include "app/frm_main.h"

#include "app/image_scroll_box.h"
#include "app/kept_view.h"
#include "app/local_path.h"
#include "app/wait_pointer.h"
#include "imaging/display_preparation.h"
#include "imaging/format_registry.h"
#include "output/frm_jpeg_compression.h"
#include "store/file_io.h"
#include "store/settings_files.h"
#include "store/work_folder.h"
#include "weblink/frm_comment_message.h"
#include "weblink/link_store.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QTreeWidget>

namespace {

struct TSaveType {
    const char* Description;
    const char* Pattern;
    const char* Extension;
};

// The save dialog's types, numbered from 1 in this order.
constexpr std::array<TSaveType, 7> SaveTypes = {{
    {"Bitmap (*.bmp)", "*.bmp", ".bmp"},
    {"GIF (*.gif)", "*.gif", ".gif"},
    {"JPEG (*.jpg)", "*.jpg", ".jpg"},
    {"PaintBrush (*.pcx)", "*.pcx", ".pcx"},
    {"Portable Network Graphic (*.png)", "*.png", ".png"},
    {"Targa (*.tga)", "*.tga", ".tga"},
    {"TIFF (*.tif)", "*.tif", ".tif"},
}};

// The type number of an extension (with its dot, lower case); 0 for none of the seven.
int SaveTypeOf(const QString& extension) {
    for (std::size_t type = 0; type < SaveTypes.size(); ++type)
        if (extension == SaveTypes[type].Extension)
            return int(type) + 1;
    return 0;
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
struct TfrmMain::TSaveTarget {
    TSaveOutcome Outcome = TSaveOutcome::Skipped;
    QString Path;
    QString Extension; // lower case, dot included
    // The target is the image of a link record, which the user agreed to overwrite: the
    // record and its note go once the new file is in place.
    bool ReplacesLinkedImage = false;
};

TFileDialogOptions TfrmMain::NewSaveDialog() {
    TFileDialogOptions dialog;
    for (const TSaveType& type : SaveTypes)
        dialog.Filters << type.Description;
    dialog.FilterIndex = 1;
    dialog.ConfirmOverwrite = true;
    dialog.Folder = FromLocalPath(HomeFolder());
    dialog.OnTypeChange = &TfrmMain::imgSaveDialogTypeChange;
    return dialog;
}

QString TfrmMain::imgSaveDialogTypeChange(int filterIndex, const QString& fileName) {
    if (fileName.isEmpty() || filterIndex < 1 || filterIndex > int(SaveTypes.size()))
        return fileName;
    // Only the name's extension changes; a folder the user typed in front of it stays.
    const QString name = FileNamePart(fileName);
    const int dot = name.lastIndexOf('.');
    return FolderPart(fileName) + (dot < 0 ? name : name.left(dot)) +
           SaveTypes[filterIndex - 1].Extension;
}

bool TfrmMain::NameInUse(const QString& target) {
    const bool inUse = std::any_of(ImagePaths.begin(), ImagePaths.end(), [&](const QString& path) {
        return path.compare(target, Qt::CaseInsensitive) == 0;
    });
    if (inUse)
        Services.Dialogs.Message(this, "Error",
                                 target + " is currently being used by Karvin.\n"
                                          "Please select another name.",
                                 TMsgIcon::None, mbOK);
    return inUse;
}

void TfrmMain::SaveAs1Click() {
    if (ImagePaths.isEmpty())
        return;
    const QList<int> rows = SelectedRows();
    if (rows.isEmpty()) {
        Services.Dialogs.Message(this, "Error", NoSelectionText, TMsgIcon::Warning, mbOK);
        return;
    }
    RunCommand(Services.Dialogs, this, [&] {
        TKeptView kept(*this);
        for (int row : rows)
            if (SaveImageAs(row) == TSaveOutcome::EndCommand)
                return;
    });
}

TfrmMain::TSaveOutcome TfrmMain::SaveImageAs(int row) {
    if (!ShowImageToSave(row))
        return TSaveOutcome::Skipped;
    const TSaveTarget target = AskSaveTarget(row);
    if (target.Outcome != TSaveOutcome::Saved)
        return target.Outcome;

    WriteViewImageAs(target.Path, target.Extension);
    if (target.ReplacesLinkedImage)
        // Asked and answered before the write; now that the new file is in place, the old
        // image's record and note go.
        URLStore().ConfirmURLOverwrite(LocalPath(target.Path),
                                       [](const std::string&) { return true; });
    MarkRowSaved(row, target.Path);
    if (!ImageURLs[row].isEmpty())
        RecordSavedImageLink(row, TNoteQuestion::SaveAs);
    return TSaveOutcome::Saved;
}

bool TfrmMain::ShowImageToSave(int row) {
    const QString& path = ImagePaths[row];
    // A file that has gone since it was listed cannot be saved, and the view would still
    // show another image, which must not be written under this one's name.
    if (!FileExists(LocalPath(path))) {
        ReportError(Services.Dialogs, this,
                    "Cannot open file \"" + path +
                        "\": " + QString::fromLocal8Bit(std::strerror(ENOENT)));
        return false;
    }
    try {
        ShowImageFile(path);
    } catch (const std::exception& error) {
        ReportError(Services.Dialogs, this, QString::fromLocal8Bit(error.what()));
        return false;
    }
    return true;
}

TfrmMain::TSaveTarget TfrmMain::AskSaveTarget(int row) {
    const QString& path = ImagePaths[row];
    for (;;) {
        imgSaveDialog.FileName = FileNamePart(path);
        if (const int type = SaveTypeOf(ExtensionOf(path).toLower()))
            imgSaveDialog.FilterIndex = type;
        for (;;) {
            const auto chosen = Services.Dialogs.SaveFile(this, imgSaveDialog);
            if (!chosen)
                return {};
            imgSaveDialog.FilterIndex = chosen->FilterIndex;
            imgSaveDialog.Folder = FolderPart(chosen->Path);
            TSaveTarget target{TSaveOutcome::Saved, chosen->Path,
                               ExtensionOf(chosen->Path).toLower()};

            if (IsKarvinFolderPath(target.Path)) {
                Services.Dialogs.Message(this, "Error",
                                         "You cannot save to the same folder as Karvin.",
                                         TMsgIcon::Critical, mbOK);
                return {TSaveOutcome::EndCommand, {}, {}};
            }
            // An image may be saved over its own file, but not over another listed one.
            if (target.Path.compare(path, Qt::CaseInsensitive) != 0 && NameInUse(target.Path))
                continue;
            if (target.Extension.isEmpty()) {
                Services.Dialogs.Message(this, "Error",
                                         "Please enter the proper image extension "
                                         "(.bmp,.gif,.jpg,.pcx,.png,.tga,or .tif).",
                                         TMsgIcon::Critical, mbOK);
                break;
            }
            if (SaveTypeOf(target.Extension) == 0) {
                Services.Dialogs.Message(
                    this, "Error", "Valid formats are:\nBMP, GIF, JPG, PCX, PNG, TGA, and TIF",
                    TMsgIcon::Critical, mbOK);
                return {};
            }
            // The overwrite question of a linked image comes last, and its answer is acted
            // on only after the write: a name refused above, or a write that fails, must not
            // cost the old image its link and note. The question is the store's own; the
            // answer handed back to it here is No, which leaves the store as it is.
            bool asked = false;
            bool overwrite = false;
            URLStore().ConfirmURLOverwrite(LocalPath(target.Path), [&](const std::string& text) {
                asked = true;
                overwrite =
                    Services.Dialogs.Message(this, "Save", QString::fromStdString(text),
                                             TMsgIcon::Question, mbYes | mbNo) == TMsgResult::Yes;
                return false;
            });
            if (asked && !overwrite)
                continue;
            target.ReplacesLinkedImage = asked;
            return target;
        }
    }
}

bool TfrmMain::IsKarvinFolderPath(const QString& target) const {
    // Before the start has found the program folder there is none to refuse (an empty text
    // would be found in every path).
    if (!ProgramFolder.isEmpty())
        for (const QString& path : {target, ResolvedPath(target)})
            if (path.toLower().contains(ProgramFolder.toLower()))
                return true;
    return IsWorkFolderPath(target);
}

void TfrmMain::WriteViewImageAs(const QString& target, const QString& extension) {
    TDibGraphic& image = MainImage->Graphic();
    const std::string file = LocalPath(target);
    if (extension == ".gif") {
        TWaitPointer wait;
        SaveImageFile(image, file);
        return;
    }
    if (extension == ".jpg") {
        if (PrepareTrueColor(image, ReportProgressCallback()))
            MainImage->Redraw(true);
        AskJpegOptions();
        const TJpegSettings settings = ReadJpegOptions();
        TWaitPointer wait;
        SaveImageFile(image, file, {settings.Quality, settings.Progressive});
        return;
    }
    const bool captureFormatIsJpeg = cboDefaultFormat->currentText() == "JPEG";
    if (PrepareForPaletteDisplay(image, Services.Screen.ScreenColorCount(), captureFormatIsJpeg,
                                 ReportProgressCallback()))
        MainImage->Redraw(true);
    MainImage->SaveToFile(target);
}

void TfrmMain::AskJpegOptions() {
    TfrmJPEGCompression dialog(Services.Dialogs, MainImage->Graphic(), this);
    dialog.testImage->AssignImage(MainImage->Graphic());
    Services.Dialogs.ExecModal(dialog);
}

void TfrmMain::MarkRowSaved(int row, const QString& path) {
    ImagePaths[row] = path;
    lvPicNames->topLevelItem(row)->setText(1, FileNamePart(path));
    UpdateRowPicture(row);
}

void TfrmMain::SaveSelectedToFolder1Click() {
    const QList<int> rows = SelectedRows();
    if (rows.isEmpty()) {
        Services.Dialogs.Message(this, "Error", NoSelectionText, TMsgIcon::Warning, mbOK);
        return;
    }
    RunCommand(Services.Dialogs, this, [&] {
        const std::optional<QString> folder = PickAutoSaveFolder();
        if (!folder)
            return;
        // The program's own file in the folder: the folder Karvin runs from.
        const QString marker = folder->endsWith('/') ? *folder + "karvin" : *folder + "/karvin";
        if (FileExists(LocalPath(marker))) {
            Services.Dialogs.Message(this, "Error", "You cannot save to same folder as Karvin.",
                                     TMsgIcon::Warning, mbOK);
            return;
        }
        const QString target = FolderPart(marker);
        if (IsWorkFolderPath(target)) {
            Services.Dialogs.Message(this, "Error", "You cannot save to the same folder as Karvin.",
                                     TMsgIcon::Critical, mbOK);
            return;
        }
        WriteLastSaveFolder(LocalPath(*folder));
        CopyImagesToFolder(rows, target);
    });
}

std::optional<QString> TfrmMain::PickAutoSaveFolder() {
    const QString start = FromLocalPath(ReadLastSaveFolder());
    return Services.Dialogs.SelectFolder(this, "Save Selected Images To " + start, start);
}

void TfrmMain::CopyImagesToFolder(const QList<int>& rows, const QString& folder) {
    // Everything a run changes in the window is put back at its end, also when a failure
    // ends it early.
    struct TRunEnd {
        TfrmMain& Window;
        ~TRunEnd() {
            Window.NoteAnswer = naYes;
            Window.ProgressBar->setValue(0);
            Window.ProgressBar->setMaximum(100);
            Window.ProgressBar->hide();
        }
    } runEnd{*this};
    TKeptView kept(*this);
    ProgressBar->setMaximum(int(rows.size()));
    ProgressBar->setValue(0);
    ProgressBar->show();

    // NextImageName wants the folder without its trailing separator; the root keeps its "/".
    const std::string targetFolder = LocalPath(folder.size() > 1 ? folder.chopped(1) : folder);
    QStringList failures;
    int handled = 0;
    try {
        for (int row : rows) {
            const QString source = ImagePaths[row];
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
                    StatPanelText->clear();
                    MarkRowSaved(row, FromLocalPath(*copy));
                    try {
                        ShowImageFile(FromLocalPath(*copy));
                    } catch (const std::exception&) {
                        // Showing it is for the user's eye only: the copy is made whatever
                        // the picture holds.
                    }
                    if (!ImageURLs[row].isEmpty())
                        RecordSavedImageLink(row, TNoteQuestion::AutoSave);
                }
            }
            ProgressBar->setValue(++handled);
        }
    } catch (const std::exception& error) {
        // A failure of the link store or of a note ends the run; the copies made stay.
        failures << QString::fromLocal8Bit(error.what());
    }
    if (!failures.isEmpty())
        ReportError(Services.Dialogs, this, failures.join('\n'));
}
