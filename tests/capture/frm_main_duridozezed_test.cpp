// "DurIdozezed" on the hot key with every platform service faked: a window under the pointer
// whose content scrolls when the (recorded) keyboard presses its keys, the pages joined into
// the stored capture, the ends of a capture (the bottom, the limits, Escape, a window that
// closes), printing, and the delay dialog of the Setup menu.
#include "tests/app/frm_main_fixture.h"

#include "capture/capture_intake.h"
#include "capture/duridozezed_capture.h"
#include "capture/frm_duridozezed.h"
#include "capture/page_stitch.h"
#include "platform/dib_qimage.h"

#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <algorithm>
#include <functional>

namespace {

// A document taller than its window: row y shows "line" y, every row different.
TDibGraphic Document(int width, int height) {
    TDibGraphic image;
    image.NewImage(width, height, ifTrueColor);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.SetPixel(x, y, (uint32_t((y + 1) * 2654435761u) >> 8) ^ uint32_t(x / 8));
    return image;
}

// The window under the pointer on the fake screen: a tool bar of `ToolBar` rows, then the
// document from row `Position` on, its first `Shade` rows darkened by the bar's shadow. A
// window `OnWheel` takes no keys but moves `WheelStep` rows a wheel step. Home goes
// to the top, Page Up and Page Down `Step` rows back or on, never past either end; what the
// keyboard pressed is read from its log at every grab.
class TScrollingWindow {
public:
    TScrollingWindow(TFakeScreen& screen, TRecordingKeyInjector& keyboard, QRect client,
                     TDibGraphic document, int step, int toolBar = 0, int shade = 0)
        : Screen(screen), Keyboard(keyboard), Client(client), Content(std::move(document)),
          Step(step), ToolBar(toolBar), Shade(shade) {
        Screen.WhileGrabbing = [this] { Show(); };
        Show();
    }
    int ViewHeight() const { return Client.height() - ToolBar; }
    int PageDowns = 0;
    bool OnWheel = false;
    int WheelStep = 0;
    int Position = 0;
    // Runs after every Page Down (a caret that blinks, a window that closes).
    std::function<void()> AfterPageDown;

private:
    void Show() {
        for (; Read < Keyboard.Log.size(); ++Read) {
            const QString& entry = Keyboard.Log[Read];
            const int bottom = Content.Height() - ViewHeight();
            if (OnWheel) {
                if (entry == "wheel up")
                    Position = std::max(0, Position - WheelStep);
                if (entry == "wheel down")
                    Position = std::min(Position + WheelStep, bottom);
                continue;
            }
            if (entry == "+Home")
                Position = 0;
            if (entry == "+PgUp")
                Position = std::max(0, Position - Step);
            if (entry == "+PgDn") {
                Position = std::min(Position + Step, bottom);
                ++PageDowns;
                if (AfterPageDown)
                    AfterPageDown();
            }
        }
        for (int y = 0; y < Client.height(); ++y)
            for (int x = 0; x < Client.width(); ++x) {
                uint32_t colour =
                    y < ToolBar ? 0x4060A0u : Content.Pixel(x, Position + y - ToolBar);
                if (y >= ToolBar && y < ToolBar + Shade)
                    colour = (colour >> 1) & 0x7F7F7F;
                Screen.Pixels.SetPixel(Client.x() + x, Client.y() + y, colour);
            }
    }

