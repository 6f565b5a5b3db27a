// The user's folders that the desktop keeps for a purpose (desktop, start-up programs, the
// send-to entries, ...), numbered as the settings and the e-mail hand-off ask for them.
#pragma once

#include <QString>

// The folders by number: 0 the desktop and 9 the templates (as `xdg-user-dir` names them),
// 2 the user's fonts, 4 and 7 the user's application entries, 5 the folder of the recently
// used list, 6 the send-to entries (`${XDG_DATA_HOME:-~/.local/share}/karvin/sendto`),
// 8 the programs started with the session (`${XDG_CONFIG_HOME:-~/.config}/autostart`).
// 1 and 3 have no counterpart on this desktop and, like any other number, give an empty text.
// The paths end without a separator; the folders need not exist.
QString GetShellFolder(int index);

// The numbers that have a name of their own.
inline constexpr int ShellFolderSendTo = 6;
inline constexpr int ShellFolderStartup = 8;
