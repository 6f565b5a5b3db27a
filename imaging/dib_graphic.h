// The in-memory raster image every window shows, edits, prints and saves.
//
// Pixels are held the way device-independent bitmaps hold them: rows bottom-up, each row
// padded to a multiple of 4 bytes, true-colour pixels as blue, green, red bytes. Row access
// by number counts from the top (row 0 is the top row, stored last). Colours exchanged with
// the image are 0x00RRGGBB.
#pragma once

#include "imaging/image_limits.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// The one error type of the imaging layer: codec failures, refused pixel formats,
// bad transform parameters.
class EImageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum TImageFormat : int {
    ifBlackWhite = 0, // 1 bit per pixel, palette
    ifGray16 = 1,     // 4 bits, palette of greys
    ifGray256 = 2,    // 8 bits, palette of greys
    ifColor16 = 3,    // 4 bits, palette
    ifColor256 = 4,   // 8 bits, palette
    ifTrueColor = 5,  // 24 bits, no palette
};

// Validates a pixel format number read from anywhere outside the program's own code;
// throws "Internal error: Invalid image format" for anything outside 0..5.
TImageFormat ImageFormatFromNumber(int number);
int BitsPerPixel(TImageFormat format);
bool HasPalette(TImageFormat format);
std::string FormatDescription(TImageFormat format); // "Black and white", ...
std::string FormatStatusText(TImageFormat format);  // ", 2 colors", ...

// The screen's colour depth as text, from its bits per pixel: "%d Colors " with 2 to that
// power, then "MonoChrome" (1 bit), "HiColor (16 Bit)", "TrueColor (24 Bit)",
// "TrueColor (32 Bit)" or "UltraColor (64 Bit)", trailing blanks trimmed: an 8-bit screen is
// "256 Colors", a 24-bit one "16777216 Colors TrueColor (24 Bit)".
std::string ScreenColorName(int bitsPerPixel);

struct TPaletteEntry {
    uint8_t Red = 0;
    uint8_t Green = 0;
    uint8_t Blue = 0;
    bool operator==(const TPaletteEntry&) const = default;
};
using TPalette = std::vector<TPaletteEntry>;

// The palette a format gets when none is given (empty for true colour).
TPalette DefaultPalette(TImageFormat format);

inline constexpr uint32_t MakeColor(int red, int green, int blue) {
    return (uint32_t(red & 0xFF) << 16) | (uint32_t(green & 0xFF) << 8) | uint32_t(blue & 0xFF);
}
inline constexpr int ColorRed(uint32_t color) {
    return (color >> 16) & 0xFF;
}
inline constexpr int ColorGreen(uint32_t color) {
    return (color >> 8) & 0xFF;
}
inline constexpr int ColorBlue(uint32_t color) {
    return color & 0xFF;
}
inline constexpr uint32_t EntryColor(const TPaletteEntry& e) {
    return MakeColor(e.Red, e.Green, e.Blue);
}

// Dots per inch <-> pixels per metre, both rounded to nearest with halves to even.
int DpiToPelsPerMeter(int dpi);
int PelsPerMeterToDpi(int pelsPerMeter);

// The screen's logical resolution, used for images created without one. The imaging
// layer knows nothing of the screen; the application sets it once at start.
int ScreenLogicalDpi();
void SetScreenLogicalDpi(int dpi);

// Largest pixel block and side a raster may have; anything above is a corrupt size, not a
// picture.
inline constexpr std::size_t MaxImageBytes = std::size_t(1) << 31;
inline constexpr int MaxImageDimension = 1 << 20;

// Row stride of a bottom-up row padded to 4 bytes.
inline constexpr std::size_t DibRowStride(int width, int bitsPerPixel) {
    return ((std::size_t(width) * std::size_t(bitsPerPixel) + 31) / 32) * 4;
}

// What the pixels of a new raster start as: zero, or whatever the memory holds, for a caller
// that writes every pixel of every row before anything reads them (a decoder). Either way the
// bytes after each row's last whole pixel byte are zero, so that a file written from the
// raster never depends on what the memory held.
enum class TNewPixels { Zero, ToOverwrite };

class TDibGraphic {
public:
    TDibGraphic() = default;

    // Makes an empty raster of that size and format. An empty palette selects the format's
    // default palette, a resolution of 0 the screen's logical resolution. Sizes of 0 give an
    // empty image; negative sizes, more pixels than MaxImagePixels and pixels beyond the
    // working-memory budget throw (image_limits.h), and the image stays as it was.
    void NewImage(int width, int height, TImageFormat format, const TPalette* palette = nullptr,
                  int xDpi = 0, int yDpi = 0, TNewPixels pixels = TNewPixels::Zero);
    void Clear(); // back to the empty image

    bool Empty() const { return Width_ == 0 || Height_ == 0; }
    int Width() const { return Width_; }
    int Height() const { return Height_; }
    TImageFormat ImageFormat() const { return Format_; }
    int BitsPerPixel() const { return ::BitsPerPixel(Format_); }
    std::size_t RowStride() const { return Stride_; }
    std::size_t ImageSize() const { return Bits_.size(); }

    // Resolution as held (pixels per metre) and as read back (dpi).
    int XPelsPerMeter() const { return XPelsPerMeter_; }
    int YPelsPerMeter() const { return YPelsPerMeter_; }
    int XDpi() const { return PelsPerMeterToDpi(XPelsPerMeter_); }
    int YDpi() const { return PelsPerMeterToDpi(YPelsPerMeter_); }
    void SetResolution(int xDpi, int yDpi);
    void SetPelsPerMeter(int x, int y);

    const TPalette& Palette() const { return Palette_; }
    // Replaces the palette (at most 256 entries; ignored for true colour).
    void SetPalette(const TPalette& palette);

    // Row `row` counted from the top. No bounds check: callers loop within Height().
    uint8_t* ScanLine(int row) { return Bits_.data() + std::size_t(Height_ - 1 - row) * Stride_; }
    const uint8_t* ScanLine(int row) const {
        return Bits_.data() + std::size_t(Height_ - 1 - row) * Stride_;
    }
    // The whole pixel block, bottom row first.
    uint8_t* Bits() { return Bits_.data(); }
    const uint8_t* Bits() const { return Bits_.data(); }

    // A pixel as a colour 0x00RRGGBB (the palette entry's colour for palette formats).
    uint32_t Pixel(int x, int y) const;
    // Writes a colour; palette formats take the nearest palette entry.
    void SetPixel(int x, int y, uint32_t color);
    // Palette index of a pixel (palette formats only; 0 for true colour).
    int PixelIndex(int x, int y) const;
    void SetPixelIndex(int x, int y, int index);

    // Nearest palette entry by squared distance over red, green and blue; the first entry
    // with the smallest distance wins. Remembers recent answers, which changes no result.
    int NearestPaletteIndex(uint32_t color) const;

private:
    void ResetCache() const;

    int Width_ = 0;
    int Height_ = 0;
    TImageFormat Format_ = ifTrueColor;
    std::size_t Stride_ = 0;
    int XPelsPerMeter_ = 0;
    int YPelsPerMeter_ = 0;
    TPalette Palette_;
    TRawBudgetVector<uint8_t> Bits_; // copies are charged to the budget too

    // Direct-mapped memory of colour -> nearest entry; key 0xFFFFFFFF marks a free slot.
    static constexpr std::size_t CacheSize = 1024;
    mutable std::vector<std::pair<uint32_t, uint8_t>> NearestCache_;
};
