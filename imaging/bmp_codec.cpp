// Windows and OS/2 bitmap files.
//
// Written: a 14-byte file header, the 40-byte information header, a full palette of
// blue-green-red-zero entries for palette images, then the rows bottom-up exactly as the
// image holds them. Read: core (OS/2 1.x) and information headers of every later size,
// 1, 2, 4, 8, 16, 24 and 32 bits, run-length coded 4- and 8-bit images, bit fields, rows
// bottom-up or top-down. The headers, the checks and the run-length decoder are shared with
// the fast raster buffer (bmp_format_p.h).
#include "imaging/bmp_format_p.h"
#include "imaging/image_codecs.h"

#include <algorithm>
#include <vector>

namespace {

// One colour channel of a 16- or 32-bit pixel, scaled to 0..255.
struct TChannel {
    TBitField Field;

    explicit TChannel(uint32_t mask) : Field(TBitField::OfMask(mask)) {}
    uint8_t operator()(uint32_t pixel) const {
        const uint32_t max = Field.Max();
        if (max == 0)
            return 0;
        const uint32_t value = (pixel >> Field.Shift) & max;
        return uint8_t((uint64_t(value) * 255 + max / 2) / max);
    }
};

void DecodeBitFields(const uint8_t* row, int width, int bits, const uint32_t masks[3],
                     uint8_t* target) {
    const TChannel red(masks[0]), green(masks[1]), blue(masks[2]);
    for (int x = 0; x < width; ++x, target += 3) {
        uint32_t pixel;
        if (bits == 16) {
            pixel = uint32_t(row[0] | (row[1] << 8));
            row += 2;
        } else {
            pixel = uint32_t(row[0]) | (uint32_t(row[1]) << 8) | (uint32_t(row[2]) << 16) |
                    (uint32_t(row[3]) << 24);
            row += 4;
        }
        target[0] = blue(pixel);
        target[1] = green(pixel);
        target[2] = red(pixel);
    }
}

// What the image will be.
TImageHeader ImageHeaderOf(const TBmpHeader& header) {
    TImageHeader image;
    image.Width = header.Width;
    image.Height = header.Height;
    image.Format = header.Bits <= 8 ? PaletteImageFormat(header.Bits, header.Palette) : ifTrueColor;
    // A file whose palette holds no entry gets the format's own, as a new image does.
    if (image.Format != ifTrueColor)
        image.Palette = header.Palette.empty() ? DefaultPalette(image.Format) : header.Palette;
    if (header.XPelsPerMeter > 0 && header.YPelsPerMeter > 0) {
        image.XPelsPerMeter = header.XPelsPerMeter;
        image.YPelsPerMeter = header.YPelsPerMeter;
    }
    return image;
}

} // namespace

std::vector<uint8_t> BmpFileHeaders(const TDibGraphic& image) {
    const int bits = image.BitsPerPixel();
    const std::size_t entries = HasPalette(image.ImageFormat()) ? std::size_t(1) << bits : 0;
    const std::size_t headerBytes = BmpFileHeaderSize + BmpInfoHeaderSize + entries * 4;
    const std::size_t fileSize = headerBytes + image.ImageSize();
    CheckBmpFileSize(fileSize);

    TBytes out;
    out.reserve(headerBytes);
    PutBmpFileHeader(out, fileSize, headerBytes);
    PutBmpInfoHeader(out, {.Width = image.Width(),
                           .Height = image.Height(),
                           .Bits = bits,
                           .Compression = BI_RGB,
                           .ImageSize = image.ImageSize(),
                           .XPelsPerMeter = image.XPelsPerMeter(),
                           .YPelsPerMeter = image.YPelsPerMeter(),
                           .ColorsUsed = uint32_t(entries)});

    for (const TPaletteEntry& entry : PaletteOfSize(image.Palette(), entries)) {
        PutU8(out, entry.Blue);
        PutU8(out, entry.Green);
        PutU8(out, entry.Red);
        PutU8(out, 0);
    }
    return out;
}

