// The hot key and the intake with every platform service faked: what the user finds in the
// working folder, the list, the status line and on the clipboard after pressing PrintScreen.
#include "tests/app/frm_main_fixture.h"

#include "capture/mouse_pointer.h"
#include "platform/dib_qimage.h"
#include "store/file_io.h"
#include "tests/imaging/test_images.h"
#include "widgets/image_scroll_box.h"

#include <QComboBox>
#include <QDialog>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

constexpr int ScreenWidth = 320;
constexpr int ScreenHeight = 200;
const QRect EditorFrame(40, 30, 200, 120);
const QRect EditorClient(44, 52, 192, 94);

struct TSettingsChange {
    TSettingsField Field;
    int32_t Value;
};

class Capture : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        Screen.Pixels = MakeNoise(ScreenWidth, ScreenHeight, 7);
        Editor = Windows.Add({"editor", "notes.txt - Editor", EditorFrame, EditorClient});
        Windows.Foreground = Editor;
    }

    // "Capture Only" into BMP files unless the changes say otherwise.
    void PutCaptureSettings(std::initializer_list<TSettingsChange> changes = {}) {
        TSettingsRecord record;
        record.PrintSelection = 2;
        for (const auto& change : changes)
            SettingsFieldRef(record, change.Field) = change.Value;
        PutSettings(record);
    }

    // Between the cases of a table: a closed window has already emptied the working folder
    // of its captures; the fakes forget what they saw.
    void ForgetWhatHappened() {
        Sound.Beeps = 0;
        Screen.Grabs.clear();
        Windows.Activated.clear();
        Windows.WaitedFor.clear();
        Tray.Messages.clear();
        Dialogs.Calls.clear();
        HotKeys.Log.clear();
    }

    bool PressPrintScreen() { return HotKeys.Press(0, VkPrintScreen); }
    bool PressCtrlAltP() { return HotKeys.Press(ModControl | ModAlt, 'P'); }

    std::string WorkFile(const std::string& name) const { return (Work() / name).string(); }
    TDibGraphic Stored(const std::string& name) const { return LoadImageFile(WorkFile(name)); }
    std::vector<std::string> Captures() const {
        std::vector<std::string> names;
        for (const auto& name : FilesLeft())
            if (name != "karvin.cfg")
                names.push_back(name);
        return names;
    }
    static std::vector<int> SelectedRows(const TfrmMainDriver& window) {
        std::vector<int> rows;
        for (int row = 0; row < window.List()->topLevelItemCount(); ++row)
            if (window.List()->topLevelItem(row)->isSelected())
                rows.push_back(row);
        return rows;
    }
    TDibGraphic ScreenPart(const QRect& rect) const {
        return MakeImage(rect.width(), rect.height(), [&](int x, int y) {
            return Screen.Pixels.Pixel(rect.x() + x, rect.y() + y);
        });
    }
    std::vector<uint32_t> ClipboardPixels() const { return Pixels(QImageToDib(Clipboard.Image)); }
    bool BothHotKeysRegistered() const {
        return HotKeys.IsRegistered(HotKeyPrintScreen) && HotKeys.IsRegistered(HotKeyUser);
    }

    TWindowId Editor = 0;
};

// What a JPEG file says about itself: the number of colour components and whether every
// quantisation table is all ones (quality 100).
struct TJpegFacts {
    int Components = 0;
    bool QualityHundred = true;
};
TJpegFacts ReadJpegFacts(const std::string& bytes) {
    TJpegFacts facts;
    std::size_t at = 2; // after the start-of-image marker
    while (at + 4 <= bytes.size() && uint8_t(bytes[at]) == 0xFF) {
        const uint8_t marker = uint8_t(bytes[at + 1]);
        const std::size_t length = uint8_t(bytes[at + 2]) * 256u + uint8_t(bytes[at + 3]);
        const std::size_t body = at + 4;
        if (marker == 0xDB) // quantisation tables: precision/id byte, then 64 values
            for (std::size_t table = body; table + 65 <= at + 2 + length; table += 65)
                for (std::size_t i = 1; i <= 64; ++i)
                    facts.QualityHundred = facts.QualityHundred && uint8_t(bytes[table + i]) == 1;
        if (marker == 0xC0 || marker == 0xC2)
            facts.Components = uint8_t(bytes[body + 5]);
        if (marker == 0xDA)
            break;
        at += 2 + length;
    }
    return facts;
}

} // namespace

