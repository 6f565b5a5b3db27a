// Writing Portable Network Graphics files.
//
// Greyscale of 1, 4 or 8 bits for black and white and the grey formats, a palette image of 4
// or 8 bits for the colour formats, 8-bit RGB for true colour; Adam7 interlace, a gAMA chunk
// of 0.5 and pHYs in pixels per metre; the zlib header names deflate level 5.
//
// Row filters: none for palette images and depths below 8 bits, and for pictures in which
// most pixels repeat their left neighbour (windows, text, flat colour), which deflate packs
// best unfiltered; otherwise each row takes the filter whose bytes are smallest as signed
// numbers (the usual heuristic, good for photographs).
//
// The interlaced rows are filtered and compressed in parts of about 1 MiB, on as many
// threads as there are processors (deflate_parts_p.h); the parts depend on the image alone,
// so a file is the same whatever the number of processors.
#include "imaging/codec_support_p.h"
#include "imaging/deflate_parts_p.h"
#include "imaging/image_codecs.h"

#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::array<uint8_t, 8> Signature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Uncompressed bytes of interlaced rows per compressed part: small enough to spread over
// threads, large enough that starting each part without the history of the one before costs
// little (half as much as parts of 512 KiB, some tenths of a percent on text).
constexpr std::size_t PartBytes = std::size_t(1) << 20;

// libdeflate's levels. Unfiltered screen pictures are mostly long repeats: level 6 packs them
// about as tightly as zlib's level 5 did (a little tighter on the screens of bench/). Filtered
// rows of photographs hold few repeats worth a longer search, and where level 1 finds none
// worth having, Huffman codes alone take over: photographs come out smaller than zlib's level 5
// made them, and many times faster.
constexpr int UnfilteredLevel = 6;
constexpr int FilteredLevel = 1;

void PutU32BigEndian(TBytes& out, uint32_t value) {
    out.insert(out.end(),
               {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)});
}

// Writes chunks: length, type, data, CRC of type and data.
class TChunkWriter {
public:
    explicit TChunkWriter(TBytes& out) : Out_(out) {}

    void Begin(const char* type) {
        Start_ = Out_.size();
        PutU32BigEndian(Out_, 0);
        Out_.insert(Out_.end(), type, type + 4);
        Open_ = true;
    }
    void Append(std::span<const uint8_t> data) {
        Out_.insert(Out_.end(), data.begin(), data.end());
    }
    bool Open() const { return Open_; }
    std::size_t DataLength() const { return Out_.size() - Start_ - 8; }
    void End() {
        const std::size_t length = DataLength();
        const uint32_t length32 = uint32_t(length);
        for (int i = 0; i < 4; ++i)
            Out_[Start_ + std::size_t(i)] = uint8_t(length32 >> (24 - 8 * i));
        PutU32BigEndian(Out_, uint32_t(libdeflate_crc32(0, Out_.data() + Start_ + 4, length + 4)));
        Open_ = false;
    }
    void Write(const char* type, std::span<const uint8_t> data) {
        Begin(type);
        Append(data);
        End();
    }

private:
    TBytes& Out_;
    std::size_t Start_ = 0;
    bool Open_ = false;
};

// An IDAT chunk is closed once it holds this much; readers take any length, this keeps each
// one's CRC over data still in the cache.
constexpr std::size_t IdatBytes = std::size_t(1) << 18;

// How the image's pixels are laid out in the file.
struct TPngLayout {
    int ColorType = 0;     // 0 greyscale, 2 RGB, 3 palette
    int BitDepth = 8;      // per sample
    int PixelBits = 8;     // per pixel: 1, 4, 8 or 24
    bool Filtered = true;  // rows take the filter that suits them; else none
    bool Inverted = false; // black and white written with its bits inverted
};

// True when most pixels repeat their left neighbour, as on screen pictures of windows, text
// and flat colour. Deflate packs such rows best unfiltered, and they are quicker to write;
// pictures with photographs in them are filtered, which packs them much tighter. Every
// fourth row is enough to tell the two apart.
bool IsMostlyFlat(const TDibGraphic& image) {
    if (image.BitsPerPixel() < 8)
        return false;
    const bool trueColor = image.BitsPerPixel() == 24;
    const std::size_t rowBytes = std::size_t(image.Width()) * (trueColor ? 3 : 1);
    std::size_t repeated = 0, compared = 0;
    for (int y = 0; y < image.Height(); y += 4) {
        const uint8_t* row = image.ScanLine(y);
        if (trueColor) {
            for (std::size_t i = 3; i < rowBytes; i += 3)
                repeated +=
                    row[i] == row[i - 3] && row[i + 1] == row[i - 2] && row[i + 2] == row[i - 1];
        } else {
            for (std::size_t i = 1; i < rowBytes; ++i)
                repeated += row[i] == row[i - 1];
        }
        compared += std::size_t(image.Width() - 1);
    }
    return compared > 0 && repeated * 2 >= compared;
}

