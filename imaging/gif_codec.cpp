// GIF files through giflib.
//
// Written: the image reduced to 256 colours (ReduceColorsForGif), one LZW-compressed image
// with a global colour table. Read: frame N drawn the way an animation shows it, over a
// black screen of the file's size: earlier frames are drawn first and disposed of as they
// ask (left, cleared to black, or restored), transparent pixels let what is below show.
#include "imaging/codec_support_p.h"
#include "imaging/image_codecs.h"
#include "imaging/octree_quantizer.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

[[noreturn]] void Fail(const std::string& message) {
    throw EImageError(message);
}

std::string GifError(int code) {
    const char* text = GifErrorString(code);
    return std::string("GIF: ") + (text ? text : "unknown error");
}

struct TGifInput {
    TByteSpan Data;
    std::size_t Position = 0;
    bool RanOut = false; // a read went past the end of the data
};

int ReadGifData(GifFileType* gif, GifByteType* target, int length) {
    auto* input = static_cast<TGifInput*>(gif->UserData);
    const std::size_t count =
        std::min(std::size_t(std::max(length, 0)), input->Data.size() - input->Position);
    if (count < std::size_t(std::max(length, 0)))
        input->RanOut = true;
    if (count == 0)
        return 0;
    std::memcpy(target, input->Data.data() + input->Position, count);
    input->Position += count;
    return int(count);
}

int WriteGifData(GifFileType* gif, const GifByteType* source, int length) {
    auto* out = static_cast<TBytes*>(gif->UserData);
    out->insert(out->end(), source, source + length);
    return length;
}

class TGifReader {
public:
    explicit TGifReader(TGifInput& input) {
        int error = 0;
        Gif = DGifOpen(&input, ReadGifData, &error);
        if (!Gif)
            Fail(GifError(error));
    }
    ~TGifReader() {
        int error = 0;
        DGifCloseFile(Gif, &error);
    }
    TGifReader(const TGifReader&) = delete;
    TGifReader& operator=(const TGifReader&) = delete;

    [[noreturn]] void Fail(const std::string& message) const { throw EImageError(message); }
    [[noreturn]] void FailWithLibraryError() const { Fail(GifError(Gif->Error)); }

    GifFileType* Gif = nullptr;
};

class TGifWriter {
public:
    explicit TGifWriter(TBytes& out) {
        int error = 0;
        Gif = EGifOpen(&out, WriteGifData, &error);
        if (!Gif)
            Fail(GifError(error));
    }
    ~TGifWriter() {
        if (Gif) {
            int error = 0;
            EGifCloseFile(Gif, &error);
        }
    }
    TGifWriter(const TGifWriter&) = delete;
    TGifWriter& operator=(const TGifWriter&) = delete;

    void Close() {
        int error = 0;
        const int result = EGifCloseFile(Gif, &error);
        Gif = nullptr;
        if (result != GIF_OK)
            Fail(GifError(error));
    }

    GifFileType* Gif = nullptr;
};

