// Reading Portable Network Graphics files through libpng: every colour type and depth libpng
// knows (see image_codecs.h for what each becomes). png_writer.cpp writes them.
//
// 8-bit RGB and RGBA pictures, the way screen captures are stored, are read without libpng's
// row machinery (TPngRowReader): the image data is inflated in one go by libdeflate, each
// pass is unfiltered in place, and each row of the picture is put together from the passes,
// which deinterlaces it on the way. That is several times quicker than libpng for large
// pictures and gives the same pixels. Whatever that path does not expect (a damaged chunk,
// too much or too little data, an unknown filter) is left to libpng, so errors read as before.
//
// libpng reports errors by longjmp. Every function that calls setjmp keeps only trivially
// destructible locals, and everything that owns memory lives in the caller, so the jump never
// skips a destructor.
#include "imaging/codec_support_p.h"
#include "imaging/image_codecs.h"

#include <libdeflate.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

[[noreturn]] void Fail(const std::string& message) {
    throw EImageError(message);
}

// The last error libpng reported; a fixed buffer, so reporting allocates nothing.
struct TPngError {
    char Message[256] = "unknown error";
};

void OnPngError(png_structp png, png_const_charp message) {
    auto* error = static_cast<TPngError*>(png_get_error_ptr(png));
    std::snprintf(error->Message, sizeof error->Message, "%s", message ? message : "");
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

struct TPngInput {
    TByteSpan Data;
    std::size_t Position = 0;
    bool RanOut = false; // a read went past the end of the data
};

void ReadPngData(png_structp png, png_bytep target, png_size_t length) {
    auto* input = static_cast<TPngInput*>(png_get_io_ptr(png));
    if (length > input->Data.size() - input->Position) {
        input->RanOut = true;
        png_error(png, "file is truncated");
    }
    std::memcpy(target, input->Data.data() + input->Position, length);
    input->Position += length;
}

class TPngReadHandle {
public:
    TPngReadHandle() {
        Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &Error, OnPngError, OnPngWarning);
        if (Png)
            Info = png_create_info_struct(Png);
        if (!Png || !Info)
            Fail("PNG: out of memory");
    }
    ~TPngReadHandle() { png_destroy_read_struct(&Png, &Info, nullptr); }
    TPngReadHandle(const TPngReadHandle&) = delete;
    TPngReadHandle& operator=(const TPngReadHandle&) = delete;

    png_structp Png = nullptr;
    png_infop Info = nullptr;
    TPngError Error;
};

// What the reader decided after the header: the image's format and whether libpng's rows
// (after its transforms) need repacking into the image's rows.
struct TPngReadPlan {
    TImageFormat Format = ifTrueColor;
    TPalette Palette;
    bool Repack = false;   // libpng delivers one byte per pixel; pack into the image's bits
    uint8_t Map[256] = {}; // index map applied while repacking
    bool Mapped = false;
    // The file's own layout, before libpng's transforms.
    int BitDepth = 0;
    int ColorType = 0;
    bool Interlaced = false;
};

// Everything the reader owns; kept out of the functions that call setjmp.
struct TPngReadState {
    TPngInput Input;
    TPngReadPlan Plan;
    TDibGraphic Image;
    TBudgetVector<uint8_t> Buffer;
    TBudgetVector<png_bytep> Rows;
};

