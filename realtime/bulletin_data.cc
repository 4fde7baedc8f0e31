// Turning loop records into current conditions. Every value is converted once, at the
// update, into the display units in effect; highs and lows compare display values,
// which order like the internal ones. The rings keep exact counts: rain in collector
// clicks, wind samples per minute.
//
// Time: highs and lows belong to the computer's local date; the rings step by whole
// minutes of the Unix clock (the local minute boundaries, unaffected by daylight-saving
// changes). A clock that goes back never steps a ring backwards and never resets the
// day's extremes; a long gap clears what no longer describes the recent past.
#include "realtime/bulletin_data.h"

#include <algorithm>
#include <cmath>

#include "app/station.h"
#include "foundation/display_units.h"
#include "foundation/prog_config_data.h"
#include "foundation/site.h"
#include "foundation/sun_moon.h"
#include "foundation/weather_calc.h"
#include "link/comm_protocol.h"
#include "link/console_config_actions.h"
#include "realtime/forecast.h"

namespace sq {
namespace {

using DU = DisplayUnits;

constexpr int kMinutesPerDay = 1440;
constexpr int kBarHistoryStepMinutes = 10;
constexpr std::int16_t kNoWindDirCode = 0x7FFF;
constexpr int kMinBatteryRaw = 518;
constexpr int kNoChange = -9999;

bool Missing(float v) { return DU::IsMissingTemp(v); }

float OrNone(float v) { return Missing(v) ? kNoValue : v; }

// F from tenths (a missing marker stays missing), with an older family's offset.
std::int16_t OffsetTenths(std::int16_t tenths, std::int16_t offset) {
  if (tenths == DU::kMissing16 || tenths == DU::kMissingHigh16 || offset == 0) return tenths;
  return static_cast<std::int16_t>(std::clamp(tenths + offset, -32767, 32766));
}

float TenthsToF(std::int16_t tenths) {
  if (tenths == DU::kMissing16 || tenths == DU::kMissingHigh16) return kNoValue;
  return static_cast<float>(tenths / 10.0);
}

// Humidity: 255 and the record's "no packet" markers are no value, above 100 is 100.
float Humidity(std::uint8_t b) {
  if (b == 255) return kNoValue;
  return DU::ConvertByteHum(std::min<std::uint8_t>(b, 100));
}

float LeafSoil(std::uint8_t b) { return b == 255 || b == 128 ? kNoValue : static_cast<float>(b); }

float DisplayTemp(float f) { return Missing(f) ? kNoValue : DU::ConvertTemp(f); }

std::int32_t PackedDate(const std::tm& tm) { return (tm.tm_year + 1900) * 65536 + (tm.tm_mon + 1) * 256 + tm.tm_mday; }

// Minutes of the day from the console's hour * 100 + minute.
std::uint16_t ClockMinutes(std::int16_t hhmm) {
  if (hhmm < 0 || hhmm / 100 > 23 || hhmm % 100 > 59) return kNoSunTime;
  return static_cast<std::uint16_t>(hhmm / 100 * 60 + hhmm % 100);
}

template <std::size_t N>
int Sum(const std::array<int, N>& a, std::size_t n = N) {
  int s = 0;
  for (std::size_t i = 0; i < n && i < N; ++i) s += a[i];
  return s;
}

}  // namespace

void Tracked::Observe(float v, int minute_of_day) {
  now = IsNoValue(v) ? kNoValue : v;
  if (now == kNoValue) return;
  if (now > high || !HasHigh()) {
    high = now;
    high_time = static_cast<std::int16_t>(minute_of_day);
  }
  if (now < low || !HasLow()) {
    low = now;
    low_time = static_cast<std::int16_t>(minute_of_day);
  }
}

namespace {
void ApplyUnits(const BulletinUnits& u) {
  DU::SetTempUnit(u.temp);
  DU::SetBarUnit(u.bar);
  DU::SetWindSpeedUnit(u.wind);
  DU::SetRainUnit(u.rain);
  DU::SetDensityUnit(u.density);
  DU::SetHumPrecision(u.hum_decimals);
}
}  // namespace

BulletinUnitsScope::BulletinUnitsScope(const BulletinUnits& units)
    : saved_{DU::GetTempUnit(), DU::GetBarUnit(),     DU::GetWindSpeedUnit(),
             DU::GetRainUnit(), DU::GetDensityUnit(), DU::GetHumPrecision()} {
  ApplyUnits(units);
}

BulletinUnitsScope::~BulletinUnitsScope() { ApplyUnits(saved_); }

BulletinSite BulletinSiteFrom(const Station& station) {
  BulletinSite s;
  const auto& r = station.record();
  s.console_family = station.Corvale() ? kFamilyCorvale : kFamilyBrisant;
  s.rain_type = r.rain_type <= 6 ? r.rain_type : 1;
  if (!station.Corvale()) {
    const CalibrationOffsets o = LoadCalibrationCopy(station);
    s.outside_temp_offset = o[cal::kOutsideTemp];
    s.inside_temp_offset = o[cal::kInsideTemp];
  }
  const SiteDescription site = station.GetSiteDescription();
  s.have_location = r.lat_dms[0] != -500 && r.lon_dms[0] != -500;
  s.latitude = site.latitude;
  s.longitude = site.longitude;
  s.zone_hours = site.time_zone_hours;
  s.southern = site.southern_hemisphere;
  s.fixed_offset = site.dst_mode == DaylightSavingMode::kOff;
  return s;
}

float BulletinData::AvgWindSpeed(int minutes) const {
  const int n = std::clamp(minutes, 1, kWindSlots);
  double sum = 0;
  int count = 0;
  for (int i = 0; i < n; ++i) {
    const auto k = static_cast<std::size_t>((wind_index - i + kWindSlots) % kWindSlots);
    sum += wind_sum[k];
    count += wind_count[k];
  }
  return count > 0 ? static_cast<float>(sum / count) : kNoValue;
}

float BulletinData::HiWindSpeed(int minutes) const {
  const int n = std::clamp(minutes, 1, kWindSlots);
  float hi = kNoValue;
  for (int i = 0; i < n; ++i) {
    const auto k = static_cast<std::size_t>((wind_index - i + kWindSlots) % kWindSlots);
    if (wind_count[k] > 0 && (hi == kNoValue || wind_high[k] > hi)) hi = wind_high[k];
  }
  return hi;
}

namespace {

// The minute steps of the rings, separated for readability.
struct Rings {
  BulletinData& d;

