#include "app/desktop_command_line.h"

#include "app/cli_capture.h"
#include "app/cli_print.h"
#include "app/command_line.h"

#include <cstdio>
#include <cstring>

namespace {

// The commands the front end hands over; "karvin --help" lists them (app/command_line.cpp).
struct TDesktopCommand {
    const char* Name;
    int (*Run)(int argc, char** argv);
};
const TDesktopCommand DesktopCommands[] = {
    {"capture", RunCaptureCommand},
    {"trigger", RunTriggerCommand},
    {"print", RunPrintCommand},
};

} // namespace

std::optional<int> RunCommandLine(int argc, char** argv) {
    if (argc < 2)
        return std::nullopt;
    if (auto exitCode = RunFrontEndCommand(argc, argv))
        return exitCode;
    for (const auto& command : DesktopCommands)
        if (std::strcmp(argv[1], command.Name) == 0)
            return command.Run(argc - 1, argv + 1);
    // Qt's own options (-platform, -display ...) start with a dash and belong to the program.
    if (argv[1][0] == '-')
        return std::nullopt;
    std::fprintf(stderr, "karvin: unknown command \"%s\"; see karvin --help\n", argv[1]);
    return 2;
}
