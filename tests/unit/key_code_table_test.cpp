#include "hotkeys/key_code_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/unicode_text.h"

namespace pigmora {
namespace {

struct KeyRow {
  std::u16string name;
  uint32_t code;
};

// Every name the hot keys know, with its macOS virtual key code.
const KeyRow kAllKeys[] = {
    {u"A", 0},       {u"S", 1},      {u"D", 2},     {u"F", 3},        {u"H", 4},
    {u"G", 5},       {u"Z", 6},      {u"X", 7},     {u"C", 8},        {u"V", 9},
    {u"B", 11},      {u"Q", 12},     {u"W", 13},    {u"E", 14},       {u"R", 15},
    {u"Y", 16},      {u"T", 17},     {u"O", 31},    {u"U", 32},       {u"I", 34},
    {u"P", 35},      {u"L", 37},     {u"J", 38},    {u"K", 40},       {u"N", 45},
    {u"M", 46},      {u"1", 18},     {u"!", 18},    {u"2", 19},       {u"@", 19},
    {u"3", 20},      {u"#", 20},     {u"4", 21},    {u"$", 21},       {u"6", 22},
    {u"^", 22},      {u"5", 23},     {u"%", 23},    {u"=", 24},       {u"+", 24},
    {u"9", 25},      {u"(", 25},     {u"7", 26},    {u"&", 26},       {u"-", 27},
    {u"_", 27},      {u"8", 28},     {u"*", 28},    {u"0", 29},       {u")", 29},
    {u"]", 30},      {u"}", 30},     {u"[", 33},    {u"{", 33},       {u"'", 39},
    {u"\"", 39},     {u";", 41},     {u":", 41},    {u"\\", 42},      {u"|", 42},
    {u",", 43},      {u"<", 43},     {u"/", 44},    {u"?", 44},       {u".", 47},
    {u">", 47},      {u"`", 50},     {u"~", 50},    {u"Return", 36},  {u"Tab", 48},
    {u"Space", 49},  {u"Del", 51},   {u"Esc", 53},  {u"CAPS", 57},    {u"Clear", 71},
    {u"Home", 115},  {u"PgUp", 116}, {u"End", 119}, {u"PgDown", 121}, {u"\u00A7", 10},
    {u"\u00B1", 10}, {u"F1", 122},   {u"F2", 120},  {u"F3", 99},      {u"F4", 118},
    {u"F5", 96},     {u"F6", 97},    {u"F7", 98},   {u"F8", 100},     {u"F9", 101},
    {u"F10", 109},   {u"F11", 103},  {u"F12", 111}, {u"F13", 105},    {u"F14", 107},
    {u"F15", 113},   {u"F16", 106},  {u"F17", 64},  {u"F18", 79},     {u"F19", 80},
    {u"F20", 90},
};

TEST(KeyCodeTableTest, EveryNameGivesItsKeyCode) {
  const KeyCodeTable table = BuildKeyCodeTable();
  for (const auto& row : kAllKeys) {
    EXPECT_EQ(table.LookupKeyCode(row.name), row.code) << ToUtf8(row.name);
  }
}

TEST(KeyCodeTableTest, HoldsExactlyTheHundredAndOneNamesOnSeventyNineKeys) {
  const KeyCodeTable table = BuildKeyCodeTable();
  EXPECT_EQ(table.size(), std::size(kAllKeys));
  EXPECT_EQ(table.size(), 101u);
  std::set<uint32_t> codes;
  std::set<std::u16string> names;
  for (const auto& row : kAllKeys) {
    codes.insert(*table.LookupKeyCode(row.name));
    names.insert(row.name);
  }
  EXPECT_EQ(names.size(), 101u);
  EXPECT_EQ(codes.size(), 79u);
}

TEST(KeyCodeTableTest, BothNamesOfATwoNameKeyGiveTheSameCode) {
  const KeyCodeTable table = BuildKeyCodeTable();
  const std::pair<std::u16string, std::u16string> pairs[] = {
      {u"0", u")"},  {u"[", u"{"}, {u"1", u"!"}, {u"=", u"+"},           {u"'", u"\""},
      {u"\\", u"|"}, {u"`", u"~"}, {u"/", u"?"}, {u"\u00A7", u"\u00B1"}, {u"-", u"_"}};
  for (const auto& [unshifted, shifted] : pairs) {
    ASSERT_TRUE(table.LookupKeyCode(unshifted).has_value()) << ToUtf8(unshifted);
    EXPECT_EQ(table.LookupKeyCode(unshifted), table.LookupKeyCode(shifted)) << ToUtf8(shifted);
  }
  EXPECT_EQ(table.LookupKeyCode(u")"), 29u);
  EXPECT_EQ(table.LookupKeyCode(u"{"), 33u);
}

TEST(KeyCodeTableTest, LookupIsExactAndCaseSensitive) {
  const KeyCodeTable table = BuildKeyCodeTable();
  const std::u16string unknown[] = {
      u"",   u"a",   u"z",   u"esc",  u"ESC", u"return", u"RETURN", u"tab",    u"space", u"f1",
      u"F0", u"F21", u"F01", u"Caps", u"A ",  u" A",     u"AB",     u"Space ", u"PgDn"};
  for (const auto& name : unknown) {
    EXPECT_FALSE(table.LookupKeyCode(name).has_value()) << ToUtf8(name);
  }
}

TEST(KeyCodeTableTest, KeysTheFieldShowsButHotKeysCannotUseAreMissing) {
  const KeyCodeTable table = BuildKeyCodeTable();
  // These are shown by the capture field, stored, and never become hot keys.
  const std::u16string fieldOnly[] = {u"\u232B", u"\u2326", u"\u21DE", u"\u21DF", u"\u2196",
                                      u"\u2198", u"\u2190", u"\u2191", u"\u2192", u"\u2193",
                                      u"Insert", u"\u238B", u"\u21A9"};
  for (const auto& name : fieldOnly) {
    EXPECT_FALSE(table.LookupKeyCode(name).has_value()) << ToUtf8(name);
  }
}

TEST(KeyCodeTableTest, LookupTakesAViewOfALongerText) {
  const KeyCodeTable table = BuildKeyCodeTable();
  const std::u16string text = u"F10F1";
  EXPECT_EQ(table.LookupKeyCode(std::u16string_view(text).substr(0, 3)), 109u);
  EXPECT_EQ(table.LookupKeyCode(std::u16string_view(text).substr(3)), 122u);
  EXPECT_EQ(table.LookupKeyCode(std::u16string_view(text).substr(0, 2)), 122u);
}

}  // namespace
}  // namespace pigmora
