// Shortcuts in this desktop's words: the tray menu's shortcut column and the preferences
// window's shortcut fields.
#include "platform/qt/qt_shortcut_label.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/status_bar.h"

namespace pigmora::qt {
namespace {

using platform::kMenuCommandMask;
using platform::kMenuControlMask;
using platform::kMenuOptionMask;
using platform::kMenuShiftMask;

struct LabelCase {
  std::u16string key;
  uint32_t mask;
  const char* label;
};

TEST(MenuShortcutLabelTest, KeyEquivalentsReadTheWayThisDesktopWritesThem) {
  const LabelCase cases[] = {
      {u"p", kMenuControlMask | kMenuOptionMask | kMenuCommandMask, "Ctrl+Alt+Super+P"},
      {u"a", kMenuControlMask | kMenuOptionMask | kMenuShiftMask | kMenuCommandMask,
       "Ctrl+Alt+Shift+Super+A"},
      {u"q", kMenuCommandMask, "Super+Q"},
      {u",", kMenuCommandMask, "Super+,"},
      {u"\uF704", kMenuCommandMask, "Super+F1"},
      {u"\uF708", kMenuCommandMask, "Super+F5"},
      {u"\uF70F", 0, "F12"},
      {u"tab", kMenuControlMask, "Ctrl+Tab"},
      {u"space", kMenuControlMask | kMenuOptionMask, "Ctrl+Alt+Space"},
      {u"f13", kMenuShiftMask, "Shift+F13"},
      {u"\u21A9", kMenuControlMask, "Ctrl+Return"},
      {u"\u238B", kMenuOptionMask, "Alt+Esc"},
      {u"{", kMenuShiftMask | kMenuCommandMask, "Shift+Super+{"},
      {u"5", 0, "5"},
      // Modifiers with no key ("Shift+Cmd++" leaves the key empty) and no key at all: nothing.
      {u"", kMenuShiftMask | kMenuCommandMask, ""},
      {u"", 0, ""},
  };
  for (const LabelCase& c : cases) {
    EXPECT_EQ(MenuShortcutLabel(c.key, c.mask), QString::fromUtf8(c.label)) << c.label;
  }
}

struct FieldCase {
  std::u16string shortcut;
  const char* label;
};

TEST(ShortcutFieldLabelTest, FieldsReadAsTheMenuDoesWhileTheTextKeepsItsSymbols) {
  const FieldCase cases[] = {
      {u"", ""},
      {u"⌃⌥⌘P", "Ctrl+Alt+Super+P"},
      {u"⌃⌥P", "Ctrl+Alt+P"},
      {u"⌃⌥⇧⌘A", "Ctrl+Alt+Shift+Super+A"},
      {u"⌘F9", "Super+F9"},
      {u"⌘F12", "Super+F12"},
      {u"⇧⌘{", "Shift+Super+{"},
      {u"⇧⌘1", "Shift+Super+1"},
      {u"⌘,", "Super+,"},
      {u"⌃Space", "Ctrl+Space"},
      {u"Tab", "Tab"},
      {u"⌘Insert", "Super+Insert"},
      {u"⌥⎋", "Alt+Esc"},
      {u"⌘↩", "Super+Return"},
      {u"⌘→", "Super+Right"},
      {u"⌃⇞", "Ctrl+PgUp"},
      {u"⌘⌦", "Super+Del"},
      {u"A", "A"},
      // Keys the menu form cannot carry still show in the field.
      {u"⌃+", "Ctrl++"},
      {u"⇧⌘&", "Shift+Super+&"},
      // Modifiers whose key shows nothing (keypad Enter).
      {u"⌘", "Super"},
      {u"⌃⌥⇧⌘", "Ctrl+Alt+Shift+Super"},
  };
  for (const FieldCase& c : cases) {
    EXPECT_EQ(ShortcutFieldLabel(c.shortcut).toStdString(), c.label);
  }
}

}  // namespace
}  // namespace pigmora::qt
