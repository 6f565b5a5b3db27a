#include "imaging/adjust_effects.h"

#include "imaging/bgr_rows_p.h"
#include "imaging/fast_effects.h"
#include "imaging/rounding_p.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace {

using TByteTable = std::array<uint8_t, 256>;

void RequireTrueColor(const TFastDIB& image) {
    if (image.BitsPerPixel() != 24)
        throw EImageError("The effect needs a 24-bit buffer");
}

uint8_t ClampByte(int value) {
    return uint8_t(std::clamp(value, 0, 255));
}

std::size_t RowBytes(const TFastDIB& image) {
    return std::size_t(image.Width()) * 3;
}

// Runs every byte of every pixel through the table; the padding of a row stays.
void MapBytes(TFastDIB& image, const TByteTable& table) {
    const std::size_t bytes = RowBytes(image);
    for (int y = 0; y < image.Height(); ++y) {
        uint8_t* row = image.Row(y);
        for (std::size_t i = 0; i < bytes; ++i)
            row[i] = table[row[i]];
    }
}

// The buffer's pixels all white: new pictures start white, and what an effect does not draw
// over stays so.
void FillWhite(TFastDIB& image) {
    for (int y = 0; y < image.Height(); ++y)
        std::memset(image.Row(y), 255, RowBytes(image));
}

// Copies `from` pixels into `to` pixels, dropping or repeating pixels: destination pixel i
// takes source pixel i x from div to. Walked with a quotient and a remainder, no division
// per pixel.
void StretchRow(const uint8_t* source, int from, uint8_t* dest, int to) {
    if (from <= 0 || to <= 0)
        return;
    const int step = from / to, extra = from % to;
    int index = 0, remainder = 0;
    for (int i = 0; i < to; ++i) {
        std::memcpy(dest + std::size_t(i) * 3, source + std::size_t(index) * 3, 3);
        index += step;
        remainder += extra;
        if (remainder >= to) {
            ++index;
            remainder -= to;
        }
    }
}

// The noise and ripple generator: a permuted congruential generator, small, fast and the same
// on every machine and compiler (the standard distributions are not), so a seed always gives
// the same picture.
class TEffectRandom {
public:
    explicit TEffectRandom(uint64_t seed) {
        Next();
        State_ += seed;
        Next();
    }
    uint32_t Next() {
        const uint64_t old = State_;
        State_ = old * 6364136223846793005ULL + 1442695040888963407ULL;
        const auto xorShifted = uint32_t(((old >> 18) ^ old) >> 27);
        const auto rotation = uint32_t(old >> 59);
        return (xorShifted >> rotation) | (xorShifted << ((32 - rotation) & 31));
    }
    // Uniform enough in 0..count-1 for count far below 2^32, with one multiplication.
    int Below(int count) { return int((uint64_t(Next()) * uint32_t(count)) >> 32); }

private:
    uint64_t State_ = 0;
};

// The angle pi x y / (H - 1) of the rounded squeezes and splits: 0 at the top row, pi at the
// bottom. A one-row image has only its top row.
double RowAngle(double turns, int y, int height) {
    return height > 1 ? turns * std::numbers::pi * y / (height - 1) : 0.0;
}

int RoundToInt(double value) {
    return int(RoundHalfEven(value));
}

} // namespace

// ---- colours, pixel by pixel ----------------------------------------------------------------

void AdjustBrightness(TFastDIB& image, int amount) {
    RequireTrueColor(image);
    const int a = std::clamp(amount, -250, 250);
    if (a == 0)
        return;
    TByteTable table;
    for (int v = 0; v < 256; ++v)
        table[std::size_t(v)] = ClampByte(a > 0 ? v + a * (255 - v) / 255 : v - (-a) * v / 255);
    MapBytes(image, table);
}

void AdjustContrast(TFastDIB& image, int amount) {
    RequireTrueColor(image);
    const int a = std::clamp(amount, -250, 250);
    TByteTable table;
    for (int v = 0; v < 256; ++v) {
        const int d = a * std::abs(127 - v) / 255;
        table[std::size_t(v)] = ClampByte(v > 127 ? v + d : v - d);
    }
    MapBytes(image, table);
}

