// TIFF files through libtiff.
//
// Written: one uncompressed image, scan line by scan line from the top, 16 rows per strip,
// with the software name, the date and time and the resolution in dots per inch. Black and
// white and grey images are black-is-zero grey of 1, 4 or 8 bits; 16 and 256 colour images
// are palette images with their colour map; true colour is 8-bit RGB.
// Read: the first image of the file. Strip images of 1 to 16-bit grey, palette images and 8
// or 16-bit RGB are read line by line into the matching format; everything else libtiff can
// decode (tiles, planes, YCbCr, CMYK, ...) through its RGBA interface into true colour.
//
// libtiff's error and warning messages for a file are collected through its per-file
// handlers and become the text of the error.
#include "imaging/codec_support_p.h"
#include "imaging/image_codecs.h"

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <ctime>
#include <mutex>

namespace {

constexpr const char* SoftwareName = "Envision Image Library";
constexpr uint32_t RowsPerStrip = 16;
// The largest single allocation libtiff may make for a file (a strip, a tile, a tag array).
constexpr tmsize_t MaxLibraryAllocation = tmsize_t(256) << 20;

// The file as a block of memory that libtiff reads, or a growing buffer it writes.
struct TTiffStream {
    TByteSpan Input;
    TBytes* Output = nullptr;
    std::size_t Position = 0;
    bool Partial = false; // Input is only the start of the file
    bool RanOut = false;  // a read or a seek went past the end of Input

    std::size_t Size() const { return Output ? Output->size() : Input.size(); }
};

tsize_t ReadTiffStream(thandle_t handle, tdata_t buffer, tsize_t size) {
    auto* stream = static_cast<TTiffStream*>(handle);
    if (size < 0)
        return 0;
    if (std::size_t(size) > stream->Size() - std::min(stream->Position, stream->Size()))
        stream->RanOut = true;
    if (stream->Position >= stream->Size())
        return 0;
    const std::size_t count = std::min(std::size_t(size), stream->Size() - stream->Position);
    const uint8_t* source = stream->Output ? stream->Output->data() : stream->Input.data();
    std::memcpy(buffer, source + stream->Position, count);
    stream->Position += count;
    return tsize_t(count);
}

tsize_t WriteTiffStream(thandle_t handle, tdata_t buffer, tsize_t size) {
    auto* stream = static_cast<TTiffStream*>(handle);
    if (!stream->Output || size < 0)
        return -1;
    TBytes& out = *stream->Output;
    if (stream->Position + std::size_t(size) > out.size())
        out.resize(stream->Position + std::size_t(size));
    std::memcpy(out.data() + stream->Position, buffer, std::size_t(size));
    stream->Position += std::size_t(size);
    return size;
}

toff_t SeekTiffStream(thandle_t handle, toff_t offset, int whence) {
    auto* stream = static_cast<TTiffStream*>(handle);
    uint64_t base = 0;
    if (whence == SEEK_CUR)
        base = stream->Position;
    else if (whence == SEEK_END)
        base = stream->Size();
    const uint64_t position = base + offset;
    // A reader may not seek past the end; a writer extends the file when it writes there.
    if (!stream->Output && position > stream->Size()) {
        stream->RanOut = true;
        return toff_t(-1);
    }
    if (position > (uint64_t(1) << 32) * 4)
        return toff_t(-1);
    stream->Position = std::size_t(position);
    return position;
}

int CloseTiffStream(thandle_t) {
    return 0;
}
toff_t TiffStreamSize(thandle_t handle) {
    return static_cast<TTiffStream*>(handle)->Size();
}
// A file being read is handed to libtiff as mapped memory: it then reads strips and tiles in
// place, and its unmapped path for uncompressed tiles refuses valid files. The start of a file
// is not: libtiff would treat what lies past it as missing without asking for it, and its
// reads tell when the header needs more.
int MapTiffStream(thandle_t handle, tdata_t* base, toff_t* size) {
    auto* stream = static_cast<TTiffStream*>(handle);
    if (stream->Output || stream->Partial)
        return 0;
    // libtiff only reads a file opened for reading; the cast drops the const its interface
    // lacks.
    *base = const_cast<uint8_t*>(stream->Input.data());
    *size = stream->Input.size();
    return 1;
}
void UnmapTiffStream(thandle_t, tdata_t, toff_t) {}

// The messages libtiff gave for one file.
struct TTiffMessages {
    std::vector<std::string> Errors;
    std::vector<std::string> Warnings;

