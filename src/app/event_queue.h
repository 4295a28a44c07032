#pragma once
// The program's single first-in, first-out queue of AppEvents, and the wait on the system's
// events that fills it.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "app/app_event.h"
#include "platform/system_events.h"

namespace pigmora {

enum class PostMode {
  // Dropped when the newest queued event has the same kind, objectId, windowId and changeType:
  // a repeated choice that has not been handled yet collapses into one.
  Collapsible,
  // Always appended (hot keys).
  Always,
};

using EventFilter = std::function<bool(const platform::KeyDown&)>;
using EventFilterId = uint64_t;

class EventQueue {
 public:
  explicit EventQueue(platform::SystemEvents& events);
  EventQueue(const EventQueue&) = delete;
  EventQueue& operator=(const EventQueue&) = delete;

  // PostAppEvent: appends (subject to the mode) and wakes a blocked wait.
  void Post(const AppEvent& event, PostMode mode);
  // WaitAppEvent: the oldest queued event; blocks without a time-out on the system's events
  // until handling them has queued one.
  AppEvent Wait();
  // The oldest queued event without waiting, or nothing.
  std::optional<AppEvent> TakeNext();
  std::size_t size() const { return events_.size(); }

  // Every filter sees every key-down (all of them, even after one took it); when at least one
  // takes it, the key-down is kept from the application.
  EventFilterId AddEventFilter(EventFilter filter);
  void RemoveEventFilter(EventFilterId id);

 private:
  bool OfferToFilters(const platform::KeyDown& keyDown);

  platform::SystemEvents& system_;
  std::deque<AppEvent> events_;
  std::vector<std::pair<EventFilterId, EventFilter>> filters_;
  EventFilterId nextFilterId_ = 1;
};

}  // namespace pigmora
