// Marks drawn over an image: arrows, lines, boxes, ellipses, freehand strokes, highlighter
// strokes, text, numbered step markers, and the two redactions (a solid box and pixelation).
// The editor and "karvin transform" draw through the same code, so a mark looks the same
// whichever made it. Everything is drawn at the image's own resolution, antialiased, and
// clipped to the image.
#pragma once

#include "imaging/dib_graphic.h"

#include <cstdint>
#include <string>
#include <vector>

enum class TMarkKind {
    Arrow,       // Points: from, to; the head sits at `to`
    Line,        // Points: from, to
    Rectangle,   // Points: two opposite corners; Filled or outline of Width
    Ellipse,     // Points: two opposite corners of its box; Filled or outline of Width
    Pen,         // Points: the freehand path, in order
    Highlighter, // Points: the path; translucent, so what lies under it stays readable;
                 // three times Width broad
    Text,        // Points: the top-left corner of the text; Text, FontSize, Color
    Step,        // Points: the marker's centre; Text holds its number ("1", "2", ...)
    Redact,      // Points: two opposite corners; every pixel the box touches becomes Color
    Pixelate,    // Points: two opposite corners; blocks of Block pixels, each its average
};

// A position in image pixels: pixel (x, y) covers [x, x + 1) x [y, y + 1). A stroke of odd
// width through pixel centres (x + 0.5) covers whole pixels; boxes (Rectangle, Ellipse,
// Redact, Pixelate) drawn between pixel edges (whole numbers) do, and an outline lies inside
// its box.
struct TMarkPoint {
    double X = 0;
    double Y = 0;
};

// The ranges a mark's settings must lie in. Callers refuse values outside them with their
// own message; DrawMark clamps to them.
inline constexpr int MinMarkWidth = 1;
inline constexpr int MaxMarkWidth = 100;
inline constexpr int MinMarkFontSize = 6; // pixels, the height of the font's em
inline constexpr int MaxMarkFontSize = 400;
inline constexpr int MinPixelateBlock = 12;
inline constexpr int MaxPixelateBlock = 1000;

struct TMark {
    TMarkKind Kind = TMarkKind::Line;
    std::vector<TMarkPoint> Points;
    uint32_t Color = 0xFF0000; // 0x00RRGGBB
    int Width = 3;             // stroke width in pixels
    bool Filled = false;       // Rectangle and Ellipse
    std::string Text;          // UTF-8; Text and Step
    int FontSize = 24;
    int Block = MinPixelateBlock; // Pixelate
};

// Draws the mark onto the image. An image with a palette is first turned into true colour,
// so that antialiased edges keep their colours. A mark that covers no pixel of the image
// (outside it, no area, empty text) leaves the image exactly as it was and returns false.
bool DrawMark(TDibGraphic& image, const TMark& mark);
