// A console channel for the fuzz targets: everything the input holds is written into
// one end of a socket pair (then closed for writing), and the session reads the other
// end through PairTransport, as if the console had sent it.
#pragma once

#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <span>

#include "link/comm_protocol.h"

namespace sq::fuzz {

class PairTransport : public CommProtocol {
 public:
  PairTransport(const CommSettings& s, int fd) : CommProtocol(s), peer_fd_(fd) {}
  int OpenPort() override {
    AttachFd(::dup(peer_fd_));
    status_ |= kStatusPortOpen;
    return 1;
  }

 private:
  int peer_fd_;
};

// Both ends of a socket pair holding `bytes`; closed on destruction. `ok()` is false
// when the pair could not be made or filled.
class FilledSocketPair {
 public:
  explicit FilledSocketPair(std::span<const std::uint8_t> bytes) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fd_) != 0) {
      fd_[0] = fd_[1] = -1;
      return;
    }
    ok_ = bytes.empty() || ::write(fd_[1], bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    ::shutdown(fd_[1], SHUT_WR);
  }
  FilledSocketPair(const FilledSocketPair&) = delete;
  FilledSocketPair& operator=(const FilledSocketPair&) = delete;
  ~FilledSocketPair() {
    for (int fd : fd_) {
      if (fd >= 0) ::close(fd);
    }
  }
  bool ok() const { return ok_; }
  int reader() const { return fd_[0]; }

 private:
  int fd_[2] = {-1, -1};
  bool ok_ = false;
};

}  // namespace sq::fuzz
