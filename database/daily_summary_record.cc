#include "database/daily_summary_record.h"

#include <cstring>
#include <type_traits>

namespace sq {
namespace {

#define SQ_AT1(field, offset) static_assert(offsetof(DailySummary1, field) == (offset), #field)
#define SQ_AT2(field, offset) static_assert(offsetof(DailySummary2, field) == (offset), #field)
static_assert(sizeof(DailySummary1) == kRecordSize);
static_assert(sizeof(DailySummary2) == kRecordSize);
static_assert(std::is_trivially_copyable_v<DailySummary1> && std::is_standard_layout_v<DailySummary1>);
static_assert(std::is_trivially_copyable_v<DailySummary2> && std::is_standard_layout_v<DailySummary2>);
SQ_AT1(record_type, 0);
SQ_AT1(reserved, 1);
SQ_AT1(data_span, 2);
SQ_AT1(hi_out_temp, 4);
SQ_AT1(low_out_temp, 6);
SQ_AT1(hi_in_temp, 8);
SQ_AT1(low_in_temp, 10);
SQ_AT1(avg_out_temp, 12);
SQ_AT1(avg_in_temp, 14);
SQ_AT1(hi_chill, 16);
SQ_AT1(low_chill, 18);
SQ_AT1(hi_dew, 20);
SQ_AT1(low_dew, 22);
SQ_AT1(avg_chill, 24);
SQ_AT1(avg_dew, 26);
SQ_AT1(hi_out_hum, 28);
SQ_AT1(low_out_hum, 30);
SQ_AT1(hi_in_hum, 32);
SQ_AT1(low_in_hum, 34);
SQ_AT1(avg_out_hum, 36);
SQ_AT1(hi_bar, 38);
SQ_AT1(low_bar, 40);
SQ_AT1(avg_bar, 42);
SQ_AT1(hi_speed, 44);
SQ_AT1(avg_speed, 46);
SQ_AT1(daily_wind_run, 48);
SQ_AT1(hi_10min_speed, 50);
SQ_AT1(dir_hi_speed, 52);
SQ_AT1(dir_hi_10min, 53);
SQ_AT1(daily_rain, 54);
SQ_AT1(hi_rain_rate, 56);
SQ_AT1(daily_uv_dose, 58);
SQ_AT1(hi_uv, 60);
SQ_AT1(times, 61);
SQ_AT2(record_type, 0);
SQ_AT2(reserved, 1);
SQ_AT2(todays_weather, 2);
SQ_AT2(wind_samples, 4);
SQ_AT2(hi_solar, 6);
SQ_AT2(daily_solar_energy, 8);
SQ_AT2(min_sunlight, 10);
SQ_AT2(daily_et, 12);
SQ_AT2(hi_heat, 14);
SQ_AT2(low_heat, 16);
SQ_AT2(avg_heat, 18);
SQ_AT2(hi_thsw, 20);
SQ_AT2(low_thsw, 22);
SQ_AT2(hi_thw, 24);
SQ_AT2(low_thw, 26);
SQ_AT2(heat_dd, 28);
SQ_AT2(hi_wet_bulb, 30);
SQ_AT2(low_wet_bulb, 32);
SQ_AT2(avg_wet_bulb, 34);
SQ_AT2(dir_bins, 36);
SQ_AT2(times, 60);
SQ_AT2(cool_dd_bytes, 75);
SQ_AT2(reserved2, 77);
#undef SQ_AT1
#undef SQ_AT2

template <typename T>
std::optional<T> DecodeMirror(std::span<const std::uint8_t> in) {
  if (in.size() < kRecordSize) return std::nullopt;
  T r;
  std::memcpy(&r, in.data(), kRecordSize);
  return r;
}

template <typename T>
RecordBytes EncodeMirror(const T& r) {
  RecordBytes b;
  std::memcpy(b.data(), &r, kRecordSize);
  return b;
}

}  // namespace

std::int16_t DailySummary2::GetCoolDd() const {
  return static_cast<std::int16_t>(cool_dd_bytes[0] | (cool_dd_bytes[1] << 8));
}

void DailySummary2::SetCoolDd(std::int16_t v) {
  const auto u = static_cast<std::uint16_t>(v);
  cool_dd_bytes[0] = static_cast<std::uint8_t>(u & 0xFF);
  cool_dd_bytes[1] = static_cast<std::uint8_t>(u >> 8);
}

DailySummary1 NewDailySummary1() {
  DailySummary1 r;
  std::memset(&r, 0, sizeof r);
  r.record_type = kRecordTypeSummary1;
  for (std::int16_t* hi : {&r.hi_out_temp,    &r.hi_in_temp,     &r.avg_out_temp, &r.avg_in_temp,  &r.hi_chill,
                           &r.hi_dew,         &r.avg_chill,      &r.avg_dew,      &r.hi_out_hum,   &r.hi_in_hum,
                           &r.avg_out_hum,    &r.hi_bar,         &r.avg_bar,      &r.hi_speed,     &r.avg_speed,
                           &r.daily_wind_run, &r.hi_10min_speed, &r.daily_rain,   &r.hi_rain_rate, &r.daily_uv_dose}) {
    *hi = kNoValue16;
  }
  for (std::int16_t* lo :
       {&r.low_out_temp, &r.low_in_temp, &r.low_chill, &r.low_dew, &r.low_out_hum, &r.low_in_hum, &r.low_bar}) {
    *lo = kSummaryLowReset;
  }
  r.dir_hi_speed = kNoValue8;
  r.dir_hi_10min = kNoValue8;
  r.hi_uv = kNoValue8;
  for (int i = 0; i < kSummary1TimeCount; ++i) Set12Bit(r.times, kSummary1TimeCount, i, kSummary1NoTime);
  return r;
}

DailySummary2 NewDailySummary2() {
  DailySummary2 r;
  std::memset(&r, 0, sizeof r);
  r.record_type = kRecordTypeSummary2;
  r.reserved = kNoValue8;
  for (std::int16_t* hi :
       {&r.wind_samples, &r.hi_solar, &r.daily_solar_energy, &r.min_sunlight, &r.daily_et, &r.hi_heat, &r.avg_heat,
        &r.hi_thsw, &r.hi_thw, &r.heat_dd, &r.hi_wet_bulb, &r.avg_wet_bulb}) {
    *hi = kNoValue16;
  }
  for (std::int16_t* lo : {&r.low_heat, &r.low_thsw, &r.low_thw, &r.low_wet_bulb}) {
    *lo = kSummaryLowReset;
  }
  // All ten slots, the unused tenth included, start as "no time".
  for (int i = 0; i < 10; ++i) Set12Bit(r.times, 10, i, kSummary2NoTime);
  r.SetCoolDd(kNoValue16);
  for (std::size_t i = 0; i < sizeof r.reserved2; ++i) r.reserved2[i] = (i % 2 == 0) ? 0x00 : 0x80;
  return r;
}

std::optional<DailySummary1> DecodeDailySummary1(std::span<const std::uint8_t> in) {
  return DecodeMirror<DailySummary1>(in);
}
std::optional<DailySummary2> DecodeDailySummary2(std::span<const std::uint8_t> in) {
  return DecodeMirror<DailySummary2>(in);
}
RecordBytes ToBytes(const DailySummary1& r) { return EncodeMirror(r); }
RecordBytes ToBytes(const DailySummary2& r) { return EncodeMirror(r); }

int Get12Bit(std::span<const std::uint8_t> array, int count, int i) {
  if (i < 0 || i >= count) return kNoValue16;
  const std::size_t g = 3 * static_cast<std::size_t>(i / 2);
  if (g + 2 >= array.size()) return kNoValue16;
  if (i % 2 == 0) return array[g] + 256 * (array[g + 2] & 0x0F);
  return array[g + 1] + 16 * (array[g + 2] & 0xF0);
}

void Set12Bit(std::span<std::uint8_t> array, int count, int i, int value) {
  if (i < 0 || i >= count) return;
  const std::size_t g = 3 * static_cast<std::size_t>(i / 2);
  if (g + 2 >= array.size()) return;
  const auto high = static_cast<std::uint8_t>((value >> 8) & 0x0F);
  if (i % 2 == 0) {
    array[g] = static_cast<std::uint8_t>(value & 0xFF);
    array[g + 2] = static_cast<std::uint8_t>((array[g + 2] & 0xF0) | high);
  } else {
    array[g + 1] = static_cast<std::uint8_t>(value & 0xFF);
    array[g + 2] = static_cast<std::uint8_t>((array[g + 2] & 0x0F) | (high << 4));
  }
}

}  // namespace sq
