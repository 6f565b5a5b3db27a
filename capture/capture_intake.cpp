#include "capture/capture_intake.h"

#include "capture/capture_file.h"
#include "capture/capture_methods.h"
#include "capture/capture_rect.h"
#include "capture/console_capture.h"
#include "capture/duridozezed_capture.h"
#include "capture/frm_blank.h"
#include "capture/frm_draw_circle.h"
#include "capture/mouse_pointer.h"
#include "capture/repeat_area.h"
#include "capture/selection_shapes.h"
#include "capture/timer_capture.h"
#include "capture/zoom_capture.h"
#include "imaging/convert_to_gray_transform.h"
#include "imaging/crop_transform.h"
#include "imaging/negative_transform.h"
#include "platform/dib_qimage.h"
#include "platform/wait_seconds.h"
#include "store/work_folder.h"
#include "widgets/capture_formats.h"
#include "widgets/capture_list.h"
#include "widgets/image_scroll_box.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>

#include <algorithm>

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

// How long the windows under a highlight that goes are given to draw themselves again before
// the screen is read for the next one.
constexpr double RepaintPause = 0.1;

// The notices of this program still on the screen (the one beside the tray icon after the
// last capture, a tool tip): they go before the screen is read, so that no capture shows them.
void HideOwnNotices() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->windowType() == Qt::ToolTip)
            widget->hide();
}

} // namespace

TCaptureIntake::TCaptureIntake(const TServices& services, IMainView& window,
                               ICapturePrinting& printing)
    : Services(services), Window(window), Printing(printing) {
    RegionTimer.setInterval(700);
    QObject::connect(&RegionTimer, &QTimer::timeout, [this] { RegionTimerTimer(); });
    Timer_ = std::make_unique<TTimerCapture>(services, window, *this);
    Zoom_ = std::make_unique<TZoomCapture>(services, *this);
    Console_ = std::make_unique<TConsoleCapture>(services, window, printing, *this);
    DurIdozezed_ = std::make_unique<TDurIdozezedCapture>(services, window, *this);
}

TCaptureIntake::~TCaptureIntake() = default;

void TCaptureIntake::CaptureMethodChosen(int method) {
    Timer_->CaptureMethodChosen(method);
    if (method != cmZoom)
        Zoom_->CloseZoomWindow();
    Console_->ConsoleMethodChosen(method);
}

// The hot-key message.

void TCaptureIntake::WMHotKey(int id) {
    // Escape while a page capture scrolls: it arrives while that capture waits.
    if (id == HotKeyDurIdozezedStop) {
        DurIdozezed_->Stop();
        return;
    }
    if (id != HotKeyPrintScreen && id != HotKeyUser) {
        SetViewBackTo100(ReadSettingsOrDefault().PrintChoice() == psPrintOnly);
        return;
    }
    // A press that comes while a capture is under way (before the hot keys are released, or
    // through "karvin trigger") would start a capture inside this one.
    if (CaptureRunning)
        return;
    CaptureRunning = true;
    RunCommand(Services.Dialogs, Window.Window(), [this] { CaptureOnHotKey(); });
    DurIdozezedRun = false;
    // Also when the capture failed or was cancelled, or waits for a second press.
    ShowOwnWindowsAgain();
    CaptureRunning = false;
    // Whatever ended the capture, a failure included, the hot keys work again.
    if (!CaptureHotKeysOn)
        RegisterCaptureHotKeys();
}

void TCaptureIntake::CaptureOnHotKey() {
    DurIdozezedRun = false;
    // The folder or its settings may have gone while the program ran (a clean-up of the
    // cache): the capture makes them again, with the default record.
    EnsureWorkFolder();
    CaptureSettings = EnsureAndReadSettings();
    // Console screens come in through the clipboard, never on the hot key.
    if (IsConsoleMethod(CaptureSettings.CaptureMethod()))
        return;
    if (Window.Captures().Count() >= ManyImages)
        ShowTooManyImagesWarning();
    MinimizeForCapture();
    ForegroundAtHotKey = Services.Windows.ForegroundWindow();
    QCoreApplication::processEvents();
    // No second capture can start while this one runs.
    UnregisterCaptureHotKeys();
    AskBrowserInFront();
    RunCaptureMethod(EnsureAndReadSettings().CaptureMethod());
}

void TCaptureIntake::ShowTooManyImagesWarning() {
    Services.Dialogs.Message(Window.Window(), "Warning", ManyImagesWarning, TMsgIcon::Warning,
                             mbOK);
}