    std::string Text(const std::string& fallback) const {
        std::string text;
        std::size_t shown = 0;
        for (const auto* list : {&Errors, &Warnings})
            for (const std::string& message : *list)
                if (shown++ < 4)
                    text += (text.empty() ? "" : "; ") + message;
        return "TIFF: " + (text.empty() ? fallback : text);
    }
};

int CollectMessage(std::vector<std::string>& list, const char* module, const char* format,
                   va_list arguments) {
    char buffer[512];
    std::vsnprintf(buffer, sizeof buffer, format, arguments);
    if (list.size() < 16)
        list.push_back(module && *module ? std::string(module) + ": " + buffer
                                         : std::string(buffer));
    return 1; // handled: libtiff prints nothing
}

int OnTiffError(TIFF*, void* data, const char* module, const char* format, va_list arguments) {
    return CollectMessage(static_cast<TTiffMessages*>(data)->Errors, module, format, arguments);
}

int OnTiffWarning(TIFF*, void* data, const char* module, const char* format, va_list arguments) {
    return CollectMessage(static_cast<TTiffMessages*>(data)->Warnings, module, format, arguments);
}

// A few messages are raised before libtiff knows the file's handlers (or by code that does
// not pass them on); without this they would be printed on the terminal.
void SilenceGlobalTiffHandlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });
}

class TTiffFile {
public:
    TTiffFile(TTiffStream& stream, const char* mode) {
        SilenceGlobalTiffHandlers();
        TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
        if (!options)
            throw EImageError("TIFF: out of memory");
        TIFFOpenOptionsSetMaxSingleMemAlloc(options, MaxLibraryAllocation);
        TIFFOpenOptionsSetErrorHandlerExtR(options, OnTiffError, &Messages);
        TIFFOpenOptionsSetWarningHandlerExtR(options, OnTiffWarning, &Messages);
        Tif = TIFFClientOpenExt("memory", mode, &stream, ReadTiffStream, WriteTiffStream,
                                SeekTiffStream, CloseTiffStream, TiffStreamSize, MapTiffStream,
                                UnmapTiffStream, options);
        TIFFOpenOptionsFree(options);
    }
    ~TTiffFile() {
        if (Tif)
            TIFFClose(Tif);
    }
    TTiffFile(const TTiffFile&) = delete;
    TTiffFile& operator=(const TTiffFile&) = delete;

    [[noreturn]] void Fail(const std::string& fallback) const {
        throw EImageError(Messages.Text(fallback));
    }

    TIFF* Tif = nullptr;
    TTiffMessages Messages; // the handlers keep its address: the object never moves
};

// A resolution tag as dots per inch, 0 when it is missing or makes no sense.
int ResolutionDpi(float value, uint16_t unit) {
    if (!(value > 0) || !std::isfinite(value))
        return 0;
    double dpi = unit == RESUNIT_CENTIMETER ? value * 2.54 : unit == RESUNIT_INCH ? value : 0;
    if (dpi < 1 || dpi > 1000000)
        return 0;
    return int(std::nearbyint(dpi));
}

struct TTiffLayout {
    uint32_t Width = 0, Height = 0;
    uint16_t Bits = 1, Samples = 1, Photometric = PHOTOMETRIC_MINISBLACK;
    uint16_t Planar = PLANARCONFIG_CONTIG, SampleFormat = SAMPLEFORMAT_UINT;
    bool Tiled = false;
};

