// Timer capture with every platform service faked: switching it on and off from the Timer
// menu, the interval asked for and what is refused, the tick that presses PrintScreen in front
// of the user's window, and the note in the status line and the tray icon's hint.
#include "tests/app/frm_main_fixture.h"

#include "capture/capture_methods.h"
#include "capture/timer_capture.h"
#include "tests/imaging/test_images.h"

#include <QAction>
#include <QLabel>

namespace {

const char* const OnlyTheseMethods = "Timer Capture only works with the following:\r"
                                     "Full Screen\r"
                                     "Active Window\r"
                                     "Active Window Client Area\r"
                                     "User Define Rectangle With Repeat";

class TimerCapture : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        Screen.Pixels = MakeNoise(320, 200, 7);
        Editor =
            Windows.Add({"editor", "notes.txt", QRect(40, 30, 200, 120), QRect(44, 52, 192, 94)});
        Windows.Foreground = Editor;
    }
    // "Capture Only" into BMP files by `method`.
    std::unique_ptr<TfrmMainDriver> StartWith(int method) {
        TSettingsRecord record;
        record.CapSelection = method;
        record.PrintSelection = 2;
        PutSettings(record);
        auto window = StartShown();
        Sound.Beeps = 0;
        return window;
    }
    static QAction* OnEntry(TfrmMainDriver& window) {
        return window.Entry("Time&r", "Timer Capture &On");
    }
    static QAction* OffEntry(TfrmMainDriver& window) {
        return window.Entry("Time&r", "Timer Capture O&ff");
    }
    // Chooses "Timer Capture &On" as the menu does (the entry checks itself first) and
    // answers the input box with `answer`.
    void SwitchOn(TfrmMainDriver& window, std::optional<QString> answer) {
        Dialogs.InputAnswers.push_back(std::move(answer));
        OnEntry(window)->trigger();
    }
    static void ExpectOff(TfrmMainDriver& window) {
        EXPECT_FALSE(window.TimerCaptureOn());
        EXPECT_FALSE(OnEntry(window)->isChecked());
        EXPECT_TRUE(OffEntry(window)->isChecked());
        EXPECT_FALSE(window.CapTimer()->isActive());
        EXPECT_TRUE(window.TimerStatusNote()->isHidden());
    }
    std::vector<std::string> Captures() const {
        std::vector<std::string> names;
        for (const auto& name : FilesLeft())
            if (name.rfind("pic", 0) == 0)
                names.push_back(name);
        return names;
    }

    TWindowId Editor = 0;
};

} // namespace

TEST_F(TimerCapture, OnAsksForTheIntervalAndTicksPressPrintScreenInFrontOfTheUsersWindow) {
    auto window = StartWith(cmFullScreen);
    ExpectOff(*window);
    EXPECT_EQ(Tray.Hint, "Karvin");

    SwitchOn(*window, "10");

    ASSERT_EQ(Dialogs.Calls.size(), 1u);
    EXPECT_EQ(Dialogs.Calls[0].Kind, "InputBox");
    EXPECT_EQ(Dialogs.Calls[0].Caption, "Timer Capture");
    EXPECT_EQ(Dialogs.Calls[0].Text, "Seconds");
    EXPECT_TRUE(window->TimerCaptureOn());
    EXPECT_TRUE(OnEntry(*window)->isChecked());
    EXPECT_FALSE(OffEntry(*window)->isChecked());
    EXPECT_TRUE(window->CapTimer()->isActive());
    EXPECT_EQ(window->CapTimer()->interval(), 10000);
    EXPECT_TRUE(window->TimerStatusNote()->isVisible());
    EXPECT_EQ(window->TimerStatusNote()->text(), "Timer capture on: every 10 seconds");
    EXPECT_EQ(Tray.Hint, "Karvin: timer capture every 10 seconds");
    EXPECT_TRUE(Keyboard.Log.isEmpty());

    window->CapTimerTick();

    EXPECT_EQ(Keyboard.Log, (QStringList{QString("front %1").arg(Editor), "+PrtSc", "-PrtSc"}));
    EXPECT_EQ(Sound.Beeps, 1);
    // The press reaches our hot key as the user's would, and the capture follows.
    ASSERT_TRUE(HotKeys.Press(0, VkPrintScreen));
    EXPECT_EQ(Captures(), std::vector<std::string>{"pic1.bmp"});
    EXPECT_EQ(Sound.Beeps, 2);

    OffEntry(*window)->trigger();
    ExpectOff(*window);
    EXPECT_EQ(Tray.Hint, "Karvin");
}

TEST_F(TimerCapture, OnlyTheMethodsThatNeedNothingOfTheUserCanRunByTimer) {
    for (int method = 0; method <= cmDurIdozezed; ++method) {
        Dialogs.Calls.clear();
        auto window = StartWith(method);
        const bool allowed = AllowedUnderTimerCapture(method);
        if (allowed)
            Dialogs.InputAnswers.push_back("12");
        else
            Dialogs.MessageAnswers.push_back(TMsgResult::OK);
        OnEntry(*window)->trigger();
        ASSERT_EQ(Dialogs.Calls.size(), 1u) << method;
        if (allowed) {
            EXPECT_TRUE(window->TimerCaptureOn()) << method;
            EXPECT_EQ(window->CapTimer()->interval(), 12000);
            continue;
        }
        EXPECT_EQ(Dialogs.Calls[0].Caption, "Error") << method;
        EXPECT_EQ(Dialogs.Calls[0].Text, OnlyTheseMethods);
        EXPECT_EQ(Dialogs.Calls[0].Icon, TMsgIcon::Warning);
        ExpectOff(*window);
    }
}

