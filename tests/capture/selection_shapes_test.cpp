#include "capture/selection_shapes.h"

#include "tests/capture/selection_test_support.h"

#include <QStringList>

using namespace selection_test;

namespace {

// A picture drawn as text, one string per row: '.' black, 'X' white.
QImage FromArt(const QStringList& rows) {
    QImage picture(int(rows.front().size()), int(rows.size()), QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, rows[y][x] == 'X' ? White : Black);
    return picture;
}

QImage BlackPicture(int width, int height) {
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(Black);
    return picture;
}

} // namespace

TEST(SelectionShapes, TheRectangleRunsFromTheSmallerCornerAndLeavesTheFarOneOut) {
    struct Case {
        QPoint Start, End;
        QRect Expected;
    };
    for (const Case& c : {
             Case{{500, 400}, {100, 100}, QRect(100, 100, 400, 300)},
             Case{{100, 100}, {500, 400}, QRect(100, 100, 400, 300)},
             Case{{100, 400}, {500, 100}, QRect(100, 100, 400, 300)},
             Case{{10, 10}, {14, 14}, QRect(10, 10, 4, 4)},
             Case{{10, 10}, {10, 50}, QRect(10, 10, 0, 40)},
             Case{{10, 10}, {10, 10}, QRect(10, 10, 0, 0)},
         }) {
        EXPECT_EQ(SelectionRect(c.Start, c.End), c.Expected) << c.Start.x() << "," << c.Start.y();
    }
    EXPECT_TRUE(SelectionRect({10, 10}, {10, 50}).isEmpty());
}

TEST(SelectionShapes, TheDottedOutlineInvertsEveryOtherBorderPixelByScreenPosition) {
    QImage picture = BlackPicture(7, 6);
    DrawFocusOutline(picture, QRect(1, 1, 5, 4));
    EXPECT_EQ(picture, FromArt({".......", //
                                ".X.X.X.", //
                                ".......", //
                                ".X...X.", //
                                "..X.X..", //
                                "......."}));
    // The same rectangle in a picture that starts one pixel further right on the screen
    // takes the other dots.
    QImage shifted = BlackPicture(7, 6);
    DrawFocusOutline(shifted, QRect(1, 1, 5, 4), QPoint(1, 0));
    EXPECT_EQ(shifted, FromArt({".......", //
                                "..X.X..", //
                                ".X...X.", //
                                ".......", //
                                ".X.X.X.", //
                                "......."}));
    // Drawn again, it is gone.
    DrawFocusOutline(picture, QRect(1, 1, 5, 4));
    EXPECT_EQ(picture, BlackPicture(7, 6));
}

TEST(SelectionShapes, TheOutlineOfSmallAndThinRectanglesKeepsEveryPixel) {
    const QImage screen = PatternPicture(40, 30);
    for (const QRect& rect : {QRect(10, 10, 4, 4), QRect(3, 7, 1, 5), QRect(4, 2, 6, 1),
                              QRect(5, 5, 2, 2), QRect(0, 0, 40, 30)}) {
        QImage piece = screen.copy(rect);
        DrawFocusOutline(piece, piece.rect(), rect.topLeft());
        ExpectSameImage(piece, ExpectedRectangleImage(screen, rect),
                        QString("%1x%2").arg(rect.width()).arg(rect.height()));
    }
}

TEST(SelectionShapes, TheEllipseRowsAgreeWithATestOfEveryPixel) {
    for (int width = 1; width <= 41; ++width)
        for (int height = 1; height <= 41; ++height)
            for (int y = -1; y <= height; ++y) {
                const auto span = EllipseRowSpan(y, width, height);
                for (int x = -1; x <= width; ++x) {
                    const bool inside = span && x >= span->first && x <= span->second;
                    ASSERT_EQ(inside, InEllipse(x, y, width, height))
                        << width << "x" << height << " at " << x << "," << y;
                }
            }
}

TEST(SelectionShapes, TheEllipseKeepsOffTheBoxBorderWithAClosedOutline) {
    QImage picture = BlackPicture(12, 9);
    DrawEllipseOutline(picture, picture.rect(), TOutlineInk::Invert);
    EXPECT_EQ(picture, FromArt({"............", //
                                "...XXXXXX...", //
                                "..X......X..", //
                                ".X........X.", //
                                ".X........X.", //
                                ".X........X.", //
                                "..X......X..", //
                                "...XXXXXX...", //
                                "............"}));
    // Boxes of 2 pixels or less across hold no ellipse.
    for (const QSize& size : {QSize(2, 10), QSize(10, 2), QSize(1, 1)}) {
        QImage thin = BlackPicture(size.width(), size.height());
        DrawEllipseOutline(thin, thin.rect(), TOutlineInk::Black);
        CutOutEllipse(thin);
        EXPECT_EQ(thin.pixel(0, 0), White);
    }
}

TEST(SelectionShapes, TheCutOutIsWhiteOutsideTheEllipseAndTheOutlineBlack) {
    const QImage screen = PatternPicture(200, 150);
    for (const QRect& box : {QRect(20, 10, 101, 60), QRect(0, 0, 200, 150), QRect(7, 9, 3, 3)}) {
        QImage cut = screen.copy(box);
        DrawEllipseOutline(cut, cut.rect(), TOutlineInk::Black);
        CutOutEllipse(cut);
        ExpectSameImage(cut, ExpectedEllipseImage(screen, box),
                        QString("%1x%2").arg(box.width()).arg(box.height()));
    }
}

TEST(SelectionShapes, AnOutlineReachingPastThePictureIsDrawnWhereThePictureIs) {
    // A piece of a larger picture: the ellipse's box starts left of it and ends below it.
    const QImage screen = PatternPicture(100, 80);
    const QRect box(-30, 20, 90, 80);
    QImage whole = screen.copy(QRect(-30, 0, 130, 100)); // the box inside, off-picture black
    DrawEllipseOutline(whole, box.translated(30, 0), TOutlineInk::Invert);
    QImage piece = screen;
    DrawEllipseOutline(piece, box, TOutlineInk::Invert);
    ExpectSameImage(piece, whole.copy(QRect(30, 0, 100, 80)));
}
