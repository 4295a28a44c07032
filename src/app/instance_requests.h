#pragma once
// What a request from another launch of the program posts: exactly the event of the hot key or
// the menu item that does the same, so the loop handles it as if that key or item were used.
#include "app/event_queue.h"
#include "platform/instance_channel.h"

namespace pigmora {

void PostInstanceRequest(EventQueue& queue, platform::InstanceRequest request);

}  // namespace pigmora
