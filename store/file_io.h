// Whole-file reads and writes for the small text and binary files the program keeps.
//
// Files are written to a temporary file in the same folder and renamed over the old one, so
// a crash or a full disk leaves either the old file or the new one, never half of one. The
// permissions follow base/file_replacement.h: an existing file keeps its own, a link stays a
// link, a new file in the working folder is 0600 and elsewhere 0666 less the umask.
// Errors carry the system's error text.
#pragma once

#include "base/file_error.h"
#include "base/temporary_file.h" // RenameNoReplace

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Replaces `path` with `content` through a temporary file and a rename; when `path` is a
// symbolic link (outside the working folder), the file it points to. Throws EFileError.
void WriteWholeFile(const std::string& path, std::string_view content);
// The whole file, or nullopt when it does not exist or cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);
// The same for a file that another program may have written: nullopt also when it holds more
// than `largest` bytes, which are then not read.
std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t largest);

// Text files: lines ended by CR LF. Reading also accepts a bare LF or a last line without
// an end; the line ends are not part of the lines.
std::vector<std::string> SplitLines(std::string_view text);
std::string JoinCrLfLines(const std::vector<std::string>& lines);
void WriteTextLines(const std::string& path, const std::vector<std::string>& lines);
// nullopt when the file does not exist or cannot be read.
std::optional<std::vector<std::string>> ReadTextLines(const std::string& path);

// Copies `source` byte for byte to `target` and returns true; returns false, having written
// nothing, when an entry named `target` exists already. The bytes go to a temporary file
// beside `target`, which takes the name only once it is complete and only if the name is
// still free, so a failure (a source that cannot be read, a full disk) leaves nothing under
// `target` and a file that appeared there meanwhile is never overwritten. Throws EFileError.
bool CopyFileNoReplace(const std::string& source, const std::string& target);

bool FileExists(const std::string& path); // a regular file (symlinks followed)
// An absolute path to a regular file (symlinks followed) that this user may run.
bool IsRunnableProgram(const std::string& path);
// Whether `text` can stand as a path on a line of a settings file or of a desktop entry:
// valid UTF-8 without control characters, at most PATH_MAX bytes.
bool IsCleanPathText(std::string_view text);
bool DirectoryExists(const std::string& path);
// Deletes a file; false when it could not (which callers usually ignore).
bool DeleteFile(const std::string& path);

// Names in the working folder are matched without regard to letter case: the path of the
// entry of `folder` whose name equals `name` ignoring ASCII case, preferring an exact match;
// folder + "/" + lower-cased name when there is none (the name a new file is written under).
std::string FindFileNoCase(const std::string& folder, const std::string& name);

std::string AsciiLower(std::string text);
std::string AsciiUpper(std::string text);
