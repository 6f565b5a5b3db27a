// The control that shows a fast raster buffer (TFastDIB): the picture of the rotate and wave
// previews and of the editor's Blur. It reads the buffer from a BMP file named by Picture,
// can size itself to the buffer (AutoSize) and draws it 1:1 at its top-left corner (dsDraw),
// stretched over the whole control (dsStretch), centred (dsCenter) or tiled (dsTile); what
// the picture leaves free is filled with the control's background.
#pragma once

#include "imaging/fast_dib.h"

#include <QImage>
#include <QString>
#include <QWidget>

enum TFastDrawStyle { dsDraw, dsStretch, dsCenter, dsTile };

class TFastIMG : public QWidget {
public:
    explicit TFastIMG(QWidget* parent = nullptr);

    // "(None)" while the control is empty, "(TFastDIB)" once a file was loaded.
    QString Picture() const;
    // Loads the BMP file `fileName` into the buffer and, with AutoSize, sizes the control to
    // it. A name that is empty or names no file empties the control. A file that is not a BMP
    // file the buffer can read throws EImageError and leaves the control empty. Repaints in
    // every case.
    void SetPicture(const QString& fileName);
    // Shows `buffer` as the picture (a preview made in memory) and, with AutoSize, sizes the
    // control to it.
    void Assign(TFastDIB buffer);

    bool AutoSize() const { return AutoSize_; }
    void SetAutoSize(bool autoSize);
    TFastDrawStyle DrawStyle() const { return DrawStyle_; }
    void SetDrawStyle(TFastDrawStyle style);

    // The buffer shown. Whoever changes its pixels calls Redraw afterwards.
    TFastDIB& Buffer() { return Buffer_; }
    const TFastDIB& Buffer() const { return Buffer_; }
    // Shows the buffer as it is now.
    void Redraw();
    // The buffer as the control shows it: its colours, 0xffRRGGBB; a null image while empty.
    const QImage& ShownImage() const { return Shown_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void FitToBuffer();

    TFastDIB Buffer_;
    QImage Shown_;
    bool Loaded_ = false;
    bool AutoSize_ = false;
    TFastDrawStyle DrawStyle_ = dsDraw;
};
