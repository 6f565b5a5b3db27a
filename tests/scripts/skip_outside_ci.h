// Tests that need something this machine may lack (a browser, root to act as another user).
// On a developer's machine such a test is skipped; in CI (CI=true), whose test command
// installs every tool it needs and runs as root, it fails instead, so that a missing tool
// is never counted as a pass.
#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <gtest/gtest.h>

inline bool RunningInCI() {
    const QByteArray ci = qgetenv("CI").trimmed().toLower();
    return !ci.isEmpty() && ci != "0" && ci != "false";
}

// Ends the test: a skip, or in CI a failure. For test bodies (functions returning void).
#define KARVIN_SKIP_OUTSIDE_CI(why)                                                                \
    do {                                                                                           \
        if (RunningInCI())                                                                         \
            FAIL() << why << " (CI must run this test)";                                           \
        GTEST_SKIP() << why;                                                                       \
    } while (false)
