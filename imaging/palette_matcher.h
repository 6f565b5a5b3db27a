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

#include <cstdint>
#include <vector>

class TPaletteMatcher {
public:
    explicit TPaletteMatcher(const TPalette& palette);

    // Index of the nearest entry; 0 for an empty palette.
    int Nearest(int red, int green, int blue);
    int Nearest(uint32_t color) {
        return Nearest(ColorRed(color), ColorGreen(color), ColorBlue(color));
    }

    const TPalette& Palette() const { return Palette_; }

private:
    void BuildCell(int cell);

    TPalette Palette_;
    std::vector<int32_t> CellFirst_; // offset into CellEntries_, -1 while not built
    std::vector<uint16_t> CellCount_;
    std::vector<uint8_t> CellEntries_;
};
