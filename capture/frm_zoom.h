// The magnifier of "Zoom Capture": a small window, always on top, that shows the screen to the
// right of and below the pointer enlarged 2, 4 or 8 times and follows the pointer wherever it
// moves. The factor chosen is kept in "zoommode.dat" for the next time.
//
// It never takes the keyboard: the user goes on working in their own window while it shows.
// It has no close box and refuses to be closed; its owner destroys it. It keeps out of the
// part of the screen it shows (see UpdatePicture), so it never magnifies itself.
#pragma once

#include "platform/mouse_hook.h"
#include "platform/screen.h"

#include <QImage>
#include <QPoint>
#include <QTimer>
#include <QWidget>

#include <optional>

class QRadioButton;

// The picture control: shows its picture stretched to its own size, pixel for pixel
// (StretchPixels), white while it has none.
class TZoomImage : public QWidget {
    Q_OBJECT
public:
    explicit TZoomImage(QWidget* parent);

    void SetPicture(const QImage& picture);
    // The picture as grabbed, at the size of the screen area it shows.
    const QImage& Picture() const { return Picture_; }
    // What the control shows: the picture stretched to the control's size.
    QImage Shown() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QImage Picture_;
    QImage Stretched_;
};

class TfrmZoom : public QWidget {
    Q_OBJECT
public:
    // Runs FormCreate. The window is not shown yet.
    TfrmZoom(IScreen& screen, IMouseHook& hook);
    // Runs FormDestroy when the owner has not (errors are lost then).
    ~TfrmZoom() override;
    TfrmZoom(const TfrmZoom&) = delete;
    TfrmZoom& operator=(const TfrmZoom&) = delete;

    // Checks the factor stored in "zoommode.dat" and starts following the pointer; the caption
    // says whether that works.
    void FormCreate();
    // The factor follows the checked button.
    void FormActivate();
    void TwoXClick();
    void FourXClick();
    void EightXClick();
    // The pointer has moved: the caption shows its position, and the picture follows it.
    void MouseHookMove();
    // Stores the factor in "zoommode.dat" (throws EFileError when it cannot) and stops
    // following the pointer. Runs once.
    void FormDestroy();

    // The picture at the control's size, as the user sees it: what the capture takes.
    QImage CapturePicture() const;
    int Factor() const { return Factor_; }

    QWidget* ZoomPanel = nullptr;
    QRadioButton* TwoX = nullptr;
    QRadioButton* FourX = nullptr;
    QRadioButton* EightX = nullptr;
    TZoomImage* ZoomImage = nullptr;

    // How long the windows that the magnifier uncovers by moving away are given to draw
    // themselves again before the screen there is read.
    static constexpr int RepaintPauseMs = 150;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Shows the screen area of the pointer's position, unless the pointer is over the
    // magnifier itself; moves the magnifier away first when it covers that area.
    void UpdatePicture(const QPoint& pointer);
    // The screen area the magnifier takes up, with its frame.
    QRect OnScreen() const;

    IScreen& Screen;
    IMouseHook& Hook;
    int Factor_ = 2;
    bool HookInstalled = false;
    bool Destroyed = false;
    // The pointer's position at the last update.
    std::optional<QPoint> LastPosition;
    // Runs out once the windows the magnifier has uncovered have drawn themselves again;
    // until then the screen is not read.
    QTimer RepaintWait;
};