struct TColorMapDeleter {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

// Where the frame about to be drawn lies on the screen, clipped to it.
struct TFrame {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    int Disposal = DISPOSAL_UNSPECIFIED;
    int Transparent = NO_TRANSPARENT_COLOR;
};

void DrawFrameRow(TDibGraphic& canvas, const TFrame& frame, int frameRow,
                  const std::vector<uint8_t>& indices, const uint8_t (*colors)[3], int colorCount) {
    const int y = frame.Top + frameRow;
    if (y < 0 || y >= canvas.Height())
        return;
    uint8_t* row = canvas.ScanLine(y);
    for (int i = 0; i < frame.Width; ++i) {
        const int x = frame.Left + i;
        if (x >= canvas.Width())
            break;
        const int index = indices[std::size_t(i)];
        if (index == frame.Transparent)
            continue;
        static const uint8_t black[3] = {0, 0, 0};
        const uint8_t* color = index < colorCount ? colors[index] : black;
        std::memcpy(row + std::size_t(x) * 3, color, 3);
    }
}

// The part of the screen a frame covers, as byte ranges of canvas rows.
struct TFrameArea {
    int Top = 0, Bottom = 0;           // canvas rows
    std::size_t Start = 0, Length = 0; // bytes within a row
};

TFrameArea AreaOnCanvas(const TDibGraphic& canvas, const TFrame& frame) {
    TFrameArea area;
    area.Top = std::min(frame.Top, canvas.Height());
    area.Bottom = std::min(frame.Top + frame.Height, canvas.Height());
    const int left = std::min(frame.Left, canvas.Width());
    const int right = std::min(frame.Left + frame.Width, canvas.Width());
    area.Start = std::size_t(left) * 3;
    area.Length = std::size_t(right - left) * 3;
    return area;
}

void SaveFrameArea(const TDibGraphic& canvas, const TFrameArea& area,
                   TBudgetVector<uint8_t>& saved) {
    saved.clear();
    for (int y = area.Top; y < area.Bottom; ++y) {
        const uint8_t* row = canvas.ScanLine(y) + area.Start;
        saved.insert(saved.end(), row, row + area.Length);
    }
}

void RestoreFrameArea(TDibGraphic& canvas, const TFrameArea& area,
                      const TBudgetVector<uint8_t>* saved) {
    for (int y = area.Top; y < area.Bottom; ++y) {
        uint8_t* row = canvas.ScanLine(y) + area.Start;
        if (saved)
            std::copy_n(saved->data() + std::size_t(y - area.Top) * area.Length, area.Length, row);
        else
            std::fill_n(row, area.Length, uint8_t(0));
    }
}

// Every frame is drawn on a true-colour screen of the size the file gives.
TImageHeader HeaderOf(const GifFileType& gif) {
    if (gif.SWidth <= 0 || gif.SHeight <= 0)
        Fail("GIF image has an invalid size " + std::to_string(gif.SWidth) + "x" +
             std::to_string(gif.SHeight));
    TImageHeader header;
    header.Width = gif.SWidth;
    header.Height = gif.SHeight;
    header.Format = ifTrueColor;
    return header;
}

} // namespace

TImageHeader ReadGifHeader(std::span<const uint8_t> data, bool wholeFile) {
    TGifInput input;
    input.Data = data;
    try {
        TGifReader reader(input);
        return HeaderOf(*reader.Gif);
    } catch (const EImageError& error) {
        if (input.RanOut && !wholeFile)
            throw EImageNeedsMoreData(error.what());
        throw;
    }
}

