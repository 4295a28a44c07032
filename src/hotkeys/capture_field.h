#pragma once
// The shortcut capture field: a key press becomes a shortcut value and its text.
#include <cstdint>
#include <string>

#include "app/event_queue.h"

namespace pigmora {

struct Program;

// CurrentShortcut's modifier bits.
inline constexpr uint32_t kShortcutShift = 0x10000;
inline constexpr uint32_t kShortcutControl = 0x20000;
inline constexpr uint32_t kShortcutOption = 0x40000;
inline constexpr uint32_t kShortcutCommand = 0x80000;

uint32_t MapToShortcut(uint32_t modifierFlags, uint16_t keyCode, char16_t character);
// The ShortcutText that UpdateContent shows for a value.
std::u16string ShortcutDisplayText(uint32_t shortcut);

// One field of the preferences window. It takes the key-downs meant for it through an event
// filter that lives as long as the field.
class ShortcutCaptureField {
 public:
  ShortcutCaptureField(Program& program, int64_t controlId);
  ~ShortcutCaptureField();
  ShortcutCaptureField(const ShortcutCaptureField&) = delete;
  ShortcutCaptureField& operator=(const ShortcutCaptureField&) = delete;

  int64_t controlId() const { return controlId_; }
  uint32_t CurrentShortcut() const { return currentShortcut_; }
  // Sets the value and shows its text (UpdateContent).
  void SetValue(uint32_t shortcut);
  // HandleGlobalEvent: true when the key-down was this field's and it took it.
  bool HandleKeyDown(const platform::KeyDown& keyDown);

 private:
  Program& program_;
  int64_t controlId_;
  uint32_t currentShortcut_ = 0;
  EventFilterId filterId_;
};

}  // namespace pigmora
