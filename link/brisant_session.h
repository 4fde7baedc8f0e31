// BrisantSession: the oldest console family. Commands are three letters, binary
// arguments and a carriage return, each answered by ACK and tried up to the retry
// count with the input cleared first. Memory is addressed in nibbles in two banks;
// the archive is a ring of 1560 images of 21 bytes.
#pragma once

#include <vector>

#include "link/serial_session.h"

namespace sq {

inline constexpr int kBrisantImageSize = 21;
inline constexpr int kBrisantRingImages = 1560;
inline constexpr std::size_t kBrisantPageSize = 133;  // 1, sequence, complement, 128 data, CRC

class BrisantSession : public SerialSession {
 public:
  explicit BrisantSession(const CommSettings& settings) : SerialSession(settings) {}
  ~BrisantSession() override = default;

  // "WRD": reads `nibbles` (1..8) nibbles of bank 0/1 at `address` into `out`
  // (ceil(nibbles / 2) bytes). 0 or -1.
  [[nodiscard]] int ReadNibbles(int bank, int address, int nibbles, std::vector<std::uint8_t>& out);
  // "RRD": the same through the second read command.
  [[nodiscard]] int ReadMemory(int bank, int address, int nibbles, std::vector<std::uint8_t>& out);
  // "WWR": writes nibbles of bank 0/1 at `address`. 0 or -1.
  [[nodiscard]] int WriteNibbles(int bank, int address, int nibbles, const std::vector<std::uint8_t>& data);
  // "RWR": the second write command.
  [[nodiscard]] int WriteMemory(int bank, int address, int nibbles, const std::vector<std::uint8_t>& data);
  // "SRD": `count` archive images from ring index `start` (wrapped modulo the ring,
  // cut at its end), checked by their CRC, into `out`. 0, -1 or -4.
  [[nodiscard]] int ReadImages(int start, int count, std::vector<std::uint8_t>& out);
  // "DMP": starts the page dump; 0 or -1.
  [[nodiscard]] int StartDump();
  // One 133-byte dump page; data bytes go to buffer() at `offset`. 0 stored, -3 a
  // repeated page (reply ACK, not stored) or wrong sequence, -2 bad start byte,
  // -4 CRC, -9 incomplete.
  int ReadDumpPage(int expected_seq, std::uint8_t& reply, std::size_t offset) override;
  int AllocDumpBuffer(int pages) override;
  // "LOOP" with 0x10000 - count; 0 or -1. StopLoop sends "RRD" 1 0 0.
  [[nodiscard]] int StartLoop(int count);
  void StopLoop();

 protected:
  // Sends command and arguments with CR until ACK; true when acknowledged.
  [[nodiscard]] bool Send(std::string_view cmd, const std::vector<std::uint8_t>& args);
};

}  // namespace sq
