// The print commands of the main window, Printer Setup, and the prints made for captures and
// console screens. Owned by the main window, which forwards its menu handlers here and hands
// the object to the capture intake as its ICapturePrinting.
//
// Each print command asks for a selection, shows the print dialog, prints the selected images
// in list order, loading each into the view, and puts back what the view showed before.
#pragma once

#include "output/print_layouts.h"
#include "platform/services.h"
#include "widgets/feature_links.h"
#include "widgets/main_view.h"

#include <functional>

class TPrintCommands : public ICapturePrinting, public IImagePrinting {
public:
    TPrintCommands(const TServices& services, IMainView& window);

    void Images1perpageClick();
    void CaptionAboveImageClick();
    void CaptionBelowImageClick();
    void TimeDateAboveImageClick();
    void TimeDateBelowImageClick();
    void ImagesStretchToFullPage2Click();
    void ImagesAsManyToAPage1Click();
    void ImagesAsThumbnails1Click();
    // The print dialog, then the layout of a "&Print" entry over `paths` in their order (the
    // thumbnail viewer's selection).
    void PrintImageFiles(TPrintEntry entry, const QStringList& paths);
    // File > Printer Setup.
    void Printer1Click();
    // Prints the view's image centred at its screen-proportional size, slicing a tall one
    // over several jobs. False when the printer failed (the user has been told).
    bool PrintImagePage();
    // Prints the view's image in one job: stretch 0 at its size in inches, else filling the
    // page; the size texts go with the printer's orientation ("5" and "3" in portrait).
    // False when the printer failed (the user has been told).
    bool PrintCapture(int stretch, const QString& widthText, const QString& heightText);
    // Prints the lines of a console text file (widgets/console_text.h) on one page in the
    // console font, as many as the page has room for. False when the printer failed (the
    // user has been told). Throws EFileError when the file cannot be read.
    bool PrintTextLines(const QString& file);

    TCapturePrint PrintAfterCapture(bool stretch) override;
    TCapturePrint PrintScrolledCapture() override;
    // The image editor's Print (IImagePrinting).
    void PrintViewImage(TImageScrollBox& view, QWidget* owner) override;
    void RenderConsoleText() override;
    bool PrintConsoleTextFile(const QString& file) override;

private:
    // A print command after its own checks: the print dialog, then the layout over `paths`
    // in one batch of the printer, with the view kept and put back; failures end the command
    // and are reported. Images whose files have gone or cannot be read are left out, and
    // named in one message at the end (those gone not, with `vanishedFilesSilent`).
    void RunPrintCommand(const QStringList& paths, const TPrintLayout& layout,
                         bool vanishedFilesSilent = false);
    // The same for the selected rows' images; with none, "Please select an image.".
    void PrintSelectedImages(const TPrintLayout& layout, bool vanishedFilesSilent = false);
    // A print of the window's own (after a capture, of console text) in a batch of the
    // printer; a printer failure is told. False when the printer failed.
    bool PrintWithBatch(const std::function<bool(const TPrintContext&)>& print);
    // How many console lines one page has room for.
    int ConsoleLinesPerPage();

    TServices Services;
    IMainView& Window;
};
