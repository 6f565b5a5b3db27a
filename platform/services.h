// The platform services a window needs, handed to it in its constructor: the program passes
// the real ones, tests pass the fakes of tests/fakes/.
#pragma once

#include "platform/browser_urls.h"
#include "platform/clipboard.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "platform/hotkeys.h"
#include "platform/key_injector.h"
#include "platform/mailer.h"
#include "platform/mouse_hook.h"
#include "platform/printer.h"
#include "platform/screen.h"
#include "platform/sound.h"
#include "platform/tray_icon.h"
#include "platform/windows.h"
#include "platform/word_processor.h"

struct TServices {
    IDialogs& Dialogs;
    IClipboard& Clipboard;
    ITrayIcon& Tray;
    IWindows& Windows;
    IScreen& Screen;
    IDesktop& Desktop;
    IHotKeys& HotKeys;
    ISound& Sound;
    IBrowserURLs& BrowserURLs;
    IPrinter& Printer;
    IWordProcessor& WordProcessor;
    IMailer& Mailer;
    IKeyInjector& Keyboard;
    IMouseHook& MouseHook;
};