    TFakeScreen& Screen;
    TRecordingKeyInjector& Keyboard;
    QRect Client;
    TDibGraphic Content;
    int Step;
    int ToolBar;
    int Shade;
    qsizetype Read = 0;
};

class DurIdozezedCapture : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        Page = Windows.Add({"texteditor", "notes", QRect(96, 36, 208, 164), Client});
        Screen.Pointer = Client.center();
    }
    std::unique_ptr<TfrmMainDriver> StartDurIdozezed(int printSelection = 2) {
        TSettingsRecord record;
        record.CapSelection = cmDurIdozezed;
        record.PrintSelection = printSelection;
        PutSettings(record);
        auto window = StartShown();
        window->Capture().DurIdozezed().SetWait([this](double seconds) {
            Waits.push_back(seconds);
            if (DuringWait)
                DuringWait();
        });
        Sound.Beeps = 0;
        return window;
    }
    void Scroll(const TDibGraphic& document, int step, int toolBar = 0, int shade = 0) {
        Scrolling = std::make_unique<TScrollingWindow>(Screen, Keyboard, Client, document, step,
                                                       toolBar, shade);
    }
    bool PressPrintScreen() { return HotKeys.Press(0, VkPrintScreen); }
    TDibGraphic Stored(const std::string& name = "pic1.bmp") const {
        return LoadImageFile((Work() / name).string());
    }
    std::vector<std::string> Left() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(Work()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    void ExpectNothingKept(TfrmMainDriver& window) {
        EXPECT_EQ(window.List()->topLevelItemCount(), 0);
        EXPECT_EQ(Left(), std::vector<std::string>{"karvin.cfg"});
        EXPECT_TRUE(HotKeys.IsRegistered(HotKeyPrintScreen));
        EXPECT_FALSE(HotKeys.IsRegistered(HotKeyDurIdozezedStop));
        EXPECT_EQ(Sound.Beeps, 0);
    }

    const QRect Client{100, 40, 200, 160};
    TWindowId Page = 0;
    std::unique_ptr<TScrollingWindow> Scrolling;
    std::vector<double> Waits;
    std::function<void()> DuringWait;
};

TEST_F(DurIdozezedCapture, ThreeScreensWithTwentyRowsOfOverlapGiveThreeHeightsLessForty) {
    const int h = Client.height();
    const TDibGraphic document = Document(Client.width(), 3 * h - 40);
    Scroll(document, h - 20);
    auto window = StartDurIdozezed();

    ASSERT_TRUE(PressPrintScreen());

    const TDibGraphic stored = Stored();
    EXPECT_EQ(stored.Height(), 3 * h - 40);
    EXPECT_TRUE(SameImage(stored, document));
    // The window got the keyboard, went to its top and was paged down until it stopped.
    ASSERT_GE(Keyboard.Log.size(), 5);
    EXPECT_EQ(Keyboard.Log.mid(0, 5),
              (QStringList{QString("front %1").arg(Page), "+Ctrl", "+Home", "-Home", "-Ctrl"}));
    EXPECT_EQ(Scrolling->PageDowns, 3);
    // The pages and the joined file are gone; the capture is listed, selected and beeped.
    EXPECT_EQ(Left(), (std::vector<std::string>{"karvin.cfg", "pic1.bmp"}));
    EXPECT_EQ(window->List()->topLevelItemCount(), 1);
    EXPECT_EQ(Sound.Beeps, 1);
    EXPECT_TRUE(HotKeys.IsRegistered(HotKeyPrintScreen));
    EXPECT_FALSE(HotKeys.IsRegistered(HotKeyDurIdozezedStop));
    // The default delay between the steps, and the two seconds the joined file stays.
    ASSERT_FALSE(Waits.empty());
    EXPECT_EQ(Waits.front(), 0.5);
    EXPECT_EQ(Waits.back(), 2);
}

TEST_F(DurIdozezedCapture, JoinsWhatScrollsAndLeavesOutTheBarsThatStay) {
    struct TCase {
        int ContentHeight;
        int Step;
        int ToolBar;
        int ExpectedHeight;
        int Shade = 0;
    };
    const int h = Client.height();
    const TCase cases[] = {
        // One screen exactly: one page, the whole client area.
        {h, h, 0, h},
        // Pages with no row in common lose one row each.
        {3 * h, h, 0, 3 * h - 2},
        // A last page that moves less than a page repeats more.
        {2 * h + 50, h - 30, 0, 2 * h + 50},
        // A tool bar of 24 rows stays in place: the page is what scrolls under it.
        {3 * (h - 24) - 40, h - 24 - 20, 24, 3 * (h - 24) - 40},
        // The bar casts a shadow over the first 6 rows of the page under it.
        {3 * (h - 24) - 40, h - 24 - 20, 24, 3 * (h - 24) - 40, 6},
        {2 * (h - 24) + 50, h - 24 - 30, 24, 2 * (h - 24) + 50, 6},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.ContentHeight);
        Keyboard.Log.clear();
        std::filesystem::remove_all(Work());
        const TDibGraphic document = Document(Client.width(), test.ContentHeight);
        Scroll(document, test.Step, test.ToolBar, test.Shade);
        auto window = StartDurIdozezed();

        ASSERT_TRUE(PressPrintScreen());

        const TDibGraphic stored = Stored();
        EXPECT_EQ(stored.Height(), test.ExpectedHeight);
        if (test.ExpectedHeight == test.ContentHeight) {
            // Below the first page's shade, which nothing covers, every row as in the document.
            const int shaded = test.Shade;
            EXPECT_TRUE(SameImage(CopyRows(stored, shaded, stored.Height() - shaded),
                                  CopyRows(document, shaded, document.Height() - shaded)));
        }
        EXPECT_EQ(Left(), (std::vector<std::string>{"karvin.cfg", "pic1.bmp"}));
    }
}

