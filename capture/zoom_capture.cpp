#include "capture/zoom_capture.h"

#include "capture/capture_intake.h"

#include <exception>

TZoomCapture::TZoomCapture(const TServices& services, TCaptureIntake& intake)
    : Services(services), Intake(intake) {}

TZoomCapture::~TZoomCapture() {
    if (!IsOpen())
        return;
    Services.HotKeys.Unregister(HotKeyZoomClose);
    // The window keeps the factor itself as it goes, as far as it can.
    frmZoom.reset();
}

void TZoomCapture::CaptureZoom(TWindowId foregroundAtHotKey) {
    if (ZoomPressCounter == 0)
        OpenZoomWindow(foregroundAtHotKey);
    else
        TakeZoomPicture();
}

void TZoomCapture::OpenZoomWindow(TWindowId foregroundAtHotKey) {
    frmZoom = std::make_unique<TfrmZoom>(Services.Screen, Services.MouseHook);
    ZoomPressCounter = 1;
    Services.HotKeys.Register(HotKeyZoomClose, ModAlt, VkF4);
    frmZoom->show();
    // The user goes on working in their own window.
    Services.Windows.SetForegroundWindow(foregroundAtHotKey);
    Intake.RegisterCaptureHotKeys();
}

void TZoomCapture::TakeZoomPicture() {
    Services.HotKeys.Unregister(HotKeyZoomClose);
    const QImage picture = frmZoom->CapturePicture();
    if (picture.isNull())
        Services.Clipboard.Clear();
    else
        Services.Clipboard.SetImage(picture);
    // A factor that cannot be kept does not cost the capture: it is reported afterwards.
    std::exception_ptr factorFailure;
    try {
        CloseZoomWindow();
    } catch (const std::exception&) {
        factorFailure = std::current_exception();
    }
    if (Services.Clipboard.HasImage()) {
        Intake.TakeClipboardIntoView();
        Services.Sound.Beep();
        Intake.FinishCapture();
    } else {
        Intake.RegisterCaptureHotKeys();
    }
    if (factorFailure)
        std::rethrow_exception(factorFailure);
}

void TZoomCapture::CloseZoomWindow() {
    if (!IsOpen())
        return;
    Services.HotKeys.Unregister(HotKeyZoomClose);
    ZoomPressCounter = 0;
    std::unique_ptr<TfrmZoom> zoom = std::move(frmZoom);
    // The factor is written here, where a failure can still be reported; the window goes
    // whatever happens.
    zoom->FormDestroy();
}
