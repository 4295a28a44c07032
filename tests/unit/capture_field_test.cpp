#include "hotkeys/capture_field.h"

#include <gtest/gtest.h>

#include <memory>

#include "app/program.h"
#include "app/unicode_text.h"
#include "platform/fake/fake_platform.h"

namespace pigmora {
namespace {

using platform::kCommandFlag;
using platform::kControlFlag;
using platform::kOptionFlag;
using platform::kShiftFlag;

constexpr uint32_t kCapsLockFlag = 1u << 16;
constexpr uint32_t kNumericPadFlag = 1u << 21;
constexpr uint32_t kFunctionFlag = 1u << 23;

struct PressRow {
  const char* what;
  uint32_t flags;
  uint16_t keyCode;
  char16_t character;
  uint32_t value;
  std::u16string text;
};

TEST(MapToShortcutTest, KeyPressesBecomeValuesAndTexts) {
  const PressRow rows[] = {
      {"Command and A", kCommandFlag, 0, u'a', 0x80000 | 'a', u"\u2318A"},
      {"Control, Option, Command and P", kControlFlag | kOptionFlag | kCommandFlag, 35, u'p',
       0xE0000 | 'p', u"\u2303\u2325\u2318P"},
      {"Shift, Command and 1", kShiftFlag | kCommandFlag, 18, u'!', 0x90000 | '1',
       u"\u21E7\u23181"},
      {"Shift, Command and [", kShiftFlag | kCommandFlag, 33, u'{', 0x90000 | '{',
       u"\u21E7\u2318{"},
      {"Control and Space", kControlFlag, 49, u' ', 0x20000 | 32, u"\u2303Space"},
      {"Command and F5", kCommandFlag, 96, 0xF708, 0x80000 | 0x160, u"\u2318F5"},
      {"Option and Escape", kOptionFlag, 53, 27, 0x40000 | 27, u"\u2325\u238B"},
      {"Command and Return", kCommandFlag, 36, 13, 0x80000 | 13, u"\u2318\u21A9"},
      {"Command and right arrow", kCommandFlag, 124, 0xF703, 0x80000 | 29, u"\u2318\u2192"},
      {"Delete", 0, 51, 0x7F, 0, u""},
      {"Delete with modifiers", kCommandFlag | kShiftFlag, 51, 0x7F, 0, u""},
      {"A alone", 0, 0, u'a', 'a', u"A"},
      {"Shift and A", kShiftFlag, 0, u'A', 0x10000 | 'a', u"\u21E7A"},
      {"Command and Q", kCommandFlag, 12, u'q', 0x80000 | 'q', u"\u2318Q"},
      {"Command and V", kCommandFlag, 9, u'v', 0x80000 | 'v', u"\u2318V"},
      {"Tab", 0, 48, 9, 9, u"Tab"},
      {"Shift and Tab", kShiftFlag, 48, 25, 0x10000 | 9, u"\u21E7Tab"},
      {"Home", 0, 115, 0xF729, 1, u"\u2196"},
      {"End", 0, 119, 0xF72B, 4, u"\u2198"},
      {"Page Up", 0, 116, 0xF72C, 11, u"\u21DE"},
      {"Page Down", 0, 121, 0xF72D, 12, u"\u21DF"},
      {"left arrow", 0, 123, 0xF702, 28, u"\u2190"},
      {"right arrow", 0, 124, 0xF703, 29, u"\u2192"},
      {"down arrow", 0, 125, 0xF701, 31, u"\u2193"},
      {"up arrow", 0, 126, 0xF700, 30, u"\u2191"},
      {"F13 falls to the character rule", kCommandFlag, 105, 0xF710, 0, u""},
      {"forward delete", kCommandFlag, 117, 0xF728, 0, u""},
      {"a character beyond ASCII", kOptionFlag, 0, u'\u00E5', 0, u""},
      {"a key with no character", kCommandFlag, 10, 0, 0, u""},
      {"Shift and a punctuation key", kShiftFlag, 41, u':', 0x10000 | ':', u"\u21E7:"},
      {"tilde", 0, 50, u'~', '~', u"~"},
      {"keypad Enter shows only its modifiers", kCommandFlag, 76, 3, 0x80000 | 3, u"\u2318"},
      {"Caps Lock and other flags drop out",
       kCommandFlag | kCapsLockFlag | kNumericPadFlag | kFunctionFlag, 0, u'A', 0x80000 | 'a',
       u"\u2318A"},
  };
  for (const auto& row : rows) {
    const uint32_t value = MapToShortcut(row.flags, row.keyCode, row.character);
    EXPECT_EQ(value, row.value) << row.what;
    EXPECT_EQ(ShortcutDisplayText(value), row.text) << row.what;
  }
}

TEST(MapToShortcutTest, TheDigitRowAlwaysGivesTheDigit) {
  struct DigitKey {
    uint16_t keyCode;
    char16_t digit;
    char16_t shifted;
  };
  const DigitKey keys[] = {{18, u'1', u'!'}, {19, u'2', u'@'}, {20, u'3', u'#'}, {21, u'4', u'$'},
                           {23, u'5', u'%'}, {22, u'6', u'^'}, {26, u'7', u'&'}, {28, u'8', u'*'},
                           {25, u'9', u'('}, {29, u'0', u')'}};
  for (const auto& key : keys) {
    EXPECT_EQ(MapToShortcut(kShiftFlag, key.keyCode, key.shifted), 0x10000u | key.digit)
        << key.keyCode;
    EXPECT_EQ(MapToShortcut(0, key.keyCode, key.digit), uint32_t{key.digit}) << key.keyCode;
    // Whatever character a layout puts on the key, the key code decides.
    EXPECT_EQ(MapToShortcut(0, key.keyCode, 0), uint32_t{key.digit}) << key.keyCode;
  }
}

TEST(MapToShortcutTest, FunctionKeysOneToTwelveAreKeptByKeyCode) {
  const uint16_t codes[] = {122, 120, 99, 118, 96, 97, 98, 100, 101, 109, 103, 111};
  for (int n = 1; n <= 12; ++n) {
    const uint16_t code = codes[n - 1];
    const uint32_t value = MapToShortcut(kCommandFlag, code, static_cast<char16_t>(0xF704 + n - 1));
    EXPECT_EQ(value, 0x80000u | (0x100u + code)) << "F" << n;
    EXPECT_EQ(ShortcutDisplayText(value), u"\u2318F" + FromUtf8(std::to_string(n)));
  }
}

TEST(ShortcutDisplayTextTest, ShowsEveryKeyValueOfTheDisplayTable) {
  const std::pair<uint32_t, std::u16string> rows[] = {
      {'a', u"A"},      {'z', u"Z"},     {'!', u"!"},     {'~', u"~"},     {'Q', u"Q"},
      {'0', u"0"},      {8, u"\u232B"},  {9, u"Tab"},     {13, u"\u21A9"}, {27, u"\u238B"},
      {32, u"Space"},   {11, u"\u21DE"}, {12, u"\u21DF"}, {1, u"\u2196"},  {4, u"\u2198"},
      {28, u"\u2190"},  {30, u"\u2191"}, {29, u"\u2192"}, {31, u"\u2193"}, {5, u"Insert"},
      {127, u"\u2326"}, {0x17A, u"F1"},  {0x178, u"F2"},  {0x163, u"F3"},  {0x176, u"F4"},
      {0x160, u"F5"},   {0x161, u"F6"},  {0x162, u"F7"},  {0x164, u"F8"},  {0x165, u"F9"},
      {0x16D, u"F10"},  {0x167, u"F11"}, {0x16F, u"F12"}, {0, u""},        {2, u""},
      {128, u""},       {0x169, u""},    {0x100, u""},    {0xFFFF, u""},   {0x10000, u"\u21E7"},
  };
  for (const auto& [value, text] : rows) {
    EXPECT_EQ(ShortcutDisplayText(value), text) << value;
  }
}

TEST(ShortcutDisplayTextTest, ModifiersAlwaysComeInControlOptionShiftCommandOrder) {
  EXPECT_EQ(ShortcutDisplayText(kShortcutCommand | kShortcutShift | kShortcutOption |
                                kShortcutControl | 'p'),
            u"\u2303\u2325\u21E7\u2318P");
  EXPECT_EQ(ShortcutDisplayText(kShortcutCommand | kShortcutControl | 'k'), u"\u2303\u2318K");
  EXPECT_EQ(ShortcutDisplayText(kShortcutShift | kShortcutOption), u"\u2325\u21E7");
}

class CaptureFieldTest : public ::testing::Test {
 protected:
  CaptureFieldTest() {
    for (int64_t id : {PickerKeyField, ForwardKeyField, BackKeyField}) {
      fake.preferences.AddShortcutField(id, {170, 20, 100, 25}, u"add shortcut");
    }
  }

