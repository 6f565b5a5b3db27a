#include "output/print_layouts.h"

#include "imaging/crop_transform.h"
#include "imaging/stretch.h"
#include "output/dib_graphic_printer.h"
#include "platform/dib_qimage.h"
#include "widgets/wait_pointer.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLocale>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <cmath>
#include <stdexcept>

const char* const PrinterFailureText =
    "Your printer is not responding. Please make sure it is turned on,\n"
    "have paper, and the printer cable is properly connected.";

namespace {

// Truncation towards zero, as everywhere in the layout arithmetic.
int Trunc(double value) {
    return int(std::trunc(value));
}

// Text heights are measured on this line in the printer's default font.
const QString SampleLine = "TESTING";

int DefaultLineHeight(IPrinter& printer) {
    printer.SetFont(TPrinterFont::Default);
    return printer.TextHeight(SampleLine);
}

double InchesFromText(const QString& text) {
    bool ok = false;
    const double inches = text.trimmed().toDouble(&ok);
    if (!ok)
        throw std::invalid_argument(
            QString("'%1' is not a valid floating point value").arg(text).toStdString());
    return inches;
}

} // namespace

QSize PrintScale(int width, int height, int pageWidth, int pageHeight, QSize screen) {
    if (width <= 0 || height <= 0 || pageWidth <= 0 || pageHeight <= 0 || screen.isEmpty())
        return {};
    int printedWidth = 0;
    int printedHeight = 0;
    if (height > width) {
        // A tall image is measured against the screen's height, on a page whose height is
        // taken as three quarters of its width; only its width is held to the page.
        printedHeight = Trunc(pageWidth * 0.75 * (double(height) / screen.height()));
        for (;;) {
            printedWidth = Trunc(printedHeight * (double(width) / height));
            if (printedWidth <= pageWidth)
                break;
            --printedHeight;
        }
    } else {
        printedWidth = std::min(Trunc(pageWidth * (double(width) / screen.width())), pageWidth);
        for (;;) {
            printedHeight = Trunc(printedWidth * (double(height) / width));
            if (printedHeight <= pageHeight)
                break;
            --printedWidth;
        }
    }
    return QSize(printedWidth, printedHeight);
}

QRect CentredOnPage(QSize printed, int pageWidth, int pageHeight) {
    return QRect((pageWidth - printed.width()) / 2, (pageHeight - printed.height()) / 2,
                 printed.width(), printed.height());
}

int SliceRows(int pageHeight, int printedHeight, int imageHeight) {
    if (printedHeight <= 0)
        return std::max(imageHeight, 1);
    return std::max(Trunc(double(pageHeight) / printedHeight * imageHeight), 1);
}

int SlicePrintedHeight(int width, int rows, int imageHeight, int wholePrintedHeight, int pageWidth,
                       int pageHeight, QSize screen) {
    if (rows > width)
        return PrintScale(width, rows, pageWidth, pageHeight, screen).height();
    return Trunc(double(wholePrintedHeight) * rows / imageHeight);
}

bool FitsEmptyPage(QSize printed, int pageWidth, int pageHeight) {
    return !printed.isEmpty() && printed.width() <= pageWidth && printed.height() <= pageHeight;
}

TPagePlan PlanManyToAPage(const std::vector<QSize>& printedSizes, int pageWidth, int pageHeight,
                          int textHeight) {
    std::vector<int> pending;
    for (int entry = 0; entry < int(printedSizes.size()); ++entry)
        if (FitsEmptyPage(printedSizes[entry], pageWidth, pageHeight))
            pending.push_back(entry);

    TPagePlan pages;
    while (!pending.empty()) {
        std::vector<TPagePlacement> page;
        int x = 0;
        int y = 0;
        int rowBottom = 0;
        std::size_t k = 0;
        while (!pending.empty()) {
            const QSize size = printedSizes[pending[k]];
            if (x + size.width() <= pageWidth && y + size.height() <= pageHeight) {
                page.push_back({pending[k], QRect(QPoint(x, y), size)});
                x += size.width() + ManyToAPageGap;
                if (y + size.height() > rowBottom)
                    rowBottom = y + size.height() + ManyToAPageGap + textHeight;
                pending.erase(pending.begin() + std::ptrdiff_t(k));
                // The last entry was placed: the earlier ones did not fit further left in
                // this row and are tried again from the first, which leads to a new row.
                if (k == pending.size())
                    k = 0;
                continue;
            }
            if (y + size.height() + textHeight > pageHeight)
                break; // not even a new row would take it: the page is full
            if (k + 1 == pending.size()) {
                k = 0;
                x = 0;
                y = rowBottom + textHeight;
            } else {
                ++k;
            }
        }
        pages.push_back(std::move(page));
    }
    return pages;
}

