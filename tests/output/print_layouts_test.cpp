// The page layouts on the recording printer: printed sizes, centring, slices of tall images,
// captions, many to a page, thumbnails, console text, and what happens when the printer
// fails.
#include "output/dib_graphic_printer.h"
#include "output/print_layouts.h"
#include "tests/fakes/fake_printer.h"
#include "tests/imaging/test_images.h"
#include "tests/output/fake_print_host.h"

#include "imaging/crop_transform.h"

#include <QFontMetrics>
#include <gtest/gtest.h>

#include <random>
#include <set>

namespace {

std::string Describe(const QRect& rect) {
    return "(" + std::to_string(rect.left()) + ", " + std::to_string(rect.top()) + ", " +
           std::to_string(rect.width()) + " x " + std::to_string(rect.height()) + ")";
}

class PrintLayouts : public ::testing::Test {
protected:
    TPrintContext Context(QSize screen = QSize(1024, 768)) { return {Printer, Host, screen}; }
    // An image "file" of that size, filled with noise so that pictures can be told apart.
    QString PutFile(const QString& name, int width, int height, unsigned seed = 1) {
        const QString path = "/pictures/" + name;
        Host.Files[path] = MakeNoise(width, height, seed);
        return path;
    }
    // The pictures of the ended jobs, each job's list on its own.
    std::vector<std::vector<QRect>> PicturePlaces() const {
        std::vector<std::vector<QRect>> jobs;
        for (const auto* job : Printer.EndedJobs()) {
            jobs.emplace_back();
            for (const auto& page : job->Pages)
                for (const auto& picture : page.Pictures)
                    jobs.back().push_back(picture.Rect);
        }
        return jobs;
    }

    TRecordingPrinter Printer;
    TFakePrintHost Host;
};

} // namespace

