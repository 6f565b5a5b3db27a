#include "platform/screen.h"

// Xlib's macros (None, Bool, Status) clash with Qt's names, so X headers come after Qt's.
#include "platform/screen_x11_p.h"
#include "platform/x11_p.h"

#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <bit>
#include <cmath>
#include <cstring>

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

// A shared-memory segment with an image laid over it, attached to the server. Everything is
// undone in reverse order, whichever step failed.
class TSharedImage {
public:
    TSharedImage(Display* display, Visual* visual, int depth, int width, int height)
        : Display_(display) {
        Info_.shmid = -1; // no segment yet, for the destructor
        Image_ = XShmCreateImage(display, visual, unsigned(depth), ZPixmap, nullptr, &Info_,
                                 unsigned(width), unsigned(height));
        if (!Image_)
            return;
        std::size_t size = std::size_t(Image_->bytes_per_line) * std::size_t(height);
        Info_.shmid = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
        if (Info_.shmid < 0)
            return;
        void* address = shmat(Info_.shmid, nullptr, 0);
        if (address == reinterpret_cast<void*>(-1))
            return;
        Info_.shmaddr = Image_->data = static_cast<char*>(address);
        Info_.readOnly = False;
        TX11ErrorGuard guard(display);
        // A server on another machine, or in another IPC namespace, cannot attach.
        XShmAttach(display, &Info_);
        Attached_ = !guard.Failed();
    }

    ~TSharedImage() {
        if (Attached_) {
            TX11ErrorGuard guard(Display_);
            XShmDetach(Display_, &Info_);
        }
        if (Info_.shmaddr)
            shmdt(Info_.shmaddr);
        if (Info_.shmid >= 0)
            shmctl(Info_.shmid, IPC_RMID, nullptr);
        if (Image_) {
            Image_->data = nullptr; // the segment is not Xlib's to free
            XDestroyImage(Image_);
        }
    }

    TSharedImage(const TSharedImage&) = delete;
    TSharedImage& operator=(const TSharedImage&) = delete;

    // Fills the image from the drawable; false when the server refused.
    bool Read(Drawable drawable, int x, int y) {
        if (!Attached_)
            return false;
        TX11ErrorGuard guard(Display_);
        return XShmGetImage(Display_, drawable, Image_, x, y, AllPlanes) && !guard.Failed();
    }

    XImage& Image() { return *Image_; }

private:
    Display* Display_;
    XShmSegmentInfo Info_{};
    XImage* Image_ = nullptr;
    bool Attached_ = false;
};

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

TDibGraphic XImageToDib(XImage& image, const std::vector<uint32_t>& colormap) {
    TDibGraphic result;
    if (image.width <= 0 || image.height <= 0)
        return result;
    result.NewImage(image.width, image.height, ifTrueColor);
    if (IsPlainBgrx(image)) {
        for (int y = 0; y < image.height; ++y) {
            auto* source = reinterpret_cast<const uint8_t*>(image.data) +
                           std::size_t(y) * std::size_t(image.bytes_per_line);
            uint8_t* target = result.ScanLine(y);
            for (int x = 0; x < image.width; ++x, source += 4, target += 3) {
                target[0] = source[0];
                target[1] = source[1];
                target[2] = source[2];
            }
        }
        return result;
    }
    bool masked = image.red_mask != 0 || image.green_mask != 0 || image.blue_mask != 0;
    TChannel red(image.red_mask), green(image.green_mask), blue(image.blue_mask);
    for (int y = 0; y < image.height; ++y) {
        uint8_t* target = result.ScanLine(y);
        for (int x = 0; x < image.width; ++x, target += 3) {
            unsigned long pixel = XGetPixel(&image, x, y);
            uint32_t color = 0;
            if (masked)
                color = MakeColor(int(red.Value(pixel)), int(green.Value(pixel)),
                                  int(blue.Value(pixel)));
            else if (pixel < colormap.size())
                color = colormap[pixel];
            target[0] = uint8_t(ColorBlue(color));
            target[1] = uint8_t(ColorGreen(color));
            target[2] = uint8_t(ColorRed(color));
        }
    }
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

TDibGraphic TX11Screen::GrabScreenRect(const QRect& rect) {
    Display* display = ApplicationDisplay();
    if (!display)
        return {};
    QRect area = rect.intersected(QRect(QPoint(0, 0), ScreenSize()));
    if (area.isEmpty())
        return {};
    int screen = DefaultScreen(display);
    Window root = RootWindow(display, screen);
    std::vector<uint32_t> colormap = ScreenColormap(display);

    if (UseSharedMemory_ && XShmQueryExtension(display)) {
        TSharedImage shared(display, DefaultVisual(display, screen), DefaultDepth(display, screen),
                            area.width(), area.height());
        if (shared.Read(root, area.x(), area.y()))
            return XImageToDib(shared.Image(), colormap);
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