bool ReadPngInfo(TPngReadHandle& handle, TPngReadState& state, png_uint_32& width,
                 png_uint_32& height, int& bitDepth, int& colorType) {
    png_structp png = handle.Png;
    png_infop info = handle.Info;
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_read_fn(png, &state.Input, ReadPngData);
    png_read_info(png, info);
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);

    TPngReadPlan& plan = state.Plan;
    plan.BitDepth = bitDepth;
    plan.ColorType = colorType;
    plan.Interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp entries = nullptr;
        int count = 0;
        if (png_get_PLTE(png, info, &entries, &count) && entries) {
            plan.Palette.resize(std::size_t(std::min(count, 1 << bitDepth)));
            for (std::size_t i = 0; i < plan.Palette.size(); ++i)
                plan.Palette[i] = {entries[i].red, entries[i].green, entries[i].blue};
        }
        plan.Format = PaletteImageFormat(bitDepth, plan.Palette);
        plan.Repack = BitsPerPixel(plan.Format) != bitDepth;
    } else if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        plan.Format = bitDepth == 1 ? ifBlackWhite : bitDepth <= 4 ? ifGray16 : ifGray256;
        plan.Palette = DefaultPalette(plan.Format);
        if (bitDepth == 2) {
            // Levels 0, 85, 170, 255 are entries 0, 5, 10, 15 of the 16 greys.
            plan.Repack = plan.Mapped = true;
            for (int level = 0; level < 4; ++level)
                plan.Map[level] = uint8_t(level * 5);
        }
    } else {
        plan.Format = ifTrueColor;
    }

    if (bitDepth == 16)
        png_set_scale_16(png);
    if (colorType & PNG_COLOR_MASK_ALPHA)
        png_set_strip_alpha(png);
    if (colorType == PNG_COLOR_TYPE_RGB || colorType == PNG_COLOR_TYPE_RGB_ALPHA)
        png_set_bgr(png);
    if (plan.Repack)
        png_set_packing(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return true;
}

bool ReadPngRows(TPngReadHandle& handle, TPngReadState& state) {
    if (setjmp(png_jmpbuf(handle.Png)))
        return false;
    png_read_image(handle.Png, state.Rows.data());
    return true;
}

// Reads the chunks up to the image data and sets libpng up to deliver the rows the image
// needs; what the image will be is the result.
TImageHeader ReadHeader(TPngReadHandle& handle, TPngReadState& state, bool wholeFile) {
    const TByteSpan data = state.Input.Data;
    if (data.size() < 8 && !wholeFile)
        FailTruncated("PNG", false);
    if (data.size() < 8 || png_sig_cmp(data.data(), 0, 8) != 0)
        Fail("Not a PNG file");
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0;
    if (!ReadPngInfo(handle, state, width, height, bitDepth, colorType)) {
        const std::string message = std::string("PNG: ") + handle.Error.Message;
        if (state.Input.RanOut && !wholeFile)
            throw EImageNeedsMoreData(message);
        Fail(message);
    }

    TImageHeader header;
    // libpng refuses sizes beyond 2^31 - 1.
    header.Width = int(width);
    header.Height = int(height);
    header.Format = state.Plan.Format;
    if (header.Format != ifTrueColor)
        header.Palette = state.Plan.Palette;
    png_uint_32 xPerMetre = 0, yPerMetre = 0;
    int unit = 0;
    if (png_get_pHYs(handle.Png, handle.Info, &xPerMetre, &yPerMetre, &unit) &&
        unit == PNG_RESOLUTION_METER && xPerMetre > 0 && yPerMetre > 0 && xPerMetre <= 0x7FFFFFFF &&
        yPerMetre <= 0x7FFFFFFF) {
        header.XPelsPerMeter = int(xPerMetre);
        header.YPelsPerMeter = int(yPerMetre);
    }
    return header;
}

uint32_t BigEndian32(const uint8_t* bytes) {
    return (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) |
           uint32_t(bytes[3]);
}

// The image data: the contents of the file's first run of IDAT chunks, joined into `joined`
// (libpng reads no further either). False when a chunk of the run goes past the end of the
// data or fails its CRC, or when there is no image data.
bool JoinImageData(TByteSpan data, std::vector<uint8_t>& joined) {
    joined.clear();
    bool inRun = false;
    for (std::size_t at = 8; data.size() - at >= 12;) {
        const uint32_t length = BigEndian32(data.data() + at);
        if (length > 0x7FFFFFFF || length > data.size() - at - 12)
            return false;
        const uint8_t* type = data.data() + at + 4;
        if (std::memcmp(type, "IDAT", 4) == 0) {
            if (libdeflate_crc32(0, type, std::size_t(length) + 4) !=
                BigEndian32(type + 4 + length))
                return false;
            joined.insert(joined.end(), type + 4, type + 4 + length);
            inRun = true;
        } else if (inRun) {
            break;
        }
        at += std::size_t(length) + 12;
    }
    return !joined.empty();
}

