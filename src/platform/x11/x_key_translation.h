#pragma once
// The pure rules beneath TranslateKeyEvent: X keysyms and modifier state in, the three inputs of
// a shortcut capture field out (AppKit-style modifier flags, macOS virtual key code, the
// character the key gives with Shift alone). Kept free of any connection to the X server so
// that every layout case can be tested without a display.
#include <QtCore/qnamespace.h>

#include <cstdint>
#include <span>

#include "platform/system_events.h"

namespace pigmora::qt {

// A key code with no macOS counterpart; MapToShortcut then decides by the character alone.
inline constexpr uint16_t kNoMacKeyCode = 0xFFFF;

// What one physical key gives in the current keyboard group: without any modifier and with
// Shift. 0 (NoSymbol) when unknown.
struct KeyLevels {
  uint32_t plain = 0;
  uint32_t shifted = 0;
};

// Reads one keycode's row of the server's core keyboard mapping (keysyms_per_keycode entries)
// the way the core protocol prescribes: short rows are widened, a missing Shift level repeats
// the first one, or gives its upper case for a letter with two cases. Groups beyond the second
// fall back to the first, as the core mapping only describes two.
KeyLevels LevelsOfKeyboardRow(std::span<const uint32_t> row, int group);

// The Unicode character of a keysym, with the AppKit function-key characters (U+F700 range) for
// the navigation and function keys, 127 for BackSpace and 3 for the keypad's Enter; 0 when the
// keysym stands for no character.
char16_t CharacterOfKeysym(uint32_t keysym);

// True for Shift, Control, Alt, Super, Caps Lock and the other keys that only modify: pressing
// one alone is no key-down for a capture field.
bool IsModifierKeysym(uint32_t keysym);

// `keysym` is the one the server reported for the press (modifiers applied), `levels` what the
// key gives without modifier and with Shift (zeros when the keyboard mapping is unknown; the key
// code is then guessed from a US layout). focusedControlId is left at -1.
platform::KeyDown TranslateKey(uint32_t keysym, KeyLevels levels, Qt::KeyboardModifiers modifiers);

// The keysym a Qt key stands for, for events that carry no native keysym (synthesised ones).
uint32_t KeysymOfQtKey(int qtKey, Qt::KeyboardModifiers modifiers);

}  // namespace pigmora::qt
