// Timed events of expansion modules. A module registers an event (a start minute, a
// period, a window and a callback); the run loop checks the events every 20 seconds and
// calls the callbacks of the due ones, grouped by callback, with their identifiers.
//
// Due rules, with now and start in minutes after midnight and d = now - start (plus
// 1440 when negative):
//  - period 1: once a minute (now differs from the minute of the last firing);
//  - period 0, or a one-shot event: once while d <= window (one-shots are removed after
//    their callback ran);
//  - otherwise: once in each window, i.e. when d mod period <= window and the event has
//    not fired in this window yet; d mod period > window re-arms it.
// A repeating event without a period fires once per window too: the check comes three
// times a minute and a daily event must not fire at each of them.
//
// The table holds at most 128 events. Everything runs on the program's one thread; a
// callback may add, change or remove events (also its own) while it runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "stratoquill/module.h"

namespace sq {

using EventClass = SqModuleEvent;

static_assert(sizeof(EventClass) == 24);
static_assert(offsetof(EventClass, id) == 0);
static_assert(offsetof(EventClass, repeat) == 4);
static_assert(offsetof(EventClass, armed) == 5);
static_assert(offsetof(EventClass, period) == 6);
static_assert(offsetof(EventClass, start) == 8);
static_assert(offsetof(EventClass, window) == 10);
static_assert(offsetof(EventClass, last) == 12);
static_assert(offsetof(EventClass, callback) == 16);

class EventManagerClass {
 public:
  static constexpr int kMaxEvents = 128;
  static constexpr int kMinutesPerDay = 1440;

  // The identifier of the event, or 0 (null, a full table, or a field out of range).
  std::uint32_t AddModuleEvent(EventClass* event);
  [[nodiscard]] std::uint32_t FindModuleEvent(const EventClass* event) const;
  bool RemoveModuleEvent(std::uint32_t id);
  bool ModifyModuleEvent(std::uint32_t id, const EventClass* event);
  [[nodiscard]] int GetEventCount() const { return static_cast<int>(events_.size()); }

  // Checks every event at `now_minutes` (0..1439) and calls the due callbacks with
  // `context`. `around` (when set) is called with true before the first callback and
  // with false after the last one, only when something is due. Returns the number of
  // callbacks called.
  int ProcessModuleEvents(int now_minutes, std::intptr_t context, const std::function<void(bool before)>& around = {});

  // Events registered while `owner` is set belong to that module, so that a module
  // released after a failed start leaves no callback behind.
  void SetOwner(std::uint32_t owner) { owner_ = owner; }
  [[nodiscard]] std::uint32_t Owner() const { return owner_; }
  void RemoveEventsOf(std::uint32_t owner);
  void Clear();

  [[nodiscard]] const EventClass* Event(std::uint32_t id) const;

 private:
  struct Entry {
    EventClass event;
    std::uint32_t owner;
  };
  [[nodiscard]] static bool FieldsValid(const EventClass& e);
  [[nodiscard]] int IndexOf(std::uint32_t id) const;
  std::uint32_t NextId();

  std::vector<Entry> events_;
  std::uint32_t next_id_ = 1;
  std::uint32_t owner_ = 0;
};

// The program-wide event manager.
extern EventManagerClass evtManager;

}  // namespace sq
