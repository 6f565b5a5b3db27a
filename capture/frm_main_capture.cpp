// The main window's capture: the hot keys, the simple methods and the intake that turns a
// capture into the next listed "pic" file.
//
// The road of one capture: hot key -> WMHotKey -> the method of the settings (a picture on
// the clipboard and in the view) -> FinishCapture (grey, negative, printing, StoreCapture,
// the new row selected) -> the hot keys back and the focus back to the window in front.
#include "app/frm_main.h"

#include "app/image_scroll_box.h"
#include "app/option_texts.h"
#include "capture/capture_file.h"
#include "capture/capture_methods.h"
#include "capture/capture_rect.h"
#include "capture/mouse_pointer.h"
#include "capture/repeat_area.h"
#include "imaging/convert_to_gray_transform.h"
#include "imaging/crop_transform.h"
#include "imaging/format_registry.h"
#include "imaging/negative_transform.h"
#include "output/print_layouts.h"
#include "platform/dib_qimage.h"
#include "store/work_folder.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QTreeWidget>

namespace {

// From this many listed images on, every capture first recommends a new session.
constexpr int ManyImages = 200;
const char* const ManyImagesWarning =
    "You have 200 or more images in memory. We recommend you do the following:\r"
    "1. Save your images.\r"
    "2. Shut down Karvin and start a new session.\r"
    "This allows other programs to share resources.";

// The modifiers of the user's combination as the settings choose them.
unsigned UserHotKeyModifiers(const TSettingsRecord& settings) {
    unsigned modifiers = 0;
    if (settings.HotKeyControl == 1)
        modifiers |= ModControl;
    if (settings.HotKeyAlt == 1)
        modifiers |= ModAlt;
    if (settings.HotKeyShift == 1)
        modifiers |= ModShift;
    return modifiers;
}

// "PrintScreen", "Ctrl+Alt+P", "Shift+F5".
QString HotKeyName(unsigned modifiers, unsigned virtualKey) {
    QString name;
    if (modifiers & ModControl)
        name += "Ctrl+";
    if (modifiers & ModAlt)
        name += "Alt+";
    if (modifiers & ModShift)
        name += "Shift+";
    if (virtualKey == VkPrintScreen)
        return name + "PrintScreen";
    if (virtualKey >= VkF1 && virtualKey <= VkF12)
        return name + "F" + QString::number(virtualKey - VkF1 + 1);
    return name + QChar(char16_t(virtualKey));
}

} // namespace

// The hot-key message.

void TfrmMain::WMHotKey(int id) {
    if (id != HotKeyPrintScreen && id != HotKeyUser) {
        SetViewBackTo100();
        return;
    }
    // A press that comes while a capture is under way (before the hot keys are released, or
    // through "karvin trigger") would start a capture inside this one.
    if (CaptureRunning)
        return;
    CaptureRunning = true;
    RunCommand(Services.Dialogs, this, [this] { CaptureOnHotKey(); });
    CaptureRunning = false;
    // Whatever ended the capture, a failure included, the hot keys work again.
    if (!CaptureHotKeysOn)
        RegisterCaptureHotKeys();
}

void TfrmMain::CaptureOnHotKey() {
    CaptureSettings = ReadSettings();
    // Console screens come in through the clipboard, never on the hot key.
    if (IsConsoleMethod(CaptureSettings.CapSelection))
        return;
    if (ImagePaths.size() >= ManyImages)
        ShowTooManyImagesWarning();
    MinimizeForCapture();
    ForegroundAtHotKey = Services.Windows.ForegroundWindow();
    QCoreApplication::processEvents();
    // No second capture can start while this one runs.
    UnregisterCaptureHotKeys();
    AskBrowserInFront();
    RunCaptureMethod(ReadSettings().CapSelection);
}

void TfrmMain::ShowTooManyImagesWarning() {
    Services.Dialogs.Message(this, "Warning", ManyImagesWarning, TMsgIcon::Warning, mbOK);
}

void TfrmMain::MinimizeForCapture() {
    if (!isVisible() || isMinimized())
        return;
    showMinimized();
    // No capture may show the window: wait until the window manager has taken it off the
    // screen. A window manager that does not answer in time does not hold the capture up.
    Services.Windows.WaitUntilUnmapped(winId());
}

void TfrmMain::AskBrowserInFront() {
    const QString className = Services.Windows.ClassName(Services.Windows.ForegroundWindow());
    // Not a browser: a blank address, which trims to none. A browser is asked on another
    // thread, and the window goes on repainting while it answers.
    const QString answer = BrowserKindOfClass(className) == bkNone
                               ? QString(" ")
                               : WaitForBrowserURL(Services.BrowserURLs.AskBrowserURL(className),
                                                   BrowserQueryTimeoutMs);
    const TPendingAddress address = PendingAddressFromAnswer(answer);
    PendingURL = address.URL;
    LongURL = address.LongURL;
}

