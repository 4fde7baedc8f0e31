// The console's block of highs and lows ("HILOWS"): 436 data bytes followed by their
// CRC, kept raw. The program does not interpret it; it checks it, compares it with the
// previous copy and passes a changed block on. LoopPackets::GetHiLows fetches it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace sq {

inline constexpr std::size_t kHiLowsDataSize = 436;
inline constexpr std::size_t kHiLowsBlockSize = kHiLowsDataSize + 2;  // with the CRC
using HiLowsBlock = std::array<std::uint8_t, kHiLowsBlockSize>;

// Pauses of the HILOWS exchange (ms): the console needs time between the steps.
inline constexpr int kHiLowsStepPauseMs = 1500;
inline constexpr int kHiLowsAckPauseMs = 1000;

// Result codes of GetHiLows besides 0 and -1.
inline constexpr int kHiLowsBadCrc = -4;
inline constexpr int kHiLowsShort = -5;   // USB: the block was not all waiting in time
inline constexpr int kHiLowsFailed = -6;  // fewer bytes than a block arrived

// True when `block` checks to 0 over its 438 bytes.
[[nodiscard]] bool HiLowsBlockOk(std::span<const std::uint8_t, kHiLowsBlockSize> block);

// The last block passed on, for the change check.
class HiLowsCache {
 public:
  // True when `block` differs from the kept copy (or none is kept yet); the block is
  // then kept. False for an identical block, which needs no new upload.
  [[nodiscard]] bool Update(std::span<const std::uint8_t, kHiLowsBlockSize> block);
  [[nodiscard]] bool has_block() const { return has_block_; }
  [[nodiscard]] const HiLowsBlock& block() const { return block_; }
  void Clear() { has_block_ = false; }

 private:
  HiLowsBlock block_{};
  bool has_block_ = false;
};

}  // namespace sq
