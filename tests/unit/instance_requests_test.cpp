#include "app/instance_requests.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "app/program.h"
#include "app/run_program.h"
#include "hotkeys/hotkey_registry.h"
#include "platform/fake/fake_platform.h"

namespace pigmora {
namespace {

using platform::InstanceRequest;

std::vector<AppEvent> TakeAll(EventQueue& queue) {
  std::vector<AppEvent> events;
  while (auto event = queue.TakeNext()) events.push_back(*event);
  return events;
}

// Presses a hot key that posts `kind`, as the user would.
void PressHotkeyOf(fake::FakePlatform& fake, Program& program, int64_t kind) {
  if (program.hotkeyRegistry.records.empty()) {
    ASSERT_TRUE(RegisterHotkey(program, u"⌃⌥P", HotkeyShowPicker));
    ASSERT_TRUE(RegisterHotkey(program, u"⌃⌥]", HotkeyCycleForward));
    ASSERT_TRUE(RegisterHotkey(program, u"⌃⌥[", HotkeyCycleBack));
  }
  const auto& records = program.hotkeyRegistry.records;
  const auto record = std::find_if(records.begin(), records.end(),
                                   [kind](const HotkeyRecord& r) { return r.kind == kind; });
  ASSERT_NE(record, records.end());
  ASSERT_TRUE(fake.hotkeys.Press(record->keyCode, record->modifiers));
}

struct SameAsByHand {
  InstanceRequest request;
  std::function<void(fake::FakePlatform&, Program&)> byHand;
};

// Two requests in a row queue exactly what two uses of the hot key or the menu item queue: the
// same events, repeated or collapsed alike.
TEST(InstanceRequestsTest, ARequestQueuesWhatItsHotKeyOrMenuItemQueues) {
  const SameAsByHand cases[] = {
      {InstanceRequest::ShowPicker,
       [](auto& fake, auto& program) { PressHotkeyOf(fake, program, HotkeyShowPicker); }},
      {InstanceRequest::CycleForward,
       [](auto& fake, auto& program) { PressHotkeyOf(fake, program, HotkeyCycleForward); }},
      {InstanceRequest::CycleBack,
       [](auto& fake, auto& program) { PressHotkeyOf(fake, program, HotkeyCycleBack); }},
      {InstanceRequest::ShowPreferences,
       [](auto& fake, auto&) { ASSERT_TRUE(fake.statusBar.Choose(MenuPreferences)); }},
  };
  for (const auto& [request, byHand] : cases) {
    SCOPED_TRACE(static_cast<int>(request));
    fake::FakePlatform fake;
    Program program(fake.platform);
    ASSERT_TRUE(StartUp(program));

    byHand(fake, program);
    byHand(fake, program);
    const auto expected = TakeAll(program.queue);
    ASSERT_FALSE(expected.empty());

    const int wakesBefore = fake.events.wakes;
    ASSERT_TRUE(fake.instance.Send(request));
    ASSERT_TRUE(fake.instance.Send(request));
    EXPECT_EQ(TakeAll(program.queue), expected);
    EXPECT_EQ(fake.events.wakes, wakesBefore + 2);
  }
}

TEST(InstanceRequestsTest, TheProgramListensOnlyOnceItIsReady) {
  fake::FakePlatform fake;
  Program program(fake.platform);
  EXPECT_FALSE(fake.instance.Send(InstanceRequest::ShowPicker));
  ASSERT_TRUE(StartUp(program));
  EXPECT_EQ(fake.calls.back(), "instance.listen");
  EXPECT_EQ(fake.CallsStartingWith("instance.").size(), 1u);
}

TEST(InstanceRequestsTest, AFailedStartUpNeverListens) {
  fake::FakePlatform fake;
  fake.hotkeys.installResult = -1;
  Program program(fake.platform);
  ASSERT_FALSE(StartUp(program));
  EXPECT_FALSE(fake.instance.Send(InstanceRequest::ShowPicker));
}

TEST(InstanceRequestsTest, ShowPreferencesWhileTheWindowIsOpenKeepsOneWindowAndActivates) {
  fake::FakePlatform fake;
  fake.events.script.push_back([&] { fake.instance.Send(InstanceRequest::ShowPreferences); });
  fake.events.script.push_back([&] { fake.instance.Send(InstanceRequest::ShowPreferences); });
  fake.events.script.push_back([&] { fake.preferences.ClickClose(); });
  EXPECT_EQ(RunProgram(fake.platform), 0);

  EXPECT_EQ(fake.preferences.opens, 1);
  EXPECT_EQ(fake.CallsStartingWith("events.activate").size(), 2u);
  EXPECT_FALSE(fake.preferences.open);
}

TEST(InstanceRequestsTest, CycleRequestsCopyInTheNextAndPreviousFormat) {
  fake::FakePlatform fake;
  fake.events.script.push_back([&] { fake.instance.Send(InstanceRequest::CycleForward); });
  fake.events.script.push_back([&] { fake.instance.Send(InstanceRequest::CycleBack); });
  fake.events.script.push_back([&] { fake.instance.Send(InstanceRequest::CycleBack); });
  EXPECT_EQ(RunProgram(fake.platform), 0);

  // First run: "RGB Hex", black; then "Swift", "RGB Hex" and "Web Safe".
  EXPECT_EQ(fake.CallsStartingWith("pasteboard "),
            (std::vector<std::string>{
                "pasteboard UIColor(red: 0.00, green: 0.00, blue: 0.00, alpha: 1.00)",
                "pasteboard 000000", "pasteboard #000000"}));
}

}  // namespace
}  // namespace pigmora
