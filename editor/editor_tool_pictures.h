// The small pictures of the editor's tool bar (16 x 16), drawn in code.
#pragma once

#include <QIcon>

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
};

inline constexpr QSize EditorPictureSize(16, 16);

QIcon EditorIcon(TEditorPicture picture);
