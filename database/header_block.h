// The 212-byte header of a month file: id code, record count and the day index.
// Kept in memory as plain integers; EncodeHeader/DecodeHeader convert to and from the
// stored little-endian bytes (the 6-byte day entries are unaligned, so no mirror struct).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace sq {

inline constexpr std::size_t kHeaderSize = 212;
inline constexpr std::size_t kHeaderIdSize = 16;
inline constexpr std::size_t kHeaderTotalOffset = 16;     // signed 32, records in the file
inline constexpr std::size_t kHeaderDayIndexOffset = 20;  // 32 entries of 6 bytes
inline constexpr std::size_t kDayEntrySize = 6;           // signed 16 count, signed 32 start
inline constexpr std::size_t kDayEntryStartOffset = 2;
inline constexpr int kDayEntries = 32;  // entry 0 unused, 1..31 the days
static_assert(kHeaderDayIndexOffset + kDayEntries * kDayEntrySize == kHeaderSize);

struct DayIndexEntry {
  std::int16_t records_in_day = 0;  // summaries included; 0 = no data
  std::int32_t start_position = 0;  // record number of the day's first record
};

struct HeaderBlock {
  std::array<std::uint8_t, kHeaderIdSize> id_code{};
  std::int32_t total_records = 0;
  std::array<DayIndexEntry, kDayEntries> day{};

  // Version numbers read from the id code's text ("WDAT5.3" gives 5 and 3).
  [[nodiscard]] int MajorVersion() const;
  [[nodiscard]] int MinorVersion() const;
};

// The header of a new, empty month file: id code "WDAT5.3", everything else zero.
[[nodiscard]] HeaderBlock NewHeaderBlock();

void EncodeHeader(const HeaderBlock& h, std::span<std::uint8_t, kHeaderSize> out);
[[nodiscard]] std::array<std::uint8_t, kHeaderSize> EncodeHeader(const HeaderBlock& h);
// Fails only when fewer than 212 bytes are given; the values are not checked here
// (see CheckHeader in month_file.h).
[[nodiscard]] std::optional<HeaderBlock> DecodeHeader(std::span<const std::uint8_t> in);

}  // namespace sq