void AdjustSaturation(TFastDIB& image, int amount) {
    RequireTrueColor(image);
    const int a = std::clamp(amount, 0, 1500);
    // a x (v - m) div 255 for every difference v - m from -255 to 255.
    std::array<int, 511> change;
    for (int d = -255; d <= 255; ++d)
        change[std::size_t(d + 255)] = a * d / 255;
    for (int y = 0; y < image.Height(); ++y) {
        uint8_t* p = image.Row(y);
        for (int x = 0; x < image.Width(); ++x, p += 3) {
            const int mean = (p[0] + p[1] + p[2]) / 3;
            for (int channel = 0; channel < 3; ++channel)
                p[channel] = ClampByte(mean + change[std::size_t(p[channel] - mean + 255)]);
        }
    }
}

void ColorNoise(TFastDIB& image, int amount, uint64_t seed) {
    RequireTrueColor(image);
    const int a = std::clamp(amount, 0, 200);
    if (a == 0)
        return;
    TEffectRandom random(seed);
    const int half = a / 2;
    for (int y = 0; y < image.Height(); ++y) {
        uint8_t* p = image.Row(y);
        for (std::size_t i = 0; i < RowBytes(image); ++i)
            p[i] = ClampByte(p[i] + random.Below(a) - half);
    }
}

void MonoNoise(TFastDIB& image, int amount, uint64_t seed) {
    RequireTrueColor(image);
    const int a = std::clamp(amount, 0, 200);
    if (a == 0)
        return;
    TEffectRandom random(seed);
    const int half = a / 2;
    for (int y = 0; y < image.Height(); ++y) {
        uint8_t* p = image.Row(y);
        for (int x = 0; x < image.Width(); ++x, p += 3) {
            const int change = random.Below(a) - half;
            for (int channel = 0; channel < 3; ++channel)
                p[channel] = ClampByte(p[channel] + change);
        }
    }
}

void ChannelThreshold(TFastDIB& image, TColorChannel channel, int high, int low) {
    RequireTrueColor(image);
    TByteTable table;
    for (int v = 0; v < 256; ++v)
        table[std::size_t(v)] = low < v && v < high ? 255 : 0;
    const std::size_t offset = channel == TColorChannel::Blue    ? 0
                               : channel == TColorChannel::Green ? 1
                                                                 : 2;
    for (int y = 0; y < image.Height(); ++y) {
        uint8_t* p = image.Row(y) + offset;
        for (int x = 0; x < image.Width(); ++x, p += 3)
            *p = table[*p];
    }
}

void Posterize(TFastDIB& image, int step) {
    RequireTrueColor(image);
    const int n = std::clamp(step, 1, 101);
    TByteTable table;
    for (int v = 0; v < 256; ++v) {
        // round(v / n), a half going to the even quotient.
        int quotient = v / n;
        const int twiceRemainder = 2 * (v % n);
        if (twiceRemainder > n || (twiceRemainder == n && quotient % 2 == 1))
            ++quotient;
        table[std::size_t(v)] = uint8_t(std::min(n * quotient, 255));
    }
    MapBytes(image, table);
}

void Solarize(TFastDIB& image, int threshold) {
    RequireTrueColor(image);
    for (int y = 0; y < image.Height(); ++y) {
        uint8_t* p = image.Row(y);
        for (int x = 0; x < image.Width(); ++x, p += 3)
            if ((p[0] + p[1] + p[2]) / 3 > threshold) {
                p[0] = uint8_t(255 - p[0]);
                p[1] = uint8_t(255 - p[1]);
                p[2] = uint8_t(255 - p[2]);
            }
    }
}

// ---- blocks and blurs -------------------------------------------------------------------------