// The seven passes of Adam7: where each starts and how far apart its pixels are.
struct TPass {
    int Left, Top, StepX, StepY;
};
constexpr TPass Adam7[] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                           {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
constexpr TPass WholeImage[] = {{0, 0, 1, 1}};

int PassSize(int size, int start, int step) {
    return size > start ? (size - start + step - 1) / step : 0;
}

inline int Paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Undoes the filter of one row of `Channels`-byte pixels in place; `previous` is the row
// above, already unfiltered (zeros for the first row of a pass). The pixel to the left is
// kept in `left` rather than read back, so that the channels of a pixel do not wait for
// each other's stores. False for an unknown filter type.
template <std::size_t Channels>
bool Unfilter(uint8_t filter, uint8_t* row, const uint8_t* previous, std::size_t pixels) {
    int left[Channels] = {}, upperLeft[Channels] = {};
    switch (filter) {
    case 0:
        return true;
    case 1:
        for (std::size_t x = 0; x < pixels; ++x, row += Channels)
            for (std::size_t i = 0; i < Channels; ++i)
                row[i] = uint8_t(left[i] = (row[i] + left[i]) & 0xFF);
        return true;
    case 2:
        for (std::size_t i = 0; i < pixels * Channels; ++i)
            row[i] = uint8_t(row[i] + previous[i]);
        return true;
    case 3:
        for (std::size_t x = 0; x < pixels; ++x, row += Channels, previous += Channels)
            for (std::size_t i = 0; i < Channels; ++i)
                row[i] = uint8_t(left[i] = (row[i] + ((left[i] + previous[i]) >> 1)) & 0xFF);
        return true;
    case 4:
        for (std::size_t x = 0; x < pixels; ++x, row += Channels, previous += Channels)
            for (std::size_t i = 0; i < Channels; ++i) {
                const int above = previous[i];
                row[i] = uint8_t(left[i] = (row[i] + Paeth(left[i], above, upperLeft[i])) & 0xFF);
                upperLeft[i] = above;
            }
        return true;
    default:
        return false;
    }
}

// One row of unfiltered RGB or RGBA pixels into a row of 3-byte pixels, blue first or red
// first, every `step`th pixel from `out`.
template <std::size_t Channels, bool BlueFirst>
void PutPixels(const uint8_t* in, std::size_t pixels, uint8_t* out, std::size_t step) {
    for (std::size_t x = 0; x < pixels; ++x, in += Channels, out += 3 * step) {
        out[0] = in[BlueFirst ? 2 : 0];
        out[1] = in[1];
        out[2] = in[BlueFirst ? 0 : 2];
    }
}

} // namespace

TImageHeader ReadPngHeader(std::span<const uint8_t> data, bool wholeFile) {
    TPngReadHandle handle;
    TPngReadState state;
    state.Input.Data = data;
    return ReadHeader(handle, state, wholeFile);
}

// Buffers above this size are given back after each picture rather than kept.
constexpr std::size_t KeptScratchBytes = std::size_t(32) << 20;

struct TPngRowReader::TState {
    std::vector<uint8_t> Compressed;
    std::vector<uint8_t> Rows; // the passes' rows, inflated and then unfiltered in place
    std::unique_ptr<libdeflate_decompressor, void (*)(libdeflate_decompressor*)> Inflater{
        nullptr, libdeflate_free_decompressor};
    TMemoryReservation Reservation;
    TImageHeader Header;
    std::size_t PixelBytes = 3;
    struct TPassRows {
        TPass Layout;
        int Columns = 0, Rows = 0;
        const uint8_t* First = nullptr; // the first pixel of its first row
        std::size_t Stride = 0;         // from row to row, filter byte included
    };
    std::vector<TPassRows> Passes;
};

