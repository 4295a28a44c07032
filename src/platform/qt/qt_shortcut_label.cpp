#include "platform/qt/qt_shortcut_label.h"

#include "hotkeys/menu_item_text.h"
#include "hotkeys/shortcut_text.h"
#include "platform/status_bar.h"

namespace pigmora::qt {

namespace {

struct KeyWord {
  char16_t key;
  const char* word;
};

// Keys that menu texts carry as a symbol, written the way this desktop names them.
constexpr KeyWord kKeyWords[] = {
    {u'\u21A9', "Return"}, {u'\u238B', "Esc"},    {u'\u232B', "Backspace"}, {u'\u2326', "Del"},
    {u'\u21DE', "PgUp"},   {u'\u21DF', "PgDown"}, {u'\u2196', "Home"},      {u'\u2198', "End"},
    {u'\u2190', "Left"},   {u'\u2191', "Up"},     {u'\u2192', "Right"},     {u'\u2193', "Down"},
};

QString KeyLabel(const std::u16string& key) {
  if (key.size() == 1) {
    const char16_t c = key[0];
    // AppKit's function-key characters F1 to F12.
    if (c >= 0xF704 && c <= 0xF70F) return QStringLiteral("F%1").arg(c - 0xF704 + 1);
    for (const KeyWord& word : kKeyWords) {
      if (word.key == c) return QString::fromLatin1(word.word);
    }
    return QString(QChar(c)).toUpper();
  }
  // Words such as "tab", "space" or "f13" arrive in lower case.
  QString text = QString::fromStdU16String(key);
  if (text.size() > 1 && text[0] == u'f' && text[1].isDigit()) return text.toUpper();
  text[0] = text[0].toUpper();
  return text;
}

// Keys as GTK and libdbusmenu name them in a dbusmenu shortcut (the X keysym names).
constexpr KeyWord kDBusMenuKeyNames[] = {
    {u'\u21A9', "Return"}, {u'\u238B', "Escape"},  {u'\u232B', "BackSpace"},
    {u'\u2326', "Delete"}, {u'\u21DE', "Page_Up"}, {u'\u21DF', "Page_Down"},
    {u'\u2196', "Home"},   {u'\u2198', "End"},     {u'\u2190', "Left"},
    {u'\u2191', "Up"},     {u'\u2192', "Right"},   {u'\u2193', "Down"},
    {u',', "comma"},       {u'.', "period"},       {u'/', "slash"},
    {u'\\', "backslash"},  {u';', "semicolon"},    {u'\'', "apostrophe"},
    {u'[', "bracketleft"}, {u']', "bracketright"}, {u'`', "grave"},
    {u'-', "minus"},       {u'=', "equal"},        {u'+', "plus"},
};

QString DBusMenuKeyName(const std::u16string& key) {
  if (key.size() == 1) {
    for (const KeyWord& word : kDBusMenuKeyNames) {
      if (word.key == key[0]) return QString::fromLatin1(word.word);
    }
  }
  const QString label = KeyLabel(key);
  return label == QLatin1String("Space") ? QStringLiteral("space") : label;
}

// "Ctrl+Alt+Shift+Super+", each word followed by its "+".
QString ModifierWords(uint32_t modifierMask) {
  QString words;
  if (modifierMask & platform::kMenuControlMask) words += QStringLiteral("Ctrl+");
  if (modifierMask & platform::kMenuOptionMask) words += QStringLiteral("Alt+");
  if (modifierMask & platform::kMenuShiftMask) words += QStringLiteral("Shift+");
  if (modifierMask & platform::kMenuCommandMask) words += QStringLiteral("Super+");
  return words;
}

}  // namespace

QString MenuShortcutLabel(const std::u16string& keyEquivalent, uint32_t modifierMask) {
  // A mask without a key is no shortcut: there is nothing to press.
  if (keyEquivalent.empty()) return {};
  return ModifierWords(modifierMask) + KeyLabel(keyEquivalent);
}

QStringList DBusMenuShortcutKeys(const std::u16string& keyEquivalent, uint32_t modifierMask) {
  if (keyEquivalent.empty()) return {};
  QStringList keys;
  if (modifierMask & platform::kMenuControlMask) keys << QStringLiteral("Control");
  if (modifierMask & platform::kMenuOptionMask) keys << QStringLiteral("Alt");
  if (modifierMask & platform::kMenuShiftMask) keys << QStringLiteral("Shift");
  if (modifierMask & platform::kMenuCommandMask) keys << QStringLiteral("Super");
  return keys << DBusMenuKeyName(keyEquivalent);
}

QString ShortcutFieldLabel(std::u16string_view shortcut) {
  // The menu's own road from the stored text to its words, so that field and menu agree.
  platform::MenuEntry entry = ReadMenuItemText(u"\t" + MenuShortcutText(shortcut));
  // The menu form loses a key that is "+" (a separator there) or "&" (a mnemonic marker there).
  if (entry.keyEquivalent.empty()) entry.keyEquivalent = ParseShortcut(shortcut).keyName;
  QString label = ModifierWords(entry.modifierMask);
  if (entry.keyEquivalent.empty()) {
    label.chop(1);
    return label;
  }
  return label + KeyLabel(entry.keyEquivalent);
}

}  // namespace pigmora::qt
