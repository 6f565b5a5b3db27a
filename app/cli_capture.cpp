#include "app/cli_capture.h"

#include "capture/capture_file.h"
#include "capture/capture_rect.h"
#include "capture/mouse_pointer.h"
#include "imaging/convert_to_gray_transform.h"
#include "imaging/negative_transform.h"
#include "platform/screen.h"
#include "platform/single_instance.h"
#include "platform/windows.h"
#include "platform/x11_display.h"
#include "store/settings.h"
#include "store/work_folder.h"
#include "widgets/capture_formats.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

namespace {

enum class TCliMethod { FullScreen, ActiveWindow, ClientArea };

struct TCaptureArguments {
    TCliMethod Method = TCliMethod::FullScreen;
    std::optional<std::string> Output;
};

std::optional<TCaptureArguments> ParseCaptureArguments(int argc, char** argv) {
    TCaptureArguments arguments;
    bool methodGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "-o" && i + 1 < argc && !arguments.Output)
            arguments.Output = argv[++i];
        else if (!methodGiven &&
                 (argument == "full" || argument == "window" || argument == "client")) {
            methodGiven = true;
            arguments.Method = argument == "full"     ? TCliMethod::FullScreen
                               : argument == "window" ? TCliMethod::ActiveWindow
                                                      : TCliMethod::ClientArea;
        } else
            return std::nullopt;
    }
    return arguments;
}

QRect CaptureRectOf(TCliMethod method, IWindows& windows, IScreen& screen) {
    switch (method) {
    case TCliMethod::ActiveWindow:
        return ActiveWindowRect(windows, screen);
    case TCliMethod::ClientArea:
        return ActiveClientRect(windows, screen);
    case TCliMethod::FullScreen:
        break;
    }
    return FullScreenRect(screen);
}

int Fail(const std::string& text) {
    std::fprintf(stderr, "karvin capture: %s\n", text.c_str());
    return 1;
}

} // namespace

int RunCaptureCommand(int argc, char** argv) {
    const std::optional<TCaptureArguments> arguments = ParseCaptureArguments(argc, argv);
    if (!arguments) {
        std::fprintf(stderr, "Usage: %s\n", CaptureCommandUsage);
        return 2;
    }
    if (arguments->Output && !FindImageFileFormat(FileExtension(*arguments->Output))) {
        std::fprintf(stderr,
                     "karvin capture: %s: Graphic files of %s format are not supported "
                     "or not registered\n",
                     arguments->Output->c_str(), FileExtension(*arguments->Output).c_str());
        return 2;
    }

    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return Fail("no X11 display (DISPLAY is not set)");
    // The screen and the windows work on this display; they go before it.
    TX11CommandLineDisplay display;
    if (!display.Opened())
        return Fail("cannot open the X11 display \"" +
                    qEnvironmentVariable("DISPLAY").toStdString() + "\"");
    const TSettingsRecord settings = ReadSettingsOrDefault();
    QRect rect;
    TDibGraphic image;
    std::uint64_t screenColorCount = 0;
    {
        // The screen keeps a shared-memory segment of a whole screen for its grabs; it goes
        // before the file is written, so that one picture of the screen is in memory then.
        TX11Screen screen;
        TX11Windows windows;
        // The capture carries the screen's resolution, as the tray program's do.
        SetScreenLogicalDpi(screen.ScreenDpi());
        rect = CaptureRectOf(arguments->Method, windows, screen);
        image = screen.GrabScreenRect(rect);
        if (image.Empty())
            return Fail(rect.isEmpty() ? "the window is not on the screen"
                                       : "the screen cannot be read");
        if (settings.MouseCursor == 1) {
            const QPoint pointer = screen.PointerPos() - rect.topLeft();
            PaintMousePointer(image, pointer.x(), pointer.y());
        }
        screenColorCount = screen.ScreenColorCount();
    }
    if (settings.GrayScale == 1)
        TConvertToGrayTransform().Apply(image);
    if (settings.Negative == 1)
        TNegativeTransform().Apply(image);

    std::string path;
    try {
        path = arguments->Output ? *arguments->Output
                                 : NextImageName(std::filesystem::current_path().string(),
                                                 CaptureFormatExtension(settings.CaptureFormat()));
        PrepareCaptureForFile(image, path, screenColorCount, false);
        WriteCaptureFile(image, path);
    } catch (const std::exception& error) {
        return Fail(path.empty() ? error.what() : path + ": " + error.what());
    }
    std::printf("%s\n", path.c_str());
    return 0;
}

int RunTriggerCommand(int argc, char**) {
    if (argc != 1) {
        std::fprintf(stderr, "Usage: %s\n", TriggerCommandUsage);
        return 2;
    }
    int qtArgc = 1;
    char programName[] = "karvin";
    char* qtArgv[] = {programName, nullptr};
    QCoreApplication application(qtArgc, qtArgv);
    TSingleInstance instance;
    if (!instance.AskRunningToCapture()) {
        std::fprintf(stderr, "karvin trigger: %s\n", instance.Problem().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
