// The main window's print commands, Printer Setup, and the prints made for captures and
// console screens.
#include "app/frm_main.h"

#include "app/image_scroll_box.h"
#include "app/kept_view.h"
#include "app/local_path.h"
#include "output/frm_print_error.h"
#include "output/print_layouts.h"
#include "platform/dib_qimage.h"
#include "platform/wait_seconds.h"
#include "store/file_io.h"
#include "store/settings.h"
#include "store/work_folder.h"

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QTreeWidget>

namespace {

// The main window as the print layouts see it: images are loaded into its view (the status
// line follows), slices and tiles pass through the clipboard into the view, and the user is
// asked and told through its dialogs.
class TMainWindowPrintHost : public IPrintHost {
public:
    TMainWindowPrintHost(TfrmMain& window, IDialogs& dialogs, IClipboard& clipboard)
        : Window_(window), Dialogs_(dialogs), Clipboard_(clipboard) {}

    const TDibGraphic* LoadImage(const QString& path) override {
        if (!Window_.ShowImageFile(path))
            return nullptr;
        QCoreApplication::processEvents();
        return &Window_.MainImage->Graphic();
    }
    TDibGraphic ViewPicture() override { return Window_.MainImage->Graphic(); }
    void ShowInView(const TDibGraphic& picture) override {
        Window_.MainImage->AssignImage(picture);
    }
    const TDibGraphic& PassThroughClipboard(const TDibGraphic& picture) override {
        Clipboard_.SetImage(DibToQImage(picture));
        const QImage back = Clipboard_.GetImage();
        // Another program may have taken the clipboard in the meantime: the picture itself
        // is printed then.
        if (back.isNull())
            Window_.MainImage->AssignImage(picture);
        else
            Window_.MainImage->AssignImage(QImageToDib(back));
        return Window_.MainImage->Graphic();
    }
    void ProcessEvents() override { QCoreApplication::processEvents(); }
    void WaitSeconds(double seconds) override { ::WaitSeconds(seconds); }
    void RefuseImage(const QString& path) override {
        TfrmPrintError form(PrintedFileName(path), &Window_);
        Dialogs_.ExecModal(form);
    }
    void ShowPrinterFailure(const QString&) override {
        Dialogs_.Message(&Window_, "Error", PrinterFailureText, TMsgIcon::Critical, mbOK);
    }
    std::optional<QString> AskCaption(const QString& title) override {
        return Dialogs_.InputBox(&Window_, title, "Enter Comment", QString());
    }
    void SetProgress(int position, int maximum) override {
        Window_.ProgressBar->setRange(0, std::max(maximum, 1));
        Window_.ProgressBar->setValue(position);
        Window_.ProgressBar->show();
        Window_.ProgressBar->repaint();
    }
    void EndProgress() override {
        // Back to the percentages of the transforms, hidden until one runs.
        Window_.ProgressBar->setRange(0, 100);
        Window_.ProgressBar->setValue(0);
        Window_.ProgressBar->hide();
    }

private:
    TfrmMain& Window_;
    IDialogs& Dialogs_;
    IClipboard& Clipboard_;
};

} // namespace

QStringList TfrmMain::SelectedImagePaths() const {
    QStringList paths;
    for (int row : SelectedRows())
        if (row < ImagePaths.size())
            paths << ImagePaths[row];
    return paths;
}

void TfrmMain::RunPrintCommand(const QStringList& paths, const TPrintLayout& layout) {
    if (!Services.Printer.PrintDialog1(this))
        return;
    TKeptView kept(*this);
    TMainWindowPrintHost host(*this, Services.Dialogs, Services.Clipboard);
    const TPrintContext context{Services.Printer, host, Services.Screen.ScreenSize()};
    RunCommand(Services.Dialogs, this, [&] {
        TPrintBatch batch(Services.Printer);
        layout(context, paths);
        batch.End();
    });
}

void TfrmMain::PrintSelectedImages(const TPrintLayout& layout) {
    const QStringList paths = SelectedImagePaths();
    if (paths.isEmpty()) {
        ShowPleaseSelectAnImage();
        return;
    }
    RunPrintCommand(paths, layout);
}