void TfrmMain::RunCaptureMethod(int method) {
    // A press of another method ends the highlighting of the region method, which would
    // otherwise stay on the screen until the region method is chosen again.
    if (method != cmMouseSelectedRegion)
        CancelRegionSelection();
    if (TimerCaptureOn && RefusedUnderTimerCapture(method, RepeatAreaStored())) {
        RegisterCaptureHotKeys();
        return;
    }
    switch (method) {
    case cmFullScreen:
        FinishSimpleCapture(CaptureFullScreen());
        break;
    case cmActiveWindow:
        FinishSimpleCapture(CaptureWindow(false));
        break;
    case cmActiveWindowClientArea:
        FinishSimpleCapture(CaptureClientArea());
        break;
    case cmMouseSelectedRegion:
        CaptureMouseSelectedRegion();
        break;
    case cmUserRectangle:
        CaptureUserRectangle();
        break;
    case cmUserRectangleWithRepeat:
        CaptureUserRectangleWithRepeat();
        break;
    case cmUserCircle:
        CaptureUserCircle();
        break;
    case cmUserCircleWithRepeat:
        CaptureUserCircleWithRepeat();
        break;
    default:
        // A method the program does not have, or a number that names none: nothing is
        // captured.
        RegisterCaptureHotKeys();
        break;
    }
}

void TfrmMain::FinishSimpleCapture(bool captured) {
    if (captured && Services.Clipboard.HasImage()) {
        Services.Sound.Beep();
        FinishCapture();
    } else {
        RegisterCaptureHotKeys();
    }
}

// The hot keys.

void TfrmMain::RegisterCaptureHotKeys() {
    // Never fails: the keys must come back even when the settings file has gone.
    const TSettingsRecord settings = ReadSettingsOrDefault();
    QStringList refused;
    QStringList working;
    auto enlist = [&](int id, unsigned modifiers, unsigned virtualKey) {
        const bool registered = Services.HotKeys.Register(id, modifiers, virtualKey);
        (registered ? working : refused) << HotKeyName(modifiers, virtualKey);
    };
    enlist(HotKeyPrintScreen, 0, VkPrintScreen);
    const unsigned modifiers = UserHotKeyModifiers(settings);
    // A combination without Ctrl, Alt or Shift is not offered by the settings; a bare letter
    // taken from every other program would make it impossible to type.
    if (modifiers != 0)
        enlist(HotKeyUser, modifiers, unsigned(HotKeyVirtualKey(settings.HotKeyKey)));
    else
        Services.HotKeys.Unregister(HotKeyUser);
    CaptureHotKeysOn = true;
    ReportRefusedHotKeys(refused, working);
}

void TfrmMain::UnregisterCaptureHotKeys() {
    Services.HotKeys.Unregister(HotKeyPrintScreen);
    Services.HotKeys.Unregister(HotKeyUser);
    CaptureHotKeysOn = false;
}

void TfrmMain::ReportRefusedHotKeys(const QStringList& refused, const QStringList& working) {
    // Desktops often keep PrintScreen for themselves; a key that silently does nothing would
    // leave the user pressing it. Each key is reported once, not at every capture.
    QStringList news;
    for (const QString& key : refused)
        if (!ReportedRefusals.contains(key))
            news << key;
    if (news.isEmpty())
        return;
    ReportedRefusals << news;
    QString text = news.join(" and ") + (news.size() == 1 ? " is in use by another program. "
                                                          : " are in use by other programs. ");
    if (!working.isEmpty())
        text += "Capture with " + working.join(" or ") +
                ", or have your desktop run \"karvin trigger\" on a key of your choice.";
    else
        text += "Have your desktop run \"karvin trigger\" on a key of your choice to capture.";
    StatPanelText->setText(text);
    Services.Tray.ShowMessage("Karvin", text);
}

// The simple methods.

bool TfrmMain::CaptureFullScreen() {
    return CaptureRect(FullScreenRect(Services.Screen));
}

bool TfrmMain::CaptureWindow(bool underPointer) {
    return CaptureRect(underPointer ? WindowUnderPointerRect(Services.Windows, Services.Screen)
                                    : ActiveWindowRect(Services.Windows, Services.Screen));
}

bool TfrmMain::CaptureClientArea() {
    return CaptureRect(ActiveClientRect(Services.Windows, Services.Screen));
}

bool TfrmMain::CaptureRect(const QRect& rect) {
    const TDibGraphic grab = GrabScreenRect(rect);
    // A window entirely off the screen, or a screen that cannot be read.
    if (grab.Empty())
        return false;
    Services.Clipboard.SetImage(DibToQImage(grab));
    return ShowCapture(rect);
}

bool TfrmMain::ShowCapture(const QRect& rect) {
    const TDibGraphic grab = GrabScreenRect(rect);
    if (grab.Empty())
        return false;
    Services.Clipboard.SetImage(DibToQImage(grab));
    TakeClipboardIntoView();
    MainImage->SetZoomPercent(100);
    return !MainImage->Graphic().Empty();
}

TDibGraphic TfrmMain::GrabScreenRect(const QRect& rect) {
    TDibGraphic grab = Services.Screen.GrabScreenRect(rect);
    if (!grab.Empty())
        DrawPointerOnScreen(grab, rect);
    return grab;
}