void TCaptureIntake::MinimizeForCapture() {
    HideOwnNotices();
    HideOwnWindows();
    QWidget* window = Window.Window();
    if (!window->isVisible())
        return;
    if (window->isMinimized()) {
        // A window manager that brings a window back from the task bar on the desktop's
        // request (_NET_ACTIVE_WINDOW) may leave it minimised in Qt's eyes: only a window
        // that is really off the screen is left as it is.
        if (Services.Windows.WaitUntilUnmapped(window->winId(), 0))
            return;
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    }
    window->showMinimized();
    // No capture may show the window: wait until the window manager has taken it off the
    // screen. A window manager that does not answer in time does not hold the capture up.
    Services.Windows.WaitUntilUnmapped(window->winId());
}

void TCaptureIntake::HideOwnWindows() {
    // An open menu closes, as it would at a click elsewhere.
    while (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    std::vector<TWindowId> hidden;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        // The main window minimises itself; a window minimised is not on the screen; windows
        // the window manager is told to leave alone are the capture's own overlays and the
        // tray icon. A message beside the tray icon goes too.
        if (widget == Window.Window() || !widget->isVisible() || widget->isMinimized() ||
            (widget->windowFlags() & Qt::BypassWindowManagerHint))
            continue;
        const TWindowId id = widget->winId();
        const bool hiddenAlready =
            std::any_of(HiddenWindows.begin(), HiddenWindows.end(),
                        [id](const auto& entry) { return entry.second == id; });
        if (hiddenAlready)
            continue;
        Services.Windows.HideOwnWindow(id);
        HiddenWindows.emplace_back(widget, id);
        hidden.push_back(id);
    }
    for (TWindowId id : hidden)
        Services.Windows.WaitUntilUnmapped(id);
}

void TCaptureIntake::ShowOwnWindowsAgain() {
    // A window closed meanwhile stays closed.
    for (const auto& [widget, id] : HiddenWindows)
        if (widget && widget->isVisible() && widget->winId() == id)
            Services.Windows.ShowOwnWindowAgain(id);
    HiddenWindows.clear();
}

void TCaptureIntake::AskBrowserInFront() {
    const QString className = Services.Windows.ClassName(Services.Windows.ForegroundWindow());
    // Not a browser: a blank address, which trims to none. A browser is asked on another
    // thread, and the window goes on repainting while it answers.
    const QString answer = BrowserKindOfClass(className) == bkNone
                               ? QString(" ")
                               : WaitForBrowserURL(Services.BrowserURLs.AskBrowserURL(className),
                                                   BrowserQueryTimeoutMs);
    const TPendingAddress address = PendingAddressFromAnswer(answer);
    PendingURL = address.URL;
    LongURL_ = address.LongURL;
}

void TCaptureIntake::RunCaptureMethod(TCaptureMethod method) {
    // A press of another method ends the highlighting of the region method, which would
    // otherwise stay on the screen until the region method is chosen again.
    if (method != cmMouseSelectedRegion)
        CancelRegionSelection();
    // The same for the magnifier, which would otherwise hold Alt+F4 until then.
    if (method != cmZoom)
        Zoom_->CloseZoomWindow();
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
    case cmZoom:
        Zoom_->CaptureZoom(ForegroundAtHotKey);
        break;
    case cmDurIdozezed:
        DurIdozezedRun = true;
        DurIdozezed_->CaptureDurIdozezed();
        break;
    default:
        // A method the program does not have, or a number that names none: nothing is
        // captured.
        RegisterCaptureHotKeys();
        break;
    }
}

void TCaptureIntake::FinishSimpleCapture(bool captured) {
    if (captured && Services.Clipboard.HasImage()) {
        Services.Sound.Beep();
        FinishCapture();
    } else {
        RegisterCaptureHotKeys();
    }
}

// The hot keys.

