#include "store/work_folder.h"

#include "base/file_descriptor.h"
#include "base/file_replacement.h"
#include "base/temporary_file.h"
#include "store/file_io.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsAbsolute(const char* path) {
    return path != nullptr && path[0] == '/';
}

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

std::string ForeignFolderText(const std::string& folder) {
    return "The working folder \"" + folder +
           "\" belongs to another user. Karvin keeps its files only in a folder of its own; "
           "remove that folder and start Karvin again.";
}

// Throws when the working folder exists but is not a real folder of this user; false when it
// does not exist.
bool CheckWorkFolder(const std::string& folder) {
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) {
        if (errno == ENOENT)
            return false;
        throw EFileError("Cannot use the working folder \"" + folder +
                         "\": " + std::strerror(errno));
    }
    if (S_ISLNK(info.st_mode))
        throw EFileError("The working folder \"" + folder +
                         "\" is a symbolic link. Karvin keeps its files only in a real folder "
                         "of its own; remove the link and start Karvin again.");
    if (!S_ISDIR(info.st_mode))
        throw EFileError("The working folder \"" + folder +
                         "\" is not a folder. Remove that file and start Karvin again.");
    if (info.st_uid != ::geteuid())
        throw EFileError(ForeignFolderText(folder));
    // The files written into it are the user's alone (base/file_replacement.h).
    SetPrivateFolder(folder);
    return true;
}

