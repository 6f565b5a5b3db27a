// The rectangle selection window: it covers the whole screen with a picture of the screen as
// it was when the window was made, so the screen looks unchanged, and takes all mouse input.
// The user drags a rectangle, shown by a dotted outline; letting the button go puts the
// rectangle, outline included along its border, on the clipboard and stores it in
// "repeat.dat". A click without movement, or Escape, leaves the clipboard empty.
//
// The window lies above every other window and the window manager leaves it alone; all its
// drawing happens on its own picture, so nothing of the outline is left on the screen.
#pragma once

#include "platform/clipboard.h"
#include "platform/screen.h"

#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

class TfrmBlank : public QDialog {
    Q_OBJECT
public:
    // Runs FormCreate: the window takes its picture of the screen now.
    TfrmBlank(IScreen& screen, IClipboard& clipboard);

    void FormCreate();
    // Points are in screen coordinates, which are the window's own.
    void FormMouseDown(const QPoint& point);
    void FormMouseMove(const QPoint& point);
    // The rectangle is the one last drawn; where the button is let go does not count.
    void FormMouseUp();
    // Escape, or closing the window any other way: as a click without movement.
    void CancelSelection();

    // The screen as it was when the window was made, as shown.
    const QImage& ScreenPicture() const { return ScreenPicture_; }

    QPoint SelectionStart;
    QPoint SelectionEnd;
    bool Tracking = false; // the button is held
    bool Drawn = false;    // an outline is shown
    // The text of the error when the rectangle was taken but "repeat.dat" could not be
    // written; the owner reports it once the window is gone.
    QString RepeatFileError;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    QRect OutlineRect() const;
    // Has the part of the window under the outline drawn again (showing or removing it).
    void RedrawOutline();
    void TakeRectangle(const QRect& rect);
    void CloseSelection(int result);

    IScreen& Screen;
    IClipboard& Clipboard;
    QImage ScreenPicture_;
};
