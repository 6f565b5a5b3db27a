#include "platform/dib_qimage.h"

#include "tests/imaging/image_test_support.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

::testing::AssertionResult SameQImagePixels(const TDibGraphic& expected, const QImage& actual) {
    if (expected.Width() != actual.width() || expected.Height() != actual.height())
        return ::testing::AssertionFailure() << "size " << actual.width() << "x" << actual.height();
    for (int y = 0; y < expected.Height(); ++y)
        for (int x = 0; x < expected.Width(); ++x)
            if ((actual.pixel(x, y) & 0xFFFFFF) != expected.Pixel(x, y))
                return ::testing::AssertionFailure()
                       << "pixel " << x << "," << y << " is " << std::hex << actual.pixel(x, y)
                       << ", expected " << expected.Pixel(x, y);
    return ::testing::AssertionSuccess();
}

struct TRoundTrip {
    TImageFormat Format;
    QImage::Format QtFormat;
    // QImage has no 4-bit formats and no grey palette formats: grey palettes come back as
    // colour palettes of the same entries.
    TImageFormat BackFormat;
};

class DibQImageRoundTrip : public ::testing::TestWithParam<TRoundTrip> {};

TEST_P(DibQImageRoundTrip, KeepsPixelsPaletteAndResolution) {
    const TRoundTrip& c = GetParam();
    // An odd width, so the padding of 1-bit and 4-bit rows matters.
    TDibGraphic original = PatternImage(c.Format, 13, 7);
    original.SetPelsPerMeter(11811, 5906);

    const QImage qimage = DibToQImage(original);
    EXPECT_EQ(qimage.format(), c.QtFormat);
    EXPECT_TRUE(SameQImagePixels(original, qimage));
    EXPECT_EQ(qimage.dotsPerMeterX(), 11811);
    EXPECT_EQ(qimage.dotsPerMeterY(), 5906);

    const TDibGraphic back = QImageToDib(qimage);
    EXPECT_EQ(back.ImageFormat(), c.BackFormat);
    EXPECT_EQ(back.Palette(), original.Palette());
    EXPECT_TRUE(SamePixels(original, back));
    EXPECT_EQ(back.XPelsPerMeter(), 11811);
    EXPECT_EQ(back.YPelsPerMeter(), 5906);
}

INSTANTIATE_TEST_SUITE_P(
    EveryPixelFormat, DibQImageRoundTrip,
    ::testing::Values(TRoundTrip{ifBlackWhite, QImage::Format_Mono, ifBlackWhite},
                      TRoundTrip{ifGray16, QImage::Format_Indexed8, ifColor16},
                      TRoundTrip{ifGray256, QImage::Format_Indexed8, ifColor256},
                      TRoundTrip{ifColor16, QImage::Format_Indexed8, ifColor16},
                      TRoundTrip{ifColor256, QImage::Format_Indexed8, ifColor256},
                      TRoundTrip{ifTrueColor, QImage::Format_RGB32, ifTrueColor}));

