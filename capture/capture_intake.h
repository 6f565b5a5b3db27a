// The capture intake: the hot keys, the capture methods and the road from a capture to the
// next listed "pic" file. Owned by the main window, which forwards the hot keys' message here.
//
// The road of one capture: hot key -> WMHotKey -> the method of the settings (a picture on
// the clipboard and in the view) -> FinishCapture (grey, negative, printing, StoreCapture,
// the new row selected) -> the hot keys back and the focus back to the window in front.
#pragma once

#include "capture/region_highlight.h"
#include "imaging/dib_graphic.h"
#include "imaging/image_transform.h"
#include "platform/services.h"
#include "store/settings.h"
#include "widgets/feature_links.h"
#include "widgets/main_view.h"

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

class TConsoleCapture;
class TDurIdozezedCapture;
class TTimerCapture;
class TZoomCapture;

class TCaptureIntake {
public:
    TCaptureIntake(const TServices& services, IMainView& window, ICapturePrinting& printing);
    ~TCaptureIntake();
    TCaptureIntake(const TCaptureIntake&) = delete;
    TCaptureIntake& operator=(const TCaptureIntake&) = delete;

    // The hot keys' message: PrintScreen (101) and the user's combination (102) capture by
    // the method of the settings; any other id (Alt+F4 while zoom capture waits) only sets
    // the view back to 100 %. "karvin trigger" arrives here as 101.
    void WMHotKey(int id);
    // Registers PrintScreen and the user's combination from the settings; a key another
    // program holds is said once in the status line and beside the tray icon.
    void RegisterCaptureHotKeys();
    void UnregisterCaptureHotKeys();

    // The simple methods: each puts the capture on the clipboard and into the view, and
    // returns whether there was anything to capture.
    bool CaptureFullScreen();
    // The foreground window with its frame; with `underPointer`, the client area of the
    // window under the pointer.
    bool CaptureWindow(bool underPointer);
    bool CaptureClientArea();
    // Grabs the rectangle once more; the clipboard and the view take this second grab.
    bool ShowCapture(const QRect& rect);
    // The picture on the clipboard into the view, at 100 %.
    void TakeClipboardIntoView();
    // Cuts one pixel off every edge of the view image.
    void CropCaptureBorder();
    // The intake of a capture that is on the clipboard and in the view: grey and negative,
    // printing, storing, listing, the hot keys back, the focus back to the window in front.
    void FinishCapture();
    // Writes the view image as the next "pic" file of the working folder in the capture
    // format and lists it with the pending page address. Throws when the file cannot be
    // written; nothing is listed then.
    void StoreCapture(TCaptureFormat format);
    // Selects the last row and shows its status line, with a notice beside the tray icon.
    void SelectLastCapture();
    // A capture that came in outside the hot keys (a picture a terminal copied), after it was
    // printed as `settings` say (`print` is what became of that; none for "Capture Only"):
    // stored and selected unless it is "Print Only" and printed or refused by the printer,
    // and its outcome told as after any capture.
    void KeepPrintedCapture(const TSettingsRecord& settings, std::optional<TCapturePrint> print);
    // The grey-scale and negative steps of `settings` on the view image, each putting the
    // result on the clipboard too.
    void ApplyCaptureColours(const TSettingsRecord& settings);

    // Selection capture: pointing at a window, dragging a rectangle or an ellipse over the
    // screen, and taking the stored area again. Each hands its capture to FinishCapture, or
    // registers the hot keys again when nothing was selected; a stored area that cannot be
    // taken throws.
    //
    // "Mouse Selected Region": the first press highlights the window under the pointer until
    // the second press, which takes its client area.
    void CaptureMouseSelectedRegion();
    void CaptureUserRectangle();
    void CaptureUserRectangleWithRepeat();
    void CaptureUserCircle();
    void CaptureUserCircleWithRepeat();
    // The tick of the region timer: the highlight moves to the window under the pointer.
    void RegionTimerTimer();
    // Ends the highlighting between the two presses without a capture.
    void CancelRegionSelection();

    // Set by a capture when the browser's page address was 256 characters or longer;
    // cleared by Go To URL.
    bool LongURL() const { return LongURL_; }
    void ClearLongURL() { LongURL_ = false; }
    // Timer capture is running: the methods that wait for the user are refused.
    void SetTimerCaptureOn(bool on) { TimerCaptureOn = on; }
    bool IsTimerCaptureOn() const { return TimerCaptureOn; }
    // A capture runs now (its hot keys are released meanwhile).
    bool IsCaptureRunning() const { return CaptureRunning; }

