// Copy to clipboard on a real X server: another program reads the capture back as PNG, also
// after the main window went to the tray and after it was closed while the program runs on.
#include "imaging/format_registry.h"
#include "platform/dib_qimage.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

// X headers come after every Qt header.
#include "tests/capture/main_window_x11_fixture.h"

namespace {

std::vector<uint32_t> Pixels(const TDibGraphic& image) {
    std::vector<uint32_t> pixels;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            pixels.push_back(image.Pixel(x, y) & 0xFFFFFF);
    return pixels;
}

// What `xclip -selection clipboard -t image/png -o` prints; the event loop runs meanwhile,
// since this process is the one that answers. Empty when xclip fails or takes too long.
QByteArray XclipPng() {
    QProcess xclip;
    xclip.start("xclip", {"-selection", "clipboard", "-t", "image/png", "-o"});
    if (!xclip.waitForStarted(5000))
        return QByteArray();
    QElapsedTimer clock;
    clock.start();
    while (xclip.state() != QProcess::NotRunning && clock.elapsed() < 10000)
        QTest::qWait(20);
    if (xclip.state() != QProcess::NotRunning) {
        xclip.kill();
        xclip.waitForFinished();
        return QByteArray();
    }
    if (xclip.exitStatus() != QProcess::NormalExit || xclip.exitCode() != 0)
        return QByteArray();
    return xclip.readAllStandardOutput();
}

std::vector<uint32_t> PixelsOfPng(const QByteArray& png) {
    const QImage image = QImage::fromData(png, "PNG");
    return image.isNull() ? std::vector<uint32_t>() : Pixels(QImageToDib(image));
}

class HandOffX11 : public TMainWindowX11<TFakeDialogs> {};

} // namespace

TEST_F(HandOffX11, OtherProgramsReadTheCopiedCaptureAsPngWhileKarvinRunsInTheTray) {
    const TDibGraphic capture = TestPattern(123, 45);
    EnsureWorkFolder();
    SaveImageFile(capture, (Work() / "pic1.bmp").string());
    auto window = StartMain();
    window->ShowMainTimerTimer();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    window->AppendImage(QString::fromStdString((Work() / "pic1.bmp").string()), "");
    window->ShowImageFile(window->Paths()[0]);

    window->ToolButton("tbCopy")->click();
    const std::vector<uint32_t> expected = Pixels(capture);
    EXPECT_EQ(PixelsOfPng(XclipPng()), expected);
    // The other image types Qt offers are there too.
    const std::optional<QByteArray> bmp = User.ReadSelection("CLIPBOARD", "image/bmp");
    ASSERT_TRUE(bmp.has_value());
    EXPECT_EQ(Pixels(QImageToDib(QImage::fromData(*bmp, "BMP"))), expected);

    // Minimised into the tray: the window is hidden, the clipboard still answers.
    window->showMinimized();
    ASSERT_TRUE(WaitUntil([&] { return !window->isVisible(); }));
    EXPECT_EQ(PixelsOfPng(XclipPng()), expected);

    // The window closed for good while the program goes on: still there.
    window.reset();
    EXPECT_EQ(PixelsOfPng(XclipPng()), expected);
    EXPECT_TRUE(Dialogs.Calls.empty());
}
