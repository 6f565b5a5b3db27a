// Hot keys without a keyboard: a test sees what was registered and presses the keys itself.
#pragma once

#include "platform/hotkeys.h"

#include <QStringList>

#include <map>
#include <vector>

class TFakeHotKeys : public IHotKeys {
public:
    struct TKey {
        unsigned Modifiers = 0;
        unsigned VirtualKey = 0;
        bool operator==(const TKey&) const = default;
    };

    std::map<int, TKey> Registered;
    // Combinations another program holds: registering them fails.
    std::vector<TKey> HeldByOthers;
    // Every call in order: "Register 102 3 0x50", "Unregister 101".
    QStringList Log;

    bool Register(int id, unsigned modifiers, unsigned virtualKey) override;
    void Unregister(int id) override;
    bool IsRegistered(int id) const override;
    void SetHandler(std::function<void(int id)> handler) override;

    // The user presses a combination: the handler runs (at once) with the id that holds it.
    // False when no id holds it, as a key nobody grabbed does nothing.
    bool Press(unsigned modifiers, unsigned virtualKey);
    // Presses the combination registered under the id; false when the id is not registered.
    bool PressId(int id);

private:
    std::function<void(int)> Handler_;
};
