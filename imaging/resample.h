// Resampling a picture to a new size with a reconstruction filter: the editor's Resize
// (Lanczos3), the WebLink pictures and print thumbnails (Hermite), the thumbnail grid.
#pragma once

#include "imaging/dib_graphic.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>

// A filter's value at distance x (in source pixels), in single precision.
using TFilterFunction = float (*)(float x);

struct TResampleFilter {
    const char* Name;
    TFilterFunction Function;
    float Support; // the filter is 0 beyond this distance
};

// Box, Triangle, Hermite, Bell, B-Spline, Lanczos3, Mitchell, in that order.
extern const std::array<TResampleFilter, 7> ResampleFilters;
inline constexpr int HermiteFilterIndex = 2;
inline constexpr int Lanczos3FilterIndex = 5;

// The filter of that name (letter case ignored), or nullptr.
const TResampleFilter* FindResampleFilter(std::string_view name);

// Makes `dest` a true-colour picture of its own width and height (set by the caller
// beforehand) showing all of `source`, by two one-dimensional passes. The weights are the
// filter's own values, not normalised: the filter decides the brightness. Throws "Source
// bitmap too small" for an empty source and leaves `dest` unchanged; a destination without
// pixels stays empty. Large pictures are shared out among the processors (parallel_rows.h),
// with the same result as on one.
void ResampleStretch(const TDibGraphic& source, TDibGraphic& dest, TFilterFunction filter,
                     float support);

// A true-colour picture given row by row, for resampling a picture that is never built
// whole: Row(y, scratch) returns row y (Width pixels, blue first, 3 bytes each), either
// written into `scratch` (room for one row) or held elsewhere; it stays valid until the next
// call. Each row is asked for once, in about top-down order.
struct TRowSource {
    int Width = 0;
    int Height = 0;
    // The rows give red first instead. The channels are summed each on its own, so the
    // result is the same as from blue-first rows, only put back in the usual order.
    bool RedFirst = false;
    std::function<const uint8_t*(int y, uint8_t* scratch)> Row;
};

// ResampleStretch of the picture `source` gives row by row: the same pixels as from the
// whole picture. `dest` gets the default resolution. Runs on the calling thread only.
void ResampleStretch(const TRowSource& source, TDibGraphic& dest, TFilterFunction filter,
                     float support);