TEST_F(Capture, PrintScreenStoresTheScreenListsItAndGivesTheFocusBack) {
    PutCaptureSettings();
    auto window = StartShown();
    ASSERT_TRUE(BothHotKeysRegistered());
    ForgetWhatHappened();

    ASSERT_TRUE(PressPrintScreen());

    EXPECT_EQ(Sound.Beeps, 1);
    ASSERT_EQ(Captures(), std::vector<std::string>{"pic1.bmp"});
    EXPECT_EQ(Pixels(Stored("pic1.bmp")), Pixels(Screen.Pixels));
    ASSERT_EQ(Rows(*window), QStringList{"pic1.bmp"});
    EXPECT_EQ(window->Paths(), QStringList{Path(WorkFile("pic1.bmp"))});
    EXPECT_EQ(window->URLs(), QStringList{""});
    EXPECT_EQ(SelectedRows(*window), std::vector<int>{0});
    EXPECT_EQ(window->StatusText(), Path(WorkFile("pic1.bmp")) + ", 320x200, High Color");
    EXPECT_EQ(ClipboardPixels(), Pixels(Screen.Pixels));
    EXPECT_EQ(Pixels(window->ImageView()->Graphic()), Pixels(Screen.Pixels));
    EXPECT_EQ(window->ImageView()->ZoomPercent(), 100.0f);
    EXPECT_EQ(window->ZoomBox()->currentText(), "View 100%");
    // Out of the way first, and only then the picture; the keys released meanwhile.
    EXPECT_TRUE(window->isMinimized() || window->isHidden());
    EXPECT_EQ(Windows.WaitedFor, std::vector<TWindowId>{TWindowId(window->winId())});
    EXPECT_EQ(HotKeys.Log.mid(0, 2), (QStringList{"Unregister 101", "Unregister 102"}));
    EXPECT_TRUE(BothHotKeysRegistered());
    EXPECT_EQ(Windows.Activated, std::vector<TWindowId>{Editor});
    EXPECT_EQ(Windows.Foreground, Editor);
    // Two grabs of the whole screen: the second is what is kept.
    EXPECT_EQ(Screen.Grabs, (std::vector<QRect>(2, QRect(0, 0, ScreenWidth, ScreenHeight))));
    EXPECT_TRUE(Dialogs.Calls.empty());

    // The user's combination does the same, into the next name.
    Screen.FillRect(QRect(0, 0, 50, 50), MakeColor(255, 0, 0));
    ASSERT_TRUE(PressCtrlAltP());

    EXPECT_EQ(Sound.Beeps, 2);
    ASSERT_EQ(Captures(), (std::vector<std::string>{"pic1.bmp", "pic2.bmp"}));
    EXPECT_EQ(Pixels(Stored("pic2.bmp")), Pixels(Screen.Pixels));
    EXPECT_EQ(window->List()->topLevelItem(1)->text(1), "pic2.bmp");
    EXPECT_EQ(SelectedRows(*window), std::vector<int>{1});
    EXPECT_EQ(window->StatusText(), Path(WorkFile("pic2.bmp")) + ", 320x200, High Color");
    EXPECT_EQ(Windows.Activated, (std::vector<TWindowId>{Editor, Editor}));
}

TEST_F(Capture, TheTrayMenuCapturesAsPrintScreenDoes) {
    PutCaptureSettings();
    auto window = StartShown();
    ForgetWhatHappened();
    ASSERT_TRUE(Tray.Menu);
    QAction* captureNow = Tray.Menu->actions().value(0);
    ASSERT_TRUE(captureNow);
    ASSERT_EQ(captureNow->text(), "&Capture Now");

    captureNow->trigger();

    EXPECT_EQ(Sound.Beeps, 1);
    ASSERT_EQ(Captures(), std::vector<std::string>{"pic1.bmp"});
    EXPECT_EQ(Pixels(Stored("pic1.bmp")), Pixels(Screen.Pixels));
    EXPECT_EQ(Rows(*window), QStringList{"pic1.bmp"});
    EXPECT_TRUE(window->isMinimized() || window->isHidden());
    EXPECT_TRUE(BothHotKeysRegistered());
    EXPECT_EQ(Windows.Activated, std::vector<TWindowId>{Editor});
}

TEST_F(Capture, ANoticeBesideTheTrayIconTellsWhatBecameOfEachCaptureAndLeavesBeforeTheNext) {
    struct TCase {
        const char* Name;
        bool TrayAvailable;
        int Choice; // "Print and Capture", "Print Only", "Capture Only"
        bool PrinterOffline;
        QStringList Notices;
    };
    const TCase cases[] = {
        {"capture only",
         true,
         2,
         false,
         {"Karvin|pic1.bmp, 320x200, kept", "Karvin|pic2.bmp, 320x200, kept"}},
        {"print and capture",
         true,
         0,
         false,
         {"Karvin|pic1.bmp, 320x200, printed and kept",
          "Karvin|pic2.bmp, 320x200, printed and kept"}},
        {"print only", true, 1, false, {"Karvin|320x200, printed", "Karvin|320x200, printed"}},
        // The printer message has told of the failure; the notice says what was kept.
        {"print and capture, printer failing",
         true,
         0,
         true,
         {"Karvin|pic1.bmp, 320x200, kept, not printed",
          "Karvin|pic2.bmp, 320x200, kept, not printed"}},
        {"print only, printer failing", true, 1, true, {}},
        {"no tray", false, 2, false, {}},
    };
    for (const TCase& c : cases) {
        ForgetWhatHappened();
        Tray.TrayAvailable = c.TrayAvailable;
        Printer.Offline = c.PrinterOffline;
        PutCaptureSettings({{sfPrintSelection, c.Choice}});
        auto window = StartShown();
        ForgetWhatHappened();
        Tray.MessageIcons.clear();
        if (c.PrinterOffline)
            Dialogs.MessageAnswers = {TMsgResult::OK, TMsgResult::OK};
        ASSERT_TRUE(PressPrintScreen()) << c.Name;
        // The desktop shows a notice (Qt's own is a tool-tip window) until the next capture.
        QWidget notice(nullptr, Qt::ToolTip);
        notice.show();

        ASSERT_TRUE(PressPrintScreen()) << c.Name;

        EXPECT_FALSE(notice.isVisible()) << c.Name;
        EXPECT_EQ(Tray.Messages, c.Notices) << c.Name;
        EXPECT_EQ(Tray.MessageIcons, std::vector<TTrayNoticeIcon>(std::size_t(c.Notices.size()),
                                                                  TTrayNoticeIcon::Information))
            << c.Name;
        // Only a failing printer has a message box of its own, the printer message as ever.
        EXPECT_EQ(Dialogs.Calls.size(), c.PrinterOffline ? 2u : 0u) << c.Name;
        for (const TDialogCall& call : Dialogs.Calls)
            EXPECT_TRUE(call.Text.startsWith("Your printer is not responding.")) << c.Name;
        window.reset();
    }
}

