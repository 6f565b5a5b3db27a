// Portable Network Graphics files through libpng.
//
// Written: greyscale of 1, 4 or 8 bits for black and white and the grey formats, a palette
// image of 4 or 8 bits for the colour formats, 8-bit RGB for true colour; Adam7 interlace,
// deflate level 5, a gAMA chunk of 0.5 and pHYs in pixels per metre. Read: every colour type
// and depth libpng knows (see image_codecs.h for what each becomes).
//
// libpng reports errors by longjmp. Every function that calls setjmp keeps only trivially
// destructible locals, and everything that owns memory lives in the caller, so the jump never
// skips a destructor.
#include "imaging/codec_support_p.h"
#include "imaging/image_codecs.h"

#include <png.h>

#include <algorithm>
#include <cmath>
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
};

void ReadPngData(png_structp png, png_bytep target, png_size_t length) {
    auto* input = static_cast<TPngInput*>(png_get_io_ptr(png));
    if (length > input->Data.size() - input->Position)
        png_error(png, "file is truncated");
    std::memcpy(target, input->Data.data() + input->Position, length);
    input->Position += length;
}

void WritePngData(png_structp png, png_bytep source, png_size_t length) {
    auto* out = static_cast<TBytes*>(png_get_io_ptr(png));
    out->insert(out->end(), source, source + length);
}

void FlushPngData(png_structp) {}

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

class TPngWriteHandle {
public:
    TPngWriteHandle() {
        Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &Error, OnPngError, OnPngWarning);
        if (Png)
            Info = png_create_info_struct(Png);
        if (!Png || !Info)
            Fail("PNG: out of memory");
    }
    ~TPngWriteHandle() { png_destroy_write_struct(&Png, &Info); }
    TPngWriteHandle(const TPngWriteHandle&) = delete;
    TPngWriteHandle& operator=(const TPngWriteHandle&) = delete;

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
    std::vector<uint8_t> Buffer;
    std::vector<png_bytep> Rows;
};

bool ReadPngHeader(TPngReadHandle& handle, TPngReadState& state, png_uint_32& width,
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

} // namespace

