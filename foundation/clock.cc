#include "foundation/clock.h"

#include <cerrno>
#include <ctime>

namespace sq {
namespace {

WallClockTime BreakDown(std::int64_t unix_ms, bool local, std::int64_t offset_s = 0) {
  // Floor division so that moments before 1970 keep milliseconds in 0..999.
  std::int64_t secs = unix_ms / 1000;
  std::int64_t ms = unix_ms % 1000;
  if (ms < 0) {
    ms += 1000;
    --secs;
  }
  WallClockTime out;
  out.milliseconds = static_cast<int>(ms);
  const std::time_t t = static_cast<std::time_t>(secs + offset_s);
  if (local) {
    localtime_r(&t, &out.tm);
  } else {
    gmtime_r(&t, &out.tm);
  }
  return out;
}

std::int64_t ReadClockMs(clockid_t id) {
  timespec ts{};
  clock_gettime(id, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

}  // namespace

Clock& Clock::Default() {
  static SystemClock clock;
  return clock;
}

std::int64_t SystemClock::MonotonicMs() { return ReadClockMs(CLOCK_MONOTONIC); }

void SystemClock::SleepMs(std::int64_t ms) {
  if (ms <= 0) return;
  timespec req{static_cast<std::time_t>(ms / 1000), static_cast<long>((ms % 1000) * 1000000)};
  timespec rem{};
  while (nanosleep(&req, &rem) != 0 && errno == EINTR) req = rem;
}

std::int64_t SystemClock::UnixMs() { return ReadClockMs(CLOCK_REALTIME); }

WallClockTime SystemClock::LocalNow() { return BreakDown(UnixMs(), true); }

WallClockTime SystemClock::UtcNow() { return BreakDown(UnixMs(), false); }

WallClockTime FakeClock::LocalNow() { return BreakDown(unix_ms_, false, local_offset_s_); }

WallClockTime FakeClock::UtcNow() { return BreakDown(unix_ms_, false); }

}  // namespace sq
