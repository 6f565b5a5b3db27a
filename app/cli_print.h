// karvin print: prints image files in one of the page layouts, without the main window, to a
// printer or into a PDF file.
#pragma once

#include "app/command_usage.h"

// argv[0] is "print". Exit code 0 when every image was printed, 1 when an image could not be
// read, was too large for the layout, or the printer failed (the message says which), 2 for
// a wrong command line.
int RunPrintCommand(int argc, char** argv);