QPoint TThumbnailGrid::Place(int indexOnPage) const {
    const int column = indexOnPage % Columns;
    const int row = indexOnPage / Columns;
    return QPoint(column * (Tile.width() + Gap), row * (Tile.height() + Gap + LineHeight));
}

TThumbnailGrid ThumbnailGrid(int pageWidth, int pageHeight, QSize screen, int lineHeight) {
    TThumbnailGrid grid;
    grid.Tile = PrintScale(ThumbnailTileWidth, ThumbnailTileHeight, pageWidth, pageHeight, screen);
    grid.LineHeight = lineHeight;
    // At least one tile per page, however small the page: the layout must get through its
    // tiles.
    grid.Columns = std::max(pageWidth / (grid.Tile.width() + grid.Gap), 1);
    grid.Rows = std::max(pageHeight / (grid.Tile.height() + grid.Gap + lineHeight), 1);
    return grid;
}

TDibGraphic MakeThumbnailTile(const TDibGraphic& fitted, const TThumbnailPlacement& place) {
    TDibGraphic tile;
    tile.NewImage(ThumbnailTileWidth, ThumbnailTileHeight, ifTrueColor);
    for (int y = 0; y < ThumbnailTileHeight; ++y)
        std::fill_n(tile.ScanLine(y), 3 * ThumbnailTileWidth, uint8_t(0xFF));
    const int width = std::min(fitted.Width(), ThumbnailTileWidth - place.Left);
    const int height = std::min(fitted.Height(), ThumbnailTileHeight - place.Top);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            tile.SetPixel(place.Left + x, place.Top + y, fitted.Pixel(x, y));
    return tile;
}

TDibGraphic PrintedThumbnailTile(const TDibGraphic& tile, QSize printed) {
    TDibGraphic stretched;
    stretched.NewImage(printed.width(), printed.height(), ifTrueColor, nullptr, tile.XDpi(),
                       tile.YDpi());
    StretchDropPixels(tile, stretched);
    // A focus rectangle: every other pixel of the border inverted, so the dots show on white
    // and on the picture alike.
    const int width = stretched.Width();
    const int height = stretched.Height();
    auto invert = [&](int x, int y) {
        if ((x + y) % 2 == 0)
            stretched.SetPixel(x, y, ~stretched.Pixel(x, y) & 0xFFFFFF);
    };
    for (int x = 0; x < width; ++x) {
        invert(x, 0);
        if (height > 1)
            invert(x, height - 1);
    }
    for (int y = 1; y + 1 < height; ++y) {
        invert(0, y);
        if (width > 1)
            invert(width - 1, y);
    }
    return stretched;
}

bool CaptionPageFits(int width, int height, QSize printed, int pageHeight, int lineHeight) {
    if (height <= width)
        return true;
    return printed.height() + CaptionGap + lineHeight <= pageHeight;
}

QString CaptionLine(const QString& caption, bool withDateTime, const QDateTime& now) {
    if (!withDateTime)
        return caption;
    const QLocale locale = QLocale::system();
    const QString stamp = locale.toString(now.date(), QLocale::ShortFormat) + " " +
                          locale.toString(now.time(), QLocale::LongFormat);
    return caption.isEmpty() ? stamp : caption + " " + stamp;
}

QString PrintedFileName(const QString& path) {
    return QFileInfo(path).fileName();
}

QString PrintCaptureWidthText(TPrinterOrientation orientation) {
    return orientation == TPrinterOrientation::Landscape ? "3" : "5";
}

QString PrintCaptureHeightText(TPrinterOrientation orientation) {
    return orientation == TPrinterOrientation::Landscape ? "5" : "3";
}

