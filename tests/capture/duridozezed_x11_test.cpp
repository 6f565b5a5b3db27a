// "DurIdozezed" on a real X server with a window manager: another program's window with a
// document three screens long, shown from its end and scrolled by Page Up and Page Down only,
// as a terminal's history; and a long web page in Chromium. The capture presses the keys
// through XTest, grabs the screen and stores the whole document.
#include "capture/page_stitch.h"
#include "imaging/format_registry.h"

#include "tests/scripts/skip_outside_ci.h"

#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <sstream>
#include <utility>

// X headers come after every Qt header.
#include "tests/capture/main_window_x11_fixture.h"
#include "tests/weblink/chromium_helper.h"

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
        XSelectInput(User.Dpy(), Id,
                     KeyPressMask | ButtonPressMask | ExposureMask | StructureNotifyMask);
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
    // Takes no keys, but moves this many rows a wheel step (when positive).
    int WheelStep = 0;
    int WheelDowns = 0;

private:
    void HandleEvents() {
        while (XPending(User.Dpy())) {
            XEvent event{};
            XNextEvent(User.Dpy(), &event);
            if (event.type == ButtonPress && WheelStep > 0) {
                if (event.xbutton.button == Button4)
                    Position = std::max(0, Position - WheelStep);
                if (event.xbutton.button == Button5) {
                    Position = std::min(Position + WheelStep, Content.Height() - ViewHeight);
                    ++WheelDowns;
                }
                Paint();
            }
            if (event.type == KeyPress && WheelStep == 0) {
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

// Line n of a numbered web page starts with a block of 40 x 20 pixels whose colour gives n:
// each channel one of the six multiples of 51, so that no blending or shading passes for one.
constexpr int LineHeight = 20;
uint32_t LineColour(int n) {
    return uint32_t(n / 36 % 6 * 51) << 16 | uint32_t(n / 6 % 6 * 51) << 8 | uint32_t(n % 6 * 51);
}
// The number a colour gives; 0 for white and for colours that are none of the lines'.
int LineNumber(uint32_t colour) {
    int n = 0;
    for (const int shift : {16, 8, 0}) {
        const uint32_t channel = colour >> shift & 0xFF;
        if (channel % 51 != 0)
            return 0;
        n = n * 6 + int(channel / 51);
    }
    return n == 215 ? 0 : n;
}

// `lines` lines of text, numbered from 1, one below the other; fewer than 215.
QByteArray NumberedPage(int lines) {
    QByteArray page = "<style>body{margin:8px;font:16px sans-serif}"
                      "div{height:20px;line-height:20px;white-space:nowrap}"
                      "b{display:inline-block;width:40px;height:20px;vertical-align:top;"
                      "margin-right:8px}</style>";
    for (int n = 1; n <= lines; ++n)
        page += QString("<div><b style=\"background:#%1\"></b>Line %2 of the numbered page</div>")
                    .arg(LineColour(n), 6, 16, QChar('0'))
                    .arg(n)
                    .toUtf8();
    return page;
}

// The line numbers down column x of a picture, each with the rows it covers in a row.
std::vector<std::pair<int, int>> LineRuns(const TDibGraphic& image, int x) {
    std::vector<std::pair<int, int>> runs;
    int previous = 0;
    for (int y = 0; y < image.Height(); ++y) {
        const int n = LineNumber(image.Pixel(x, y));
        if (n != 0 && n == previous)
            ++runs.back().second;
        else if (n != 0)
            runs.emplace_back(n, 1);
        previous = n;
    }
    return runs;
}

std::string Describe(const std::vector<std::pair<int, int>>& runs) {
    std::ostringstream text;
    for (const auto& [n, rows] : runs)
        text << n << "x" << rows << " ";
    return text.str();
}

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

TEST_F(DurIdozezedX11, ScrollsAWindowThatTakesNoKeysByTheWheel) {
    PutCaptureSettings(cmDurIdozezed);
    auto window = StartMain();
    window->ShowMainTimerTimer();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));

    TPagerWindow pager(User, QRect(300, 200, 320, 240));
    ASSERT_TRUE(User.MapAndWait(pager.Id));
    Settle(200);
    const std::optional<QRect> client = Windows.ClientRect(pager.Id);
    ASSERT_TRUE(client.has_value());
    const int h = client->height();
    const TDibGraphic document = Document(client->width(), 4 * h);
    // Left a screen down; 30 rows a wheel step.
    pager.WheelStep = 30;
    pager.Show(document, h, h - 20, h);
    XWarpPointer(User.Dpy(), None, User.Root(), 0, 0, 0, 0, client->center().x(),
                 client->center().y());
    XSync(User.Dpy(), False);
    Settle(200);

    User.PressKeys({XK_Print});
    ASSERT_TRUE(WaitUntil([&] { return window->Paths().size() == 1; }, 60000));

    const TDibGraphic stored = LoadImageFile((Work() / "pic1.bmp").string());
    EXPECT_EQ(stored.Height(), 4 * h);
    EXPECT_TRUE(SameImage(stored, document));
    EXPECT_GT(pager.WheelDowns, 0);
    EXPECT_FALSE(std::filesystem::exists(Work() / "scr1.bmp"));
}

TEST_F(DurIdozezedX11, JoinsTheScrolledPagesOfAWebPageInChromiumEachLineOnce) {
    if (!TChromium::Installed())
        KARVIN_SKIP_OUTSIDE_CI("chromium is not installed; scripts/install-deps installs it");
    PutCaptureSettings(cmDurIdozezed);
    auto window = StartMain();
    window->ShowMainTimerTimer();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    // Some five screens. The browser draws an info bar above its page (it runs without a
    // sandbox), whose shadow darkens the top rows of the page at every step.
    constexpr int Lines = 150;
    TChromium chromium;
    ASSERT_TRUE(chromium.Start("Karvin numbered page", NumberedPage(Lines)));
    const TWindowId browser = chromium.WaitForWindowInFront(Windows);
    ASSERT_NE(browser, 0u) << "no Chromium window came to the front; its log:\n" << chromium.Log();
    const std::optional<QRect> client = Windows.ClientRect(browser);
    ASSERT_TRUE(client.has_value());
    // The page is there once its first line's block is on the screen.
    const QRect column(client->left() + 20, client->top(), 1, client->height());
    ASSERT_TRUE(WaitUntil(
        [&] {
            const TDibGraphic strip = Screen.GrabScreenRect(column);
            for (int y = 0; y < strip.Height(); ++y)
                if (LineNumber(strip.Pixel(0, y)) == 1)
                    return true;
            return false;
        },
        30000))
        << chromium.Log();
    XWarpPointer(User.Dpy(), None, User.Root(), 0, 0, 0, 0, client->center().x(),
                 client->center().y());
    XSync(User.Dpy(), False);
    Settle(500);

    User.PressKeys({XK_Print});
    ASSERT_TRUE(WaitUntil([&] { return window->Paths().size() == 1; }, 120000));

    // Down the blocks, every line once, in order, whole: a line repeated at a seam or lost
    // there would show.
    const TDibGraphic stored = LoadImageFile((Work() / "pic1.bmp").string());
    const std::vector<std::pair<int, int>> runs = LineRuns(stored, 20);
    std::vector<std::pair<int, int>> expected;
    for (int n = 1; n <= Lines; ++n)
        expected.emplace_back(n, LineHeight);
    EXPECT_EQ(runs, expected) << Describe(runs);
    EXPECT_FALSE(std::filesystem::exists(Work() / "big.bmp"));
    EXPECT_FALSE(std::filesystem::exists(Work() / "scr1.bmp"));
    EXPECT_FALSE(HotKeys.IsRegistered(HotKeyDurIdozezedStop));
}
