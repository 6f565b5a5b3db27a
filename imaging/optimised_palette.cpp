#include "imaging/optimised_palette.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

// 5 bits of each channel: red in bits 0..4, green in 5..9, blue in 10..14.
constexpr int KeyCount = 1 << 15;

inline int ColorKey(int red, int green, int blue) {
    return (red >> 3) | (green >> 3) << 5 | (blue >> 3) << 10;
}

// Occurrences of each key, each counter stopping at 65535.
std::vector<uint16_t> Histogram(const TDibGraphic& image) {
    std::vector<uint16_t> counts(KeyCount, 0);
    const auto count = [&](int key) {
        if (counts[key] != 0xFFFF)
            ++counts[key];
    };
    const int width = image.Width();
    if (image.ImageFormat() == ifTrueColor) {
        for (int y = 0; y < image.Height(); ++y) {
            const uint8_t* bgr = image.ScanLine(y);
            for (int x = 0; x < width; ++x, bgr += 3)
                count(ColorKey(bgr[2], bgr[1], bgr[0]));
        }
        return counts;
    }
    std::array<int, 256> keyOfIndex{};
    const auto& palette = image.Palette();
    for (std::size_t i = 0; i < palette.size(); ++i)
        keyOfIndex[i] = ColorKey(palette[i].Red, palette[i].Green, palette[i].Blue);
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < width; ++x)
            count(keyOfIndex[image.PixelIndex(x, y)]);
    return counts;
}

// Images with few distinct colours keep colours met only three times; busy ones need more
// occurrences, so that noise does not crowd out the colours that matter.
int CandidateThreshold(int distinctKeys) {
    if (distinctKeys < 1250)
        return 2;
    if (distinctKeys < 2500)
        return 5;
    if (distinctKeys < 5000)
        return 10;
    if (distinctKeys < 10000)
        return 15;
    return 20;
}

struct TCandidates {
    std::vector<int> Red, Green, Blue;
    std::size_t Size() const { return Red.size(); }
    void Swap(std::size_t a, std::size_t b) {
        std::swap(Red[a], Red[b]);
        std::swap(Green[a], Green[b]);
        std::swap(Blue[a], Blue[b]);
    }
};

// Moves the n chosen candidates to the front. Candidate p scores the sum over the chosen q
// of 2^30 div dist(q, p) (squared distance); the next one chosen is the lowest score, the
// first of equal scores, or simply the next in the list when no score is below 2^30.
// Each round adds only the newly chosen candidate's term to every score, which gives the
// same sums as recomputing them over all chosen candidates.
void SelectFarthest(TCandidates& candidates, int n, const std::function<void(int)>& progress) {
    constexpr int64_t Unit = int64_t(1) << 30;
    const std::size_t m = candidates.Size();
    auto& red = candidates.Red;
    auto& green = candidates.Green;
    auto& blue = candidates.Blue;

    std::size_t chosen = 0;
    int nearestToWhite = INT32_MAX;
    for (std::size_t p = 0; p < m; ++p) {
        const int dr = 255 - red[p], dg = 255 - green[p], db = 255 - blue[p];
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < nearestToWhite) {
            nearestToWhite = distance;
            chosen = p;
        }
    }

    std::vector<int64_t> scores(m, 0);
    for (int i = 0; i < n; ++i) {
        if (progress)
            progress(i * 100 / n);
        candidates.Swap(chosen, std::size_t(i));
        std::swap(scores[chosen], scores[i]);
        const int r = red[i], g = green[i], b = blue[i];
        // 2^30 / d in double precision truncates to exactly 2^30 div d: the quotient is
        // correctly rounded and no integer quotient lies within its rounding error.
        for (std::size_t p = std::size_t(i) + 1; p < m; ++p) {
            const int dr = red[p] - r, dg = green[p] - g, db = blue[p] - b;
            const int distance = dr * dr + dg * dg + db * db;
            scores[p] += distance == 0 ? Unit : int64_t(double(Unit) / double(distance));
        }
        chosen = std::size_t(i) + 1;
        int64_t best = Unit;
        for (std::size_t p = std::size_t(i) + 1; p < m; ++p)
            if (scores[p] < best) {
                best = scores[p];
                chosen = p;
            }
    }
}

} // namespace

TPalette BuildOptimisedPalette(const TDibGraphic& image, int colorCount,
                               const std::function<void(int percent)>& progress) {
    const int n = std::clamp(colorCount, 0, 256);
    const auto counts = Histogram(image);
    const int distinct =
        int(std::count_if(counts.begin(), counts.end(), [](uint16_t c) { return c > 0; }));
    const int threshold = CandidateThreshold(distinct);

    TCandidates candidates;
    for (int key = 0; key < KeyCount; ++key)
        if (counts[key] > threshold) {
            candidates.Red.push_back((key & 31) << 3);
            candidates.Green.push_back(((key >> 5) & 31) << 3);
            candidates.Blue.push_back(((key >> 10) & 31) << 3);
        }
    if (candidates.Size() > std::size_t(n))
        SelectFarthest(candidates, n, progress);

    TPalette palette(n); // black beyond the candidates
    for (std::size_t i = 0; i < palette.size() && i < candidates.Size(); ++i)
        palette[i] = {uint8_t(candidates.Red[i]), uint8_t(candidates.Green[i]),
                      uint8_t(candidates.Blue[i])};
    return palette;
}
