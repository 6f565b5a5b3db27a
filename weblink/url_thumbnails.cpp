#include "weblink/url_thumbnails.h"

#include "imaging/fit_thumbnail.h"
#include "imaging/format_registry.h"

QImage WebLinkThumbnail(const TDibGraphic& picture) {
    const TDibGraphic fitted = FitThumbnail(picture, WebLinkThumbWidth, WebLinkThumbHeight);
    const TThumbnailPlacement place =
        FitThumbnailSize(picture.Width(), picture.Height(), WebLinkThumbWidth, WebLinkThumbHeight);
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

QImage LoadWebLinkThumbnail(const std::string& path) {
    return WebLinkThumbnail(LoadImageFile(path));
}
