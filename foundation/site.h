// SiteDescription: the few facts about a station's place and settings that the
// foundation and database code needs (the sun's position, clock-time conversions, rain
// and UV units, degree days). The caller builds it from the station; it is a plain value
// and its defaults describe a station on the Greenwich meridian without daylight saving.
#pragma once

#include "foundation/date_time.h"

namespace sq {

// How the station's clock follows daylight-saving time.
enum class DaylightSavingMode {
  kAutomatic,  // the North American or European rules, chosen by the zone offset's sign
  kManual,     // from manual_dst_start to manual_dst_end
  kOff,        // standard time all year
};

struct SiteDescription {
  double latitude = 0.0;             // decimal degrees, north positive (-90..90)
  double longitude = 0.0;            // decimal degrees, east positive (-180..180)
  int elevation_feet = 0;            // station elevation above sea level, feet
  float time_zone_hours = 0.0f;      // offset of local standard time from UTC, west negative
  bool southern_hemisphere = false;  // reverses the daylight-saving season
  DaylightSavingMode dst_mode = DaylightSavingMode::kAutomatic;
  DateTime manual_dst_start;    // daylight saving starts (kManual only; date and packed time)
  DateTime manual_dst_end;      // and ends
  int rain_collector_type = 1;  // collector code 0..6 of the rain word
  float uv_dose_factor = 1.0f;  // multiplier applied to UV dose (skin-type factor)
  float heat_base_f = 65.0f;    // heating degree-day base, F
  float cool_base_f = 65.0f;    // cooling degree-day base, F
  float fuel_base_f = 65.0f;    // heating-fuel degree-day base, F
};

}  // namespace sq