TDibGraphic LoadPng(std::span<const uint8_t> data) {
    if (data.size() < 8 || png_sig_cmp(data.data(), 0, 8) != 0)
        Fail("Not a PNG file");
    TPngReadHandle handle;
    TPngReadState state;
    state.Input.Data = data;
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0;
    if (!ReadPngHeader(handle, state, width, height, bitDepth, colorType))
        Fail(std::string("PNG: ") + handle.Error.Message);

    const TPngReadPlan& plan = state.Plan;
    CheckImageFitsData(int(width), int(height), plan.Format, data.size(), "PNG");
    TDibGraphic& image = state.Image;
    image.NewImage(int(width), int(height), plan.Format,
                   plan.Format == ifTrueColor ? nullptr : &plan.Palette);
    png_uint_32 xPerMetre = 0, yPerMetre = 0;
    int unit = 0;
    if (png_get_pHYs(handle.Png, handle.Info, &xPerMetre, &yPerMetre, &unit) &&
        unit == PNG_RESOLUTION_METER && xPerMetre > 0 && yPerMetre > 0 && xPerMetre <= 0x7FFFFFFF &&
        yPerMetre <= 0x7FFFFFFF)
        image.SetPelsPerMeter(int(xPerMetre), int(yPerMetre));

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

namespace {

struct TPngWriteState {
    TBytes Out;
    std::vector<png_color> Palette;
    std::vector<uint8_t> Inverted; // a black-and-white image written with its bits inverted
    std::vector<png_bytep> Rows;
};

// True when most pixels repeat their left neighbour, as on screen pictures of windows, text
// and flat colour. Deflate packs such rows best unfiltered, and skipping the library's
// per-row filter search halves the time to encode them while the file gets smaller; pictures
// with photographs in them keep the library's choice, which packs them much tighter. Every
// fourth row is enough to tell the two apart.
bool IsMostlyFlat(const TDibGraphic& image) {
    if (image.BitsPerPixel() < 8)
        return false;
    const int bytesPerPixel = image.BitsPerPixel() / 8;
    const std::size_t rowBytes = std::size_t(image.Width()) * bytesPerPixel;
    std::size_t repeated = 0, compared = 0;
    for (int y = 0; y < image.Height(); y += 4) {
        const uint8_t* row = image.ScanLine(y);
        for (std::size_t i = bytesPerPixel; i < rowBytes; i += bytesPerPixel) {
            repeated += std::memcmp(row + i, row + i - bytesPerPixel, bytesPerPixel) == 0;
            ++compared;
        }
    }
    return compared > 0 && repeated * 2 >= compared;
}

bool WritePngImage(TPngWriteHandle& handle, TPngWriteState& state, const TDibGraphic& image,
                   int bitDepth, int colorType, png_uint_32 xPerMetre, png_uint_32 yPerMetre) {
    png_structp png = handle.Png;
    png_infop info = handle.Info;
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_write_fn(png, &state.Out, WritePngData, FlushPngData);
    png_set_compression_level(png, 5);
    if (IsMostlyFlat(image))
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_IHDR(png, info, png_uint_32(image.Width()), png_uint_32(image.Height()), bitDepth,
                 colorType, PNG_INTERLACE_ADAM7, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    if (colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_PLTE(png, info, state.Palette.data(), int(state.Palette.size()));
    png_set_gAMA(png, info, 0.5);
    png_set_pHYs(png, info, xPerMetre, yPerMetre, PNG_RESOLUTION_METER);
    png_write_info(png, info);
    if (colorType == PNG_COLOR_TYPE_RGB)
        png_set_bgr(png);
    png_write_image(png, state.Rows.data());
    png_write_end(png, nullptr);
    return true;
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

png_uint_32 PixelsPerMetre(int dpi) {
    return png_uint_32(std::nearbyint(dpi / 0.0254));
}

} // namespace

std::vector<uint8_t> SavePng(const TDibGraphic& image) {
    const TImageFormat format = image.ImageFormat();
    int colorType = PNG_COLOR_TYPE_GRAY;
    int bitDepth = image.BitsPerPixel();
    TPngWriteHandle handle;
    TPngWriteState state;
    if (format == ifTrueColor) {
        colorType = PNG_COLOR_TYPE_RGB;
        bitDepth = 8;
    } else if (format == ifColor16 || format == ifColor256) {
        colorType = PNG_COLOR_TYPE_PALETTE;
        for (const TPaletteEntry& entry :
             PaletteOfSize(image.Palette(), PaletteEntriesNeeded(image)))
            state.Palette.push_back({entry.Red, entry.Green, entry.Blue});
    }

    state.Rows.resize(std::size_t(image.Height()));
    if (format == ifBlackWhite && IsInvertedBlackWhite(image.Palette())) {
        const std::size_t rowBytes = PackedRowBytes(image.Width(), 1);
        state.Inverted.resize(rowBytes * state.Rows.size());
        for (int y = 0; y < image.Height(); ++y) {
            uint8_t* row = state.Inverted.data() + std::size_t(y) * rowBytes;
            const uint8_t* source = image.ScanLine(y);
            for (std::size_t i = 0; i < rowBytes; ++i)
                row[i] = uint8_t(~source[i]);
            state.Rows[std::size_t(y)] = row;
        }
    } else {
        // libpng only reads the rows; the cast drops the const its interface lacks.
        for (int y = 0; y < image.Height(); ++y)
            state.Rows[std::size_t(y)] = const_cast<png_bytep>(image.ScanLine(y));
    }
    if (!WritePngImage(handle, state, image, bitDepth, colorType, PixelsPerMetre(image.XDpi()),
                       PixelsPerMetre(image.YDpi())))
        Fail(std::string("PNG: ") + handle.Error.Message);
    return std::move(state.Out);
}
