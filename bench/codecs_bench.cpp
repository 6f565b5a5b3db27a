// Encoding and decoding a 1920x1080 screenshot-like image in each file format; PNG also of a
// terminal full of text and of a photograph (bench_screens.h), each beside libpng at zlib's
// level 5; and the GIF colour reduction on its own. bench/codecs_compare.sh has ImageMagick do the
// same work on the same image, which this program writes when asked, as other benchmarks have it
// write the other screens:
//   codecs_bench --write-screenshot=PATH.bmp
//   codecs_bench --write-screen=desktop|terminal|photo:PATH
#include "bench/bench_screens.h"
#include "bench/reference_png.h"
#include "imaging/format_registry.h"
#include "imaging/octree_quantizer.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

const TDibGraphic& TestImage() {
    static const TDibGraphic image = bench_screens::DesktopScreen();
    return image;
}

struct TFormat {
    const char* Name;
    TImageCodec Codec;
    bool Progressive;
};

const TFormat Formats[] = {
    {"BMP", TImageCodec::Bmp, false},   {"PCX", TImageCodec::Pcx, false},
    {"TGA", TImageCodec::Tga, false},   {"PNG", TImageCodec::Png, false},
    {"JPEG", TImageCodec::Jpeg, false}, {"JPEG progressive", TImageCodec::Jpeg, true},
    {"TIFF", TImageCodec::Tiff, false}, {"GIF", TImageCodec::Gif, false},
};

TJpegOptions JpegOptions(const TFormat& format) {
    TJpegOptions options;
    options.Quality = 80;
    options.Progressive = format.Progressive;
    return options;
}

void Encode(benchmark::State& state, const TFormat& format) {
    const TDibGraphic& image = TestImage();
    std::size_t size = 0;
    for (auto _ : state) {
        const std::vector<uint8_t> file = EncodeImage(image, format.Codec, JpegOptions(format));
        size = file.size();
        benchmark::DoNotOptimize(file.data());
    }
    state.counters["file_size"] = benchmark::Counter(double(size), benchmark::Counter::kDefaults,
                                                     benchmark::Counter::OneK::kIs1024);
}

// PNG, the capture format most people keep, of every screen (text compresses to almost
// nothing, a photograph hardly at all), and beside it the same file as libpng writes it at
// zlib's level 5 on one thread (reference_png.h): Karvin's files must be no larger.
void EncodePngScreen(benchmark::State& state, const char* name, bool reference) {
    const TDibGraphic image = *bench_screens::ScreenByName(name);
    std::size_t size = 0;
    for (auto _ : state) {
        const std::vector<uint8_t> file = reference ? reference_png::SavePngAtZlibLevel5(image)
                                                    : EncodeImage(image, TImageCodec::Png);
        size = file.size();
        benchmark::DoNotOptimize(file.data());
    }
    state.counters["file_size"] = benchmark::Counter(double(size), benchmark::Counter::kDefaults,
                                                     benchmark::Counter::OneK::kIs1024);
}

void Decode(benchmark::State& state, const TFormat& format) {
    const std::vector<uint8_t> file = EncodeImage(TestImage(), format.Codec, JpegOptions(format));
    for (auto _ : state) {
        const TDibGraphic image = DecodeImage(file, format.Codec);
        benchmark::DoNotOptimize(image.Bits());
    }
}

void GifReduction(benchmark::State& state) {
    const TDibGraphic& image = TestImage();
    for (auto _ : state) {
        const TDibGraphic reduced = ReduceColorsForGif(image);
        benchmark::DoNotOptimize(reduced.Bits());
    }
}

void RegisterBenchmarks() {
    for (const TFormat& format : Formats) {
        benchmark::RegisterBenchmark((std::string("Encode/") + format.Name).c_str(), Encode, format)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("Decode/") + format.Name).c_str(), Decode, format)
            ->Unit(benchmark::kMillisecond);
    }
    for (const char* screen : {"desktop", "terminal", "photo"})
        for (const bool reference : {false, true})
            benchmark::RegisterBenchmark(
                (std::string(reference ? "Encode/PNG libpng zlib 5/" : "Encode/PNG/") + screen)
                    .c_str(),
                EncodePngScreen, screen, reference)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
    benchmark::RegisterBenchmark("GifReduction", GifReduction)->Unit(benchmark::kMillisecond);
}

} // namespace

int main(int argc, char** argv) {
    // Fonts for the terminal screen; no window is shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const std::string screenshot = "--write-screenshot=", screen = "--write-screen=";
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.starts_with(screenshot)) {
            SaveImageFile(TestImage(), argument.substr(screenshot.size()));
            return 0;
        }
        if (argument.starts_with(screen)) {
            const std::string request = argument.substr(screen.size());
            const std::size_t colon = request.find(':');
            const std::optional<TDibGraphic> image =
                bench_screens::ScreenByName(request.substr(0, colon));
            if (colon == std::string::npos || !image) {
                std::fprintf(stderr, "codecs_bench: %s: no such screen\n", argv[i]);
                return 2;
            }
            SaveImageFile(*image, request.substr(colon + 1));
            return 0;
        }
    }
    RegisterBenchmarks();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
