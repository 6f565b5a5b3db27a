// Every platform service faked, in one holder, and the TServices that hands them out.
#pragma once

#include "platform/services.h"
#include "tests/fakes/fake_browser_urls.h"
#include "tests/fakes/fake_clipboard.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/fakes/fake_dialogs.h"
#include "tests/fakes/fake_hotkeys.h"
#include "tests/fakes/fake_key_injector.h"
#include "tests/fakes/fake_mailer.h"
#include "tests/fakes/fake_mouse_hook.h"
#include "tests/fakes/fake_printer.h"
#include "tests/fakes/fake_screen.h"
#include "tests/fakes/fake_sound.h"
#include "tests/fakes/fake_tray_icon.h"
#include "tests/fakes/fake_windows.h"
#include "tests/fakes/fake_word_processor.h"

struct TFakeServices {
    TFakeDialogs Dialogs;
    TFakeClipboard Clipboard;
    TFakeTrayIcon Tray;
    TFakeWindows Windows;
    TFakeScreen Screen;
    TFakeDesktop Desktop;
    TFakeHotKeys HotKeys;
    TFakeSound Sound;
    TFakeBrowserURLs Browsers;
    TRecordingPrinter Printer;
    TFakeWordProcessor WordProcessor;
    TFakeMailer Mailer;
    TRecordingKeyInjector Keyboard;
    TFakeMouseHook MouseHook;

    TServices Services() {
        return {Dialogs, Clipboard, Tray,    Windows,       Screen, Desktop,  HotKeys,
                Sound,   Browsers,  Printer, WordProcessor, Mailer, Keyboard, MouseHook};
    }
};
