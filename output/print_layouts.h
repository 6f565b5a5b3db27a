// The page layouts: how images reach paper.
//
// The arithmetic is plain functions of sizes (PrintScale, the slices of tall images, the
// many-to-a-page placement, the thumbnail grid); the layouts themselves draw through the
// printer interface and load and show their images through a print host, which is the main
// window's view and clipboard when the window prints, and nothing visible when the command
// line prints.
//
// Every size is in printer device pixels; W and H are the printable width and height.
#pragma once

#include "imaging/dib_graphic.h"
#include "imaging/fit_thumbnail.h"
#include "platform/printer.h"

#include <QDateTime>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

// The printer message, shown when a job fails in PrintImagePage, PrintCapture and the
// console text printing.
extern const char* const PrinterFailureText;

// The printed size of a w x h image: the same share of the page width as the image has of
// the screen, so a full-screen capture fills the page width. A wide (or square) image is
// limited to the page; a tall one only to the page width, and may come out taller than the
// page (PrintImagePage slices it). An empty image or screen gives an empty size.
QSize PrintScale(int width, int height, int pageWidth, int pageHeight, QSize screen);
// The rectangle of that size centred on the page.
QRect CentredOnPage(QSize printed, int pageWidth, int pageHeight);

// A tall image prints in horizontal slices, one job each. Rows per slice (at least 1).
int SliceRows(int pageHeight, int printedHeight, int imageHeight);
// The printed height of a slice of `rows` rows of an image `width` wide and `imageHeight`
// high whose whole printed height is `wholePrintedHeight`: PrintScale of the slice while it
// is taller than wide; a last slice that is not takes the whole image's scale, so that it
// joins the slices above it undistorted.
int SlicePrintedHeight(int width, int rows, int imageHeight, int wholePrintedHeight, int pageWidth,
                       int pageHeight, QSize screen);

// A picture placed on a page of "Image(s) As Many To A Page": its number in the list given
// to the planner and its rectangle; its file name goes below it.
struct TPagePlacement {
    int Entry = 0;
    QRect Rect;
    bool operator==(const TPagePlacement&) const = default;
};
using TPagePlan = std::vector<std::vector<TPagePlacement>>;
// The gap between pictures of that layout, across and down.
inline constexpr int ManyToAPageGap = 50;

// Places pictures of the given printed sizes on pages, in list order where they fit, rows
// from the top left; a later, smaller picture may fill a gap that an earlier one left. A page
// ends when the picture being tried fits neither in the current row nor in a new row below.
// Pictures that do not fit an empty page are left out (the caller refuses them beforehand),
// so every page holds at least one picture and the plan always ends.
TPagePlan PlanManyToAPage(const std::vector<QSize>& printedSizes, int pageWidth, int pageHeight,
                          int textHeight);
// Whether a picture of that printed size fits an empty page of that layout.
bool FitsEmptyPage(QSize printed, int pageWidth, int pageHeight);

// The thumbnail layout: 160 x 120 tiles printed at PrintScale of a 160 x 120 picture, in
// columns and rows with their file names below.
inline constexpr int ThumbnailTileWidth = 160;
inline constexpr int ThumbnailTileHeight = 120;
struct TThumbnailGrid {
    QSize Tile;         // printed size of a tile
    int Gap = 50;       // across and down
    int LineHeight = 0; // of the file name
    int Columns = 1;
    int Rows = 1;
    int PerPage() const { return Columns * Rows; }
    // The top-left corner of the n-th tile of a page.
    QPoint Place(int indexOnPage) const;
};
TThumbnailGrid ThumbnailGrid(int pageWidth, int pageHeight, QSize screen, int lineHeight);
// A white 160 x 120 tile with the picture, fitted by FitThumbnail, centred on it.
TDibGraphic MakeThumbnailTile(const TDibGraphic& fitted, const TThumbnailPlacement& place);
// The tile stretched to its printed size with a dotted focus rectangle along the border.
TDibGraphic PrintedThumbnailTile(const TDibGraphic& tile, QSize printed);

