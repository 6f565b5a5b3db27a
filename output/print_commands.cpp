#include "output/print_commands.h"

#include "output/frm_print_error.h"
#include "platform/dib_qimage.h"
#include "platform/wait_seconds.h"
#include "store/file_io.h"
#include "store/settings.h"
#include "store/work_folder.h"
#include "widgets/capture_list.h"
#include "widgets/console_text.h"
#include "widgets/image_scroll_box.h"
#include "widgets/kept_view.h"
#include "widgets/local_path.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// A window with an image view as the print layouts see it: images are loaded into its view,
// slices and tiles pass through the clipboard into the view, and the user is asked and told
// through its dialogs. The image editor prints this way; it shows no progress.
class TViewPrintHost : public IPrintHost {
public:
    TViewPrintHost(TImageScrollBox& view, QWidget* owner, IDialogs& dialogs, IClipboard& clipboard)
        : View_(view), Owner_(owner), Dialogs_(dialogs), Clipboard_(clipboard) {}

    const TDibGraphic* LoadImage(const QString& path) override {
        if (!FileExists(LocalPath(path)))
            return nullptr;
        View_.LoadFromFile(path);
        QCoreApplication::processEvents();
        return &View_.Graphic();
    }
    TDibGraphic ViewPicture() override { return View_.Graphic(); }
    void ShowInView(const TDibGraphic& picture) override { View_.AssignImage(picture); }
    const TDibGraphic& PassThroughClipboard(const TDibGraphic& picture) override {
        Clipboard_.SetImage(DibToQImage(picture));
        const QImage back = Clipboard_.GetImage();
        // Another program may have taken the clipboard in the meantime: the picture itself
        // is printed then.
        if (back.isNull())
            View_.AssignImage(picture);
        else
            View_.AssignImage(QImageToDib(back));
        return View_.Graphic();
    }
    void ProcessEvents() override { QCoreApplication::processEvents(); }
    void WaitSeconds(double seconds) override { ::WaitSeconds(seconds); }
    void RefuseImage(const QString& path) override {
        TfrmPrintError form(PrintedFileName(path), Owner_);
        Dialogs_.ExecModal(form);
    }
    void ShowPrinterFailure(const QString&) override {
        Dialogs_.Message(Owner_, "Error", PrinterFailureText, TMsgIcon::Critical, mbOK);
    }
    std::optional<QString> AskCaption(const QString& title) override {
        return Dialogs_.InputBox(Owner_, title, "Enter Comment", QString());
    }
    void SetProgress(int, int) override {}
    void EndProgress() override {}

private:
    TImageScrollBox& View_;
    QWidget* Owner_;
    IDialogs& Dialogs_;
    IClipboard& Clipboard_;
};

// The main window: images are shown with their status line, and the progress of a command
// goes to its status line's bar.
//
// An image whose file has gone or cannot be read is left out and the others print; the
// command says once, at its end, which ones were left out (ReportLeftOut).
class TMainWindowPrintHost : public TViewPrintHost {
public:
    // A host whose layout passes over vanished files as a matter of course does not name
    // them.
    enum class TVanishedFiles { Reported, Silent };

    TMainWindowPrintHost(IMainView& window, IDialogs& dialogs, IClipboard& clipboard,
                         TVanishedFiles vanished = TVanishedFiles::Reported)
        : TViewPrintHost(window.View(), window.Window(), dialogs, clipboard), Window_(window),
          Dialogs_(dialogs), Vanished_(vanished) {}

    const TDibGraphic* LoadImage(const QString& path) override {
        try {
            if (!Window_.ShowImageFile(path)) {
                if (Vanished_ == TVanishedFiles::Reported)
                    LeaveOut(path, path + ": " + QString::fromLocal8Bit(std::strerror(ENOENT)));
                return nullptr;
            }
        } catch (const std::exception& error) {
            const QString reason = QString::fromLocal8Bit(error.what());
            LeaveOut(path, reason.contains(path) ? reason : path + ": " + reason);
            return nullptr;
        }
        QCoreApplication::processEvents();
        return &Window_.View().Graphic();
    }
    // Tells the user which images were left out, if any, in one message.
    void ReportLeftOut() {
        if (LeftOut_.isEmpty())
            return;
        Dialogs_.Message(Window_.Window(), "Error",
                         "These images were not printed:\n" + LeftOut_.join('\n'),
                         TMsgIcon::Warning, mbOK);
        LeftOut_.clear();
        LeftOutPaths_.clear();
    }
    void SetProgress(int position, int maximum) override {
        if (maximum != Maximum_) {
            Maximum_ = maximum;
            Window_.BeginProgress(maximum);
        }
        Window_.StepProgress(position);
    }
    void EndProgress() override {
        Maximum_ = -1;
        Window_.EndProgress();
    }

private:
    // A layout may load an image twice (to measure it, then to print it): it is named once.
    void LeaveOut(const QString& path, const QString& why) {
        if (LeftOutPaths_.contains(path))
            return;
        LeftOutPaths_ << path;
        LeftOut_ << why;
    }

