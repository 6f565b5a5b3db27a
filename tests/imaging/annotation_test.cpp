#include "imaging/annotation.h"

#include "image_test_support.h"
#include "imaging/format_registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <string>

namespace {

constexpr uint32_t White = 0xFFFFFF;
constexpr uint32_t Black = 0x000000;
constexpr uint32_t Red = 0xFF0000;

TDibGraphic Plain(int width, int height, uint32_t color = White) {
    TDibGraphic image;
    image.NewImage(width, height, ifTrueColor);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.SetPixel(x, y, color);
    return image;
}

TMark MarkOf(TMarkKind kind, std::vector<TMarkPoint> points, uint32_t color = Red, int width = 3) {
    TMark mark;
    mark.Kind = kind;
    mark.Points = std::move(points);
    mark.Color = color;
    mark.Width = width;
    return mark;
}

// Pixels of the row (or column) that differ from `background`.
int ChangedInColumn(const TDibGraphic& image, int x, uint32_t background = White) {
    int count = 0;
    for (int y = 0; y < image.Height(); ++y)
        count += image.Pixel(x, y) != background;
    return count;
}
int ChangedInRow(const TDibGraphic& image, int y, uint32_t background = White) {
    int count = 0;
    for (int x = 0; x < image.Width(); ++x)
        count += image.Pixel(x, y) != background;
    return count;
}

// The smallest box holding every pixel that differs from `background`; Right < Left when none.
struct TInk {
    int Left = 1 << 30, Top = 1 << 30, Right = -1, Bottom = -1;
    bool Any() const { return Right >= Left; }
};
TInk InkOf(const TDibGraphic& image, uint32_t background = White) {
    TInk ink;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            if (image.Pixel(x, y) != background) {
                ink.Left = std::min(ink.Left, x);
                ink.Top = std::min(ink.Top, y);
                ink.Right = std::max(ink.Right, x);
                ink.Bottom = std::max(ink.Bottom, y);
            }
    return ink;
}

// Within a few steps of `color` in every channel: the rounding of an antialiased edge.
bool Near(uint32_t actual, uint32_t color) {
    return std::abs(ColorRed(actual) - ColorRed(color)) <= 3 &&
           std::abs(ColorGreen(actual) - ColorGreen(color)) <= 3 &&
           std::abs(ColorBlue(actual) - ColorBlue(color)) <= 3;
}

int Brightness(uint32_t color) {
    return (ColorRed(color) + ColorGreen(color) + ColorBlue(color)) / 3;
}

TEST(Annotation, LineCoversItsWidthAcrossAndNothingBeyond) {
    for (const int width : {1, 2, 3, 5, 8}) {
        TDibGraphic image = Plain(60, 40);
        // An odd width centred on a row's middle, an even one on the edge between two rows,
        // covers whole rows.
        const double centre = width % 2 ? 20.5 : 20;
        ASSERT_TRUE(
            DrawMark(image, MarkOf(TMarkKind::Line, {{5.5, centre}, {50.5, centre}}, Red, width)));
        EXPECT_EQ(ChangedInColumn(image, 30), width) << width;
        for (int y = 20 - width / 2; y < 20 - width / 2 + width; ++y)
            EXPECT_EQ(image.Pixel(30, y), Red) << width << " row " << y;
        // Round caps: half the width beyond each end, no more.
        EXPECT_EQ(image.Pixel(5 - (width + 1) / 2 - 1, 20), White) << width;
        EXPECT_EQ(image.Pixel(50 + (width + 1) / 2 + 1, 20), White) << width;
    }
}

TEST(Annotation, ArrowHeadSitsAtTheEndPointedTo) {
    struct TCase {
        const char* Name;
        TMarkPoint From, To;
        bool Vertical;
    } cases[] = {
        {"right", {10.5, 40.5}, {70.5, 40.5}, false},
        {"left", {70.5, 40.5}, {10.5, 40.5}, false},
        {"down", {40.5, 10.5}, {40.5, 70.5}, true},
        {"up", {40.5, 70.5}, {40.5, 10.5}, true},
    };
    for (const auto& c : cases) {
        TDibGraphic image = Plain(81, 81);
        ASSERT_TRUE(DrawMark(image, MarkOf(TMarkKind::Arrow, {c.From, c.To}, Red, 3))) << c.Name;
        // Across the shaft a few pixels from each end: the head is wide, the tail as wide as
        // the line.
        const double dx = (c.To.X - c.From.X) / 60, dy = (c.To.Y - c.From.Y) / 60;
        auto across = [&](TMarkPoint p) {
            return c.Vertical ? ChangedInRow(image, int(p.Y)) : ChangedInColumn(image, int(p.X));
        };
        const int nearHead = across({c.To.X - dx * 8, c.To.Y - dy * 8});
        const int nearTail = across({c.From.X + dx * 4, c.From.Y + dy * 4});
        EXPECT_GE(nearHead, 7) << c.Name;
        EXPECT_EQ(nearTail, 3) << c.Name;
        // The tip reaches the end point and stops there.
        EXPECT_NE(image.Pixel(int(c.To.X - dx), int(c.To.Y - dy)), White) << c.Name;
        EXPECT_EQ(image.Pixel(int(c.To.X + dx * 3), int(c.To.Y + dy * 3)), White) << c.Name;
    }
}

TEST(Annotation, ArrowHeadGrowsWithTheWidth) {
    int previous = 0;
    for (const int width : {1, 4, 10}) {
        TDibGraphic image = Plain(200, 120);
        ASSERT_TRUE(
            DrawMark(image, MarkOf(TMarkKind::Arrow, {{10.5, 60.5}, {190.5, 60.5}}, Red, width)));
        int head = 0;
        for (int x = 0; x < 200; ++x)
            head = std::max(head, ChangedInColumn(image, x));
        EXPECT_GT(head, previous) << width;
        EXPECT_GT(head, width) << width;
        previous = head;
    }
}

TEST(Annotation, ShapesFilledOrOutlined) {
    struct TCase {
        TMarkKind Kind;
        bool Filled;
    } cases[] = {{TMarkKind::Rectangle, false},
                 {TMarkKind::Rectangle, true},
                 {TMarkKind::Ellipse, false},
                 {TMarkKind::Ellipse, true}};
    for (const auto& c : cases) {
        TDibGraphic image = Plain(80, 60);
        TMark mark = MarkOf(c.Kind, {{60, 50}, {10, 10}}, Red, 4); // corners in either order
        mark.Filled = c.Filled;
        ASSERT_TRUE(DrawMark(image, mark));
        const std::string name = std::string(c.Kind == TMarkKind::Rectangle ? "rect" : "ellipse") +
                                 (c.Filled ? " filled" : " outline");
        EXPECT_EQ(image.Pixel(35, 30) == Red, c.Filled) << name;
        // The outline lies inside the box: the left edge's middle is painted, outside it not.
        EXPECT_TRUE(Near(image.Pixel(10, 30), Red)) << name;
        EXPECT_TRUE(Near(image.Pixel(13, 30), Red)) << name;
        EXPECT_EQ(image.Pixel(14, 30) == Red, c.Filled) << name;
        EXPECT_EQ(image.Pixel(9, 30), White) << name;
        EXPECT_EQ(image.Pixel(60, 30), White) << name;
        EXPECT_EQ(image.Pixel(35, 9), White) << name;
        EXPECT_EQ(image.Pixel(35, 50), White) << name;
        EXPECT_TRUE(Near(image.Pixel(35, 10), Red)) << name;
        EXPECT_TRUE(Near(image.Pixel(35, 49), Red)) << name;
        // An ellipse leaves the box's corners alone.
        EXPECT_EQ(image.Pixel(11, 11) == Red, c.Kind == TMarkKind::Rectangle) << name;
    }
}

TEST(Annotation, EllipseEdgeIsAntialiased) {
    TDibGraphic image = Plain(100, 100);
    TMark mark = MarkOf(TMarkKind::Ellipse, {{10, 10}, {90, 90}}, Black, 1);
    mark.Filled = true;
    ASSERT_TRUE(DrawMark(image, mark));
    int partial = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            partial += image.Pixel(x, y) != Black && image.Pixel(x, y) != White;
    EXPECT_GT(partial, 100); // a blended rim all round, not a staircase
}

TEST(Annotation, PenFollowsThePathWithRoundJoins) {
    TDibGraphic image = Plain(80, 80);
    const std::vector<TMarkPoint> path{{10.5, 10.5}, {40.5, 60.5}, {70.5, 10.5}, {70.5, 12.5}};
    ASSERT_TRUE(DrawMark(image, MarkOf(TMarkKind::Pen, path, Black, 5)));
    for (const auto& p : path)
        EXPECT_EQ(image.Pixel(int(p.X), int(p.Y)), Black);
    // The sharp corner at the bottom is rounded: the join's outer side is filled out to the
    // half width below the corner point, and no further.
    EXPECT_EQ(image.Pixel(40, 62), Black);
    EXPECT_EQ(image.Pixel(40, 64), White);
    // A single click leaves a dot.
    TDibGraphic dot = Plain(20, 20);
    ASSERT_TRUE(DrawMark(dot, MarkOf(TMarkKind::Pen, {{10.5, 10.5}}, Black, 5)));
    const TInk ink = InkOf(dot);
    EXPECT_EQ(ink.Left, 8);
    EXPECT_EQ(ink.Right, 12);
    EXPECT_EQ(ink.Top, 8);
    EXPECT_EQ(ink.Bottom, 12);
}

// Black and white stripes, one pixel each, down the image.
TDibGraphic Stripes(int width, int height) {
    TDibGraphic image = Plain(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; x += 2)
            image.SetPixel(x, y, Black);
    return image;
}

TEST(Annotation, HighlighterKeepsTheDetailUnderIt) {
    TDibGraphic image = Stripes(60, 30);
    const uint32_t yellow = 0xFFFF00;
    ASSERT_TRUE(
        DrawMark(image, MarkOf(TMarkKind::Highlighter, {{5.5, 15.5}, {55.5, 15.5}}, yellow, 3)));
    for (int x = 20; x < 40; x += 2) {
        const uint32_t dark = image.Pixel(x, 15), light = image.Pixel(x + 1, 15);
        EXPECT_LT(Brightness(dark), 40) << x;
        EXPECT_GT(ColorRed(light), 230) << x;
        EXPECT_GT(ColorGreen(light), 230) << x;
        EXPECT_LT(ColorBlue(light), 160) << x; // tinted with the ink
    }
    // Even a dark ink lets the stripes through.
    TDibGraphic dark = Stripes(60, 30);
    ASSERT_TRUE(
        DrawMark(dark, MarkOf(TMarkKind::Highlighter, {{5.5, 15.5}, {55.5, 15.5}}, Black, 3)));
    EXPECT_GT(Brightness(dark.Pixel(31, 15)) - Brightness(dark.Pixel(30, 15)), 60);
}

TEST(Annotation, HighlighterDoesNotDarkenItsOwnOverlapTwice) {
    TDibGraphic image = Plain(80, 80, 0xC0C0C0);
    // Across, back over itself, and down through the first pass.
    const std::vector<TMarkPoint> path{{10.5, 40.5}, {70.5, 40.5}, {20.5, 40.5},
                                       {40.5, 40.5}, {40.5, 70.5}, {40.5, 10.5}};
    ASSERT_TRUE(DrawMark(image, MarkOf(TMarkKind::Highlighter, path, 0x00FF00, 3)));
    const uint32_t once = image.Pixel(60, 40);
    EXPECT_NE(once, 0xC0C0C0u);
    EXPECT_EQ(image.Pixel(40, 40), once);
    EXPECT_EQ(image.Pixel(30, 40), once);
    EXPECT_EQ(image.Pixel(40, 20), once);
}

TEST(Annotation, TextIsDrawnWhereItIsPlacedAndNowhereElse) {
    struct TCase {
        TMarkPoint At;
        int Size;
    } cases[] = {{{10, 10}, 20}, {{100, 40}, 12}, {{3, 70}, 40}};
    for (const auto& c : cases) {
        TDibGraphic image = Plain(240, 140);
        TMark mark = MarkOf(TMarkKind::Text, {c.At}, Black);
        mark.Text = "Hello, Wg";
        mark.FontSize = c.Size;
        ASSERT_TRUE(DrawMark(image, mark)) << c.Size;
        const TInk ink = InkOf(image);
        ASSERT_TRUE(ink.Any());
        // Below and right of the top-left corner, within a line of the size's height.
        EXPECT_GE(ink.Left, int(c.At.X)) << c.Size;
        EXPECT_LE(ink.Left, int(c.At.X) + c.Size / 4 + 1) << c.Size;
        EXPECT_GE(ink.Top, int(c.At.Y)) << c.Size;
        EXPECT_LE(ink.Top, int(c.At.Y) + c.Size / 3) << c.Size;
        EXPECT_LE(ink.Bottom, int(c.At.Y) + c.Size * 5 / 4) << c.Size;
        EXPECT_GT(ink.Right - ink.Left, c.Size * 3) << c.Size; // nine letters side by side
        // Real strokes: solid pixels, with blended edges.
        int solid = 0;
        for (int y = ink.Top; y <= ink.Bottom; ++y)
            for (int x = ink.Left; x <= ink.Right; ++x)
                solid += Brightness(image.Pixel(x, y)) < 40;
        EXPECT_GT(solid, c.Size) << c.Size;
    }
}

TEST(Annotation, TextTakesItsColourAndLines) {
    TDibGraphic image = Plain(200, 120);
    TMark mark = MarkOf(TMarkKind::Text, {{5, 5}}, 0x0000FF);
    mark.Text = "one\ntwo";
    mark.FontSize = 30;
    ASSERT_TRUE(DrawMark(image, mark));
    const TInk ink = InkOf(image);
    EXPECT_GT(ink.Bottom - ink.Top, 40); // two lines
    bool blue = false;
    for (int y = ink.Top; y <= ink.Bottom; ++y)
        for (int x = ink.Left; x <= ink.Right; ++x)
            blue = blue || image.Pixel(x, y) == 0x0000FFu;
    EXPECT_TRUE(blue);
}

TEST(Annotation, HugeTextIsLaidOutOnlyWhereTheImageIs) {
    // Thousands of glyphs of the largest size, most of them beyond the image on every side,
    // draw the same as the few lines and letters that reach into it.
    auto lines = [](int count, int length) {
        std::string text;
        for (int line = 0; line < count; ++line)
            text += std::string(std::size_t(length), 'W') + "\n";
        return text;
    };
    for (const TMarkPoint at : {TMarkPoint{-200, -150}, TMarkPoint{-40000, -30000}}) {
        TDibGraphic image = Plain(120, 90), expected = Plain(120, 90);
        TMark mark = MarkOf(TMarkKind::Text, {at}, Black);
        mark.FontSize = MaxMarkFontSize;
        mark.Text = lines(2000, 2000);
        ASSERT_TRUE(DrawMark(image, mark));
        mark.Text = lines(80, 120); // enough to reach past the image from either corner
        ASSERT_TRUE(DrawMark(expected, mark));
        EXPECT_TRUE(InkOf(image).Any()) << at.X;
        EXPECT_TRUE(SamePixels(expected, image)) << at.X;
    }
}

TEST(Annotation, EmptyOrBlankTextChangesNothing) {
    for (const char* text : {"", " ", "\n\t"}) {
        TDibGraphic image = Plain(50, 50);
        const TDibGraphic before = image;
        TMark mark = MarkOf(TMarkKind::Text, {{5, 5}}, Black);
        mark.Text = text;
        EXPECT_FALSE(DrawMark(image, mark)) << '"' << text << '"';
        EXPECT_TRUE(SamePixels(before, image));
    }
}

TEST(Annotation, StepMarkerIsADiscWithItsNumberInAContrastingColour) {
    struct TCase {
        uint32_t Color, Number;
        const char* Text;
    } cases[] = {{0x0000C0, White, "1"}, {0xFFFF00, Black, "7"}, {0xC00000, White, "12"}};
    for (const auto& c : cases) {
        TDibGraphic image = Plain(100, 100, 0x808080);
        TMark mark = MarkOf(TMarkKind::Step, {{50, 50}}, c.Color);
        mark.Text = c.Text;
        mark.FontSize = 24;
        ASSERT_TRUE(DrawMark(image, mark)) << c.Text;
        // Disc: its colour a little inside the rim on every side.
        for (const auto& p :
             std::vector<std::pair<int, int>>{{50, 34}, {50, 65}, {34, 50}, {65, 50}})
            EXPECT_EQ(image.Pixel(p.first, p.second), c.Color) << c.Text;
        EXPECT_EQ(image.Pixel(50, 28), 0x808080u) << c.Text;
        // The number's pixels sit round the centre.
        TInk number;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 100; ++x)
                if (image.Pixel(x, y) == c.Number) {
                    number.Left = std::min(number.Left, x);
                    number.Top = std::min(number.Top, y);
                    number.Right = std::max(number.Right, x);
                    number.Bottom = std::max(number.Bottom, y);
                }
        ASSERT_TRUE(number.Any()) << c.Text;
        EXPECT_NEAR((number.Left + number.Right + 1) / 2.0, 50, 1.5) << c.Text;
        EXPECT_NEAR((number.Top + number.Bottom + 1) / 2.0, 50, 1.5) << c.Text;
        EXPECT_GE(number.Bottom - number.Top, 24 / 2) << c.Text;
    }
}

