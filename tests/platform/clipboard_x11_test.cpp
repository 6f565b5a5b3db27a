// The clipboard on a real X server: what other programs get from us, and what we get from
// them.
#include "platform/clipboard.h"

#include <QBuffer>
#include <QImage>

#include "tests/platform/x11_helpers.h"

#include <atomic>
#include <thread>

namespace {

QImage Pattern(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 7 + y) & 0xFF, (y * 13 + 5) & 0xFF, (x * 3) & 0xFF));
    return image;
}

QByteArray Png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// Another program that takes the clipboard with a PNG picture and answers requests for it
// from a thread of its own (our side blocks while it waits for the answer).
class TForeignOwner {
public:
    explicit TForeignOwner(QByteArray png) : Png_(std::move(png)) {
        Thread_ = std::thread([this] { Serve(); });
        while (!Owning_ && !Failed_)
            std::this_thread::yield();
    }
    ~TForeignOwner() {
        Stop_ = true;
        Thread_.join();
    }
    bool Owning() const { return Owning_; }
    // The owner got SelectionClear: someone else took the clipboard.
    bool Lost() const { return Lost_; }

private:
    void Serve() {
        Display* display = XOpenDisplay(nullptr);
        if (!display) {
            Failed_ = true;
            return;
        }
        Window window =
            XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
        Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
        Atom targets = XInternAtom(display, "TARGETS", False);
        Atom png = XInternAtom(display, "image/png", False);
        XSetSelectionOwner(display, clipboard, window, CurrentTime);
        XSync(display, False);
        Owning_ = XGetSelectionOwner(display, clipboard) == window;
        Failed_ = !Owning_;
        while (!Stop_) {
            while (XPending(display)) {
                XEvent event;
                XNextEvent(display, &event);
                if (event.type == SelectionClear)
                    Lost_ = true;
                if (event.type != SelectionRequest)
                    continue;
                const XSelectionRequestEvent& request = event.xselectionrequest;
                XSelectionEvent answer{};
                answer.type = SelectionNotify;
                answer.requestor = request.requestor;
                answer.selection = request.selection;
                answer.target = request.target;
                answer.time = request.time;
                answer.property = request.property;
                if (request.target == targets) {
                    Atom offered[] = {targets, png};
                    XChangeProperty(display, request.requestor, request.property, XA_ATOM, 32,
                                    PropModeReplace, reinterpret_cast<unsigned char*>(offered), 2);
                } else if (request.target == png) {
                    XChangeProperty(
                        display, request.requestor, request.property, png, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(Png_.constData()), int(Png_.size()));
                } else {
                    answer.property = None;
                }
                XSendEvent(display, request.requestor, False, 0,
                           reinterpret_cast<XEvent*>(&answer));
                XFlush(display);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        XDestroyWindow(display, window);
        XCloseDisplay(display);
    }

    QByteArray Png_;
    std::thread Thread_;
    std::atomic<bool> Stop_{false};
    std::atomic<bool> Owning_{false};
    std::atomic<bool> Failed_{false};
    std::atomic<bool> Lost_{false};
};

class ClipboardX11 : public ::testing::Test {
protected:
    void TearDown() override { Clipboard.Clear(); }

    TQtClipboard Clipboard;
    TOtherClient Other;
};

} // namespace

TEST_F(ClipboardX11, OtherProgramsGetOurPictureAsPngAndOurText) {
    const QImage picture = Pattern(97, 61);
    Clipboard.SetImage(picture);

    ASSERT_TRUE(Clipboard.HasImage());
    EXPECT_EQ(Clipboard.GetImage().convertToFormat(QImage::Format_RGB32), picture);
    std::optional<QByteArray> png = Other.ReadSelection("CLIPBOARD", "image/png");
    ASSERT_TRUE(png.has_value());
    EXPECT_EQ(QImage::fromData(*png, "PNG").convertToFormat(QImage::Format_RGB32), picture);

    Clipboard.SetText("Karvin test text \u00e9");
    EXPECT_FALSE(Clipboard.HasImage());
    EXPECT_EQ(Clipboard.GetText(), "Karvin test text \u00e9");
    EXPECT_EQ(Other.ReadSelection("CLIPBOARD", "UTF8_STRING"),
              QByteArray("Karvin test text \xc3\xa9"));
}

TEST_F(ClipboardX11, ClearLeavesNothingForOtherPrograms) {
    Clipboard.SetImage(Pattern(8, 8));
    Clipboard.Clear();

    EXPECT_FALSE(Clipboard.HasImage());
    EXPECT_TRUE(Clipboard.GetText().isEmpty());
    EXPECT_EQ(Other.ReadSelection("CLIPBOARD", "image/png"), std::nullopt);
}

TEST_F(ClipboardX11, TakesAPictureAnotherProgramOffersAndEmptiesIt) {
    const QImage picture = Pattern(40, 30);
    TForeignOwner owner(Png(picture));
    ASSERT_TRUE(owner.Owning());

    ASSERT_TRUE(Clipboard.HasImage());
    EXPECT_EQ(Clipboard.GetImage().convertToFormat(QImage::Format_RGB32), picture);

    // Emptying takes the clipboard away from the other program too: nothing from before may
    // remain there.
    Clipboard.Clear();
    EXPECT_TRUE(WaitUntil([&] { return owner.Lost(); }));
    EXPECT_EQ(Other.SelectionOwner("CLIPBOARD"), Window(None));
    EXPECT_FALSE(Clipboard.HasImage());
}

TEST_F(ClipboardX11, OurPictureReplacesAnotherProgramsContent) {
    TForeignOwner owner(Png(Pattern(10, 10)));
    ASSERT_TRUE(owner.Owning());
    const QImage picture = Pattern(33, 21);

    Clipboard.SetImage(picture);

    EXPECT_TRUE(WaitUntil([&] { return owner.Lost(); }));
    EXPECT_EQ(Clipboard.GetImage().convertToFormat(QImage::Format_RGB32), picture);
    std::optional<QByteArray> png = Other.ReadSelection("CLIPBOARD", "image/png");
    ASSERT_TRUE(png.has_value());
    EXPECT_EQ(QImage::fromData(*png, "PNG").convertToFormat(QImage::Format_RGB32), picture);
}
