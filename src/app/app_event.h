#pragma once
// The vocabulary of the event queue: event kinds, menu item ids, window numbers, control ids.
#include <cstdint>

namespace pigmora {

struct AppEvent {
  int32_t kind = 0;
  int64_t objectId = 0;
  int64_t windowId = 0;
  int64_t changeType = 0;
  int64_t data = 0;
  bool operator==(const AppEvent&) const = default;
};

// Event kinds.
inline constexpr int32_t MenuEvent = 1;
inline constexpr int32_t CloseWindowEvent = 2;
inline constexpr int32_t ControlEvent = 3;
inline constexpr int32_t HotkeyShowPicker = 0x10001;
inline constexpr int32_t HotkeyCycleForward = 0x10002;
inline constexpr int32_t HotkeyCycleBack = 0x10003;

// What a hot-key event carries in objectId, windowId and changeType.
inline constexpr int64_t NoTarget = -65535;

// ControlEvent change type: the control's content or selection changed.
inline constexpr int64_t ChangeType = 768;

// Menu item ids.
inline constexpr int64_t MenuShowPicker = 1;
inline constexpr int64_t MenuCycleForward = 2;
inline constexpr int64_t MenuCycleBack = 3;
inline constexpr int64_t MenuPreferences = 4;
inline constexpr int64_t MenuAbout = 5;
inline constexpr int64_t MenuQuit = 6;
inline constexpr int64_t AppMenuQuit = -4;

// Window numbers.
inline constexpr int64_t HostWindow = 0;
inline constexpr int64_t PreferencesWindowId = 1;

// Control ids of the preferences window.
inline constexpr int64_t PickerKeyField = 1;
inline constexpr int64_t ForwardKeyField = 2;
inline constexpr int64_t BackKeyField = 3;
inline constexpr int64_t FormatCombo = 4;
inline constexpr int64_t IconCombo = 5;
inline constexpr int64_t ShowTitleCheckBox = 6;
inline constexpr int64_t StartAtLoginCheckBox = 7;
inline constexpr int64_t DesktopShortcutsButton = 8;

}  // namespace pigmora
