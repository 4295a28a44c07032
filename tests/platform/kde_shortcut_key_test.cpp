// KDE's pure parts: a stored shortcut as the key combination kglobalaccel keeps, that combination
// in the fields' words, and which desktops are KDE.
#include <gtest/gtest.h>

#include <QString>
#include <string>

#include "hotkeys/key_code_table.h"
#include "hotkeys/shortcut_text.h"
#include "platform/kde/kde_shortcut_key.h"

namespace pigmora::kde {
namespace {

// The combination for a stored shortcut, through the same parsing and key table as registration.
int KeyOf(const std::u16string& shortcut) {
  static const KeyCodeTable table = BuildKeyCodeTable();
  const ParsedShortcut parsed = ParseShortcut(shortcut);
  const auto code = table.LookupKeyCode(parsed.keyName);
  return code ? KdeShortcutKey(*code, parsed.modifiers) : -1;
}

TEST(KdeShortcutKeyTest, StoredShortcutsBecomeQtKeyCombinationsAndReadAsTheFieldsDo) {
  constexpr int kCtrl = 0x04000000, kAlt = 0x08000000, kShift = 0x02000000, kMeta = 0x10000000;
  const struct {
    std::u16string shortcut;
    int key;
    const char* text;
  } rows[] = {
      {u"⌃⌥P", kCtrl | kAlt | 0x50, "Ctrl+Alt+P"},  // a letter is its upper-case Qt key
      {u"⌃⌥⌘]", kCtrl | kAlt | kMeta | 0x5d, "Ctrl+Alt+Super+]"},
      {u"⇧⌘F5", kShift | kMeta | 0x01000034, "Shift+Super+F5"},
      {u"⇧⌘{", kShift | kMeta | 0x5b, "Shift+Super+["},  // the key, not the shifted character
      {u"⌘,", kMeta | 0x2c, "Super+,"},
      {u"⌃⌥⇧⌘1", kCtrl | kAlt | kShift | kMeta | 0x31, "Ctrl+Alt+Shift+Super+1"},
      {u"⌘Return", kMeta | 0x01000004, "Super+Return"},  // keys without a character
      {u"⌥Home", kAlt | 0x01000010, "Alt+Home"},
      {u"⌃Space", kCtrl | 0x20, "Ctrl+Space"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(QString::fromStdU16String(row.shortcut).toStdString());
    EXPECT_EQ(KeyOf(row.shortcut), row.key);
    EXPECT_EQ(KdeShortcutText(row.key).toStdString(), row.text);
  }
}

}  // namespace
}  // namespace pigmora::kde
