#include "imaging/bgr_rows_p.h"

#include <cstring>

TBgrRowReader::TBgrRowReader(const TDibGraphic& image) : Image_(image) {
    const auto& palette = image.Palette();
    for (std::size_t i = 0; i < palette.size() && i < 256; ++i)
        Colors_[i] = {palette[i].Blue, palette[i].Green, palette[i].Red};
    if (image.ImageFormat() != ifTrueColor)
        Buffer_.resize(std::size_t(image.Width()) * 3);
}

const uint8_t* TBgrRowReader::Row(int y) {
    const uint8_t* row = Image_.ScanLine(y);
    const int width = Image_.Width();
    uint8_t* out = Buffer_.data();
    switch (Image_.ImageFormat()) {
    case ifTrueColor:
        return row;
    case ifGray256:
    case ifColor256:
        for (int x = 0; x < width; ++x)
            std::memcpy(out + 3 * x, Colors_[row[x]].data(), 3);
        break;
    case ifGray16:
    case ifColor16:
        for (int x = 0; x < width; ++x) {
            const int index = (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
            std::memcpy(out + 3 * x, Colors_[index].data(), 3);
        }
        break;
    case ifBlackWhite:
        for (int x = 0; x < width; ++x) {
            const int index = (row[x >> 3] >> (7 - (x & 7))) & 1;
            std::memcpy(out + 3 * x, Colors_[index].data(), 3);
        }
        break;
    }
    return out;
}

TBgrRowWriter::TBgrRowWriter(TDibGraphic& image) : Image_(image) {
    if (image.ImageFormat() != ifTrueColor)
        Matcher_.emplace(image.Palette());
}

void TBgrRowWriter::Write(int y, const uint8_t* bgr) {
    const int width = Image_.Width();
    uint8_t* row = Image_.ScanLine(y);
    if (Image_.ImageFormat() == ifTrueColor) {
        std::memcpy(row, bgr, std::size_t(width) * 3);
        return;
    }
    if (Image_.BitsPerPixel() == 8) {
        for (int x = 0; x < width; ++x, bgr += 3)
            row[x] = uint8_t(Matcher_->Nearest(bgr[2], bgr[1], bgr[0]));
        return;
    }
    for (int x = 0; x < width; ++x, bgr += 3)
        Image_.SetPixelIndex(x, y, Matcher_->Nearest(bgr[2], bgr[1], bgr[0]));
}
