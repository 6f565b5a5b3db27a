#include "widgets/image_scroll_box.h"

#include "imaging/crop_transform.h"
#include "imaging/format_registry.h"
#include "platform/dib_qimage.h"
#include "widgets/wait_pointer.h"

#include <QApplication>
#include <QBuffer>
#include <QCursor>
#include <QFile>
#include <QImageReader>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QScrollBar>
#include <QtMath>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace {

// trunc(size x scale), at least 1. The product is taken in extended precision, as the zoom
// arithmetic is everywhere; sizes beyond any image are cut to INT_MAX, which the raster then
// refuses.
int ScaledSize(int size, long double scale) {
    const long double scaled = std::trunc(static_cast<long double>(size) * scale);
    if (!(scaled >= 1.0L))
        return 1;
    return scaled >= static_cast<long double>(INT_MAX) ? INT_MAX : static_cast<int>(scaled);
}

// A ratio of the client area to the image, computed in extended precision and kept in single
// precision before it becomes a percentage.
float RatioOf(int client, int image) {
    return static_cast<float>(static_cast<long double>(client) / image);
}

// The pixels a rubber band's outline covers, for repainting just those.
QRegion OutlineRegion(const QRect& outline) {
    const QRect bounds(outline.topLeft(), QSize(outline.width() + 1, outline.height() + 1));
    return QRegion(bounds).subtracted(QRegion(bounds.adjusted(1, 1, -1, -1)));
}

std::string FilePath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// Registered formats through their codec; any other file through Qt's own readers, the
// picture drawn over black. When Qt cannot read it either, the format layer's refusal
// ("Graphic files of .xyz format are not supported or not registered") is the error. Both
// read regular files only and keep within the image limits (imaging/image_limits.h).
TDibGraphic ReadImage(const QString& path, int frame) {
    const std::string file = FilePath(path);
    const std::string extension = FileExtension(file);
    if (!extension.empty() && FindImageFileFormat(extension))
        return LoadImageFile(file, frame);
    TRawBudgetVector<uint8_t> bytes = ReadImageFileData(file);
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                              qsizetype(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    // The extension (without its dot) names the format to try first, as it does for a file
    // Qt opens itself.
    const QByteArray format = QByteArray::fromStdString(extension).mid(1).toLower();
    QImageReader reader(&buffer, format);
    const QSize size = reader.size();
    if (size.isValid())
        CheckImagePixels(size.width(), size.height());
    // Qt's picture and its conversion to our raster's layout, four bytes a pixel each.
    const TMemoryReservation decoded(
        size.isValid() ? std::size_t(size.width()) * std::size_t(size.height()) * 8 : 0,
        "reading " + file);
    const QImage picture = reader.read();
    if (picture.isNull())
        ImageFileFormatOf(file); // throws
    return QImageToTrueColorDib(picture);
}

} // namespace

// What the mouse does on the picture. Coordinates are those of the inner picture widget.
class TMouseHandler {
public:
    explicit TMouseHandler(TImageScrollBox& owner) : Owner(owner) {}
    virtual ~TMouseHandler() = default;
    TMouseHandler(const TMouseHandler&) = delete;
    TMouseHandler& operator=(const TMouseHandler&) = delete;

    virtual void MouseDown(Qt::MouseButton, Qt::KeyboardModifiers, int, int) { MouseIsDown = true; }
    virtual void MouseUp(Qt::MouseButton, Qt::KeyboardModifiers, int, int) { MouseIsDown = false; }
    virtual void MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, int, int) {}

    // The rubber band to draw over the picture, in client-area coordinates.
    virtual std::optional<QRect> Outline() const { return std::nullopt; }
    // The picture was rendered anew: anything drawn over the old one is gone.
    virtual void PictureRendered() {}

protected:
    TImageScrollBox& Owner;
    bool MouseIsDown = false;
};

