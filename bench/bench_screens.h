// The 1920x1080 pictures the benchmarks encode and put on the screen, each made the same way
// in every run:
//   desktop   windows with text and icons over a gradient, one photograph-like area
//   terminal  a terminal window filling the screen with text (DejaVu Sans Mono)
//   photo     a photograph-like picture: smooth shapes and colour fields with grain
// The terminal is drawn by Qt, so a QGuiApplication must exist when it is made.
#pragma once

#include "imaging/dib_graphic.h"
#include "platform/dib_qimage.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace bench_screens {

constexpr int Width = 1920, Height = 1080;

// A small random generator with a fixed seed (the same numbers on every machine).
class TRandom {
public:
    explicit TRandom(uint32_t seed) : Seed_(seed) {}
    uint32_t operator()(uint32_t range) {
        Seed_ = Seed_ * 1664525u + 1013904223u;
        return (Seed_ >> 8) % range;
    }

private:
    uint32_t Seed_;
};

inline void Fill(TDibGraphic& image, int left, int top, int width, int height, uint32_t colour) {
    for (int y = std::max(top, 0); y < std::min(top + height, image.Height()); ++y) {
        uint8_t* row = image.ScanLine(y);
        for (int x = std::max(left, 0); x < std::min(left + width, image.Width()); ++x) {
            row[x * 3] = uint8_t(ColorBlue(colour));
            row[x * 3 + 1] = uint8_t(ColorGreen(colour));
            row[x * 3 + 2] = uint8_t(ColorRed(colour));
        }
    }
}

