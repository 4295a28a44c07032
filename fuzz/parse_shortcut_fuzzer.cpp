// ParseShortcut reads the stored hot-key texts, which a user can edit by hand: any text must
// give a key name and a mask made only of what the text holds.
#include "fuzz_support.h"
#include "hotkeys/shortcut_text.h"
#include "platform/hotkey_service.h"

using namespace pigmora;

namespace {

struct Modifier {
  char16_t symbol;
  uint32_t mask;
};
constexpr Modifier kModifiers[] = {{kControlSymbol, platform::kHotkeyControl},
                                   {kOptionSymbol, platform::kHotkeyOption},
                                   {kShiftSymbol, platform::kHotkeyShift},
                                   {kCommandSymbol, platform::kHotkeyCommand}};

bool IsModifier(char16_t c) {
  for (const Modifier& modifier : kModifiers) {
    if (modifier.symbol == c) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::u16string text = fuzz::TextInput(fuzz::Bytes(data, size));
  const ParsedShortcut parsed = ParseShortcut(text);

  // Each modifier's bit is set exactly when its symbol stands somewhere in the text.
  uint32_t expectedMask = 0;
  for (const Modifier& modifier : kModifiers) {
    if (text.find(modifier.symbol) != std::u16string::npos) expectedMask |= modifier.mask;
  }
  FUZZ_CHECK(parsed.modifiers == expectedMask);

  // The key name is what follows the last Escape or Return symbol (which stands for its table
  // name), without the modifier symbols.
  std::u16string expectedKey;
  std::size_t from = 0;
  if (const auto last = text.find_last_of(std::u16string{kEscapeSymbol, kReturnSymbol});
      last != std::u16string::npos) {
    expectedKey = text[last] == kEscapeSymbol ? u"Esc" : u"Return";
    from = last + 1;
  }
  for (std::size_t i = from; i < text.size(); ++i) {
    if (!IsModifier(text[i])) expectedKey += text[i];
  }
  FUZZ_CHECK(parsed.keyName == expectedKey);
  return 0;
}
