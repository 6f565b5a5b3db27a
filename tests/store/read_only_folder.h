// A folder that refuses changes while the object lives: without write permission, or, for root
// (whom permissions do not stop), marked immutable, which also refuses changing its own
// permissions. Made() is false when the file system cannot do that.
#pragma once

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <linux/fs.h>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>

// Sets or clears the immutable mark of a file or folder (root only); false when it cannot.
inline bool SetImmutable(const std::string& path, bool on) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    int flags = 0;
    bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    if (fd >= 0)
        ::close(fd);
    return done;
}

class TReadOnlyFolder {
public:
    explicit TReadOnlyFolder(std::string path) : Path(std::move(path)) {
        if (::geteuid() != 0) {
            std::filesystem::permissions(Path, std::filesystem::perms::owner_read |
                                                   std::filesystem::perms::owner_exec);
            Done = true;
        } else {
            Done = SetImmutable(Path, true);
        }
    }
    ~TReadOnlyFolder() {
        if (!Done)
            return;
        if (::geteuid() != 0)
            std::filesystem::permissions(Path, std::filesystem::perms::owner_all);
        else
            SetImmutable(Path, false);
    }
    TReadOnlyFolder(const TReadOnlyFolder&) = delete;
    TReadOnlyFolder& operator=(const TReadOnlyFolder&) = delete;
    bool Made() const { return Done; }
    // The error the system gives for a change refused: no permission, or an immutable folder.
    static int RefusalError() { return ::geteuid() != 0 ? EACCES : EPERM; }

private:
    std::string Path;
    bool Done = false;
};
