// Image files by extension: which codec reads and writes a file, and loading and saving whole
// files through it.
#pragma once

#include "imaging/dib_graphic.h"
#include "imaging/image_codecs.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class TImageCodec { Bmp, Jpeg, Pcx, Png, Tga, Tiff, Gif };

struct TImageFileFormat {
    const char* Extension; // upper case, without the dot
    const char* Description;
    TImageCodec Codec;
};

// Every registered extension, in the order of the table.
std::span<const TImageFileFormat> ImageFileFormats();
// The entry for an extension given with or without its dot, in any case; nullptr when none.
const TImageFileFormat* FindImageFileFormat(std::string_view extension);
// The extension of a file name including its dot, as written; empty when it has none.
std::string FileExtension(const std::string& path);
// The entry for a file by its extension; throws EImageError "Graphic files of .xyz format are
// not supported or not registered" when there is none.
const TImageFileFormat& ImageFileFormatOf(const std::string& path);

// The codecs by number; GIF writing includes the reduction to 256 colours.
// ReadImageHeader reads what DecodeImage would make of the data without decoding the pixels
// (see image_codecs.h; `wholeFile` false when `data` is only the start of the file).
TImageHeader ReadImageHeader(std::span<const uint8_t> data, TImageCodec codec,
                             bool wholeFile = true);
TDibGraphic DecodeImage(std::span<const uint8_t> data, TImageCodec codec, int frame = 1);
std::vector<uint8_t> EncodeImage(const TDibGraphic& image, TImageCodec codec,
                                 const TJpegOptions& jpeg = {});

// Reads an image file through the codec of its extension (a GIF's frame `frame`, counted
// from 1). A failure throws and returns nothing, so a caller's previous image stays as it was.
// Only regular files are read: a folder, a named pipe or a device is refused at once. The
// image must keep within the limits of image_limits.h.
TDibGraphic LoadImageFile(const std::string& path, int frame = 1);
// What LoadImageFile would make of the file (size, pixel format, palette, resolution), from
// as little of the file as its header needs; no pixel is decoded and no size limit applies.
TImageHeader ReadImageFileHeader(const std::string& path);
// The whole file's bytes (charged to the working-memory budget), with the same checks as
// LoadImageFile, for readers of other formats.
TRawBudgetVector<uint8_t> ReadImageFileData(const std::string& path);
// Writes an image file through the codec of its extension. The file is made whole under a
// temporary name in the same folder and then renamed over `path`.
void SaveImageFile(const TDibGraphic& image, const std::string& path,
                   const TJpegOptions& jpeg = {});
// The same for a new file only: false, having written nothing, when an entry named `path`
// exists already (or appears while the file is being encoded and written).
bool SaveNewImageFile(const TDibGraphic& image, const std::string& path,
                      const TJpegOptions& jpeg = {});

// The status line of a shown image: the path, ", ", width "x" height, then the pixel
// format's status text, or "x256" for a ".gif" file ("/a/b.gif, 640x480x256").
std::string ImageStatusText(const std::string& path, const TDibGraphic& image);
