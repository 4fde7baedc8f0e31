// Helpers for the console link tests: a pseudo-terminal whose other end the test
// drives byte by byte, and one whose other end answers from a thread.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "test_support/temp_dir.h"

namespace sq::testing {

// The grace period of a fake link clock for peers that say when they stay silent: as
// long as a loaded machine may take to answer, and spent only when an answer is late.
inline constexpr int kAnswerGraceMs = 5000;

// The console end of a pseudo-terminal: the session opens path(); the test writes
// the console's answers and reads what the session sent.
class ScriptedPeer {
 public:
  ScriptedPeer() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ::grantpt(master_);
    ::unlockpt(master_);
    char name[128] = {};
    ::ptsname_r(master_, name, sizeof name);
    path_ = name;
    keep_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios t{};
    ::tcgetattr(keep_, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(keep_, TCSANOW, &t);
  }
  ~ScriptedPeer() {
    ::close(keep_);
    ::close(master_);
  }
  ScriptedPeer(const ScriptedPeer&) = delete;
  ScriptedPeer& operator=(const ScriptedPeer&) = delete;

  const std::string& path() const { return path_; }
  void Send(const std::vector<std::uint8_t>& bytes) { (void)!::write(master_, bytes.data(), bytes.size()); }
  void Send(const std::string& text) { (void)!::write(master_, text.data(), text.size()); }
  // What the session sent so far (waits briefly for it to arrive).
  std::vector<std::uint8_t> Received(int wait_ms = 50) {
    std::vector<std::uint8_t> out;
    pollfd p{master_, POLLIN, 0};
    while (::poll(&p, 1, wait_ms) > 0) {
      std::uint8_t buf[256];
      const ssize_t n = ::read(master_, buf, sizeof buf);
      if (n <= 0) break;
      out.insert(out.end(), buf, buf + n);
    }
    return out;
  }

 private:
  int master_ = -1;
  int keep_ = -1;
  std::string path_;
};

inline std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

}  // namespace sq::testing

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace sq::testing {

// A pseudo-terminal whose far end answers from a thread: every burst of bytes the
// session sends is handed to `handler`, and what it returns is sent back.
class PtyResponder {
 public:
  using Handler = std::function<std::vector<std::uint8_t>(const std::vector<std::uint8_t>&)>;
  explicit PtyResponder(Handler handler) : handler_(std::move(handler)) {
    thread_ = std::thread([this] { Run(); });
  }
  ~PtyResponder() {
    stop_ = true;
    thread_.join();
  }
  const std::string& path() const { return peer_.path(); }
  std::vector<std::uint8_t> received() {
    std::lock_guard lock(mutex_);
    return received_;
  }

 private:
  void Run() {
    while (!stop_) {
      auto in = peer_.Received(20);
      if (in.empty()) continue;
      {
        std::lock_guard lock(mutex_);
        received_.insert(received_.end(), in.begin(), in.end());
      }
      const auto out = handler_(in);
      if (!out.empty()) peer_.Send(out);
    }
  }
  ScriptedPeer peer_;
  Handler handler_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::uint8_t> received_;
  std::thread thread_;
};

}  // namespace sq::testing