// True when the image can be read line by line into one of our formats.
bool ReadsLineByLine(const TTiffLayout& layout) {
    if (layout.Tiled || layout.SampleFormat != SAMPLEFORMAT_UINT)
        return false;
    const bool gray = layout.Photometric == PHOTOMETRIC_MINISBLACK ||
                      layout.Photometric == PHOTOMETRIC_MINISWHITE;
    if ((gray || layout.Photometric == PHOTOMETRIC_PALETTE) && layout.Samples == 1)
        return layout.Bits == 1 || layout.Bits == 2 || layout.Bits == 4 || layout.Bits == 8 ||
               (gray && layout.Bits == 16);
    if (layout.Photometric == PHOTOMETRIC_RGB && layout.Samples >= 3 &&
        (layout.Planar == PLANARCONFIG_CONTIG || layout.Samples == 1))
        return layout.Bits == 8 || layout.Bits == 16;
    return false;
}

TPalette ReadColorMap(TTiffFile& file, int bits) {
    uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    if (!TIFFGetField(file.Tif, TIFFTAG_COLORMAP, &red, &green, &blue) || !red || !green || !blue)
        file.Fail("palette image without a colour map");
    const std::size_t entries = std::size_t(1) << bits;
    // Colour maps hold 16-bit values; some writers store 8-bit ones instead.
    bool eightBit = true;
    for (std::size_t i = 0; i < entries; ++i)
        if (red[i] > 255 || green[i] > 255 || blue[i] > 255)
            eightBit = false;
    const int shift = eightBit ? 0 : 8;
    TPalette palette(entries);
    for (std::size_t i = 0; i < entries; ++i)
        palette[i] = {uint8_t(red[i] >> shift), uint8_t(green[i] >> shift),
                      uint8_t(blue[i] >> shift)};
    return palette;
}

// The upper 8 bits of 16-bit sample `index` of a line (libtiff has put it in the machine's
// byte order).
uint8_t HighByte(const std::vector<uint8_t>& line, std::size_t index) {
    uint16_t value;
    std::memcpy(&value, line.data() + index * 2, 2);
    return uint8_t(value >> 8);
}

void ReadLineByLine(TTiffFile& file, const TTiffLayout& layout, TDibGraphic& image) {
    const int width = int(layout.Width);
    const bool whiteIsZero = layout.Photometric == PHOTOMETRIC_MINISWHITE;
    const int top = (1 << std::min<int>(layout.Bits, 8)) - 1;
    // Index maps for small greys: white-is-zero turned around, 2-bit levels onto 16 greys.
    uint8_t map[256];
    bool mapped = false;
    if (layout.Photometric != PHOTOMETRIC_PALETTE && layout.Bits <= 8 &&
        (whiteIsZero || layout.Bits == 2)) {
        mapped = true;
        for (int v = 0; v <= top; ++v) {
            const int level = whiteIsZero ? top - v : v;
            map[v] = uint8_t(layout.Bits == 2 ? level * 5 : level);
        }
    }

    std::vector<uint8_t> line(std::size_t(TIFFScanlineSize64(file.Tif)));
    const std::size_t needed = layout.Bits == 16
                                   ? std::size_t(width) * layout.Samples * 2
                                   : PackedRowBytes(width, layout.Bits * layout.Samples);
    if (line.size() < needed)
        file.Fail("invalid scan line size");
    for (uint32_t row = 0; row < layout.Height; ++row) {
        if (TIFFReadScanline(file.Tif, line.data(), row, 0) < 0)
            file.Fail("cannot read line " + std::to_string(row));
        uint8_t* target = image.ScanLine(int(row));
        if (layout.Photometric == PHOTOMETRIC_RGB) {
            for (int x = 0; x < width; ++x) {
                const std::size_t s = std::size_t(x) * layout.Samples;
                for (int c = 0; c < 3; ++c)
                    target[x * 3 + 2 - c] =
                        layout.Bits == 16 ? HighByte(line, s + std::size_t(c)) : line[s + c];
            }
        } else if (layout.Bits == 16) {
            for (int x = 0; x < width; ++x) {
                const uint8_t level = HighByte(line, std::size_t(x));
                target[x] = whiteIsZero ? uint8_t(255 - level) : level;
            }
        } else {
            RepackIndices(line.data(), layout.Bits, width, target, image.BitsPerPixel(),
                          mapped ? map : nullptr);
        }
    }
}

