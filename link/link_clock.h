// Time for every wait of the console link: fixed pauses of the protocol, read
// time-outs of the transports, the wake-up retries and discovery.
//
// A LinkClock reads and sleeps on the program's Clock. Waiting for a descriptor is a
// poll() bounded by the clock: on the system clock the poll waits the full time; on a
// FakeClock the poll only gives the peer a short real moment (the grace period) to
// answer, and when nothing arrives the whole wait is credited to the fake clock at
// once. Time-out paths of seconds thus run in milliseconds in tests. A scripted peer
// that stays silent on purpose says so (FakeLinkClock::PeerSilent), which ends the
// current wait at once: the grace period can then be generous, so that a loaded machine
// never turns a late answer into a time-out.
#pragma once

#include <atomic>
#include <cstdint>

#include "foundation/clock.h"

namespace sq {

class LinkClock {
 public:
  // `clock` must outlive this object. `simulated` marks a FakeClock.
  explicit LinkClock(Clock& clock, bool simulated = false, int grace_ms = 100)
      : clock_(&clock), simulated_(simulated), grace_ms_(grace_ms) {}

  // Monotonic milliseconds.
  [[nodiscard]] std::int64_t NowMs() { return clock_->MonotonicMs(); }
  // Pauses for `ms` milliseconds of the clock.
  void SleepMs(int ms) { clock_->SleepMs(ms); }
  // Waits until `fd` is readable (writable) or `ms` milliseconds have passed; true
  // when it became ready.
  bool WaitReadable(int fd, int ms);
  bool WaitWritable(int fd, int ms);

  // The link clock on the system clock; lives for the whole program.
  static LinkClock& Real();

 protected:
  void set_grace_ms(int ms) { grace_ms_.store(ms); }
  int silence_fd_ = -1;  // a simulated clock's waits also end when this is signalled

 private:
  bool Wait(int fd, short events, int ms);
  Clock* clock_;
  bool simulated_;
  std::atomic<int> grace_ms_;
};

// A link clock on a FakeClock of its own, for tests.
class FakeLinkClock : public LinkClock {
 public:
  explicit FakeLinkClock(int grace_ms = 100);
  ~FakeLinkClock();
  FakeLinkClock(const FakeLinkClock&) = delete;
  FakeLinkClock& operator=(const FakeLinkClock&) = delete;
  [[nodiscard]] FakeClock& fake() { return fake_; }
  // Changes the grace period, from any thread: a scripted peer that has given its last
  // answer sets 0, so that the waits on its silence take no real time at all while the
  // waits for its answers had all the time they needed.
  void set_grace_ms(int ms) { LinkClock::set_grace_ms(ms); }
  // From the peer's thread: the peer will not answer what it was just sent, so the wait
  // for that answer ends now (as a time-out). One call ends one wait.
  void PeerSilent();

 private:
  FakeClock fake_{1'700'000'000'000};
};

}  // namespace sq