TEST(Annotation, MarksAreClippedAtEveryEdgeAndOutsideChangeNothing) {
    // Each mark drawn around (cx, cy), for centres across, on and beyond every edge.
    auto markAround = [](TMarkKind kind, double cx, double cy) {
        TMark mark = MarkOf(kind, {{cx - 12, cy - 8}, {cx + 12, cy + 8}}, Red, 3);
        if (kind == TMarkKind::Pen || kind == TMarkKind::Highlighter)
            mark.Points.push_back({cx, cy + 10});
        if (kind == TMarkKind::Text || kind == TMarkKind::Step) {
            mark.Points = {kind == TMarkKind::Text ? TMarkPoint{cx - 12, cy - 8}
                                                   : TMarkPoint{cx, cy}};
            mark.Text = kind == TMarkKind::Text ? "Mark" : "3";
            mark.FontSize = 16;
        }
        return mark;
    };
    const TMarkKind kinds[] = {TMarkKind::Arrow,   TMarkKind::Line, TMarkKind::Rectangle,
                               TMarkKind::Ellipse, TMarkKind::Pen,  TMarkKind::Highlighter,
                               TMarkKind::Text,    TMarkKind::Step, TMarkKind::Redact,
                               TMarkKind::Pixelate};
    struct TPlace {
        double X, Y;
        bool Inside;
    } places[] = {{40, 30, true},   {2, 30, true},    {78, 30, true},   {40, 1, true},
                  {40, 58, true},   {0, 0, true},     {80, 60, true},   {-40, 30, false},
                  {130, 30, false}, {40, -40, false}, {40, 110, false}, {-1e12, 5, false},
                  {5, 1e12, false}};
    for (const TMarkKind kind : kinds)
        for (const auto& place : places) {
            TDibGraphic image = PatternImage(ifTrueColor, 80, 60);
            const TDibGraphic before = image;
            const bool drawn = DrawMark(image, markAround(kind, place.X, place.Y));
            EXPECT_EQ(drawn, place.Inside) << int(kind) << " at " << place.X << "," << place.Y;
            EXPECT_EQ(SamePixels(before, image), !place.Inside)
                << int(kind) << " at " << place.X << "," << place.Y;
        }
}

