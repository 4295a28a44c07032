#pragma once
// The registered global hot keys and the events their presses post.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/hotkey_service.h"

namespace pigmora {

struct Program;

inline constexpr uint32_t HotkeySignatureBase = 0x68303030;  // 'h000'

struct HotkeyRecord {
  std::u16string shortcut;
  int64_t kind = 0;
  int64_t windowId = 0;
  int64_t objectId = 0;
  int64_t changeType = 0;
  int64_t data = 0;
  uint32_t signature = 0;
  uint32_t id = 0;
  platform::HotkeyRef ref = 0;
  // The combination the record holds, so that a second text naming the same keys ("⇧⌘{" and
  // "⇧⌘[") is recognised as the same hot key.
  uint32_t keyCode = 0;
  uint32_t modifiers = 0;
};

struct HotkeyRegistry {
  std::vector<HotkeyRecord> records;
  uint32_t nextHotkeyId = 1;
  bool hotkeyHandlerInstalled = false;
};

// false when the handler could not be installed (the caller shows the fatal alert).
bool InstallHotkeyHandler(Program& program);
bool RegisterHotkey(Program& program, const std::u16string& shortcut, int64_t kind);
void UnregisterHotkeys(Program& program, const std::u16string& shortcut, int64_t kind);
int OnHotkeyPressed(Program& program, std::optional<platform::HotkeyId> pressed);
// The stored shortcuts, picker, forward, back, each when not empty.
void RegisterStoredHotkeys(Program& program);
void SwapHotkey(Program& program, int64_t controlId);
// Why the shortcut does not work as the action's hot key, for its capture field to show; nothing
// when it is registered for that action or empty.
std::optional<std::u16string> HotkeyProblem(const Program& program, const std::u16string& shortcut,
                                            int64_t kind);
void ApplyShortcutFields(Program& program);
// Every capture field of the open preferences window shows afresh whether its text works as its
// action's hot key.
void ShowHotkeyProblems(Program& program);

}  // namespace pigmora
