// The start-up entry: a desktop entry "Karvin.desktop" in the user's autostart folder, which
// the desktop session reads at login and starts Karvin from. The settings record's
// StartWindows says whether it is there; the settings dialog makes and removes it.
#pragma once

#include <string>

// ${XDG_CONFIG_HOME:-~/.config}/autostart, without a trailing separator. XDG_CONFIG_HOME
// counts only when it is an absolute path, as the desktop's rules say.
std::string AutostartFolder();
// AutostartFolder() + "/Karvin.desktop".
std::string AutostartEntryPath();

// Whether the start-up entry is there (a regular file, or a link to one).
bool AutostartEntryExists();

// The text of the entry that starts `program`: an application named "Karvin" whose Exec line
// is the program's path, quoted and escaped by the desktop-entry rules where it needs that.
// Throws EFileError when `program` is not an absolute path that a desktop entry can hold
// (UTF-8, no control characters).
std::string AutostartEntryText(const std::string& program);

// Writes the entry for `program` (the running Karvin), replacing an earlier one, and creates
// the autostart folder when it is missing. Throws EFileError when `program` is no program
// file this user may run, or when the folder or the file cannot be written.
void WriteAutostartEntry(const std::string& program);
// Deletes the entry; one that is not there is no failure. Throws EFileError when it stays.
void DeleteAutostartEntry();
