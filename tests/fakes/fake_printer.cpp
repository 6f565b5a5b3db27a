#include "tests/fakes/fake_printer.h"

#include <gtest/gtest.h>

std::vector<TPrintedPicture> TRecordingPrinter::PrintedPictures() const {
    std::vector<TPrintedPicture> pictures;
    for (const auto* job : EndedJobs())
        for (const auto& page : job->Pages)
            pictures.insert(pictures.end(), page.Pictures.begin(), page.Pictures.end());
    return pictures;
}

std::vector<const TPrintedJob*> TRecordingPrinter::EndedJobs() const {
    std::vector<const TPrintedJob*> ended;
    for (const auto& job : Jobs)
        if (job.Ended)
            ended.push_back(&job);
    return ended;
}

bool TRecordingPrinter::PrintDialog1(QWidget*) {
    ++PrintDialogCount;
    if (PrintDialogAnswers.empty()) {
        ADD_FAILURE() << "unscripted print dialog";
        return true;
    }
    const bool answer = PrintDialogAnswers.front();
    PrintDialogAnswers.pop_front();
    return answer;
}

bool TRecordingPrinter::SetupMyPrinter(QWidget*) {
    ++SetupCount;
    if (SetupAnswers.empty()) {
        ADD_FAILURE() << "unscripted printer setup";
        return true;
    }
    const bool answer = SetupAnswers.front();
    SetupAnswers.pop_front();
    return answer;
}

void TRecordingPrinter::BeginBatch() {
    if (BatchDepth++ == 0)
        ++Batches;
}

void TRecordingPrinter::EndBatch() {
    EXPECT_GT(BatchDepth, 0) << "a batch ended that was not begun";
    EXPECT_FALSE(Open_) << "a batch ended with its job open";
    if (BatchDepth > 0)
        --BatchDepth;
}

void TRecordingPrinter::BeginDoc(const QString& title) {
    EXPECT_FALSE(Open_) << "a job began inside another";
    if (NoPrinters)
        throw EPrinterError("No printer is set up to print to.");
    if (Offline)
        throw EPrinterError("The printer is offline.");
    TPrintedJob job;
    job.Title = title;
    job.Batch = BatchDepth > 0 ? Batches : 0;
    job.Pages.emplace_back();
    Jobs.push_back(std::move(job));
    Open_ = true;
    Font_ = TPrinterFont::Default;
}

TPrintedPage& TRecordingPrinter::CurrentPage() {
    if (!Open_)
        throw EPrinterError("No print job is open.");
    return Jobs.back().Pages.back();
}

void TRecordingPrinter::NewPage() {
    CurrentPage();
    Jobs.back().Pages.emplace_back();
}

void TRecordingPrinter::EndDoc() {
    CurrentPage();
    Jobs.back().Ended = true;
    Open_ = false;
}

void TRecordingPrinter::Abort() {
    if (!Open_)
        return;
    Jobs.back().Aborted = true;
    Open_ = false;
}

void TRecordingPrinter::StretchDraw(const QRect& rect, const TDibGraphic& picture) {
    TPrintedPage& page = CurrentPage();
    ++PicturesDrawn_;
    if (FailAtPicture && *FailAtPicture == PicturesDrawn_)
        throw EPrinterError("The printer stopped.");
    page.Pictures.push_back({rect, picture});
}

void TRecordingPrinter::SetFont(TPrinterFont font) {
    Font_ = font;
}

void TRecordingPrinter::TextOut(int x, int y, const QString& text) {
    CurrentPage().Texts.push_back({QPoint(x, y), text, Font_});
}

int TRecordingPrinter::TextWidth(const QString& text) {
    return int(text.size()) *
           (Font_ == TPrinterFont::Console ? ConsoleCharWidth : DefaultCharWidth);
}

int TRecordingPrinter::TextHeight(const QString&) {
    return Font_ == TPrinterFont::Console ? ConsoleLineHeight : DefaultLineHeight;
}
