#include "platform/single_instance.h"

#include "tests/store/other_user.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

namespace {

class SingleInstance : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Runtime.isValid());
        Saved = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", Runtime.path().toLocal8Bit());
    }
    void TearDown() override { qputenv("XDG_RUNTIME_DIR", Saved); }

    // A runtime folder every user may write into, as /tmp is.
    void ShareRuntimeFolder() const {
        ASSERT_EQ(::chmod(QFile::encodeName(Runtime.path()).constData(), 01777), 0);
    }
    QString LockPath() const {
        return Runtime.path() + QStringLiteral("/Karvin By Morvane.%1.lock").arg(::getuid());
    }
    QString SocketPath() const {
        return Runtime.path() + QStringLiteral("/Karvin By Morvane.%1").arg(::getuid());
    }

    QTemporaryDir Runtime;
    QByteArray Saved;
};

mode_t ModeOf(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777
                                                                    : mode_t(-1);
}

// Keeps the event loop running until `done` holds or five seconds have passed.
void ProcessEventsUntil(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(5000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

// A local socket at `path`; -1 when it cannot be made.
int ListenAt(const QByteArray& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 4) != 0)
        return -1;
    return fd;
}

// Bytes that arrive on `fd` within `ms` milliseconds, until the other end hangs up.
int BytesArriving(int fd, int ms) {
    int total = 0;
    pollfd wanted{fd, POLLIN, 0};
    char buffer[256];
    while (::poll(&wanted, 1, ms) == 1) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0)
            break;
        total += int(got);
    }
    return total;
}

bool Exists(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

} // namespace

TEST_F(SingleInstance, OnlyOneHoldsTheLockUntilItEnds) {
    auto first = std::make_unique<TSingleInstance>();
    EXPECT_EQ(first->LockPath(), LockPath());
    ASSERT_EQ(first->Acquire(), TInstanceLock::Acquired);
    EXPECT_EQ(ModeOf(LockPath()), 0600u);
    TSingleInstance second;
    EXPECT_EQ(second.Acquire(), TInstanceLock::HeldByAnother);
    first.reset();
    TSingleInstance third;
    EXPECT_EQ(third.Acquire(), TInstanceLock::Acquired);
}

TEST_F(SingleInstance, ASecondStartAsksTheFirstToShowItsWindow) {
    TSingleInstance first;
    ASSERT_EQ(first.Acquire(), TInstanceLock::Acquired);
    int showRequests = 0;
    first.Listen([&showRequests] { ++showRequests; });

    // The second start blocks on its socket; the first answers from its event loop.
    auto asked =
        std::async(std::launch::async, [] { return TSingleInstance().AskRunningToShow(); });
    ProcessEventsUntil([&] { return showRequests > 0; });
    EXPECT_TRUE(asked.get());
    EXPECT_EQ(showRequests, 1);
}

TEST_F(SingleInstance, NobodyAnswersWhenNoInstanceRuns) {
    TSingleInstance asker;
    EXPECT_FALSE(asker.AskRunningToShow(500));
    EXPECT_EQ(asker.Problem(), "Karvin is not running");
}

TEST_F(SingleInstance, TriggerAsksTheFirstToCaptureAndNotToShow) {
    TSingleInstance first;
    ASSERT_EQ(first.Acquire(), TInstanceLock::Acquired);
    int showRequests = 0;
    int captureRequests = 0;
    first.Listen([&showRequests] { ++showRequests; }, [&captureRequests] { ++captureRequests; });

    auto asked =
        std::async(std::launch::async, [] { return TSingleInstance().AskRunningToCapture(); });
    ProcessEventsUntil([&] { return captureRequests > 0; });
    EXPECT_TRUE(asked.get());
    EXPECT_EQ(captureRequests, 1);
    EXPECT_EQ(showRequests, 0);
}

