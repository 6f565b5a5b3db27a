#include "capture/timer_capture.h"

#include "capture/capture_intake.h"
#include "capture/capture_methods.h"
#include "store/settings.h"

#include <QAction>
#include <QRegularExpression>

namespace {

const char* const OnlyTheseMethods = "Timer Capture only works with the following:\r"
                                     "Full Screen\r"
                                     "Active Window\r"
                                     "Active Window Client Area\r"
                                     "User Define Rectangle With Repeat";
const char* const TooShort = "10 seconds is the smallest amount of time allowed.";

QString EveryText(int seconds) {
    return QString("every %1 seconds").arg(seconds);
}

} // namespace

TTimerCapture::TTimerCapture(const TServices& services, IMainView& window, TCaptureIntake& intake)
    : Services(services), Window(window), Intake(intake), SendKey1(services.Keyboard) {
    CapTimer.setInterval(5000);
    QObject::connect(&CapTimer, &QTimer::timeout, [this] { CapTimerTimer(); });
}

void TTimerCapture::SetMenuEntries(QAction* timerCaptureOn, QAction* timerCaptureOff) {
    TimerCaptureOn = timerCaptureOn;
    TimerCaptureOff1 = timerCaptureOff;
    CheckEntries(Intake.IsTimerCaptureOn());
}

void TTimerCapture::TimerCaptureOnClick() {
    if (!AllowedUnderTimerCapture(ReadSettingsOrDefault().CaptureMethod())) {
        // The menu may have checked the entry on its own as it was chosen: nothing changes.
        CheckEntries(Intake.IsTimerCaptureOn());
        Services.Dialogs.Message(Window.Window(), "Error", OnlyTheseMethods, TMsgIcon::Warning,
                                 mbOK);
        return;
    }
    CheckEntries(true);
    // Every answer below starts the timer afresh or stops it: no capture comes while the user
    // is asked.
    CapTimer.stop();
    const std::optional<QString> answer =
        Services.Dialogs.InputBox(Window.Window(), "Timer Capture", "Seconds", "10");
    if (!answer) {
        TimerCaptureOff1Click();
        return;
    }
    const std::optional<int> seconds = IntervalFromText(*answer);
    if (!seconds) {
        // Nothing runs, so "Timer Capture O&ff" is the entry checked.
        TimerCaptureOff1Click();
        return;
    }
    CapTimer.setInterval(*seconds * 1000);
    CapTimer.start();
    Intake.SetTimerCaptureOn(true);
    ShowTimerState();
}

std::optional<int> TTimerCapture::IntervalFromText(const QString& text) {
    const QString number = text.trimmed();
    static const QRegularExpression wholeNumber("^[+-]?[0-9]+$");
    if (!wholeNumber.match(number).hasMatch()) {
        Services.Dialogs.Message(Window.Window(), "Error",
                                 "\"" + text + "\" is not a whole number of seconds.",
                                 TMsgIcon::Warning, mbOK);
        return std::nullopt;
    }
    // Digits beyond what a 64-bit number holds are as much too large (or, with a minus, too
    // small) as any other.
    bool converted = false;
    const qlonglong value = number.toLongLong(&converted);
    const bool negative = number.startsWith('-');
    if ((converted && value < MinimumSeconds) || (!converted && negative)) {
        Services.Dialogs.Message(Window.Window(), "Warning", TooShort, TMsgIcon::Warning, mbOK);
        return std::nullopt;
    }
    if (!converted || value > MaximumSeconds) {
        Services.Dialogs.Message(
            Window.Window(), "Error",
            QString("%1 seconds is the longest amount of time allowed.").arg(MaximumSeconds),
            TMsgIcon::Warning, mbOK);
        return std::nullopt;
    }
    return int(value);
}

void TTimerCapture::TimerCaptureOff1Click() {
    Intake.SetTimerCaptureOn(false);
    CheckEntries(false);
    CapTimer.stop();
    ShowTimerState();
}

void TTimerCapture::CaptureMethodChosen(int method) {
    if (!AllowedUnderTimerCapture(method))
        TimerCaptureOff1Click();
}

void TTimerCapture::CapTimerTimer() {
    // A capture still under way (a slow printer, a message waiting for an answer) is not
    // started again; its hot key is released meanwhile, so the key would reach the window in
    // front instead.
    if (TickRunning || Intake.IsCaptureRunning())
        return;
    TickRunning = true;
    RunCommand(Services.Dialogs, Window.Window(), [this] {
        if (Services.HotKeys.IsRegistered(HotKeyPrintScreen)) {
            // The press reaches our hot key like the user's own, in front of the window the
            // user works in, which the capture then sees as the window in front.
            SendKey1.SendKeysToWindow("{PRTSC}", Services.Windows.ForegroundWindow());
        } else {
            // Another program holds PrintScreen: a press would set off its capture, not ours,
            // every tick. The capture is started as the key would have started it.
            Intake.WMHotKey(HotKeyPrintScreen);
        }
        Services.Sound.Beep();
    });
    TickRunning = false;
}

void TTimerCapture::CheckEntries(bool on) {
    if (TimerCaptureOn)
        TimerCaptureOn->setChecked(on);
    if (TimerCaptureOff1)
        TimerCaptureOff1->setChecked(!on);
}

void TTimerCapture::ShowTimerState() {
    if (Intake.IsTimerCaptureOn()) {
        const int seconds = CapTimer.interval() / 1000;
        Window.ShowTimerStatus("Timer capture on: " + EveryText(seconds));
        Services.Tray.SetHint("Karvin: timer capture " + EveryText(seconds));
    } else {
        Window.ShowTimerStatus(QString());
        Services.Tray.SetHint("Karvin");
    }
}
