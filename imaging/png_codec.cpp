// Reading Portable Network Graphics files through libpng: every colour type and depth libpng
// knows (see image_codecs.h for what each becomes). png_writer.cpp writes them.
//
// libpng reports errors by longjmp. Every function that calls setjmp keeps only trivially
// destructible locals, and everything that owns memory lives in the caller, so the jump never
// skips a destructor.
#include "imaging/codec_support_p.h"
#include "imaging/image_codecs.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>

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

} // namespace

TImageHeader ReadPngHeader(std::span<const uint8_t> data, bool wholeFile) {
    TPngReadHandle handle;
    TPngReadState state;
    state.Input.Data = data;
    return ReadHeader(handle, state, wholeFile);
}

TDibGraphic LoadPng(std::span<const uint8_t> data) {
    TPngReadHandle handle;
    TPngReadState state;
    state.Input.Data = data;
    const TImageHeader header = ReadHeader(handle, state, true);
    const TPngReadPlan& plan = state.Plan;
    const auto width = png_uint_32(header.Width), height = png_uint_32(header.Height);
    TDibGraphic& image = state.Image;
    image = NewImageFromHeader(header, data.size(), "PNG");

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
