// The transforms on a 1920 x 1080 screenshot-like picture: resampling, 256-colour reduction,
// free rotation and a 3 x 3 convolution. bench/transforms_compare.sh has ImageMagick do the
// nearest equivalent work on the very same pixels (written by this program when
// KARVIN_BENCH_SAVE_INPUT names a file). Each runs on one thread (/1) and on every processor
// (/0), the results being the same bytes.
#include "imaging/convolution_transform.h"
#include "imaging/format_registry.h"
#include "imaging/image_format_transform.h"
#include "imaging/parallel_rows.h"
#include "imaging/resample.h"
#include "imaging/rotate_transform.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <random>

namespace {

// A desktop: a photo-like wallpaper (smooth gradients with grain, thousands of colours), two
// windows with title-bar gradients, flat panels and lines of dark "text", and a task bar.
TDibGraphic Screenshot() {
    TDibGraphic image;
    image.NewImage(1920, 1080, ifTrueColor);
    std::mt19937 random(42);
    for (int y = 0; y < 1080; ++y)
        for (int x = 0; x < 1920; ++x) {
            const int grain = int(random() % 9) - 4;
            image.SetPixel(x, y,
                           MakeColor(std::clamp(40 + x / 12 + grain, 0, 255),
                                     std::clamp(90 + y / 9 + grain, 0, 255),
                                     std::clamp(160 + (x + y) / 40 - grain, 0, 255)));
        }
    const auto window = [&](int left, int top, int width, int height) {
        for (int y = top; y < top + height; ++y)
            for (int x = left; x < left + width; ++x) {
                uint32_t color = MakeColor(236, 236, 236);
                if (y < top + 28)
                    color = MakeColor(20, 60 + (x - left) * 120 / width, 160);
                else if ((y - top) % 18 > 5 && (y - top) % 18 < 14 && (x - left) % 9 < 6 &&
                         random() % 5 != 0)
                    color = MakeColor(30, 30, 30 + (x % 3) * 20);
                image.SetPixel(x, y, color);
            }
    };
    window(120, 90, 1100, 760);
    window(900, 300, 900, 600);
    for (int y = 1040; y < 1080; ++y)
        for (int x = 0; x < 1920; ++x)
            image.SetPixel(x, y, MakeColor(48, 48, 56));
    return image;
}

const TDibGraphic& Input() {
    static const TDibGraphic image = Screenshot();
    return image;
}

// The thread count of the run (the benchmark's argument: 1, or 0 for every processor) for as
// long as it lives.
struct TTransformThreads {
    explicit TTransformThreads(const benchmark::State& state) {
        SetTransformThreads(unsigned(state.range(0)));
    }
    ~TTransformThreads() { SetTransformThreads(0); }
};

const bool InputSaved = [] {
    if (const char* path = std::getenv("KARVIN_BENCH_SAVE_INPUT")) {
        SaveImageFile(Input(), path);
        std::exit(0);
    }
    return false;
}();

void Resample(benchmark::State& state, int width, int height) {
    const TTransformThreads threads(state);
    const auto& lanczos = ResampleFilters[Lanczos3FilterIndex];
    for (auto _ : state) {
        TDibGraphic dest;
        dest.NewImage(width, height, ifTrueColor);
        ResampleStretch(Input(), dest, lanczos.Function, lanczos.Support);
        benchmark::DoNotOptimize(dest.Bits());
    }
}

void Lanczos3Half(benchmark::State& state) {
    Resample(state, 960, 540);
}
void Lanczos3Double(benchmark::State& state) {
    Resample(state, 3840, 2160);
}

void Reduce256(benchmark::State& state, bool dither) {
    const TTransformThreads threads(state);
    TImageFormatTransform reduce;
    reduce.TargetFormat = ifColor256;
    reduce.Optimise = true;
    reduce.Dither = dither;
    for (auto _ : state) {
        TDibGraphic dest;
        reduce.ApplyOnDest(Input(), dest);
        benchmark::DoNotOptimize(dest.Bits());
    }
}

void Colors256(benchmark::State& state) {
    Reduce256(state, false);
}
void Colors256Dithered(benchmark::State& state) {
    Reduce256(state, true);
}

void Rotate30(benchmark::State& state) {
    const TTransformThreads threads(state);
    TRotateTransform rotate;
    rotate.Angle = 30;
    for (auto _ : state) {
        TDibGraphic dest;
        rotate.ApplyOnDest(Input(), dest);
        benchmark::DoNotOptimize(dest.Bits());
    }
}

void Sharpen3x3(benchmark::State& state) {
    const TTransformThreads threads(state);
    TSharpenTransform sharpen;
    for (auto _ : state) {
        TDibGraphic dest;
        sharpen.ApplyOnDest(Input(), dest);
        benchmark::DoNotOptimize(dest.Bits());
    }
}

} // namespace

BENCHMARK(Lanczos3Half)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Lanczos3Double)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Colors256)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Colors256Dithered)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Rotate30)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Sharpen3x3)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
