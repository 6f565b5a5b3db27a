// The working folder: the one private folder that holds the settings files, the captures of
// the current run and the scratch files of several features, and the naming rules for the
// files the program creates there and in folders the user chooses.
//
// The folder is ${XDG_CACHE_HOME:-$HOME/.cache}/karvin. It survives between runs (the settings
// live in it); the captures of a run are deleted at exit. Every file is written under its
// lower-case name and every lookup of a name matches without regard to letter case.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

// The user's cache folder, ending in "/": $XDG_CACHE_HOME when it is an absolute path, else
// $HOME/.cache, else the home folder of the password database + "/.cache".
std::string TempFolder();
// TempFolder() + "karvin", without a trailing separator.
std::string WorkFolder();
// The user's home folder, without a trailing separator ("/" for the root). Stands in for the
// drive root that settings offer when nothing was chosen yet.
std::string HomeFolder();

// Creates the working folder when it is missing (mode 0700, with the cache folder above it),
// makes sure it is a real folder owned by this user and sets an existing one to 0700. Throws
// EFileError with a text for the user when it cannot be created, is a symbolic link, belongs
// to someone else or cannot be made private. Files written into it are created 0600
// (base/file_replacement.h).
void EnsureWorkFolder();

// Creates every missing folder of the absolute path `path`, each with mode 0700, as the
// desktop's rules ask for the user's cache and configuration folders. Throws EFileError.
void MakeFolders(const std::string& path);

// The path of the working-folder file `name`: the existing entry whose name matches without
// regard to case, else WorkFolder() + "/" + the lower-case name (the name new files get).
// Throws EFileError when the working folder exists but is refused (see EnsureWorkFolder), so
// that nothing is ever read from or written into a folder that is not ours.
std::string WorkPath(const std::string& name);

// True when `path` names a file directly inside the working folder (compared without regard
// to case): such a capture has not been saved anywhere else yet.
bool IsInWorkFolder(const std::string& path);

// The fifteen settings files, which the clean-up at exit keeps.
inline constexpr std::array<std::string_view, 15> SettingsFileNames = {
    "karvin.cfg",   "jpeg.cfg",    "defmail.dat",    "duridozezed.dat", "lastsave.dat",
    "zoommode.dat", "repeat.dat",  "thumbview.dat",  "smtp.dat",        "editor.dat",
    "mapi.dat",     "urlpath.dat", "smtpselect.dat", "quality.dat",     "dospath.dat"};
bool IsSettingsFileName(std::string_view lowerCaseName);

// The extensions of the seven capture formats.
inline constexpr std::array<std::string_view, 7> ImageExtensions = {".bmp", ".gif", ".jpg", ".pcx",
                                                                    ".png", ".tga", ".tif"};

// The first free name folder + "/pic" + N + extension (N = 1, 2, 3, ...), the file name part in
// lower case; `folder` is given without a trailing separator, `extension` with its dot, in any
// case. A name is free when no entry of the folder has it, compared without regard to case, so
// a new capture never lands beside a file that differs from it only in case.
std::string NextImageName(const std::string& folder, const std::string& extension);
// The first free name folder + "/dostext" + N + ".txt", found the same way.
std::string NextConsoleTextName(const std::string& folder);

// The scans of the working folder look only at counted entries: regular files (not symbolic
// links, not folders) whose name does not start with "." and that the user may write. A file
// the user made read-only is thereby neither listed nor deleted. A missing, unreadable or
// refused folder holds nothing.

// The scratch files of the program's own steps, which are never captures: the preview and
// transfer images "del" + N + extension ("del1.jpg", "del1.bmp"), the pieces and the result of
// a scrolled capture ("scr" + N + ".bmp", "big.bmp"), the console text being rendered
// ("texttemp.txt"), the mailer's attachment list ("attach.dat") and the link store's scratch
// copy ("tmppath.dat"). `lowerCaseName` is a file name in lower case.
bool IsScratchFileName(std::string_view lowerCaseName);

// Paths of the image files that an earlier run left in the working folder, each as
// WorkFolder() + "/" + its lower-case name, in natural name order: numbers inside names are
// compared by their value, so pic2 comes before pic10. Scratch files are never listed. A file
// whose name is not in lower case is renamed to it first, so that the path names the file;
// when a file of the lower-case name exists already, it keeps its own name.
std::vector<std::string> ListLeftoverImages();
// True when the working folder holds a counted entry that is neither a settings file nor
// "maillog" (a mailer's log alone is no capture).
bool HasWorkImages();
// Deletes every counted entry of the working folder except the settings files. Failures are
// ignored; nothing outside the folder is touched and no symbolic link is followed.
void CleanWorkFolder();
// Deletes the scratch files and the temporary files of writes cut short, and nothing else:
// the clean-up when the session ends the program, which keeps the captures for the next start.
// Failures are ignored, as in CleanWorkFolder.
void RemoveScratchFiles();