// Drags the picture: it follows the pointer for as long as the button is held.
class TDragMouseHandler : public TMouseHandler {
public:
    explicit TDragMouseHandler(TImageScrollBox& owner) : TMouseHandler(owner) {
        Owner.Picture()->setCursor(Qt::OpenHandCursor);
    }

    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) override {
        if (button != Qt::LeftButton)
            return;
        TMouseHandler::MouseDown(button, shift, x, y);
        Press = QPoint(x, y);
        PressCursor = Owner.Picture()->cursor();
        // With nothing to scroll the pointer keeps its shape: there is nothing to grab.
        if (Owner.HorzScrollBarVisible() || Owner.VertScrollBarVisible())
            Owner.Picture()->setCursor(Qt::ClosedHandCursor);
    }

    void MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, int x, int y) override {
        if (!MouseIsDown)
            return;
        // The press point stays as it was: moving the picture moves the point under the
        // pointer, so the next event measures from the picture's new place.
        QScrollBar* horizontal = Owner.horizontalScrollBar();
        QScrollBar* vertical = Owner.verticalScrollBar();
        horizontal->setValue(horizontal->value() + Press.x() - x);
        vertical->setValue(vertical->value() + Press.y() - y);
    }

    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) override {
        if (!MouseIsDown || button != Qt::LeftButton)
            return;
        if (Owner.Picture()->cursor().shape() == Qt::ClosedHandCursor)
            Owner.Picture()->setCursor(PressCursor);
        TMouseHandler::MouseUp(button, shift, x, y);
    }

private:
    QPoint Press;
    QCursor PressCursor;
};

// Draws a rubber band over the picture and hands the part inside it to the owner.
class TQuickSelectMouseHandler : public TMouseHandler {
public:
    explicit TQuickSelectMouseHandler(TImageScrollBox& owner) : TMouseHandler(owner) {
        Owner.Picture()->unsetCursor();
    }

    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) override {
        if (button != Qt::LeftButton)
            return;
        TMouseHandler::MouseDown(button, shift, x, y);
        HideOutline(); // an outline kept from the last selection
        const QPoint picture = Owner.Picture()->pos();
        First = Second = QPoint(x, y) + picture;
    }

    void MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers, int x, int y) override {
        if (!MouseIsDown || !(buttons & Qt::LeftButton))
            return;
        // The band never leaves the picture.
        const QRect picture = Owner.Picture()->geometry();
        const QPoint point(std::clamp(x + picture.left(), picture.left(), picture.right()),
                           std::clamp(y + picture.top(), picture.top(), picture.bottom()));
        HideOutline();
        Second = point;
        Drawn = true;
        Repaint();
    }

    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) override {
        if (!MouseIsDown || button != Qt::LeftButton)
            return;
        if (Owner.MouseMode() != TImageScrollBox::mmQuickSelectKeep)
            HideOutline();
        TMouseHandler::MouseUp(button, shift, x, y);

        // Released outside the picture, the selection reaches its edge.
        const QPoint picture = Owner.Picture()->pos();
        const int width = Owner.Picture()->width(), height = Owner.Picture()->height();
        const QPoint end(std::clamp(x, 0, width), std::clamp(y, 0, height));
        const QPoint start = First - picture;
        const int left = std::min(start.x(), end.x()), right = std::max(start.x(), end.x());
        const int top = std::min(start.y(), end.y()), bottom = std::max(start.y(), end.y());
        if (right - left < 1 || bottom - top < 1 || !Owner.OnQuickSelect)
            return;

        const TDibGraphic& display = Owner.DisplayGraphic();
        TCropTransform crop;
        crop.Top = top;
        crop.Left = left;
        crop.Bottom = display.Height() - bottom;
        crop.Right = display.Width() - right;
        TDibGraphic selection;
        crop.ApplyOnDest(display, selection);
        // Last: the owner may change the mouse mode, which frees this handler.
        Owner.OnQuickSelect(Owner, selection, QRect(left, top, right - left, bottom - top));
    }

    std::optional<QRect> Outline() const override {
        if (!Drawn)
            return std::nullopt;
        return QRect(std::min(First.x(), Second.x()), std::min(First.y(), Second.y()),
                     std::abs(Second.x() - First.x()), std::abs(Second.y() - First.y()));
    }

    void PictureRendered() override { Drawn = false; }

private:
    void HideOutline() {
        if (!Drawn)
            return;
        Repaint();
        Drawn = false;
    }
    void Repaint() {
        if (const std::optional<QRect> outline = Outline())
            Owner.Picture()->update(OutlineRegion(outline->translated(-Owner.Picture()->pos())));
    }

    QPoint First;  // client-area coordinates
    QPoint Second; // client-area coordinates
    bool Drawn = false;
};

