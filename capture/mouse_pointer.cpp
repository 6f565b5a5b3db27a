#include "capture/mouse_pointer.h"

void PaintMousePointer(TDibGraphic& image, int left, int top) {
    for (int row = 0; row < MousePointerHeight; ++row) {
        const int y = top + row;
        if (y < 0 || y >= image.Height())
            continue;
        for (int column = 0; column < MousePointerWidth; ++column) {
            const int x = left + column;
            const char pixel = MousePointerRows[std::size_t(row)][std::size_t(column)];
            if (pixel == '.' || x < 0 || x >= image.Width())
                continue;
            image.SetPixel(x, y, pixel == 'X' ? MakeColor(0, 0, 0) : MakeColor(255, 255, 255));
        }
    }
}