namespace {

// The slices of an image taller than the page, each in its own job at the top left of its
// page. Each slice goes through the clipboard into the view to be printed from there; the
// whole image comes back into the view after every slice, also when the printer fails.
void PrintSlices(const TPrintContext& context, const TDibGraphic& image, QSize printed) {
    IPrinter& printer = context.Printer;
    const int pageWidth = printer.PageWidth();
    const int pageHeight = printer.PageHeight();
    const int rows = SliceRows(pageHeight, printed.height(), image.Height());
    const TDibGraphic whole = image;
    int first = 0;
    while (first < whole.Height()) {
        const int end = std::min(first + rows, whole.Height());
        TCropTransform cut;
        cut.Top = first;
        cut.Bottom = whole.Height() - end;
        TDibGraphic slice;
        cut.ApplyOnDest(whole, slice);
        const int sliceHeight =
            SlicePrintedHeight(whole.Width(), end - first, whole.Height(), printed.height(),
                               pageWidth, pageHeight, context.Screen);
        first = end;
        {
            TPrintJob job(printer);
            try {
                const TDibGraphic& shown = context.Host.PassThroughClipboard(slice);
                printer.StretchDraw(QRect(0, 0, printed.width(), sliceHeight), shown);
            } catch (...) {
                context.Host.ShowInView(whole);
                throw;
            }
            context.Host.ShowInView(whole);
            job.End();
        }
        // The printer takes the job before the next one comes.
        context.Host.WaitSeconds(1.0);
    }
}

} // namespace

bool PrintImagePage(const TPrintContext& context, const TDibGraphic& image) {
    IPrinter& printer = context.Printer;
    try {
        TWaitPointer wait;
        const int pageWidth = printer.PageWidth();
        const int pageHeight = printer.PageHeight();
        const QSize printed =
            PrintScale(image.Width(), image.Height(), pageWidth, pageHeight, context.Screen);
        if (printed.isEmpty())
            return true;
        if (printed.height() <= pageHeight) {
            TPrintJob job(printer);
            printer.StretchDraw(CentredOnPage(printed, pageWidth, pageHeight), image);
            job.End();
        } else {
            PrintSlices(context, image, printed);
        }
    } catch (const EPrinterError& error) {
        context.Host.ShowPrinterFailure(QString::fromStdString(error.what()));
        return false;
    }
    return true;
}

bool PrintCapture(const TPrintContext& context, const TDibGraphic& image, int stretch,
                  const QString& widthText, const QString& heightText) {
    try {
        TDibGraphicPrinter dibPrinter(context.Printer);
        TPrintJob job(context.Printer);
        dibPrinter.SetPrintMode(stretch == 0 ? pmNormalSize : pmFitPage);
        dibPrinter.Width = InchesFromText(widthText);
        dibPrinter.Height = InchesFromText(heightText);
        dibPrinter.Print(image);
        job.End();
    } catch (const EPrinterError& error) {
        context.Host.ShowPrinterFailure(QString::fromStdString(error.what()));
        return false;
    }
    return true;
}

void PrintImages(const TPrintContext& context, const QStringList& paths) {
    for (const QString& path : paths) {
        const TDibGraphic* image = context.Host.LoadImage(path);
        if (!image)
            continue;
        context.Host.ProcessEvents();
        PrintImagePage(context, *image);
    }
}

