#include "imaging/image_file_io_p.h"

#include "base/file_replacement.h"
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

class TFileDescriptor {
public:
    explicit TFileDescriptor(int fd) : Fd(fd) {}
    ~TFileDescriptor() {
        if (Fd >= 0)
            ::close(Fd);
    }
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;
    int Release() {
        const int fd = Fd;
        Fd = -1;
        return fd;
    }
    int Fd;
};

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
    TFileReplacement replacement;
    if (!PlanFileReplacement(path, replacement))
        FailWithSystemError("Cannot write file", path, errno);
    // The working folder's cleanup removes files of this prefix that a crash left behind.
    std::string pattern = FolderOf(replacement.Path) + ".karvin-image-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    TFileDescriptor file(::mkstemp(name.data()));
    if (file.Fd < 0)
        FailWithSystemError("Cannot create file", path, errno);
    ApplyFileReplacement(file.Fd, replacement);

    auto failAndRemove = [&](int error) {
        ::close(file.Release());
        ::unlink(name.data());
        FailWithSystemError("Cannot write file", path, error);
    };
    for (const std::span<const uint8_t> piece : pieces) {
        const uint8_t* data = piece.data();
        std::size_t left = piece.size();
        while (left > 0) {
            const ssize_t written = ::write(file.Fd, data, left);
            if (written < 0 && errno == EINTR)
                continue;
            if (written < 0)
                failAndRemove(errno);
            data += written;
            left -= std::size_t(written);
        }
    }
    if (::fsync(file.Fd) != 0)
        failAndRemove(errno);
    if (::close(file.Release()) != 0) {
        const int error = errno;
        ::unlink(name.data());
        FailWithSystemError("Cannot write file", path, error);
    }
    if (std::rename(name.data(), replacement.Path.c_str()) != 0) {
        const int error = errno;
        ::unlink(name.data());
        FailWithSystemError("Cannot write file", path, error);
    }
}
