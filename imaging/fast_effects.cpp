#include "imaging/fast_effects.h"

#include "imaging/rounding_p.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace {

// Copies one pixel between rows: whole bytes for 8 bits and more, an index below that.
template <int Bits> struct TPixel {
    static constexpr std::size_t Bytes = Bits / 8;
    static void Copy(const uint8_t* source, int64_t sourceX, uint8_t* dest, int64_t destX) {
        std::memcpy(dest + std::size_t(destX) * Bytes, source + std::size_t(sourceX) * Bytes,
                    Bytes);
    }
};

template <> struct TPixel<4> {
    static int Get(const uint8_t* row, int64_t x) {
        return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    }
    static void Set(uint8_t* row, int64_t x, int index) {
        uint8_t& byte = row[x >> 1];
        byte = (x & 1) ? uint8_t((byte & 0xF0) | index) : uint8_t((byte & 0x0F) | (index << 4));
    }
    static void Copy(const uint8_t* source, int64_t sourceX, uint8_t* dest, int64_t destX) {
        Set(dest, destX, Get(source, sourceX));
    }
};

template <> struct TPixel<1> {
    static int Get(const uint8_t* row, int64_t x) { return (row[x >> 3] >> (7 - (x & 7))) & 1; }
    static void Set(uint8_t* row, int64_t x, int index) {
        const auto mask = uint8_t(0x80 >> (x & 7));
        row[x >> 3] = index ? uint8_t(row[x >> 3] | mask) : uint8_t(row[x >> 3] & ~mask);
    }
    static void Copy(const uint8_t* source, int64_t sourceX, uint8_t* dest, int64_t destX) {
        Set(dest, destX, Get(source, sourceX));
    }
};

// Runs `work` with the TPixel type of the buffer's depth.
template <typename TWork> void ForDepth(int bits, TWork&& work) {
    switch (bits) {
    case 1:
        return work(TPixel<1>{});
    case 4:
        return work(TPixel<4>{});
    case 8:
        return work(TPixel<8>{});
    case 16:
        return work(TPixel<16>{});
    case 24:
        return work(TPixel<24>{});
    default:
        return work(TPixel<32>{});
    }
}

void CheckSameFormat(const TFastDIB& source, const TFastDIB& dest) {
    if (source.BitsPerPixel() != dest.BitsPerPixel() || source.Layout() != dest.Layout())
        throw EImageError("Source and destination buffers differ in pixel format");
}

// ---- split blur ----------------------------------------------------------------------------

// The rows and columns a pixel's four samples come from.
struct TBlurWindow {
    int64_t Distance;
    TBlurEdges Edges;
    std::vector<int> Left, Right; // c0 and c1 of each column

    TBlurWindow(int width, int64_t distance, TBlurEdges edges) : Distance(distance), Edges(edges) {
        Left.resize(std::size_t(width));
        Right.resize(std::size_t(width));
        for (int x = 0; x < width; ++x) {
            Left[std::size_t(x)] = Before(x);
            Right[std::size_t(x)] = After(x, width);
        }
    }
    int Upper(int y) const { return Before(y); }
    int Lower(int y, int height) const { return After(y, height); }

private:
    int Before(int i) const {
        if (i - Distance >= 0)
            return int(i - Distance);
        return Edges == TBlurEdges::Own ? i : 0;
    }
    int After(int i, int size) const {
        if (i + Distance < size)
            return int(i + Distance);
        return Edges == TBlurEdges::Own ? i : size - 1;
    }
};

// Pixels of `Step` bytes whose first three (or only) bytes are averaged one by one.
template <std::size_t Step, std::size_t Channels>
void BlurBytes(TFastDIB& buffer, const TBlurWindow& window) {
    const int width = buffer.Width(), height = buffer.Height();
    const auto columns = static_cast<std::size_t>(width);
    std::vector<std::size_t> left(columns), right(columns);
    for (std::size_t x = 0; x < std::size_t(width); ++x) {
        left[x] = std::size_t(window.Left[x]) * Step;
        right[x] = std::size_t(window.Right[x]) * Step;
    }
    for (int y = 0; y < height; ++y) {
        const uint8_t* upper = buffer.Row(window.Upper(y));
        const uint8_t* lower = buffer.Row(window.Lower(y, height));
        uint8_t* pixel = buffer.Row(y);
        for (std::size_t x = 0; x < std::size_t(width); ++x, pixel += Step) {
            const uint8_t* a = upper + left[x];
            const uint8_t* b = upper + right[x];
            const uint8_t* c = lower + left[x];
            const uint8_t* e = lower + right[x];
            for (std::size_t channel = 0; channel < Channels; ++channel)
                pixel[channel] = uint8_t((a[channel] + b[channel] + c[channel] + e[channel]) >> 2);
        }
    }
}

