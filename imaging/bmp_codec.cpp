// Windows and OS/2 bitmap files.
//
// Written: a 14-byte file header, the 40-byte information header, a full palette of
// blue-green-red-zero entries for palette images, then the rows bottom-up exactly as the
// image holds them. Read: core (OS/2 1.x) and information headers of every later size,
// 1, 2, 4, 8, 16, 24 and 32 bits, run-length coded 4- and 8-bit images, bit fields, rows
// bottom-up or top-down.
#include "imaging/codec_support_p.h"
#include "imaging/image_codecs.h"

#include <algorithm>
#include <bit>
#include <limits>

namespace {

constexpr uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_ALPHABITFIELDS = 6;
constexpr std::size_t FileHeaderSize = 14;
constexpr std::size_t InfoHeaderSize = 40;

[[noreturn]] void Fail(const std::string& message) {
    throw EImageError(message);
}

// One colour channel of a 16- or 32-bit pixel described by a bit mask.
struct TChannel {
    int Shift = 0;
    uint32_t Max = 0; // the mask shifted down; 0 for a missing channel

    explicit TChannel(uint32_t mask) {
        if (mask == 0)
            return;
        Shift = std::countr_zero(mask);
        Max = mask >> Shift;
    }
    uint8_t operator()(uint32_t pixel, uint32_t mask) const {
        if (Max == 0)
            return 0;
        const uint32_t value = (pixel & mask) >> Shift;
        return uint8_t((uint64_t(value) * 255 + Max / 2) / Max);
    }
};

struct THeader {
    int Width = 0;
    int Height = 0;
    bool TopDown = false;
    int Bits = 0;
    uint32_t Compression = BI_RGB;
    int XPelsPerMeter = 0;
    int YPelsPerMeter = 0;
    uint32_t ColorsUsed = 0;
    uint32_t Masks[3] = {0, 0, 0};
    bool Core = false;
};

void DecodeRle(TByteReader& reader, TDibGraphic& image, bool fourBits) {
    const int width = image.Width(), height = image.Height();
    int x = 0, y = 0; // y counts rows from the bottom, as the file does
    auto put = [&](int index) {
        if (x < width && y < height)
            image.SetPixelIndex(x, height - 1 - y, index);
        ++x;
    };
    while (y < height) {
        if (reader.Remaining() < 2) {
            // Some writers leave out the end-of-bitmap code; an image cut short is an error.
            if (y == height - 1 && x >= width)
                return;
            reader.Truncated();
        }
        const int count = reader.U8();
        const int value = reader.U8();
        if (count > 0) {
            for (int i = 0; i < count && x < width; ++i)
                put(fourBits ? ((i & 1) ? value & 0x0F : value >> 4) : value);
            continue;
        }
        switch (value) {
        case 0: // end of line
            x = 0;
            ++y;
            break;
        case 1: // end of bitmap
            return;
        case 2: // move right and up
            x += reader.U8();
            y += reader.U8();
            break;
        default: { // `value` pixels stored as they are, padded to a whole word
            const std::size_t bytes = fourBits ? std::size_t(value + 1) / 2 : std::size_t(value);
            const uint8_t* p = reader.Take(bytes);
            for (int i = 0; i < value; ++i)
                put(fourBits ? ((i & 1) ? p[i / 2] & 0x0F : p[i / 2] >> 4) : p[i]);
            if (bytes & 1)
                reader.Skip(1);
            break;
        }
        }
        if (x > width)
            x = width;
    }
}

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
        target[0] = blue(pixel, masks[2]);
        target[1] = green(pixel, masks[1]);
        target[2] = red(pixel, masks[0]);
    }
}

} // namespace

std::vector<uint8_t> SaveBmp(const TDibGraphic& image) {
    const int bits = image.BitsPerPixel();
    const std::size_t entries = HasPalette(image.ImageFormat()) ? std::size_t(1) << bits : 0;
    const std::size_t paletteBytes = entries * 4;
    const std::size_t headerBytes = FileHeaderSize + InfoHeaderSize + paletteBytes;
    const std::size_t fileSize = headerBytes + image.ImageSize();
    if (fileSize > std::numeric_limits<uint32_t>::max())
        Fail("Image is too large for a BMP file");

    TBytes out;
    out.reserve(fileSize);
    PutU8(out, 'B');
    PutU8(out, 'M');
    PutU32(out, uint32_t(fileSize));
    PutU16(out, 0);
    PutU16(out, 0);
    PutU32(out, uint32_t(headerBytes));

    PutU32(out, InfoHeaderSize);
    PutU32(out, uint32_t(image.Width()));
    PutU32(out, uint32_t(image.Height()));
    PutU16(out, 1);
    PutU16(out, unsigned(bits));
    PutU32(out, BI_RGB);
    PutU32(out, uint32_t(image.ImageSize()));
    PutU32(out, uint32_t(image.XPelsPerMeter()));
    PutU32(out, uint32_t(image.YPelsPerMeter()));
    PutU32(out, uint32_t(entries));
    PutU32(out, 0);

    for (const TPaletteEntry& entry : PaletteOfSize(image.Palette(), entries)) {
        PutU8(out, entry.Blue);
        PutU8(out, entry.Green);
        PutU8(out, entry.Red);
        PutU8(out, 0);
    }
    out.insert(out.end(), image.Bits(), image.Bits() + image.ImageSize());
    return out;
}

