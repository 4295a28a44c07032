#include "hotkeys/capture_field.h"

#include "app/program.h"
#include "hotkeys/shortcut_text.h"

namespace pigmora {

namespace {

// Key values that are not printable characters.
constexpr uint32_t kKeyHome = 1;
constexpr uint32_t kKeyEnd = 4;
constexpr uint32_t kKeyInsert = 5;
constexpr uint32_t kKeyBackspace = 8;
constexpr uint32_t kKeyTab = 9;
constexpr uint32_t kKeyPageUp = 11;
constexpr uint32_t kKeyPageDown = 12;
constexpr uint32_t kKeyReturn = 13;
constexpr uint32_t kKeyEscape = 27;
constexpr uint32_t kKeyLeft = 28;
constexpr uint32_t kKeyRight = 29;
constexpr uint32_t kKeyUp = 30;
constexpr uint32_t kKeyDown = 31;
constexpr uint32_t kKeySpace = 32;
constexpr uint32_t kKeyForwardDelete = 127;
// A function key's value is this plus its key code.
constexpr uint32_t kFunctionKeyBase = 0x100;

constexpr uint32_t kModifierBits = 0xF0000;
constexpr uint32_t kKeyValueBits = 0xFFFF;

// macOS virtual key codes.
constexpr uint16_t kBackspaceCode = 51;
constexpr uint16_t kTabCode = 48;

struct FunctionKey {
  uint16_t keyCode;
  const char16_t* name;
};
constexpr FunctionKey kFunctionKeys[] = {{122, u"F1"}, {120, u"F2"},  {99, u"F3"},   {118, u"F4"},
                                         {96, u"F5"},  {97, u"F6"},   {98, u"F7"},   {100, u"F8"},
                                         {101, u"F9"}, {109, u"F10"}, {103, u"F11"}, {111, u"F12"}};

// Keys told apart by key code rather than character: the digit row (so that Shift never turns a
// digit into its symbol), Tab, and the navigation keys, whose characters are private-use codes.
struct CodedKey {
  uint16_t keyCode;
  uint32_t value;
};
constexpr CodedKey kCodedKeys[] = {
    {18, u'1'},          {19, u'2'},       {20, u'3'},      {21, u'4'},        {23, u'5'},
    {22, u'6'},          {26, u'7'},       {28, u'8'},      {25, u'9'},        {29, u'0'},
    {kTabCode, kKeyTab}, {115, kKeyHome},  {119, kKeyEnd},  {116, kKeyPageUp}, {121, kKeyPageDown},
    {123, kKeyLeft},     {124, kKeyRight}, {125, kKeyDown}, {126, kKeyUp}};

std::u16string KeyDisplay(uint32_t key) {
  if (key >= u'a' && key <= u'z')
    return std::u16string(1, static_cast<char16_t>(key - u'a' + u'A'));
  if (key >= 33 && key <= 126) return std::u16string(1, static_cast<char16_t>(key));
  switch (key) {
    case kKeyBackspace:
      return u"\u232B";
    case kKeyTab:
      return u"Tab";
    case kKeyReturn:
      return std::u16string(1, kReturnSymbol);
    case kKeyEscape:
      return std::u16string(1, kEscapeSymbol);
    case kKeySpace:
      return u"Space";
    case kKeyPageUp:
      return u"\u21DE";
    case kKeyPageDown:
      return u"\u21DF";
    case kKeyHome:
      return u"\u2196";
    case kKeyEnd:
      return u"\u2198";
    case kKeyLeft:
      return u"\u2190";
    case kKeyUp:
      return u"\u2191";
    case kKeyRight:
      return u"\u2192";
    case kKeyDown:
      return u"\u2193";
    case kKeyInsert:
      return u"Insert";
    case kKeyForwardDelete:
      return u"\u2326";
    default:
      break;
  }
  for (const auto& [keyCode, name] : kFunctionKeys) {
    if (key == kFunctionKeyBase + keyCode) return name;
  }
  return u"";
}

}  // namespace

uint32_t MapToShortcut(uint32_t modifierFlags, uint16_t keyCode, char16_t character) {
  // Shift, Control, Option and Command move down one bit into the value's modifier bits; Caps
  // Lock and the rest fall outside the mask.
  const uint32_t modifiers = (modifierFlags >> 1) & kModifierBits;
  // Delete clears the field, whatever modifiers are held.
  if (keyCode == kBackspaceCode) return 0;
  for (const auto& coded : kCodedKeys) {
    if (coded.keyCode == keyCode) return modifiers | coded.value;
  }
  for (const auto& function : kFunctionKeys) {
    if (function.keyCode == keyCode) return modifiers | (kFunctionKeyBase + keyCode);
  }
  if (character >= u'A' && character <= u'Z') return modifiers | (character - u'A' + u'a');
  // A key that gives no character, or one beyond ASCII, cannot be shown; it clears the field.
  if (character == 0 || character > 126) return 0;
  return modifiers | character;
}

std::u16string ShortcutDisplayText(uint32_t shortcut) {
  std::u16string text;
  if (shortcut & kShortcutControl) text += kControlSymbol;
  if (shortcut & kShortcutOption) text += kOptionSymbol;
  if (shortcut & kShortcutShift) text += kShiftSymbol;
  if (shortcut & kShortcutCommand) text += kCommandSymbol;
  text += KeyDisplay(shortcut & kKeyValueBits);
  return text;
}

ShortcutCaptureField::ShortcutCaptureField(Program& program, int64_t controlId)
    : program_(program), controlId_(controlId) {
  filterId_ = program_.queue.AddEventFilter(
      [this](const platform::KeyDown& keyDown) { return HandleKeyDown(keyDown); });
}

ShortcutCaptureField::~ShortcutCaptureField() {
  program_.queue.RemoveEventFilter(filterId_);
}

void ShortcutCaptureField::SetValue(uint32_t shortcut) {
  currentShortcut_ = shortcut;
  program_.platform.preferences.SetFieldText(controlId_, ShortcutDisplayText(currentShortcut_));
}

bool ShortcutCaptureField::HandleKeyDown(const platform::KeyDown& keyDown) {
  // Key presses in any other control (or with no control focused) go on as usual.
  if (keyDown.focusedControlId != controlId_) return false;
  // Taken away from the application: Command-Q, Tab and the like become the shortcut instead of
  // acting.
  SetValue(MapToShortcut(keyDown.modifierFlags, keyDown.keyCode, keyDown.character));
  program_.queue.Post({.kind = ControlEvent,
                       .objectId = controlId_,
                       .windowId = PreferencesWindowId,
                       .changeType = ChangeType,
                       .data = 0},
                      PostMode::Collapsible);
  return true;
}

}  // namespace pigmora
