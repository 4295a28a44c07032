#include "menubar/status_item.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/run_program.h"
#include "platform/fake/fake_platform.h"
#include "prefs/preferences_window.h"

namespace pigmora {
namespace {

using platform::kMenuCommandMask;
using platform::kMenuControlMask;
using platform::kMenuOptionMask;
using platform::MenuEntry;

// A file that exists, so that start-up loads the stored settings instead of a first run.
std::string ExistingPreferencesFile() {
  static const std::string path = [] {
    std::string file = ::testing::TempDir() + "pigmora_status_item_test.conf";
    std::ofstream(file) << "present\n";
    return file;
  }();
  return path;
}

class StatusItemTest : public ::testing::Test {
 protected:
  // Stored settings as a later start finds them; unset keys read as empty text or 0.
  void StoreText(const std::string& key, const std::u16string& text) {
    fake.defaults.values.insert_or_assign(key, text);
  }
  void StoreInteger(const std::string& key, int64_t value) {
    fake.defaults.values.insert_or_assign(key, value);
  }
  void StartWithStoredSettings() {
    fake.paths.preferencesFile = ExistingPreferencesFile();
    ASSERT_TRUE(StartUp(program));
  }
  std::vector<int64_t> MenuIds() const {
    std::vector<int64_t> ids;
    for (const auto& item : fake.statusBar.menu) ids.push_back(item.id);
    return ids;
  }
  MenuEntry EntryOf(int64_t id) const {
    const auto* item = fake.statusBar.Find(id);
    EXPECT_NE(item, nullptr) << "no menu item " << id;
    return item ? item->entry : MenuEntry{};
  }

