// "DurIdozezed": a whole page of the window under the pointer, longer than the screen, as one
// tall picture. The window gets the keyboard focus and is scrolled to its top, then page by
// page through key presses (or by the mouse wheel where Page Down moves nothing); each page is
// grabbed and kept as "scr" + N + ".bmp" in the working folder. Scrolling ends when a page comes
// out the same as the one before (the bottom), when the pages come to the pixel budget, or after
// MaxPages pages. The pages are joined into "big.bmp", each drawn over the rows it repeats of the
// page before, and the joined picture goes through the ordinary intake, printed sliced over as many
// sheets as it needs.
//
// Escape stops a capture while it scrolls; a window that closes stops it too. Either way
// nothing is kept: the page files go and the capture keys come back.
#pragma once

#include "imaging/dib_graphic.h"
#include "platform/services.h"
#include "widgets/main_view.h"

#include <QRect>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class TCaptureIntake;

class TDurIdozezedCapture {
public:
    // Scrolling stops once the pages taken, each counted as its height x 800, pass this.
    static constexpr long long PixelBudgetLimit = 6999999;
    static constexpr int PixelBudgetRowWeight = 800;
    // The pages one capture takes at most.
    static constexpr int MaxPages = 200;

    TDurIdozezedCapture(const TServices& services, IMainView& window, TCaptureIntake& intake);
    ~TDurIdozezedCapture();
    TDurIdozezedCapture(const TDurIdozezedCapture&) = delete;
    TDurIdozezedCapture& operator=(const TDurIdozezedCapture&) = delete;

    // Setup > "&DurIdozezed": the delay dialog, then the delay as the file now holds it.
    void DurIdozezedDelay1Click();
    // The delay between the steps from "duridozezed.dat" ("0.5" without a valid one).
    void ReadDelay();
    const QString& DurIdozezedDelay() const { return DurIdozezedDelay_; }

    // The method's turn on the capture key: scrolls, joins the pages and hands the picture
    // to the intake, or gives the capture keys back when there is nothing to take. Throws
    // when the delay is not a number or a page file cannot be written; nothing is kept then.
    void CaptureDurIdozezed();
    // Escape while the window scrolls: the capture stops before its next page.
    void Stop();
    bool IsRunning() const { return Running; }

    // How the steps wait for the window to scroll and repaint (WaitSeconds); tests that
    // script the window make the waits instant.
    void SetWait(std::function<void(double seconds)> wait) { Wait = std::move(wait); }

private:
    class TPageFiles;

    // Scrolls the window under the pointer and writes the pages and "big.bmp"; false when
    // there was nothing to take or the capture was stopped.
    bool ScrollCapture(double delay);
    TDibGraphic GrabPage();
    // Presses the keys and waits for the window; false when the capture is interrupted.
    bool Press(const QString& keys, double delay);
    // Turns the wheel by `steps` (up when negative) and waits, as Press does.
    bool Turn(int steps, double delay);
    // Scrolls up by `up` until the page no longer moves (at most `maxSteps` times); `page` is
    // the grab before and then the top. False when the capture is interrupted or the window
    // leaves the screen.
    bool ScrollToTop(TDibGraphic& page, const std::function<bool()>& up, long long maxSteps);
    // The window has gone, or the user pressed Escape.
    bool Interrupted() const;
    // `shaded`: the rows at the top of the pages that a shade of the window darkens.
    void StitchPages(TPageFiles& pages, const std::vector<int>& overlaps, int shaded);
    void LoadResultIntoView();

    TServices Services;
    IMainView& Window;
    TCaptureIntake& Intake;
    QString DurIdozezedDelay_ = "0.5";
    std::function<void(double)> Wait;

    // The capture under way: the window scrolled and the part of the screen that scrolls.
    bool Running = false;
    bool StopRequested = false;
    TWindowId Target = 0;
    QRect PageRect;
};

// The delay text as seconds; throws with the conversion error for a text that is no number.
double DurIdozezedDelaySeconds(const QString& delay);

// The keys that scroll a window of that (lower-cased) class, in the key language: to its top,
// one page up and one page down. Terminals scroll their history with Shift held; they get no
// key for the top, which many of them would pass on to the program running in them, and are
// paged up instead. Browsers go to the top with Home; other windows with Ctrl+Home, as text
// views do.
struct TScrollKeys {
    QString Top;
    QString PageUp;
    QString PageDown;
    bool operator==(const TScrollKeys&) const = default;
};
TScrollKeys ScrollKeysOfClass(const QString& className);

// How many wheel steps the next page scrolls by: after `steps` steps moved a page of
// `pageHeight` rows so far that it repeats `repeatedRows` of the page before, about three
// quarters of a page, so that pages keep rows in common to match; at most twice as many as
// before (a step may have moved less than it will), and half as many when nothing was repeated.
int WheelStepsPerPage(int steps, int pageHeight, int repeatedRows);

// The part of a browser window's client area that scrolls with its page at first sight: the
// edges in by 3 pixels, and the right edge further in by the width of the vertical scroll
// bar. Tool bars above the page are found later, when the first scroll leaves them in place.
QRect BrowserPageRect(const QRect& client);
