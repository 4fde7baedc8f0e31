// Console and logger replies: the text parsers (firmware date and version, reception
// statistics, discovery datagrams) and the session's readers of ACKs, CRC blocks,
// "OK" answers and archive pages, fed through a socket pair with the input as
// everything the console ever says.
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <memory>
#include <string_view>

#include "link/corvale_session.h"
#include "link/device_finder.h"

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 8192) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  (void)sq::ParseFirmwareDate(text);
  (void)sq::ParseFirmwareVersionNumber(text);
  (void)sq::ParseReceptionStats(text);
  (void)sq::ParseDiscoveryReply({data, size});

  int sv[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, sv) != 0) return 0;
  if (size > 0 && ::write(sv[1], data, size) != static_cast<ssize_t>(size)) {
    ::close(sv[0]);
    ::close(sv[1]);
    return 0;
  }
  ::shutdown(sv[1], SHUT_WR);
  static sq::FakeLinkClock clock(0);
  sq::CommSettings s;
  s.clock = &clock;
  {
    sq::CorvaleSession session(s, std::make_unique<PairTransport>(s, sv[0]));
    if (session.Open()) {
      (void)session.GetAcknowledge();
      (void)session.ReadBlockCrc(8);
      (void)session.ExpectOk();
      (void)sq::ParseFirmwareDate(session.ReadText(13, true));
      if (session.AllocDumpBuffer(3) == 0) {
        for (int page = 0; page < 3; ++page) {
          std::uint8_t reply = 0;
          (void)session.ReadDumpPage(page, reply, static_cast<std::size_t>(page) * sq::kDumpPageStride);
        }
      }
    }
  }
  ::close(sv[0]);
  ::close(sv[1]);
  return 0;
}