TPngRowReader::TPngRowReader() : S(std::make_unique<TState>()) {}
TPngRowReader::~TPngRowReader() = default;

const TImageHeader& TPngRowReader::Header() const {
    return S->Header;
}

bool TPngRowReader::Read(std::span<const uint8_t> data) {
    Finish();
    TPngReadHandle handle;
    TPngReadState state;
    state.Input.Data = data;
    TImageHeader header;
    try {
        header = ReadHeader(handle, state, true);
        CheckImageFitsData(header.Width, header.Height, ifTrueColor, data.size(), "PNG");
    } catch (const std::exception&) {
        return false; // LoadPng gives libpng's verdict
    }
    const TPngReadPlan& plan = state.Plan;
    if (plan.BitDepth != 8 ||
        (plan.ColorType != PNG_COLOR_TYPE_RGB && plan.ColorType != PNG_COLOR_TYPE_RGB_ALPHA))
        return false;
    const std::size_t pixelBytes = plan.ColorType == PNG_COLOR_TYPE_RGB ? 3 : 4;
    const int width = header.Width, height = header.Height;
    const std::span<const TPass> passes =
        plan.Interlaced ? std::span<const TPass>(Adam7) : std::span<const TPass>(WholeImage);
    std::size_t expected = 0;
    for (const TPass& pass : passes) {
        const std::size_t columns = std::size_t(PassSize(width, pass.Left, pass.StepX));
        if (columns > 0)
            expected +=
                std::size_t(PassSize(height, pass.Top, pass.StepY)) * (1 + columns * pixelBytes);
    }
    try {
        // The joined data is at most the file; the rows get one spare byte to show data
        // beyond the picture.
        S->Reservation = TMemoryReservation(data.size() + expected + 1, "reading a PNG file");
    } catch (const EImageError&) {
        return false; // libpng's way needs less memory
    }
    if (!JoinImageData(data, S->Compressed)) {
        Finish();
        return false;
    }
    if (S->Rows.size() < expected + 1)
        S->Rows.resize(expected + 1);
    if (!S->Inflater)
        S->Inflater.reset(libdeflate_alloc_decompressor());
    std::size_t used = 0, produced = 0;
    if (!S->Inflater ||
        libdeflate_zlib_decompress_ex(S->Inflater.get(), S->Compressed.data(), S->Compressed.size(),
                                      S->Rows.data(), expected + 1, &used,
                                      &produced) != LIBDEFLATE_SUCCESS ||
        used != S->Compressed.size() || produced != expected) {
        Finish();
        return false;
    }

    std::vector<uint8_t> zeros(std::size_t(width) * pixelBytes);
    uint8_t* row = S->Rows.data();
    for (const TPass& pass : passes) {
        TState::TPassRows rows{pass, PassSize(width, pass.Left, pass.StepX),
                               PassSize(height, pass.Top, pass.StepY), nullptr, 0};
        if (rows.Columns == 0 || rows.Rows == 0)
            continue;
        const std::size_t pixels = std::size_t(rows.Columns);
        rows.First = row + 1;
        rows.Stride = 1 + pixels * pixelBytes;
        const uint8_t* previous = zeros.data();
        for (int r = 0; r < rows.Rows; ++r, row += rows.Stride) {
            if (!(pixelBytes == 3 ? Unfilter<3>(row[0], row + 1, previous, pixels)
                                  : Unfilter<4>(row[0], row + 1, previous, pixels))) {
                Finish();
                return false;
            }
            previous = row + 1;
        }
        S->Passes.push_back(rows);
    }
    S->Header = header;
    S->PixelBytes = pixelBytes;
    return true;
}

