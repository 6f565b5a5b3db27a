// The small pictures of the editor's tool bar (16 x 16), drawn in code.
#pragma once

#include <QIcon>

#include <cstdint>

enum class TEditorPicture {
    Open,
    Save,
    Print,
    Cut,
    Copy,
    PasteAsNew,
    Undo,
    Select,
    Crop,
    Grayscale,
    FlipVertical,
    FlipHorizontal,
    Info,
    Brightness,
    Contrast,
    Negative,
    Batch,
    Help,
    // The annotation tools.
    Pointer,
    Arrow,
    Line,
    Rectangle,
    FilledRectangle,
    Ellipse,
    FilledEllipse,
    Pen,
    Highlighter,
    Text,
    Step,
    Redact,
    Pixelate,
};

inline constexpr QSize EditorPictureSize(16, 16);

QIcon EditorIcon(TEditorPicture picture);
// A swatch of `color` (0x00RRGGBB) with a line of `width` pixels (at most 6 shown) under it:
// the colour and width the marks are drawn with.
QIcon MarkColorIcon(uint32_t color, int width);
