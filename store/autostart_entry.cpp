#include "store/autostart_entry.h"

#include "store/file_io.h"
#include "store/work_folder.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace {

constexpr const char* EntryName = "Karvin.desktop";

// Characters after which an Exec argument must be quoted, by the desktop-entry rules.
constexpr std::string_view ReservedInExec = " \t\n\"'\\><~|&;$*?#()`";

// One Exec argument. Inside double quotes, ", `, $ and \ take a backslash; the key file's own
// escaping then doubles every backslash, so a literal backslash ends up as four. A literal %
// is %% whether quoted or not: a single one would be read as a field code.
std::string ExecArgument(const std::string& argument) {
    std::string quoted;
    const bool needsQuotes = argument.find_first_of(ReservedInExec) != std::string::npos;
    for (const char c : argument) {
        if (c == '%') {
            quoted += "%%";
            continue;
        }
        if (needsQuotes && (c == '"' || c == '`' || c == '$' || c == '\\'))
            quoted += "\\\\";
        quoted += c == '\\' ? std::string("\\\\") : std::string(1, c);
    }
    return needsQuotes ? "\"" + quoted + "\"" : quoted;
}

// The path as a message may show it: control characters as "?".
std::string Shown(const std::string& path) {
    std::string shown = path;
    for (char& c : shown)
        if (uint8_t(c) < 0x20 || c == 0x7F)
            c = '?';
    return shown;
}

} // namespace

std::string AutostartFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string folder =
        config != nullptr && config[0] == '/' ? std::string(config) : HomeFolder() + "/.config";
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return (folder == "/" ? std::string() : folder) + "/autostart";
}

std::string AutostartEntryPath() {
    return AutostartFolder() + "/" + EntryName;
}

bool AutostartEntryExists() {
    return FileExists(AutostartEntryPath());
}

std::string AutostartEntryText(const std::string& program) {
    if (program.empty() || program.front() != '/' || !IsCleanPathText(program))
        throw EFileError("Karvin cannot start with the desktop from \"" + Shown(program) +
                         "\": a start-up entry needs the full path of the program, in UTF-8 "
                         "and without control characters.");
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Exec=" +
           ExecArgument(program) +
           "\n"
           "Name=Karvin\n"
           "Comment=Karvin\n";
}

void WriteAutostartEntry(const std::string& program) {
    const std::string text = AutostartEntryText(program);
    // The entry must start the program that wrote it, not a name that goes nowhere at login.
    if (!IsRunnableProgram(program))
        throw EFileError("Karvin cannot start with the desktop from \"" + program +
                         "\": that is no program file you may run.");
    MakeFolders(AutostartFolder());
    WriteWholeFile(AutostartEntryPath(), text);
}

void DeleteAutostartEntry() {
    const std::string path = AutostartEntryPath();
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        throw EFileError(SystemErrorText("Cannot delete file", path));
}