TEST_F(Capture, WithoutAnyPrinterACaptureToPrintIsKeptAndTheUserToldOnce) {
    const QString told =
        "Nothing was printed because no printer is set up. The capture is kept in the list.";
    for (int choice : {0, 1}) { // "Print and Capture", "Print Only"
        SCOPED_TRACE(choice);
        ForgetWhatHappened();
        Printer.NoPrinters = true;
        PutCaptureSettings({{sfPrintSelection, choice}});
        auto window = StartShown();
        ForgetWhatHappened();

        ASSERT_TRUE(PressPrintScreen());

        // Stored and listed as "Print and Capture" would, without a message box.
        EXPECT_TRUE(Dialogs.Calls.empty());
        EXPECT_TRUE(Printer.Jobs.empty());
        ASSERT_EQ(Captures(), std::vector<std::string>{"pic1.bmp"});
        EXPECT_EQ(Pixels(Stored("pic1.bmp")), Pixels(Screen.Pixels));
        EXPECT_EQ(Rows(*window), QStringList{"pic1.bmp"});
        EXPECT_FALSE(window->ImageView()->Graphic().Empty());
        EXPECT_EQ(window->StatusText(), told);
        EXPECT_EQ(Tray.Messages,
                  QStringList{"Karvin|pic1.bmp, 320x200, kept. Nothing was printed because no "
                              "printer is set up."});

        // Once a run: the next capture only says what became of it.
        ASSERT_TRUE(PressPrintScreen());

        EXPECT_TRUE(Dialogs.Calls.empty());
        ASSERT_EQ(Captures(), (std::vector<std::string>{"pic1.bmp", "pic2.bmp"}));
        EXPECT_EQ(window->StatusText(), Path(WorkFile("pic2.bmp")) + ", 320x200, High Color");
        EXPECT_EQ(Tray.Messages.value(1), "Karvin|pic2.bmp, 320x200, kept, not printed");
        EXPECT_TRUE(BothHotKeysRegistered());
        EXPECT_EQ(Windows.Activated, (std::vector<TWindowId>{Editor, Editor}));
        window.reset();
    }
    // Without a tray the status line says it all the same.
    ForgetWhatHappened();
    Tray.TrayAvailable = false;
    PutCaptureSettings({{sfPrintSelection, 0}});
    auto window = StartShown();
    ASSERT_TRUE(PressPrintScreen());
    EXPECT_TRUE(Dialogs.Calls.empty());
    EXPECT_EQ(window->StatusText(), told);
    EXPECT_TRUE(Tray.Messages.empty());
}

TEST_F(Capture, ActiveWindowAndClientAreaTakeTheirRectanglesCutToTheScreen) {
    struct TCase {
        const char* Name;
        int Method;
        QRect Frame, Client;
        QRect Expected; // the part of the screen stored
    };
    const TCase cases[] = {
        {"window", 1, EditorFrame, EditorClient, EditorFrame},
        {"client area", 2, EditorFrame, EditorClient, EditorClient},
        {"window past the edges", 1, {-10, 150, 200, 120}, {-6, 172, 192, 94}, {0, 150, 190, 50}},
        {"client past the edges", 2, {250, -20, 200, 120}, {254, 2, 192, 94}, {254, 2, 66, 94}},
    };
    int stored = 0;
    auto window = Start();
    for (const TCase& c : cases) {
        PutCaptureSettings({{sfCapSelection, c.Method}});
        Windows.Windows[Editor].Frame = c.Frame;
        Windows.Windows[Editor].Client = c.Client;

        ASSERT_TRUE(PressPrintScreen()) << c.Name;

        const std::string name = "pic" + std::to_string(++stored) + ".bmp";
        EXPECT_EQ(Pixels(Stored(name)), Pixels(ScreenPart(c.Expected))) << c.Name;
        EXPECT_EQ(ClipboardPixels(), Pixels(ScreenPart(c.Expected))) << c.Name;
    }
}