TEST_F(TimerCapture, CancelAndEveryRefusedIntervalLeaveItOffWithoutATimer) {
    struct TCase {
        std::optional<QString> Answer;
        QString Caption; // of the message, empty for none
        QString Text;
    };
    const QString tooShort = "10 seconds is the smallest amount of time allowed.";
    const QString tooLong = QString("%1 seconds is the longest amount of time allowed.")
                                .arg(TTimerCapture::MaximumSeconds);
    const TCase cases[] = {
        {std::nullopt, "", ""},
        {"9", "Warning", tooShort},
        {"0", "Warning", tooShort},
        {"-30", "Warning", tooShort},
        {"-99999999999999999999999", "Warning", tooShort},
        {QString::number(TTimerCapture::MaximumSeconds + 1), "Error", tooLong},
        {"99999999999999999999999", "Error", tooLong},
        {"abc", "Error", "\"abc\" is not a whole number of seconds."},
        {"10.5", "Error", "\"10.5\" is not a whole number of seconds."},
        {"", "Error", "\"\" is not a whole number of seconds."},
    };
    auto window = StartWith(cmActiveWindow);
    // Running already: a refused new interval stops it too.
    SwitchOn(*window, "20");
    ASSERT_TRUE(window->CapTimer()->isActive());
    for (const TCase& c : cases) {
        Dialogs.Calls.clear();
        if (!c.Caption.isEmpty())
            Dialogs.MessageAnswers.push_back(TMsgResult::OK);
        SwitchOn(*window, c.Answer);
        const QString answer = c.Answer.value_or("(cancel)");
        ASSERT_EQ(Dialogs.Calls.size(), c.Caption.isEmpty() ? 1u : 2u) << answer.toStdString();
        if (!c.Caption.isEmpty()) {
            EXPECT_EQ(Dialogs.Calls[1].Caption, c.Caption) << answer.toStdString();
            EXPECT_EQ(Dialogs.Calls[1].Text, c.Text) << answer.toStdString();
        }
        ExpectOff(*window);
        SwitchOn(*window, "20");
    }
    // The largest interval that fits, and blanks around the number, are taken.
    SwitchOn(*window, QString(" %1 ").arg(TTimerCapture::MaximumSeconds));
    EXPECT_TRUE(window->CapTimer()->isActive());
    EXPECT_EQ(window->CapTimer()->interval(), TTimerCapture::MaximumSeconds * 1000);
}

TEST_F(TimerCapture, ChoosingAMethodItCannotRunSwitchesItOff) {
    auto window = StartWith(cmFullScreen);
    SwitchOn(*window, "10");
    // Another method it can run: it goes on.
    window->MethodBox()->setCurrentIndex(cmUserRectangleWithRepeat);
    emit window->MethodBox()->activated(cmUserRectangleWithRepeat);
    EXPECT_TRUE(window->TimerCaptureOn());
    EXPECT_TRUE(window->CapTimer()->isActive());

    window->MethodBox()->setCurrentIndex(cmUserCircle);
    emit window->MethodBox()->activated(cmUserCircle);
    ExpectOff(*window);
}

TEST_F(TimerCapture, ATickWhileACaptureRunsStartsNoSecondOne) {
    auto window = StartWith(cmFullScreen);
    SwitchOn(*window, "10");
    // The capture's hot keys are released while it runs; a tick then sends nothing.
    window->CaptureRunning() = true;
    window->CapTimerTick();
    EXPECT_TRUE(Keyboard.Log.isEmpty());
    EXPECT_EQ(Sound.Beeps, 0);
    window->CaptureRunning() = false;
    window->CapTimerTick();
    EXPECT_EQ(Keyboard.Log.size(), 3);
}

TEST_F(TimerCapture, WithPrintScreenHeldElsewhereTheTickCapturesItself) {
    auto window = StartWith(cmFullScreen);
    SwitchOn(*window, "10");
    HotKeys.Unregister(HotKeyPrintScreen);

    window->CapTimerTick();

    EXPECT_TRUE(Keyboard.Log.isEmpty());
    EXPECT_EQ(Captures(), std::vector<std::string>{"pic1.bmp"});
}

TEST_F(TimerCapture, TheRepeatMethodWithoutAStoredRectangleStoresNothing) {
    auto window = StartWith(cmUserRectangleWithRepeat);
    SwitchOn(*window, "10");
    window->CapTimerTick();
    ASSERT_TRUE(HotKeys.Press(0, VkPrintScreen));
    EXPECT_TRUE(Captures().empty());
    EXPECT_TRUE(HotKeys.IsRegistered(HotKeyPrintScreen));
    EXPECT_TRUE(window->TimerCaptureOn());
}
