// The ellipse selection window: it covers the whole screen with a picture of the screen as it
// was when the window was made (capImage) and lets the user drag the box of an ellipse over
// it, shown by an inverted outline. Letting the button go draws the ellipse's final black
// outline, cuts the ellipse out of the picture onto white (TransImage), puts that on the
// clipboard and stores the box in "repeat.dat". A click without movement, or Escape, leaves
// the clipboard empty.
#pragma once

#include "capture/selection_shapes.h"
#include "platform/clipboard.h"
#include "platform/screen.h"

#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

#include <optional>

class TfrmDrawCircle : public QDialog {
    Q_OBJECT
public:
    // Runs FormCreate: the window takes its picture of the screen now.
    TfrmDrawCircle(IScreen& screen, IClipboard& clipboard);

    void FormCreate();
    // Points are in screen coordinates, which are the window's own.
    void capImageMouseDown(const QPoint& point);
    void capImageMouseMove(const QPoint& point);
    // The box runs from where the button went down to where it is let go.
    void capImageMouseUp(const QPoint& point);
    // Escape, or closing the window any other way: as a click without movement.
    void CancelSelection();

    // The screen as it was when the window was made.
    const QImage& ScreenPicture() const { return ScreenPicture_; }

    // Shows the picture of the screen and takes the mouse; fills the window.
    QWidget* capImage = nullptr;
    // The ellipse cut out of the picture, white outside it: what goes on the clipboard.
    QImage TransImage;
    QPoint SelectionStart;
    QPoint SelectionEnd;
    bool Tracking = false; // the button is held
    // The text of the error when the ellipse was taken but "repeat.dat" could not be
    // written; the owner reports it once the window is gone.
    QString RepeatFileError;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    void PaintPicture(QPaintEvent* event);
    void CloseSelection(int result);

    IScreen& Screen;
    IClipboard& Clipboard;
    QImage ScreenPicture_;
    // The ellipse shown over the picture: the rubber band while dragging, then the final
    // outline.
    std::optional<QRect> ShownBox_;
    TOutlineInk ShownInk_ = TOutlineInk::Invert;
};
