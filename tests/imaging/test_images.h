// Small images for the imaging tests.
#pragma once

#include "imaging/dib_graphic.h"

#include <cstdint>
#include <functional>
#include <random>
#include <vector>

// A w x h image whose pixel (x, y) is colour(x, y).
inline TDibGraphic MakeImage(int width, int height,
                             const std::function<uint32_t(int x, int y)>& color,
                             TImageFormat format = ifTrueColor) {
    TDibGraphic image;
    image.NewImage(width, height, format, nullptr, 96, 96);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.SetPixel(x, y, color(x, y));
    return image;
}

// A w x h image of palette indices index(x, y).
inline TDibGraphic MakeIndexImage(int width, int height, TImageFormat format,
                                  const std::function<int(int x, int y)>& index,
                                  const TPalette* palette = nullptr) {
    TDibGraphic image;
    image.NewImage(width, height, format, palette, 96, 96);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.SetPixelIndex(x, y, index(x, y));
    return image;
}

// Noise with a fixed seed: the same picture in every run.
inline TDibGraphic MakeNoise(int width, int height, unsigned seed = 1) {
    std::mt19937 random(seed);
    return MakeImage(width, height, [&](int, int) { return uint32_t(random() & 0xFFFFFF); });
}

inline std::vector<uint32_t> Pixels(const TDibGraphic& image) {
    std::vector<uint32_t> pixels;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            pixels.push_back(image.Pixel(x, y));
    return pixels;
}

inline std::vector<int> Indices(const TDibGraphic& image) {
    std::vector<int> indices;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            indices.push_back(image.PixelIndex(x, y));
    return indices;
}

inline uint32_t Gray(int level) {
    return MakeColor(level, level, level);
}