TEST_F(Capture, AWindowThatClosedOrIsOffTheScreen) {
    auto window = Start();
    // Closed between the hot key and the grab: the whole screen, as when no window is in
    // front.
    PutCaptureSettings({{sfCapSelection, 1}});
    Windows.Windows.erase(Editor);
    ASSERT_TRUE(PressPrintScreen());
    EXPECT_EQ(Pixels(Stored("pic1.bmp")), Pixels(Screen.Pixels));

    // Nothing of it on the screen: nothing to capture, no sound, the keys back.
    Windows.Foreground = Windows.Add({"editor", "Editor", {400, 10, 50, 50}, {402, 30, 46, 28}});
    ASSERT_TRUE(PressPrintScreen());
    EXPECT_EQ(Captures(), std::vector<std::string>{"pic1.bmp"});
    EXPECT_EQ(window->Paths().size(), 1);
    EXPECT_EQ(Sound.Beeps, 1);
    EXPECT_TRUE(BothHotKeysRegistered());
    EXPECT_TRUE(Dialogs.Calls.empty());
}

TEST_F(Capture, GreyAndNegativeStoreTheNegativeOfTheGreyImage) {
    PutCaptureSettings({{sfGrayScale, 1}, {sfNegative, 1}});
    auto window = Start();

    ASSERT_TRUE(PressPrintScreen());

    std::vector<uint32_t> expected;
    for (uint32_t color : Pixels(Screen.Pixels)) {
        const int grey =
            (299 * ColorRed(color) + 587 * ColorGreen(color) + 114 * ColorBlue(color)) / 1000;
        expected.push_back(Gray(255 - grey));
    }
    const TDibGraphic stored = Stored("pic1.bmp");
    EXPECT_EQ(stored.ImageFormat(), ifGray256);
    EXPECT_EQ(Pixels(stored), expected);
    EXPECT_EQ(ClipboardPixels(), expected);
    EXPECT_EQ(window->StatusText(), Path(WorkFile("pic1.bmp")) + ", 320x200, 256 gray colors");
}

TEST_F(Capture, ViewHundredPercentBringsBackTheColoursOfTheCaptureShownOnly) {
    auto window = StartShown();
    struct TCase {
        bool Grey;
        int Seed;
    };
    // A grey capture, then one in colour: "View 100%" must not bring back the first one's
    // colours over the second; and the next grey one gets its own colours back.
    for (const TCase c : {TCase{true, 1}, TCase{false, 2}, TCase{true, 3}}) {
        PutCaptureSettings({{sfGrayScale, c.Grey ? 1 : 0}});
        Screen.Pixels = MakeNoise(ScreenWidth, ScreenHeight, c.Seed);
        ASSERT_TRUE(PressPrintScreen());

        ChooseZoom(*window, "View 100%");

        EXPECT_EQ(Pixels(window->ImageView()->Graphic()), Pixels(Screen.Pixels)) << c.Seed;
        EXPECT_EQ(window->ImageView()->ZoomPercent(), 100.0f) << c.Seed;
    }
}

TEST_F(Capture, CapturesCarryTheScreensResolution) {
    // The resolution is the program's for images of every kind: later tests have 96 again.
    struct TUsualScreenAfter {
        ~TUsualScreenAfter() { SetScreenLogicalDpi(96); }
    } usualScreenAfter;
    Screen.Dpi = 120;
    auto window = Start();
    struct TCase {
        int Format;
        const char* Name;
    };
    for (const TCase c :
         {TCase{0, "pic1.bmp"}, TCase{2, "pic1.jpg"}, TCase{4, "pic1.png"}, TCase{6, "pic1.tif"}}) {
        PutCaptureSettings({{sfDefaultFormat, c.Format}});
        ASSERT_TRUE(PressPrintScreen()) << c.Name;
        const TDibGraphic stored = Stored(c.Name);
        EXPECT_EQ(stored.XDpi(), 120) << c.Name;
        EXPECT_EQ(stored.YDpi(), 120) << c.Name;
    }
}

TEST_F(Capture, ASettingsFileGoneWhileRunningIsWrittenAgainWithTheDefaults) {
    // The record alone, or the whole working folder, removed by a clean-up of the cache.
    for (bool wholeFolder : {false, true}) {
        SCOPED_TRACE(wholeFolder ? "the working folder" : "karvin.cfg");
        ForgetWhatHappened();
        Printer.Jobs.clear();
        PutCaptureSettings({{sfDefaultFormat, 4}});
        auto window = Start();
        if (wholeFolder)
            std::filesystem::remove_all(Work());
        else
            std::filesystem::remove(Work() / "karvin.cfg");

        ASSERT_TRUE(PressPrintScreen());

        EXPECT_TRUE(Dialogs.Calls.empty()) << Dialogs.MessageLog().join("\n").toStdString();
        EXPECT_EQ(ReadSettings(), TSettingsRecord{});
        // The default record's choices: printed and stored as BMP.
        EXPECT_EQ(Printer.Jobs.size(), 1u);
        EXPECT_EQ(Captures(), std::vector<std::string>{"pic1.bmp"});
        EXPECT_EQ(Rows(*window), QStringList{"pic1.bmp"});
        EXPECT_TRUE(BothHotKeysRegistered());
    }
}

