// The main window on a real X server with a window manager: the real hot keys, screen,
// windows and clipboard, the other services faked (the dialogs as the test chooses: fakes
// that record, or the real ones for windows that must run their own event loop), in a
// private working folder; and a second X client that plays the other programs and the user.
#pragma once

#include "platform/clipboard.h"
#include "platform/dialogs.h"
#include "platform/hotkeys.h"
#include "platform/key_injector.h"
#include "platform/mouse_hook.h"
#include "platform/screen.h"
#include "platform/windows.h"
#include "store/settings.h"
#include "tests/app/frm_main_driver.h"
#include "tests/fakes/fake_browser_urls.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/fakes/fake_dialogs.h"
#include "tests/fakes/fake_mailer.h"
#include "tests/fakes/fake_printer.h"
#include "tests/fakes/fake_sound.h"
#include "tests/fakes/fake_tray_icon.h"
#include "tests/fakes/fake_word_processor.h"
#include "tests/store/work_folder_fixture.h"

#include <memory>

// X headers come after every Qt header.
#include "tests/platform/x11_helpers.h"

template <class TDialogs> class TMainWindowX11 : public TWorkFolderTest {
protected:
    // The window as the program makes it (hidden until ShowMainTimerTimer).
    std::unique_ptr<TfrmMainDriver> StartMain(IBrowserURLs& browsers) {
        return std::make_unique<TfrmMainDriver>(
            TServices{Dialogs, Clipboard, Tray, Windows, Screen, Desktop, HotKeys, Sound, browsers,
                      Printer, WordProcessor, Mailer, Keyboard, MouseHook});
    }
    std::unique_ptr<TfrmMainDriver> StartMain() { return StartMain(Browsers); }
    // Captures by `method` into BMP files, nothing printed.
    void PutCaptureSettings(int method) {
        TSettingsRecord record;
        record.CapSelection = method;
        record.PrintSelection = psCaptureOnly;
        EnsureWorkFolder();
        WriteSettings(record);
    }

    TOtherClient User;
    TDialogs Dialogs;
    TQtClipboard Clipboard;
    TFakeTrayIcon Tray;
    TX11Windows Windows;
    TX11Screen Screen;
    TFakeDesktop Desktop;
    TX11HotKeys HotKeys;
    TFakeSound Sound;
    TFakeBrowserURLs Browsers;
    TRecordingPrinter Printer;
    TFakeWordProcessor WordProcessor;
    TFakeMailer Mailer;
    TX11KeyInjector Keyboard;
    TPollingMouseHook MouseHook{Screen};
};
