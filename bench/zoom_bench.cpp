// One update of the magnifier at each factor: the screen area under the pointer grabbed,
// enlarged pixel for pixel to the 294 x 170 picture, and painted into a window-sized buffer,
// as the magnifier does each time the pointer moves. Needs an X server: without one it runs
// itself on a private Xvfb of 1920x1080.
#include "capture/zoom_picture.h"
#include "platform/screen.h"
#include "x_server_main.h"

#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

void ZoomUpdate(benchmark::State& state) {
    const int factor = int(state.range(0));
    const QSize pictureSize(294, 170);
    TX11Screen screen;
    QImage window(pictureSize, QImage::Format_RGB32);
    int step = 0;
    for (auto _ : state) {
        // A pointer that moves, as it does between two updates.
        const QPoint pointer(400 + step % 200, 300 + step % 150);
        ++step;
        const QImage source = GrabZoomSource(screen, ZoomSourceRect(pointer, pictureSize, factor));
        const QImage picture = StretchPixels(source, pictureSize);
        QPainter painter(&window);
        painter.drawImage(0, 0, picture);
        painter.end();
        benchmark::DoNotOptimize(window.constBits());
    }
}

BENCHMARK(ZoomUpdate)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarksOnXServer(argc, argv, "zoom_bench");
}
