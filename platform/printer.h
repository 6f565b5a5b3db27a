// The printer: its page geometry in device pixels, print jobs, stretched pictures and lines of
// text, and the two dialogs that choose it (the print dialog and the page setup).
//
// Every print layout works through this interface, so the layouts run against a recording
// printer in tests; the real one prints to the printers the desktop knows (CUPS) or, when the
// user picks "Print to file", to a PDF file.
//
// A call that fails throws EPrinterError; the layouts decide whether the user sees the
// printer message or the general error report.
#pragma once

#include "imaging/dib_graphic.h"

#include <QFont>
#include <QRect>
#include <QString>

#include <memory>
#include <stdexcept>

class QWidget;

class EPrinterError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TPrinterOrientation { Portrait, Landscape };

// The fonts text is written in: the printer's default font (captions, file names under
// pictures) or the console text font.
enum class TPrinterFont { Default, Console };

// Every print job of the program carries this title.
inline constexpr const char* PrintJobTitle = "Karvin";

class IPrinter {
public:
    virtual ~IPrinter() = default;

    // Whether the desktop knows any printer at all (a CUPS destination). Without one, a job
    // can only fail.
    virtual bool HasPrinter() = 0;

    // The print dialog (printer, file, copies). False when the user cancels it.
    virtual bool PrintDialog1(QWidget* owner) = 0;
    // The page setup dialog (paper, orientation, margins); its choice holds for every later
    // job of the run. False when the user cancels it.
    virtual bool SetupMyPrinter(QWidget* owner) = 0;

    // The printable area in device pixels, its distance from the paper's top-left corner,
    // and the device's resolution in dots per inch.
    virtual int PageWidth() = 0;
    virtual int PageHeight() = 0;
    virtual int OffsetX() = 0;
    virtual int OffsetY() = 0;
    virtual int XResolution() = 0;
    virtual int YResolution() = 0;
    virtual TPrinterOrientation Orientation() = 0;

    // The jobs of one command. A printer that writes a file puts all of them into that file,
    // one page after another (separate jobs would each replace the file); a real printer
    // gets each job on its own. Batches nest; only the outermost one counts.
    virtual void BeginBatch() = 0;
    virtual void EndBatch() = 0;

    // A job: BeginDoc opens it with its title and the first page, NewPage adds a page,
    // EndDoc sends it. Abort drops an open job and never throws. The default font is
    // selected at the start of every job.
    virtual void BeginDoc(const QString& title) = 0;
    virtual void NewPage() = 0;
    virtual void EndDoc() = 0;
    virtual void Abort() = 0;
    virtual bool Printing() const = 0;

    // Draws all of `picture` stretched into `rect` (device pixels of the printable area).
    virtual void StretchDraw(const QRect& rect, const TDibGraphic& picture) = 0;
    // Text: the font for the following text, a line with its top-left corner at (x, y), and
    // the size of a line in the font in force. Text sizes can be asked outside a job too.
    virtual void SetFont(TPrinterFont font) = 0;
    virtual void TextOut(int x, int y, const QString& text) = 0;
    virtual int TextWidth(const QString& text) = 0;
    virtual int TextHeight(const QString& text) = 0;
};

// The console text font for pictures and paper: "Courier" (a monospaced face stands in when
// the desktop has no Courier), 13 device pixels high.
QFont ConsoleTextFont();

// Opens a job and makes sure it does not outlive the scope: a job still open when the scope
// is left by an error is aborted.
class TPrintJob {
public:
    TPrintJob(IPrinter& printer, const QString& title = PrintJobTitle) : Printer_(printer) {
        Printer_.BeginDoc(title);
    }
    ~TPrintJob() {
        if (Printer_.Printing())
            Printer_.Abort();
    }
    TPrintJob(const TPrintJob&) = delete;
    TPrintJob& operator=(const TPrintJob&) = delete;
    void End() { Printer_.EndDoc(); }

private:
    IPrinter& Printer_;
};

// The jobs of one command as one batch. End finishes it (a file is written then, so End
// may throw EPrinterError); a batch left by an error is ended quietly.
class TPrintBatch {
public:
    explicit TPrintBatch(IPrinter& printer) : Printer_(printer) { Printer_.BeginBatch(); }
    ~TPrintBatch() {
        if (Ended_)
            return;
        try {
            Printer_.EndBatch();
        } catch (...) {
            // An error is on its way already.
        }
    }
    TPrintBatch(const TPrintBatch&) = delete;
    TPrintBatch& operator=(const TPrintBatch&) = delete;
    void End() {
        Ended_ = true;
        Printer_.EndBatch();
    }

private:
    IPrinter& Printer_;
    bool Ended_ = false;
};

// The real printer: one QPrinter for the whole run, at the device's full resolution, painted
// with QPainter. Output goes to the printer chosen in the print dialog, or to the PDF file
// named there ("Print to file"); a file chosen in the dialog is used for the command that
// chose it, later jobs go to the printer chosen before, so that nothing overwrites the file.
class TQtPrinterPrivate;

class TQtPrinter : public IPrinter {
public:
    TQtPrinter();
    ~TQtPrinter() override;
    TQtPrinter(const TQtPrinter&) = delete;
    TQtPrinter& operator=(const TQtPrinter&) = delete;

    // For printing without dialogs (the command line): a printer by its CUPS name, or a PDF
    // file. SelectPrinter throws EPrinterError for a printer the desktop does not know.
    void SelectPrinter(const QString& name);
    void SelectPdfFile(const QString& path);
    // True when a printer (or a PDF file) is chosen that a job can go to.
    bool HasDestination() const;

    bool HasPrinter() override;
    bool PrintDialog1(QWidget* owner) override;
    bool SetupMyPrinter(QWidget* owner) override;
    int PageWidth() override;
    int PageHeight() override;
    int OffsetX() override;
    int OffsetY() override;
    int XResolution() override;
    int YResolution() override;
    TPrinterOrientation Orientation() override;
    void BeginBatch() override;
    void EndBatch() override;
    void BeginDoc(const QString& title) override;
    void NewPage() override;
    void EndDoc() override;
    void Abort() override;
    bool Printing() const override;
    void StretchDraw(const QRect& rect, const TDibGraphic& picture) override;
    void SetFont(TPrinterFont font) override;
    void TextOut(int x, int y, const QString& text) override;
    int TextWidth(const QString& text) override;
    int TextHeight(const QString& text) override;

private:
    std::unique_ptr<TQtPrinterPrivate> D;
};
