#include "platform/session.h"

#include "platform/x11_display.h"

#include <QString>
#include <QtGlobal>

bool IsWaylandSession() {
    return qEnvironmentVariable("XDG_SESSION_TYPE").compare("wayland", Qt::CaseInsensitive) == 0 ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

bool X11DisplayReachable() {
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
    return TX11CommandLineDisplay().Opened();
}
