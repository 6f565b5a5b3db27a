#include "app/cli_print.h"

#include "imaging/format_registry.h"
#include "output/frm_print_error.h"
#include "output/print_layouts.h"
#include "platform/printer.h"
#include "platform/screen.h"
#include "platform/x11_display.h"

#include <QFile>
#include <QGuiApplication>

#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace {

constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

// Without a display, images are measured against a common screen.
const QSize ScreenWithoutDisplay(1920, 1080);

const std::map<std::string, TPrintLayout>& Layouts() {
    static const std::map<std::string, TPrintLayout> layouts = {
        {"image", PrintImages},
        {"caption-above",
         [](const TPrintContext& c, const QStringList& paths) {
             PrintCaptioned(c, paths, {TCaptionPlace::Above, false, QString()});
         }},
        {"caption-below",
         [](const TPrintContext& c, const QStringList& paths) {
             PrintCaptioned(c, paths, {TCaptionPlace::Below, false, QString()});
         }},
        {"date-above",
         [](const TPrintContext& c, const QStringList& paths) {
             PrintCaptioned(c, paths, {TCaptionPlace::Above, true, QString()});
         }},
        {"date-below",
         [](const TPrintContext& c, const QStringList& paths) {
             PrintCaptioned(c, paths, {TCaptionPlace::Below, true, QString()});
         }},
        {"stretch", PrintStretched},
        {"many", PrintManyToAPage},
        {"thumbnails", PrintThumbnails},
    };
    return layouts;
}

struct TPrintArguments {
    std::string Layout = "image";
    std::optional<QString> Caption;
    std::optional<QString> Printer;
    std::optional<QString> PdfFile;
    QStringList Images;
};

int UsageError(const std::string& message) {
    std::fprintf(stderr, "karvin print: %s; see karvin --help\n", message.c_str());
    return ExitUsage;
}

void Complain(const QString& message) {
    std::fprintf(stderr, "karvin print: %s\n", message.toLocal8Bit().constData());
}

// The command line's own host: images are read from their files, nothing is shown, and what
// the window would tell the user goes to the error output.
class TCommandLinePrintHost : public IPrintHost {
public:
    explicit TCommandLinePrintHost(std::optional<QString> caption) : Caption_(std::move(caption)) {}
    bool Failed = false;

    const TDibGraphic* LoadImage(const QString& path) override {
        if (!QFile::exists(path))
            return nullptr;
        Image_ = LoadImageFile(QFile::encodeName(path).toStdString());
        return &Image_;
    }
    TDibGraphic ViewPicture() override { return {}; }
    void ShowInView(const TDibGraphic&) override {}
    const TDibGraphic& PassThroughClipboard(const TDibGraphic& picture) override { return picture; }
    void ProcessEvents() override {}
    // Printers take each job as it comes; only the window lets a printer breathe between
    // slices.
    void WaitSeconds(double) override {}
    void RefuseImage(const QString& path) override {
        Complain(PrintErrorMessage(path));
        Failed = true;
    }
    void ShowPrinterFailure(const QString& detail) override {
        Complain(detail);
        Failed = true;
    }
    std::optional<QString> AskCaption(const QString&) override { return Caption_; }
    void SetProgress(int, int) override {}
    void EndProgress() override {}

private:
    std::optional<QString> Caption_;
    TDibGraphic Image_;
};

// The arguments, or the exit code of a wrong command line.
std::optional<TPrintArguments> ParsePrintArguments(int argc, char** argv, int& exitCode) {
    TPrintArguments arguments;
    auto value = [&](int& i, const char* option) -> std::optional<QString> {
        if (i + 1 >= argc) {
            exitCode = UsageError(std::string(option) + " needs a value");
            return std::nullopt;
        }
        return QString::fromLocal8Bit(argv[++i]);
    };
    bool onlyImages = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (onlyImages || argument.empty() || argument[0] != '-' || argument == "-") {
            arguments.Images << QString::fromLocal8Bit(argv[i]);
        } else if (argument == "--") {
            onlyImages = true;
        } else if (argument == "--layout") {
            const auto layout = value(i, "--layout");
            if (!layout)
                return std::nullopt;
            arguments.Layout = layout->toStdString();
            if (!Layouts().count(arguments.Layout)) {
                exitCode = UsageError("unknown layout \"" + arguments.Layout + "\"");
                return std::nullopt;
            }
        } else if (argument == "--caption") {
            if (!(arguments.Caption = value(i, "--caption")))
                return std::nullopt;
        } else if (argument == "--printer") {
            if (!(arguments.Printer = value(i, "--printer")))
                return std::nullopt;
        } else if (argument == "--pdf") {
            if (!(arguments.PdfFile = value(i, "--pdf")))
                return std::nullopt;
        } else {
            exitCode = UsageError("unknown option " + argument);
            return std::nullopt;
        }
    }
    if (arguments.Printer && arguments.PdfFile) {
        exitCode = UsageError("--printer and --pdf exclude each other");
        return std::nullopt;
    }
    if (arguments.Images.isEmpty()) {
        exitCode = UsageError("needs the image files to print");
        return std::nullopt;
    }
    return arguments;
}

// Every image must be readable before paper is spent on any of them.
bool AllImagesReadable(const QStringList& images) {
    bool readable = true;
    for (const QString& path : images) {
        try {
            LoadImageFile(QFile::encodeName(path).toStdString());
        } catch (const std::exception& error) {
            Complain(path + ": " + QString::fromLocal8Bit(error.what()));
            readable = false;
        }
    }
    return readable;
}

} // namespace

int RunPrintCommand(int argc, char** argv) {
    int exitCode = 0;
    const std::optional<TPrintArguments> arguments = ParsePrintArguments(argc, argv, exitCode);
    if (!arguments)
        return exitCode;
    if (!AllImagesReadable(arguments->Images))
        return ExitFailed;

    // Images are measured against the screen they were most likely taken on: the display's
    // when there is one. Nothing is shown, so Qt runs off screen.
    QSize screenSize = ScreenWithoutDisplay;
    {
        TX11CommandLineDisplay display;
        const QSize displayed = display.Opened() ? TX11Screen().ScreenSize() : QSize();
        if (!displayed.isEmpty())
            screenSize = displayed;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    char programName[] = "karvin";
    char* qtArgv[] = {programName, nullptr};
    QGuiApplication application(qtArgc, qtArgv);

    try {
        TQtPrinter printer;
        if (arguments->PdfFile)
            printer.SelectPdfFile(*arguments->PdfFile);
        else if (arguments->Printer)
            printer.SelectPrinter(*arguments->Printer);
        else if (!printer.HasDestination()) {
            Complain("no printer is set up; name one with --printer or write a file with --pdf");
            return ExitFailed;
        }
        TCommandLinePrintHost host(arguments->Caption);
        const TPrintContext context{printer, host, screenSize};
        TPrintBatch batch(printer);
        Layouts().at(arguments->Layout)(context, arguments->Images);
        batch.End();
        return host.Failed ? ExitFailed : 0;
    } catch (const std::exception& error) {
        Complain(QString::fromLocal8Bit(error.what()));
        return ExitFailed;
    }
}
