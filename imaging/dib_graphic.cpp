#include "imaging/dib_graphic.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double InchesPerMetre = 39.370078740157480317;

int ScreenDpiSetting = 96;

TPalette GrayPalette(int entries) {
    TPalette palette(entries);
    const int step = 255 / (entries - 1);
    for (int i = 0; i < entries; ++i) {
        auto level = uint8_t(i * step);
        palette[i] = {level, level, level};
    }
    return palette;
}

// The classic 16-colour display palette: levels 0, 85, 170 and 255.
TPalette Color16Palette() {
    return {{0, 0, 0},     {0, 0, 170},    {0, 170, 0},    {0, 170, 170},
            {170, 0, 0},   {170, 0, 170},  {170, 85, 0},   {170, 170, 170},
            {85, 85, 85},  {85, 85, 255},  {85, 255, 85},  {85, 255, 255},
            {255, 85, 85}, {255, 85, 255}, {255, 255, 85}, {255, 255, 255}};
}

// 256 colours as 8 levels of red, 8 of green and 4 of blue (3-3-2 bits of the index).
TPalette Color256Palette() {
    TPalette palette(256);
    for (int i = 0; i < 256; ++i) {
        int red = (i >> 5) & 7, green = (i >> 2) & 7, blue = i & 3;
        palette[i] = {uint8_t(red * 255 / 7), uint8_t(green * 255 / 7), uint8_t(blue * 255 / 3)};
    }
    return palette;
}

} // namespace

TImageFormat ImageFormatFromNumber(int number) {
    if (number < ifBlackWhite || number > ifTrueColor)
        throw EImageError("Internal error: Invalid image format");
    return TImageFormat(number);
}

int BitsPerPixel(TImageFormat format) {
    switch (format) {
    case ifBlackWhite:
        return 1;
    case ifGray16:
    case ifColor16:
        return 4;
    case ifGray256:
    case ifColor256:
        return 8;
    case ifTrueColor:
        return 24;
    }
    throw EImageError("Internal error: Invalid image format");
}

bool HasPalette(TImageFormat format) {
    return format != ifTrueColor;
}

std::string FormatDescription(TImageFormat format) {
    switch (format) {
    case ifBlackWhite:
        return "Black and white";
    case ifGray16:
        return "16 shades of gray";
    case ifGray256:
        return "256 shades of gray";
    case ifColor16:
        return "16 color";
    case ifColor256:
        return "256 color";
    case ifTrueColor:
        return "True color";
    }
    throw EImageError("Internal error: Invalid image format");
}

std::string FormatStatusText(TImageFormat format) {
    switch (format) {
    case ifBlackWhite:
        return ", 2 colors";
    case ifGray16:
        return ", 16 gray colors";
    case ifGray256:
        return ", 256 gray colors";
    case ifColor16:
        return ", 16 colors";
    case ifColor256:
        return ", 256 colors";
    case ifTrueColor:
        return ", High Color";
    }
    throw EImageError("Internal error: Invalid image format");
}

std::string ScreenColorName(int bitsPerPixel) {
    // 2 to the power of the depth in decimal digits (least significant first): 64-bit
    // screens have more colours than a 64-bit integer holds.
    std::string digits = "1";
    for (int i = 0; i < bitsPerPixel; ++i) {
        int carry = 0;
        for (char& digit : digits) {
            const int value = (digit - '0') * 2 + carry;
            digit = char('0' + value % 10);
            carry = value / 10;
        }
        if (carry)
            digits.push_back(char('0' + carry));
    }
    std::string text(digits.rbegin(), digits.rend());
    text += " Colors";
    switch (bitsPerPixel) {
    case 1:
        return text + " MonoChrome";
    case 16:
        return text + " HiColor (16 Bit)";
    case 24:
        return text + " TrueColor (24 Bit)";
    case 32:
        return text + " TrueColor (32 Bit)";
    case 64:
        return text + " UltraColor (64 Bit)";
    default:
        return text;
    }
}

TPalette DefaultPalette(TImageFormat format) {
    switch (format) {
    case ifBlackWhite:
        return {{0, 0, 0}, {255, 255, 255}};
    case ifGray16:
        return GrayPalette(16);
    case ifGray256:
        return GrayPalette(256);
    case ifColor16:
        return Color16Palette();
    case ifColor256:
        return Color256Palette();
    case ifTrueColor:
        return {};
    }
    throw EImageError("Internal error: Invalid image format");
}

int DpiToPelsPerMeter(int dpi) {
    return int(std::nearbyint(dpi * InchesPerMetre));
}

int PelsPerMeterToDpi(int pelsPerMeter) {
    return int(std::nearbyint(pelsPerMeter / InchesPerMetre));
}

int ScreenLogicalDpi() {
    return ScreenDpiSetting;
}

void SetScreenLogicalDpi(int dpi) {
    ScreenDpiSetting = dpi > 0 ? dpi : 96;
}

