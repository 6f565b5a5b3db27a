#include "platform/printer.h"

#include "platform/dib_qimage.h"

#include <QFontMetrics>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

QFont ConsoleTextFont() {
    QFont font("Courier");
    // Without this hint fontconfig may stand a proportional face in for a missing Courier,
    // and the 80 columns of a console screen would no longer line up.
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPixelSize(13);
    return font;
}

namespace {

// Captions and file names under pictures: the desktop's usual face at a size that reads
// well on paper.
QFont DefaultPrinterFont() {
    QFont font;
    font.setPointSize(10);
    return font;
}

} // namespace

class TQtPrinterPrivate {
public:
    QPrinter Printer{QPrinter::HighResolution};
    QPainter Painter;
    QFont Font = DefaultPrinterFont();

    int BatchDepth = 0;
    bool InBatch() const { return BatchDepth > 0; }
    // Inside a batch to a file: the painter stays open between jobs and the next job begins
    // on a new page of the same file.
    bool FilePageUsed = false;
    bool JobOpen = false;
    // The print dialog chose a file for this command; the printer chosen before comes back
    // when the command's batch ends.
    bool FileForCommand = false;
    QString PrinterBeforeFile;

    bool WritesFile() const {
        return Printer.outputFormat() == QPrinter::PdfFormat && !Printer.outputFileName().isEmpty();
    }
    bool HasDestination() const {
        if (Printer.outputFormat() == QPrinter::PdfFormat)
            return !Printer.outputFileName().isEmpty();
        return Printer.isValid() && !Printer.printerName().isEmpty();
    }
    QString DestinationName() const {
        return WritesFile() ? Printer.outputFileName() : Printer.printerName();
    }
    QRect PaintRect() const { return Printer.pageLayout().paintRectPixels(Printer.resolution()); }
    void Begin(const QString& title) {
        if (!HasDestination())
            throw EPrinterError("No printer is set up to print to.");
        Printer.setDocName(title);
        if (!Painter.begin(&Printer)) {
            const QString what = WritesFile()
                                     ? QString("The file \"%1\" could not be written.")
                                     : QString("The printer \"%1\" could not start the job.");
            throw EPrinterError(what.arg(DestinationName()).toStdString());
        }
    }
    void Finish() {
        if (!Painter.end() || Printer.printerState() == QPrinter::Error)
            throw EPrinterError(QString("The job could not be sent to \"%1\".")
                                    .arg(DestinationName())
                                    .toStdString());
    }
    void ForgetFileForCommand() {
        if (!FileForCommand)
            return;
        FileForCommand = false;
        Printer.setOutputFileName(QString());
        if (!PrinterBeforeFile.isEmpty())
            Printer.setPrinterName(PrinterBeforeFile);
    }
    QPainter& ActivePainter() {
        if (!JobOpen || !Painter.isActive())
            throw EPrinterError("No print job is open.");
        return Painter;
    }
};

TQtPrinter::TQtPrinter() : D(std::make_unique<TQtPrinterPrivate>()) {
    // The print dialog names the file of "Print to file" after the document.
    D->Printer.setDocName(PrintJobTitle);
}

TQtPrinter::~TQtPrinter() {
    if (D->Painter.isActive())
        D->Painter.end();
}

void TQtPrinter::SelectPrinter(const QString& name) {
    if (!QPrinterInfo::availablePrinterNames().contains(name))
        throw EPrinterError(QString("There is no printer \"%1\".").arg(name).toStdString());
    D->Printer.setOutputFileName(QString());
    D->Printer.setOutputFormat(QPrinter::NativeFormat);
    D->Printer.setPrinterName(name);
}

void TQtPrinter::SelectPdfFile(const QString& path) {
    D->Printer.setOutputFormat(QPrinter::PdfFormat);
    D->Printer.setOutputFileName(path);
}

bool TQtPrinter::HasDestination() const {
    return D->HasDestination();
}

