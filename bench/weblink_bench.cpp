// The WebLink viewer's loading pass: 500 linked captures of 1920x1080 (PNG files of the
// desktop, the terminal and the photograph of bench_screens.h, in turn) from the moment the
// viewer is shown until the last thumbnail is in the grid. The goal is under 3 s, with the
// window answering meanwhile: "longest_stall_ms" is the longest time the event loop did not
// come round while the grid filled (a timer asks every 10 ms).
//
// Runs on Qt's offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include "app/real_services.h"
#include "bench/bench_screens.h"
#include "imaging/format_registry.h"
#include "store/work_folder.h"
#include "tests/app/frm_main_driver.h"
#include "weblink/frm_url_img.h"
#include "weblink/link_store.h"

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

constexpr int LinkedCaptures = 500;

// The captures: three PNG files written once, each of the 500 names a hard link to one of
// them, so that the pass reads and decodes 500 whole files without filling the disk.
void PutLinkedCaptures(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    std::vector<std::filesystem::path> originals;
    for (const char* name : {"desktop", "terminal", "photo"}) {
        originals.push_back(folder / (std::string(name) + ".png"));
        SaveImageFile(*bench_screens::ScreenByName(name), originals.back().string());
    }
    std::vector<TURLLink> links;
    for (int i = 0; i < LinkedCaptures; ++i) {
        const std::filesystem::path path = folder / ("capture" + std::to_string(i) + ".png");
        std::filesystem::create_hard_link(originals[i % originals.size()], path);
        links.push_back({path.string(), "https://example.org/page" + std::to_string(i), ""});
    }
    URLStore().RewriteURLStore(links);
}

void LoadingPass(benchmark::State& state, TfrmMainDriver& window, TServices services) {
    double longestStall = 0;
    for (auto _ : state) {
        TfrmURLImg viewer(services, window.MainView(), &window);
        QElapsedTimer sinceLastTurn;
        QTimer ticker;
        double stall = 0;
        QObject::connect(&ticker, &QTimer::timeout,
                         [&] { stall = std::max(stall, double(sinceLastTurn.restart())); });
        QEventLoop loaded;
        QObject::connect(&viewer, &TfrmURLImg::LoadingFinished, &loaded, &QEventLoop::quit);
        ticker.start(10);
        sinceLastTurn.start();
        viewer.show();
        loaded.exec();
        ticker.stop();
        if (viewer.Links().size() != std::size_t(LinkedCaptures) ||
            viewer.Thumbnail(LinkedCaptures - 1).isNull()) {
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
    PutLinkedCaptures(QFile::encodeName(scratch.filePath("saved")).toStdString());

    TRealServices services;
    TfrmMainDriver window(services.Services());
    window.ShowTimer()->stop();
    benchmark::RegisterBenchmark("WebLinkViewer/LoadingPass/500x1920x1080/PNG", LoadingPass,
                                 std::ref(window), services.Services())
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(3);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