TEST_F(DurIdozezedCapture, AWindowThatTakesNoKeysIsScrolledByTheWheel) {
    struct TCase {
        const char* Name;
        int ContentHeight;
        int WheelStep;
        int Start;
    };
    const int h = Client.height();
    const TCase cases[] = {
        // Left half way down: the wheel takes it to the top first.
        {"three screens", 3 * h - 40, 24, h},
        {"steps of one row", 2 * h, 1, 0},
        // A window that scrolls neither way gives its one page.
        {"one screen", h, 24, 0},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.Name);
        Keyboard.Log.clear();
        std::filesystem::remove_all(Work());
        const TDibGraphic document = Document(Client.width(), test.ContentHeight);
        Scroll(document, h - 20);
        Scrolling->OnWheel = true;
        Scrolling->WheelStep = test.WheelStep;
        Scrolling->Position = test.Start;
        auto window = StartDurIdozezed();

        ASSERT_TRUE(PressPrintScreen());

        // Page Down was tried once; the wheel did the rest.
        EXPECT_EQ(Keyboard.Log.count("+PgDn"), 1);
        EXPECT_GT(Keyboard.Log.count("wheel down"), 0);
        const TDibGraphic stored = Stored();
        EXPECT_EQ(stored.Height(), test.ContentHeight);
        EXPECT_TRUE(SameImage(stored, document));
        EXPECT_EQ(Left(), (std::vector<std::string>{"karvin.cfg", "pic1.bmp"}));
        EXPECT_EQ(window->List()->topLevelItemCount(), 1);
    }
}

TEST(WheelSteps, AimAtThreeQuartersOfAPageAndGrowAtMostTwofold) {
    struct TCase {
        int Steps;
        int PageHeight;
        int Repeated;
        int Expected;
    };
    const TCase cases[] = {
        // One step moved 24 of 160 rows: 5 would move 120, but the steps at most double.
        {1, 160, 136, 2},
        {4, 160, 64, 5},
        // Steps of one row: 120 steps, reached by doubling.
        {64, 160, 96, 120},
        {64, 160, 30, 59},
        // Nothing repeated: the steps went past a page.
        {8, 160, 0, 4},
        {1, 160, 0, 1},
        // A step that moves more than three quarters of a page: one.
        {1, 160, 10, 1},
    };
    for (const TCase& test : cases)
        EXPECT_EQ(WheelStepsPerPage(test.Steps, test.PageHeight, test.Repeated), test.Expected)
            << test.Steps << " " << test.Repeated;
}

TEST_F(DurIdozezedCapture, AWindowThatNeverSettlesEndsByThePixelBudgetOrThePageLimit) {
    struct TCase {
        int Height;
        int ExpectedPages;
    };
    // 160 rows: 7000000 / (160 x 800) = 54.7, so the 55th page passes the budget. 30 rows
    // would need 292 pages: the page limit ends it at 200.
    const TCase cases[] = {{160, 55}, {30, 200}};
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.Height);
        Keyboard.Log.clear();
        std::filesystem::remove_all(Work());
        const QRect client(100, 40, 200, test.Height);
        Windows.Windows[Page].Client = client;
        // Nothing scrolls, but a caret blinks: no two grabs are the same.
        int blink = 0;
        Screen.WhileGrabbing = [&] {
            Screen.FillRect(client, 0xFFFFFF);
            Screen.FillRect(QRect(client.x() + 10, client.y() + 5, 1, 12),
                            ++blink % 2 ? 0 : 0xFFFFFF - uint32_t(blink));
        };
        auto window = StartDurIdozezed();

        ASSERT_TRUE(PressPrintScreen());

        EXPECT_EQ(Keyboard.Log.count("+PgDn"), test.ExpectedPages - 1);
        EXPECT_EQ(window->List()->topLevelItemCount(), 1);
        EXPECT_EQ(Left(), (std::vector<std::string>{"karvin.cfg", "pic1.bmp"}));
    }
}