// Opens the working folder for a scan without following a symbolic link; -1 when the folder
// is missing, unreadable or not this user's.
int OpenWorkFolder() {
    const int fd = ::open(WorkFolder().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_uid != ::geteuid()) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Every name in the folder, in enumeration order, "." and ".." left out. The names are read
// in full before anything is renamed or deleted, so that changes cannot upset the walk.
std::vector<std::string> FolderNames(int folderFd) {
    std::vector<std::string> names;
    const int fd = ::dup(folderFd);
    if (fd < 0)
        return names;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return names;
    }
    // The duplicate shares its read position with the folder's descriptor, which an earlier
    // walk left at the end.
    ::rewinddir(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

// Takes group and others off a file of ours in the open folder; anything else (a link, a
// folder, someone else's file) is left as it is.
void MakeFilePrivate(int folderFd, const std::string& name) {
    struct stat before {};
    if (::fstatat(folderFd, name.c_str(), &before, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(before.st_mode) || before.st_uid != ::geteuid() ||
        (before.st_mode & (S_IRWXG | S_IRWXO)) == 0)
        return;
    const TFileDescriptor file(::openat(folderFd, name.c_str(),
                                        O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat opened {};
    // Still the file looked at: nothing was put in its place meanwhile.
    if (file.Fd >= 0 && ::fstat(file.Fd, &opened) == 0 && opened.st_ino == before.st_ino &&
        opened.st_dev == before.st_dev)
        ::fchmod(file.Fd, opened.st_mode & S_IRWXU);
}

// Takes group and others off the working folder and the files in it, whatever modes an
// earlier version, the user or the umask left them with: captures often show secrets. Works
// through a descriptor of the folder itself, so a link put in its place after the check is
// never followed.
void MakeWorkFolderPrivate(const std::string& folder) {
    const TFileDescriptor handle(
        ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (handle.Fd < 0)
        throw EFileError("Cannot use the working folder \"" + folder +
                         "\": " + std::strerror(errno));
    struct stat info {};
    if (::fstat(handle.Fd, &info) != 0)
        throw EFileError("Cannot use the working folder \"" + folder +
                         "\": " + std::strerror(errno));
    if (info.st_uid != ::geteuid())
        throw EFileError(ForeignFolderText(folder));
    if ((info.st_mode & 07777) != 0700 && ::fchmod(handle.Fd, 0700) != 0)
        throw EFileError("The working folder \"" + folder +
                         "\" cannot be made private: " + std::strerror(errno) +
                         ". Karvin keeps its files only where other users cannot read them; "
                         "give the folder the permissions rwx------ (0700) and start Karvin "
                         "again.");
    for (const auto& name : FolderNames(handle.Fd))
        MakeFilePrivate(handle.Fd, name);
}

bool IsCountedEntry(int folderFd, const std::string& name) {
    if (name.empty() || name.front() == '.')
        return false;
    struct stat info {};
    return ::fstatat(folderFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISREG(info.st_mode) && (info.st_mode & S_IWUSR) != 0;
}

std::vector<std::string> CountedEntries(int folderFd) {
    std::vector<std::string> counted;
    for (const auto& name : FolderNames(folderFd))
        if (IsCountedEntry(folderFd, name))
            counted.push_back(name);
    return counted;
}

// The temporary files that whole-file writes make beside their target before renaming them
// over it.
bool IsLeftoverTemporaryFile(int folderFd, const std::string& name) {
    if (!IsTemporaryFileName(name))
        return false;
    struct stat info {};
    return ::fstatat(folderFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISREG(info.st_mode);
}

// A write cut short by a crash leaves its hidden temporary file behind; nothing else would
// ever remove it.
void RemoveTemporaryFiles(int folderFd) {
    for (const auto& name : FolderNames(folderFd))
        if (IsLeftoverTemporaryFile(folderFd, name))
            ::unlinkat(folderFd, name.c_str(), 0);
}

bool HasImageExtension(const std::string& lowerCaseName) {
    const auto dot = lowerCaseName.rfind('.');
    if (dot == std::string::npos)
        return false;
    const std::string_view extension = std::string_view(lowerCaseName).substr(dot);
    return std::find(ImageExtensions.begin(), ImageExtensions.end(), extension) !=
           ImageExtensions.end();
}

// `text` is `prefix` followed by one or more digits and then `rest`.
bool IsNumberedName(std::string_view text, std::string_view prefix, std::string_view rest) {
    if (!text.starts_with(prefix) || !text.ends_with(rest) ||
        text.size() <= prefix.size() + rest.size())
        return false;
    const std::string_view digits =
        text.substr(prefix.size(), text.size() - prefix.size() - rest.size());
    return std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Natural order of names: runs of digits compare by their value (pic2 before pic10), the rest
// byte by byte; names that differ only in leading zeros are told apart byte by byte.
bool NaturalNameLess(const std::string& a, const std::string& b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            std::size_t endA = i;
            std::size_t endB = j;
            while (endA < a.size() && IsDigit(a[endA]))
                ++endA;
            while (endB < b.size() && IsDigit(b[endB]))
                ++endB;
            // Without leading zeros, the longer number is the larger one; numbers of one
            // length compare as text.
            std::size_t startA = i;
            std::size_t startB = j;
            while (startA + 1 < endA && a[startA] == '0')
                ++startA;
            while (startB + 1 < endB && b[startB] == '0')
                ++startB;
            const std::string_view numberA(a.data() + startA, endA - startA);
            const std::string_view numberB(b.data() + startB, endB - startB);
            if (numberA.size() != numberB.size())
                return numberA.size() < numberB.size();
            if (numberA != numberB)
                return numberA < numberB;
            i = endA;
            j = endB;
            continue;
        }
        if (a[i] != b[j])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        ++i;
        ++j;
    }
    if ((i < a.size()) != (j < b.size()))
        return j < b.size();
    return a < b;
}

// The first "prefix N suffix" (N = 1, 2, ...) that no entry of the folder has, compared in
// lower case.
std::string FirstFreeName(const std::string& folder, const std::string& prefix,
                          const std::string& suffix) {
    std::set<std::string> taken;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir))
            taken.insert(AsciiLower(entry->d_name));
        ::closedir(dir);
    }
    for (unsigned long long number = 1;; ++number) {
        std::string name = prefix + std::to_string(number) + suffix;
        if (!taken.contains(AsciiLower(name)))
            return name;
    }
}

void MakeFolder(const std::string& folder) {
    if (::mkdir(folder.c_str(), 0700) == 0) {
        // The mode asked for is cut by the umask; the folder is private whatever that is.
        ::chmod(folder.c_str(), 0700);
        return;
    }
    if (errno != EEXIST)
        throw EFileError("Cannot create the folder \"" + folder + "\": " + std::strerror(errno));
}

} // namespace

void MakeFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1))
        if (!DirectoryExists(path.substr(0, slash)))
            MakeFolder(path.substr(0, slash));
    if (!DirectoryExists(path))
        MakeFolder(path);
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (IsAbsolute(home))
        return WithoutTrailingSlashes(home);
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        IsAbsolute(found->pw_dir))
        return WithoutTrailingSlashes(found->pw_dir);
    return "/";
}

