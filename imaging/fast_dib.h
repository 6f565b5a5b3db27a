// The fast raster buffer: a top-down pixel block with a table of row addresses that the
// effects (fast_effects.h) walk with byte pointers, read from and written to BMP files.
//
// Unlike TDibGraphic it keeps pixels in the file's own depth: 1, 4 or 8 bits of palette
// index, 16 or 32 bits split into red, green and blue bit fields, or 24 bits of blue, green,
// red. The layout of a 16- or 32-bit pixel is a code of three decimal digits, the bit counts
// of red, green and blue (565, 555, 888): blue takes the lowest bits, green the next and red
// the next.
#pragma once

#include "imaging/dib_graphic.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

class TFastDIB {
public:
    TFastDIB() = default; // empty: 0 x 0 pixels of 24 bits
    TFastDIB(const TFastDIB& other);
    TFastDIB& operator=(const TFastDIB& other);
    // A buffer moved from is empty.
    TFastDIB(TFastDIB&& other) noexcept;
    TFastDIB& operator=(TFastDIB&& other) noexcept;
    void Swap(TFastDIB& other) noexcept;

    // Makes the buffer `width` x |height| pixels of `bitsPerPixel` (0: the screen's, see
    // SetFastDIBScreenFormat) in `layout` (16 and 32 bits only; 0 picks the screen's 16-bit
    // layout or 888). When nothing changes, nothing happens; otherwise the pixels are made
    // anew (all zero) and the row table filled. The colour table stays while the depth
    // does; a new depth gets a grey ramp. 0 x 0 empties the buffer. Throws EImageError for a
    // depth other than 0, 1, 4, 8, 16, 24 and 32, a layout whose bits do not fit the pixel, a
    // negative width, more pixels than MaxImagePixels and pixels beyond the working-memory
    // budget (image_limits.h).
    void SetSize(int width, int height, int bitsPerPixel, int layout = 0);

    bool Empty() const { return Width_ == 0 || Height_ == 0; }
    int Width() const { return Width_; }
    int Height() const { return Height_; }
    int BitsPerPixel() const { return Bits_; }
    int Layout() const { return Layout_; }
    // Bytes per row, padded to 4: ((bits * width + 31) div 32) * 4.
    std::size_t RowStride() const { return Stride_; }
    // The row's bytes after its pixels: the stride minus width x bytes per pixel, or minus
    // width div (8 div bits) below 8 bits.
    std::size_t Gap() const;
    std::size_t ImageSize() const { return Pixels_.size(); }

    // Red, green and blue masks of a 16- or 32-bit pixel (zero for other depths).
    const std::array<uint32_t, 3>& Masks() const { return Masks_; }

    // Row `y` from the top, through the row table. No bounds check.
    uint8_t* Row(int y) { return Rows_[std::size_t(y)]; }
    const uint8_t* Row(int y) const { return Rows_[std::size_t(y)]; }
    // The whole pixel block, top row first.
    uint8_t* Bits() { return Pixels_.data(); }
    const uint8_t* Bits() const { return Pixels_.data(); }

    // 2^bits entries for 8 bits and fewer, none above.
    const TPalette& ColorTable() const { return ColorTable_; }
    // Replaces the colour table, cut or padded with black to 2^bits entries.
    void SetColorTable(const TPalette& colors);
    // The used-colours count of the information header, kept from the file the buffer was
    // read from (0 after SetSize). A buffer with one is written with the 40-byte header.
    int ColorsUsed() const { return ColorsUsed_; }
    int XPelsPerMeter() const { return XPelsPerMeter_; }
    int YPelsPerMeter() const { return YPelsPerMeter_; }

    // A pixel as a colour 0x00RRGGBB: the colour table's entry, or the channels scaled to
    // 0..255. No bounds check.
    uint32_t PixelColor(int x, int y) const;
    // Row `y` as Width() colours 0x00RRGGBB, for showing the buffer.
    void RowColors(int y, uint32_t* colors) const;

    // Exchanges row y with row height - 1 - y for the top half.
    void FlipRows();

    // Reads a BMP file: 40-byte (or longer) and 12-byte OS/2 headers, 1, 4, 8, 16, 24 and
    // 32 bits, run-length coded 8- and 4-bit data, bit fields. The buffer takes the file's
    // depth; bit fields become the layout of their bit counts (100 x red + 10 x green + blue),
    // each channel of at most 9 bits. Throws EImageError and keeps the buffer as it was when
    // the file is not one it can read.
    void LoadFromBmp(std::span<const uint8_t> data);
    void LoadFromFile(const std::string& path);
    // The buffer as a BMP file: with bit fields or a used-colours count, the 40-byte header
    // followed by the three masks or the used colours; otherwise the 12-byte core header
    // followed, for 8 bits and fewer, by 2^bits blue-green-red triples. Then the rows
    // bottom-up. A 24-bit buffer of W x H pixels is 26 + H x stride bytes.
    std::vector<uint8_t> SaveToBmp() const;
    // Writes the file whole under a temporary name and renames it over `path`.
    void SaveToFile(const std::string& path) const;

private:
    void FillRowTable();

    int Width_ = 0;
    int Height_ = 0;
    int Bits_ = 24;
    int Layout_ = 0;
    std::size_t Stride_ = 0;
    std::array<uint32_t, 3> Masks_{0, 0, 0};
    TPalette ColorTable_;
    int ColorsUsed_ = 0;
    int XPelsPerMeter_ = 0;
    int YPelsPerMeter_ = 0;
    TBudgetVector<uint8_t> Pixels_; // charged to the working-memory budget, as rasters are
    std::vector<uint8_t*> Rows_;
};

// The screen's pixel format, for buffers made with 0 bits per pixel or a 16-bit layout of 0.
// The imaging layer knows nothing of the screen: the application sets it at start (an X
// true-colour screen has 32 bits per pixel; a 16-bit screen is 565 or 555). Until then 32
// bits and 565.
void SetFastDIBScreenFormat(int bitsPerPixel, int layout16);
int FastDIBScreenBits();
int FastDIBScreenLayout16();
