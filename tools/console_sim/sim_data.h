// Deterministic console contents for the simulator: the archive of plausible weather
// (52-byte records in either layout), LOOP and LOOP2 packets, the HILOWS block, the
// calibrated-values block and the initial EEPROM image.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace sq::sim {

inline constexpr std::size_t kRecordSize = 52;
inline constexpr std::size_t kRecordsPerPage = 5;
inline constexpr std::size_t kArchivePages = 512;
inline constexpr std::size_t kArchiveCapacity = kArchivePages * kRecordsPerPage;
inline constexpr std::size_t kPacketSize = 99;
inline constexpr std::size_t kHiLowsSize = 436;
inline constexpr std::size_t kCalibratedSize = 43;
inline constexpr std::size_t kEepromSize = 4096;

using Record = std::array<std::uint8_t, kRecordSize>;

struct ArchiveOptions {
  int records = 100;                                      // 0 .. 2560
  char layout = 'b';                                      // 'a': older record layout, 'b': newer
  int period_minutes = 30;                                // interval between records
  int start_year = 2024, start_month = 6, start_day = 1;  // first record: start + period
  bool missing_solar = false;                             // solar and UV sensors absent
};

// Date word (day | month << 5 | (year - 2000) << 9) and time word (hour × 100 + minute)
// of a record.
[[nodiscard]] std::uint16_t RecordDate(const Record& r);
[[nodiscard]] std::uint16_t RecordTime(const Record& r);

[[nodiscard]] std::vector<Record> MakeArchive(const ArchiveOptions& options);

// Packet number `n` of a stream (values drift slowly with n).
[[nodiscard]] std::array<std::uint8_t, kPacketSize> MakeLoopPacket(int n);
[[nodiscard]] std::array<std::uint8_t, kPacketSize> MakeLoop2Packet(int n);
[[nodiscard]] std::array<std::uint8_t, kHiLowsSize + 2> MakeHiLows();
[[nodiscard]] std::array<std::uint8_t, kCalibratedSize> MakeCalibratedValues();
[[nodiscard]] std::vector<std::uint8_t> MakeEeprom(int period_minutes);

// Console clock bytes (seconds, minutes, hours, day, month, year - 1900) moved on by
// `seconds`.
void AddSeconds(std::uint8_t clock[6], long seconds);
// Console clock bytes of the moment a record was stamped.
void ClockOfRecord(const Record& r, std::uint8_t clock[6]);

// Appends the CRC of out (high byte first).
void AppendCrc(std::vector<std::uint8_t>& out, std::size_t from);

}  // namespace sq::sim
