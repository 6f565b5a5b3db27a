#include "platform/windows.h"

#include <gtest/gtest.h>

TEST(IsConsoleWindowClass, KnowsTheTerminalEmulatorsByExactClass) {
    for (const char* terminal :
         {"xterm", "uxterm", "urxvt", "rxvt", "gnome-terminal-server", "konsole", "xfce4-terminal",
          "mate-terminal", "lxterminal", "terminator", "tilix", "alacritty", "kitty", "st",
          "st-256color", "foot", "wezterm-gui"})
        EXPECT_TRUE(IsConsoleWindowClass(terminal)) << terminal;
    for (const char* other : {"", "XTerm", "xterm2", "sterm", "chromium", "gnome-terminal"})
        EXPECT_FALSE(IsConsoleWindowClass(other)) << other;
}