void TCaptureIntake::RegisterCaptureHotKeys() {
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

void TCaptureIntake::UnregisterCaptureHotKeys() {
    Services.HotKeys.Unregister(HotKeyPrintScreen);
    Services.HotKeys.Unregister(HotKeyUser);
    CaptureHotKeysOn = false;
}

void TCaptureIntake::ReportRefusedHotKeys(const QStringList& refused, const QStringList& working) {
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
    Window.SetStatusText(text);
    Services.Tray.ShowMessage("Karvin", text, TTrayNoticeIcon::Warning);
}

// The simple methods.

bool TCaptureIntake::CaptureFullScreen() {
    return CaptureRect(FullScreenRect(Services.Screen));
}

bool TCaptureIntake::CaptureWindow(bool underPointer) {
    return CaptureRect(underPointer ? WindowUnderPointerRect(Services.Windows, Services.Screen)
                                    : ActiveWindowRect(Services.Windows, Services.Screen));
}

bool TCaptureIntake::CaptureClientArea() {
    return CaptureRect(ActiveClientRect(Services.Windows, Services.Screen));
}

bool TCaptureIntake::CaptureRect(const QRect& rect) {
    const TDibGraphic grab = GrabScreenRect(rect);
    // A window entirely off the screen, or a screen that cannot be read.
    if (grab.Empty())
        return false;
    Services.Clipboard.SetImage(DibToQImage(grab));
    return ShowCapture(rect);
}

bool TCaptureIntake::ShowCapture(const QRect& rect) {
    const TDibGraphic grab = GrabScreenRect(rect);
    if (grab.Empty())
        return false;
    Services.Clipboard.SetImage(DibToQImage(grab));
    TakeClipboardIntoView();
    Window.View().SetZoomPercent(100);
    return !Window.View().Graphic().Empty();
}

TDibGraphic TCaptureIntake::GrabScreenRect(const QRect& rect) {
    TDibGraphic grab = Services.Screen.GrabScreenRect(rect);
    if (!grab.Empty())
        DrawPointerOnScreen(grab, rect);
    return grab;
}

void TCaptureIntake::DrawPointerOnScreen(TDibGraphic& grab, const QRect& rect) {
    // The X server draws the pointer over the screen's pixels, so no grab holds it: the
    // pointer picture is painted into the grab where the pointer is.
    if (CaptureSettings.MouseCursor != 1)
        return;
    const QPoint pointer = Services.Screen.PointerPos() - rect.topLeft();
    PaintMousePointer(grab, pointer.x(), pointer.y());
}

void TCaptureIntake::TakeClipboardIntoView() {
    // A new capture: the copy from before an earlier capture's grey or negative step is not
    // this one's, and "View 100%" must not bring it back over it.
    Window.WorkImage().Clear();
    Window.View().AssignImage(QImageToDib(Services.Clipboard.GetImage()));
    Window.View().SetZoomPercent(100);
}

void TCaptureIntake::CropCaptureBorder() {
    TCropTransform crop;
    crop.Top = crop.Left = crop.Bottom = crop.Right = 1;
    crop.SetProgressCallback(TransformProgress(Window));
    crop.Apply(Window.View().Graphic());
    Window.View().Redraw(true);
}

// The intake.

void TCaptureIntake::FinishCapture() {
    QCoreApplication::processEvents();
    const bool stretch = CaptureSettings.PrintSizeChoice() != pzImageSize;
    const TPrintSelection choice = EnsureAndReadSettings().PrintChoice();
    ApplyCaptureColours();
    const QSize size(Window.View().Graphic().Width(), Window.View().Graphic().Height());
    std::optional<TCapturePrint> print;
    if (choice != psCaptureOnly) {
        // A scrolled page is printed at its size, sliced over as many sheets as it needs.
        print =
            DurIdozezedRun ? Printing.PrintScrolledCapture() : Printing.PrintAfterCapture(stretch);
        QCoreApplication::processEvents();
    }
    // "Print Only" keeps nothing. On a desktop without a printer, though, the capture is kept
    // as "Print and Capture" keeps it, rather than lost unprinted.
    const bool kept = choice != psPrintOnly || print == TCapturePrint::NoPrinter;
    if (kept) {
        StoreCapture(CaptureSettings.CaptureFormat());
    } else {
        Window.View().ClearImage();
        Window.WorkImage().Clear();
    }
    QCoreApplication::processEvents();
    RegisterCaptureHotKeys();
    if (kept)
        SelectLastRow();
    TellCaptureOutcome(size, kept, print);
    // The windows come back before the focus goes back, which they would otherwise take.
    ShowOwnWindowsAgain();
    QCoreApplication::processEvents();
    Services.Windows.SetForegroundWindow(ForegroundAtHotKey);
    SetViewBackTo100(!kept);
    DurIdozezedRun = false;
}

namespace {

QString NoPrinterNote() {
    return "Nothing was printed because no printer is set up.";
}

} // namespace

void TCaptureIntake::TellCaptureOutcome(const QSize& size, bool kept,
                                        std::optional<TCapturePrint> print) {
    // A desktop without printers is told once a run, in the status line and beside the tray
    // icon, instead of a printer message at every capture.
    const bool tellNoPrinter = print == TCapturePrint::NoPrinter && !NoPrinterTold;
    if (tellNoPrinter) {
        NoPrinterTold = true;
        Window.SetStatusText(NoPrinterNote() + " The capture is kept in the list.");
    }
    // The window stays out of the way and the beep is often silent: a short notice beside the
    // tray icon tells what became of the capture.
    if (!Services.Tray.Available())
        return;
    QString text = QString("%1x%2").arg(size.width()).arg(size.height());
    if (kept && !Window.Captures().IsEmpty()) {
        const QString& path = Window.Captures().Paths().last();
        text = path.mid(path.lastIndexOf('/') + 1) + ", " + text;
    }
    if (!kept && print != TCapturePrint::Printed)
        return; // the printer failed, and the user has been told
    if (print == TCapturePrint::Printed)
        text += kept ? ", printed and kept" : ", printed";
    else if (tellNoPrinter)
        text += ", kept. " + NoPrinterNote();
    else if (print)
        text += ", kept, not printed";
    else
        text += ", kept";
    Services.Tray.ShowMessage("Karvin", text, TTrayNoticeIcon::Information);
}

void TCaptureIntake::ApplyCaptureColours() {
    ApplyCaptureColours(CaptureSettings);
}

void TCaptureIntake::ApplyCaptureColours(const TSettingsRecord& settings) {
    if (settings.GrayScale == 1) {
        TConvertToGrayTransform grey;
        TransformCapture(grey);
    }
    if (settings.Negative == 1) {
        TNegativeTransform negative;
        TransformCapture(negative);
    }
}

void TCaptureIntake::TransformCapture(TImageTransform& transform) {
    // The view keeps the capture as it was before, for "View 100%".
    Window.WorkImage() = Window.View().Graphic();
    transform.SetProgressCallback(TransformProgress(Window));
    transform.ApplyOnDest(Window.WorkImage(), Window.View().Graphic());
    Window.View().Redraw(true);
    QCoreApplication::processEvents();
    Services.Clipboard.SetImage(DibToQImage(Window.View().Graphic()));
}

void TCaptureIntake::StoreCapture(TCaptureFormat format) {
    const std::string extension = CaptureFormatExtension(format);
    EnsureWorkFolder();
    const std::string path = NextImageName(WorkFolder(), extension);
    TDibGraphic& image = Window.View().Graphic();
    // On a screen of 256 or 16 colours the file holds what the screen can show, and the
    // capture as it was stays for "View 100%". JPEG files take true colour.
    const bool jpeg = ImageFileFormatOf(path).Codec == TImageCodec::Jpeg;
    TDibGraphic beforeReduction = jpeg ? TDibGraphic() : image;
    if (PrepareCaptureForFile(image, path, Services.Screen.ScreenColorCount(),
                              ReadSettingsOrDefault().CaptureFormat() == cfJpeg,
                              TransformProgress(Window))) {
        if (!jpeg)
            Window.WorkImage() = std::move(beforeReduction);
        Window.View().Redraw(true);
    }
    QCoreApplication::processEvents();
    WriteCaptureFile(image, path);
    Window.Captures().Add(QFile::decodeName(path.c_str()), PendingURL);
    PendingURL.clear();
}

void TCaptureIntake::SelectLastRow() {
    TCaptureList& list = Window.Captures();
    list.SelectLast();
    if (list.IsEmpty())
        return;
    const QString& path = list.Paths().last();
    Window.ShowImageStatus(path);
}

void TCaptureIntake::KeepPrintedCapture(const TSettingsRecord& settings,
                                        std::optional<TCapturePrint> print) {
    const TDibGraphic& image = Window.View().Graphic();
    const QSize size(image.Width(), image.Height());
    // As after a hot-key capture: without any printer, "Print Only" keeps the capture rather
    // than lose it unprinted.
    const bool kept = settings.PrintChoice() != psPrintOnly || print == TCapturePrint::NoPrinter;
    if (kept) {
        StoreCapture(settings.CaptureFormat());
        SelectLastRow();
    }
    TellCaptureOutcome(size, kept, print);
}

void TCaptureIntake::SelectLastCapture() {
    SelectLastRow();
    if (Window.Captures().IsEmpty())
        return;
    const TDibGraphic& image = Window.View().Graphic();
    TellCaptureOutcome(QSize(image.Width(), image.Height()), true, std::nullopt);
}

void TCaptureIntake::SetViewBackTo100(bool clear) {
    // Not through the zoom box's command: that would bring back the capture as it was before
    // its grey or negative step.
    Window.ResetZoomBox();
    Window.View().SetZoomPercent(100);
    if (clear)
        Window.View().ClearImage();
}

// Selection capture.

// "Mouse Selected Region": the first press starts highlighting the window under the pointer,
// the second takes its client area.

void TCaptureIntake::CaptureMouseSelectedRegion() {
    MinimizeForCapture();
    if (RegionTimer.isActive()) {
        RegionTimer.stop();
    } else if (!RegionTickBusy) {
        HighlightedWindow = 0;
        RegionTimer.start();
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

void TCaptureIntake::RegionTimerTimer() {
    RegionTimer.stop();
    RegionTickBusy = true;
    const TWindowId window = Services.Windows.WindowFromPoint(Services.Screen.PointerPos());
    if (window == HighlightedWindow) {
        RegionTimer.start();
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
    RegionTimer.start();
}

void TCaptureIntake::CancelRegionSelection() {
    RegionTimer.stop();
    RemoveRegionHighlight();
    RegionTickBusy = false;
    HighlightedWindow = 0;
}

void TCaptureIntake::HighlightRegion(TWindowId window) {
    const auto client = Services.Windows.ClientRect(window);
    if (client)
        RegionHighlight = ShowRegionHighlight(Services.Screen, *client);
}

void TCaptureIntake::RemoveRegionHighlight() {
    if (!RegionHighlight)
        return;
    RegionHighlight.reset();
    // The windows underneath draw themselves again; the next picture of the screen must not
    // catch them half done.
    WaitSeconds(RepaintPause);
}

// "User-Defined Rectangle", once and with repeat.

void TCaptureIntake::CaptureUserRectangle() {
    Select<TfrmBlank>();
    if (!Services.Clipboard.HasImage()) {
        RegisterCaptureHotKeys();
        return;
    }
    TakeClipboardIntoView();
    // The grab took the dotted outline along on its border; a small rectangle keeps it whole.
    const TDibGraphic& image = Window.View().Graphic();
    if (image.Width() > 4 && image.Height() > 4)
        CropCaptureBorder();
    FinishSelectionCapture();
}

void TCaptureIntake::CaptureUserRectangleWithRepeat() {
    if (const auto area = ReadRepeatArea(Services.Screen.ScreenSize()))
        PutOnClipboard(DibToQImage(Services.Screen.GrabScreenRect(*area)));
    else
        Select<TfrmBlank>();
    FinishRepeatCapture();
}

// "User-Defined Circle", once and with repeat.

void TCaptureIntake::CaptureUserCircle() {
    Select<TfrmDrawCircle>();
    if (!Services.Clipboard.HasImage()) {
        RegisterCaptureHotKeys();
        return;
    }
    TakeClipboardIntoView();
    Services.Sound.Beep();
    FinishCapture();
}

void TCaptureIntake::CaptureUserCircleWithRepeat() {
    if (const auto area = ReadRepeatArea(Services.Screen.ScreenSize())) {
        QImage picture = DibToQImage(Services.Screen.GrabScreenRect(*area));
        if (!picture.isNull())
            CutOutEllipse(picture);
        PutOnClipboard(picture);
        QCoreApplication::processEvents();
    } else {
        Select<TfrmDrawCircle>();
    }
    FinishRepeatCapture();
}

// The steps the methods share.

template <class TSelectionWindow> void TCaptureIntake::Select() {
    TSelectionWindow selection(Services.Screen, Services.Clipboard);
    Services.Dialogs.ExecModal(selection);
    // The capture is on the clipboard all the same; only the next repeat misses its area.
    if (!selection.RepeatFileError.isEmpty())
        ReportError(Services.Dialogs, Window.Window(), selection.RepeatFileError);
}

void TCaptureIntake::PutOnClipboard(const QImage& picture) {
    // A screen that could not be read leaves nothing, not the clipboard's earlier picture.
    if (picture.isNull())
        Services.Clipboard.Clear();
    else
        Services.Clipboard.SetImage(picture);
}

void TCaptureIntake::FinishRepeatCapture() {
    if (!Services.Clipboard.HasImage()) {
        RegisterCaptureHotKeys();
        return;
    }
    TakeClipboardIntoView();
    // The border goes whatever the size, so a repeat is as large as the drag that stored it
    // once cut; a side of 2 pixels or less would leave nothing.
    const TDibGraphic& image = Window.View().Graphic();
    if (image.Width() < 3 || image.Height() < 3)
        throw EImageError("The area is too small to capture with its border cut off; it needs "
                          "at least 3 x 3 pixels.");
    CropCaptureBorder();
    FinishSelectionCapture();
}

void TCaptureIntake::FinishSelectionCapture() {
    QCoreApplication::processEvents();
    Services.Clipboard.SetImage(DibToQImage(Window.View().Graphic()));
    Window.EndProgress();
    Services.Sound.Beep();
    FinishCapture();
}
