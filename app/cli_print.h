// karvin print: prints image files in one of the page layouts, without the main window, to a
// printer or into a PDF file.
#pragma once

// argv[0] is "print". Exit code 0 when every image was printed, 1 when an image could not be
// read, was too large for the layout, or the printer failed (the message says which), 2 for
// a wrong command line.
int RunPrintCommand(int argc, char** argv);

inline constexpr const char* PrintCommandUsage =
    "karvin print [--layout LAYOUT] [--caption TEXT] [--printer NAME | --pdf FILE] IMAGE...\n"
    "                                     print images; LAYOUT is image (default),\n"
    "                                     caption-above, caption-below, date-above,\n"
    "                                     date-below, stretch, many or thumbnails";
