// What another local user could do, played in a child process that has become that user
// (nobody, 65534). Only root can become someone else: tests check CanActAsOtherUser() and say
// so when they cannot run that part. A folder of another user is the exception: anyone can
// make one appear in a user namespace (RunWithForeignFolder).
#pragma once

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <optional>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

inline constexpr uid_t OtherUid = 65534;
inline constexpr gid_t OtherGid = 65534;

inline bool CanActAsOtherUser() {
    return ::geteuid() == 0;
}

// Forks a child that drops to the other user and ends with body()'s value as its exit status
// (125 when it could not drop to that user). The child may make plain system calls only: the
// parent's threads (and their locks) did not come along.
inline pid_t StartAsOtherUser(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    if (::setgroups(0, nullptr) != 0 || ::setresgid(OtherGid, OtherGid, OtherGid) != 0 ||
        ::setresuid(OtherUid, OtherUid, OtherUid) != 0)
        ::_exit(125);
    ::_exit(body());
}

// The child's exit status; -1 when it did not end normally.
inline int WaitForChild(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs body() as the other user and returns its exit status.
inline int RunAsOtherUser(const std::function<int()>& body) {
    const pid_t pid = StartAsOtherUser(body);
    return pid < 0 ? -1 : WaitForChild(pid);
}

namespace other_user_detail {

inline bool WriteProcFile(const char* path, const std::string& text) {
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    const bool done = fd >= 0 && ::write(fd, text.data(), text.size()) == ssize_t(text.size());
    if (fd >= 0)
        ::close(fd);
    return done;
}

} // namespace other_user_detail

// Makes `folder`, an empty folder of ours, a folder of another user and runs body() in a child
// process that sees it so; returns body()'s exit status. Root gives the folder away (chown).
// Anyone else enters a user namespace of their own and mounts a folder of root's (/etc) over
// it: root is nobody there, so the folder shows as another user's. nullopt, with the reason in
// `why`, when the system allows neither. The process must have no other threads.
inline std::optional<int> RunWithForeignFolder(const std::string& folder,
                                               const std::function<int()>& body, std::string& why) {
    if (::geteuid() == 0) {
        if (::chown(folder.c_str(), OtherUid, OtherGid) != 0) {
            why = std::string("cannot give the folder away: ") + std::strerror(errno);
            return std::nullopt;
        }
        const pid_t pid = ::fork();
        if (pid == 0)
            ::_exit(body());
        return WaitForChild(pid);
    }
    int report[2];
    if (::pipe(report) != 0) {
        why = std::strerror(errno);
        return std::nullopt;
    }
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(report[0]);
        using other_user_detail::WriteProcFile;
        const bool ready = ::unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0 &&
                           WriteProcFile("/proc/self/setgroups", "deny") &&
                           WriteProcFile("/proc/self/uid_map",
                                         std::to_string(uid) + " " + std::to_string(uid) + " 1") &&
                           WriteProcFile("/proc/self/gid_map",
                                         std::to_string(gid) + " " + std::to_string(gid) + " 1") &&
                           ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                           ::mount("/etc", folder.c_str(), nullptr, MS_BIND | MS_REC, nullptr) == 0;
        const int error = ready ? 0 : errno;
        if (::write(report[1], &error, sizeof error) != ssize_t(sizeof error) || !ready)
            ::_exit(124);
        ::close(report[1]);
        ::_exit(body());
    }
    ::close(report[1]);
    int error = -1;
    const bool told = ::read(report[0], &error, sizeof error) == ssize_t(sizeof error);
    ::close(report[0]);
    const int status = WaitForChild(pid);
    if (!told || error != 0) {
        why = std::string("not root, and a user namespace cannot mount here: ") +
              (told ? std::strerror(error) : "no answer");
        return std::nullopt;
    }
    return status;
}