TEST_F(Capture, KarvinsOtherWindowsAreOffTheScreenForTheCaptureAndComeBack) {
    PutCaptureSettings();
    auto window = StartShown();
    // The help window, a window of the program's own, and a dialog that waits for its
    // answer while the hot key comes.
    window->Content1Click();
    ASSERT_TRUE(window->Help() && window->Help()->isVisible());
    QWidget other(window.get(), Qt::Window);
    other.show();
    QWidget minimised(window.get(), Qt::Window);
    minimised.showMinimized();
    // A message beside the tray icon (about an earlier capture) goes for good: the new capture
    // brings its own.
    QWidget trayMessage(nullptr, Qt::ToolTip);
    trayMessage.show();
    // The capture's own overlays stay.
    QWidget overlay(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint);
    overlay.show();
    QDialog waiting(window.get());
    // The windows taken off the screen, and the ones that had to be, at the moment of the grab
    // (a window's id may change once it is hidden).
    std::vector<TWindowId> offTheScreen, expected;
    Screen.WhileGrabbing = [&] {
        offTheScreen = Windows.HiddenOwn;
        expected = {window->Help()->winId(), other.winId(), waiting.winId()};
        EXPECT_FALSE(trayMessage.isVisible());
    };
    Windows.Activated.clear();
    bool captured = false;
    QTimer::singleShot(0, &waiting, [&] {
        captured = PressPrintScreen();
        waiting.accept();
    });

    EXPECT_EQ(waiting.exec(), int(QDialog::Accepted));

    ASSERT_TRUE(captured);
    EXPECT_EQ(Captures(), std::vector<std::string>{"pic1.bmp"});
    std::sort(offTheScreen.begin(), offTheScreen.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(offTheScreen, expected);
    // Back on the screen, and the focus back to the window that was in front.
    EXPECT_TRUE(Windows.HiddenOwn.empty());
    EXPECT_EQ(Windows.OwnWindowLog.size(), 6);
    EXPECT_TRUE(window->Help()->isVisible());
    EXPECT_TRUE(other.isVisible());
    EXPECT_FALSE(trayMessage.isVisible());
    EXPECT_EQ(Windows.Activated, std::vector<TWindowId>{Editor});
}

TEST_F(Capture, PointerPictureLiesAtThePointerInsideTheCapturedRectangle) {
    struct TCase {
        int Method;
        QPoint Pointer;
        QRect Rect;
    };
    const TCase cases[] = {{0, {100, 60}, {0, 0, ScreenWidth, ScreenHeight}},
                           {1, {45, 33}, EditorFrame},
                           {0, {315, 190}, {0, 0, ScreenWidth, ScreenHeight}}};
    int stored = 0;
    auto window = Start();
    for (const TCase& c : cases) {
        PutCaptureSettings({{sfCapSelection, c.Method}, {sfMouseCursor, 1}});
        Screen.Pointer = c.Pointer;

        ASSERT_TRUE(PressPrintScreen());

        TDibGraphic expected = ScreenPart(c.Rect);
        PaintMousePointer(expected, c.Pointer.x() - c.Rect.x(), c.Pointer.y() - c.Rect.y());
        const std::string name = "pic" + std::to_string(++stored) + ".bmp";
        EXPECT_EQ(Pixels(Stored(name)), Pixels(expected)) << name;
        EXPECT_EQ(ClipboardPixels(), Pixels(expected)) << name;
    }
    // The tip of the arrow at the pointer: black, and white inside it.
    const TDibGraphic first = Stored("pic1.bmp");
    EXPECT_EQ(first.Pixel(100, 60), MakeColor(0, 0, 0));
    EXPECT_EQ(first.Pixel(101, 61), MakeColor(255, 255, 255));
    EXPECT_EQ(first.Pixel(102, 60), Screen.Pixels.Pixel(102, 60)); // transparent
}

TEST_F(Capture, JpegCapturesAreTrueColourAtQualityHundred) {
    // A grey capture is a palette image and a screen of 256 colours reduces the others; the
    // JPEG file is true colour all the same.
    for (bool grey : {false, true}) {
        for (std::uint64_t colors : {std::uint64_t(16777216), std::uint64_t(256)}) {
            ForgetWhatHappened();
            Screen.ColorCount = colors;
            PutCaptureSettings({{sfDefaultFormat, 2}, {sfGrayScale, grey ? 1 : 0}});
            auto window = Start();
            ASSERT_TRUE(PressPrintScreen());
            ASSERT_EQ(Captures(), std::vector<std::string>{"pic1.jpg"}) << grey << colors;
            const TJpegFacts facts = ReadJpegFacts(Read("pic1.jpg"));
            EXPECT_EQ(facts.Components, 3) << grey << colors;
            EXPECT_TRUE(facts.QualityHundred) << grey << colors;
            EXPECT_EQ(Stored("pic1.jpg").ImageFormat(), ifTrueColor);
        }
    }
}

TEST_F(Capture, EveryFormatGetsTheNextNameWithItsExtension) {
    // Numbered per extension: the first free name.
    const char* const names[] = {"pic1.bmp", "pic1.gif", "pic1.jpg", "pic1.pcx",
                                 "pic1.png", "pic1.tga", "pic1.tif"};
    auto window = Start();
    const mode_t oldMask = ::umask(0);
    for (int format = 0; format < 7; ++format) {
        PutCaptureSettings({{sfDefaultFormat, format}});
        window->ApplySettings();
        ASSERT_TRUE(PressPrintScreen());
        EXPECT_EQ(window->Paths().last().toStdString(), WorkFile(names[format]));
        EXPECT_TRUE(FileExists(WorkFile(names[format]))) << names[format];
        // Captures often show secrets: only their owner may read them, whatever the umask.
        struct stat info {};
        ::stat(WorkFile(names[format]).c_str(), &info);
        EXPECT_EQ(info.st_mode & 07777, 0600u) << names[format];
    }
    ::umask(oldMask);
    // The lossless ones hold the screen exactly.
    for (const char* name : {"pic1.bmp", "pic1.pcx", "pic1.png", "pic1.tga", "pic1.tif"})
        EXPECT_EQ(Pixels(Stored(name)), Pixels(Screen.Pixels)) << name;
}

TEST_F(Capture, APaletteScreenStoresTheReducedPictureAndKeepsTheCapture) {
    Screen.ColorCount = 256;
    PutCaptureSettings();
    auto window = Start();

    ASSERT_TRUE(PressPrintScreen());

    const TDibGraphic stored = Stored("pic1.bmp");
    EXPECT_EQ(stored.ImageFormat(), ifColor256);
    EXPECT_EQ(window->StatusText(), Path(WorkFile("pic1.bmp")) + ", 320x200, 256 colors");
    // "View 100%" brings back the capture as it was grabbed.
    EXPECT_EQ(Pixels(window->WorkImage()), Pixels(Screen.Pixels));
}

TEST_F(Capture, PrintChoicesStoreOrLeaveOutTheCapture) {
    struct TCase {
        int Choice;
        bool Stored;
    };
    for (TCase c : {TCase{0, true}, TCase{1, false}, TCase{2, true}}) {
        ForgetWhatHappened();
        PutCaptureSettings({{sfPrintSelection, c.Choice}});
        auto window = Start();

        ASSERT_TRUE(PressPrintScreen());

        EXPECT_EQ(Sound.Beeps, 1) << c.Choice;
        EXPECT_EQ(Captures().size(), c.Stored ? 1u : 0u) << c.Choice;
        EXPECT_EQ(window->Paths().size(), c.Stored ? 1 : 0) << c.Choice;
        EXPECT_EQ(window->ImageView()->Graphic().Empty(), !c.Stored) << c.Choice;
        // The clipboard keeps the capture whatever the choice.
        EXPECT_EQ(ClipboardPixels(), Pixels(Screen.Pixels)) << c.Choice;
        EXPECT_TRUE(BothHotKeysRegistered()) << c.Choice;
        EXPECT_EQ(Windows.Activated, std::vector<TWindowId>{Editor}) << c.Choice;
    }
}

TEST_F(Capture, TwoHundredImagesBringAWarningBeforeEveryCapture) {
    PutCaptureSettings();
    auto window = Start();
    for (int row = 0; row < 199; ++row)
        window->AppendImage(QString("/elsewhere/pic%1.png").arg(row), "");

    ASSERT_TRUE(PressPrintScreen()); // the 200th: no warning yet
    EXPECT_TRUE(Dialogs.Calls.empty());

    Dialogs.MessageAnswers = {TMsgResult::OK, TMsgResult::OK};
    ASSERT_TRUE(PressPrintScreen());
    ASSERT_TRUE(PressPrintScreen());

    const QString warning = "Warning|You have 200 or more images in memory. We recommend you do "
                            "the following:\r1. Save your images.\r2. Shut down Karvin and start "
                            "a new session.\rThis allows other programs to share resources.";
    EXPECT_EQ(Dialogs.MessageLog(), (QStringList{warning, warning}));
    EXPECT_EQ(Dialogs.Calls[0].Icon, TMsgIcon::Warning);
    // The warning does not stop the capture.
    EXPECT_EQ(window->Paths().size(), 202);
    EXPECT_EQ(Captures(), (std::vector<std::string>{"pic1.bmp", "pic2.bmp", "pic3.bmp"}));
}

TEST_F(Capture, ConsoleMethodsDoNothingOnTheHotKey) {
    for (int method : {8, 9, 10}) {
        ForgetWhatHappened();
        PutCaptureSettings({{sfCapSelection, method}});
        auto window = StartShown();
        HotKeys.Log.clear();

        ASSERT_TRUE(PressPrintScreen());

        EXPECT_TRUE(Screen.Grabs.empty()) << method;
        EXPECT_EQ(Sound.Beeps, 0) << method;
        EXPECT_TRUE(Captures().empty()) << method;
        EXPECT_TRUE(HotKeys.Log.isEmpty()) << method; // never released
        EXPECT_FALSE(window->isMinimized()) << method;
        EXPECT_TRUE(Dialogs.Calls.empty()) << method;
    }
}

TEST_F(Capture, MethodsNotInTheProgramOnlyTakeTheHotKeysBack) {
    for (int method : {12, 13, -1}) {
        ForgetWhatHappened();
        PutCaptureSettings({{sfCapSelection, method}});
        auto window = Start();

        ASSERT_TRUE(PressPrintScreen());

        EXPECT_TRUE(Screen.Grabs.empty()) << method;
        EXPECT_TRUE(Captures().empty()) << method;
        EXPECT_EQ(Sound.Beeps, 0) << method;
        EXPECT_TRUE(BothHotKeysRegistered()) << method;
    }
}

TEST_F(Capture, ABrowserInFrontGivesTheCaptureItsPageAddress) {
    struct TCase {
        const char* ClassName;
        QString Answer;
        std::vector<TBrowserKind> Asked;
        QString Url;
        bool LongURL;
    };
    const QString longAddress = "https://example.org/" + QString(240, 'a');
    const TCase cases[] = {
        {"chromium", " https://example.org/page", {bkChromium}, "https://example.org/page", false},
        {"firefox", " https://example.org/fox\t", {bkFirefox}, "https://example.org/fox", false},
        {"chromium", " " + longAddress, {bkChromium}, longAddress, true},
        {"chromium", "", {bkChromium}, "", false}, // no answer within the time
        {"xterm", " https://example.org/", {}, "", false},
        // Another program's text: only web and file addresses, normalised, are kept.
        {"chromium", " HTTPS://Example.org/a b", {bkChromium}, "https://example.org/a%20b", false},
        {"chromium",
         " --renderer-cmd-prefix=/tmp/prog" + QString(240, 'x'),
         {bkChromium},
         "",
         false},
        {"firefox", " -new-tab", {bkFirefox}, "", false},
        {"chromium", " javascript:alert(1)", {bkChromium}, "", false},
        {"chromium", " file:///etc/passwd\n--x", {bkChromium}, "", false},
        {"firefox", " https://example.org/\x1b]0;x\x07", {bkFirefox}, "", false},
    };
    PutCaptureSettings();
    auto window = Start();
    int row = 0;
    for (const TCase& c : cases) {
        Windows.Windows[Editor].ClassName = c.ClassName;
        Browsers.Answer = c.Answer;
        Browsers.Asked.clear();
        window->LongURL() = !c.LongURL;

        ASSERT_TRUE(PressPrintScreen());

        EXPECT_EQ(Browsers.Asked, c.Asked) << c.ClassName;
        EXPECT_EQ(window->URLs()[row++], c.Url) << c.ClassName;
        EXPECT_EQ(window->LongURL(), c.LongURL) << c.ClassName;
        EXPECT_TRUE(window->PendingURL().isEmpty());
    }
}

TEST_F(Capture, TheWindowGoesOnWhileTheBrowserThinks) {
    PutCaptureSettings();
    auto window = Start();
    Windows.Windows[Editor].ClassName = "google-chrome";
    Browsers.Answer = " https://example.org/slow";
    Browsers.AnswerAfterMs = 200;
    bool timerRan = false;
    QTimer::singleShot(20, [&] { timerRan = true; });

    ASSERT_TRUE(PressPrintScreen());

    EXPECT_TRUE(timerRan); // events were handled while the capture waited for the answer
    EXPECT_EQ(Browsers.AskedClasses, QStringList{"google-chrome"});
    EXPECT_EQ(window->URLs(), QStringList{"https://example.org/slow"});
    EXPECT_EQ(Captures(), std::vector<std::string>{"pic1.bmp"});
}

TEST_F(Capture, APressDuringTheCaptureStartsNoSecondOne) {
    PutCaptureSettings();
    auto window = Start();
    Windows.Windows[Editor].ClassName = "chromium";
    // PrintScreen again and "karvin trigger" while the browser is being asked.
    Browsers.WhileAsked = [&] {
        PressPrintScreen();
        window->WMHotKey(HotKeyPrintScreen);
    };

    ASSERT_TRUE(PressPrintScreen());

    EXPECT_EQ(Captures(), std::vector<std::string>{"pic1.bmp"});
    EXPECT_EQ(Sound.Beeps, 1);
    EXPECT_EQ(Browsers.Asked.size(), 1u);
}

TEST_F(Capture, AFullDiskReportsTheErrorListsNothingAndGivesTheHotKeysBack) {
    PutCaptureSettings();
    auto window = Start();
    // Files may not grow past 4 KiB: the capture's file fails while being written.
    const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit small = previous;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    Dialogs.MessageAnswers = {TMsgResult::OK};

    PressPrintScreen();

    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousSignal);
    ASSERT_EQ(Dialogs.Calls.size(), 1u);
    EXPECT_EQ(Dialogs.Calls[0].Caption, "Error");
    EXPECT_EQ(Dialogs.Calls[0].Text.toStdString(),
              "Cannot write file \"" + WorkFile("pic1.bmp") + "\": File too large");
    EXPECT_TRUE(Captures().empty()); // no half-written file, no temporary file
    EXPECT_EQ(window->List()->topLevelItemCount(), 0);
    EXPECT_TRUE(window->Paths().isEmpty());
    EXPECT_TRUE(window->URLs().isEmpty());
    EXPECT_TRUE(BothHotKeysRegistered());

    // With room again, the next capture is the first file.
    ASSERT_TRUE(PressPrintScreen());
    EXPECT_EQ(Captures(), std::vector<std::string>{"pic1.bmp"});
    EXPECT_EQ(Rows(*window), QStringList{"pic1.bmp"});
}

