#include "platform/session_end.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The pipe from the signal handler to the event loop: write end [1], read end [0].
int SignalPipe[2] = {-1, -1};

extern "C" void OnSessionSignal(int) {
    const int savedErrno = errno;
    const char byte = 1;
    // A full pipe means a request is on its way already.
    [[maybe_unused]] const ssize_t written = ::write(SignalPipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

void WatchSessionEnd(std::function<void()> onEnd) {
    if (::pipe2(SignalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // without the pipe the signals keep their default: the process ends
    // Lives as long as the application: the signals can come at any time.
    auto* notifier =
        new QSocketNotifier(SignalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, [onEnd = std::move(onEnd)] {
        char bytes[16];
        while (::read(SignalPipe[0], bytes, sizeof bytes) > 0) {
        }
        onEnd();
    });
    struct sigaction action {};
    action.sa_handler = OnSessionSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);
}