  fake::FakePlatform fake;
  Program program{fake.platform};
};

TEST_F(StatusItemTest, FirstStartShowsEyedropperRgbHexAndTheTenEntries) {
  ASSERT_TRUE(StartUp(program));

  EXPECT_TRUE(program.statusItemExists);
  EXPECT_TRUE(fake.statusBar.exists);
  EXPECT_EQ(fake.statusBar.image, std::optional<int>(4));
  EXPECT_EQ(fake.statusBar.title, u"RGB Hex");
  EXPECT_EQ(fake.statusBar.toolTip, u"");

  const std::vector<int64_t> expectedIds = {
      MenuShowPicker, 0, MenuCycleForward, MenuCycleBack, 0, MenuPreferences, 0,
      MenuAbout,      0, MenuQuit};
  EXPECT_EQ(MenuIds(), expectedIds);
  EXPECT_EQ(EntryOf(MenuShowPicker), (MenuEntry{u"Show the Color Picker", u"", 0}));
  EXPECT_EQ(EntryOf(MenuCycleForward), (MenuEntry{u"Cycle Output Forward", u"", 0}));
  EXPECT_EQ(EntryOf(MenuCycleBack), (MenuEntry{u"Cycle Output Back", u"", 0}));
  EXPECT_EQ(EntryOf(MenuPreferences), (MenuEntry{u"Preferences...", u",", kMenuCommandMask}));
  EXPECT_EQ(EntryOf(MenuAbout), (MenuEntry{u"About", u"", 0}));
  EXPECT_EQ(EntryOf(MenuQuit), (MenuEntry{u"Quit", u"q", kMenuCommandMask}));
  for (const auto& item : fake.statusBar.menu) {
    EXPECT_TRUE(item.enabled) << "item " << item.id;
  }
}

TEST_F(StatusItemTest, BuildsInOrderHotkeysItemImageMenuThenTitle) {
  StoreText("ShortKey", u"\u2318A");
  StoreText("Mode", u"Swift");
  StoreInteger("MenuIcon", 1);
  StoreInteger("TitleOn", 1);
  StartWithStoredSettings();

  std::vector<std::string> sequence;
  for (const auto& call : fake.calls) {
    if (call.starts_with("hotkeys.register") || call.starts_with("status.")) {
      sequence.push_back(call);
    }
  }
  const std::vector<std::string> expected = {
      "hotkeys.register 0 256 1 -> 0",
      "status.create",
      "status.image 1",
      "status.add 1 Show the Color Picker",
      "status.separator",
      "status.add 2 Cycle Output Forward",
      "status.add 3 Cycle Output Back",
      "status.separator",
      "status.add 4 Preferences...",
      "status.separator",
      "status.add 5 About",
      "status.separator",
      "status.add 6 Quit",
      "status.title Swift",
      "status.tooltip ",
  };
  EXPECT_EQ(sequence, expected);
}

TEST_F(StatusItemTest, StoredPickerShortcutBecomesKeyEquivalentAndHotkey) {
  StoreText("ShortKey", u"\u2303\u2325\u2318P");
  StoreText("ShortKey1", u"\u2318F5");
  StoreText("ShortKey2", u"\u21E7\u2318{");
  StoreInteger("TitleOn", 1);
  StoreInteger("MenuIcon", 4);
  StartWithStoredSettings();

  EXPECT_EQ(EntryOf(MenuShowPicker),
            (MenuEntry{u"Show the Color Picker", u"p",
                       kMenuControlMask | kMenuOptionMask | kMenuCommandMask}));
  EXPECT_EQ(EntryOf(MenuCycleForward).title, u"Cycle Output Forward");
  EXPECT_EQ(EntryOf(MenuCycleForward).modifierMask, kMenuCommandMask);
  EXPECT_EQ(EntryOf(MenuCycleBack).title, u"Cycle Output Back");
  EXPECT_NE(EntryOf(MenuCycleBack).keyEquivalent, u"");

  // P is key code 35; Control, Option and Command.
  EXPECT_TRUE(fake.hotkeys.Press(
      35, platform::kHotkeyControl | platform::kHotkeyOption | platform::kHotkeyCommand));
  auto event = program.queue.TakeNext();
  ASSERT_TRUE(event.has_value());
  EXPECT_EQ(event->kind, HotkeyShowPicker);
}

struct TitleCase {
  int64_t titleOn;
  std::optional<std::u16string> mode;     // nothing: no "Mode" stored
  std::optional<std::u16string> title;    // nothing: no title call
  std::optional<std::u16string> toolTip;  // nothing: no tooltip call
};

TEST_F(StatusItemTest, FirstTitleFollowsModeAndTitleOn) {
  const TitleCase cases[] = {
      {1, u"Swift", u"Swift", u""},
      {1, std::nullopt, u"RGB Hex", u""},
      {1, u"", u"RGB Hex", u""},
      {0, u"Objective-C", u"", u"Output Format: Objective-C"},
      // The first-run name stands in only for a title; the tooltip names what is stored.
      {0, std::nullopt, u"", u"Output Format: "},
      {2, u"Swift", std::nullopt, std::nullopt},
      {-1, std::nullopt, std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "TitleOn " << c.titleOn);
    fake::FakePlatform fresh;
    fresh.paths.preferencesFile = ExistingPreferencesFile();
    fresh.defaults.values.insert_or_assign("TitleOn", c.titleOn);
    fresh.defaults.values.insert_or_assign("MenuIcon", int64_t{4});
    if (c.mode) fresh.defaults.values.insert_or_assign("Mode", *c.mode);
    Program started(fresh.platform);
    ASSERT_TRUE(StartUp(started));

    const auto titles = fresh.CallsStartingWith("status.title");
    const auto toolTips = fresh.CallsStartingWith("status.tooltip");
    if (c.title) {
      ASSERT_EQ(titles.size(), 1u);
      EXPECT_EQ(fresh.statusBar.title, *c.title);
    } else {
      EXPECT_TRUE(titles.empty());
    }
    if (c.toolTip) {
      ASSERT_EQ(toolTips.size(), 1u);
      EXPECT_EQ(fresh.statusBar.toolTip, *c.toolTip);
    } else {
      EXPECT_TRUE(toolTips.empty());
    }
  }
}

TEST_F(StatusItemTest, MenuIconChoosesTheImageOnlyInsideItsRange) {
  const std::pair<int64_t, std::optional<int>> cases[] = {
      {0, 0},
      {3, 3},
      {5, 5},
      {6, std::nullopt},
      {7, std::nullopt},
      {-1, std::nullopt},
      // The low byte is what counts: 256 + 2 reads as 2.
      {258, 2},
  };
  for (const auto& [stored, image] : cases) {
    SCOPED_TRACE(testing::Message() << "MenuIcon " << stored);
    fake::FakePlatform fresh;
    fresh.paths.preferencesFile = ExistingPreferencesFile();
    fresh.defaults.values.insert_or_assign("MenuIcon", stored);
    fresh.defaults.values.insert_or_assign("TitleOn", int64_t{1});
    Program started(fresh.platform);
    ASSERT_TRUE(StartUp(started));
    EXPECT_EQ(fresh.statusBar.image, image);
  }
}

TEST_F(StatusItemTest, NoImageAndNoTitleStillLeavesHotkeysWorking) {
  StoreInteger("MenuIcon", 7);
  StoreInteger("TitleOn", 0);
  StoreText("Mode", u"Swift");
  StoreText("ShortKey1", u"\u2318F5");
  StartWithStoredSettings();

  EXPECT_EQ(fake.statusBar.image, std::nullopt);
  EXPECT_EQ(fake.statusBar.title, u"");
  EXPECT_EQ(fake.statusBar.toolTip, u"Output Format: Swift");

  // F5 is key code 96.
  ASSERT_TRUE(fake.hotkeys.Press(96, platform::kHotkeyCommand));
  auto event = program.queue.TakeNext();
  ASSERT_TRUE(event.has_value());
  EXPECT_EQ(event->kind, HotkeyCycleForward);
}

TEST_F(StatusItemTest, ChoosingAnItemPostsOneCollapsibleMenuEvent) {
  ASSERT_TRUE(StartUp(program));
  ASSERT_TRUE(fake.statusBar.Choose(MenuAbout));
  ASSERT_TRUE(fake.statusBar.Choose(MenuAbout));
  ASSERT_TRUE(fake.statusBar.Choose(MenuCycleBack));

  EXPECT_EQ(program.queue.size(), 2u);
  EXPECT_EQ(program.queue.TakeNext(),
            (AppEvent{.kind = MenuEvent, .objectId = MenuAbout, .windowId = 0}));
  EXPECT_EQ(program.queue.TakeNext(),
            (AppEvent{.kind = MenuEvent, .objectId = MenuCycleBack, .windowId = 0}));
}

TEST_F(StatusItemTest, EnableAndRetitleReachOnlyExistingItems) {
  ASSERT_TRUE(StartUp(program));
  const auto before = fake.statusBar.menu.size();

  SetMenuItemEnabled(program, MenuCycleForward, false);
  EXPECT_FALSE(fake.statusBar.Find(MenuCycleForward)->enabled);
  EXPECT_FALSE(fake.statusBar.Choose(MenuCycleForward));
  SetMenuItemEnabled(program, MenuCycleForward, true);
  EXPECT_TRUE(fake.statusBar.Find(MenuCycleForward)->enabled);

  RetitleMenuItem(program, MenuCycleBack, u"Cycle Output Back\tCtrl+Alt+Cmd+P");
  EXPECT_EQ(EntryOf(MenuCycleBack),
            (MenuEntry{u"Cycle Output Back", u"p",
                       kMenuControlMask | kMenuOptionMask | kMenuCommandMask}));

  // An id with no item changes nothing.
  SetMenuItemEnabled(program, 42, false);
  RetitleMenuItem(program, 42, u"Nothing\tCmd+N");
  EXPECT_EQ(fake.statusBar.menu.size(), before);
  for (const auto& item : fake.statusBar.menu) EXPECT_TRUE(item.enabled);
}

TEST_F(StatusItemTest, RemovingTheItemEndsItsMenuAndLaterCallsReachNothing) {
  ASSERT_TRUE(StartUp(program));
  RemoveStatusItem(program);
  EXPECT_FALSE(program.statusItemExists);
  EXPECT_FALSE(fake.statusBar.exists);
  EXPECT_EQ(fake.CallsStartingWith("status.remove").size(), 1u);

  const auto callsBefore = fake.calls.size();
  SetMenuItemEnabled(program, MenuAbout, false);
  RetitleMenuItem(program, MenuShowPicker, u"Show the Color Picker\tCmd+A");
  EXPECT_EQ(fake.calls.size(), callsBefore);
}

TEST_F(StatusItemTest, BuildingAgainReplacesTheItem) {
  ASSERT_TRUE(StartUp(program));
  BuildStatusItem(program);
  EXPECT_EQ(fake.CallsStartingWith("status.remove").size(), 1u);
  EXPECT_EQ(fake.CallsStartingWith("status.create").size(), 2u);
  EXPECT_EQ(fake.statusBar.menu.size(), 10u);
}

class IconComboTest : public StatusItemTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(StartUp(program));
    OpenPreferences(program);
    ASSERT_TRUE(PreferencesWindowOpen(program));
    fake.calls.clear();
  }
  void PostIconEvent(int64_t changeType) {
    program.queue.Post({.kind = ControlEvent,
                        .objectId = IconCombo,
                        .windowId = PreferencesWindowId,
                        .changeType = changeType},
                       PostMode::Collapsible);
    DispatchQueuedEvents(program);
  }
};