TEST_F(Capture, AHotKeyHeldByAnotherProgramIsSaidOnceAndTheOtherOneWorks) {
    struct TCase {
        std::vector<TFakeHotKeys::TKey> Held;
        QString Text;
        bool PrintScreenWorks, CombinationWorks;
    };
    const TCase cases[] = {
        {{{0, VkPrintScreen}},
         "PrintScreen is in use by another program. Capture with Ctrl+Alt+P, or have your "
         "desktop run \"karvin trigger\" on a key of your choice.",
         false,
         true},
        {{{ModControl | ModAlt, 'P'}},
         "Ctrl+Alt+P is in use by another program. Capture with PrintScreen, or have your "
         "desktop run \"karvin trigger\" on a key of your choice.",
         true,
         false},
        {{{0, VkPrintScreen}, {ModControl | ModAlt, 'P'}},
         "PrintScreen and Ctrl+Alt+P are in use by other programs. Have your desktop run "
         "\"karvin trigger\" on a key of your choice to capture.",
         false,
         false},
    };
    for (const TCase& c : cases) {
        ForgetWhatHappened();
        HotKeys.HeldByOthers = c.Held;
        PutCaptureSettings();
        auto window = Start();

        EXPECT_EQ(window->StatusText(), c.Text);
        EXPECT_EQ(Tray.Messages, QStringList{"Karvin|" + c.Text});

        // The key that works captures, and registering again after it says nothing more.
        EXPECT_EQ(PressPrintScreen(), c.PrintScreenWorks);
        EXPECT_EQ(PressCtrlAltP(), c.CombinationWorks);
        window->ApplySettings();
        EXPECT_EQ(Tray.Messages.filter("in use").size(), 1);
        EXPECT_EQ(int(Captures().size()), int(c.PrintScreenWorks) + int(c.CombinationWorks));
        EXPECT_TRUE(Dialogs.Calls.empty());
    }
}

