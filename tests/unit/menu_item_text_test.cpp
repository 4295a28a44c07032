#include "hotkeys/menu_item_text.h"

#include <gtest/gtest.h>

#include "app/unicode_text.h"
#include "hotkeys/menu_item_prefixes.h"
#include "hotkeys/shortcut_text.h"

namespace pigmora {
namespace {

using platform::kMenuCommandMask;
using platform::kMenuControlMask;
using platform::kMenuOptionMask;
using platform::kMenuShiftMask;
using platform::MenuEntry;

struct ItemRow {
  std::u16string text;
  MenuEntry entry;
};

void ExpectEntries(const std::vector<ItemRow>& rows) {
  for (const auto& row : rows) {
    const MenuEntry entry = ReadMenuItemText(row.text);
    EXPECT_EQ(entry.title, row.entry.title) << ToUtf8(row.text);
    EXPECT_EQ(entry.keyEquivalent, row.entry.keyEquivalent) << ToUtf8(row.text);
    EXPECT_EQ(entry.modifierMask, row.entry.modifierMask) << ToUtf8(row.text);
  }
}

TEST(MenuItemTextTest, SplitsTitleKeyEquivalentAndMask) {
  ExpectEntries({
      {u"Show the Color Picker\tCtrl+Alt+Cmd+P",
       {u"Show the Color Picker", u"p", kMenuControlMask | kMenuOptionMask | kMenuCommandMask}},
      {u"Quit\tCmd+Q", {u"Quit", u"q", kMenuCommandMask}},
      {u"Cycle Output Back\tCmd+F5", {u"Cycle Output Back", u"\uF708", kMenuCommandMask}},
      {u"Show the Color Picker\t", {u"Show the Color Picker", u"", 0}},
      {u"About", {u"About", u"", 0}},
      {u"Preferences...\tCmd+,", {u"Preferences...", u",", kMenuCommandMask}},
      {u"X\tShift+A", {u"X", u"a", kMenuShiftMask}},
      {u"X\tCtrl+Alt+Shift+Cmd+Z",
       {u"X", u"z", kMenuControlMask | kMenuOptionMask | kMenuShiftMask | kMenuCommandMask}},
      {u"", {u"", u"", 0}},
      {u"\tCmd+A", {u"", u"a", kMenuCommandMask}},
  });
}

TEST(MenuItemTextTest, OnlyF1ToF12BecomeFunctionKeyCharacters) {
  for (int n = 1; n <= 12; ++n) {
    const std::u16string text = u"Item\tCmd+F" + FromUtf8(std::to_string(n));
    const MenuEntry entry = ReadMenuItemText(text);
    EXPECT_EQ(entry.keyEquivalent, std::u16string(1, static_cast<char16_t>(0xF704 + n - 1)))
        << "F" << n;
    EXPECT_EQ(entry.modifierMask, kMenuCommandMask);
  }
  ExpectEntries({
      {u"Item\tCmd+F13", {u"Item", u"f13", kMenuCommandMask}},
      {u"Item\tF20", {u"Item", u"f20", 0}},
      {u"Item\tF0", {u"Item", u"f0", 0}},
      {u"Item\tf1", {u"Item", u"\uF704", 0}},  // upper-cased before it is read
      {u"Item\tF", {u"Item", u"f", 0}},
  });
}

TEST(MenuItemTextTest, WordTokensStayPlainLowerCaseText) {
  ExpectEntries({
      {u"Item\tCtrl+TAB", {u"Item", u"tab", kMenuControlMask}},
      {u"Item\tCtrl+Tab", {u"Item", u"tab", kMenuControlMask}},
      {u"Item\tAlt+Space", {u"Item", u"space", kMenuOptionMask}},
      {u"Item\tCmd+Return", {u"Item", u"return", kMenuCommandMask}},
      {u"Item\tAlt+\u238B", {u"Item", u"\u238B", kMenuOptionMask}},
      {u"Item\tCmd+\u2190", {u"Item", u"\u2190", kMenuCommandMask}},
  });
}

TEST(MenuItemTextTest, ModifierWordsAreReadInAnyCase) {
  ExpectEntries({
      {u"Item\tcmd+shift+q", {u"Item", u"q", kMenuCommandMask | kMenuShiftMask}},
      {u"Item\tcTrL+aLt+x", {u"Item", u"x", kMenuControlMask | kMenuOptionMask}},
  });
}

TEST(MenuItemTextTest, AnEmptyLastTokenLeavesNoKeyEquivalent) {
  // "⇧⌘+" in menu form: the final token after the last "+" is empty.
  ExpectEntries({
      {u"Cycle Output Forward\tShift+Cmd++",
       {u"Cycle Output Forward", u"", kMenuShiftMask | kMenuCommandMask}},
      {u"Item\tCmd+", {u"Item", u"", kMenuCommandMask}},
      {u"Item\t+", {u"Item", u"", 0}},
  });
}

TEST(MenuItemTextTest, ALaterKeyReplacesAnEarlierOne) {
  ExpectEntries({
      {u"Item\tA+Cmd+B", {u"Item", u"b", kMenuCommandMask}},
      {u"Item\tF1+Q", {u"Item", u"q", 0}},
      {u"Item\tQ+F2", {u"Item", u"\uF705", 0}},
      {u"Item\tQ+", {u"Item", u"", 0}},
  });
}

TEST(MenuItemTextTest, AmpersandsNeverReachTheTitle) {
  ExpectEntries({
      {u"&Quit\tCmd+Q", {u"Quit", u"q", kMenuCommandMask}},
      {u"Rock && Roll", {u"Rock  Roll", u"", 0}},
      {u"A&bout&", {u"About", u"", 0}},
      {u"Item\tCmd+&Q", {u"Item", u"q", kMenuCommandMask}},
      {u"&&&", {u"", u"", 0}},
  });
}

TEST(MenuItemTextTest, TextAfterASecondTabIsIgnored) {
  ExpectEntries({
      {u"Item\tCmd+Q\tShift+Z", {u"Item", u"q", kMenuCommandMask}},
      {u"Item\t\tCmd+Q", {u"Item", u"", 0}},
  });
}

TEST(MenuItemTextTest, ShortcutsInMenuFormRoundTripToTheirKeys) {
  struct Row {
    std::u16string shortcut;
    std::u16string key;
    uint32_t mask;
  };
  const Row rows[] = {
      {u"\u2318A", u"a", kMenuCommandMask},
      {u"\u2303\u2325\u2318P", u"p", kMenuControlMask | kMenuOptionMask | kMenuCommandMask},
      {u"\u21E7\u2318{", u"{", kMenuShiftMask | kMenuCommandMask},
      {u"\u2303Space", u"space", kMenuControlMask},
      {u"\u2318F5", u"\uF708", kMenuCommandMask},
      {u"\u2318F12", u"\uF70F", kMenuCommandMask},
      {u"", u"", 0},
  };
  for (const auto& row : rows) {
    const std::u16string text =
        std::u16string(kShowPickerItemPrefix) + MenuShortcutText(row.shortcut);
    const MenuEntry entry = ReadMenuItemText(text);
    EXPECT_EQ(entry, (MenuEntry{u"Show the Color Picker", row.key, row.mask})) << ToUtf8(text);
  }
}

}  // namespace
}  // namespace pigmora