TEST_F(SingleInstance, APlantedLockFileNeverSwitchesTheGuardOff) {
    const QString elsewhere = Runtime.path() + "/elsewhere";
    struct TCase {
        const char* What;
        std::function<void()> Plant;
        const char* Reason;
        bool AsOtherUser;
    };
    const TCase cases[] = {
        {"a link to another file", [&] { QFile::link(elsewhere, LockPath()); },
         "it is a symbolic link", false},
        {"a folder", [&] { QDir().mkdir(LockPath()); }, "Is a directory", false},
        {"another user's file",
         [&] {
             ShareRuntimeFolder();
             RunAsOtherUser([path = QFile::encodeName(LockPath())] {
                 return ::open(path.constData(), O_CREAT | O_WRONLY, 0666) >= 0 ? 0 : 1;
             });
         },
         "it belongs to another user", true},
    };
    for (const auto& c : cases) {
        if (c.AsOtherUser && !CanActAsOtherUser()) {
            std::printf("[ NOTE     ] \"%s\" needs root to act as another user\n", c.What);
            continue;
        }
        c.Plant();
        TSingleInstance instance;
        EXPECT_EQ(instance.Acquire(), TInstanceLock::Unusable) << c.What;
        EXPECT_TRUE(instance.Problem().contains(LockPath())) << c.What;
        EXPECT_TRUE(instance.Problem().contains(c.Reason)) << instance.Problem().toStdString();
        EXPECT_FALSE(Exists(elsewhere)) << c.What << ": the lock followed the link";
        QFile::remove(LockPath());
        QDir().rmdir(LockPath());
    }
}

TEST_F(SingleInstance, WithoutARuntimeFolderSettingOnlyAPrivateFolderInTmpIsUsed) {
    qunsetenv("XDG_RUNTIME_DIR");
    const QString tmp = Runtime.path();
    const QString folder = tmp + QStringLiteral("/karvin-%1").arg(::geteuid());
    const QString ours = tmp + "/ours";
    struct TCase {
        const char* What;
        std::function<void()> Prepare;
        const char* Refusal; // nullptr: used
        bool AsOtherUser = false;
    };
    const TCase cases[] = {
        {"missing, made under a strict umask", [] { ::umask(0277); }, nullptr},
        {"a private folder of ours",
         [&] {
             QDir().mkdir(folder);
             ::chmod(QFile::encodeName(folder).constData(), 0700);
         },
         nullptr},
        {"a folder others may enter",
         [&] {
             QDir().mkdir(folder);
             ::chmod(QFile::encodeName(folder).constData(), 0755);
         },
         "other users may enter it (mode 0755)"},
        {"a link to a private folder of ours",
         [&] {
             QDir().mkdir(ours);
             ::chmod(QFile::encodeName(ours).constData(), 0700);
             QFile::link(ours, folder);
         },
         "it is a symbolic link"},
        {"a file", [&] { QFile(folder).open(QIODevice::WriteOnly); }, "it is not a folder"},
        {"another user's private folder",
         [&] {
             ShareRuntimeFolder();
             RunAsOtherUser(
                 [path = QFile::encodeName(folder)] { return ::mkdir(path.constData(), 0700); });
         },
         "it belongs to another user", true},
    };
    for (const auto& c : cases) {
        if (c.AsOtherUser && !CanActAsOtherUser()) {
            std::printf("[ NOTE     ] \"%s\" needs root to act as another user\n", c.What);
            continue;
        }
        const mode_t oldMask = ::umask(022);
        c.Prepare();
        const TRuntimeFolder found = FindRuntimeFolder(tmp);
        ::umask(oldMask);
        if (!c.Refusal) {
            EXPECT_EQ(found.Path, folder + '/') << c.What;
            EXPECT_TRUE(found.Problem.isEmpty()) << c.What;
            EXPECT_EQ(ModeOf(folder), 0700u) << c.What;
        } else {
            EXPECT_TRUE(found.Path.isEmpty()) << c.What;
            EXPECT_TRUE(found.Problem.contains(folder)) << c.What;
            EXPECT_TRUE(found.Problem.contains(c.Refusal)) << found.Problem.toStdString();
            // Neither the lock nor a question goes there.
            TSingleInstance instance(tmp);
            EXPECT_EQ(instance.Acquire(), TInstanceLock::Unusable) << c.What;
            EXPECT_FALSE(instance.AskRunningToCapture(500)) << c.What;
            EXPECT_EQ(instance.Problem(), found.Problem) << c.What;
        }
        EXPECT_FALSE(Exists(ours + QStringLiteral("/Karvin By Morvane.%1.lock").arg(::getuid())))
            << c.What;
        if (QFileInfo(folder).isSymLink() || QFileInfo(folder).isFile())
            QFile::remove(folder);
        else
            QDir(folder).removeRecursively();
    }
    // XDG_RUNTIME_DIR is taken as it is when it names a folder; a relative one does not count.
    qputenv("XDG_RUNTIME_DIR", "/run/user/1234/");
    EXPECT_EQ(FindRuntimeFolder(tmp).Path, "/run/user/1234/");
    qputenv("XDG_RUNTIME_DIR", "run");
    EXPECT_EQ(FindRuntimeFolder(tmp).Path, folder + '/');
}

