// The editor's annotation tools and the transparent layer over its picture that takes the
// mouse while one of them is chosen. The layer only collects the gesture and paints its
// preview over the view; the image itself changes once the gesture is finished, when the
// editor draws the mark (editor/frm_editor_annotate.cpp).
#pragma once

#include <QColor>
#include <QPointF>
#include <QWidget>

#include <functional>
#include <vector>

enum class TAnnotateTool {
    Pointer, // no tool: the mouse pans and selects as usual
    Arrow,
    Line,
    Rectangle,
    FilledRectangle,
    Ellipse,
    FilledEllipse,
    Pen,
    Highlighter,
    Text, // a click
    Step, // a click
    Redact,
    Pixelate,
};

// Tools placed by a click rather than drawn by a drag.
inline bool IsClickTool(TAnnotateTool tool) {
    return tool == TAnnotateTool::Text || tool == TAnnotateTool::Step;
}
// Tools that draw a path of every position the mouse passes.
inline bool IsPathTool(TAnnotateTool tool) {
    return tool == TAnnotateTool::Pen || tool == TAnnotateTool::Highlighter;
}

// A finished gesture: the positions in the coordinates of the picture as shown (at the view's
// zoom). Two points (press, release) for the drag tools, one for the click tools, the whole
// path for the pen and the highlighter.
struct TAnnotateGesture {
    TAnnotateTool Tool = TAnnotateTool::Pointer;
    std::vector<QPointF> Points;
};

// How the preview looks, in the picture's pixels.
struct TAnnotateLook {
    QColor Color;
    double Width = 1;
    double Zoom = 1; // picture pixels per image pixel
};

class TAnnotateLayer : public QWidget {
public:
    // Lies over `picture`, the view's inner picture widget, and follows its size.
    explicit TAnnotateLayer(QWidget* picture);

    TAnnotateTool Tool() const { return Tool_; }
    // Pointer hides the layer, so that the view takes the mouse again; a mark in progress
    // is cancelled.
    void SetTool(TAnnotateTool tool);

    // A mark is being dragged.
    bool Busy() const { return !Points_.empty(); }
    // Forgets the mark in progress and its preview.
    void Cancel();
    // The positions of the mark in progress (picture coordinates).
    const std::vector<QPointF>& Points() const { return Points_; }

    // Asked while the preview is painted.
    std::function<TAnnotateLook(TAnnotateTool tool)> Look;
    // The left button was released: the gesture is finished. The preview is gone by then.
    std::function<void(const TAnnotateGesture& gesture)> OnFinished;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    TAnnotateTool Tool_ = TAnnotateTool::Pointer;
    std::vector<QPointF> Points_;
};
