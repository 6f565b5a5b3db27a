// From the hot key to the stored file: PrintScreen pressed through XTest, as a user would,
// until the running main window, waiting in the tray, has written the capture of a 1920x1080
// screen as the next pic file (BMP and PNG) and listed it. Everything is real: the X hot
// keys, the shared-memory grab, the clipboard, the file written through a temporary file.
//
// Needs an X server; without one it runs itself on a private 1920x1080 Xvfb with a window
// manager. The screen shows in turn the terminal full of text and the photograph of
// bench_screens.h (or only the picture of --screen=FILE), so that the PNG encoder has real
// work. bench/capture_compare.sh times "karvin capture" and other programs on the same
// pictures.
#include "app/real_services.h"
#include "imaging/format_registry.h"
#include "store/settings.h"
#include "store/work_folder.h"
#include "tests/app/frm_main_driver.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

// X headers come after every Qt header.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

// Puts the picture on the root window, where every program's grab finds it. ImageMagick's
// display ends with status 1 even when it has done so: the screen itself is asked.
bool ShowOnScreen(const QString& picture) {
    QProcess::execute("/usr/bin/display", {"-window", "root", picture});
    const TDibGraphic shown = LoadImageFile(QFile::encodeName(picture).toStdString());
    TX11Screen screen;
    const TDibGraphic grab = screen.GrabScreenRect(QRect(0, 0, shown.Width(), shown.Height()));
    return grab.Width() == shown.Width() && grab.Height() == shown.Height() &&
           std::equal(grab.Bits(), grab.Bits() + grab.ImageSize(), shown.Bits());
}

void HotKeyToStoredFile(benchmark::State& state, int format, const QString& picture) {
    if (!ShowOnScreen(picture)) {
        state.SkipWithError("the screen does not show the picture");
        return;
    }
    TSettingsRecord settings;
    settings.PrintSelection = 2; // "Capture Only"
    settings.DefaultFormat = format;
    settings.StartMinimized = 1;
    EnsureWorkFolder();
    WriteSettings(settings);

    TRealServices services; // "Capture Only": nothing is printed
    TfrmMainDriver window(services.Services());
    // Waiting in the tray, as most of the time.
    window.ShowTimer()->stop();

    Display* user = XOpenDisplay(nullptr);
    const KeyCode printScreen = XKeysymToKeycode(user, XK_Print);
    for (auto _ : state) {
        XTestFakeKeyEvent(user, printScreen, True, CurrentTime);
        XTestFakeKeyEvent(user, printScreen, False, CurrentTime);
        XFlush(user);
        while (window.Paths().isEmpty())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

        state.PauseTiming();
        std::filesystem::remove(QFile::encodeName(window.Paths().first()).toStdString());
        window.List()->Clear();
        state.ResumeTiming();
    }
    XCloseDisplay(user);
}

void RegisterBenchmarks(const std::vector<std::pair<QString, QString>>& screens) {
    for (const auto& [name, picture] : screens)
        for (const auto& [formatName, format] : {std::pair{"BMP", 0}, std::pair{"PNG", 4}})
            benchmark::RegisterBenchmark(
                ("HotKeyToStoredFile/" + QString(formatName) + "/" + name).toStdString().c_str(),
                HotKeyToStoredFile, format, picture)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::vector<char*> command{const_cast<char*>(KARVIN_SOURCE_DIR "/tests/scripts/with-xvfb"),
                                   const_cast<char*>("--wm"), const_cast<char*>("--size"),
                                   const_cast<char*>("1920x1080x24"), const_cast<char*>("--")};
        command.insert(command.end(), argv, argv + argc);
        command.push_back(nullptr);
        execv(command[0], command.data());
        std::perror("capture_bench: cannot start a private X server");
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QTemporaryDir scratch;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(scratch.filePath("cache")));

    const char* option = "--screen=";
    std::vector<std::pair<QString, QString>> screens;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], option, std::strlen(option)) == 0)
            screens.emplace_back("screen", QFile::decodeName(argv[i] + std::strlen(option)));
    QApplication app(argc, argv);
    if (screens.empty()) {
        for (const QString name : {"terminal", "photo"}) {
            const QString picture = scratch.filePath(name + ".bmp");
            QProcess::execute(QCoreApplication::applicationDirPath() + "/codecs_bench",
                              {"--write-screen=" + name + ":" + picture});
            screens.emplace_back(name, picture);
        }
    }
    RegisterBenchmarks(screens);

    std::vector<char*> arguments;
    for (int i = 0; i < argc; ++i)
        if (std::strncmp(argv[i], option, std::strlen(option)) != 0)
            arguments.push_back(argv[i]);
    int count = int(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