namespace {

// Ends the progress of a command however the command ends.
class TProgressShown {
public:
    TProgressShown(IPrintHost& host, bool shown) : Host_(host), Shown_(shown) {}
    ~TProgressShown() {
        if (Shown_)
            Host_.EndProgress();
    }
    TProgressShown(const TProgressShown&) = delete;
    TProgressShown& operator=(const TProgressShown&) = delete;

private:
    IPrintHost& Host_;
    bool Shown_;
};

// One caption page: the image centred at its PrintScale size, the line centred above or
// below it.
void PrintCaptionPage(const TPrintContext& context, const TDibGraphic& image, const QString& line,
                      TCaptionPlace place) {
    IPrinter& printer = context.Printer;
    TWaitPointer wait;
    const int pageWidth = printer.PageWidth();
    const int pageHeight = printer.PageHeight();
    QSize printed =
        PrintScale(image.Width(), image.Height(), pageWidth, pageHeight, context.Screen);
    QRect picture = CentredOnPage(printed, pageWidth, pageHeight);

    TPrintJob job(printer);
    const int lineHeight = DefaultLineHeight(printer);
    if (!line.isEmpty()) {
        const int lineWidth = printer.TextWidth(line);
        const int x = lineWidth > pageWidth ? 0 : (pageWidth - lineWidth) / 2;
        int y = place == TCaptionPlace::Above ? picture.top() - lineHeight - CaptionGap
                                              : picture.bottom() + 1 + CaptionGap;
        if (y < 0 || y + lineHeight > pageHeight) {
            // A wide picture as high as the page leaves no room for the line: it gives up as
            // much height as the line needs, and picture and line are centred together.
            const int room = std::max(pageHeight - lineHeight - CaptionGap, 1);
            if (printed.height() > room)
                printed = QSize(
                    std::max(Trunc(double(printed.width()) * room / printed.height()), 1), room);
            const int blockTop =
                std::max((pageHeight - (printed.height() + CaptionGap + lineHeight)) / 2, 0);
            const int left = (pageWidth - printed.width()) / 2;
            if (place == TCaptionPlace::Above) {
                y = blockTop;
                picture = QRect(QPoint(left, blockTop + lineHeight + CaptionGap), printed);
            } else {
                picture = QRect(QPoint(left, blockTop), printed);
                y = picture.bottom() + 1 + CaptionGap;
            }
        }
        printer.TextOut(x, y, line);
    }
    printer.StretchDraw(picture, image);
    job.End();
}

} // namespace

void PrintCaptioned(const TPrintContext& context, const QStringList& paths,
                    const TCaptionStyle& style) {
    // The plain caption layouts move the progress bar over the images; the date layouts
    // never did.
    const bool showProgress = !style.WithDateTime;
    const TProgressShown progress(context.Host, showProgress);
    for (int index = 0; index < paths.size(); ++index) {
        if (showProgress)
            context.Host.SetProgress(index, int(paths.size()));
        const TDibGraphic* image = context.Host.LoadImage(paths[index]);
        if (!image)
            continue;
        IPrinter& printer = context.Printer;
        const QSize printed = PrintScale(image->Width(), image->Height(), printer.PageWidth(),
                                         printer.PageHeight(), context.Screen);
        if (!CaptionPageFits(image->Width(), image->Height(), printed, printer.PageHeight(),
                             DefaultLineHeight(printer))) {
            context.Host.RefuseImage(paths[index]);
            continue;
        }
        // A cancelled input box prints the image without a caption.
        const QString caption = context.Host.AskCaption(style.Title).value_or(QString());
        const QString line = CaptionLine(caption, style.WithDateTime, QDateTime::currentDateTime());
        PrintCaptionPage(context, *image, line, style.Place);
    }
}

void PrintStretched(const TPrintContext& context, const QStringList& paths) {
    for (const QString& path : paths) {
        const TDibGraphic* image = context.Host.LoadImage(path);
        if (!image)
            continue;
        context.Host.ProcessEvents();
        // Stretched to the page, every image fits.
        const TPrinterOrientation orientation = context.Printer.Orientation();
        PrintCapture(context, *image, 1, PrintCaptureWidthText(orientation),
                     PrintCaptureHeightText(orientation));
    }
}

void PrintManyToAPage(const TPrintContext& context, const QStringList& paths) {
    IPrinter& printer = context.Printer;
    const int pageWidth = printer.PageWidth();
    const int pageHeight = printer.PageHeight();

    // Collect the images the layout can take, with their printed sizes.
    QStringList printList;
    std::vector<QSize> sizes;
    for (const QString& path : paths) {
        const TDibGraphic* image = context.Host.LoadImage(path);
        if (!image)
            continue;
        const QSize printed =
            PrintScale(image->Width(), image->Height(), pageWidth, pageHeight, context.Screen);
        // An image that would not fit even an empty page is refused here: the placement
        // could never put it anywhere.
        if (!FitsEmptyPage(printed, pageWidth, pageHeight)) {
            context.Host.RefuseImage(path);
            continue;
        }
        printList << path;
        sizes.push_back(printed);
    }

    TWaitPointer wait;
    const int lineHeight = DefaultLineHeight(printer);
    for (const auto& page : PlanManyToAPage(sizes, pageWidth, pageHeight, lineHeight)) {
        TPrintJob job(printer);
        for (const TPagePlacement& placement : page) {
            const QString& path = printList[placement.Entry];
            const TDibGraphic* image = context.Host.LoadImage(path);
            if (!image)
                continue;
            context.Host.ProcessEvents();
            printer.StretchDraw(placement.Rect, *image);
            printer.TextOut(placement.Rect.left(), placement.Rect.bottom() + 1 + 10,
                            PrintedFileName(path));
        }
        job.End();
    }
}

