// What the rotate and wave windows share: the picture in a fast raster buffer control that
// scrolls above a panel of controls, an untouched master copy that every preview starts from,
// and the transfer file through which the editor hands the picture over and takes back what
// the user keeps.
//
// The editor writes the picture to the transfer file, loads it into fImage, names the file
// with SetTransferFile and shows the window. The master copy is made when the window is
// shown; until then the controls draw no preview. Keep writes the shown buffer back into the
// transfer file (as BMP) and closes with Accepted; Discard, Esc and the close box close with
// Rejected and write nothing.
#pragma once

#include "imaging/fast_dib.h"

#include <QDialog>
#include <QString>

#include <functional>

class IDialogs;
class QFrame;
class QPushButton;
class QScrollArea;
class TFastIMG;

class TFastPreviewDialog : public QDialog {
    Q_OBJECT
public:
    const QString& TransferFile() const { return TransferFile_; }
    void SetTransferFile(const QString& path) { TransferFile_ = path; }

    // The master copy exists: previews may be drawn.
    bool HasMaster() const { return HasMaster_; }
    const TFastDIB& Master() const { return Master_; }

    // Makes the master copy of the buffer shown; then MasterMade.
    void FormShow();
    // Writes the shown buffer to the transfer file and closes with Accepted. A file that
    // cannot be written is reported and the window stays open.
    void btnKeepClick();
    void btnCancelClick();

    QScrollArea* Scroll = nullptr;
    TFastIMG* fImage = nullptr;
    QFrame* Panel = nullptr;
    QPushButton* btnKeep = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    // A window of 600 x 400 whose bottom panel is `panelHeight` high; the subclass lays out
    // its controls in Panel.
    TFastPreviewDialog(IDialogs& dialogs, const QString& caption, int panelHeight, QWidget* parent);
    void showEvent(QShowEvent* event) override;
    // Called once the master copy exists, to set the controls that follow the picture.
    virtual void MasterMade() {}
    // Draws the shown buffer anew after it changed; a failure is reported.
    void RunPreview(const std::function<void()>& preview);

    IDialogs& Dialogs;

private:
    QString TransferFile_;
    TFastDIB Master_;
    bool HasMaster_ = false;
};