TEST(DibToQImage, BlackWhiteKeepsAnInvertedPalette) {
    const TPalette inverted{{255, 255, 255}, {0, 0, 0}};
    TDibGraphic image;
    image.NewImage(9, 2, ifBlackWhite, &inverted);
    image.SetPixelIndex(8, 1, 1);
    const QImage qimage = DibToQImage(image);
    EXPECT_EQ(qimage.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(qimage.pixel(8, 1), qRgb(0, 0, 0));
}

TEST(DibToQImage, EmptyRasterGivesNullImage) {
    EXPECT_TRUE(DibToQImage(TDibGraphic()).isNull());
    EXPECT_TRUE(QImageToDib(QImage()).Empty());
    EXPECT_TRUE(QImageToTrueColorDib(QImage()).Empty());
}

QImage IndexedImage(int width, int height, const QList<QRgb>& table,
                    const std::function<int(int, int)>& index) {
    QImage image(width, height, QImage::Format_Indexed8);
    image.setColorTable(table);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.scanLine(y)[x] = uchar(index(x, y)); // setPixel refuses indices past the table
    return image;
}

QList<QRgb> Ramp(int entries) {
    QList<QRgb> table;
    for (int i = 0; i < entries; ++i)
        table.append(qRgb(i, 255 - i, (i * 7) & 255));
    return table;
}

TEST(QImageToDib, IndexedImagesBecome16ColorOnlyWhenEveryPixelFitsIn4Bits) {
    struct TCase {
        const char* Name;
        int Entries;
        int LargestIndex;
        TImageFormat Expected;
    } cases[] = {
        {"two colours", 2, 1, ifColor16},
        {"sixteen colours", 16, 15, ifColor16},
        {"seventeen colours", 17, 16, ifColor256},
        // An index past the colour table still needs 8 bits to be kept as it is.
        {"small table, large index", 4, 200, ifColor256},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const QImage qimage =
            IndexedImage(5, 3, Ramp(c.Entries), [&](int x, int y) { return (x + y * 5) % 3; });
        QImage withLargest = qimage;
        withLargest.scanLine(2)[4] = uchar(c.LargestIndex);
        const TDibGraphic image = QImageToDib(withLargest);
        EXPECT_EQ(image.ImageFormat(), c.Expected);
        EXPECT_EQ(image.Palette().size(), std::size_t(c.Entries));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(image.PixelIndex(x, y), withLargest.constScanLine(y)[x]);
    }
}

TEST(QImageToDib, TransparencyIsComposedOverBlack) {
    QImage argb(3, 1, QImage::Format_ARGB32);
    argb.setPixel(0, 0, qRgba(200, 100, 50, 255));
    argb.setPixel(1, 0, qRgba(200, 100, 50, 0));
    argb.setPixel(2, 0, qRgba(200, 100, 50, 128));
    const TDibGraphic image = QImageToDib(argb);
    ASSERT_EQ(image.ImageFormat(), ifTrueColor);
    EXPECT_EQ(image.Pixel(0, 0), MakeColor(200, 100, 50));
    EXPECT_EQ(image.Pixel(1, 0), 0u);
    const uint32_t half = image.Pixel(2, 0);
    EXPECT_NEAR(ColorRed(half), 100, 1);
    EXPECT_NEAR(ColorGreen(half), 50, 1);
    EXPECT_NEAR(ColorBlue(half), 25, 1);

    // A translucent colour-table entry as well.
    const QImage indexed = IndexedImage(1, 1, {qRgba(200, 100, 50, 0)}, [](int, int) { return 0; });
    EXPECT_EQ(QImageToDib(indexed).Pixel(0, 0), 0u);
}

TEST(QImageToDib, ReadsEveryTrueColorLayoutInItsChannelOrder) {
    const QImage::Format formats[] = {QImage::Format_RGB32,  QImage::Format_ARGB32_Premultiplied,
                                      QImage::Format_RGB888, QImage::Format_BGR888,
                                      QImage::Format_RGB16,  QImage::Format_RGBA8888};
    for (const QImage::Format format : formats) {
        SCOPED_TRACE(int(format));
        QImage qimage(2, 2, format);
        qimage.fill(Qt::black);
        qimage.setPixel(0, 0, qRgb(255, 0, 0));
        qimage.setPixel(1, 0, qRgb(0, 255, 0));
        qimage.setPixel(0, 1, qRgb(0, 0, 255));
        const TDibGraphic image = QImageToDib(qimage);
        ASSERT_EQ(image.ImageFormat(), ifTrueColor);
        EXPECT_EQ(image.Pixel(0, 0), MakeColor(255, 0, 0));
        EXPECT_EQ(image.Pixel(1, 0), MakeColor(0, 255, 0));
        EXPECT_EQ(image.Pixel(0, 1), MakeColor(0, 0, 255));
        EXPECT_EQ(image.Pixel(1, 1), 0u);
    }
}

TEST(QImageToDib, GreyAndLsbFirstImagesKeepTheirDepth) {
    QImage gray(3, 2, QImage::Format_Grayscale8);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            gray.scanLine(y)[x] = uchar(x * 100 + y);
    const TDibGraphic grayImage = QImageToDib(gray);
    EXPECT_EQ(grayImage.ImageFormat(), ifGray256);
    EXPECT_EQ(grayImage.Pixel(2, 1), MakeColor(201, 201, 201));

    TDibGraphic bits = PatternImage(ifBlackWhite, 11, 3);
    const QImage lsb = DibToQImage(bits).convertToFormat(QImage::Format_MonoLSB);
    const TDibGraphic back = QImageToDib(lsb);
    EXPECT_EQ(back.ImageFormat(), ifBlackWhite);
    EXPECT_TRUE(SamePixels(bits, back));
}

TEST(QImageToTrueColorDib, DrawsPaletteImagesOverBlack) {
    const QImage indexed = IndexedImage(2, 1, {qRgb(10, 20, 30), qRgba(255, 255, 255, 0)},
                                        [](int x, int) { return x; });
    const TDibGraphic image = QImageToTrueColorDib(indexed);
    EXPECT_EQ(image.ImageFormat(), ifTrueColor);
    EXPECT_EQ(image.Pixel(0, 0), MakeColor(10, 20, 30));
    EXPECT_EQ(image.Pixel(1, 0), 0u);
}

} // namespace
