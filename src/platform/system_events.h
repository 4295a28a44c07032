#pragma once
// The application object and its system event queue.
#include <cstdint>
#include <functional>

namespace pigmora::platform {

// AppKit-style modifier flags carried by a KeyDown.
inline constexpr uint32_t kShiftFlag = 1u << 17;
inline constexpr uint32_t kControlFlag = 1u << 18;
inline constexpr uint32_t kOptionFlag = 1u << 19;
inline constexpr uint32_t kCommandFlag = 1u << 20;

// One key press as the shortcut capture fields read it: the modifier flags above, the macOS
// virtual key code, the character the key gives with Shift alone applied (0 when none), and the
// id of the preferences control that has the keyboard focus (-1 when none).
struct KeyDown {
  uint32_t modifierFlags = 0;
  uint16_t keyCode = 0;
  char16_t character = 0;
  int64_t focusedControlId = -1;
};

// How firmly the system asks the program to end.
enum class TerminateRequest {
  // The program may answer by staying (a log-out that waits for the applications' consent).
  MayRefuse,
  // The program has to end (a signal from kill, Ctrl+C, the service manager or the session's end).
  MustEnd,
};

class SystemEvents {
 public:
  virtual ~SystemEvents() = default;
  // Blocks without a time-out until at least one system event was handled or Wake() was called.
  virtual void WaitAndHandleSystemEvents() = 0;
  // Makes a blocked wait return at once. Cannot fail.
  virtual void Wake() = 0;
  // Every key-down is offered to the filter before it is dispatched; true keeps it from the
  // application.
  virtual void SetKeyDownFilter(std::function<bool(const KeyDown&)> filter) = 0;
  // Called on the main thread for every terminate request of the system, with how firmly it asks.
  virtual void SetTerminateHandler(std::function<void(TerminateRequest)> handler) = 0;
  // Brings the program to the front; when the desktop refuses, nothing visible happens.
  virtual void ActivateApplication() = 0;
};

}  // namespace pigmora::platform