std::string TempFolder() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (IsAbsolute(cache))
        return JoinPath(WithoutTrailingSlashes(cache), "");
    return JoinPath(HomeFolder(), ".cache/");
}

std::string WorkFolder() {
    return TempFolder() + "karvin";
}

void EnsureWorkFolder() {
    const std::string folder = WorkFolder();
    if (!CheckWorkFolder(folder)) {
        MakeFolders(folder);
        CheckWorkFolder(folder);
    }
    MakeWorkFolderPrivate(folder);
}

std::string WorkPath(const std::string& name) {
    const std::string folder = WorkFolder();
    CheckWorkFolder(folder);
    return FindFileNoCase(folder, name);
}

bool IsInWorkFolder(const std::string& path) {
    const std::string folder = AsciiLower(WorkFolder()) + "/";
    const std::string lowerPath = AsciiLower(path);
    return lowerPath.size() > folder.size() && lowerPath.starts_with(folder) &&
           lowerPath.find('/', folder.size()) == std::string::npos;
}

bool IsSettingsFileName(std::string_view lowerCaseName) {
    return std::find(SettingsFileNames.begin(), SettingsFileNames.end(), lowerCaseName) !=
           SettingsFileNames.end();
}

std::string NextImageName(const std::string& folder, const std::string& extension) {
    return JoinPath(folder, FirstFreeName(folder, "pic", AsciiLower(extension)));
}

std::string NextConsoleTextName(const std::string& folder) {
    return JoinPath(folder, FirstFreeName(folder, "dostext", ".txt"));
}

bool IsScratchFileName(std::string_view lowerCaseName) {
    if (lowerCaseName == "big.bmp" || lowerCaseName == "texttemp.txt" ||
        lowerCaseName == "attach.dat" || lowerCaseName == "tmppath.dat")
        return true;
    if (IsNumberedName(lowerCaseName, "scr", ".bmp"))
        return true;
    // "del" + N + any extension.
    const auto dot = lowerCaseName.find('.');
    return dot != std::string_view::npos && IsNumberedName(lowerCaseName.substr(0, dot), "del", "");
}

std::vector<std::string> ListLeftoverImages() {
    std::vector<std::string> names;
    const TFileDescriptor folder(OpenWorkFolder());
    if (folder.Fd < 0)
        return names;
    for (const auto& name : CountedEntries(folder.Fd)) {
        const std::string lowerName = AsciiLower(name);
        if (!HasImageExtension(lowerName) || IsScratchFileName(lowerName))
            continue;
        if (lowerName == name || RenameNoReplace(folder.Fd, name, lowerName))
            names.push_back(lowerName);
        else
            names.push_back(name);
    }
    // The folder's own order is that of its hash table; the user numbered nothing that way.
    std::sort(names.begin(), names.end(), NaturalNameLess);
    const std::string base = WorkFolder() + "/";
    std::vector<std::string> paths;
    for (const auto& name : names)
        paths.push_back(base + name);
    return paths;
}

bool HasWorkImages() {
    const TFileDescriptor folder(OpenWorkFolder());
    if (folder.Fd < 0)
        return false;
    for (const auto& name : CountedEntries(folder.Fd)) {
        const std::string lowerName = AsciiLower(name);
        if (lowerName != "maillog" && !IsSettingsFileName(lowerName))
            return true;
    }
    return false;
}

void CleanWorkFolder() {
    const TFileDescriptor folder(OpenWorkFolder());
    if (folder.Fd < 0)
        return;
    for (const auto& name : CountedEntries(folder.Fd))
        if (!IsSettingsFileName(AsciiLower(name)))
            // unlinkat removes the entry itself: were it swapped for a link since the scan,
            // the link goes, never what it points to.
            ::unlinkat(folder.Fd, name.c_str(), 0);
    RemoveTemporaryFiles(folder.Fd);
}

void RemoveScratchFiles() {
    const TFileDescriptor folder(OpenWorkFolder());
    if (folder.Fd < 0)
        return;
    for (const auto& name : CountedEntries(folder.Fd))
        if (IsScratchFileName(AsciiLower(name)))
            ::unlinkat(folder.Fd, name.c_str(), 0);
    RemoveTemporaryFiles(folder.Fd);
}
