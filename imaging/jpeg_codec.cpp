// JPEG files through libjpeg.
//
// Written from 256 shades of grey (one component) or true colour (three components, the
// library converting to YCbCr), at a quality of 0 to 100, optionally progressive, without
// optimised Huffman tables, with a JFIF density in dots per inch. Read: one- and
// three-component files; the density becomes the resolution (dots per centimetre times 2.54,
// no unit the screen's resolution).
//
// libjpeg reports errors by longjmp. Every function that calls setjmp keeps only trivially
// destructible locals, and everything that owns memory lives in the caller, so the jump never
// skips a destructor.
#include "imaging/codec_support_p.h"
#include "imaging/image_codecs.h"

#include <cstdio>
#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdlib>

namespace {

[[noreturn]] void Fail(const std::string& message) {
    throw EImageError(message);
}

// A progressive file may hold any number of scans, each a pass over the whole image; real
// files have about ten. More than this is an attack on the decoder's time.
constexpr int MaxScans = 100;
// A file that keeps the decoder warning about corrupt data this often is not worth reading.
constexpr long MaxWarnings = 1000;
// Memory libjpeg may take besides the image (progressive files keep every coefficient).
constexpr long MaxDecoderMemory = 1L << 30;

struct TJpegError {
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX + 32];
};

[[noreturn]] void JumpWithMessage(j_common_ptr info) {
    auto* error = reinterpret_cast<TJpegError*>(info->err);
    error->Manager.format_message(info, error->Message);
    std::longjmp(error->Jump, 1);
}

void OnJpegError(j_common_ptr info) {
    JumpWithMessage(info);
}

// Warnings are ignored, except the end of data in the middle of the image (libjpeg would fill
// the rest with grey and call it a success) and an endless stream of them.
void OnJpegMessage(j_common_ptr info, int level) {
    if (level >= 0)
        return;
    if (info->err->msg_code == JWRN_JPEG_EOF || ++info->err->num_warnings > MaxWarnings)
        JumpWithMessage(info);
}

void OnJpegProgress(j_common_ptr info) {
    if (!info->is_decompressor)
        return;
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > MaxScans) {
        auto* error = reinterpret_cast<TJpegError*>(info->err);
        std::snprintf(error->Message, sizeof error->Message, "too many scans (more than %d)",
                      MaxScans);
        std::longjmp(error->Jump, 1);
    }
}

void InstallErrorManager(TJpegError& error) {
    jpeg_std_error(&error.Manager);
    error.Manager.error_exit = OnJpegError;
    error.Manager.emit_message = OnJpegMessage;
    error.Message[0] = '\0';
}

struct TJpegReader {
    jpeg_decompress_struct Info{};
    TJpegError Error{};
    jpeg_progress_mgr Progress{};
    bool Created = false;

    TJpegReader() { InstallErrorManager(Error); }
    ~TJpegReader() {
        if (Created)
            jpeg_destroy_decompress(&Info);
    }
    TJpegReader(const TJpegReader&) = delete;
    TJpegReader& operator=(const TJpegReader&) = delete;
};

bool ReadJpegMarkers(TJpegReader& reader, TByteSpan data) {
    jpeg_decompress_struct& info = reader.Info;
    if (setjmp(reader.Error.Jump))
        return false;
    info.err = &reader.Error.Manager;
    jpeg_create_decompress(&info);
    reader.Created = true;
    info.mem->max_memory_to_use = MaxDecoderMemory;
    reader.Progress.progress_monitor = OnJpegProgress;
    info.progress = &reader.Progress;
    jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    return true;
}

