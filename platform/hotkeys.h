// Global hot keys: key combinations that reach the program wherever the user is working.
//
// A hot key is registered under an id with modifier bits and a virtual key in the program's
// own key numbering (the numbering the settings files keep). The press arrives through the
// handler as the id, after the event that carried it has been handled, never from inside
// the registration call.
#pragma once

#include "platform/virtual_keys.h"

#include <functional>
#include <memory>

// The ids the main window registers.
inline constexpr int HotKeyPrintScreen = 101;     // PrintScreen alone
inline constexpr int HotKeyUser = 102;            // the user's combination
inline constexpr int HotKeyZoomClose = 106;       // Alt+F4 while zoom capture waits
inline constexpr int HotKeyDurIdozezedStop = 107; // Escape while a page capture scrolls

// Modifier bits, combined with |.
inline constexpr unsigned ModAlt = 1;
inline constexpr unsigned ModControl = 2;
inline constexpr unsigned ModShift = 4;

// The X keysym of a virtual key that can be a hot key (PrintScreen, F1..F12, A..Z, and Escape
// for stopping a capture; the settings' HotKeyVirtualKey in store/settings.h gives the
// user's), 0 for any other key.
unsigned long VirtualKeyToKeysym(unsigned virtualKey);

class IHotKeys {
public:
    virtual ~IHotKeys() = default;

    // Grabs the combination for the id, replacing what the id held before. False when the
    // key is unknown, when another program (or another id of ours) holds the combination,
    // or when there is no display; the id is then not registered.
    virtual bool Register(int id, unsigned modifiers, unsigned virtualKey) = 0;
    // Releases the id's combination; an id that is not registered is ignored.
    virtual void Unregister(int id) = 0;
    virtual bool IsRegistered(int id) const = 0;
    // Called with the id of every press of a registered combination.
    virtual void SetHandler(std::function<void(int id)> handler) = 0;
};

// The real hot keys: key grabs on the root window of the application's X display, pressed
// keys picked out of Qt's native event stream. Releases every grab when destroyed.
class TX11HotKeys : public IHotKeys {
public:
    TX11HotKeys();
    ~TX11HotKeys() override;
    TX11HotKeys(const TX11HotKeys&) = delete;
    TX11HotKeys& operator=(const TX11HotKeys&) = delete;

    bool Register(int id, unsigned modifiers, unsigned virtualKey) override;
    void Unregister(int id) override;
    bool IsRegistered(int id) const override;
    void SetHandler(std::function<void(int id)> handler) override;

private:
    class TImpl;
    std::unique_ptr<TImpl> Impl_;
};