TPngLayout LayoutOf(const TDibGraphic& image) {
    TPngLayout layout;
    layout.PixelBits = image.BitsPerPixel();
    layout.BitDepth = image.BitsPerPixel();
    switch (image.ImageFormat()) {
    case ifTrueColor:
        layout.ColorType = 2;
        layout.BitDepth = 8;
        break;
    case ifColor16:
    case ifColor256:
        layout.ColorType = 3;
        break;
    case ifBlackWhite:
        layout.Inverted = IsInvertedBlackWhite(image.Palette());
        break;
    case ifGray16:
    case ifGray256:
        break;
    }
    // Palette indices and packed pixels are not numbers that differences shrink.
    layout.Filtered = layout.ColorType != 3 && layout.BitDepth == 8 && !IsMostlyFlat(image);
    return layout;
}

// One of the seven passes of Adam7: the pixels at X0 + i * DX, Y0 + j * DY.
struct TPass {
    int X0, Y0, DX, DY;
    int Width = 0, Height = 0;
    std::size_t RowBytes = 0;
};

std::array<TPass, 7> PassesOf(const TDibGraphic& image, int pixelBits) {
    std::array<TPass, 7> passes{{{0, 0, 8, 8},
                                 {4, 0, 8, 8},
                                 {0, 4, 4, 8},
                                 {2, 0, 4, 4},
                                 {0, 2, 2, 4},
                                 {1, 0, 2, 2},
                                 {0, 1, 1, 2}}};
    for (TPass& pass : passes) {
        pass.Width =
            image.Width() > pass.X0 ? (image.Width() - pass.X0 + pass.DX - 1) / pass.DX : 0;
        pass.Height =
            image.Height() > pass.Y0 ? (image.Height() - pass.Y0 + pass.DY - 1) / pass.DY : 0;
        // A pass without pixels has no rows at all, not even their filter bytes.
        if (pass.Width == 0)
            pass.Height = 0;
        pass.RowBytes = PackedRowBytes(pass.Width, pixelBits);
    }
    return passes;
}

// A row of the interlaced sequence: pass by pass, each pass's rows from the top.
struct TRowRef {
    int Pass = 0;
    int Row = 0;
};

bool Before(TRowRef a, TRowRef b) {
    return a.Pass < b.Pass || (a.Pass == b.Pass && a.Row < b.Row);
}

// The row after `at`; {7, 0} after the last.
TRowRef NextRow(const std::array<TPass, 7>& passes, TRowRef at) {
    if (++at.Row < passes[std::size_t(at.Pass)].Height)
        return at;
    for (++at.Pass; at.Pass < 7 && passes[std::size_t(at.Pass)].Height == 0; ++at.Pass) {
    }
    return {at.Pass, 0};
}

TRowRef FirstRow(const std::array<TPass, 7>& passes) {
    return passes[0].Height > 0 ? TRowRef{0, 0} : NextRow(passes, {0, -1});
}

// The parts the interlaced rows are compressed in: the first row of each, and the end.
std::vector<TRowRef> PartStarts(const std::array<TPass, 7>& passes) {
    std::vector<TRowRef> starts;
    std::size_t filled = PartBytes;
    for (TRowRef at = FirstRow(passes); at.Pass < 7; at = NextRow(passes, at)) {
        if (filled >= PartBytes) {
            starts.push_back(at);
            filled = 0;
        }
        filled += 1 + passes[std::size_t(at.Pass)].RowBytes;
    }
    starts.push_back({7, 0});
    return starts;
}

// Every `Step`-th pixel of a row of blue, green, red bytes as red, green, blue.
template <int Step> void ExtractRgb(const uint8_t* source, int width, uint8_t* out) {
    for (int i = 0; i < width; ++i, source += 3 * Step, out += 3) {
        out[0] = source[2];
        out[1] = source[1];
        out[2] = source[0];
    }
}

