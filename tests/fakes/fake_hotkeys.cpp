#include "tests/fakes/fake_hotkeys.h"

#include <algorithm>

bool TFakeHotKeys::Register(int id, unsigned modifiers, unsigned virtualKey) {
    Log << QString("Register %1 %2 0x%3")
               .arg(id)
               .arg(modifiers)
               .arg(QString::number(virtualKey, 16).toUpper());
    Registered.erase(id);
    TKey key{modifiers, virtualKey};
    bool taken = std::find(HeldByOthers.begin(), HeldByOthers.end(), key) != HeldByOthers.end() ||
                 std::any_of(Registered.begin(), Registered.end(),
                             [&](const auto& entry) { return entry.second == key; });
    if (taken || VirtualKeyToKeysym(virtualKey) == 0)
        return false;
    Registered[id] = key;
    return true;
}

void TFakeHotKeys::Unregister(int id) {
    Log << QString("Unregister %1").arg(id);
    Registered.erase(id);
}

bool TFakeHotKeys::IsRegistered(int id) const {
    return Registered.count(id) != 0;
}

void TFakeHotKeys::SetHandler(std::function<void(int id)> handler) {
    Handler_ = std::move(handler);
}

bool TFakeHotKeys::Press(unsigned modifiers, unsigned virtualKey) {
    auto it = std::find_if(Registered.begin(), Registered.end(), [&](const auto& entry) {
        return entry.second == TKey{modifiers, virtualKey};
    });
    if (it == Registered.end())
        return false;
    int id = it->first;
    if (Handler_)
        Handler_(id);
    return true;
}

bool TFakeHotKeys::PressId(int id) {
    auto it = Registered.find(id);
    return it != Registered.end() && Press(it->second.Modifiers, it->second.VirtualKey);
}
