#include "imaging/codec_support_p.h"

#include <algorithm>

void TByteReader::Seek(std::size_t position) {
    if (position > Data_.size())
        Truncated();
    Position_ = position;
}

uint8_t TByteReader::U8() {
    return *Take(1);
}

uint16_t TByteReader::U16() {
    const uint8_t* p = Take(2);
    return uint16_t(p[0] | (p[1] << 8));
}

uint32_t TByteReader::U32() {
    const uint8_t* p = Take(4);
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

const uint8_t* TByteReader::Take(std::size_t count) {
    if (count > Remaining())
        Truncated();
    const uint8_t* p = Data_.data() + Position_;
    Position_ += count;
    return p;
}

void TByteReader::Truncated() const {
    FailTruncated(Format_, WholeFile_);
}

void FailTruncated(const std::string& formatName, bool wholeFile) {
    const std::string message = formatName + " file is truncated";
    if (!wholeFile)
        throw EImageNeedsMoreData(message);
    throw EImageError(message);
}

void PutU8(TBytes& out, unsigned value) {
    out.push_back(uint8_t(value));
}

void PutU16(TBytes& out, unsigned value) {
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

void PutU32(TBytes& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(uint8_t(value >> shift));
}

void CheckImageFitsData(int width, int height, TImageFormat format, std::size_t dataSize,
                        const std::string& formatName) {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    if (width <= 0 || height <= 0)
        throw EImageError(formatName + " image has an invalid size " + size);
    const std::size_t stride = DibRowStride(width, BitsPerPixel(format));
    if (stride > DecodeLimit(dataSize) / std::size_t(height))
        throw EImageError(formatName + " image size " + size +
                          " is larger than the file's data can hold");
    CheckImagePixels(width, height);
}

TDibGraphic NewImageFromHeader(const TImageHeader& header, std::size_t dataSize,
                               const std::string& formatName, TNewPixels pixels) {
    CheckImageFitsData(header.Width, header.Height, header.Format, dataSize, formatName);
    TDibGraphic image;
    image.NewImage(header.Width, header.Height, header.Format, &header.Palette, 0, 0, pixels);
    if (header.XPelsPerMeter > 0 && header.YPelsPerMeter > 0)
        image.SetPelsPerMeter(header.XPelsPerMeter, header.YPelsPerMeter);
    return image;
}

std::size_t DecodeLimit(std::size_t dataSize) {
    return std::max(FreeDecodeBytes, dataSize * MaxCompressionRatio);
}

TImageFormat PaletteImageFormat(int bits, const TPalette& palette) {
    const TPaletteEntry black{0, 0, 0}, white{255, 255, 255};
    if (bits == 1 && palette.size() >= 2 &&
        ((palette[0] == black && palette[1] == white) ||
         (palette[0] == white && palette[1] == black)))
        return ifBlackWhite;
    if (bits <= 4)
        return palette == DefaultPalette(ifGray16) ? ifGray16 : ifColor16;
    return palette == DefaultPalette(ifGray256) ? ifGray256 : ifColor256;
}

namespace {
int Luminance(const TPaletteEntry& e) {
    return 30 * e.Red + 59 * e.Green + 11 * e.Blue;
}
} // namespace

bool IsInvertedBlackWhite(const TPalette& palette) {
    return palette.size() >= 2 && Luminance(palette[1]) < Luminance(palette[0]);
}

TPalette PaletteOfSize(const TPalette& palette, std::size_t count) {
    TPalette result(palette.begin(), palette.begin() + std::min(count, palette.size()));
    result.resize(count);
    return result;
}

void RepackIndices(const uint8_t* source, int bits, int width, uint8_t* target, int targetBits,
                   const uint8_t* map) {
    if (bits == targetBits && !map) {
        std::copy_n(source, PackedRowBytes(width, bits), target);
        ClearRowPadding(target, width, bits);
        return;
    }
    const std::size_t rowBytes = PackedRowBytes(width, bits);
    if (bits == targetBits && bits < 8 && rowBytes >= 256) {
        // Long rows of the same depth go a byte at a time, through a table of what each
        // source byte becomes with every index in it mapped.
        const int mask = (1 << bits) - 1;
        uint8_t byteMap[256];
        for (int value = 0; value < 256; ++value) {
            int mapped = 0;
            for (int shift = 8 - bits; shift >= 0; shift -= bits)
                mapped |= (map[(value >> shift) & mask] & mask) << shift;
            byteMap[value] = uint8_t(mapped);
        }
        for (std::size_t i = 0; i < rowBytes; ++i)
            target[i] = byteMap[source[i]];
        ClearRowPadding(target, width, bits);
        return;
    }
    std::fill_n(target, PackedRowBytes(width, targetBits), uint8_t(0));
    const int mask = (1 << bits) - 1;
    for (int x = 0; x < width; ++x) {
        const std::size_t bit = std::size_t(x) * std::size_t(bits);
        int index = (source[bit >> 3] >> (8 - bits - int(bit & 7))) & mask;
        if (map)
            index = map[index];
        const std::size_t targetBit = std::size_t(x) * std::size_t(targetBits);
        target[targetBit >> 3] |=
            uint8_t((index & ((1 << targetBits) - 1)) << (8 - targetBits - int(targetBit & 7)));
    }
}

void ClearRowPadding(uint8_t* row, int width, int bits) {
    const std::size_t usedBits = std::size_t(width) * std::size_t(bits);
    if (usedBits & 7)
        row[usedBits >> 3] &= uint8_t(0xFF << (8 - (usedBits & 7)));
}