// Copies row `row` of `pass` out of the image, as the file holds it: red, green, blue for
// true colour, indices or grey levels packed from the highest bit, unused bits 0.
void ExtractRow(const TDibGraphic& image, const TPngLayout& layout, const TPass& pass, int row,
                uint8_t* out) {
    const uint8_t* source = image.ScanLine(pass.Y0 + row * pass.DY);
    const int width = pass.Width;
    switch (layout.PixelBits) {
    case 24:
        switch (pass.DX) {
        case 1:
            return ExtractRgb<1>(source + std::size_t(pass.X0) * 3, width, out);
        case 2:
            return ExtractRgb<2>(source + std::size_t(pass.X0) * 3, width, out);
        case 4:
            return ExtractRgb<4>(source + std::size_t(pass.X0) * 3, width, out);
        default:
            return ExtractRgb<8>(source + std::size_t(pass.X0) * 3, width, out);
        }
    case 8:
        for (int i = 0; i < width; ++i)
            out[i] = source[pass.X0 + i * pass.DX];
        return;
    default:
        break;
    }
    const int bits = layout.PixelBits;
    const std::size_t rowBytes = pass.RowBytes;
    if (pass.DX == 1) {
        std::memcpy(out, source, rowBytes);
        if (layout.Inverted)
            for (std::size_t i = 0; i < rowBytes; ++i)
                out[i] = uint8_t(~out[i]);
        ClearRowPadding(out, width, bits);
        return;
    }
    const int mask = (1 << bits) - 1;
    const int invert = layout.Inverted ? mask : 0;
    std::memset(out, 0, rowBytes);
    for (int i = 0; i < width; ++i) {
        const std::size_t bit = std::size_t(pass.X0 + i * pass.DX) * std::size_t(bits);
        const int value = ((source[bit >> 3] >> (8 - bits - int(bit & 7))) & mask) ^ invert;
        const std::size_t target = std::size_t(i) * std::size_t(bits);
        out[target >> 3] |= uint8_t(value << (8 - bits - int(target & 7)));
    }
}

inline uint8_t PaethPredictor(int left, int up, int upLeft) {
    const int toLeft = std::abs(up - upLeft), toUp = std::abs(left - upLeft),
              toUpLeft = std::abs(left + up - 2 * upLeft);
    return uint8_t(toLeft <= toUp && toLeft <= toUpLeft ? left : toUp <= toUpLeft ? up : upLeft);
}

// The sum of the bytes as signed numbers' magnitudes: how far the filtered row is from 0.
uint32_t Distance(const uint8_t* bytes, std::size_t count) {
    uint32_t sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum += uint32_t(std::abs(int(int8_t(bytes[i]))));
    return sum;
}

// Filters `row` (after `previous`, zeros for the first row of a pass) with each of the five
// filters and appends the filter byte and the row filtered with the one of least distance;
// the earlier filter wins a tie.
class TRowFilter {
public:
    void Append(const uint8_t* row, const uint8_t* previous, std::size_t count, int pixelBytes,
                TBytes& out) {
        for (auto& candidate : Candidates_)
            candidate.resize(count);
        const std::size_t left = std::min<std::size_t>(std::size_t(pixelBytes), count);
        uint8_t* sub = Candidates_[0].data();
        uint8_t* up = Candidates_[1].data();
        uint8_t* average = Candidates_[2].data();
        uint8_t* paeth = Candidates_[3].data();
        for (std::size_t i = 0; i < left; ++i) {
            sub[i] = row[i];
            up[i] = uint8_t(row[i] - previous[i]);
            average[i] = uint8_t(row[i] - (previous[i] >> 1));
            paeth[i] = uint8_t(row[i] - previous[i]);
        }
        for (std::size_t i = left; i < count; ++i) {
            const int a = row[i - left], b = previous[i], c = previous[i - left];
            sub[i] = uint8_t(row[i] - a);
            up[i] = uint8_t(row[i] - b);
            average[i] = uint8_t(row[i] - ((a + b) >> 1));
            paeth[i] = uint8_t(row[i] - PaethPredictor(a, b, c));
        }
        const uint8_t* best = row;
        uint8_t bestFilter = 0;
        uint32_t least = Distance(row, count);
        for (uint8_t filter = 1; filter <= 4; ++filter) {
            const uint8_t* candidate = Candidates_[filter - 1].data();
            const uint32_t distance = Distance(candidate, count);
            if (distance < least) {
                least = distance;
                best = candidate;
                bestFilter = filter;
            }
        }
        out.push_back(bestFilter);
        out.insert(out.end(), best, best + count);
    }

private:
    std::array<TBytes, 4> Candidates_;
};

