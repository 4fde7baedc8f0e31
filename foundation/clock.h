// The program's view of time: wall-clock date and time (local and UTC), a monotonic
// millisecond tick for time-outs, and sleeping. Every wait and time-out in the program
// goes through a Clock so that tests can run against a FakeClock, which only moves when
// told to and never blocks.
#pragma once

#include <cstdint>
#include <ctime>

namespace sq {

// Broken-down wall-clock time with the milliseconds `std::tm` has no room for.
// `tm` follows the C library: tm_year is years since 1900, tm_mon 0..11, tm_mday 1..31.
struct WallClockTime {
  std::tm tm{};
  int milliseconds = 0;  // 0..999
};

class Clock {
 public:
  virtual ~Clock() = default;

  // Milliseconds on a clock that never goes back (unrelated to the calendar).
  [[nodiscard]] virtual std::int64_t MonotonicMs() = 0;
  // Blocks for `ms` milliseconds (a fake clock advances itself instead). ms <= 0 returns at once.
  virtual void SleepMs(std::int64_t ms) = 0;
  // Milliseconds since 1970-01-01 00:00 UTC.
  [[nodiscard]] virtual std::int64_t UnixMs() = 0;
  // Current wall-clock time in the computer's local time zone, and in UTC.
  [[nodiscard]] virtual WallClockTime LocalNow() = 0;
  [[nodiscard]] virtual WallClockTime UtcNow() = 0;

  // The real clock of the computer; lives for the whole program.
  static Clock& Default();
};

// The computer's clocks (CLOCK_MONOTONIC, CLOCK_REALTIME and the C library's time zone).
class SystemClock final : public Clock {
 public:
  std::int64_t MonotonicMs() override;
  void SleepMs(std::int64_t ms) override;
  std::int64_t UnixMs() override;
  WallClockTime LocalNow() override;
  WallClockTime UtcNow() override;
};

// A clock for tests: starts at the given moment and moves only through Advance() and
// SleepMs(). Local time is UTC plus a fixed offset (no daylight saving).
class FakeClock final : public Clock {
 public:
  explicit FakeClock(std::int64_t unix_ms = 0, std::int32_t local_offset_seconds = 0)
      : unix_ms_(unix_ms), local_offset_s_(local_offset_seconds) {}

  std::int64_t MonotonicMs() override { return monotonic_ms_; }
  void SleepMs(std::int64_t ms) override { Advance(ms); }
  std::int64_t UnixMs() override { return unix_ms_; }
  WallClockTime LocalNow() override;
  WallClockTime UtcNow() override;

  // Moves both the monotonic tick and the wall clock forward (negative values are ignored).
  void Advance(std::int64_t ms) {
    if (ms <= 0) return;
    monotonic_ms_ += ms;
    unix_ms_ += ms;
  }
  // Sets the wall clock only (as when the user changes the computer's clock); the
  // monotonic tick is unaffected.
  void SetUnixMs(std::int64_t unix_ms) { unix_ms_ = unix_ms; }
  void SetLocalOffsetSeconds(std::int32_t seconds) { local_offset_s_ = seconds; }
  // Total time slept or advanced so far.
  [[nodiscard]] std::int64_t ElapsedMs() const { return monotonic_ms_; }

 private:
  std::int64_t monotonic_ms_ = 0;
  std::int64_t unix_ms_;
  std::int32_t local_offset_s_;
};

}  // namespace sq
