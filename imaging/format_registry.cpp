#include "imaging/format_registry.h"

#include "imaging/codec_support_p.h"
#include "imaging/image_file_io_p.h"

#include <algorithm>
#include <array>
#include <optional>

namespace {

constexpr std::array<TImageFileFormat, 12> Formats{{
    {"BMP", "Bitmap file", TImageCodec::Bmp},
    {"JPG", "JPEG", TImageCodec::Jpeg},
    {"JPEG", "JPEG", TImageCodec::Jpeg},
    {"PCX", "ZSoft PC Paintbrush", TImageCodec::Pcx},
    {"PCC", "ZSoft PC Paintbrush", TImageCodec::Pcx},
    {"PNG", "Portable Network Graphic", TImageCodec::Png},
    {"TGA", "Truevision Targa", TImageCodec::Tga},
    {"VST", "Truevision Vista", TImageCodec::Tga},
    {"AFI", "Truevision Targa", TImageCodec::Tga},
    {"TIF", "TIFF file", TImageCodec::Tiff},
    {"TIFF", "TIFF file", TImageCodec::Tiff},
    {"GIF", "GIF image", TImageCodec::Gif},
}};

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return upper(x) == upper(y); });
}

} // namespace

std::span<const TImageFileFormat> ImageFileFormats() {
    return Formats;
}

const TImageFileFormat* FindImageFileFormat(std::string_view extension) {
    if (!extension.empty() && extension.front() == '.')
        extension.remove_prefix(1);
    for (const TImageFileFormat& format : Formats)
        if (SameIgnoringCase(extension, format.Extension))
            return &format;
    return nullptr;
}

std::string FileExtension(const std::string& path) {
    const auto dot = path.rfind('.');
    const auto slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    return path.substr(dot);
}

const TImageFileFormat& ImageFileFormatOf(const std::string& path) {
    const std::string extension = FileExtension(path);
    if (const TImageFileFormat* format = FindImageFileFormat(extension);
        format && !extension.empty())
        return *format;
    throw EImageError("Graphic files of " + extension +
                      " format are not supported or not registered");
}

TImageHeader ReadImageHeader(std::span<const uint8_t> data, TImageCodec codec, bool wholeFile) {
    switch (codec) {
    case TImageCodec::Bmp:
        return ReadBmpHeader(data, wholeFile);
    case TImageCodec::Jpeg:
        return ReadJpegHeader(data, wholeFile);
    case TImageCodec::Pcx:
        return ReadPcxHeader(data, wholeFile);
    case TImageCodec::Png:
        return ReadPngHeader(data, wholeFile);
    case TImageCodec::Tga:
        return ReadTgaHeader(data, wholeFile);
    case TImageCodec::Tiff:
        return ReadTiffHeader(data, wholeFile);
    case TImageCodec::Gif:
        return ReadGifHeader(data, wholeFile);
    }
    throw EImageError("Internal error: Invalid image format");
}

TDibGraphic DecodeImage(std::span<const uint8_t> data, TImageCodec codec, int frame) {
    switch (codec) {
    case TImageCodec::Bmp:
        return LoadBmp(data);
    case TImageCodec::Jpeg:
        return LoadJpeg(data);
    case TImageCodec::Pcx:
        return LoadPcx(data);
    case TImageCodec::Png:
        return LoadPng(data);
    case TImageCodec::Tga:
        return LoadTga(data);
    case TImageCodec::Tiff:
        return LoadTiff(data);
    case TImageCodec::Gif:
        return LoadGif(data, frame);
    }
    throw EImageError("Internal error: Invalid image format");
}

std::vector<uint8_t> EncodeImage(const TDibGraphic& image, TImageCodec codec,
                                 const TJpegOptions& jpeg) {
    switch (codec) {
    case TImageCodec::Bmp:
        return SaveBmp(image);
    case TImageCodec::Jpeg:
        return SaveJpeg(image, jpeg);
    case TImageCodec::Pcx:
        return SavePcx(image);
    case TImageCodec::Png:
        return SavePng(image);
    case TImageCodec::Tga:
        return SaveTga(image);
    case TImageCodec::Tiff:
        return SaveTiff(image);
    case TImageCodec::Gif:
        return SaveGif(image);
    }
    throw EImageError("Internal error: Invalid image format");
}

TDibGraphic LoadImageFile(const std::string& path, int frame) {
    const TImageFileFormat& format = ImageFileFormatOf(path);
    if (format.Codec != TImageCodec::Bmp)
        return DecodeImage(ReadImageFileBytes(path), format.Codec, frame);
    // A bitmap's pixel block is read straight into the image where the rows are laid out
    // alike: the file is never held in memory besides it.
    TImageFileReader file(path);
    TImageFileBytes bytes;
    file.ReadUpTo(bytes, std::size_t(64) << 10);
    if (std::optional<TBmpPixelBlock> plain = PlanBmpPixelBlock(bytes, file.Size())) {
        TDibGraphic& image = plain->Image;
        if (file.ReadAt(plain->Offset, image.Bits(), image.ImageSize())) {
            FinishBmpPixelBlock(image);
            return std::move(image);
        }
        // The file has shrunk since: read as it is now, with the error that gives.
        return LoadBmp(ReadImageFileBytes(path));
    }
    file.ReadUpTo(bytes, std::size_t(-1));
    return LoadBmp(bytes);
}

TImageHeader ReadImageFileHeader(const std::string& path) {
    const TImageFileFormat& format = ImageFileFormatOf(path);
    TImageFileReader file(path);
    TImageFileBytes bytes;
    // Headers fit in the first few kilobytes, except where a file puts large blocks (an
    // embedded colour profile or preview) before the pixels or its directory at the end:
    // then four times as much at each try, which reads the file at most about one and a
    // third times over.
    for (std::size_t size = std::size_t(64) << 10;; size *= 4) {
        const bool wholeFile = file.ReadUpTo(bytes, size);
        try {
            return ReadImageHeader(bytes, format.Codec, wholeFile);
        } catch (const EImageNeedsMoreData&) {
            if (wholeFile)
                throw;
        }
    }
}

TRawBudgetVector<uint8_t> ReadImageFileData(const std::string& path) {
    return ReadImageFileBytes(path);
}

void SaveImageFile(const TDibGraphic& image, const std::string& path, const TJpegOptions& jpeg) {
    const TImageFileFormat& format = ImageFileFormatOf(path);
    if (format.Codec == TImageCodec::Bmp) {
        // A bitmap file holds the pixel block as the image does: written from there, not
        // from a copy.
        WriteImageFilePieces(path, {BmpFileHeaders(image), {image.Bits(), image.ImageSize()}});
        return;
    }
    WriteImageFileBytes(path, EncodeImage(image, format.Codec, jpeg));
}

bool SaveNewImageFile(const TDibGraphic& image, const std::string& path, const TJpegOptions& jpeg) {
    return WriteNewImageFileBytes(path, EncodeImage(image, ImageFileFormatOf(path).Codec, jpeg));
}

std::string ImageStatusText(const std::string& path, const TDibGraphic& image) {
    std::string text =
        path + ", " + std::to_string(image.Width()) + "x" + std::to_string(image.Height());
    if (SameIgnoringCase(FileExtension(path), ".gif"))
        return text + "x256";
    return text + FormatStatusText(image.ImageFormat());
}
