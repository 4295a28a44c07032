#include "hotkeys/key_code_table.h"

#include <utility>

namespace pigmora {

namespace {

struct KeyName {
  const char16_t* name;
  uint32_t code;
};

// macOS virtual key codes (ANSI layout). A key with two characters is listed under both, so that
// a stored shortcut written with the shifted character still finds its key.
constexpr KeyName kKeyNames[] = {
    // Letters, upper case only.
    {u"A", 0},
    {u"S", 1},
    {u"D", 2},
    {u"F", 3},
    {u"H", 4},
    {u"G", 5},
    {u"Z", 6},
    {u"X", 7},
    {u"C", 8},
    {u"V", 9},
    {u"B", 11},
    {u"Q", 12},
    {u"W", 13},
    {u"E", 14},
    {u"R", 15},
    {u"Y", 16},
    {u"T", 17},
    {u"O", 31},
    {u"U", 32},
    {u"I", 34},
    {u"P", 35},
    {u"L", 37},
    {u"J", 38},
    {u"K", 40},
    {u"N", 45},
    {u"M", 46},
    // Digit row and punctuation: unshifted, then shifted.
    {u"1", 18},
    {u"!", 18},
    {u"2", 19},
    {u"@", 19},
    {u"3", 20},
    {u"#", 20},
    {u"4", 21},
    {u"$", 21},
    {u"6", 22},
    {u"^", 22},
    {u"5", 23},
    {u"%", 23},
    {u"=", 24},
    {u"+", 24},
    {u"9", 25},
    {u"(", 25},
    {u"7", 26},
    {u"&", 26},
    {u"-", 27},
    {u"_", 27},
    {u"8", 28},
    {u"*", 28},
    {u"0", 29},
    {u")", 29},
    {u"]", 30},
    {u"}", 30},
    {u"[", 33},
    {u"{", 33},
    {u"'", 39},
    {u"\"", 39},
    {u";", 41},
    {u":", 41},
    {u"\\", 42},
    {u"|", 42},
    {u",", 43},
    {u"<", 43},
    {u"/", 44},
    {u"?", 44},
    {u".", 47},
    {u">", 47},
    {u"`", 50},
    {u"~", 50},
    // Named keys; the ISO key left of 1 has two names as well.
    {u"Return", 36},
    {u"Tab", 48},
    {u"Space", 49},
    {u"Del", 51},
    {u"Esc", 53},
    {u"CAPS", 57},
    {u"Clear", 71},
    {u"Home", 115},
    {u"PgUp", 116},
    {u"End", 119},
    {u"PgDown", 121},
    {u"\u00A7", 10},
    {u"\u00B1", 10},
    // Function keys.
    {u"F1", 122},
    {u"F2", 120},
    {u"F3", 99},
    {u"F4", 118},
    {u"F5", 96},
    {u"F6", 97},
    {u"F7", 98},
    {u"F8", 100},
    {u"F9", 101},
    {u"F10", 109},
    {u"F11", 103},
    {u"F12", 111},
    {u"F13", 105},
    {u"F14", 107},
    {u"F15", 113},
    {u"F16", 106},
    {u"F17", 64},
    {u"F18", 79},
    {u"F19", 80},
    {u"F20", 90},
};

}  // namespace

std::optional<uint32_t> KeyCodeTable::LookupKeyCode(std::u16string_view keyName) const {
  auto it = codes_.find(std::u16string(keyName));
  if (it == codes_.end()) return std::nullopt;
  return it->second;
}

KeyCodeTable BuildKeyCodeTable() {
  KeyCodeTable table;
  table.codes_.reserve(std::size(kKeyNames));
  for (const auto& [name, code] : kKeyNames) table.codes_.emplace(name, code);
  return table;
}

}  // namespace pigmora
