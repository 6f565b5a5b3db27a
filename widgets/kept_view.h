// What the main window's view shows when a command starts comes back when the command ends,
// whichever way: the picture with its file name, the copy "View 100%" brings back, and the
// status line. Commands that show each image they work on (printing, saving) keep one for
// their run.
#pragma once

#include "widgets/image_scroll_box.h"
#include "widgets/main_view.h"

class TKeptView {
public:
    explicit TKeptView(IMainView& window)
        : Window(window), Picture(window.View().Graphic()), FileName(window.View().FileName()),
          WorkImage(window.WorkImage()), Status(window.StatusText()) {}
    ~TKeptView() {
        try {
            Window.View().AssignImage(std::move(Picture), FileName);
        } catch (...) {
            // A picture that cannot be rendered again is not shown; the command's own
            // result stands.
        }
        Window.WorkImage() = std::move(WorkImage);
        Window.SetStatusText(Status);
    }
    TKeptView(const TKeptView&) = delete;
    TKeptView& operator=(const TKeptView&) = delete;

private:
    IMainView& Window;
    TDibGraphic Picture;
    QString FileName;
    TDibGraphic WorkImage;
    QString Status;
};
