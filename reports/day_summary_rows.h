// The values a day's summary shows, in order, with their labels: the `day` command's
// table and the dashboard's day page and API.
#pragma once

#include <span>

#include "database/weather_data_id.h"

namespace sq {

struct DaySummaryRow {
  const char* key;    // a stable name for machines
  const char* label;  // the text for people
  WeatherDataID id;
};

inline std::span<const DaySummaryRow> DaySummaryRows() {
  using ID = WeatherDataID;
  constexpr auto hi = ID::kStatDayHigh;
  constexpr auto lo = ID::kStatDayLow;
  constexpr auto av = ID::kStatDayAverage;
  constexpr auto tot = ID::kStatDayTotal;
  static constexpr DaySummaryRow kRows[] = {
      {"outside_temperature_high", "High outside temperature", ID::Make(0, 0, hi, 0, 0)},
      {"outside_temperature_low", "Low outside temperature", ID::Make(0, 0, lo, 0, 0)},
      {"outside_temperature_average", "Average outside temperature", ID::Make(0, 0, av, 0, 0)},
      {"inside_temperature_high", "High inside temperature", ID::Make(0, 0, hi, 0, 1)},
      {"inside_temperature_low", "Low inside temperature", ID::Make(0, 0, lo, 0, 1)},
      {"inside_temperature_average", "Average inside temperature", ID::Make(0, 0, av, 0, 1)},
      {"dew_point_high", "High dew point", ID::Make(1, 0, hi, 0, 0)},
      {"dew_point_low", "Low dew point", ID::Make(1, 0, lo, 0, 0)},
      {"dew_point_average", "Average dew point", ID::Make(1, 0, av, 0, 0)},
      {"wind_chill_high", "High wind chill", ID::Make(2, 0, hi, 0, 0)},
      {"wind_chill_low", "Low wind chill", ID::Make(2, 0, lo, 0, 0)},
      {"heat_index_high", "High heat index", ID::Make(3, 0, hi, 0, 0)},
      {"heat_index_low", "Low heat index", ID::Make(3, 0, lo, 0, 0)},
      {"thw_index_high", "High THW index", ID::Make(4, 0, hi, 0, 0)},
      {"thw_index_low", "Low THW index", ID::Make(4, 0, lo, 0, 0)},
      {"thsw_index_high", "High THSW index", ID::Make(5, 0, hi, 0, 0)},
      {"thsw_index_low", "Low THSW index", ID::Make(5, 0, lo, 0, 0)},
      {"outside_humidity_high", "High outside humidity", ID::Make(0, 14, hi, 1, 0)},
      {"outside_humidity_low", "Low outside humidity", ID::Make(0, 14, lo, 1, 0)},
      {"outside_humidity_average", "Average outside humidity", ID::Make(0, 14, av, 1, 0)},
      {"inside_humidity_high", "High inside humidity", ID::Make(0, 14, hi, 1, 1)},
      {"inside_humidity_low", "Low inside humidity", ID::Make(0, 14, lo, 1, 1)},
      {"barometer_high", "High barometer", ID::Make(0, 7, hi, 4, 0)},
      {"barometer_low", "Low barometer", ID::Make(0, 7, lo, 4, 0)},
      {"barometer_average", "Average barometer", ID::Make(0, 7, av, 4, 0)},
      {"wind_speed_high", "High wind speed", ID::Make(0, 4, hi, 2, 0)},
      {"wind_direction_of_high", "Direction of high wind", ID::Make(0, 6, hi, 3, 0)},
      {"wind_speed_average", "Average wind speed", ID::Make(0, 4, av, 2, 0)},
      {"wind_direction_dominant", "Dominant direction", ID::Make(0, 6, av, 3, 0)},
      {"wind_run", "Wind run", ID::Make(7, 18, tot, 2, 0)},
      {"rain", "Rain", ID::Make(0, 2, tot, ID::kCatRain, 0)},
      {"rain_rate_high", "High rain rate", ID::Make(0, 3, hi, ID::kCatRainRate, 0)},
      {"et", "ET", ID::Make(ID::kCalcET, 2, tot, 0, 0)},
      {"solar_radiation_high", "High solar radiation", ID::Make(0, 10, hi, 7, 0)},
      {"solar_energy", "Solar energy", ID::Make(9, 11, tot, 7, 0)},
      {"uv_index_high", "High UV index", ID::Make(0, 12, hi, 8, 0)},
      {"uv_dose", "UV dose", ID::Make(10, 13, tot, 8, 0)},
      {"heating_degree_days", "Heating degree days", ID::Make(8, 1, tot, 65, 0)},
      {"cooling_degree_days", "Cooling degree days", ID::Make(8, 1, tot, 191, 0)},
      {"data_span_minutes", "Data span (minutes)", ID::Make(0, 9, tot, ID::kCatNone, 0)},
  };
  return kRows;
}

}  // namespace sq
