// The desktop program's command line: every command of "karvin --help", the front end's own
// included, so that the desktop program started by hand behaves as "karvin" does.
#pragma once

#include <optional>

// Runs the command named by argv[1]; nullopt when argv[1] names none (no arguments, or the
// toolkit's own options): the program then starts as the tray application.
std::optional<int> RunCommandLine(int argc, char** argv);
