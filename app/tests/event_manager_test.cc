#include "app/event_manager.h"

#include <gtest/gtest.h>

#include <vector>

namespace sq {
namespace {

struct Call {
  std::intptr_t context;
  std::vector<std::uint32_t> ids;
};
std::vector<Call> g_calls;
std::vector<Call> g_other_calls;

void Record(std::intptr_t context, int count, const std::uint32_t* ids) {
  g_calls.push_back({context, std::vector<std::uint32_t>(ids, ids + count)});
}
void RecordOther(std::intptr_t context, int count, const std::uint32_t* ids) {
  g_other_calls.push_back({context, std::vector<std::uint32_t>(ids, ids + count)});
}

EventClass Ev(int start, int period, int window, bool repeat = true, SqEventCallback cb = Record) {
  EventClass e{};
  e.start = static_cast<std::int16_t>(start);
  e.period = static_cast<std::int16_t>(period);
  e.window = static_cast<std::int16_t>(window);
  e.repeat = repeat ? 1 : 0;
  e.callback = cb;
  return e;
}

class EventManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_calls.clear();
    g_other_calls.clear();
  }
  // Checks every 20 seconds from minute `from` to `to` (exclusive); returns the minutes
  // at which callbacks came.
  std::vector<std::intptr_t> Run(int from, int to) {
    g_calls.clear();
    for (int m = from; m < to; ++m) {
      for (int tick = 0; tick < 3; ++tick) (void)em.ProcessModuleEvents(m % 1440, m % 1440);
    }
    std::vector<std::intptr_t> at;
    for (const auto& c : g_calls) at.push_back(c.context);
    return at;
  }
  EventManagerClass em;
};

TEST_F(EventManagerTest, RefusesFieldsOutOfRange) {
  struct Row {
    const char* legend;
    EventClass e;
    bool ok;
  } rows[] = {
      {"start 1440", Ev(1440, 0, 0), false},
      {"start -1", Ev(-1, 0, 0), false},
      {"window as long as the period", Ev(0, 60, 60), false},
      {"window just below the period", Ev(0, 60, 59), true},
      {"period 1441", Ev(0, 1441, 0), false},
      {"period 1440", Ev(0, 1440, 0), true},
      {"negative window", Ev(0, 0, -1), false},
      {"no callback", Ev(0, 0, 0, true, nullptr), false},
  };
  for (Row& r : rows) {
    SCOPED_TRACE(r.legend);
    EXPECT_EQ(em.AddModuleEvent(&r.e) != 0, r.ok);
  }
  EXPECT_EQ(em.AddModuleEvent(nullptr), 0u);
}

TEST_F(EventManagerTest, HoldsAtMost128Events) {
  for (int i = 0; i < EventManagerClass::kMaxEvents; ++i) {
    EventClass e = Ev(i, 0, 0);
    ASSERT_NE(em.AddModuleEvent(&e), 0u) << i;
  }
  EventClass extra = Ev(200, 0, 0);
  EXPECT_EQ(em.AddModuleEvent(&extra), 0u);
  EXPECT_EQ(em.GetEventCount(), 128);
  // An existing identifier is still modified in a full table.
  EventClass again = Ev(300, 0, 0);
  again.id = 5;
  EXPECT_EQ(em.AddModuleEvent(&again), 5u);
  EXPECT_EQ(em.Event(5)->start, 300);
}

TEST_F(EventManagerTest, AssignsFindsModifiesAndRemoves) {
  EventClass a = Ev(10, 0, 2);
  a.armed = 1;
  a.last = 77;
  const std::uint32_t id = em.AddModuleEvent(&a);
  ASSERT_NE(id, 0u);
  EXPECT_EQ(a.id, id);
  EXPECT_EQ(em.Event(id)->armed, 0);
  EXPECT_EQ(em.Event(id)->last, -1);

  EventClass probe = Ev(10, 0, 2);
  EXPECT_EQ(em.FindModuleEvent(&probe), id);
  probe.start = 11;
  EXPECT_EQ(em.FindModuleEvent(&probe), 0u);
  probe.id = id;
  EXPECT_EQ(em.FindModuleEvent(&probe), id);

  EventClass changed = Ev(20, 0, 0);
  EXPECT_TRUE(em.ModifyModuleEvent(id, &changed));
  EXPECT_EQ(em.Event(id)->start, 20);
  EventClass bad = Ev(20, 30, 30);
  EXPECT_FALSE(em.ModifyModuleEvent(id, &bad));
  EXPECT_FALSE(em.ModifyModuleEvent(id + 100, &changed));

  EventClass with_id = Ev(30, 0, 0);
  with_id.id = id;  // an existing identifier modifies that event
  EXPECT_EQ(em.AddModuleEvent(&with_id), id);
  EXPECT_EQ(em.GetEventCount(), 1);
  EXPECT_EQ(em.Event(id)->start, 30);

  EXPECT_TRUE(em.RemoveModuleEvent(id));
  EXPECT_FALSE(em.RemoveModuleEvent(id));
  EXPECT_EQ(em.GetEventCount(), 0);
}

