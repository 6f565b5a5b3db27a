// Virtual keys: the program's own numbering of the keys it grabs and presses. The settings
// files keep hot keys in it, and the key language names its keys in it; X keysyms (and from
// them the key codes of the layout in use) are looked up only at the moment a key is grabbed
// or pressed.
#pragma once

inline constexpr unsigned VkBackspace = 0x08;
inline constexpr unsigned VkTab = 0x09;
inline constexpr unsigned VkEnter = 0x0D;
inline constexpr unsigned VkShift = 0x10;
inline constexpr unsigned VkControl = 0x11;
inline constexpr unsigned VkAlt = 0x12;
inline constexpr unsigned VkEscape = 0x1B;
inline constexpr unsigned VkSpace = 0x20;
inline constexpr unsigned VkPageUp = 0x21;
inline constexpr unsigned VkPageDown = 0x22;
inline constexpr unsigned VkEnd = 0x23;
inline constexpr unsigned VkHome = 0x24;
inline constexpr unsigned VkLeft = 0x25;
inline constexpr unsigned VkUp = 0x26;
inline constexpr unsigned VkRight = 0x27;
inline constexpr unsigned VkDown = 0x28;
inline constexpr unsigned VkPrintScreen = 0x2C;
inline constexpr unsigned VkInsert = 0x2D;
inline constexpr unsigned VkDelete = 0x2E;
inline constexpr unsigned VkA = 0x41; // A..Z are 0x41..0x5A
inline constexpr unsigned VkZ = 0x5A;
inline constexpr unsigned VkF1 = 0x70; // F1..F12 are 0x70..0x7B
inline constexpr unsigned VkF4 = 0x73;
inline constexpr unsigned VkF12 = 0x7B;
// The right Alt key, which is AltGr (the third and fourth level of a key) on the layouts that
// have one. X has no Ctrl+Alt stand-in for it: the level-three key itself must be held.
inline constexpr unsigned VkAltGr = 0xA5;

// The X keysym of a virtual key, 0 for a number that names no key here. Letters map to their
// lower-case keysyms, which is what the unshifted key of a layout carries.
unsigned long KeysymOfVirtualKey(unsigned virtualKey);