// Fills `data` with the filtered rows from `first` up to `end`.
void FilterRows(const TDibGraphic& image, const TPngLayout& layout,
                const std::array<TPass, 7>& passes, TRowRef first, TRowRef end, TBytes& data) {
    std::size_t bytes = 0;
    for (TRowRef at = first; Before(at, end); at = NextRow(passes, at))
        bytes += 1 + passes[std::size_t(at.Pass)].RowBytes;
    data.reserve(data.size() + bytes);
    TBytes previous, row;
    TRowFilter filter;
    const int pixelBytes = std::max(layout.PixelBits / 8, 1);
    for (TRowRef at = first; Before(at, end); at = NextRow(passes, at)) {
        const TPass& pass = passes[std::size_t(at.Pass)];
        const std::size_t count = pass.RowBytes;
        if (!layout.Filtered) {
            data.push_back(0);
            data.resize(data.size() + count);
            ExtractRow(image, layout, pass, at.Row, data.data() + data.size() - count);
        } else {
            row.resize(count);
            ExtractRow(image, layout, pass, at.Row, row.data());
            if (at.Row == 0) {
                previous.assign(count, 0);
            } else if (at.Pass == first.Pass && at.Row == first.Row) {
                previous.resize(count);
                ExtractRow(image, layout, pass, at.Row - 1, previous.data());
            }
            filter.Append(row.data(), previous.data(), count, pixelBytes, data);
            std::swap(previous, row);
        }
    }
}

// Entries a palette image needs: its palette, padded with black up to the highest index a
// pixel uses, so that no pixel names an entry the file lacks.
std::size_t PaletteEntriesNeeded(const TDibGraphic& image) {
    std::size_t needed = std::max<std::size_t>(image.Palette().size(), 1);
    if (needed >= (std::size_t(1) << image.BitsPerPixel()))
        return std::size_t(1) << image.BitsPerPixel();
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            needed = std::max(needed, std::size_t(image.PixelIndex(x, y)) + 1);
    return needed;
}

uint32_t PixelsPerMetre(int dpi) {
    return uint32_t(std::nearbyint(dpi / 0.0254));
}

} // namespace

std::vector<uint8_t> SavePng(const TDibGraphic& image) {
    if (image.Empty())
        throw EImageError("PNG: the image has no pixels");
    const TPngLayout layout = LayoutOf(image);
    TBytes out(Signature.begin(), Signature.end());
    TChunkWriter chunks(out);

    TBytes header;
    PutU32BigEndian(header, uint32_t(image.Width()));
    PutU32BigEndian(header, uint32_t(image.Height()));
    // Bit depth, colour type, compression 0, filter method 0, Adam7 interlace.
    header.insert(header.end(), {uint8_t(layout.BitDepth), uint8_t(layout.ColorType), 0, 0, 1});
    chunks.Write("IHDR", header);

    TBytes gamma;
    PutU32BigEndian(gamma, 50000); // 0.5
    chunks.Write("gAMA", gamma);

    if (layout.ColorType == 3) {
        TBytes palette;
        for (const TPaletteEntry& entry :
             PaletteOfSize(image.Palette(), PaletteEntriesNeeded(image)))
            palette.insert(palette.end(), {entry.Red, entry.Green, entry.Blue});
        chunks.Write("PLTE", palette);
    }

    TBytes physical;
    PutU32BigEndian(physical, PixelsPerMetre(image.XDpi()));
    PutU32BigEndian(physical, PixelsPerMetre(image.YDpi()));
    physical.push_back(1); // metre
    chunks.Write("pHYs", physical);

    const std::array<TPass, 7> passes = PassesOf(image, layout.PixelBits);
    const std::vector<TRowRef> starts = PartStarts(passes);
    // Room for the file as large as its rows uncompressed: reserved, not touched, so it takes
    // memory only as far as the file grows, and the file is never copied to grow.
    std::size_t rowBytes = 0;
    for (const TPass& pass : passes)
        rowBytes += std::size_t(pass.Height) * (1 + pass.RowBytes);
    out.reserve(out.size() + rowBytes + rowBytes / 64 + 4096);
    TDeflateSettings settings;
    settings.Level = layout.Filtered ? FilteredLevel : UnfilteredLevel;
    settings.HeaderLevel = 5;
    DeflateInParts(
        starts.size() - 1,
        [&](std::size_t part, TBytes& data) {
            FilterRows(image, layout, passes, starts[part], starts[part + 1], data);
        },
        [&](std::span<const uint8_t> piece) {
            if (!chunks.Open())
                chunks.Begin("IDAT");
            chunks.Append(piece);
            if (chunks.DataLength() >= IdatBytes)
                chunks.End();
        },
        settings);
    if (chunks.Open())
        chunks.End();
    chunks.Write("IEND", {});
    return out;
}