void PrintThumbnails(const TPrintContext& context, const QStringList& paths) {
    IPrinter& printer = context.Printer;
    IPrintHost& host = context.Host;

    // The tiles: each picture fitted into 160 x 120 and centred on white.
    const TProgressShown progress(host, true);
    const TDibGraphic viewBefore = host.ViewPicture();
    std::vector<TDibGraphic> tiles;
    QStringList names;
    for (int index = 0; index < paths.size(); ++index) {
        host.SetProgress(index, int(paths.size()));
        const TDibGraphic* image = host.LoadImage(paths[index]);
        if (!image || image->Empty())
            continue;
        const TThumbnailPlacement place = FitThumbnailSize(image->Width(), image->Height(),
                                                           ThumbnailTileWidth, ThumbnailTileHeight);
        TDibGraphic fitted = FitThumbnail(*image, ThumbnailTileWidth, ThumbnailTileHeight);
        host.ShowInView(fitted);
        tiles.push_back(MakeThumbnailTile(fitted, place));
        names << PrintedFileName(paths[index]);
    }
    host.ShowInView(viewBefore);
    host.SetProgress(0, int(paths.size()));

    // The pages: a job per page, opened only for a tile that needs it, so no page is empty.
    const TThumbnailGrid grid = ThumbnailGrid(printer.PageWidth(), printer.PageHeight(),
                                              context.Screen, DefaultLineHeight(printer));
    std::optional<TPrintJob> job;
    for (int index = 0; index < int(tiles.size()); ++index) {
        host.SetProgress(index, int(tiles.size()));
        if (!job)
            job.emplace(printer);
        const int onPage = index % grid.PerPage();
        const QPoint at = grid.Place(onPage);
        const TDibGraphic printed = PrintedThumbnailTile(tiles[index], grid.Tile);
        const TDibGraphic& shown = host.PassThroughClipboard(printed);
        printer.StretchDraw(QRect(at, grid.Tile), shown);
        host.ShowInView(viewBefore);
        printer.TextOut(at.x(), at.y() + grid.Tile.height() + 10, names[index]);
        if (onPage + 1 == grid.PerPage()) {
            job->End();
            job.reset();
        }
    }
    if (job)
        job->End();
}

bool PrintTextLines(const TPrintContext& context, const QStringList& lines) {
    IPrinter& printer = context.Printer;
    try {
        TPrintJob job(printer);
        printer.SetFont(TPrinterFont::Console);
        int y = 0;
        for (const QString& line : lines) {
            printer.TextOut(0, y, line);
            y += printer.TextHeight(line);
        }
        job.End();
    } catch (const EPrinterError& error) {
        context.Host.ShowPrinterFailure(QString::fromStdString(error.what()));
        return false;
    }
    return true;
}

TDibGraphic RenderTextLines(const QStringList& lines) {
    const QFont font = ConsoleTextFont();
    const QFontMetrics metrics(font);
    const QString ruler =
        "12345678901234567890123456789012345678901234567890123456789012345678901234567890";
    QImage picture(metrics.horizontalAdvance(ruler), 26 * metrics.height(), QImage::Format_RGB32);
    picture.fill(Qt::white);
    {
        QPainter painter(&picture);
        painter.setFont(font);
        painter.setPen(QGuiApplication::palette().color(QPalette::WindowText));
        int y = 0;
        for (const QString& line : lines) {
            painter.drawText(0, y + metrics.ascent(), line);
            y += metrics.height();
        }
    }
    return QImageToTrueColorDib(picture);
}