TEST_F(Capture, TheUsersCombinationFollowsTheSettings) {
    struct TCase {
        int Control, Alt, Shift, Key;
        bool Registered;
        TFakeHotKeys::TKey Combination;
    };
    const TCase cases[] = {
        {1, 1, 0, 27, true, {ModControl | ModAlt, 'P'}},
        {0, 0, 1, 4, true, {ModShift, VkF1 + 4}},
        {1, 0, 1, 99, true, {ModControl | ModShift, 'Z'}},
        // No modifier: a bare key would be taken from every program.
        {0, 0, 0, 27, false, {}},
    };
    auto window = Start();
    for (const TCase& c : cases) {
        PutCaptureSettings({{sfHotKeyControl, c.Control},
                            {sfHotKeyAlt, c.Alt},
                            {sfHotKeyShift, c.Shift},
                            {sfHotKeyKey, c.Key}});
        window->ApplySettings();
        EXPECT_TRUE(HotKeys.IsRegistered(HotKeyPrintScreen));
        ASSERT_EQ(HotKeys.IsRegistered(HotKeyUser), c.Registered) << c.Key;
        if (c.Registered) {
            EXPECT_EQ(HotKeys.Registered[HotKeyUser], c.Combination) << c.Key;
        }
    }
    EXPECT_TRUE(Tray.Messages.isEmpty());
}

