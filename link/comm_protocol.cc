#include "link/comm_protocol.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace sq {
namespace {

// Serial: read interval, read multiplier, read constant, write multiplier, write
// constant (ms); USB read and write; TCP receive.
constexpr TimeoutProfile kProfiles[kTimeoutProfiles] = {
    {0, 25, 3000, 25, 2000, 3000, 500, 1500},      // 0: commands
    {0, 25, 3500, 25, 2000, 3500, 2000, 3500},     // 1: archive download
    {0, 25, 500, 25, 500, 500, 500, 1000},         // 2
    {0, 25, 100, 25, 100, 500, 500, 1500},         // 3: port test
    {90, 10, 100, 25, 2000, 500, 2000, 500},       // 4: packet streams
    {0, 5, 100, 0, 0, 50, 50, 50},                 // 5: peeking and clearing
    {0, 250, 45000, 25, 100, 45000, 1100, 45000},  // 6: long console operations
    {0, 30, 2000, 25, 2000, 2000, 2000, 2000},     // 7: modem in place of 0
    {0, 25, 7000, 25, 2000, 7000, 2000, 7000},     // 8: older family
    {0, 30, 8000, 25, 2000, 8000, 2000, 8000},     // 9: modem in place of 8
    {0, 25, 100, 25, 100, 500, 500, 1000},         // 10: console search
};

constexpr int kNoPushedBack = 0xFFFF;
// A write time-out of 0 and 0 means "no limit"; a stuck line still must not hang the
// program, so such writes get this bound.
constexpr int kUnboundedWriteMs = 10000;

// Errors that mean the other end is gone rather than a passing fault: a hung-up tty
// (EIO), a vanished device, a connection reset or shut down.
bool LinkGoneErrno(int e) {
  return e == EIO || e == ENXIO || e == ENODEV || e == ECONNRESET || e == EPIPE || e == ENOTCONN || e == ESHUTDOWN;
}

}  // namespace

const TimeoutProfile& GetTimeoutProfile(int profile) { return kProfiles[std::clamp(profile, 0, kTimeoutProfiles - 1)]; }

CommProtocol::CommProtocol(const CommSettings& settings)
    : settings_(settings), clock_(settings.clock ? settings.clock : &LinkClock::Real()) {
  if (settings_.modem != 0) status_ |= kStatusModem;
}

CommProtocol::~CommProtocol() { CloseFd(); }

void CommProtocol::AttachFd(int fd) {
  CloseFd();
  link_closed_ = false;
  fd_ = fd;
  handle_ = fd >= 0 ? static_cast<std::uint32_t>(fd) + 1 : 0;
  ahead_pos_ = ahead_len_ = 0;
}

void CommProtocol::CloseFd() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  handle_ = 0;
  ahead_pos_ = ahead_len_ = 0;
}

int CommProtocol::ClosePort() {
  if (status_ & kStatusModem) HangUp();
  CloseFd();
  status_ &= ~(kStatusPortOpen | kStatusInUse | kStatusCarrier | kStatusLinked);
  return 1;
}

void CommProtocol::SetSystemTimeOuts(int profile) {
  if (profile < 0 || profile >= kTimeoutProfiles) return;
  if (status_ & kStatusModem) {
    if (profile == 0) profile = 7;
    if (profile == 8) profile = 9;
  }
  profile_ = profile;
}

CommProtocol::ReadTiming CommProtocol::CurrentReadTiming() const {
  const auto& p = kProfiles[profile_];
  return {p.read_constant + p.read_multiplier, p.read_interval};
}

int CommProtocol::CurrentWriteTimeoutMs(std::size_t n) const {
  const auto& p = kProfiles[profile_];
  const long ms = static_cast<long>(p.write_constant) + static_cast<long>(p.write_multiplier) * static_cast<long>(n);
  return ms > 0 ? static_cast<int>(std::min(ms, 600000L)) : kUnboundedWriteMs;
}

void CommProtocol::OnLinkClosed() {
  link_closed_ = true;
  status_ |= kStatusIoError | kStatusLineError;
  last_error_ = kErrLinkClosed;
  SetErrorText("the link was closed");
}

int CommProtocol::WithinDeadline(int ms) const {
  if (deadline_ms_ < 0) return ms;
  const std::int64_t left = deadline_ms_ - clock_->NowMs();
  if (left <= 0) return -1;
  return static_cast<int>(std::min<std::int64_t>(ms, left));
}

void CommProtocol::OnReadTimeout() {
  status_ |= kStatusIoError | kStatusTimeout;
  last_error_ = kErrTimeout;
}

void CommProtocol::OnReadError(int os_error) {
  status_ |= kStatusIoError | kStatusDeviceError;
  last_error_ = os_error != 0 ? os_error : kErrReadFailed;
}

void CommProtocol::OnWriteError(int os_error, bool timed_out) {
  if (timed_out) {
    status_ |= kStatusIoError | kStatusTimeout;
    last_error_ = kErrTimeout;
    return;
  }
  status_ |= kStatusIoError | kStatusDeviceError;
  last_error_ = os_error != 0 ? os_error : kErrWriteFailed;
}

