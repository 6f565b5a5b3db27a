#include "base/temporary_file.h"

#include "base/file_error.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Every write names its temporary file so; files of the second prefix were made by the image
// writer of earlier versions and may still lie in a working folder after a crash.
constexpr std::string_view TemporaryPrefix = ".karvin-write-";
constexpr std::string_view EarlierImagePrefix = ".karvin-image-";

// Writes all of `data`; false with errno set when the system refuses part of it.
bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return false;
        data += written;
        size -= std::size_t(written);
    }
    return true;
}

} // namespace

std::string SystemErrorText(const std::string& what, const std::string& path) {
    return what + " \"" + path + "\": " + std::strerror(errno);
}

bool IsTemporaryFileName(std::string_view name) {
    return name.substr(0, TemporaryPrefix.size()) == TemporaryPrefix ||
           name.substr(0, EarlierImagePrefix.size()) == EarlierImagePrefix;
}

TTemporaryFile::TTemporaryFile(const std::string& target, const TFileReplacement& replacement)
    : Target(target) {
    const std::string pattern =
        FolderOf(replacement.Path) + std::string(TemporaryPrefix) + "XXXXXX";
    Name.assign(pattern.begin(), pattern.end());
    Name.push_back('\0');
    Fd = ::mkstemp(Name.data());
    if (Fd < 0)
        throw EFileError(SystemErrorText("Cannot create file", target));
    ApplyFileReplacement(Fd, replacement);
}

TTemporaryFile::~TTemporaryFile() {
    if (Fd >= 0)
        ::close(Fd);
    if (!Kept)
        ::unlink(Name.data());
}

void TTemporaryFile::Write(const char* data, std::size_t size) {
    if (!WriteAll(Fd, data, size))
        throw EFileError(SystemErrorText("Cannot write file", Target));
}

void TTemporaryFile::Finish() {
    if (::fsync(Fd) != 0)
        throw EFileError(SystemErrorText("Cannot write file", Target));
    const int fd = Fd;
    Fd = -1;
    if (::close(fd) != 0)
        throw EFileError(SystemErrorText("Cannot write file", Target));
}

void WriteFileThroughTemporary(const std::string& path, std::string_view content) {
    TFileReplacement replacement;
    if (!PlanFileReplacement(path, replacement))
        throw EFileError(SystemErrorText("Cannot write file", path));
    TTemporaryFile file(path, replacement);
    file.Write(content.data(), content.size());
    file.Finish();
    if (std::rename(file.Path(), replacement.Path.c_str()) != 0)
        throw EFileError(SystemErrorText("Cannot write file", path));
    file.Keep();
}

bool RenameNoReplace(int folderFd, const std::string& name, const std::string& newName) {
    if (::renameat2(folderFd, name.c_str(), folderFd, newName.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // File systems without the no-replace rename: a hard link fails just as safely when the
    // new name is taken.
    if (::linkat(folderFd, name.c_str(), folderFd, newName.c_str(), 0) == 0) {
        ::unlinkat(folderFd, name.c_str(), 0);
        return true;
    }
    if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS)
        return false;
    // Nor hard links (FAT memory sticks behind some drivers): look, then rename. Only another
    // program's file made in the instant between the two could be replaced.
    struct stat info {};
    if (::fstatat(folderFd, newName.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::renameat(folderFd, name.c_str(), folderFd, newName.c_str()) == 0;
}
