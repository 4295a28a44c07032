#include "hotkeys/shortcut_text.h"

#include "platform/hotkey_service.h"

namespace pigmora {

namespace {

// The word a modifier symbol stands for in a menu, or nothing for any other character.
std::u16string_view ModifierWord(char16_t c) {
  switch (c) {
    case kShiftSymbol:
      return u"Shift";
    case kCommandSymbol:
      return u"Cmd";
    case kOptionSymbol:
      return u"Alt";
    case kControlSymbol:
      return u"Ctrl";
    default:
      return {};
  }
}

}  // namespace

ParsedShortcut ParseShortcut(std::u16string_view shortcut) {
  ParsedShortcut parsed;
  // A symbol that stands twice in a hand-edited setting still means its one modifier; adding the
  // masks would turn two Commands into Shift.
  for (char16_t c : shortcut) {
    switch (c) {
      case kControlSymbol:
        parsed.modifiers |= platform::kHotkeyControl;
        break;
      case kOptionSymbol:
        parsed.modifiers |= platform::kHotkeyOption;
        break;
      case kShiftSymbol:
        parsed.modifiers |= platform::kHotkeyShift;
        break;
      case kCommandSymbol:
        parsed.modifiers |= platform::kHotkeyCommand;
        break;
      // The field shows these two keys as symbols; the key table knows them by name.
      case kEscapeSymbol:
        parsed.keyName = u"Esc";
        break;
      case kReturnSymbol:
        parsed.keyName = u"Return";
        break;
      default:
        parsed.keyName += c;
        break;
    }
  }
  return parsed;
}

std::u16string MenuShortcutText(std::u16string_view shortcut) {
  // One pass: the words contain no symbols, so replacing each symbol where it stands gives the
  // same text as replacing them kind by kind, in time linear in a stored text of any length.
  std::u16string text;
  text.reserve(shortcut.size() * 3);
  for (std::size_t i = 0; i < shortcut.size(); ++i) {
    const std::u16string_view word = ModifierWord(shortcut[i]);
    if (word.empty()) {
      text += shortcut[i];
      continue;
    }
    text += word;
    if (i + 1 < shortcut.size()) text += u'+';
  }
  return text;
}

}  // namespace pigmora
