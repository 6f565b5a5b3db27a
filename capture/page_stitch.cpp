#include "capture/page_stitch.h"

#include "imaging/format_registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <numeric>
#include <string_view>

namespace {

// The bytes of a row that take part in comparisons: all but the ignored columns at the right.
std::size_t ComparedBytes(const TDibGraphic& image, int ignoredRight) {
    const int width = std::max(0, image.Width() - std::max(0, ignoredRight));
    return (std::size_t(width) * std::size_t(image.BitsPerPixel()) + 7) / 8;
}

bool SameShape(const TDibGraphic& a, const TDibGraphic& b) {
    return a.Width() == b.Width() && a.Height() == b.Height() && a.ImageFormat() == b.ImageFormat();
}

// One hash per row, so that the search for the repeated rows compares numbers first and
// bytes only where the numbers agree.
std::vector<std::size_t> RowHashes(const TDibGraphic& image, std::size_t bytes) {
    std::vector<std::size_t> hashes(std::size_t(image.Height()));
    const std::hash<std::string_view> hash;
    for (int row = 0; row < image.Height(); ++row)
        hashes[std::size_t(row)] =
            hash(std::string_view(reinterpret_cast<const char*>(image.ScanLine(row)), bytes));
    return hashes;
}

// Whether the `count` top rows of `next` repeat the `count` bottom rows of `previous`, its
// first `shaded` rows left out.
bool RowsRepeat(const TDibGraphic& previous, const TDibGraphic& next, int count, int shaded,
                std::size_t bytes, const std::vector<std::size_t>& previousHashes,
                const std::vector<std::size_t>& nextHashes) {
    const int offset = previous.Height() - count;
    for (int row = shaded; row < count; ++row)
        if (nextHashes[std::size_t(row)] != previousHashes[std::size_t(offset + row)])
            return false;
    for (int row = shaded; row < count; ++row)
        if (std::memcmp(next.ScanLine(row), previous.ScanLine(offset + row), bytes) != 0)
            return false;
    return true;
}

// A count fits with rows left out only when it compares at least as many as it leaves out.
bool CountCompares(int count, int shaded) {
    return count >= 1 && count >= 2 * shaded;
}

// The rows of one comparison of two pages, hashed once for all the counts tried.
struct TPagePair {
    TPagePair(const TDibGraphic& previous, const TDibGraphic& next, std::size_t bytes)
        : Previous(previous), Next(next), Bytes(bytes), PreviousHashes(RowHashes(previous, bytes)),
          NextHashes(RowHashes(next, bytes)) {}

    bool Repeat(int count, int shaded) const {
        return CountCompares(count, shaded) &&
               RowsRepeat(Previous, Next, count, shaded, Bytes, PreviousHashes, NextHashes);
    }

    // The count that fits with `shaded` rows left out: `expected` when it fits, otherwise the
    // largest; 0 when none.
    int Find(int expected, int shaded) const {
        const int height = Previous.Height();
        if (expected > 0 && expected < height && Repeat(expected, shaded))
            return expected;
        for (int count = height - 1; count >= 1; --count)
            if (Repeat(count, shaded))
                return count;
        return 0;
    }

    // The fewest rows at the top that must be left out for `count` rows to fit: the rows down
    // to the lowest one that differs; -1 when more than `maxShaded` would have to go.
    int ShadeOf(int count, int maxShaded) const {
        const int offset = Previous.Height() - count;
        int row = count - 1;
        while (row >= 0 &&
               NextHashes[std::size_t(row)] == PreviousHashes[std::size_t(offset + row)])
            --row;
        const int shaded = row + 1;
        return shaded <= maxShaded && Repeat(count, shaded) ? shaded : -1;
    }

    const TDibGraphic& Previous;
    const TDibGraphic& Next;
    std::size_t Bytes;
    std::vector<std::size_t> PreviousHashes;
    std::vector<std::size_t> NextHashes;
};

bool SameRow(const TDibGraphic& a, const TDibGraphic& b, int row, std::size_t bytes) {
    return std::memcmp(a.ScanLine(row), b.ScanLine(row), bytes) == 0;
}

// A page file as the capture writes it: an uncompressed 24-bit bitmap stored bottom row first,
// whose pixel block has the rows exactly as a true-colour picture holds them in memory. Its
// rows are read straight into the joined picture, without decoding the file into a picture of
// its own first. Any other file (or one cut short) is decoded the ordinary way.
class TPlainBitmapFile {
public:
    explicit TPlainBitmapFile(const std::string& path)
        : Fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
        if (Fd < 0)
            return;
        std::array<std::uint8_t, 54> header{};
        if (::pread(Fd, header.data(), header.size(), 0) != ssize_t(header.size()))
            return;
        auto u16 = [&](std::size_t at) { return std::uint32_t(header[at] | header[at + 1] << 8); };
        auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
        const std::int32_t width = std::int32_t(u32(18));
        const std::int32_t height = std::int32_t(u32(22));
        if (header[0] != 'B' || header[1] != 'M' || u32(14) < 40 || width <= 0 || height <= 0 ||
            u16(26) != 1 || u16(28) != 24 || u32(30) != 0 || width > 1 << 20 || height > 1 << 20)
            return;
        Offset = u32(10);
        Width = width;
        Height = height;
        struct stat status {};
        if (Offset < 54 || ::fstat(Fd, &status) != 0 ||
            std::uint64_t(status.st_size) < Offset + std::uint64_t(height) * Stride())
            Width = Height = 0;
    }
    ~TPlainBitmapFile() {
        if (Fd >= 0)
            ::close(Fd);
    }
    TPlainBitmapFile(const TPlainBitmapFile&) = delete;
    TPlainBitmapFile& operator=(const TPlainBitmapFile&) = delete;

