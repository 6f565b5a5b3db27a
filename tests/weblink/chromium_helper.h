// Debian's chromium on the test's X server, showing a local page, with a DevTools endpoint
// whose port it writes into the profile's DevToolsActivePort file, as the browser address
// query expects. Stopped when the helper goes.
#pragma once

#include "platform/windows.h"
#include "weblink/browser_url.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include "tests/platform/x11_helpers.h"

class TChromium {
public:
    TChromium() : Options{Scratch.filePath("home"), Scratch.filePath("config"), 10000} {}
    ~TChromium() {
        if (Browser.state() == QProcess::NotRunning)
            return;
        Browser.terminate();
        if (!Browser.waitForFinished(10000)) {
            Browser.kill();
            Browser.waitForFinished(5000);
        }
    }
    TChromium(const TChromium&) = delete;
    TChromium& operator=(const TChromium&) = delete;

    static bool Installed() { return !QStandardPaths::findExecutable("chromium").isEmpty(); }

    // Starts the browser on a page titled `title` that shows `body`; false when it does not
    // start.
    bool Start(const QString& title, const QByteArray& body = "<p>Captured from a browser.") {
        if (!Scratch.isValid())
            return false;
        const QString page = Scratch.filePath("page.html");
        QFile file(page);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write("<!doctype html><title>" + title.toUtf8() + "</title>" + body);
        file.close();
        PageAddress = QUrl::fromLocalFile(page).toString();

        // The profile lies in the config folder the query searches.
        QDir().mkpath(Options.HomeFolder);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", Options.HomeFolder);
        environment.insert("XDG_CONFIG_HOME", Options.ConfigFolder);
        environment.remove("WAYLAND_DISPLAY");
        Browser.setProcessEnvironment(environment);
        // The browser talks a lot on stderr; kept for when a test fails.
        Browser.setStandardOutputFile(LogPath());
        Browser.setStandardErrorFile(LogPath());
        Browser.start(QStandardPaths::findExecutable("chromium"),
                      {"--no-sandbox", "--disable-gpu", "--no-first-run",
                       "--no-default-browser-check", "--disable-background-networking",
                       "--disable-component-update", "--disable-sync", "--password-store=basic",
                       "--ozone-platform=x11",
                       "--user-data-dir=" + Options.ConfigFolder + "/chromium",
                       "--remote-debugging-port=0", PageAddress});
        return Browser.waitForStarted(10000);
    }

    // Waits until a Chromium window is the foreground window; 0 when none came.
    TWindowId WaitForWindowInFront(IWindows& windows, int timeoutMs = 60000) {
        TWindowId found = 0;
        WaitUntil(
            [&] {
                const TWindowId front = windows.ForegroundWindow();
                if (BrowserKindOfClass(windows.ClassName(front)) != bkChromium)
                    return false;
                found = front;
                return true;
            },
            timeoutMs);
        return found;
    }

    QString LogPath() const { return Scratch.filePath("chromium.log"); }
    std::string Log() const {
        QFile file(LogPath());
        return file.open(QIODevice::ReadOnly) ? file.read(20000).toStdString() : std::string();
    }

    QTemporaryDir Scratch;
    TBrowserQueryOptions Options;
    QString PageAddress;
    QProcess Browser;
};
