#include "link/link_clock.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace sq {

bool LinkClock::Wait(int fd, short events, int ms) {
  ms = std::max(ms, 0);
  const int real_ms = simulated_ ? std::min(ms, grace_ms_.load()) : ms;
  pollfd p[2] = {{fd, events, 0}, {silence_fd_, POLLIN, 0}};
  const nfds_t n = simulated_ && silence_fd_ >= 0 ? 2 : 1;
  int r = 0;
  do {
    r = ::poll(p, n, real_ms);
  } while (r < 0 && errno == EINTR);
  if (r > 0 && p[0].revents != 0) return true;
  if (r > 0 && n == 2 && p[1].revents != 0) {
    std::uint64_t one = 0;
    (void)!::read(silence_fd_, &one, sizeof one);
  }
  if (simulated_) clock_->SleepMs(ms);
  return false;
}

FakeLinkClock::FakeLinkClock(int grace_ms) : LinkClock(fake_, true, grace_ms) {
  silence_fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK | EFD_SEMAPHORE);
}

FakeLinkClock::~FakeLinkClock() {
  if (silence_fd_ >= 0) ::close(silence_fd_);
}

void FakeLinkClock::PeerSilent() {
  const std::uint64_t one = 1;
  (void)!::write(silence_fd_, &one, sizeof one);
}

bool LinkClock::WaitReadable(int fd, int ms) { return Wait(fd, POLLIN, ms); }
bool LinkClock::WaitWritable(int fd, int ms) { return Wait(fd, POLLOUT, ms); }

LinkClock& LinkClock::Real() {
  static LinkClock clock(Clock::Default());
  return clock;
}

}  // namespace sq
