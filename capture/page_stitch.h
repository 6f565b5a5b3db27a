// Joining the pages of a scrolled window into one tall picture: whether two grabs are the
// same, how many rows a page repeats of the page before it, the bands of a window that do not
// scroll with its content, and where each page goes in the joined picture.
#pragma once

#include "imaging/dib_graphic.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

// True when both pictures have the same size and pixel format and the same pixel bytes.
bool SameImage(const TDibGraphic& a, const TDibGraphic& b);

// The row-counting rule over the last pixel column of two pages of equal height H (a longer
// column is cut to the shorter's length). Walking the next page's column from row H - 1 up
// to row 1, each pixel is matched against the previous page's column from its bottom up; a
// mismatch starts the match again at the previous page's bottom (without matching that same
// pixel again), and a match of the previous page's row 0 ends the walk. The result is the
// length of the match that is running at the end, plus one for row 0 of the next page, which
// is never compared: at least 1, even for pages with no row in common.
int OverlapRows(std::span<const std::uint32_t> previousColumn,
                std::span<const std::uint32_t> nextColumn);

// The last columns of two pages as a line drawn down the previous page's last column before
// the scroll would leave them: marked all the way on the previous page, and on the next page
// only in the `repeated` rows at its top that scrolled up with the line.
struct TMarkerColumns {
    std::vector<std::uint32_t> Previous;
    std::vector<std::uint32_t> Next;
};
TMarkerColumns MarkerColumns(int height, int repeated);

// How many rows at the top of `next` repeat the bottom rows of `previous` (0 when none), by
// comparing whole rows, the `ignoredRight` columns at the right edge left out (a scroll bar,
// whose thumb moves with the page). `expected` (the count the pages before gave) is taken
// when it fits; otherwise the largest count below the height that fits, since content that
// repeats itself (blank space) fits several counts and scrolling moves as little as it can
// near the end. The `shaded` rows at the top of `next` are left out too (see below); a count
// fits then only when it compares at least as many rows as it leaves out. Pages of different
// sizes or formats repeat nothing.
int RepeatedRows(const TDibGraphic& previous, const TDibGraphic& next, int ignoredRight = 0,
                 int expected = 0, int shaded = 0);

// A window may draw something over the top of its scrolling content: the shadow that a tool
// bar or an info bar casts darkens the first rows of the content under it, so those rows of a
// page never equal the rows they repeat of the page before, which were drawn unshaded. The
// comparison then leaves out up to MaxShadedRows rows at the top of the next page.
constexpr int MaxShadedRows = 16;
struct TRepeatedRows {
    int Rows = 0;
    // The rows at the top of the page that had to be left out for the rows to fit.
    int Shaded = 0;
    bool operator==(const TRepeatedRows&) const = default;
};
// RepeatedRows with the `shaded` rows the pages before needed left out; when no count fits
// so, the fewest more shaded rows (up to MaxShadedRows) that let one fit, and the largest
// count that fits with them. Pages drawn without a shade fit at once and keep 0.
TRepeatedRows RepeatedRowsUnderShade(const TDibGraphic& previous, const TDibGraphic& next,
                                     int ignoredRight, int expected, int shaded);

// The overlap of two consecutive pages for the stitching: OverlapRows over the marker
// columns of the rows that `next` repeats of `previous`.
int PageOverlap(const TDibGraphic& previous, const TDibGraphic& next, int ignoredRight = 0,
                int expected = 0);

// The rows at the top and at the bottom that a window shows unchanged before and after a
// scroll (tool bars, a status line, a horizontal scroll bar): they are no part of the
// scrolling content. None when the two grabs differ in size, are the same picture, or would
// leave fewer than a quarter of the rows between the bands.
struct TStaticBands {
    int Top = 0;
    int Bottom = 0;
    bool operator==(const TStaticBands&) const = default;
};
TStaticBands StaticBands(const TDibGraphic& before, const TDibGraphic& after, int ignoredRight = 0);

// The rows [top, top + height) of a picture as a picture of their own.
TDibGraphic CopyRows(const TDibGraphic& image, int top, int height);

// Pages of `pageHeight` rows, each one overlapping the one before by overlaps[k - 1] rows,
// stand one below the other: page k starts at k x pageHeight less the overlaps before it, and
// the whole is pages x pageHeight less every overlap high. `overlaps` holds (at least)
// pages - 1 counts.
int PageTop(int pageHeight, int page, std::span<const int> overlaps);
int StitchedHeight(int pageHeight, int pages, std::span<const int> overlaps);

// Draws `page` into `image` with its top-left corner at (0, top), from its row `firstRow` on;
// what falls outside is cut.
void DrawPage(TDibGraphic& image, const TDibGraphic& page, int top, int firstRow = 0);

// Joins the page files: each is loaded, drawn at its place (the first page's height counts for
// every page) and deleted; the joined picture is written to `result` as a true-colour BMP and
// returned. Of the rows where a page lies over the page before, its `shaded` top rows are
// taken from the page before, which shows them without the shade. `afterPage` runs after
// every page (to keep a window responsive). Throws when a page cannot be read, the picture
// would be too large, or the result cannot be written; the pages not yet drawn stay then.
TDibGraphic StitchPageFiles(const std::vector<std::string>& pages, std::span<const int> overlaps,
                            const std::string& result, const std::function<void()>& afterPage = {},
                            int shaded = 0);
