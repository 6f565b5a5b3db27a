// ZSoft PC Paintbrush files.
//
// Written as version 5, run-length coded from the top row down: one plane of 1, 4 or 8 bits,
// or three 8-bit planes (red, green, blue) for true colour. Runs never cross a plane line.
// 4-bit images carry their palette in the header, 8-bit images after the pixels (the byte 12
// and 256 red-green-blue entries). 1-bit files mean 1 = white, so an image whose entry 1 is the
// darker one is written inverted. Read: what is written, plus 1-bit plane sets of up to four
// planes (EGA), 2-bit single planes and four 8-bit planes (the fourth is dropped).
#include "imaging/codec_support_p.h"
#include "imaging/image_codecs.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t HeaderSize = 128;
constexpr uint8_t PaletteMarker = 12;
constexpr std::size_t MaxRun = 63;

[[noreturn]] void Fail(const std::string& message) {
    throw EImageError(message);
}

void EncodeLine(const uint8_t* line, std::size_t length, TBytes& out) {
    std::size_t i = 0;
    while (i < length) {
        const uint8_t value = line[i];
        std::size_t run = 1;
        while (i + run < length && run < MaxRun && line[i + run] == value)
            ++run;
        // A single byte with both top bits set would read as a run count.
        if (run > 1 || value >= 0xC0)
            out.push_back(uint8_t(0xC0 | run));
        out.push_back(value);
        i += run;
    }
}

// Decodes run-length data into whole plane lines. Runs may cross line ends in files made by
// other programs, so the decoder keeps its state between lines.
class TPcxDecoder {
public:
    explicit TPcxDecoder(TByteReader& reader) : Reader_(reader) {}
    void Read(uint8_t* target, std::size_t length) {
        std::size_t filled = 0;
        while (filled < length) {
            if (RunLeft_ == 0) {
                const uint8_t byte = Reader_.U8();
                if ((byte & 0xC0) == 0xC0) {
                    RunLeft_ = byte & 0x3F;
                    RunValue_ = Reader_.U8();
                } else {
                    RunLeft_ = 1;
                    RunValue_ = byte;
                }
            }
            const std::size_t count = std::min(RunLeft_, length - filled);
            std::memset(target + filled, RunValue_, count);
            filled += count;
            RunLeft_ -= count;
        }
    }

private:
    TByteReader& Reader_;
    std::size_t RunLeft_ = 0;
    uint8_t RunValue_ = 0;
};

} // namespace

std::vector<uint8_t> SavePcx(const TDibGraphic& image) {
    const TImageFormat format = image.ImageFormat();
    const int width = image.Width(), height = image.Height();
    if (width > 65536 || height > 65536)
        Fail("Image is too large for a PCX file");
    const bool trueColor = format == ifTrueColor;
    const int bits = trueColor ? 8 : image.BitsPerPixel();
    const int planes = trueColor ? 3 : 1;
    std::size_t lineBytes = PackedRowBytes(width, bits);
    lineBytes += lineBytes & 1;

    TBytes out(HeaderSize, 0);
    auto put16 = [&](std::size_t offset, unsigned value) {
        out[offset] = uint8_t(value);
        out[offset + 1] = uint8_t(value >> 8);
    };
    out[0] = 10; // manufacturer
    out[1] = 5;  // version
    out[2] = 1;  // run-length coded
    out[3] = uint8_t(bits);
    put16(8, unsigned(width - 1));
    put16(10, unsigned(height - 1));
    put16(12, unsigned(image.XDpi()));
    put16(14, unsigned(image.YDpi()));
    if (bits == 4) {
        const TPalette palette = PaletteOfSize(image.Palette(), 16);
        for (std::size_t i = 0; i < 16; ++i) {
            out[16 + i * 3] = palette[i].Red;
            out[17 + i * 3] = palette[i].Green;
            out[18 + i * 3] = palette[i].Blue;
        }
    }
    out[65] = uint8_t(planes);
    put16(66, unsigned(lineBytes));
    put16(68, 1); // palette information: colour or black and white

    const bool invert = format == ifBlackWhite && IsInvertedBlackWhite(image.Palette());
    std::vector<uint8_t> line(lineBytes * std::size_t(planes), 0);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = image.ScanLine(y);
        if (trueColor) {
            for (int x = 0; x < width; ++x) {
                line[std::size_t(x)] = row[x * 3 + 2];
                line[lineBytes + std::size_t(x)] = row[x * 3 + 1];
                line[2 * lineBytes + std::size_t(x)] = row[x * 3];
            }
        } else {
            const std::size_t rowBytes = PackedRowBytes(width, bits);
            std::copy_n(row, rowBytes, line.begin());
            if (invert)
                for (std::size_t i = 0; i < rowBytes; ++i)
                    line[i] = uint8_t(~line[i]);
            ClearRowPadding(line.data(), width, bits);
        }
        for (int plane = 0; plane < planes; ++plane)
            EncodeLine(line.data() + std::size_t(plane) * lineBytes, lineBytes, out);
    }

    if (bits == 8 && !trueColor) {
        out.push_back(PaletteMarker);
        for (const TPaletteEntry& entry : PaletteOfSize(image.Palette(), 256)) {
            out.push_back(entry.Red);
            out.push_back(entry.Green);
            out.push_back(entry.Blue);
        }
    }
    return out;
}