    IMainView& Window_;
    IDialogs& Dialogs_;
    TVanishedFiles Vanished_;
    int Maximum_ = -1; // of the progress shown; -1 for none
    QStringList LeftOutPaths_;
    QStringList LeftOut_; // one line each: the path and why
};

} // namespace

TPrintCommands::TPrintCommands(const TServices& services, IMainView& window)
    : Services(services), Window(window) {}

void TPrintCommands::RunPrintCommand(const QStringList& paths, const TPrintLayout& layout,
                                     bool vanishedFilesSilent) {
    if (!Services.Printer.PrintDialog1(Window.Window()))
        return;
    TKeptView kept(Window);
    TMainWindowPrintHost host(Window, Services.Dialogs, Services.Clipboard,
                              vanishedFilesSilent ? TMainWindowPrintHost::TVanishedFiles::Silent
                                                  : TMainWindowPrintHost::TVanishedFiles::Reported);
    const TPrintContext context{Services.Printer, host, Services.Screen.ScreenSize()};
    RunCommand(Services.Dialogs, Window.Window(), [&] {
        TPrintBatch batch(Services.Printer);
        layout(context, paths);
        batch.End();
    });
    // Also when the printer failed: the user is not to look for those pages.
    host.ReportLeftOut();
}

void TPrintCommands::PrintSelectedImages(const TPrintLayout& layout, bool vanishedFilesSilent) {
    const QStringList paths = Window.Captures().SelectedPaths();
    if (paths.isEmpty()) {
        ShowPleaseSelectAnImage(Services.Dialogs, Window.Window());
        return;
    }
    RunPrintCommand(paths, layout, vanishedFilesSilent);
}

namespace {

TPrintLayout CaptionLayout(TCaptionPlace place, bool withDateTime, const QString& title) {
    return [=](const TPrintContext& context, const QStringList& paths) {
        PrintCaptioned(context, paths, {place, withDateTime, title});
    };
}

} // namespace

void TPrintCommands::Images1perpageClick() {
    if (Window.Captures().IsEmpty())
        return;
    PrintSelectedImages(PrintImages);
}

void TPrintCommands::CaptionAboveImageClick() {
    PrintSelectedImages(CaptionLayout(TCaptionPlace::Above, false, "Caption Above Image"));
}

void TPrintCommands::CaptionBelowImageClick() {
    PrintSelectedImages(CaptionLayout(TCaptionPlace::Below, false, "Caption Below Image"));
}

void TPrintCommands::TimeDateAboveImageClick() {
    PrintSelectedImages(
        CaptionLayout(TCaptionPlace::Above, true, "Caption, Date, Time Above Image"));
}

void TPrintCommands::TimeDateBelowImageClick() {
    PrintSelectedImages(
        CaptionLayout(TCaptionPlace::Below, true, "Caption, Date, Time Below Image"));
}

void TPrintCommands::ImagesStretchToFullPage2Click() {
    if (Window.Captures().IsEmpty()) {
        ShowPleaseSelectAnImage(Services.Dialogs, Window.Window());
        return;
    }
    // With rows but none selected the print dialog still comes, and nothing prints.
    RunPrintCommand(Window.Captures().SelectedPaths(), PrintStretched);
}

void TPrintCommands::ImagesAsManyToAPage1Click() {
    PrintSelectedImages(PrintManyToAPage);
}

void TPrintCommands::ImagesAsThumbnails1Click() {
    // The contact sheet shows the images that are there; a file that has gone is passed over
    // without a word.
    PrintSelectedImages(PrintThumbnails, true);
}

void TPrintCommands::PrintImageFiles(TPrintEntry entry, const QStringList& paths) {
    switch (entry) {
    case TPrintEntry::Images:
        return RunPrintCommand(paths, PrintImages);
    case TPrintEntry::CaptionAbove:
        return RunPrintCommand(paths,
                               CaptionLayout(TCaptionPlace::Above, false, "Caption Above Image"));
    case TPrintEntry::CaptionBelow:
        return RunPrintCommand(paths,
                               CaptionLayout(TCaptionPlace::Below, false, "Caption Below Image"));
    case TPrintEntry::TimeDateAbove:
        return RunPrintCommand(
            paths, CaptionLayout(TCaptionPlace::Above, true, "Caption, Date, Time Above Image"));
    case TPrintEntry::TimeDateBelow:
        return RunPrintCommand(
            paths, CaptionLayout(TCaptionPlace::Below, true, "Caption, Date, Time Below Image"));
    case TPrintEntry::StretchToFullPage:
        return RunPrintCommand(paths, PrintStretched);
    case TPrintEntry::ManyToAPage:
        return RunPrintCommand(paths, PrintManyToAPage);
    case TPrintEntry::Thumbnails:
        return RunPrintCommand(paths, PrintThumbnails, true);
    }
}

void TPrintCommands::Printer1Click() {
    Services.Printer.SetupMyPrinter(Window.Window());
}