  void StepWind(std::int64_t elapsed) {
    if (elapsed > BulletinData::kWindSlots) {
      d.wind_sum.fill(0);
      d.wind_count.fill(0);
      d.wind_high.fill(0);
      d.wind_index = 0;
      d.wind_full = false;
      return;
    }
    for (std::int64_t i = 0; i < elapsed; ++i) {
      if (++d.wind_index == BulletinData::kWindSlots) {
        d.wind_index = 0;
        d.wind_full = true;
      }
      const auto k = static_cast<std::size_t>(d.wind_index);
      d.wind_sum[k] = 0;
      d.wind_count[k] = 0;
      d.wind_high[k] = 0;
    }
  }

  void StepRainMinute() {
    d.rain_minutes[static_cast<std::size_t>(d.minute_index)] = d.current_minute_rain;
    d.current_minute_rain = 0;
    if (++d.minute_index == BulletinData::kMinuteSlots) {
      d.minute_index = 0;
      d.hour_full = true;
      d.rain_hours[static_cast<std::size_t>(d.hour_index)] = Sum(d.rain_minutes);
      if (++d.hour_index == BulletinData::kHourSlots) {
        d.hour_index = 0;
        d.day_full = true;
      }
    }
  }

  void StepRain(std::int64_t elapsed) {
    if (elapsed > kMinutesPerDay + BulletinData::kMinuteSlots) {
      ClearHours();
      ClearMinutes();
      return;
    }
    for (std::int64_t i = 0; i < elapsed; ++i) StepRainMinute();
    // Minutes of a gap count as dry for the day's hours, but the last hour is unknown.
    if (elapsed > BulletinData::kMinuteSlots) ClearMinutes();
  }

