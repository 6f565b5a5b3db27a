#include "base/file_replacement.h"

#include <cerrno>
#include <climits>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::mutex PrivateFolderLock;
std::string PrivateFolderPath;

// Links are followed at most this many times, as the kernel does (ELOOP beyond).
constexpr int MaxLinkHops = 40;

mode_t DefaultMode(bool inPrivateFolder) {
    if (inPrivateFolder)
        return 0600;
    // The umask can only be read by setting it; nothing else in the program changes it.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

std::string ReadLink(const std::string& path) {
    std::string target(PATH_MAX, '\0');
    const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
    if (length < 0)
        return {};
    if (std::size_t(length) == target.size()) {
        errno = ENAMETOOLONG;
        return {};
    }
    target.resize(std::size_t(length));
    return target;
}

} // namespace

void SetPrivateFolder(const std::string& folder) {
    const std::lock_guard lock(PrivateFolderLock);
    PrivateFolderPath = folder;
}

bool IsPrivateFolder(const std::string& folder) {
    std::string privateFolder;
    {
        const std::lock_guard lock(PrivateFolderLock);
        privateFolder = PrivateFolderPath;
    }
    if (privateFolder.empty())
        return false;
    struct stat mine {};
    struct stat asked {};
    return ::stat(privateFolder.c_str(), &mine) == 0 && ::stat(folder.c_str(), &asked) == 0 &&
           mine.st_dev == asked.st_dev && mine.st_ino == asked.st_ino;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

TFileReplacement PlanNewFile(const std::string& path) {
    return {path, DefaultMode(IsPrivateFolder(FolderOf(path))), gid_t(-1)};
}

bool PlanFileReplacement(const std::string& path, TFileReplacement& replacement) {
    std::string current = path;
    for (int hops = 0;; ++hops) {
        const bool inPrivateFolder = IsPrivateFolder(FolderOf(current));
        struct stat info {};
        // A missing entry (or one that cannot be looked at) is written new; the creation of
        // the temporary file then reports what is wrong with the folder.
        if (::lstat(current.c_str(), &info) != 0 || (S_ISLNK(info.st_mode) && inPrivateFolder)) {
            replacement = {current, DefaultMode(inPrivateFolder), gid_t(-1)};
            return true;
        }
        if (!S_ISLNK(info.st_mode)) {
            const mode_t kept = inPrivateFolder ? S_IRWXU : (S_IRWXU | S_IRWXG | S_IRWXO);
            replacement = {current, info.st_mode & kept, info.st_gid};
            return true;
        }
        if (hops == MaxLinkHops) {
            errno = ELOOP;
            return false;
        }
        const std::string target = ReadLink(current);
        if (target.empty())
            return false;
        current = target.front() == '/' ? target : FolderOf(current) + target;
    }
}

void ApplyFileReplacement(int fd, const TFileReplacement& replacement) {
    mode_t mode = replacement.Mode;
    // Who may not give a file that group (not a member of it) leaves it to the group the new
    // file got, which must then not gain what the old group had.
    if (replacement.Group != gid_t(-1) && ::fchown(fd, uid_t(-1), replacement.Group) != 0) {
        struct stat info {};
        if (::fstat(fd, &info) != 0 || info.st_gid != replacement.Group)
            mode &= ~mode_t(S_IRWXG);
    }
    // Failing here leaves mkstemp's 0600: never more open than asked.
    ::fchmod(fd, mode);
}
