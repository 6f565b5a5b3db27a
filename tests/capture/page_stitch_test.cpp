// Joining scrolled pages: the row-counting rule, the rows a page repeats, the bands that stay
// in place, and where each page lands.
#include "capture/page_stitch.h"

#include "imaging/format_registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// A picture whose rows are all different: row y of the content shows "line" `first + y`.
TDibGraphic Lines(int width, int height, int first = 0) {
    TDibGraphic image;
    image.NewImage(width, height, ifTrueColor);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.SetPixel(x, y, (uint32_t((first + y) * 2654435761u) >> 8) ^ uint32_t(x / 4));
    return image;
}

TDibGraphic Filled(int width, int height, uint32_t color) {
    TDibGraphic image;
    image.NewImage(width, height, ifTrueColor);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.SetPixel(x, y, color);
    return image;
}

// The top `rows` rows darkened, as by the shadow a bar casts over the content below it.
TDibGraphic Shaded(TDibGraphic image, int rows) {
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < image.Width(); ++x)
            image.SetPixel(x, y, (image.Pixel(x, y) >> 1) & 0x7F7F7F);
    return image;
}

std::vector<uint32_t> Column(const char* colours) {
    std::vector<uint32_t> column;
    for (const char* c = colours; *c; ++c)
        column.push_back(uint32_t(*c));
    return column;
}

} // namespace

TEST(OverlapRows, CountsAsTheMarkerLineRuleDoes) {
    struct TCase {
        const char* Previous;
        const char* Next;
        int Expected;
    };
    const TCase cases[] = {
        // The marker down the previous page; the next page carries it on its top rows.
        {"MMMMMM", "MMM...", 3},
        {"MMMMMM", "M.....", 1},
        // No row in common still counts row 0, which is never compared.
        {"MMMMMM", "......", 1},
        {"abcdef", "uvwxyz", 1},
        // The whole page the same: the walk ends at row 1 with H - 1 matches.
        {"MMMMMM", "MMMMMM", 6},
        {"abcdef", "defxyz", 3},
        // A mismatch starts again at the previous page's bottom without matching that pixel
        // again: the "f" at row 1 fails against "d" and is not tried against "f".
        {"abcdef", "efefzz", 1},
        // Pages of one row: nothing is compared.
        {"a", "b", 1},
    };
    for (const TCase& test : cases)
        EXPECT_EQ(OverlapRows(Column(test.Previous), Column(test.Next)), test.Expected)
            << test.Previous << " / " << test.Next;
}

TEST(OverlapRows, MarkerColumnsGiveTheRepeatedRowsAndAtLeastOne) {
    for (int repeated : {0, 1, 2, 20, 99, 100}) {
        const TMarkerColumns columns = MarkerColumns(100, repeated);
        EXPECT_EQ(OverlapRows(columns.Previous, columns.Next), repeated == 0 ? 1 : repeated)
            << repeated;
    }
}

TEST(RepeatedRows, FindsTheRowsThatScrolledUp) {
    const TDibGraphic previous = Lines(40, 100, 0);
    EXPECT_EQ(RepeatedRows(previous, Lines(40, 100, 80)), 20);
    EXPECT_EQ(RepeatedRows(previous, Lines(40, 100, 99)), 1);
    // A whole page on, or a page that did not scroll (which SameImage tells).
    EXPECT_EQ(RepeatedRows(previous, Lines(40, 100, 100)), 0);
    EXPECT_EQ(RepeatedRows(previous, Lines(40, 100, 150)), 0);
    // Pages of another size repeat nothing.
    EXPECT_EQ(RepeatedRows(previous, Lines(40, 90, 80)), 0);
    EXPECT_EQ(RepeatedRows(previous, Lines(41, 100, 80)), 0);
}

TEST(RepeatedRows, LeavesOutTheScrollBarAtTheRight) {
    const TDibGraphic previous = Lines(40, 100, 0);
    TDibGraphic next = Lines(40, 100, 70);
    // The thumb of a scroll bar moved down the last columns.
    for (int y = 0; y < 100; ++y)
        for (int x = 35; x < 40; ++x)
            next.SetPixel(x, y, y < 50 ? 0xFFFFFF : 0x808080);
    EXPECT_EQ(RepeatedRows(previous, next, 0), 0);
    EXPECT_EQ(RepeatedRows(previous, next, 5), 30);
}

TEST(RepeatedRows, PrefersTheCountOfThePagesBeforeInBlankSpace) {
    // Blank content fits every count: without a hint the largest, with one the hint.
    const TDibGraphic blank = Filled(40, 100, 0xFFFFFF);
    TDibGraphic next = blank;
    for (int x = 0; x < 40; ++x)
        next.SetPixel(x, 99, 0);
    EXPECT_EQ(RepeatedRows(blank, next), 99);
    EXPECT_EQ(RepeatedRows(blank, next, 0, 20), 20);
    // A hint that does not fit is not taken.
    EXPECT_EQ(RepeatedRows(Lines(40, 100, 0), Lines(40, 100, 90), 0, 20), 10);
}

