// The previews of the rotate and wave windows on a 1920 x 1080 picture: one move of a bar, as
// the window handles it (the preview made from the master copy and turned into the picture
// the control paints), with the window shown, and the paint itself. The goal is one preview
// under 50 ms, so that the picture follows the bar. Then the editor's Resize (Lanczos3) of
// the same picture to 1280 x 720 and to 3840 x 2160.
//
// Runs on Qt's offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include "bench/bench_screens.h"
#include "editor/frm_rotate.h"
#include "editor/frm_wave.h"
#include "editor/resize_image.h"
#include "imaging/adjust_effects.h"
#include "platform/dialogs.h"
#include "widgets/fast_img.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

const TDibGraphic& Picture() {
    static const TDibGraphic photo = *bench_screens::ScreenByName("photo");
    return photo;
}

// The window as the editor opens it: the picture through a transfer file, the window shown.
template <class TWindow> std::unique_ptr<TWindow> Open(IDialogs& dialogs) {
    static QTemporaryDir folder;
    const QString transfer = folder.filePath("del1.bmp");
    TrueColorFastDIB(Picture()).SaveToFile(QFile::encodeName(transfer).toStdString());
    auto window = std::make_unique<TWindow>(dialogs);
    window->fImage->SetPicture(transfer);
    window->SetTransferFile(transfer);
    window->show();
    QApplication::processEvents();
    return window;
}

// Each round moves `bar` one step; with `paint`, the control paints the new preview too.
template <class TWindow>
void MoveBar(benchmark::State& state, QScrollBar* TWindow::*bar, int from, bool wrap, bool paint) {
    TQtDialogs dialogs;
    auto window = Open<TWindow>(dialogs);
    if (wrap)
        window->btnWrap->click();
    int position = from;
    for (auto _ : state) {
        (window.get()->*bar)->setValue(++position);
        if (paint)
            window->fImage->repaint();
    }
}

void RotatePreview(benchmark::State& state) {
    MoveBar<TfrmRotate>(state, &TfrmRotate::sAmount, 300, false, false);
}
void RotatePreviewWrapped(benchmark::State& state) {
    MoveBar<TfrmRotate>(state, &TfrmRotate::sAmount, 300, true, false);
}
void RotatePreviewPainted(benchmark::State& state) {
    MoveBar<TfrmRotate>(state, &TfrmRotate::sAmount, 300, false, true);
}
void WavePreview(benchmark::State& state) {
    MoveBar<TfrmWave>(state, &TfrmWave::zAmount, 200, false, false);
}
void WavePreviewWrapped(benchmark::State& state) {
    MoveBar<TfrmWave>(state, &TfrmWave::zAmount, 200, true, false);
}
void WavePreviewPainted(benchmark::State& state) {
    MoveBar<TfrmWave>(state, &TfrmWave::zAmount, 200, false, true);
}

void Resize(benchmark::State& state) {
    const TPixelSize size{int(state.range(0)), int(state.range(1))};
    for (auto _ : state) {
        TDibGraphic resized = ResizedImage(Picture(), size);
        benchmark::DoNotOptimize(resized.ScanLine(0));
    }
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    struct TPreview {
        const char* Name;
        void (*Function)(benchmark::State&);
    };
    for (const TPreview& preview : {TPreview{"RotatePreview/1920x1080", RotatePreview},
                                    {"RotatePreviewWrapped/1920x1080", RotatePreviewWrapped},
                                    {"RotatePreviewPainted/1920x1080", RotatePreviewPainted},
                                    {"WavePreview/1920x1080", WavePreview},
                                    {"WavePreviewWrapped/1920x1080", WavePreviewWrapped},
                                    {"WavePreviewPainted/1920x1080", WavePreviewPainted}})
        benchmark::RegisterBenchmark(preview.Name, preview.Function)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ResizeLanczos3/1920x1080", Resize)
        ->Args({1280, 720})
        ->Args({3840, 2160})
        ->Unit(benchmark::kMillisecond);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
