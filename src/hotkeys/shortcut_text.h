#pragma once
// The text form of a shortcut ("⌃⌥⌘P") and its menu form ("Ctrl+Alt+Cmd+P").
#include <cstdint>
#include <string>
#include <string_view>

namespace pigmora {

inline constexpr char16_t kControlSymbol = u'\u2303';
inline constexpr char16_t kOptionSymbol = u'\u2325';
inline constexpr char16_t kShiftSymbol = u'\u21E7';
inline constexpr char16_t kCommandSymbol = u'\u2318';
inline constexpr char16_t kEscapeSymbol = u'\u238B';
inline constexpr char16_t kReturnSymbol = u'\u21A9';

struct ParsedShortcut {
  std::u16string keyName;
  uint32_t modifiers = 0;  // Carbon modifier mask
  bool operator==(const ParsedShortcut&) const = default;
};

ParsedShortcut ParseShortcut(std::u16string_view shortcut);
std::u16string MenuShortcutText(std::u16string_view shortcut);

}  // namespace pigmora
