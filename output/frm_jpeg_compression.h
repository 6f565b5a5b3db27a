// The JPEG quality window: the user picks the compression on a slider of eleven steps and
// whether the file is progressive, sees the image as it would come out, and OK stores the
// choice in "jpeg.cfg", which the caller then reads for the file it writes.
#pragma once

#include <QDialog>

class IDialogs;
class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class QSlider;
class TDibGraphic;
class TImageScrollBox;

class TfrmJPEGCompression : public QDialog {
    Q_OBJECT
public:
    // `source` is the image whose JPEG the preview shows (the main window's view image); it
    // must outlive the window. The caller puts the picture to start the preview with into
    // testImage, or nothing (no preview then).
    TfrmJPEGCompression(IDialogs& dialogs, const TDibGraphic& source, QWidget* parent = nullptr);

    // Puts the slider and the box where "jpeg.cfg" has them (none: quality 100, not
    // progressive).
    void FormCreate();
    // The preview becomes true colour, as its JPEG will be, and is drawn.
    void FormActivate();
    // The preview shows the source written as a JPEG at the slider's quality. The box alone
    // does not refresh it.
    void tbCompressChange();
    // Writes "jpeg.cfg" and closes. Closing any other way writes nothing.
    void btnOKClick();

    // Slider position 0 is quality 100, each step 10 less, position 10 quality 0.
    static int QualityAt(int position) { return 100 - 10 * position; }

    QLabel* lbCompression = nullptr;
    QLabel* lbMeter = nullptr;
    QSlider* tbCompress = nullptr;
    QCheckBox* cbProgressive = nullptr;
    QLabel* lbNote = nullptr;
    QLabel* lbWarning = nullptr;
    QPushButton* btnOK = nullptr;
    QFrame* pnlPreview = nullptr;
    TImageScrollBox* testImage = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    IDialogs& Dialogs;
    const TDibGraphic& Source;
};