bool TPrintCommands::PrintWithBatch(const std::function<bool(const TPrintContext&)>& print) {
    TMainWindowPrintHost host(Window, Services.Dialogs, Services.Clipboard);
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

void TPrintCommands::PrintViewImage(TImageScrollBox& view, QWidget* owner) {
    if (view.Graphic().Empty() || !Services.Printer.PrintDialog1(owner))
        return;
    TViewPrintHost host(view, owner, Services.Dialogs, Services.Clipboard);
    const TPrintContext context{Services.Printer, host, Services.Screen.ScreenSize()};
    RunCommand(Services.Dialogs, owner, [&] {
        TPrintBatch batch(Services.Printer);
        ::PrintImagePage(context, view.Graphic());
        batch.End();
    });
    QCoreApplication::processEvents();
}

bool TPrintCommands::PrintImagePage() {
    return PrintWithBatch([this](const TPrintContext& context) {
        return ::PrintImagePage(context, Window.View().Graphic());
    });
}

bool TPrintCommands::PrintCapture(int stretch, const QString& widthText,
                                  const QString& heightText) {
    return PrintWithBatch([&](const TPrintContext& context) {
        return ::PrintCapture(context, Window.View().Graphic(), stretch, widthText, heightText);
    });
}

namespace {

// A console line longer than this is cut for the picture and the paper: neither could show
// more of it.
constexpr qsizetype LongestConsoleLine = 1024;

QStringList CutConsoleLines(const QList<QStringView>& lines) {
    QStringList cut;
    cut.reserve(lines.size());
    for (QStringView line : lines)
        cut << line.left(LongestConsoleLine).toString();
    return cut;
}

} // namespace

int TPrintCommands::ConsoleLinesPerPage() {
    // The lines go on one page; those below its foot would not be seen, and a huge text is
    // not read for them.
    Services.Printer.SetFont(TPrinterFont::Console);
    const int lineHeight = std::max(1, Services.Printer.TextHeight("X"));
    return std::max(1, Services.Printer.PageHeight() / lineHeight + 1);
}

bool TPrintCommands::PrintTextLines(const QString& file) {
    QFile text(file);
    if (!text.open(QIODevice::ReadOnly))
        throw EFileError("Cannot open file \"" + LocalPath(file) + "\".");
    const int maxLines = ConsoleLinesPerPage();
    QStringList lines;
    bool utf8 = false;
    while (lines.size() < maxLines && !text.atEnd()) {
        QByteArray line = text.readLine(LongestConsoleLine + 1);
        // The rest of a line too long to print is passed over.
        if (!line.endsWith('\n'))
            while (!text.atEnd() && !text.readLine(64 * 1024).endsWith('\n')) {
            }
        if (lines.isEmpty() && line.startsWith(ConsoleTextUtf8Mark)) {
            utf8 = true;
            line.remove(0, qsizetype(sizeof(ConsoleTextUtf8Mark) - 1));
        }
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        lines << DecodeConsoleTextLine(line, utf8);
    }
    return PrintWithBatch(
        [&](const TPrintContext& context) { return ::PrintTextLines(context, lines); });
}

bool TPrintCommands::PrintConsoleTextFile(const QString& file) {
    return PrintTextLines(file);
}

void TPrintCommands::RenderConsoleText() {
    // The clipboard's text is held once; the picture and the page take only the lines they
    // have room for.
    const QString text = Services.Clipboard.GetText();
    const TSettingsRecord settings = ReadSettingsOrDefault();
    if (settings.PrintChoice() != psPrintOnly) {
        Services.Clipboard.SetImage(
            DibToQImage(RenderTextLines(CutConsoleLines(ConsoleTextLines(text, ConsoleRows)))));
        Window.View().AssignImage(QImageToDib(Services.Clipboard.GetImage()));
        Window.View().SetZoomPercent(100);
    }
    if (settings.PrintChoice() != psCaptureOnly) {
        const QStringList lines = CutConsoleLines(ConsoleTextLines(text, ConsoleLinesPerPage()));
        PrintWithBatch(
            [&](const TPrintContext& context) { return ::PrintTextLines(context, lines); });
    }
}

TCapturePrint TPrintCommands::PrintScrolledCapture() {
    if (!Services.Printer.HasPrinter())
        return TCapturePrint::NoPrinter;
    // A failing printer is told by PrintImagePage; the capture is stored all the same.
    return PrintImagePage() ? TCapturePrint::Printed : TCapturePrint::Failed;
}

TCapturePrint TPrintCommands::PrintAfterCapture(bool stretch) {
    // On a desktop without any printer every capture would end in the printer message; the
    // intake tells that once, quietly, instead.
    if (!Services.Printer.HasPrinter())
        return TCapturePrint::NoPrinter;
    // A failing printer is told by PrintCapture.
    const TPrinterOrientation orientation = Services.Printer.Orientation();
    return PrintCapture(stretch ? 1 : 0, PrintCaptureWidthText(orientation),
                        PrintCaptureHeightText(orientation))
               ? TCapturePrint::Printed
               : TCapturePrint::Failed;
}
