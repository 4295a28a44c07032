#include "hotkeys/shortcut_text.h"

#include <gtest/gtest.h>

#include "app/unicode_text.h"
#include "hotkeys/key_code_table.h"

namespace pigmora {
namespace {

struct ParseRow {
  std::u16string text;
  std::u16string keyName;
  uint32_t mask;
};

TEST(ParseShortcutTest, GivesKeyNameAndCarbonMask) {
  const ParseRow rows[] = {
      {u"\u2303\u2325Space", u"Space", 6144},
      {u"\u2318F10", u"F10", 256},
      {u"\u2325\u238B", u"Esc", 2048},
      {u"\u21E7\u2318{", u"{", 768},
      {u"\u2303\u21A9", u"Return", 4096},
      {u"", u"", 0},
      {u"\u2318", u"", 256},
      // Each modifier's own mask, and all four together.
      {u"\u2303A", u"A", 0x1000},
      {u"\u2325A", u"A", 0x800},
      {u"\u21E7A", u"A", 0x200},
      {u"\u2318A", u"A", 0x100},
      {u"\u2303\u2325\u21E7\u2318P", u"P", 0x1B00},
      // Symbols are recognised wherever they stand; the key name is the rest, in its order.
      {u"A\u2318", u"A", 256},
      {u"F\u23181\u23030", u"F10", 4352},
      // A lower-case letter stays lower case (and so is not a known key).
      {u"\u2318a", u"a", 256},
      // The two key symbols replace whatever was gathered before them, and text after them is
      // appended.
      {u"X\u238B", u"Esc", 0},
      {u"\u2318\u238BY", u"EscY", 256},
      {u"Tab\u21A9", u"Return", 0},
      {u"\u21A9\u238B", u"Esc", 0},
      {u"\u238B", u"Esc", 0},
      // Symbols of keys with no table name stay in the key name.
      {u"\u2318\u2190", u"\u2190", 256},
      {u"Tab", u"Tab", 0},
  };
  for (const auto& row : rows) {
    const ParsedShortcut parsed = ParseShortcut(row.text);
    EXPECT_EQ(parsed.keyName, row.keyName) << ToUtf8(row.text);
    EXPECT_EQ(parsed.modifiers, row.mask) << ToUtf8(row.text);
  }
}

TEST(ParseShortcutTest, ASymbolTwiceStillMeansOneModifier) {
  // Adding the masks would make two Commands read as Shift.
  EXPECT_EQ(ParseShortcut(u"\u2318\u2318A"), (ParsedShortcut{u"A", 0x100}));
  EXPECT_EQ(ParseShortcut(u"\u2303\u2303\u2325\u2325B"), (ParsedShortcut{u"B", 0x1800}));
}

TEST(ParseShortcutTest, ShiftedCharacterFindsTheSameKeyAsItsUnshiftedName) {
  const KeyCodeTable table = BuildKeyCodeTable();
  EXPECT_EQ(table.LookupKeyCode(ParseShortcut(u"\u21E7\u2318)").keyName),
            table.LookupKeyCode(ParseShortcut(u"\u21E7\u23180").keyName));
  EXPECT_EQ(table.LookupKeyCode(ParseShortcut(u"\u21E7\u2318{").keyName), 33u);
  EXPECT_FALSE(table.LookupKeyCode(ParseShortcut(u"\u2318a").keyName).has_value());
  EXPECT_EQ(table.LookupKeyCode(ParseShortcut(u"\u2325\u238B").keyName), 53u);
  EXPECT_EQ(table.LookupKeyCode(ParseShortcut(u"\u2318\u21A9").keyName), 36u);
}

TEST(MenuShortcutTextTest, WritesModifiersAsWordsJoinedByPlus) {
  const std::pair<std::u16string, std::u16string> rows[] = {
      {u"\u2318A", u"Cmd+A"},
      {u"\u2303\u2325\u2318P", u"Ctrl+Alt+Cmd+P"},
      {u"\u2303\u2325\u21E7\u2318A", u"Ctrl+Alt+Shift+Cmd+A"},
      {u"\u2318F5", u"Cmd+F5"},
      {u"\u2318,", u"Cmd+,"},
      {u"\u2318Q", u"Cmd+Q"},
      {u"A", u"A"},
      {u"", u""},
      {u"\u21E7\u2318+", u"Shift+Cmd++"},
      // A modifier that is the last character gets no "+" after it.
      {u"\u2318", u"Cmd"},
      {u"\u2303\u2325", u"Ctrl+Alt"},
      {u"\u2303Space", u"Ctrl+Space"},
      {u"\u2325\u238B", u"Alt+\u238B"},
      {u"\u2318\u21A9", u"Cmd+\u21A9"},
      {u"Tab", u"Tab"},
      // Symbols are written as they stand, in their own order.
      {u"\u2318\u2303A", u"Cmd+Ctrl+A"},
      {u"A\u2318B", u"ACmd+B"},
  };
  for (const auto& [text, menu] : rows) {
    EXPECT_EQ(MenuShortcutText(text), menu) << ToUtf8(text);
  }
}

}  // namespace
}  // namespace pigmora
