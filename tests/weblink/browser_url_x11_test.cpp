// The browser query against a real Chromium on the test's X server.
#include "platform/windows.h"
#include "weblink/browser_url.h"

#include "tests/scripts/skip_outside_ci.h"
#include "tests/weblink/chromium_helper.h"

namespace {

// The address the capture would keep for the window in front.
QString AddressOfForeground(IWindows& windows, const TBrowserQueryOptions& options) {
    return PendingAddressFromAnswer(
               GetBrowserURL(windows.ClassName(windows.ForegroundWindow()), options))
        .URL;
}

} // namespace

TEST(BrowserURLWithChromium, AnswersThePageOfTheBrowserInFrontAndNothingForOthers) {
    if (!TChromium::Installed())
        KARVIN_SKIP_OUTSIDE_CI("chromium is not installed; scripts/install-deps installs it");
    TChromium chromium;
    ASSERT_TRUE(chromium.Start("Karvin test page"));
    const TBrowserQueryOptions& options = chromium.Options;
    const QString& pageAddress = chromium.PageAddress;

    TX11Windows windows;
    const TWindowId browserWindow = chromium.WaitForWindowInFront(windows);
    ASSERT_NE(browserWindow, 0u) << "no Chromium window came to the front; its log:\n"
                                 << chromium.Log();
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
