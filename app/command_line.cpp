#include "app/command_line.h"

#include "app/cli_image.h"
#include "app/cli_transform.h"
#include "app/command_usage.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

int PrintHelp(int argc, char** argv);
int PrintVersion(int, char**) {
    std::printf("karvin %s\n", KARVIN_VERSION);
    return 0;
}

// Keep "--help" first.
const TCommandLineCommand Commands[] = {
    {"--help", "karvin --help                 this list", PrintHelp},
    {"--version", "karvin --version              the program's version", PrintVersion},
    {"capture", CaptureCommandUsage, nullptr},
    {"trigger", TriggerCommandUsage, nullptr},
    {"transform", TransformCommandUsage, RunTransformCommand},
    {"print", PrintCommandUsage, nullptr},
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

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace

std::span<const TCommandLineCommand> CommandLineCommands() {
    return Commands;
}

std::optional<int> RunFrontEndCommand(int argc, char** argv) {
    if (argc < 2)
        return std::nullopt;
    if (std::strcmp(argv[1], "-h") == 0)
        return PrintHelp(argc - 1, argv + 1);
    for (const auto& command : Commands)
        if (command.Run && std::strcmp(argv[1], command.Name) == 0)
            return command.Run(argc - 1, argv + 1);
    return std::nullopt;
}

std::string DesktopProgramPath(const char* argv0) {
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self);
    std::string folder;
    if (length > 0 && std::size_t(length) < sizeof self)
        folder = FolderOf(std::string(self, std::size_t(length)));
    else if (argv0)
        folder = FolderOf(argv0);
    return folder.empty() ? std::string() : folder + DesktopProgramName;
}

int StartDesktopProgram(char** argv) {
    const std::string path = DesktopProgramPath(argv[0]);
    if (path.empty()) {
        std::fprintf(stderr, "karvin: cannot find the folder of the program to start %s\n",
                     DesktopProgramName);
        return 1;
    }
    execv(path.c_str(), argv);
    std::fprintf(stderr, "karvin: cannot start %s: %s\n", path.c_str(), std::strerror(errno));
    return 1;
}