std::vector<uint8_t> SaveBmp(const TDibGraphic& image) {
    TBytes out = BmpFileHeaders(image);
    out.insert(out.end(), image.Bits(), image.Bits() + image.ImageSize());
    return out;
}

TImageHeader ReadBmpHeader(std::span<const uint8_t> data, bool wholeFile) {
    TByteReader reader(data, "BMP", wholeFile);
    return ImageHeaderOf(ReadBmpHeaderFields(reader));
}

std::optional<TBmpPixelBlock> PlanBmpPixelBlock(std::span<const uint8_t> start,
                                                std::size_t fileSize) {
    TBmpHeader header;
    std::size_t headersEnd = 0;
    try {
        TByteReader reader(start, "BMP", start.size() >= fileSize);
        header = ReadBmpHeaderFields(reader);
        headersEnd = reader.Position();
    } catch (const EImageError&) {
        return std::nullopt; // LoadBmp says what is wrong, or reads further
    }
    const TImageHeader image = ImageHeaderOf(header);
    if (header.Compression != BI_RGB || header.TopDown || header.Width <= 0 || header.Height <= 0 ||
        ::BitsPerPixel(image.Format) != header.Bits || header.DataStart < headersEnd ||
        header.DataStart > fileSize)
        return std::nullopt;
    // Every row there with its padding, as ReadBmpHeader finds the data it takes.
    const std::size_t block = DibRowStride(header.Width, header.Bits) * std::size_t(header.Height);
    if (block > fileSize - header.DataStart)
        return std::nullopt;
    return TBmpPixelBlock{
        NewImageFromHeader(image, fileSize - header.DataStart, "BMP", TNewPixels::ToOverwrite),
        header.DataStart};
}

void FinishBmpPixelBlock(TDibGraphic& image) {
    const int bits = image.BitsPerPixel();
    const std::size_t usedBits = std::size_t(image.Width()) * std::size_t(bits);
    const std::size_t used = (usedBits + 7) / 8, stride = image.RowStride();
    if (usedBits == stride * 8)
        return;
    for (int y = 0; y < image.Height(); ++y) {
        uint8_t* row = image.ScanLine(y);
        ClearRowPadding(row, image.Width(), bits);
        std::fill(row + used, row + stride, uint8_t(0));
    }
}

TDibGraphic LoadBmp(std::span<const uint8_t> data) {
    TByteReader reader(data, "BMP");
    const TBmpHeader header = ReadBmpHeader(reader);
    const int bits = header.Bits;
    // Run-length data may leave pixels out, which stay 0; other files give every pixel.
    TDibGraphic image =
        NewImageFromHeader(ImageHeaderOf(header), reader.Remaining(), "BMP",
                           header.RunLengthCoded() ? TNewPixels::Zero : TNewPixels::ToOverwrite);

    if (header.RunLengthCoded()) {
        std::vector<uint8_t*> rows(std::size_t(header.Height));
        for (int y = 0; y < header.Height; ++y)
            rows[std::size_t(y)] = image.ScanLine(y);
        DecodeBmpRunLengths(reader, header, rows);
        return image;
    }
    const std::size_t fileStride = DibRowStride(header.Width, bits);
    const uint8_t* pixels = data.data() + header.DataStart;
    for (int i = 0; i < header.Height; ++i) {
        const uint8_t* source = pixels + std::size_t(i) * fileStride;
        uint8_t* target = image.ScanLine(header.TopDown ? i : header.Height - 1 - i);
        if (bits <= 8)
            RepackIndices(source, bits, header.Width, target, image.BitsPerPixel());
        else if (bits == 24)
            std::copy_n(source, std::size_t(header.Width) * 3, target);
        else
            DecodeBitFields(source, header.Width, bits, header.Masks, target);
    }
    return image;
}
