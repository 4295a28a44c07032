// The capture field turns any key press the desktop delivers (modifier flags, key code,
// character) into a shortcut value and shows it as text; that text is what gets stored, parsed
// into a hot key and written into the status menu. Every value it makes must survive that road.
#include "fuzz_support.h"
#include "hotkeys/capture_field.h"
#include "hotkeys/key_code_table.h"
#include "hotkeys/menu_item_text.h"
#include "hotkeys/shortcut_text.h"
#include "platform/hotkey_service.h"
#include "platform/status_bar.h"

using namespace pigmora;

namespace {

constexpr uint32_t kModifierBits = 0xF0000;
constexpr uint32_t kKeyBits = 0xFFFF;
constexpr uint16_t kDeleteCode = 51;
constexpr uint16_t kFunctionKeyCodes[] = {122, 120, 99, 118, 96, 97, 98, 100, 101, 109, 103, 111};
constexpr uint16_t kDigitRowCodes[] = {18, 19, 20, 21, 23, 22, 26, 28, 25, 29};
constexpr uint16_t kTabCode = 48;

uint32_t Read(const uint8_t* data, std::size_t size, std::size_t at, std::size_t bytes) {
  uint32_t value = 0;
  for (std::size_t k = 0; k < bytes && at + k < size; ++k) value |= uint32_t(data[at + k]) << 8 * k;
  return value;
}

bool Contains(const uint16_t* codes, std::size_t count, uint16_t code) {
  for (std::size_t i = 0; i < count; ++i) {
    if (codes[i] == code) return true;
  }
  return false;
}

// The Carbon mask ParseShortcut should find for the value's modifier bits.
uint32_t HotkeyMask(uint32_t value) {
  uint32_t mask = 0;
  if (value & kShortcutControl) mask |= platform::kHotkeyControl;
  if (value & kShortcutOption) mask |= platform::kHotkeyOption;
  if (value & kShortcutShift) mask |= platform::kHotkeyShift;
  if (value & kShortcutCommand) mask |= platform::kHotkeyCommand;
  return mask;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static const KeyCodeTable table = BuildKeyCodeTable();
  const uint32_t flags = Read(data, size, 0, 4);
  const auto keyCode = static_cast<uint16_t>(Read(data, size, 4, 2));
  const auto character = static_cast<char16_t>(Read(data, size, 6, 2));

  const uint32_t value = MapToShortcut(flags, keyCode, character);
  const uint32_t key = value & kKeyBits;
  FUZZ_CHECK((value & ~(kModifierBits | kKeyBits)) == 0);
  // No key means no shortcut at all: modifiers alone are never kept.
  FUZZ_CHECK(key != 0 || value == 0);
  if (keyCode == kDeleteCode) FUZZ_CHECK(value == 0);
  if (value != 0) FUZZ_CHECK((value & kModifierBits) == ((flags >> 1) & kModifierBits));
  // Key values are ASCII other than the upper-case letters, or a function key.
  const bool functionKey = key >= 0x100 && Contains(kFunctionKeyCodes, 12, key - 0x100);
  FUZZ_CHECK(functionKey || (key <= 126 && !(key >= 'A' && key <= 'Z')));

  const std::u16string text = ShortcutDisplayText(value);
  // Parsing the stored text gives back the modifiers the value holds.
  const ParsedShortcut parsed = ParseShortcut(text);
  FUZZ_CHECK(parsed.modifiers == HotkeyMask(value));
  // Keys told apart by key code come back as the same key code through the key table, so the
  // hot key registered is the key that was pressed.
  if (value != 0 && (functionKey || keyCode == kTabCode || Contains(kDigitRowCodes, 10, keyCode))) {
    const std::optional<uint32_t> code = table.LookupKeyCode(parsed.keyName);
    FUZZ_CHECK(code.has_value() && *code == keyCode);
  }
  // Letters and printable characters are named by themselves, upper case for letters.
  if (key >= 33 && key <= 126) {
    const char16_t shown = key >= 'a' && key <= 'z' ? key - 'a' + 'A' : key;
    FUZZ_CHECK(parsed.keyName == std::u16string(1, shown));
  }
  // The status menu shows the same modifiers as the value, in its own flags.
  const platform::MenuEntry entry =
      ReadMenuItemText(u"Show the Color Picker\t" + MenuShortcutText(text));
  FUZZ_CHECK(entry.modifierMask == (value & kModifierBits) << 1);
  FUZZ_CHECK(entry.title == u"Show the Color Picker");
  if (functionKey) {
    for (int i = 0; i < 12; ++i) {
      if (kFunctionKeyCodes[i] == keyCode)
        FUZZ_CHECK(entry.keyEquivalent == std::u16string(1, char16_t(0xF704 + i)));
    }
  }
  return 0;
}
