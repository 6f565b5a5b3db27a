// A screen made of an image a test paints: grabs copy from it, and the rest is settable.
#pragma once

#include "platform/screen.h"

#include <functional>
#include <vector>

class TFakeScreen : public IScreen {
public:
    // A screen of that size, all black, 24-bit colour at 96 dpi.
    explicit TFakeScreen(int width = 640, int height = 480);

    TDibGraphic Pixels; // the screen's content; its size is the screen size
    std::uint64_t ColorCount = 16777216;
    int Dpi = 96;
    QPoint Pointer;
    std::vector<QRect> Grabs; // every rectangle asked for, in order
    // Runs at every grab, before the pixels are read: what is on the screen at that moment.
    std::function<void()> WhileGrabbing;

    TDibGraphic GrabScreenRect(const QRect& rect) override;
    QSize ScreenSize() override;
    std::uint64_t ScreenColorCount() override { return ColorCount; }
    int ScreenDpi() override { return Dpi; }
    QPoint PointerPos() override { return Pointer; }

    void FillRect(const QRect& rect, uint32_t color);
};
