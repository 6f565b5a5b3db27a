// What the selection methods must store, worked out pixel by pixel from the screen, apart from
// the code that draws and cuts: the dotted outline along a rectangle's border, the ellipse of
// a box with its black outline, white outside.
#pragma once

#include <QImage>
#include <QRect>
#include <QString>

#include <cstdint>
#include <gtest/gtest.h>

namespace selection_test {

constexpr QRgb White = 0xFFFFFFFF;
constexpr QRgb Black = 0xFF000000;

inline QRgb Inverted(QRgb pixel) {
    return pixel ^ 0x00FFFFFF;
}

// A picture whose every pixel differs from its neighbours, in every channel.
inline QImage PatternPicture(int width, int height) {
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(
                x, y, qRgb((x * 7 + y) & 0xFF, (y * 13 + 5) & 0xFF, (x * 3 + y * 5 + 11) & 0xFF));
    return picture;
}

// The ellipse of a box of width x height: pixel centres inside the ellipse inscribed in the
// rectangle from (1, 1) to (width - 1, height - 1), tried pixel by pixel in doubled units.
inline bool InEllipse(int x, int y, int width, int height) {
    const std::int64_t rx = width - 2, ry = height - 2;
    if (rx <= 0 || ry <= 0 || x < 0 || y < 0 || x >= width || y >= height)
        return false;
    const std::int64_t dx = 2 * x + 1 - width, dy = 2 * y + 1 - height;
    return dx * dx * ry * ry + dy * dy * rx * rx <= rx * rx * ry * ry;
}

inline bool OnEllipseOutline(int x, int y, int width, int height) {
    return InEllipse(x, y, width, height) &&
           (!InEllipse(x - 1, y, width, height) || !InEllipse(x + 1, y, width, height) ||
            !InEllipse(x, y - 1, width, height) || !InEllipse(x, y + 1, width, height));
}

// The rectangle of the screen with every other pixel of its border inverted: those whose
// screen x + y is even.
inline QImage ExpectedRectangleImage(const QImage& screen, const QRect& rect) {
    QImage expected = screen.copy(rect).convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rect.height(); ++y)
        for (int x = 0; x < rect.width(); ++x) {
            const bool border = x == 0 || y == 0 || x == rect.width() - 1 || y == rect.height() - 1;
            if (border && (rect.x() + x + rect.y() + y) % 2 == 0)
                expected.setPixel(x, y, Inverted(expected.pixel(x, y)));
        }
    return expected;
}

// The box of the screen cut out along its ellipse onto white, with the ellipse's black
// outline (`outline` false: the screen's pixels up to the edge, as a repeat takes them).
inline QImage ExpectedEllipseImage(const QImage& screen, const QRect& box, bool outline = true) {
    QImage expected = screen.copy(box).convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < box.height(); ++y)
        for (int x = 0; x < box.width(); ++x) {
            if (!InEllipse(x, y, box.width(), box.height()))
                expected.setPixel(x, y, White);
            else if (outline && OnEllipseOutline(x, y, box.width(), box.height()))
                expected.setPixel(x, y, Black);
        }
    return expected;
}

inline bool SamePixels(const QImage& actual, const QImage& expected) {
    if (actual.size() != expected.size())
        return false;
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if ((actual.pixel(x, y) & 0xFFFFFF) != (expected.pixel(x, y) & 0xFFFFFF))
                return false;
    return true;
}

// Compares sizes and every pixel (alpha aside), reporting the first few differences.
inline void ExpectSameImage(const QImage& actual, const QImage& expected,
                            const QString& what = {}) {
    ASSERT_EQ(actual.size(), expected.size()) << what.toStdString();
    int differences = 0;
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x) {
            const QRgb got = actual.pixel(x, y) & 0xFFFFFF, want = expected.pixel(x, y) & 0xFFFFFF;
            if (got != want && ++differences <= 5)
                ADD_FAILURE() << what.toStdString() << " pixel " << x << "," << y << ": "
                              << std::hex << got << " instead of " << want;
        }
    EXPECT_EQ(differences, 0) << what.toStdString();
}

} // namespace selection_test
