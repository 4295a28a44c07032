#pragma once
// The asking end of the channel to the running program: a launch with an action option (or a
// plain second launch) calls one method of the running Pigmora over the user's session bus.
#include <string>

namespace pigmora::qt {

enum class Delivery { Delivered, NoInstance, Unreachable };

struct DeliveryResult {
  Delivery delivery = Delivery::Unreachable;
  std::string detail;  // why, when not delivered
};

// Calls `method` (a method name of the channel's interface) on the running Pigmora. A Pigmora
// that holds the single-instance lock but is still starting is waited for, a few seconds at
// most. Needs a QCoreApplication.
DeliveryResult AskRunningInstance(const char* method);

}  // namespace pigmora::qt