TEST_F(IconComboTest, ChoosingAnIconShowsItAndStoresIt) {
  fake.preferences.ChooseItem(IconCombo, 2);
  DispatchQueuedEvents(program);

  EXPECT_EQ(program.settings.MenuIcon, 2);
  EXPECT_EQ(fake.statusBar.image, std::optional<int>(2));
  const std::vector<std::string> expected = {"status.image 2", "defaults.int MenuIcon=2",
                                             "defaults.sync"};
  EXPECT_EQ(fake.calls, expected);
  EXPECT_EQ(std::get<int64_t>(fake.defaults.synced.at("MenuIcon")), 2);
}

TEST_F(IconComboTest, OtherChangeTypeReappliesCurrentIconAndStoresTheCombosIndex) {
  // The combo shows 1 but reports no selection change; the icon in memory is 3.
  program.settings.MenuIcon = 3;
  fake.preferences.Find(IconCombo)->selected = 1;
  PostIconEvent(0);

  EXPECT_EQ(program.settings.MenuIcon, 3);
  const std::vector<std::string> expected = {"status.image 3", "defaults.int MenuIcon=1",
                                             "defaults.sync"};
  EXPECT_EQ(fake.calls, expected);
}

TEST_F(IconComboTest, IconOutsideRangeLeavesTheImageAlone) {
  program.settings.MenuIcon = 7;
  fake.preferences.Find(IconCombo)->selected = 6;  // no such item: not taken as the icon
  PostIconEvent(ChangeType);

  EXPECT_EQ(program.settings.MenuIcon, 7);
  EXPECT_TRUE(fake.CallsStartingWith("status.image").empty());
  EXPECT_EQ(fake.CallsStartingWith("defaults.int"),
            std::vector<std::string>{"defaults.int MenuIcon=6"});
}

TEST_F(IconComboTest, EventQueuedBehindTheCloseRequestStoresNothing) {
  fake.preferences.ClickClose();
  fake.preferences.ChooseItem(IconCombo, 5);
  DispatchQueuedEvents(program);

  EXPECT_FALSE(PreferencesWindowOpen(program));
  EXPECT_TRUE(fake.CallsStartingWith("defaults.int MenuIcon").empty());
  EXPECT_EQ(std::get<int64_t>(fake.defaults.values.at("MenuIcon")), 4);
  EXPECT_EQ(fake.statusBar.image, std::optional<int>(4));
}

}  // namespace
}  // namespace pigmora
