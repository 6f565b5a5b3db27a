// The effects that work on fast raster buffers: split blur in place, and rotation and wave
// distortion from a source buffer into a destination buffer of the same pixel format, each
// with the edges clipped or wrapped. Every depth a buffer can have is handled; 1- and 4-bit
// buffers move and average palette indices as 8-bit buffers do.
#pragma once

#include "imaging/fast_dib.h"

enum class TFastEdges {
    Clip, // destination pixels whose source lies outside keep what they held
    Wrap, // the source repeats beyond its edges; every destination pixel is written
};

// Where the split blur takes a row or column that would lie beyond an edge of the buffer.
enum class TBlurEdges {
    Nearest, // the edge row or column (the editor's Blur)
    Own,     // the pixel's own row or column (the adjust dialog's Split Blur and Gaussian)
};

// Each pixel, from the top row and the left, becomes the mean of the four pixels `distance`
// rows up and down and columns left and right (the negative distance counts as positive),
// positions beyond an edge taken as `edges` says, reading what the buffer holds at that
// moment: pixels already blurred are read blurred. Per byte for 24 and 32 bits (the fourth
// byte of a 32-bit pixel is left alone), per bit field for 16 bits, per index below that.
void FastSplitBlur(TFastDIB& buffer, int distance, TBlurEdges edges = TBlurEdges::Nearest);

// Turns `source` by `angle` degrees (positive: clockwise on screen) about the point
// (centerX, centerY) of `dest` into `dest`, walking each destination row in 16.16 fixed
// point. Throws EImageError "Invalid rotation angle" when the angle is not a finite number and
// when the buffers differ in depth or layout. An empty source leaves `dest` alone.
void FastRotate(const TFastDIB& source, TFastDIB& dest, int centerX, int centerY, double angle,
                TFastEdges edges);

// Bends `source` into `dest` with two sine waves: column x shifts by round(amplitude x
// sin(x / periodX)) rows and row y by round(amplitude x sin(y / periodY)) columns. Throws
// EImageError when a value is not a finite number, a period is 0, or the buffers differ in
// depth or layout. An empty source leaves `dest` alone.
void FastWave(const TFastDIB& source, TFastDIB& dest, double amplitude, double periodX,
              double periodY, TFastEdges edges);
