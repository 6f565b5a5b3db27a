// Prints one raster image on the page of an open job: at its own size in inches, or filling
// the page. The print made right after a capture and "Image(s) Stretch To Full Page" go
// through it.
#pragma once

#include "imaging/dib_graphic.h"
#include "platform/printer.h"

#include <QRect>

enum TPrintMode {
    pmNormalSize = 0, // the image's size in inches (by its resolution), shrunk to the page
    pmFitPage = 1,    // as large as the page allows, keeping the proportion
};

// The printer geometry a print mode works with, in device pixels and dots per inch.
struct TPrinterGeometry {
    int PageWidth = 0;
    int PageHeight = 0;
    int XResolution = 0;
    int YResolution = 0;
    int OffsetX = 0;
    int OffsetY = 0;
};

// Where an image of that size and resolution is printed. The rectangle starts at the top
// left of the printable area, moved by the margins (in inches, measured from the paper's
// edge, so the printing offsets are taken off them; never left of or above the printable
// area). An image without a resolution counts as one at the screen's logical resolution.
// An empty image gives an empty rectangle.
QRect DibGraphicPrintRect(TPrintMode mode, int width, int height, int xDpi, int yDpi,
                          const TPrinterGeometry& printer, double leftMargin = 0.0,
                          double topMargin = 0.0);

class TDibGraphicPrinter {
public:
    // Reads the printer's geometry.
    explicit TDibGraphicPrinter(IPrinter& printer);

    TPrintMode PrintMode() const { return Mode_; }
    // Sets the mode and reads the printer's geometry for it.
    void SetPrintMode(TPrintMode mode);

    // Size of the print in inches; neither mode uses it.
    double Width = 5.0;
    double Height = 5.0;
    // Margins in inches from the paper's edge.
    double LeftMargin = 0.0;
    double TopMargin = 0.0;

    // Draws the image on the open job's page. Throws EPrinterError.
    void Print(const TDibGraphic& image);

private:
    void ReadGeometry();

    IPrinter& Printer_;
    TPrintMode Mode_ = pmNormalSize;
    TPrinterGeometry Geometry_;
};