// The caption layouts.
enum class TCaptionPlace { Above, Below };
struct TCaptionStyle {
    TCaptionPlace Place = TCaptionPlace::Above;
    bool WithDateTime = false;
    QString Title; // of the input box that asks for the caption
};
inline constexpr int CaptionGap = 20;
// Whether an image of `width` x `height` pixels printed at `printed` (its PrintScale size)
// leaves room on the page for the caption line above or below it. A wide image always does:
// it gives up as much height as the line needs. A tall one keeps its size, so one whose
// printed height with the line is more than the page's is refused; "Image(s)" prints it in
// slices instead.
bool CaptionPageFits(int width, int height, QSize printed, int pageHeight, int lineHeight);
// The text line of a caption page: the caption, with the date and time after it for the
// date layouts (date and time alone when the caption is empty). Date in the system's short
// format, time in its long format.
QString CaptionLine(const QString& caption, bool withDateTime, const QDateTime& now);

// What a layout needs from the window it prints for.
class IPrintHost {
public:
    virtual ~IPrintHost() = default;
    // Loads an image file for printing (into the view) and returns it; nullptr when the image
    // is left out: its file no longer exists, or the host tells the user itself that it
    // cannot be read. Otherwise throws when it cannot be read.
    virtual const TDibGraphic* LoadImage(const QString& path) = 0;
    // The picture the view shows now (a copy), and showing another one.
    virtual TDibGraphic ViewPicture() = 0;
    virtual void ShowInView(const TDibGraphic& picture) = 0;
    // Puts a picture made for the page (a slice, a tile) on the clipboard and into the view;
    // returns the picture as the view holds it.
    virtual const TDibGraphic& PassThroughClipboard(const TDibGraphic& picture) = 0;
    // Lets the window repaint; waits between the jobs of a sliced image.
    virtual void ProcessEvents() = 0;
    virtual void WaitSeconds(double seconds) = 0;
    // Tells the user that an image is skipped because it is too large for the layout.
    virtual void RefuseImage(const QString& path) = 0;
    // Tells the user that the printer failed (`detail` is the printer's own account).
    virtual void ShowPrinterFailure(const QString& detail) = 0;
    // The caption of the next caption page; nullopt when the user cancels.
    virtual std::optional<QString> AskCaption(const QString& title) = 0;
    // Progress of a command over its images; EndProgress when it is done.
    virtual void SetProgress(int position, int maximum) = 0;
    virtual void EndProgress() = 0;
};

struct TPrintContext {
    IPrinter& Printer;
    IPrintHost& Host;
    QSize Screen; // the screen PrintScale measures images against
};

// A layout of the print commands: prints the image files given, in their order.
using TPrintLayout = std::function<void(const TPrintContext& context, const QStringList& paths)>;

// One image, centred at its PrintScale size, in one job; a tall one in slices, one job each,
// at the top left of the page. False when the printer failed (the user has been told).
bool PrintImagePage(const TPrintContext& context, const TDibGraphic& image);
// One image in one job through TDibGraphicPrinter: stretch 0 at its size in inches, any
// other value filling the page. The two texts are the print's width and height in inches
// ("5" and "3" in portrait). False when the printer failed (the user has been told).
bool PrintCapture(const TPrintContext& context, const TDibGraphic& image, int stretch,
                  const QString& widthText, const QString& heightText);
// The size texts that go with the printer's orientation.
QString PrintCaptureWidthText(TPrinterOrientation orientation);
QString PrintCaptureHeightText(TPrinterOrientation orientation);

// The layouts of the print commands over a list of image files, in list order. A file that
// no longer exists is passed over. Images that do not fit the layout are refused through the
// host and passed over: with a caption, a tall image whose printed height and caption line do
// not fit the page (CaptionPageFits); many to a page, one that does not fit an empty page;
// stretched to the page, none. Printer failures in "Image(s)" and "Stretch To Full Page" are
// told and the next image follows; the other layouts let them through as EPrinterError.
void PrintImages(const TPrintContext& context, const QStringList& paths);
void PrintCaptioned(const TPrintContext& context, const QStringList& paths,
                    const TCaptionStyle& style);
void PrintStretched(const TPrintContext& context, const QStringList& paths);
void PrintManyToAPage(const TPrintContext& context, const QStringList& paths);
void PrintThumbnails(const TPrintContext& context, const QStringList& paths);

// Console text: the lines on one page in the console text font, each below the one before.
// False when the printer failed (the user has been told).
bool PrintTextLines(const TPrintContext& context, const QStringList& lines);
// The lines as a white picture 80 console characters wide and 26 lines high.
TDibGraphic RenderTextLines(const QStringList& lines);
// The file name under a picture.
QString PrintedFileName(const QString& path);