TEST(Annotation, LinesReachingFarBeyondTheImageKeepTheirCourseAcrossIt) {
    // Ends far off, or a slope so slight that dividing by it overflows: the part in the
    // image is the same row of pixels as a short line along it.
    const std::vector<std::vector<TMarkPoint>> lines{
        {{-1e50, 10.5}, {1e50, 10.5}},
        {{-1e50, 10.5}, {1e50, 10.5 + 1e-300}},
        {{5.5, 10.5}, {1e12, 10.5}},
        {{-3e9, 10.5}, {3e9, 10.5}},
    };
    TDibGraphic expected = Plain(40, 20);
    ASSERT_TRUE(DrawMark(expected, MarkOf(TMarkKind::Line, {{-10, 10.5}, {50, 10.5}}, Red, 3)));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        TDibGraphic image = Plain(40, 20);
        ASSERT_TRUE(DrawMark(image, MarkOf(TMarkKind::Line, lines[i], Red, 3))) << i;
        for (int x = 6; x < 40; ++x)
            for (int y = 0; y < 20; ++y)
                ASSERT_EQ(image.Pixel(x, y), expected.Pixel(x, y)) << i << ": " << x << "," << y;
    }
}

TEST(Annotation, MarksWithoutAreaOrPointsChangeNothing) {
    const std::vector<TMark> marks{
        MarkOf(TMarkKind::Line, {{10, 10}, {10, 10}}),
        MarkOf(TMarkKind::Arrow, {{10, 10}, {10, 10}}),
        MarkOf(TMarkKind::Rectangle, {{10, 10}, {30, 10}}),
        MarkOf(TMarkKind::Ellipse, {{10, 10}, {10, 30}}),
        MarkOf(TMarkKind::Redact, {{10.5, 10.5}, {10.5, 30}}),
        MarkOf(TMarkKind::Pixelate, {{10, 10}, {30, 10}}),
        MarkOf(TMarkKind::Pen, {}),
        MarkOf(TMarkKind::Line, {{10, 10}}),
        MarkOf(TMarkKind::Line, {{10, 10}, {std::nan(""), 20}}),
        MarkOf(TMarkKind::Pen, {{10, 10}, {HUGE_VAL, 20}}),
        MarkOf(TMarkKind::Rectangle, {{-1e200, -1e200}, {1e200, 1e200}}), // not a position
    };
    for (std::size_t i = 0; i < marks.size(); ++i) {
        TDibGraphic image = PatternImage(ifTrueColor, 40, 40);
        const TDibGraphic before = image;
        EXPECT_FALSE(DrawMark(image, marks[i])) << i;
        EXPECT_TRUE(SamePixels(before, image)) << i;
    }
}

