#include "platform/dib_qimage.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace {

QList<QRgb> ColorTableOf(const TPalette& palette) {
    QList<QRgb> table;
    table.reserve(qsizetype(palette.size()));
    for (const TPaletteEntry& entry : palette)
        table.append(qRgb(entry.Red, entry.Green, entry.Blue));
    return table;
}

// A colour table as a palette. Translucent entries are composed over black, as the pixels
// of a true-colour picture are.
TPalette PaletteOf(const QList<QRgb>& table) {
    TPalette palette;
    palette.reserve(std::size_t(std::min<qsizetype>(table.size(), 256)));
    for (qsizetype i = 0; i < table.size() && i < 256; ++i) {
        const QRgb color = qPremultiply(table[i]);
        palette.push_back({uint8_t(qRed(color)), uint8_t(qGreen(color)), uint8_t(qBlue(color))});
    }
    return palette;
}

// An image of the QImage's size in `format`, carrying its resolution (the screen's when the
// QImage has none).
TDibGraphic NewImageFor(const QImage& source, TImageFormat format, const TPalette* palette) {
    TDibGraphic image;
    image.NewImage(source.width(), source.height(), format, palette);
    if (source.dotsPerMeterX() > 0 && source.dotsPerMeterY() > 0)
        image.SetPelsPerMeter(source.dotsPerMeterX(), source.dotsPerMeterY());
    return image;
}

TDibGraphic MonoToDib(const QImage& mono) {
    TPalette palette = PaletteOf(mono.colorTable());
    if (palette.size() < 2)
        palette = DefaultPalette(ifBlackWhite);
    TDibGraphic image = NewImageFor(mono, ifBlackWhite, &palette);
    // Both hold rows of bits, leftmost pixel in the high bit, padded to 32 bits.
    const std::size_t bytes = (std::size_t(mono.width()) + 7) / 8;
    for (int y = 0; y < mono.height(); ++y)
        std::memcpy(image.ScanLine(y), mono.constScanLine(y), bytes);
    return image;
}

TDibGraphic Indexed8ToDib(const QImage& indexed) {
    // Qt reads an indexed image without a colour table as a grey ramp.
    TPalette palette =
        indexed.colorCount() > 0 ? PaletteOf(indexed.colorTable()) : DefaultPalette(ifGray256);
    const int width = indexed.width(), height = indexed.height();
    bool fitsInNibbles = palette.size() <= 16;
    for (int y = 0; y < height && fitsInNibbles; ++y) {
        const uchar* row = indexed.constScanLine(y);
        fitsInNibbles = std::all_of(row, row + width, [](uchar index) { return index < 16; });
    }

    TDibGraphic image = NewImageFor(indexed, fitsInNibbles ? ifColor16 : ifColor256, &palette);
    for (int y = 0; y < height; ++y) {
        const uchar* in = indexed.constScanLine(y);
        uint8_t* out = image.ScanLine(y);
        if (!fitsInNibbles) {
            std::memcpy(out, in, std::size_t(width));
            continue;
        }
        for (int x = 0; x + 1 < width; x += 2)
            out[x / 2] = uint8_t(in[x] << 4 | in[x + 1]);
        if (width % 2)
            out[width / 2] = uint8_t(in[width - 1] << 4);
    }
    return image;
}

TDibGraphic Grayscale8ToDib(const QImage& gray) {
    TDibGraphic image = NewImageFor(gray, ifGray256, nullptr);
    for (int y = 0; y < gray.height(); ++y)
        std::memcpy(image.ScanLine(y), gray.constScanLine(y), std::size_t(gray.width()));
    return image;
}

// Formats whose rows this file reads directly; every other one is converted first.
TDibGraphic TrueColorToDib(const QImage& source) {
    QImage picture = source;
    switch (source.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32_Premultiplied: // premultiplied = already composed over black
    case QImage::Format_RGB888:
    case QImage::Format_BGR888:
        break;
    default:
        picture = source.convertToFormat(
            source.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
        break;
    }

    TDibGraphic image = NewImageFor(source, ifTrueColor, nullptr);
    const int width = picture.width();
    for (int y = 0; y < picture.height(); ++y) {
        uint8_t* out = image.ScanLine(y);
        if (picture.format() == QImage::Format_BGR888) {
            std::memcpy(out, picture.constScanLine(y), std::size_t(width) * 3);
        } else if (picture.format() == QImage::Format_RGB888) {
            const uchar* in = picture.constScanLine(y);
            for (int x = 0; x < width; ++x, in += 3, out += 3) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
            }
        } else {
            const auto* in = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
            for (int x = 0; x < width; ++x, out += 3) {
                out[0] = uint8_t(qBlue(in[x]));
                out[1] = uint8_t(qGreen(in[x]));
                out[2] = uint8_t(qRed(in[x]));
            }
        }
    }
    return image;
}

