#pragma once
// How a hot key of the program becomes an X11 passive key grab, and how a key press is matched
// back to it. Plain arithmetic on X protocol numbers, so that every bit can be checked without a
// display: one inverted bit here makes a hot key fire on the bare key.
#include <cstdint>
#include <span>
#include <vector>

namespace pigmora::qt {

// X modifier bits (the core protocol's KEYBUTMASK).
inline constexpr uint16_t kX11ShiftMask = 1u << 0;
inline constexpr uint16_t kX11LockMask = 1u << 1;
inline constexpr uint16_t kX11ControlMask = 1u << 2;
inline constexpr uint16_t kX11Mod1Mask = 1u << 3;  // Alt
inline constexpr uint16_t kX11Mod2Mask = 1u << 4;
inline constexpr uint16_t kX11Mod3Mask = 1u << 5;
inline constexpr uint16_t kX11Mod4Mask = 1u << 6;  // Super
inline constexpr uint16_t kX11Mod5Mask = 1u << 7;

// The four modifiers a hot key is made of; every other bit of a press (lock keys, mouse buttons,
// AltGr) is ignored when a press is matched.
inline constexpr uint16_t kX11HotkeyModifiers =
    kX11ShiftMask | kX11ControlMask | kX11Mod1Mask | kX11Mod4Mask;

// The X keysym of the key with this macOS virtual key code (US layout), 0 (NoSymbol) for a code
// that has no key here.
uint32_t KeysymForMacKeyCode(uint32_t macKeyCode);

// Carbon modifier mask to X modifier mask: Control to Control, Option to Mod1 (Alt), Shift to
// Shift, Command to Mod4 (Super). Carbon bits outside these four are dropped.
uint16_t X11ModifiersForCarbon(uint32_t carbonModifiers);

// Every modifier state under which a grab of `modifiers` has to be made so that the hot key also
// fires with NumLock and/or CapsLock on: `modifiers` alone first, then with each lock and with
// both. A lock mask of 0 (key not mapped), or one that overlaps the four hot-key modifiers, adds
// no variant. No state appears twice.
std::vector<uint16_t> LockVariants(uint16_t modifiers, uint16_t numLockMask, uint16_t capsLockMask);

// The part of a key press's state that a hot key is matched on.
inline uint16_t HotkeyModifiersOfState(uint16_t state) {
  return state & kX11HotkeyModifiers;
}

// The modifier bits whose rows in the server's modifier mapping (8 rows of `keycodesPerModifier`
// key codes, in the order Shift, Lock, Control, Mod1 ... Mod5) hold one of `keycodes`. Key code 0
// marks an empty slot and never matches.
uint16_t ModifierMaskOfKeycodes(std::span<const uint8_t> modifierMapping, int keycodesPerModifier,
                                std::span<const uint8_t> keycodes);

}  // namespace pigmora::qt
