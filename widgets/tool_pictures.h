// The pictures of the main window's tool bar and of the list's "Saved" column, drawn in code
// so that they stay sharp and need no image files.
//
// Every tool picture comes in two sets: grey, as the buttons rest, and coloured, as the
// button under the pointer shows it (QIcon's Normal and Active modes; a flat tool button
// draws the Active picture while the pointer is over it).
#pragma once

#include <QIcon>
#include <QPixmap>

enum class TToolPicture { Save, Delete, Print, Email, Copy, Paste, Thumbnails, Editor, WebLink };

// The tool bar pictures are 50 x 48.
inline constexpr QSize ToolPictureSize(50, 48);

QIcon ToolIcon(TToolPicture picture);
// The coloured picture alone, and the grey one made from it.
QPixmap ColouredToolPicture(TToolPicture picture);
QPixmap GreyToolPicture(TToolPicture picture);

// The 16 x 16 diskette of a row whose image has been saved.
QPixmap SavedRowPicture();
// The blank 16 x 16 picture of a row whose image lies only in the working folder.
QPixmap UnsavedRowPicture();