// One row of blue, green, red bytes as opaque 32-bit pixels. On little-endian machines four
// pixels at a time: the bytes of a pixel, read as a number, already are 0x..RRGGBB.
void BgrToRgb32(const uint8_t* in, int width, QRgb* out) {
    int x = 0;
    if constexpr (std::endian::native == std::endian::little) {
        for (; x + 4 <= width; x += 4, in += 12) {
            uint32_t word[3];
            std::memcpy(word, in, sizeof word);
            out[x] = word[0] | 0xFF000000u;
            out[x + 1] = (word[0] >> 24) | (word[1] << 8) | 0xFF000000u;
            out[x + 2] = (word[1] >> 16) | (word[2] << 16) | 0xFF000000u;
            out[x + 3] = (word[2] >> 8) | 0xFF000000u;
        }
    }
    for (; x < width; ++x, in += 3)
        out[x] = qRgb(in[2], in[1], in[0]);
}

} // namespace

QImage DibToQImage(const TDibGraphic& image) {
    if (image.Empty())
        return {};
    const int width = image.Width(), height = image.Height();
    QImage result;
    switch (image.ImageFormat()) {
    case ifBlackWhite: {
        result = QImage(width, height, QImage::Format_Mono);
        QList<QRgb> table = ColorTableOf(image.Palette());
        // Every bit must name an entry; a raster always has both, this only guards.
        for (const QRgb fallback : {qRgb(0, 0, 0), qRgb(255, 255, 255)})
            if (table.size() < 2)
                table.append(fallback);
        result.setColorTable(table);
        const std::size_t bytes = (std::size_t(width) + 7) / 8;
        for (int y = 0; y < height; ++y)
            std::memcpy(result.scanLine(y), image.ScanLine(y), bytes);
        break;
    }
    case ifGray16:
    case ifColor16:
        result = QImage(width, height, QImage::Format_Indexed8);
        result.setColorTable(ColorTableOf(image.Palette()));
        for (int y = 0; y < height; ++y) {
            const uint8_t* in = image.ScanLine(y);
            uchar* out = result.scanLine(y);
            for (int x = 0; x < width; ++x)
                out[x] = (x & 1) ? (in[x / 2] & 0x0F) : (in[x / 2] >> 4);
        }
        break;
    case ifGray256:
    case ifColor256:
        result = QImage(width, height, QImage::Format_Indexed8);
        result.setColorTable(ColorTableOf(image.Palette()));
        for (int y = 0; y < height; ++y)
            std::memcpy(result.scanLine(y), image.ScanLine(y), std::size_t(width));
        break;
    case ifTrueColor:
        result = QImage(width, height, QImage::Format_RGB32);
        for (int y = 0; y < height; ++y)
            BgrToRgb32(image.ScanLine(y), width, reinterpret_cast<QRgb*>(result.scanLine(y)));
        break;
    }
    if (result.isNull())
        throw EImageError("Image too large: " + std::to_string(width) + "x" +
                          std::to_string(height));
    result.setDotsPerMeterX(image.XPelsPerMeter());
    result.setDotsPerMeterY(image.YPelsPerMeter());
    return result;
}

TDibGraphic QImageToDib(const QImage& image) {
    if (image.isNull())
        return {};
    switch (image.format()) {
    case QImage::Format_Mono:
        return MonoToDib(image);
    case QImage::Format_MonoLSB:
        return MonoToDib(image.convertToFormat(QImage::Format_Mono));
    case QImage::Format_Indexed8:
        return Indexed8ToDib(image);
    case QImage::Format_Grayscale8:
        return Grayscale8ToDib(image);
    default:
        return TrueColorToDib(image);
    }
}

TDibGraphic QImageToTrueColorDib(const QImage& image) {
    if (image.isNull())
        return {};
    return TrueColorToDib(image);
}
