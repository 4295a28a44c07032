// The Wayland portal's pure parts: the preferred trigger written for a stored shortcut, the
// comparison with what a desktop says it bound, and the 8-bit channels of a picked colour.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "app/unicode_text.h"
#include "hotkeys/key_code_table.h"
#include "hotkeys/shortcut_text.h"
#include "platform/wayland/portal_color_pick.h"
#include "platform/wayland/portal_trigger.h"

namespace pigmora::wayland {
namespace {

// The trigger for a stored shortcut, through the same parsing and key table as registration.
std::string TriggerOf(const std::u16string& shortcut) {
  static const KeyCodeTable table = BuildKeyCodeTable();
  const ParsedShortcut parsed = ParseShortcut(shortcut);
  const auto code = table.LookupKeyCode(parsed.keyName);
  return code ? PortalTrigger(*code, parsed.modifiers) : "(no key)";
}

TEST(PortalTriggerTest, StoredShortcutsBecomePortalTriggerText) {
  const struct {
    std::u16string shortcut;
    std::string trigger;
  } rows[] = {
      {u"⌃⌥P", "CTRL+ALT+p"},  // letters: the unshifted keysym, lower case
      {u"⌘A", "LOGO+a"},
      {u"⌃⌥⇧⌘P", "CTRL+ALT+SHIFT+LOGO+p"},  // every modifier, in the portal's order
      {u"⇧⌘1", "SHIFT+LOGO+1"},
      {u"⇧⌘{", "SHIFT+LOGO+bracketleft"},  // the shifted character names its key's base symbol
      {u"⇧⌘[", "SHIFT+LOGO+bracketleft"},
      {u"⌃⌥⌘]", "CTRL+ALT+LOGO+bracketright"},
      {u"⌘,", "LOGO+comma"},
      {u"⌥`", "ALT+grave"},
      {u"⌃'", "CTRL+apostrophe"},
      {u"⌃\\", "CTRL+backslash"},
      {u"⌃Space", "CTRL+space"},
      {u"⌘Tab", "LOGO+Tab"},
      {u"⌘↩", "LOGO+Return"},
      {u"⌥⎋", "ALT+Escape"},
      {u"⌘F5", "LOGO+F5"},
      {u"⇧⌘F12", "SHIFT+LOGO+F12"},
      {u"F1", "F1"},  // a bare function key
      {u"⌘PgUp", "LOGO+Prior"},
      {u"⌘Del", "LOGO+BackSpace"},
      {u"⌘←", "(no key)"},  // shown by the field, never a hot key
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(ToUtf8(row.shortcut));
    EXPECT_EQ(TriggerOf(row.shortcut), row.trigger);
  }
}

TEST(PortalTriggerTest, AKeyCodeWithoutAKeyHasNoTrigger) {
  EXPECT_EQ(PortalTrigger(52, 0), "");
  EXPECT_EQ(PortalTrigger(1000, 0x100), "");
}

TEST(PortalTriggerTest, WhatADesktopSaysItBoundIsComparedByModifiersAndKey) {
  const struct {
    std::string trigger;
    std::string description;
    bool same;
  } rows[] = {
      {"CTRL+ALT+p", "Ctrl+Alt+P", true},
      {"CTRL+ALT+p", "Alt+Ctrl+P", true},  // any order
      {"CTRL+ALT+p", "<Control><Alt>p", true},
      {"CTRL+ALT+p", "Control + Alt + p", true},
      {"LOGO+a", "Meta+A", true},
      {"LOGO+a", "Super+a", true},
      {"SHIFT+LOGO+bracketleft", "Shift+Meta+[", true},
      {"SHIFT+LOGO+bracketleft", "Shift+Super+bracketleft", true},
      {"LOGO+Prior", "Meta+Page_Up", true},
      {"LOGO+Prior", "Meta+PgUp", false},  // not a keysym name: taken as another key
      {"CTRL+plus", "Ctrl++", true},
      {"CTRL+ALT+p", "Ctrl+Alt+K", false},        // another key
      {"CTRL+ALT+p", "Ctrl+P", false},            // a modifier less
      {"CTRL+ALT+p", "Ctrl+Alt+Shift+P", false},  // a modifier more
      {"CTRL+ALT+p", "", false},                  // nothing bound
      {"CTRL+ALT+p", "Hyper+Alt+P", false},       // a modifier we do not know
      {"F1", "F1", true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.trigger + " / " + row.description);
    EXPECT_EQ(DescribesTrigger(row.trigger, row.description), row.same);
  }
}

TEST(PortalColorTest, ComponentsBecomeTheNearestOfTheEightBitSteps) {
  const struct {
    double component;
    int channel;
  } rows[] = {
      {0.2, 51},
      {0.4, 102},
      {0.6, 153},  // 336699
      {0.0, 0},
      {1.0, 255},
      {0.5, 128},  // the nearest step, not the one below
      {0.499, 127},
      {0.998, 254},
      {0.999, 255},
      {0.29, 74},  // 73.95: between two steps, as a 10-bit screen or a scaled pixel gives
      {-0.1, 0},
      {1.5, 255},  // clamped
      {std::numeric_limits<double>::quiet_NaN(), 0},
      {std::numeric_limits<double>::infinity(), 255},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.component);
    EXPECT_EQ(ChannelFromPortal(row.component), row.channel);
  }
}

// A desktop that reads 8-bit pixels sends c / 255, in single or double precision: every one of them
// comes back as c.
TEST(PortalColorTest, EveryEightBitValueSentAsAFractionComesBack) {
  for (int c = 0; c <= 255; ++c) {
    EXPECT_EQ(ChannelFromPortal(c / 255.0), c);
    EXPECT_EQ(ChannelFromPortal(static_cast<double>(static_cast<float>(c) / 255.0f)), c);
  }
}

}  // namespace
}  // namespace pigmora::wayland
