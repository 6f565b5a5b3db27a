#include "store/file_io.h"

#include "base/file_descriptor.h"
#include "base/temporary_file.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

void WriteWholeFile(const std::string& path, std::string_view content) {
    WriteFileThroughTemporary(path, content);
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    return ReadWholeFile(path, std::string().max_size());
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t largest) {
    const TFileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Fd < 0)
        return std::nullopt;
    struct stat info {};
    if (::fstat(file.Fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        std::uintmax_t(info.st_size) > largest)
        return std::nullopt;
    std::string content;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(file.Fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        // The file may grow while it is read.
        if (std::size_t(got) > largest - content.size())
            return std::nullopt;
        content.append(buffer, std::size_t(got));
    }
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
        throw EFileError(SystemErrorText("Cannot read file", source));
    struct stat info {};
    if (::fstat(from.Fd, &info) != 0)
        throw EFileError(SystemErrorText("Cannot read file", source));
    if (!S_ISREG(info.st_mode)) {
        errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        throw EFileError(SystemErrorText("Cannot read file", source));
    }

    TTemporaryFile to(target, PlanNewFile(target));
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t got = ::read(from.Fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw EFileError(SystemErrorText("Cannot read file", source));
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
    throw EFileError(SystemErrorText("Cannot write file", target));
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsRunnableProgram(const std::string& path) {
    return !path.empty() && path.front() == '/' && FileExists(path) &&
           ::access(path.c_str(), X_OK) == 0;
}

bool IsCleanPathText(std::string_view text) {
    if (text.size() > PATH_MAX)
        return false;
    std::size_t at = 0;
    while (at < text.size()) {
        const auto lead = uint8_t(text[at]);
        // The length of the character from its first byte, and the smallest value that
        // length may carry: a longer form of a shorter character is no UTF-8.
        std::size_t length = 1;
        uint32_t smallest = 0;
        if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            smallest = 0x10000;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            smallest = 0x800;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            smallest = 0x80;
        } else if (lead >= 0x80) {
            return false;
        }
        if (at + length > text.size())
            return false;
        uint32_t value = length == 1 ? lead : lead & (0x7Fu >> length);
        for (std::size_t next = 1; next < length; ++next) {
            const auto byte = uint8_t(text[at + next]);
            if ((byte & 0xC0u) != 0x80u)
                return false;
            value = (value << 6) | (byte & 0x3Fu);
        }
        const bool control = value < 0x20 || (value >= 0x7F && value < 0xA0);
        const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
        if (control || surrogate || value < smallest || value > 0x10FFFF)
            return false;
        at += length;
    }
    return true;
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
