#include "platform/wayland/fallback_grabs.h"

#include <utility>

namespace pigmora::wayland {

void FallbackGrabs::InstallHandler(
    std::function<int(std::optional<platform::HotkeyId>)> onPressed) {
  if (grabs_ && grabs_->InstallHandler(std::move(onPressed)) != 0) grabs_ = nullptr;
}

void FallbackGrabs::Grab(platform::HotkeyRef ref, uint32_t keyCode, uint32_t modifiers,
                         platform::HotkeyId id) {
  if (!grabs_ || held_.contains(ref)) return;
  platform::HotkeyRef grabbed = 0;
  if (grabs_->Register(keyCode, modifiers, id, grabbed) == 0) held_[ref] = grabbed;
}

void FallbackGrabs::Release(platform::HotkeyRef ref) {
  const auto held = held_.find(ref);
  if (held == held_.end()) return;
  if (grabs_) grabs_->Unregister(held->second);
  held_.erase(held);
}

}  // namespace pigmora::wayland
