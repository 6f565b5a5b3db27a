#include "imaging/rotate_transform.h"

#include "imaging/parallel_rows.h"
#include "imaging/rounding_p.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace {

// Copies source pixel (sx, sy) to destination pixel (dx, dy): colours for true colour,
// palette indices otherwise (the destination has the source's palette).
inline void CopyPixel(const TDibGraphic& source, int sx, int sy, TDibGraphic& dest, int dx,
                      int dy) {
    switch (source.BitsPerPixel()) {
    case 24:
        std::memcpy(dest.ScanLine(dy) + 3 * std::size_t(dx),
                    source.ScanLine(sy) + 3 * std::size_t(sx), 3);
        break;
    case 8:
        dest.ScanLine(dy)[dx] = source.ScanLine(sy)[sx];
        break;
    default:
        dest.SetPixelIndex(dx, dy, source.PixelIndex(sx, sy));
        break;
    }
}

} // namespace

int TRotateTransform::WholeAngle(double angle) {
    if (!std::isfinite(angle))
        throw EImageError("Invalid rotation angle");
    // The angle as the rotate dialog shows it (three decimals) decides whether it is whole.
    char text[400];
    const auto written =
        std::to_chars(text, text + sizeof text, angle, std::chars_format::fixed, 3);
    double shown = angle;
    std::from_chars(text, written.ptr, shown);
    const double whole = std::nearbyint(angle);
    if (std::fabs(whole - shown) >= 0.005)
        return -1;
    double turn = std::fmod(whole, 360.0);
    while (turn < 0)
        turn += 360.0;
    return int(turn);
}

void TRotateTransform::ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) {
    if (ApplyToSameImage(source, dest))
        return;
    const int turn = WholeAngle(Angle);
    BeginProgress();
    const int width = source.Width(), height = source.Height();
    if (turn == 0) {
        dest = source;
        EndProgress();
        return;
    }

    if (turn == 90 || turn == 180 || turn == 270) {
        TDibGraphic result;
        if (turn == 180)
            NewImageLike(result, source, width, height);
        else
            NewImageLike(result, source, height, width);
        for (int y = 0; y < height; ++y) {
            StepProgress(y, 0, height - 1);
            for (int x = 0; x < width; ++x) {
                if (turn == 90)
                    CopyPixel(source, x, y, result, height - 1 - y, x);
                else if (turn == 180)
                    CopyPixel(source, x, y, result, width - 1 - x, height - 1 - y);
                else
                    CopyPixel(source, x, y, result, y, width - 1 - x);
            }
        }
        dest = std::move(result);
        EndProgress();
        return;
    }

    if (source.Empty()) {
        dest = source;
        EndProgress();
        return;
    }

    // Free rotation. The destination holds the four corners turned about the centre; each of
    // its pixels takes the source pixel that turns onto it, or the background.
    const double theta = Angle * std::numbers::pi / 180.0;
    const double cosine = std::cos(theta), sine = std::sin(theta);
    const int cx = width / 2, cy = height / 2;
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    const int corners[4][2] = {{0, 0}, {0, height - 1}, {width - 1, height - 1}, {width - 1, 0}};
    for (int c = 0; c < 4; ++c) {
        const double x = corners[c][0] - cx, y = corners[c][1] - cy;
        const double turnedX = RoundHalfEven(x * cosine - y * sine + cx);
        const double turnedY = RoundHalfEven(x * sine + y * cosine + cy);
        if (c == 0 || turnedX < minX)
            minX = turnedX;
        if (c == 0 || turnedX > maxX)
            maxX = turnedX;
        if (c == 0 || turnedY < minY)
            minY = turnedY;
        if (c == 0 || turnedY > maxY)
            maxY = turnedY;
    }
    const int newWidth = int(maxX - minX) + 1, newHeight = int(maxY - minY) + 1;
    TDibGraphic result;
    NewImageLike(result, source, newWidth, newHeight);
    const int ncx = newWidth / 2, ncy = newHeight / 2;

    // The products of the column offsets are the same for every row: computed once, they
    // give the very same sums as computing each pixel's from scratch.
    std::vector<double> columnCos(newWidth), columnSin(newWidth);
    for (int j = 0; j < newWidth; ++j) {
        columnCos[j] = (j - ncx) * cosine;
        columnSin[j] = -((j - ncx) * sine);
    }
    const int bits = source.BitsPerPixel();
    const uint8_t background[3] = {uint8_t(ColorBlue(Background)), uint8_t(ColorGreen(Background)),
                                   uint8_t(ColorRed(Background))};
    const int backgroundIndex = bits == 24 ? 0 : result.NearestPaletteIndex(Background);
    // Each destination row on its own: rows are shared out among the processors. The pixel
    // size is a template argument, so that each row loop is made for one size.
    TRowsDone rowsDone([&](int rows) { StepProgress(rows, 0, newHeight); });
    const auto turnRowsOf = [&]<int Bits>(int first, int end) {
        for (int i = first; i < end; ++i) {
            const double rowSin = (i - ncy) * sine, rowCos = (i - ncy) * cosine;
            uint8_t* out = result.ScanLine(i);
            for (int j = 0; j < newWidth; ++j) {
                int sx = int(RoundHalfEven(columnCos[std::size_t(j)] + rowSin + cx));
                int sy = int(RoundHalfEven(columnSin[std::size_t(j)] + rowCos + cy));
                if (sx == width)
                    sx = width - 1;
                if (sy == height)
                    sy = height - 1;
                const bool inside =
                    unsigned(sx) < unsigned(width) && unsigned(sy) < unsigned(height);
                if constexpr (Bits == 24) {
                    const uint8_t* from =
                        inside ? source.ScanLine(sy) + 3 * std::size_t(sx) : background;
                    std::memcpy(out + 3 * std::size_t(j), from, 3);
                } else if constexpr (Bits == 8) {
                    out[j] = inside ? source.ScanLine(sy)[sx] : uint8_t(backgroundIndex);
                } else {
                    result.SetPixelIndex(j, i,
                                         inside ? source.PixelIndex(sx, sy) : backgroundIndex);
                }
            }
            rowsDone.Add();
        }
    };
    const auto turnRows = [&](int first, int end) {
        if (bits == 24)
            turnRowsOf.template operator()<24>(first, end);
        else if (bits == 8)
            turnRowsOf.template operator()<8>(first, end);
        else
            turnRowsOf.template operator()<0>(first, end);
    };
    ForEachRowBand(newHeight, std::size_t(newWidth) * 3, turnRows);
    dest = std::move(result);
    EndProgress();
}
