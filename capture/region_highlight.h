// The highlight of the "Mouse Selected Region" method: the client area of the window the user
// points at shows in inverted colours, less a margin of 2 pixels.
//
// The screen itself is never drawn on: a window that takes no input and that the window
// manager leaves alone lies over the area and shows the area's pixels inverted, as they were
// when it came up. Destroying it leaves the screen as it was.
#pragma once

#include "platform/screen.h"
#include "platform/windows.h"

#include <QImage>
#include <QRect>
#include <QWidget>

#include <memory>

class TRegionHighlight : public QWidget {
    Q_OBJECT
public:
    // Shows the inverted picture of the screen area `area` over it.
    TRegionHighlight(const QImage& inverted, const QRect& area);

    // The window that shows the highlight, as other windows are known.
    TWindowId Window();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage Inverted_;
};

// The area that shows inverted for a client area (screen coordinates): all of it but a
// margin of 2 pixels, and only what lies on the screen.
QRect RegionHighlightArea(const QRect& clientRect, const QSize& screenSize);

// Takes the picture of the client area's highlight area and shows it inverted; nullptr when
// nothing of it lies on the screen.
std::unique_ptr<TRegionHighlight> ShowRegionHighlight(IScreen& screen, const QRect& clientRect);
