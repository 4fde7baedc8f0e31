// The archive record of a month file: 88 bytes, little-endian, record type 1.
//
// `DataRecord` is a mirror of the stored bytes: every field is a fixed-width integer
// at its stored offset, so a record is read and written with one memcpy. The
// static_asserts in data_record.cc pin every offset; FORMAT.md describes the fields.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace sq {

static_assert(std::endian::native == std::endian::little,
              "month-file records are memcpy'd mirrors of little-endian bytes");

inline constexpr std::size_t kRecordSize = 88;

// Record type byte, the first byte of every record of a month file.
inline constexpr std::uint8_t kRecordTypeArchive = 1;
inline constexpr std::uint8_t kRecordTypeSummary1 = 2;
inline constexpr std::uint8_t kRecordTypeSummary2 = 3;

// Missing-value markers.
inline constexpr std::int16_t kNoValue16 = -32768;
inline constexpr std::uint8_t kNoValue8 = 255;
inline constexpr std::uint16_t kNoRain = 0x8000;

// Bits of the flag bytes.
inline constexpr std::uint8_t kFlagAIconMask = 0x0F;
inline constexpr std::uint8_t kFlagAEdited = 0x10;
inline constexpr std::uint8_t kFlagAHasNote = 0x20;
inline constexpr std::uint8_t kFlagBTransmitterMask = 0x07;
inline constexpr std::uint8_t kFlagBNegativeEt = 0x10;

struct DataRecord {
  std::uint8_t record_type;        // 0   1 archive record
  std::uint8_t archive_interval;   // 1   minutes covered by the record
  std::uint8_t flags_a;            // 2   icon, edited, has note
  std::uint8_t flags_b;            // 3   anemometer transmitter, ET sign
  std::int16_t packed_time;        // 4   end of interval, 1..1440
  std::int16_t outside_temp;       // 6   tenths of degF
  std::int16_t hi_outside_temp;    // 8
  std::int16_t low_outside_temp;   // 10
  std::int16_t inside_temp;        // 12
  std::int16_t barometer;          // 14  thousandths of inHg
  std::int16_t outside_hum;        // 16  tenths of %
  std::int16_t inside_hum;         // 18
  std::uint16_t rain;              // 20  bits 0-11 clicks, 12-15 collector code
  std::int16_t hi_rain_rate;       // 22  clicks per hour
  std::int16_t wind_speed;         // 24  tenths of mph
  std::int16_t hi_wind_speed;      // 26
  std::uint8_t wind_direction;     // 28  compass point 0..15, 255 none
  std::uint8_t hi_wind_direction;  // 29
  std::int16_t wind_samples;       // 30
  std::int16_t solar_rad;          // 32  W/m2
  std::int16_t hi_solar_rad;       // 34
  std::uint8_t uv;                 // 36  tenths of UV index
  std::uint8_t hi_uv;              // 37
  std::uint8_t leaf_temp[4];       // 38  degF + 90
  std::int16_t extra_rad;          // 42  radiation term of the THSW index
  std::int16_t spare_slots[6];     // 44  not read
  std::uint8_t spare_byte;         // 56  not read
  std::uint8_t et;                 // 57  thousandths of inch, sign in flags_b
  std::uint8_t soil_temp[6];       // 58  degF + 90
  std::uint8_t soil_moisture[6];   // 64  centibars
  std::uint8_t leaf_wetness[4];    // 70  0..15
  std::uint8_t extra_temp[7];      // 74  degF + 90
  std::uint8_t extra_hum[7];       // 81  whole %
};

// A freshly reset archive record: type 1, every measurement marked missing.
[[nodiscard]] DataRecord NewDataRecord();

// Record type of raw record bytes (0 when `bytes` is empty).
[[nodiscard]] std::uint8_t RecordTypeOf(std::span<const std::uint8_t> bytes);

// Encodes/decodes the stored bytes. Decoding fails when fewer than 88 bytes are given.
void EncodeDataRecord(const DataRecord& r, std::span<std::uint8_t, kRecordSize> out);
[[nodiscard]] std::optional<DataRecord> DecodeDataRecord(std::span<const std::uint8_t> in);

// Raw bytes of any record (archive or summary) as they lie in a month file.
using RecordBytes = std::array<std::uint8_t, kRecordSize>;

[[nodiscard]] RecordBytes ToBytes(const DataRecord& r);

}  // namespace sq
