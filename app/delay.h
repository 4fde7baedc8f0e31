// Pauses of the program's own (between console commands, before an unattended job).
// They go through the injectable clock, so tests pass a FakeClock and never wait.
#pragma once

#include <cstdint>

#include "foundation/clock.h"

namespace sq {

inline void DelayMs(Clock& clock, std::int64_t ms) {
  if (ms > 0) clock.SleepMs(ms);
}
inline void Delay(Clock& clock, int seconds) { DelayMs(clock, static_cast<std::int64_t>(seconds) * 1000); }

}  // namespace sq
