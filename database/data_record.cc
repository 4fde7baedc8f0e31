#include "database/data_record.h"

#include <cstring>
#include <type_traits>

namespace sq {
namespace {

#define SQ_AT(field, offset) static_assert(offsetof(DataRecord, field) == (offset), #field)
static_assert(sizeof(DataRecord) == kRecordSize);
static_assert(std::is_trivially_copyable_v<DataRecord> && std::is_standard_layout_v<DataRecord>);
SQ_AT(record_type, 0);
SQ_AT(archive_interval, 1);
SQ_AT(flags_a, 2);
SQ_AT(flags_b, 3);
SQ_AT(packed_time, 4);
SQ_AT(outside_temp, 6);
SQ_AT(hi_outside_temp, 8);
SQ_AT(low_outside_temp, 10);
SQ_AT(inside_temp, 12);
SQ_AT(barometer, 14);
SQ_AT(outside_hum, 16);
SQ_AT(inside_hum, 18);
SQ_AT(rain, 20);
SQ_AT(hi_rain_rate, 22);
SQ_AT(wind_speed, 24);
SQ_AT(hi_wind_speed, 26);
SQ_AT(wind_direction, 28);
SQ_AT(hi_wind_direction, 29);
SQ_AT(wind_samples, 30);
SQ_AT(solar_rad, 32);
SQ_AT(hi_solar_rad, 34);
SQ_AT(uv, 36);
SQ_AT(hi_uv, 37);
SQ_AT(leaf_temp, 38);
SQ_AT(extra_rad, 42);
SQ_AT(spare_slots, 44);
SQ_AT(spare_byte, 56);
SQ_AT(et, 57);
SQ_AT(soil_temp, 58);
SQ_AT(soil_moisture, 64);
SQ_AT(leaf_wetness, 70);
SQ_AT(extra_temp, 74);
SQ_AT(extra_hum, 81);
#undef SQ_AT

}  // namespace

DataRecord NewDataRecord() {
  DataRecord r;
  std::memset(&r, kNoValue8, sizeof r);  // every byte field starts as 255
  r.record_type = kRecordTypeArchive;
  r.archive_interval = 0;
  r.flags_a = 0;
  r.flags_b = 0;
  for (std::int16_t* f : {&r.packed_time, &r.outside_temp, &r.hi_outside_temp, &r.low_outside_temp, &r.inside_temp,
                          &r.barometer, &r.outside_hum, &r.inside_hum, &r.hi_rain_rate, &r.wind_speed, &r.hi_wind_speed,
                          &r.solar_rad, &r.hi_solar_rad, &r.extra_rad}) {
    *f = kNoValue16;
  }
  for (auto& s : r.spare_slots) s = kNoValue16;
  r.rain = 0;
  r.wind_samples = 0;
  return r;
}

std::uint8_t RecordTypeOf(std::span<const std::uint8_t> bytes) { return bytes.empty() ? 0 : bytes[0]; }

void EncodeDataRecord(const DataRecord& r, std::span<std::uint8_t, kRecordSize> out) {
  std::memcpy(out.data(), &r, kRecordSize);
}

std::optional<DataRecord> DecodeDataRecord(std::span<const std::uint8_t> in) {
  if (in.size() < kRecordSize) return std::nullopt;
  DataRecord r;
  std::memcpy(&r, in.data(), kRecordSize);
  return r;
}

RecordBytes ToBytes(const DataRecord& r) {
  RecordBytes b;
  EncodeDataRecord(r, b);
  return b;
}

}  // namespace sq
