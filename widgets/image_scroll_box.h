// The image view: one raster image at a chosen zoom, with scroll bars when the zoomed picture
// is larger than the view, panning with the mouse and rubber-band selection.
//
// The view keeps the image at full resolution (Graphic) and the picture rendered at the
// current zoom (DisplayGraphic). A picture is rendered once per change of image, zoom,
// smoothing, size or centring; scrolling only moves the inner picture widget that shows it.
// Black-and-white images can be shown smoothed into greys, which keeps thin lines legible
// when zoomed out.
//
// Sizes: the "outer" size is the widget's own width and height; the "client" size is what
// remains of it for the picture once the visible scroll bars have taken their strips.
#pragma once

#include "imaging/anti_alias_transform.h"
#include "imaging/dib_graphic.h"
#include "imaging/image_codecs.h"
#include "imaging/resize_transform.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class TMouseHandler;
class TImageScrollBoxPicture;

// How the zoom is chosen at each rendering.
enum TZoomMode {
    zmOriginalSize = 0, // 100 %
    zmFullPage = 1,     // the whole picture fits the view (enlarging small ones)
    zmFitWidth = 2,     // the picture's width fits the client width
    zmFitHeight = 3,    // the picture's height fits the view
    zmPercent = 4,      // ZoomPercent as set
    zmFitToPage = 5,    // as zmFullPage, but never above 100 %
};

class TImageScrollBox : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TImageScrollBox(QWidget* parent = nullptr);
    ~TImageScrollBox() override;

    // The image at full resolution, possibly empty. Whoever changes it in place calls
    // Redraw(true) afterwards.
    TDibGraphic& Graphic() { return Graphic_; }
    const TDibGraphic& Graphic() const { return Graphic_; }
    // The picture as rendered at the current zoom; empty while nothing is shown.
    const TDibGraphic& DisplayGraphic() const { return DisplayGraphic_; }

    // Reads an image file through the format layer (registered formats by their extension,
    // anything else through Qt's image readers) and shows it. `frame` picks the picture of a
    // multi-picture file, counted from 1 (0 is taken as 1). On failure the error is thrown
    // (EImageError with the format layer's message) and the view keeps its image.
    void LoadFromFile(const QString& path, int frame = 1);
    // Writes Graphic through the writer of the file's extension, with the wait pointer.
    // OnBeforeSave may adjust the writer's copy and options first. An extension without a
    // writer throws "Graphic files of .xyz format are not supported or not registered" and
    // writes nothing. FileName becomes `path` once the file is written.
    void SaveToFile(const QString& path);
    // Empties the image and FileName.
    void ClearImage();
    // Shows a copy of `image` (FileName stays).
    void AssignImage(const TDibGraphic& image);
    void AssignImage(TDibGraphic&& image);
    // Shows `image` as the picture of `fileName` without reading the file: putting back what
    // the view showed before a command borrowed it.
    void AssignImage(TDibGraphic&& image, const QString& fileName);

    // Renders the picture anew. `resmooth`: the image itself changed, so the smoothed copy
    // of a black-and-white image is out of date. While the view is hidden nothing is
    // rendered; showing it renders.
    void Redraw(bool resmooth);

    // The file last loaded or saved. Setting a path loads it (first frame); setting an empty
    // text empties the view.
    const QString& FileName() const { return FileName_; }
    void SetFileName(const QString& path);

    TZoomMode ZoomMode() const { return ZoomMode_; }
    void SetZoomMode(TZoomMode mode);
    // The zoom in percent as last rendered. Setting it switches to zmPercent; values of 0.1
    // and below, values that are not numbers, and any value while the image is empty are
    // ignored.
    float ZoomPercent() const { return ZoomPercent_; }
    void SetZoomPercent(float percent);

    // Show black-and-white images smoothed into greys.
    bool AntiAliased() const { return AntiAliased_; }
    void SetAntiAliased(bool antiAliased);
    // Centre a picture smaller than the view.
    bool Centered() const { return Centered_; }
    void SetCentered(bool centered);

    // What the mouse does on the picture: mmPan drags it (when there is something to
    // scroll), mmQuickSelect and mmQuickSelectKeep draw a rubber band and report the
    // rectangle (the latter leaves its outline drawn), anything else nothing.
    static constexpr int mmPan = 0;
    static constexpr int mmQuickSelect = 1;
    static constexpr int mmNone = 2;
    static constexpr int mmQuickSelectKeep = 3;
    int MouseMode() const { return MouseMode_; }
    void SetMouseMode(int mode);

    // The scroll bars as the last rendering left them; the main window's Fit To Window
    // search steps the zoom and watches these.
    bool HorzScrollBarVisible() const { return HorzBarShown_; }
    bool VertScrollBarVisible() const { return VertBarShown_; }
    // Which scroll bars a rendering of the image at `percent` would show at the view's
    // present size, without rendering it.
    struct TScrollBars {
        bool Horizontal = false;
        bool Vertical = false;
    };
    TScrollBars ScrollBarsAt(float percent) const;
    // The client area: the outer size less the strips of the visible scroll bars.
    int ClientWidth() const;
    int ClientHeight() const;

    // The inner widget that shows the picture (its position is the picture's place in the
    // client area); owners set its pointer shape.
    QWidget* Picture() const;

    // Events. Each is one optional handler, set by the owner.
    //
    // The zoom changed while rendering: the new percentage.
    std::function<void(TImageScrollBox& sender, float zoomPercent)> OnZoomChange;
    // Right before SaveToFile writes: the writer's copy of the image and its options.
    std::function<void(TImageScrollBox& sender, TDibGraphic& image, TJpegOptions& jpeg)>
        OnBeforeSave;
    // After every rendering, with the full-resolution image.
    std::function<void(const TDibGraphic& image)> OnRedraw;
    // A rubber band was completed: the selected part of the displayed picture and its
    // rectangle, both at the current zoom (the rectangle's width and height are the part's
    // size). The image lives only for the call; the owner copies what it keeps.
    std::function<void(TImageScrollBox& sender, const TDibGraphic& selection, const QRect& rect)>
        OnQuickSelect;
    // A click on the picture: the left button pressed and released at one point, in any
    // mouse mode.
    std::function<void(TImageScrollBox& sender)> OnClick;

    // Marks `rect` (in the coordinates of the displayed picture, as OnQuickSelect gives it)
    // with a dotted outline until the next rendering: a selection stays in sight after the
    // mouse has gone back to panning. Redraw removes it.
    void ShowOutline(const QRect& rect);
    // The rectangle marked; none after a rendering.
    const std::optional<QRect>& MarkedOutline() const { return MarkedOutline_; }

