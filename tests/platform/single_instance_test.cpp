#include "platform/single_instance.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QTemporaryDir>
#include <future>
#include <gtest/gtest.h>

namespace {

class SingleInstance : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Runtime.isValid());
        Saved = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", Runtime.path().toLocal8Bit());
    }
    void TearDown() override { qputenv("XDG_RUNTIME_DIR", Saved); }

    QTemporaryDir Runtime;
    QByteArray Saved;
};

} // namespace

TEST_F(SingleInstance, OnlyOneHoldsTheLockUntilItEnds) {
    auto first = std::make_unique<TSingleInstance>();
    EXPECT_EQ(first->LockPath(),
              Runtime.path() + QStringLiteral("/Karvin By Morvane.%1.lock").arg(::getuid()));
    ASSERT_TRUE(first->Acquire());
    TSingleInstance second;
    EXPECT_FALSE(second.Acquire());
    first.reset();
    TSingleInstance third;
    EXPECT_TRUE(third.Acquire());
}

TEST_F(SingleInstance, ASecondStartAsksTheFirstToShowItsWindow) {
    TSingleInstance first;
    ASSERT_TRUE(first.Acquire());
    int showRequests = 0;
    first.Listen([&showRequests] { ++showRequests; });

    // The second start blocks on its socket; the first answers from its event loop.
    auto asked =
        std::async(std::launch::async, [] { return TSingleInstance().AskRunningToShow(); });
    const QDeadlineTimer deadline(5000);
    while (showRequests == 0 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_TRUE(asked.get());
    EXPECT_EQ(showRequests, 1);
}

TEST_F(SingleInstance, NobodyAnswersWhenNoInstanceRuns) {
    EXPECT_FALSE(TSingleInstance().AskRunningToShow(500));
}

TEST_F(SingleInstance, TriggerAsksTheFirstToCaptureAndNotToShow) {
    TSingleInstance first;
    ASSERT_TRUE(first.Acquire());
    int showRequests = 0;
    int captureRequests = 0;
    first.Listen([&showRequests] { ++showRequests; }, [&captureRequests] { ++captureRequests; });

    auto asked =
        std::async(std::launch::async, [] { return TSingleInstance().AskRunningToCapture(); });
    const QDeadlineTimer deadline(5000);
    while (captureRequests == 0 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_TRUE(asked.get());
    EXPECT_EQ(captureRequests, 1);
    EXPECT_EQ(showRequests, 0);
}
