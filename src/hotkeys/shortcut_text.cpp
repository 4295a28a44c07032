#include "hotkeys/shortcut_text.h"

#include "platform/hotkey_service.h"

namespace pigmora {

namespace {

bool IsModifierSymbol(char16_t c) {
  return c == kControlSymbol || c == kOptionSymbol || c == kShiftSymbol || c == kCommandSymbol;
}

void ReplaceAll(std::u16string& text, char16_t symbol, std::u16string_view word) {
  for (auto at = text.find(symbol); at != std::u16string::npos;
       at = text.find(symbol, at + word.size())) {
    text.replace(at, 1, word);
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
  std::u16string text;
  text.reserve(shortcut.size() * 2);
  for (std::size_t i = 0; i < shortcut.size(); ++i) {
    text += shortcut[i];
    if (IsModifierSymbol(shortcut[i]) && i + 1 < shortcut.size()) text += u'+';
  }
  ReplaceAll(text, kShiftSymbol, u"Shift");
  ReplaceAll(text, kCommandSymbol, u"Cmd");
  ReplaceAll(text, kOptionSymbol, u"Alt");
  ReplaceAll(text, kControlSymbol, u"Ctrl");
  return text;
}

}  // namespace pigmora
