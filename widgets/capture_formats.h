// The seven file formats a capture can be stored and saved in, in one table: the number the
// settings keep, the text of the main window's format box, the extension of capture files,
// the save dialog's type and the codec. The format box, capture storing, Save As and its
// messages all read it.
//
// It lives here, above both the settings record (store/, which names the numbers) and the
// codecs (imaging/), so that it can name both; it holds no Qt.
#pragma once

#include "imaging/format_registry.h"
#include "store/settings.h"

#include <array>
#include <string>

struct TCaptureFormatInfo {
    TCaptureFormat Format;
    const char* BoxText;       // the item of the format box
    const char* Extension;     // of capture files, upper case with the dot (".JPG")
    const char* SaveFilter;    // the save dialog's type ("JPEG (*.jpg)")
    const char* SaveExtension; // what the save dialog's type puts on a name, with the dot
    TImageCodec Codec;
};

// In the order of the settings' numbers, which is also the order of the format box and of
// the save dialog's types (numbered from 1 there).
inline constexpr std::array<TCaptureFormatInfo, 7> CaptureFormats = {{
    {cfBmp, "Windows Bitmap (BMP)", ".BMP", "Bitmap (*.bmp)", ".bmp", TImageCodec::Bmp},
    {cfGif, "GIF (256 Colors)", ".GIF", "GIF (*.gif)", ".gif", TImageCodec::Gif},
    {cfJpeg, "JPEG", ".JPG", "JPEG (*.jpg)", ".jpg", TImageCodec::Jpeg},
    {cfPcx, "PCX", ".PCX", "PaintBrush (*.pcx)", ".pcx", TImageCodec::Pcx},
    {cfPng, "PNG", ".PNG", "Portable Network Graphic (*.png)", ".png", TImageCodec::Png},
    {cfTga, "TARGA (TGA)", ".TGA", "Targa (*.tga)", ".tga", TImageCodec::Tga},
    {cfTiff, "TIFF", ".TIF", "TIFF (*.tif)", ".tif", TImageCodec::Tiff},
}};

// The capture format setting as the extension of a capture file: ".BMP", ".GIF", ".JPG",
// ".PCX", ".PNG", ".TGA", ".TIF". Throws EImageError "Internal error: Invalid image format" for
// any other number.
std::string CaptureFormatExtension(int defaultFormat);

// The save dialog's type number (from 1) of an extension with its dot, in lower case; 0 for
// none of the seven.
int SaveTypeOf(const std::string& extension);

// The message texts that list the seven extensions: ".bmp,.gif,...,or .tif" and
// "BMP, GIF, ..., and TIF".
std::string SaveExtensionList();
std::string SaveFormatNames();
