// Console and logger replies: the text parsers (firmware date and version, reception
// statistics, discovery datagrams) and the session's readers of ACKs, CRC blocks,
// "OK" answers and archive pages, fed through a socket pair with the input as
// everything the console ever says.
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <memory>
#include <string_view>

#include "fuzz/pair_transport.h"
#include "link/corvale_session.h"
#include "link/device_finder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 8192) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  (void)sq::ParseFirmwareDate(text);
  (void)sq::ParseFirmwareVersionNumber(text);
  (void)sq::ParseReceptionStats(text);
  (void)sq::ParseDiscoveryReply({data, size});

  sq::fuzz::FilledSocketPair pair(std::span<const std::uint8_t>(data, size));
  if (!pair.ok()) return 0;
  static sq::FakeLinkClock clock(0);
  sq::CommSettings s;
  s.clock = &clock;
  {
    sq::CorvaleSession session(s, std::make_unique<sq::fuzz::PairTransport>(s, pair.reader()));
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
  return 0;
}
