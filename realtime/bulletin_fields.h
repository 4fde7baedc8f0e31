// Every value of a BulletinData by name, in one list: the snapshot file, the live
// view's JSON and anything else that lists current conditions walk it instead of
// naming the members again.
//
//   VisitBulletinFields(data, [&](std::string_view name, auto& value, int kind) { ... });
//
// `value` is a reference to the member (const when `data` is const): bool, an integer,
// float, std::string, Tracked or a std::array of numbers. `kind` says what it is and,
// for a Tracked, which of its extremes mean something.
#pragma once

#include <string>
#include <string_view>

#include "realtime/bulletin_data.h"

namespace sq {

namespace field {
inline constexpr int kPlain = 0;        // a value without extremes
inline constexpr int kHigh = 1;         // Tracked: today's high is kept
inline constexpr int kLow = 2;          // Tracked: today's low is kept
inline constexpr int kBoth = 3;         // Tracked: both
inline constexpr int kInternal = 4;     // state that only the snapshot needs (rings, counters)
inline constexpr int kTemperature = 8;  // unit class bits, for formatting
inline constexpr int kHumidity = 16;
inline constexpr int kBarometer = 32;
inline constexpr int kWind = 64;
inline constexpr int kRain = 128;
inline constexpr int kRainRate = 256;
inline constexpr int kEt = 512;
inline constexpr int kMinutes = 1024;  // minutes of the day
inline constexpr int kExtremeMask = 3;
}  // namespace field

// The fields of the console's loop record, as "loop_NAME".
template <class Record, class Visitor>
void VisitLoopRecord(Record& r, Visitor& v) {
  constexpr int k = field::kInternal;
  v("loop_outside_temp", r.outside_temp, k);
  v("loop_inside_temp", r.inside_temp, k);
  v("loop_inside_hum", r.inside_hum, k);
  v("loop_outside_hum", r.outside_hum, k);
  v("loop_barometer", r.barometer, k);
  v("loop_wind_speed", r.wind_speed, k);
  v("loop_avg_wind_speed", r.avg_wind_speed, k);
  v("loop_wind_dir", r.wind_dir, k);
  v("loop_year_rain", r.year_rain, k);
  v("loop_day_rain", r.day_rain, k);
  v("loop_month_rain", r.month_rain, k);
  v("loop_storm_rain", r.storm_rain, k);
  v("loop_rain_rate", r.rain_rate, k);
  v("loop_day_et", r.day_et, k);
  v("loop_month_et", r.month_et, k);
  v("loop_year_et", r.year_et, k);
  v("loop_solar", r.solar, k);
  v("loop_uv", r.uv, k);
  v("loop_forecast_icons", r.forecast_icons, k);
  v("loop_forecast_rule", r.forecast_rule, k);
  v("loop_inside_alarms", r.inside_alarms, k);
  v("loop_rain_alarms", r.rain_alarms, k);
  v("loop_outside_alarms", r.outside_alarms, k);
  v("loop_extra_alarms", r.extra_alarms, k);
  v("loop_soil_leaf_alarms", r.soil_leaf_alarms, k);
  v("loop_sunrise", r.sunrise, k);
  v("loop_sunset", r.sunset, k);
  v("loop_extra_temps", r.extra_temps, k);
  v("loop_extra_hums", r.extra_hums, k);
  v("loop_soil_moistures", r.soil_moistures, k);
  v("loop_soil_temps", r.soil_temps, k);
  v("loop_leaf_wetnesses", r.leaf_wetnesses, k);
  v("loop_leaf_temps", r.leaf_temps, k);
  v("loop_bar_trend", r.bar_trend, k);
  v("loop_transmitter_battery", r.transmitter_battery, k);
  v("loop_console_battery", r.console_battery, k);
  v("loop2_value22", r.loop2_value22, k);
  v("loop2_value54", r.loop2_value54, k);
  v("loop2_value58", r.loop2_value58, k);
  v("loop2_value20", r.loop2_value20, k);
  v("loop2_value69", r.loop2_value69, k);
}

template <class Data, class Visitor>
void VisitBulletinFields(Data& d, Visitor&& v) {
  using namespace field;
  auto numbered = [](const char* base, std::size_t i) { return std::string(base) + std::to_string(i + 1); };
  v("have_data", d.have_data, kPlain);
  v("packet_unix_ms", d.packet_unix_ms, kPlain);
  v("packet_date", d.packet_date, kPlain);
  v("packet_minute", d.packet_minute, kPlain | kMinutes);
  v("console_family", d.console_family, kPlain);
  v("unit_temperature", d.units.temp, kPlain);
  v("unit_barometer", d.units.bar, kPlain);
  v("unit_wind", d.units.wind, kPlain);
  v("unit_rain", d.units.rain, kPlain);
  v("unit_density", d.units.density, kPlain);
  v("humidity_decimals", d.units.hum_decimals, kPlain);
  v("outside_temperature", d.outside_temp, kBoth | kTemperature);
  v("inside_temperature", d.inside_temp, kBoth | kTemperature);
  v("outside_humidity", d.outside_hum, kBoth | kHumidity);
  v("inside_humidity", d.inside_hum, kBoth | kHumidity);
  for (std::size_t i = 0; i < d.extra_temps.size(); ++i)
    v(numbered("extra_temperature_", i), d.extra_temps[i], kBoth | kTemperature);
  for (std::size_t i = 0; i < d.extra_hums.size(); ++i)
    v(numbered("extra_humidity_", i), d.extra_hums[i], kBoth | kHumidity);
  for (std::size_t i = 0; i < d.soil_temps.size(); ++i)
    v(numbered("soil_temperature_", i), d.soil_temps[i], kBoth | kTemperature);
  for (std::size_t i = 0; i < d.leaf_temps.size(); ++i)
    v(numbered("leaf_temperature_", i), d.leaf_temps[i], kBoth | kTemperature);
  for (std::size_t i = 0; i < d.soil_moistures.size(); ++i)
    v(numbered("soil_moisture_", i), d.soil_moistures[i], kBoth);
  for (std::size_t i = 0; i < d.leaf_wetnesses.size(); ++i) v(numbered("leaf_wetness_", i), d.leaf_wetnesses[i], kBoth);
  v("barometer", d.barometer, kBoth | kBarometer);
  v("barometer_trend", d.bar_trend, kPlain);
  v("wind_speed", d.wind_speed, kHigh | kWind);
  v("wind_speed_10min", d.avg_wind_speed, kPlain | kWind);
  v("wind_direction", d.wind_dir, kPlain);
  v("wind_chill", d.wind_chill, kLow | kTemperature);
  v("dew_point", d.dew_point, kBoth | kTemperature);
  v("heat_index", d.heat_index, kBoth | kTemperature);
  v("thw_index", d.thw, kPlain | kTemperature);
  v("inside_dew_point", d.inside_dew_point, kPlain | kTemperature);
  v("inside_heat_index", d.inside_heat_index, kPlain | kTemperature);
  v("air_density", d.air_density, kPlain);
  v("emc", d.emc, kPlain);
  v("rain_rate", d.rain_rate, kHigh | kRainRate);
  v("rain_day", d.day_rain, kPlain | kRain);
  v("rain_storm", d.storm_rain, kPlain | kRain);
  v("rain_month", d.month_rain, kPlain | kRain);
  v("rain_year", d.year_rain, kPlain | kRain);
  v("rain_since_start", d.rain_since_start, kPlain | kRain);
  v("rain_last_hour", d.hour_rain, kPlain | kRain);
  v("rain_last_24_hours", d.hour24_rain, kPlain | kRain);
  v("et_day", d.day_et, kPlain | kEt);
  v("et_month", d.month_et, kPlain | kEt);
  v("et_year", d.year_et, kPlain | kEt);
  v("solar_radiation", d.solar, kHigh);
  v("uv_index", d.uv, kHigh);
  v("forecast_rule", d.forecast_rule, kPlain);
  v("forecast_icons", d.forecast_icons, kPlain);
  v("forecast", d.forecast_text, kPlain);
  v("forecast_short", d.forecast_short, kPlain);
  v("sunrise", d.sunrise, kPlain | kMinutes);
  v("sunset", d.sunset, kPlain | kMinutes);
  v("transmitter_battery_status", d.transmitter_battery, kPlain);
  v("console_battery", d.console_battery, kPlain);
  v("loop2_values", d.loop2_values, kInternal);
  v("ring_minute", d.ring_minute, kInternal);
  v("minute_of_day", d.minute_of_day, kInternal);
  v("wind_sum", d.wind_sum, kInternal);
  v("wind_count", d.wind_count, kInternal);
  v("wind_high", d.wind_high, kInternal);
  v("wind_index", d.wind_index, kInternal);
  v("wind_full", d.wind_full, kInternal);
  v("rain_minutes", d.rain_minutes, kInternal);
  v("rain_hours", d.rain_hours, kInternal);
  v("minute_index", d.minute_index, kInternal);
  v("hour_index", d.hour_index, kInternal);
  v("hour_full", d.hour_full, kInternal);
  v("day_full", d.day_full, kInternal);
  v("current_minute_rain", d.current_minute_rain, kInternal);
  v("last_day_rain", d.last_day_rain, kInternal);
  v("last_year_rain", d.last_year_rain, kInternal);
  v("rain_since_start_clicks", d.rain_since_start_clicks, kInternal);
  v("extremes_date", d.extremes_date, kInternal);
  v("bar_history", d.bar_history, kInternal);
  v("bar_history_count", d.bar_history_count, kInternal);
  v("bar_history_minute", d.bar_history_minute, kInternal);
  VisitLoopRecord(d.record, v);
  v("hilows_present", d.have_hilows, kInternal);
  v("hilows", d.hilows, kInternal);
}

}  // namespace sq
