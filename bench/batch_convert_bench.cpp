// Converting a folder of 1920x1080 BMP captures to PNG in one process: the batch on one thread
// and on every processor (files at once), per file. bench/batch_convert_compare.sh times the
// whole "karvin convert ... --format png" beside ImageMagick's mogrify on 200 such files.
#include "bench/bench_screens.h"
#include "imaging/batch_conversion.h"
#include "imaging/format_registry.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int FileCount = 6;

// The sources, two of each benchmark screen.
std::vector<std::string> WriteSources(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder / "in");
    const TDibGraphic screens[] = {bench_screens::DesktopScreen(), bench_screens::TerminalScreen(),
                                   bench_screens::PhotoScreen()};
    std::vector<std::string> paths;
    for (int i = 0; i < FileCount; ++i) {
        paths.push_back((folder / "in" / ("shot" + std::to_string(i) + ".bmp")).string());
        SaveImageFile(screens[i % 3], paths.back());
    }
    return paths;
}

void BatchToPng(benchmark::State& state) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("karvin-batch-bench-" + std::to_string(getpid()));
    const std::vector<std::string> sources = WriteSources(folder);
    const std::filesystem::path out = folder / "out";
    TBatchOptions options;
    options.Threads = unsigned(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove_all(out);
        std::filesystem::create_directories(out);
        state.ResumeTiming();
        const TBatchSummary summary =
            RunBatchConversion(PlanBatchConversion(sources, out.string(), ".png"), options,
                               [](const TBatchResult&) {});
        if (summary.Converted != FileCount)
            state.SkipWithError("a file was not converted");
    }
    state.SetItemsProcessed(state.iterations() * FileCount);
    state.SetLabel(options.Threads == 0 ? "files on every processor" : "one file at a time");
    std::filesystem::remove_all(folder);
}

} // namespace

BENCHMARK(BatchToPng)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    // Fonts for the terminal screen; no window is shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