void CommProtocol::SetErrorText(std::string_view text) { last_error_text_.assign(text.substr(0, 255)); }

void CommProtocol::StationCommError(std::string_view text) { SetErrorText(text); }

int CommProtocol::FillReadAhead() {
  const ssize_t r = ::read(fd_, ahead_.data(), ahead_.size());
  if (r > 0) {
    ahead_pos_ = 0;
    ahead_len_ = static_cast<std::size_t>(r);
    return static_cast<int>(r);
  }
  if (r == 0) return -2;
  if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return 0;
  os_error_ = errno;
  return -1;
}

int CommProtocol::NextByte(int ms) {
  const std::int64_t deadline = clock_->NowMs() + std::max(ms, 0);
  for (;;) {
    if (ahead_pos_ < ahead_len_) return ahead_[ahead_pos_++];
    const int r = FillReadAhead();
    if (r > 0) continue;
    if (r == -1) return -2;
    if (r == -2) return -3;  // end of stream: nothing more will come
    const std::int64_t remaining = deadline - clock_->NowMs();
    if (remaining <= 0) return -1;
    clock_->WaitReadable(fd_, static_cast<int>(remaining));
  }
}

int CommProtocol::GetCharFromDev() {
  if (!usable()) return -1;
  if (pushed_back_ != kNoPushedBack) {
    const int b = pushed_back_ & 0xFF;
    pushed_back_ = kNoPushedBack;
    return b;
  }
  const int wait = WithinDeadline(CurrentReadTiming().first_ms);
  if (wait < 0) {
    OnReadTimeout();
    return -1;
  }
  const int r = NextByte(wait);
  if (r >= 0) {
    Touch();
    return r;
  }
  if (r == -3 || (r == -2 && LinkGoneErrno(os_error_))) {
    OnLinkClosed();
  } else if (r == -2) {
    OnReadError(os_error_);
  } else {
    OnReadTimeout();
  }
  return -1;
}

int CommProtocol::ClearReceiveBuffer() {
  pushed_back_ = kNoPushedBack;
  if (!usable()) return 0;
  SaveTimeOuts();
  SetSystemTimeOuts(5);
  clock_->SleepMs(20);
  // Drain what is waiting now; the pause above lets a reply in flight arrive.
  ahead_pos_ = ahead_len_ = 0;
  for (int guard = 0; guard < 4096 && FillReadAhead() > 0; ++guard) ahead_pos_ = ahead_len_ = 0;
  ahead_pos_ = ahead_len_ = 0;
  RestoreTimeOuts();
  ::tcflush(fd_, TCIFLUSH);  // fails harmlessly on sockets
  return 1;
}

int CommProtocol::CharAvailable() {
  if (!usable()) return -1;
  if (pushed_back_ != kNoPushedBack) return 1;
  SaveTimeOuts();
  SetSystemTimeOuts(5);
  const int r = NextByte(CurrentReadTiming().first_ms);
  RestoreTimeOuts();
  if (r >= 0) {
    Touch();
    pushed_back_ = r;
    return 1;
  }
  if (r == -3 || (r == -2 && LinkGoneErrno(os_error_))) {
    OnLinkClosed();
    return -1;
  }
  if (r == -2) {
    OnReadError(os_error_);
    return -1;
  }
  return 0;
}

int CommProtocol::PutBytes(const std::uint8_t* data, std::size_t n) {
  if (!usable()) return -1;
  const int limit = WithinDeadline(CurrentWriteTimeoutMs(n));
  if (limit < 0) {
    OnWriteError(0, true);
    return -1;
  }
  const std::int64_t deadline = clock_->NowMs() + limit;
  std::size_t done = 0;
  while (done < n) {
    const ssize_t w = ::send(fd_, data + done, n - done, MSG_NOSIGNAL | MSG_DONTWAIT);
    ssize_t wr = w;
    if (w < 0 && errno == ENOTSOCK) wr = ::write(fd_, data + done, n - done);
    if (wr > 0) {
      done += static_cast<std::size_t>(wr);
      continue;
    }
    if (wr < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
      if (LinkGoneErrno(errno)) {
        OnLinkClosed();
      } else {
        OnWriteError(errno, false);
      }
      return -1;
    }
    const std::int64_t remaining = deadline - clock_->NowMs();
    if (remaining <= 0) {
      OnWriteError(0, true);
      return -1;
    }
    clock_->WaitWritable(fd_, static_cast<int>(remaining));
  }
  Touch();
  return 0;
}

int CommProtocol::PutCharInDev(std::uint8_t byte) { return PutBytes(&byte, 1); }

int CommProtocol::PutStrInDev(std::string_view text) {
  return PutBytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

int CommProtocol::ReadData(std::uint8_t*, std::size_t) { return 0; }

}  // namespace sq
