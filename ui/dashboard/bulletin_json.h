// The current conditions as JSON for the dashboard, in the units the values were
// converted with (BulletinData::units) or in the console's own units. Works from the
// value alone, never from the program-wide display settings, so that any thread may
// call it on its own copy.
//
//   {"source": "live", "time": "2024-07-12T10:05", "packet_unix_ms": ..., "age_seconds": 3,
//    "units": {"system": "display", "temperature": "°F", ...},
//    "values": {"outside_temperature": 73.5, ..., "wind_avg_2min": 4.1, ...},
//    "forecast": "...", "sunrise": "05:21", "sunset": "20:28",
//    "moon": {"phase": "Waxing Crescent", "illuminated": 0.23}}
//
// and the highs and lows of today:
//
//   {"units": {...}, "highlows": {"outside_temperature":
//       {"high": 80.1, "high_time": "14:05", "low": 61.0, "low_time": "05:40"}, ...}}
//
// Values are rounded to the decimals the console's resolution carries; no value is null.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>

#include "realtime/bulletin_data.h"

namespace sq::dashboard {

enum class UnitSystem { kDisplay, kNative };

// The unit texts of `units` (or of the console's units): temperature, barometer, wind,
// rain, rain_rate, solar, air_density, and "system".
[[nodiscard]] nlohmann::json UnitsJson(const BulletinUnits& units, UnitSystem system);

// A display value of a field kind (realtime/bulletin_fields.h) in the console's units.
[[nodiscard]] float ToNative(float value, int kind, const BulletinUnits& units);

[[nodiscard]] nlohmann::json CurrentJson(const BulletinData& d, UnitSystem system, const char* source,
                                         std::int64_t now_unix_ms);
[[nodiscard]] nlohmann::json HighLowsJson(const BulletinData& d, UnitSystem system);

}  // namespace sq::dashboard
