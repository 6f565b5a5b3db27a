// The real platform services, owned in one place: the program entry and the benchmarks that
// run the real window make one and hand its TServices to the window.
#pragma once

#include "platform/clipboard.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "platform/hotkeys.h"
#include "platform/key_injector.h"
#include "platform/mailer.h"
#include "platform/mouse_hook.h"
#include "platform/printer.h"
#include "platform/screen.h"
#include "platform/services.h"
#include "platform/sound.h"
#include "platform/tray_icon.h"
#include "platform/windows.h"
#include "platform/word_processor.h"
#include "weblink/browser_url.h"

struct TRealServices {
    TQtDialogs Dialogs;
    TQtClipboard Clipboard;
    TQtTrayIcon Tray;
    TX11Windows Windows;
    TX11Screen Screen;
    TQtDesktop Desktop;
    TX11HotKeys HotKeys;
    TQtSound Sound;
    TBrowserURLs BrowserURLs;
    TQtPrinter Printer;
    TUnoWordProcessor WordProcessor;
    TDesktopMailer Mailer;
    TX11KeyInjector Keyboard;
    TPollingMouseHook MouseHook{Screen};

    TServices Services() {
        return {Dialogs, Clipboard,   Tray,    Windows,       Screen, Desktop,  HotKeys,
                Sound,   BrowserURLs, Printer, WordProcessor, Mailer, Keyboard, MouseHook};
    }
};
