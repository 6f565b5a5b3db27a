// "DurIdozezed" on a real X server with a window manager: another program's window with a
// document three screens long, shown from its end and scrolled by Page Up and Page Down only,
// as a terminal's history; the capture presses the keys through XTest, grabs the screen and
// stores the whole document.
#include "capture/page_stitch.h"
#include "imaging/format_registry.h"

#include <QTest>
#include <QTimer>
#include <QTreeWidget>

// X headers come after every Qt header.
#include "tests/capture/main_window_x11_fixture.h"

#include <X11/keysym.h>

namespace {

// Row y shows "line" y; no two rows are the same.
TDibGraphic Document(int width, int height) {
    TDibGraphic image;
    image.NewImage(width, height, ifTrueColor);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.SetPixel(x, y, (uint32_t((y + 1) * 2654435761u) >> 8) ^ uint32_t(x / 8));
    return image;
}

// Another program's window showing part of a long document, as a terminal's history: it has
// no key for its top, Page Up and Page Down move `step` rows back or on (never past either
// end). It answers its events while Qt's run.
class TPagerWindow {
public:
    TPagerWindow(TOtherClient& user, const QRect& rect) : User(user) {
        Id = User.CreateWindow(rect, "pager", "Pager", "pager");
        // A dialog keeps its size under the window manager; it takes the keyboard focus.
        Atom dialog = XInternAtom(User.Dpy(), "_NET_WM_WINDOW_TYPE_DIALOG", False);
        User.SetProperty(Id, "_NET_WM_WINDOW_TYPE", "ATOM", 32, &dialog, 1);
        XWMHints hints{};
        hints.flags = InputHint;
        hints.input = True;
        XSetWMHints(User.Dpy(), Id, &hints);
        XSelectInput(User.Dpy(), Id, KeyPressMask | ExposureMask | StructureNotifyMask);
        Events.setInterval(5);
        QObject::connect(&Events, &QTimer::timeout, [this] { HandleEvents(); });
        Events.start();
    }
    ~TPagerWindow() {
        XDestroyWindow(User.Dpy(), Id);
        XSync(User.Dpy(), False);
    }
    void Show(TDibGraphic document, int viewHeight, int step, int position) {
        Content = std::move(document);
        Position = position;
        ViewHeight = viewHeight;
        Step = step;
        Paint();
    }

    Window Id = 0;
    int PageDowns = 0;

private:
    void HandleEvents() {
        while (XPending(User.Dpy())) {
            XEvent event{};
            XNextEvent(User.Dpy(), &event);
            if (event.type == KeyPress) {
                const KeySym key = XLookupKeysym(&event.xkey, 0);
                if (key == XK_Prior)
                    Position = std::max(0, Position - Step);
                if (key == XK_Next) {
                    Position = std::min(Position + Step, Content.Height() - ViewHeight);
                    ++PageDowns;
                }
            }
            if (event.type == KeyPress || event.type == Expose)
                Paint();
        }
    }
    void Paint() {
        if (!Content.Empty())
            User.Paint(Id, CopyRows(Content, Position, ViewHeight));
    }

    TOtherClient& User;
    QTimer Events;
    TDibGraphic Content;
    int ViewHeight = 0;
    int Step = 0;
    int Position = 0;
};

class DurIdozezedX11 : public TMainWindowX11<TFakeDialogs> {};

} // namespace

TEST_F(DurIdozezedX11, ScrollsAnotherProgramsWindowAndStoresTheWholeDocument) {
    PutCaptureSettings(cmDurIdozezed);
    auto window = StartMain();
    window->ShowMainTimerTimer();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));

    TPagerWindow pager(User, QRect(300, 200, 320, 240));
    ASSERT_TRUE(User.MapAndWait(pager.Id));
    Settle(200);
    const std::optional<QRect> client = Windows.ClientRect(pager.Id);
    ASSERT_TRUE(client.has_value());
    // Three screens with 20 rows of overlap between them.
    const int h = client->height();
    const TDibGraphic document = Document(client->width(), 3 * h - 40);
    // It shows the end of the document, as a terminal does.
    pager.Show(document, h, h - 20, document.Height() - h);
    XWarpPointer(User.Dpy(), None, User.Root(), 0, 0, 0, 0, client->center().x(),
                 client->center().y());
    XSync(User.Dpy(), False);
    Settle(200);

    User.PressKeys({XK_Print});
    ASSERT_TRUE(WaitUntil([&] { return window->Paths().size() == 1; }, 30000));

    const TDibGraphic stored = LoadImageFile((Work() / "pic1.bmp").string());
    EXPECT_EQ(stored.Width(), client->width());
    EXPECT_EQ(stored.Height(), 3 * h - 40);
    EXPECT_TRUE(SameImage(stored, document));
    // Two pages down to the bottom, and one more that found nothing left to scroll.
    EXPECT_EQ(pager.PageDowns, 3);
    EXPECT_FALSE(std::filesystem::exists(Work() / "big.bmp"));
    EXPECT_FALSE(std::filesystem::exists(Work() / "scr1.bmp"));
    EXPECT_EQ(Sound.Beeps, 1);
    EXPECT_TRUE(Dialogs.Calls.empty());
    // Escape is the user's again, and the capture keys are ours.
    EXPECT_FALSE(HotKeys.IsRegistered(HotKeyDurIdozezedStop));
    EXPECT_TRUE(HotKeys.IsRegistered(HotKeyPrintScreen));
}
