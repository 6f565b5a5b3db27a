// What the two selection windows share: lying over the whole screen, above every other window
// and out of the window manager's hands, with a picture of the screen as it was, the cross
// pointer and the keyboard and mouse to themselves.
#pragma once

#include "platform/screen.h"

#include <QImage>
#include <QRect>
#include <QString>

class QWidget;

// The whole screen as a true-colour picture; an empty picture of the screen's size, black,
// when the screen cannot be read.
QImage TakeScreenPicture(IScreen& screen);

// Makes `window` a borderless window over the whole screen that stays on top, with the cross
// pointer; the window manager does not place, frame or move it.
void MakeSelectionWindow(QWidget& window, IScreen& screen);

// Takes the keyboard and the mouse for the window once it is on the screen: Escape reaches it
// although the window manager never gives it the focus, and a window that comes up above it
// meanwhile cannot take the drag away. The mouse goes to `mouseTarget` (the window or the
// control that fills it). Call from the window's showEvent; ReleaseInput gives both back.
void TakeInputWhenShown(QWidget& window, QWidget& mouseTarget);
void ReleaseInput(QWidget& window, QWidget& mouseTarget);

// Stores the selected rectangle for the "With Repeat" methods ("repeat.dat"); the error's text
// when it cannot be written (the selection stands all the same), empty when it was.
QString StoreRepeatArea(const QRect& rect);
