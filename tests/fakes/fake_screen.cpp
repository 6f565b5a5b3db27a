#include "tests/fakes/fake_screen.h"

TFakeScreen::TFakeScreen(int width, int height) {
    Pixels.NewImage(width, height, ifTrueColor);
}

QSize TFakeScreen::ScreenSize() {
    return QSize(Pixels.Width(), Pixels.Height());
}

TDibGraphic TFakeScreen::GrabScreenRect(const QRect& rect) {
    Grabs.push_back(rect);
    if (WhileGrabbing)
        WhileGrabbing();
    QRect area = rect.intersected(QRect(QPoint(0, 0), ScreenSize()));
    TDibGraphic image;
    if (area.isEmpty())
        return image;
    image.NewImage(area.width(), area.height(), ifTrueColor);
    for (int y = 0; y < area.height(); ++y)
        for (int x = 0; x < area.width(); ++x)
            image.SetPixel(x, y, Pixels.Pixel(area.x() + x, area.y() + y));
    return image;
}

void TFakeScreen::FillRect(const QRect& rect, uint32_t color) {
    QRect area = rect.intersected(QRect(QPoint(0, 0), ScreenSize()));
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            Pixels.SetPixel(x, y, color);
}
