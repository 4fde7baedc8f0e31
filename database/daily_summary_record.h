// The two daily summary records that open every day of a month file (types 2 and 3),
// 88 bytes each, plus the 12-bit arrays packed into them (two values per three bytes).
// Like DataRecord these are memcpy'd mirrors of the stored bytes; the one 16-bit field
// at an odd offset (cooling degree days at 75) is kept as two bytes with accessors.
// Computing the summaries belongs to the daily-summary code, not here.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "database/data_record.h"

namespace sq {

inline constexpr std::int16_t kSummaryLowReset = 32767;
inline constexpr int kSummary1TimeCount = 18;
inline constexpr int kSummary2TimeCount = 9;  // element 9 exists but is never used
inline constexpr int kWindBinCount = 16;
inline constexpr std::uint16_t kSummary1NoTime = 0x7FF;
inline constexpr std::uint16_t kSummary2NoTime = 0x800;

struct DailySummary1 {
  std::uint8_t record_type;     // 0   2
  std::uint8_t reserved;        // 1
  std::int16_t data_span;       // 2   minutes covered, 0..1440
  std::int16_t hi_out_temp;     // 4
  std::int16_t low_out_temp;    // 6
  std::int16_t hi_in_temp;      // 8
  std::int16_t low_in_temp;     // 10
  std::int16_t avg_out_temp;    // 12
  std::int16_t avg_in_temp;     // 14
  std::int16_t hi_chill;        // 16
  std::int16_t low_chill;       // 18
  std::int16_t hi_dew;          // 20
  std::int16_t low_dew;         // 22
  std::int16_t avg_chill;       // 24
  std::int16_t avg_dew;         // 26
  std::int16_t hi_out_hum;      // 28
  std::int16_t low_out_hum;     // 30
  std::int16_t hi_in_hum;       // 32
  std::int16_t low_in_hum;      // 34
  std::int16_t avg_out_hum;     // 36
  std::int16_t hi_bar;          // 38
  std::int16_t low_bar;         // 40
  std::int16_t avg_bar;         // 42
  std::int16_t hi_speed;        // 44
  std::int16_t avg_speed;       // 46
  std::int16_t daily_wind_run;  // 48  tenths of a mile
  std::int16_t hi_10min_speed;  // 50  never computed
  std::uint8_t dir_hi_speed;    // 52
  std::uint8_t dir_hi_10min;    // 53  never computed
  std::int16_t daily_rain;      // 54  thousandths of inch
  std::int16_t hi_rain_rate;    // 56  hundredths of inch per hour
  std::int16_t daily_uv_dose;   // 58  tenths of MED
  std::uint8_t hi_uv;           // 60
  std::uint8_t times[27];       // 61  18 x 12-bit time values
};

struct DailySummary2 {
  std::uint8_t record_type;         // 0   3
  std::uint8_t reserved;            // 1
  std::uint16_t todays_weather;     // 2   always 0
  std::int16_t wind_samples;        // 4
  std::int16_t hi_solar;            // 6
  std::int16_t daily_solar_energy;  // 8   tenths of Langley
  std::int16_t min_sunlight;        // 10  never computed
  std::int16_t daily_et;            // 12  thousandths of inch
  std::int16_t hi_heat;             // 14
  std::int16_t low_heat;            // 16
  std::int16_t avg_heat;            // 18
  std::int16_t hi_thsw;             // 20
  std::int16_t low_thsw;            // 22
  std::int16_t hi_thw;              // 24
  std::int16_t low_thw;             // 26
  std::int16_t heat_dd;             // 28  tenths of degF-day
  std::int16_t hi_wet_bulb;         // 30
  std::int16_t low_wet_bulb;        // 32
  std::int16_t avg_wet_bulb;        // 34
  std::uint8_t dir_bins[24];        // 36  16 x 12-bit minutes per direction
  std::uint8_t times[15];           // 60  10 x 12-bit time values
  std::uint8_t cool_dd_bytes[2];    // 75  signed 16, unaligned: use Get/SetCoolDd
  std::uint8_t reserved2[11];       // 77  00 80 00 80 ...

  [[nodiscard]] std::int16_t GetCoolDd() const;
  void SetCoolDd(std::int16_t v);
};

// Summary records as they are when a day's summary is started.
[[nodiscard]] DailySummary1 NewDailySummary1();
[[nodiscard]] DailySummary2 NewDailySummary2();

[[nodiscard]] std::optional<DailySummary1> DecodeDailySummary1(std::span<const std::uint8_t> in);
[[nodiscard]] std::optional<DailySummary2> DecodeDailySummary2(std::span<const std::uint8_t> in);
[[nodiscard]] RecordBytes ToBytes(const DailySummary1& r);
[[nodiscard]] RecordBytes ToBytes(const DailySummary2& r);

// Element `i` of a packed 12-bit array of `count` elements; -32768 outside 0..count-1.
[[nodiscard]] int Get12Bit(std::span<const std::uint8_t> array, int count, int i);
// Stores the low 12 bits of `value` as element `i`, touching only its own bits.
// An index outside 0..count-1 writes nothing.
void Set12Bit(std::span<std::uint8_t> array, int count, int i, int value);

}  // namespace sq
