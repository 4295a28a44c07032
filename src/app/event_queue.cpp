#include "app/event_queue.h"

#include <algorithm>

namespace pigmora {

EventQueue::EventQueue(platform::SystemEvents& events) : system_(events) {
  system_.SetKeyDownFilter(
      [this](const platform::KeyDown& keyDown) { return OfferToFilters(keyDown); });
}

void EventQueue::Post(const AppEvent& event, PostMode mode) {
  const bool collapses =
      mode == PostMode::Collapsible && !events_.empty() && events_.back().kind == event.kind &&
      events_.back().objectId == event.objectId && events_.back().windowId == event.windowId &&
      events_.back().changeType == event.changeType;
  if (!collapses) events_.push_back(event);
  system_.Wake();
}

std::optional<AppEvent> EventQueue::TakeNext() {
  if (events_.empty()) return std::nullopt;
  AppEvent event = events_.front();
  events_.pop_front();
  return event;
}

AppEvent EventQueue::Wait() {
  for (;;) {
    if (auto event = TakeNext()) return *event;
    system_.WaitAndHandleSystemEvents();
  }
}

EventFilterId EventQueue::AddEventFilter(EventFilter filter) {
  const EventFilterId id = nextFilterId_++;
  filters_.emplace_back(id, std::move(filter));
  return id;
}

void EventQueue::RemoveEventFilter(EventFilterId id) {
  std::erase_if(filters_, [id](const auto& entry) { return entry.first == id; });
}

bool EventQueue::OfferToFilters(const platform::KeyDown& keyDown) {
  bool taken = false;
  // A filter may add or remove filters while it runs, so walk a copy.
  const auto filters = filters_;
  for (const auto& [id, filter] : filters) taken = filter(keyDown) || taken;
  return taken;
}

}  // namespace pigmora
