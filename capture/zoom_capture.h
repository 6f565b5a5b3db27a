// "Zoom Capture": the first press of the capture key opens the magnifier (TfrmZoom), the
// second captures what it shows, at the size it shows it, and closes it. While it is open,
// Alt+F4 is held as a hot key of ours, so that the key closes neither the magnifier nor any
// other window.
#pragma once

#include "capture/frm_zoom.h"
#include "platform/services.h"

#include <memory>

class TCaptureIntake;

class TZoomCapture {
public:
    TZoomCapture(const TServices& services, TCaptureIntake& intake);
    // Closes an open magnifier without a capture.
    ~TZoomCapture();
    TZoomCapture(const TZoomCapture&) = delete;
    TZoomCapture& operator=(const TZoomCapture&) = delete;

    // The method's turn on the capture key: opens the magnifier, or captures and closes it.
    // `foregroundAtHotKey` is the window the user works in, which keeps the keyboard.
    void CaptureZoom(TWindowId foregroundAtHotKey);
    // Closes an open magnifier without a capture (another method's press, another method
    // chosen). Throws EFileError when the factor cannot be kept; the magnifier is closed all
    // the same.
    void CloseZoomWindow();

    bool IsOpen() const { return ZoomPressCounter == 1; }
    // The magnifier while it is open, else nullptr.
    TfrmZoom* ZoomWindow() const { return frmZoom.get(); }

private:
    void OpenZoomWindow(TWindowId foregroundAtHotKey);
    void TakeZoomPicture();

    TServices Services;
    TCaptureIntake& Intake;
    // 1 while the magnifier is open, 0 otherwise.
    int ZoomPressCounter = 0;
    std::unique_ptr<TfrmZoom> frmZoom;
};
