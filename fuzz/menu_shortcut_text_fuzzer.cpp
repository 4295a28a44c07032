// MenuShortcutText writes a stored hot-key text in the words of a menu item; ReadMenuItemText
// then reads that back when the status menu is built. Any stored text must give a menu form
// without symbols, and a well-shaped one must come back with the same modifiers.
#include <vector>

#include "fuzz_support.h"
#include "hotkeys/menu_item_text.h"
#include "hotkeys/shortcut_text.h"
#include "platform/status_bar.h"

using namespace pigmora;

namespace {

struct Modifier {
  char16_t symbol;
  std::u16string_view word;
  std::u16string_view upperWord;
  uint32_t menuMask;
};
constexpr Modifier kModifiers[] = {{kControlSymbol, u"Ctrl", u"CTRL", platform::kMenuControlMask},
                                   {kOptionSymbol, u"Alt", u"ALT", platform::kMenuOptionMask},
                                   {kShiftSymbol, u"Shift", u"SHIFT", platform::kMenuShiftMask},
                                   {kCommandSymbol, u"Cmd", u"CMD", platform::kMenuCommandMask}};

const Modifier* FindModifier(char16_t c) {
  for (const Modifier& modifier : kModifiers) {
    if (modifier.symbol == c) return &modifier;
  }
  return nullptr;
}

char16_t AsciiUpper(char16_t c) {
  return c >= u'a' && c <= u'z' ? c - u'a' + u'A' : c;
}

// True when `key`, read as a menu shortcut, can be taken for a modifier word or cut apart.
bool KeyReadsAsMore(std::u16string_view key) {
  std::u16string upper;
  for (char16_t c : key) upper += AsciiUpper(c);
  if (upper.find_first_of(u"+&\t") != std::u16string::npos) return true;
  for (const Modifier& modifier : kModifiers) {
    if (upper == modifier.upperWord) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::u16string text = fuzz::TextInput(fuzz::Bytes(data, size));
  const std::u16string menu = MenuShortcutText(text);

  // Every symbol becomes its word, followed by "+" unless it ended the text; nothing else
  // changes.
  std::u16string expected;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (const Modifier* modifier = FindModifier(text[i])) {
      expected += modifier->word;
      if (i + 1 < text.size()) expected += u'+';
    } else {
      expected += text[i];
    }
  }
  FUZZ_CHECK(menu == expected);

  // A text shaped as the capture field writes it (symbols first, then a key name that cannot be
  // mistaken for a word or split) comes back from the menu with the same modifiers, under the
  // same title.
  std::size_t keyStart = 0;
  uint32_t mask = 0;
  while (keyStart < text.size() && FindModifier(text[keyStart]) != nullptr) {
    mask |= FindModifier(text[keyStart])->menuMask;
    ++keyStart;
  }
  const std::u16string_view key = std::u16string_view(text).substr(keyStart);
  bool shaped = !KeyReadsAsMore(key);
  for (char16_t c : key) shaped = shaped && FindModifier(c) == nullptr;
  if (shaped) {
    const platform::MenuEntry entry = ReadMenuItemText(u"Show the Color Picker\t" + menu);
    FUZZ_CHECK(entry.title == u"Show the Color Picker");
    FUZZ_CHECK(entry.modifierMask == mask);
  }
  return 0;
}