TEST(RepeatedRows, LeavesOutTheRowsUnderAShadeAtTheTopOfThePage) {
    struct TCase {
        const char* Name;
        int NextFirst;   // the content row the next page starts with
        int Shade;       // rows darkened at the top of the next page
        int Expected;    // the count the pages before gave
        int KnownShaded; // the shaded rows the pages before needed
        TRepeatedRows Result;
    };
    const TCase cases[] = {
        {"no shade: as an exact comparison", 70, 0, 0, 0, {30, 0}},
        {"no shade, a shade known before", 70, 0, 30, 7, {30, 7}},
        {"a shade found", 70, 7, 0, 0, {30, 7}},
        {"a shade known before", 70, 7, 30, 7, {30, 7}},
        {"a shade that reaches further down", 70, 9, 30, 7, {30, 9}},
        {"the last page moves less", 85, 7, 30, 7, {15, 7}},
        {"deeper than a shade can be", 50, MaxShadedRows + 1, 0, 0, {0, 0}},
        {"more shaded than compared", 92, 5, 0, 0, {0, 0}},
        {"nothing repeated", 100, 7, 30, 7, {0, 7}},
    };
    const TDibGraphic previous = Lines(40, 100, 0);
    for (const TCase& test : cases) {
        const TDibGraphic next = Shaded(Lines(40, 100, test.NextFirst), test.Shade);
        EXPECT_EQ(RepeatedRowsUnderShade(previous, next, 0, test.Expected, test.KnownShaded),
                  test.Result)
            << test.Name;
    }
    // The exact comparison finds nothing under a shade, and leaves out what it is told to.
    const TDibGraphic next = Shaded(Lines(40, 100, 70), 7);
    EXPECT_EQ(RepeatedRows(previous, next), 0);
    EXPECT_EQ(RepeatedRows(previous, next, 0, 0, 7), 30);
    // In blank space the count of the pages before still wins.
    const TDibGraphic blank = Filled(40, 100, 0xFFFFFF);
    EXPECT_EQ(RepeatedRowsUnderShade(blank, Shaded(blank, 7), 0, 20, 7), (TRepeatedRows{20, 7}));
}

TEST(SameImage, ComparesSizeFormatAndEveryByte) {
    const TDibGraphic page = Lines(30, 20);
    EXPECT_TRUE(SameImage(page, Lines(30, 20)));
    EXPECT_TRUE(SameImage(TDibGraphic(), TDibGraphic()));
    EXPECT_FALSE(SameImage(page, Lines(30, 20, 1)));
    EXPECT_FALSE(SameImage(page, Lines(30, 21)));
    TDibGraphic caret = page;
    caret.SetPixel(29, 19, caret.Pixel(29, 19) ^ 1);
    EXPECT_FALSE(SameImage(page, caret));
    TDibGraphic grey;
    grey.NewImage(30, 20, ifGray256);
    TDibGraphic black;
    black.NewImage(30, 20, ifTrueColor);
    EXPECT_FALSE(SameImage(grey, black));
}

TEST(StaticBands, FindsToolBarsAndStatusLinesThatDoNotScroll) {
    // A window of 100 rows: a tool bar of 12 rows, the page, a status line of 5 rows.
    auto window = [](int first) {
        TDibGraphic image = Lines(40, 100, first);
        for (int y = 0; y < 100; ++y)
            if (y < 12 || y >= 95)
                for (int x = 0; x < 40; ++x)
                    image.SetPixel(x, y, y < 12 ? 0x3060C0 : 0xC0C0C0);
        return image;
    };
    EXPECT_EQ(StaticBands(window(0), window(50)), (TStaticBands{12, 5}));
    // Nothing scrolled: no bands (the bottom of the page).
    EXPECT_EQ(StaticBands(window(0), window(0)), TStaticBands{});
    // Plain content has none.
    EXPECT_EQ(StaticBands(Lines(40, 100, 0), Lines(40, 100, 50)), TStaticBands{});
    // Bands that would leave less than a quarter of the window are blank space, not bars.
    TDibGraphic before = Filled(40, 100, 0xFFFFFF);
    TDibGraphic after = before;
    for (int x = 0; x < 40; ++x)
        after.SetPixel(x, 50, 0);
    EXPECT_EQ(StaticBands(before, after), TStaticBands{});
}

