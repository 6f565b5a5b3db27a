// The main window's selection methods: pointing at a window ("Mouse Selected Region"),
// dragging a rectangle or an ellipse over the screen, and taking the stored area again
// ("With Repeat"). Each ends with the capture on the clipboard and in the view, handed to
// FinishCapture, or with nothing captured and the hot keys registered again.
#include "app/frm_main.h"

#include "app/image_scroll_box.h"
#include "capture/frm_blank.h"
#include "capture/frm_draw_circle.h"
#include "capture/region_highlight.h"
#include "capture/repeat_area.h"
#include "capture/selection_shapes.h"
#include "platform/dib_qimage.h"
#include "platform/wait_seconds.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <QTimer>

namespace {

// How long the windows under a highlight that goes are given to draw themselves again before
// the screen is read for the next one.
constexpr double RepaintPause = 0.1;

} // namespace

// "Mouse Selected Region": the first press starts highlighting the window under the pointer,
// the second takes its client area.

void TfrmMain::CaptureMouseSelectedRegion() {
    MinimizeForCapture();
    if (RegionTimer->isActive()) {
        RegionTimer->stop();
    } else if (!RegionTickBusy) {
        HighlightedWindow = 0;
        RegionTimer->start();
        RegisterCaptureHotKeys();
        return;
    }
    // The second press, between two ticks or in the middle of one.
    RemoveRegionHighlight();
    WaitSeconds(1);
    RegionTickBusy = false;
    HighlightedWindow = 0;
    FinishSimpleCapture(CaptureWindow(true));
}

void TfrmMain::RegionTimerTimer() {
    RegionTimer->stop();
    RegionTickBusy = true;
    const TWindowId window = Services.Windows.WindowFromPoint(Services.Screen.PointerPos());
    if (window == HighlightedWindow) {
        RegionTimer->start();
        return;
    }
    RemoveRegionHighlight();
    QCoreApplication::processEvents();
    // A press handled meanwhile has taken the capture: no highlight may come back after it.
    if (!RegionTickBusy)
        return;
    HighlightedWindow = window;
    HighlightRegion(window);
    RegionTickBusy = false;
    RegionTimer->start();
}

void TfrmMain::CancelRegionSelection() {
    RegionTimer->stop();
    RemoveRegionHighlight();
    RegionTickBusy = false;
    HighlightedWindow = 0;
}

void TfrmMain::HighlightRegion(TWindowId window) {
    const auto client = Services.Windows.ClientRect(window);
    if (client)
        RegionHighlight = ShowRegionHighlight(Services.Screen, *client);
}

void TfrmMain::RemoveRegionHighlight() {
    if (!RegionHighlight)
        return;
    RegionHighlight.reset();
    // The windows underneath draw themselves again; the next picture of the screen must not
    // catch them half done.
    WaitSeconds(RepaintPause);
}

// "User-Defined Rectangle", once and with repeat.

void TfrmMain::CaptureUserRectangle() {
    SelectRectangle();
    if (!Services.Clipboard.HasImage()) {
        RegisterCaptureHotKeys();
        return;
    }
    TakeClipboardIntoView();
    // The grab took the dotted outline along on its border; a small rectangle keeps it whole.
    const TDibGraphic& image = MainImage->Graphic();
    if (image.Width() > 4 && image.Height() > 4)
        CropCaptureBorder();
    FinishSelectionCapture();
}

void TfrmMain::CaptureUserRectangleWithRepeat() {
    if (const auto area = ReadRepeatArea(Services.Screen.ScreenSize()))
        PutOnClipboard(DibToQImage(Services.Screen.GrabScreenRect(*area)));
    else
        SelectRectangle();
    FinishRepeatCapture();
}

// "User-Defined Circle", once and with repeat.

void TfrmMain::CaptureUserCircle() {
    SelectEllipse();
    if (!Services.Clipboard.HasImage()) {
        RegisterCaptureHotKeys();
        return;
    }
    TakeClipboardIntoView();
    Services.Sound.Beep();
    FinishCapture();
}

void TfrmMain::CaptureUserCircleWithRepeat() {
    if (const auto area = ReadRepeatArea(Services.Screen.ScreenSize())) {
        QImage picture = DibToQImage(Services.Screen.GrabScreenRect(*area));
        if (!picture.isNull())
            CutOutEllipse(picture);
        PutOnClipboard(picture);
        QCoreApplication::processEvents();
    } else {
        SelectEllipse();
    }
    FinishRepeatCapture();
}

// The steps the methods share.

void TfrmMain::SelectRectangle() {
    TfrmBlank frmBlank(Services.Screen, Services.Clipboard);
    Services.Dialogs.ExecModal(frmBlank);
    ReportRepeatFileError(frmBlank.RepeatFileError);
}

void TfrmMain::SelectEllipse() {
    TfrmDrawCircle frmDrawCircle(Services.Screen, Services.Clipboard);
    Services.Dialogs.ExecModal(frmDrawCircle);
    ReportRepeatFileError(frmDrawCircle.RepeatFileError);
}

void TfrmMain::ReportRepeatFileError(const QString& error) {
    // The capture is on the clipboard all the same; only the next repeat misses its area.
    if (!error.isEmpty())
        ReportError(Services.Dialogs, this, error);
}

void TfrmMain::PutOnClipboard(const QImage& picture) {
    // A screen that could not be read leaves nothing, not the clipboard's earlier picture.
    if (picture.isNull())
        Services.Clipboard.Clear();
    else
        Services.Clipboard.SetImage(picture);
}

void TfrmMain::FinishRepeatCapture() {
    if (!Services.Clipboard.HasImage()) {
        RegisterCaptureHotKeys();
        return;
    }
    TakeClipboardIntoView();
    // The border goes whatever the size, so a repeat is as large as the drag that stored it
    // once cut; a side of 2 pixels or less would leave nothing.
    const TDibGraphic& image = MainImage->Graphic();
    if (image.Width() < 3 || image.Height() < 3)
        throw EImageError("The area is too small to capture with its border cut off; it needs "
                          "at least 3 x 3 pixels.");
    CropCaptureBorder();
    FinishSelectionCapture();
}

void TfrmMain::FinishSelectionCapture() {
    QCoreApplication::processEvents();
    Services.Clipboard.SetImage(DibToQImage(MainImage->Graphic()));
    ProgressBar->setValue(0);
    Services.Sound.Beep();
    FinishCapture();
}
