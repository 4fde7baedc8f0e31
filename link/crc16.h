// CRC-16/XMODEM (polynomial 0x1021, initial value 0, no reflection, no final XOR),
// the check that protects every binary block exchanged with the console.
//
// The sender appends the CRC high byte first; running the CRC over data and the two
// CRC bytes together yields 0 for an intact block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace sq {

// One step of the table-driven CRC.
[[nodiscard]] std::uint16_t Crc16Update(std::uint16_t crc, std::uint8_t byte);

// CRC of `data`, starting from `crc`.
[[nodiscard]] std::uint16_t Crc16(std::span<const std::uint8_t> data, std::uint16_t crc = 0);

// True when `block` (data followed by its two CRC bytes) checks to 0.
[[nodiscard]] bool Crc16BlockOk(std::span<const std::uint8_t> block);

// Appends the CRC of out[0, n) as two bytes at out[n], out[n + 1] (high byte first).
void Crc16Append(std::uint8_t* out, std::size_t n);

}  // namespace sq
