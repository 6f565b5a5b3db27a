// The program's command line. "karvin" is a small front end without the toolkit: it runs
// the image commands (convert, info, transform), --help and --version itself, and hands
// everything else (no arguments: the tray program; capture, trigger, print; the toolkit's
// own options; anything it does not know) to the desktop program installed beside it, by
// replacing itself with it: same process, same arguments, so signals, the single-instance
// lock and the session's end reach the tray program as they reach "karvin".
#pragma once

#include <optional>
#include <span>
#include <string>

struct TCommandLineCommand {
    const char* Name;
    const char* Usage;                 // shown by "karvin --help"
    int (*Run)(int argc, char** argv); // argv[0] is the command name; null: the desktop
                                       // program runs it
};

// Every command, in the order "karvin --help" lists them.
std::span<const TCommandLineCommand> CommandLineCommands();

// Runs argv[1] when it is a command of the front end (a non-null Run, or "-h"); nullopt when
// the desktop program is to take the command line.
std::optional<int> RunFrontEndCommand(int argc, char** argv);

// The desktop program's file name; it lives in the front end's folder.
inline constexpr const char* DesktopProgramName = "karvin-desktop";

// The desktop program beside the running executable (/proc/self/exe, else argv0 when it
// names a folder); empty when neither tells where that is.
std::string DesktopProgramPath(const char* argv0);

// Replaces the process with the desktop program, argv unchanged. Returns only when that
// failed, having said why on stderr, with the exit code to end with.
int StartDesktopProgram(char** argv);