protected:
    bool event(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    friend class TImageScrollBoxPicture;

    void Render();
    // Sets ZoomPercent_ by the zoom mode, from the client area.
    void ComputeZoom();
    // Each scroll bar is needed exactly when the picture is wider (higher) than the client
    // area that remains with the bars shown.
    TScrollBars ScrollBarsFor(int width, int height) const;
    void SetScrollBarsShown(bool horizontal, bool vertical);
    // Nothing to show: no picture, no scroll bars.
    void ShowNothing();
    void PlacePicture();
    const TDibGraphic& SmoothedCopy();
    // Redraw from an event handler, where an exception must not escape into Qt: a picture
    // that cannot be rendered (no memory for the zoom asked for) is not shown.
    void RedrawFromEvent();
    int ScrollBarExtent(Qt::Orientation orientation) const;

    TDibGraphic Graphic_;
    TDibGraphic DisplayGraphic_;
    // DisplayGraphic_ converted once per rendering, for painting.
    QImage DisplayImage_;
    TMemoryReservation DisplayImageMemory_; // DisplayImage_'s pixels, charged to the budget
    // The smoothed grey version of a black-and-white Graphic_, made when first needed after
    // the image changed.
    TDibGraphic Smoothed_;
    bool SmoothedStale_ = true;
    // Reused for every rendering.
    TResizeTransform Resize_;
    TAntiAliasTransform Smoothing_;
    // A Redraw came while the view was hidden; showing it renders.
    bool RenderPending_ = false;

    QString FileName_;
    TZoomMode ZoomMode_ = zmOriginalSize;
    float ZoomPercent_ = 100.0f;
    bool AntiAliased_ = false;
    bool Centered_ = false;
    int MouseMode_ = mmPan;
    std::unique_ptr<TMouseHandler> MouseHandler_;

    std::optional<QRect> MarkedOutline_; // picture coordinates

    bool HorzBarShown_ = false;
    bool VertBarShown_ = false;
    // Where the picture sits in the client area while the scroll bars are at 0.
    int PictureLeft_ = 0;
    int PictureTop_ = 0;
    TImageScrollBoxPicture* Picture_ = nullptr;
};
