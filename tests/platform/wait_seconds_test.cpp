#include "platform/wait_seconds.h"

#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>

TEST(WaitSeconds, LetsTheProgramsEventsRunWhileTheTimePasses) {
    int ticks = 0;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start();
    QElapsedTimer clock;
    clock.start();

    WaitSeconds(0.15);

    EXPECT_GE(clock.elapsed(), 150);
    EXPECT_GE(ticks, 3);
}

TEST(WaitSeconds, NoTimeHandlesWhatIsPendingOnce) {
    for (double seconds : {0.0, -1.0}) {
        bool ran = false;
        QTimer::singleShot(0, [&ran] { ran = true; });
        WaitSeconds(seconds);
        EXPECT_TRUE(ran) << seconds;
    }
}
