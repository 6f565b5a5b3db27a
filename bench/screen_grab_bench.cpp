// Screen grabs through shared memory against plain image requests, for a whole 1920x1080
// screen and a window-sized rectangle. Needs an X server: without one it runs itself on a
// private Xvfb of that size.
#include "platform/screen.h"
#include "x_server_main.h"

#include <benchmark/benchmark.h>

namespace {

void Grab(benchmark::State& state, bool sharedMemory, QRect rect) {
    TX11Screen screen;
    screen.SetUseSharedMemory(sharedMemory);
    rect = rect.isEmpty() ? QRect(QPoint(0, 0), screen.ScreenSize()) : rect;
    for (auto _ : state) {
        TDibGraphic image = screen.GrabScreenRect(rect);
        benchmark::DoNotOptimize(image.Bits());
    }
    state.SetBytesProcessed(state.iterations() * int64_t(rect.width()) * rect.height() * 3);
}

BENCHMARK_CAPTURE(Grab, FullScreenShared, true, QRect())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Grab, FullScreenPlain, false, QRect())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Grab, Window800x600Shared, true, QRect(100, 100, 800, 600))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Grab, Window800x600Plain, false, QRect(100, 100, 800, 600))
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarksOnXServer(argc, argv, "screen_grab_bench");
}