    // Timer capture, the magnifier and the whole-page capture, which capture through this
    // intake.
    TTimerCapture& Timer() { return *Timer_; }
    TZoomCapture& Zoom() { return *Zoom_; }
    // The console methods, which capture what terminals put on the clipboard.
    TConsoleCapture& Console() { return *Console_; }
    TDurIdozezedCapture& DurIdozezed() { return *DurIdozezed_; }
    // The method chosen in the main window's method box: timer capture stops for a method it
    // cannot run, an open magnifier closes for any other method, and the console methods
    // start or end their watch of the clipboard.
    void CaptureMethodChosen(int method);

private:
    friend class TfrmMainDriver; // the tests' view of the window and its parts

    void CaptureOnHotKey();
    void ShowTooManyImagesWarning();
    void MinimizeForCapture();
    // Karvin's other windows on the screen (help, dialogs, waiting or not) go off it for the
    // capture, and come back when it is done.
    void HideOwnWindows();
    void ShowOwnWindowsAgain();
    void AskBrowserInFront();
    void RunCaptureMethod(TCaptureMethod method);
    void FinishSimpleCapture(bool captured);
    bool CaptureRect(const QRect& rect);
    TDibGraphic GrabScreenRect(const QRect& rect);
    void DrawPointerOnScreen(TDibGraphic& grab, const QRect& rect);
    void ApplyCaptureColours();
    void TransformCapture(TImageTransform& transform);
    // Selects the last row and shows its status line.
    void SelectLastRow();
    // The notice beside the tray icon of a capture of `size` that was kept or not and printed
    // as `print` says (nothing: not to be printed); a missing printer is also told once a run
    // in the status line.
    void TellCaptureOutcome(const QSize& size, bool kept, std::optional<TCapturePrint> print);
    // With `clear`, the view is emptied as well.
    void SetViewBackTo100(bool clear);
    void ReportRefusedHotKeys(const QStringList& refused, const QStringList& working);

    void HighlightRegion(TWindowId window);
    void RemoveRegionHighlight();
    // The selection windows: the rectangle or the ellipse on the clipboard, or nothing.
    template <class TSelectionWindow> void Select();
    void PutOnClipboard(const QImage& picture);
    void FinishRepeatCapture();
    void FinishSelectionCapture();

    TServices Services;
    IMainView& Window;
    ICapturePrinting& Printing;

    // The settings as read when the capture's hot key came.
    TSettingsRecord CaptureSettings;
    // The window in front when the hot key came; it gets the focus back.
    TWindowId ForegroundAtHotKey = 0;
    // A capture runs: a press or trigger that slips in meanwhile is ignored.
    bool CaptureRunning = false;
    bool CaptureHotKeysOn = false;
    // The hot keys found held by other programs and already reported, as their names.
    QStringList ReportedRefusals;
    // The page address of the browser that was in front at the hot key, for the next capture
    // stored; empty when none.
    QString PendingURL;
    bool LongURL_ = false;
    // The missing printer has been told in this run.
    bool NoPrinterTold = false;
    bool TimerCaptureOn = false;
    // The capture under way is a scrolled page: it is printed whole, sliced over the sheets,
    // once it is stored, instead of on one sheet before.
    bool DurIdozezedRun = false;

    // The windows HideOwnWindows took off the screen, with their window ids then.
    std::vector<std::pair<QPointer<QWidget>, TWindowId>> HiddenWindows;

    // The region method between its two presses: RegionTimer ticks every 700 ms from the
    // first press on; HighlightedWindow is the window shown highlighted (0 for none);
    // RegionTickBusy is set while a tick runs and stays set while the pointer stays on the
    // highlighted window.
    QTimer RegionTimer;
    TWindowId HighlightedWindow = 0;
    bool RegionTickBusy = false;
    // The highlight of the region method, while one is shown.
    std::unique_ptr<TRegionHighlight> RegionHighlight;

    std::unique_ptr<TTimerCapture> Timer_;
    std::unique_ptr<TZoomCapture> Zoom_;
    std::unique_ptr<TConsoleCapture> Console_;
    std::unique_ptr<TDurIdozezedCapture> DurIdozezed_;
};
