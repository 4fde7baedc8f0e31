// The APRS weather position report sent to the Citizen Weather Observer Program: one
// line built from the current conditions.
//
// Two layouts, chosen by the console family:
//   older families: CALL>APRS,TCPIP*:@DDHHMMzDDMM.hhN/DDDMM.hhW_ddd/sssgggtTTTrRRRpPPPPPPPhHHbBBBBB.Qrn
//     each field with its own "no value" form ("_...", "/...", "g...", "t...", "r...",
//     "p...", "P...", "h..", "b.....");
//   current family: the same fields, then a luminosity field ("L%03d", "l%03d" above
//     999 W/m2) for stations with a solar sensor, and ".Kwtz".
// The pressure field is the console's barometer (already reduced to sea level by the
// console) in tenths of a hectopascal. Only a true station pressure, which the console's
// real-time packets do not carry, is turned into an altimeter setting first.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "publish/weather_sensors.h"

namespace sq {

class BulletinData;
class Station;

inline constexpr float kAprsNoValue = -32768.0f;
inline constexpr double kHundredthsHpaPerInHg = 338.64;  // inHg to tenths of a hectopascal

// A position as degrees, minutes and seconds, each hemisphere by its flag.
struct AprsPosition {
  int lat_deg = 0, lat_min = 0, lat_sec = 0;
  bool south = false;
  int lon_deg = 0, lon_min = 0, lon_sec = 0;
  bool west = false;
};

// The station's position; nothing when latitude or longitude is not set.
[[nodiscard]] std::optional<AprsPosition> AprsPositionOf(const Station& station);
// "3830.60N/09015.00W".
[[nodiscard]] std::string AprsPositionText(const AprsPosition& p);

struct AprsObservation {
  int day = 0, hour = 0, minute = 0;  // UTC
  float wind_dir = kAprsNoValue;      // degrees, 360 = north
  float wind_speed = kAprsNoValue;    // mph, by the chosen wind standard
  float wind_gust = kAprsNoValue;     // mph
  float temp = kAprsNoValue;          // F
  float rain_hour = kAprsNoValue;     // inches
  float rain_24h = kAprsNoValue;
  float rain_midnight = kAprsNoValue;
  float humidity = kAprsNoValue;          // percent
  float barometer = kAprsNoValue;         // inHg, sea level
  float station_pressure = kAprsNoValue;  // inHg at the station; converted to an altimeter setting
  float solar = kAprsNoValue;             // W/m2
};

struct AprsStationFacts {
  std::string call_sign;
  AprsPosition position;
  bool current_family = true;
  bool loop2_format = false;  // the real-time data is in the second packet format
  int elevation_ft = 0;
  WeatherSensors sensors;
};

// The altimeter setting (inHg) of station pressure `p` (inHg) at `elevation_ft`.
[[nodiscard]] double AltimeterSetting(double p, double elevation_ft);

// The report line (no line end); nothing when it cannot be built (LOOP2 data).
[[nodiscard]] std::optional<std::string> MakeAprsReport(const AprsStationFacts& facts, const AprsObservation& obs);

// The observation of the current conditions in `data` (any display units), with the
// time of day `utc` (tm fields). The wind is the real-time 1-minute average and
// 5-minute gust; the caller replaces it for the NOAA standard.
[[nodiscard]] AprsObservation AprsObservationFrom(const BulletinData& data, int utc_day, int utc_hour, int utc_minute);

}  // namespace sq
