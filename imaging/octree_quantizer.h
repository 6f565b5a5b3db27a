// The colour reduction every GIF file is written with.
#pragma once

#include "imaging/dib_graphic.h"

#include <cstdint>
#include <vector>

// Builds a palette of at most `MaxColors` colours by octree quantisation: each colour descends
// eight levels by the bits of red, green and blue, from the highest bit down (child index =
// red bit * 4 + green bit * 2 + blue bit), to a leaf that counts its pixels and sums their
// channels. Whenever there are more leaves than allowed, the most recently created node of
// the deepest level that still has children is merged into a leaf.
class TOctreeQuantizer {
public:
    explicit TOctreeQuantizer(int maxColors);

    void AddColor(uint8_t red, uint8_t green, uint8_t blue);
    // The leaves in depth-first order of child index, each the mean of its pixels
    // (integer division).
    TPalette Palette() const;

private:
    struct TNode {
        uint64_t Count = 0, RedSum = 0, GreenSum = 0, BlueSum = 0;
        int32_t Children[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
        int32_t NextReducible = -1;
        bool Leaf = false;
    };
    static constexpr int Levels = 8;

    int32_t NewNode(int level);
    void FreeNode(int32_t node);
    void ReduceOnce();
    void CollectPalette(int32_t node, TPalette& palette) const;

    int MaxColors_;
    int LeafCount_ = 0;
    std::vector<TNode> Nodes_;
    std::vector<int32_t> FreeNodes_;
    int32_t Reducible_[Levels];
    int32_t Root_;
    // Screenshots repeat colours in long runs: the leaf of the last colour, until the next
    // merge may remove it.
    uint32_t LastColor_ = 0xFFFFFFFF;
    int32_t LastLeaf_ = -1;
};

// The 20 static colours of the system palette: the first ten are entries 0 to 9 of a reduced
// GIF palette, the last ten entries 246 to 255.
const TPalette& StaticSystemColors();

// Reduces any image to 256 colours the way every GIF is written: 236 octree colours at
// entries 10 to 245, the static colours around them, and each pixel mapped without dithering
// to the entry with the smallest sum of absolute channel differences (first entry wins). The
// answer is remembered per cell of the 15-bit colour space, each palette colour having been
// entered in its cell first. The result is 256 colour, same size and resolution. Large
// pictures are mapped on every processor (parallel_rows.h), with the same result.
TDibGraphic ReduceColorsForGif(const TDibGraphic& image);
