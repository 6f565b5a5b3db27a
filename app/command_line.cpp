#include "app/command_line.h"

#include "app/cli_capture.h"
#include "app/cli_image.h"
#include "app/cli_print.h"
#include "app/cli_transform.h"

#include <cstdio>
#include <cstring>

namespace {

int PrintHelp(int argc, char** argv);
int PrintVersion(int, char**) {
    std::printf("karvin %s\n", KARVIN_VERSION);
    return 0;
}

// Every command of the command line. Keep "--help" first.
const TCommandLineCommand Commands[] = {
    {"--help", "karvin --help                 this list", PrintHelp},
    {"--version", "karvin --version              the program's version", PrintVersion},
    {"capture", CaptureCommandUsage, RunCaptureCommand},
    {"trigger", TriggerCommandUsage, RunTriggerCommand},
    {"transform", TransformCommandUsage, RunTransformCommand},
    {"print", PrintCommandUsage, RunPrintCommand},
    {"convert",
     "karvin convert SRC DST [--quality N] [--progressive]\n"
     "                                     write SRC in the format of DST's extension\n"
     "       karvin convert SRC... DIR --format EXT [--quality N] [--progressive] [--overwrite]\n"
     "                                     write each SRC into DIR as NAME.EXT, several at once",
     RunConvertCommand},
    {"info", "karvin info FILE              size, pixel format and resolution of an image",
     RunInfoCommand},
};

int PrintHelp(int, char**) {
    std::printf("Usage: karvin                 start the capture program (tray)\n");
    for (const auto& command : Commands)
        std::printf("       %s\n", command.Usage);
    return 0;
}

} // namespace

std::optional<int> RunCommandLine(int argc, char** argv) {
    if (argc < 2)
        return std::nullopt;
    for (const auto& command : Commands)
        if (std::strcmp(argv[1], command.Name) == 0)
            return command.Run(argc - 1, argv + 1);
    if (std::strcmp(argv[1], "-h") == 0)
        return PrintHelp(argc - 1, argv + 1);
    // Qt's own options (-platform, -display ...) start with a dash and belong to the program.
    if (argv[1][0] == '-')
        return std::nullopt;
    std::fprintf(stderr, "karvin: unknown command \"%s\"; see karvin --help\n", argv[1]);
    return 2;
}
