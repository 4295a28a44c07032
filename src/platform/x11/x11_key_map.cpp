#include "platform/x11/x11_key_map.h"

#define XK_MISCELLANY
#define XK_LATIN1
#include <X11/keysymdef.h>

#include <algorithm>

namespace pigmora::qt {

namespace {

struct MacKey {
  uint32_t macKeyCode;
  uint32_t keysym;
};

// Every key code of the program's key table. Letters use their lower-case keysym, which sits in
// the unshifted column of the server's keyboard mapping.
constexpr MacKey kMacKeys[] = {
    {0, XK_a},
    {1, XK_s},
    {2, XK_d},
    {3, XK_f},
    {4, XK_h},
    {5, XK_g},
    {6, XK_z},
    {7, XK_x},
    {8, XK_c},
    {9, XK_v},
    {10, XK_section},
    {11, XK_b},
    {12, XK_q},
    {13, XK_w},
    {14, XK_e},
    {15, XK_r},
    {16, XK_y},
    {17, XK_t},
    {18, XK_1},
    {19, XK_2},
    {20, XK_3},
    {21, XK_4},
    {22, XK_6},
    {23, XK_5},
    {24, XK_equal},
    {25, XK_9},
    {26, XK_7},
    {27, XK_minus},
    {28, XK_8},
    {29, XK_0},
    {30, XK_bracketright},
    {31, XK_o},
    {32, XK_u},
    {33, XK_bracketleft},
    {34, XK_i},
    {35, XK_p},
    {36, XK_Return},
    {37, XK_l},
    {38, XK_j},
    {39, XK_apostrophe},
    {40, XK_k},
    {41, XK_semicolon},
    {42, XK_backslash},
    {43, XK_comma},
    {44, XK_slash},
    {45, XK_n},
    {46, XK_m},
    {47, XK_period},
    {48, XK_Tab},
    {49, XK_space},
    {50, XK_grave},
    // The Mac "delete" key is the one left of the backspace position.
    {51, XK_BackSpace},
    {53, XK_Escape},
    {57, XK_Caps_Lock},
    {64, XK_F17},
    {71, XK_Clear},
    {79, XK_F18},
    {80, XK_F19},
    {90, XK_F20},
    {96, XK_F5},
    {97, XK_F6},
    {98, XK_F7},
    {99, XK_F3},
    {100, XK_F8},
    {101, XK_F9},
    {103, XK_F11},
    {105, XK_F13},
    {106, XK_F16},
    {107, XK_F14},
    {109, XK_F10},
    {111, XK_F12},
    {113, XK_F15},
    {115, XK_Home},
    {116, XK_Prior},
    {118, XK_F4},
    {119, XK_End},
    {120, XK_F2},
    {121, XK_Next},
    {122, XK_F1},
};

// Carbon modifier bits.
constexpr uint32_t kCarbonCommand = 0x100;
constexpr uint32_t kCarbonShift = 0x200;
constexpr uint32_t kCarbonOption = 0x800;
constexpr uint32_t kCarbonControl = 0x1000;

}  // namespace

uint32_t KeysymForMacKeyCode(uint32_t macKeyCode) {
  for (const MacKey& key : kMacKeys) {
    if (key.macKeyCode == macKeyCode) return key.keysym;
  }
  return 0;
}

uint16_t X11ModifiersForCarbon(uint32_t carbonModifiers) {
  uint16_t mask = 0;
  if (carbonModifiers & kCarbonControl) mask |= kX11ControlMask;
  if (carbonModifiers & kCarbonOption) mask |= kX11Mod1Mask;
  if (carbonModifiers & kCarbonShift) mask |= kX11ShiftMask;
  if (carbonModifiers & kCarbonCommand) mask |= kX11Mod4Mask;
  return mask;
}

std::vector<uint16_t> LockVariants(uint16_t modifiers, uint16_t numLockMask,
                                   uint16_t capsLockMask) {
  // A lock sharing a bit with a real modifier cannot be told apart from it; grabbing with it
  // would bind a different combination.
  if (numLockMask & kX11HotkeyModifiers) numLockMask = 0;
  if (capsLockMask & kX11HotkeyModifiers) capsLockMask = 0;
  std::vector<uint16_t> variants;
  for (uint16_t extra : {uint16_t{0}, numLockMask, capsLockMask,
                         static_cast<uint16_t>(numLockMask | capsLockMask)}) {
    const uint16_t state = modifiers | extra;
    if (std::find(variants.begin(), variants.end(), state) == variants.end()) {
      variants.push_back(state);
    }
  }
  return variants;
}

uint16_t ModifierMaskOfKeycodes(std::span<const uint8_t> modifierMapping, int keycodesPerModifier,
                                std::span<const uint8_t> keycodes) {
  if (keycodesPerModifier <= 0) return 0;
  const std::size_t perRow = static_cast<std::size_t>(keycodesPerModifier);
  uint16_t mask = 0;
  for (std::size_t row = 0; row < 8 && (row + 1) * perRow <= modifierMapping.size(); ++row) {
    for (std::size_t slot = 0; slot < perRow; ++slot) {
      const uint8_t keycode = modifierMapping[row * perRow + slot];
      if (keycode == 0) continue;
      if (std::find(keycodes.begin(), keycodes.end(), keycode) != keycodes.end()) {
        mask |= static_cast<uint16_t>(1u << row);
      }
    }
  }
  return mask;
}

}  // namespace pigmora::qt
