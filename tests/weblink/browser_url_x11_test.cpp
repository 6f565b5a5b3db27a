// The browser query against a real Chromium on the test's X server.
#include "platform/windows.h"
#include "weblink/browser_url.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include "tests/platform/x11_helpers.h"

namespace {

// The address the capture would keep for the window in front.
QString AddressOfForeground(IWindows& windows, const TBrowserQueryOptions& options) {
    TBrowserKind kind = BrowserKindOfClass(windows.ClassName(windows.ForegroundWindow()));
    return PendingAddressFromAnswer(GetBrowserURL(kind, options)).URL;
}

std::string ReadLog(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(20000).toStdString() : std::string();
}

} // namespace

TEST(BrowserURLWithChromium, AnswersThePageOfTheBrowserInFrontAndNothingForOthers) {
    QString chromium = QStandardPaths::findExecutable("chromium");
    if (chromium.isEmpty())
        GTEST_SKIP() << "chromium is not installed; scripts/install-deps installs it";

    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    QString page = scratch.filePath("page.html");
    QFile file(page);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<!doctype html><title>Karvin test page</title><p>Captured from a browser.");
    file.close();
    QString pageAddress = QUrl::fromLocalFile(page).toString();

    // The profile in the config folder the query searches, with a port the browser picks
    // and writes into DevToolsActivePort.
    TBrowserQueryOptions options{scratch.filePath("home"), scratch.filePath("config"), 10000};
    QDir().mkpath(options.HomeFolder);
    QProcess browser;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", options.HomeFolder);
    environment.insert("XDG_CONFIG_HOME", options.ConfigFolder);
    environment.remove("WAYLAND_DISPLAY");
    browser.setProcessEnvironment(environment);
    // The browser talks a lot on stderr; keep it for when the test fails.
    QString log = scratch.filePath("chromium.log");
    browser.setStandardOutputFile(log);
    browser.setStandardErrorFile(log);
    browser.start(chromium,
                  {"--no-sandbox", "--disable-gpu", "--no-first-run", "--no-default-browser-check",
                   "--disable-background-networking", "--disable-component-update",
                   "--disable-sync", "--password-store=basic", "--ozone-platform=x11",
                   "--user-data-dir=" + options.ConfigFolder + "/chromium",
                   "--remote-debugging-port=0", pageAddress});
    ASSERT_TRUE(browser.waitForStarted(10000));
    struct TStop {
        QProcess& Process;
        ~TStop() {
            Process.terminate();
            if (!Process.waitForFinished(10000)) {
                Process.kill();
                Process.waitForFinished(5000);
            }
        }
    } stop{browser};

    TX11Windows windows;
    TWindowId browserWindow = 0;
    ASSERT_TRUE(WaitUntil(
        [&] {
            TWindowId front = windows.ForegroundWindow();
            if (BrowserKindOfClass(windows.ClassName(front)) != bkChromium)
                return false;
            browserWindow = front;
            return true;
        },
        60000))
        << "no Chromium window came to the front; its log:\n"
        << ReadLog(log);
    EXPECT_TRUE(
        WaitUntil([&] { return AddressOfForeground(windows, options) == pageAddress; }, 30000))
        << "last answer: " << AddressOfForeground(windows, options).toStdString();

    // Another program's window in front: not a browser, not asked, no address.
    TOtherClient other;
    Window editor = other.CreateWindow(QRect(0, 0, 300, 200), "editor", "Editor", "editor");
    ASSERT_TRUE(other.MapAndWait(editor));
    ASSERT_TRUE(WaitUntil([&] { return windows.ForegroundWindow() == editor; }));
    EXPECT_EQ(AddressOfForeground(windows, options), "");

    // The browser in front again.
    ASSERT_TRUE(windows.SetForegroundWindow(browserWindow));
    ASSERT_TRUE(WaitUntil([&] { return windows.ForegroundWindow() == browserWindow; }));
    EXPECT_EQ(AddressOfForeground(windows, options), pageAddress);
}