    bool Plain() const { return Height > 0; }
    int Width = 0;
    int Height = 0;
    std::size_t Stride() const { return DibRowStride(Width, 24); }

    // Reads the page's rows [first, last) into `image` from its row `top` + first on; false
    // when the file gives fewer bytes than it promised.
    bool ReadRows(TDibGraphic& image, int top, int first, int last) const {
        if (first >= last)
            return true;
        // Both hold the bottom row first: the rows are one block in each.
        std::uint8_t* target = image.ScanLine(top + last - 1);
        std::size_t size = std::size_t(last - first) * Stride();
        off_t at = off_t(Offset + std::uint64_t(Height - last) * Stride());
        while (size > 0) {
            const ssize_t got = ::pread(Fd, target, size, at);
            if (got <= 0)
                return false;
            target += got;
            size -= std::size_t(got);
            at += got;
        }
        return true;
    }

private:
    int Fd;
    std::uint64_t Offset = 0;
};

// The rows of `page` that go into `image` drawn at `top` from its row `firstRow` on.
std::pair<int, int> DrawnRows(const TDibGraphic& image, int pageHeight, int top, int firstRow) {
    return {std::max({0, -top, firstRow}), std::min(pageHeight, image.Height() - top)};
}

// Draws a page file into the joined picture as DrawPage would draw the picture it holds.
void DrawPageFile(TDibGraphic& joined, const std::string& path, int top, int firstRow) {
    {
        const TPlainBitmapFile file(path);
        if (file.Plain() && file.Width == joined.Width() && joined.ImageFormat() == ifTrueColor &&
            file.Stride() == joined.RowStride()) {
            const auto [first, last] = DrawnRows(joined, file.Height, top, firstRow);
            if (file.ReadRows(joined, top, first, last))
                return;
        }
    }
    DrawPage(joined, LoadImageFile(path), top, firstRow);
}

} // namespace

bool SameImage(const TDibGraphic& a, const TDibGraphic& b) {
    if (!SameShape(a, b) || a.Palette() != b.Palette())
        return false;
    const std::size_t bytes = ComparedBytes(a, 0);
    for (int row = 0; row < a.Height(); ++row)
        if (!SameRow(a, b, row, bytes))
            return false;
    return true;
}

int OverlapRows(std::span<const std::uint32_t> previousColumn,
                std::span<const std::uint32_t> nextColumn) {
    const int height = int(std::min(previousColumn.size(), nextColumn.size()));
    int i = height - 1;
    int count = 0;
    for (int j = height - 1; j >= 1; --j) {
        if (nextColumn[std::size_t(j)] == previousColumn[std::size_t(i)]) {
            if (i == 0)
                break;
            --i;
            ++count;
        } else {
            i = height - 1;
            count = 0;
        }
    }
    return count + 1;
}

TMarkerColumns MarkerColumns(int height, int repeated) {
    constexpr std::uint32_t Plain = 0;
    constexpr std::uint32_t Marked = 1;
    height = std::max(0, height);
    repeated = std::clamp(repeated, 0, height);
    TMarkerColumns columns;
    columns.Previous.assign(std::size_t(height), Marked);
    columns.Next.assign(std::size_t(height), Plain);
    std::fill_n(columns.Next.begin(), repeated, Marked);
    return columns;
}

int RepeatedRows(const TDibGraphic& previous, const TDibGraphic& next, int ignoredRight,
                 int expected, int shaded) {
    if (!SameShape(previous, next) || previous.Empty())
        return 0;
    const std::size_t bytes = ComparedBytes(previous, ignoredRight);
    if (bytes == 0)
        return 0;
    return TPagePair(previous, next, bytes).Find(expected, std::max(0, shaded));
}

