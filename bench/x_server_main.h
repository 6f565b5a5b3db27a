// The main function of a benchmark that needs an X server: without one it runs itself again
// on a private Xvfb of 1920x1080, as `with-xvfb` starts it.
#pragma once

#include <QGuiApplication>

#include <benchmark/benchmark.h>
#include <cstdio>
#include <unistd.h>
#include <vector>

inline int RunBenchmarksOnXServer(int argc, char** argv, const char* name) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::vector<char*> command{const_cast<char*>(KARVIN_SOURCE_DIR "/tests/scripts/with-xvfb"),
                                   const_cast<char*>("--size"), const_cast<char*>("1920x1080x24"),
                                   const_cast<char*>("--")};
        command.insert(command.end(), argv, argv + argc);
        command.push_back(nullptr);
        execv(command[0], command.data());
        std::fprintf(stderr, "%s: cannot start a private X server: ", name);
        std::perror(nullptr);
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
