// The image editor's menu effects on a 1920 x 1080 true-colour picture, each as the editor runs
// it (the transform from the undo copy into a new image), and the undo history: recording a
// full-size step (the copy and its count) and taking it back.
#include "editor/undo_history.h"
#include "imaging/adjust_effects.h"
#include "imaging/convert_to_gray_transform.h"
#include "imaging/convolution_transform.h"
#include "imaging/fast_effects.h"
#include "imaging/flip_transform.h"
#include "imaging/mirror.h"
#include "imaging/negative_transform.h"
#include "imaging/rotate_transform.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

namespace {

// Smooth gradients with grain: thousands of colours, as a desktop's wallpaper has.
const TDibGraphic& Input() {
    static const TDibGraphic image = [] {
        TDibGraphic picture;
        picture.NewImage(1920, 1080, ifTrueColor);
        std::mt19937 random(42);
        for (int y = 0; y < 1080; ++y)
            for (int x = 0; x < 1920; ++x) {
                const int grain = int(random() % 9) - 4;
                picture.SetPixel(x, y,
                                 MakeColor(std::clamp(40 + x / 12 + grain, 0, 255),
                                           std::clamp(90 + y / 9 + grain, 0, 255),
                                           std::clamp(160 + (x + y) / 40 - grain, 0, 255)));
            }
        return picture;
    }();
    return image;
}

template <class Transform> void Effect(benchmark::State& state) {
    for (auto _ : state) {
        Transform transform;
        TDibGraphic result;
        transform.ApplyOnDest(Input(), result);
        benchmark::DoNotOptimize(result.ScanLine(0));
    }
}

void RotateByAngle45(benchmark::State& state) {
    for (auto _ : state) {
        TRotateTransform rotate;
        rotate.Angle = 45;
        TDibGraphic result;
        rotate.ApplyOnDest(Input(), result);
        benchmark::DoNotOptimize(result.ScanLine(0));
    }
}

void MirrorRight(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(MirroredRight(Input()).ScanLine(0));
}

void MirrorDown(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(MirroredDown(Input()).ScanLine(0));
}

// Blur: into the fast raster buffer, split blur at distance 1, and back (the editor's transfer
// file and clipboard are left out: they are the platform's).
void Blur(benchmark::State& state) {
    for (auto _ : state) {
        TFastDIB buffer = TrueColorFastDIB(Input());
        FastSplitBlur(buffer, 1, TBlurEdges::Nearest);
        benchmark::DoNotOptimize(TrueColorDibGraphic(buffer).ScanLine(0));
    }
}

// One step recorded: the image copied before the change, then counted as the newest step with
// five kept already (the oldest goes).
void UndoRecordStep(benchmark::State& state) {
    TUndoHistory history;
    for (int step = 0; step < TUndoHistory::Depth; ++step) {
        history.Push(Input());
        history.Count();
    }
    for (auto _ : state) {
        history.Push(Input());
        history.Count();
        benchmark::DoNotOptimize(history.Steps());
    }
}

// One step taken back into the image, then recorded again so that there is one to take.
void UndoTakeBackStep(benchmark::State& state) {
    TUndoHistory history;
    TDibGraphic image = Input();
    history.Push(image);
    history.Count();
    for (auto _ : state) {
        history.Undo(image);
        benchmark::DoNotOptimize(image.ScanLine(0));
        state.PauseTiming();
        history.Push(image);
        history.Count();
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(Effect<TConvertToGrayTransform>)->Name("Grayscale")->Unit(benchmark::kMillisecond);
BENCHMARK(Effect<TNegativeTransform>)->Name("Negative")->Unit(benchmark::kMillisecond);
BENCHMARK(Effect<TFlipHorizontalTransform>)->Name("FlipHorizontal")->Unit(benchmark::kMillisecond);
BENCHMARK(Effect<TFlipVerticalTransform>)->Name("FlipVertical")->Unit(benchmark::kMillisecond);
BENCHMARK(Effect<TSmoothTransform>)->Name("Smooth")->Unit(benchmark::kMillisecond);
BENCHMARK(Effect<TSharpenTransform>)->Name("Sharpen")->Unit(benchmark::kMillisecond);
BENCHMARK(Effect<TEmbossTransform>)->Name("Emboss")->Unit(benchmark::kMillisecond);
BENCHMARK(RotateByAngle45)->Unit(benchmark::kMillisecond);
BENCHMARK(MirrorRight)->Unit(benchmark::kMillisecond);
BENCHMARK(MirrorDown)->Unit(benchmark::kMillisecond);
BENCHMARK(Blur)->Unit(benchmark::kMillisecond);
BENCHMARK(UndoRecordStep)->Unit(benchmark::kMillisecond);
BENCHMARK(UndoTakeBackStep)->Unit(benchmark::kMillisecond);
