// karvin capture [full|window|client] [-o FILE]: one capture without the main window, as the
// hot key would take it with the current settings, written to a file.
// karvin trigger: asks the running Karvin to capture as on its PrintScreen hot key.
#pragma once

#include "app/command_usage.h"

// argv[0] is "capture". Exit code 0 with the path written on stdout; 1 when the screen
// cannot be read or the file cannot be written; 2 for a wrong command line.
int RunCaptureCommand(int argc, char** argv);
// argv[0] is "trigger". Exit code 0 when the running Karvin of this user took the request;
// 1, with the reason on stderr, when none did (none runs, or the socket is not this user's);
// 2 for a wrong command line.
int RunTriggerCommand(int argc, char** argv);