TEST_F(Capture, OtherHotKeysOnlySetTheViewBackToHundredPercent) {
    for (int choice : {2, 1}) {
        ForgetWhatHappened();
        PutCaptureSettings({{sfPrintSelection, choice}});
        auto window = Start();
        window->ImageView()->AssignImage(MakeNoise(30, 20));
        window->ImageView()->SetZoomPercent(250);
        window->ZoomBox()->setCurrentIndex(9);

        window->WMHotKey(HotKeyZoomClose);

        EXPECT_EQ(window->ZoomBox()->currentText(), "View 100%");
        EXPECT_EQ(window->ImageView()->Graphic().Empty(), choice == 1) << choice;
        if (choice != 1) {
            EXPECT_EQ(window->ImageView()->ZoomPercent(), 100.0f);
        }
        EXPECT_TRUE(Screen.Grabs.empty());
    }
}

TEST_F(Capture, CropCaptureBorderCutsOnePixelOffEveryEdge) {
    auto window = Start();
    const TDibGraphic image = MakeNoise(9, 7);
    window->ImageView()->AssignImage(image);

    window->Capture().CropCaptureBorder();

    const TDibGraphic& cropped = window->ImageView()->Graphic();
    ASSERT_EQ(cropped.Width(), 7);
    ASSERT_EQ(cropped.Height(), 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            ASSERT_EQ(cropped.Pixel(x, y), image.Pixel(x + 1, y + 1));
}
