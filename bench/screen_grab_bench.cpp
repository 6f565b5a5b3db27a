// Screen grabs through shared memory against plain image requests, for a whole 1920x1080
// screen and a window-sized rectangle. Needs an X server: without one it runs itself on a
// private Xvfb of that size.
#include "platform/screen.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>
#include <cstdio>
#include <unistd.h>
#include <vector>

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
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::vector<char*> command{const_cast<char*>(KARVIN_SOURCE_DIR "/tests/scripts/with-xvfb"),
                                   const_cast<char*>("--size"), const_cast<char*>("1920x1080x24"),
                                   const_cast<char*>("--")};
        command.insert(command.end(), argv, argv + argc);
        command.push_back(nullptr);
        execv(command[0], command.data());
        std::perror("screen_grab_bench: cannot start a private X server");
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
