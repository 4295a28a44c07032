#include "platform/x11/x11_key_map.h"

#define XK_MISCELLANY
#define XK_LATIN1
#include <X11/keysymdef.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>

#include "app/unicode_text.h"
#include "hotkeys/key_code_table.h"
#include "platform/hotkey_service.h"

namespace pigmora::qt {
namespace {

using platform::kHotkeyCommand;
using platform::kHotkeyControl;
using platform::kHotkeyOption;
using platform::kHotkeyShift;

struct NamedKey {
  std::u16string name;
  uint32_t keysym;
};

// Every name of the key table with the X keysym a user presses for it. Letters are grabbed by
// their lower-case keysym; a shifted character is the key of its unshifted one.
const NamedKey kNamedKeys[] = {
    {u"A", XK_a},
    {u"B", XK_b},
    {u"C", XK_c},
    {u"D", XK_d},
    {u"E", XK_e},
    {u"F", XK_f},
    {u"G", XK_g},
    {u"H", XK_h},
    {u"I", XK_i},
    {u"J", XK_j},
    {u"K", XK_k},
    {u"L", XK_l},
    {u"M", XK_m},
    {u"N", XK_n},
    {u"O", XK_o},
    {u"P", XK_p},
    {u"Q", XK_q},
    {u"R", XK_r},
    {u"S", XK_s},
    {u"T", XK_t},
    {u"U", XK_u},
    {u"V", XK_v},
    {u"W", XK_w},
    {u"X", XK_x},
    {u"Y", XK_y},
    {u"Z", XK_z},
    {u"1", XK_1},
    {u"!", XK_1},
    {u"2", XK_2},
    {u"@", XK_2},
    {u"3", XK_3},
    {u"#", XK_3},
    {u"4", XK_4},
    {u"$", XK_4},
    {u"5", XK_5},
    {u"%", XK_5},
    {u"6", XK_6},
    {u"^", XK_6},
    {u"7", XK_7},
    {u"&", XK_7},
    {u"8", XK_8},
    {u"*", XK_8},
    {u"9", XK_9},
    {u"(", XK_9},
    {u"0", XK_0},
    {u")", XK_0},
    {u"=", XK_equal},
    {u"+", XK_equal},
    {u"-", XK_minus},
    {u"_", XK_minus},
    {u"]", XK_bracketright},
    {u"}", XK_bracketright},
    {u"[", XK_bracketleft},
    {u"{", XK_bracketleft},
    {u"'", XK_apostrophe},
    {u"\"", XK_apostrophe},
    {u";", XK_semicolon},
    {u":", XK_semicolon},
    {u"\\", XK_backslash},
    {u"|", XK_backslash},
    {u",", XK_comma},
    {u"<", XK_comma},
    {u"/", XK_slash},
    {u"?", XK_slash},
    {u".", XK_period},
    {u">", XK_period},
    {u"`", XK_grave},
    {u"~", XK_grave},
    {u"Return", XK_Return},
    {u"Tab", XK_Tab},
    {u"Space", XK_space},
    {u"Del", XK_BackSpace},
    {u"Esc", XK_Escape},
    {u"CAPS", XK_Caps_Lock},
    {u"Clear", XK_Clear},
    {u"Home", XK_Home},
    {u"PgUp", XK_Prior},
    {u"End", XK_End},
    {u"PgDown", XK_Next},
    {u"\u00A7", XK_section},
    {u"\u00B1", XK_section},
    {u"F1", XK_F1},
    {u"F2", XK_F2},
    {u"F3", XK_F3},
    {u"F4", XK_F4},
    {u"F5", XK_F5},
    {u"F6", XK_F6},
    {u"F7", XK_F7},
    {u"F8", XK_F8},
    {u"F9", XK_F9},
    {u"F10", XK_F10},
    {u"F11", XK_F11},
    {u"F12", XK_F12},
    {u"F13", XK_F13},
    {u"F14", XK_F14},
    {u"F15", XK_F15},
    {u"F16", XK_F16},
    {u"F17", XK_F17},
    {u"F18", XK_F18},
    {u"F19", XK_F19},
    {u"F20", XK_F20},
};

TEST(X11KeyMapTest, EveryKeyNameOfTheTableReachesTheKeyOfThatName) {
  const KeyCodeTable table = BuildKeyCodeTable();
  ASSERT_EQ(std::size(kNamedKeys), table.size());
  for (const NamedKey& key : kNamedKeys) {
    const auto code = table.LookupKeyCode(key.name);
    ASSERT_TRUE(code.has_value()) << ToUtf8(key.name);
    EXPECT_EQ(KeysymForMacKeyCode(*code), key.keysym) << ToUtf8(key.name) << " code " << *code;
  }
}

TEST(X11KeyMapTest, OnlyTheTablesKeyCodesHaveAKeysymAndNoTwoShareOne) {
  const KeyCodeTable table = BuildKeyCodeTable();
  std::set<uint32_t> tableCodes;
  for (const NamedKey& key : kNamedKeys) tableCodes.insert(*table.LookupKeyCode(key.name));
  std::set<uint32_t> keysyms;
  for (uint32_t code = 0; code < 512; ++code) {
    const uint32_t keysym = KeysymForMacKeyCode(code);
    if (tableCodes.count(code)) {
      EXPECT_NE(keysym, 0u) << "code " << code;
      EXPECT_TRUE(keysyms.insert(keysym).second) << "code " << code << " repeats a keysym";
    } else {
      EXPECT_EQ(keysym, 0u) << "code " << code;
    }
  }
  EXPECT_EQ(keysyms.size(), 79u);
  EXPECT_EQ(KeysymForMacKeyCode(0xFFFFFFFFu), 0u);
}

struct ModifierCase {
  uint32_t carbon;
  uint16_t x11;
};

TEST(X11KeyMapTest, CarbonModifiersBecomeExactlyTheMatchingXModifiers) {
  const ModifierCase cases[] = {
      // No modifier must stay no modifier: anything else turns a bare-key hot key into another.
      {0, 0},
      {kHotkeyControl, kX11ControlMask},
      {kHotkeyOption, kX11Mod1Mask},
      {kHotkeyShift, kX11ShiftMask},
      {kHotkeyCommand, kX11Mod4Mask},
      {kHotkeyControl | kHotkeyOption, 0x04 | 0x08},
      {kHotkeyControl | kHotkeyOption | kHotkeyCommand, 0x04 | 0x08 | 0x40},
      {kHotkeyControl | kHotkeyOption | kHotkeyShift | kHotkeyCommand, 0x01 | 0x04 | 0x08 | 0x40},
      {kHotkeyShift | kHotkeyCommand, 0x01 | 0x40},
      // Carbon bits the program never produces (alpha lock, the right-hand modifiers, the
      // button state) are not grabbed as anything.
      {0x400, 0},
      {0x2000 | 0x4000 | 0x8000, 0},
      {0x80, 0},
      {0x400 | kHotkeyCommand, kX11Mod4Mask},
  };
  for (const ModifierCase& c : cases) {
    EXPECT_EQ(X11ModifiersForCarbon(c.carbon), c.x11) << std::hex << "carbon 0x" << c.carbon;
  }
}

TEST(X11KeyMapTest, LockVariantsCoverNumLockAndCapsLockWithoutDuplicates) {
  const uint16_t mods = kX11ControlMask | kX11Mod1Mask | kX11Mod4Mask;
  EXPECT_EQ(LockVariants(mods, kX11Mod2Mask, kX11LockMask),
            (std::vector<uint16_t>{mods, mods | kX11Mod2Mask, mods | kX11LockMask,
                                   mods | kX11Mod2Mask | kX11LockMask}));
  // A bare key is grabbed bare, and with the locks only.
  EXPECT_EQ(LockVariants(0, kX11Mod2Mask, kX11LockMask),
            (std::vector<uint16_t>{0, kX11Mod2Mask, kX11LockMask, kX11Mod2Mask | kX11LockMask}));
  // NumLock not mapped at all.
  EXPECT_EQ(LockVariants(mods, 0, kX11LockMask),
            (std::vector<uint16_t>{mods, mods | kX11LockMask}));
  EXPECT_EQ(LockVariants(mods, 0, 0), (std::vector<uint16_t>{mods}));
  // Both locks on the same bit.
  EXPECT_EQ(LockVariants(mods, kX11Mod5Mask, kX11Mod5Mask),
            (std::vector<uint16_t>{mods, mods | kX11Mod5Mask}));
  // A lock put on a real modifier's bit would grab another combination: it adds nothing.
  EXPECT_EQ(LockVariants(kX11ControlMask, kX11Mod4Mask, kX11LockMask),
            (std::vector<uint16_t>{kX11ControlMask, kX11ControlMask | kX11LockMask}));
  EXPECT_EQ(LockVariants(kX11ControlMask, kX11Mod2Mask, kX11ShiftMask | kX11LockMask),
            (std::vector<uint16_t>{kX11ControlMask, kX11ControlMask | kX11Mod2Mask}));
}

TEST(X11KeyMapTest, PressStateKeepsOnlyTheFourRealModifiers) {
  EXPECT_EQ(HotkeyModifiersOfState(0), 0);
  // Locks, AltGr (Mod5), Mod3 and the mouse buttons (bits 8 to 12) are all dropped.
  EXPECT_EQ(HotkeyModifiersOfState(kX11LockMask | kX11Mod2Mask | kX11Mod3Mask | kX11Mod5Mask |
                                   0x100 | 0x1000),
            0);
  EXPECT_EQ(HotkeyModifiersOfState(kX11ControlMask | kX11Mod2Mask | kX11Mod4Mask | 0x100),
            kX11ControlMask | kX11Mod4Mask);
  EXPECT_EQ(HotkeyModifiersOfState(0xFFFF), kX11HotkeyModifiers);
}

TEST(X11KeyMapTest, EveryGrabbedVariantOfEveryCombinationMatchesItsOwnCombinationOnly) {
  const uint32_t carbonBits[] = {kHotkeyControl, kHotkeyOption, kHotkeyShift, kHotkeyCommand};
  std::set<uint16_t> seen;
  for (uint32_t combo = 0; combo < 16; ++combo) {
    uint32_t carbon = 0;
    for (int bit = 0; bit < 4; ++bit) {
      if (combo & (1u << bit)) carbon |= carbonBits[bit];
    }
    const uint16_t grabbed = X11ModifiersForCarbon(carbon);
    EXPECT_TRUE(seen.insert(grabbed).second) << "two combinations grab the same modifiers";
    for (uint16_t state : LockVariants(grabbed, kX11Mod2Mask, kX11LockMask)) {
      EXPECT_EQ(HotkeyModifiersOfState(state), grabbed) << std::hex << "carbon 0x" << carbon;
    }
  }
}

TEST(X11KeyMapTest, LockMasksAreFoundInTheModifierMapping) {
  // Rows Shift, Lock, Control, Mod1, Mod2, Mod3, Mod4, Mod5 with two key codes each, 0 = empty.
  const uint8_t mapping[] = {50, 62, 66, 0, 37, 105, 64, 108, 77, 0, 0, 0, 133, 134, 92, 0};
  const uint8_t numLock[] = {77};
  const uint8_t capsLock[] = {66};
  const uint8_t unmapped[] = {200};
  const uint8_t twoKeys[] = {200, 133};
  const uint8_t zero[] = {0};
  EXPECT_EQ(ModifierMaskOfKeycodes(mapping, 2, numLock), kX11Mod2Mask);
  EXPECT_EQ(ModifierMaskOfKeycodes(mapping, 2, capsLock), kX11LockMask);
  EXPECT_EQ(ModifierMaskOfKeycodes(mapping, 2, unmapped), 0);
  EXPECT_EQ(ModifierMaskOfKeycodes(mapping, 2, twoKeys), kX11Mod4Mask);
  EXPECT_EQ(ModifierMaskOfKeycodes(mapping, 2, {}), 0);
  // Empty slots are key code 0 and never stand for a key.
  EXPECT_EQ(ModifierMaskOfKeycodes(mapping, 2, zero), 0);

  // NumLock moved to Mod3 and also listed on Mod5: both bits.
  const uint8_t moved[] = {50, 0, 66, 0, 37, 0, 64, 0, 0, 0, 77, 0, 133, 0, 77, 0};
  EXPECT_EQ(ModifierMaskOfKeycodes(moved, 2, numLock), kX11Mod3Mask | kX11Mod5Mask);

  // A reply shorter than eight rows is read only as far as it goes.
  EXPECT_EQ(ModifierMaskOfKeycodes(std::span(mapping, 9), 2, numLock), 0);
  EXPECT_EQ(ModifierMaskOfKeycodes(std::span(mapping, 9), 2, capsLock), kX11LockMask);
  EXPECT_EQ(ModifierMaskOfKeycodes(mapping, 0, numLock), 0);
  // Read with four key codes per modifier, the same bytes put NumLock in row 2, Control's.
  EXPECT_EQ(ModifierMaskOfKeycodes(mapping, 4, numLock), kX11ControlMask);
}

}  // namespace
}  // namespace pigmora::qt
