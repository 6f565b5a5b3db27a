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

} // namespace

std::vector<uint8_t> ReadImageFileBytes(const std::string& path) {
    TFileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Fd < 0)
        FailWithSystemError("Cannot open file", path, errno);
    struct stat info {};
    if (::fstat(file.Fd, &info) != 0)
        FailWithSystemError("Cannot read file", path, errno);
    if (!S_ISREG(info.st_mode))
        FailWithSystemError("Cannot read file", path, S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    if (info.st_size > MaxImageFileBytes)
        FailWithSystemError("Cannot read file", path, EFBIG);

    std::vector<uint8_t> bytes(std::size_t(info.st_size));
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) // the file may have grown since fstat
            bytes.resize(filled + 65536);
        if (bytes.size() > std::size_t(MaxImageFileBytes))
            FailWithSystemError("Cannot read file", path, EFBIG);
        const ssize_t got = ::read(file.Fd, bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            FailWithSystemError("Cannot read file", path, errno);
        if (got == 0)
            break;
        filled += std::size_t(got);
    }
    bytes.resize(filled);
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
