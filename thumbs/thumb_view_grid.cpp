#include "thumbs/thumb_view_grid.h"

#include "imaging/fit_thumbnail.h"
#include "store/file_io.h"
#include "thumbs/thumb_layout.h"
#include "widgets/local_path.h"
#include "widgets/thumbnail_maker.h"

#include <QContextMenuEvent>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

// The picture inside a frame: the thumbnail centred on black, and the mouse reported to the
// grid.
class TThumbPicture : public QWidget {
public:
    TThumbPicture(TThumbViewGrid& grid, int number, QWidget* parent)
        : QWidget(parent), Grid(grid), Number(number) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    void SetThumbnail(const QImage& thumbnail) {
        Thumbnail = thumbnail;
        update();
    }
    const QImage& Thumbnail_() const { return Thumbnail; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        if (Thumbnail.isNull())
            return;
        // The margins that centre the fitted picture, as FitThumbnailSize gives them.
        const TThumbnailPlacement place =
            FitThumbnailSize(Thumbnail.width(), Thumbnail.height(), width(), height());
        painter.drawImage(QPoint(place.Left, place.Top), Thumbnail);
    }
    void mousePressEvent(QMouseEvent* event) override {
        Grid.PressPicture(Number, event->button());
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        Grid.ReleasePicture(Number, event->button(), event->modifiers());
    }
    void contextMenuEvent(QContextMenuEvent* event) override {
        if (Grid.OnPopup)
            Grid.OnPopup(event->globalPos());
    }

private:
    TThumbViewGrid& Grid;
    int Number;
    QImage Thumbnail;
};

TThumbViewGrid::TThumbViewGrid(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
}

TThumbViewGrid::~TThumbViewGrid() {
    Free();
}

void TThumbViewGrid::Build(int count, int sizeCode, int screenWidth) {
    Free();
    SizeCode_ = sizeCode;
    count = std::clamp(count, 0, MaxThumbnails);
    const int columns = ColumnsPerRow(sizeCode, screenWidth);
    const int lineHeight = fontMetrics().height() + 2;
    const QSize picture = PictureSizeOf(sizeCode);
    Cells.resize(count);
    for (int n = 1; n <= count; ++n) {
        TCell& cell = Cells[n - 1];
        const QRect frame = FrameRect(n, columns, sizeCode);
        cell.Frame = new QFrame(this);
        cell.Frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
        cell.Frame->setLineWidth(4);
        cell.Frame->setGeometry(frame);
        cell.Picture = new TThumbPicture(*this, n, cell.Frame);
        cell.Picture->setGeometry(QRect(QPoint(4, 4), picture));
        cell.Label = new QLabel(this);
        cell.Label->setAutoFillBackground(true);
        cell.Label->setGeometry(LabelRect(frame, lineHeight));
        ShowLabelColour(n);
        cell.Frame->show();
        cell.Label->show();
    }
    setMinimumSize(GridExtent(count, columns, sizeCode, lineHeight));
    update();
}

void TThumbViewGrid::Free() {
    if (Maker)
        Maker->Stop();
    for (TCell& cell : Cells) {
        delete cell.Label;
        delete cell.Frame; // and its picture
    }
    Cells.clear();
    CurrentImage_ = std::min(CurrentImage_, 0);
    setMinimumSize(0, 0);
    update();
}

void TThumbViewGrid::Load(const QStringList& paths, int quality, int threads) {
    if (!Maker) {
        Maker = new TThumbnailMaker({}, this);
        connect(Maker, &TThumbnailMaker::Made, this, &TThumbViewGrid::ThumbnailMade);
        connect(Maker, &TThumbnailMaker::Finished, this, &TThumbViewGrid::PassFinished);
    }
    Maker->Stop();
    LoadPaths = paths.mid(0, Count());
    Missing.clear();
    Failures.clear();
    Done = 0;
    std::vector<TThumbnailMaker::TJob> jobs;
    for (int n = 1; n <= LoadPaths.size(); ++n) {
        const std::string path = LocalPath(LoadPaths[n - 1]);
        if (FileExists(path))
            jobs.push_back({quint64(n), path});
        else
            Missing << LoadPaths[n - 1];
    }
    Done = int(Missing.size());
    const QSize box = PictureSizeOf(SizeCode_);
    Maker->SetPictureFunction([box, quality](const std::string& path) {
        return LoadThumbnailPicture(path, box, quality);
    });
    Maker->Start(std::move(jobs), threads);
}