TEST(Annotation, RandomMarksStayInsideTheImageAndReportWhatTheyChanged) {
    // Any kind, anywhere (near the image, across it, far off, at its edges), any setting:
    // nothing is written outside the rows (the sanitizer watches), and a mark reported as
    // drawing nothing left the image as it was.
    std::mt19937 random(20240611);
    auto coordinate = [&](int size) {
        switch (random() % 4) {
        case 0:
            return double(int(random() % unsigned(size + 40)) - 20);
        case 1:
            return (int(random() % 2000) - 500) / 7.0;
        case 2:
            return double(random() % 2 ? size : 0);
        default:
            return (random() % 2 ? 1 : -1) * std::pow(10.0, double(random() % 12));
        }
    };
    const TImageFormat formats[] = {ifTrueColor, ifColor256, ifGray16, ifBlackWhite};
    for (int i = 0; i < 1500; ++i) {
        const int width = 1 + int(random() % 40), height = 1 + int(random() % 30);
        TDibGraphic image = PatternImage(formats[i % 4], width, height);
        const TDibGraphic before = image;
        TMark mark;
        mark.Kind = TMarkKind(random() % 10);
        for (std::size_t n = random() % 6; n > 0; --n)
            mark.Points.push_back({coordinate(width), coordinate(height)});
        mark.Color = uint32_t(random());
        mark.Width = int(random() % 120) - 10;
        mark.Filled = random() % 2;
        mark.Text = std::string("Ab\n\xC3\xA9:1").substr(0, random() % 7);
        mark.FontSize = int(random() % 60);
        mark.Block = int(random() % 40);
        if (!DrawMark(image, mark)) {
            ASSERT_EQ(image.ImageFormat(), before.ImageFormat()) << i;
            ASSERT_TRUE(SamePixels(before, image)) << i;
        } else {
            ASSERT_EQ(image.ImageFormat(), ifTrueColor) << i;
        }
    }
}

