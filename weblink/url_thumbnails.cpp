#include "weblink/url_thumbnails.h"

#include "imaging/fit_thumbnail.h"
#include "imaging/format_registry.h"

namespace {

// The cell picture of a picture of `width` x `height` fitted as `fitted`.
QImage ThumbnailCell(const TDibGraphic& fitted, int width, int height) {
    const TThumbnailPlacement place =
        FitThumbnailSize(width, height, WebLinkThumbWidth, WebLinkThumbHeight);
    QImage cell(WebLinkThumbWidth, WebLinkThumbHeight, QImage::Format_RGB32);
    cell.fill(Qt::white);
    // The fitted picture is 24-bit, blue first; the cell 0xffRRGGBB.
    for (int y = 0; y < fitted.Height(); ++y) {
        const uint8_t* in = fitted.ScanLine(y);
        auto* out = reinterpret_cast<QRgb*>(cell.scanLine(place.Top + y)) + place.Left;
        for (int x = 0; x < fitted.Width(); ++x, in += 3)
            out[x] = qRgb(in[2], in[1], in[0]);
    }
    return cell;
}

} // namespace

QImage WebLinkThumbnail(const TDibGraphic& picture) {
    return ThumbnailCell(FitThumbnail(picture, WebLinkThumbWidth, WebLinkThumbHeight),
                         picture.Width(), picture.Height());
}

QImage LoadWebLinkThumbnail(const std::string& path) {
    const TImageFileFormat& format = ImageFileFormatOf(path);
    if (format.Codec != TImageCodec::Png)
        return WebLinkThumbnail(LoadImageFile(path));
    // Screen captures stored as PNG are fitted straight from the file's rows, without the
    // whole picture in memory: the same cell, in a fraction of the time and memory. Each
    // thread keeps its reader, whose buffers then serve picture after picture.
    const TBudgetVector<uint8_t> data = ReadImageFileData(path);
    thread_local TPngRowReader reader;
    if (!reader.Read(data))
        return WebLinkThumbnail(DecodeImage(data, TImageCodec::Png));
    struct TFinish {
        TPngRowReader& Reader;
        ~TFinish() { Reader.Finish(); }
    } finish{reader};
    const TImageHeader& header = reader.Header();
    const TRowSource rows{header.Width, header.Height, true,
                          [](int y, uint8_t* scratch) { return reader.RedFirstRow(y, scratch); }};
    return ThumbnailCell(FitThumbnail(rows, WebLinkThumbWidth, WebLinkThumbHeight), header.Width,
                         header.Height);
}
