#include "imaging/octree_quantizer.h"

#include "imaging/parallel_rows.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <mutex>
#include <utility>

TOctreeQuantizer::TOctreeQuantizer(int maxColors) : MaxColors_(maxColors < 1 ? 1 : maxColors) {
    for (int32_t& head : Reducible_)
        head = -1;
    Nodes_.reserve(std::size_t(MaxColors_) * Levels + 64);
    Root_ = NewNode(0);
}

int32_t TOctreeQuantizer::NewNode(int level) {
    int32_t node;
    if (!FreeNodes_.empty()) {
        node = FreeNodes_.back();
        FreeNodes_.pop_back();
        Nodes_[std::size_t(node)] = TNode();
    } else {
        node = int32_t(Nodes_.size());
        Nodes_.emplace_back();
    }
    TNode& created = Nodes_[std::size_t(node)];
    if (level == Levels) {
        created.Leaf = true;
        ++LeafCount_;
    } else {
        created.NextReducible = Reducible_[level];
        Reducible_[level] = node;
    }
    return node;
}

void TOctreeQuantizer::FreeNode(int32_t node) {
    FreeNodes_.push_back(node);
}

void TOctreeQuantizer::AddColor(uint8_t red, uint8_t green, uint8_t blue) {
    const uint32_t color = MakeColor(red, green, blue);
    int32_t node = color == LastColor_ ? LastLeaf_ : Root_;
    for (int level = 0; !Nodes_[std::size_t(node)].Leaf; ++level) {
        const int shift = 7 - level;
        const int child =
            (((red >> shift) & 1) << 2) | (((green >> shift) & 1) << 1) | ((blue >> shift) & 1);
        int32_t next = Nodes_[std::size_t(node)].Children[child];
        if (next < 0) {
            next = NewNode(level + 1); // may move Nodes_: index again below
            Nodes_[std::size_t(node)].Children[child] = next;
        }
        node = next;
    }
    TNode& leaf = Nodes_[std::size_t(node)];
    ++leaf.Count;
    leaf.RedSum += red;
    leaf.GreenSum += green;
    leaf.BlueSum += blue;
    LastColor_ = color;
    LastLeaf_ = node;
    while (LeafCount_ > MaxColors_)
        ReduceOnce();
}

void TOctreeQuantizer::ReduceOnce() {
    int level = Levels - 1;
    while (level > 0 && Reducible_[level] < 0)
        --level;
    const int32_t node = Reducible_[level];
    if (node < 0)
        return;
    TNode& merged = Nodes_[std::size_t(node)];
    Reducible_[level] = merged.NextReducible;
    int children = 0;
    for (int32_t& child : merged.Children) {
        if (child < 0)
            continue;
        const TNode& old = Nodes_[std::size_t(child)];
        merged.Count += old.Count;
        merged.RedSum += old.RedSum;
        merged.GreenSum += old.GreenSum;
        merged.BlueSum += old.BlueSum;
        FreeNode(child);
        child = -1;
        ++children;
    }
    merged.Leaf = true;
    LeafCount_ -= children - 1;
    LastColor_ = 0xFFFFFFFF;
}

void TOctreeQuantizer::CollectPalette(int32_t node, TPalette& palette) const {
    const TNode& current = Nodes_[std::size_t(node)];
    if (current.Leaf) {
        if (current.Count == 0)
            palette.push_back({0, 0, 0});
        else
            palette.push_back({uint8_t(current.RedSum / current.Count),
                               uint8_t(current.GreenSum / current.Count),
                               uint8_t(current.BlueSum / current.Count)});
        return;
    }
    for (int32_t child : current.Children)
        if (child >= 0)
            CollectPalette(child, palette);
}

TPalette TOctreeQuantizer::Palette() const {
    TPalette palette;
    CollectPalette(Root_, palette);
    return palette;
}

