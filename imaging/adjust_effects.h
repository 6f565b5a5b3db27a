// The effects of the editor's adjust dialog: colour changes, blurs, noise and distortions,
// each at the strength of the dialog's bar. They work on 24-bit fast raster buffers (blue,
// green, red bytes, rows from the top) and throw EImageError "The effect needs a 24-bit
// buffer" for any other depth; an empty buffer is left alone. The dialog calls AdjustedCopy,
// which makes the 24-bit copy and maps the bar positions to the effect's amounts.
//
// The parameters are the effects' own amounts. Each is brought into the range the dialog can
// give (stated with the effect) or, where a larger value has a plain meaning, taken as it is:
// no value reads or writes outside the buffer. "div" below truncates towards zero and
// "round" rounds halves to the even neighbour, as everywhere in the image arithmetic.
#pragma once

#include "imaging/fast_dib.h"

#include <cstdint>

// ---- colours, pixel by pixel ----------------------------------------------------------------

// Lightens for amounts above 0, v + a x (255 - v) div 255, and darkens for amounts below,
// v - |a| x v div 255, channel by channel. -250..250; 0 changes nothing.
void AdjustBrightness(TFastDIB& image, int amount);

// Pushes channel values away from the middle (towards it for negative amounts): d := a x
// |127 - v| div 255; 128 and above gain d, 127 and below lose it, limited to 0..255.
// -250..250; 0 changes nothing.
void AdjustContrast(TFastDIB& image, int amount);

// Moves each channel away from the pixel's mean m = (B + G + R) div 3: m + a x (v - m) div
// 255, limited to 0..255. 0..1500; 0 gives grey, 255 keeps the colours.
void AdjustSaturation(TFastDIB& image, int amount);

// Each pixel gains three independent uniform random numbers 0..amount-1, less amount div 2,
// one per channel. 0..200; 0 changes nothing. The same seed gives the same noise.
void ColorNoise(TFastDIB& image, int amount, uint64_t seed);

// As ColorNoise with one random number per pixel for all three channels: grey grain.
void MonoNoise(TFastDIB& image, int amount, uint64_t seed);

enum class TColorChannel { Red, Green, Blue };

// The channel becomes 255 where low < v < high (both strict) and 0 elsewhere; the other two
// stay. Any bounds: outside 0..255 they simply include or exclude every value.
void ChannelThreshold(TFastDIB& image, TColorChannel channel, int high, int low);

// Each channel becomes the nearest multiple of `step`, min(step x round(v / step), 255).
// 1..101; 1 changes nothing.
void Posterize(TFastDIB& image, int step);

// Inverts every pixel whose channel mean (B + G + R) div 3 exceeds `threshold`; any value.
void Solarize(TFastDIB& image, int threshold);

// ---- blocks and blurs -------------------------------------------------------------------------

// Cuts the image into size x size blocks from the top-left corner (cut short at the right and
// bottom edges) and gives each block the colour of its top-left pixel. Sizes below 2 change
// nothing; a size beyond the image makes one block.
void Mosaic(TFastDIB& image, int size);

// Each pixel, from the top and the left, becomes the mean of the four pixels `distance` rows
// up and down and columns left and right, reading the pixels already blurred as blurred. A row
// or column beyond an edge is the pixel's own, at the bottom and right as at the top and left:
// counting back from the far edge instead (row H - y) would mix the top rows into the bottom
// ones, and reach outside the image for distances as large as the image. So a distance at
// least as large as both sides changes nothing. 0 changes nothing; negative distances count
// as positive.
void SplitBlur(TFastDIB& image, int distance);

// `passes` split blurs with distance 2, one after the other. At most 51 passes are run, the
// far end of the dialog's bar; 0 or fewer run none.
void GaussianBlur(TFastDIB& image, int passes);

// ---- distortions --------------------------------------------------------------------------

// Magnifies the middle as through a fish-eye lens: each pixel samples the original at a
// distance from the centre r2 = (1 / (1 - r / rmax) - 1) x rmax / 2, rmax = amount x width,
// bilinearly, positions beyond an edge wrapped around it. 0.71..1.71 (the dialog's range).
void FishEye(TFastDIB& image, double amount);

enum class TSqueezeKind {
    Horizontal = 1, // every row narrowed by `amount` pixels on both sides
    Top,            // narrowed most at the top, not at the bottom
    Bottom,         // narrowed most at the bottom
    Diamond,        // narrowed most at the top and bottom, along a cosine
    Middle,         // narrowed most in the middle, along a sine
    Round,          // rows as wide as 2 x amount x sin, about the middle: a round shape
    DoubleRound,    // the same with two arches, one above the other
};

