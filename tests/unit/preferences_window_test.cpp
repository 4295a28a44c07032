#include "prefs/preferences_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/run_program.h"
#include "platform/fake/fake_platform.h"

namespace pigmora {
namespace {

using platform::Point;
using platform::Rect;

std::string ExistingPreferencesFile() {
  static const std::string path = [] {
    std::string file = ::testing::TempDir() + "pigmora_preferences_window_test.conf";
    std::ofstream(file) << "present\n";
    return file;
  }();
  return path;
}

bool SameRect(const Rect& a, const Rect& b) {
  return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

// --- placement ---

struct PlacementCase {
  const char* name;
  std::vector<Rect> screens;
  Point pointer;
  int contentWidth;
  int contentHeight;
  std::optional<Point> expected;
};

TEST(WindowPlacementTest, CentresOnTheScreenUnderThePointer) {
  const Rect main{0, 0, 1920, 1080};
  const Rect right{1920, 0, 1280, 1024};
  const Rect left{-1281, -101, 1281, 801};
  const PlacementCase cases[] = {
      {"one screen", {main}, {100, 100}, 290, 290, Point{815, 395}},
      {"second screen holds the pointer", {main, right}, {2000, 500}, 290, 290, Point{2415, 367}},
      {"shared edge goes to the later screen",
       {main, right},
       {1920, 10},
       290,
       290,
       Point{2415, 367}},
      {"bottom-right corner is inside", {main, right}, {3200, 1024}, 290, 290, Point{2415, 367}},
      {"top-left corner of the main screen", {main, right}, {0, 0}, 290, 290, Point{815, 395}},
      {"pointer outside every screen", {main, right}, {5000, 5000}, 290, 290, Point{815, 395}},
      {"pointer just below the second screen",
       {main, right},
       {2000, 1025},
       290,
       290,
       Point{815, 395}},
      {"screen left of and above the main one", {main, left}, {-5, -5}, 290, 290, Point{-786, 154}},
      {"odd screen size halves down", {Rect{0, 0, 1367, 769}}, {1, 1}, 290, 290, Point{538, 239}},
      {"odd content size halves down", {main}, {1, 1}, 291, 287, Point{815, 397}},
      // Halving truncates towards zero, not towards minus infinity: -7 / 2 is -3, -9 / 2 is -4.
      {"negative sizes truncate towards zero",
       {Rect{10, 10, -7, -9}},
       {0, 0},
       290,
       290,
       Point{-138, -139}},
      {"negative content size", {main}, {1, 1}, -291, -3, Point{1105, 541}},
      {"no screens", {}, {0, 0}, 290, 290, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto placed = WindowPlacement(c.screens, c.pointer, c.contentWidth, c.contentHeight);
    ASSERT_EQ(placed.has_value(), c.expected.has_value());
    if (placed) {
      EXPECT_EQ(placed->x, c.expected->x);
      EXPECT_EQ(placed->y, c.expected->y);
    }
  }
}

TEST(WindowPlacementTest, ExtremeFramesDoNotOverflow) {
  const int big = std::numeric_limits<int>::max();
  const auto placed = WindowPlacement({Rect{big, big, big, big}}, {0, 0}, 290, 290);
  ASSERT_TRUE(placed.has_value());
  EXPECT_EQ(placed->x, big);
  EXPECT_EQ(placed->y, big);
}

// --- the window ---

class PreferencesWindowTest : public ::testing::Test {
 protected:
  void StartWith(const std::vector<std::pair<std::string, fake::FakeDefaults::Value>>& stored) {
    fake.paths.preferencesFile = ExistingPreferencesFile();
    for (const auto& [key, value] : stored) fake.defaults.values.insert_or_assign(key, value);
    ASSERT_TRUE(StartUp(program));
  }
  void StartFirstRun() { ASSERT_TRUE(StartUp(program)); }
  const fake::FakePreferencesUi::Control& ControlWithId(int64_t id) {
    const auto* control = fake.preferences.Find(id);
    EXPECT_NE(control, nullptr) << "no control " << id;
    static const fake::FakePreferencesUi::Control none;
    return control ? *control : none;
  }
  bool MenuItemEnabled(int64_t id) const {
    const auto* item = fake.statusBar.Find(id);
    return item != nullptr && item->enabled;
  }
  std::u16string StoredText(const std::string& key) const {
    return std::get<std::u16string>(fake.defaults.values.at(key));
  }

  fake::FakePlatform fake;
  Program program{fake.platform};
};

TEST_F(PreferencesWindowTest, OpeningActivatesBuildsPlacesAndDisablesPreferences) {
  StartFirstRun();
  fake.calls.clear();
  OpenPreferences(program);

  EXPECT_TRUE(PreferencesWindowOpen(program));
  EXPECT_TRUE(fake.preferences.open);
  EXPECT_EQ(fake.preferences.title, u"Preferences");
  EXPECT_EQ(fake.preferences.width, 290);
  EXPECT_EQ(fake.preferences.height, 290);
  const std::vector<std::string> expected = {"events.activate", "prefs.open", "prefs.move 815 395",
                                             "status.enable 4 0"};
  EXPECT_EQ(fake.calls, expected);
  EXPECT_FALSE(MenuItemEnabled(MenuPreferences));
  EXPECT_FALSE(fake.statusBar.Choose(MenuPreferences));
  ASSERT_NE(program.preferencesWindow, nullptr);
  for (const auto& field : program.preferencesWindow->fields) ASSERT_NE(field, nullptr);
  EXPECT_EQ(program.preferencesWindow->fields[0]->controlId(), PickerKeyField);
  EXPECT_EQ(program.preferencesWindow->fields[1]->controlId(), ForwardKeyField);
  EXPECT_EQ(program.preferencesWindow->fields[2]->controlId(), BackKeyField);
}

TEST_F(PreferencesWindowTest, TwelveControlsInOrderWithTheirGeometryAndTexts) {
  StartFirstRun();
  OpenPreferences(program);

  struct Expected {
    std::string kind;
    int64_t id;
    std::u16string text;
    Rect frame;
  };
  const Expected expected[] = {
      {"label", -1, u"Set Picker Key", {20, 24, 280, 25}},
      {"field", PickerKeyField, u"", {170, 20, 100, 25}},
      {"label", -1, u"Set Forward Cycle Key", {20, 54, 300, 25}},
      {"field", ForwardKeyField, u"", {170, 50, 100, 25}},
      {"label", -1, u"Set Backward Cycle Key", {20, 84, 300, 25}},
      {"field", BackKeyField, u"", {170, 80, 100, 25}},
      {"label", -1, u"Set Output Format", {20, 124, 180, 25}},
      {"popup", FormatCombo, u"", {140, 120, 130, 25}},
      {"label", -1, u"Choose App Icon", {20, 154, 180, 25}},
      {"symbols", IconCombo, u"", {140, 150, 60, 25}},
      {"checkbox", ShowTitleCheckBox, u"Show Output Format in Menu Bar", {20, 184, 230, 25}},
      {"checkbox", StartAtLoginCheckBox, u"Start at Login", {20, 240, 150, 25}},
  };
  const auto& controls = fake.preferences.controls;
  ASSERT_EQ(controls.size(), std::size(expected));
  for (std::size_t i = 0; i < controls.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "control " << i + 1);
    EXPECT_EQ(controls[i].kind, expected[i].kind);
    EXPECT_EQ(controls[i].id, expected[i].id);
    EXPECT_EQ(controls[i].text, expected[i].text);
    EXPECT_TRUE(SameRect(controls[i].frame, expected[i].frame));
  }
  for (int64_t id : {PickerKeyField, ForwardKeyField, BackKeyField}) {
    EXPECT_EQ(ControlWithId(id).items, std::vector<std::u16string>{u"add shortcut"});
  }
  const std::vector<std::u16string> formats = {u"RGB Values", u"Web Safe",    u"RGB Hex",
                                               u"Swift",      u"Objective-C", u"Xamarin (C#)"};
  EXPECT_EQ(ControlWithId(FormatCombo).items, formats);
  EXPECT_EQ(ControlWithId(IconCombo).items.size(), 6u);
}

TEST_F(PreferencesWindowTest, FirstRunValuesFillTheControls) {
  StartFirstRun();
  OpenPreferences(program);
  EXPECT_EQ(ControlWithId(FormatCombo).selected, 2);
  EXPECT_EQ(ControlWithId(IconCombo).selected, 4);
  EXPECT_TRUE(ControlWithId(ShowTitleCheckBox).checked);
  EXPECT_FALSE(ControlWithId(StartAtLoginCheckBox).checked);
}

struct FillCase {
  int64_t titleOn;
  int64_t login;
  int64_t outFormat;
  int64_t menuIcon;
  bool titleChecked;
  bool loginChecked;
  int formatSelected;  // 0 is what a new pop-up shows before it is filled
  int iconSelected;
};

TEST_F(PreferencesWindowTest, ValuesOutsideTheirRangeLeaveControlsAsCreated) {
  const FillCase cases[] = {
      {1, 1, 5, 0, true, true, 5, 0},          {0, 0, 0, 5, false, false, 0, 5},
      {2, 2, 6, 6, false, false, 0, 0},        {-1, 255, -1, 7, false, false, 0, 0},
      {257, 256, 259, 261, true, false, 3, 5},  // only the low byte is kept
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "TitleOn " << c.titleOn << " Login " << c.login
                                    << " OutFormat " << c.outFormat << " MenuIcon " << c.menuIcon);
    fake::FakePlatform fresh;
    fresh.paths.preferencesFile = ExistingPreferencesFile();
    fresh.defaults.values.insert_or_assign("TitleOn", c.titleOn);
    fresh.defaults.values.insert_or_assign("Login", c.login);
    fresh.defaults.values.insert_or_assign("OutFormat", c.outFormat);
    fresh.defaults.values.insert_or_assign("MenuIcon", c.menuIcon);
    Program started(fresh.platform);
    ASSERT_TRUE(StartUp(started));
    OpenPreferences(started);

    EXPECT_EQ(fresh.preferences.Find(ShowTitleCheckBox)->checked, c.titleChecked);
    EXPECT_EQ(fresh.preferences.Find(StartAtLoginCheckBox)->checked, c.loginChecked);
    EXPECT_EQ(fresh.preferences.Find(FormatCombo)->selected, c.formatSelected);
    EXPECT_EQ(fresh.preferences.Find(IconCombo)->selected, c.iconSelected);
  }
}

TEST_F(PreferencesWindowTest, OpeningReloadsTheStoredSettings) {
  StartWith({{"OutFormat", int64_t{2}}, {"TitleOn", int64_t{1}}, {"MenuIcon", int64_t{4}}});
  // Changed on disk behind the program's back while it runs.
  fake.defaults.values.insert_or_assign("OutFormat", int64_t{4});
  fake.defaults.values.insert_or_assign("ShortKey2", std::u16string(u"\u2318B"));
  OpenPreferences(program);

  EXPECT_EQ(program.settings.OutFormat, 4);
  EXPECT_EQ(program.settings.ShortKey2, u"\u2318B");
  EXPECT_EQ(ControlWithId(FormatCombo).selected, 4);
  EXPECT_EQ(ControlWithId(BackKeyField).text, u"\u2318B");
}

TEST_F(PreferencesWindowTest, FieldsShowStoredShortcutsAndWhichOnesAreNotActive) {
  // The forward key repeats the picker's combination, so the platform refused it at start-up.
  StartWith({{"ShortKey", std::u16string(u"\u2318A")},
             {"ShortKey1", std::u16string(u"\u2318A")},
             {"ShortKey2", std::u16string(u"")},
             {"TitleOn", int64_t{1}}});
  fake.calls.clear();
  OpenPreferences(program);

  EXPECT_EQ(ControlWithId(PickerKeyField).text, u"\u2318A");
  EXPECT_EQ(ControlWithId(ForwardKeyField).text, u"\u2318A");
  EXPECT_EQ(ControlWithId(BackKeyField).text, u"");
  EXPECT_EQ(ControlWithId(PickerKeyField).problem, std::nullopt);
  EXPECT_TRUE(ControlWithId(ForwardKeyField).problem.has_value());
  EXPECT_EQ(ControlWithId(BackKeyField).problem, std::nullopt);

  // Opening stores nothing and changes no hot key.
  EXPECT_TRUE(fake.CallsStartingWith("defaults.").empty());
  EXPECT_TRUE(fake.CallsStartingWith("hotkeys.").empty());
}

TEST_F(PreferencesWindowTest, OpensOnTheSecondScreenUnderThePointer) {
  StartFirstRun();
  fake.preferences.screens = {{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};
  fake.preferences.pointer = {2500, 700};
  OpenPreferences(program);
  ASSERT_TRUE(fake.preferences.position.has_value());
  EXPECT_EQ(fake.preferences.position->x, 2415);
  EXPECT_EQ(fake.preferences.position->y, 367);
}

TEST_F(PreferencesWindowTest, NoScreensLeavesTheWindowWhereThePlatformPutIt) {
  StartFirstRun();
  fake.preferences.screens.clear();
  OpenPreferences(program);
  EXPECT_TRUE(PreferencesWindowOpen(program));
  EXPECT_FALSE(fake.preferences.position.has_value());
  EXPECT_EQ(fake.preferences.controls.size(), 12u);
}

TEST_F(PreferencesWindowTest, WindowThatCannotBeMadeLeavesPreferencesEnabled) {
  StartWith({{"OutFormat", int64_t{1}}, {"TitleOn", int64_t{1}}, {"ShortKey", std::u16string()}});
  fake.preferences.canOpen = false;
  fake.defaults.values.insert_or_assign("OutFormat", int64_t{3});
  fake.calls.clear();
  OpenPreferences(program);

  EXPECT_FALSE(PreferencesWindowOpen(program));
  EXPECT_TRUE(MenuItemEnabled(MenuPreferences));
  EXPECT_TRUE(fake.CallsStartingWith("status.enable").empty());
  EXPECT_TRUE(fake.CallsStartingWith("prefs.move").empty());
  EXPECT_TRUE(fake.preferences.controls.empty());
  // Reloading the settings needs no window.
  EXPECT_EQ(program.settings.OutFormat, 3);

  // A close request that still arrives finds nothing to close and stores nothing.
  program.queue.Post(
      {.kind = CloseWindowEvent, .objectId = PreferencesWindowId, .windowId = PreferencesWindowId},
      PostMode::Collapsible);
  DispatchQueuedEvents(program);
  ClosePreferences(program);
  EXPECT_TRUE(fake.CallsStartingWith("defaults.").empty());
  EXPECT_TRUE(fake.CallsStartingWith("prefs.close").empty());

  // Once the platform can make it, the next choice opens it.
  fake.preferences.canOpen = true;
  ASSERT_TRUE(fake.statusBar.Choose(MenuPreferences));
  DispatchQueuedEvents(program);
  EXPECT_TRUE(PreferencesWindowOpen(program));
}

TEST_F(PreferencesWindowTest, ControlsAndCloseButtonPostCollapsibleEvents) {
  StartFirstRun();
  OpenPreferences(program);

  fake.preferences.ClickClose();
  fake.preferences.ClickClose();
  EXPECT_EQ(program.queue.size(), 1u);
  EXPECT_EQ(program.queue.TakeNext(), (AppEvent{.kind = CloseWindowEvent,
                                                .objectId = PreferencesWindowId,
                                                .windowId = PreferencesWindowId}));
  EXPECT_TRUE(fake.preferences.open) << "the close button alone does not close the window";

  fake.preferences.ClickCheckBox(StartAtLoginCheckBox);
  fake.preferences.ChooseItem(FormatCombo, 3);
  fake.preferences.ChooseItem(FormatCombo, 4);
  EXPECT_EQ(program.queue.size(), 2u);
  EXPECT_EQ(program.queue.TakeNext(), (AppEvent{.kind = ControlEvent,
                                                .objectId = StartAtLoginCheckBox,
                                                .windowId = PreferencesWindowId,
                                                .changeType = 0}));
  EXPECT_EQ(program.queue.TakeNext(), (AppEvent{.kind = ControlEvent,
                                                .objectId = FormatCombo,
                                                .windowId = PreferencesWindowId,
                                                .changeType = ChangeType}));
}

TEST_F(PreferencesWindowTest, ClosingStoresShortcutsThenClosesThenEnablesPreferences) {
  StartWith({{"ShortKey", std::u16string(u"\u2318A")}, {"TitleOn", int64_t{1}}});
  OpenPreferences(program);
  // Command-B typed into the picker field: the capture field shows it and swaps the hot key.
  ASSERT_TRUE(fake.events.PressKey({.modifierFlags = platform::kCommandFlag,
                                    .keyCode = 11,
                                    .character = u'b',
                                    .focusedControlId = PickerKeyField}));
  fake.preferences.Find(BackKeyField)->text = u"\u2303\u2325\u2318P";
  fake.preferences.ClickClose();
  fake.calls.clear();
  DispatchQueuedEvents(program);

  EXPECT_FALSE(PreferencesWindowOpen(program));
  EXPECT_FALSE(fake.preferences.open);
  EXPECT_TRUE(MenuItemEnabled(MenuPreferences));
  EXPECT_EQ(StoredText("ShortKey"), u"\u2318B");
  EXPECT_EQ(StoredText("ShortKey1"), u"");
  EXPECT_EQ(StoredText("ShortKey2"), u"\u2303\u2325\u2318P");
  EXPECT_EQ(fake.defaults.synced, fake.defaults.values);
  EXPECT_EQ(fake.statusBar.Find(MenuCycleBack)->entry.keyEquivalent, u"p");

  // The fields are read before the window goes, and "Preferences..." comes back last.
  const auto& calls = fake.calls;
  const auto close = std::find(calls.begin(), calls.end(), "prefs.close");
  ASSERT_NE(close, calls.end());
  EXPECT_EQ(calls.back(), "status.enable 4 1");
  EXPECT_EQ(std::next(close), std::prev(calls.end()));

  // The capture fields went with the window: key presses pass through again.
  EXPECT_FALSE(fake.events.PressKey({.modifierFlags = platform::kCommandFlag,
                                     .keyCode = 8,
                                     .character = u'c',
                                     .focusedControlId = PickerKeyField}));
}

TEST_F(PreferencesWindowTest, ReopeningBuildsANewWindowFromWhatIsStored) {
  StartWith({{"ShortKey1", std::u16string(u"\u2318F5")},
             {"OutFormat", int64_t{2}},
             {"MenuIcon", int64_t{1}},
             {"TitleOn", int64_t{1}}});
  OpenPreferences(program);
  fake.preferences.Find(ForwardKeyField)->text = u"\u2318F6";
  fake.preferences.ClickClose();
  DispatchQueuedEvents(program);
  ASSERT_FALSE(PreferencesWindowOpen(program));

  fake.defaults.values.insert_or_assign("OutFormat", int64_t{5});
  fake.defaults.values.insert_or_assign("TitleOn", int64_t{0});
  ASSERT_TRUE(fake.statusBar.Choose(MenuPreferences));
  DispatchQueuedEvents(program);

  EXPECT_TRUE(PreferencesWindowOpen(program));
  EXPECT_EQ(fake.preferences.opens, 2);
  EXPECT_EQ(fake.preferences.controls.size(), 12u);
  EXPECT_EQ(ControlWithId(ForwardKeyField).text, u"\u2318F6");
  EXPECT_EQ(ControlWithId(FormatCombo).selected, 5);
  EXPECT_EQ(ControlWithId(IconCombo).selected, 1);
  EXPECT_FALSE(ControlWithId(ShowTitleCheckBox).checked);
  EXPECT_FALSE(MenuItemEnabled(MenuPreferences));
  // The new fields capture keys.
  EXPECT_TRUE(fake.events.PressKey({.modifierFlags = platform::kCommandFlag,
                                    .keyCode = 0,
                                    .character = u'a',
                                    .focusedControlId = BackKeyField}));
  EXPECT_EQ(fake.preferences.Find(BackKeyField)->text, u"\u2318A");
}

TEST_F(PreferencesWindowTest, SecondOpenRequestWhileOpenKeepsTheWindow) {
  StartFirstRun();
  OpenPreferences(program);
  fake.preferences.Find(PickerKeyField)->text = u"\u2318K";
  OpenPreferences(program);

  EXPECT_EQ(fake.preferences.opens, 1);
  EXPECT_EQ(fake.preferences.controls.size(), 12u);
  EXPECT_EQ(ControlWithId(PickerKeyField).text, u"\u2318K");
  EXPECT_EQ(fake.CallsStartingWith("events.activate").size(), 2u);
}

TEST_F(PreferencesWindowTest, QuitFromStatusMenuWithWindowOpenStoresNoShortcuts) {
  StartWith({{"ShortKey", std::u16string(u"\u2318A")},
             {"ShortKey1", std::u16string(u"\u2318F5")},
             {"ShortKey2", std::u16string(u"")},
             {"TitleOn", int64_t{1}}});
  ASSERT_TRUE(fake.statusBar.Choose(MenuPreferences));
  DispatchQueuedEvents(program);
  ASSERT_TRUE(PreferencesWindowOpen(program));
  ASSERT_TRUE(fake.events.PressKey({.modifierFlags = platform::kCommandFlag,
                                    .keyCode = 11,
                                    .character = u'b',
                                    .focusedControlId = PickerKeyField}));
  fake.preferences.Find(BackKeyField)->text = u"\u2318C";
  DispatchQueuedEvents(program);

  // "Quit" stays enabled while the window is open and quits at once.
  ASSERT_TRUE(fake.statusBar.Choose(MenuQuit));
  DispatchQueuedEvents(program);

  EXPECT_TRUE(program.quitRequested);
  EXPECT_FALSE(fake.statusBar.exists);
  EXPECT_TRUE(fake.CallsStartingWith("defaults.text ShortKey").empty());
  EXPECT_EQ(StoredText("ShortKey"), u"\u2318A");
  EXPECT_EQ(StoredText("ShortKey1"), u"\u2318F5");
  EXPECT_EQ(StoredText("ShortKey2"), u"");
}

// --- the desktop's own shortcut settings ---

TEST_F(PreferencesWindowTest, NoDesktopOfferNoButton) {
  StartFirstRun();
  OpenPreferences(program);
  EXPECT_EQ(fake.preferences.height, 290);
  EXPECT_EQ(fake.preferences.Find(DesktopShortcutsButton), nullptr);
}

TEST_F(PreferencesWindowTest, DesktopOfferAddsAButtonRowThatAddsAndRemovesTheHotKeys) {
  fake.hotkeys.desktopShortcuts = platform::DesktopShortcuts{u"GNOME", false};
  StartWith({{"ShortKey", std::u16string(u"\u2303\u2325P")}});
  OpenPreferences(program);
  EXPECT_EQ(fake.preferences.height, 326);
  EXPECT_EQ(fake.calls.back(), "status.enable 4 0") << "nothing is put anywhere on opening";
  const auto& button = ControlWithId(DesktopShortcutsButton);
  EXPECT_EQ(button.kind, "button");
  EXPECT_EQ(button.text, u"Add Keys to GNOME Shortcuts");
  EXPECT_TRUE(SameRect(button.frame, {20, 282, 250, 28}));

  fake.preferences.ClickButton(DesktopShortcutsButton);
  DispatchQueuedEvents(program);
  EXPECT_TRUE(fake.hotkeys.desktopShortcuts->added);
  EXPECT_EQ(ControlWithId(DesktopShortcutsButton).text, u"Remove Keys from GNOME Shortcuts");

  // The desktop now reports the picker's key as taken there: the field shows it at once.
  fake.hotkeys.bindingProblems["picker"] = u"GNOME uses this key";
  fake.preferences.ClickButton(DesktopShortcutsButton);
  DispatchQueuedEvents(program);
  EXPECT_FALSE(fake.hotkeys.desktopShortcuts->added);
  EXPECT_EQ(ControlWithId(DesktopShortcutsButton).text, u"Add Keys to GNOME Shortcuts");
  EXPECT_EQ(ControlWithId(PickerKeyField).problem,
            std::optional<std::u16string>(u"GNOME uses this key"));
  const std::vector<std::string> toggles = {"hotkeys.desktop add", "hotkeys.desktop remove"};
  std::vector<std::string> seen;
  for (const auto& call : fake.calls) {
    if (call.rfind("hotkeys.desktop", 0) == 0) seen.push_back(call);
  }
  EXPECT_EQ(seen, toggles);
}

TEST_F(PreferencesWindowTest, DesktopSettingsThatCannotBeWrittenLeaveTheButtonAsItWas) {
  fake.hotkeys.desktopShortcuts = platform::DesktopShortcuts{u"GNOME", false};
  fake.hotkeys.desktopSettingsWritable = false;
  StartFirstRun();
  OpenPreferences(program);
  fake.preferences.ClickButton(DesktopShortcutsButton);
  DispatchQueuedEvents(program);
  EXPECT_EQ(fake.calls.back(), "hotkeys.desktop add -> refused");
  EXPECT_EQ(ControlWithId(DesktopShortcutsButton).text, u"Add Keys to GNOME Shortcuts");
  EXPECT_TRUE(PreferencesWindowOpen(program));
}

}  // namespace
}  // namespace pigmora
