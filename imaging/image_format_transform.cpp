#include "imaging/image_format_transform.h"

#include "imaging/bgr_rows_p.h"
#include "imaging/optimised_palette.h"
#include "imaging/parallel_rows.h"

#include "base/worker_threads.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace {

inline int ClampByte(int value) {
    return std::clamp(value, 0, 255);
}

} // namespace

void TImageFormatTransform::Apply(TDibGraphic& image) {
    if (image.ImageFormat() != TargetFormat)
        TImageTransform::Apply(image);
}

void TImageFormatTransform::ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) {
    if (ApplyToSameImage(source, dest))
        return;
    BeginProgress();
    const TPalette* palette = nullptr;
    if (TargetFormat == ifColor16 || TargetFormat == ifColor256) {
        const int entries = TargetFormat == ifColor16 ? 16 : 256;
        if (Optimise) {
            // The palette is the first half of the work when the pixels are diffused after it,
            // nearly all of it when they are only mapped.
            const int end = Dither ? 200 : 99;
            Palette = BuildOptimisedPalette(source, entries,
                                            [&](int percent) { StepProgress(percent, 0, end); });
        } else if (Palette.empty()) {
            Palette = DefaultPalette(TargetFormat);
        }
        // A 4-bit pixel cannot name more than 16 entries.
        if (Palette.size() > std::size_t(entries))
            Palette.resize(entries);
        palette = &Palette;
    }
    TDibGraphic result;
    result.NewImage(source.Width(), source.Height(), TargetFormat, palette, source.XDpi(),
                    source.YDpi());
    if (Dither && TargetFormat != ifTrueColor) {
        Diffuse(source, result);
    } else {
        TDibGraphic expanded;
        const TDibGraphic& colors = AsTrueColor(source, expanded);
        const int width = source.Width();
        if (TargetFormat == ifTrueColor) {
            ForEachRowBand(source.Height(), std::size_t(width) * 3, [&](int first, int end) {
                for (int y = first; y < end; ++y)
                    std::memcpy(result.ScanLine(y), colors.ScanLine(y), std::size_t(width) * 3);
            });
        } else {
            // Every pixel its nearest entry. The matcher learns the picture's cells first, so
            // that the rows can then be mapped on every processor at once.
            TPaletteMatcher matcher(result.Palette());
            matcher.LearnColorsOf(colors);
            const bool byteIndices = result.BitsPerPixel() == 8;
            ForEachRowBand(source.Height(), std::size_t(width) * 3, [&](int first, int end) {
                for (int y = first; y < end; ++y) {
                    const uint8_t* bgr = colors.ScanLine(y);
                    uint8_t* out = result.ScanLine(y);
                    for (int x = 0; x < width; ++x, bgr += 3) {
                        const int index = matcher.NearestLearnt(bgr[2], bgr[1], bgr[0]);
                        if (byteIndices)
                            out[x] = uint8_t(index);
                        else
                            result.SetPixelIndex(x, y, index);
                    }
                }
            });
        }
    }
    dest = std::move(result);
    EndProgress();
}

