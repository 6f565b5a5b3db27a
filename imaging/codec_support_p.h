// Helpers shared by the codecs: bounds-checked reading of little-endian fields, writing them,
// the size limit of decoded images, and the pixel format a palette image is read into.
#pragma once

#include "imaging/dib_graphic.h"
#include "imaging/image_codecs.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

using TBytes = std::vector<uint8_t>;
using TByteSpan = std::span<const uint8_t>;

// Thrown by a header reader that was given only the start of a file and needs more of it.
// Its text is that of a truncated file, which is what it means once the whole file is read.
class EImageNeedsMoreData : public EImageError {
public:
    using EImageError::EImageError;
};

// Reads fields from a byte block; running past its end throws EImageError with
// `Format` + " file is truncated" (EImageNeedsMoreData when the block is only the start of
// the file, `wholeFile` false).
class TByteReader {
public:
    TByteReader(TByteSpan data, const char* format, bool wholeFile = true)
        : Data_(data), Format_(format), WholeFile_(wholeFile) {}

    std::size_t Position() const { return Position_; }
    bool WholeFile() const { return WholeFile_; }
    std::size_t Remaining() const { return Data_.size() - Position_; }
    void Seek(std::size_t position);
    void Skip(std::size_t count) { Seek(Position_ + count); }
    uint8_t U8();
    uint16_t U16();
    uint32_t U32();
    int32_t S32() { return int32_t(U32()); }
    // `count` bytes from the current position, which moves past them.
    const uint8_t* Take(std::size_t count);
    [[noreturn]] void Truncated() const;

private:
    TByteSpan Data_;
    const char* Format_;
    bool WholeFile_;
    std::size_t Position_ = 0;
};

void PutU8(TBytes& out, unsigned value);
void PutU16(TBytes& out, unsigned value);
void PutU32(TBytes& out, uint32_t value);

// Thrown when the data ends, by readers that do not use a TByteReader.
[[noreturn]] void FailTruncated(const std::string& formatName, bool wholeFile);

// Decoders allocate the whole image before they decode it, so a file of a few bytes that
// claims a huge size must be refused up front. Up to `FreeDecodeBytes` of pixels are always
// allowed; beyond that the pixels may not exceed what the file's data can describe,
// `MaxCompressionRatio` bytes of pixels per byte of file (deflate cannot do better than about
// 1032 to 1, a Huffman-coded JPEG block needs at least a bit per component). Images with
// more pixels than MaxImagePixels are refused whatever the data.
inline constexpr std::size_t FreeDecodeBytes = std::size_t(64) << 20;
inline constexpr std::size_t MaxCompressionRatio = 2048;
void CheckImageFitsData(int width, int height, TImageFormat format, std::size_t dataSize,
                        const std::string& formatName);
// The image `header` describes, once CheckImageFitsData allows it; its pixels zero, or left
// for a decoder that writes every one of them (TNewPixels).
TDibGraphic NewImageFromHeader(const TImageHeader& header, std::size_t dataSize,
                               const std::string& formatName, TNewPixels pixels = TNewPixels::Zero);
// The bytes of pixels a file of `dataSize` bytes may decode to; the same limit holds for
// memory a decoder needs besides the image (a scan line of the file's own layout, a raster of
// another pixel size).
std::size_t DecodeLimit(std::size_t dataSize);

// The pixel format a palette image of `bits` per pixel (1, 2, 4 or 8) is read into so that
// every pixel keeps its colour: 1 bit with a black and a white entry is black and white,
// a palette equal to the default grey palette is grey, anything else up to 4 bits is
// 16 colour and 8 bits is 256 colour.
TImageFormat PaletteImageFormat(int bits, const TPalette& palette);

// True when palette entry 1 is darker than entry 0. Writers that store a black-and-white
// image as black-is-zero grey invert the bits of such an image, so white stays white.
bool IsInvertedBlackWhite(const TPalette& palette);

// `palette` cut or padded with black to exactly `count` entries.
TPalette PaletteOfSize(const TPalette& palette, std::size_t count);

// Bytes of one row of `width` pixels of `bits` each, unpadded.
inline std::size_t PackedRowBytes(int width, int bits) {
    return (std::size_t(width) * std::size_t(bits) + 7) / 8;
}

// Copies one unpadded row of `bits` (1, 2, 4 or 8) per pixel indices into a row of the
// image's own packing (`targetBits` 1, 4 or 8), mapping each index through `map`.
void RepackIndices(const uint8_t* source, int bits, int width, uint8_t* target, int targetBits,
                   const uint8_t* map = nullptr);

// Clears the bits past the last pixel of a packed row, which the image does not define.
void ClearRowPadding(uint8_t* row, int width, int bits);
