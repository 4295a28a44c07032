#include "color/format_selection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_event.h"
#include "app/program.h"
#include "app/run_program.h"
#include "platform/fake/fake_platform.h"
#include "prefs/preferences_window.h"

namespace pigmora {
namespace {

using Calls = std::vector<std::string>;

constexpr ColorValue kOrange = 33023;  // red 255, green 128, blue 0

// The orange in each format, and each format's name, in index order.
const char* const kOrangeTexts[] = {
    "255 128 0",
    "#ff9900",
    "ff8000",
    "UIColor(red: 1.00, green: 0.50, blue: 0.00, alpha: 1.00)",
    "[UIColor colorWithRed: 1.00, green: 0.50, blue: 0.00, alpha: 1.00]",
    "new UIColor(red: 1.00f , green: 0.50f, blue: 0.00f, alpha: 1.00)"};
const char* const kNames[] = {"RGB Values", "Web Safe",    "RGB Hex",
                              "Swift",      "Objective-C", "Xamarin (C#)"};

enum class Direction { Forward, Back };

void Cycle(Program& program, Direction direction) {
  if (direction == Direction::Forward) {
    CycleFormatForward(program);
  } else {
    CycleFormatBack(program);
  }
}

// Opens the preferences window through its own procedure, showing what the defaults hold, and
// forgets the calls that took.
void OpenWindow(fake::FakePlatform& fake, Program& program) {
  fake.defaults.values["OutFormat"] = int64_t{program.settings.OutFormat};
  fake.defaults.values["TitleOn"] = int64_t{program.settings.TitleOn};
  OpenPreferences(program);
  ASSERT_TRUE(PreferencesWindowOpen(program));
  fake.calls.clear();
}

struct CycleCase {
  Direction direction;
  int from;
  int to;
};

// Every row runs all the steps of a cycle, whether or not the index moves.
const CycleCase kCycleCases[] = {
    {Direction::Forward, 2, 3},      {Direction::Forward, 0, 1},
    {Direction::Forward, 4, 5},      {Direction::Forward, 5, 5},
    {Direction::Forward, 9, 5},      {Direction::Forward, -3, -2},
    {Direction::Forward, -1, 0},     {Direction::Forward, -128, -127},
    {Direction::Forward, 127, -128},  // 8-bit arithmetic wraps before the clamp
    {Direction::Back, 3, 2},         {Direction::Back, 1, 0},
    {Direction::Back, 0, 0},         {Direction::Back, 5, 4},
    {Direction::Back, 6, 5},         {Direction::Back, 9, 8},
    {Direction::Back, -3, 0},        {Direction::Back, -128, 127},
};

TEST(CycleFormatTest, EveryCyclePlaysCopiesStoresAndShowsInThisOrder) {
  for (const CycleCase& c : kCycleCases) {
    SCOPED_TRACE((c.direction == Direction::Forward ? "forward from " : "back from ") +
                 std::to_string(c.from));
    fake::FakePlatform fake;
    Program program(fake.platform);
    program.settings.OutFormat = static_cast<OutputFormat>(c.from);
    program.settings.TitleOn = 1;
    program.CurrentColor = kOrange;

    Cycle(program, c.direction);

    const bool named = c.to >= 0 && c.to <= 5;
    const std::string name = named ? kNames[c.to] : "";
    Calls expected{"sound"};
    if (named) expected.push_back(std::string("pasteboard ") + kOrangeTexts[c.to]);
    expected.insert(expected.end(),
                    {"defaults.int OutFormat=" + std::to_string(c.to), "defaults.text Mode=" + name,
                     "defaults.sync", "status.title " + name, "status.tooltip "});
    EXPECT_EQ(fake.calls, expected);
    EXPECT_EQ(program.settings.OutFormat, c.to);
    EXPECT_EQ(fake.defaults.synced.at("OutFormat"), fake::FakeDefaults::Value(int64_t{c.to}));
  }
}

TEST(CycleFormatTest, RepeatedCyclesStopAtTheEndsAndStillSoundAndCopy) {
  fake::FakePlatform fake;
  Program program(fake.platform);
  program.settings.OutFormat = 4;
  program.settings.TitleOn = 1;
  program.CurrentColor = kOrange;

  CycleFormatForward(program);
  CycleFormatForward(program);
  EXPECT_EQ(program.settings.OutFormat, 5);
  EXPECT_EQ(fake.sound.plays, 2);
  EXPECT_EQ(fake.CallsStartingWith("pasteboard "),
            Calls(2, std::string("pasteboard ") + kOrangeTexts[5]));

  for (int i = 0; i < 7; ++i) CycleFormatBack(program);
  EXPECT_EQ(program.settings.OutFormat, 0);
  EXPECT_EQ(fake.sound.plays, 9);
  EXPECT_EQ(fake.CallsStartingWith("pasteboard ").back(),
            std::string("pasteboard ") + kOrangeTexts[0]);
  EXPECT_EQ(fake.statusBar.title, u"RGB Values");
}

TEST(CycleFormatTest, BeforeAnyPickTheCycleCopiesBlack) {
  fake::FakePlatform fake;
  Program program(fake.platform);
  program.settings.OutFormat = 2;
  program.settings.TitleOn = 1;

  CycleFormatForward(program);
  EXPECT_EQ(fake.pasteboard.text, u"UIColor(red: 0.00, green: 0.00, blue: 0.00, alpha: 1.00)");
}

TEST(CycleFormatTest, WithTheTitleOffTheNameGoesToTheToolTip) {
  fake::FakePlatform fake;
  Program program(fake.platform);
  program.settings.OutFormat = 2;
  program.settings.TitleOn = 0;
  program.CurrentColor = kOrange;

  CycleFormatForward(program);
  EXPECT_EQ(fake.CallsStartingWith("status."),
            (Calls{"status.tooltip Output Format: Swift", "status.title "}));
  EXPECT_EQ(fake.statusBar.title, u"");
  EXPECT_EQ(fake.statusBar.toolTip, u"Output Format: Swift");
}

TEST(CycleFormatTest, WithTheWindowOpenTheFormatPopUpFollows) {
  fake::FakePlatform fake;
  Program program(fake.platform);
  program.settings.OutFormat = 2;
  program.settings.TitleOn = 1;
  ASSERT_NO_FATAL_FAILURE(OpenWindow(fake, program));
  ASSERT_EQ(fake.preferences.SelectedIndex(FormatCombo), 2);

  CycleFormatForward(program);
  EXPECT_EQ(fake.preferences.SelectedIndex(FormatCombo), 3);
  CycleFormatBack(program);
  CycleFormatBack(program);
  EXPECT_EQ(fake.preferences.SelectedIndex(FormatCombo), 1);

  // An unnamed index names no entry, so the pop-up keeps its selection.
  program.settings.OutFormat = 9;
  CycleFormatBack(program);
  EXPECT_EQ(program.settings.OutFormat, 8);
  EXPECT_EQ(fake.preferences.SelectedIndex(FormatCombo), 1);
}

TEST(CycleFormatTest, HotKeysAndMenuItemsCycleAlike) {
  for (const bool viaMenu : {false, true}) {
    SCOPED_TRACE(viaMenu ? "menu" : "hot keys");
    fake::FakePlatform fake;
    Program program(fake.platform);
    program.settings.OutFormat = 2;
    program.settings.TitleOn = 1;
    program.CurrentColor = kOrange;
    if (viaMenu) {
      program.queue.Post({.kind = MenuEvent, .objectId = MenuCycleForward}, PostMode::Always);
      program.queue.Post({.kind = MenuEvent, .objectId = MenuCycleForward}, PostMode::Always);
      program.queue.Post({.kind = MenuEvent, .objectId = MenuCycleBack}, PostMode::Always);
    } else {
      const AppEvent forward{.kind = HotkeyCycleForward,
                             .objectId = NoTarget,
                             .windowId = NoTarget,
                             .changeType = NoTarget};
      const AppEvent back{.kind = HotkeyCycleBack,
                          .objectId = NoTarget,
                          .windowId = NoTarget,
                          .changeType = NoTarget};
      program.queue.Post(forward, PostMode::Always);
      program.queue.Post(forward, PostMode::Always);
      program.queue.Post(back, PostMode::Always);
    }
    DispatchQueuedEvents(program);

    EXPECT_EQ(fake.sound.plays, 3);
    EXPECT_EQ(fake.CallsStartingWith("pasteboard "),
              (Calls{std::string("pasteboard ") + kOrangeTexts[3],
                     std::string("pasteboard ") + kOrangeTexts[4],
                     std::string("pasteboard ") + kOrangeTexts[3]}));
    EXPECT_EQ(program.settings.OutFormat, 3);
  }
}

struct TitleCase {
  int titleOn;
  Calls calls;
};

TEST(ShowFormatInMenuBarTest, TitleOnDecidesBetweenTitleToolTipAndNothing) {
  const TitleCase kCases[] = {
      {1, {"status.title Web Safe", "status.tooltip "}},
      {0, {"status.tooltip Output Format: Web Safe", "status.title "}},
      {2, {}},
      {-1, {}},
      {127, {}},
  };
  for (const TitleCase& c : kCases) {
    SCOPED_TRACE(c.titleOn);
    fake::FakePlatform fake;
    Program program(fake.platform);
    program.settings.TitleOn = static_cast<int8_t>(c.titleOn);
    ShowFormatInMenuBar(program, u"Web Safe");
    EXPECT_EQ(fake.calls, c.calls);
  }
}

TEST(ApplyFormatComboTest, ChoosingAnEntryCopiesInThatFormatWithoutSound) {
  fake::FakePlatform fake;
  Program program(fake.platform);
  program.settings.OutFormat = 2;
  program.settings.TitleOn = 1;
  program.CurrentColor = kOrange;
  ASSERT_NO_FATAL_FAILURE(OpenWindow(fake, program));

  fake.preferences.ChooseItem(FormatCombo, 4);
  DispatchQueuedEvents(program);

  EXPECT_EQ(fake.calls,
            (Calls{std::string("pasteboard ") + kOrangeTexts[4], "status.title Objective-C",
                   "status.tooltip ", "defaults.int OutFormat=4", "defaults.text Mode=Objective-C",
                   "defaults.sync"}));
  EXPECT_EQ(program.settings.OutFormat, 4);
  EXPECT_EQ(fake.sound.plays, 0);
}

TEST(ApplyFormatComboTest, AnotherChangeTypeKeepsTheFormatButShowsAndStoresThePopUp) {
  fake::FakePlatform fake;
  Program program(fake.platform);
  program.settings.OutFormat = 2;
  program.settings.TitleOn = 0;
  program.CurrentColor = kOrange;
  ASSERT_NO_FATAL_FAILURE(OpenWindow(fake, program));
  fake.preferences.Find(FormatCombo)->selected = 5;

  ApplyFormatCombo(program, 0);

  EXPECT_EQ(program.settings.OutFormat, 2);
  EXPECT_EQ(fake.calls, (Calls{std::string("pasteboard ") + kOrangeTexts[2],
                               "status.tooltip Output Format: Xamarin (C#)", "status.title ",
                               "defaults.int OutFormat=5", "defaults.text Mode=Xamarin (C#)",
                               "defaults.sync"}));
}

TEST(ApplyFormatComboTest, ASelectionOutsideTheFormatsLeavesTheCurrentFormat) {
  fake::FakePlatform fake;
  Program program(fake.platform);
  program.settings.OutFormat = 1;
  program.settings.TitleOn = 1;
  program.CurrentColor = kOrange;
  ASSERT_NO_FATAL_FAILURE(OpenWindow(fake, program));
  fake.preferences.Find(FormatCombo)->selected = -1;

  ApplyFormatCombo(program, ChangeType);

  EXPECT_EQ(program.settings.OutFormat, 1);
  EXPECT_EQ(fake.pasteboard.text, u"#ff9900");
  EXPECT_EQ(fake.preferences.SelectedIndex(FormatCombo), -1);
}

TEST(ApplyFormatComboTest, AnEventLeftOverAfterTheWindowClosedChangesNothing) {
  fake::FakePlatform fake;
  Program program(fake.platform);
  program.settings.OutFormat = 3;
  program.settings.TitleOn = 1;
  program.CurrentColor = kOrange;

  ApplyFormatCombo(program, ChangeType);

  EXPECT_EQ(fake.calls, Calls{});
  EXPECT_EQ(program.settings.OutFormat, 3);
}

TEST(ToggleShowTitleTest, ClickingMovesTheNameBetweenTitleAndToolTip) {
  fake::FakePlatform fake;
  Program program(fake.platform);
  program.settings.OutFormat = 2;
  program.settings.TitleOn = 1;
  ASSERT_NO_FATAL_FAILURE(OpenWindow(fake, program));
  ASSERT_TRUE(fake.preferences.Find(ShowTitleCheckBox)->checked);

  fake.preferences.ClickCheckBox(ShowTitleCheckBox);
  DispatchQueuedEvents(program);
  EXPECT_EQ(fake.calls, (Calls{"status.tooltip Output Format: RGB Hex", "status.title ",
                               "defaults.int TitleOn=0", "defaults.sync"}));
  EXPECT_EQ(program.settings.TitleOn, 0);
  EXPECT_FALSE(fake.preferences.Find(ShowTitleCheckBox)->checked);

  fake.calls.clear();
  fake.preferences.ClickCheckBox(ShowTitleCheckBox);
  DispatchQueuedEvents(program);
  EXPECT_EQ(fake.calls, (Calls{"status.title RGB Hex", "status.tooltip ", "defaults.int TitleOn=1",
                               "defaults.sync"}));
  EXPECT_EQ(program.settings.TitleOn, 1);
  EXPECT_TRUE(fake.preferences.Find(ShowTitleCheckBox)->checked);
  EXPECT_EQ(fake.CallsStartingWith("pasteboard"), Calls{});
}

TEST(ToggleShowTitleTest, OtherStoredValuesToggleIn8BitsAndShowNothing) {
  const struct {
    int from;
    int to;
  } kCases[] = {{2, -1}, {-1, 2}, {-128, -127}, {127, -126}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.from);
    fake::FakePlatform fake;
    Program program(fake.platform);
    program.settings.OutFormat = 2;
    program.settings.TitleOn = static_cast<int8_t>(c.from);
    ASSERT_NO_FATAL_FAILURE(OpenWindow(fake, program));

    ToggleShowTitle(program);
    EXPECT_EQ(program.settings.TitleOn, c.to);
    EXPECT_EQ(fake.calls, (Calls{"defaults.int TitleOn=" + std::to_string(c.to), "defaults.sync"}));
    EXPECT_TRUE(fake.preferences.Find(ShowTitleCheckBox)->checked);
  }
}

TEST(ToggleShowTitleTest, AnEventLeftOverAfterTheWindowClosedChangesNothing) {
  fake::FakePlatform fake;
  Program program(fake.platform);
  program.settings.TitleOn = 1;

  ToggleShowTitle(program);

  EXPECT_EQ(fake.calls, Calls{});
  EXPECT_EQ(program.settings.TitleOn, 1);
}

}  // namespace
}  // namespace pigmora
