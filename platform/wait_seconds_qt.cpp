#include "platform/wait_seconds.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>

void WaitSeconds(double seconds) {
    const double ms = std::ceil(seconds * 1000.0);
    if (!(ms > 0)) { // also for NaN
        QCoreApplication::processEvents();
        return;
    }
    // The loop also ends early when the program quits meanwhile: there is nothing left to
    // wait for then.
    QEventLoop loop;
    QTimer::singleShot(std::chrono::milliseconds(qint64(std::min(ms, 2.0e9))), Qt::PreciseTimer,
                       &loop, &QEventLoop::quit);
    loop.exec();
}
