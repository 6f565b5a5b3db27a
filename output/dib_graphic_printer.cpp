#include "output/dib_graphic_printer.h"

#include <algorithm>
#include <cmath>

namespace {

int Trunc(double value) {
    return int(std::trunc(value));
}

int DpiOrScreen(int dpi) {
    return dpi > 0 ? dpi : ScreenLogicalDpi();
}

} // namespace

QRect DibGraphicPrintRect(TPrintMode mode, int width, int height, int xDpi, int yDpi,
                          const TPrinterGeometry& printer, double leftMargin, double topMargin) {
    if (width <= 0 || height <= 0 || printer.PageWidth <= 0 || printer.PageHeight <= 0)
        return {};
    const int pageWidth = printer.PageWidth;
    const int pageHeight = printer.PageHeight;
    int printedWidth = 0;
    int printedHeight = 0;
    int left = 0;
    int top = 0;
    if (mode == pmNormalSize) {
        printedWidth = Trunc(double(width) * printer.XResolution / DpiOrScreen(xDpi));
        printedHeight = Trunc(double(height) * printer.YResolution / DpiOrScreen(yDpi));
        // A tiny image on a coarse device would vanish, and the shrink factor below would
        // divide by zero.
        printedWidth = std::max(printedWidth, 1);
        printedHeight = std::max(printedHeight, 1);
        const float shrink = std::min(float(pageWidth) / float(printedWidth),
                                      float(pageHeight) / float(printedHeight));
        if (shrink < 1.0f) {
            printedWidth = std::max(Trunc(printedWidth * double(shrink)), 1);
            printedHeight = std::max(Trunc(printedHeight * double(shrink)), 1);
        }
        left = std::max(Trunc(printer.XResolution * leftMargin) - printer.OffsetX, 0);
        top = std::max(Trunc(printer.YResolution * topMargin) - printer.OffsetY, 0);
    } else {
        printedWidth = pageWidth;
        printedHeight = Trunc(double(height) * pageWidth / width);
        if (printedHeight >= pageHeight) {
            printedHeight = pageHeight;
            printedWidth = Trunc(double(width) * pageHeight / height);
        }
    }
    return QRect(left, top, printedWidth, printedHeight);
}

TDibGraphicPrinter::TDibGraphicPrinter(IPrinter& printer) : Printer_(printer) {
    ReadGeometry();
}

void TDibGraphicPrinter::SetPrintMode(TPrintMode mode) {
    Mode_ = mode;
    ReadGeometry();
}

void TDibGraphicPrinter::ReadGeometry() {
    Geometry_ = {Printer_.PageWidth(),   Printer_.PageHeight(), Printer_.XResolution(),
                 Printer_.YResolution(), Printer_.OffsetX(),    Printer_.OffsetY()};
}

void TDibGraphicPrinter::Print(const TDibGraphic& image) {
    const QRect place = DibGraphicPrintRect(Mode_, image.Width(), image.Height(), image.XDpi(),
                                            image.YDpi(), Geometry_, LeftMargin, TopMargin);
    if (!place.isEmpty())
        Printer_.StretchDraw(place, image);
}
