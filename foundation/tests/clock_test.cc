#include "foundation/clock.h"

#include <gtest/gtest.h>

namespace sq {
namespace {

TEST(FakeClockTest, SleepAdvancesBothClocksWithoutBlocking) {
  // 2012-06-15 13:45:30.250 UTC, local time two hours behind.
  FakeClock clock(1339767930250, -2 * 3600);
  clock.SleepMs(3 * 3600 * 1000);  // three hours, returns at once
  clock.SleepMs(-5);               // ignored
  EXPECT_EQ(clock.MonotonicMs(), 3 * 3600 * 1000);
  const WallClockTime utc = clock.UtcNow();
  EXPECT_EQ(utc.tm.tm_year + 1900, 2012);
  EXPECT_EQ(utc.tm.tm_mon + 1, 6);
  EXPECT_EQ(utc.tm.tm_mday, 15);
  EXPECT_EQ(utc.tm.tm_hour, 16);
  EXPECT_EQ(utc.tm.tm_min, 45);
  EXPECT_EQ(utc.milliseconds, 250);
  EXPECT_EQ(clock.LocalNow().tm.tm_hour, 14);

  // Setting the wall clock back does not move the monotonic tick.
  clock.SetUnixMs(0);
  EXPECT_EQ(clock.MonotonicMs(), 3 * 3600 * 1000);
  EXPECT_EQ(clock.UtcNow().tm.tm_year, 70);
}

TEST(FakeClockTest, MomentsBefore1970KeepMillisecondsPositive) {
  FakeClock clock(-1);  // 1969-12-31 23:59:59.999
  const WallClockTime t = clock.UtcNow();
  EXPECT_EQ(t.tm.tm_year, 69);
  EXPECT_EQ(t.tm.tm_sec, 59);
  EXPECT_EQ(t.milliseconds, 999);
}

TEST(SystemClockTest, MonotonicNeverGoesBack) {
  Clock& clock = Clock::Default();
  const std::int64_t a = clock.MonotonicMs();
  clock.SleepMs(0);
  EXPECT_GE(clock.MonotonicMs(), a);
  EXPECT_GT(clock.UnixMs(), 1'500'000'000'000);
}

}  // namespace
}  // namespace sq
