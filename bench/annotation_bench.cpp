// One mark of each kind on a 1920 x 1080 true-colour picture, at the sizes a user draws them
// on a screenshot: an arrow across a third of the screen, boxes and an ellipse of 800 x 500, a
// freehand path of 400 points, a line of text, a step marker, and a redaction and a
// pixelation of 800 x 300. The editor draws the mark in progress again at every mouse move,
// so each must stay well under 10 ms; the pixelation under 20 ms.
#include "imaging/annotation.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

namespace {

constexpr int Width = 1920, Height = 1080;

const TDibGraphic& Picture() {
    static const TDibGraphic picture = [] {
        TDibGraphic image;
        image.NewImage(Width, Height, ifTrueColor);
        std::mt19937 random(42);
        for (int y = 0; y < Height; ++y) {
            uint8_t* row = image.ScanLine(y);
            for (int x = 0; x < Width * 3; ++x)
                row[x] = uint8_t(x / 8 + y / 5 + int(random() % 9));
        }
        return image;
    }();
    return picture;
}

TMark Mark(TMarkKind kind, std::vector<TMarkPoint> points) {
    TMark mark;
    mark.Kind = kind;
    mark.Points = std::move(points);
    mark.Width = 4;
    return mark;
}

// A wavy path from the left to the right of the middle.
std::vector<TMarkPoint> Path() {
    std::vector<TMarkPoint> points;
    for (int i = 0; i < 400; ++i)
        points.push_back({200.0 + i * 3.5, 540.0 + 150.0 * std::sin(i / 20.0)});
    return points;
}

void Draw(benchmark::State& state, const TMark& mark) {
    TDibGraphic image = Picture();
    for (auto _ : state) {
        benchmark::DoNotOptimize(DrawMark(image, mark));
        benchmark::ClobberMemory();
    }
}

void Arrow(benchmark::State& state) {
    Draw(state, Mark(TMarkKind::Arrow, {{300.5, 800.5}, {900.5, 300.5}}));
}
void Rectangle(benchmark::State& state) {
    Draw(state, Mark(TMarkKind::Rectangle, {{500, 300}, {1300, 800}}));
}
void FilledRectangle(benchmark::State& state) {
    TMark mark = Mark(TMarkKind::Rectangle, {{500, 300}, {1300, 800}});
    mark.Filled = true;
    Draw(state, mark);
}
void Ellipse(benchmark::State& state) {
    Draw(state, Mark(TMarkKind::Ellipse, {{500, 300}, {1300, 800}}));
}
void Pen(benchmark::State& state) {
    Draw(state, Mark(TMarkKind::Pen, Path()));
}
void Highlighter(benchmark::State& state) {
    Draw(state, Mark(TMarkKind::Highlighter, Path()));
}
void Text(benchmark::State& state) {
    TMark mark = Mark(TMarkKind::Text, {{100, 100}});
    mark.Text = "The quick brown fox jumps over the lazy dog: 0123456789";
    Draw(state, mark);
}
void Step(benchmark::State& state) {
    TMark mark = Mark(TMarkKind::Step, {{400, 400}});
    mark.Text = "12";
    Draw(state, mark);
}
void Redact(benchmark::State& state) {
    Draw(state, Mark(TMarkKind::Redact, {{500, 300}, {1300, 600}}));
}
void Pixelate(benchmark::State& state) {
    Draw(state, Mark(TMarkKind::Pixelate, {{500, 300}, {1300, 600}}));
}

} // namespace

BENCHMARK(Arrow)->Unit(benchmark::kMillisecond);
BENCHMARK(Rectangle)->Unit(benchmark::kMillisecond);
BENCHMARK(FilledRectangle)->Unit(benchmark::kMillisecond);
BENCHMARK(Ellipse)->Unit(benchmark::kMillisecond);
BENCHMARK(Pen)->Unit(benchmark::kMillisecond);
BENCHMARK(Highlighter)->Unit(benchmark::kMillisecond);
BENCHMARK(Text)->Unit(benchmark::kMillisecond);
BENCHMARK(Step)->Unit(benchmark::kMillisecond);
BENCHMARK(Redact)->Unit(benchmark::kMillisecond);
BENCHMARK(Pixelate)->Unit(benchmark::kMillisecond);
