#pragma once
// The X11 key grabs a desktop's shortcut service falls back to in a Wayland session, for the
// actions it does not bind: they fire while an X11 window (ours, or another program's through
// XWayland) has the focus, which beats no key at all.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>

#include "platform/hotkey_service.h"

namespace pigmora::wayland {

class FallbackGrabs {
 public:
  // `grabs`: the X11 key grabs, or null where there are none.
  explicit FallbackGrabs(platform::HotkeyService* grabs) : grabs_(grabs) {}

  // Presses of every grab reach `onPressed`. Where the grabs cannot take a handler, there are no
  // grabs from then on.
  void InstallHandler(std::function<int(std::optional<platform::HotkeyId>)> onPressed);
  // Grabs the combination for the hot key `ref` of the service, unless it holds it already.
  void Grab(platform::HotkeyRef ref, uint32_t keyCode, uint32_t modifiers, platform::HotkeyId id);
  void Release(platform::HotkeyRef ref);
  bool Holds(platform::HotkeyRef ref) const { return held_.contains(ref); }

 private:
  platform::HotkeyService* grabs_;
  std::map<platform::HotkeyRef, platform::HotkeyRef> held_;  // service's ref -> the grab's
};

}  // namespace pigmora::wayland