bool TQtPrinter::HasPrinter() {
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

bool TQtPrinter::PrintDialog1(QWidget* owner) {
    const QString printerBefore = D->Printer.printerName();
    const bool fileBefore = D->WritesFile();
    QPrintDialog dialog(&D->Printer, owner);
    // The layouts decide what goes on which page; a page range would cut jobs apart.
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (D->WritesFile() && !fileBefore) {
        D->FileForCommand = true;
        D->PrinterBeforeFile = printerBefore;
    }
    return true;
}

bool TQtPrinter::SetupMyPrinter(QWidget* owner) {
    QPageSetupDialog dialog(&D->Printer, owner);
    return dialog.exec() == QDialog::Accepted;
}

int TQtPrinter::PageWidth() {
    return D->Printer.width();
}
int TQtPrinter::PageHeight() {
    return D->Printer.height();
}
int TQtPrinter::OffsetX() {
    return D->PaintRect().left();
}
int TQtPrinter::OffsetY() {
    return D->PaintRect().top();
}
int TQtPrinter::XResolution() {
    return D->Printer.logicalDpiX();
}
int TQtPrinter::YResolution() {
    return D->Printer.logicalDpiY();
}

TPrinterOrientation TQtPrinter::Orientation() {
    return D->Printer.pageLayout().orientation() == QPageLayout::Landscape
               ? TPrinterOrientation::Landscape
               : TPrinterOrientation::Portrait;
}

void TQtPrinter::BeginBatch() {
    if (D->BatchDepth++ == 0)
        D->FilePageUsed = false;
}

void TQtPrinter::EndBatch() {
    if (D->BatchDepth == 0 || --D->BatchDepth > 0)
        return;
    const bool pendingFile = D->FilePageUsed;
    D->FilePageUsed = false;
    if (D->JobOpen)
        Abort();
    try {
        if (pendingFile && D->Painter.isActive())
            D->Finish();
    } catch (...) {
        D->ForgetFileForCommand();
        throw;
    }
    D->ForgetFileForCommand();
}

void TQtPrinter::BeginDoc(const QString& title) {
    if (D->JobOpen)
        throw EPrinterError("A print job is open already.");
    if (D->InBatch() && D->FilePageUsed && D->Painter.isActive()) {
        // The next job of the command goes on the next page of the same file.
        if (!D->Printer.newPage())
            throw EPrinterError(QString("The file \"%1\" could not be written.")
                                    .arg(D->DestinationName())
                                    .toStdString());
    } else {
        D->Begin(title);
    }
    D->JobOpen = true;
    D->Font = DefaultPrinterFont();
    D->Painter.setFont(D->Font);
}

void TQtPrinter::NewPage() {
    D->ActivePainter();
    if (!D->Printer.newPage())
        throw EPrinterError("The printer could not start a new page.");
}

void TQtPrinter::EndDoc() {
    D->ActivePainter();
    D->JobOpen = false;
    if (D->InBatch() && D->WritesFile()) {
        D->FilePageUsed = true;
        return;
    }
    D->Finish();
}

void TQtPrinter::Abort() {
    D->JobOpen = false;
    if (!D->Painter.isActive())
        return;
    if (D->InBatch() && D->FilePageUsed) {
        // The file keeps the pages of the jobs that went through; this job's page stays as
        // far as it was drawn.
        return;
    }
    D->Printer.abort();
    D->Painter.end();
}

bool TQtPrinter::Printing() const {
    return D->JobOpen;
}

void TQtPrinter::StretchDraw(const QRect& rect, const TDibGraphic& picture) {
    QPainter& painter = D->ActivePainter();
    if (picture.Empty() || rect.isEmpty())
        return;
    painter.drawImage(rect, DibToQImage(picture));
}

void TQtPrinter::SetFont(TPrinterFont font) {
    D->Font = font == TPrinterFont::Console ? ConsoleTextFont() : DefaultPrinterFont();
    if (D->Painter.isActive())
        D->Painter.setFont(D->Font);
}

void TQtPrinter::TextOut(int x, int y, const QString& text) {
    QPainter& painter = D->ActivePainter();
    const QFontMetrics metrics(D->Font, &D->Printer);
    painter.setPen(Qt::black);
    painter.drawText(x, y + metrics.ascent(), text);
}

int TQtPrinter::TextWidth(const QString& text) {
    return QFontMetrics(D->Font, &D->Printer).horizontalAdvance(text);
}

int TQtPrinter::TextHeight(const QString&) {
    return QFontMetrics(D->Font, &D->Printer).height();
}