const TPalette& StaticSystemColors() {
    static const TPalette colors{
        {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
        {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
        {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
        {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
    return colors;
}

namespace {

constexpr int QuantizedColors = 236;
constexpr int FirstQuantizedEntry = 10;

// Blue, green, red of every pixel of one row, whatever the image's format.
class TRowColors {
public:
    explicit TRowColors(const TDibGraphic& image) : Image_(image) {
        Row_.resize(std::size_t(image.Width()) * 3);
        const TPalette& palette = image.Palette();
        for (std::size_t i = 0; i < palette.size() && i < 256; ++i)
            Colors_[i] = {palette[i].Blue, palette[i].Green, palette[i].Red};
    }
    const uint8_t* operator()(int y) {
        const uint8_t* source = Image_.ScanLine(y);
        const int bits = Image_.BitsPerPixel();
        if (bits == 24)
            return source;
        uint8_t* target = Row_.data();
        for (int x = 0; x < Image_.Width(); ++x, target += 3) {
            const int index = bits == 8   ? source[x]
                              : bits == 4 ? ((x & 1) ? source[x >> 1] & 15 : source[x >> 1] >> 4)
                                          : (source[x >> 3] >> (7 - (x & 7))) & 1;
            target[0] = Colors_[std::size_t(index)][0];
            target[1] = Colors_[std::size_t(index)][1];
            target[2] = Colors_[std::size_t(index)][2];
        }
        return Row_.data();
    }

private:
    const TDibGraphic& Image_;
    std::vector<uint8_t> Row_;
    std::array<std::array<uint8_t, 3>, 256> Colors_{};
};

int Cell(int red, int green, int blue) {
    return ((red >> 3) << 10) | ((green >> 3) << 5) | (blue >> 3);
}

} // namespace

TDibGraphic ReduceColorsForGif(const TDibGraphic& image) {
    const int width = image.Width(), height = image.Height();
    TRowColors rowColors(image);

    TOctreeQuantizer quantizer(QuantizedColors);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = rowColors(y);
        for (int x = 0; x < width; ++x, row += 3)
            quantizer.AddColor(row[2], row[1], row[0]);
    }

    TPalette palette(256);
    const TPalette& system = StaticSystemColors();
    for (int i = 0; i < 10; ++i) {
        palette[std::size_t(i)] = system[std::size_t(i)];
        palette[std::size_t(246 + i)] = system[std::size_t(10 + i)];
    }
    const TPalette quantized = quantizer.Palette();
    for (std::size_t i = 0; i < quantized.size() && i < QuantizedColors; ++i)
        palette[FirstQuantizedEntry + i] = quantized[i];

    // The nearest entry per 15-bit cell: -1 until the first colour of the cell asks.
    std::vector<int16_t> nearest(1 << 15, -1);
    for (int i = 0; i < 256; ++i) {
        const TPaletteEntry& e = palette[std::size_t(i)];
        int16_t& slot = nearest[std::size_t(Cell(e.Red, e.Green, e.Blue))];
        if (slot < 0)
            slot = int16_t(i);
    }
    auto findNearest = [&](int red, int green, int blue) {
        int best = 0, bestDistance = 1 << 30;
        for (int i = 0; i < 256; ++i) {
            const TPaletteEntry& e = palette[std::size_t(i)];
            const int distance =
                std::abs(red - e.Red) + std::abs(green - e.Green) + std::abs(blue - e.Blue);
            if (distance < bestDistance) {
                bestDistance = distance;
                best = i;
            }
        }
        return best;
    };

    TDibGraphic result;
    result.NewImage(width, height, ifColor256, &palette);
    result.SetPelsPerMeter(image.XPelsPerMeter(), image.YPelsPerMeter());
    const std::size_t rowBytes = std::size_t(width) * 3;
    if (RowThreads(height, rowBytes) == 1) {
        for (int y = 0; y < height; ++y) {
            const uint8_t* row = rowColors(y);
            uint8_t* target = result.ScanLine(y);
            for (int x = 0; x < width; ++x, row += 3) {
                int16_t& slot = nearest[std::size_t(Cell(row[2], row[1], row[0]))];
                if (slot < 0)
                    slot = int16_t(findNearest(row[2], row[1], row[0]));
                target[x] = uint8_t(slot);
            }
        }
        return result;
    }

    // On several threads: a cell's answer is that of the first colour in reading order that
    // falls in it. Each band of rows notes its own first colour of every cell, and the band
    // nearest the top decides; the answers are then found, and the rows mapped, on every
    // processor.
    std::vector<std::pair<int, std::vector<uint32_t>>> bandFirsts; // by first row
    std::mutex lock;
    ForEachRowBand(height, rowBytes, [&](int first, int end) {
        TRowColors colors(image);
        std::vector<uint32_t> firsts(nearest.size(), 0); // colour + 1, 0 while none
        for (int y = first; y < end; ++y) {
            const uint8_t* row = colors(y);
            for (int x = 0; x < width; ++x, row += 3) {
                uint32_t& firstColor = firsts[std::size_t(Cell(row[2], row[1], row[0]))];
                if (firstColor == 0)
                    firstColor = MakeColor(row[2], row[1], row[0]) + 1;
            }
        }
        std::lock_guard guard(lock);
        bandFirsts.emplace_back(first, std::move(firsts));
    });
    std::sort(bandFirsts.begin(), bandFirsts.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::pair<int, uint32_t>> asked; // cell, its first colour
    for (std::size_t cell = 0; cell < nearest.size(); ++cell) {
        if (nearest[cell] >= 0)
            continue;
        for (const auto& band : bandFirsts)
            if (band.second[cell] != 0) {
                asked.emplace_back(int(cell), band.second[cell] - 1);
                break;
            }
    }
    bandFirsts.clear();
    ForEachRowBand(int(asked.size()), 256 * 4, [&](int first, int end) {
        for (int i = first; i < end; ++i) {
            const uint32_t color = asked[std::size_t(i)].second;
            nearest[std::size_t(asked[std::size_t(i)].first)] =
                int16_t(findNearest(ColorRed(color), ColorGreen(color), ColorBlue(color)));
        }
    });
    ForEachRowBand(height, rowBytes, [&](int first, int end) {
        TRowColors colors(image);
        for (int y = first; y < end; ++y) {
            const uint8_t* row = colors(y);
            uint8_t* target = result.ScanLine(y);
            for (int x = 0; x < width; ++x, row += 3)
                target[x] = uint8_t(nearest[std::size_t(Cell(row[2], row[1], row[0]))]);
        }
    });
    return result;
}
