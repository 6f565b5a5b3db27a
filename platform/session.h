// The desktop session Karvin runs in, as its environment tells it.
#pragma once

// True in a Wayland session (XDG_SESSION_TYPE is "wayland", or WAYLAND_DISPLAY is set).
// Karvin runs there as an X11 program through XWayland: its key grabs and screen grabs reach
// only the other X11 programs.
bool IsWaylandSession();

// Whether the program can reach an X11 display: DISPLAY is set and names a display that
// answers. Karvin's windows, hot keys and captures all need one.
bool X11DisplayReachable();
