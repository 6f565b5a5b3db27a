#include "capture/duridozezed_capture.h"

#include "capture/capture_intake.h"
#include "capture/frm_duridozezed.h"
#include "capture/page_stitch.h"
#include "capture/send_key.h"
#include "imaging/format_registry.h"
#include "platform/browser_urls.h"
#include "platform/dib_qimage.h"
#include "platform/wait_seconds.h"
#include "store/settings_files.h"
#include "store/work_folder.h"
#include "widgets/image_scroll_box.h"
#include "widgets/wait_pointer.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace {

// The width taken for a vertical scroll bar: cut off a browser's page, and left out where
// rows are compared, since the bar's thumb moves with the page.
constexpr int ScrollBarWidth = 17;
// How far a browser's page lies inside its client area on every side.
constexpr int BrowserPageInset = 3;
// How often, and how far apart in seconds, a page is grabbed again until it stands still.
constexpr int SettleAttempts = 5;
constexpr double SettlePause = 0.1;
// The wheel steps turned up at a time on the way to the top of a window scrolled by the wheel.
constexpr int WheelStepsToTop = 10;

std::string PageFileName(int page) {
    return "scr" + std::to_string(page) + ".bmp";
}

} // namespace

double DurIdozezedDelaySeconds(const QString& delay) {
    bool number = false;
    const double seconds = delay.trimmed().toDouble(&number);
    if (!number)
        throw std::runtime_error(
            QString("'%1' is not a valid floating point value").arg(delay).toStdString());
    return seconds;
}

TScrollKeys ScrollKeysOfClass(const QString& className) {
    if (IsConsoleWindowClass(className))
        return {"", "~{PGUP}", "~{PGDN}"};
    if (BrowserKindOfClass(className) != bkNone)
        return {"{HOME}", "{PGUP}", "{PGDN}"};
    return {"^{HOME}", "{PGUP}", "{PGDN}"};
}

int WheelStepsPerPage(int steps, int pageHeight, int repeatedRows) {
    steps = std::max(1, steps);
    const int moved = pageHeight - repeatedRows;
    // Nothing repeated: the steps may have gone past a page; fewer next time.
    if (repeatedRows <= 0 || moved <= 0)
        return std::max(1, steps / 2);
    const long long target = (long long)steps * (pageHeight * 3 / 4) / moved;
    return int(std::clamp<long long>(target, 1, 2LL * steps));
}

QRect BrowserPageRect(const QRect& client) {
    return client.adjusted(BrowserPageInset, BrowserPageInset, -(BrowserPageInset + ScrollBarWidth),
                           -BrowserPageInset);
}

// The page files of one capture: each is removed once it has been drawn, and whatever is
// left (a capture that stopped or failed) goes when the capture ends.
class TDurIdozezedCapture::TPageFiles {
public:
    ~TPageFiles() {
        for (const std::string& path : Paths_) {
            std::error_code ignored;
            std::filesystem::remove(path, ignored);
        }
    }
    void Write(const TDibGraphic& page) {
        Paths_.push_back(WorkPath(PageFileName(int(Paths_.size()) + 1)));
        SaveImageFile(page, Paths_.back());
    }
    int Count() const { return int(Paths_.size()); }
    const std::vector<std::string>& Paths() const { return Paths_; }

private:
    std::vector<std::string> Paths_;
};

TDurIdozezedCapture::TDurIdozezedCapture(const TServices& services, IMainView& window,
                                         TCaptureIntake& intake)
    : Services(services), Window(window), Intake(intake), Wait(WaitSeconds) {}

TDurIdozezedCapture::~TDurIdozezedCapture() = default;

void TDurIdozezedCapture::ReadDelay() {
    DurIdozezedDelay_ = QString::fromStdString(ReadDurIdozezedDelay());
}

void TDurIdozezedCapture::DurIdozezedDelay1Click() {
    {
        TfrmDurIdozezed dialog(Services.Dialogs, Window.Window());
        Services.Dialogs.ExecModal(dialog);
    }
    ReadDelay();
}

void TDurIdozezedCapture::Stop() {
    if (Running)
        StopRequested = true;
}

void TDurIdozezedCapture::CaptureDurIdozezed() {
    const double delay = DurIdozezedDelaySeconds(DurIdozezedDelay_);
    Running = true;
    StopRequested = false;
    // Escape is ours while the window scrolls, so that the user can stop a long capture.
    Services.HotKeys.Register(HotKeyDurIdozezedStop, 0, VkEscape);
    bool captured = false;
    try {
        captured = ScrollCapture(delay);
    } catch (...) {
        Services.HotKeys.Unregister(HotKeyDurIdozezedStop);
        Running = false;
        throw;
    }
    Services.HotKeys.Unregister(HotKeyDurIdozezedStop);
    Running = false;
    if (!captured || !Services.Clipboard.HasImage()) {
        Intake.RegisterCaptureHotKeys();
        return;
    }
    LoadResultIntoView();
    Services.Sound.Beep();
    Intake.FinishCapture();
}