TEST(PrintScale, FollowsTheScreenShareAndTheLimitsOfThePage) {
    struct TCase {
        int Width, Height, PageWidth, PageHeight;
        QSize Screen;
        QSize Printed;
    };
    const TCase cases[] = {
        // A full-screen capture fills the page width.
        {1024, 768, 4800, 6600, {1024, 768}, {4800, 3600}},
        // Half the screen's width, half the page's width.
        {512, 300, 4800, 6600, {1024, 768}, {2400, 1406}},
        // Wider than the screen: held to the page width.
        {2048, 768, 4800, 6600, {1024, 768}, {4800, 1800}},
        // Square on a landscape page: held to the page height.
        {1000, 1000, 6600, 4800, {1024, 768}, {4800, 4800}},
        // Tall: measured by the screen height on three quarters of the page width, and may be
        // taller than the page.
        {800, 3000, 4800, 6600, {1024, 768}, {3749, 14062}},
        // Tall and wide: the height steps down until the truncated width fits the page.
        {3000, 4000, 4800, 6600, {1024, 768}, {4800, 6401}},
        // Nothing to print.
        {0, 10, 4800, 6600, {1024, 768}, {}},
        {10, 10, 4800, 6600, {0, 0}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PrintScale(c.Width, c.Height, c.PageWidth, c.PageHeight, c.Screen), c.Printed)
            << c.Width << " x " << c.Height << " on " << c.PageWidth << " x " << c.PageHeight;
}

TEST_F(PrintLayouts, FullScreenCaptureFillsThePageWidthCentred) {
    const TDibGraphic capture = MakeNoise(1024, 768);

    EXPECT_TRUE(PrintImagePage(Context(), capture));

    ASSERT_EQ(Printer.Jobs.size(), 1u);
    const TPrintedJob& job = Printer.Jobs[0];
    EXPECT_EQ(job.Title, "Karvin");
    EXPECT_TRUE(job.Ended);
    ASSERT_EQ(job.Pages.size(), 1u);
    ASSERT_EQ(job.Pages[0].Pictures.size(), 1u);
    EXPECT_EQ(job.Pages[0].Pictures[0].Rect, QRect(0, 1500, 4800, 3600))
        << Describe(job.Pages[0].Pictures[0].Rect);
    EXPECT_EQ(Pixels(job.Pages[0].Pictures[0].Picture), Pixels(capture));
    EXPECT_EQ(Host.ClipboardPasses, 0);
}

TEST_F(PrintLayouts, TallCaptureIsPrintedInSlicesOneJobEach) {
    // 800 x 3000 on a 1024 x 768 screen prints 3749 x 14062, more than twice the page:
    // slices of 1408 rows.
    const TDibGraphic capture = MakeNoise(800, 3000);
    Host.View = capture;

    EXPECT_TRUE(PrintImagePage(Context(), Host.View));

    const auto places = PicturePlaces();
    ASSERT_EQ(places.size(), 3u);
    EXPECT_EQ(places[0], std::vector<QRect>{QRect(0, 0, 3749, 6600)});
    EXPECT_EQ(places[1], std::vector<QRect>{QRect(0, 0, 3749, 6600)});
    EXPECT_EQ(places[2], std::vector<QRect>{QRect(0, 0, 3749, 862)});
    const auto pictures = Printer.PrintedPictures();
    const int firstRows[] = {0, 1408, 2816};
    const int rowCounts[] = {1408, 1408, 184};
    for (int slice = 0; slice < 3; ++slice) {
        TCropTransform cut;
        cut.Top = firstRows[slice];
        cut.Bottom = 3000 - firstRows[slice] - rowCounts[slice];
        TDibGraphic expected;
        cut.ApplyOnDest(capture, expected);
        EXPECT_EQ(Pixels(pictures[slice].Picture), Pixels(expected)) << "slice " << slice;
    }
    // Each slice went through the clipboard; the clipboard keeps the last, the view shows
    // the whole capture again.
    EXPECT_EQ(Host.ClipboardPasses, 3);
    EXPECT_EQ(Pixels(Host.Clipboard), Pixels(pictures[2].Picture));
    EXPECT_EQ(Pixels(Host.View), Pixels(capture));
    EXPECT_EQ(Host.Waits, (std::vector<double>{1.0, 1.0, 1.0}));
    EXPECT_TRUE(Host.Failures.isEmpty());
}

TEST_F(PrintLayouts, ShortLastSliceKeepsTheScaleOfTheOthers) {
    // On a wide screen the last slice of 800 x 2500 is wider than high; measured on its own
    // it would be squeezed to 1300 printer rows for its 520 image rows.
    EXPECT_TRUE(PrintImagePage(Context(QSize(1920, 1080)), MakeNoise(800, 2500)));

    const auto places = PicturePlaces();
    ASSERT_EQ(places.size(), 2u);
    EXPECT_EQ(places[0][0], QRect(0, 0, 2666, 6600));
    EXPECT_EQ(places[1][0], QRect(0, 0, 2666, 1733));
    const auto pictures = Printer.PrintedPictures();
    for (const auto& picture : pictures) {
        const double rowsPerImageRow = double(picture.Rect.height()) / picture.Picture.Height();
        EXPECT_NEAR(rowsPerImageRow, 8333.0 / 2500, 0.01);
    }
}

TEST_F(PrintLayouts, PrinterFailureIsToldOnceAndTheViewComesBack) {
    const TDibGraphic capture = MakeNoise(800, 3000);
    Host.View = capture;
    Printer.FailAtPicture = 2; // the second slice

    EXPECT_FALSE(PrintImagePage(Context(), Host.View));

    EXPECT_EQ(Host.Failures.size(), 1);
    ASSERT_EQ(Printer.Jobs.size(), 2u);
    EXPECT_TRUE(Printer.Jobs[0].Ended);
    EXPECT_TRUE(Printer.Jobs[1].Aborted);
    EXPECT_FALSE(Printer.Printing());
    EXPECT_EQ(Pixels(Host.View), Pixels(capture));

    // No printer at all.
    Printer.Offline = true;
    EXPECT_FALSE(PrintImagePage(Context(), MakeNoise(10, 10)));
    EXPECT_EQ(Host.Failures.size(), 2);
    EXPECT_EQ(QString(PrinterFailureText),
              "Your printer is not responding. Please make sure it is turned on,\n"
              "have paper, and the printer cable is properly connected.");
}

TEST(DibGraphicPrintRect, FitsThePageOrPrintsAtTheImagesSize) {
    const TPrinterGeometry portrait{4800, 6600, 600, 600, 75, 90};
    struct TCase {
        const char* Name;
        TPrintMode Mode;
        int Width, Height, Dpi;
        QRect Place;
    };
    const TCase cases[] = {
        {"wide image fills the width", pmFitPage, 1000, 500, 96, {0, 0, 4800, 2400}},
        {"tall image fills the height", pmFitPage, 500, 2000, 96, {0, 0, 1650, 6600}},
        {"page proportion fills the height", pmFitPage, 4800, 6600, 96, {0, 0, 4800, 6600}},
        {"small image at its size in inches", pmNormalSize, 96, 48, 96, {0, 0, 600, 300}},
        {"large image shrunk to the page", pmNormalSize, 1024, 768, 96, {0, 0, 4800, 3600}},
        {"resolution of the image counts", pmNormalSize, 300, 300, 300, {0, 0, 600, 600}},
        // An image file without a resolution prints at the screen's.
        {"no resolution", pmNormalSize, 96, 96, 0, {0, 0, 600, 600}},
        {"one pixel never vanishes", pmNormalSize, 1, 1, 1200, {0, 0, 1, 1}},
    };
    SetScreenLogicalDpi(96);
    for (const auto& c : cases)
        EXPECT_EQ(DibGraphicPrintRect(c.Mode, c.Width, c.Height, c.Dpi, c.Dpi, portrait), c.Place)
            << c.Name;
    // Margins are measured from the paper's edge.
    EXPECT_EQ(DibGraphicPrintRect(pmNormalSize, 96, 96, 96, 96, portrait, 1.0, 0.5),
              QRect(525, 210, 600, 600));
    EXPECT_EQ(DibGraphicPrintRect(pmNormalSize, 96, 96, 96, 96, portrait, 0.1, 0.1),
              QRect(0, 0, 600, 600));
}

TEST_F(PrintLayouts, PrintCaptureTakesTheModeFromTheStretchValue) {
    const TDibGraphic wide = MakeNoise(1000, 500);

    EXPECT_TRUE(PrintCapture(Context(), wide, 1, "5", "3"));
    EXPECT_TRUE(PrintCapture(Context(), wide, 0, "5", "3"));

    const auto places = PicturePlaces();
    ASSERT_EQ(places.size(), 2u);
    EXPECT_EQ(places[0][0], QRect(0, 0, 4800, 2400));
    EXPECT_EQ(places[1][0], QRect(0, 0, 4800, 2400)); // 6250 x 3125 at its size, shrunk
    EXPECT_EQ(Printer.Jobs[0].Title, "Karvin");

    Printer.Offline = true;
    EXPECT_FALSE(PrintCapture(Context(), wide, 1, "5", "3"));
    EXPECT_EQ(Host.Failures.size(), 1);

    EXPECT_EQ(PrintCaptureWidthText(TPrinterOrientation::Portrait), "5");
    EXPECT_EQ(PrintCaptureHeightText(TPrinterOrientation::Portrait), "3");
    EXPECT_EQ(PrintCaptureWidthText(TPrinterOrientation::Landscape), "3");
    EXPECT_EQ(PrintCaptureHeightText(TPrinterOrientation::Landscape), "5");
}

TEST_F(PrintLayouts, ImagesLayoutPrintsEveryImageAndGoesOnAfterAFailure) {
    const QString first = PutFile("first.bmp", 1024, 768, 1);
    const QString tall = PutFile("tall.bmp", 400, 1025, 2);
    const QString gone = "/pictures/gone.bmp";
    const QString last = PutFile("last.bmp", 512, 384, 3);
    Printer.FailAtPicture = 1;

    PrintImages(Context(), {first, tall, gone, last});

    EXPECT_EQ(Host.Loaded, (QStringList{first, tall, last}));
    EXPECT_EQ(Host.Failures.size(), 1);
    const auto places = PicturePlaces();
    ASSERT_EQ(places.size(), 2u);
    // The 1025-high image is no trouble for this layout.
    EXPECT_EQ(places[0][0], QRect(1463, 898, 1874, 4804));
    EXPECT_EQ(places[1][0], QRect(1200, 2400, 2400, 1800));
    EXPECT_TRUE(Host.Refused.isEmpty());
}

TEST(CaptionLine, AddsDateAndTimeForTheDateLayouts) {
    const QDateTime when(QDate(2024, 3, 9), QTime(14, 5, 7));
    const QLocale locale = QLocale::system();
    const QString stamp = locale.toString(when.date(), QLocale::ShortFormat) + " " +
                          locale.toString(when.time(), QLocale::LongFormat);
    EXPECT_EQ(CaptionLine("Garden", false, when), "Garden");
    EXPECT_EQ(CaptionLine("", false, when), "");
    EXPECT_EQ(CaptionLine("Garden", true, when), "Garden " + stamp);
    EXPECT_EQ(CaptionLine("", true, when), stamp);
}

TEST_F(PrintLayouts, CaptionGoesAboveOrBelowTheCentredImage) {
    const QString capture = PutFile("pic1.bmp", 1024, 768);
    struct TCase {
        TCaptionPlace Place;
        std::optional<QString> Answer;
        std::optional<QPoint> TextAt; // nullopt: nothing written
    };
    // Picture at (0, 1500, 4800 x 3600); a line is 100 high and 40 per character.
    const TCase cases[] = {
        {TCaptionPlace::Above, QString("Garden"), QPoint((4800 - 240) / 2, 1500 - 100 - 20)},
        {TCaptionPlace::Below, QString("Garden"), QPoint((4800 - 240) / 2, 1500 + 3600 + 20)},
        {TCaptionPlace::Above, std::nullopt, std::nullopt},
        {TCaptionPlace::Below, QString(""), std::nullopt},
        // Wider than the page: from the left edge.
        {TCaptionPlace::Above, QString(130, 'x'), QPoint(0, 1380)},
    };
    for (const auto& c : cases) {
        Printer.Jobs.clear();
        Host.Captions = {c.Answer};
        Host.CaptionTitles.clear();
        PrintCaptioned(Context(), {capture}, {c.Place, false, "Caption Above Image"});

        ASSERT_EQ(Printer.Jobs.size(), 1u);
        const TPrintedPage& page = Printer.Jobs[0].Pages.at(0);
        ASSERT_EQ(page.Pictures.size(), 1u);
        EXPECT_EQ(page.Pictures[0].Rect, QRect(0, 1500, 4800, 3600));
        EXPECT_EQ(Host.CaptionTitles, QStringList{"Caption Above Image"});
        if (!c.TextAt) {
            EXPECT_TRUE(page.Texts.empty());
            continue;
        }
        ASSERT_EQ(page.Texts.size(), 1u);
        EXPECT_EQ(page.Texts[0].At, *c.TextAt);
        EXPECT_EQ(page.Texts[0].Text, *c.Answer);
    }
    // The plain caption layouts move the progress over the images, the date layouts do not.
    Host.Progress.clear();
    PrintCaptioned(Context(), {capture}, {TCaptionPlace::Below, true, "T"});
    EXPECT_TRUE(Host.Progress.empty());
}

TEST_F(PrintLayouts, CaptionOfAPageHighPictureStaysOnThePage) {
    // A full-screen capture on a landscape page is as high as the page: the line needs room.
    Printer.Width = 6600;
    Printer.Height = 4800;
    const QString capture = PutFile("pic1.bmp", 1024, 768);
    for (const TCaptionPlace place : {TCaptionPlace::Above, TCaptionPlace::Below}) {
        Printer.Jobs.clear();
        Host.Captions = {QString("Garden")};
        PrintCaptioned(Context(), {capture}, {place, false, "T"});

        const TPrintedPage& page = Printer.Jobs.at(0).Pages.at(0);
        const QRect picture = page.Pictures.at(0).Rect;
        const QPoint text = page.Texts.at(0).At;
        EXPECT_GE(text.y(), 0);
        EXPECT_LE(text.y() + 100, 4800);
        EXPECT_GE(picture.top(), 0);
        EXPECT_LE(picture.bottom(), 4799);
        EXPECT_EQ(picture.height(), 4800 - 100 - 20);
        EXPECT_NEAR(double(picture.width()) / picture.height(), 4.0 / 3, 0.001);
        if (place == TCaptionPlace::Above)
            EXPECT_EQ(picture.top() - text.y(), 100 + 20);
        else
            EXPECT_EQ(text.y() - (picture.bottom() + 1), 20);
    }
}

TEST_F(PrintLayouts, OnlyImagesTooLargeForTheLayoutAreRefused) {
    // On a 1024 x 768 screen and a 4800 x 6600 page with lines 100 high: a tall image prints
    // 3600 / 768 of its height. 1382 rows print 6478 high, which leaves room for a caption line
    // and its gap of 20; 1383 rows print 6482 and do not. 1408 rows print exactly the page's
    // height; 1409 rows are more than any page.
    const QString screen = PutFile("screen.bmp", 1920, 1080, 1);
    const QString captionFits = PutFile("caption-fits.bmp", 600, 1382, 2);
    const QString captionTooHigh = PutFile("caption-too-high.bmp", 600, 1383, 3);
    const QString pageHigh = PutFile("page-high.bmp", 600, 1408, 4);
    const QString tooHigh = PutFile("too-high.bmp", 600, 1409, 5);
    const QStringList all{screen, captionFits, captionTooHigh, pageHigh, tooHigh};
    struct TCase {
        const char* Name;
        std::function<void()> Print;
        QStringList Refused;
    };
    const TCase cases[] = {
        {"caption",
         [&] { PrintCaptioned(Context(), all, {}); },
         {captionTooHigh, pageHigh, tooHigh}},
        {"caption with date",
         [&] {
             PrintCaptioned(Context(), all, {TCaptionPlace::Below, true, "T"});
         },
         {captionTooHigh, pageHigh, tooHigh}},
        {"stretch", [&] { PrintStretched(Context(), all); }, {}},
        {"many", [&] { PrintManyToAPage(Context(), all); }, {tooHigh}},
    };
    for (const auto& c : cases) {
        Printer.Jobs.clear();
        Host.Refused.clear();
        c.Print();
        EXPECT_EQ(Host.Refused, c.Refused) << c.Name;
        std::multiset<int> printedHeights;
        for (const auto& picture : Printer.PrintedPictures())
            printedHeights.insert(picture.Picture.Height());
        std::multiset<int> expected;
        for (const QString& path : all)
            if (!c.Refused.contains(path))
                expected.insert(Host.Files[path].Height());
        EXPECT_EQ(printedHeights, expected) << c.Name;
    }
}

TEST_F(PrintLayouts, AFullScreenCaptureOfATodaysScreenPrintsWithACaption) {
    const QString capture = PutFile("pic1.bmp", 1920, 1080);
    Host.Captions = {QString("Garden")};
    PrintCaptioned(Context(QSize(1920, 1080)), {capture}, {TCaptionPlace::Below, false, "T"});

    EXPECT_TRUE(Host.Refused.isEmpty());
    ASSERT_EQ(Printer.EndedJobs().size(), 1u);
    const TPrintedPage& page = Printer.Jobs.at(0).Pages.at(0);
    EXPECT_EQ(page.Pictures.at(0).Rect, QRect(0, 1950, 4800, 2700));
    ASSERT_EQ(page.Texts.size(), 1u);
    EXPECT_EQ(page.Texts[0].Text, "Garden");
    EXPECT_EQ(page.Texts[0].At.y(), 1950 + 2700 + 20);
}

TEST_F(PrintLayouts, StretchFillsThePageInEitherOrientation) {
    const QString wide = PutFile("wide.bmp", 1000, 500);
    PrintStretched(Context(), {wide});
    Printer.PageOrientation = TPrinterOrientation::Landscape;
    Printer.Width = 6600;
    Printer.Height = 4800;
    PrintStretched(Context(), {wide});

    const auto places = PicturePlaces();
    ASSERT_EQ(places.size(), 2u);
    EXPECT_EQ(places[0][0], QRect(0, 0, 4800, 2400));
    EXPECT_EQ(places[1][0], QRect(0, 0, 6600, 3300));
}

TEST(PlanManyToAPage, PlacesInOrderAndFillsGapsWithLaterPictures) {
    struct TCase {
        const char* Name;
        std::vector<QSize> Sizes;
        TPagePlan Plan;
    };
    // Page 4800 x 6600, text lines 100 high, gaps 50: a new row starts at the row's bottom
    // + 50 + 100 (the row's names) + 100.
    const TCase cases[] = {
        {"a row, then a new row",
         {{2000, 1500}, {2000, 1500}, {2000, 1500}},
         {{{0, {0, 0, 2000, 1500}}, {1, {2050, 0, 2000, 1500}}, {2, {0, 1750, 2000, 1500}}}}},
        {"a later, narrower picture fills the row",
         {{3000, 2000}, {3000, 2000}, {1500, 1000}},
         {{{0, {0, 0, 3000, 2000}}, {2, {3050, 0, 1500, 1000}}, {1, {0, 2250, 3000, 2000}}}}},
        {"a picture that fits no row below starts a page",
         {{4800, 3600}, {4800, 3600}},
         {{{0, {0, 0, 4800, 3600}}}, {{1, {0, 0, 4800, 3600}}}}},
        {"pictures larger than an empty page are left out",
         {{100, 6601}, {4801, 10}, {100, 100}},
         {{{2, {0, 0, 100, 100}}}}},
        {"nothing", {}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PlanManyToAPage(c.Sizes, 4800, 6600, 100), c.Plan) << c.Name;
}

TEST(PlanManyToAPage, EveryPictureLandsOnceInsideItsPageWithoutOverlap) {
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        const int pageWidth = 1000 + int(random() % 4000);
        const int pageHeight = 1000 + int(random() % 6000);
        const int textHeight = int(random() % 200);
        std::vector<QSize> sizes;
        const int count = int(random() % 30);
        for (int i = 0; i < count; ++i)
            sizes.emplace_back(1 + int(random() % pageWidth), 1 + int(random() % pageHeight));

        const TPagePlan plan = PlanManyToAPage(sizes, pageWidth, pageHeight, textHeight);

        std::multiset<int> placed;
        for (const auto& page : plan) {
            ASSERT_FALSE(page.empty()) << "round " << round;
            for (std::size_t i = 0; i < page.size(); ++i) {
                placed.insert(page[i].Entry);
                EXPECT_EQ(page[i].Rect.size(), sizes[page[i].Entry]);
                EXPECT_TRUE(QRect(0, 0, pageWidth, pageHeight).contains(page[i].Rect))
                    << "round " << round;
                for (std::size_t j = 0; j < i; ++j)
                    EXPECT_FALSE(page[i].Rect.intersects(page[j].Rect)) << "round " << round;
            }
        }
        EXPECT_EQ(placed.size(), sizes.size()) << "round " << round;
        EXPECT_EQ(std::set<int>(placed.begin(), placed.end()).size(), placed.size());
    }
}

TEST_F(PrintLayouts, ManyToAPageWritesTheFileNamesUnderThePictures) {
    const QString first = PutFile("one.png", 500, 375, 1);
    const QString second = PutFile("two.png", 500, 375, 2);

    PrintManyToAPage(Context(), {first, second});

    ASSERT_EQ(Printer.Jobs.size(), 1u);
    const TPrintedPage& page = Printer.Jobs[0].Pages.at(0);
    ASSERT_EQ(page.Pictures.size(), 2u);
    EXPECT_EQ(page.Pictures[0].Rect, QRect(0, 0, 2343, 1757));
    EXPECT_EQ(page.Pictures[1].Rect, QRect(2393, 0, 2343, 1757));
    EXPECT_EQ(Pixels(page.Pictures[1].Picture), Pixels(Host.Files[second]));
    ASSERT_EQ(page.Texts.size(), 2u);
    EXPECT_EQ(page.Texts[0].At, QPoint(0, 1767));
    EXPECT_EQ(page.Texts[0].Text, "one.png");
    EXPECT_EQ(page.Texts[1].At, QPoint(2393, 1767));
    EXPECT_EQ(page.Texts[1].Text, "two.png");
}

TEST_F(PrintLayouts, ManyToAPageRefusesAnImageNoPageCanHold) {
    // 600 x 1000 on a 768-high screen prints 4687 high: on a landscape page 4000 high it
    // fits nowhere, and the layout must still end.
    Printer.Width = 6000;
    Printer.Height = 4000;
    const QString tall = PutFile("tall.png", 600, 1000);
    const QString small = PutFile("small.png", 100, 100);

    PrintManyToAPage(Context(), {tall, small});

    EXPECT_EQ(Host.Refused, QStringList{tall});
    const auto pictures = Printer.PrintedPictures();
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(Pixels(pictures[0].Picture), Pixels(Host.Files[small]));
}

TEST(ThumbnailGrid, ColumnsAndRowsOfPrintedTiles) {
    const TThumbnailGrid grid = ThumbnailGrid(4800, 6600, QSize(1024, 768), 100);
    EXPECT_EQ(grid.Tile, QSize(750, 562));
    EXPECT_EQ(grid.Columns, 6); // 4800 / 800
    EXPECT_EQ(grid.Rows, 9);    // 6600 / 712
    EXPECT_EQ(grid.Place(0), QPoint(0, 0));
    EXPECT_EQ(grid.Place(7), QPoint(800, 712));
    // A page too small for one tile still takes one per page.
    const TThumbnailGrid tiny = ThumbnailGrid(100, 100, QSize(160, 120), 100);
    EXPECT_EQ(tiny.PerPage(), 1);
}

TEST_F(PrintLayouts, ThumbnailsFillPagesWithoutAnEmptyOne) {
    // Small pages: tiles of 375 x 281 in 2 columns (2 x (375 + 50) <= 900) and 2 rows
    // (2 x (281 + 50 + 100) <= 900).
    const QSize screen(384, 288);
    Printer.Width = 900;
    Printer.Height = 900;
    QStringList paths;
    for (int i = 0; i < 5; ++i)
        paths << PutFile(QString("pic%1.png").arg(i + 1), 64, 48, unsigned(i + 1));
    struct TCase {
        int Images;
        std::vector<std::size_t> TilesPerJob;
    };
    const TCase cases[] = {{4, {4}}, {5, {4, 1}}, {1, {1}}, {0, {}}};
    for (const auto& c : cases) {
        Printer.Jobs.clear();
        PrintThumbnails(Context(screen), paths.mid(0, c.Images));

        std::vector<std::size_t> tilesPerJob;
        for (const auto& job : Printer.Jobs) {
            EXPECT_TRUE(job.Ended);
            ASSERT_EQ(job.Pages.size(), 1u);
            tilesPerJob.push_back(job.Pages[0].Pictures.size());
        }
        EXPECT_EQ(tilesPerJob, c.TilesPerJob) << c.Images << " images";
    }

    Printer.Jobs.clear();
    PrintThumbnails(Context(screen), paths.mid(0, 4));
    const TPrintedPage& first = Printer.Jobs.at(0).Pages.at(0);
    const QRect expected[] = {
        {0, 0, 375, 281}, {425, 0, 375, 281}, {0, 431, 375, 281}, {425, 431, 375, 281}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(first.Pictures[i].Rect, expected[i]) << i;
        EXPECT_EQ(first.Texts[i].At, expected[i].bottomLeft() + QPoint(0, 1 + 10)) << i;
        EXPECT_EQ(first.Texts[i].Text, QString("pic%1.png").arg(i + 1));
    }
}

TEST_F(PrintLayouts, ThumbnailTileIsTheFittedPictureOnWhiteWithADottedBorder) {
    // A red picture twice as wide as high: fitted to 160 x 80 (rows 20 to 99 of the tile).
    const QString red = "/pictures/red.png";
    Host.Files[red] = MakeImage(200, 100, [](int, int) { return MakeColor(255, 0, 0); });
    Host.View = MakeNoise(5, 5);
    const TDibGraphic viewBefore = Host.View;
    Printer.Width = 1000;
    Printer.Height = 1000;

    PrintThumbnails(Context(QSize(320, 240)), {red}); // tiles print at 500 x 375

    const auto pictures = Printer.PrintedPictures();
    ASSERT_EQ(pictures.size(), 1u);
    const TDibGraphic& tile = pictures[0].Picture;
    ASSERT_EQ(tile.Width(), 500);
    ASSERT_EQ(tile.Height(), 375);
    const uint32_t white = 0xFFFFFF;
    auto reddish = [](uint32_t color) {
        return ColorRed(color) > 200 && ColorGreen(color) < 50 && ColorBlue(color) < 50;
    };
    EXPECT_EQ(tile.Pixel(250, 30), white); // above the picture
    EXPECT_TRUE(reddish(tile.Pixel(250, 187)));
    EXPECT_EQ(tile.Pixel(250, 350), white); // below it
    // The border: every other pixel inverted (rows 188 and 189 come from the same tile row).
    EXPECT_EQ(tile.Pixel(0, 0), 0u);
    EXPECT_EQ(tile.Pixel(1, 0), white);
    EXPECT_TRUE(reddish(tile.Pixel(0, 189)));
    EXPECT_EQ(tile.Pixel(0, 188), ~tile.Pixel(0, 189) & 0xFFFFFF);
    EXPECT_EQ(tile.Pixel(498, 374), 0u);
    // The tile went through the clipboard; the view shows what it showed before.
    EXPECT_EQ(Host.ClipboardPasses, 1);
    EXPECT_EQ(Pixels(Host.View), Pixels(viewBefore));
    EXPECT_EQ(Host.ProgressEnded, 1);
}

TEST_F(PrintLayouts, ConsoleTextPrintsLineBelowLineInTheConsoleFont) {
    EXPECT_TRUE(PrintTextLines(Context(), {"C:\\>dir", "", "README   TXT"}));

    ASSERT_EQ(Printer.Jobs.size(), 1u);
    const auto& texts = Printer.Jobs[0].Pages.at(0).Texts;
    ASSERT_EQ(texts.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(texts[i].At, QPoint(0, 13 * i));
        EXPECT_EQ(texts[i].Font, TPrinterFont::Console);
    }
    EXPECT_EQ(texts[2].Text, "README   TXT");

    Printer.Offline = true;
    EXPECT_FALSE(PrintTextLines(Context(), {"x"}));
    EXPECT_EQ(Host.Failures.size(), 1);
}

TEST(RenderTextLines, EightyColumnsAndTwentySixLinesOnWhite) {
    const QFontMetrics metrics(ConsoleTextFont());
    const TDibGraphic picture = RenderTextLines({"", "########"});

    EXPECT_EQ(picture.Width(), metrics.horizontalAdvance(QString(80, '0')));
    EXPECT_EQ(picture.Height(), 26 * metrics.height());
    bool inkOnFirstLine = false;
    bool inkOnSecondLine = false;
    for (int y = 0; y < 2 * metrics.height(); ++y)
        for (int x = 0; x < picture.Width(); ++x)
            if (picture.Pixel(x, y) != 0xFFFFFF)
                (y < metrics.height() ? inkOnFirstLine : inkOnSecondLine) = true;
    EXPECT_FALSE(inkOnFirstLine);
    EXPECT_TRUE(inkOnSecondLine);
    EXPECT_EQ(picture.Pixel(picture.Width() - 1, picture.Height() - 1), 0xFFFFFFu);
}
