// LoopPackets: the real-time packet operations of a console session. It is a view on
// a SerialSession (which must outlive it) and keeps no state of its own: the packet
// being assembled, the last LOOP packet, the last packet of either kind and the
// remembered LOOP2 support all live in the session, so views may be made per call.
//
//   LoopPackets loop(session);
//   if (loop.StartLoop(30, kLoopKindLoop) == 0)
//     while (...) switch (loop.ReadLoopPacket(record)) { ... }
//   loop.StopLoop();
//
// A packet arrives over a serial line or a TCP connection in as many pieces as the
// line makes of it: ReadLoopPacket collects what has arrived, answers kLoopPending on
// a time-out and continues the same packet on the next call. Over the USB bridge the
// packet is taken in one piece once all 99 bytes are waiting. Every pause and time-out
// runs on the session's clock.
#pragma once

#include <cstdint>
#include <span>

#include "link/hilows.h"
#include "link/loop_record.h"
#include "link/serial_session.h"

namespace sq {

// Limit of GetLoopPackets: how long it waits for its packets.
inline constexpr int kLoopPacketsLimitMs = 60000;
// Pause before every packet read.
inline constexpr int kLoopReadPauseMs = 250;

class LoopPackets {
 public:
  explicit LoopPackets(SerialSession& session) : s_(session) {}

  // Starts a stream of `count` packets of `kind` (kLoopKind*). Without LOOP2 support
  // every kind asks for LOOP packets; "both" asks for count × 2 packets. 0 when the
  // console acknowledged, -1 otherwise (the console did not wake, refused, or the
  // family has no such stream).
  [[nodiscard]] int StartLoop(int count, int kind);
  // Ends a stream: carriage return, 150 ms, carriage return, command time-outs,
  // 300 ms, input cleared.
  void StopLoop();
  // Reads one packet into `record`: kLoopOk, kLoopPending (time-out; call again),
  // kLoopBadHeader, kLoopBadCrc (status gets the checksum bits), kLoopReadError,
  // kLoopNotOpen.
  [[nodiscard]] int ReadLoopPacket(LoopRecord& record);
  // Starts a stream of one packet of `kind` (two for "both") and reads it into
  // `record`, waiting at most a minute. 0 success; -1 link not up, stream refused or
  // time-out ("Timed Out waiting for data from the Station" is reported); -10 the
  // console did not wake; else the failing ReadLoopPacket result.
  [[nodiscard]] int GetLoopPackets(LoopRecord& record, int kind);
  // The console's highs and lows block (current family only): 436 data bytes and
  // their CRC into `block`. 0 success; -1 not possible or no answer; -4 bad CRC;
  // -5 or -6 the block did not arrive whole (defined in hilows.cc).
  [[nodiscard]] int GetHiLows(std::span<std::uint8_t, kHiLowsBlockSize> block);
  // LOOP2 support as remembered by the last StartLoop, asking the console when it is
  // not known yet.
  [[nodiscard]] bool Loop2Supported();

  // Raw bytes of the last LOOP packet, and of the last packet of either kind.
  [[nodiscard]] const LoopPacket& lastLoopPacket() const { return s_.last_loop_; }
  [[nodiscard]] const LoopPacket& lastPacket() const { return s_.packet_; }
  // Bytes of the packet being assembled.
  [[nodiscard]] std::size_t packetFill() const { return s_.packet_fill_; }

 private:
  // Fills the session's packet buffer; kLoopOk when all 99 bytes are in.
  int ReceivePacket();
  int ReceiveBulk();
  int ReceiveBytes();
  // The family's own stream start (the oldest family uses its own command).
  int StartFamilyLoop(int count, int kind);

  SerialSession& s_;
};

}  // namespace sq