bool ReadJpegPixels(TJpegReader& reader, TDibGraphic& image) {
    jpeg_decompress_struct& info = reader.Info;
    if (setjmp(reader.Error.Jump))
        return false;
    info.out_color_space = info.num_components == 1 ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.ScanLine(int(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    return true;
}

struct TJpegWriter {
    jpeg_compress_struct Info{};
    TJpegError Error{};
    unsigned char* Buffer = nullptr; // allocated by libjpeg's memory destination
    unsigned long Size = 0;
    bool Created = false;

    TJpegWriter() { InstallErrorManager(Error); }
    ~TJpegWriter() {
        if (Created)
            jpeg_destroy_compress(&Info);
        std::free(Buffer);
    }
    TJpegWriter(const TJpegWriter&) = delete;
    TJpegWriter& operator=(const TJpegWriter&) = delete;
};

bool WriteJpeg(TJpegWriter& writer, const TDibGraphic& image, const TJpegOptions& options) {
    jpeg_compress_struct& info = writer.Info;
    if (setjmp(writer.Error.Jump))
        return false;
    info.err = &writer.Error.Manager;
    jpeg_create_compress(&info);
    writer.Created = true;
    jpeg_mem_dest(&info, &writer.Buffer, &writer.Size);
    info.image_width = JDIMENSION(image.Width());
    info.image_height = JDIMENSION(image.Height());
    const bool gray = image.ImageFormat() == ifGray256;
    info.input_components = gray ? 1 : 3;
    info.in_color_space = gray ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, std::clamp(options.Quality, 0, 100), TRUE);
    if (options.Progressive)
        jpeg_simple_progression(&info);
    info.optimize_coding = FALSE;
    info.write_JFIF_header = TRUE;
    info.density_unit = 1; // dots per inch
    info.X_density = UINT16(std::clamp(image.XDpi(), 1, 65535));
    info.Y_density = UINT16(std::clamp(image.YDpi(), 1, 65535));
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        // libjpeg only reads the rows; the cast drops the const its interface lacks.
        JSAMPROW row = const_cast<JSAMPROW>(image.ScanLine(int(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    return true;
}

// Reads the markers up to the first scan; what the image will be is the result.
TImageHeader ReadHeader(TJpegReader& reader, TByteSpan data, bool wholeFile) {
    if (!ReadJpegMarkers(reader, data)) {
        const std::string message = std::string("JPEG: ") + reader.Error.Message;
        if (reader.Error.Manager.msg_code == JWRN_JPEG_EOF && !wholeFile)
            throw EImageNeedsMoreData(message);
        Fail(message);
    }
    const jpeg_decompress_struct& info = reader.Info;
    if (info.num_components != 1 && info.num_components != 3)
        Fail("Invalid number of samples, " + std::to_string(info.num_components));

    TImageHeader header;
    // libjpeg refuses sizes beyond 65500.
    header.Width = int(info.image_width);
    header.Height = int(info.image_height);
    header.Format = info.num_components == 1 ? ifGray256 : ifTrueColor;
    if (header.Format == ifGray256)
        header.Palette = DefaultPalette(ifGray256);
    if (info.X_density > 0 && info.Y_density > 0 &&
        (info.density_unit == 1 || info.density_unit == 2)) {
        // Dots per centimetre become dots per inch.
        const double toInch = info.density_unit == 2 ? 2.54 : 1.0;
        header.XPelsPerMeter = DpiToPelsPerMeter(int(std::nearbyint(info.X_density * toInch)));
        header.YPelsPerMeter = DpiToPelsPerMeter(int(std::nearbyint(info.Y_density * toInch)));
    }
    return header;
}

} // namespace

TImageHeader ReadJpegHeader(std::span<const uint8_t> data, bool wholeFile) {
    TJpegReader reader;
    return ReadHeader(reader, data, wholeFile);
}

TDibGraphic LoadJpeg(std::span<const uint8_t> data) {
    TJpegReader reader;
    const TImageHeader header = ReadHeader(reader, data, true);
    // The decoder gives every row, made up where the data ends early, or fails.
    TDibGraphic image = NewImageFromHeader(header, data.size(), "JPEG", TNewPixels::ToOverwrite);
    // Progressive files keep every coefficient besides the image; that memory comes out of
    // the same budget (0 would mean no limit at all).
    const std::size_t budgetLeft =
        WorkingMemoryBudget() - std::min(WorkingMemoryBudget(), WorkingMemoryInUse());
    reader.Info.mem->max_memory_to_use =
        long(std::clamp<std::size_t>(budgetLeft, 1, std::size_t(MaxDecoderMemory)));
    if (!ReadJpegPixels(reader, image))
        Fail(std::string("JPEG: ") + reader.Error.Message);
    return image;
}

std::vector<uint8_t> SaveJpeg(const TDibGraphic& image, const TJpegOptions& options) {
    if (image.ImageFormat() != ifGray256 && image.ImageFormat() != ifTrueColor)
        Fail("JPEG image must be gray scale or true color");
    TJpegWriter writer;
    if (!WriteJpeg(writer, image, options))
        Fail(std::string("JPEG: ") + writer.Error.Message);
    return std::vector<uint8_t>(writer.Buffer, writer.Buffer + writer.Size);
}
