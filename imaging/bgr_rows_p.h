// Row-wise access to a raster of any pixel format as blue, green, red bytes, for the
// transforms that work on colours rather than on palette indices.
#pragma once

#include "imaging/dib_graphic.h"
#include "imaging/palette_matcher.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class TBgrRowReader {
public:
    explicit TBgrRowReader(const TDibGraphic& image);
    // Row `y` (from the top) as 3 x width bytes, blue first. Valid until the next call.
    const uint8_t* Row(int y);

private:
    const TDibGraphic& Image_;
    std::array<std::array<uint8_t, 3>, 256> Colors_{}; // palette entry -> blue, green, red
    std::vector<uint8_t> Buffer_;
};

class TBgrRowWriter {
public:
    explicit TBgrRowWriter(TDibGraphic& image);
    // Writes row `y` from 3 x width bytes; palette formats take each colour's nearest entry.
    void Write(int y, const uint8_t* bgr);
    // Nearest palette entry of a colour (palette formats only).
    int Nearest(int red, int green, int blue) { return Matcher_->Nearest(red, green, blue); }

private:
    TDibGraphic& Image_;
    std::optional<TPaletteMatcher> Matcher_;
};
