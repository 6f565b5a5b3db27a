#include "app/app_icon.h"
#include "app/desktop_command_line.h"
#include "app/frm_main.h"
#include "app/real_services.h"
#include "platform/session.h"
#include "platform/session_end.h"
#include "platform/single_instance.h"

#include <QApplication>
#include <cstdio>
#include <cstring>
#include <sys/prctl.h>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer build reports leaks at exit; these are the system libraries' own, which
// would otherwise fail every run of the program.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\nleak:libfontconfig.so\n";
}
extern "C" const char* __lsan_default_options() {
    return "print_suppressions=0";
}
#endif

namespace {

int RunKarvin(int argc, char** argv) {
    QApplication application(argc, argv);
    // The window may be hidden in the tray while a message box closes: only the main
    // window's own close ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(KarvinIcon());
    TQtDialogs dialogs;

    TSingleInstance instance;
    switch (instance.Acquire()) {
    case TInstanceLock::Acquired:
        break;
    case TInstanceLock::HeldByAnother:
        dialogs.Message(nullptr, "Warning", "Karvin is already running.", TMsgIcon::Critical, mbOK);
        instance.AskRunningToShow();
        return 0;
    case TInstanceLock::Unusable:
        // Two Karvins would share one working folder, and the first to end would delete the
        // other's captures: better not start at all.
        std::fprintf(stderr, "karvin: %s\n", instance.Problem().toLocal8Bit().constData());
        dialogs.Message(nullptr, "Error", instance.Problem(), TMsgIcon::Critical, mbOK);
        return 1;
    }

    TRealServices services;
    TfrmMain frmMain(services.Services());
    QObject::connect(&frmMain, &TfrmMain::MainWindowClosed, &application, &QApplication::quit,
                     Qt::QueuedConnection);
    // "karvin trigger" is the PrintScreen hot key for desktops that keep the key themselves.
    instance.Listen([&frmMain] { frmMain.ShowKarvin1Click(); },
                    [&frmMain] { frmMain.WMHotKey(HotKeyPrintScreen); });
    // Logging out or "kill" ends Karvin in order, keeping the captures for the next start.
    WatchSessionEnd([&frmMain] {
        QEvent sessionEnd(SessionEndEvent);
        QCoreApplication::sendEvent(&frmMain, &sessionEnd);
    });
    return QApplication::exec();
}

// The tray program is an X11 client, in a Wayland session too (through XWayland): Qt is
// held to its X11 platform, and a missing display is said in one line instead of Qt's
// platform plugin error. Qt's headless platforms, asked for by name, need no display; a
// platform or display given on the command line is left to Qt.
bool ReadyForX11(int argc, char** argv) {
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (platform == "offscreen" || platform == "minimal")
        return true;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "-display") == 0)
            return true;
    qputenv("QT_QPA_PLATFORM", "xcb");
    if (X11DisplayReachable())
        return true;
    const QString display = qEnvironmentVariable("DISPLAY");
    const QString why = display.isEmpty() ? QString("DISPLAY is not set")
                                          : "the display \"" + display + "\" cannot be reached";
    std::fprintf(stderr,
                 "karvin: Karvin needs an X11 session, and %s; without one only \"karvin "
                 "convert\", \"info\", \"transform\" and \"print\" work (karvin --help).\n",
                 why.toLocal8Bit().constData());
    return false;
}

// Started through the front end, the process keeps its id but the kernel names it after
// this file; it takes the name it was started by again, so that tools that find it by name
// (pgrep, killall, the task manager) see "karvin" as before.
void KeepProcessName(const char* argv0) {
    if (!argv0)
        return;
    const char* slash = std::strrchr(argv0, '/');
    const char* name = slash ? slash + 1 : argv0;
    if (*name)
        prctl(PR_SET_NAME, name, 0, 0, 0);
}

} // namespace

int main(int argc, char** argv) {
    KeepProcessName(argv[0]);
    if (auto exitCode = RunCommandLine(argc, argv))
        return *exitCode;
    if (!ReadyForX11(argc, argv))
        return 1;
    return RunKarvin(argc, argv);
}
