// The program's icon: the window, the task bar and the tray show it.
#pragma once

#include <QIcon>

QIcon KarvinIcon();
