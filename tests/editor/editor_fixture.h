// The image editor opened on an image of the main window's list, with every platform service
// faked: the main window (on Qt's offscreen platform) gives the editor its list, saving,
// printing and note step, as it does in the program.
#pragma once

#include "tests/app/frm_main_fixture.h"
#include "tests/editor/frm_editor_driver.h"
#include "tests/imaging/test_images.h"

#include "output/frm_jpeg_compression.h"
#include "tests/store/read_only_folder.h"
#include "weblink/frm_comments.h"
#include "weblink/note_text_box.h"
#include "widgets/capture_list.h"
#include "widgets/tool_pictures.h"

#include <QPushButton>
#include <QSlider>

#include <memory>

class EditorTest : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        Window = Start();
        Window->Folder() = Folder("prog") + "/";
        Out = Folder("out");
    }
    void TearDown() override {
        Editor.reset();
        Window.reset();
        MainWindow::TearDown();
    }

    // A folder under the scratch folder, made when missing; without a trailing "/".
    QString Folder(const std::string& name) {
        std::filesystem::create_directories(Scratch / name);
        return Path((Scratch / name).string());
    }
    // Writes an image (a name in the working folder or an absolute path) and lists it.
    int List(const TDibGraphic& image, const std::string& path = "pic1.bmp",
             const QString& url = {}) {
        Window->AppendImage(Path(PutImage(path, image)), url);
        return Window->List()->Count() - 1;
    }
    // The editor on list row `row`, shown (the view renders only while shown), the way the
    // main window launches it.
    TfrmEditorDriver& Open(int row) {
        Editor = std::make_unique<TfrmEditor>(Services(), Window->EditorLinks(), Window.get());
        Editor->OpenListEntry(row, LoadImageFile(LocalPath(Window->Paths()[row])), true);
        Editor->show();
        Driver = std::make_unique<TfrmEditorDriver>(*Editor);
        return *Driver;
    }
    // Lists `image` and opens the editor on it.
    TfrmEditorDriver& OpenImage(const TDibGraphic& image, const std::string& path = "pic1.bmp",
                                const QString& url = {}) {
        return Open(List(image, path, url));
    }

    static std::string LocalPath(const QString& path) {
        return QFile::encodeName(path).toStdString();
    }
    static bool Exists(const QString& path) { return std::filesystem::exists(LocalPath(path)); }

    // The user's answers.
    void Answer(TMsgResult answer) { Dialogs.MessageAnswers.push_back(answer); }
    void SaveAnswer(const QString& path, int type = 1) {
        Dialogs.SaveAnswers.push_back(TFileDialogResult{path, type});
    }
    // The JPEG window: OK at the slider's position, or closed without OK.
    void JpegWindow(std::optional<int> position) {
        Dialogs.ModalScripts.push_back([position](QDialog& dialog) {
            auto& jpeg = dynamic_cast<TfrmJPEGCompression&>(dialog);
            if (!position)
                return int(QDialog::Rejected);
            jpeg.tbCompress->setValue(*position);
            jpeg.btnOK->click();
            return jpeg.result();
        });
    }
    // The note entry window: `typed`, then "Save".
    void NoteEntry(const QString& typed) {
        Dialogs.ModalScripts.push_back([typed](QDialog& dialog) {
            auto& entry = dynamic_cast<TfrmComments&>(dialog);
            entry.moComments->setPlainText(typed);
            entry.btnSave->click();
            return entry.result();
        });
    }
    QString RowName(int row) const { return Window->List()->topLevelItem(row)->text(1); }
    bool MarkedSaved(int row) const {
        return Window->List()->topLevelItem(row)->icon(0).pixmap(16, 16).toImage() ==
               SavedRowPicture().toImage();
    }
    QString Messages() const { return Dialogs.MessageLog().join("; "); }

    std::unique_ptr<TfrmMainDriver> Window;
    std::unique_ptr<TfrmEditor> Editor;
    std::unique_ptr<TfrmEditorDriver> Driver;
    QString Out;
};

// A picture of distinct pixels: red = x, green = y, blue = (x + y) & 0xFF.
inline TDibGraphic Gradient(int width, int height) {
    return MakeImage(width, height, [](int x, int y) { return MakeColor(x, y, (x + y) & 0xFF); });
}