TEST(Annotation, PaletteImageTurnsTrueColourOnlyWhenMarked) {
    for (const TImageFormat format : {ifBlackWhite, ifGray16, ifColor256}) {
        TDibGraphic image = PatternImage(format, 40, 30);
        const TDibGraphic before = image;
        EXPECT_FALSE(DrawMark(image, MarkOf(TMarkKind::Line, {{-20, -20}, {-5, -5}})));
        EXPECT_EQ(image.ImageFormat(), format);

        ASSERT_TRUE(DrawMark(image, MarkOf(TMarkKind::Line, {{0, 15.5}, {40, 15.5}}, 0x12C034)));
        EXPECT_EQ(image.ImageFormat(), ifTrueColor) << format;
        EXPECT_EQ(image.Pixel(20, 15), 0x12C034u) << format; // not the nearest palette entry
        EXPECT_EQ(image.Pixel(20, 5), before.Pixel(20, 5)) << format;
        EXPECT_EQ(image.Pixel(3, 25), before.Pixel(3, 25)) << format;
    }
}

TEST(Annotation, RedactionCoversEveryTouchedPixelWhole) {
    TDibGraphic image = PatternImage(ifTrueColor, 40, 30);
    const TDibGraphic before = image;
    ASSERT_TRUE(DrawMark(image, MarkOf(TMarkKind::Redact, {{20.7, 5.2}, {10.3, 15.9}}, 0x102030)));
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool inBox = x >= 10 && x <= 20 && y >= 5 && y <= 15;
            EXPECT_EQ(image.Pixel(x, y), inBox ? 0x102030u : before.Pixel(x, y)) << x << "," << y;
        }
}

