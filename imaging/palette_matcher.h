// Nearest palette entry of many colours at once.
//
// Gives exactly TDibGraphic::NearestPaletteIndex's answer (smallest squared distance over red,
// green and blue, the first such entry winning) but stays fast when a whole screenshot is
// mapped: the colour cube is cut into 32 x 32 x 32 cells, and each cell, when first met,
// keeps only the entries that can be nearest to some colour inside it. An entry is kept
// when its distance to the cell's nearest corner region is at most the smallest "farthest
// distance" of any entry to the cell, which no true nearest entry (or entry tied with it)
// can exceed. The kept entries stay in index order, so ties still go to the first entry.
#pragma once

#include "imaging/dib_graphic.h"

#include <array>
#include <cstdint>
#include <vector>

class TPaletteMatcher {
public:
    explicit TPaletteMatcher(const TPalette& palette);

    // Index of the nearest entry; 0 for an empty palette.
    int Nearest(int red, int green, int blue) {
        if (Palette_.empty())
            return 0;
        const int cell = CellOf(red, green, blue);
        if (CellFirst_[std::size_t(cell)] < 0)
            BuildCell(cell);
        return NearestIn(cell, red, green, blue);
    }
    int Nearest(uint32_t color) {
        return Nearest(ColorRed(color), ColorGreen(color), ColorBlue(color));
    }

    // Learns the cells of every colour of a true-colour picture, on every processor
    // (parallel_rows.h). Afterwards NearestLearnt of those colours gives Nearest's answer
    // without changing the matcher, so several threads may ask at once.
    void LearnColorsOf(const TDibGraphic& trueColor);
    int NearestLearnt(int red, int green, int blue) const {
        return Palette_.empty() ? 0 : NearestIn(CellOf(red, green, blue), red, green, blue);
    }

    const TPalette& Palette() const { return Palette_; }

private:
    static int CellOf(int red, int green, int blue) {
        return ((red >> 3) << 10) | ((green >> 3) << 5) | (blue >> 3);
    }
    // The entries kept for `cell`, appended to `entries`; returns how many.
    int CellEntries(int cell, std::vector<uint8_t>& entries) const;
    void BuildCell(int cell);
    int NearestIn(int cell, int red, int green, int blue) const {
        const uint8_t* entries = CellEntries_.data() + CellFirst_[std::size_t(cell)];
        const int count = CellCount_[std::size_t(cell)];
        int best = entries[0];
        int bestDistance = 1 << 30;
        for (int k = 0; k < count; ++k) {
            const TPaletteEntry& e = Palette_[entries[k]];
            const int dr = red - e.Red, dg = green - e.Green, db = blue - e.Blue;
            const int distance = dr * dr + dg * dg + db * db;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = entries[k];
            }
        }
        return best;
    }

    TPalette Palette_;
    // The channels of the entries each in an array of its own, for loops over every entry.
    std::array<int32_t, 256> Red_{}, Green_{}, Blue_{};
    std::vector<int32_t> CellFirst_; // offset into CellEntries_, -1 while not built
    std::vector<uint16_t> CellCount_;
    std::vector<uint8_t> CellEntries_;
};
