// What the two BMP readers and writers share: the image codec (bmp_codec.cpp, which turns the
// pixels into a TDibGraphic) and the fast raster buffer (fast_dib.cpp, which keeps them as the
// file stores them). One parser decides for both which files are valid, so the two never
// differ in what they accept by accident.
#pragma once

#include "imaging/codec_support_p.h"

#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3,
                          BI_ALPHABITFIELDS = 6;
inline constexpr std::size_t BmpFileHeaderSize = 14;
inline constexpr std::size_t BmpInfoHeaderSize = 40;
inline constexpr std::size_t BmpCoreHeaderSize = 12;

// A contiguous run of bits of a 16- or 32-bit pixel that holds one colour channel.
struct TBitField {
    int Shift = 0;
    int Bits = 0; // 0 for a channel the pixels do not have

    static TBitField OfMask(uint32_t mask);
    uint32_t Max() const { return Bits == 0 ? 0 : uint32_t((uint64_t(1) << Bits) - 1); }
    uint32_t Mask() const { return Max() << Shift; }
};

struct TBmpHeader {
    int Width = 0;
    int Height = 0; // positive; TopDown tells the order of the rows
    bool TopDown = false;
    int Bits = 0;
    uint32_t Compression = BI_RGB;
    int XPelsPerMeter = 0;
    int YPelsPerMeter = 0;
    uint32_t ColorsUsed = 0;
    // Red, green, blue for 16 and 32 bits: the file's bit fields, or the format's defaults
    // (5-5-5 and 8-8-8) for uncompressed pixels. Checked: contiguous, not overlapping, inside
    // the pixel and not all empty.
    uint32_t Masks[3] = {0, 0, 0};
    bool Core = false; // the 12-byte OS/2 header
    TPalette Palette;  // the entries the file holds, for 8 bits and fewer
    std::size_t DataStart = 0;

    bool RunLengthCoded() const { return Compression == BI_RLE8 || Compression == BI_RLE4; }
};

// Reads the file header, the information header, the bit fields and the palette and checks
// them; leaves `reader` after the palette. `reader` may hold only the start of the file (see
// TByteReader): a palette cut short by its end then asks for more (EImageNeedsMoreData)
// instead of keeping the entries that fit. DataStart is the offset the file gives, unchecked.
// Throws EImageError.
TBmpHeader ReadBmpHeaderFields(TByteReader& reader);

// ReadBmpHeaderFields on the whole file, then finds the pixel data and checks that it can
// hold the image before anyone allocates it: uncompressed rows must all be there (the last
// may lack its padding), run-length data may not claim more than DecodeLimit allows. Leaves
// `reader` at the pixel data. Throws EImageError.
TBmpHeader ReadBmpHeader(TByteReader& reader);

// Decodes run-length coded 8- or 4-bit data from `reader` into rows of indices of the same
// depth, given top row first; the rows must be zero before. Runs past the end of a row or of
// the image are cut there.
void DecodeBmpRunLengths(TByteReader& reader, const TBmpHeader& header,
                         std::span<uint8_t* const> rows);

// The 14-byte file header: "BM", the file's size, two reserved zeros, the offset of the pixels.
void PutBmpFileHeader(TBytes& out, std::size_t fileSize, std::size_t pixelOffset);

// The 40-byte information header of an image stored bottom-up.
struct TBmpInfoHeader {
    int Width = 0;
    int Height = 0;
    int Bits = 0;
    uint32_t Compression = BI_RGB;
    std::size_t ImageSize = 0;
    int XPelsPerMeter = 0;
    int YPelsPerMeter = 0;
    uint32_t ColorsUsed = 0;
};
void PutBmpInfoHeader(TBytes& out, const TBmpInfoHeader& header);

// Throws "Image is too large for a BMP file" when a file of `fileSize` bytes cannot say its
// own size.
void CheckBmpFileSize(std::size_t fileSize);
