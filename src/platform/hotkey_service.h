#pragma once
// System-wide hot keys.
#include <cstdint>
#include <functional>
#include <optional>

namespace pigmora::platform {

// Carbon modifier masks, the form in which hot keys are registered.
inline constexpr uint32_t kHotkeyCommand = 0x100;
inline constexpr uint32_t kHotkeyShift = 0x200;
inline constexpr uint32_t kHotkeyOption = 0x800;
inline constexpr uint32_t kHotkeyControl = 0x1000;

struct HotkeyId {
  uint32_t signature = 0;
  uint32_t id = 0;
};

using HotkeyRef = uint64_t;

class HotkeyService {
 public:
  virtual ~HotkeyService() = default;
  // Installs the handler that every press of a registered hot key calls on the main thread, with
  // the pressed key's id (nullopt when the press carries none). Non-zero: hot keys cannot work.
  virtual int InstallHandler(std::function<int(std::optional<HotkeyId>)> onPressed) = 0;
  // Grabs the combination (macOS virtual key code, Carbon modifiers) system-wide. 0: done and
  // `ref` set; anything else: refused (taken by another program, unknown key, ...).
  virtual int Register(uint32_t keyCode, uint32_t modifiers, HotkeyId id, HotkeyRef& ref) = 0;
  // 0: released; anything else: the hot key is still registered.
  virtual int Unregister(HotkeyRef ref) = 0;
};

}  // namespace pigmora::platform
