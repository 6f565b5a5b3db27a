#include "store/file_io.h"

#include "base/file_replacement.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string SystemError(const std::string& what, const std::string& path) {
    return what + " \"" + path + "\": " + std::strerror(errno);
}

class TFileDescriptor {
public:
    explicit TFileDescriptor(int fd) : Fd(fd) {}
    ~TFileDescriptor() {
        if (Fd >= 0)
            ::close(Fd);
    }
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;
    int Fd;
};

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

// A new file beside the file a write replaces, under a temporary name (which the working
// folder's cleanup knows), with the permissions that file keeps or a new file gets there. It
// goes again unless Keep is called once it has taken its final name, so a failure on the way
// leaves nothing behind. Errors are reported under `target`'s name, the name the user knows.
class TTemporaryFile {
public:
    TTemporaryFile(const std::string& target, const TFileReplacement& replacement)
        : Target(target) {
        const std::string pattern = FolderOf(replacement.Path) + ".karvin-write-XXXXXX";
        Name.assign(pattern.begin(), pattern.end());
        Name.push_back('\0');
        Fd = ::mkstemp(Name.data());
        if (Fd < 0)
            throw EFileError(SystemError("Cannot create file", target));
        ApplyFileReplacement(Fd, replacement);
    }
    ~TTemporaryFile() {
        if (Fd >= 0)
            ::close(Fd);
        if (!Kept)
            ::unlink(Name.data());
    }
    TTemporaryFile(const TTemporaryFile&) = delete;
    TTemporaryFile& operator=(const TTemporaryFile&) = delete;

    const char* Path() const { return Name.data(); }
    void Write(const char* data, std::size_t size) {
        if (!WriteAll(Fd, data, size))
            throw EFileError(SystemError("Cannot write file", Target));
    }
    // Puts the bytes on the disk and closes the file; the close reports a write the system
    // had delayed.
    void Finish() {
        if (::fsync(Fd) != 0)
            throw EFileError(SystemError("Cannot write file", Target));
        const int fd = Fd;
        Fd = -1;
        if (::close(fd) != 0)
            throw EFileError(SystemError("Cannot write file", Target));
    }
    void Keep() { Kept = true; }

private:
    std::string Target;
    std::vector<char> Name;
    int Fd = -1;
    bool Kept = false;
};

} // namespace

void WriteWholeFile(const std::string& path, std::string_view content) {
    TFileReplacement replacement;
    if (!PlanFileReplacement(path, replacement))
        throw EFileError(SystemError("Cannot write file", path));
    TTemporaryFile file(path, replacement);
    file.Write(content.data(), content.size());
    file.Finish();
    if (std::rename(file.Path(), replacement.Path.c_str()) != 0)
        throw EFileError(SystemError("Cannot write file", path));
    file.Keep();
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::string content;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0)
            break;
        content.append(buffer, std::size_t(got));
    }
    ::close(fd);
    return content;
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.emplace_back(line);
        start = end + 1;
    }
    return lines;
}

std::string JoinCrLfLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

void WriteTextLines(const std::string& path, const std::vector<std::string>& lines) {
    WriteWholeFile(path, JoinCrLfLines(lines));
}

std::optional<std::vector<std::string>> ReadTextLines(const std::string& path) {
    auto content = ReadWholeFile(path);
    if (!content)
        return std::nullopt;
    return SplitLines(*content);
}

bool CopyFileNoReplace(const std::string& source, const std::string& target) {
    TFileDescriptor from(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (from.Fd < 0)
        throw EFileError(SystemError("Cannot read file", source));
    struct stat info {};
    if (::fstat(from.Fd, &info) != 0)
        throw EFileError(SystemError("Cannot read file", source));
    if (!S_ISREG(info.st_mode)) {
        errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        throw EFileError(SystemError("Cannot read file", source));
    }

    TTemporaryFile to(target, PlanNewFile(target));
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t got = ::read(from.Fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw EFileError(SystemError("Cannot read file", source));
        if (got == 0)
            break;
        to.Write(buffer.data(), std::size_t(got));
    }
    to.Finish();
    if (RenameNoReplace(AT_FDCWD, to.Path(), target)) {
        to.Keep();
        return true;
    }
    if (errno == EEXIST)
        return false;
    throw EFileError(SystemError("Cannot write file", target));
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

bool FileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool DirectoryExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool DeleteFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

std::string FindFileNoCase(const std::string& folder, const std::string& name) {
    std::string base = folder;
    if (base.empty() || base.back() != '/')
        base += '/';
    if (FileExists(base + name))
        return base + name;
    const std::string wanted = AsciiLower(name);
    if (DIR* dir = ::opendir(folder.c_str())) {
        std::string found;
        while (dirent* entry = ::readdir(dir)) {
            if (AsciiLower(entry->d_name) == wanted) {
                found = base + entry->d_name;
                break;
            }
        }
        ::closedir(dir);
        if (!found.empty())
            return found;
    }
    return base + wanted;
}

std::string AsciiLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return text;
}

std::string AsciiUpper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return text;
}
