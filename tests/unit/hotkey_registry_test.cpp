#include "hotkeys/hotkey_registry.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/run_program.h"
#include "app/unicode_text.h"
#include "menubar/status_item.h"
#include "platform/fake/fake_platform.h"

namespace pigmora {
namespace {

using platform::kMenuCommandMask;
using platform::kMenuOptionMask;
using platform::MenuEntry;

constexpr char16_t kNotSupported[] =
    u"Not available as a global hot key: this key is not supported.";
constexpr char16_t kNotActive[] =
    u"Not active: another program or another Pigmora hot key already uses this combination.";
constexpr char16_t kSingleKey[] =
    u"Not available as a global hot key: a single key needs a modifier such as \u2318.";
constexpr char16_t kNoKey[] = u"Not available as a global hot key: it has no key.";

// Carbon masks.
constexpr uint32_t kCmd = platform::kHotkeyCommand;
constexpr uint32_t kOpt = platform::kHotkeyOption;

std::string KindName(int64_t kind) {
  switch (kind) {
    case HotkeyShowPicker:
      return "picker";
    case HotkeyCycleForward:
      return "forward";
    case HotkeyCycleBack:
      return "back";
    default:
      return std::to_string(kind);
  }
}

fake::FakeDefaults::Value FakeValue(const std::u16string& text) {
  return text;
}

AppEvent HotkeyEvent(int32_t kind) {
  return {
      .kind = kind, .objectId = NoTarget, .windowId = NoTarget, .changeType = NoTarget, .data = 0};
}

class HotkeyRegistryTest : public ::testing::Test {
 protected:
  HotkeyRegistryTest() {
    program.keyCodeTable = BuildKeyCodeTable();
    installed = InstallHotkeyHandler(program);
    fake.calls.clear();
  }

  // "⌘A picker #1" for each record, in list order.
  std::vector<std::string> Records() const {
    std::vector<std::string> out;
    for (const auto& record : program.hotkeyRegistry.records) {
      out.push_back(ToUtf8(record.shortcut) + " " + KindName(record.kind) + " #" +
                    std::to_string(record.id));
    }
    return out;
  }

  std::vector<AppEvent> Queued() {
    std::vector<AppEvent> events;
    while (auto event = program.queue.TakeNext()) events.push_back(*event);
    return events;
  }

  void AddFields(const std::u16string& picker, const std::u16string& forward,
                 const std::u16string& back) {
    const std::pair<int64_t, std::u16string> fields[] = {
        {PickerKeyField, picker}, {ForwardKeyField, forward}, {BackKeyField, back}};
    for (const auto& [id, text] : fields) {
      fake.preferences.AddShortcutField(id, {170, 20, 100, 25}, u"add shortcut");
      fake.preferences.SetFieldText(id, text);
    }
  }

  std::optional<std::u16string> Problem(int64_t fieldId) {
    return fake.preferences.Find(fieldId)->problem;
  }

