// An open file descriptor, closed when the holder goes.
#pragma once

#include <unistd.h>

class TFileDescriptor {
public:
    explicit TFileDescriptor(int fd) : Fd(fd) {}
    ~TFileDescriptor() {
        if (Fd >= 0)
            ::close(Fd);
    }
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;
    // Hands the descriptor over; the holder no longer closes it.
    int Release() {
        const int fd = Fd;
        Fd = -1;
        return fd;
    }
    int Fd;
};
