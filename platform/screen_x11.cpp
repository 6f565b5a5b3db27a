#include "platform/screen.h"

// Xlib's macros (None, Bool, Status) clash with Qt's names, so X headers come after Qt's.
#include "platform/screen_x11_p.h"
#include "platform/x11_p.h"

#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/shm.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <exception>
#include <optional>
#include <system_error>
#include <thread>

namespace {

// One colour channel of a pixel value, scaled to 0..255.
class TChannel {
public:
    explicit TChannel(unsigned long mask)
        : Mask_(mask), Shift_(mask ? std::countr_zero(mask) : 0), Bits_(std::popcount(mask)) {}

    unsigned Value(unsigned long pixel) const {
        if (Bits_ == 0)
            return 0;
        unsigned long v = (pixel & Mask_) >> Shift_;
        if (Bits_ >= 8)
            return unsigned(v >> (Bits_ - 8));
        unsigned long max = (1ul << Bits_) - 1;
        return unsigned((v * 255 + max / 2) / max);
    }

private:
    unsigned long Mask_;
    int Shift_;
    int Bits_;
};

bool IsPlainBgrx(const XImage& image) {
    return image.format == ZPixmap && image.bits_per_pixel == 32 && image.byte_order == LSBFirst &&
           image.red_mask == 0xFF0000 && image.green_mask == 0xFF00 && image.blue_mask == 0xFF;
}

struct TImageDeleter {
    void operator()(XImage* image) const { XDestroyImage(image); }
};

// The colours of a palette screen's pixel values.
std::vector<uint32_t> ScreenColormap(Display* display) {
    int screen = DefaultScreen(display);
    Visual* visual = DefaultVisual(display, screen);
    if (visual->red_mask != 0)
        return {};
    int entries = std::min(visual->map_entries, 1 << 16);
    std::vector<XColor> colors(std::size_t(std::max(entries, 0)));
    for (std::size_t i = 0; i < colors.size(); ++i)
        colors[i].pixel = i;
    std::vector<uint32_t> colormap;
    TX11ErrorGuard guard(display);
    XQueryColors(display, DefaultColormap(display, screen), colors.data(), int(colors.size()));
    if (guard.Failed())
        return {};
    for (const XColor& c : colors)
        colormap.push_back(MakeColor(c.red >> 8, c.green >> 8, c.blue >> 8));
    return colormap;
}

} // namespace

// A shared-memory segment attached to the server, kept between grabs: a fresh segment costs
// a round trip to attach and a page fault on every page the server fills, which is most of
// the time of a whole-screen grab. Everything is undone in reverse order, whichever step of
// setting it up failed.
class TSharedSegment {
public:
    TSharedSegment(Display* display, std::size_t capacity)
        : Display_(display), Capacity_(capacity) {
        Info_.shmid = shmget(IPC_PRIVATE, capacity, IPC_CREAT | 0600);
        if (Info_.shmid < 0)
            return;
        void* address = shmat(Info_.shmid, nullptr, 0);
        if (address == reinterpret_cast<void*>(-1)) {
            shmctl(Info_.shmid, IPC_RMID, nullptr);
            return;
        }
        Info_.shmaddr = static_cast<char*>(address);
        Info_.readOnly = False;
        TX11ErrorGuard guard(display);
        // A server on another machine, or in another IPC namespace, cannot attach.
        XShmAttach(display, &Info_);
        Attached_ = !guard.Failed();
        // Marked for removal now that both sides hold it: it goes when both let go, even
        // if this process dies.
        shmctl(Info_.shmid, IPC_RMID, nullptr);
    }

    ~TSharedSegment() {
        // The server forgets the segment by itself when the connection is already gone.
        if (Attached_ && ApplicationDisplay() == Display_) {
            TX11ErrorGuard guard(Display_);
            XShmDetach(Display_, &Info_);
        }
        if (Info_.shmaddr)
            shmdt(Info_.shmaddr);
    }

    TSharedSegment(const TSharedSegment&) = delete;
    TSharedSegment& operator=(const TSharedSegment&) = delete;

    bool Usable(Display* display) const { return Attached_ && display == Display_; }
    std::size_t Capacity() const { return Capacity_; }