  fake::FakePlatform fake;
  Program program{fake.platform};
  bool installed = false;
};

TEST_F(HotkeyRegistryTest, InstallingTheHandlerStartsAnEmptyRegistryAtIdOne) {
  EXPECT_TRUE(installed);
  EXPECT_TRUE(program.hotkeyRegistry.hotkeyHandlerInstalled);
  EXPECT_EQ(program.hotkeyRegistry.nextHotkeyId, 1u);
  EXPECT_TRUE(program.hotkeyRegistry.records.empty());
  ASSERT_TRUE(fake.hotkeys.handler);

  program.hotkeyRegistry.nextHotkeyId = 9;
  EXPECT_TRUE(InstallHotkeyHandler(program));
  EXPECT_EQ(program.hotkeyRegistry.nextHotkeyId, 1u);
}

TEST(HotkeyHandlerTest, WithoutTheHandlerNothingIsRegisteredOrUnregistered) {
  fake::FakePlatform fake;
  fake.hotkeys.installResult = -108;
  Program program(fake.platform);
  program.keyCodeTable = BuildKeyCodeTable();
  program.hotkeyRegistry.hotkeyHandlerInstalled = true;  // left over from before: cleared

  EXPECT_FALSE(InstallHotkeyHandler(program));
  EXPECT_FALSE(program.hotkeyRegistry.hotkeyHandlerInstalled);

  EXPECT_FALSE(RegisterHotkey(program, u"\u2318A", HotkeyShowPicker));
  program.hotkeyRegistry.records.push_back({.shortcut = u"\u2318A", .kind = HotkeyShowPicker});
  UnregisterHotkeys(program, u"\u2318A", HotkeyShowPicker);

  EXPECT_EQ(program.hotkeyRegistry.records.size(), 1u);
  EXPECT_EQ(program.hotkeyRegistry.nextHotkeyId, 1u);
  EXPECT_EQ(fake.calls, std::vector<std::string>{"hotkeys.install"});
}

struct RegisterRow {
  std::u16string text;
  bool registers;
  uint32_t keyCode;
  uint32_t modifiers;
};

TEST(RegisterHotkeyTest, TextsBecomeKeyCodeAndModifiersOrNothing) {
  const RegisterRow rows[] = {
      {u"\u2318A", true, 0, kCmd},
      {u"\u2303\u2325\u2318P", true, 35, 0x1000 | kOpt | kCmd},
      {u"\u21E7\u2318{", true, 33, 0x200 | kCmd},
      {u"\u2303Space", true, 49, 0x1000},
      {u"\u2318F5", true, 96, kCmd},
      {u"\u2325\u238B", true, 53, kOpt},
      {u"\u2318\u21A9", true, 36, kCmd},
      {u"\u2318F20", true, 90, kCmd},
      {u"\u2318\u00A7", true, 10, kCmd},
      {u"\u21E7\u2318)", true, 29, 0x200 | kCmd},
      // Two code units without modifiers: the bare key.
      {u"F1", true, 122, 0},
      {u"Tab", true, 48, 0},
      {u"Space", true, 49, 0},
      // Shorter than two code units.
      {u"A", false, 0, 0},
      {u"\u238B", false, 0, 0},
      {u"", false, 0, 0},
      // No key name, or one the table does not know.
      {u"\u2318", false, 0, 0},
      {u"\u2303\u2325\u2318", false, 0, 0},
      {u"\u2318a", false, 0, 0},
      {u"\u2318\u2190", false, 0, 0},
      {u"\u2318\u232B", false, 0, 0},
      {u"\u2318Insert", false, 0, 0},
      {u"\u2318F21", false, 0, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(ToUtf8(row.text));
    fake::FakePlatform fake;
    Program program(fake.platform);
    program.keyCodeTable = BuildKeyCodeTable();
    ASSERT_TRUE(InstallHotkeyHandler(program));
    fake.calls.clear();

    EXPECT_EQ(RegisterHotkey(program, row.text, HotkeyCycleBack), row.registers);
    const auto& records = program.hotkeyRegistry.records;
    if (!row.registers) {
      EXPECT_TRUE(records.empty());
      EXPECT_TRUE(fake.calls.empty());
      EXPECT_EQ(program.hotkeyRegistry.nextHotkeyId, 1u);  // no id used
      continue;
    }
    EXPECT_EQ(fake.calls,
              std::vector<std::string>{"hotkeys.register " + std::to_string(row.keyCode) + " " +
                                       std::to_string(row.modifiers) + " 1 -> 0"});
    ASSERT_EQ(records.size(), 1u);
    const HotkeyRecord& record = records[0];
    EXPECT_EQ(record.shortcut, row.text);
    EXPECT_EQ(record.kind, HotkeyCycleBack);
    EXPECT_EQ(record.windowId, -65535);
    EXPECT_EQ(record.objectId, -65535);
    EXPECT_EQ(record.changeType, -65535);
    EXPECT_EQ(record.data, 0);
    EXPECT_EQ(record.id, 1u);
    EXPECT_EQ(record.signature, 0x68303031u);  // 'h001'
    ASSERT_EQ(fake.hotkeys.grabs.count(record.ref), 1u);
    EXPECT_EQ(fake.hotkeys.grabs[record.ref].id.signature, record.signature);
    EXPECT_EQ(fake.hotkeys.grabs[record.ref].id.id, 1u);
  }
}

TEST_F(HotkeyRegistryTest, IdsCountEveryAttemptThatReachesRegistrationAndAreNeverReused) {
  fake.hotkeys.takenElsewhere.insert({11, kCmd});  // ⌘B belongs to another program

  EXPECT_TRUE(RegisterHotkey(program, u"\u2318A", HotkeyShowPicker));
  EXPECT_FALSE(RegisterHotkey(program, u"\u2318B", HotkeyCycleForward));    // refused: id 2 used
  EXPECT_FALSE(RegisterHotkey(program, u"\u2318\u2190", HotkeyCycleBack));  // unknown: no id
  EXPECT_TRUE(RegisterHotkey(program, u"\u2318C", HotkeyCycleBack));
  UnregisterHotkeys(program, u"\u2318A", HotkeyShowPicker);
  EXPECT_TRUE(RegisterHotkey(program, u"\u2318A", HotkeyShowPicker));

  EXPECT_EQ(Records(), (std::vector<std::string>{"⌘C back #3", "⌘A picker #4"}));
  EXPECT_EQ(program.hotkeyRegistry.records[0].signature, 0x68303033u);
  EXPECT_EQ(program.hotkeyRegistry.records[1].signature, 0x68303034u);
  EXPECT_EQ(program.hotkeyRegistry.nextHotkeyId, 5u);
  EXPECT_EQ(fake.calls, (std::vector<std::string>{
                            "hotkeys.register 0 256 1 -> 0", "hotkeys.register 11 256 2 -> -9878",
                            "hotkeys.register 8 256 3 -> 0", "hotkeys.unregister 1 -> 0",
                            "hotkeys.register 0 256 4 -> 0"}));
}

TEST_F(HotkeyRegistryTest, SignaturesContinueAsANumericAdditionPastNine) {
  const std::u16string keys = u"ASDFHGZXCV";
  for (char16_t key : keys) {
    ASSERT_TRUE(RegisterHotkey(program, std::u16string(1, u'\u2318') + key, HotkeyShowPicker));
  }
  const auto& records = program.hotkeyRegistry.records;
  ASSERT_EQ(records.size(), 10u);
  EXPECT_EQ(records[8].signature, 0x68303039u);  // 'h009'
  EXPECT_EQ(records[9].id, 10u);
  const uint32_t s = records[9].signature;
  const char code[] = {char(s >> 24), char(s >> 16), char(s >> 8), char(s), 0};
  EXPECT_STREQ(code, "h00:");
}

TEST_F(HotkeyRegistryTest, ACombinationAlreadyHeldIsRefusedWithoutAskingThePlatform) {
  // Even where the desktop would grab the same keys twice, one combination has one record.
  fake.hotkeys.acceptsDuplicates = true;

  EXPECT_TRUE(RegisterHotkey(program, u"\u2318A", HotkeyShowPicker));
  EXPECT_FALSE(RegisterHotkey(program, u"\u2318A", HotkeyCycleForward));
  EXPECT_TRUE(RegisterHotkey(program, u"\u21E7\u2318[", HotkeyCycleBack));
  // Another text for the same keys.
  EXPECT_FALSE(RegisterHotkey(program, u"\u21E7\u2318{", HotkeyShowPicker));
  // The same key with other modifiers, and other keys with the same modifiers, are different.
  EXPECT_TRUE(RegisterHotkey(program, u"\u2325\u2318A", HotkeyCycleForward));
  EXPECT_TRUE(RegisterHotkey(program, u"\u2318S", HotkeyCycleForward));

  EXPECT_EQ(Records(), (std::vector<std::string>{"⌘A picker #1", "⇧⌘[ back #3", "⌥⌘A forward #5",
                                                 "⌘S forward #6"}));
  EXPECT_EQ(fake.CallsStartingWith("hotkeys.register"),
            (std::vector<std::string>{
                "hotkeys.register 0 256 1 -> 0", "hotkeys.register 33 768 3 -> 0",
                "hotkeys.register 0 2304 5 -> 0", "hotkeys.register 1 256 6 -> 0"}));
  EXPECT_EQ(fake.hotkeys.grabs.size(), 4u);
}

TEST_F(HotkeyRegistryTest, UnregisterRemovesEveryRecordMatchingTheTextOrTheKind) {
  RegisterHotkey(program, u"\u2318A", HotkeyShowPicker);
  RegisterHotkey(program, u"\u2318B", HotkeyCycleForward);
  RegisterHotkey(program, u"\u2318C", HotkeyShowPicker);
  RegisterHotkey(program, u"\u2318D", HotkeyCycleBack);
  fake.calls.clear();

  UnregisterHotkeys(program, u"\u2318B", HotkeyShowPicker);
  EXPECT_EQ(Records(), std::vector<std::string>{"⌘D back #4"});
  EXPECT_EQ(fake.calls,
            (std::vector<std::string>{"hotkeys.unregister 1 -> 0", "hotkeys.unregister 2 -> 0",
                                      "hotkeys.unregister 3 -> 0"}));

  fake.calls.clear();
  UnregisterHotkeys(program, u"\u2318Z", HotkeyCycleForward);  // matches nothing
  EXPECT_TRUE(fake.calls.empty());
  UnregisterHotkeys(program, u"", HotkeyCycleBack);
  EXPECT_TRUE(Records().empty());
  EXPECT_TRUE(fake.hotkeys.grabs.empty());
}

TEST_F(HotkeyRegistryTest, AFailedUnregisterStopsTheWalkAndKeepsTheRestRegistered) {
  RegisterHotkey(program, u"\u2318A", HotkeyShowPicker);    // ref 1
  RegisterHotkey(program, u"\u2318B", HotkeyCycleForward);  // ref 2
  RegisterHotkey(program, u"\u2318C", HotkeyShowPicker);    // ref 3
  RegisterHotkey(program, u"\u2318D", HotkeyCycleBack);     // ref 4
  fake.hotkeys.stuck.insert(3);
  fake.calls.clear();

  UnregisterHotkeys(program, u"\u2318D", HotkeyShowPicker);

  EXPECT_EQ(fake.calls, (std::vector<std::string>{"hotkeys.unregister 1 -> 0",
                                                  "hotkeys.unregister 3 -> -9876"}));
  // ⌘D matched as well but comes after the stuck one.
  EXPECT_EQ(Records(), (std::vector<std::string>{"⌘B forward #2", "⌘C picker #3", "⌘D back #4"}));
  EXPECT_TRUE(fake.hotkeys.Press(8, kCmd));  // still grabbed, still answered
  EXPECT_EQ(Queued(), std::vector<AppEvent>{HotkeyEvent(HotkeyShowPicker)});
}

TEST_F(HotkeyRegistryTest, EachPressPostsItsRecordsEventEvenWhenOneIsWaiting) {
  RegisterHotkey(program, u"\u2318P", HotkeyShowPicker);
  RegisterHotkey(program, u"\u2318F", HotkeyCycleForward);
  RegisterHotkey(program, u"\u2318B", HotkeyCycleBack);
  const int wakesBefore = fake.events.wakes;

  EXPECT_TRUE(fake.hotkeys.Press(3, kCmd));
  EXPECT_TRUE(fake.hotkeys.Press(3, kCmd));
  EXPECT_TRUE(fake.hotkeys.Press(11, kCmd));
  EXPECT_TRUE(fake.hotkeys.Press(35, kCmd));

  EXPECT_EQ(Queued(),
            (std::vector<AppEvent>{HotkeyEvent(HotkeyCycleForward), HotkeyEvent(HotkeyCycleForward),
                                   HotkeyEvent(HotkeyCycleBack), HotkeyEvent(HotkeyShowPicker)}));
  EXPECT_EQ(fake.events.wakes, wakesBefore + 4);
}

TEST_F(HotkeyRegistryTest, APressIsAnsweredWithNoErrorWhateverItCarries) {
  RegisterHotkey(program, u"\u2318P", HotkeyShowPicker);  // id 1, 'h001'
  const std::optional<platform::HotkeyId> presses[] = {
      std::nullopt,                       // the event carries no id
      platform::HotkeyId{0x68303031, 2},  // unknown id
      platform::HotkeyId{0x68303032, 1},  // right id, wrong signature
      platform::HotkeyId{0, 0},
  };
  for (const auto& pressed : presses) {
    EXPECT_EQ(fake.hotkeys.handler(pressed), 0);
    EXPECT_EQ(OnHotkeyPressed(program, pressed), 0);
  }
  EXPECT_TRUE(Queued().empty());

  EXPECT_EQ(OnHotkeyPressed(program, platform::HotkeyId{0x68303031, 1}), 0);
  EXPECT_EQ(Queued(), std::vector<AppEvent>{HotkeyEvent(HotkeyShowPicker)});

  UnregisterHotkeys(program, u"", HotkeyShowPicker);
  EXPECT_FALSE(fake.hotkeys.Press(35, kCmd));
  EXPECT_EQ(OnHotkeyPressed(program, platform::HotkeyId{0x68303031, 1}), 0);
  EXPECT_TRUE(Queued().empty());
}

TEST_F(HotkeyRegistryTest, StoredShortcutsAreRegisteredPickerForwardBackSkippingEmptyOnes) {
  struct Row {
    std::u16string picker, forward, back;
    std::vector<std::string> records;
  };
  const Row rows[] = {
      {u"\u2318P", u"\u2318F", u"\u2318B", {"⌘P picker #1", "⌘F forward #2", "⌘B back #3"}},
      {u"\u2318P", u"", u"\u2318B", {"⌘P picker #1", "⌘B back #2"}},
      {u"", u"", u"", {}},
      // A stored text that cannot be a hot key uses no id.
      {u"A", u"\u2318\u2190", u"\u2318B", {"⌘B back #1"}},
      // Two actions stored with the same keys: the first one in order gets them.
      {u"\u2318P", u"\u2318P", u"", {"⌘P picker #1"}},
  };
  for (const auto& row : rows) {
    fake::FakePlatform fresh;
    Program other(fresh.platform);
    other.keyCodeTable = BuildKeyCodeTable();
    ASSERT_TRUE(InstallHotkeyHandler(other));
    other.settings.ShortKey = row.picker;
    other.settings.ShortKey1 = row.forward;
    other.settings.ShortKey2 = row.back;
    RegisterStoredHotkeys(other);
    std::vector<std::string> records;
    for (const auto& record : other.hotkeyRegistry.records) {
      records.push_back(ToUtf8(record.shortcut) + " " + KindName(record.kind) + " #" +
                        std::to_string(record.id));
    }
    EXPECT_EQ(records, row.records) << ToUtf8(row.picker + u"|" + row.forward + u"|" + row.back);
  }
}

TEST_F(HotkeyRegistryTest, SwappingAFieldReplacesItsHotKeyWithoutStoringAnything) {
  program.settings.ShortKey = u"\u2318P";
  RegisterStoredHotkeys(program);
  AddFields(u"\u2318O", u"", u"");
  fake.calls.clear();

  SwapHotkey(program, PickerKeyField);

  EXPECT_EQ(fake.calls, (std::vector<std::string>{"hotkeys.unregister 1 -> 0",
                                                  "hotkeys.register 31 256 2 -> 0"}));
  EXPECT_EQ(Records(), std::vector<std::string>{"⌘O picker #2"});
  EXPECT_EQ(Problem(PickerKeyField), std::nullopt);
  EXPECT_EQ(program.settings.ShortKey, u"\u2318P");
}

TEST_F(HotkeyRegistryTest, ASwapThatCannotRegisterLeavesTheActionWithoutAHotKeyAndSaysWhy) {
  struct Row {
    std::u16string text;
    std::optional<std::u16string> problem;
  };
  const Row rows[] = {
      {u"\u2318\u2190", kNotSupported},
      {u"\u2318Insert", kNotSupported},
      {u"\u2318a", kNotSupported},
      {u"A", kSingleKey},
      {u"\u238B", kSingleKey},
      {u"\u2318", kNoKey},
      {u"\u2318K", kNotActive},  // another program holds it
      {u"", std::nullopt},       // cleared: nothing to complain about
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(ToUtf8(row.text));
    fake::FakePlatform fresh;
    fresh.hotkeys.takenElsewhere.insert({40, kCmd});
    Program other(fresh.platform);
    other.keyCodeTable = BuildKeyCodeTable();
    ASSERT_TRUE(InstallHotkeyHandler(other));
    other.settings.ShortKey = u"\u2318P";
    other.settings.ShortKey1 = u"\u2318F";
    RegisterStoredHotkeys(other);
    fresh.preferences.AddShortcutField(PickerKeyField, {}, u"add shortcut");
    fresh.preferences.SetFieldText(PickerKeyField, row.text);

    SwapHotkey(other, PickerKeyField);

    ASSERT_EQ(other.hotkeyRegistry.records.size(), 1u);
    EXPECT_EQ(other.hotkeyRegistry.records[0].kind, HotkeyCycleForward);
    EXPECT_FALSE(fresh.hotkeys.Press(35, kCmd));
    EXPECT_EQ(fresh.preferences.Find(PickerKeyField)->problem, row.problem);
  }
}

TEST_F(HotkeyRegistryTest, ARefusedSwapUnregistersOnceMore) {
  program.settings.ShortKey = u"\u2318P";
  RegisterStoredHotkeys(program);
  fake.hotkeys.stuck.insert(program.hotkeyRegistry.records[0].ref);
  AddFields(u"\u2318\u2190", u"", u"");
  fake.calls.clear();

  SwapHotkey(program, PickerKeyField);

  // The old key could not be released: the walk is tried again after the failed registration,
  // and the old key keeps working meanwhile.
  EXPECT_EQ(fake.calls, (std::vector<std::string>{"hotkeys.unregister 1 -> -9876",
                                                  "hotkeys.unregister 1 -> -9876"}));
  EXPECT_EQ(Records(), std::vector<std::string>{"⌘P picker #1"});
  EXPECT_EQ(Problem(PickerKeyField), kNotSupported);
}

TEST_F(HotkeyRegistryTest, ReportsFromOtherControlsAreNoSwap) {
  program.settings.ShortKey = u"\u2318P";
  RegisterStoredHotkeys(program);
  AddFields(u"", u"", u"");
  fake.calls.clear();
  for (int64_t id :
       {FormatCombo, IconCombo, ShowTitleCheckBox, StartAtLoginCheckBox, int64_t{0}, int64_t{-1}}) {
    SwapHotkey(program, id);
  }
  EXPECT_TRUE(fake.calls.empty());
  EXPECT_EQ(Records(), std::vector<std::string>{"⌘P picker #1"});
}

TEST_F(HotkeyRegistryTest, GivingForwardThePickersKeysTakesThemAndMarksThePickerInactive) {
  program.settings.ShortKey = u"\u2318P";
  program.settings.ShortKey1 = u"\u2318F";
  RegisterStoredHotkeys(program);
  AddFields(u"\u2318P", u"\u2318P", u"");

  SwapHotkey(program, ForwardKeyField);

  EXPECT_EQ(Records(), std::vector<std::string>{"⌘P forward #3"});
  EXPECT_EQ(Problem(ForwardKeyField), std::nullopt);
  EXPECT_EQ(Problem(PickerKeyField), kNotActive);
  EXPECT_EQ(Problem(BackKeyField), std::nullopt);
  EXPECT_TRUE(fake.hotkeys.Press(35, kCmd));
  EXPECT_EQ(Queued(), std::vector<AppEvent>{HotkeyEvent(HotkeyCycleForward)});
}

TEST_F(HotkeyRegistryTest, ProblemIsNothingForAnEmptyOrRegisteredShortcut) {
  RegisterHotkey(program, u"\u2318P", HotkeyShowPicker);
  EXPECT_EQ(HotkeyProblem(program, u"", HotkeyShowPicker), std::nullopt);
  EXPECT_EQ(HotkeyProblem(program, u"\u2318P", HotkeyShowPicker), std::nullopt);
  // The same keys held for another action do not work for this one.
  EXPECT_EQ(HotkeyProblem(program, u"\u2318P", HotkeyCycleBack), kNotActive);
  EXPECT_EQ(HotkeyProblem(program, u"\u2318Q", HotkeyShowPicker), kNotActive);
  EXPECT_EQ(HotkeyProblem(program, u"\u2318\u2193", HotkeyShowPicker), kNotSupported);
}

// With the status item built, so that retitled menu items can be inspected.
class ApplyShortcutFieldsTest : public HotkeyRegistryTest {
 protected:
  void Start(const std::u16string& picker, const std::u16string& forward,
             const std::u16string& back) {
    program.settings.ShortKey = picker;
    program.settings.ShortKey1 = forward;
    program.settings.ShortKey2 = back;
    BuildStatusItem(program);
    AddFields(picker, forward, back);
  }

  MenuEntry Item(int64_t id) const { return fake.statusBar.Find(id)->entry; }
};

TEST_F(ApplyShortcutFieldsTest, StoresSyncsRegistersAndRetitlesEachFieldInTurn) {
  Start(u"\u2318P", u"\u2318F", u"");
  // The user changed picker and back, and cleared forward; each change was swapped at once.
  fake.preferences.SetFieldText(PickerKeyField, u"\u2318O");
  fake.preferences.SetFieldText(ForwardKeyField, u"");
  fake.preferences.SetFieldText(BackKeyField, u"\u2325\u2318B");
  for (int64_t id : {PickerKeyField, ForwardKeyField, BackKeyField}) SwapHotkey(program, id);
  fake.calls.clear();

  ApplyShortcutFields(program);

  EXPECT_EQ(fake.calls, (std::vector<std::string>{
                            "defaults.text ShortKey=⌘O",
                            "defaults.sync",
                            "status.update 1 Show the Color Picker",
                            "defaults.text ShortKey1=",
                            "defaults.sync",
                            "status.update 2 Cycle Output Forward",
                            "defaults.text ShortKey2=⌥⌘B",
                            "defaults.sync",
                            "status.update 3 Cycle Output Back",
                        }));
  EXPECT_EQ(program.settings.ShortKey, u"\u2318O");
  EXPECT_EQ(program.settings.ShortKey1, u"");
  EXPECT_EQ(program.settings.ShortKey2, u"\u2325\u2318B");
  EXPECT_EQ(fake.defaults.synced.at("ShortKey"), FakeValue(u"\u2318O"));
  EXPECT_EQ(fake.defaults.synced.at("ShortKey1"), FakeValue(u""));
  EXPECT_EQ(fake.defaults.synced.at("ShortKey2"), FakeValue(u"\u2325\u2318B"));
  EXPECT_EQ(Item(MenuShowPicker), (MenuEntry{u"Show the Color Picker", u"o", kMenuCommandMask}));
  EXPECT_EQ(Item(MenuCycleForward), (MenuEntry{u"Cycle Output Forward", u"", 0}));
  EXPECT_EQ(Item(MenuCycleBack),
            (MenuEntry{u"Cycle Output Back", u"b", kMenuOptionMask | kMenuCommandMask}));
  // One record per shortcut: the re-registrations at close were refused.
  EXPECT_EQ(Records(), (std::vector<std::string>{"⌘O picker #3", "⌥⌘B back #4"}));
}

TEST_F(ApplyShortcutFieldsTest, AClearedFieldDropsTheActionsHotKeyBeforeStoring) {
  Start(u"\u2318P", u"\u2318F", u"");
  fake.preferences.SetFieldText(PickerKeyField, u"");  // cleared, not yet swapped
  fake.calls.clear();

  ApplyShortcutFields(program);

  const std::vector<std::string> firstSteps(fake.calls.begin(), fake.calls.begin() + 3);
  EXPECT_EQ(firstSteps, (std::vector<std::string>{"hotkeys.unregister 1 -> 0",
                                                  "defaults.text ShortKey=", "defaults.sync"}));
  EXPECT_EQ(Records(), std::vector<std::string>{"⌘F forward #2"});
  EXPECT_EQ(Item(MenuShowPicker), (MenuEntry{u"Show the Color Picker", u"", 0}));
}

TEST_F(ApplyShortcutFieldsTest, UnchangedShortcutsLeaveOneRecordEachWhateverThePlatformAllows) {
  for (bool acceptsDuplicates : {false, true}) {
    SCOPED_TRACE(acceptsDuplicates);
    fake::FakePlatform fresh;
    fresh.hotkeys.acceptsDuplicates = acceptsDuplicates;
    Program other(fresh.platform);
    other.keyCodeTable = BuildKeyCodeTable();
    ASSERT_TRUE(InstallHotkeyHandler(other));
    other.settings.ShortKey = u"\u2318P";
    other.settings.ShortKey1 = u"\u2318F";
    other.settings.ShortKey2 = u"\u2318B";
    BuildStatusItem(other);
    const std::pair<int64_t, std::u16string> fields[] = {
        {PickerKeyField, u"\u2318P"}, {ForwardKeyField, u"\u2318F"}, {BackKeyField, u"\u2318B"}};
    for (const auto& [id, text] : fields) {
      fresh.preferences.AddShortcutField(id, {}, u"add shortcut");
      fresh.preferences.SetFieldText(id, text);
    }

    ApplyShortcutFields(other);
    ApplyShortcutFields(other);

    ASSERT_EQ(other.hotkeyRegistry.records.size(), 3u);
    EXPECT_EQ(fresh.hotkeys.grabs.size(), 3u);
    EXPECT_EQ(fresh.CallsStartingWith("hotkeys.register").size(), 3u);  // start-up only
    EXPECT_EQ(other.hotkeyRegistry.nextHotkeyId, 10u);  // six refused attempts used their ids
    EXPECT_TRUE(fresh.hotkeys.Press(35, kCmd));
    ASSERT_EQ(other.queue.size(), 1u);
    EXPECT_EQ(other.queue.TakeNext(), HotkeyEvent(HotkeyShowPicker));
  }
}

TEST_F(ApplyShortcutFieldsTest, AShortcutThatCannotBeAHotKeyIsStillStoredAndShown) {
  Start(u"", u"", u"");
  fake.hotkeys.takenElsewhere.insert({40, kCmd});
  fake.preferences.SetFieldText(PickerKeyField, u"\u2318\u2190");
  fake.preferences.SetFieldText(ForwardKeyField, u"\u2318K");
  fake.preferences.SetFieldText(BackKeyField, u"A");

  ApplyShortcutFields(program);

  EXPECT_TRUE(Records().empty());
  EXPECT_EQ(fake.defaults.synced.at("ShortKey"), FakeValue(u"\u2318\u2190"));
  EXPECT_EQ(fake.defaults.synced.at("ShortKey1"), FakeValue(u"\u2318K"));
  EXPECT_EQ(fake.defaults.synced.at("ShortKey2"), FakeValue(u"A"));
  EXPECT_EQ(Item(MenuShowPicker),
            (MenuEntry{u"Show the Color Picker", u"\u2190", kMenuCommandMask}));
  EXPECT_EQ(Item(MenuCycleForward), (MenuEntry{u"Cycle Output Forward", u"k", kMenuCommandMask}));
  EXPECT_EQ(Item(MenuCycleBack), (MenuEntry{u"Cycle Output Back", u"a", 0}));
}

// The whole road: start-up with stored shortcuts, the preferences window, key presses in its
// fields, and its closing.
class HotkeyScenarioTest : public ::testing::Test {
 protected:
  HotkeyScenarioTest() {
    char pattern[] = "/tmp/pigmora-hotkeys-XXXXXX";
    const int fd = ::mkstemp(pattern);
    if (fd >= 0) ::close(fd);
    preferencesFile = pattern;
    fake.paths.preferencesFile = preferencesFile;  // exists: settings are loaded, not initialised
  }
  ~HotkeyScenarioTest() override { std::remove(preferencesFile.c_str()); }

  void Store(const std::u16string& picker, const std::u16string& forward,
             const std::u16string& back) {
    fake.defaults.values["ShortKey"] = picker;
    fake.defaults.values["ShortKey1"] = forward;
    fake.defaults.values["ShortKey2"] = back;
    fake.defaults.values["TitleOn"] = int64_t{1};
    fake.defaults.values["OutFormat"] = int64_t{2};
  }

  void OpenWindow() {
    ASSERT_TRUE(fake.statusBar.Choose(MenuPreferences));
    DispatchQueuedEvents(program);
    ASSERT_TRUE(fake.preferences.open);
  }

  void PressInField(int64_t field, uint32_t flags, uint16_t keyCode, char16_t character) {
    EXPECT_TRUE(fake.events.PressKey({.modifierFlags = flags,
                                      .keyCode = keyCode,
                                      .character = character,
                                      .focusedControlId = field}));
    DispatchQueuedEvents(program);
  }

  void CloseWindow() {
    fake.preferences.ClickClose();
    DispatchQueuedEvents(program);
    ASSERT_FALSE(fake.preferences.open);
  }

  std::vector<std::string> Records() const {
    std::vector<std::string> out;
    for (const auto& record : program.hotkeyRegistry.records) {
      out.push_back(ToUtf8(record.shortcut) + " " + KindName(record.kind));
    }
    return out;
  }

  MenuEntry Item(int64_t id) const { return fake.statusBar.Find(id)->entry; }

  std::string preferencesFile;
  fake::FakePlatform fake;
  Program program{fake.platform};
};

TEST_F(HotkeyScenarioTest, StartUpRegistersTheStoredShortcutsInOrderAfterTheHandler) {
  Store(u"\u2318P", u"\u2318F", u"\u2318B");
  ASSERT_TRUE(StartUp(program));

  const auto hotkeyCalls = fake.CallsStartingWith("hotkeys.");
  EXPECT_EQ(hotkeyCalls, (std::vector<std::string>{
                             "hotkeys.install", "hotkeys.register 35 256 1 -> 0",
                             "hotkeys.register 3 256 2 -> 0", "hotkeys.register 11 256 3 -> 0"}));
  EXPECT_EQ(Item(MenuCycleForward), (MenuEntry{u"Cycle Output Forward", u"f", kMenuCommandMask}));
}

TEST_F(HotkeyScenarioTest, TakingTheCombinationFromThePicker) {
  Store(u"\u2318P", u"\u2318F", u"");
  ASSERT_TRUE(StartUp(program));
  OpenWindow();

  PressInField(ForwardKeyField, platform::kCommandFlag, 35, u'p');  // ⌘P in the forward field
  EXPECT_EQ(Records(), std::vector<std::string>{"⌘P forward"});
  EXPECT_EQ(fake.preferences.Find(PickerKeyField)->problem, kNotActive);
  EXPECT_EQ(fake.preferences.Find(ForwardKeyField)->problem, std::nullopt);

  CloseWindow();

  // The combination still belongs to the forward cycle; the picker keeps its text.
  EXPECT_EQ(Records(), std::vector<std::string>{"⌘P forward"});
  EXPECT_EQ(fake.defaults.synced.at("ShortKey"), FakeValue(u"\u2318P"));
  EXPECT_EQ(fake.defaults.synced.at("ShortKey1"), FakeValue(u"\u2318P"));
  EXPECT_EQ(Item(MenuShowPicker), (MenuEntry{u"Show the Color Picker", u"p", kMenuCommandMask}));
  EXPECT_EQ(Item(MenuCycleForward), (MenuEntry{u"Cycle Output Forward", u"p", kMenuCommandMask}));
  EXPECT_TRUE(fake.hotkeys.Press(35, kCmd));
  EXPECT_EQ(program.queue.TakeNext(), HotkeyEvent(HotkeyCycleForward));
  EXPECT_FALSE(fake.hotkeys.Press(3, kCmd));  // ⌘F is gone
}

TEST_F(HotkeyScenarioTest, ClearingAFieldDropsTheHotKeyAtOnceAndStoresTheEmptyText) {
  Store(u"\u2318P", u"\u2318F", u"");
  ASSERT_TRUE(StartUp(program));
  OpenWindow();

  PressInField(PickerKeyField, 0, 51, 0x7F);  // Delete
  EXPECT_FALSE(fake.hotkeys.Press(35, kCmd));
  EXPECT_EQ(fake.preferences.Find(PickerKeyField)->problem, std::nullopt);

  CloseWindow();
  EXPECT_EQ(fake.defaults.synced.at("ShortKey"), FakeValue(u""));
  EXPECT_EQ(Item(MenuShowPicker), (MenuEntry{u"Show the Color Picker", u"", 0}));
  EXPECT_EQ(Records(), std::vector<std::string>{"⌘F forward"});
}

TEST_F(HotkeyScenarioTest, ClosingWithoutChangesKeepsExactlyOneRecordPerShortcut) {
  Store(u"\u2318P", u"\u2318F", u"\u2318B");
  fake.hotkeys.acceptsDuplicates = true;
  ASSERT_TRUE(StartUp(program));
  OpenWindow();
  CloseWindow();
  OpenWindow();
  CloseWindow();

  EXPECT_EQ(Records(), (std::vector<std::string>{"⌘P picker", "⌘F forward", "⌘B back"}));
  EXPECT_EQ(fake.hotkeys.grabs.size(), 3u);
  EXPECT_TRUE(fake.hotkeys.Press(11, kCmd));
  EXPECT_EQ(program.queue.TakeNext(), HotkeyEvent(HotkeyCycleBack));
}

TEST_F(HotkeyScenarioTest, EachHotKeyIsNamedForItsActionWithItsMenuTitle) {
  Store(u"\u2318P", u"\u2318F", u"\u2318B");
  ASSERT_TRUE(StartUp(program));

  std::vector<std::string> named;
  for (const auto& [ref, grab] : fake.hotkeys.grabs) {
    named.push_back(std::to_string(grab.keyCode) + " " + grab.actionName + " " +
                    ToUtf8(grab.actionTitle));
  }
  EXPECT_EQ(named, (std::vector<std::string>{"35 picker Show the Color Picker",
                                             "3 forward Cycle Output Forward",
                                             "11 back Cycle Output Back"}));
}

TEST_F(HotkeyScenarioTest, WhatTheDesktopBoundShowsInTheOpenFieldsAndClearsAgain) {
  Store(u"\u2318P", u"\u2318F", u"");
  ASSERT_TRUE(StartUp(program));
  const std::u16string changed = u"The desktop runs this on Ctrl+Alt+K instead.";

  // Closed window: nothing to show, and nothing breaks.
  fake.hotkeys.ChangeBinding("forward", changed);
  OpenWindow();
  EXPECT_EQ(fake.preferences.Find(ForwardKeyField)->problem, changed);
  EXPECT_EQ(fake.preferences.Find(PickerKeyField)->problem, std::nullopt);

  fake.hotkeys.ChangeBinding("picker", u"The desktop bound no key to this.");
  EXPECT_EQ(fake.preferences.Find(PickerKeyField)->problem, u"The desktop bound no key to this.");
  fake.hotkeys.ChangeBinding("forward", std::nullopt);
  EXPECT_EQ(fake.preferences.Find(ForwardKeyField)->problem, std::nullopt);
  EXPECT_EQ(fake.preferences.Find(BackKeyField)->problem, std::nullopt);
}

}  // namespace
}  // namespace pigmora
