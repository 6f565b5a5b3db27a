// Timer capture: every N seconds (10 or more) PrintScreen is pressed on the user's behalf in
// front of the window that has the focus, and our own PrintScreen hot key turns the press into
// an ordinary capture by the method and the capture-and-print choice of the settings. Only the
// methods that need nothing of the user can run this way; choosing another one switches timer
// capture off. While it runs, the status line and the tray icon's hint say so.
#pragma once

#include "capture/send_key.h"
#include "platform/services.h"
#include "widgets/main_view.h"

#include <QString>
#include <QTimer>

#include <climits>

class QAction;
class TCaptureIntake;

class TTimerCapture {
public:
    static constexpr int MinimumSeconds = 10;
    // The longest interval the timer can hold in milliseconds (about 24 days).
    static constexpr int MaximumSeconds = INT_MAX / 1000;

    TTimerCapture(const TServices& services, IMainView& window, TCaptureIntake& intake);
    TTimerCapture(const TTimerCapture&) = delete;
    TTimerCapture& operator=(const TTimerCapture&) = delete;

    // The Timer menu's entries "Timer Capture &On" and "Timer Capture O&ff", whose check marks
    // show the state.
    void SetMenuEntries(QAction* timerCaptureOn, QAction* timerCaptureOff);

    // Asks for the interval and starts the timer, for a capture method that allows it.
    void TimerCaptureOnClick();
    void TimerCaptureOff1Click();
    // The tick: PrintScreen pressed in front of the foreground window, and a beep.
    void CapTimerTimer();
    // The capture method chosen in the method box: one that cannot run under timer capture
    // switches it off.
    void CaptureMethodChosen(int method);

private:
    friend class TfrmMainDriver; // the tests' view of the window and its parts

    void CheckEntries(bool on);
    void ShowTimerState();
    // The seconds typed, or nullopt after telling the user what is wrong with them.
    std::optional<int> IntervalFromText(const QString& text);

    TServices Services;
    IMainView& Window;
    TCaptureIntake& Intake;
    TSendKey SendKey1;
    QTimer CapTimer;
    QAction* TimerCaptureOn = nullptr;
    QAction* TimerCaptureOff1 = nullptr;
    // Set while a tick runs: a tick that comes meanwhile (the key sending waits for the
    // window in front) is skipped.
    bool TickRunning = false;
};