void Mosaic(TFastDIB& image, int size) {
    RequireTrueColor(image);
    const int width = image.Width(), height = image.Height();
    if (size < 2 || image.Empty())
        return;
    // A block larger than the image is the whole image.
    const int s = std::min(size, std::max(width, height));
    for (int top = 0; top < height; top += s) {
        // The block-start pixels of a block row's first row keep their colour, so reading
        // them while that row is being filled reads the original.
        const uint8_t* first = image.Row(top);
        const int bottom = std::min(top + s, height);
        for (int y = top; y < bottom; ++y) {
            uint8_t* row = image.Row(y);
            for (int left = 0; left < width; left += s) {
                const uint8_t* colour = first + std::size_t(left) * 3;
                const uint8_t b = colour[0], g = colour[1], r = colour[2];
                uint8_t* p = row + std::size_t(left) * 3;
                for (int x = left; x < std::min(left + s, width); ++x, p += 3) {
                    p[0] = b;
                    p[1] = g;
                    p[2] = r;
                }
            }
        }
    }
}

void SplitBlur(TFastDIB& image, int distance) {
    RequireTrueColor(image);
    FastSplitBlur(image, distance, TBlurEdges::Own);
}

void GaussianBlur(TFastDIB& image, int passes) {
    RequireTrueColor(image);
    for (int pass = 0; pass < std::min(passes, 51); ++pass)
        FastSplitBlur(image, 2, TBlurEdges::Own);
}

// ---- distortions --------------------------------------------------------------------------

void FishEye(TFastDIB& image, double amount) {
    RequireTrueColor(image);
    if (!std::isfinite(amount))
        throw EImageError("Invalid fish-eye amount");
    if (image.Empty())
        return;
    const TFastDIB source(image);
    const int width = image.Width(), height = image.Height();
    // The positions and weights are single-precision numbers, each step computed in double
    // and stored as float: the sampling positions depend on that rounding.
    const auto a = float(std::clamp(amount, 0.71, 1.71));
    const auto xmid = float(width / 2.0), ymid = float(height / 2.0);
    const auto rmax = float(double(a) * width);

    // The sampling position is the centre plus an offset (dx x r2 / r1, dy x r2 / r1) that
    // changes sign with dx and dy and nothing else: column W - x lies as far left of the
    // centre as column x lies right of it (and row H - y above row y), so the square roots
    // and divisions are done for one quarter of the image only.
    const int halfWidth = width / 2;
    std::vector<double> offsetX(std::size_t(halfWidth) + 1), offsetY(offsetX.size());
    auto computeOffsets = [&](int ty) {
        const auto dy = float(ty - double(ymid));
        for (int tx = 0; tx <= halfWidth; ++tx) {
            const auto dx = float(tx - double(xmid));
            auto r1 = float(std::sqrt(double(dx) * dx + double(dy) * dy));
            double ox = 0, oy = 0;
            if (r1 != 0) {
                if (r1 == rmax)
                    r1 = float(double(r1) - 0.01);
                const auto r2 = float((1.0 / (1.0 - double(r1) / rmax) - 1.0) * (rmax / 2.0));
                ox = double(dx) * r2 / r1;
                oy = double(dy) * r2 / r1;
            }
            offsetX[std::size_t(tx)] = ox;
            offsetY[std::size_t(tx)] = oy;
        }
    };

    auto wrap = [](int64_t i, int size) {
        if (i < 0)
            return int(size - (-i) % size - 1);
        return int(i > size - 1 ? i % size : i);
    };
    auto weights = [](float f, int64_t i, float& w0, float& w1) {
        if (f >= 0) {
            w1 = float(double(f) - double(i));
            w0 = float(1.0 - w1);
        } else {
            w0 = float(double(i) - double(f));
            w1 = float(1.0 - w0);
        }
    };
    auto renderRow = [&](int ty, double signY) {
        uint8_t* out = image.Row(ty);
        for (int tx = 0; tx < width; ++tx, out += 3) {
            const bool mirrored = tx > halfWidth;
            const auto column = std::size_t(mirrored ? width - tx : tx);
            auto fx = float(xmid + (mirrored ? -offsetX[column] : offsetX[column]));
            auto fy = float(ymid + signY * offsetY[column]);
            // Two distinct floats never divide to exactly 1, so r2 stays below 2^24 x rmax;
            // the guard only keeps the conversion defined.
            if (!(std::fabs(fx) < 1e18f && std::fabs(fy) < 1e18f)) {
                fx = xmid;
                fy = ymid;
            }
            const auto ifx = int64_t(fx), ify = int64_t(fy);
            float wx[2], wy[2];
            weights(fx, ifx, wx[0], wx[1]);
            weights(fy, ify, wy[0], wy[1]);
            const int x0 = wrap(ifx, width), y0 = wrap(ify, height);
            const int columns[2] = {x0, x0 + 1 >= width ? width - x0 - 1 : x0 + 1};
            const uint8_t* rows[2] = {source.Row(y0),
                                      source.Row(y0 + 1 >= height ? height - y0 - 1 : y0 + 1)};
            float total[3] = {0, 0, 0};
            for (int i = 0; i < 2; ++i)
                for (int j = 0; j < 2; ++j) {
                    const double weight = double(wx[i]) * wy[j];
                    const uint8_t* p = rows[j] + std::size_t(columns[i]) * 3;
                    for (int channel = 0; channel < 3; ++channel)
                        total[channel] = float(total[channel] + weight * p[channel]);
                }
            for (int channel = 0; channel < 3; ++channel)
                out[channel] = ClampByte(RoundToInt(total[channel]));
        }
    };

    for (int ty = 0; ty <= height / 2; ++ty) {
        computeOffsets(ty);
        renderRow(ty, 1);
        if (height - ty < height && height - ty != ty)
            renderRow(height - ty, -1);
    }
}