void Blur16(TFastDIB& buffer, const TBlurWindow& window) {
    const int width = buffer.Width(), height = buffer.Height();
    const auto masks = buffer.Masks();
    auto load = [](const uint8_t* row, int x) {
        return uint32_t(row[2 * x] | (row[2 * x + 1] << 8));
    };
    for (int y = 0; y < height; ++y) {
        const uint8_t* upper = buffer.Row(window.Upper(y));
        const uint8_t* lower = buffer.Row(window.Lower(y, height));
        uint8_t* row = buffer.Row(y);
        for (int x = 0; x < width; ++x) {
            const int c0 = window.Left[std::size_t(x)], c1 = window.Right[std::size_t(x)];
            const uint32_t a = load(upper, c0), b = load(upper, c1), c = load(lower, c0),
                           e = load(lower, c1);
            uint32_t pixel = 0;
            for (uint32_t m : masks)
                pixel |= (((a & m) + (b & m) + (c & m) + (e & m)) >> 2) & m;
            row[2 * x] = uint8_t(pixel);
            row[2 * x + 1] = uint8_t(pixel >> 8);
        }
    }
}

template <typename TIndex> void BlurIndices(TFastDIB& buffer, const TBlurWindow& window) {
    const int width = buffer.Width(), height = buffer.Height();
    for (int y = 0; y < height; ++y) {
        const uint8_t* upper = buffer.Row(window.Upper(y));
        const uint8_t* lower = buffer.Row(window.Lower(y, height));
        uint8_t* row = buffer.Row(y);
        for (int x = 0; x < width; ++x) {
            const int c0 = window.Left[std::size_t(x)], c1 = window.Right[std::size_t(x)];
            const int sum = TIndex::Get(upper, c0) + TIndex::Get(upper, c1) +
                            TIndex::Get(lower, c0) + TIndex::Get(lower, c1);
            TIndex::Set(row, x, sum / 4);
        }
    }
}

// ---- rotation ------------------------------------------------------------------------------

// A position in 16.16 fixed point, rounded to nearest with halves to even. Positions are
// 64-bit: the sums below never leave the range where doubles hold every integer, and a
// position never wraps round onto the picture however far outside it lies.
int64_t Fixed(double value) {
    return int64_t(RoundHalfEven(value * 65536.0));
}

// The source column (or row) of a wrapped rotation for the fixed-point position `position`.
int64_t WrapFixed(int64_t position, int64_t size) {
    if (position < 0) {
        const int64_t whole = (-position) >> 16;
        return size - (whole < size ? whole : whole % size) - 1;
    }
    const int64_t whole = position >> 16;
    return whole < size ? whole : whole % size;
}

template <typename TPix, TFastEdges Edges>
void RotateInto(const TFastDIB& source, TFastDIB& dest, double cx, double cy, double angle) {
    const double theta = -angle * std::numbers::pi / 180.0;
    const double s = std::sin(theta), c = std::cos(theta);
    const double xd = (double(dest.Width()) - double(source.Width())) / 2.0;
    const double yd = (double(dest.Height()) - double(source.Height())) / 2.0;
    const int64_t stepX = Fixed(c), stepY = Fixed(s);
    const int64_t width = source.Width(), height = source.Height();
    for (int y = 0; y < dest.Height(); ++y) {
        int64_t sx = Fixed(-cx * c + cx - (y - cy) * s - xd);
        int64_t sy = Fixed(-cx * s + cy + (y - cy) * c - yd);
        uint8_t* row = dest.Row(y);
        for (int x = 0; x < dest.Width(); ++x, sx += stepX, sy += stepY) {
            if constexpr (Edges == TFastEdges::Clip) {
                // Negative positions become very large and fail the test like any other
                // position outside.
                const uint64_t ix = uint64_t(sx) >> 16, iy = uint64_t(sy) >> 16;
                if (ix < uint64_t(width) && iy < uint64_t(height))
                    TPix::Copy(source.Row(int(iy)), int64_t(ix), row, x);
            } else {
                TPix::Copy(source.Row(int(WrapFixed(sy, height))), WrapFixed(sx, width), row, x);
            }
        }
    }
}

// ---- wave ----------------------------------------------------------------------------------