TDibGraphic LoadBmp(std::span<const uint8_t> data) {
    TByteReader reader(data, "BMP");
    if (data.size() < 2 || data[0] != 'B' || data[1] != 'M')
        Fail("Not a BMP file");
    reader.Skip(10);
    const uint32_t pixelOffset = reader.U32();
    const uint32_t headerSize = reader.U32();

    THeader header;
    if (headerSize == 12) {
        header.Core = true;
        header.Width = reader.U16();
        header.Height = reader.U16();
        reader.Skip(2);
        header.Bits = reader.U16();
    } else if (headerSize >= InfoHeaderSize && headerSize <= 124) {
        const int32_t width = reader.S32();
        const int32_t height = reader.S32();
        reader.Skip(2);
        header.Bits = reader.U16();
        header.Compression = reader.U32();
        reader.Skip(4); // image size, which many writers leave 0
        header.XPelsPerMeter = reader.S32();
        header.YPelsPerMeter = reader.S32();
        header.ColorsUsed = reader.U32();
        reader.Skip(4);
        if (height == std::numeric_limits<int32_t>::min())
            Fail("BMP image has an invalid size");
        header.Width = width;
        header.TopDown = height < 0;
        header.Height = height < 0 ? -height : height;
        if (header.Compression == BI_BITFIELDS || header.Compression == BI_ALPHABITFIELDS) {
            // The masks follow a 40-byte header and are part of every longer one.
            for (uint32_t& mask : header.Masks)
                mask = reader.U32();
            if (headerSize == InfoHeaderSize && header.Compression == BI_ALPHABITFIELDS)
                reader.Skip(4);
        }
    } else {
        Fail("Unsupported BMP header size " + std::to_string(headerSize));
    }
    if (header.Width <= 0 || header.Height <= 0)
        Fail("BMP image has an invalid size " + std::to_string(header.Width) + "x" +
             std::to_string(header.Height));
    reader.Seek(FileHeaderSize + headerSize +
                (headerSize == InfoHeaderSize && header.Compression == BI_BITFIELDS        ? 12
                 : headerSize == InfoHeaderSize && header.Compression == BI_ALPHABITFIELDS ? 16
                                                                                           : 0));

    const int bits = header.Bits;
    switch (header.Compression) {
    case BI_RGB:
        if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 &&
            bits != 32)
            Fail("Unsupported BMP bit count " + std::to_string(bits));
        break;
    case BI_RLE8:
    case BI_RLE4:
        if (bits != (header.Compression == BI_RLE8 ? 8 : 4) || header.TopDown)
            Fail("Invalid run-length coded BMP file");
        break;
    case BI_BITFIELDS:
    case BI_ALPHABITFIELDS:
        if (bits != 16 && bits != 32)
            Fail("Invalid BMP bit fields");
        break;
    default:
        Fail("Unsupported BMP compression " + std::to_string(header.Compression));
    }
    if (header.Compression == BI_RGB && (bits == 16 || bits == 32)) {
        header.Masks[0] = bits == 16 ? 0x7C00 : 0xFF0000;
        header.Masks[1] = bits == 16 ? 0x03E0 : 0x00FF00;
        header.Masks[2] = bits == 16 ? 0x001F : 0x0000FF;
    }

    TPalette palette;
    if (bits <= 8) {
        const std::size_t entrySize = header.Core ? 3 : 4;
        std::size_t entries = std::size_t(1) << bits;
        if (header.ColorsUsed > 0 && header.ColorsUsed < entries)
            entries = header.ColorsUsed;
        // A palette cut short by the pixel offset keeps the entries that fit.
        if (pixelOffset > reader.Position())
            entries = std::min(entries, (pixelOffset - reader.Position()) / entrySize);
        entries = std::min(entries, reader.Remaining() / entrySize);
        palette.resize(entries);
        for (TPaletteEntry& entry : palette) {
            const uint8_t* p = reader.Take(entrySize);
            entry = {p[2], p[1], p[0]};
        }
    }

    const TImageFormat format = bits <= 8 ? PaletteImageFormat(bits, palette) : ifTrueColor;
    std::size_t dataStart = pixelOffset;
    if (dataStart < reader.Position() || dataStart >= data.size())
        dataStart = reader.Position();
    reader.Seek(dataStart);

    const std::size_t fileStride = DibRowStride(header.Width, bits);
    const bool compressed = header.Compression == BI_RLE8 || header.Compression == BI_RLE4;
    if (compressed) {
        CheckImageFitsData(header.Width, header.Height, format, reader.Remaining(), "BMP");
    } else if (fileStride > 0 &&
               (reader.Remaining() < PackedRowBytes(header.Width, bits) ||
                (reader.Remaining() - PackedRowBytes(header.Width, bits)) / fileStride <
                    std::size_t(header.Height - 1))) {
        // The last row may lack its padding; anything shorter is a truncated file.
        reader.Truncated();
    }

    TDibGraphic image;
    image.NewImage(header.Width, header.Height, format, &palette);
    if (header.XPelsPerMeter > 0 && header.YPelsPerMeter > 0)
        image.SetPelsPerMeter(header.XPelsPerMeter, header.YPelsPerMeter);

    if (compressed) {
        DecodeRle(reader, image, header.Compression == BI_RLE4);
        return image;
    }
    const uint8_t* pixels = data.data() + dataStart;
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
