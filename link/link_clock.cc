#include "link/link_clock.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>

namespace sq {

bool LinkClock::Wait(int fd, short events, int ms) {
  ms = std::max(ms, 0);
  const int real_ms = simulated_ ? std::min(ms, grace_ms_.load()) : ms;
  pollfd p{fd, events, 0};
  int r = 0;
  do {
    r = ::poll(&p, 1, real_ms);
  } while (r < 0 && errno == EINTR);
  if (r > 0) return true;
  if (simulated_) clock_->SleepMs(ms);
  return false;
}

bool LinkClock::WaitReadable(int fd, int ms) { return Wait(fd, POLLIN, ms); }
bool LinkClock::WaitWritable(int fd, int ms) { return Wait(fd, POLLOUT, ms); }

LinkClock& LinkClock::Real() {
  static LinkClock clock(Clock::Default());
  return clock;
}

}  // namespace sq
