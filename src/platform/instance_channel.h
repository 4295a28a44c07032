#pragma once
// Requests that reach the running program from another launch of it by the same user: the
// command-line actions, and the desktop's launcher started again.
#include <functional>

namespace pigmora::platform {

enum class InstanceRequest { ShowPicker, CycleForward, CycleBack, ShowPreferences };

class InstanceChannel {
 public:
  virtual ~InstanceChannel() = default;
  // From now on every request that arrives calls onRequest on the main thread, while system
  // events (or a modal dialog's) are handled. Where the channel cannot be opened, nothing arrives.
  virtual void Listen(std::function<void(InstanceRequest)> onRequest) = 0;
};

}  // namespace pigmora::platform