void Squeeze(TFastDIB& image, TSqueezeKind kind, int amount) {
    RequireTrueColor(image);
    if (kind < TSqueezeKind::Horizontal || kind > TSqueezeKind::DoubleRound)
        throw EImageError("Unknown adjustment");
    if (image.Empty())
        return;
    const TFastDIB source(image);
    const int width = image.Width(), height = image.Height();
    const int a = std::clamp(amount, 0, width / 2), mid = width / 2;
    FillWhite(image);
    for (int y = 0; y < height; ++y) {
        // The row goes into [left, right): narrowed by t on both sides, or 2t wide about the
        // middle for the round kinds.
        int t = a;
        switch (kind) {
        case TSqueezeKind::Top:
            t = RoundToInt(double(a) * (height - y - 1) / height);
            break;
        case TSqueezeKind::Bottom:
            t = RoundToInt(double(a) * y / height);
            break;
        case TSqueezeKind::Diamond:
            t = RoundToInt(a * std::fabs(std::cos(RowAngle(1, y, height))));
            break;
        case TSqueezeKind::Middle:
        case TSqueezeKind::Round:
            t = RoundToInt(a * std::fabs(std::sin(RowAngle(1, y, height))));
            break;
        case TSqueezeKind::DoubleRound:
            t = RoundToInt(std::fabs(std::sin(RowAngle(2, y, height))) * a);
            break;
        default:
            break;
        }
        const bool round = kind == TSqueezeKind::Round || kind == TSqueezeKind::DoubleRound;
        const int left = round ? mid - t : t, right = round ? mid + t : width - t;
        StretchRow(source.Row(y), width, image.Row(y) + std::size_t(left) * 3, right - left);
    }
}

