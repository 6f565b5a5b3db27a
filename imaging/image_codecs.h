// The seven image file codecs, one pair of functions per format. Each reader takes the whole
// file's bytes and returns a new image; each writer returns the whole file's bytes. Both throw
// EImageError carrying the codec's message; a failed read hands back nothing.
//
// Readers accept files from anywhere: sizes are checked against the data present and a
// hostile file gives an error, never a crash or an unbounded allocation.
//
// What each reader yields:
//   BMP, PCX, TGA, TIFF  1 bit: black and white (16 colour for a palette of other colours);
//                        2 and 4 bits: 16 shades of grey or 16 colour; 8 bits: 256 shades of
//                        grey or 256 colour (grey when the palette is the grey ramp); deeper
//                        pixels: true colour
//   PNG                  as above by colour type and depth; 16-bit samples are scaled to 8,
//                        alpha channels and transparency are dropped (colours stay as stored)
//   JPEG                 256 shades of grey (one component) or true colour (three)
//   GIF                  true colour: the frame drawn over black at its place on the screen
//
// Each reader has a header reader beside it that reads what the image would be (size, pixel
// format, palette, resolution) without decoding any pixel; the reader itself starts with it,
// so the two always agree. A header reader may be given only the start of a file
// (`wholeFile` false): when the header reaches further it throws EImageError with the text of
// a truncated file (the private EImageNeedsMoreData), and the caller reads more. It checks
// the header, not the pixel data, and applies no size limit: that is the reader's part.
//
// What each writer accepts: BMP, PCX, PNG, TIFF and GIF every pixel format (GIF reduces the
// colours to 256 first); JPEG 256 shades of grey and true colour; TGA 256 shades of grey,
// 256 colour and true colour.
#pragma once

#include "imaging/dib_graphic.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

struct TImageHeader {
    int Width = 0;
    int Height = 0;
    TImageFormat Format = ifTrueColor;
    TPalette Palette;      // empty for true colour
    int XPelsPerMeter = 0; // both 0 when the file gives no resolution (the screen's applies)
    int YPelsPerMeter = 0;
};

struct TJpegOptions {
    int Quality = 80; // 0..100
    bool Progressive = false;
};

TImageHeader ReadBmpHeader(std::span<const uint8_t> data, bool wholeFile = true);
TDibGraphic LoadBmp(std::span<const uint8_t> data);
std::vector<uint8_t> SaveBmp(const TDibGraphic& image);
// The headers and palette that SaveBmp writes: the file is these bytes and then the image's
// pixel block exactly as held (ImageSize() bytes from Bits()).
std::vector<uint8_t> BmpFileHeaders(const TDibGraphic& image);

// Reading a bitmap file without holding the file in memory. For an uncompressed file whose
// rows lie bottom-up as the image holds them (1, 4, 8 or 24 bits, no change of depth), given
// the start of the file (the headers and palette) and its size: the image LoadBmp makes of
// it, its pixels not yet read, and the offset of the pixel block in the file, which is then
// read straight into Bits() (ImageSize() bytes) and finished with FinishBmpPixelBlock.
// nullopt for any other file, and for one whose headers need more than `start`: LoadBmp
// reads those. Throws the errors LoadBmp would for an image too large.
struct TBmpPixelBlock {
    TDibGraphic Image;
    std::size_t Offset = 0;
};
std::optional<TBmpPixelBlock> PlanBmpPixelBlock(std::span<const uint8_t> start,
                                                std::size_t fileSize);
// Clears what the file may hold after each row's last pixel, as LoadBmp does.
void FinishBmpPixelBlock(TDibGraphic& image);

TImageHeader ReadPcxHeader(std::span<const uint8_t> data, bool wholeFile = true);
TDibGraphic LoadPcx(std::span<const uint8_t> data);
std::vector<uint8_t> SavePcx(const TDibGraphic& image);

TImageHeader ReadTgaHeader(std::span<const uint8_t> data, bool wholeFile = true);
TDibGraphic LoadTga(std::span<const uint8_t> data);
std::vector<uint8_t> SaveTga(const TDibGraphic& image);

TImageHeader ReadPngHeader(std::span<const uint8_t> data, bool wholeFile = true);
// 8-bit RGB and RGBA files (as screen captures are stored) are read the quick way, through
// TPngRowReader; the others, and whatever that reader declines, through libpng.
TDibGraphic LoadPng(std::span<const uint8_t> data);

// Reads an 8-bit RGB or RGBA PNG file, interlaced or not, into its rows without building the
// picture: the image data is inflated in one go (libdeflate) and unfiltered pass by pass, and
// each row is put together from the passes when it is asked for. The rows are those LoadPng
// gives. A reader keeps its buffers from file to file; while a file is read they are charged
// to the working-memory budget.
class TPngRowReader {
public:
    TPngRowReader();
    ~TPngRowReader();
    TPngRowReader(const TPngRowReader&) = delete;
    TPngRowReader& operator=(const TPngRowReader&) = delete;

    // True when the rows of `data` are ready. False for any other kind of PNG file and for
    // anything unexpected (a damaged chunk, too much or too little data, an unknown filter,
    // too little memory): LoadPng then gives libpng's verdict on the file.
    bool Read(std::span<const uint8_t> data);
    // The picture read last: its size, true colour, its resolution.
    const TImageHeader& Header() const;
    // Row y of the picture read last into `out`: Header().Width pixels, blue first, 3 bytes
    // each.
    void Row(int y, uint8_t* out) const;
    // Row y red first (as the file has it), written into `scratch` (room for a row) or held
    // in the reader: valid until the next call or Finish.
    const uint8_t* RedFirstRow(int y, uint8_t* scratch) const;
    // Done with the picture: its memory is no longer charged (large buffers are freed).
    void Finish();

private:
    struct TState;
    std::unique_ptr<TState> S;
};
std::vector<uint8_t> SavePng(const TDibGraphic& image);

TImageHeader ReadJpegHeader(std::span<const uint8_t> data, bool wholeFile = true);
TDibGraphic LoadJpeg(std::span<const uint8_t> data);
std::vector<uint8_t> SaveJpeg(const TDibGraphic& image, const TJpegOptions& options = {});

TImageHeader ReadTiffHeader(std::span<const uint8_t> data, bool wholeFile = true);
TDibGraphic LoadTiff(std::span<const uint8_t> data);
std::vector<uint8_t> SaveTiff(const TDibGraphic& image);

// `frame` counts from 1; frames before it are drawn first, as an animation shows them.
TImageHeader ReadGifHeader(std::span<const uint8_t> data, bool wholeFile = true);
TDibGraphic LoadGif(std::span<const uint8_t> data, int frame = 1);
// Reduces the image to 256 colours (see ReduceColorsForGif) and writes one LZW image.
std::vector<uint8_t> SaveGif(const TDibGraphic& image);
