#include "color/pick_session.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "app/app_event.h"
#include "app/program.h"
#include "app/run_program.h"
#include "color/format_selection.h"
#include "platform/fake/fake_platform.h"

namespace pigmora {
namespace {

using Calls = std::vector<std::string>;
using platform::ColorPanelResult;
using platform::RgbComponents;

constexpr ColorValue kOrange = 33023;  // red 255, green 128, blue 0
const RgbComponents kOrangeComponents{1.0, 128.0 / 255.0, 0.0};

ColorPanelResult Confirmed(const RgbComponents& color) {
  return {.confirmed = true, .color = color};
}
ColorPanelResult Cancelled() {
  return {};
}

void ExpectComponents(const RgbComponents& actual, const RgbComponents& expected) {
  EXPECT_EQ(actual.red, expected.red);
  EXPECT_EQ(actual.green, expected.green);
  EXPECT_EQ(actual.blue, expected.blue);
}

TEST(PickSessionTest, OkCopiesThenStoresBothKeysThenSynchronises) {
  fake::FakePlatform fake;
  Program program(fake.platform);
  program.settings.OutFormat = 2;
  program.settings.TitleOn = 1;
  fake.colorPanel.answers.push_back(Confirmed(kOrangeComponents));

  PickSession(program);

  EXPECT_EQ(fake.calls, (Calls{"panel.open", "pasteboard ff8000", "defaults.int ColorVal=33023",
                               "defaults.int SavedColor=33023", "defaults.sync"}));
  EXPECT_EQ(program.CurrentColor, kOrange);
  EXPECT_EQ(fake.pasteboard.text, u"ff8000");
  EXPECT_EQ(fake.defaults.synced.at("ColorVal"), fake::FakeDefaults::Value(kOrange));
  EXPECT_EQ(fake.defaults.synced.at("SavedColor"), fake::FakeDefaults::Value(kOrange));
}

TEST(PickSessionTest, CancelLeavesThePasteboardTheKeysAndTheCurrentColour) {
  fake::FakePlatform fake;
  Program program(fake.platform);
  program.settings.OutFormat = 2;
  program.CurrentColor = 1971210;
  fake.pasteboard.text = u"another program's text";
  fake.defaults.values["ColorVal"] = int64_t{1971210};
  fake.defaults.values["SavedColor"] = int64_t{1971210};
  fake.colorPanel.answers.push_back(Cancelled());

  PickSession(program);

  EXPECT_EQ(fake.calls, Calls{"panel.open"});
  EXPECT_EQ(program.CurrentColor, 1971210);
  EXPECT_EQ(fake.pasteboard.text, u"another program's text");
  EXPECT_EQ(fake.defaults.values.at("ColorVal"), fake::FakeDefaults::Value(int64_t{1971210}));
  EXPECT_EQ(fake.defaults.values.at("SavedColor"), fake::FakeDefaults::Value(int64_t{1971210}));
}

TEST(PickSessionTest, AfterACancelACycleFormatsTheEarlierPick) {
  fake::FakePlatform fake;
  Program program(fake.platform);
  program.settings.OutFormat = 2;
  program.settings.TitleOn = 1;
  fake.colorPanel.answers.push_back(Confirmed(kOrangeComponents));
  fake.colorPanel.answers.push_back(Cancelled());

  PickSession(program);
  PickSession(program);
  CycleFormatBack(program);

  EXPECT_EQ(fake.pasteboard.text, u"#ff9900");
}

TEST(PickSessionTest, AfterARestartThePanelOpensAtTheStoredColourButCurrentColourIsBlack) {
  fake::FakePlatform fake;
  fake.defaults.values["ColorVal"] = kOrange;
  Program program(fake.platform);
  program.settings.OutFormat = 1;
  program.settings.TitleOn = 1;
  fake.colorPanel.answers.push_back(Cancelled());

  PickSession(program);
  ASSERT_EQ(fake.colorPanel.openedAt.size(), 1u);
  ExpectComponents(fake.colorPanel.openedAt[0], kOrangeComponents);

  CycleFormatForward(program);
  EXPECT_EQ(fake.pasteboard.text, u"000000");
}

TEST(PickSessionTest, AnUnknownFormatStillStoresThePickButCopiesNothing) {
  fake::FakePlatform fake;
  Program program(fake.platform);
  program.settings.OutFormat = 9;
  fake.pasteboard.text = u"kept";
  fake.colorPanel.answers.push_back(Confirmed(kOrangeComponents));

  PickSession(program);

  EXPECT_EQ(fake.calls, (Calls{"panel.open", "defaults.int ColorVal=33023",
                               "defaults.int SavedColor=33023", "defaults.sync"}));
  EXPECT_EQ(program.CurrentColor, kOrange);
  EXPECT_EQ(fake.pasteboard.text, u"kept");
}

TEST(PickSessionTest, APanelWithoutADeviceColourPicksWhite) {
  fake::FakePlatform fake;
  Program program(fake.platform);
  program.settings.OutFormat = 0;
  fake.colorPanel.answers.push_back({.confirmed = true, .color = std::nullopt});

  PickSession(program);

  EXPECT_EQ(program.CurrentColor, 16777215);
  EXPECT_EQ(fake.pasteboard.text, u"255 255 255");
  EXPECT_EQ(fake.defaults.values.at("SavedColor"), fake::FakeDefaults::Value(int64_t{16777215}));
}

TEST(PickSessionTest, HotKeyAndMenuItemRunTheSameSession) {
  for (const bool viaMenu : {false, true}) {
    SCOPED_TRACE(viaMenu ? "menu" : "hot key");
    fake::FakePlatform fake;
    Program program(fake.platform);
    program.settings.OutFormat = 2;
    program.settings.TitleOn = 1;
    fake.colorPanel.answers.push_back(Confirmed(kOrangeComponents));
    program.queue.Post(viaMenu ? AppEvent{.kind = MenuEvent, .objectId = MenuShowPicker}
                               : AppEvent{.kind = HotkeyShowPicker,
                                          .objectId = NoTarget,
                                          .windowId = NoTarget,
                                          .changeType = NoTarget},
                       PostMode::Always);
    DispatchQueuedEvents(program);

    // No sound, no title or tooltip change, no activation.
    EXPECT_EQ(fake.calls, (Calls{"panel.open", "pasteboard ff8000", "defaults.int ColorVal=33023",
                                 "defaults.int SavedColor=33023", "defaults.sync"}));
  }
}

struct InitialCase {
  const char* what;
  int64_t stored;
  bool missing;
  RgbComponents expected;
};

TEST(PickSessionTest, ThePanelOpensAtTheStoredValuesLow32Bits) {
  const InitialCase kCases[] = {
      {"first run: nothing stored", 0, true, {0, 0, 0}},
      {"first-run value 0", 0, false, {0, 0, 0}},
      {"orange", kOrange, false, kOrangeComponents},
      {"minus one", -1, false, {1, 1, 1}},
      {"low 32 bits minus one", 0x1FFFFFFFFLL, false, {1, 1, 1}},
      {"bits 24 to 31 dropped", 0xFF0080FFLL, false, kOrangeComponents},
      {"bits above 32 dropped", (int64_t{7} << 32) | kOrange, false, kOrangeComponents},
      {"blue only", int64_t{30} << 16, false, {0, 0, 30.0 / 255.0}},
  };
  for (const InitialCase& c : kCases) {
    SCOPED_TRACE(c.what);
    fake::FakePlatform fake;
    if (!c.missing) fake.defaults.values["ColorVal"] = c.stored;
    Program program(fake.platform);
    PickSession(program);
    ASSERT_EQ(fake.colorPanel.openedAt.size(), 1u);
    ExpectComponents(fake.colorPanel.openedAt[0], c.expected);
  }
}

TEST(ColorFromComponentsTest, EveryChannelRoundTripsThroughThePanel) {
  for (int c = 0; c < 256; ++c) {
    const RgbComponents components = InitialPanelColor(c | (c << 8) | (c << 16));
    const ColorValue value = ColorFromComponents(components);
    ASSERT_EQ(value, c | (c << 8) | (c << 16)) << "channel " << c;
  }
  // Each channel lands in its own byte.
  EXPECT_EQ(ColorFromComponents(InitialPanelColor(static_cast<int32_t>(kOrange))), kOrange);
  EXPECT_EQ(ColorFromComponents(InitialPanelColor(1971210)), 1971210);
}

TEST(ColorFromComponentsTest, ComponentsAreTruncatedAndKeepTheirLowByte) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double infinity = std::numeric_limits<double>::infinity();
  const struct {
    double component;
    int channel;
  } kCases[] = {
      {0.5, 127},    {0.999, 254}, {1.0, 255},    {0.0, 0},
      {-0.0, 0},     {2.0, 254},  // 510 keeps its low byte
      {-0.004, 255},              // -1.02 truncates to -1, low byte ff
      {1e300, 0},    {nan, 0},     {infinity, 0}, {-infinity, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.component);
    EXPECT_EQ(ColorFromComponents(RgbComponents{c.component, 0, 0}), c.channel);
    EXPECT_EQ(ColorFromComponents(RgbComponents{0, c.component, 0}), c.channel << 8);
    EXPECT_EQ(ColorFromComponents(RgbComponents{0, 0, c.component}), c.channel << 16);
  }
  EXPECT_EQ(ColorFromComponents(std::nullopt), 16777215);
}

TEST(CopyToPasteboardTest, TextOrTheEmptyText) {
  fake::FakePlatform fake;
  Program program(fake.platform);
  fake.pasteboard.text = u"old";

  CopyToPasteboard(program, std::string("#ff9900"));
  EXPECT_EQ(fake.pasteboard.text, u"#ff9900");
  CopyToPasteboard(program, std::nullopt);
  EXPECT_EQ(fake.pasteboard.text, u"");
  EXPECT_EQ(fake.calls, (Calls{"pasteboard #ff9900", "pasteboard "}));
}

TEST(CopyCurrentColorTest, CopiesInTheCurrentFormatOrNotAtAll) {
  const struct {
    int format;
    const char* text;  // nullptr: nothing is copied
  } kCases[] = {
      {-1, nullptr},
      {0, "255 128 0"},
      {1, "#ff9900"},
      {2, "ff8000"},
      {3, "UIColor(red: 1.00, green: 0.50, blue: 0.00, alpha: 1.00)"},
      {4, "[UIColor colorWithRed: 1.00, green: 0.50, blue: 0.00, alpha: 1.00]"},
      {5, "new UIColor(red: 1.00f , green: 0.50f, blue: 0.00f, alpha: 1.00)"},
      {6, nullptr},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.format);
    fake::FakePlatform fake;
    Program program(fake.platform);
    program.CurrentColor = kOrange;
    program.settings.OutFormat = static_cast<OutputFormat>(c.format);

    CopyCurrentColor(program);

    EXPECT_EQ(fake.calls, c.text ? Calls{std::string("pasteboard ") + c.text} : Calls{});
  }
}

}  // namespace
}  // namespace pigmora
