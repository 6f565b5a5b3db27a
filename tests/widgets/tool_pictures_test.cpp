#include "widgets/tool_pictures.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

struct TPixelCount {
    int Opaque = 0;
    int Coloured = 0; // red, green and blue not all equal
};

TPixelCount Count(const QPixmap& pixmap) {
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    TPixelCount count;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) < 128)
                continue;
            ++count.Opaque;
            count.Coloured += qRed(pixel) != qGreen(pixel) || qGreen(pixel) != qBlue(pixel);
        }
    return count;
}

} // namespace

TEST(ToolPictures, EachButtonHasAGreyAndAColouredPictureOfTheSameShape) {
    for (TToolPicture picture :
         {TToolPicture::Save, TToolPicture::Delete, TToolPicture::Print, TToolPicture::Email,
          TToolPicture::Copy, TToolPicture::Paste, TToolPicture::Thumbnails, TToolPicture::Editor,
          TToolPicture::WebLink}) {
        const QIcon icon = ToolIcon(picture);
        const QPixmap grey = icon.pixmap(ToolPictureSize, QIcon::Normal);
        const QPixmap coloured = icon.pixmap(ToolPictureSize, QIcon::Active);
        EXPECT_EQ(grey.size(), QSize(50, 48));
        EXPECT_EQ(coloured.size(), QSize(50, 48));
        const TPixelCount greyCount = Count(grey), colouredCount = Count(coloured);
        EXPECT_GT(colouredCount.Opaque, 50 * 48 / 5) << int(picture);
        EXPECT_GT(colouredCount.Coloured, 50) << int(picture);
        EXPECT_EQ(greyCount.Opaque, colouredCount.Opaque) << int(picture);
        EXPECT_EQ(greyCount.Coloured, 0) << int(picture);
    }
}

TEST(ToolPictures, TheSavedRowPictureIsASmallDiskette) {
    EXPECT_EQ(SavedRowPicture().size(), QSize(16, 16));
    EXPECT_GT(Count(SavedRowPicture()).Coloured, 16 * 16 / 3);
    EXPECT_EQ(UnsavedRowPicture().size(), QSize(16, 16));
    EXPECT_EQ(Count(UnsavedRowPicture()).Opaque, 0);
}