namespace {

// What the 128-byte header (and an 8-bit image's palette at the end of the file) say.
struct TPcxLayout {
    TImageHeader Image;
    int Bits = 0, Planes = 0;
    std::size_t LineBytes = 0;
};

TPcxLayout ReadLayout(TByteReader& reader, TByteSpan data) {
    if (data.size() < HeaderSize)
        reader.Truncated();
    if (data[0] != 10 || data[2] != 1)
        Fail("Not a PCX file");
    auto get16 = [&](std::size_t offset) { return int(data[offset] | (data[offset + 1] << 8)); };
    TPcxLayout layout;
    const int version = data[1];
    const int bits = layout.Bits = data[3];
    const int planes = layout.Planes = data[65];
    const int xMin = get16(4), yMin = get16(6), xMax = get16(8), yMax = get16(10);
    layout.LineBytes = std::size_t(get16(66));
    if (xMax < xMin || yMax < yMin)
        Fail("PCX image has an invalid size");
    const int width = xMax - xMin + 1, height = yMax - yMin + 1;

    TImageFormat format = ifTrueColor;
    TPalette palette;
    int indexBits = 0; // bits of a palette index made from all planes
    const bool trueColor = bits == 8 && (planes == 3 || planes == 4);
    if (bits == 8 && planes == 1) {
        indexBits = 8;
        // The 256-entry palette follows the pixels; a file without one is grey.
        if (!reader.WholeFile())
            reader.Truncated();
        const std::size_t trailer = 1 + 256 * 3;
        if (data.size() >= HeaderSize + trailer && data[data.size() - trailer] == PaletteMarker) {
            const uint8_t* p = data.data() + data.size() - 768;
            palette.resize(256);
            for (std::size_t i = 0; i < 256; ++i)
                palette[i] = {p[i * 3], p[i * 3 + 1], p[i * 3 + 2]};
        } else {
            palette = DefaultPalette(ifGray256);
        }
    } else if ((bits == 1 && planes >= 1 && planes <= 4) || (bits == 2 && planes == 1) ||
               (bits == 4 && planes == 1)) {
        indexBits = bits * planes;
        if (indexBits == 1) {
            palette = DefaultPalette(ifBlackWhite);
        } else if (version == 3) {
            palette = DefaultPalette(ifColor16); // version 3 files carry no palette
        } else {
            palette.resize(std::size_t(1) << indexBits);
            for (std::size_t i = 0; i < palette.size(); ++i)
                palette[i] = {data[16 + i * 3], data[17 + i * 3], data[18 + i * 3]};
        }
    } else if (!trueColor) {
        Fail("Unsupported PCX format: " + std::to_string(planes) + " planes of " +
             std::to_string(bits) + " bits");
    }
    if (indexBits > 0)
        format = PaletteImageFormat(indexBits, palette);
    if (layout.LineBytes < PackedRowBytes(width, bits))
        Fail("Invalid PCX line length " + std::to_string(layout.LineBytes));

    TImageHeader& image = layout.Image;
    image.Width = width;
    image.Height = height;
    image.Format = format;
    if (format != ifTrueColor)
        image.Palette = std::move(palette);
    const int xDpi = get16(12), yDpi = get16(14);
    if (xDpi > 0 && yDpi > 0) {
        image.XPelsPerMeter = DpiToPelsPerMeter(xDpi);
        image.YPelsPerMeter = DpiToPelsPerMeter(yDpi);
    }
    return layout;
}

} // namespace

TImageHeader ReadPcxHeader(std::span<const uint8_t> data, bool wholeFile) {
    TByteReader reader(data, "PCX", wholeFile);
    return ReadLayout(reader, data).Image;
}

TDibGraphic LoadPcx(std::span<const uint8_t> data) {
    TByteReader reader(data, "PCX");
    const TPcxLayout layout = ReadLayout(reader, data);
    const int width = layout.Image.Width, height = layout.Image.Height;
    const int bits = layout.Bits, planes = layout.Planes;
    const std::size_t lineBytes = layout.LineBytes;

    // Every byte of the file decodes to at most 63 bytes of plane lines.
    const std::size_t decodedPerRow = lineBytes * std::size_t(planes);
    if (decodedPerRow > (data.size() - HeaderSize) * MaxRun / std::size_t(height))
        reader.Truncated();
    TDibGraphic image = NewImageFromHeader(layout.Image, data.size(), "PCX");
    const TImageFormat format = image.ImageFormat();

    reader.Seek(HeaderSize);
    TPcxDecoder decoder(reader);
    std::vector<uint8_t> line(decodedPerRow);
    std::vector<uint8_t> indices(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        decoder.Read(line.data(), line.size());
        uint8_t* target = image.ScanLine(y);
        if (format == ifTrueColor) {
            for (int x = 0; x < width; ++x) {
                target[x * 3 + 2] = line[std::size_t(x)];
                target[x * 3 + 1] = line[lineBytes + std::size_t(x)];
                target[x * 3] = line[2 * lineBytes + std::size_t(x)];
            }
        } else if (planes == 1) {
            RepackIndices(line.data(), bits, width, target, image.BitsPerPixel());
        } else {
            // Plane k holds bit k of each index.
            std::fill(indices.begin(), indices.end(), uint8_t(0));
            for (int plane = 0; plane < planes; ++plane) {
                const uint8_t* p = line.data() + std::size_t(plane) * lineBytes;
                for (int x = 0; x < width; ++x)
                    indices[std::size_t(x)] |= uint8_t(((p[x >> 3] >> (7 - (x & 7))) & 1) << plane);
            }
            RepackIndices(indices.data(), 8, width, target, image.BitsPerPixel());
        }
    }
    return image;
}
