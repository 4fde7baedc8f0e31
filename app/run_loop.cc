#include "app/run_loop.h"

#include <algorithm>
#include <csignal>
#include <utility>

#include "foundation/clock.h"

namespace sq {
namespace {

volatile std::sig_atomic_t g_stop_signal = 0;

extern "C" void OnStopSignal(int) { g_stop_signal = 1; }

}  // namespace

void InstallStopSignalHandlers() {
  struct sigaction sa {};
  sa.sa_handler = OnStopSignal;
  sigemptyset(&sa.sa_mask);
  // The handler is reset after the first signal, so that a second one ends the process.
  sa.sa_flags = SA_RESETHAND;
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
}

bool StopSignalReceived() { return g_stop_signal != 0; }

void ResetStopSignal() { g_stop_signal = 0; }

RunLoop::RunLoop(Clock& clock, std::int64_t tick_ms) : clock_(clock), tick_ms_(tick_ms > 0 ? tick_ms : kTickMs) {}

void RunLoop::AddTickHandler(TickHandler handler) { handlers_.push_back(std::move(handler)); }

std::uint64_t RunLoop::Run(std::uint64_t max_ticks) {
  std::uint64_t ticks = 0;
  std::int64_t next = clock_.MonotonicMs() + tick_ms_;
  while (!StopRequested() && (max_ticks == 0 || ticks < max_ticks)) {
    // Sleep in slices so that a stop signal is noticed within one slice.
    for (std::int64_t now = clock_.MonotonicMs(); now < next && !StopRequested(); now = clock_.MonotonicMs()) {
      clock_.SleepMs(std::min<std::int64_t>(next - now, 200));
    }
    if (StopRequested()) break;
    ++ticks;
    for (auto& h : handlers_) {
      h(ticks);
      if (stop_) break;
    }
    const std::int64_t now = clock_.MonotonicMs();
    next += tick_ms_;
    if (next <= now) next = now + tick_ms_;  // a long tick is not made up for
  }
  return ticks;
}

}  // namespace sq