TRepeatedRows RepeatedRowsUnderShade(const TDibGraphic& previous, const TDibGraphic& next,
                                     int ignoredRight, int expected, int shaded) {
    shaded = std::clamp(shaded, 0, MaxShadedRows);
    if (!SameShape(previous, next) || previous.Empty())
        return {0, shaded};
    const std::size_t bytes = ComparedBytes(previous, ignoredRight);
    if (bytes == 0)
        return {0, shaded};
    const TPagePair pair(previous, next, bytes);
    if (const int rows = pair.Find(expected, shaded); rows > 0)
        return {rows, shaded};
    // Nothing fits as the pages before did: the shade reaches further down on this page (or
    // this is the first page under one). The largest count that fits with the fewest rows
    // left out.
    for (int count = previous.Height() - 1; count >= 1; --count)
        if (const int more = pair.ShadeOf(count, MaxShadedRows); more >= 0)
            return {count, std::max(shaded, more)};
    return {0, shaded};
}

int PageOverlap(const TDibGraphic& previous, const TDibGraphic& next, int ignoredRight,
                int expected) {
    const TMarkerColumns columns =
        MarkerColumns(next.Height(), RepeatedRows(previous, next, ignoredRight, expected));
    return OverlapRows(columns.Previous, columns.Next);
}

TStaticBands StaticBands(const TDibGraphic& before, const TDibGraphic& after, int ignoredRight) {
    if (!SameShape(before, after) || before.Empty())
        return {};
    const std::size_t bytes = ComparedBytes(before, ignoredRight);
    const int height = before.Height();
    TStaticBands bands;
    while (bands.Top < height && SameRow(before, after, bands.Top, bytes))
        ++bands.Top;
    if (bands.Top == height)
        return {};
    while (SameRow(before, after, height - 1 - bands.Bottom, bytes))
        ++bands.Bottom;
    // Content that happens to look the same at the edges (blank margins) is not a tool bar:
    // bands that would leave little of the window are not believed.
    if (height - bands.Top - bands.Bottom < (height + 3) / 4)
        return {};
    return bands;
}

TDibGraphic CopyRows(const TDibGraphic& image, int top, int height) {
    TDibGraphic rows;
    top = std::clamp(top, 0, image.Height());
    height = std::clamp(height, 0, image.Height() - top);
    rows.NewImage(image.Width(), height, image.ImageFormat(), &image.Palette());
    rows.SetPelsPerMeter(image.XPelsPerMeter(), image.YPelsPerMeter());
    for (int row = 0; row < height; ++row)
        std::memcpy(rows.ScanLine(row), image.ScanLine(top + row), image.RowStride());
    return rows;
}

int PageTop(int pageHeight, int page, std::span<const int> overlaps) {
    const std::size_t before = std::min(std::size_t(std::max(0, page)), overlaps.size());
    return page * pageHeight - std::accumulate(overlaps.begin(), overlaps.begin() + before, 0);
}

int StitchedHeight(int pageHeight, int pages, std::span<const int> overlaps) {
    if (pages <= 0)
        return 0;
    return PageTop(pageHeight, pages - 1, overlaps) + pageHeight;
}

void DrawPage(TDibGraphic& image, const TDibGraphic& page, int top, int firstRow) {
    const auto [first, last] = DrawnRows(image, page.Height(), top, firstRow);
    const int width = std::min(page.Width(), image.Width());
    if (width <= 0)
        return;
    const bool sameFormat =
        page.ImageFormat() == image.ImageFormat() && image.ImageFormat() == ifTrueColor;
    for (int row = first; row < last; ++row) {
        if (sameFormat) {
            std::memcpy(image.ScanLine(top + row), page.ScanLine(row), std::size_t(width) * 3);
            continue;
        }
        for (int x = 0; x < width; ++x)
            image.SetPixel(x, top + row, page.Pixel(x, row));
    }
}

TDibGraphic StitchPageFiles(const std::vector<std::string>& pages, std::span<const int> overlaps,
                            const std::string& result, const std::function<void()>& afterPage,
                            int shaded) {
    TDibGraphic joined;
    int pageHeight = 0;
    for (std::size_t page = 0; page < pages.size(); ++page) {
        // The rows this page shares with the page before come from there where this one has
        // them under a shade.
        const int overlap = page == 0 || page > overlaps.size() ? 0 : overlaps[page - 1];
        const int firstRow = std::clamp(shaded, 0, overlap);
        if (page == 0) {
            // The size of the joined picture from the first page's header, or from the
            // first page itself when it is no plain bitmap.
            TDibGraphic first;
            int width = 0;
            {
                const TPlainBitmapFile file(pages[0]);
                width = file.Width;
                pageHeight = file.Height;
            }
            if (pageHeight == 0) {
                first = LoadImageFile(pages[0]);
                width = first.Width();
                pageHeight = first.Height();
            }
            joined.NewImage(width, StitchedHeight(pageHeight, int(pages.size()), overlaps),
                            ifTrueColor);
            if (!first.Empty())
                DrawPage(joined, first, 0);
            else
                DrawPageFile(joined, pages[0], 0, 0);
        } else {
            DrawPageFile(joined, pages[page], PageTop(pageHeight, int(page), overlaps), firstRow);
        }
        std::error_code ignored;
        std::filesystem::remove(pages[page], ignored);
        if (afterPage)
            afterPage();
    }
    SaveImageFile(joined, result);
    return joined;
}
