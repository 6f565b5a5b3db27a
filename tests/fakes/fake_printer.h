// A printer that records every job, page, picture and line of text, with a page geometry
// and answers to the print and page setup dialogs that a test chooses, and failures on
// demand.
#pragma once

#include "platform/printer.h"

#include <deque>
#include <optional>
#include <vector>

struct TPrintedPicture {
    QRect Rect;          // where it was stretched to
    TDibGraphic Picture; // a copy of what was drawn
};

struct TPrintedText {
    QPoint At;
    QString Text;
    TPrinterFont Font = TPrinterFont::Default;
};

struct TPrintedPage {
    std::vector<TPrintedPicture> Pictures;
    std::vector<TPrintedText> Texts;
};

struct TPrintedJob {
    QString Title;
    int Batch = 0; // number of the batch the job belongs to (1, 2, ...), 0 outside one
    std::vector<TPrintedPage> Pages;
    bool Ended = false;   // sent with EndDoc
    bool Aborted = false; // dropped with Abort
};

class TRecordingPrinter : public IPrinter {
public:
    // The page: 4800 x 6600 device pixels at 600 dpi, printable from 0, 0.
    int Width = 4800;
    int Height = 6600;
    int XDpi = 600;
    int YDpi = 600;
    int XOffset = 0;
    int YOffset = 0;
    TPrinterOrientation PageOrientation = TPrinterOrientation::Portrait;
    // Text metrics: every character is this wide, every line this high.
    int DefaultCharWidth = 40;
    int DefaultLineHeight = 100;
    int ConsoleCharWidth = 8;
    int ConsoleLineHeight = 13;

    // Answers of the dialogs, in order; a dialog with no answer left counts as accepted and
    // fails the test.
    std::deque<bool> PrintDialogAnswers;
    std::deque<bool> SetupAnswers;
    int PrintDialogCount = 0;
    int SetupCount = 0;

    // Failures: BeginDoc of every job fails (no printer, printer off), or the n-th picture
    // drawn (counted from 1 over the printer's life) fails.
    bool Offline = false;
    // The desktop knows no printer at all (HasPrinter is false; jobs fail as when Offline).
    bool NoPrinters = false;
    std::optional<int> FailAtPicture;

    std::vector<TPrintedJob> Jobs;
    int Batches = 0;    // outermost batches begun
    int BatchDepth = 0; // batches open now

    // Every picture drawn in every ended job, in order.
    std::vector<TPrintedPicture> PrintedPictures() const;
    // The jobs that were sent.
    std::vector<const TPrintedJob*> EndedJobs() const;

    bool HasPrinter() override { return !NoPrinters; }
    bool PrintDialog1(QWidget* owner) override;
    bool SetupMyPrinter(QWidget* owner) override;
    int PageWidth() override { return Width; }
    int PageHeight() override { return Height; }
    int OffsetX() override { return XOffset; }
    int OffsetY() override { return YOffset; }
    int XResolution() override { return XDpi; }
    int YResolution() override { return YDpi; }
    TPrinterOrientation Orientation() override { return PageOrientation; }
    void BeginBatch() override;
    void EndBatch() override;
    void BeginDoc(const QString& title) override;
    void NewPage() override;
    void EndDoc() override;
    void Abort() override;
    bool Printing() const override { return Open_; }
    void StretchDraw(const QRect& rect, const TDibGraphic& picture) override;
    void SetFont(TPrinterFont font) override;
    void TextOut(int x, int y, const QString& text) override;
    int TextWidth(const QString& text) override;
    int TextHeight(const QString& text) override;

private:
    TPrintedPage& CurrentPage();
    bool Open_ = false;
    TPrinterFont Font_ = TPrinterFont::Default;
    int PicturesDrawn_ = 0;
};