void TfrmMain::DrawPointerOnScreen(TDibGraphic& grab, const QRect& rect) {
    // The X server draws the pointer over the screen's pixels, so no grab holds it: the
    // pointer picture is painted into the grab where the pointer is.
    if (CaptureSettings.MouseCursor != 1)
        return;
    const QPoint pointer = Services.Screen.PointerPos() - rect.topLeft();
    PaintMousePointer(grab, pointer.x(), pointer.y());
}

void TfrmMain::TakeClipboardIntoView() {
    MainImage->AssignImage(QImageToDib(Services.Clipboard.GetImage()));
    MainImage->SetZoomPercent(100);
}

void TfrmMain::CropCaptureBorder() {
    TCropTransform crop;
    crop.Top = crop.Left = crop.Bottom = crop.Right = 1;
    crop.SetProgressCallback(ReportProgressCallback());
    crop.Apply(MainImage->Graphic());
    MainImage->Redraw(true);
}

// The intake.

void TfrmMain::FinishCapture() {
    QCoreApplication::processEvents();
    const bool stretch = CaptureSettings.PrintSize != 1;
    const int choice = ReadSettings().PrintSelection;
    switch (choice) {
    case psPrintAndCapture:
        ApplyCaptureColours();
        PrintAfterCapture(stretch);
        QCoreApplication::processEvents();
        StoreCapture(CaptureSettings.DefaultFormat);
        break;
    case psPrintOnly:
        ApplyCaptureColours();
        PrintAfterCapture(stretch);
        QCoreApplication::processEvents();
        MainImage->ClearImage();
        break;
    case psCaptureOnly:
        ApplyCaptureColours();
        StoreCapture(CaptureSettings.DefaultFormat);
        break;
    }
    QCoreApplication::processEvents();
    RegisterCaptureHotKeys();
    if (choice != psPrintOnly)
        SelectLastCapture();
    QCoreApplication::processEvents();
    Services.Windows.SetForegroundWindow(ForegroundAtHotKey);
    SetViewBackTo100();
}

void TfrmMain::ApplyCaptureColours() {
    if (CaptureSettings.GrayScale == 1) {
        TConvertToGrayTransform grey;
        TransformCapture(grey);
    }
    if (CaptureSettings.Negative == 1) {
        TNegativeTransform negative;
        TransformCapture(negative);
    }
}

void TfrmMain::TransformCapture(TImageTransform& transform) {
    // The view keeps the capture as it was before, for "View 100%".
    WorkImage = MainImage->Graphic();
    transform.SetProgressCallback(ReportProgressCallback());
    transform.ApplyOnDest(WorkImage, MainImage->Graphic());
    MainImage->Redraw(true);
    QCoreApplication::processEvents();
    Services.Clipboard.SetImage(DibToQImage(MainImage->Graphic()));
}

void TfrmMain::PrintAfterCapture(bool stretch) {
    // A failing printer is told by PrintCapture; the capture is stored all the same.
    const TPrinterOrientation orientation = Services.Printer.Orientation();
    PrintCapture(stretch ? 1 : 0, PrintCaptureWidthText(orientation),
                 PrintCaptureHeightText(orientation));
}

void TfrmMain::StoreCapture(int format) {
    const std::string extension = CaptureFormatExtension(format);
    EnsureWorkFolder();
    const std::string path = NextImageName(WorkFolder(), extension);
    TDibGraphic& image = MainImage->Graphic();
    // On a screen of 256 or 16 colours the file holds what the screen can show, and the
    // capture as it was stays for "View 100%". JPEG files take true colour.
    const bool jpeg = ImageFileFormatOf(path).Codec == TImageCodec::Jpeg;
    TDibGraphic beforeReduction = jpeg ? TDibGraphic() : image;
    if (PrepareCaptureForFile(image, path, Services.Screen.ScreenColorCount(),
                              cboDefaultFormat->currentText() == "JPEG",
                              ReportProgressCallback())) {
        if (!jpeg)
            WorkImage = std::move(beforeReduction);
        MainImage->Redraw(true);
    }
    QCoreApplication::processEvents();
    WriteCaptureFile(image, path);
    AppendImage(QFile::decodeName(path.c_str()), PendingURL);
    PendingURL.clear();
}

void TfrmMain::SelectLastCapture() {
    lvPicNames->clearSelection();
    if (ImagePaths.isEmpty())
        return;
    QTreeWidgetItem* last = lvPicNames->topLevelItem(int(ImagePaths.size()) - 1);
    lvPicNames->setCurrentItem(last);
    last->setSelected(true);
    lvPicNames->scrollToItem(last);
    ShowImageStatus(ImagePaths.last());
}

void TfrmMain::SetViewBackTo100() {
    // Not through cboViewPercentClick: that would bring back the capture as it was before
    // its grey or negative step.
    cboViewPercent->setCurrentIndex(ViewPercent100);
    MainImage->SetZoomPercent(100);
    if (ReadSettingsOrDefault().PrintSelection == psPrintOnly)
        MainImage->ClearImage();
}
