// Switching the keyboard layout of the test's X server, as a user switching layouts would.
#pragma once

#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

// Sets the layout while it lives ("de", "fr"), then goes back to "us", the server's own.
class TKeyboardLayout {
public:
    explicit TKeyboardLayout(const char* layout) { Set(layout); }
    ~TKeyboardLayout() { Set("us"); }
    TKeyboardLayout(const TKeyboardLayout&) = delete;
    TKeyboardLayout& operator=(const TKeyboardLayout&) = delete;

private:
    static void Set(const char* layout) {
        int status = QProcess::execute("setxkbmap", {"-layout", layout});
        if (status != 0)
            ADD_FAILURE() << "setxkbmap -layout " << layout << " failed (" << status << ")";
    }
};
