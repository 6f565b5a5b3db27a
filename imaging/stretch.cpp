#include "imaging/stretch.h"

#include "imaging/bgr_rows_p.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

struct TContributor {
    int Index;
    float Weight;
};

// For each of `to` destination pixels, the source pixels (of `from`) its area overlaps and
// the share of it each covers. Measured in units of 1 / (from * to) of the whole length,
// source pixel j spans [j * to, (j + 1) * to) and destination pixel i spans
// [i * from, (i + 1) * from), so every overlap is a whole number of units.
std::vector<std::vector<TContributor>> AreaContributors(int from, int to) {
    std::vector<std::vector<TContributor>> lists(to);
    for (int i = 0; i < to; ++i) {
        const int64_t start = int64_t(i) * from, end = start + from;
        for (int64_t j = start / to; j < from && j * to < end; ++j) {
            const int64_t overlap = std::min(end, (j + 1) * to) - std::max(start, j * to);
            if (overlap > 0)
                lists[i].push_back({int(j), float(double(overlap) / double(from))});
        }
    }
    return lists;
}

bool SamePalettes(const TDibGraphic& a, const TDibGraphic& b) {
    return a.ImageFormat() == b.ImageFormat() && a.Palette() == b.Palette();
}

} // namespace

void StretchDropPixels(const TDibGraphic& source, TDibGraphic& dest) {
    const int width = dest.Width(), height = dest.Height();
    if (source.Empty() || dest.Empty())
        return;
    std::vector<int> sourceX(width);
    for (int x = 0; x < width; ++x)
        sourceX[x] = int(int64_t(x) * source.Width() / width);

    if (SamePalettes(source, dest)) {
        const int bits = source.BitsPerPixel();
        for (int y = 0; y < height; ++y) {
            const int sy = int(int64_t(y) * source.Height() / height);
            const uint8_t* in = source.ScanLine(sy);
            uint8_t* out = dest.ScanLine(y);
            if (bits == 24) {
                for (int x = 0; x < width; ++x)
                    std::memcpy(out + 3 * x, in + 3 * sourceX[x], 3);
            } else if (bits == 8) {
                for (int x = 0; x < width; ++x)
                    out[x] = in[sourceX[x]];
            } else {
                for (int x = 0; x < width; ++x)
                    dest.SetPixelIndex(x, y, source.PixelIndex(sourceX[x], sy));
            }
        }
        return;
    }

    TDibGraphic expanded;
    const TDibGraphic& colors = AsTrueColor(source, expanded);
    TBgrRowWriter writer(dest);
    std::vector<uint8_t> row(std::size_t(width) * 3);
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = colors.ScanLine(int(int64_t(y) * source.Height() / height));
        for (int x = 0; x < width; ++x)
            std::memcpy(row.data() + 3 * x, in + 3 * sourceX[x], 3);
        writer.Write(y, row.data());
    }
}

void StretchAreaAverage(const TDibGraphic& source, TDibGraphic& dest) {
    const int width = dest.Width(), height = dest.Height();
    if (source.Empty() || dest.Empty())
        return;
    const auto columns = AreaContributors(source.Width(), width);
    const auto rows = AreaContributors(source.Height(), height);

    TDibGraphic expanded;
    const TDibGraphic& colors = AsTrueColor(source, expanded);
    TBgrRowWriter writer(dest);
    const std::size_t values = std::size_t(width) * 3;
    // Destination rows take their source rows in ascending order and a row shares at most its
    // first source row with the row before, so one horizontally averaged row is kept.
    std::vector<float> averaged(values), sums(values);
    int averagedRow = -1;
    std::vector<uint8_t> out(values);
    for (int y = 0; y < height; ++y) {
        std::fill(sums.begin(), sums.end(), 0.0f);
        for (const auto& [sourceRow, rowWeight] : rows[y]) {
            if (sourceRow != averagedRow) {
                const uint8_t* in = colors.ScanLine(sourceRow);
                for (int x = 0; x < width; ++x) {
                    float blue = 0, green = 0, red = 0;
                    for (const auto& [sourceX, weight] : columns[x]) {
                        blue += weight * in[3 * sourceX];
                        green += weight * in[3 * sourceX + 1];
                        red += weight * in[3 * sourceX + 2];
                    }
                    averaged[3 * x] = blue;
                    averaged[3 * x + 1] = green;
                    averaged[3 * x + 2] = red;
                }
                averagedRow = sourceRow;
            }
            for (std::size_t i = 0; i < values; ++i)
                sums[i] += rowWeight * averaged[i];
        }
        for (std::size_t i = 0; i < values; ++i)
            out[i] = uint8_t(std::clamp(std::nearbyint(sums[i]), 0.0f, 255.0f));
        writer.Write(y, out.data());
    }
}
