// The program's message loop without windows: a single-threaded loop that ticks once a
// second on a Clock and calls its tick handlers in the order they were added (the
// automatic download and clear schedules, and whatever later work hangs on the timer).
// A tick that runs long (a download) is not made up for afterwards: the next tick comes
// one period after the late one.
//
// Stopping: Stop() from a handler, or SIGINT / SIGTERM once the handlers are installed.
// A signal only sets a flag that the loop reads between ticks (and that long jobs may
// poll), so the work in progress finishes and nothing is left half-written. A second
// SIGINT or SIGTERM ends the process at once: every file the program writes is replaced
// whole, so even that leaves the old or the new file.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace sq {

class Clock;

// Installs the SIGINT and SIGTERM handlers (once per process).
void InstallStopSignalHandlers();
// True once SIGINT or SIGTERM has arrived.
[[nodiscard]] bool StopSignalReceived();
// Forgets a received signal (tests).
void ResetStopSignal();

class RunLoop {
 public:
  using TickHandler = std::function<void(std::uint64_t tick)>;
  static constexpr std::int64_t kTickMs = 1000;

  // `clock` must outlive the loop.
  explicit RunLoop(Clock& clock, std::int64_t tick_ms = kTickMs);

  // Handlers get the tick number, counting from 1.
  void AddTickHandler(TickHandler handler);

  // Ticks until Stop(), a stop signal, or `max_ticks` ticks (0: no limit). Returns the
  // number of ticks run.
  std::uint64_t Run(std::uint64_t max_ticks = 0);
  void Stop() { stop_ = true; }
  [[nodiscard]] bool StopRequested() const { return stop_ || StopSignalReceived(); }

 private:
  Clock& clock_;
  std::int64_t tick_ms_;
  std::vector<TickHandler> handlers_;
  bool stop_ = false;
};

}  // namespace sq
