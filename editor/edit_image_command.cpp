#include "editor/edit_image_command.h"

#include "store/file_io.h"
#include "store/settings.h"
#include "store/settings_files.h"
#include "widgets/capture_list.h"
#include "widgets/image_scroll_box.h"
#include "widgets/local_path.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>

TEditImageCommand::TEditImageCommand(const TServices& services, const TEditorLinks& links)
    : Services(services), Links(links) {}

void TEditImageCommand::ImageEditorClick() {
    const TCaptureList& list = Links.Main.Captures();
    if (list.IsEmpty())
        return;
    const QList<int> rows = list.SelectedRows();
    if (rows.size() != 1) {
        Services.Dialogs.Message(Links.Main.Window(), "Error",
                                 rows.isEmpty() ? "Please select an image name"
                                                : "Please select one image name only",
                                 TMsgIcon::Warning, mbOK);
        return;
    }
    if (ReadSettingsOrDefault().UseEditor == 1) {
        StartExternalEditor(list.Path(rows.first()));
        return;
    }
    EditListEntry(rows.first(), true);
}

void TEditImageCommand::EditListEntry(int row, bool openedFromMain) {
    IMainView& main = Links.Main;
    const QString path = main.Captures().Path(row);
    // The editor starts from what the main window shows of the row; when the view shows
    // another image (or none), the row's file is shown first.
    if (main.View().FileName() != path || main.View().Graphic().Empty()) {
        bool shown = false;
        if (!RunCommand(Services.Dialogs, main.Window(), [&] { shown = main.ShowImageFile(path); }))
            return;
        if (!shown) {
            ReportError(Services.Dialogs, main.Window(),
                        "Cannot open file \"" + path +
                            "\": " + QString::fromLocal8Bit(std::strerror(ENOENT)));
            return;
        }
    }
    {
        TfrmEditor editor(Services, Links, main.Window());
        editor.OpenListEntry(row, main.View().Graphic(), openedFromMain);
        Editor = &editor;
        Services.Dialogs.ExecModal(editor);
        Editor = nullptr;
    }
    // A change the editor saved shows, under the row's path of now.
    RunCommand(Services.Dialogs, main.Window(),
               [&] { main.ShowImageFile(main.Captures().Path(row)); });
}

void TEditImageCommand::StartExternalEditor(const QString& imagePath) {
    const std::optional<std::string> stored = ReadEditorPath();
    if (!stored || stored->empty())
        return;
    const QString program = FromLocalPath(*stored);
    // The whole stored path is started, never a name looked up in the search path, and only
    // when it is a program: editor.dat is a file anyone with the user's rights may change.
    const QFileInfo info(program);
    if (!info.isAbsolute() || !info.isFile() || !info.isExecutable()) {
        Services.Dialogs.Message(Links.Main.Window(), "Error",
                                 "The image editor " + program +
                                     " cannot be started: it is not a program file.",
                                 TMsgIcon::Critical, mbOK);
        return;
    }
    if (!Services.Desktop.StartProgram(program, {imagePath}))
        Services.Dialogs.Message(Links.Main.Window(), "Error",
                                 "The image editor " + program + " could not be started.",
                                 TMsgIcon::Critical, mbOK);
}