void TDibGraphic::NewImage(int width, int height, TImageFormat format, const TPalette* palette,
                           int xDpi, int yDpi, TNewPixels pixels) {
    ImageFormatFromNumber(format);
    if (width < 0 || height < 0 || width > MaxImageDimension || height > MaxImageDimension)
        throw EImageError("Invalid image size " + std::to_string(width) + "x" +
                          std::to_string(height));
    CheckImagePixels(width, height);
    const std::size_t stride = DibRowStride(width, ::BitsPerPixel(format));
    const std::size_t bytes = stride * std::size_t(height);
    // Checked first to name the image in the message; the allocation charges the budget.
    CheckWorkingMemory(bytes, [&] {
        return "a " + std::to_string(width) + "x" + std::to_string(height) + " image";
    });

    TRawBudgetVector<uint8_t> bits(bytes);
    // A large block is new memory from the system, zero already.
    if (bytes < LargeBlockBytes) {
        if (pixels == TNewPixels::Zero) {
            std::fill(bits.begin(), bits.end(), uint8_t(0));
        } else {
            // From the byte that holds the last pixel's bits, if it is not all of them.
            const std::size_t used = std::size_t(width) * std::size_t(::BitsPerPixel(format)) / 8;
            for (std::size_t row = 0; row < std::size_t(height) && used < stride; ++row)
                std::fill(bits.begin() + std::ptrdiff_t(row * stride + used),
                          bits.begin() + std::ptrdiff_t((row + 1) * stride), uint8_t(0));
        }
    }
    Bits_.swap(bits);
    Width_ = width;
    Height_ = height;
    Format_ = format;
    Stride_ = stride;
    if (!HasPalette(format))
        Palette_.clear();
    else if (palette && !palette->empty())
        Palette_.assign(palette->begin(),
                        palette->begin() + std::min<std::size_t>(palette->size(), 256));
    else
        Palette_ = DefaultPalette(format);
    SetResolution(xDpi > 0 ? xDpi : ScreenLogicalDpi(), yDpi > 0 ? yDpi : ScreenLogicalDpi());
    ResetCache();
}

void TDibGraphic::Clear() {
    *this = TDibGraphic();
}

void TDibGraphic::SetResolution(int xDpi, int yDpi) {
    XPelsPerMeter_ = DpiToPelsPerMeter(xDpi);
    YPelsPerMeter_ = DpiToPelsPerMeter(yDpi);
}

void TDibGraphic::SetPelsPerMeter(int x, int y) {
    XPelsPerMeter_ = x;
    YPelsPerMeter_ = y;
}

void TDibGraphic::SetPalette(const TPalette& palette) {
    if (!HasPalette(Format_))
        return;
    Palette_.assign(palette.begin(), palette.begin() + std::min<std::size_t>(palette.size(), 256));
    ResetCache();
}

uint32_t TDibGraphic::Pixel(int x, int y) const {
    const uint8_t* row = ScanLine(y);
    if (Format_ == ifTrueColor) {
        const uint8_t* p = row + std::size_t(x) * 3;
        return MakeColor(p[2], p[1], p[0]);
    }
    const int index = PixelIndex(x, y);
    if (std::size_t(index) < Palette_.size())
        return EntryColor(Palette_[index]);
    return 0;
}

void TDibGraphic::SetPixel(int x, int y, uint32_t color) {
    if (Format_ == ifTrueColor) {
        uint8_t* p = ScanLine(y) + std::size_t(x) * 3;
        p[0] = uint8_t(ColorBlue(color));
        p[1] = uint8_t(ColorGreen(color));
        p[2] = uint8_t(ColorRed(color));
        return;
    }
    SetPixelIndex(x, y, NearestPaletteIndex(color));
}

int TDibGraphic::PixelIndex(int x, int y) const {
    const uint8_t* row = ScanLine(y);
    switch (Format_) {
    case ifBlackWhite:
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case ifGray16:
    case ifColor16:
        return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    case ifGray256:
    case ifColor256:
        return row[x];
    case ifTrueColor:
        return 0;
    }
    return 0;
}

void TDibGraphic::SetPixelIndex(int x, int y, int index) {
    uint8_t* row = ScanLine(y);
    switch (Format_) {
    case ifBlackWhite: {
        const uint8_t mask = uint8_t(0x80 >> (x & 7));
        if (index & 1)
            row[x >> 3] |= mask;
        else
            row[x >> 3] &= uint8_t(~mask);
        break;
    }
    case ifGray16:
    case ifColor16: {
        uint8_t& byte = row[x >> 1];
        if (x & 1)
            byte = uint8_t((byte & 0xF0) | (index & 0x0F));
        else
            byte = uint8_t((byte & 0x0F) | ((index & 0x0F) << 4));
        break;
    }
    case ifGray256:
    case ifColor256:
        row[x] = uint8_t(index);
        break;
    case ifTrueColor:
        break;
    }
}

int TDibGraphic::NearestPaletteIndex(uint32_t color) const {
    color &= 0x00FFFFFF;
    if (Palette_.empty())
        return 0;
    if (NearestCache_.empty())
        NearestCache_.assign(CacheSize, {0xFFFFFFFFu, 0});
    // Mix the three channels so neighbouring colours spread over the slots.
    const std::size_t slot = ((color * 2654435761u) >> 22) & (CacheSize - 1);
    auto& cached = NearestCache_[slot];
    if (cached.first == color)
        return cached.second;

    const int red = ColorRed(color), green = ColorGreen(color), blue = ColorBlue(color);
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (std::size_t i = 0; i < Palette_.size(); ++i) {
        const int dr = red - Palette_[i].Red, dg = green - Palette_[i].Green,
                  db = blue - Palette_[i].Blue;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = int(i);
            if (distance == 0)
                break;
        }
    }
    cached = {color, uint8_t(best)};
    return best;
}

void TDibGraphic::ResetCache() const {
    NearestCache_.clear();
}
