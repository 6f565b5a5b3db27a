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

#include <filesystem>
#include <stdexcept>
#include <string>

namespace {

// The width taken for a vertical scroll bar: cut off a browser's page, and left out where
// rows are compared, since the bar's thumb moves with the page.
constexpr int ScrollBarWidth = 17;
// How far a browser's page lies inside its client area on every side.
constexpr int BrowserPageInset = 3;

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
        return {"~{HOME}", "~{PGDN}"};
    if (BrowserKindOfClass(className) != bkNone)
        return {"{HOME}", "{PGDN}"};
    return {"^{HOME}", "{PGDN}"};
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
        for (const std::string& path : Paths) {
            std::error_code ignored;
            std::filesystem::remove(path, ignored);
        }
    }
    void Write(const TDibGraphic& page) {
        Paths.push_back(WorkPath(PageFileName(int(Paths.size()) + 1)));
        SaveImageFile(page, Paths.back());
    }
    int Count() const { return int(Paths.size()); }
    const std::string& Path(int index) const { return Paths[std::size_t(index)]; }

private:
    std::vector<std::string> Paths;
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
    TSendKey keyboard(Services.Keyboard);
    keyboard.SendKeys(keys.Top);
    Wait(delay);
    if (Interrupted())
        return false;

    TPageFiles pages;
    std::vector<int> overlaps;
    TDibGraphic previous = GrabPage();
    if (previous.Empty())
        return false;
    long long pixelBudget = (long long)previous.Height() * PixelBudgetRowWeight;
    int repeated = 0;
    bool firstScroll = true;
    while (pixelBudget <= PixelBudgetLimit && int(overlaps.size()) + 1 < MaxPages) {
        keyboard.SendKeys(keys.PageDown);
        QCoreApplication::processEvents();
        Wait(delay);
        if (Interrupted())
            return false;
        TDibGraphic next = GrabPage();
        // The bottom: the window no longer moves.
        if (SameImage(previous, next))
            break;
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
        repeated = RepeatedRows(previous, next, ScrollBarWidth, repeated);
        const TMarkerColumns columns = MarkerColumns(next.Height(), repeated);
        overlaps.push_back(OverlapRows(columns.Previous, columns.Next));
        pages.Write(next);
        pixelBudget += (long long)next.Height() * PixelBudgetRowWeight;
        previous = std::move(next);
    }
    if (pages.Count() == 0)
        pages.Write(previous);
    StitchPages(pages, overlaps);
    return true;
}

TDibGraphic TDurIdozezedCapture::GrabPage() const {
    return Services.Screen.GrabScreenRect(PageRect);
}

bool TDurIdozezedCapture::Interrupted() const {
    return StopRequested || !Services.Windows.ClientRect(Target);
}

void TDurIdozezedCapture::StitchPages(TPageFiles& pages, const std::vector<int>& overlaps) {
    TWaitPointer waitPointer;
    Window.SetStatusText("Combining images...");
    QCoreApplication::processEvents();
    TDibGraphic joined;
    int pageHeight = 0;
    for (int page = 0; page < pages.Count(); ++page) {
        const TDibGraphic image = LoadImageFile(pages.Path(page));
        if (page == 0) {
            pageHeight = image.Height();
            joined.NewImage(image.Width(), StitchedHeight(pageHeight, pages.Count(), overlaps),
                            ifTrueColor);
        }
        DrawPage(joined, image, PageTop(pageHeight, page, overlaps));
        std::error_code ignored;
        std::filesystem::remove(pages.Path(page), ignored);
        QCoreApplication::processEvents();
    }
    const std::string result = WorkPath("big.bmp");
    SaveImageFile(joined, result);
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
