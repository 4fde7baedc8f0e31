#include "app/event_manager.h"

#include <algorithm>

namespace sq {

EventManagerClass evtManager;

bool EventManagerClass::FieldsValid(const EventClass& e) {
  if (e.callback == nullptr) return false;
  if (e.start < 0 || e.start >= kMinutesPerDay) return false;
  if (e.period < 0 || e.period > kMinutesPerDay) return false;
  if (e.window < 0) return false;
  if (e.period > 0 && e.window >= e.period) return false;
  return true;
}

int EventManagerClass::IndexOf(std::uint32_t id) const {
  for (std::size_t i = 0; i < events_.size(); ++i) {
    if (events_[i].event.id == id) return static_cast<int>(i);
  }
  return -1;
}

std::uint32_t EventManagerClass::NextId() {
  // At most 128 identifiers are in use, so this ends within 129 steps.
  for (;;) {
    const std::uint32_t id = next_id_++;
    if (next_id_ == 0) next_id_ = 1;
    if (id != 0 && IndexOf(id) < 0) return id;
  }
}

std::uint32_t EventManagerClass::AddModuleEvent(EventClass* event) {
  if (event == nullptr || !FieldsValid(*event)) return 0;
  if (event->id != 0 && IndexOf(event->id) >= 0) {
    return ModifyModuleEvent(event->id, event) ? event->id : 0;
  }
  if (GetEventCount() >= kMaxEvents) return 0;
  EventClass e = *event;
  e.repeat = e.repeat != 0 ? 1 : 0;
  e.armed = 0;
  e.last = -1;
  if (e.id == 0) e.id = NextId();
  // The caller's copy learns its identifier and the internal fields.
  *event = e;
  events_.push_back({e, owner_});
  return e.id;
}

std::uint32_t EventManagerClass::FindModuleEvent(const EventClass* event) const {
  if (event == nullptr) return 0;
  if (event->id != 0) return IndexOf(event->id) >= 0 ? event->id : 0;
  for (const auto& entry : events_) {
    const EventClass& e = entry.event;
    if (e.start == event->start && e.period == event->period && e.callback == event->callback &&
        e.window == event->window && e.repeat == (event->repeat != 0 ? 1 : 0)) {
      return e.id;
    }
  }
  return 0;
}

bool EventManagerClass::RemoveModuleEvent(std::uint32_t id) {
  const int i = IndexOf(id);
  if (i < 0) return false;
  events_.erase(events_.begin() + i);
  return true;
}

bool EventManagerClass::ModifyModuleEvent(std::uint32_t id, const EventClass* event) {
  const int i = IndexOf(id);
  if (i < 0 || event == nullptr || !FieldsValid(*event)) return false;
  EventClass& e = events_[static_cast<std::size_t>(i)].event;
  e.repeat = event->repeat != 0 ? 1 : 0;
  e.period = event->period;
  e.start = event->start;
  e.window = event->window;
  e.callback = event->callback;
  e.armed = 0;
  e.last = -1;
  return true;
}

const EventClass* EventManagerClass::Event(std::uint32_t id) const {
  const int i = IndexOf(id);
  return i < 0 ? nullptr : &events_[static_cast<std::size_t>(i)].event;
}

void EventManagerClass::RemoveEventsOf(std::uint32_t owner) {
  std::erase_if(events_, [owner](const Entry& e) { return e.owner == owner; });
}

void EventManagerClass::Clear() { events_.clear(); }

int EventManagerClass::ProcessModuleEvents(int now_minutes, std::intptr_t context,
                                           const std::function<void(bool)>& around) {
  const int now = ((now_minutes % kMinutesPerDay) + kMinutesPerDay) % kMinutesPerDay;
  struct Group {
    SqEventCallback callback;
    std::uint32_t owner;
    std::vector<std::uint32_t> ids;
  };
  std::vector<Group> groups;
  std::vector<std::uint32_t> one_shots;
  for (auto& entry : events_) {
    EventClass& e = entry.event;
    int d = now - e.start;
    if (d < 0) d += kMinutesPerDay;
    bool due = false;
    if (e.period == 1 && e.repeat) {
      due = now != e.last;
    } else if (!e.repeat || e.period == 0) {
      if (d > e.window) {
        e.armed = 0;
      } else if (!e.armed) {
        due = true;
        e.armed = 1;
      }
    } else if (d % e.period > e.window) {
      e.armed = 0;
    } else if (!e.armed) {
      due = true;
      e.armed = 1;
    }
    if (!due) continue;
    e.last = static_cast<std::int16_t>(now);
    if (!e.repeat) one_shots.push_back(e.id);
    auto g = std::find_if(groups.begin(), groups.end(), [&](const Group& x) { return x.callback == e.callback; });
    if (g == groups.end()) {
      groups.push_back({e.callback, entry.owner, {e.id}});
    } else {
      g->ids.push_back(e.id);
    }
  }
  // The callbacks run after the scan: they may change the table.
  if (groups.empty()) return 0;
  if (around) around(true);
  const std::uint32_t saved_owner = owner_;
  for (const Group& g : groups) {
    owner_ = g.owner;
    g.callback(context, static_cast<int>(g.ids.size()), g.ids.data());
  }
  owner_ = saved_owner;
  for (const std::uint32_t id : one_shots) (void)RemoveModuleEvent(id);
  if (around) around(false);
  return static_cast<int>(groups.size());
}

}  // namespace sq