TDibGraphic LoadGif(std::span<const uint8_t> data, int frameNumber) {
    if (frameNumber < 1)
        Fail("Invalid GIF frame number " + std::to_string(frameNumber));
    TGifInput input;
    input.Data = data;
    TGifReader reader(input);
    GifFileType* gif = reader.Gif;
    TDibGraphic canvas = NewImageFromHeader(HeaderOf(*gif), data.size(), "GIF");
    TBudgetVector<uint8_t> saved; // what a frame that restores the screen afterwards covered
    TFrame frame;
    std::vector<uint8_t> indices;
    int framesSeen = 0;
    for (;;) {
        GifRecordType record;
        if (DGifGetRecordType(gif, &record) != GIF_OK)
            reader.FailWithLibraryError();
        if (record == TERMINATE_RECORD_TYPE)
            break;
        if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) != GIF_OK)
                reader.FailWithLibraryError();
            if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
                GraphicsControlBlock control;
                DGifExtensionToGCB(block[0], block + 1, &control);
                frame.Disposal = control.DisposalMode;
                frame.Transparent = control.TransparentColor;
            }
            while (block) {
                if (DGifGetExtensionNext(gif, &block) != GIF_OK)
                    reader.FailWithLibraryError();
            }
            continue;
        }
        if (record != IMAGE_DESC_RECORD_TYPE)
            continue;

        if (DGifGetImageDesc(gif) != GIF_OK)
            reader.FailWithLibraryError();
        ++framesSeen;
        const GifImageDesc& desc = gif->Image;
        frame.Left = desc.Left;
        frame.Top = desc.Top;
        frame.Width = desc.Width;
        frame.Height = desc.Height;
        if (frame.Width > 0 && frame.Height > 0)
            CheckImageFitsData(frame.Width, frame.Height, ifColor256, data.size(), "GIF");

        const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
        uint8_t colors[256][3] = {};
        int colorCount = 256;
        if (map && map->Colors) {
            colorCount = std::min(map->ColorCount, 256);
            for (int i = 0; i < colorCount; ++i) {
                colors[i][0] = map->Colors[i].Blue;
                colors[i][1] = map->Colors[i].Green;
                colors[i][2] = map->Colors[i].Red;
            }
        } else {
            for (int i = 0; i < 256; ++i) // no colour table at all: show the indices as grey
                colors[i][0] = colors[i][1] = colors[i][2] = uint8_t(i);
        }

        const bool last = framesSeen == frameNumber;
        const TFrameArea area = AreaOnCanvas(canvas, frame);
        if (!last && frame.Disposal == DISPOSE_PREVIOUS)
            SaveFrameArea(canvas, area, saved);
        indices.assign(std::size_t(frame.Width), 0);
        // Interlaced frames send rows 0, 8, 16, ..., then 4, 12, ..., then 2, 6, ..., then 1, 3,
        // ...
        static const int passStart[] = {0, 4, 2, 1}, passStep[] = {8, 8, 4, 2};
        const int passes = desc.Interlace ? 4 : 1;
        for (int pass = 0; pass < passes; ++pass) {
            const int start = desc.Interlace ? passStart[pass] : 0;
            const int step = desc.Interlace ? passStep[pass] : 1;
            for (int j = start; j < frame.Height; j += step) {
                if (DGifGetLine(gif, indices.data(), frame.Width) != GIF_OK)
                    reader.FailWithLibraryError();
                DrawFrameRow(canvas, frame, j, indices, colors, colorCount);
            }
        }
        if (last)
            break;
        if (frame.Disposal == DISPOSE_BACKGROUND)
            RestoreFrameArea(canvas, area, nullptr);
        else if (frame.Disposal == DISPOSE_PREVIOUS)
            RestoreFrameArea(canvas, area, &saved);
        frame = TFrame();
    }
    if (framesSeen < frameNumber)
        Fail(framesSeen == 0 ? std::string("GIF file holds no image")
                             : "GIF file has no frame " + std::to_string(frameNumber));
    return canvas;
}

std::vector<uint8_t> SaveGif(const TDibGraphic& image) {
    const int width = image.Width(), height = image.Height();
    if (width > 65535 || height > 65535)
        Fail("Image is too large for a GIF file");
    const TDibGraphic reduced = ReduceColorsForGif(image);

    GifColorType colors[256];
    const TPalette& palette = reduced.Palette();
    for (std::size_t i = 0; i < 256; ++i)
        colors[i] = {palette[i].Red, palette[i].Green, palette[i].Blue};
    std::unique_ptr<ColorMapObject, TColorMapDeleter> map(GifMakeMapObject(256, colors));
    if (!map)
        Fail("GIF: out of memory");

    TBytes out;
    TGifWriter writer(out);
    if (EGifPutScreenDesc(writer.Gif, width, height, 8, 0, map.get()) != GIF_OK ||
        EGifPutImageDesc(writer.Gif, 0, 0, width, height, false, nullptr) != GIF_OK)
        Fail(GifError(writer.Gif->Error));
    // giflib masks the pixels of the line it is given, so it gets a copy.
    std::vector<GifPixelType> line(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        std::copy_n(reduced.ScanLine(y), width, line.begin());
        if (EGifPutLine(writer.Gif, line.data(), width) != GIF_OK)
            Fail(GifError(writer.Gif->Error));
    }
    writer.Close();
    return out;
}
