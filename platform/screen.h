// The screen: its pixels, size, colours and resolution, and where the pointer is.
#pragma once

#include "imaging/dib_graphic.h"

#include <QPoint>
#include <QRect>
#include <QSize>

#include <cstdint>
#include <memory>

class IScreen {
public:
    virtual ~IScreen() = default;

    // The screen's pixels inside rect (screen coordinates) as a true-colour image. The part
    // of rect that lies off the screen is left out, so the image has the size of
    // rect & QRect({0, 0}, ScreenSize()); it is empty when nothing of rect is on the screen
    // or the screen cannot be read.
    virtual TDibGraphic GrabScreenRect(const QRect& rect) = 0;
    virtual QSize ScreenSize() = 0;
    // 2 to the power of the screen's colour depth (16777216 for 24 bits).
    virtual std::uint64_t ScreenColorCount() = 0;
    // The screen's logical resolution in dots per inch; 96 when the display reports nothing
    // sensible.
    virtual int ScreenDpi() = 0;
    virtual QPoint PointerPos() = 0;
};

// Dots per inch from a screen's size in pixels and millimetres, rounded, halves to even;
// 96 when the millimetres are missing or give an implausible resolution.
int DpiFromScreenSize(int pixels, int millimetres);

// How a screen of `screenColorCount` colours (2 to the power of its depth) keeps a pixel in
// memory, for fast raster buffers made in the screen's format (SetFastDIBScreenFormat): a
// true-colour screen (depth 24 or 32) in 32 bits, depth 16 in 16 bits laid out 565, depth 15
// in 16 bits laid out 555, depths of 8 and fewer in 8, 4 or 1 bits.
struct TScreenPixelFormat {
    int BitsPerPixel = 32;
    int Layout16 = 565;
    bool operator==(const TScreenPixelFormat&) const = default;
};
TScreenPixelFormat ScreenPixelFormat(std::uint64_t screenColorCount);

// The real screen: the root window of the application's X display. Grabs go through shared
// memory when the server offers it (several times faster for whole screens), else through
// a plain image request.
class TSharedSegment;

class TX11Screen : public IScreen {
public:
    TX11Screen();
    ~TX11Screen() override;
    TX11Screen(const TX11Screen&) = delete;
    TX11Screen& operator=(const TX11Screen&) = delete;

    TDibGraphic GrabScreenRect(const QRect& rect) override;
    QSize ScreenSize() override;
    std::uint64_t ScreenColorCount() override;
    int ScreenDpi() override;
    QPoint PointerPos() override;

    // Switches the shared-memory path off, for comparing the two paths.
    void SetUseSharedMemory(bool use) { UseSharedMemory_ = use; }

private:
    bool UseSharedMemory_ = true;
    std::unique_ptr<TSharedSegment> Segment_; // kept between grabs
};
