// Truevision Targa files.
//
// Written uncompressed with an 18-byte header and no identification field: 256-entry
// colour-mapped images of 8 bits for 256 colour and grey, 24-bit true colour otherwise; rows
// bottom-up. Read: colour-mapped, true-colour and grey images (types 1, 2, 3) and their
// run-length forms (9, 10, 11), 15-, 16-, 24- and 32-bit pixels and colour maps, either row
// order and either column order.
#include "imaging/codec_support_p.h"
#include "imaging/image_codecs.h"

#include <algorithm>

namespace {

constexpr std::size_t HeaderSize = 18;
constexpr std::size_t MaxPacketPixels = 128;

[[noreturn]] void Fail(const std::string& message) {
    throw EImageError(message);
}

uint8_t Scale5(int value) {
    return uint8_t((value * 255 + 15) / 31);
}

// Blue, green, red of one stored pixel or colour-map entry of `bits` bits.
void DecodeColor(const uint8_t* p, int bits, uint8_t* bgr) {
    if (bits == 15 || bits == 16) {
        const int value = p[0] | (p[1] << 8);
        bgr[0] = Scale5(value & 31);
        bgr[1] = Scale5((value >> 5) & 31);
        bgr[2] = Scale5((value >> 10) & 31);
    } else {
        bgr[0] = p[0];
        bgr[1] = p[1];
        bgr[2] = p[2];
    }
}

// Hands out the stored pixels one row at a time, expanding run-length packets, which in files
// from other programs may run on into the next row.
class TTgaPixelSource {
public:
    TTgaPixelSource(TByteReader& reader, std::size_t pixelBytes, bool compressed)
        : Reader_(reader), PixelBytes_(pixelBytes), Compressed_(compressed) {}

    void ReadRow(uint8_t* target, std::size_t pixels) {
        if (!Compressed_) {
            std::copy_n(Reader_.Take(pixels * PixelBytes_), pixels * PixelBytes_, target);
            return;
        }
        while (pixels > 0) {
            if (Left_ == 0) {
                const uint8_t packet = Reader_.U8();
                Left_ = std::size_t(packet & 0x7F) + 1;
                Run_ = (packet & 0x80) != 0;
                if (Run_)
                    RunPixel_ = Reader_.Take(PixelBytes_);
            }
            const std::size_t count = std::min(Left_, pixels);
            if (Run_) {
                for (std::size_t i = 0; i < count; ++i, target += PixelBytes_)
                    std::copy_n(RunPixel_, PixelBytes_, target);
            } else {
                std::copy_n(Reader_.Take(count * PixelBytes_), count * PixelBytes_, target);
                target += count * PixelBytes_;
            }
            Left_ -= count;
            pixels -= count;
        }
    }

private:
    TByteReader& Reader_;
    std::size_t PixelBytes_;
    bool Compressed_;
    std::size_t Left_ = 0;
    bool Run_ = false;
    const uint8_t* RunPixel_ = nullptr;
};

} // namespace

std::vector<uint8_t> SaveTga(const TDibGraphic& image) {
    const TImageFormat format = image.ImageFormat();
    if (format != ifGray256 && format != ifColor256 && format != ifTrueColor)
        Fail("TARGA image must be true color or 8 bit with palette");
    const int width = image.Width(), height = image.Height();
    if (width > 65535 || height > 65535)
        Fail("Image is too large for a TARGA file");
    const bool mapped = format != ifTrueColor;
    const std::size_t pixelBytes = mapped ? 1 : 3;

    TBytes out;
    out.reserve(HeaderSize + (mapped ? 768 : 0) +
                std::size_t(width) * std::size_t(height) * pixelBytes);
    PutU8(out, 0);              // no identification field
    PutU8(out, mapped ? 1 : 0); // colour map type
    PutU8(out, mapped ? 1 : 2); // image type: colour-mapped or true colour, uncompressed
    PutU16(out, 0);             // first colour-map entry
    PutU16(out, mapped ? 256 : 0);
    PutU8(out, mapped ? 24 : 0);
    PutU16(out, 0); // origin
    PutU16(out, 0);
    PutU16(out, unsigned(width));
    PutU16(out, unsigned(height));
    PutU8(out, mapped ? 8 : 24);
    PutU8(out, 0); // descriptor: rows bottom-up, no alpha bits
    if (mapped) {
        for (const TPaletteEntry& entry : PaletteOfSize(image.Palette(), 256)) {
            PutU8(out, entry.Blue);
            PutU8(out, entry.Green);
            PutU8(out, entry.Red);
        }
    }
    const std::size_t rowBytes = std::size_t(width) * pixelBytes;
    for (int y = height - 1; y >= 0; --y) {
        const uint8_t* row = image.ScanLine(y);
        out.insert(out.end(), row, row + rowBytes);
    }
    return out;
}

