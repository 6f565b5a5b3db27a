#include "platform/sound.h"

#include <QApplication>

void TQtSound::Beep() {
    QApplication::beep();
}
