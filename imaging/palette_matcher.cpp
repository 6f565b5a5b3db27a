#include "imaging/palette_matcher.h"

#include <algorithm>
#include <limits>

namespace {

constexpr int CellBits = 3; // each cell spans 8 levels of each channel
constexpr int CellsPerSide = 256 >> CellBits;

// Squared distance from `value` to the nearest and to the farthest level of [low, high].
int NearSquare(int value, int low, int high) {
    const int d = value < low ? low - value : (value > high ? value - high : 0);
    return d * d;
}
int FarSquare(int value, int low, int high) {
    const int d = std::max(value - low, high - value);
    return d * d;
}

} // namespace

TPaletteMatcher::TPaletteMatcher(const TPalette& palette)
    : Palette_(palette.begin(), palette.begin() + std::min<std::size_t>(palette.size(), 256)),
      CellFirst_(CellsPerSide * CellsPerSide * CellsPerSide, -1), CellCount_(CellFirst_.size(), 0) {
}

void TPaletteMatcher::BuildCell(int cell) {
    const int redLow = (cell >> (2 * 5)) << CellBits;
    const int greenLow = ((cell >> 5) & (CellsPerSide - 1)) << CellBits;
    const int blueLow = (cell & (CellsPerSide - 1)) << CellBits;
    const int span = (1 << CellBits) - 1;

    int bound = std::numeric_limits<int>::max();
    for (const auto& e : Palette_)
        bound = std::min(bound, FarSquare(e.Red, redLow, redLow + span) +
                                    FarSquare(e.Green, greenLow, greenLow + span) +
                                    FarSquare(e.Blue, blueLow, blueLow + span));
    CellFirst_[cell] = int32_t(CellEntries_.size());
    for (std::size_t i = 0; i < Palette_.size(); ++i) {
        const auto& e = Palette_[i];
        const int nearest = NearSquare(e.Red, redLow, redLow + span) +
                            NearSquare(e.Green, greenLow, greenLow + span) +
                            NearSquare(e.Blue, blueLow, blueLow + span);
        if (nearest <= bound) {
            CellEntries_.push_back(uint8_t(i));
            ++CellCount_[cell];
        }
    }
}

int TPaletteMatcher::Nearest(int red, int green, int blue) {
    if (Palette_.empty())
        return 0;
    const int cell = ((red >> CellBits) << 10) | ((green >> CellBits) << 5) | (blue >> CellBits);
    if (CellFirst_[cell] < 0)
        BuildCell(cell);
    const uint8_t* entries = CellEntries_.data() + CellFirst_[cell];
    const int count = CellCount_[cell];
    int best = entries[0];
    int bestDistance = std::numeric_limits<int>::max();
    for (int k = 0; k < count; ++k) {
        const auto& e = Palette_[entries[k]];
        const int dr = red - e.Red, dg = green - e.Green, db = blue - e.Blue;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = entries[k];
        }
    }
    return best;
}