// What a desktop looks like to a compressor: a gradient background, flat window frames and
// title bars, white client areas with lines of small dark "glyphs", toolbar icons, and one
// photograph-like area with many colours.
inline TDibGraphic DesktopScreen() {
    TDibGraphic image;
    image.NewImage(Width, Height, ifTrueColor, nullptr, 96, 96);
    TRandom random(12345);
    for (int y = 0; y < Height; ++y)
        Fill(image, 0, y, Width, 1, MakeColor(20, 60 + y * 80 / Height, 110 + y * 60 / Height));

    struct Window {
        int Left, Top, Width, Height;
    };
    const Window windows[] = {{60, 40, 1100, 760}, {700, 200, 1150, 820}, {150, 600, 600, 420}};
    for (const Window& w : windows) {
        Fill(image, w.Left - 1, w.Top - 1, w.Width + 2, w.Height + 2, MakeColor(90, 90, 90));
        Fill(image, w.Left, w.Top, w.Width, 30, MakeColor(52, 101, 164));
        Fill(image, w.Left, w.Top + 30, w.Width, 34, MakeColor(236, 236, 236));
        for (int icon = 0; icon < 12; ++icon)
            Fill(image, w.Left + 8 + icon * 30, w.Top + 35, 22, 22,
                 MakeColor(int(random(256)), int(random(256)), int(random(256))));
        Fill(image, w.Left, w.Top + 64, w.Width, w.Height - 64, MakeColor(255, 255, 255));
        // Lines of text: glyphs of 1-3 pixel strokes in dark grey with anti-aliased edges.
        for (int line = w.Top + 80; line + 14 < w.Top + w.Height; line += 18) {
            int x = w.Left + 12;
            const int end = w.Left + 40 + int(random(uint32_t(w.Width - 60)));
            while (x < end) {
                const int glyph = 5 + int(random(4));
                for (int stroke = 0; stroke < 6; ++stroke) {
                    const int gx = x + int(random(uint32_t(glyph))), gy = line + int(random(11));
                    Fill(image, gx, gy, 1 + int(random(2)), 1 + int(random(3)),
                         MakeColor(40, 40, 40));
                    Fill(image, gx + 2, gy, 1, 1, MakeColor(160, 160, 160));
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

// A terminal filling the screen: a shell session of commands and their output (listings,
// compiler messages, source text) in light grey on a dark background, prompts and file names
// in colour, one line of text per 18-pixel row from top to bottom.
inline TDibGraphic TerminalScreen() {
    QImage picture(Width, Height, QImage::Format_RGB32);
    picture.fill(QColor(30, 30, 30));
    QFont font("DejaVu Sans Mono");
    font.setPixelSize(15);
    font.setStyleHint(QFont::Monospace);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font);
    const QFontMetrics metrics(font);
    const int cell = metrics.horizontalAdvance(QLatin1Char('M'));
    const int lineHeight = 18;
    const int columns = (Width - 8) / cell;

    static const char* const Words[] = {"const",       "std::vector<uint8_t>",
                                        "return",      "image",
                                        "width",       "height",
                                        "if",          "for",
                                        "int",         "auto",
                                        "row",         "pixel",
                                        "=",           "+=",
                                        "0;",          "++i)",
                                        "{",           "}",
                                        "palette",     "TDibGraphic",
                                        "ScanLine(y)", "size_t",
                                        "error:",      "warning:",
                                        "note:",       "in",
                                        "function",    "the",
                                        "of",          "and",
                                        "file",        "not",
                                        "found",       "build",
                                        "bin",         "lib",
                                        "-rw-r--r--",  "drwxr-xr-x",
                                        "root",        "4096",
                                        "Dec",         "10",
                                        "14:52",       "src/",
                                        "main.cpp",    "Makefile",
                                        "README.md",   "capture"};
    const QColor text(204, 204, 204), prompt(138, 226, 52), path(114, 159, 207),
        failure(239, 41, 41);
    TRandom random(2024);
    for (int line = 0; (line + 1) * lineHeight <= Height; ++line) {
        const int baseline = line * lineHeight + metrics.ascent() + 1;
        int column = 0;
        auto write = [&](const QString& words, const QColor& colour) {
            painter.setPen(colour);
            painter.drawText(4 + column * cell, baseline, words);
            column += int(words.size());
        };
        const uint32_t kind = random(10);
        if (kind == 0) {
            write("user@host", prompt);
            write(":", text);
            write("~/src/karvin", path);
            write("$ ", text);
        } else if (kind == 1) {
            write("src/capture/frm_main_capture.cpp:" + QString::number(random(400)) + ":" +
                      QString::number(random(80)) + ": ",
                  text);
        }
        const int length = 20 + int(random(uint32_t(columns - 20)));
        QString words;
        while (column + int(words.size()) < length) {
            words += Words[random(sizeof Words / sizeof *Words)];
            words += ' ';
        }
        words.truncate(std::max(0, columns - column));
        write(words, kind == 1 && random(3) == 0 ? failure : text);
    }
    painter.end();
    return QImageToDib(picture);
}

// Smooth noise: random values on a lattice `spacing` pixels apart, blended with a cubic
// curve between them.
class TValueNoise {
public:
    TValueNoise(uint32_t seed, int spacing) : Spacing_(spacing) {
        TRandom random(seed);
        Columns_ = Width / spacing + 2;
        const int rows = Height / spacing + 2;
        for (int i = 0; i < Columns_ * rows; ++i)
            Lattice_.push_back(float(random(1000)) / 1000.0f);
    }
    float operator()(int x, int y) const {
        const float fx = float(x) / float(Spacing_), fy = float(y) / float(Spacing_);
        const int ix = int(fx), iy = int(fy);
        const float tx = Smooth(fx - float(ix)), ty = Smooth(fy - float(iy));
        auto at = [&](int cx, int cy) { return Lattice_[std::size_t(cy * Columns_ + cx)]; };
        const float top = at(ix, iy) + (at(ix + 1, iy) - at(ix, iy)) * tx;
        const float bottom = at(ix, iy + 1) + (at(ix + 1, iy + 1) - at(ix, iy + 1)) * tx;
        return top + (bottom - top) * ty;
    }

private:
    static float Smooth(float t) { return t * t * (3 - 2 * t); }
    int Spacing_;
    int Columns_ = 0;
    std::vector<float> Lattice_;
};

// A photograph as a compressor sees one: a sky over a landscape of smooth, detailed shapes,
// colours that drift, and sensor grain on every pixel.
inline TDibGraphic PhotoScreen() {
    TDibGraphic image;
    image.NewImage(Width, Height, ifTrueColor, nullptr, 96, 96);
    std::vector<TValueNoise> detail;
    for (int octave = 0; octave < 6; ++octave)
        detail.emplace_back(uint32_t(100 + octave), std::max(2, 320 >> octave));
    const TValueNoise warm(7, 240), green(8, 180), cool(10, 200), horizon(9, 160);
    TRandom grain(99);
    for (int y = 0; y < Height; ++y) {
        uint8_t* row = image.ScanLine(y);
        for (int x = 0; x < Width; ++x) {
            float texture = 0, weight = 0.5f;
            for (const TValueNoise& octave : detail) {
                texture += octave(x, y) * weight;
                weight *= 0.55f;
            }
            const float line = 420 + horizon(x, 0) * 160;
            float red, greenLevel, blue;
            if (float(y) < line) { // sky: a gradient with clouds
                const float height = float(y) / line;
                const float cloud = std::clamp((texture - 0.45f) * 2.5f, 0.0f, 1.0f);
                red = 90 + 60 * height + cloud * 140;
                greenLevel = 140 + 50 * height + cloud * 100;
                blue = 220 - 20 * height + cloud * 30;
            } else { // land: fields and trees, darker towards the bottom
                const float shade = 0.6f + texture * 0.8f - float(y - line) / 2400.0f;
                red = (70 + warm(x, y) * 120) * shade;
                greenLevel = (90 + green(x, y) * 110) * shade;
                blue = (40 + cool(x, y) * 50) * shade;
            }
            const float noise = float(grain(13)) - 6.0f;
            row[x * 3] = uint8_t(std::clamp(blue + noise, 0.0f, 255.0f));
            row[x * 3 + 1] = uint8_t(std::clamp(greenLevel + noise, 0.0f, 255.0f));
            row[x * 3 + 2] = uint8_t(std::clamp(red + noise, 0.0f, 255.0f));
        }
    }
    return image;
}

inline std::optional<TDibGraphic> ScreenByName(const std::string& name) {
    if (name == "desktop")
        return DesktopScreen();
    if (name == "terminal")
        return TerminalScreen();
    if (name == "photo")
        return PhotoScreen();
    return std::nullopt;
}

} // namespace bench_screens