void ReadThroughRgba(TTiffFile& file, const TTiffLayout& layout, TDibGraphic& image) {
    char message[1024] = "";
    if (!TIFFRGBAImageOK(file.Tif, message))
        file.Fail(message);
    TBudgetVector<uint32_t> raster(std::size_t(layout.Width) * layout.Height);
    if (!TIFFReadRGBAImageOriented(file.Tif, layout.Width, layout.Height, raster.data(),
                                   ORIENTATION_TOPLEFT, 0))
        file.Fail("cannot read the image");
    for (uint32_t y = 0; y < layout.Height; ++y) {
        const uint32_t* source = raster.data() + std::size_t(y) * layout.Width;
        uint8_t* target = image.ScanLine(int(y));
        for (uint32_t x = 0; x < layout.Width; ++x, target += 3) {
            target[0] = uint8_t(TIFFGetB(source[x]));
            target[1] = uint8_t(TIFFGetG(source[x]));
            target[2] = uint8_t(TIFFGetR(source[x]));
        }
    }
}

// The layout of the file's first image and what it will be read into.
struct TTiffImage {
    TTiffLayout Layout;
    TImageHeader Image;
    bool LineByLine = false;
};

TTiffImage ReadImageLayout(TTiffFile& file) {
    if (!file.Tif)
        file.Fail("Not a TIFF file");
    TTiffImage result;
    TTiffLayout& layout = result.Layout;
    TIFF* tif = file.Tif;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &layout.Width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &layout.Height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &layout.Bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &layout.Samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &layout.Planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &layout.SampleFormat);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &layout.Photometric))
        layout.Photometric = layout.Samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    layout.Tiled = TIFFIsTiled(tif) != 0;
    if (layout.Width == 0 || layout.Height == 0 || layout.Width > 0x7FFFFFFF ||
        layout.Height > 0x7FFFFFFF)
        file.Fail("invalid image size");

    const bool lineByLine = result.LineByLine = ReadsLineByLine(layout);
    TImageHeader& image = result.Image;
    image.Width = int(layout.Width);
    image.Height = int(layout.Height);
    if (lineByLine && layout.Photometric == PHOTOMETRIC_PALETTE) {
        image.Palette = ReadColorMap(file, layout.Bits);
        image.Format = PaletteImageFormat(layout.Bits, image.Palette);
    } else if (lineByLine && layout.Photometric != PHOTOMETRIC_RGB) {
        image.Format = layout.Bits == 1 ? ifBlackWhite : layout.Bits <= 4 ? ifGray16 : ifGray256;
        image.Palette = DefaultPalette(image.Format);
    }
    float xResolution = 0, yResolution = 0;
    uint16_t unit = RESUNIT_INCH;
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    if (TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xResolution) &&
        TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yResolution)) {
        const int xDpi = ResolutionDpi(xResolution, unit), yDpi = ResolutionDpi(yResolution, unit);
        if (xDpi > 0 && yDpi > 0) {
            image.XPelsPerMeter = DpiToPelsPerMeter(xDpi);
            image.YPelsPerMeter = DpiToPelsPerMeter(yDpi);
        }
    }
    return result;
}

} // namespace

TImageHeader ReadTiffHeader(std::span<const uint8_t> data, bool wholeFile) {
    TTiffStream stream;
    stream.Input = data;
    stream.Partial = !wholeFile;
    // A directory or a tag that lies past the start read so far is missing from what libtiff
    // reports (it skips such a tag with a warning), so any read past the end asks for more.
    auto needsMore = [&] { return stream.Partial && stream.RanOut; };
    try {
        TTiffFile file(stream, "r");
        TTiffImage image = ReadImageLayout(file);
        if (needsMore())
            FailTruncated("TIFF", false);
        return std::move(image.Image);
    } catch (const EImageNeedsMoreData&) {
        throw;
    } catch (const EImageError& error) {
        if (needsMore())
            throw EImageNeedsMoreData(error.what());
        throw;
    }
}

