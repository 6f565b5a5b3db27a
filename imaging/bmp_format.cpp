#include "imaging/bmp_format_p.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <string>

namespace {

[[noreturn]] void Fail(const std::string& message) {
    throw EImageError(message);
}

bool Contiguous(uint32_t mask) {
    if (mask == 0)
        return true;
    const uint32_t run = mask >> std::countr_zero(mask);
    return (run & (run + 1)) == 0; // 0...01...1
}

// Bit fields must describe three separate runs of bits inside the pixel, and at least one
// channel must have bits: a file whose masks say nothing has no picture to give.
void CheckMasks(const uint32_t masks[3], int bits) {
    const uint32_t red = masks[0], green = masks[1], blue = masks[2];
    const uint32_t pixelMask = bits >= 32 ? ~uint32_t(0) : (uint32_t(1) << bits) - 1;
    if ((red | green | blue) == 0 || !Contiguous(red) || !Contiguous(green) || !Contiguous(blue) ||
        (red & green) != 0 || (red & blue) != 0 || (green & blue) != 0 ||
        ((red | green | blue) & ~pixelMask) != 0)
        Fail("Invalid BMP bit fields");
}

void CheckPixelData(const TBmpHeader& header, const TByteReader& reader) {
    if (header.RunLengthCoded()) {
        // Both readers decode run-length data into a raster of the file's own depth.
        CheckImageFitsData(header.Width, header.Height, header.Bits == 4 ? ifColor16 : ifColor256,
                           reader.Remaining(), "BMP");
        return;
    }
    const std::size_t fileStride = DibRowStride(header.Width, header.Bits);
    const std::size_t rowBytes = PackedRowBytes(header.Width, header.Bits);
    // The last row may lack its padding; anything shorter is a truncated file.
    if (reader.Remaining() < rowBytes ||
        (reader.Remaining() - rowBytes) / fileStride < std::size_t(header.Height - 1))
        reader.Truncated();
}

} // namespace

TBitField TBitField::OfMask(uint32_t mask) {
    TBitField field;
    if (mask != 0) {
        field.Shift = std::countr_zero(mask);
        field.Bits = std::popcount(mask);
    }
    return field;
}

TBmpHeader ReadBmpHeaderFields(TByteReader& reader) {
    if (reader.Remaining() < 2 && !reader.WholeFile())
        reader.Truncated();
    if (reader.Remaining() < 2 || reader.U8() != 'B' || reader.U8() != 'M')
        Fail("Not a BMP file");
    reader.Skip(8);
    const uint32_t pixelOffset = reader.U32();
    const uint32_t headerSize = reader.U32();

    TBmpHeader header;
    if (headerSize == BmpCoreHeaderSize) {
        header.Core = true;
        header.Width = reader.U16();
        header.Height = reader.U16();
        reader.Skip(2);
        header.Bits = reader.U16();
    } else if (headerSize >= BmpInfoHeaderSize && headerSize <= 124) {
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
            if (headerSize == BmpInfoHeaderSize && header.Compression == BI_ALPHABITFIELDS)
                reader.Skip(4);
        }
    } else {
        Fail("Unsupported BMP header size " + std::to_string(headerSize));
    }
    if (header.Width <= 0 || header.Height <= 0)
        Fail("BMP image has an invalid size " + std::to_string(header.Width) + "x" +
             std::to_string(header.Height));
    reader.Seek(BmpFileHeaderSize + headerSize +
                (headerSize == BmpInfoHeaderSize && header.Compression == BI_BITFIELDS        ? 12
                 : headerSize == BmpInfoHeaderSize && header.Compression == BI_ALPHABITFIELDS ? 16
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
    if (bits == 16 || bits == 32)
        CheckMasks(header.Masks, bits);

    if (bits <= 8) {
        const std::size_t entrySize = header.Core ? 3 : 4;
        std::size_t entries = std::size_t(1) << bits;
        if (header.ColorsUsed > 0 && header.ColorsUsed < entries)
            entries = header.ColorsUsed;
        // A palette cut short by the pixel offset keeps the entries that fit (none when the
        // pixels follow the header at once).
        if (pixelOffset >= reader.Position())
            entries = std::min(entries, (pixelOffset - reader.Position()) / entrySize);
        if (entries > reader.Remaining() / entrySize) {
            if (!reader.WholeFile())
                reader.Truncated();
            entries = reader.Remaining() / entrySize;
        }
        header.Palette.resize(entries);
        for (TPaletteEntry& entry : header.Palette) {
            const uint8_t* p = reader.Take(entrySize);
            entry = {p[2], p[1], p[0]};
        }
    }
    header.DataStart = pixelOffset;
    return header;
}

TBmpHeader ReadBmpHeader(TByteReader& reader) {
    TBmpHeader header = ReadBmpHeaderFields(reader);
    if (header.DataStart < reader.Position() ||
        header.DataStart >= reader.Position() + reader.Remaining())
        header.DataStart = reader.Position();
    reader.Seek(header.DataStart);
    CheckPixelData(header, reader);
    return header;
}

void DecodeBmpRunLengths(TByteReader& reader, const TBmpHeader& header,
                         std::span<uint8_t* const> rows) {
    const bool fourBits = header.Compression == BI_RLE4;
    const int width = header.Width, height = header.Height;
    int x = 0, y = 0; // y counts rows from the bottom, as the file does
    auto put = [&](int index) {
        if (x < width && y < height) {
            uint8_t* row = rows[std::size_t(height - 1 - y)];
            if (!fourBits)
                row[x] = uint8_t(index);
            else if (x & 1)
                row[x >> 1] = uint8_t((row[x >> 1] & 0xF0) | (index & 0x0F));
            else
                row[x >> 1] = uint8_t((row[x >> 1] & 0x0F) | ((index & 0x0F) << 4));
        }
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

void PutBmpFileHeader(TBytes& out, std::size_t fileSize, std::size_t pixelOffset) {
    PutU8(out, 'B');
    PutU8(out, 'M');
    PutU32(out, uint32_t(fileSize));
    PutU16(out, 0);
    PutU16(out, 0);
    PutU32(out, uint32_t(pixelOffset));
}

void PutBmpInfoHeader(TBytes& out, const TBmpInfoHeader& header) {
    PutU32(out, BmpInfoHeaderSize);
    PutU32(out, uint32_t(header.Width));
    PutU32(out, uint32_t(header.Height));
    PutU16(out, 1);
    PutU16(out, unsigned(header.Bits));
    PutU32(out, header.Compression);
    PutU32(out, uint32_t(header.ImageSize));
    PutU32(out, uint32_t(header.XPelsPerMeter));
    PutU32(out, uint32_t(header.YPelsPerMeter));
    PutU32(out, header.ColorsUsed);
    PutU32(out, 0);
}

void CheckBmpFileSize(std::size_t fileSize) {
    if (fileSize > std::numeric_limits<uint32_t>::max())
        Fail("Image is too large for a BMP file");
}
