// The shapes the selection windows draw and cut: the rectangle between two corners with its
// dotted outline, and the ellipse of a box with its outline and its cut-out.
//
// Everything works on true-colour pictures (QImage::Format_RGB32) pixel by pixel, so that the
// rubber band the user sees and the picture that is stored are made by the same code and
// agree to the pixel.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>

#include <optional>
#include <utility>

// The rectangle dragged from `start` to `end`, smaller coordinates as left and top. The far
// corner lies just outside it: a drag from x 100 to x 500 spans the 400 pixels 100..499, and
// a drag that ends on the start's row or column spans nothing (an empty rectangle).
QRect SelectionRect(const QPoint& start, const QPoint& end);

// The dotted outline of a rectangle: every other pixel along its border is inverted, the
// pixels whose screen x + y is even, so the dots stay put while the rectangle changes and
// show on any background. `rect` is in the picture's coordinates; `origin` is the screen
// position of the picture's top-left pixel. Drawing it twice leaves the picture as it was.
void DrawFocusOutline(QImage& picture, const QRect& rect, const QPoint& origin = {});

// The ellipse of a box of width x height pixels: the pixels whose centres lie inside the
// ellipse inscribed in the box's inner rectangle from (1, 1) to (width - 1, height - 1). It
// keeps one pixel off every edge, so that once that border is cut off, the ellipse is
// inscribed in what remains. A box of 2 pixels or less across holds no ellipse.
//
// The first and last column of the ellipse on row `y`; nullopt when the row has none.
std::optional<std::pair<int, int>> EllipseRowSpan(int y, int width, int height);
bool InsideEllipse(int x, int y, int width, int height);

enum class TOutlineInk {
    Black,  // the final outline
    Invert, // the rubber band: shows on any background, and drawing it again removes it
};
// The outline of the ellipse of `box` (in the picture's coordinates): the pixels of the
// ellipse that have a neighbour above, below, left or right outside it, a closed line one
// pixel thin. Parts of the box outside the picture are left out.
void DrawEllipseOutline(QImage& picture, const QRect& box, TOutlineInk ink);
// Paints everything outside the ellipse of the picture's own box white.
void CutOutEllipse(QImage& picture);
