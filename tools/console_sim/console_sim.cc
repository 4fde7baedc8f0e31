#include "tools/console_sim/console_sim.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace sq::sim {
namespace {

std::int64_t MonotonicMs() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1'000'000;
}

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

}  // namespace

ConsoleSim::ConsoleSim(const SimOptions& options) : engine_(options), baud_(options.baud) {}

ConsoleSim::~ConsoleSim() { Stop(); }

bool ConsoleSim::StartPty() {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return false;
  char name[128] = {};
  if (::ptsname_r(master_, name, sizeof name) != 0) return false;
  device_path_ = name;
  // Hold the tty open ourselves so that the master side survives clients that come
  // and go, and make it raw so nothing is echoed before a client configures it.
  slave_keep_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave_keep_ < 0) return false;
  termios t{};
  if (::tcgetattr(slave_keep_, &t) == 0) {
    ::cfmakeraw(&t);
    ::tcsetattr(slave_keep_, TCSANOW, &t);
  }
  if (::pipe2(stop_pipe_, O_CLOEXEC) != 0) return false;
  thread_ = std::thread([this] { Serve(); });
  return true;
}

bool ConsoleSim::StartTcp(std::uint16_t port) {
  listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listen_ < 0) return false;
  int one = 1;
  ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);  // loopback only
  if (::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(listen_, 4) != 0) return false;
  socklen_t len = sizeof a;
  ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
  port_ = ntohs(a.sin_port);
  if (::pipe2(stop_pipe_, O_CLOEXEC) != 0) return false;
  thread_ = std::thread([this] { Serve(); });
  return true;
}

void ConsoleSim::Stop() {
  if (thread_.joinable()) {
    const char x = 'x';
    (void)!::write(stop_pipe_[1], &x, 1);
    thread_.join();
  }
  CloseFd(client_);
  CloseFd(listen_);
  CloseFd(slave_keep_);
  CloseFd(master_);
  CloseFd(stop_pipe_[0]);
  CloseFd(stop_pipe_[1]);
}

int ConsoleSim::connections() const {
  std::lock_guard lock(mutex_);
  return connections_;
}

void ConsoleSim::WithEngine(const std::function<void(ConsoleEngine&)>& f) {
  std::lock_guard lock(mutex_);
  f(engine_);
}

std::vector<std::uint8_t> ConsoleSim::TakeReceived() {
  std::lock_guard lock(mutex_);
  std::vector<std::uint8_t> r = engine_.received();
  engine_.ClearReceived();
  return r;
}

void ConsoleSim::WriteOut(int fd, const std::vector<std::uint8_t>& out) {
  std::size_t done = 0;
  // Paced: send in small pieces, each after the time the line needs for it.
  const std::size_t piece = baud_ > 0 ? 8 : out.size();
  while (done < out.size()) {
    const std::size_t n = std::min(piece, out.size() - done);
    const ssize_t w = ::write(fd, out.data() + done, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN) {
        pollfd p{fd, POLLOUT, 0};
        ::poll(&p, 1, 100);
        continue;
      }
      return;
    }
    done += static_cast<std::size_t>(w);
    if (baud_ > 0) {
      const long us = static_cast<long>(w) * 10L * 1'000'000L / baud_;
      timespec ts{us / 1'000'000, (us % 1'000'000) * 1000};
      ::nanosleep(&ts, nullptr);
    }
  }
}

void ConsoleSim::Answer(int fd, const std::uint8_t* data, std::size_t n) {
  std::vector<std::uint8_t> out;
  bool drop = false;
  {
    std::lock_guard lock(mutex_);
    engine_.Receive(data, n, MonotonicMs(), out);
    drop = engine_.TakeDropRequest();
  }
  if (!out.empty()) {
    WriteOut(fd, out);
    std::lock_guard lock(mutex_);
    engine_.MarkSent(MonotonicMs());
  }
  if (drop && fd == client_) CloseFd(client_);
}

void ConsoleSim::SendDuePackets() {
  const int fd = master_ >= 0 ? master_ : client_;
  std::vector<std::uint8_t> out;
  {
    std::lock_guard lock(mutex_);
    engine_.Tick(MonotonicMs(), out);
  }
  if (fd >= 0 && !out.empty()) WriteOut(fd, out);
}

int ConsoleSim::PollTimeoutMs() {
  std::lock_guard lock(mutex_);
  const std::int64_t due = engine_.NextDueMs();
  if (due < 0) return 1000;
  return static_cast<int>(std::clamp<std::int64_t>(due - MonotonicMs(), 0, 1000));
}

void ConsoleSim::Serve() {
  for (;;) {
    SendDuePackets();
    pollfd fds[2] = {{stop_pipe_[0], POLLIN, 0}, {-1, POLLIN, 0}};
    if (master_ >= 0) {
      fds[1].fd = master_;
    } else {
      fds[1].fd = client_ >= 0 ? client_ : listen_;
    }
    const int r = ::poll(fds, 2, PollTimeoutMs());
    if (r < 0 && errno != EINTR) return;
    if (fds[0].revents) return;
    if (r <= 0 || !fds[1].revents) continue;
    if (master_ < 0 && client_ < 0) {
      client_ = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
      if (client_ >= 0) {
        std::lock_guard lock(mutex_);
        ++connections_;
        engine_.OnNewConnection();
      }
      continue;
    }
    const int fd = fds[1].fd;
    std::uint8_t buf[512];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n > 0) {
      Answer(fd, buf, static_cast<std::size_t>(n));
    } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
      if (fd == client_) {
        CloseFd(client_);
      } else {
        // A pty without any client: wait a moment instead of spinning.
        ::poll(nullptr, 0, 20);
      }
    }
  }
}

}  // namespace sq::sim