TDibGraphic LoadTiff(std::span<const uint8_t> data) {
    TTiffStream stream;
    stream.Input = data;
    TTiffFile file(stream, "r");
    const TTiffImage tiff = ReadImageLayout(file);
    const TTiffLayout& layout = tiff.Layout;
    CheckImageFitsData(tiff.Image.Width, tiff.Image.Height, tiff.Image.Format, data.size(), "TIFF");
    // Besides the image, a line of the file's own layout (which may hold many more samples
    // than we keep) or the RGBA raster is allocated.
    const uint64_t working = tiff.LineByLine ? uint64_t(TIFFScanlineSize64(file.Tif))
                                             : uint64_t(layout.Width) * layout.Height * 4;
    if (working == 0 || working > DecodeLimit(data.size()))
        throw EImageError("TIFF image size " + std::to_string(layout.Width) + "x" +
                          std::to_string(layout.Height) +
                          " is larger than the file's data can hold");
    TDibGraphic image = NewImageFromHeader(tiff.Image, data.size(), "TIFF");
    if (tiff.LineByLine)
        ReadLineByLine(file, layout, image);
    else
        ReadThroughRgba(file, layout, image);
    return image;
}

std::vector<uint8_t> SaveTiff(const TDibGraphic& image) {
    TBytes out;
    TTiffStream stream;
    stream.Output = &out;
    {
        TTiffFile file(stream, "w");
        if (!file.Tif)
            file.Fail("cannot create the file");
        TIFF* tif = file.Tif;
        const TImageFormat format = image.ImageFormat();
        const int width = image.Width(), height = image.Height();
        const bool trueColor = format == ifTrueColor;
        const bool palette = format == ifColor16 || format == ifColor256;
        const int bits = trueColor ? 8 : image.BitsPerPixel();

        char dateTime[32] = "";
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        std::strftime(dateTime, sizeof dateTime, "%Y:%m:%d %H:%M:%S", &local);

        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(width));
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(height));
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(bits));
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(trueColor ? 3 : 1));
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, RowsPerStrip);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_NONE));
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG));
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC,
                     uint16_t(trueColor ? PHOTOMETRIC_RGB
                              : palette ? PHOTOMETRIC_PALETTE
                                        : PHOTOMETRIC_MINISBLACK));
        TIFFSetField(tif, TIFFTAG_SOFTWARE, SoftwareName);
        TIFFSetField(tif, TIFFTAG_DATETIME, dateTime);
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, uint16_t(RESUNIT_INCH));
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, float(image.XDpi()));
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, float(image.YDpi()));
        if (palette) {
            const std::size_t entries = std::size_t(1) << bits;
            const TPalette colors = PaletteOfSize(image.Palette(), entries);
            std::vector<uint16_t> red(entries), green(entries), blue(entries);
            for (std::size_t i = 0; i < entries; ++i) {
                red[i] = uint16_t(colors[i].Red * 257);
                green[i] = uint16_t(colors[i].Green * 257);
                blue[i] = uint16_t(colors[i].Blue * 257);
            }
            TIFFSetField(tif, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
        }

        const bool invert = format == ifBlackWhite && IsInvertedBlackWhite(image.Palette());
        const std::size_t rowBytes = PackedRowBytes(width, trueColor ? 24 : bits);
        std::vector<uint8_t> line(rowBytes);
        for (int y = 0; y < height; ++y) {
            const uint8_t* row = image.ScanLine(y);
            if (trueColor) {
                for (std::size_t i = 0; i < rowBytes; i += 3) {
                    line[i] = row[i + 2];
                    line[i + 1] = row[i + 1];
                    line[i + 2] = row[i];
                }
            } else {
                for (std::size_t i = 0; i < rowBytes; ++i)
                    line[i] = invert ? uint8_t(~row[i]) : row[i];
                ClearRowPadding(line.data(), width, bits);
            }
            if (TIFFWriteScanline(tif, line.data(), uint32_t(y), 0) < 0)
                file.Fail("cannot write line " + std::to_string(y));
        }
        if (!TIFFWriteDirectory(tif))
            file.Fail("cannot write the directory");
    }
    return out;
}
