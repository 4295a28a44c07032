#include "platform/x11/x_key_translation.h"

#include <array>
#include <optional>

namespace pigmora::qt {
namespace {

// The keysyms this file names (X11/keysymdef.h); written out so that the rules need no X
// headers.
constexpr uint32_t kBackSpace = 0xff08;
constexpr uint32_t kTab = 0xff09;
constexpr uint32_t kLinefeed = 0xff0a;
constexpr uint32_t kReturn = 0xff0d;
constexpr uint32_t kEscape = 0xff1b;
constexpr uint32_t kDelete = 0xffff;
constexpr uint32_t kHome = 0xff50;
constexpr uint32_t kLeft = 0xff51;
constexpr uint32_t kUp = 0xff52;
constexpr uint32_t kRight = 0xff53;
constexpr uint32_t kDown = 0xff54;
constexpr uint32_t kPrior = 0xff55;
constexpr uint32_t kNext = 0xff56;
constexpr uint32_t kEnd = 0xff57;
constexpr uint32_t kInsert = 0xff63;
constexpr uint32_t kHelp = 0xff6a;
constexpr uint32_t kModeSwitch = 0xff7e;
constexpr uint32_t kNumLock = 0xff7f;
constexpr uint32_t kKpSpace = 0xff80;
constexpr uint32_t kKpTab = 0xff89;
constexpr uint32_t kKpEnter = 0xff8d;
constexpr uint32_t kKpHome = 0xff95;
constexpr uint32_t kKpLeft = 0xff96;
constexpr uint32_t kKpUp = 0xff97;
constexpr uint32_t kKpRight = 0xff98;
constexpr uint32_t kKpDown = 0xff99;
constexpr uint32_t kKpPrior = 0xff9a;
constexpr uint32_t kKpNext = 0xff9b;
constexpr uint32_t kKpEnd = 0xff9c;
constexpr uint32_t kKpInsert = 0xff9e;
constexpr uint32_t kKpDelete = 0xff9f;
constexpr uint32_t kKpMultiply = 0xffaa;
constexpr uint32_t kKpAdd = 0xffab;
constexpr uint32_t kKpSubtract = 0xffad;
constexpr uint32_t kKpDecimal = 0xffae;
constexpr uint32_t kKpDivide = 0xffaf;
constexpr uint32_t kKp0 = 0xffb0;
constexpr uint32_t kKp9 = 0xffb9;
constexpr uint32_t kKpEqual = 0xffbd;
constexpr uint32_t kF1 = 0xffbe;
constexpr uint32_t kF35 = 0xffe0;
constexpr uint32_t kShiftL = 0xffe1;
constexpr uint32_t kHyperR = 0xffee;
constexpr uint32_t kIsoLock = 0xfe01;
constexpr uint32_t kIsoLevel5Lock = 0xfe13;
constexpr uint32_t kIsoLeftTab = 0xfe20;
constexpr uint32_t kUnicodeBase = 0x01000000;

// AppKit's function-key characters.
constexpr char16_t kUpArrowCharacter = 0xF700;
constexpr char16_t kDownArrowCharacter = 0xF701;
constexpr char16_t kLeftArrowCharacter = 0xF702;
constexpr char16_t kRightArrowCharacter = 0xF703;
constexpr char16_t kF1Character = 0xF704;
constexpr char16_t kInsertCharacter = 0xF727;
constexpr char16_t kDeleteCharacter = 0xF728;
constexpr char16_t kHomeCharacter = 0xF729;
constexpr char16_t kEndCharacter = 0xF72B;
constexpr char16_t kPageUpCharacter = 0xF72C;
constexpr char16_t kPageDownCharacter = 0xF72D;
constexpr char16_t kHelpCharacter = 0xF746;
constexpr char16_t kEnterCharacter = 3;

// macOS virtual key codes of F1 to F20.
constexpr std::array<uint16_t, 20> kFunctionKeyCodes{
    122, 120, 99, 118, 96, 97, 98, 100, 101, 109, 103, 111, 105, 107, 113, 106, 64, 79, 80, 90};
// Of the digit row "0" to "9".
constexpr std::array<uint16_t, 10> kDigitRowCodes{29, 18, 19, 20, 21, 23, 22, 26, 28, 25};
// Of the keypad's "0" to "9".
constexpr std::array<uint16_t, 10> kKeypadDigitCodes{82, 83, 84, 85, 86, 87, 88, 89, 91, 92};
// Of the letters "a" to "z".
constexpr std::array<uint16_t, 26> kLetterCodes{0,  11, 8,  2,  14, 3, 5,  4,  34, 38, 40, 37, 46,
                                                45, 31, 35, 12, 15, 1, 17, 32, 9,  13, 7,  16, 6};

struct CharacterCode {
  char character;
  uint16_t code;
};
// The punctuation keys of a US keyboard by their unshifted character...
constexpr std::array<CharacterCode, 12> kUnshiftedPunctuation{{{'=', 24},
                                                               {'-', 27},
                                                               {']', 30},
                                                               {'[', 33},
                                                               {'\'', 39},
                                                               {';', 41},
                                                               {'\\', 42},
                                                               {',', 43},
                                                               {'/', 44},
                                                               {'.', 47},
                                                               {'`', 50},
                                                               {' ', 49}}};
// ...and by their shifted one, for when only the keysym with Shift applied is known.
constexpr std::array<CharacterCode, 21> kShiftedPunctuation{
    {{'!', 18}, {'@', 19}, {'#', 20}, {'$', 21}, {'%', 23}, {'^', 22}, {'&', 26},
     {'*', 28}, {'(', 25}, {')', 29}, {'+', 24}, {'_', 27}, {'}', 30}, {'{', 33},
     {'"', 39}, {':', 41}, {'|', 42}, {'<', 43}, {'>', 47}, {'?', 44}, {'~', 50}}};

bool IsKeypadDigit(uint32_t keysym) {
  return keysym >= kKp0 && keysym <= kKp9;
}
bool IsDigit(uint32_t keysym) {
  return keysym >= '0' && keysym <= '9';
}

// Latin-1 letters that have both cases; the core protocol pairs these when a key lists one
// level only.
std::optional<std::pair<uint32_t, uint32_t>> LatinCasePair(uint32_t keysym) {
  if (keysym >= 'a' && keysym <= 'z') return std::pair{keysym, keysym - 0x20};
  if (keysym >= 'A' && keysym <= 'Z') return std::pair{keysym + 0x20, keysym};
  if (keysym >= 0xe0 && keysym <= 0xfe && keysym != 0xf7) return std::pair{keysym, keysym - 0x20};
  if (keysym >= 0xc0 && keysym <= 0xde && keysym != 0xd7) return std::pair{keysym + 0x20, keysym};
  return std::nullopt;
}

std::optional<uint16_t> NamedKeyCode(uint32_t keysym) {
  switch (keysym) {
    case kReturn:
      return 36;
    case kTab:
    case kIsoLeftTab:
    case kKpTab:
      return 48;
    case kBackSpace:
      return 51;
    case kEscape:
      return 53;
    case kDelete:
      return 117;
    case kInsert:
    case kHelp:
      return 114;
    case kHome:
      return 115;
    case kEnd:
      return 119;
    case kPrior:
      return 116;
    case kNext:
      return 121;
    case kLeft:
      return 123;
    case kRight:
      return 124;
    case kDown:
      return 125;
    case kUp:
      return 126;
    case kKpSpace:
      return 49;
    case kKpEnter:
      return 76;
    case kKpDecimal:
    case kKpDelete:
      return 65;
    case kKpMultiply:
      return 67;
    case kKpAdd:
      return 69;
    case kKpDivide:
      return 75;
    case kKpSubtract:
      return 78;
    case kKpEqual:
      return 81;
    default:
      break;
  }
  if (keysym >= kF1 && keysym < kF1 + kFunctionKeyCodes.size()) {
    return kFunctionKeyCodes[keysym - kF1];
  }
  if (IsKeypadDigit(keysym)) return kKeypadDigitCodes[keysym - kKp0];
  return std::nullopt;
}

// The key code of a keysym that the key gives without modifier.
std::optional<uint16_t> UnshiftedKeyCode(uint32_t keysym) {
  if (keysym >= 'a' && keysym <= 'z') return kLetterCodes[keysym - 'a'];
  if (keysym >= 'A' && keysym <= 'Z') return kLetterCodes[keysym - 'A'];
  if (IsDigit(keysym)) return kDigitRowCodes[keysym - '0'];
  for (const CharacterCode& entry : kUnshiftedPunctuation) {
    if (keysym == static_cast<uint32_t>(entry.character)) return entry.code;
  }
  return NamedKeyCode(keysym);
}

std::optional<uint16_t> ShiftedKeyCode(uint32_t keysym) {
  for (const CharacterCode& entry : kShiftedPunctuation) {
    if (keysym == static_cast<uint32_t>(entry.character)) return entry.code;
  }
  return std::nullopt;
}

// The keypad keys give their digit whether Num Lock is on or not (a Mac keypad has no Num
// Lock); with it off the server reports the navigation keysym on the first level.
uint32_t KeypadDigitOf(KeyLevels levels, uint32_t keysym) {
  for (uint32_t candidate : {keysym, levels.plain, levels.shifted}) {
    if (IsKeypadDigit(candidate)) return candidate;
  }
  return 0;
}

}  // namespace

KeyLevels LevelsOfKeyboardRow(std::span<const uint32_t> row, int group) {
  // Trailing NoSymbol entries do not count.
  std::size_t length = row.size();
  while (length > 0 && row[length - 1] == 0) --length;
  std::array<uint32_t, 4> widened{};
  switch (length) {
    case 0:
      return {};
    case 1:
      widened = {row[0], 0, row[0], 0};
      break;
    case 2:
      widened = {row[0], row[1], row[0], row[1]};
      break;
    case 3:
      widened = {row[0], row[1], row[2], 0};
      break;
    default:
      widened = {row[0], row[1], row[2], row[3]};
      break;
  }
  std::size_t first = (group == 1 && (widened[2] != 0 || widened[3] != 0)) ? 2 : 0;
  KeyLevels levels{widened[first], widened[first + 1]};
  if (levels.plain == 0 && levels.shifted != 0) levels.plain = levels.shifted;
  if (levels.shifted == 0) {
    if (auto pair = LatinCasePair(levels.plain)) {
      levels = {pair->first, pair->second};
    } else {
      levels.shifted = levels.plain;
    }
  }
  return levels;
}

char16_t CharacterOfKeysym(uint32_t keysym) {
  if ((keysym >= 0x20 && keysym <= 0x7e) || (keysym >= 0xa0 && keysym <= 0xff)) {
    return static_cast<char16_t>(keysym);
  }
  if (keysym >= kUnicodeBase + 0x100 && keysym <= kUnicodeBase + 0x10ffff) {
    uint32_t codePoint = keysym - kUnicodeBase;
    // The first UTF-16 unit, as AppKit's character strings give it.
    return codePoint > 0xffff ? static_cast<char16_t>(0xd800 + ((codePoint - 0x10000) >> 10))
                              : static_cast<char16_t>(codePoint);
  }
  if (IsKeypadDigit(keysym)) return static_cast<char16_t>('0' + (keysym - kKp0));
  if (keysym >= kF1 && keysym <= kF35) return static_cast<char16_t>(kF1Character + (keysym - kF1));
  switch (keysym) {
    case kBackSpace:
      return 127;
    case kTab:
    case kIsoLeftTab:
    case kKpTab:
      return 9;
    case kLinefeed:
      return 10;
    case kReturn:
      return 13;
    case kKpEnter:
      return kEnterCharacter;
    case kEscape:
      return 27;
    case kKpSpace:
      return ' ';
    case kDelete:
    case kKpDelete:
      return kDeleteCharacter;
    case kInsert:
    case kKpInsert:
      return kInsertCharacter;
    case kHelp:
      return kHelpCharacter;
    case kHome:
    case kKpHome:
      return kHomeCharacter;
    case kEnd:
    case kKpEnd:
      return kEndCharacter;
    case kPrior:
    case kKpPrior:
      return kPageUpCharacter;
    case kNext:
    case kKpNext:
      return kPageDownCharacter;
    case kLeft:
    case kKpLeft:
      return kLeftArrowCharacter;
    case kUp:
    case kKpUp:
      return kUpArrowCharacter;
    case kRight:
    case kKpRight:
      return kRightArrowCharacter;
    case kDown:
    case kKpDown:
      return kDownArrowCharacter;
    case kKpMultiply:
      return '*';
    case kKpAdd:
      return '+';
    case kKpSubtract:
      return '-';
    case kKpDecimal:
      return '.';
    case kKpDivide:
      return '/';
    case kKpEqual:
      return '=';
    default:
      return 0;
  }
}

bool IsModifierKeysym(uint32_t keysym) {
  return (keysym >= kShiftL && keysym <= kHyperR) ||
         (keysym >= kIsoLock && keysym <= kIsoLevel5Lock) || keysym == kModeSwitch ||
         keysym == kNumLock;
}

platform::KeyDown TranslateKey(uint32_t keysym, KeyLevels levels, Qt::KeyboardModifiers modifiers) {
  platform::KeyDown key;
  if (modifiers & Qt::ShiftModifier) key.modifierFlags |= platform::kShiftFlag;
  if (modifiers & Qt::ControlModifier) key.modifierFlags |= platform::kControlFlag;
  if (modifiers & Qt::AltModifier) key.modifierFlags |= platform::kOptionFlag;
  if (modifiers & Qt::MetaModifier) key.modifierFlags |= platform::kCommandFlag;
  const bool shift = (modifiers & Qt::ShiftModifier) != 0;
  const bool mappingKnown = levels.plain != 0;

  if (uint32_t keypadDigit = KeypadDigitOf(levels, keysym)) {
    key.keyCode = kKeypadDigitCodes[keypadDigit - kKp0];
    key.character = CharacterOfKeysym(keypadDigit);
    return key;
  }

  std::optional<uint16_t> code;
  if (mappingKnown) {
    // The digit row gives its digit with or without Shift, whichever level holds it (French
    // and Czech layouts put the digits on the Shift level).
    if (IsDigit(levels.plain)) {
      code = kDigitRowCodes[levels.plain - '0'];
    } else if (IsDigit(levels.shifted)) {
      code = kDigitRowCodes[levels.shifted - '0'];
    } else {
      code = UnshiftedKeyCode(levels.plain);
    }
    if (!code) code = NamedKeyCode(keysym);
  } else {
    code = UnshiftedKeyCode(keysym);
    if (!code) code = ShiftedKeyCode(keysym);
  }
  key.keyCode = code.value_or(kNoMacKeyCode);

  uint32_t characterKeysym = keysym;
  if (mappingKnown) characterKeysym = shift ? levels.shifted : levels.plain;
  key.character = CharacterOfKeysym(characterKeysym);
  // A key whose levels name no character (a dead key, say) may still give one as pressed.
  if (key.character == 0) key.character = CharacterOfKeysym(keysym);
  return key;
}

uint32_t KeysymOfQtKey(int qtKey, Qt::KeyboardModifiers modifiers) {
  const bool keypad = (modifiers & Qt::KeypadModifier) != 0;
  const bool shift = (modifiers & Qt::ShiftModifier) != 0;
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) {
    return shift ? static_cast<uint32_t>(qtKey) : static_cast<uint32_t>(qtKey + 0x20);
  }
  if (keypad && qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
    return kKp0 + static_cast<uint32_t>(qtKey - Qt::Key_0);
  }
  if (qtKey >= Qt::Key_Space && qtKey <= Qt::Key_AsciiTilde) return static_cast<uint32_t>(qtKey);
  if (qtKey >= Qt::Key_nobreakspace && qtKey <= Qt::Key_ydiaeresis) {
    if (auto pair = LatinCasePair(static_cast<uint32_t>(qtKey)); pair && !shift) return pair->first;
    return static_cast<uint32_t>(qtKey);
  }
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F35) {
    return kF1 + static_cast<uint32_t>(qtKey - Qt::Key_F1);
  }
  switch (qtKey) {
    case Qt::Key_Escape:
      return kEscape;
    case Qt::Key_Tab:
      return kTab;
    case Qt::Key_Backtab:
      return kIsoLeftTab;
    case Qt::Key_Backspace:
      return kBackSpace;
    case Qt::Key_Return:
      return kReturn;
    case Qt::Key_Enter:
      return kKpEnter;
    case Qt::Key_Insert:
      return kInsert;
    case Qt::Key_Delete:
      return kDelete;
    case Qt::Key_Home:
      return kHome;
    case Qt::Key_End:
      return kEnd;
    case Qt::Key_Left:
      return kLeft;
    case Qt::Key_Up:
      return kUp;
    case Qt::Key_Right:
      return kRight;
    case Qt::Key_Down:
      return kDown;
    case Qt::Key_PageUp:
      return kPrior;
    case Qt::Key_PageDown:
      return kNext;
    case Qt::Key_Help:
      return kHelp;
    case Qt::Key_Shift:
      return kShiftL;
    case Qt::Key_Control:
      return 0xffe3;
    case Qt::Key_Meta:
      return 0xffe7;
    case Qt::Key_Alt:
      return 0xffe9;
    case Qt::Key_Super_L:
      return 0xffeb;
    case Qt::Key_Super_R:
      return 0xffec;
    case Qt::Key_CapsLock:
      return 0xffe5;
    case Qt::Key_NumLock:
      return kNumLock;
    case Qt::Key_AltGr:
      return 0xfe03;
    default:
      break;
  }
  if (qtKey > 0xff && qtKey < 0x01000000) return kUnicodeBase + static_cast<uint32_t>(qtKey);
  return 0;
}

}  // namespace pigmora::qt