    // Reads the area of the root window through the segment and converts it; nullopt when
    // the server refused.
    std::optional<TDibGraphic> Grab(const QRect& area, const std::vector<uint32_t>& colormap) {
        int screen = DefaultScreen(Display_);
        std::unique_ptr<XImage, TSegmentImageDeleter> image(XShmCreateImage(
            Display_, DefaultVisual(Display_, screen), unsigned(DefaultDepth(Display_, screen)),
            ZPixmap, nullptr, &Info_, unsigned(area.width()), unsigned(area.height())));
        if (!image || std::size_t(image->bytes_per_line) * std::size_t(area.height()) > Capacity_)
            return std::nullopt;
        image->data = Info_.shmaddr;

        // The image the grab becomes is made while the server copies the screen into the
        // segment: each takes a few milliseconds, mostly for fresh pages of memory.
        TDibGraphic result;
        std::exception_ptr makeError;
        auto make = [&] {
            try {
                result.NewImage(area.width(), area.height(), ifTrueColor);
            } catch (...) {
                makeError = std::current_exception();
            }
        };
        std::optional<std::jthread> maker;
        try {
            maker.emplace(make);
        } catch (const std::system_error&) {
            make();
        }
        bool read = false;
        {
            TX11ErrorGuard guard(Display_);
            read = XShmGetImage(Display_, RootWindow(Display_, screen), image.get(), area.x(),
                                area.y(), AllPlanes) &&
                   !guard.Failed();
        }
        maker.reset();
        if (makeError)
            std::rethrow_exception(makeError);
        if (!read)
            return std::nullopt;
        Convert(*image, colormap, result);
        return result;
    }

private:
    // An image over the segment: the segment is not Xlib's to free.
    struct TSegmentImageDeleter {
        void operator()(XImage* image) const {
            image->data = nullptr;
            XDestroyImage(image);
        }
    };

    // Converts the grab into `result` (true colour, the grab's size) a strip at a time. Each
    // strip's pages are mapped in one call before they are read (quicker than a fault on
    // every page) and let go of once converted: the segment keeps them for the next grab, but
    // this process never holds the screen twice, in the segment and in the image.
    void Convert(XImage& image, const std::vector<uint32_t>& colormap, TDibGraphic& result) {
        const std::size_t rowBytes = std::size_t(image.bytes_per_line);
        const std::size_t page = std::size_t(std::max(sysconf(_SC_PAGESIZE), 1L));
        const int stripRows = int(std::max<std::size_t>(1, (std::size_t(256) << 10) / rowBytes));
        std::size_t released = 0;
        for (int first = 0; first < image.height; first += stripRows) {
            const int end = std::min(image.height, first + stripRows);
            const std::size_t stripEnd = (rowBytes * std::size_t(end) + page - 1) / page * page;
#ifdef MADV_POPULATE_READ
            madvise(Info_.shmaddr + released, stripEnd - released, MADV_POPULATE_READ);
#endif
            XImageRowsToDib(image, colormap, result, first, end);
            const std::size_t converted =
                end == image.height ? stripEnd : rowBytes * std::size_t(end) / page * page;
            if (converted > released) {
                madvise(Info_.shmaddr + released, converted - released, MADV_DONTNEED);
                released = converted;
            }
        }
    }

    Display* Display_;
    std::size_t Capacity_;
    XShmSegmentInfo Info_{0, -1, nullptr, False};
    bool Attached_ = false;
};

void XImageRowsToDib(XImage& image, const std::vector<uint32_t>& colormap, TDibGraphic& target,
                     int firstRow, int endRow) {
    if (IsPlainBgrx(image)) {
        for (int y = firstRow; y < endRow; ++y) {
            auto* source = reinterpret_cast<const uint8_t*>(image.data) +
                           std::size_t(y) * std::size_t(image.bytes_per_line);
            uint8_t* row = target.ScanLine(y);
            for (int x = 0; x < image.width; ++x, source += 4, row += 3) {
                row[0] = source[0];
                row[1] = source[1];
                row[2] = source[2];
            }
        }
        return;
    }
    bool masked = image.red_mask != 0 || image.green_mask != 0 || image.blue_mask != 0;
    TChannel red(image.red_mask), green(image.green_mask), blue(image.blue_mask);
    for (int y = firstRow; y < endRow; ++y) {
        uint8_t* row = target.ScanLine(y);
        for (int x = 0; x < image.width; ++x, row += 3) {
            unsigned long pixel = XGetPixel(&image, x, y);
            uint32_t color = 0;
            if (masked)
                color = MakeColor(int(red.Value(pixel)), int(green.Value(pixel)),
                                  int(blue.Value(pixel)));
            else if (pixel < colormap.size())
                color = colormap[pixel];
            row[0] = uint8_t(ColorBlue(color));
            row[1] = uint8_t(ColorGreen(color));
            row[2] = uint8_t(ColorRed(color));
        }
    }
}

