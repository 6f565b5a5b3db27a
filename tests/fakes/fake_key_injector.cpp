#include "tests/fakes/fake_key_injector.h"

#include "platform/virtual_keys.h"

#include <cstdlib>
#include <stdexcept>

TRecordingKeyInjector::TRecordingKeyInjector() {
    for (char32_t letter = U'a'; letter <= U'z'; ++letter) {
        Layout[letter] = {VkA + unsigned(letter - U'a'), 0};
        Layout[letter - U'a' + U'A'] = {VkA + unsigned(letter - U'a'), 1};
    }
    for (char32_t digit = U'0'; digit <= U'9'; ++digit)
        Layout[digit] = {unsigned(digit), 0};
    Layout[U' '] = {VkSpace, 0};
    Layout[U'@'] = {'2', 1};
    Layout[U'^'] = {'6', 1};
    Layout[U'['] = {0xDB, 0};
    Layout[U'{'] = {0xDB, 1};
    Layout[U']'] = {0xDD, 0};
    Layout[U'}'] = {0xDD, 1};
    Layout[U'`'] = {0xC0, 0};
    Layout[U'~'] = {0xC0, 1};
    Layout[U'/'] = {0xBF, 0};
    Layout[U'?'] = {0xBF, 1};
    Layout[U'€'] = {VkA + 4, 2}; // AltGr+E, as on many European layouts
    Layout[U'¿'] = {0xBF, 3};    // AltGr+Shift+/
}

std::optional<TLayoutKey> TRecordingKeyInjector::KeyOfCharacter(char32_t character) {
    auto entry = Layout.find(character);
    if (entry == Layout.end())
        return std::nullopt;
    return entry->second;
}

void TRecordingKeyInjector::KeyEvent(unsigned keyCode, bool up) {
    if (++Events_ == FailAtEvent)
        throw std::runtime_error("the keyboard went away");
    Log << (up ? "-" : "+") + KeyName(keyCode);
}

void TRecordingKeyInjector::WheelSteps(int steps) {
    for (int step = 0; step < std::abs(steps); ++step)
        Log << (steps > 0 ? "wheel down" : "wheel up");
}

bool TRecordingKeyInjector::BringToFront(TWindowId window) {
    Log << QString("front %1").arg(window);
    return FrontSucceeds;
}

QString TRecordingKeyInjector::KeyName(unsigned keyCode) {
    if ((keyCode >= VkA && keyCode <= VkZ) || (keyCode >= '0' && keyCode <= '9'))
        return QString(QChar(keyCode));
    if (keyCode >= VkF1 && keyCode <= VkF12)
        return QString("F%1").arg(keyCode - VkF1 + 1);
    static const std::map<unsigned, QString> names{
        {VkBackspace, "Bksp"},
        {VkTab, "Tab"},
        {VkEnter, "Enter"},
        {VkShift, "Shift"},
        {VkControl, "Ctrl"},
        {VkAlt, "Alt"},
        {VkEscape, "Esc"},
        {VkSpace, "Space"},
        {VkPageUp, "PgUp"},
        {VkPageDown, "PgDn"},
        {VkEnd, "End"},
        {VkHome, "Home"},
        {VkLeft, "Left"},
        {VkUp, "Up"},
        {VkRight, "Right"},
        {VkDown, "Down"},
        {VkPrintScreen, "PrtSc"},
        {VkInsert, "Ins"},
        {VkDelete, "Del"},
        {VkAltGr, "AltGr"},
        {0xDB, "["},
        {0xDD, "]"},
        {0xC0, "`"},
        {0xBF, "/"},
    };
    auto name = names.find(keyCode);
    return name != names.end() ? name->second : QString("0x%1").arg(keyCode, 0, 16);
}
