#include "link/crc16.h"

#include <array>

namespace sq {
namespace {

constexpr std::array<std::uint16_t, 256> MakeTable() {
  std::array<std::uint16_t, 256> t{};
  for (unsigned i = 0; i < 256; ++i) {
    std::uint16_t c = static_cast<std::uint16_t>(i << 8);
    for (int b = 0; b < 8; ++b) {
      c = static_cast<std::uint16_t>((c & 0x8000) ? (c << 1) ^ 0x1021 : (c << 1));
    }
    t[i] = c;
  }
  return t;
}

constexpr auto kTable = MakeTable();

}  // namespace

std::uint16_t Crc16Update(std::uint16_t crc, std::uint8_t byte) {
  return static_cast<std::uint16_t>(kTable[((crc >> 8) ^ byte) & 0xFF] ^ (crc << 8));
}

std::uint16_t Crc16(std::span<const std::uint8_t> data, std::uint16_t crc) {
  for (std::uint8_t b : data) crc = Crc16Update(crc, b);
  return crc;
}

bool Crc16BlockOk(std::span<const std::uint8_t> block) { return block.size() >= 2 && Crc16(block) == 0; }

void Crc16Append(std::uint8_t* out, std::size_t n) {
  const std::uint16_t crc = Crc16({out, n});
  out[n] = static_cast<std::uint8_t>(crc >> 8);
  out[n + 1] = static_cast<std::uint8_t>(crc & 0xFF);
}

}  // namespace sq
