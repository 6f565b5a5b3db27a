// The screen rectangles of the simple capture methods: the whole screen, the window in front
// with its frame, its client area, and the client area of the window under the pointer.
//
// Every rectangle is in screen coordinates and cut to the screen, so a window that reaches
// past an edge gives the part that can be seen, and the grab of a rectangle has exactly the
// rectangle's size. A window entirely off the screen gives an empty rectangle, which
// captures nothing.
#pragma once

#include "platform/screen.h"
#include "platform/windows.h"

#include <QRect>

QRect FullScreenRect(IScreen& screen);
// The frame rectangle of the foreground window; the whole screen when there is no such
// window or it has closed meanwhile.
QRect ActiveWindowRect(IWindows& windows, IScreen& screen);
// The client rectangle of the foreground window; the whole screen when it cannot be read.
QRect ActiveClientRect(IWindows& windows, IScreen& screen);
// The client rectangle of the window under the pointer (the desktop's is the whole screen);
// the whole screen when it cannot be read.
//
// A web browser in front needs no rule of its own here: Chromium- and Firefox-family
// browsers draw the page into their one top-level window, without a window of its own for
// the page, a frame around it or a scroll bar window beside it, so the page area that X can
// name is the browser window's client area, tabs and tool bars included.
QRect WindowUnderPointerRect(IWindows& windows, IScreen& screen);