// Error diffusion row by row. Each pixel's error against the entry it gets is passed on in
// sixteenths: 7 to the right, 3 below left, 5 below, 1 below right. The first and last pixel
// of a row pass nothing on, and every stored value is limited to 0..255 - so an error that
// would darken the next row is dropped.
//
// Several rows are diffused at once, each a little behind the row above it: pixel x of a row
// needs the errors of the row above up to pixel x + 2 (the one that passes on last to x + 1,
// whose colour pixel x changes), so a row goes on only as far as the row above has come. Every
// value is then computed from the very same values, in the same order, as row after row.
void TImageFormatTransform::Diffuse(const TDibGraphic& source, TDibGraphic& dest) {
    const int width = source.Width(), height = source.Height();
    if (width == 0 || height == 0)
        return;
    const TPalette& palette = dest.Palette();
    TDibGraphic expanded;
    const TDibGraphic& colors = AsTrueColor(source, expanded);
    const bool byteIndices = dest.BitsPerPixel() == 8;
    const std::size_t channels = std::size_t(width) * 3;

    // Each thread its own matcher and row of colours (channel 0 blue, 1 green, 2 red, as the
    // rows hold them). The errors passed into a row are in a ring of buffers: a row clears the
    // one for the row below when it starts, by when the row that last used it has finished
    // (rows finish in order, and no more rows than threads are under way).
    const unsigned threads = RowThreads(height, channels * 4);
    struct TThreadState {
        TPaletteMatcher Matcher;
        std::vector<int> Current;
    };
    std::vector<TThreadState> states;
    states.reserve(threads);
    for (unsigned i = 0; i < threads; ++i)
        states.push_back({TPaletteMatcher(palette), std::vector<int>(channels)});
    const std::size_t ringSize = threads + 2;
    std::vector<std::vector<int>> incoming(ringSize, std::vector<int>(channels, 0));
    // Pixels finished in each row, for the row below to wait on.
    const std::unique_ptr<std::atomic<int>[]> finished(new std::atomic<int>[std::size_t(height)]);
    for (int y = 0; y < height; ++y)
        finished[std::size_t(y)].store(0, std::memory_order_relaxed);
    std::atomic<int> nextRow{0}, rowsDone{0};
    std::atomic<unsigned> nextState{0};
    TFirstError failure;
    const std::thread::id caller = std::this_thread::get_id();
    constexpr int Step = 32; // pixels between two reports of how far a row has come

    const auto diffuseRow = [&](int y, TThreadState& state) {
        const std::vector<int>& below = incoming[std::size_t(y) % ringSize];
        std::vector<int>& next = incoming[std::size_t(y + 1) % ringSize];
        std::fill(next.begin(), next.end(), 0);
        std::vector<int>& current = state.Current;
        const uint8_t* bgr = colors.ScanLine(y);
        uint8_t* out = dest.ScanLine(y);
        const std::atomic<int>* above = y > 0 ? &finished[std::size_t(y - 1)] : nullptr;
        std::atomic<int>& mine = finished[std::size_t(y)];
        const auto put = [&](int x) {
            const int* c = &current[3 * std::size_t(x)];
            const int index = state.Matcher.Nearest(c[2], c[1], c[0]);
            if (byteIndices)
                out[x] = uint8_t(index);
            else
                dest.SetPixelIndex(x, y, index);
            return index;
        };
        int ready = 0; // pixels whose colour has its errors from above
        for (int begin = 0; begin < width; begin += Step) {
            const int end = std::min(begin + Step, width);
            const int needed = std::min(end + 1, width);
            if (above) {
                const int aboveNeeded = std::min(needed + 1, width);
                while (above->load(std::memory_order_acquire) < aboveNeeded) {
                    if (failure.Stopped())
                        return;
                    std::this_thread::yield();
                }
            }
            for (std::size_t i = 3 * std::size_t(ready); i < 3 * std::size_t(needed); ++i)
                current[i] = ClampByte(bgr[i] + below[i]);
            ready = needed;
            for (int x = begin; x < end; ++x) {
                const int index = put(x);
                if (x == 0 || x == width - 1)
                    continue;
                const TPaletteEntry& held = palette[std::size_t(index)];
                const int heldChannels[3] = {held.Blue, held.Green, held.Red};
                for (int c = 0; c < 3; ++c) {
                    const std::size_t at = 3 * std::size_t(x) + c;
                    const int error = current[at] - heldChannels[c];
                    current[at + 3] = ClampByte(current[at + 3] + 7 * error / 16);
                    next[at - 3] = ClampByte(next[at - 3] + 3 * error / 16);
                    next[at] = ClampByte(next[at] + 5 * error / 16);
                    next[at + 3] = ClampByte(next[at + 3] + error / 16);
                }
            }
            mine.store(end, std::memory_order_release);
        }
    };

    RunOnThreads(threads, [&] {
        const unsigned stateIndex = nextState++;
        if (stateIndex >= states.size())
            return;
        failure.Catch([&] {
            for (int y; !failure.Stopped() && (y = nextRow++) < height;) {
                if (std::this_thread::get_id() == caller) {
                    const int done = rowsDone.load(std::memory_order_relaxed);
                    StepProgress(Optimise ? done + (height - 1 - done) / 2 : done, 0, height - 1);
                }
                diffuseRow(y, states[stateIndex]);
                ++rowsDone;
            }
        });
    });
    failure.Rethrow();
}
