// Real-time packets: the packet decoder on the raw input, and the session's packet
// reader fed through a socket pair with the input as everything the console sends.
// The first input byte picks the console family the packets are checked for.
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>

#include "link/corvale_session.h"
#include "link/hilows.h"
#include "link/loop_packets.h"

namespace {

// A channel on one end of a socket pair.
class PairTransport : public sq::CommProtocol {
 public:
  PairTransport(const sq::CommSettings& s, int fd) : CommProtocol(s), peer_fd_(fd) {}
  int OpenPort() override {
    AttachFd(::dup(peer_fd_));
    status_ |= sq::kStatusPortOpen;
    return 1;
  }

 private:
  int peer_fd_;
};

constexpr int kFamilies[] = {sq::kFamilyBrisant, sq::kFamilyCorvale, sq::kFamilyProbe};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > 8192) return 0;
  const int family = kFamilies[data[0] % 3];
  const std::span<const std::uint8_t> bytes(data + 1, size - 1);

  sq::LoopRecord record;
  (void)sq::DecodeLoopPacket(bytes, family, record);
  if (bytes.size() >= sq::kHiLowsBlockSize) {
    (void)sq::HiLowsBlockOk(bytes.first<sq::kHiLowsBlockSize>());
  }

  int sv[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, sv) != 0) return 0;
  if (!bytes.empty() && ::write(sv[1], bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
    ::close(sv[0]);
    ::close(sv[1]);
    return 0;
  }
  ::shutdown(sv[1], SHUT_WR);
  static sq::FakeLinkClock clock(0);
  sq::CommSettings s;
  s.clock = &clock;
  s.console_family = static_cast<std::int16_t>(family);
  {
    sq::CorvaleSession session(s, std::make_unique<PairTransport>(s, sv[0]));
    if (session.Open()) {
      sq::LoopPackets loop(session);
      // Every packet the input holds, and one more read that finds the end.
      const std::size_t reads = bytes.size() / sq::kLoopPacketSize + 2;
      for (std::size_t i = 0; i < reads; ++i) {
        if (loop.ReadLoopPacket(record) < 0 && !session.transport().usable()) break;
      }
    }
  }
  ::close(sv[0]);
  ::close(sv[1]);
  return 0;
}
