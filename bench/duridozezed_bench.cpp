// Joining the pages of a whole-page capture: 20 page files of 1920 x 1000 with 100 rows of
// overlap read, drawn into one picture, deleted, and the picture written as "big.bmp", as the
// capture does after its last page. The goal is under 300 ms. The search for the repeated rows
// of two pages, run once per page while scrolling, is timed beside it.
#include "capture/page_stitch.h"
#include "imaging/format_registry.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int PageWidth = 1920;
constexpr int PageHeight = 1000;
constexpr int Pages = 20;
constexpr int Overlap = 100;

// The document the pages show: every row different.
uint32_t DocumentPixel(int x, int y) {
    return (uint32_t((y + 1) * 2654435761u) >> 8) ^ uint32_t(x / 8);
}

TDibGraphic Page(int first) {
    TDibGraphic page;
    page.NewImage(PageWidth, PageHeight, ifTrueColor);
    for (int y = 0; y < PageHeight; ++y) {
        uint8_t* row = page.ScanLine(y);
        for (int x = 0; x < PageWidth; ++x) {
            const uint32_t colour = DocumentPixel(x, first + y);
            row[3 * x] = uint8_t(colour);
            row[3 * x + 1] = uint8_t(colour >> 8);
            row[3 * x + 2] = uint8_t(colour >> 16);
        }
    }
    return page;
}

void StitchTwentyPages(benchmark::State& state) {
    char pattern[] = "/tmp/karvin-stitch-XXXXXX";
    const std::filesystem::path folder = ::mkdtemp(pattern);
    std::vector<TDibGraphic> pages;
    for (int page = 0; page < Pages; ++page)
        pages.push_back(Page(page * (PageHeight - Overlap)));
    const std::vector<int> overlaps(Pages - 1, Overlap);
    std::vector<std::string> paths;
    for (int page = 0; page < Pages; ++page)
        paths.push_back((folder / ("scr" + std::to_string(page + 1) + ".bmp")).string());
    for (auto _ : state) {
        state.PauseTiming();
        for (int page = 0; page < Pages; ++page)
            SaveImageFile(pages[std::size_t(page)], paths[std::size_t(page)]);
        state.ResumeTiming();
        const TDibGraphic joined = StitchPageFiles(paths, overlaps, (folder / "big.bmp").string());
        benchmark::DoNotOptimize(joined.Bits());
    }
    std::filesystem::remove_all(folder);
}

void FindRepeatedRows(benchmark::State& state) {
    const TDibGraphic previous = Page(0);
    const TDibGraphic next = Page(PageHeight - Overlap);
    for (auto _ : state)
        benchmark::DoNotOptimize(RepeatedRows(previous, next, 17));
}

BENCHMARK(StitchTwentyPages)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(FindRepeatedRows)->Unit(benchmark::kMillisecond);

} // namespace
