// The pointer picture that captures show when the settings ask for the pointer: a plain
// black arrow with a white inside, 11 x 19 pixels, its tip in the top-left corner.
//
// The desktop's own pointer is not part of the screen's pixels on X11 (the server draws it
// on top), so captures paint this picture into the grabbed image instead.
#pragma once

#include "imaging/dib_graphic.h"

#include <array>
#include <string_view>

// The picture row by row from the top: X black, W white, '.' the background (yellow), which
// is transparent when the picture is painted.
inline constexpr std::array<std::string_view, 19> MousePointerRows = {
    "XX.........", "XWX........", "XWWX.......", "XWWWX......", "XWWWWX.....",
    "XWWWWWX....", "XWWWWWWX...", "XWWWWWWWX..", "XWWWWWWWWX.", "XWWWWWXXXXX",
    "XWWXWWX....", "XWX.XWWX...", "XX..XWWX...", "X....XWWX..", ".....XWWX..",
    "......XWWX.", "......XWWX.", ".......XX..", "...........",
};
inline constexpr int MousePointerWidth = 11;
inline constexpr int MousePointerHeight = 19;

// Paints the picture into `image` with its top-left corner at (left, top) in the image's
// coordinates; the background stays transparent and whatever falls outside the image is
// left out.
void PaintMousePointer(TDibGraphic& image, int left, int top);