// The inner widget that shows the rendered picture and takes the mouse.
class TImageScrollBoxPicture : public QWidget {
public:
    explicit TImageScrollBoxPicture(TImageScrollBox& box) : QWidget(box.viewport()), Box(box) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        hide();
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        painter.drawImage(event->rect(), Box.DisplayImage_, event->rect());
        // Inverting the pixels under a dotted line keeps an outline visible on any picture;
        // it is painted over the cached picture, so moving it leaves no trace.
        painter.setCompositionMode(QPainter::RasterOp_NotDestination);
        painter.setPen(QPen(Qt::black, 0, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        if (Box.MarkedOutline_)
            painter.drawRect(*Box.MarkedOutline_);
        if (!Box.MouseHandler_)
            return;
        if (const std::optional<QRect> outline = Box.MouseHandler_->Outline())
            painter.drawRect(outline->translated(-pos()));
    }

    void mousePressEvent(QMouseEvent* event) override {
        Press = event->button() == Qt::LeftButton
                    ? std::optional<QPoint>(QPoint(X(event), Y(event)))
                    : std::nullopt;
        if (Box.MouseHandler_)
            Box.MouseHandler_->MouseDown(event->button(), event->modifiers(), X(event), Y(event));
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (Box.MouseHandler_)
            Box.MouseHandler_->MouseMove(event->buttons(), event->modifiers(), X(event), Y(event));
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        // Measured before the handler runs: panning moves this widget under the pointer.
        const bool click = event->button() == Qt::LeftButton && Press == QPoint(X(event), Y(event));
        Press.reset();
        if (Box.MouseHandler_)
            Box.MouseHandler_->MouseUp(event->button(), event->modifiers(), X(event), Y(event));
        if (click && Box.OnClick)
            Box.OnClick(Box);
    }

private:
    static int X(const QMouseEvent* event) { return qFloor(event->position().x()); }
    static int Y(const QMouseEvent* event) { return qFloor(event->position().y()); }

    TImageScrollBox& Box;
    std::optional<QPoint> Press; // where the left button went down
};

TImageScrollBox::TImageScrollBox(QWidget* parent) : QAbstractScrollArea(parent) {
    // Without a frame the client area is the widget less the visible scroll bars, which is
    // what the zoom arithmetic measures.
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    horizontalScrollBar()->setTracking(true);
    verticalScrollBar()->setTracking(true);
    viewport()->setBackgroundRole(QPalette::Window);
    Picture_ = new TImageScrollBoxPicture(*this);
    MouseHandler_ = std::make_unique<TDragMouseHandler>(*this);
    resize(100, 100);
}

TImageScrollBox::~TImageScrollBox() = default;

QWidget* TImageScrollBox::Picture() const {
    return Picture_;
}

int TImageScrollBox::ScrollBarExtent(Qt::Orientation orientation) const {
    // The strip each bar takes, as the scroll area lays it out.
    return orientation == Qt::Horizontal ? horizontalScrollBar()->sizeHint().height()
                                         : verticalScrollBar()->sizeHint().width();
}

int TImageScrollBox::ClientWidth() const {
    return std::max(0,
                    contentsRect().width() - (VertBarShown_ ? ScrollBarExtent(Qt::Vertical) : 0));
}

int TImageScrollBox::ClientHeight() const {
    return std::max(0, contentsRect().height() -
                           (HorzBarShown_ ? ScrollBarExtent(Qt::Horizontal) : 0));
}

void TImageScrollBox::LoadFromFile(const QString& path, int frame) {
    // A raster holds one picture: "every frame" shows the first.
    TDibGraphic image = ReadImage(path, std::max(frame, 1));
    Graphic_ = std::move(image);
    FileName_ = path;
    Redraw(true);
}

void TImageScrollBox::SaveToFile(const QString& path) {
    const std::string file = FilePath(path);
    ImageFileFormatOf(file); // refuses an extension without a writer before anything happens
    TWaitPointer wait;
    TJpegOptions jpeg;
    if (OnBeforeSave) {
        TDibGraphic copy = Graphic_;
        OnBeforeSave(*this, copy, jpeg);
        SaveImageFile(copy, file, jpeg);
    } else {
        // Nobody can change the writer's copy, so the image is written as it is.
        SaveImageFile(Graphic_, file, jpeg);
    }
    FileName_ = path;
}

void TImageScrollBox::ClearImage() {
    Graphic_.Clear();
    FileName_.clear();
    Redraw(true);
}

void TImageScrollBox::AssignImage(const TDibGraphic& image) {
    Graphic_ = image;
    Redraw(true);
}

void TImageScrollBox::AssignImage(TDibGraphic&& image) {
    Graphic_ = std::move(image);
    Redraw(true);
}

void TImageScrollBox::AssignImage(TDibGraphic&& image, const QString& fileName) {
    Graphic_ = std::move(image);
    FileName_ = fileName;
    Redraw(true);
}

void TImageScrollBox::SetFileName(const QString& path) {
    if (path.isEmpty())
        ClearImage();
    else
        LoadFromFile(path, 1);
}

void TImageScrollBox::SetZoomMode(TZoomMode mode) {
    ZoomMode_ = mode;
    Redraw(false);
}

void TImageScrollBox::SetZoomPercent(float percent) {
    if (Graphic_.Empty() || !(percent > 0.1f) || !std::isfinite(percent))
        return;
    ZoomPercent_ = percent;
    ZoomMode_ = zmPercent;
    Redraw(false);
}

void TImageScrollBox::SetAntiAliased(bool antiAliased) {
    if (antiAliased == AntiAliased_)
        return;
    AntiAliased_ = antiAliased;
    if (Graphic_.ImageFormat() == ifBlackWhite)
        Redraw(false);
}

void TImageScrollBox::SetCentered(bool centered) {
    if (centered == Centered_)
        return;
    Centered_ = centered;
    Redraw(false);
}

void TImageScrollBox::SetMouseMode(int mode) {
    if (mode == MouseMode_)
        return;
    MouseMode_ = mode;
    std::unique_ptr<TMouseHandler> previous = std::move(MouseHandler_);
    if (mode == mmPan)
        MouseHandler_ = std::make_unique<TDragMouseHandler>(*this);
    else if (mode == mmQuickSelect || mode == mmQuickSelectKeep)
        MouseHandler_ = std::make_unique<TQuickSelectMouseHandler>(*this);
    else
        Picture_->unsetCursor();
    Picture_->update(); // a rubber band of the previous handler goes with it
}

void TImageScrollBox::Redraw(bool resmooth) {
    // The smoothed copy is made again when next needed, also when this Redraw itself cannot
    // render: the image has changed either way.
    if (resmooth) {
        Smoothed_.Clear();
        SmoothedStale_ = true;
    }
    if (isHidden()) {
        RenderPending_ = true;
        return;
    }
    RenderPending_ = false;
    if (Graphic_.Empty()) {
        ShowNothing();
        return;
    }
    try {
        Render();
    } catch (...) {
        ShowNothing();
        throw;
    }
    if (OnRedraw)
        OnRedraw(Graphic_);
    Picture_->show();
}

const TDibGraphic& TImageScrollBox::SmoothedCopy() {
    if (SmoothedStale_) {
        Smoothing_.ApplyOnDest(Graphic_, Smoothed_);
        SmoothedStale_ = false;
    }
    return Smoothed_;
}

void TImageScrollBox::ComputeZoom() {
    const int width = Graphic_.Width(), height = Graphic_.Height();
    float ratio = 0;
    switch (ZoomMode_) {
    case zmOriginalSize:
        ZoomPercent_ = 100.0f;
        return;
    case zmPercent:
        return;
    case zmFullPage:
    case zmFitToPage:
        SetScrollBarsShown(false, false);
        ratio = std::min(RatioOf(ClientWidth(), width), RatioOf(ClientHeight(), height));
        if (ZoomMode_ == zmFitToPage && ratio > 1.0f)
            ratio = 1.0f;
        break;
    case zmFitWidth:
        // Measured with the scroll bars as they are.
        ratio = RatioOf(ClientWidth(), width);
        break;
    case zmFitHeight:
        SetScrollBarsShown(false, false);
        ratio = RatioOf(ClientHeight(), height);
        break;
    }
    ZoomPercent_ = static_cast<float>(static_cast<long double>(ratio) * 100.0L);
}

void TImageScrollBox::Render() {
    const float previous = std::nearbyint(ZoomPercent_); // halves to even
    ComputeZoom();
    if (previous != ZoomPercent_ && OnZoomChange)
        OnZoomChange(*this, ZoomPercent_);

    const long double scale = static_cast<long double>(ZoomPercent_) / 100.0L;
    const int width = ScaledSize(Graphic_.Width(), scale);
    const int height = ScaledSize(Graphic_.Height(), scale);
    const TScrollBars bars = ScrollBarsFor(width, height);
    SetScrollBarsShown(bars.Horizontal, bars.Vertical);

    // Black and white is shown from its smoothed copy when asked to, even at 100 %.
    const TDibGraphic& source =
        Graphic_.ImageFormat() == ifBlackWhite && AntiAliased_ ? SmoothedCopy() : Graphic_;
    TDibGraphic display;
    if (ZoomPercent_ == 100.0f) {
        display = source;
    } else {
        Resize_.Width = width;
        Resize_.Height = height;
        Resize_.ApplyOnDest(source, display);
    }
    MarkedOutline_.reset();
    // Converted once here; painting only copies pixels to the screen. The screen's copy and
    // the one it is converted from (four bytes a pixel at most) count against the memory
    // budget as the rasters do.
    const std::size_t screenBytes =
        std::size_t(display.Width()) * std::size_t(display.Height()) * 4;
    DisplayImage_ = QImage();
    DisplayImageMemory_ = TMemoryReservation();
    TMemoryReservation shown(screenBytes, "showing the image");
    const TMemoryReservation converted(screenBytes, "showing the image");
    QImage picture = DibToQImage(display).convertToFormat(QImage::Format_RGB32);
    DisplayGraphic_ = std::move(display);
    DisplayImage_ = std::move(picture);
    DisplayImageMemory_ = std::move(shown);
    if (MouseHandler_)
        MouseHandler_->PictureRendered();

    // A picture smaller than the client area is centred in what remains visible, so none of
    // it ever lies under a scroll bar.
    const int clientWidth = ClientWidth(), clientHeight = ClientHeight();
    PictureLeft_ = Centered_ && width < clientWidth ? (clientWidth - width) / 2 : 0;
    PictureTop_ = Centered_ && height < clientHeight ? (clientHeight - height) / 2 : 0;

    Picture_->resize(width, height);
    QScrollBar* horizontal = horizontalScrollBar();
    QScrollBar* vertical = verticalScrollBar();
    horizontal->setRange(0, std::max(0, PictureLeft_ + width - clientWidth));
    horizontal->setPageStep(std::max(1, clientWidth));
    vertical->setRange(0, std::max(0, PictureTop_ + height - clientHeight));
    vertical->setPageStep(std::max(1, clientHeight));
    horizontal->setValue(0);
    vertical->setValue(0);
    PlacePicture();
    Picture_->update();
}

TImageScrollBox::TScrollBars TImageScrollBox::ScrollBarsFor(int width, int height) const {
    // A bar takes a strip of the client area, which can make the other one necessary.
    const QRect area = contentsRect();
    TScrollBars bars{width > area.width(), height > area.height()};
    if (bars.Horizontal && !bars.Vertical)
        bars.Vertical = height > area.height() - ScrollBarExtent(Qt::Horizontal);
    if (bars.Vertical && !bars.Horizontal)
        bars.Horizontal = width > area.width() - ScrollBarExtent(Qt::Vertical);
    return bars;
}

TImageScrollBox::TScrollBars TImageScrollBox::ScrollBarsAt(float percent) const {
    if (Graphic_.Empty())
        return {};
    // The same arithmetic as a rendering in zmPercent.
    const long double scale = static_cast<long double>(percent) / 100.0L;
    return ScrollBarsFor(ScaledSize(Graphic_.Width(), scale), ScaledSize(Graphic_.Height(), scale));
}

void TImageScrollBox::SetScrollBarsShown(bool horizontal, bool vertical) {
    HorzBarShown_ = horizontal;
    VertBarShown_ = vertical;
    setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void TImageScrollBox::ShowOutline(const QRect& rect) {
    if (DisplayGraphic_.Empty())
        return;
    MarkedOutline_ = rect;
    Picture_->update();
}

void TImageScrollBox::ShowNothing() {
    MarkedOutline_.reset();
    DisplayGraphic_.Clear();
    DisplayImage_ = QImage();
    DisplayImageMemory_ = TMemoryReservation();
    if (MouseHandler_)
        MouseHandler_->PictureRendered();
    SetScrollBarsShown(false, false);
    horizontalScrollBar()->setRange(0, 0);
    verticalScrollBar()->setRange(0, 0);
    PictureLeft_ = PictureTop_ = 0;
    Picture_->hide();
}

void TImageScrollBox::PlacePicture() {
    Picture_->move(PictureLeft_ - horizontalScrollBar()->value(),
                   PictureTop_ - verticalScrollBar()->value());
}

void TImageScrollBox::scrollContentsBy(int, int) {
    PlacePicture();
}

void TImageScrollBox::RedrawFromEvent() {
    try {
        Redraw(false);
    } catch (const std::exception&) {
        ShowNothing();
    }
}

bool TImageScrollBox::event(QEvent* event) {
    const bool handled = QAbstractScrollArea::event(event);
    if (event->type() == QEvent::Resize || (event->type() == QEvent::Show && RenderPending_))
        RedrawFromEvent();
    return handled;
}
