#pragma once
// System-wide hot keys.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

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

// What a hot key is for: a name that stays the same across runs and versions ("picker"), and the
// title the user knows the action by in the menu ("Show the Color Picker").
struct HotkeyAction {
  std::string_view name;
  std::u16string_view title;
};

// Where the desktop runs global shortcuts only from its own keyboard settings, and only the user
// may put ours there (GNOME without the GlobalShortcuts portal): what the preferences window
// offers.
struct DesktopShortcuts {
  std::u16string desktop;  // the desktop's name, as the user knows it ("GNOME")
  bool added = false;      // ours are in its settings now
};

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

  // Where the desktop, not the program, owns the final trigger (the Wayland portal binds per
  // action and may bind another key, or none), it needs to know what a registered hot key is for;
  // told right after Register succeeded. Key grabs have no use for it.
  virtual void NameHotkey(HotkeyRef /*ref*/, const HotkeyAction& /*action*/) {}
  // Why a registered hot key does not fire on the combination it was registered with, as the
  // desktop has it now (it bound another trigger, or none); nullopt while it does. Grabs that
  // Register accepted always do.
  virtual std::optional<std::u16string> BindingProblem(HotkeyRef /*ref*/) { return std::nullopt; }
  // Called on the main thread, inside the event wait, whenever a BindingProblem may have changed.
  virtual void SetBindingsChangedHandler(std::function<void()> /*onChanged*/) {}

  // The offer to put the hot keys into the desktop's own settings; nullopt where there is none.
  virtual std::optional<DesktopShortcuts> DesktopShortcutsOffer() { return std::nullopt; }
  // Puts the registered hot keys into the desktop's settings (true), or takes ours out again
  // (false). false when its settings could not be written, which the service says once on
  // standard error.
  virtual bool SetDesktopShortcuts(bool /*added*/) { return false; }
};

}  // namespace pigmora::platform