// round(amplitude x sin(i / period)) for i = 0 .. count - 1. Offsets beyond any buffer are
// held at +-2^40, which moves nothing differently and keeps the sums far from overflow.
std::vector<int64_t> WaveOffsets(int count, double amplitude, double period) {
    constexpr double Limit = 1099511627776.0; // 2^40
    std::vector<int64_t> offsets(std::size_t(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        const double offset = std::clamp(amplitude * std::sin(i / period), -Limit, Limit);
        offsets[std::size_t(i)] = int64_t(RoundHalfEven(offset));
    }
    return offsets;
}

// A wrapped source position: below 0 counted back from the far edge (-1 gives size - 2, as
// the wrapped wave has always done), at size and beyond taken modulo the size.
int64_t WrapPosition(int64_t position, int64_t size) {
    if (position < 0)
        return size - ((-position) % size) - 1;
    return position < size ? position : position % size;
}

template <typename TPix>
void WaveClipped(const TFastDIB& source, TFastDIB& dest, const std::vector<int64_t>& columnOffsets,
                 const std::vector<int64_t>& rowOffsets) {
    const int64_t width = source.Width(), height = source.Height();
    const int64_t destWidth = dest.Width();
    // Row by row rather than column by column: every destination pixel is written at most
    // once from an unchanging source, so the order does not matter and rows are faster.
    for (int y = 0; y < dest.Height(); ++y) {
        const int64_t shift = rowOffsets[std::size_t(y)];
        const int64_t first = std::max<int64_t>(0, -shift);
        const int64_t last = std::min<int64_t>(destWidth, width - shift);
        uint8_t* row = dest.Row(y);
        for (int64_t x = first; x < last; ++x) {
            const int64_t sy = columnOffsets[std::size_t(x)] + y;
            if (uint64_t(sy) < uint64_t(height))
                TPix::Copy(source.Row(int(sy)), x + shift, row, x);
        }
    }
}

template <typename TPix>
void WaveWrapped(const TFastDIB& source, TFastDIB& dest, const std::vector<int64_t>& columnOffsets,
                 const std::vector<int64_t>& rowOffsets) {
    const int64_t width = source.Width(), height = source.Height();
    const int destWidth = dest.Width();
    std::vector<int64_t> startRows(static_cast<std::size_t>(destWidth));
    for (std::size_t x = 0; x < startRows.size(); ++x)
        startRows[x] = WrapPosition(columnOffsets[x], height);
    for (int y = 0; y < dest.Height(); ++y) {
        // Each column goes on with the next source row, back to row 0 after the last.
        const int64_t advance = y % height;
        int64_t position = rowOffsets[std::size_t(y)];
        int64_t sx = WrapPosition(position, width);
        uint8_t* row = dest.Row(y);
        for (int x = 0; x < destWidth; ++x) {
            int64_t sy = startRows[std::size_t(x)] + advance;
            if (sy >= height)
                sy -= height;
            TPix::Copy(source.Row(int(sy)), sx, row, x);
            // The next column's source column, as WrapPosition(position + 1) gives it.
            if (++position == 0)
                sx = 0;
            else if (++sx == width)
                sx = 0;
        }
    }
}

} // namespace

void FastSplitBlur(TFastDIB& buffer, int distance, TBlurEdges edges) {
    if (buffer.Empty() || distance == 0)
        return;
    // Beyond the larger side every sample already lies beyond its edges.
    const int64_t d =
        std::min<int64_t>(std::abs(int64_t(distance)), std::max(buffer.Width(), buffer.Height()));
    const TBlurWindow window(buffer.Width(), d, edges);
    switch (buffer.BitsPerPixel()) {
    case 1:
        return BlurIndices<TPixel<1>>(buffer, window);
    case 4:
        return BlurIndices<TPixel<4>>(buffer, window);
    case 8:
        return BlurBytes<1, 1>(buffer, window);
    case 16:
        return Blur16(buffer, window);
    case 24:
        return BlurBytes<3, 3>(buffer, window);
    default:
        return BlurBytes<4, 3>(buffer, window);
    }
}

void FastRotate(const TFastDIB& source, TFastDIB& dest, int centerX, int centerY, double angle,
                TFastEdges edges) {
    if (!std::isfinite(angle))
        throw EImageError("Invalid rotation angle");
    CheckSameFormat(source, dest);
    if (source.Empty() || dest.Empty())
        return;
    if (&source == &dest) {
        // Turning a buffer into itself reads an untouched copy.
        const TFastDIB copy(source);
        return FastRotate(copy, dest, centerX, centerY, angle, edges);
    }
    ForDepth(source.BitsPerPixel(), [&]<typename TPix>(TPix) {
        if (edges == TFastEdges::Clip)
            RotateInto<TPix, TFastEdges::Clip>(source, dest, centerX, centerY, angle);
        else
            RotateInto<TPix, TFastEdges::Wrap>(source, dest, centerX, centerY, angle);
    });
}

void FastWave(const TFastDIB& source, TFastDIB& dest, double amplitude, double periodX,
              double periodY, TFastEdges edges) {
    if (!std::isfinite(amplitude) || !std::isfinite(periodX) || !std::isfinite(periodY) ||
        periodX == 0 || periodY == 0)
        throw EImageError("Invalid wave parameters");
    CheckSameFormat(source, dest);
    if (source.Empty() || dest.Empty())
        return;
    if (&source == &dest) {
        const TFastDIB copy(source);
        return FastWave(copy, dest, amplitude, periodX, periodY, edges);
    }
    const std::vector<int64_t> columnOffsets = WaveOffsets(dest.Width(), amplitude, periodX);
    const std::vector<int64_t> rowOffsets = WaveOffsets(dest.Height(), amplitude, periodY);
    ForDepth(source.BitsPerPixel(), [&]<typename TPix>(TPix) {
        if (edges == TFastEdges::Clip)
            WaveClipped<TPix>(source, dest, columnOffsets, rowOffsets);
        else
            WaveWrapped<TPix>(source, dest, columnOffsets, rowOffsets);
    });
}
