#include "imaging/anti_alias_transform.h"

#include <array>
#include <cmath>

namespace {

// Maps a byte holding four horizontally adjacent pixels of a row (high nibble, leftmost in
// bit 7) and the four pixels below them (low nibble) to four 4-bit grey levels, packed as
// the two output bytes of a 16-grey row (first pixel in the high nibble). The first three
// pixels count the white bits of their 2 x 2 block (3.75 per bit, so four give 15); the
// fourth has no right neighbour in the group and counts its own two bits at 7.5 each.
using TLevelTable = std::array<std::array<uint8_t, 2>, 256>;

TLevelTable BuildLevelTable() {
    TLevelTable table{};
    for (int byte = 0; byte < 256; ++byte) {
        auto top = [&](int k) { return (byte >> (7 - k)) & 1; };
        auto below = [&](int k) { return (byte >> (3 - k)) & 1; };
        int levels[4];
        for (int k = 0; k < 3; ++k)
            levels[k] = int(std::nearbyint(3.75 * (top(k) + top(k + 1) + below(k) + below(k + 1))));
        levels[3] = int(std::nearbyint(7.5 * (top(3) + below(3))));
        table[byte] = {uint8_t(levels[0] << 4 | levels[1]), uint8_t(levels[2] << 4 | levels[3])};
    }
    return table;
}

const TLevelTable& LevelTable() {
    static const TLevelTable table = BuildLevelTable();
    return table;
}

} // namespace

void TAntiAliasTransform::Apply(TDibGraphic& image) {
    if (image.ImageFormat() == ifBlackWhite)
        TImageTransform::Apply(image);
}

void TAntiAliasTransform::ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) {
    if (ApplyToSameImage(source, dest))
        return;
    BeginProgress();
    if (source.ImageFormat() != ifBlackWhite) {
        dest = source;
        EndProgress();
        return;
    }
    const int width = source.Width(), height = source.Height();
    dest.NewImage(width, height, ifGray16, nullptr, source.XDpi(), source.YDpi());
    const auto& table = LevelTable();
    const std::size_t bytes = (std::size_t(width) + 7) / 8;
    for (int y = 0; y < height; ++y) {
        StepProgress(y, 0, height - 1);
        const uint8_t* row = source.ScanLine(y);
        // The last row has no row below; it stands in for its own lower neighbour.
        const uint8_t* next = y + 1 < height ? source.ScanLine(y + 1) : row;
        uint8_t* out = dest.ScanLine(y);
        for (std::size_t b = 0; b < bytes; ++b) {
            const auto& left = table[(row[b] & 0xF0) | (next[b] >> 4)];
            const auto& right = table[(row[b] & 0x0F) << 4 | (next[b] & 0x0F)];
            out[4 * b] = left[0];
            out[4 * b + 1] = left[1];
            out[4 * b + 2] = right[0];
            out[4 * b + 3] = right[1];
        }
    }
    EndProgress();
}
