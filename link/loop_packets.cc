// Reading real-time packets. The console sends a stream of 99-byte packets after one
// command; a serial line or a TCP connection hands them over in pieces of any size,
// and the read of a piece may time out in the middle of a packet. The bytes collected
// so far therefore stay in the session (packet_fill_) and the next call continues the
// packet. Only a complete packet is checked (CRC by console family, then the header)
// and decoded, so a damaged packet never reaches the loop record.
#include "link/loop_packets.h"

#include <cstdio>
#include <cstring>

#include "app/messages.h"
#include "link/brisant_session.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace sq {
namespace {

constexpr int kStreamProfile = 4;
constexpr int kCommandProfile = 0;
constexpr int kStopPauseMs = 150;
constexpr int kStopSettleMs = 300;
// The console's "%d" takes any count, but a stream longer than this is a mistake.
constexpr int kMaxStreamCount = 0x7FFF;

}  // namespace

bool LoopPackets::Loop2Supported() {
  if (s_.loop2_supported_ > 254) s_.loop2_supported_ = s_.IsLoop2Supported() ? 1 : 0;  // above 254: not asked yet
  return s_.loop2_supported_ == 1;
}

int LoopPackets::StartFamilyLoop(int count, int kind) {
  if (s_.consoleFamily() == kFamilyBrisant) {
    auto* brisant = dynamic_cast<BrisantSession*>(&s_);
    return brisant != nullptr && brisant->StartLoop(count) == 0 ? 0 : -1;
  }
  if (s_.consoleFamily() != kFamilyCorvale) return -1;
  if (s_.WakeUp() != 1) {
    s_.SetError(kErrNoWakeUp);
    return -1;
  }
  s_.ClearInput();
  if (s_.loop2_supported_ > 254) {
    (void)Loop2Supported();
    s_.ClearInput();  // nothing of that exchange may be taken for the acknowledgement
  }
  char cmd[32];
  if (s_.loop2_supported_ == 1 && kind == kLoopKindLoop2) {
    std::snprintf(cmd, sizeof cmd, "LPS 2 %d\n", count);
  } else if (s_.loop2_supported_ == 1 && kind == kLoopKindBoth) {
    std::snprintf(cmd, sizeof cmd, "LPS 3 %d\n", count * 2);
  } else {
    std::snprintf(cmd, sizeof cmd, "LOOP %d\n", count);
  }
  if (s_.PutStr(cmd) != 0) return -1;
  return s_.GetAcknowledge() == 1 ? 0 : -1;
}

int LoopPackets::StartLoop(int count, int kind) {
  if (count <= 0 || count > kMaxStreamCount) return -1;
  if (!s_.Begin(false, false)) return -1;
  s_.ResetIdle();
  s_.packet_fill_ = 0;
  s_.SetTimeOuts(kCommandProfile);
  if (StartFamilyLoop(count, kind) != 0) return -1;
  s_.SetTimeOuts(kStreamProfile);
  return 0;
}

void LoopPackets::StopLoop() {
  s_.packet_fill_ = 0;
  if (s_.consoleFamily() == kFamilyBrisant) {
    if (auto* brisant = dynamic_cast<BrisantSession*>(&s_)) {
      brisant->StopLoop();
      return;
    }
  }
  (void)s_.PutChar(kCr);
  s_.clock().SleepMs(kStopPauseMs);
  (void)s_.PutChar(kCr);
  s_.SetTimeOuts(kCommandProfile);
  s_.clock().SleepMs(kStopSettleMs);
  s_.ClearInput();
}

int LoopPackets::ReceiveBulk() {
  // The bridge hands over what is waiting; a packet not yet all there is left for the
  // next call.
  if (s_.transport_->ReadData(s_.packet_.data(), kLoopPacketSize) != 0) {
    s_.SetError(kErrTimeout);
    return kLoopPending;
  }
  s_.packet_fill_ = kLoopPacketSize;
  return kLoopOk;
}

int LoopPackets::ReceiveBytes() {
  while (s_.packet_fill_ < kLoopPacketSize) {
    const int b = s_.GetChar();
    if (b < 0) {
      if (!s_.transport_->usable()) return kLoopReadError;
      if (s_.TimedOut()) return kLoopPending;  // keep what arrived for the next call
      return kLoopReadError;
    }
    s_.packet_[s_.packet_fill_++] = static_cast<std::uint8_t>(b);
  }
  return kLoopOk;
}

int LoopPackets::ReceivePacket() {
  if (s_.transport_->settings().connection_type == kConnUsb && s_.packet_fill_ == 0) return ReceiveBulk();
  return ReceiveBytes();
}

int LoopPackets::ReadLoopPacket(LoopRecord& record) {
  if (!s_.transport_->usable()) {
    s_.SetError(-1);
    return kLoopNotOpen;
  }
  s_.ResetIdle();
  s_.clock().SleepMs(kLoopReadPauseMs);
  const int r = ReceivePacket();
  if (r != kLoopOk) return r;
  s_.packet_fill_ = 0;
  LoopRecord decoded = record;
  const int result = DecodeLoopPacket(s_.packet_, s_.consoleFamily(), decoded);
  if (result == kLoopBadCrc) {
    s_.transport_->status() |= kStatusIoError | kStatusChecksumError;
    s_.SetError(kErrCrc);
    return kLoopBadCrc;
  }
  if (result == kLoopBadHeader) {
    s_.SetError(kErrMissedHeader);
    return kLoopBadHeader;
  }
  if (!IsLoop2Packet(s_.packet_)) s_.last_loop_ = s_.packet_;
  record = decoded;
  return kLoopOk;
}

int LoopPackets::GetLoopPackets(LoopRecord& record, int kind) {
  if (!s_.Begin(false, false)) return -1;
  if (s_.WakeUp() != 1) {
    s_.SetError(kErrNoWakeUp);
    return kErrNoWakeUp;
  }
  s_.SaveTimeOuts();
  int r = StartLoop(1, kind);
  if (r != 0) {
    s_.RestoreTimeOuts();
    return r;
  }
  // "Both" is two packets, but only where the console streams LOOP2 at all.
  const int wanted = kind == kLoopKindBoth && s_.loop2_supported_ == 1 ? 2 : 1;
  const std::int64_t start = s_.clock().NowMs();
  int got = 0;
  for (;;) {
    r = ReadLoopPacket(record);
    if (r == kLoopOk) {
      if (++got == wanted) break;
      continue;
    }
    if (r < 0) break;
    if (s_.clock().NowMs() - start >= kLoopPacketsLimitMs) {
      ErrorMessage(LoadString(string_id::kLoopTimedOut));
      r = -1;
      break;
    }
  }
  s_.RestoreTimeOuts();
  return r;
}

}  // namespace sq
