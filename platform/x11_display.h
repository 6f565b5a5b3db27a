// The X display for commands that run without the program's windows ("karvin capture"):
// the display that DISPLAY names, opened without Qt. Qt's start takes a good part of such a
// command's time, and Qt ends the process when the display cannot be reached.
//
// While an object lives, the X11 platform objects (TX11Screen, TX11Windows) work on its
// display; make it before them and let it go after them.
#pragma once

class TX11CommandLineDisplay {
public:
    TX11CommandLineDisplay();
    ~TX11CommandLineDisplay();
    TX11CommandLineDisplay(const TX11CommandLineDisplay&) = delete;
    TX11CommandLineDisplay& operator=(const TX11CommandLineDisplay&) = delete;

    // False when the display cannot be reached (or DISPLAY names none).
    bool Opened() const { return Display_ != nullptr; }

private:
    void* Display_ = nullptr; // the Xlib Display, kept out of this header
};
