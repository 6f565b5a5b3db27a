// The usage lines of the commands that the desktop program runs (they need the toolkit: the
// screen, the running Karvin, the printer). They live apart from the commands so that the
// front end lists them in "karvin --help" without linking any of it.
#pragma once

inline constexpr const char* CaptureCommandUsage =
    "karvin capture [full|window|client] [-o FILE]\n"
    "                                     capture the screen, the active window or its client\n"
    "                                     area once into FILE (default: the next picN here)";
inline constexpr const char* TriggerCommandUsage =
    "karvin trigger                capture in the running Karvin, as on PrintScreen";
inline constexpr const char* PrintCommandUsage =
    "karvin print [--layout LAYOUT] [--caption TEXT] [--printer NAME | --pdf FILE] IMAGE...\n"
    "                                     print images; LAYOUT is image (default),\n"
    "                                     caption-above, caption-below, date-above,\n"
    "                                     date-below, stretch, many or thumbnails";
