#include "platform/windows.h"

#include <array>

bool IsConsoleWindowClass(const QString& className) {
    static const std::array<QString, 17> Terminals = {
        "xterm",   "uxterm",         "urxvt",         "rxvt",       "gnome-terminal-server",
        "konsole", "xfce4-terminal", "mate-terminal", "lxterminal", "terminator",
        "tilix",   "alacritty",      "kitty",         "st",         "st-256color",
        "foot",    "wezterm-gui"};
    for (const QString& terminal : Terminals)
        if (className == terminal)
            return true;
    return false;
}
