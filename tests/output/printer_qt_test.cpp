// The real printer writing PDF files ("Print to file"): the layouts' pictures land where the
// layouts put them, read back from the file by rasterising it with pdftoppm.
#include "output/print_layouts.h"
#include "platform/printer.h"
#include "tests/imaging/test_images.h"
#include "tests/output/fake_print_host.h"

#include <QDir>
#include <QFontMetrics>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

constexpr int RasterDpi = 50;

// The page of a PDF file as pdftoppm draws it at RasterDpi.
QImage Rasterise(const QString& pdf, int page = 1) {
    const QString prefix = pdf + "-raster";
    QProcess pdftoppm;
    pdftoppm.start("pdftoppm",
                   {"-png", "-r", QString::number(RasterDpi), "-f", QString::number(page), "-l",
                    QString::number(page), "-singlefile", pdf, prefix});
    EXPECT_TRUE(pdftoppm.waitForFinished(60000));
    EXPECT_EQ(pdftoppm.exitCode(), 0) << pdftoppm.readAllStandardError().toStdString();
    return QImage(prefix + ".png");
}

int PageCount(const QString& pdf) {
    QProcess pdfinfo;
    pdfinfo.start("pdfinfo", {pdf});
    EXPECT_TRUE(pdfinfo.waitForFinished(60000));
    for (const QString& line : QString::fromUtf8(pdfinfo.readAllStandardOutput()).split('\n'))
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    return -1;
}

bool IsRed(QRgb pixel) {
    return qRed(pixel) > 200 && qGreen(pixel) < 60 && qBlue(pixel) < 60;
}
bool IsWhite(QRgb pixel) {
    return qRed(pixel) > 240 && qGreen(pixel) > 240 && qBlue(pixel) > 240;
}

// The smallest rectangle holding every red pixel.
QRect RedArea(const QImage& page) {
    QRect area;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (IsRed(page.pixel(x, y)))
                area |= QRect(x, y, 1, 1);
    return area;
}

class RealPrinter : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Folder.isValid());
        Pdf = Folder.filePath("out.pdf");
        Printer.SelectPdfFile(Pdf);
    }
    // A rectangle of the printable area (device pixels) on the raster of the page.
    QRect OnRaster(const QRect& rect) {
        const double x = double(RasterDpi) / Printer.XResolution();
        const double y = double(RasterDpi) / Printer.YResolution();
        return QRect(QPoint(int((Printer.OffsetX() + rect.left()) * x),
                            int((Printer.OffsetY() + rect.top()) * y)),
                     QPoint(int((Printer.OffsetX() + rect.right() + 1) * x) - 1,
                            int((Printer.OffsetY() + rect.bottom() + 1) * y) - 1));
    }
    static void ExpectNear(const QRect& found, const QRect& expected) {
        EXPECT_NEAR(found.left(), expected.left(), 2);
        EXPECT_NEAR(found.top(), expected.top(), 2);
        EXPECT_NEAR(found.right(), expected.right(), 2);
        EXPECT_NEAR(found.bottom(), expected.bottom(), 2);
    }

    QTemporaryDir Folder;
    QString Pdf;
    TQtPrinter Printer;
    TFakePrintHost Host;
};

} // namespace

TEST_F(RealPrinter, ImagePageLandsCentredInThePdf) {
    ASSERT_TRUE(Printer.HasDestination());
    const TDibGraphic red = MakeImage(1024, 768, [](int, int) { return MakeColor(255, 0, 0); });
    const TPrintContext context{Printer, Host, QSize(1024, 768)};

    TPrintBatch batch(Printer);
    ASSERT_TRUE(PrintImagePage(context, red));
    batch.End();

    const int width = Printer.PageWidth();
    const int height = Printer.PageHeight();
    const QRect placed = CentredOnPage(QSize(width, width * 3 / 4), width, height);
    const QImage page = Rasterise(Pdf);
    ASSERT_FALSE(page.isNull());
    ExpectNear(RedArea(page), OnRaster(placed));
    const QRect raster = OnRaster(placed);
    EXPECT_TRUE(IsWhite(page.pixel(raster.center().x(), raster.top() - 4)));
    EXPECT_TRUE(IsWhite(page.pixel(raster.center().x(), raster.bottom() + 4)));
    EXPECT_TRUE(IsRed(page.pixel(raster.center())));
}

TEST_F(RealPrinter, JobsOfOneBatchBecomePagesOfTheFile) {
    // A tall image in slices: one job each, all in the one file.
    const TDibGraphic red = MakeImage(100, 3000, [](int, int) { return MakeColor(255, 0, 0); });
    const TPrintContext context{Printer, Host, QSize(1024, 768)};

    TPrintBatch batch(Printer);
    ASSERT_TRUE(PrintImagePage(context, red));
    batch.End();

    EXPECT_GE(Host.Waits.size(), 2u);
    EXPECT_EQ(PageCount(Pdf), int(Host.Waits.size()));
    const QImage first = Rasterise(Pdf, 1);
    const QRect area = RedArea(first);
    // Each slice at the top left of its page, the first one as high as the page.
    const QRect page = OnRaster(QRect(0, 0, Printer.PageWidth(), Printer.PageHeight()));
    EXPECT_NEAR(area.left(), page.left(), 2);
    EXPECT_NEAR(area.top(), page.top(), 2);
    EXPECT_NEAR(area.bottom(), page.bottom(), 2);
}

TEST_F(RealPrinter, TextIsMeasuredInThePrintersPixels) {
    Printer.SetFont(TPrinterFont::Console);
    EXPECT_EQ(Printer.TextHeight("TESTING"), QFontMetrics(ConsoleTextFont()).height());
    Printer.SetFont(TPrinterFont::Default);
    // A 10-point font at the printer's resolution.
    EXPECT_GT(Printer.TextHeight("TESTING"), Printer.YResolution() * 10 / 72);
    EXPECT_GT(Printer.TextWidth("TESTING TESTING"), Printer.TextWidth("TESTING"));
}

TEST_F(RealPrinter, UnwritableFileFailsTheJob) {
    Printer.SelectPdfFile(Folder.filePath("no such folder/out.pdf"));
    EXPECT_THROW(Printer.BeginDoc("Karvin"), EPrinterError);
    EXPECT_FALSE(Printer.Printing());
    EXPECT_THROW(Printer.SelectPrinter("No Such Printer 4711"), EPrinterError);
}
