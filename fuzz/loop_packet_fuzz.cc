// Real-time packets: the packet decoder on the raw input, and the session's packet
// reader fed through a socket pair with the input as everything the console sends.
// The first input byte picks the console family the packets are checked for.
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>

#include "fuzz/pair_transport.h"
#include "link/corvale_session.h"
#include "link/hilows.h"
#include "link/loop_packets.h"

namespace {

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

  sq::fuzz::FilledSocketPair pair(bytes);
  if (!pair.ok()) return 0;
  static sq::FakeLinkClock clock(0);
  sq::CommSettings s;
  s.clock = &clock;
  s.console_family = static_cast<std::int16_t>(family);
  {
    sq::CorvaleSession session(s, std::make_unique<sq::fuzz::PairTransport>(s, pair.reader()));
    if (session.Open()) {
      sq::LoopPackets loop(session);
      // Every packet the input holds, and one more read that finds the end.
      const std::size_t reads = bytes.size() / sq::kLoopPacketSize + 2;
      for (std::size_t i = 0; i < reads; ++i) {
        if (loop.ReadLoopPacket(record) < 0 && !session.transport().usable()) break;
      }
    }
  }
  return 0;
}