void Split(TFastDIB& image, TSplitKind kind, int amount) {
    RequireTrueColor(image);
    if (kind != TSplitKind::Round && kind != TSplitKind::Transpose)
        throw EImageError("Unknown adjustment");
    if (image.Empty())
        return;
    const TFastDIB source(image);
    const int width = image.Width(), height = image.Height();
    const int b = std::clamp(amount, 0, width / 2), half = width / 2;
    FillWhite(image);
    for (int y = 0; y < height; ++y) {
        const double angle = RowAngle(1, y, height);
        const int m = kind == TSplitKind::Round ? RoundToInt(std::fabs(std::sin(angle)) * b)
                                                : RoundToInt(b * std::fabs(std::cos(angle)));
        const uint8_t* in = source.Row(y);
        uint8_t* out = image.Row(y);
        // The left half against the left edge; the right half ends one column short of the
        // right edge, which stays white.
        StretchRow(in, half, out, m);
        StretchRow(in + std::size_t(half) * 3, half, out + std::size_t(width - m - 1) * 3, m);
    }
}

namespace {

// Copies pixel (x, n) to (x, n + offset(x)) for the rows n from height - b - 1 up to 0. A
// pixel only ever moves down, so every pixel read still holds its original colour.
template <typename TOffsets> void Ripple(TFastDIB& image, int b, TOffsets&& nextOffset) {
    const int width = image.Width();
    std::vector<uint8_t*> rows(std::size_t(b) + 1);
    for (int n = image.Height() - b - 1; n >= 0; --n) {
        for (int i = 0; i <= b; ++i)
            rows[std::size_t(i)] = image.Row(n + i);
        int offset = 0;
        for (int x = 0; x < width; ++x) {
            if (offset != 0)
                std::memcpy(rows[std::size_t(offset)] + std::size_t(x) * 3,
                            rows[0] + std::size_t(x) * 3, 3);
            offset = nextOffset(offset);
        }
    }
}

} // namespace

void RippleTooth(TFastDIB& image, int amount) {
    RequireTrueColor(image);
    const int b = std::clamp(amount, 0, image.Height() / 2);
    if (b == 0 || image.Empty())
        return;
    Ripple(image, b, [b](int offset) { return offset + 1 > b ? 0 : offset + 1; });
}

void RippleRandom(TFastDIB& image, int amount, uint64_t seed) {
    RequireTrueColor(image);
    const int b = std::clamp(amount, 0, image.Height() / 2);
    if (b == 0 || image.Empty())
        return;
    TEffectRandom random(seed);
    Ripple(image, b, [&random, b](int) { return random.Below(b); });
}

void Tile(TFastDIB& image, int size, TTileLayout layout) {
    RequireTrueColor(image);
    const int width = image.Width(), height = image.Height();
    const int c = std::min({height / 2, width / 2, size});
    if (c < 1)
        return;
    // The whole image shrunk into a c x c tile.
    std::vector<uint8_t> tile(std::size_t(c) * c * 3);
    for (int j = 0; j < c; ++j)
        StretchRow(image.Row(int(int64_t(j) * height / c)), width,
                   tile.data() + std::size_t(j) * c * 3, c);
    // Tiles go down in rows from the top, each row from the left, every step pixels (never
    // more than a tile, so every pixel is covered), and a later tile covers an earlier one.
    // The last tile over pixel (x, y) therefore starts at the last multiple of the step at or
    // before it, and the pixel shows tile pixel (x mod step, y mod step).
    const int step = layout == TTileLayout::Normal ? c : RoundToInt(2.0 * c / 3);
    const std::size_t stepBytes = std::size_t(step) * 3;
    for (int y = 0; y < height; ++y) {
        const uint8_t* source = tile.data() + std::size_t(y % step) * c * 3;
        uint8_t* out = image.Row(y);
        for (std::size_t x = 0; x < RowBytes(image); x += stepBytes)
            std::memcpy(out + x, source, std::min(stepBytes, RowBytes(image) - x));
    }
}

// ---- the dialog's entry point -------------------------------------------------------------

namespace {

TFastDIB TrueColorCopy(const TFastDIB& image) {
    if (image.BitsPerPixel() == 24)
        return image;
    TFastDIB copy;
    copy.SetSize(image.Width(), image.Height(), 24);
    std::vector<uint32_t> colours(std::size_t(image.Width()));
    for (int y = 0; y < image.Height(); ++y) {
        image.RowColors(y, colours.data());
        uint8_t* p = copy.Row(y);
        for (uint32_t colour : colours) {
            *p++ = uint8_t(colour);
            *p++ = uint8_t(colour >> 8);
            *p++ = uint8_t(colour >> 16);
        }
    }
    return copy;
}

} // namespace

