// The thumbnail viewer's grid: on a black background, one frame per thumbnail with the picture
// inside and the file name under it, a red mark around every selected thumbnail and its name
// in yellow. The mouse selects (TThumbSelection's rules); the pictures are made on worker
// threads and appear one by one as they are made, while the window stays responsive.
//
// Thumbnail n (from 1) stands for row n - 1 of the capture list; what a press or a selection
// means for the list is the owner's (the callbacks below).
#pragma once

#include "thumbs/thumb_selection.h"

#include <QImage>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <vector>

class QFrame;
class QLabel;
class TThumbnailMaker;
class TThumbPicture;

class TThumbViewGrid : public QWidget {
    Q_OBJECT
public:
    explicit TThumbViewGrid(QWidget* parent = nullptr);
    ~TThumbViewGrid() override;

    // Creates frames, empty pictures and empty labels for thumbnails 1..count (at most
    // MaxThumbnails), `sizeCode` big, as many to a row as a screen `screenWidth` wide takes.
    // A grid built before is freed first.
    void Build(int count, int sizeCode, int screenWidth);
    // Stops loading and destroys every frame, picture and label; the selection stays as it is
    // (the owner clears it first).
    void Free();
    int Count() const { return int(Cells.size()); }
    int SizeCode() const { return SizeCode_; }

    // Makes the thumbnail of every entry, path n - 1 for thumbnail n, at the quality code, on
    // worker threads (`threads`, 0 for one per processor). Each picture and its label (the file
    // name) appear as soon as it is made; OnProgress counts them, OnLoaded ends the pass. A
    // file that is not there, or cannot be read, leaves its thumbnail and label as they are.
    void Load(const QStringList& paths, int quality, int threads = 0);
    bool Loading() const;
    // Makes thumbnail n again from `path`, here and now (after the editor changed the file).
    // Throws the reader's error.
    void Refresh(int n, const QString& path, int quality);

    // Picture n (the fitted thumbnail, null while empty), its label's text, its frame.
    QImage Picture(int n) const;
    QString LabelText(int n) const;
    void SetLabelText(int n, const QString& text);
    QRect FrameGeometry(int n) const;
    // Whether the label of n shows the selected colour (yellow).
    bool LabelShowsSelected(int n) const;
    QWidget* PictureWidget(int n) const;

    const TThumbSelection& Selection() const { return Selection_; }
    // Unmarks every selected thumbnail and empties the selection.
    void ClearSelection();
    // Selects 1..count in order.
    void SelectAll();
    // The thumbnail last pressed with any mouse button; 0 for none.
    int CurrentImage() const { return CurrentImage_; }

    // The mouse on picture n, as the pictures report it.
    void PressPicture(int n, Qt::MouseButton button);
    void ReleasePicture(int n, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);

    // A press with a button other than the right one on thumbnail n.
    std::function<void(int n)> OnPress;
    // Thumbnail n has just been selected by a release.
    std::function<void(int n)> OnSelected;
    // The pop-up menu is asked for at a point of the screen (over a picture).
    std::function<void(const QPoint& globalPos)> OnPopup;
    // Another thumbnail of the pass has been made (or failed): `done` of them so far.
    std::function<void(int done)> OnProgress;
    // The pass is over: the paths that were not there, and the other failures as
    // "path: reason".
    std::function<void(const QStringList& missing, const QStringList& failures)> OnLoaded;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct TCell {
        QFrame* Frame = nullptr;
        TThumbPicture* Picture = nullptr;
        QLabel* Label = nullptr;
    };
    void ShowLabelColour(int n);
    void ShowSelection();
    void ThumbnailMade(quint64 id, const QImage& picture, const QString& error);
    void PassFinished();
    bool Valid(int n) const { return n >= 1 && n <= Count(); }

    std::vector<TCell> Cells; // thumbnail n at n - 1
    int SizeCode_ = 1;
    int CurrentImage_ = 0;
    TThumbSelection Selection_;
    TThumbnailMaker* Maker = nullptr;
    QStringList LoadPaths;
    QStringList Missing;
    QStringList Failures;
    int Done = 0;
};
