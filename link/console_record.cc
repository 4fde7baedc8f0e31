#include "link/console_record.h"

#include <algorithm>
#include <cmath>

#include "foundation/display_units.h"
#include "foundation/weather_calc.h"

namespace sq {
namespace {

using namespace console_rec;

constexpr std::uint16_t kNone16 = 0x7FFF;
constexpr int kBarometerFloor = 16000;
constexpr int kHumMax = 1000;  // tenths of %
constexpr std::uint16_t kEmptyTime = 0xFFFF;

std::uint16_t U16(ConsoleRecordBytes r, std::size_t at) { return static_cast<std::uint16_t>(r[at] | (r[at + 1] << 8)); }
std::int16_t I16(ConsoleRecordBytes r, std::size_t at) { return static_cast<std::int16_t>(U16(r, at)); }

// A temperature word: 0x7FFF (and the type's own minimum) is no value.
std::int16_t Temp(ConsoleRecordBytes r, std::size_t at) {
  const std::uint16_t raw = U16(r, at);
  return raw == kNone16 ? kNoValue16 : static_cast<std::int16_t>(raw);
}

std::int16_t Hum(std::uint8_t b) {
  if (b == 0xFF || b == 0x80) return kNoValue16;
  return static_cast<std::int16_t>(std::min(b * 10, kHumMax));
}

DateTime DayOf(const DateTime& t) { return DateTime(t.month, t.day, t.year); }

}  // namespace

std::optional<DateTime> LastArchiveTime(WeatherDatabase& db, std::string* damaged_file) {
  if (damaged_file) damaged_file->clear();
  auto damaged = [&]() {
    const int m = db.current_month();
    if (damaged_file && damaged_file->empty() && m >= 0 && m < db.month_count()) {
      *damaged_file = db.months()[static_cast<std::size_t>(m)].file_name;
    }
  };
  // Read backwards: the newest day's archive records, newest first. A record that is
  // not later than the one before it marks that one's time as suspect too, so the
  // newest moment is the largest valid time of the day, not the last record's.
  std::optional<DateTime> day_found;
  int best = 0;
  int later_time = 0;  // time of the record read just before (the next one in the day)
  for (std::int32_t n = db.total_records() - 1; n >= 0; --n) {
    RecordBytes rec;
    if (db.GetRecord(&rec, n) != kDbOk) break;
    DateTime when;
    if (db.GetDateLastRead(&when) != 1 || !when.valid) {
      damaged();
      continue;
    }
    if (day_found && when.GetPackedDate() != day_found->GetPackedDate()) break;
    if (rec[0] != kRecordTypeArchive) continue;
    const auto r = DecodeDataRecord(rec);
    if (!r || r->packed_time < 1 || r->packed_time > 1440) {
      damaged();
      continue;
    }
    if (later_time != 0 && r->packed_time >= later_time) damaged();
    later_time = r->packed_time;
    if (!day_found) day_found = DateTime(when.month, when.day, when.year);
    best = std::max(best, static_cast<int>(r->packed_time));
  }
  if (!day_found) return std::nullopt;
  DateTime out = *day_found;
  out.packed_time = static_cast<std::int16_t>(best);
  out.UnpackTime();
  return out;
}

CorvaleStamp StampFor(const std::optional<DateTime>& last) {
  if (!last || !last->valid || last->year < 2000) return {};
  DateTime t = *last;
  int minutes = t.packed_time;
  if (minutes >= 1440) {
    t = DayOf(t);
    ++t;
    minutes = 0;
  }
  // Seven bits of year: a date past 2127 cannot be asked for; ask for everything.
  if (t.year - 2000 > 127) return {};
  CorvaleStamp s;
  s.date = static_cast<std::uint16_t>(t.day + t.month * 32 + (t.year - 2000) * 512);
  s.time = static_cast<std::uint16_t>((minutes / 60) * 100 + minutes % 60);
  return s;
}

CorvaleStamp SetCorvaleDateTime(WeatherDatabase& db) { return StampFor(LastArchiveTime(db)); }

LayoutFlags LayoutFlagsFor(const std::optional<FirmwareDate>& firmware) {
  if (!firmware) return {true, true};
  const int key = firmware->year * 10000 + firmware->month * 100 + firmware->day;
  constexpr int kRevB = 20020301;
  constexpr int kRevB2 = 20020322;
  if (key < kRevB) return {false, false};
  return {true, key >= kRevB2};
}

ConsoleLayout SelectLayout(ConsoleRecordBytes rec, LayoutFlags flags) {
  if (!flags.rev_b) return ConsoleLayout::kA;
  if (flags.rev_b2) {
    if (rec[kB2Marker] == 0) return ConsoleLayout::kB;
    if (rec[kB2Marker] != 0xFF) return ConsoleLayout::kRejected;
    return ConsoleLayout::kA;
  }
  return rec[kB1Marker] != 0xFF ? ConsoleLayout::kB : ConsoleLayout::kA;
}

std::optional<DateTime> ConsoleRecordTime(ConsoleRecordBytes rec) {
  const std::uint16_t time = U16(rec, kTime);
  if (time == kEmptyTime || time > 2400) return std::nullopt;
  const int hour = time / 100, minute = time % 100;
  if (minute > 59 || (hour == 24 && minute != 0)) return std::nullopt;
  const std::uint16_t date = U16(rec, kDate);
  const int day = date & 0x1F, month = (date >> 5) & 0x0F, year = 2000 + (date >> 9);
  DateTime d(month, day, year);
  if (month < 1 || month > 12 || day < 1 || day > d.DaysInMonth()) return std::nullopt;
  int packed = hour * 60 + minute;
  if (packed == 0) {
    --d;  // midnight closes the previous day
    packed = 1440;
  }
  d.packed_time = static_cast<std::int16_t>(packed);
  d.UnpackTime();
  return d;
}

ConsoleRecordConverter::ConsoleRecordConverter(const ConversionContext& ctx) : ctx_(ctx) { astro_.SetSite(ctx.site); }

std::optional<DataRecord> ConsoleRecordConverter::Convert(ConsoleRecordBytes r, const DateTime& when) {
  const ConsoleLayout layout = SelectLayout(r, ctx_.layout);
  if (layout == ConsoleLayout::kRejected) return std::nullopt;
  if (!when.valid || when.packed_time < 1 || when.packed_time > 1440) return std::nullopt;

  DataRecord d = NewDataRecord();
  d.archive_interval = static_cast<std::uint8_t>(std::clamp(ctx_.archive_period, 0, 255));
  d.flags_b = static_cast<std::uint8_t>(ctx_.transmitter & kFlagBTransmitterMask);
  d.packed_time = when.packed_time;

  d.hi_outside_temp = Temp(r, kHiOutTemp);
  d.low_outside_temp = Temp(r, kLowOutTemp);
  d.outside_temp = d.hi_outside_temp == kNoValue16 ? kNoValue16 : Temp(r, kOutTemp);
  d.inside_temp = Temp(r, kInTemp);
  const std::uint16_t bar = U16(r, kBarometer);
  d.barometer = (bar == kNone16 || bar < kBarometerFloor || bar > 0x7FFF) ? kNoValue16 : static_cast<std::int16_t>(bar);
  d.outside_hum = Hum(r[kOutHum]);
  d.inside_hum = Hum(r[kInHum]);
  d.rain = static_cast<std::uint16_t>(DisplayUnits::InverseConvertRain(I16(r, kRain), ctx_.rain_collector));
  d.hi_rain_rate = I16(r, kHiRainRate);

  const std::uint8_t avg = r[kAvgWind], high = r[kHiWind];
  d.wind_direction = r[kWindDir];
  d.hi_wind_direction = r[kHiWindDir];
  d.hi_wind_speed = high == 0xFF ? kNoValue16 : static_cast<std::int16_t>(high * 10);
  if (high == 0xFF) d.hi_wind_direction = kNoValue8;
  if (avg == 0xFF || high == 0 || high == 0xFF) {
    d.wind_speed = 0;
    d.wind_direction = kNoValue8;
  } else {
    d.wind_speed = static_cast<std::int16_t>(avg * 10);
  }
  d.wind_samples = I16(r, kWindSamples);
  d.solar_rad = Temp(r, kSolar);
  d.uv = r[kUv];
  d.et = r[kEt];

  if (d.solar_rad >= 0 && ctx_.position_set) {
    const float dew = (d.outside_temp == kNoValue16 || d.outside_hum == kNoValue16)
                          ? kMissingCalc
                          : CalcDew(d.outside_temp / 10.0f, d.outside_hum / 10.0f);
    if (dew != kMissingCalc) {
      const std::int32_t day = when.GetPackedDate();
      if (day != astro_day_) {
        astro_.THSWIdailyAstronomyTasks(DayOf(when), ctx_.site.longitude);
        astro_day_ = day;
      }
      const int v = astro_.ExtraRadCalc(when, static_cast<float>(d.solar_rad), static_cast<int>(dew));
      d.extra_rad = static_cast<std::int16_t>(std::clamp(v, -32768, 32767));
    }
  }

  if (layout == ConsoleLayout::kB) {
    if (d.solar_rad != kNoValue16) d.hi_solar_rad = I16(r, kBHiSolar);
    if (d.uv != 0xFF) d.hi_uv = r[kBHiUv];
    d.spare_byte = r[kBForecastRule];
    std::copy_n(&r[kBLeafTemp], 2, d.leaf_temp);
    std::copy_n(&r[kBLeafWetness], 2, d.leaf_wetness);
    std::copy_n(&r[kBSoilMoisture], 4, d.soil_moisture);
    if (ctx_.layout.rev_b2) {
      std::copy_n(&r[kB2SoilTemp], 4, d.soil_temp);
      std::copy_n(&r[kB2ExtraHum], 2, d.extra_hum);
      std::copy_n(&r[kB2ExtraTemp], 3, d.extra_temp);
    } else {
      std::copy_n(&r[kB1ExtraHum], 2, d.extra_hum);
      std::copy_n(&r[kB1ExtraTemp], 3, d.extra_temp);
      std::copy_n(&r[kB1SoilTemp12], 2, d.soil_temp);
      std::copy_n(&r[kB1SoilTemp34], 2, d.soil_temp + 2);
    }
  } else {
    std::copy_n(&r[kASoilMoisture], 4, d.soil_moisture);
    std::copy_n(&r[kASoilTemp], 4, d.soil_temp);
    std::copy_n(&r[kALeafWetness], 4, d.leaf_wetness);
    std::copy_n(&r[kAExtraTemp], 2, d.extra_temp);
    std::copy_n(&r[kAExtraHum], 2, d.extra_hum);
  }
  return d;
}

}  // namespace sq