namespace {

TPrintLayout CaptionLayout(TCaptionPlace place, bool withDateTime, const QString& title) {
    return [=](const TPrintContext& context, const QStringList& paths) {
        PrintCaptioned(context, paths, {place, withDateTime, title});
    };
}

} // namespace

void TfrmMain::Images1perpageClick() {
    if (ImagePaths.isEmpty())
        return;
    PrintSelectedImages(PrintImages);
}

void TfrmMain::CaptionAboveImageClick() {
    PrintSelectedImages(CaptionLayout(TCaptionPlace::Above, false, "Caption Above Image"));
}

void TfrmMain::CaptionBelowImageClick() {
    PrintSelectedImages(CaptionLayout(TCaptionPlace::Below, false, "Caption Below Image"));
}

void TfrmMain::TimeDateAboveImageClick() {
    PrintSelectedImages(
        CaptionLayout(TCaptionPlace::Above, true, "Caption, Date, Time Above Image"));
}

void TfrmMain::TimeDateBelowImageClick() {
    PrintSelectedImages(
        CaptionLayout(TCaptionPlace::Below, true, "Caption, Date, Time Below Image"));
}

void TfrmMain::ImagesStretchToFullPage2Click() {
    if (ImagePaths.isEmpty()) {
        ShowPleaseSelectAnImage();
        return;
    }
    // With rows but none selected the print dialog still comes, and nothing prints.
    RunPrintCommand(SelectedImagePaths(), PrintStretched);
}

void TfrmMain::ImagesAsManyToAPage1Click() {
    PrintSelectedImages(PrintManyToAPage);
}

void TfrmMain::ImagesAsThumbnails1Click() {
    PrintSelectedImages(PrintThumbnails);
}

void TfrmMain::Printer1Click() {
    Services.Printer.SetupMyPrinter(this);
}

bool TfrmMain::PrintWithBatch(const std::function<bool(const TPrintContext&)>& print) {
    TMainWindowPrintHost host(*this, Services.Dialogs, Services.Clipboard);
    const TPrintContext context{Services.Printer, host, Services.Screen.ScreenSize()};
    TPrintBatch batch(Services.Printer);
    const bool printed = print(context);
    try {
        batch.End();
    } catch (const EPrinterError& error) {
        host.ShowPrinterFailure(QString::fromStdString(error.what()));
        return false;
    }
    return printed;
}

bool TfrmMain::PrintImagePage() {
    return PrintWithBatch([this](const TPrintContext& context) {
        return ::PrintImagePage(context, MainImage->Graphic());
    });
}

bool TfrmMain::PrintCapture(int stretch, const QString& widthText, const QString& heightText) {
    return PrintWithBatch([&](const TPrintContext& context) {
        return ::PrintCapture(context, MainImage->Graphic(), stretch, widthText, heightText);
    });
}

namespace {

QStringList ReadLines(const std::string& path) {
    const auto lines = ReadTextLines(path);
    if (!lines)
        throw EFileError("Cannot open file \"" + path + "\".");
    QStringList text;
    for (const auto& line : *lines)
        text << QString::fromLocal8Bit(line);
    return text;
}

} // namespace

bool TfrmMain::PrintTextLines(const QString& file) {
    const QStringList lines = ReadLines(LocalPath(file));
    return PrintWithBatch(
        [&](const TPrintContext& context) { return ::PrintTextLines(context, lines); });
}

void TfrmMain::RenderConsoleText() {
    const std::string scratch = WorkPath("TextTemp.txt");
    WriteWholeFile(scratch, Services.Clipboard.GetText().toLocal8Bit().toStdString());
    // The scratch file goes whatever happens below.
    struct TScratchFile {
        const std::string& Path;
        ~TScratchFile() { DeleteFile(Path); }
    } removeAtEnd{scratch};

    const QStringList lines = ReadLines(scratch);
    const TSettingsRecord settings = ReadSettingsOrDefault();
    if (settings.PrintSelection != 1) {
        Services.Clipboard.SetImage(DibToQImage(RenderTextLines(lines)));
        TakeClipboardIntoView();
    }
    if (settings.PrintSelection != 2)
        PrintWithBatch(
            [&](const TPrintContext& context) { return ::PrintTextLines(context, lines); });
}
