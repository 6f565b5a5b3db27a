// The wait (hourglass) pointer for as long as the object lives, also when an error leaves
// early.
#pragma once

#include <QApplication>

class TWaitPointer {
public:
    TWaitPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitPointer() { QApplication::restoreOverrideCursor(); }
    TWaitPointer(const TWaitPointer&) = delete;
    TWaitPointer& operator=(const TWaitPointer&) = delete;
};