  bool Press(int64_t focused, uint32_t flags, uint16_t keyCode, char16_t character) {
    return fake.events.PressKey({.modifierFlags = flags,
                                 .keyCode = keyCode,
                                 .character = character,
                                 .focusedControlId = focused});
  }

  std::vector<AppEvent> Queued() {
    std::vector<AppEvent> events;
    while (auto event = program.queue.TakeNext()) events.push_back(*event);
    return events;
  }

  static AppEvent Changed(int64_t id) {
    return {.kind = ControlEvent,
            .objectId = id,
            .windowId = PreferencesWindowId,
            .changeType = ChangeType,
            .data = 0};
  }

  fake::FakePlatform fake;
  Program program{fake.platform};
};

TEST_F(CaptureFieldTest, AKeyDownForTheFocusedFieldIsTakenShownAndReported) {
  ShortcutCaptureField field(program, ForwardKeyField);
  EXPECT_EQ(field.CurrentShortcut(), 0u);

  EXPECT_TRUE(Press(ForwardKeyField, kControlFlag | kOptionFlag | kCommandFlag, 35, u'p'));

  EXPECT_EQ(field.CurrentShortcut(), 0xE0000u | 'p');
  EXPECT_EQ(fake.preferences.FieldText(ForwardKeyField), u"\u2303\u2325\u2318P");
  EXPECT_EQ(Queued(), std::vector<AppEvent>{Changed(ForwardKeyField)});
}

TEST_F(CaptureFieldTest, KeyDownsMeantForOtherControlsPassThrough) {
  ShortcutCaptureField field(program, PickerKeyField);
  fake.preferences.SetFieldText(PickerKeyField, u"\u2318P");

  for (int64_t focused : {int64_t{-1}, ForwardKeyField, BackKeyField, FormatCombo}) {
    EXPECT_FALSE(Press(focused, kCommandFlag, 0, u'a')) << focused;
  }
  EXPECT_EQ(field.CurrentShortcut(), 0u);
  EXPECT_EQ(fake.preferences.FieldText(PickerKeyField), u"\u2318P");
  EXPECT_TRUE(Queued().empty());
}

TEST_F(CaptureFieldTest, OnlyTheFocusedOneOfThreeFieldsTakesTheKey) {
  ShortcutCaptureField picker(program, PickerKeyField);
  ShortcutCaptureField forward(program, ForwardKeyField);
  ShortcutCaptureField back(program, BackKeyField);

  EXPECT_TRUE(Press(BackKeyField, kCommandFlag, 96, 0xF708));

  EXPECT_EQ(picker.CurrentShortcut(), 0u);
  EXPECT_EQ(forward.CurrentShortcut(), 0u);
  EXPECT_EQ(back.CurrentShortcut(), 0x80160u);
  EXPECT_EQ(fake.preferences.FieldText(PickerKeyField), u"");
  EXPECT_EQ(fake.preferences.FieldText(ForwardKeyField), u"");
  EXPECT_EQ(fake.preferences.FieldText(BackKeyField), u"\u2318F5");
  EXPECT_EQ(Queued(), std::vector<AppEvent>{Changed(BackKeyField)});
}

TEST_F(CaptureFieldTest, ApplicationShortcutsAndTabAreRecordedInsteadOfActing) {
  ShortcutCaptureField field(program, PickerKeyField);
  const PressRow rows[] = {
      {"Command-Q", kCommandFlag, 12, u'q', 0, u"\u2318Q"},
      {"Command-V", kCommandFlag, 9, u'v', 0, u"\u2318V"},
      {"Tab", 0, 48, 9, 0, u"Tab"},
  };
  for (const auto& row : rows) {
    EXPECT_TRUE(Press(PickerKeyField, row.flags, row.keyCode, row.character)) << row.what;
    EXPECT_EQ(fake.preferences.FieldText(PickerKeyField), row.text) << row.what;
    EXPECT_EQ(Queued(), std::vector<AppEvent>{Changed(PickerKeyField)}) << row.what;
  }
}

TEST_F(CaptureFieldTest, DeleteClearsTheFieldAndStillReports) {
  ShortcutCaptureField field(program, PickerKeyField);
  field.SetValue(kShortcutCommand | 'a');
  ASSERT_EQ(fake.preferences.FieldText(PickerKeyField), u"\u2318A");

  EXPECT_TRUE(Press(PickerKeyField, kCommandFlag, 51, 0x7F));

  EXPECT_EQ(field.CurrentShortcut(), 0u);
  EXPECT_EQ(fake.preferences.FieldText(PickerKeyField), u"");
  EXPECT_EQ(Queued(), std::vector<AppEvent>{Changed(PickerKeyField)});
}

TEST_F(CaptureFieldTest, PressesNotYetHandledCollapseIntoOneReportPerField) {
  ShortcutCaptureField picker(program, PickerKeyField);
  ShortcutCaptureField forward(program, ForwardKeyField);

  Press(PickerKeyField, kCommandFlag, 0, u'a');
  Press(PickerKeyField, kCommandFlag, 11, u'b');
  Press(ForwardKeyField, kCommandFlag, 8, u'c');
  Press(PickerKeyField, kCommandFlag, 2, u'd');

  // Each report makes the handler read the field's latest text, so one per run of presses does.
  EXPECT_EQ(Queued(), (std::vector<AppEvent>{Changed(PickerKeyField), Changed(ForwardKeyField),
                                             Changed(PickerKeyField)}));
  EXPECT_EQ(fake.preferences.FieldText(PickerKeyField), u"\u2318D");
  EXPECT_EQ(fake.preferences.FieldText(ForwardKeyField), u"\u2318C");
}

TEST_F(CaptureFieldTest, AStoredTextStaysUntilTheFirstKeyPress) {
  ShortcutCaptureField field(program, ForwardKeyField);
  fake.preferences.SetFieldText(ForwardKeyField, u"\u2303\u2325\u2318P");
  EXPECT_EQ(field.CurrentShortcut(), 0u);
  EXPECT_EQ(fake.preferences.FieldText(ForwardKeyField), u"\u2303\u2325\u2318P");

  Press(ForwardKeyField, kShiftFlag, 0, u'A');
  EXPECT_EQ(fake.preferences.FieldText(ForwardKeyField), u"\u21E7A");
}

TEST_F(CaptureFieldTest, SettingTheValueShowsItsText) {
  ShortcutCaptureField field(program, BackKeyField);
  field.SetValue(kShortcutControl | 32);
  EXPECT_EQ(field.CurrentShortcut(), kShortcutControl | 32);
  EXPECT_EQ(fake.preferences.FieldText(BackKeyField), u"\u2303Space");
  field.SetValue(0);
  EXPECT_EQ(fake.preferences.FieldText(BackKeyField), u"");
  // Setting the value reports nothing: only key presses do.
  EXPECT_TRUE(Queued().empty());
}

TEST_F(CaptureFieldTest, AFieldTakesNothingOnceDestroyed) {
  auto picker = std::make_unique<ShortcutCaptureField>(program, PickerKeyField);
  ShortcutCaptureField forward(program, ForwardKeyField);
  picker.reset();

  EXPECT_FALSE(Press(PickerKeyField, kCommandFlag, 0, u'a'));
  EXPECT_EQ(fake.preferences.FieldText(PickerKeyField), u"");
  EXPECT_TRUE(Queued().empty());
  // The other field's filter is still there.
  EXPECT_TRUE(Press(ForwardKeyField, kCommandFlag, 0, u'a'));
  EXPECT_EQ(Queued(), std::vector<AppEvent>{Changed(ForwardKeyField)});
}

}  // namespace
}  // namespace pigmora
