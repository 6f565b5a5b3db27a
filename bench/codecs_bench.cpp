// Encoding and decoding a 1920x1080 screenshot-like image in each file format, and the GIF
// colour reduction on its own. bench/codecs_compare.sh has ImageMagick do the same work on
// the same image, which this program writes when asked:
//   codecs_bench --write-screenshot=PATH.bmp
#include "imaging/format_registry.h"
#include "imaging/octree_quantizer.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr int Width = 1920, Height = 1080;

// What a desktop looks like to a compressor: a gradient background, flat window frames and
// title bars, white client areas with lines of small dark "glyphs", toolbar icons, and one
// photograph-like area with many colours.
TDibGraphic Screenshot() {
    TDibGraphic image;
    image.NewImage(Width, Height, ifTrueColor, nullptr, 96, 96);
    uint32_t seed = 12345;
    auto random = [&seed](uint32_t range) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % range;
    };
    auto fill = [&](int left, int top, int width, int height, uint32_t colour) {
        for (int y = std::max(top, 0); y < std::min(top + height, Height); ++y) {
            uint8_t* row = image.ScanLine(y);
            for (int x = std::max(left, 0); x < std::min(left + width, Width); ++x) {
                row[x * 3] = uint8_t(ColorBlue(colour));
                row[x * 3 + 1] = uint8_t(ColorGreen(colour));
                row[x * 3 + 2] = uint8_t(ColorRed(colour));
            }
        }
    };
    for (int y = 0; y < Height; ++y)
        fill(0, y, Width, 1, MakeColor(20, 60 + y * 80 / Height, 110 + y * 60 / Height));

    struct Window {
        int Left, Top, Width, Height;
    };
    const Window windows[] = {{60, 40, 1100, 760}, {700, 200, 1150, 820}, {150, 600, 600, 420}};
    for (const Window& w : windows) {
        fill(w.Left - 1, w.Top - 1, w.Width + 2, w.Height + 2, MakeColor(90, 90, 90));
        fill(w.Left, w.Top, w.Width, 30, MakeColor(52, 101, 164));
        fill(w.Left, w.Top + 30, w.Width, 34, MakeColor(236, 236, 236));
        for (int icon = 0; icon < 12; ++icon)
            fill(w.Left + 8 + icon * 30, w.Top + 35, 22, 22,
                 MakeColor(int(random(256)), int(random(256)), int(random(256))));
        fill(w.Left, w.Top + 64, w.Width, w.Height - 64, MakeColor(255, 255, 255));
        // Lines of text: glyphs of 1-3 pixel strokes in dark grey with anti-aliased edges.
        for (int line = w.Top + 80; line + 14 < w.Top + w.Height; line += 18) {
            int x = w.Left + 12;
            const int end = w.Left + 40 + int(random(uint32_t(w.Width - 60)));
            while (x < end) {
                const int glyph = 5 + int(random(4));
                for (int stroke = 0; stroke < 6; ++stroke) {
                    const int gx = x + int(random(uint32_t(glyph))), gy = line + int(random(11));
                    fill(gx, gy, 1 + int(random(2)), 1 + int(random(3)), MakeColor(40, 40, 40));
                    fill(gx + 2, gy, 1, 1, MakeColor(160, 160, 160));
                }
                x += glyph + 1 + (random(6) == 0 ? 6 : 0);
            }
        }
    }
    // The photograph: smooth colour fields with noise.
    for (int y = 650; y < 1000; ++y) {
        uint8_t* row = image.ScanLine(y);
        for (int x = 1250; x < 1800; ++x) {
            const int noise = int(random(24));
            row[x * 3] = uint8_t((x * 3 + y) / 8 % 256);
            row[x * 3 + 1] = uint8_t(std::min(255, (y - 650) / 2 + noise));
            row[x * 3 + 2] = uint8_t(std::min(255, (x - 1250) / 3 + 40 + noise));
        }
    }
    return image;
}

const TDibGraphic& TestImage() {
    static const TDibGraphic image = Screenshot();
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
    benchmark::RegisterBenchmark("GifReduction", GifReduction)->Unit(benchmark::kMillisecond);
}

} // namespace

int main(int argc, char** argv) {
    const char* option = "--write-screenshot=";
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], option, std::strlen(option)) == 0) {
            SaveImageFile(TestImage(), argv[i] + std::strlen(option));
            return 0;
        }
    RegisterBenchmarks();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