  void ClearMinutes() {
    d.rain_minutes.fill(0);
    d.minute_index = 0;
    d.hour_full = false;
  }
  void ClearHours() {
    d.rain_hours.fill(0);
    d.hour_index = 0;
    d.day_full = false;
  }
};

}  // namespace

void BulletinData::Update(const LoopRecord& r, const BulletinSite& site, std::int64_t unix_ms,
                          const WallClockTime& local) {
  record = r;
  const bool corvale = site.console_family == kFamilyCorvale;
  const int minute = local.tm.tm_hour * 60 + local.tm.tm_min;
  const std::int32_t date = PackedDate(local.tm);
  const std::int64_t abs_minute = unix_ms >= 0 ? unix_ms / 60000 : (unix_ms - 59999) / 60000;

  // 1. Today's extremes start afresh on a new local date (not when the clock goes back).
  if (date > extremes_date) {
    if (extremes_date != 0) {
      for (Tracked* t : {&outside_temp, &inside_temp, &outside_hum, &inside_hum, &barometer, &wind_speed, &wind_chill,
                         &dew_point, &heat_index, &rain_rate, &solar, &uv}) {
        t->ResetExtremes();
      }
      for (auto* arr : {&extra_temps, &extra_hums}) {
        for (auto& t : *arr) t.ResetExtremes();
      }
      for (auto* arr : {&soil_temps, &leaf_temps, &soil_moistures, &leaf_wetnesses}) {
        for (auto& t : *arr) t.ResetExtremes();
      }
    }
    extremes_date = date;
  } else if (date < extremes_date) {
    extremes_date = date;
  }

  have_data = true;
  packet_unix_ms = unix_ms;
  packet_date = date;
  packet_minute = static_cast<std::int16_t>(minute);
  minute_of_day = minute;
  console_family = site.console_family;
  units = {DU::tempUnit, DU::barUnit, DU::windUnit, DU::rainUnit, DU::densityUnit, DU::humPrec};

  // 2. Temperatures.
  const std::int16_t out_tenths = corvale ? r.outside_temp : OffsetTenths(r.outside_temp, site.outside_temp_offset);
  const std::int16_t in_tenths = corvale ? r.inside_temp : OffsetTenths(r.inside_temp, site.inside_temp_offset);
  const float out_f = TenthsToF(out_tenths);
  const float in_f = TenthsToF(in_tenths);
  outside_temp.Observe(DU::ConvertTemp(out_tenths, false), minute);
  inside_temp.Observe(DU::ConvertTemp(in_tenths, false), minute);
  for (std::size_t i = 0; i < extra_temps.size(); ++i)
    extra_temps[i].Observe(DU::ConvertByteTemp(r.extra_temps[i], false), minute);
  for (std::size_t i = 0; i < 4; ++i) {
    soil_temps[i].Observe(DU::ConvertByteTemp(r.soil_temps[i], false), minute);
    leaf_temps[i].Observe(DU::ConvertByteTemp(r.leaf_temps[i], false), minute);
    soil_moistures[i].Observe(LeafSoil(r.soil_moistures[i]), minute);
    leaf_wetnesses[i].Observe(LeafSoil(r.leaf_wetnesses[i]), minute);
  }

  // 3. Wind.
  const bool no_wind = r.wind_speed == 255;
  const float speed_mph = no_wind ? kNoValue : static_cast<float>(r.wind_speed);
  const float avg_mph = r.avg_wind_speed == 255 ? kNoValue : static_cast<float>(r.avg_wind_speed);
  wind_speed.Observe(no_wind ? kNoValue : DU::ConvertByteSpeed(r.wind_speed, false), minute);
  avg_wind_speed = OrNone(DU::ConvertByteSpeed(r.avg_wind_speed, false));
  if (no_wind || r.wind_dir == kNoWindDirCode || r.wind_dir < 0 || r.wind_dir > 360) {
    wind_dir = kNoDirection;
  } else {
    wind_dir = r.wind_dir == 0 ? 360 : r.wind_dir;
  }

  // 4. and 8. The rings step once per elapsed minute, only forward.
  Rings rings{*this};
  if (ring_minute < 0 || abs_minute < ring_minute) {
    ring_minute = abs_minute;
  } else if (abs_minute > ring_minute) {
    rings.StepWind(abs_minute - ring_minute);
    rings.StepRain(abs_minute - ring_minute);
    ring_minute = abs_minute;
  }
  if (!no_wind) {
    const auto k = static_cast<std::size_t>(wind_index);
    const float v = wind_speed.now;
    if (wind_count[k] == 0 || v > wind_high[k]) wind_high[k] = v;
    wind_sum[k] += v;
    ++wind_count[k];
  }

  // 5. Derived values, computed in F, mph and percent.
  const float out_rh = Humidity(r.outside_hum);
  const float in_rh = Humidity(r.inside_hum);
  outside_hum.Observe(out_rh, minute);
  inside_hum.Observe(in_rh, minute);
  for (std::size_t i = 0; i < extra_hums.size(); ++i) extra_hums[i].Observe(Humidity(r.extra_hums[i]), minute);
  const float chill_wind = !IsNoValue(avg_mph) ? avg_mph : speed_mph;
  const bool have_t = !IsNoValue(out_f);
  const bool have_rh = !IsNoValue(out_rh);
  wind_chill.Observe(have_t && !IsNoValue(chill_wind) ? DisplayTemp(CalcChill(out_f, chill_wind)) : kNoValue, minute);
  dew_point.Observe(have_t && have_rh ? DisplayTemp(CalcDew(out_f, out_rh)) : kNoValue, minute);
  heat_index.Observe(have_t && have_rh ? DisplayTemp(CalcHeat(out_f, out_rh)) : kNoValue, minute);
  thw = have_t && have_rh && !IsNoValue(chill_wind) ? DisplayTemp(CalcTHW(out_f, out_rh, chill_wind)) : kNoValue;
  const bool have_in = !IsNoValue(in_f) && !IsNoValue(in_rh);
  inside_dew_point = have_in ? DisplayTemp(CalcDew(in_f, in_rh)) : kNoValue;
  inside_heat_index = have_in ? DisplayTemp(CalcHeat(in_f, in_rh)) : kNoValue;

  // 6. Barometer.
  barometer.Observe(OrNone(DU::ConvertBar(r.barometer, false)), minute);
  bar_trend = corvale ? r.bar_trend : static_cast<std::int16_t>(-32768);
  const float bar_in = OrNone(DU::ConvertBar(r.barometer, true));

  // 7. Rain totals and rate, in clicks of the station's collector.
  const int type = site.rain_type;
  auto rain = [&](int clicks) { return OrNone(DU::RainValue(clicks, type, false)); };
  const int day_clicks = static_cast<std::uint16_t>(r.day_rain);
  const int year_clicks = static_cast<std::uint16_t>(r.year_rain);
  if (last_year_rain >= 0 && year_clicks > last_year_rain) rain_since_start_clicks += year_clicks - last_year_rain;
  last_year_rain = year_clicks;
  day_rain = rain(day_clicks);
  if (corvale) {
    storm_rain = rain(static_cast<std::uint16_t>(r.storm_rain));
    month_rain = rain(static_cast<std::uint16_t>(r.month_rain));
    year_rain = rain(year_clicks);
    const bool no_rate = r.rain_rate == -1 || r.rain_rate == -32768;
    rain_rate.Observe(no_rate ? kNoValue : OrNone(DU::ConvertRate(r.rain_rate, type, false)), minute);
  }
  rain_since_start = site.rain_mode == 3 ? rain(year_clicks) : rain(rain_since_start_clicks);

  // 8. This minute's rain is the rise of the day total; a fall (midnight) adds the new total.
  if (last_day_rain >= 0) current_minute_rain += day_clicks >= last_day_rain ? day_clicks - last_day_rain : day_clicks;
  last_day_rain = day_clicks;
  const bool dry_start = static_cast<std::uint16_t>(r.storm_rain) == 0 && rain_since_start_clicks == 0;
  if (!hour_full && dry_start) {
    rings.ClearMinutes();
    hour_full = true;
  }
  if (!day_full && dry_start) {
    rings.ClearHours();
    day_full = true;
  }
  const int minutes_this_hour = Sum(rain_minutes, static_cast<std::size_t>(minute_index));
  hour_rain = hour_full ? rain(Sum(rain_minutes) + current_minute_rain) : kNoValue;
  hour24_rain = day_full ? rain(Sum(rain_hours) + minutes_this_hour + current_minute_rain) : kNoValue;

  // 9. ET: today in thousandths, counted in whole hundredths; month and year without today.
  if (r.day_et == -32768) {
    day_et = month_et = year_et = kNoValue;
  } else {
    const float day_in = static_cast<float>(r.day_et / 10) / 100.0f;
    day_et = DU::ConvertRain(day_in);
    month_et = r.month_et == -32768 ? kNoValue : DU::ConvertRain(static_cast<float>(r.month_et) / 100.0f + day_in);
    year_et = r.year_et == -32768 ? kNoValue : DU::ConvertRain(static_cast<float>(r.year_et) / 100.0f + day_in);
  }

  // 11. Air density and EMC.
  if (site.shows_air_density && have_t && have_rh && !IsNoValue(bar_in)) {
    air_density = OrNone(CalcAirDensity(out_f, bar_in, out_rh));
    emc = OrNone(CalcEMC(out_f, out_rh));
  } else {
    air_density = emc = kNoValue;
  }

  // Barometer history for the local forecast: one reading per 10 minutes.
  if (bar_history_minute >= 0 &&
      (abs_minute < bar_history_minute || abs_minute - bar_history_minute > 3 * kBarHistoryStepMinutes)) {
    bar_history_count = 0;  // a gap or a clock change: start again
    bar_history_minute = -1;
  }
  if (!IsNoValue(bar_in) && (bar_history_minute < 0 || abs_minute - bar_history_minute >= kBarHistoryStepMinutes)) {
    std::rotate(bar_history.begin(), bar_history.begin() + 1, bar_history.end());
    bar_history.back() = bar_in;
    bar_history_count = std::min(bar_history_count + 1, kBarHistorySlots);
    bar_history_minute = abs_minute;
  }

  // 12. Forecast, solar, UV, sunrise and sunset.
  if (corvale) {
    forecast_rule = r.forecast_rule;
    forecast_icons = r.forecast_icons;
    solar.Observe(r.solar == -32768 || r.solar == 32767 ? kNoValue : static_cast<float>(r.solar), minute);
    uv.Observe(OrNone(DU::ConvertUV(r.uv)), minute);
    sunrise = ClockMinutes(r.sunrise);
    sunset = ClockMinutes(r.sunset);
  } else {
    const float change = bar_history_count == kBarHistorySlots ? bar_history.back() - bar_history.front()
                                                               : static_cast<float>(kNoChange);
    int column = 8;
    if (wind_dir != kNoDirection) column = static_cast<int>(std::floor((wind_dir + 11.25) / 22.5)) % 16 / 2;
    const int recent_clicks = [&] {
      int s = Sum(rain_minutes, static_cast<std::size_t>(minute_index)) + current_minute_rain;
      for (int i = 1; i <= 3; ++i)
        s += rain_hours[static_cast<std::size_t>((hour_index - i + kHourSlots) % kHourSlots)];
      return s;
    }();
    const float recent_in = DU::RainValue(recent_clicks, type, true);
    const float dew_f = have_t && have_rh ? CalcDew(out_f, out_rh) : kNoValue;
    BrisantForecast(IsNoValue(bar_in) ? 0.0f : bar_in, IsNoValue(bar_in) ? static_cast<float>(kNoChange) : change,
                    have_t ? out_f : kNoValue, IsNoValue(dew_f) ? kNoValue : dew_f,
                    IsNoValue(recent_in) ? 0.0f : recent_in, IsNoValue(speed_mph) ? 0.0f : speed_mph, column,
                    local.tm.tm_mon + 1, local.tm.tm_hour, site.southern, site.forecast_region, &forecast_rule,
                    &forecast_icons);
    sunrise = sunset = kNoSunTime;
    if (site.have_location) {
      DateTime day(local.tm.tm_mon + 1, local.tm.tm_mday, local.tm.tm_year + 1900);
      SunriseSunset zone;
      zone.zoneHours = site.zone_hours;
      zone.southern = site.southern;
      zone.fixedOffset = site.fixed_offset;
      for (int rising : {1, 0}) {
        float hours = 0;
        if (Sunrise(day, static_cast<float>(site.latitude), static_cast<float>(site.longitude), kSunriseAltitude,
                    rising, hours) != kSunOk) {
          continue;
        }
        DateTime t = day;
        zone.MakeZoneTime(t, hours);
        const int m = t.packed_time;
        if (m >= 0 && m < kMinutesPerDay) (rising ? sunrise : sunset) = static_cast<std::uint16_t>(m);
      }
    }
  }
  forecast_text = MakeForecastString(forecast_rule, site.southern);
  if (forecast_text.size() >= kForecastTextSize) forecast_text.resize(kForecastTextSize - 1);
  forecast_short = MakeShortForecastString(forecast_rule);

  // 13. Batteries.
  transmitter_battery = r.transmitter_battery;
  console_battery = corvale && r.console_battery >= kMinBatteryRaw ? ConsoleBatteryVolts(r.console_battery) : kNoValue;

  loop2_values = {r.loop2_value22, r.loop2_value54, r.loop2_value58, r.loop2_value20};
}

}  // namespace sq
