// Fetching the highs and lows block. The console answers "HILOWS" with ACK and the
// whole block at once; it needs pauses between the steps of the exchange, which run on
// the session's clock. The block is taken in one piece: over the USB bridge once it is
// all waiting, over a serial line or TCP as the bytes come; a block that arrives short
// or fails its CRC is refused.
#include "link/hilows.h"

#include <algorithm>

#include "link/crc16.h"
#include "link/loop_packets.h"

namespace sq {
namespace {

constexpr int kUsbPollMs = 20;

}  // namespace

bool HiLowsBlockOk(std::span<const std::uint8_t, kHiLowsBlockSize> block) { return Crc16(block) == 0; }

bool HiLowsCache::Update(std::span<const std::uint8_t, kHiLowsBlockSize> block) {
  if (has_block_ && std::equal(block.begin(), block.end(), block_.begin())) return false;
  std::copy(block.begin(), block.end(), block_.begin());
  has_block_ = true;
  return true;
}

int LoopPackets::GetHiLows(std::span<std::uint8_t, kHiLowsBlockSize> block) {
  if (s_.consoleFamily() != kFamilyCorvale) return -1;
  if (!s_.Begin(false, true)) return -1;
  LinkClock& clock = s_.clock();
  clock.SleepMs(kHiLowsStepPauseMs);
  if (s_.WakeUp() != 1) {
    s_.SetErrorText("case 3");
    s_.SetError(kErrNoWakeUp);
    return -1;
  }
  clock.SleepMs(kHiLowsStepPauseMs);
  s_.ClearInput();
  clock.SleepMs(kHiLowsStepPauseMs);
  if (s_.PutStr("HILOWS\n") != 0) return -1;
  clock.SleepMs(kHiLowsStepPauseMs);
  if (s_.GetAcknowledge() != 1) return -1;
  clock.SleepMs(kHiLowsAckPauseMs);

  CommProtocol& channel = *s_.transport_;
  const int connection = channel.settings().connection_type;
  if (connection == kConnUsb) {
    // Wait up to the read time-out for the whole block to be waiting, then take it.
    const std::int64_t deadline = clock.NowMs() + GetTimeoutProfile(channel.profile()).usb_read;
    while (channel.ReadData(block.data(), block.size()) != 0) {
      if (!channel.usable()) {
        channel.status() |= kStatusIoError | kStatusLineError;
        s_.SetError(kHiLowsFailed);
        return kHiLowsFailed;
      }
      if (clock.NowMs() >= deadline) {
        channel.status() |= kStatusIoError | kStatusTimeout;
        s_.SetError(kHiLowsShort);
        return kHiLowsShort;
      }
      clock.SleepMs(kUsbPollMs);
    }
  } else {
    for (std::size_t i = 0; i < block.size(); ++i) {
      const int b = s_.GetChar();
      if (b < 0) {
        // TCP reports the channel's own code (a time-out is -27).
        if (connection == kConnTcp && s_.lastError() < 0) return s_.lastError();
        s_.SetError(kHiLowsFailed);
        return kHiLowsFailed;
      }
      block[i] = static_cast<std::uint8_t>(b);
    }
  }
  if (!HiLowsBlockOk(block)) {
    channel.status() |= kStatusIoError | kStatusChecksumError;
    s_.SetError(kErrCrc);
    return kHiLowsBadCrc;
  }
  return 0;
}

}  // namespace sq
