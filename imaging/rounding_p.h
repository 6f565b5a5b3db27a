// Round to nearest with halves to the even neighbour, the rounding used throughout the image
// arithmetic, without a library call per pixel. Adding and removing 1.5 * 2^52 leaves no
// fraction bits, so the addition itself rounds (in the default rounding mode, to nearest,
// ties to even). Exact for |x| < 2^51, far beyond any pixel coordinate.
#pragma once

inline double RoundHalfEven(double x) {
    constexpr double shift = 6755399441055744.0; // 1.5 * 2^52
    return (x + shift) - shift;
}