TEST_F(SingleInstance, ASocketSquattedByAnotherUserGetsNoRequest) {
    if (!CanActAsOtherUser())
        GTEST_SKIP() << "needs root to act as another user";
    ShareRuntimeFolder();
    // The squatter answers as a running Karvin would, and counts what it receives.
    const pid_t squatter = StartAsOtherUser([path = QFile::encodeName(SocketPath())] {
        const int server = ListenAt(path);
        if (server < 0)
            return 100;
        pollfd waiting{server, POLLIN, 0};
        if (::poll(&waiting, 1, 10000) != 1)
            return 101;
        const int client = ::accept(server, nullptr, nullptr);
        if (client < 0)
            return 102;
        // The asker may have hung up already.
        ::send(client, "ok\n", 3, MSG_NOSIGNAL);
        return BytesArriving(client, 2000);
    });
    ASSERT_GT(squatter, 0);
    ProcessEventsUntil([&] { return Exists(SocketPath()); });

    TSingleInstance asker;
    EXPECT_FALSE(asker.AskRunningToCapture());
    EXPECT_TRUE(asker.Problem().contains("another user (uid 65534)"))
        << asker.Problem().toStdString();
    EXPECT_EQ(WaitForChild(squatter), 0) << "the squatter received bytes (or failed to start)";
}

TEST_F(SingleInstance, ARequestFromAnotherUserIsDroppedUnread) {
    if (!CanActAsOtherUser())
        GTEST_SKIP() << "needs root to act as another user";
    TSingleInstance first;
    ASSERT_EQ(first.Acquire(), TInstanceLock::Acquired);
    int requests = 0;
    first.Listen([&requests] { ++requests; }, [&requests] { ++requests; });
    // As though permissions did not keep the other user out.
    ShareRuntimeFolder();
    ASSERT_EQ(::chmod(QFile::encodeName(SocketPath()).constData(), 0777), 0);

    const pid_t asker = StartAsOtherUser([path = QFile::encodeName(SocketPath())] {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
        if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            return 100;
        // Karvin may have hung up already: that is the point.
        ::send(fd, "capture\n", 8, MSG_NOSIGNAL);
        return BytesArriving(fd, 3000); // an answer would be "ok"
    });
    ASSERT_GT(asker, 0);
    int status = -2;
    ProcessEventsUntil([&] {
        int raw = 0;
        if (::waitpid(asker, &raw, WNOHANG) != asker)
            return false;
        status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        return true;
    });
    QCoreApplication::processEvents();
    EXPECT_EQ(status, 0) << "the other user's request was answered (or could not be sent)";
    EXPECT_EQ(requests, 0);
}
