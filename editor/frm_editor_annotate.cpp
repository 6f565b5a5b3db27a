// The editor's Annotate menu and tool bar: the marks drawn over the image (arrows, lines,
// boxes, ellipses, freehand strokes, highlighter, text, numbered steps) and the two
// redactions. The layer over the picture collects the mouse's gesture and shows its preview;
// here the finished gesture becomes a mark, drawn into the image at the image's own
// resolution as one undo step.
#include "editor/editor_tool_pictures.h"
#include "editor/frm_editor.h"

#include "imaging/annotation.h"
#include "widgets/image_scroll_box.h"

#include <QAction>
#include <QActionGroup>
#include <QColorDialog>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <cmath>

// The settings file and the drawing accept the same ranges.
static_assert(TAnnotateSettings::MinWidth == MinMarkWidth &&
              TAnnotateSettings::MaxWidth == MaxMarkWidth);
static_assert(TAnnotateSettings::MinFontSize == MinMarkFontSize &&
              TAnnotateSettings::MaxFontSize == MaxMarkFontSize);

namespace {

struct TToolEntry {
    TAnnotateTool Tool;
    const char* Caption; // the menu's
    const char* Button;  // the tool button's name
    const char* Hint;
    TEditorPicture Picture;
};

const TToolEntry ToolEntries[] = {
    {TAnnotateTool::Pointer, "&Pointer", "tbPointer", "Pointer (Pan and Select)",
     TEditorPicture::Pointer},
    {TAnnotateTool::Arrow, "&Arrow", "tbArrow", "Arrow", TEditorPicture::Arrow},
    {TAnnotateTool::Line, "&Line", "tbLine", "Line", TEditorPicture::Line},
    {TAnnotateTool::Rectangle, "&Rectangle", "tbRectangle", "Rectangle", TEditorPicture::Rectangle},
    {TAnnotateTool::FilledRectangle, "F&illed Rectangle", "tbFilledRectangle", "Filled Rectangle",
     TEditorPicture::FilledRectangle},
    {TAnnotateTool::Ellipse, "&Ellipse", "tbEllipse", "Ellipse", TEditorPicture::Ellipse},
    {TAnnotateTool::FilledEllipse, "Fille&d Ellipse", "tbFilledEllipse", "Filled Ellipse",
     TEditorPicture::FilledEllipse},
    {TAnnotateTool::Pen, "Pe&n", "tbPen", "Pen", TEditorPicture::Pen},
    {TAnnotateTool::Highlighter, "&Highlighter", "tbHighlighter", "Highlighter",
     TEditorPicture::Highlighter},
    {TAnnotateTool::Text, "&Text", "tbText", "Text", TEditorPicture::Text},
    {TAnnotateTool::Step, "Numbered &Steps", "tbStep", "Numbered Steps", TEditorPicture::Step},
    {TAnnotateTool::Redact, "Redact (&Black Box)", "tbRedact", "Redact (Black Box)",
     TEditorPicture::Redact},
    {TAnnotateTool::Pixelate, "Pi&xelate", "tbPixelate", "Pixelate", TEditorPicture::Pixelate},
};
static_assert(std::size(ToolEntries) == TfrmEditor::AnnotateToolCount);

// A whole number from `lowest` to `highest` as typed, or nullopt.
std::optional<int> WholeNumber(const QString& text, int lowest, int highest) {
    bool number = false;
    const int value = QLocale::c().toInt(text.trimmed(), &number);
    if (!number || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

TMarkPoint Centre(const QPoint& pixel) {
    return {pixel.x() + 0.5, pixel.y() + 0.5};
}

} // namespace

void TfrmEditor::BuildAnnotateMenu() {
    QMenu* annotate = MainMenu->addMenu("&Annotate");
    auto* tools = new QActionGroup(this);
    tools->setExclusive(true);
    for (const TToolEntry& entry : ToolEntries) {
        QAction* item = annotate->addAction(entry.Caption);
        item->setObjectName(entry.Button);
        item->setCheckable(true);
        item->setActionGroup(tools);
        item->setToolTip(entry.Hint);
        item->setIcon(EditorIcon(entry.Picture));
        item->setIconVisibleInMenu(false); // the check shows the tool chosen
        const TAnnotateTool tool = entry.Tool;
        connect(item, &QAction::triggered, this, [this, tool] { ChooseAnnotateTool(tool); });
        AnnotateTools[std::size_t(tool)] = item;
        if (tool == TAnnotateTool::Pointer)
            annotate->addSeparator();
    }
    annotate->addSeparator();
    annotate->addAction("&Color...", this, &TfrmEditor::MarkColor1Click);
    annotate->addAction("Line &Width...", this, &TfrmEditor::MarkWidth1Click);
    annotate->addAction("Font Si&ze...", this, &TfrmEditor::MarkFontSize1Click);
}

void TfrmEditor::BuildAnnotateBar() {
    AnnotateBar = new QToolBar(this);
    AnnotateBar->setObjectName("AnnotateBar");
    AnnotateBar->setMovable(false);
    AnnotateBar->setFloatable(false);
    AnnotateBar->setContextMenuPolicy(Qt::PreventContextMenu);
    AnnotateBar->setIconSize(EditorPictureSize);
    AnnotateBar->setFixedHeight(26);
    AnnotateBar->setContentsMargins(0, 0, 0, 0);
    const auto addButton = [this](const char* name) {
        auto* button = new QToolButton(AnnotateBar);
        button->setObjectName(name);
        button->setIconSize(EditorPictureSize);
        button->setFixedSize(23, 22);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        AnnotateBar->addWidget(button);
        return button;
    };
    for (const TToolEntry& entry : ToolEntries) {
        // The button shows its entry's check: the tool chosen stays pressed.
        addButton(entry.Button)->setDefaultAction(AnnotateTools[std::size_t(entry.Tool)]);
        if (entry.Tool == TAnnotateTool::Pointer)
            AnnotateBar->addSeparator();
    }
    AnnotateBar->addSeparator();
    tbMarkColor = addButton("tbMarkColor");
    tbMarkColor->setToolTip("Color of the Marks");
    connect(tbMarkColor, &QToolButton::clicked, this, &TfrmEditor::MarkColor1Click);
}

TAnnotateTool TfrmEditor::AnnotateTool() const {
    return AnnotateLayer->Tool();
}

void TfrmEditor::ChooseAnnotateTool(TAnnotateTool tool) {
    AnnotateTools[std::size_t(tool)]->setChecked(true);
    if (tool == AnnotateLayer->Tool())
        return;
    if (tool == TAnnotateTool::Pointer) {
        editImage->SetMouseMode(TImageScrollBox::mmPan);
    } else {
        // The layer takes the mouse: a selection in progress ends.
        SelectTimer->stop();
        if (SelectionActive) {
            EndSelection();
            Redraw();
        }
        editImage->SetMouseMode(TImageScrollBox::mmNone);
    }
    AnnotateLayer->SetTool(tool);
}

TAnnotateLook TfrmEditor::MarkLook(TAnnotateTool tool) const {
    const double zoom = editImage->Graphic().Width() > 0
                            ? double(editImage->Picture()->width()) / editImage->Graphic().Width()
                            : 1.0;
    TAnnotateLook look;
    look.Color = tool == TAnnotateTool::Redact ? QColor(Qt::black)
                                               : QColor::fromRgb(QRgb(0xFF000000u | Marks.Color));
    look.Width = MarkWidth(tool) * zoom;
    look.Zoom = zoom;
    return look;
}

int TfrmEditor::MarkWidth(TAnnotateTool tool) const {
    // The highlighter's stroke is three times as broad as the lines.
    return tool == TAnnotateTool::Highlighter ? 3 * Marks.Width : Marks.Width;
}

void TfrmEditor::editImageGesture(const TAnnotateGesture& gesture) {
    const QWidget* picture = editImage->Picture();
    if (!HasImage() || gesture.Points.empty() || picture->width() <= 0 || picture->height() <= 0)
        return;
    // Each position becomes the image pixel under it, whatever the zoom.
    const double scaleX = double(Image().Width()) / picture->width();
    const double scaleY = double(Image().Height()) / picture->height();
    std::vector<QPoint> pixels;
    for (const QPointF& point : gesture.Points) {
        const QPoint pixel(int(std::floor(point.x() * scaleX)),
                           int(std::floor(point.y() * scaleY)));
        if (pixels.empty() || pixels.back() != pixel)
            pixels.push_back(pixel);
    }
    const QPoint first = pixels.front(), last = pixels.back();
    const bool noArea = first.x() == last.x() || first.y() == last.y();

    TMark mark;
    mark.Color = Marks.Color;
    mark.Width = Marks.Width;
    mark.FontSize = Marks.FontSize;
    // Strokes run through the centres of the pixels; boxes (with an outline inside them) cover
    // both end pixels whole.
    const auto cover = [&] {
        mark.Points = {
            {double(std::min(first.x(), last.x())), double(std::min(first.y(), last.y()))},
            {double(std::max(first.x(), last.x()) + 1), double(std::max(first.y(), last.y()) + 1)}};
    };
    switch (gesture.Tool) {
    case TAnnotateTool::Pointer:
        return;
    case TAnnotateTool::Arrow:
    case TAnnotateTool::Line:
        if (first == last)
            return;
        mark.Kind = gesture.Tool == TAnnotateTool::Arrow ? TMarkKind::Arrow : TMarkKind::Line;
        mark.Points = {Centre(first), Centre(last)};
        break;
    case TAnnotateTool::Rectangle:
    case TAnnotateTool::Ellipse:
        if (noArea)
            return;
        mark.Kind =
            gesture.Tool == TAnnotateTool::Rectangle ? TMarkKind::Rectangle : TMarkKind::Ellipse;
        cover();
        break;
    case TAnnotateTool::FilledRectangle:
    case TAnnotateTool::FilledEllipse:
        if (noArea)
            return;
        mark.Kind = gesture.Tool == TAnnotateTool::FilledRectangle ? TMarkKind::Rectangle
                                                                   : TMarkKind::Ellipse;
        mark.Filled = true;
        cover();
        break;
    case TAnnotateTool::Redact:
    case TAnnotateTool::Pixelate:
        if (noArea)
            return;
        mark.Kind = gesture.Tool == TAnnotateTool::Redact ? TMarkKind::Redact : TMarkKind::Pixelate;
        mark.Color = 0x000000;
        mark.Block = MinPixelateBlock;
        cover();
        break;
    case TAnnotateTool::Pen:
    case TAnnotateTool::Highlighter:
        if (pixels.size() < 2)
            return;
        mark.Kind = gesture.Tool == TAnnotateTool::Pen ? TMarkKind::Pen : TMarkKind::Highlighter;
        for (const QPoint& pixel : pixels)
            mark.Points.push_back(Centre(pixel));
        break;
    case TAnnotateTool::Text: {
        const std::optional<QString> text = Services.Dialogs.InputBox(this, "Text", "Text:", "");
        if (!text || text->trimmed().isEmpty())
            return;
        mark.Kind = TMarkKind::Text;
        mark.Text = text->toStdString();
        mark.Points = {{double(first.x()), double(first.y())}};
        break;
    }
    case TAnnotateTool::Step:
        mark.Kind = TMarkKind::Step;
        mark.Text = std::to_string(NextStep_);
        mark.Points = {Centre(first)};
        // The undo step keeps the number as it was before this marker.
        if (AddMark(mark))
            ++NextStep_;
        return;
    }
    AddMark(mark);
}

bool TfrmEditor::AddMark(const TMark& mark) {
    bool drawn = false;
    Run([&] {
        PushUndo();
        drawn = DrawMark(Image(), mark);
        if (!drawn)
            return; // nothing covered: the image is as it was, and no step is counted
        Redraw();
        CountUndoStep();
        ShowStatusText();
    });
    return drawn;
}

void TfrmEditor::NewImageShown() {
    NextStep_ = 1;
    AnnotateLayer->Cancel();
}

// The colour, width and font size.

void TfrmEditor::MarkColor1Click() {
    QColorDialog dialog(QColor::fromRgb(QRgb(0xFF000000u | Marks.Color)), this);
    dialog.setObjectName("MarkColorDialog");
    dialog.setWindowTitle("Color of the Marks");
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (Services.Dialogs.ExecModal(dialog) != QDialog::Accepted)
        return;
    const QColor chosen = dialog.selectedColor();
    if (!chosen.isValid())
        return;
    Marks.Color = uint32_t(chosen.rgb() & 0xFFFFFF);
    SaveMarkSettings();
}

void TfrmEditor::MarkWidth1Click() {
    const std::optional<QString> text = Services.Dialogs.InputBox(
        this, "Line Width",
        QString("Line width in pixels (%1 to %2):").arg(MinMarkWidth).arg(MaxMarkWidth),
        QString::number(Marks.Width));
    if (!text)
        return;
    const std::optional<int> width = WholeNumber(*text, MinMarkWidth, MaxMarkWidth);
    if (!width) {
        ReportError(Services.Dialogs, this,
                    QString("'%1' is not a whole number from %2 to %3")
                        .arg(*text)
                        .arg(MinMarkWidth)
                        .arg(MaxMarkWidth));
        return;
    }
    Marks.Width = *width;
    SaveMarkSettings();
}

void TfrmEditor::MarkFontSize1Click() {
    const std::optional<QString> text = Services.Dialogs.InputBox(
        this, "Font Size",
        QString("Font size in pixels (%1 to %2):").arg(MinMarkFontSize).arg(MaxMarkFontSize),
        QString::number(Marks.FontSize));
    if (!text)
        return;
    const std::optional<int> size = WholeNumber(*text, MinMarkFontSize, MaxMarkFontSize);
    if (!size) {
        ReportError(Services.Dialogs, this,
                    QString("'%1' is not a whole number from %2 to %3")
                        .arg(*text)
                        .arg(MinMarkFontSize)
                        .arg(MaxMarkFontSize));
        return;
    }
    Marks.FontSize = *size;
    SaveMarkSettings();
}

void TfrmEditor::SaveMarkSettings() {
    ShowMarkColor();
    // The choice holds for this session even when the file cannot be written.
    Run([&] { WriteAnnotateSettings(Marks); });
}

void TfrmEditor::ShowMarkColor() {
    tbMarkColor->setIcon(MarkColorIcon(Marks.Color, Marks.Width));
}