bool TThumbViewGrid::Loading() const {
    return Maker && Maker->Busy();
}

void TThumbViewGrid::ThumbnailMade(quint64 id, const QImage& picture, const QString& error) {
    const int n = int(id);
    ++Done;
    if (Valid(n)) {
        if (error.isEmpty()) {
            Cells[n - 1].Picture->SetThumbnail(picture);
            SetLabelText(n, QFileInfo(LoadPaths[n - 1]).fileName());
        } else {
            Failures << LoadPaths[n - 1] + ": " + error;
        }
    }
    if (OnProgress)
        OnProgress(Done);
}

void TThumbViewGrid::PassFinished() {
    if (OnLoaded)
        OnLoaded(Missing, Failures);
}

void TThumbViewGrid::Refresh(int n, const QString& path, int quality) {
    if (!Valid(n))
        return;
    const QImage picture = LoadThumbnailPicture(LocalPath(path), PictureSizeOf(SizeCode_), quality);
    Cells[n - 1].Picture->SetThumbnail(picture);
    SetLabelText(n, QFileInfo(path).fileName());
}

QImage TThumbViewGrid::Picture(int n) const {
    return Valid(n) ? Cells[n - 1].Picture->Thumbnail_() : QImage();
}

QString TThumbViewGrid::LabelText(int n) const {
    return Valid(n) ? Cells[n - 1].Label->text() : QString();
}

void TThumbViewGrid::SetLabelText(int n, const QString& text) {
    if (Valid(n))
        Cells[n - 1].Label->setText(text);
}

QRect TThumbViewGrid::FrameGeometry(int n) const {
    return Valid(n) ? Cells[n - 1].Frame->geometry() : QRect();
}

bool TThumbViewGrid::LabelShowsSelected(int n) const {
    return Valid(n) && Cells[n - 1].Label->palette().color(QPalette::WindowText) == Qt::yellow;
}

QWidget* TThumbViewGrid::PictureWidget(int n) const {
    return Valid(n) ? Cells[n - 1].Picture : nullptr;
}

void TThumbViewGrid::ShowLabelColour(int n) {
    QLabel* label = Cells[n - 1].Label;
    QPalette colours = label->palette();
    colours.setColor(QPalette::Window, Qt::black);
    colours.setColor(QPalette::WindowText,
                     Selection_.Contains(n) ? QColor(Qt::yellow) : QColor(Qt::white));
    label->setPalette(colours);
}

void TThumbViewGrid::ShowSelection() {
    for (int n = 1; n <= Count(); ++n)
        ShowLabelColour(n);
    update();
}

void TThumbViewGrid::ClearSelection() {
    Selection_.Clear();
    ShowSelection();
}

void TThumbViewGrid::SelectAll() {
    Selection_.SelectAll(Count());
    ShowSelection();
}

void TThumbViewGrid::PressPicture(int n, Qt::MouseButton button) {
    if (!Valid(n))
        return;
    CurrentImage_ = n;
    // The right button opens the pop-up menu and changes nothing else.
    if (button != Qt::RightButton && OnPress)
        OnPress(n);
}

void TThumbViewGrid::ReleasePicture(int n, Qt::MouseButton button,
                                    Qt::KeyboardModifiers modifiers) {
    if (!Valid(n) || button == Qt::RightButton)
        return;
    const Qt::KeyboardModifiers keys =
        modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const TReleaseKeys release = keys == Qt::ShiftModifier     ? TReleaseKeys::ShiftAlone
                                 : keys == Qt::ControlModifier ? TReleaseKeys::CtrlAlone
                                                               : TReleaseKeys::Plain;
    const bool wasSelected = Selection_.Contains(n);
    Selection_.Release(n, release);
    ShowSelection();
    if (!wasSelected && OnSelected)
        OnSelected(n);
}

void TThumbViewGrid::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    QPainter painter(this);
    painter.setPen(QPen(QColor(255, 0, 0), 1));
    for (int n : Selection_.Numbers())
        if (Valid(n)) {
            const QRect mark = SelectionMarkRect(Cells[n - 1].Frame->geometry());
            // drawRect's one-pixel outline covers left..right + 1 of its rectangle.
            painter.drawRect(mark.adjusted(0, 0, -1, -1));
        }
}