// Black antialiased words on white: the secret a redaction must remove.
TDibGraphic SecretText() {
    TDibGraphic image = Plain(128, 64);
    TMark text = MarkOf(TMarkKind::Text, {{18, 18}}, Black);
    text.Text = "PIN 4711";
    text.FontSize = 22;
    EXPECT_TRUE(DrawMark(image, text));
    return image;
}

TEST(Annotation, RedactedTextLeavesNoOriginalValueInAnyFormatWritten) {
    const uint32_t cover = 0x3060C0;
    // On the 16-pixel grid, so a JPEG's blocks inside the box hold nothing but the cover.
    const int left = 16, top = 16, right = 112, bottom = 48;
    const TDibGraphic original = SecretText();
    std::set<uint32_t> originalValues;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            originalValues.insert(original.Pixel(x, y));
    ASSERT_GT(originalValues.size(), 10u); // black, white and the blended edges
    TDibGraphic redacted = original;
    ASSERT_TRUE(DrawMark(
        redacted, MarkOf(TMarkKind::Redact,
                         {{double(left), double(top)}, {double(right), double(bottom)}}, cover)));
    for (const auto& format : ImageFileFormats()) {
        const TDibGraphic read = DecodeImage(EncodeImage(redacted, format.Codec), format.Codec);
        ASSERT_EQ(read.Width(), 128) << format.Extension;
        // The codec's tolerance: none for the lossless ones, the colour reduction's for GIF,
        // the compression's for JPEG. A JPEG keeps its colour planes at half resolution and
        // smooths them back, so the box's outermost pixels take some of the colour outside it
        // (never of what lay inside): the tolerance holds from one pixel in.
        const bool jpeg = format.Codec == TImageCodec::Jpeg;
        const int tolerance = jpeg ? 4 : format.Codec == TImageCodec::Gif ? 8 : 0;
        const int inset = jpeg ? 1 : 0;
        int worst = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) {
                const uint32_t p = read.Pixel(x, y);
                EXPECT_EQ(originalValues.count(p), 0u) << format.Extension << " keeps " << std::hex
                                                       << p << " at " << std::dec << x << "," << y;
                if (x < left + inset || x >= right - inset || y < top + inset ||
                    y >= bottom - inset)
                    continue;
                worst = std::max({worst, std::abs(ColorRed(p) - ColorRed(cover)),
                                  std::abs(ColorGreen(p) - ColorGreen(cover)),
                                  std::abs(ColorBlue(p) - ColorBlue(cover))});
            }
        EXPECT_LE(worst, tolerance) << format.Extension;
        // Nothing of the words comes back: the box reads the same everywhere.
        if (tolerance == 0) {
            EXPECT_EQ(worst, 0) << format.Extension;
        }
    }
}

