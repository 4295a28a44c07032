#include "hotkeys/menu_item_text.h"

#include <string>
#include <vector>

namespace pigmora {

namespace {

// AppKit's characters for the function keys F1 to F12.
constexpr char16_t kF1FunctionKey = 0xF704;

char16_t AsciiUpper(char16_t c) {
  return c >= u'a' && c <= u'z' ? c - u'a' + u'A' : c;
}
char16_t AsciiLower(char16_t c) {
  return c >= u'A' && c <= u'Z' ? c - u'A' + u'a' : c;
}

std::vector<std::u16string_view> SplitAtPlus(std::u16string_view text) {
  std::vector<std::u16string_view> tokens;
  std::size_t start = 0;
  for (;;) {
    const auto plus = text.find(u'+', start);
    if (plus == std::u16string_view::npos) {
      tokens.push_back(text.substr(start));
      return tokens;
    }
    tokens.push_back(text.substr(start, plus - start));
    start = plus + 1;
  }
}

// 1 to 12 for "F1" to "F12", else 0.
int FunctionKeyNumber(std::u16string_view token) {
  static constexpr std::u16string_view kNames[] = {u"F1", u"F2", u"F3", u"F4",  u"F5",  u"F6",
                                                   u"F7", u"F8", u"F9", u"F10", u"F11", u"F12"};
  for (int i = 0; i < 12; ++i) {
    if (token == kNames[i]) return i + 1;
  }
  return 0;
}

}  // namespace

platform::MenuEntry ReadMenuItemText(std::u16string_view text) {
  // "&" marks a mnemonic on some desktops; a status-menu title never shows one.
  std::u16string plain;
  plain.reserve(text.size());
  for (char16_t c : text) {
    if (c != u'&') plain += c;
  }

  platform::MenuEntry entry;
  const auto tab = plain.find(u'\t');
  if (tab == std::u16string::npos) {
    entry.title = plain;
    return entry;
  }
  entry.title = plain.substr(0, tab);
  std::u16string shortcut = plain.substr(tab + 1);
  if (const auto secondTab = shortcut.find(u'\t'); secondTab != std::u16string::npos) {
    shortcut.resize(secondTab);
  }
  for (char16_t& c : shortcut) c = AsciiUpper(c);

  for (std::u16string_view token : SplitAtPlus(shortcut)) {
    if (token == u"CMD") {
      entry.modifierMask |= platform::kMenuCommandMask;
    } else if (token == u"SHIFT") {
      entry.modifierMask |= platform::kMenuShiftMask;
    } else if (token == u"ALT") {
      entry.modifierMask |= platform::kMenuOptionMask;
    } else if (token == u"CTRL") {
      entry.modifierMask |= platform::kMenuControlMask;
    } else if (const int number = FunctionKeyNumber(token); number != 0) {
      entry.keyEquivalent = std::u16string(1, static_cast<char16_t>(kF1FunctionKey + number - 1));
    } else {
      // An empty token (the last "+" of "Shift+Cmd++") leaves no key equivalent.
      entry.keyEquivalent.clear();
      for (char16_t c : token) entry.keyEquivalent += AsciiLower(c);
    }
  }
  return entry;
}

}  // namespace pigmora
