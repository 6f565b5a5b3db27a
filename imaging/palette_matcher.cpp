#include "imaging/palette_matcher.h"

#include "imaging/parallel_rows.h"

#include <algorithm>
#include <mutex>

namespace {

constexpr int CellBits = 3; // each cell spans 8 levels of each channel
constexpr int CellsPerSide = 256 >> CellBits;
constexpr int CellCount = CellsPerSide * CellsPerSide * CellsPerSide;

} // namespace

TPaletteMatcher::TPaletteMatcher(const TPalette& palette)
    : Palette_(palette.begin(), palette.begin() + std::min<std::size_t>(palette.size(), 256)),
      CellFirst_(CellCount, -1), CellCount_(CellFirst_.size(), 0) {
    for (std::size_t i = 0; i < Palette_.size(); ++i) {
        Red_[i] = Palette_[i].Red;
        Green_[i] = Palette_[i].Green;
        Blue_[i] = Palette_[i].Blue;
    }
}

int TPaletteMatcher::CellEntries(int cell, std::vector<uint8_t>& entries) const {
    const int redLow = (cell >> (2 * 5)) << CellBits;
    const int greenLow = ((cell >> 5) & (CellsPerSide - 1)) << CellBits;
    const int blueLow = (cell & (CellsPerSide - 1)) << CellBits;
    const int span = (1 << CellBits) - 1;
    const int redHigh = redLow + span, greenHigh = greenLow + span, blueHigh = blueLow + span;
    const int n = int(Palette_.size());

    // Squared distances from each entry to the farthest and to the nearest colour of the
    // cell, channel by channel: written without branches, so that each loop goes over the
    // entries several at a time.
    int bound = 1 << 30;
    for (int i = 0; i < n; ++i) {
        const int dr = std::max(Red_[i] - redLow, redHigh - Red_[i]);
        const int dg = std::max(Green_[i] - greenLow, greenHigh - Green_[i]);
        const int db = std::max(Blue_[i] - blueLow, blueHigh - Blue_[i]);
        bound = std::min(bound, dr * dr + dg * dg + db * db);
    }
    std::array<int32_t, 256> nearest;
    for (int i = 0; i < n; ++i) {
        const int dr = std::max(redLow - Red_[i], 0) + std::max(Red_[i] - redHigh, 0);
        const int dg = std::max(greenLow - Green_[i], 0) + std::max(Green_[i] - greenHigh, 0);
        const int db = std::max(blueLow - Blue_[i], 0) + std::max(Blue_[i] - blueHigh, 0);
        nearest[std::size_t(i)] = dr * dr + dg * dg + db * db;
    }
    int count = 0;
    for (int i = 0; i < n; ++i)
        if (nearest[std::size_t(i)] <= bound) {
            entries.push_back(uint8_t(i));
            ++count;
        }
    return count;
}

void TPaletteMatcher::BuildCell(int cell) {
    CellFirst_[std::size_t(cell)] = int32_t(CellEntries_.size());
    CellCount_[std::size_t(cell)] = uint16_t(CellEntries(cell, CellEntries_));
}

void TPaletteMatcher::LearnColorsOf(const TDibGraphic& trueColor) {
    if (Palette_.empty() || trueColor.Empty())
        return;
    // The cells the picture's colours fall in: each band marks its own, then they are merged.
    const int width = trueColor.Width();
    std::vector<uint8_t> used(CellCount, 0);
    std::mutex lock;
    ForEachRowBand(
        trueColor.Height(), std::size_t(width) * 3,
        [&](int first, int end) {
            std::vector<uint8_t> marks(CellCount, 0);
            for (int y = first; y < end; ++y) {
                const uint8_t* bgr = trueColor.ScanLine(y);
                for (int x = 0; x < width; ++x, bgr += 3)
                    marks[std::size_t(CellOf(bgr[2], bgr[1], bgr[0]))] = 1;
            }
            std::lock_guard guard(lock);
            for (std::size_t i = 0; i < used.size(); ++i)
                used[i] |= marks[i];
        },
        1);
    std::vector<int> cells;
    for (int cell = 0; cell < CellCount; ++cell)
        if (used[std::size_t(cell)] && CellFirst_[std::size_t(cell)] < 0)
            cells.push_back(cell);

    // Those cells not yet known, shared out in runs; each run's entries then join the rest.
    // A cell takes some hundreds of bytes' worth of work.
    const std::size_t runCount = (cells.size() + 63) / 64;
    const int runs = int(runCount);
    std::vector<std::vector<uint8_t>> runEntries(runCount);
    std::vector<uint16_t> counts(cells.size());
    ForEachRowBand(runs, 64 * 256, [&](int first, int end) {
        for (int run = first; run < end; ++run) {
            const std::size_t from = std::size_t(run) * 64;
            const std::size_t to = std::min(cells.size(), from + 64);
            for (std::size_t i = from; i < to; ++i)
                counts[i] = uint16_t(CellEntries(cells[i], runEntries[std::size_t(run)]));
        }
    });
    for (int run = 0; run < runs; ++run) {
        std::size_t offset = CellEntries_.size();
        CellEntries_.insert(CellEntries_.end(), runEntries[std::size_t(run)].begin(),
                            runEntries[std::size_t(run)].end());
        const std::size_t from = std::size_t(run) * 64;
        const std::size_t to = std::min(cells.size(), from + 64);
        for (std::size_t i = from; i < to; ++i) {
            CellFirst_[std::size_t(cells[i])] = int32_t(offset);
            CellCount_[std::size_t(cells[i])] = counts[i];
            offset += counts[i];
        }
    }
}
