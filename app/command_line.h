// Commands given on the program's command line (karvin convert ..., karvin info ...).
// Each command parses its own arguments, prints errors to stderr and returns the exit code.
#pragma once

#include <optional>

struct TCommandLineCommand {
    const char* Name;
    const char* Usage;                 // one line, shown by "karvin --help"
    int (*Run)(int argc, char** argv); // argv[0] is the command name
};

// Runs the command named by argv[1]; nullopt when argv[1] names none (the program then
// starts as the tray application).
std::optional<int> RunCommandLine(int argc, char** argv);