void TPngRowReader::Row(int y, uint8_t* out) const {
    for (const TState::TPassRows& pass : S->Passes) {
        const int fromTop = y - pass.Layout.Top;
        if (fromTop < 0 || fromTop % pass.Layout.StepY != 0)
            continue;
        const uint8_t* in = pass.First + std::size_t(fromTop / pass.Layout.StepY) * pass.Stride;
        uint8_t* to = out + 3 * std::size_t(pass.Layout.Left);
        if (S->PixelBytes == 3)
            PutPixels<3, true>(in, std::size_t(pass.Columns), to, std::size_t(pass.Layout.StepX));
        else
            PutPixels<4, true>(in, std::size_t(pass.Columns), to, std::size_t(pass.Layout.StepX));
    }
}

const uint8_t* TPngRowReader::RedFirstRow(int y, uint8_t* scratch) const {
    for (const TState::TPassRows& pass : S->Passes) {
        const int fromTop = y - pass.Layout.Top;
        if (fromTop < 0 || fromTop % pass.Layout.StepY != 0)
            continue;
        const uint8_t* in = pass.First + std::size_t(fromTop / pass.Layout.StepY) * pass.Stride;
        // A whole row of RGB pixels in one pass (every row of a file that is not interlaced,
        // the odd rows of one that is) is there already.
        if (S->PixelBytes == 3 && pass.Layout.StepX == 1)
            return in;
        uint8_t* to = scratch + 3 * std::size_t(pass.Layout.Left);
        if (S->PixelBytes == 3)
            PutPixels<3, false>(in, std::size_t(pass.Columns), to, std::size_t(pass.Layout.StepX));
        else
            PutPixels<4, false>(in, std::size_t(pass.Columns), to, std::size_t(pass.Layout.StepX));
    }
    return scratch;
}

void TPngRowReader::Finish() {
    S->Passes.clear();
    S->Reservation = TMemoryReservation();
    if (S->Compressed.capacity() + S->Rows.capacity() > KeptScratchBytes) {
        std::vector<uint8_t>().swap(S->Compressed);
        std::vector<uint8_t>().swap(S->Rows);
    }
}

TDibGraphic LoadPng(std::span<const uint8_t> data) {
    // Each thread keeps its reader, and so its buffers, from picture to picture: fresh pages
    // for every picture cost more than the reading.
    thread_local TPngRowReader quick;
    if (quick.Read(data)) {
        struct TFinish {
            TPngRowReader& Reader;
            ~TFinish() { Reader.Finish(); }
        } finish{quick};
        TDibGraphic image =
            NewImageFromHeader(quick.Header(), data.size(), "PNG", TNewPixels::ToOverwrite);
        for (int y = 0; y < image.Height(); ++y)
            quick.Row(y, image.ScanLine(y));
        return image;
    }

    TPngReadHandle handle;
    TPngReadState state;
    state.Input.Data = data;
    const TImageHeader header = ReadHeader(handle, state, true);
    const TPngReadPlan& plan = state.Plan;
    const auto width = png_uint_32(header.Width), height = png_uint_32(header.Height);
    TDibGraphic& image = state.Image;
    // Every row is decoded, or the reading fails.
    image = NewImageFromHeader(header, data.size(), "PNG", TNewPixels::ToOverwrite);

    state.Rows.resize(height);
    if (plan.Repack) {
        state.Buffer.resize(std::size_t(width) * height);
        for (png_uint_32 y = 0; y < height; ++y)
            state.Rows[y] = state.Buffer.data() + std::size_t(y) * width;
    } else {
        for (png_uint_32 y = 0; y < height; ++y)
            state.Rows[y] = image.ScanLine(int(y));
    }
    if (!ReadPngRows(handle, state))
        Fail(std::string("PNG: ") + handle.Error.Message);
    if (plan.Repack)
        for (png_uint_32 y = 0; y < height; ++y)
            RepackIndices(state.Rows[y], 8, int(width), image.ScanLine(int(y)),
                          image.BitsPerPixel(), plan.Mapped ? plan.Map : nullptr);
    return std::move(state.Image);
}
