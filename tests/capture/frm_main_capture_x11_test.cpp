// The capture on a real X server with a window manager: the keys pressed as the user would
// (XTest), the real hot keys, screen, windows and clipboard; what lands in the working
// folder, the list, the status line and the clipboard, and which window is active after.
#include "app/frm_configure.h"
#include "imaging/format_registry.h"
#include "platform/dib_qimage.h"
#include "tests/scripts/skip_outside_ci.h"
#include "weblink/browser_url.h"
#include "widgets/image_scroll_box.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

// X headers come after every Qt header.
#include "tests/capture/main_window_x11_fixture.h"
#include "tests/weblink/chromium_helper.h"

#include <X11/keysym.h>

namespace {

std::vector<uint32_t> Pixels(const TDibGraphic& image) {
    std::vector<uint32_t> pixels;
    pixels.reserve(std::size_t(image.Width()) * std::size_t(image.Height()));
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            pixels.push_back(image.Pixel(x, y));
    return pixels;
}

class CaptureX11 : public TMainWindowX11<TFakeDialogs> {
protected:
    // Karvin started and shown, as two seconds after its start.
    std::unique_ptr<TfrmMainDriver> StartShown(IBrowserURLs& browsers) {
        auto window = StartMain(browsers);
        window->ShowMainTimerTimer();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return window;
    }
    // Another program's dialog, which the window manager frames at its own size, with a
    // pattern in it; made the active window.
    Window ShowEditor() {
        Window editor = User.CreateWindow(QRect(200, 150, 300, 180), "editor", "Editor", "notes");
        Atom dialog = XInternAtom(User.Dpy(), "_NET_WM_WINDOW_TYPE_DIALOG", False);
        User.SetProperty(editor, "_NET_WM_WINDOW_TYPE", "ATOM", 32, &dialog, 1);
        EXPECT_TRUE(User.MapAndWait(editor));
        EXPECT_TRUE(Windows.SetForegroundWindow(editor));
        EXPECT_TRUE(WaitUntil([&] { return Windows.ForegroundWindow() == editor; }));
        Settle(200);
        User.Paint(editor, TestPattern(300, 180));
        return editor;
    }
    // Presses the keys and waits until the capture is listed.
    bool CaptureWith(TfrmMainDriver& window, std::initializer_list<KeySym> keys) {
        const auto rows = window.Paths().size();
        User.PressKeys(keys);
        return WaitUntil([&] { return window.Paths().size() == rows + 1; }, 10000);
    }
    std::string WorkFile(const std::string& name) const { return (Work() / name).string(); }
};

} // namespace

TEST_F(CaptureX11, PrintScreenAndCtrlAltPStoreTheScreenAndGiveTheFocusBack) {
    PutCaptureSettings(0);
    auto window = StartShown(Browsers);
    ASSERT_TRUE(window->StatusText().isEmpty()) << window->StatusText().toStdString();
    const Window editor = ShowEditor();

    int stored = 0;
    for (auto keys : {std::initializer_list<KeySym>{XK_Print},
                      std::initializer_list<KeySym>{XK_Control_L, XK_Alt_L, XK_p}}) {
        ASSERT_TRUE(CaptureWith(*window, keys)) << "capture " << stored + 1;
        const std::string name = "pic" + std::to_string(++stored) + ".bmp";

        // Nothing on the screen has changed since: the file holds the screen as it is.
        const TDibGraphic screen = Screen.GrabScreenRect(QRect(QPoint(0, 0), Screen.ScreenSize()));
        const TDibGraphic file = LoadImageFile(WorkFile(name));
        EXPECT_EQ(file.Width(), screen.Width());
        EXPECT_EQ(Pixels(file), Pixels(screen)) << name;
        // The editor's pattern is there, not covered by Karvin's window.
        const QRect client = *Windows.ClientRect(editor);
        TDibGraphic inFile;
        inFile.NewImage(client.width(), client.height(), ifTrueColor);
        for (int y = 0; y < client.height(); ++y)
            for (int x = 0; x < client.width(); ++x)
                inFile.SetPixel(x, y, file.Pixel(client.x() + x, client.y() + y));
        EXPECT_EQ(Pixels(inFile), Pixels(TestPattern(300, 180))) << name;
        const std::optional<QByteArray> png = User.ReadSelection("CLIPBOARD", "image/png");
        ASSERT_TRUE(png.has_value()) << name;
        EXPECT_EQ(Pixels(QImageToDib(QImage::fromData(*png, "PNG"))), Pixels(screen)) << name;

        EXPECT_EQ(Sound.Beeps, stored);
        EXPECT_EQ(window->List()->topLevelItem(stored - 1)->text(1), QString::fromStdString(name));
        EXPECT_EQ(window->List()->selectedItems(),
                  QList<QTreeWidgetItem*>{window->List()->topLevelItem(stored - 1)});
        EXPECT_EQ(window->StatusText().toStdString(),
                  WorkFile(name) + ", " + std::to_string(screen.Width()) + "x" +
                      std::to_string(screen.Height()) + ", High Color");
        EXPECT_TRUE(WaitUntil([&] { return Windows.ForegroundWindow() == editor; })) << name;
        EXPECT_FALSE(window->isVisible() && !window->isMinimized());
    }
    EXPECT_TRUE(Dialogs.Calls.empty());
}

