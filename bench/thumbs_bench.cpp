// The thumbnail viewer's loading pass: 255 captures of 1920x1080 in the working folder (PNG
// files of the desktop, the terminal and the photograph of bench_screens.h, in turn), in high
// quality (Hermite) and large, from the start of the pass until the last thumbnail is in the
// grid. The goal is under 5 s, with the window answering meanwhile: "longest_stall_ms" is the
// longest time the event loop did not come round while the grid filled (a timer asks every
// 10 ms).
//
// Runs on Qt's offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include "app/real_services.h"
#include "bench/bench_screens.h"
#include "imaging/format_registry.h"
#include "store/settings_files.h"
#include "store/work_folder.h"
#include "tests/app/frm_main_driver.h"
#include "thumbs/frm_thumb.h"
#include "thumbs/thumb_layout.h"
#include "thumbs/thumb_view_grid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <benchmark/benchmark.h>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// Three PNG files written once, each of the 255 capture names a hard link to one of them, so
// that the pass reads and decodes 255 whole files without filling the disk.
void PutCaptures(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> originals;
    for (const char* name : {"desktop", "terminal", "photo"}) {
        originals.push_back(folder / (std::string(name) + ".keep"));
        SaveImageFile(*bench_screens::ScreenByName(name), originals.back().string() + ".png");
        std::filesystem::rename(originals.back().string() + ".png", originals.back());
    }
    for (int i = 1; i <= MaxThumbnails; ++i)
        std::filesystem::create_hard_link(originals[i % originals.size()],
                                          folder / ("pic" + std::to_string(i) + ".png"));
}

void LoadingPass(benchmark::State& state, TfrmMainDriver& window, TServices services, int quality) {
    double longestStall = 0;
    for (auto _ : state) {
        TfrmThumb viewer(services,
                         {window.MainView(), window.ListCommands(), window.HandOffCommands()},
                         &window);
        viewer.SetQuality(quality);
        viewer.show();
        QElapsedTimer sinceLastTurn;
        QTimer ticker;
        QEventLoop loaded;
        double stall = 0;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            stall = std::max(stall, double(sinceLastTurn.restart()));
            if (!viewer.Grid().Loading())
                loaded.quit();
        });
        ticker.start(10);
        sinceLastTurn.start();
        viewer.LoadThumbnails();
        loaded.exec();
        ticker.stop();
        if (viewer.Grid().Count() != MaxThumbnails ||
            viewer.Grid().Picture(MaxThumbnails).isNull()) {
            state.SkipWithError("the viewer did not load every capture");
            return;
        }
        longestStall = std::max(longestStall, stall);
    }
    state.counters["longest_stall_ms"] = longestStall;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir scratch;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(scratch.filePath("cache")));
    QApplication app(argc, argv);
    EnsureWorkFolder();
    PutCaptures(WorkFolder());
    // The viewer writes its size on closing; large it is.
    WriteThumbSize(3);

    TRealServices services;
    TfrmMainDriver window(services.Services());
    window.ShowTimer()->stop();
    benchmark::RegisterBenchmark("ThumbViewer/LoadingPass/255x1920x1080/PNG/HighQuality",
                                 LoadingPass, std::ref(window), services.Services(),
                                 ThumbHighQuality)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(3);
    benchmark::RegisterBenchmark("ThumbViewer/LoadingPass/255x1920x1080/PNG/LowQuality",
                                 LoadingPass, std::ref(window), services.Services(),
                                 ThumbLowQuality)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(3);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
