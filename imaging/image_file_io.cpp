#include "imaging/image_file_io_p.h"

#include "base/file_descriptor.h"
#include "base/file_error.h"
#include "base/temporary_file.h"
#include "imaging/dib_graphic.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// No image file of ours comes near this; a larger "image" is refused before it is read.
constexpr off_t MaxImageFileBytes = (off_t(1) << 31) + (off_t(64) << 20);

[[noreturn]] void FailWithSystemError(const std::string& what, const std::string& path, int error) {
    throw EImageError(what + " \"" + path + "\": " + std::strerror(error));
}

// What a path that is not a regular file is, for the message that refuses it.
std::string NotARegularFile(mode_t mode) {
    if (S_ISDIR(mode))
        return "it is a folder, not a file";
    if (S_ISFIFO(mode))
        return "it is a named pipe, not a regular file";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "it is a device, not a regular file";
    if (S_ISSOCK(mode))
        return "it is a socket, not a regular file";
    return "it is not a regular file";
}

} // namespace

// Without O_NONBLOCK, opening a named pipe would wait for a writer; for a regular file the
// flag changes nothing.
TImageFileReader::TImageFileReader(const std::string& path)
    : Path_(path), File_(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)) {
    if (File_.Fd < 0)
        FailWithSystemError("Cannot open file", path, errno);
    struct stat info {};
    if (::fstat(File_.Fd, &info) != 0)
        FailWithSystemError("Cannot read file", path, errno);
    if (!S_ISREG(info.st_mode))
        throw EImageError("Cannot read file \"" + path + "\": " + NotARegularFile(info.st_mode));
    if (info.st_size > MaxImageFileBytes)
        FailWithSystemError("Cannot read file", path, EFBIG);
    Size_ = std::size_t(info.st_size);
}

bool TImageFileReader::ReadUpTo(TImageFileBytes& bytes, std::size_t size) {
    while (!AtEnd_ && bytes.size() < size) {
        const std::size_t filled = bytes.size();
        ssize_t got;
        int error = 0;
        if (filled < Size_) {
            // Within the size the file had when opened: straight into place.
            bytes.resize(std::min(size, Size_));
            got = ::read(File_.Fd, bytes.data() + filled, bytes.size() - filled);
            error = got < 0 ? errno : 0;
            bytes.resize(filled + std::size_t(std::max<ssize_t>(got, 0)));
        } else {
            // The file has grown since, or this is its end.
            uint8_t chunk[16384];
            got = ::read(File_.Fd, chunk, std::min(sizeof chunk, size - filled));
            error = got < 0 ? errno : 0;
            if (got > 0 && filled + std::size_t(got) > std::size_t(MaxImageFileBytes))
                FailWithSystemError("Cannot read file", Path_, EFBIG);
            if (got > 0)
                bytes.insert(bytes.end(), chunk, chunk + got);
        }
        if (got < 0 && error != EINTR)
            FailWithSystemError("Cannot read file", Path_, error);
        AtEnd_ = got == 0;
    }
    return AtEnd_;
}

bool TImageFileReader::ReadAt(std::size_t offset, uint8_t* target, std::size_t count) {
    while (count > 0) {
        const ssize_t got = ::pread(File_.Fd, target, count, off_t(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            FailWithSystemError("Cannot read file", Path_, errno);
        if (got == 0)
            return false;
        target += got;
        offset += std::size_t(got);
        count -= std::size_t(got);
    }
    return true;
}

TImageFileBytes ReadImageFileBytes(const std::string& path) {
    TImageFileReader file(path);
    TImageFileBytes bytes;
    file.ReadUpTo(bytes, std::size_t(-1));
    return bytes;
}

void WriteImageFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    WriteImageFilePieces(path, {std::span<const uint8_t>(bytes)});
}

void WriteImageFilePieces(const std::string& path,
                          std::initializer_list<std::span<const uint8_t>> pieces) {
    try {
        TFileReplacement replacement;
        if (!PlanFileReplacement(path, replacement))
            throw EFileError(SystemErrorText("Cannot write file", path));
        TTemporaryFile file(path, replacement);
        for (const std::span<const uint8_t> piece : pieces)
            file.Write(reinterpret_cast<const char*>(piece.data()), piece.size());
        file.Finish();
        if (std::rename(file.Path(), replacement.Path.c_str()) != 0)
            throw EFileError(SystemErrorText("Cannot write file", path));
        file.Keep();
    } catch (const EFileError& error) {
        throw EImageError(error.what());
    }
}

bool WriteNewImageFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    try {
        TTemporaryFile file(path, PlanNewFile(path));
        file.Write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        file.Finish();
        if (!RenameNoReplace(AT_FDCWD, file.Path(), path)) {
            if (errno == EEXIST)
                return false;
            throw EFileError(SystemErrorText("Cannot write file", path));
        }
        file.Keep();
        return true;
    } catch (const EFileError& error) {
        throw EImageError(error.what());
    }
}
