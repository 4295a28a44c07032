#include "app/event_queue.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"

namespace pigmora {
namespace {

AppEvent Menu(int64_t id) {
  return {.kind = MenuEvent, .objectId = id, .windowId = 0};
}
AppEvent Hotkey(int32_t kind) {
  return {.kind = kind, .objectId = NoTarget, .windowId = NoTarget, .changeType = NoTarget};
}

class EventQueueTest : public ::testing::Test {
 protected:
  fake::FakePlatform fake;
  EventQueue queue{fake.events};
};

TEST_F(EventQueueTest, KeepsFirstInFirstOutOrder) {
  queue.Post(Menu(MenuShowPicker), PostMode::Collapsible);
  queue.Post(Hotkey(HotkeyCycleForward), PostMode::Always);
  queue.Post(Menu(MenuAbout), PostMode::Collapsible);
  EXPECT_EQ(queue.Wait(), Menu(MenuShowPicker));
  EXPECT_EQ(queue.Wait(), Hotkey(HotkeyCycleForward));
  EXPECT_EQ(queue.Wait(), Menu(MenuAbout));
  EXPECT_FALSE(queue.TakeNext());
}

TEST_F(EventQueueTest, CollapsesARepeatOfTheNewestEventOnly) {
  queue.Post(Menu(MenuShowPicker), PostMode::Collapsible);
  queue.Post(Menu(MenuShowPicker), PostMode::Collapsible);  // same as the newest: dropped
  queue.Post(Menu(MenuAbout), PostMode::Collapsible);
  queue.Post(Menu(MenuShowPicker), PostMode::Collapsible);  // newest is About: kept
  EXPECT_EQ(queue.size(), 3u);
}

TEST_F(EventQueueTest, CollapsingComparesKindObjectWindowAndChangeType) {
  const AppEvent control{
      .kind = ControlEvent, .objectId = FormatCombo, .windowId = 1, .changeType = ChangeType};
  queue.Post(control, PostMode::Collapsible);
  AppEvent otherChange = control;
  otherChange.changeType = 0;
  queue.Post(otherChange, PostMode::Collapsible);
  AppEvent otherWindow = control;
  otherWindow.windowId = 0;
  queue.Post(otherWindow, PostMode::Collapsible);
  AppEvent sameButData = otherWindow;
  sameButData.data = 7;  // data does not count
  queue.Post(sameButData, PostMode::Collapsible);
  EXPECT_EQ(queue.size(), 3u);
}

TEST_F(EventQueueTest, AlwaysModeNeverCollapses) {
  queue.Post(Hotkey(HotkeyShowPicker), PostMode::Always);
  queue.Post(Hotkey(HotkeyShowPicker), PostMode::Always);
  EXPECT_EQ(queue.size(), 2u);
}

TEST_F(EventQueueTest, EveryPostWakesTheWaitEvenWhenCollapsed) {
  queue.Post(Menu(MenuQuit), PostMode::Collapsible);
  queue.Post(Menu(MenuQuit), PostMode::Collapsible);
  EXPECT_EQ(fake.events.wakes, 2);
}

TEST_F(EventQueueTest, WaitBlocksOnSystemEventsUntilHandlingQueuesOne) {
  int waits = 0;
  fake.events.script.push_back([&] { ++waits; });  // a system event that queues nothing
  fake.events.script.push_back([&] {
    ++waits;
    queue.Post(Hotkey(HotkeyCycleBack), PostMode::Always);
  });
  EXPECT_EQ(queue.Wait(), Hotkey(HotkeyCycleBack));
  EXPECT_EQ(waits, 2);
}

TEST_F(EventQueueTest, EveryFilterSeesEveryKeyDownAndAnyTakerKeepsIt) {
  std::vector<int> seen;
  queue.AddEventFilter([&](const platform::KeyDown&) {
    seen.push_back(1);
    return true;
  });
  const auto second = queue.AddEventFilter([&](const platform::KeyDown&) {
    seen.push_back(2);
    return false;
  });
  EXPECT_TRUE(fake.events.PressKey({.keyCode = 0}));
  EXPECT_EQ(seen, (std::vector<int>{1, 2}));

  queue.RemoveEventFilter(second);
  seen.clear();
  EXPECT_TRUE(fake.events.PressKey({.keyCode = 0}));
  EXPECT_EQ(seen, (std::vector<int>{1}));
}

TEST_F(EventQueueTest, AKeyDownNoFilterTakesReachesTheApplication) {
  EXPECT_FALSE(fake.events.PressKey({.keyCode = 0}));
  const auto id = queue.AddEventFilter([](const platform::KeyDown&) { return false; });
  EXPECT_FALSE(fake.events.PressKey({.keyCode = 0}));
  queue.RemoveEventFilter(id);
}

}  // namespace
}  // namespace pigmora
