#include "widgets/fast_img.h"

#include "imaging/fast_dib.h"
#include "tests/imaging/test_images.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// A 24-bit BMP file of `width` x `height` pixels, colour (x * 40, y * 40, 7), written by the
// buffer itself.
QString WriteBmp(const QTemporaryDir& folder, int width, int height) {
    TFastDIB buffer;
    buffer.SetSize(width, height, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* pixel = buffer.Row(y) + 3 * x;
            pixel[0] = 7;
            pixel[1] = uint8_t(y * 40);
            pixel[2] = uint8_t(x * 40);
        }
    const QString path = folder.filePath("picture.bmp");
    buffer.SaveToFile(QFile::encodeName(path).toStdString());
    return path;
}

} // namespace

TEST(FastIMG, APictureFileFillsTheBufferAndAutoSizeFitsTheControlToIt) {
    QTemporaryDir folder;
    TFastIMG control;
    control.resize(50, 40);
    EXPECT_EQ(control.Picture(), "(None)");

    control.SetAutoSize(true);
    control.SetPicture(WriteBmp(folder, 5, 3));
    EXPECT_EQ(control.Picture(), "(TFastDIB)");
    EXPECT_EQ(control.size(), QSize(5, 3));
    ASSERT_EQ(control.ShownImage().size(), QSize(5, 3));
    EXPECT_EQ(control.ShownImage().pixel(0, 0), qRgb(0, 0, 7));
    EXPECT_EQ(control.ShownImage().pixel(4, 2), qRgb(160, 80, 7)); // the top row stays on top

    // A name that names no file empties the control, without a message.
    control.SetPicture(folder.filePath("missing.bmp"));
    EXPECT_EQ(control.Picture(), "(None)");
    EXPECT_TRUE(control.Buffer().Empty());
    EXPECT_TRUE(control.ShownImage().isNull());

    // A buffer made in memory is shown the same way.
    TFastDIB preview;
    preview.SetSize(7, 2, 24);
    for (int y = 0; y < 2; ++y)
        std::fill_n(preview.Row(y), 21, uint8_t(0));
    preview.Row(1)[3 * 6 + 2] = 200;
    control.Assign(std::move(preview));
    EXPECT_EQ(control.Picture(), "(TFastDIB)");
    EXPECT_EQ(control.size(), QSize(7, 2));
    ASSERT_EQ(control.ShownImage().size(), QSize(7, 2));
    EXPECT_EQ(control.ShownImage().pixel(6, 1), qRgb(200, 0, 0));
    EXPECT_EQ(control.ShownImage().pixel(5, 1), qRgb(0, 0, 0));
}

TEST(FastIMG, DrawsTheBuffer1To1AtTheCornerAndFillsTheRestWithItsBackground) {
    QTemporaryDir folder;
    TFastIMG control;
    QPalette palette = control.palette();
    palette.setColor(control.backgroundRole(), QColor(1, 2, 3));
    control.setPalette(palette);
    control.SetPicture(WriteBmp(folder, 4, 2));
    control.resize(10, 6); // no AutoSize: the control keeps its size
    ASSERT_EQ(control.DrawStyle(), dsDraw);
    const QImage shown = control.grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(3, 1)), QColor(120, 40, 7));
    EXPECT_EQ(QColor(shown.pixel(4, 1)), QColor(1, 2, 3));
    EXPECT_EQ(QColor(shown.pixel(0, 2)), QColor(1, 2, 3));

    // The buffer changed in place shows after Redraw.
    control.Buffer().Row(0)[0] = 255;
    control.Redraw();
    EXPECT_EQ(QColor(control.grab().toImage().pixel(0, 0)), QColor(0, 0, 255));

    // An empty control is all background.
    control.SetPicture(QString());
    EXPECT_EQ(QColor(control.grab().toImage().pixel(0, 0)), QColor(1, 2, 3));
}

TEST(FastIMG, AFileThatIsNoBmpFileThrowsAndLeavesTheControlEmpty) {
    QTemporaryDir folder;
    const QString path = folder.filePath("text.bmp");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("BM but nothing more");
    file.close();
    TFastIMG control;
    EXPECT_THROW(control.SetPicture(path), EImageError);
    EXPECT_EQ(control.Picture(), "(None)");
    EXPECT_TRUE(control.ShownImage().isNull());
}