TEST(Stitching, PagesStandBelowEachOtherLessTheirOverlaps) {
    const std::vector<int> overlaps{20, 20};
    EXPECT_EQ(PageTop(100, 0, overlaps), 0);
    EXPECT_EQ(PageTop(100, 1, overlaps), 80);
    EXPECT_EQ(PageTop(100, 2, overlaps), 160);
    // Three screens with 20 rows of overlap: 3h - 40.
    EXPECT_EQ(StitchedHeight(100, 3, overlaps), 260);
    EXPECT_EQ(StitchedHeight(100, 1, {}), 100);
    EXPECT_EQ(StitchedHeight(100, 0, {}), 0);
    // Pages with nothing in common still lose a row each.
    EXPECT_EQ(StitchedHeight(100, 3, std::vector<int>{1, 1}), 298);
}

TEST(Stitching, DrawPageCopiesRowsAndCutsWhatFallsOutside) {
    TDibGraphic joined = Filled(30, 50, 0);
    const TDibGraphic page = Lines(30, 20, 7);
    DrawPage(joined, page, 40);
    for (int y = 0; y < 50; ++y)
        EXPECT_EQ(joined.Pixel(3, y), y < 40 ? 0u : page.Pixel(3, y - 40)) << y;
    DrawPage(joined, page, -15);
    EXPECT_EQ(joined.Pixel(3, 0), page.Pixel(3, 15));
    EXPECT_EQ(joined.Pixel(3, 5), 0u);
    // From a row on: the rows above stay as they were.
    TDibGraphic below = Filled(30, 50, 0);
    DrawPage(below, page, 10, 4);
    for (int y = 0; y < 50; ++y)
        EXPECT_EQ(below.Pixel(3, y), y < 14 || y >= 30 ? 0u : page.Pixel(3, y - 10)) << y;
    const TDibGraphic rows = CopyRows(page, 5, 10);
    ASSERT_EQ(rows.Height(), 10);
    EXPECT_TRUE(SameImage(rows, Lines(30, 10, 12)));
}

TEST(Stitching, ShadedRowsComeFromThePageBefore) {
    char pattern[] = "/tmp/karvin-stitch-test-XXXXXX";
    const std::filesystem::path folder = ::mkdtemp(pattern);
    // Three pages of a 100-row window over 260 rows of content, each under a 6-row shade.
    const TDibGraphic content = Lines(40, 260);
    const std::vector<int> overlaps{20, 20};
    std::vector<std::string> pages;
    for (int page = 0; page < 3; ++page) {
        pages.push_back((folder / ("scr" + std::to_string(page + 1) + ".bmp")).string());
        SaveImageFile(Shaded(CopyRows(content, 80 * page, 100), 6), pages.back());
    }
    const std::string result = (folder / "big.bmp").string();

    const TDibGraphic joined = StitchPageFiles(pages, overlaps, result, {}, 6);

    ASSERT_EQ(joined.Height(), 260);
    // Only the first page's shade, which no page before covers, is left.
    EXPECT_TRUE(SameImage(joined, Shaded(content, 6)));
    EXPECT_TRUE(SameImage(LoadImageFile(result), joined));
    for (const std::string& page : pages)
        EXPECT_FALSE(std::filesystem::exists(page)) << page;
    std::filesystem::remove_all(folder);
}

TEST(Stitching, PagesThatAreNoPlainBitmapAreDecodedAndBrokenOnesStopIt) {
    char pattern[] = "/tmp/karvin-stitch-test-XXXXXX";
    const std::filesystem::path folder = ::mkdtemp(pattern);
    const TDibGraphic content = Lines(40, 260);
    const std::vector<int> overlaps{20, 20};
    const std::string result = (folder / "big.bmp").string();
    auto write = [&](const std::vector<std::string>& names) {
        std::vector<std::string> pages;
        for (std::size_t page = 0; page < names.size(); ++page) {
            pages.push_back((folder / names[page]).string());
            SaveImageFile(CopyRows(content, 80 * int(page), 100), pages.back());
        }
        return pages;
    };

    // A first and a middle page in another format join as the bitmaps do.
    for (const auto& names : {std::vector<std::string>{"a.png", "b.bmp", "c.bmp"},
                              std::vector<std::string>{"a.bmp", "b.png", "c.bmp"}}) {
        const TDibGraphic joined = StitchPageFiles(write(names), overlaps, result);
        EXPECT_TRUE(SameImage(joined, content)) << names[0];
    }

    // A page cut short: an error, and the pages not drawn yet stay.
    const std::vector<std::string> pages = write({"a.bmp", "b.bmp", "c.bmp"});
    std::filesystem::resize_file(pages[1], 3000);
    std::filesystem::remove(result);
    EXPECT_ANY_THROW(StitchPageFiles(pages, overlaps, result));
    EXPECT_FALSE(std::filesystem::exists(pages[0]));
    EXPECT_TRUE(std::filesystem::exists(pages[2]));
    EXPECT_FALSE(std::filesystem::exists(result));
    std::filesystem::remove_all(folder);
}
