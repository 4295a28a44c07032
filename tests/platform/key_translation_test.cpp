// X11 key events in the form the shortcut capture fields read, and the texts that those fields
// then show: the translation is checked end to end through MapToShortcut and the field's text.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <string>
#include <vector>

#include "hotkeys/capture_field.h"
#include "platform/x11/x11_key_event.h"
#include "platform/x11/x_key_translation.h"

namespace pigmora::qt {
namespace {

// Keysyms as the X server names them.
constexpr uint32_t XK_BackSpace = 0xff08, XK_Tab = 0xff09, XK_Return = 0xff0d, XK_Escape = 0xff1b,
                   XK_Delete = 0xffff, XK_Home = 0xff50, XK_Left = 0xff51, XK_Up = 0xff52,
                   XK_Right = 0xff53, XK_Down = 0xff54, XK_Prior = 0xff55, XK_Next = 0xff56,
                   XK_End = 0xff57, XK_Insert = 0xff63, XK_KP_Enter = 0xff8d, XK_KP_Home = 0xff95,
                   XK_KP_7 = 0xffb7, XK_KP_Add = 0xffab, XK_F1 = 0xffbe, XK_F5 = 0xffc2,
                   XK_F12 = 0xffc9, XK_F13 = 0xffca, XK_Shift_L = 0xffe1, XK_Control_R = 0xffe4,
                   XK_Caps_Lock = 0xffe5, XK_Alt_L = 0xffe9, XK_Super_L = 0xffeb,
                   XK_ISO_Level3_Shift = 0xfe03, XK_ISO_Left_Tab = 0xfe20, XK_Num_Lock = 0xff7f,
                   XK_eacute = 0xe9, XK_Eacute = 0xc9, XK_ssharp = 0xdf, XK_section = 0xa7,
                   XK_Cyrillic_ef = 0x6c6, XK_Cyrillic_EF = 0x6e6, XK_EuroSign = 0x20ac,
                   XK_U20AC = 0x010020ac;

constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kShift = Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers kAlt = Qt::AltModifier;
constexpr Qt::KeyboardModifiers kSuper = Qt::MetaModifier;

std::u16string TextOf(const platform::KeyDown& key) {
  return ShortcutDisplayText(MapToShortcut(key.modifierFlags, key.keyCode, key.character));
}

struct PressCase {
  const char* name;
  std::vector<uint32_t> row;  // the key's row of the core keyboard mapping (group 1, 2)
  int group;
  uint32_t keysym;  // as the server reports the press
  Qt::KeyboardModifiers modifiers;
  uint16_t keyCode;
  char16_t character;
  std::u16string text;  // what the capture field then shows
};

class PressTest : public ::testing::TestWithParam<PressCase> {};

TEST_P(PressTest, GivesKeyCodeCharacterAndFieldText) {
  const PressCase& c = GetParam();
  platform::KeyDown key = TranslateKey(c.keysym, LevelsOfKeyboardRow(c.row, c.group), c.modifiers);
  EXPECT_EQ(key.keyCode, c.keyCode);
  EXPECT_EQ(static_cast<uint32_t>(key.character), static_cast<uint32_t>(c.character));
  EXPECT_EQ(key.focusedControlId, -1);
  EXPECT_EQ(TextOf(key), c.text);
}

// The presses that the capture field's own examples list, then the keys that differ between
// layouts and the keys a Mac keyboard lacks.
INSTANTIATE_TEST_SUITE_P(
    UsLayout, PressTest,
    ::testing::Values(
        PressCase{"SuperA", {'a', 'A'}, 0, 'a', kSuper, 0, u'a', u"⌘A"},
        PressCase{"CtrlAltSuperP", {'p', 'P'}, 0, 'p', kCtrl | kAlt | kSuper, 35, u'p', u"⌃⌥⌘P"},
        PressCase{"ShiftSuper1", {'1', '!'}, 0, '!', kShift | kSuper, 18, u'!', u"⇧⌘1"},
        PressCase{"ShiftSuperBracket", {'[', '{'}, 0, '{', kShift | kSuper, 33, u'{', u"⇧⌘{"},
        PressCase{"CtrlSpace", {' '}, 0, ' ', kCtrl, 49, u' ', u"⌃Space"},
        PressCase{"SuperF5", {XK_F5}, 0, XK_F5, kSuper, 96, 0xF708, u"⌘F5"},
        PressCase{"AltEscape", {XK_Escape}, 0, XK_Escape, kAlt, 53, 27, u"⌥⎋"},
        PressCase{"SuperReturn", {XK_Return}, 0, XK_Return, kSuper, 36, 13, u"⌘↩"},
        PressCase{"SuperRight", {XK_Right}, 0, XK_Right, kSuper, 124, 0xF703, u"⌘→"},
        PressCase{"CtrlBackSpaceClears", {XK_BackSpace}, 0, XK_BackSpace, kCtrl, 51, 127, u""},
        PressCase{"PlainA", {'a', 'A'}, 0, 'a', kNone, 0, u'a', u"A"},
        PressCase{"SuperQ", {'q', 'Q'}, 0, 'q', kSuper, 12, u'q', u"⌘Q"},
        PressCase{"SuperV", {'v', 'V'}, 0, 'v', kSuper, 9, u'v', u"⌘V"},
        PressCase{"Tab", {XK_Tab, XK_ISO_Left_Tab}, 0, XK_Tab, kNone, 48, 9, u"Tab"},
        PressCase{
            "ShiftTab", {XK_Tab, XK_ISO_Left_Tab}, 0, XK_ISO_Left_Tab, kShift, 48, 9, u"⇧Tab"},
        PressCase{"ShiftLetter", {'a', 'A'}, 0, 'A', kShift, 0, u'A', u"⇧A"},
        PressCase{"CapsLockLetter", {'a', 'A'}, 0, 'A', kNone, 0, u'a', u"A"},
        PressCase{"ShiftDigitStaysDigit", {'8', '*'}, 0, '*', kShift, 28, u'*', u"⇧8"},
        PressCase{"ShiftMinus", {'-', '_'}, 0, '_', kShift, 27, u'_', u"⇧_"},
        PressCase{"CtrlShiftSemicolon", {';', ':'}, 0, ':', kCtrl | kShift, 41, u':', u"⌃⇧:"},
        PressCase{"Home", {XK_Home}, 0, XK_Home, kNone, 115, 0xF729, u"↖"},
        PressCase{"End", {XK_End}, 0, XK_End, kNone, 119, 0xF72B, u"↘"},
        PressCase{"PageUp", {XK_Prior}, 0, XK_Prior, kCtrl, 116, 0xF72C, u"⌃⇞"},
        PressCase{"PageDown", {XK_Next}, 0, XK_Next, kNone, 121, 0xF72D, u"⇟"},
        PressCase{"Left", {XK_Left}, 0, XK_Left, kNone, 123, 0xF702, u"←"},
        PressCase{"Up", {XK_Up}, 0, XK_Up, kNone, 126, 0xF700, u"↑"},
        PressCase{"Down", {XK_Down}, 0, XK_Down, kNone, 125, 0xF701, u"↓"},
        PressCase{"F1", {XK_F1}, 0, XK_F1, kNone, 122, 0xF704, u"F1"},
        PressCase{"F12", {XK_F12}, 0, XK_F12, kAlt, 111, 0xF70F, u"⌥F12"},
        // Beyond F12 the field decides by the character, which is no ASCII one.
        PressCase{"F13Clears", {XK_F13}, 0, XK_F13, kSuper, 105, 0xF710, u""},
        PressCase{"ForwardDeleteClears", {XK_Delete}, 0, XK_Delete, kSuper, 117, 0xF728, u""},
        PressCase{"InsertClears", {XK_Insert}, 0, XK_Insert, kNone, 114, 0xF727, u""},
        PressCase{
            "KeypadDigitNumLockOff", {XK_KP_Home, XK_KP_7}, 0, XK_KP_Home, kSuper, 89, u'7', u"⌘7"},
        PressCase{"KeypadDigitNumLockOn", {XK_KP_Home, XK_KP_7}, 0, XK_KP_7, kNone, 89, u'7', u"7"},
        PressCase{"KeypadPlus", {XK_KP_Add}, 0, XK_KP_Add, kCtrl, 69, u'+', u"⌃+"},
        // The keypad's Enter gives AppKit's Enter character, which has no display form.
        PressCase{"KeypadEnter", {XK_KP_Enter}, 0, XK_KP_Enter, kSuper, 76, 3, u"⌘"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    OtherLayouts, PressTest,
    ::testing::Values(
        // French: the digit row gives symbols unshifted and the digits with Shift.
        PressCase{"FrenchDigitUnshifted", {'&', '1'}, 0, '&', kSuper, 18, u'&', u"⌘1"},
        PressCase{
            "FrenchDigitShifted", {XK_eacute, '2'}, 0, '2', kShift | kSuper, 19, u'2', u"⇧⌘2"},
        PressCase{"FrenchLetterA", {'a', 'A'}, 0, 'a', kCtrl, 0, u'a', u"⌃A"},
        // German: letters and punctuation by what the key gives, not where it sits.
        PressCase{"GermanY", {'y', 'Y'}, 0, 'y', kSuper, 16, u'y', u"⌘Y"},
        PressCase{"GermanShift3", {'3', XK_section}, 0, XK_section, kShift, 20, XK_section, u"⇧3"},
        PressCase{"GermanSharpSClears",
                  {XK_ssharp, '?', '\\'},
                  0,
                  XK_ssharp,
                  kSuper,
                  kNoMacKeyCode,
                  XK_ssharp,
                  u""},
        PressCase{"GermanShiftSharpSGivesQuestionMark",
                  {XK_ssharp, '?'},
                  0,
                  '?',
                  kShift,
                  kNoMacKeyCode,
                  u'?',
                  u"⇧?"},
        // Russian as a second group: Cyrillic letters are no ASCII characters.
        PressCase{"SecondGroupCyrillic",
                  {'a', 'A', XK_Cyrillic_ef, XK_Cyrillic_EF},
                  1,
                  XK_Cyrillic_ef,
                  kSuper,
                  kNoMacKeyCode,
                  0,
                  u""},
        PressCase{"FirstGroupOfTwo",
                  {'a', 'A', XK_Cyrillic_ef, XK_Cyrillic_EF},
                  0,
                  'a',
                  kSuper,
                  0,
                  u'a',
                  u"⌘A"},
        // A key whose single level is a Latin letter is paired with its upper case.
        PressCase{"SingleLevelAccentedLetter",
                  {XK_eacute},
                  0,
                  XK_Eacute,
                  kShift,
                  kNoMacKeyCode,
                  XK_Eacute,
                  u""},
        PressCase{"UnicodeKeysym", {XK_U20AC}, 0, XK_U20AC, kNone, kNoMacKeyCode, 0x20AC, u""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KeyTranslation, ModifierFlagsAreAppKitStyleAndIgnoreOtherQtModifiers) {
  platform::KeyDown key =
      TranslateKey('a', {'a', 'A'},
                   kShift | kCtrl | kAlt | kSuper | Qt::KeypadModifier | Qt::GroupSwitchModifier);
  EXPECT_EQ(key.modifierFlags, (1u << 17) | (1u << 18) | (1u << 19) | (1u << 20));
  EXPECT_EQ(TranslateKey('a', {'a', 'A'}, kAlt).modifierFlags, 1u << 19);
  EXPECT_EQ(TranslateKey('a', {'a', 'A'}, kNone).modifierFlags, 0u);
}

TEST(KeyTranslation, WithoutKeyboardMappingGuessesKeyCodeFromUsLayout) {
  struct Case {
    uint32_t keysym;
    Qt::KeyboardModifiers modifiers;
    uint16_t keyCode;
    std::u16string text;
  } cases[] = {
      {'!', kShift | kSuper, 18, u"⇧⌘1"},
      {')', kShift, 29, u"⇧0"},
      {'{', kShift | kSuper, 33, u"⇧⌘{"},
      {'a', kSuper, 0, u"⌘A"},
      {'Z', kShift, 6, u"⇧Z"},
      {XK_F5, kCtrl, 96, u"⌃F5"},
      {XK_ISO_Left_Tab, kShift, 48, u"⇧Tab"},
      {XK_EuroSign, kNone, kNoMacKeyCode, u""},
  };
  for (const Case& c : cases) {
    platform::KeyDown key = TranslateKey(c.keysym, {}, c.modifiers);
    EXPECT_EQ(key.keyCode, c.keyCode) << c.keysym;
    EXPECT_EQ(TextOf(key), c.text) << c.keysym;
  }
}

TEST(KeyboardRow, FollowsTheCoreProtocolRules) {
  struct Case {
    std::vector<uint32_t> row;
    int group;
    KeyLevels levels;
  } cases[] = {
      {{'a'}, 0, {'a', 'A'}},
      {{'A'}, 0, {'a', 'A'}},
      {{'a', 0, 0, 0, 0, 0, 0}, 0, {'a', 'A'}},
      {{'1', '!'}, 0, {'1', '!'}},
      {{XK_Return}, 0, {XK_Return, XK_Return}},
      {{XK_Tab, XK_ISO_Left_Tab, XK_Tab, XK_ISO_Left_Tab}, 0, {XK_Tab, XK_ISO_Left_Tab}},
      {{XK_eacute}, 0, {XK_eacute, XK_Eacute}},
      {{XK_ssharp}, 0, {XK_ssharp, XK_ssharp}},
      // A pair stands for both groups; a single keysym too.
      {{'1', '!'}, 1, {'1', '!'}},
      {{'a'}, 1, {'a', 'A'}},
      {{'a', 'A', XK_Cyrillic_ef, XK_Cyrillic_EF}, 1, {XK_Cyrillic_ef, XK_Cyrillic_EF}},
      // An empty second group, and groups the core mapping cannot describe, fall back to the
      // first.
      {{'a', 'A', 0, 0, XK_eacute}, 1, {'a', 'A'}},
      {{'a', 'A', XK_Cyrillic_ef, XK_Cyrillic_EF}, 2, {'a', 'A'}},
      {{'a', 'A', XK_Cyrillic_ef, XK_Cyrillic_EF}, 3, {'a', 'A'}},
      // Three entries: the second group has no Shift level, so it repeats the first level.
      {{'q', 'Q', XK_Cyrillic_ef}, 1, {XK_Cyrillic_ef, XK_Cyrillic_ef}},
      {{0, '!'}, 0, {'!', '!'}},
      {{}, 0, {0, 0}},
      {{0, 0, 0}, 0, {0, 0}},
  };
  for (const Case& c : cases) {
    KeyLevels levels = LevelsOfKeyboardRow(c.row, c.group);
    EXPECT_EQ(levels.plain, c.levels.plain) << c.row.size() << " " << c.group;
    EXPECT_EQ(levels.shifted, c.levels.shifted) << c.row.size() << " " << c.group;
  }
}

TEST(KeyTranslation, ModifierKeysAloneAreNoKeyDowns) {
  for (uint32_t keysym : {XK_Shift_L, XK_Control_R, XK_Alt_L, XK_Super_L, XK_Caps_Lock,
                          XK_ISO_Level3_Shift, XK_Num_Lock}) {
    EXPECT_TRUE(IsModifierKeysym(keysym)) << keysym;
  }
  for (uint32_t keysym :
       {uint32_t{'a'}, XK_F1, XK_Escape, XK_Tab, XK_ISO_Left_Tab, XK_Delete, XK_KP_Enter}) {
    EXPECT_FALSE(IsModifierKeysym(keysym)) << keysym;
  }
}

// Events built by Qt itself (no keyboard mapping at hand): the native keysym when the event has
// one, otherwise the Qt key.
TEST(TranslateKeyEvent, ReadsNativeKeysymOrFallsBackToQtKey) {
  struct Case {
    int qtKey;
    Qt::KeyboardModifiers modifiers;
    quint32 nativeKeysym;
    std::u16string text;
  } cases[] = {
      {Qt::Key_BraceLeft, kShift | kSuper, '{', u"⇧⌘{"},
      {Qt::Key_BraceLeft, kShift | kSuper, 0, u"⇧⌘{"},
      {Qt::Key_Exclam, kShift | kCtrl, 0, u"⌃⇧1"},
      {Qt::Key_A, kSuper, 0, u"⌘A"},
      {Qt::Key_A, kShift, 0, u"⇧A"},
      {Qt::Key_F5, kSuper, 0, u"⌘F5"},
      {Qt::Key_Escape, kAlt, 0, u"⌥⎋"},
      {Qt::Key_Return, kSuper, 0, u"⌘↩"},
      {Qt::Key_Right, kSuper, 0, u"⌘→"},
      {Qt::Key_Backtab, kShift, 0, u"⇧Tab"},
      {Qt::Key_Space, kCtrl, 0, u"⌃Space"},
      {Qt::Key_PageUp, kNone, 0, u"⇞"},
      {Qt::Key_7, Qt::KeypadModifier | kSuper, 0, u"⌘7"},
      {Qt::Key_Backspace, kSuper, 0, u""},
      {Qt::Key_Delete, kNone, 0, u""},
      {Qt::Key_Eacute, kShift, 0, u""},
  };
  for (const Case& c : cases) {
    QKeyEvent event(QEvent::KeyPress, c.qtKey, c.modifiers, 0, c.nativeKeysym, 0);
    platform::KeyDown key = TranslateKeyEvent(event);
    EXPECT_EQ(TextOf(key), c.text) << c.qtKey;
    EXPECT_EQ(key.focusedControlId, -1);
  }
}

TEST(KeysymOfQtKey, ModifierKeysMapToModifierKeysyms) {
  for (int qtKey : {Qt::Key_Shift, Qt::Key_Control, Qt::Key_Alt, Qt::Key_Meta, Qt::Key_Super_L,
                    Qt::Key_CapsLock, Qt::Key_AltGr}) {
    EXPECT_TRUE(IsModifierKeysym(KeysymOfQtKey(qtKey, kNone))) << qtKey;
  }
  EXPECT_EQ(KeysymOfQtKey(Qt::Key_A, kNone), uint32_t{'a'});
  EXPECT_EQ(KeysymOfQtKey(Qt::Key_Agrave, kNone), 0xe0u);
  EXPECT_EQ(KeysymOfQtKey(Qt::Key_Agrave, kShift), 0xc0u);
  EXPECT_EQ(KeysymOfQtKey(Qt::Key_F12, kNone), XK_F12);
  EXPECT_EQ(KeysymOfQtKey(Qt::Key_Enter, Qt::KeypadModifier), XK_KP_Enter);
  EXPECT_EQ(KeysymOfQtKey(0x20AC, kNone), XK_U20AC);
  EXPECT_EQ(KeysymOfQtKey(Qt::Key_unknown, kNone), 0u);
}

}  // namespace
}  // namespace pigmora::qt