bool TDurIdozezedCapture::ScrollCapture(double delay) {
    Target = Services.Windows.WindowFromPoint(Services.Screen.PointerPos());
    const std::optional<QRect> client = Services.Windows.ClientRect(Target);
    if (Target == 0 || !client)
        return false;
    const QString className = Services.Windows.ClassName(Target);
    const TScrollKeys keys = ScrollKeysOfClass(className);
    PageRect = BrowserKindOfClass(className) != bkNone ? BrowserPageRect(*client) : *client;
    PageRect &= QRect(QPoint(0, 0), Services.Screen.ScreenSize());
    if (PageRect.isEmpty())
        return false;

    // The keys go to the window with the keyboard focus: the window under the pointer gets it.
    if (!Services.Keyboard.BringToFront(Target))
        return false;
    if (!Press(keys.Top, delay))
        return false;
    TDibGraphic previous = GrabPage();
    if (previous.Empty())
        return false;
    // A window without a key for its top (a terminal's history) is paged up until it no longer
    // moves; one page up shows that a window that has such a key is there. A page that never
    // stands still (an animation) is paged up no further than the pages a capture can take.
    const long long pageWeight = (long long)previous.Height() * PixelBudgetRowWeight;
    const long long maxPagesUp = std::min<long long>(MaxPages, PixelBudgetLimit / pageWeight + 1);
    if (!ScrollToTop(
            previous, [&] { return Press(keys.PageUp, delay); }, maxPagesUp))
        return false;

    TPageFiles pages;
    std::vector<int> overlaps;
    long long pixelBudget = pageWeight;
    TRepeatedRows repeated;
    bool firstScroll = true;
    // A window that Page Down does not move is scrolled by the wheel, a few steps at a time
    // once it shows how far a step goes.
    bool wheel = false;
    int wheelSteps = 1;
    while (pixelBudget <= PixelBudgetLimit && int(overlaps.size()) + 1 < MaxPages) {
        if (!(wheel ? Turn(wheelSteps, delay) : Press(keys.PageDown, delay)))
            return false;
        TDibGraphic next = GrabPage();
        if (next.Empty())
            break;
        if (SameImage(previous, next)) {
            // The bottom: the window no longer moves. Unless it never moved on the keys:
            // then the wheel takes it to its top, and on.
            if (wheel || pages.Count() > 0)
                break;
            wheel = true;
            if (!ScrollToTop(
                    previous, [&] { return Turn(-WheelStepsToTop, delay); }, maxPagesUp))
                return false;
            continue;
        }
        if (firstScroll) {
            // What stayed in place (tool bars, a status line) is no part of the page.
            const TStaticBands bands = StaticBands(previous, next, ScrollBarWidth);
            const int height = previous.Height() - bands.Top - bands.Bottom;
            previous = CopyRows(previous, bands.Top, height);
            next = CopyRows(next, bands.Top, height);
            PageRect = QRect(PageRect.left(), PageRect.top() + bands.Top, previous.Width(), height);
            pixelBudget = (long long)height * PixelBudgetRowWeight;
            firstScroll = false;
        }
        if (pages.Count() == 0)
            pages.Write(previous);
        repeated =
            RepeatedRowsUnderShade(previous, next, ScrollBarWidth, repeated.Rows, repeated.Shaded);
        const TMarkerColumns columns = MarkerColumns(next.Height(), repeated.Rows);
        overlaps.push_back(OverlapRows(columns.Previous, columns.Next));
        pages.Write(next);
        pixelBudget += (long long)next.Height() * PixelBudgetRowWeight;
        if (wheel)
            wheelSteps = WheelStepsPerPage(wheelSteps, next.Height(), repeated.Rows);
        previous = std::move(next);
    }
    if (pages.Count() == 0)
        pages.Write(previous);
    StitchPages(pages, overlaps, repeated.Shaded);
    return true;
}

bool TDurIdozezedCapture::ScrollToTop(TDibGraphic& page, const std::function<bool()>& up,
                                      long long maxSteps) {
    for (long long step = 0; step < maxSteps; ++step) {
        if (!up())
            return false;
        TDibGraphic above = GrabPage();
        if (above.Empty())
            return false;
        const bool top = SameImage(page, above);
        page = std::move(above);
        if (top)
            break;
    }
    return true;
}

bool TDurIdozezedCapture::Turn(int steps, double delay) {
    Services.Keyboard.WheelSteps(steps);
    QCoreApplication::processEvents();
    Wait(delay);
    return !Interrupted();
}

bool TDurIdozezedCapture::Press(const QString& keys, double delay) {
    TSendKey(Services.Keyboard).SendKeys(keys);
    QCoreApplication::processEvents();
    Wait(delay);
    return !Interrupted();
}

TDibGraphic TDurIdozezedCapture::GrabPage() {
    // A window may still be scrolling smoothly or drawing when the delay is over: the page is
    // taken once two grabs a moment apart agree, or as the last grab when it never settles
    // (a blinking caret, an animation).
    TDibGraphic page = Services.Screen.GrabScreenRect(PageRect);
    for (int attempt = 0; attempt < SettleAttempts && !page.Empty(); ++attempt) {
        Wait(SettlePause);
        TDibGraphic again = Services.Screen.GrabScreenRect(PageRect);
        const bool settled = SameImage(page, again);
        page = std::move(again);
        if (settled)
            break;
    }
    return page;
}

bool TDurIdozezedCapture::Interrupted() const {
    return StopRequested || !Services.Windows.ClientRect(Target);
}

void TDurIdozezedCapture::StitchPages(TPageFiles& pages, const std::vector<int>& overlaps,
                                      int shaded) {
    TWaitPointer waitPointer;
    Window.SetStatusText("Combining images...");
    QCoreApplication::processEvents();
    const TDibGraphic joined = StitchPageFiles(
        pages.Paths(), overlaps, WorkPath("big.bmp"), [] { QCoreApplication::processEvents(); },
        shaded);
    Services.Clipboard.SetImage(DibToQImage(joined));
    Window.SetStatusText("Done");
}

void TDurIdozezedCapture::LoadResultIntoView() {
    const std::string result = WorkPath("big.bmp");
    if (!std::filesystem::exists(result))
        return;
    Window.WorkImage().Clear();
    Window.View().LoadFromFile(QFile::decodeName(result.c_str()));
    Window.View().SetZoomPercent(100);
    Wait(2);
    std::error_code ignored;
    std::filesystem::remove(result, ignored);
}