namespace {

// What the header and the colour map say; `reader` is left at the first pixel.
struct TTgaLayout {
    TImageHeader Image;
    bool Compressed = false;
    int PixelBits = 0;
    int Descriptor = 0;
};

TTgaLayout ReadLayout(TByteReader& reader) {
    const int idLength = reader.U8();
    const int mapType = reader.U8();
    const int imageType = reader.U8();
    const int mapFirst = reader.U16();
    const int mapLength = reader.U16();
    const int mapEntryBits = reader.U8();
    reader.Skip(4); // origin
    const int width = reader.U16();
    const int height = reader.U16();
    const int pixelBits = reader.U8();
    const int descriptor = reader.U8();
    reader.Skip(std::size_t(idLength));

    const bool compressed = imageType >= 9;
    const int baseType = compressed ? imageType - 8 : imageType;
    const bool validType =
        (imageType >= 1 && imageType <= 3) || (imageType >= 9 && imageType <= 11);
    if (!validType || mapType > 1)
        Fail("Not a TARGA file or an unsupported image type " + std::to_string(imageType));
    if (baseType == 1 && (mapType != 1 || pixelBits != 8))
        Fail("Unsupported TARGA colour-mapped image of " + std::to_string(pixelBits) + " bits");
    if (baseType == 2 && pixelBits != 15 && pixelBits != 16 && pixelBits != 24 && pixelBits != 32)
        Fail("Unsupported TARGA true-colour depth " + std::to_string(pixelBits));
    if (baseType == 3 && pixelBits != 8 && pixelBits != 16)
        Fail("Unsupported TARGA grey depth " + std::to_string(pixelBits));
    if (width == 0 || height == 0)
        Fail("TARGA image has an invalid size " + std::to_string(width) + "x" +
             std::to_string(height));

    TPalette palette;
    if (mapType == 1) {
        if (mapEntryBits != 15 && mapEntryBits != 16 && mapEntryBits != 24 && mapEntryBits != 32)
            Fail("Unsupported TARGA colour map of " + std::to_string(mapEntryBits) + " bits");
        const std::size_t entryBytes = std::size_t(mapEntryBits + 7) / 8;
        const uint8_t* map = reader.Take(std::size_t(mapLength) * entryBytes);
        if (baseType == 1) {
            // Pixel value v names map entry v - first.
            palette.resize(256);
            for (int value = mapFirst; value < 256 && value - mapFirst < mapLength; ++value) {
                uint8_t bgr[3];
                DecodeColor(map + std::size_t(value - mapFirst) * entryBytes, mapEntryBits, bgr);
                palette[std::size_t(value)] = {bgr[2], bgr[1], bgr[0]};
            }
        }
    }

    TTgaLayout layout;
    layout.Compressed = compressed;
    layout.PixelBits = pixelBits;
    layout.Descriptor = descriptor;
    TImageHeader& image = layout.Image;
    image.Width = width;
    image.Height = height;
    image.Format = baseType == 2   ? ifTrueColor
                   : baseType == 3 ? ifGray256
                                   : PaletteImageFormat(8, palette);
    if (baseType == 3)
        image.Palette = DefaultPalette(ifGray256);
    else if (baseType == 1)
        image.Palette = std::move(palette);
    return layout;
}

} // namespace

TImageHeader ReadTgaHeader(std::span<const uint8_t> data, bool wholeFile) {
    TByteReader reader(data, "TARGA", wholeFile);
    return ReadLayout(reader).Image;
}

TDibGraphic LoadTga(std::span<const uint8_t> data) {
    TByteReader reader(data, "TARGA");
    const TTgaLayout layout = ReadLayout(reader);
    const int width = layout.Image.Width, height = layout.Image.Height;
    const int pixelBits = layout.PixelBits, descriptor = layout.Descriptor;
    const bool compressed = layout.Compressed;
    const std::size_t pixelBytes = std::size_t(pixelBits + 7) / 8;
    const std::size_t pixels = std::size_t(width) * std::size_t(height);
    if (compressed) {
        if (pixels / MaxPacketPixels > reader.Remaining())
            reader.Truncated();
    } else if (pixels > reader.Remaining() / pixelBytes) {
        reader.Truncated();
    }

    TDibGraphic image = NewImageFromHeader(layout.Image, data.size(), "TARGA");
    const TImageFormat format = image.ImageFormat();
    const bool topDown = (descriptor & 0x20) != 0;
    const bool rightToLeft = (descriptor & 0x10) != 0;
    TTgaPixelSource source(reader, pixelBytes, compressed);
    std::vector<uint8_t> stored(std::size_t(width) * pixelBytes);
    for (int row = 0; row < height; ++row) {
        source.ReadRow(stored.data(), std::size_t(width));
        if (rightToLeft)
            for (int left = 0, right = width - 1; left < right; ++left, --right)
                std::swap_ranges(stored.begin() + std::ptrdiff_t(left * pixelBytes),
                                 stored.begin() + std::ptrdiff_t((left + 1) * pixelBytes),
                                 stored.begin() + std::ptrdiff_t(right * pixelBytes));
        uint8_t* target = image.ScanLine(topDown ? row : height - 1 - row);
        if (format == ifTrueColor) {
            for (int x = 0; x < width; ++x)
                DecodeColor(stored.data() + std::size_t(x) * pixelBytes, pixelBits, target + x * 3);
        } else {
            // Grey with alpha keeps the grey byte, which comes first.
            for (int x = 0; x < width; ++x)
                target[x] = stored[std::size_t(x) * pixelBytes];
        }
    }
    return image;
}