TEST_F(DurIdozezedCapture, EscapeOrAClosingWindowStopsItAndKeepsNothing) {
    const int h = Client.height();
    for (const bool escape : {true, false}) {
        SCOPED_TRACE(escape ? "Escape" : "window closed");
        Keyboard.Log.clear();
        std::filesystem::remove_all(Work());
        Page = Windows.Add({"texteditor", "notes", QRect(96, 36, 208, 164), Client});
        Scroll(Document(Client.width(), 5 * h), h - 20);
        auto window = StartDurIdozezed();
        // While the window scrolls to its third page.
        DuringWait = [&] {
            if (Keyboard.Log.count("+PgDn") < 2)
                return;
            if (escape)
                EXPECT_TRUE(HotKeys.Press(0, VkEscape));
            else
                Windows.Windows.erase(Page);
        };

        ASSERT_TRUE(PressPrintScreen());
        DuringWait = nullptr;

        EXPECT_EQ(Keyboard.Log.count("+PgDn"), 2);
        ExpectNothingKept(*window);
        EXPECT_TRUE(Dialogs.Calls.empty());
        EXPECT_FALSE(window->CaptureRunning());
    }
}

TEST_F(DurIdozezedCapture, NothingUnderThePointerCapturesNothing) {
    Screen.Pointer = QPoint(600, 400);
    auto window = StartDurIdozezed();

    ASSERT_TRUE(PressPrintScreen());

    ExpectNothingKept(*window);
    EXPECT_TRUE(Keyboard.Log.isEmpty());
}

TEST_F(DurIdozezedCapture, TallPagesArePrintedSlicedAfterTheyAreStored) {
    const int h = Client.height();
    // 8 screens of 160 rows at 96 dpi: far taller than a sheet at its size.
    const TDibGraphic document = Document(Client.width(), 8 * h);
    for (const int printSelection : {0, 1}) {
        SCOPED_TRACE(printSelection);
        Keyboard.Log.clear();
        Printer.Jobs.clear();
        std::filesystem::remove_all(Work());
        Scroll(document, h - 20);
        auto window = StartDurIdozezed(printSelection);

        ASSERT_TRUE(PressPrintScreen());

        const auto printed = Printer.PrintedPictures();
        ASSERT_GE(printed.size(), 2u) << "one slice per sheet";
        int rows = 0;
        for (const auto& picture : printed)
            rows += picture.Picture.Height();
        EXPECT_EQ(rows, document.Height());
        EXPECT_TRUE(
            SameImage(CopyRows(document, 0, printed[0].Picture.Height()), printed[0].Picture));
        if (printSelection == 0) {
            EXPECT_TRUE(SameImage(Stored(), document));
        } else {
            EXPECT_EQ(window->List()->topLevelItemCount(), 0);
            EXPECT_TRUE(window->ImageView()->Graphic().Empty());
            EXPECT_EQ(Left(), std::vector<std::string>{"karvin.cfg"});
        }
    }
}

