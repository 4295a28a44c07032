#pragma once
// Shortcuts in the words a user of this desktop reads: "Ctrl+Alt+Super+P", "Super+F5". The tray
// menu and the shortcut fields of the preferences window both speak them; the stored settings
// keep the symbol text ("⌃⌥⌘P").
#include <QString>
#include <QStringList>
#include <cstdint>
#include <string>
#include <string_view>

namespace pigmora::qt {

// The key equivalent of a menu item: "Ctrl+Alt+Super+P", "Super+,", "Super+F5". Command is the
// Super key here. Empty when the item has no key.
QString MenuShortcutLabel(const std::u16string& keyEquivalent, uint32_t modifierMask);

// The same key equivalent as the key names of a dbusmenu "shortcut" property, modifiers first:
// {"Control", "Alt", "Super", "P"}, {"Super", "comma"}. Empty when the item has no key.
QStringList DBusMenuShortcutKeys(const std::u16string& keyEquivalent, uint32_t modifierMask);

// A shortcut text ("⌃⌥⌘P", "⇧⌘{", "⌘F9") as its field shows it: the words of the menu item that
// carries the same shortcut ("Ctrl+Alt+Super+P", "Shift+Super+{", "Super+F9"). Unlike a menu
// item, the field also shows a "+" key ("Ctrl++") and modifiers without a key ("Super"), because
// that is what it holds and will store.
QString ShortcutFieldLabel(std::u16string_view shortcut);

}  // namespace pigmora::qt