TEST(Annotation, PixelationBlocksAreUniformAveragesOfTheirPixels) {
    struct TCase {
        TMarkPoint A, B;
        int Block;
    } cases[] = {
        {{5, 5}, {35, 25}, 12},      // 30 x 20: cells 12, 12, 6 across and 12, 8 down
        {{3, 4}, {40, 17}, 12},      // a last column of 1 joins its neighbour
        {{-7, -9}, {30, 30}, 12},    // clipped at the top-left, grid still from the box
        {{10, 10}, {14, 40}, 12},    // narrower than a block
        {{0, 0}, {60, 50}, 20},      // a larger block
        {{50.5, 40.5}, {70, 70}, 5}, // below the least block: 12 is used
    };
    for (const auto& c : cases) {
        const TDibGraphic original = PatternImage(ifTrueColor, 60, 50);
        TDibGraphic image = original;
        TMark mark = MarkOf(TMarkKind::Pixelate, {c.A, c.B});
        mark.Block = c.Block;
        ASSERT_TRUE(DrawMark(image, mark));
        const int block = std::max(c.Block, MinPixelateBlock);
        const int boxLeft = int(std::floor(std::min(c.A.X, c.B.X)));
        const int boxTop = int(std::floor(std::min(c.A.Y, c.B.Y)));
        const int left = std::max(boxLeft, 0), top = std::max(boxTop, 0);
        const int right = std::min(int(std::ceil(std::max(c.A.X, c.B.X))), 60);
        const int bottom = std::min(int(std::ceil(std::max(c.A.Y, c.B.Y))), 50);
        // Outside the box nothing changed.
        for (int y = 0; y < 50; ++y)
            for (int x = 0; x < 60; ++x)
                if (x < left || x >= right || y < top || y >= bottom) {
                    ASSERT_EQ(image.Pixel(x, y), original.Pixel(x, y)) << x << "," << y;
                }
        // Every cell is one colour, the rounded average of the original pixels under it, and
        // holds at least the least block's number of pixels.
        std::vector<bool> seen(60 * 50, false);
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) {
                if (seen[std::size_t(y * 60 + x)])
                    continue;
                const uint32_t value = image.Pixel(x, y);
                int cellRight = x, cellBottom = y;
                while (cellRight + 1 < right && image.Pixel(cellRight + 1, y) == value)
                    ++cellRight;
                while (cellBottom + 1 < bottom && image.Pixel(x, cellBottom + 1) == value)
                    ++cellBottom;
                // Cells start on the block grid from the box's corner (or where the image
                // starts) and are never much larger than a block.
                EXPECT_TRUE(x == left || (x - boxLeft) % block == 0) << x;
                EXPECT_TRUE(y == top || (y - boxTop) % block == 0) << y;
                EXPECT_LT(cellRight - x, block + block / 2) << x;
                EXPECT_LT(cellBottom - y, block + block / 2) << y;
                long sum[3] = {0, 0, 0};
                int count = 0;
                for (int v = y; v <= cellBottom; ++v)
                    for (int u = x; u <= cellRight; ++u) {
                        ASSERT_EQ(image.Pixel(u, v), value) << u << "," << v;
                        seen[std::size_t(v * 60 + u)] = true;
                        const uint32_t p = original.Pixel(u, v);
                        sum[0] += ColorRed(p), sum[1] += ColorGreen(p), sum[2] += ColorBlue(p);
                        ++count;
                    }
                EXPECT_GE(count, std::min(MinPixelateBlock, (right - left) * (bottom - top)))
                    << x << "," << y;
                EXPECT_EQ(value, MakeColor(int((sum[0] + count / 2) / count),
                                           int((sum[1] + count / 2) / count),
                                           int((sum[2] + count / 2) / count)))
                    << x << "," << y;
            }
    }
}

} // namespace
