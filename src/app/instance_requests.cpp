#include "app/instance_requests.h"

namespace pigmora {

namespace {

AppEvent HotkeyEvent(int32_t kind) {
  return {.kind = kind, .objectId = NoTarget, .windowId = NoTarget, .changeType = NoTarget};
}

}  // namespace

void PostInstanceRequest(EventQueue& queue, platform::InstanceRequest request) {
  using platform::InstanceRequest;
  switch (request) {
    case InstanceRequest::ShowPicker:
      queue.Post(HotkeyEvent(HotkeyShowPicker), PostMode::Always);
      break;
    case InstanceRequest::CycleForward:
      queue.Post(HotkeyEvent(HotkeyCycleForward), PostMode::Always);
      break;
    case InstanceRequest::CycleBack:
      queue.Post(HotkeyEvent(HotkeyCycleBack), PostMode::Always);
      break;
    case InstanceRequest::ShowPreferences:
      queue.Post({.kind = MenuEvent, .objectId = MenuPreferences, .windowId = 0},
                 PostMode::Collapsible);
      break;
  }
}

}  // namespace pigmora