// Squeezes every row into a narrower span of the same row, pixels dropped to fit; the rest
// turns white. The amount is limited to half the width.
void Squeeze(TFastDIB& image, TSqueezeKind kind, int amount);

enum class TSplitKind {
    Round = 1, // the halves drawn apart in the middle rows, together at the top and bottom
    Transpose, // drawn apart at the top and bottom, together in the middle
};

// Squeezes the left half of every row towards the left edge and the right half towards the
// right edge, as wide as amount x sin (Round) or amount x |cos| (Transpose) of the row's
// place; the gap between them and the last column turn white. The amount is limited to half
// the width.
void Split(TFastDIB& image, TSplitKind kind, int amount);

// Moves pixels down by a saw-tooth of offsets along each row, 0, 1, ... amount, 0, 1, ...;
// rows from the bottom up, so upper pixels land over lower ones. The amount is limited to
// half the height; 0 and below change nothing.
void RippleTooth(TFastDIB& image, int amount);

// As RippleTooth with an offset for each pixel after the first of a row drawn uniformly from
// 0..amount-1. The same seed gives the same ripples.
void RippleRandom(TFastDIB& image, int amount, uint64_t seed);

enum class TTileLayout {
    Normal,  // tiles side by side
    Overlap, // tiles two thirds of a tile apart, later ones over earlier ones
};

// Shrinks the whole image into a tile of size x size pixels (pixels dropped) and covers the
// image with copies of it from the top-left corner. The size is limited to half the width and
// half the height; an image less than 2 pixels wide or high, and a size below 1, change
// nothing.
void Tile(TFastDIB& image, int size, TTileLayout layout);

// ---- the dialog's entry point -------------------------------------------------------------

// The effect the adjust dialog shows; None shows the image unchanged.
enum class TAdjustMode {
    None,
    Brightness,
    Contrast,
    Saturation,
    Mosaic,
    FishEye,
    SplitBlur,
    Gaussian,
    ColorNoise,
    MonoNoise,
    XRed,
    XGreen,
    XBlue,
    Squeeze,
    Split,
    RippleTooth,
    RippleRandom,
    TileNormal,
    TileOverlap,
    Posterize,
    Solarize,
};

struct TAdjustment {
    TAdjustMode Mode = TAdjustMode::None;
    // Squeeze 1..7 (TSqueezeKind), Split 1..2 (TSplitKind); not read by the other modes.
    int Kind = 0;
    // The bar's position, 0..100 (values outside are taken at the nearer end).
    int Position = 50;
    // The Intensity bar of the X colour modes, 0..100 likewise.
    int Intensity = 50;
    // Seeds the noise and random ripple modes.
    uint64_t Seed = 0;
};

// A 24-bit copy of `image` (any depth) with the adjustment applied, from the bar position P
// and intensity T:
//   Brightness     AdjustBrightness (P - 50) x 5
//   Contrast       AdjustContrast (P - 50) x 5
//   Saturation     AdjustSaturation P x 15
//   Mosaic         Mosaic P
//   FishEye        FishEye (P + 71) / 100
//   SplitBlur      SplitBlur P
//   Gaussian       GaussianBlur round(P / 2) + 1 passes
//   ColorNoise     ColorNoise 2P          MonoNoise  MonoNoise 2P
//   XRed ...       ChannelThreshold red, green or blue, high P, low T
//   Squeeze        Squeeze of the kind, P (kinds 1 to 5) or 2P + 1 (kinds 6 and 7)
//   Split          Split of the kind, 4P + 1
//   RippleTooth    RippleTooth P          RippleRandom  RippleRandom P
//   TileNormal     Tile P + 10, Normal    TileOverlap   Tile P + 10, Overlap
//   Posterize      Posterize P + 1        Solarize      Solarize P + 1
// Throws EImageError "Unknown adjustment" for a squeeze or split kind out of range and a mode
// that names no effect.
TFastDIB AdjustedCopy(const TFastDIB& image, const TAdjustment& adjustment);

// The effects' buffer made from and turned back into the editor's raster: a 24-bit fast
// buffer of the image's colours (palette images expanded), and a true-colour raster of the
// buffer's colours (any depth).
TFastDIB TrueColorFastDIB(const TDibGraphic& image);
TDibGraphic TrueColorDibGraphic(const TFastDIB& buffer);
