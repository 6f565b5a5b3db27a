// The pointer follower that polls the pointer's position: it reports movements only, and
// nothing after it has stopped or when there is no screen.
#include "platform/mouse_hook.h"

#include "tests/fakes/fake_screen.h"

#include <QTest>

#include <gtest/gtest.h>

TEST(PollingMouseHook, ReportsEveryMovementUntilStopped) {
    TFakeScreen screen;
    screen.Pointer = QPoint(5, 6);
    TPollingMouseHook hook(screen);
    std::vector<QPoint> seen;
    ASSERT_TRUE(hook.MouseHook_Start([&] { seen.push_back(hook.GetMouseHookStruct()); }));
    EXPECT_EQ(hook.GetMouseHookStruct(), QPoint(5, 6));

    // Standing still reports nothing.
    QTest::qWait(5 * TPollingMouseHook::PollIntervalMs);
    EXPECT_TRUE(seen.empty());

    screen.Pointer = QPoint(100, 200);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !seen.empty(); }, 2000));
    QTest::qWait(5 * TPollingMouseHook::PollIntervalMs);
    EXPECT_EQ(seen, std::vector<QPoint>{QPoint(100, 200)});

    EXPECT_TRUE(hook.MouseHook_Stop());
    screen.Pointer = QPoint(1, 1);
    QTest::qWait(5 * TPollingMouseHook::PollIntervalMs);
    EXPECT_EQ(seen.size(), 1u);
    // Stopping again: nothing was running.
    EXPECT_FALSE(hook.MouseHook_Stop());
}

TEST(PollingMouseHook, ACallbackMayStopTheHook) {
    TFakeScreen screen;
    TPollingMouseHook hook(screen);
    int calls = 0;
    ASSERT_TRUE(hook.MouseHook_Start([&] {
        ++calls;
        hook.MouseHook_Stop();
    }));
    screen.Pointer = QPoint(3, 3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls > 0; }, 2000));
    screen.Pointer = QPoint(4, 4);
    QTest::qWait(5 * TPollingMouseHook::PollIntervalMs);
    EXPECT_EQ(calls, 1);
}

TEST(PollingMouseHook, WithoutAScreenThereIsNothingToFollow) {
    TFakeScreen none(0, 0);
    TPollingMouseHook hook(none);
    EXPECT_FALSE(hook.MouseHook_Start([] {}));
    EXPECT_FALSE(hook.MouseHook_Stop());
}
