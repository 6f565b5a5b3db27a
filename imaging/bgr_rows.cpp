#include "imaging/bgr_rows_p.h"

#include "imaging/true_color.h"

#include <cstring>

const TDibGraphic& AsTrueColor(const TDibGraphic& image, TDibGraphic& expanded) {
    if (image.ImageFormat() == ifTrueColor)
        return image;
    expanded = ExpandToTrueColor(image);
    return expanded;
}

TBgrRowWriter::TBgrRowWriter(TDibGraphic& image) : Image_(image) {
    if (image.ImageFormat() != ifTrueColor)
        Matcher_.emplace(image.Palette());
}

void TBgrRowWriter::Write(int y, const uint8_t* bgr) {
    const int width = Image_.Width();
    if (width == 0)
        return;
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