TFastDIB AdjustedCopy(const TFastDIB& image, const TAdjustment& adjustment) {
    const int p = std::clamp(adjustment.Position, 0, 100);
    const int t = std::clamp(adjustment.Intensity, 0, 100);
    const int kind = adjustment.Kind;
    TFastDIB b = TrueColorCopy(image);
    switch (adjustment.Mode) {
    case TAdjustMode::None:
        break;
    case TAdjustMode::Brightness:
        AdjustBrightness(b, (p - 50) * 5);
        break;
    case TAdjustMode::Contrast:
        AdjustContrast(b, (p - 50) * 5);
        break;
    case TAdjustMode::Saturation:
        AdjustSaturation(b, p * 15);
        break;
    case TAdjustMode::Mosaic:
        Mosaic(b, p);
        break;
    case TAdjustMode::FishEye:
        FishEye(b, (p + 71) / 100.0);
        break;
    case TAdjustMode::SplitBlur:
        SplitBlur(b, p);
        break;
    case TAdjustMode::Gaussian:
        GaussianBlur(b, RoundToInt(p / 2.0) + 1);
        break;
    case TAdjustMode::ColorNoise:
        ColorNoise(b, p * 2, adjustment.Seed);
        break;
    case TAdjustMode::MonoNoise:
        MonoNoise(b, p * 2, adjustment.Seed);
        break;
    case TAdjustMode::XRed:
        ChannelThreshold(b, TColorChannel::Red, p, t);
        break;
    case TAdjustMode::XGreen:
        ChannelThreshold(b, TColorChannel::Green, p, t);
        break;
    case TAdjustMode::XBlue:
        ChannelThreshold(b, TColorChannel::Blue, p, t);
        break;
    case TAdjustMode::Squeeze:
        if (kind < 1 || kind > 7)
            throw EImageError("Unknown adjustment");
        Squeeze(b, TSqueezeKind(kind), kind >= 6 ? 2 * p + 1 : p);
        break;
    case TAdjustMode::Split:
        if (kind < 1 || kind > 2)
            throw EImageError("Unknown adjustment");
        Split(b, TSplitKind(kind), 4 * p + 1);
        break;
    case TAdjustMode::RippleTooth:
        RippleTooth(b, p);
        break;
    case TAdjustMode::RippleRandom:
        RippleRandom(b, p, adjustment.Seed);
        break;
    case TAdjustMode::TileNormal:
        Tile(b, p + 10, TTileLayout::Normal);
        break;
    case TAdjustMode::TileOverlap:
        Tile(b, p + 10, TTileLayout::Overlap);
        break;
    case TAdjustMode::Posterize:
        Posterize(b, p + 1);
        break;
    case TAdjustMode::Solarize:
        Solarize(b, p + 1);
        break;
    default:
        throw EImageError("Unknown adjustment");
    }
    return b;
}

TFastDIB TrueColorFastDIB(const TDibGraphic& image) {
    TDibGraphic expanded;
    const TDibGraphic& colours = AsTrueColor(image, expanded);
    TFastDIB buffer;
    buffer.SetSize(image.Width(), image.Height(), 24);
    for (int y = 0; y < buffer.Height(); ++y)
        std::memcpy(buffer.Row(y), colours.ScanLine(y), RowBytes(buffer));
    return buffer;
}

TDibGraphic TrueColorDibGraphic(const TFastDIB& buffer) {
    const TFastDIB colours = TrueColorCopy(buffer);
    TDibGraphic image;
    image.NewImage(buffer.Width(), buffer.Height(), ifTrueColor);
    for (int y = 0; y < image.Height(); ++y)
        std::memcpy(image.ScanLine(y), colours.Row(y), RowBytes(colours));
    return image;
}