TDibGraphic XImageToDib(XImage& image, const std::vector<uint32_t>& colormap) {
    TDibGraphic result;
    if (image.width <= 0 || image.height <= 0)
        return result;
    result.NewImage(image.width, image.height, ifTrueColor);
    XImageRowsToDib(image, colormap, result, 0, image.height);
    return result;
}

int DpiFromScreenSize(int pixels, int millimetres) {
    if (pixels <= 0 || millimetres <= 0)
        return 96;
    long dpi = std::lrint(double(pixels) / double(millimetres) * 25.4);
    // Projectors and broken monitor data report sizes that give nonsense; a resolution
    // outside this range would make every image created from it print absurdly.
    if (dpi < 24 || dpi > 1200)
        return 96;
    return int(dpi);
}

TX11Screen::TX11Screen() = default;
TX11Screen::~TX11Screen() = default;

TDibGraphic TX11Screen::GrabScreenRect(const QRect& rect) {
    Display* display = ApplicationDisplay();
    if (!display)
        return {};
    QRect area = rect.intersected(QRect(QPoint(0, 0), ScreenSize()));
    if (area.isEmpty())
        return {};
    Window root = DefaultRootWindow(display);
    std::vector<uint32_t> colormap = ScreenColormap(display);

    if (UseSharedMemory_ && XShmQueryExtension(display)) {
        // Room for the whole screen at 4 bytes a pixel, so that one segment serves all grabs.
        QSize size = ScreenSize();
        std::size_t needed = std::size_t(size.width()) * std::size_t(size.height()) * 4;
        if (!Segment_ || !Segment_->Usable(display) || Segment_->Capacity() < needed)
            Segment_ = std::make_unique<TSharedSegment>(display, needed);
        if (Segment_->Usable(display)) {
            if (auto grab = Segment_->Grab(area, colormap))
                return std::move(*grab);
        }
    }
    std::unique_ptr<XImage, TImageDeleter> image;
    {
        TX11ErrorGuard guard(display);
        image.reset(XGetImage(display, root, area.x(), area.y(), unsigned(area.width()),
                              unsigned(area.height()), AllPlanes, ZPixmap));
    }
    if (!image)
        return {};
    return XImageToDib(*image, colormap);
}

QSize TX11Screen::ScreenSize() {
    Display* display = ApplicationDisplay();
    if (!display)
        return {};
    int screen = DefaultScreen(display);
    return QSize(DisplayWidth(display, screen), DisplayHeight(display, screen));
}

std::uint64_t TX11Screen::ScreenColorCount() {
    Display* display = ApplicationDisplay();
    if (!display)
        return 0;
    int depth = DefaultDepth(display, DefaultScreen(display));
    return depth >= 64 ? UINT64_MAX : std::uint64_t(1) << depth;
}

int TX11Screen::ScreenDpi() {
    Display* display = ApplicationDisplay();
    if (!display)
        return 96;
    int screen = DefaultScreen(display);
    return DpiFromScreenSize(DisplayWidth(display, screen), DisplayWidthMM(display, screen));
}

QPoint TX11Screen::PointerPos() {
    Display* display = ApplicationDisplay();
    if (!display)
        return {};
    Window root = DefaultRootWindow(display);
    Window rootReturn = None, child = None;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned mask = 0;
    TX11ErrorGuard guard(display);
    if (!XQueryPointer(display, root, &rootReturn, &child, &rootX, &rootY, &winX, &winY, &mask))
        return {};
    return QPoint(rootX, rootY);
}