TEST_F(EventManagerTest, PeriodicEventFiresOncePerWindow) {
  EventClass e = Ev(0, 60, 5);
  ASSERT_NE(em.AddModuleEvent(&e), 0u);
  EXPECT_EQ(Run(0, 180), (std::vector<std::intptr_t>{0, 60, 120}));
  // Started late in a window: it still fires once in it.
  EventManagerClass late;
  EventClass l = Ev(0, 60, 5);
  (void)late.AddModuleEvent(&l);
  g_calls.clear();
  for (int m = 63; m < 130; ++m) (void)late.ProcessModuleEvents(m, m);
  ASSERT_EQ(g_calls.size(), 2u);
  EXPECT_EQ(g_calls[0].context, 63);
  EXPECT_EQ(g_calls[1].context, 120);
}

TEST_F(EventManagerTest, PeriodOneFiresEveryMinute) {
  EventClass e = Ev(0, 1, 0);
  ASSERT_NE(em.AddModuleEvent(&e), 0u);
  EXPECT_EQ(Run(100, 105), (std::vector<std::intptr_t>{100, 101, 102, 103, 104}));
}

TEST_F(EventManagerTest, DailyEventFiresOncePerDayAndOneShotOnce) {
  EventClass daily = Ev(1430, 0, 15);
  EventClass once = Ev(1435, 0, 3, false);
  const auto daily_id = em.AddModuleEvent(&daily);
  const auto once_id = em.AddModuleEvent(&once);
  // Two days, across midnight: the window of 1430 runs to 5 past midnight.
  const auto at = Run(1400, 1440 + 1440 + 10);
  ASSERT_EQ(g_calls.size(), 3u);
  EXPECT_EQ(at, (std::vector<std::intptr_t>{1430, 1435, 1430}));
  EXPECT_EQ(g_calls[1].ids, std::vector<std::uint32_t>{once_id});
  EXPECT_EQ(em.GetEventCount(), 1);
  EXPECT_NE(em.Event(daily_id), nullptr);
}

TEST_F(EventManagerTest, GroupsDueEventsByCallback) {
  EventClass a = Ev(0, 10, 0), b = Ev(0, 5, 0), c = Ev(0, 10, 0, true, RecordOther);
  const auto ia = em.AddModuleEvent(&a), ib = em.AddModuleEvent(&b), ic = em.AddModuleEvent(&c);
  EXPECT_EQ(em.ProcessModuleEvents(0, 99), 2);
  ASSERT_EQ(g_calls.size(), 1u);
  EXPECT_EQ(g_calls[0].ids, (std::vector<std::uint32_t>{ia, ib}));
  EXPECT_EQ(g_calls[0].context, 99);
  ASSERT_EQ(g_other_calls.size(), 1u);
  EXPECT_EQ(g_other_calls[0].ids, std::vector<std::uint32_t>{ic});
}

EventManagerClass* g_self = nullptr;
void RemoveAll(std::intptr_t, int count, const std::uint32_t* ids) {
  for (int i = 0; i < count; ++i) (void)g_self->RemoveModuleEvent(ids[i]);
  EventClass next = Ev(0, 1, 0);
  (void)g_self->AddModuleEvent(&next);
}

TEST_F(EventManagerTest, CallbackMayChangeTheTable) {
  g_self = &em;
  EventClass a = Ev(0, 1, 0, true, RemoveAll), b = Ev(0, 0, 5, false, RemoveAll);
  (void)em.AddModuleEvent(&a);
  (void)em.AddModuleEvent(&b);
  EXPECT_EQ(em.ProcessModuleEvents(0, 0), 1);
  EXPECT_EQ(em.GetEventCount(), 1);  // the one the callback added
}

TEST_F(EventManagerTest, ForgetsTheEventsOfAReleasedModule) {
  em.SetOwner(7);
  EventClass a = Ev(0, 0, 0);
  (void)em.AddModuleEvent(&a);
  em.SetOwner(8);
  EventClass b = Ev(1, 0, 0);
  const auto kept = em.AddModuleEvent(&b);
  em.SetOwner(0);
  em.RemoveEventsOf(7);
  EXPECT_EQ(em.GetEventCount(), 1);
  EXPECT_NE(em.Event(kept), nullptr);
}

}  // namespace
}  // namespace sq
