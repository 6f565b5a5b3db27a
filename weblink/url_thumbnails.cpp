#include "weblink/url_thumbnails.h"

#include "imaging/fit_thumbnail.h"

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
    const TFittedThumbnail fitted =
        LoadFittedThumbnail(path, WebLinkThumbWidth, WebLinkThumbHeight);
    return ThumbnailCell(fitted.Picture, fitted.SourceWidth, fitted.SourceHeight);
}
