// The magnifier's arithmetic: the area it shows, how the area is enlarged, and where the
// magnifier moves to keep out of it.
#include "capture/zoom_picture.h"

#include "platform/dib_qimage.h"
#include "tests/fakes/fake_screen.h"
#include "tests/imaging/test_images.h"

#include <gtest/gtest.h>

TEST(ZoomPicture, SourceLiesRightOfAndBelowThePointerWithHalvesRoundedToEven) {
    struct TCase {
        QSize Picture;
        int Factor;
        QSize Source;
    };
    const TCase cases[] = {
        {{294, 170}, 2, {147, 85}},
        {{294, 170}, 4, {74, 42}}, // 73.5 and 42.5: both to the even neighbour
        {{294, 170}, 8, {37, 21}}, // 36.75 and 21.25
        {{300, 180}, 8, {38, 22}}, // 37.5 up to 38, 22.5 down to 22
        {{6, 10}, 4, {2, 2}},      // 1.5 up to 2, 2.5 down to 2
        {{1, 1}, 8, {1, 1}},       // never less than a pixel
    };
    for (const TCase& c : cases)
        EXPECT_EQ(ZoomSourceRect(QPoint(512, 384), c.Picture, c.Factor),
                  QRect(QPoint(512, 384), c.Source))
            << c.Picture.width() << "x" << c.Picture.height() << " at " << c.Factor;
}

TEST(ZoomPicture, GrabKeepsItsSizeAndIsBlackBeyondTheScreen) {
    TFakeScreen screen(100, 80);
    screen.Pixels = MakeNoise(100, 80, 3);
    const QImage whole = DibToQImage(screen.Pixels).convertToFormat(QImage::Format_RGB32);
    struct TCase {
        QRect Source;
        QRect OnScreen; // the part that shows the screen
    };
    const TCase cases[] = {
        {QRect(10, 20, 30, 15), QRect(10, 20, 30, 15)},
        {QRect(90, 20, 30, 15), QRect(90, 20, 10, 15)}, // past the right edge
        {QRect(10, 75, 30, 15), QRect(10, 75, 30, 5)},  // past the bottom edge
        {QRect(95, 78, 30, 15), QRect(95, 78, 5, 2)},   // past the corner
        {QRect(100, 80, 4, 4), QRect()},                // wholly off the screen
    };
    for (const TCase& c : cases) {
        const QImage picture = GrabZoomSource(screen, c.Source);
        ASSERT_EQ(picture.size(), c.Source.size());
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                const QPoint at = c.Source.topLeft() + QPoint(x, y);
                const QRgb expected = c.OnScreen.contains(at) ? whole.pixel(at) : qRgb(0, 0, 0);
                ASSERT_EQ(picture.pixel(x, y), expected) << x << "," << y;
            }
    }
    // A screen that cannot be read shows black, at the size asked for.
    TFakeScreen none(0, 0);
    const QImage black = GrabZoomSource(none, QRect(0, 0, 5, 4));
    ASSERT_EQ(black.size(), QSize(5, 4));
    EXPECT_EQ(black.pixel(4, 3), qRgb(0, 0, 0));
}

TEST(ZoomPicture, StretchingCopiesThePixelUnderEachCentre) {
    const QImage source = DibToQImage(MakeNoise(74, 42, 5)).convertToFormat(QImage::Format_RGB32);
    const QImage stretched = StretchPixels(source, QSize(294, 170));
    ASSERT_EQ(stretched.size(), QSize(294, 170));
    for (int y = 0; y < 170; ++y)
        for (int x = 0; x < 294; ++x) {
            // The target pixel's centre, (x + 0.5, y + 0.5), in source pixels.
            const int sx = int((x + 0.5) * 74 / 294);
            const int sy = int((y + 0.5) * 42 / 170);
            ASSERT_EQ(stretched.pixel(x, y), source.pixel(sx, sy)) << x << "," << y;
        }
    // Every source pixel shows, as a block of 3 to 5 pixels each way.
    for (int sx = 0; sx < 74; ++sx) {
        int columns = 0;
        for (int x = 0; x < 294; ++x)
            columns += stretched.pixel(x, 0) == source.pixel(sx, 0) ? 1 : 0;
        EXPECT_GE(columns, 3) << sx;
    }
    // An exact factor gives square blocks.
    const QImage twice = StretchPixels(source.copy(0, 0, 3, 2), QSize(6, 4));
    EXPECT_EQ(twice.pixel(0, 0), source.pixel(0, 0));
    EXPECT_EQ(twice.pixel(1, 1), source.pixel(0, 0));
    EXPECT_EQ(twice.pixel(2, 1), source.pixel(1, 0));
    EXPECT_EQ(twice.pixel(5, 3), source.pixel(2, 1));
    EXPECT_TRUE(StretchPixels(QImage(), QSize(10, 10)).isNull());
    EXPECT_TRUE(StretchPixels(source, QSize(0, 10)).isNull());
}

TEST(ZoomPicture, WindowMovesToTheFarthestCornerThatLeavesTheSourceFree) {
    const QRect screen(0, 0, 1280, 1024);
    const QRect centred(489, 393, 302, 238);
    struct TCase {
        QRect Frame;
        QRect Source;
        std::optional<QPoint> Place;
    };
    const TCase cases[] = {
        // Clear of the source: it stays.
        {centred, QRect(100, 100, 74, 42), std::nullopt},
        {centred, QRect(791, 393, 74, 42), std::nullopt}, // touching its right side
        // The pointer up and left of the window: the source runs into it.
        {centred, QRect(450, 380, 74, 42), QPoint(978, 786)},
        // Near the bottom right, the top left is farthest.
        {QRect(978, 786, 302, 238), QRect(1000, 800, 147, 85), QPoint(0, 0)},
        // A window as large as the screen can go nowhere.
        {screen, QRect(10, 10, 10, 10), std::nullopt},
    };
    for (const TCase& c : cases) {
        const auto place = ZoomWindowPlaceAwayFrom(c.Frame, c.Source, screen);
        EXPECT_EQ(place, c.Place) << c.Source.x() << "," << c.Source.y();
        if (place) {
            EXPECT_FALSE(QRect(*place, c.Frame.size()).intersects(c.Source));
        }
    }
}