TEST_F(DurIdozezedCapture, ADelayThatIsNoNumberStopsTheCaptureWithTheConversionError) {
    EXPECT_EQ(DurIdozezedDelaySeconds("1.5"), 1.5);
    EXPECT_EQ(DurIdozezedDelaySeconds("5"), 5);
    for (const char* text : {"abc", "", "1,5x"}) {
        try {
            DurIdozezedDelaySeconds(text);
            ADD_FAILURE() << text;
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()),
                      "'" + std::string(text) + "' is not a valid floating point value");
        }
    }
    // A file that holds no number is read as the default delay: the capture runs.
    Put("duridozezed.dat", "soon\r\n");
    const int h = Client.height();
    Scroll(Document(Client.width(), h), h);
    auto window = StartDurIdozezed();
    EXPECT_EQ(window->DurIdozezedDelayText(), "0.5");

    ASSERT_TRUE(PressPrintScreen());

    EXPECT_EQ(window->List()->topLevelItemCount(), 1);
    EXPECT_EQ(Waits.front(), 0.5);
}

TEST(ScrollKeys, TerminalsGetNoTopKeyAndScrollTheirHistoryWithShift) {
    struct TCase {
        const char* ClassName;
        TScrollKeys Expected;
    };
    const TCase cases[] = {
        {"xterm", {"", "~{PGUP}", "~{PGDN}"}},
        {"gnome-terminal-server", {"", "~{PGUP}", "~{PGDN}"}},
        {"chromium", {"{HOME}", "{PGUP}", "{PGDN}"}},
        {"firefox", {"{HOME}", "{PGUP}", "{PGDN}"}},
        {"gedit", {"^{HOME}", "{PGUP}", "{PGDN}"}},
    };
    for (const TCase& test : cases)
        EXPECT_EQ(ScrollKeysOfClass(test.ClassName), test.Expected) << test.ClassName;
}

// The delay dialog of Setup > "&DurIdozezed".

TEST_F(DurIdozezedCapture, DelayDialogStepsByHalfSecondsWithinItsLimits) {
    struct TCase {
        double From;
        bool Up;
        double Expected;
    };
    const TCase cases[] = {{0.5, true, 1},    {4.5, true, 5}, {5, true, 5},      {1, false, 0.5},
                           {0.5, false, 0.5}, {4.7, true, 5}, {0.7, false, 0.5}, {2.5, false, 2}};
    for (const TCase& test : cases)
        EXPECT_EQ(SpinDelay(test.From, test.Up), test.Expected) << test.From << test.Up;

    Put("duridozezed.dat", "4.5\r\n");
    TfrmDurIdozezed dialog(Dialogs);
    EXPECT_EQ(dialog.windowTitle(), "DurIdozezed Setup");
    EXPECT_GE(dialog.width(), 336);
    EXPECT_GE(dialog.height(), 128);
    EXPECT_TRUE(dialog.edValue->isReadOnly());
    EXPECT_EQ(dialog.edValue->text(), "4.5");
    dialog.SpinUp->click();
    EXPECT_EQ(dialog.edValue->text(), "5");
    dialog.SpinUp->click();
    EXPECT_EQ(dialog.edValue->text(), "5");
    for (int press = 0; press < 12; ++press)
        dialog.SpinDown->click();
    EXPECT_EQ(dialog.edValue->text(), "0.5");
    dialog.SpinUp->click();
    EXPECT_EQ(dialog.edValue->text(), "1");
}

TEST_F(DurIdozezedCapture, SetupEntryKeepsTheDelayOnOKAndNotOnCancel) {
    auto window = StartShown();
    QAction* entry = window->Entry("&Setup", "&DurIdozezed");
    ASSERT_NE(entry, nullptr);
    auto play = [&](bool ok) {
        Dialogs.ModalScripts.push_back([ok](QDialog& dialog) {
            auto& setup = dynamic_cast<TfrmDurIdozezed&>(dialog);
            setup.SpinUp->click();
            setup.SpinUp->click();
            (ok ? setup.btnOK : setup.btnCancel)->click();
            return setup.result();
        });
        entry->trigger();
    };

    play(false);
    EXPECT_EQ(Read("duridozezed.dat"), "<missing>");
    EXPECT_EQ(window->DurIdozezedDelayText(), "0.5");

    play(true);
    EXPECT_EQ(Read("duridozezed.dat"), "1.5\r\n");
    EXPECT_EQ(window->DurIdozezedDelayText(), "1.5");

    play(true);
    EXPECT_EQ(Read("duridozezed.dat"), "2.5\r\n");
    EXPECT_EQ(window->DurIdozezedDelayText(), "2.5");
}

} // namespace