TEST_F(CaptureX11, AHotKeyChosenInTheSettingsWindowCapturesAndTheOldOneNoLonger) {
    PutCaptureSettings(0);
    auto window = StartShown(Browsers);
    // Control+Shift+K instead of Control+Alt+P, saved in the window as the user would.
    Dialogs.ModalScripts.push_back([](QDialog& dialog) {
        auto& configure = dynamic_cast<TfrmConfigure&>(dialog);
        configure.cbAlt->click();
        configure.cbShift->click();
        configure.cboKeys->setCurrentIndex(12 + ('K' - 'A'));
        configure.btnOK->click();
        return configure.result();
    });

    window->Entry("&Setup", "&Karvin")->trigger();
    ASSERT_TRUE(Dialogs.AllAnswersUsed());
    ASSERT_TRUE(window->StatusText().isEmpty()) << window->StatusText().toStdString();

    User.PressKeys({XK_Control_L, XK_Alt_L, XK_p});
    Settle(1500);
    EXPECT_TRUE(window->Paths().empty()) << "the old key still captures";
    ASSERT_TRUE(CaptureWith(*window, {XK_Control_L, XK_Shift_L, XK_k}));
    EXPECT_TRUE(FileExists(WorkFile("pic1.bmp")));
    // PrintScreen is not the user's to change.
    ASSERT_TRUE(CaptureWith(*window, {XK_Print}));
    EXPECT_EQ(window->Paths().size(), 2);
}

TEST_F(CaptureX11, ActiveWindowAndItsClientAreaAreExactlyTheFrameAndClientRectangles) {
    auto window = StartShown(Browsers);
    const Window editor = ShowEditor();
    const QRect frame = *Windows.WindowRect(editor);
    const QRect client = *Windows.ClientRect(editor);
    ASSERT_NE(frame, client) << "the window manager put no frame around the dialog";

    int stored = 0;
    for (auto [method, rect] : {std::pair{1, frame}, std::pair{2, client}}) {
        PutCaptureSettings(method);
        ASSERT_TRUE(CaptureWith(*window, {XK_Print})) << method;
        const std::string name = "pic" + std::to_string(++stored) + ".bmp";
        const TDibGraphic file = LoadImageFile(WorkFile(name));
        ASSERT_EQ(QSize(file.Width(), file.Height()), rect.size()) << method;
        EXPECT_EQ(Pixels(file), Pixels(Screen.GrabScreenRect(rect))) << method;
        EXPECT_TRUE(WaitUntil([&] { return Windows.ForegroundWindow() == editor; })) << method;
    }
}

TEST_F(CaptureX11, ACaptureOfChromiumKeepsItsPageAddressAndOtherWindowsNone) {
    if (!TChromium::Installed())
        KARVIN_SKIP_OUTSIDE_CI("chromium is not installed; scripts/install-deps installs it");
    TChromium chromium;
    ASSERT_TRUE(chromium.Start("Karvin capture page"));
    TBrowserURLs browsers(chromium.Options);
    PutCaptureSettings(0);
    auto window = StartShown(browsers);
    const TWindowId browser = chromium.WaitForWindowInFront(Windows);
    ASSERT_NE(browser, 0u) << "no Chromium window came to the front; its log:\n" << chromium.Log();
    // The page has loaded once the browser names it.
    ASSERT_TRUE(WaitUntil(
        [&] {
            return PendingAddressFromAnswer(GetBrowserURL("chromium", chromium.Options)).URL ==
                   chromium.PageAddress;
        },
        30000));

    ASSERT_TRUE(CaptureWith(*window, {XK_Print}));
    EXPECT_EQ(window->URLs(), QStringList{chromium.PageAddress});

    const Window editor = ShowEditor();
    ASSERT_TRUE(CaptureWith(*window, {XK_Print}));
    EXPECT_EQ(window->URLs(), (QStringList{chromium.PageAddress, ""}));
    EXPECT_TRUE(WaitUntil([&] { return Windows.ForegroundWindow() == editor; }));
}
