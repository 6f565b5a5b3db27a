// Row-wise access to a raster of any pixel format as blue, green, red bytes, for the
// transforms that work on colours rather than on palette indices.
#pragma once

#include "imaging/dib_graphic.h"
#include "imaging/palette_matcher.h"

#include <cstdint>
#include <optional>

// `image` itself when it is true colour, else its true-colour expansion, kept in `expanded`:
// rows of blue, green, red bytes to read from either way.
const TDibGraphic& AsTrueColor(const TDibGraphic& image, TDibGraphic& expanded);

class TBgrRowWriter {
public:
    explicit TBgrRowWriter(TDibGraphic& image);
    // Writes row `y` from 3 x width bytes; palette formats take each colour's nearest entry.
    void Write(int y, const uint8_t* bgr);

private:
    TDibGraphic& Image_;
    std::optional<TPaletteMatcher> Matcher_;
};
