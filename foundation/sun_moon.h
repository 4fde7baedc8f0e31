// Low-precision solar and lunar astronomy: the sun's declination and equation of time,
// sunrise, sunset and twilight times for a place, the sunrise/sunset table written to
// "sunrise.txt" for a day, a month or a year, and the moon's phase.
#pragma once

#include <cstdint>
#include <string>

#include "foundation/date_time.h"
#include "foundation/daylight_savings.h"

namespace sq {

struct SolarValues {
  double d = 0.0;       // days since 1 January 2000 12:00 (with fraction)
  double L = 0.0;       // mean longitude of the sun, radians
  double M = 0.0;       // mean anomaly of the sun, radians
  double centre = 0.0;  // equation of centre, radians
  double eps = 0.0;     // obliquity, radians
  double e = 0.0;       // orbit eccentricity (eqn_of_time)
  double decl = 0.0;    // declination, radians
  double eqt = 0.0;     // equation of time, minutes (eqn_of_time)
};

// Fills d, L, M, centre, eps and decl for moment t.
void ComputeBasicSolarValues(const DateTime& t, SolarValues& s);
// The same for `d` days since 1 January 2000 12:00.
void ComputeBasicSolarValues(double d, SolarValues& s);
// Fills e and eqt from d, L and M.
void eqn_of_time(SolarValues& s);

// Sun altitudes (degrees) of the four events of a day.
inline constexpr float kAstronomicalTwilight = -18.0f;
inline constexpr float kNauticalTwilight = -12.0f;
inline constexpr float kCivilTwilight = -6.0f;
inline constexpr float kSunriseAltitude = -0.833f;

inline constexpr int kSunOk = 0;
inline constexpr int kSunNoEvent = -1;  // the sun does not reach the altitude that day

// Time (hours UT from 00:00 UT of `date`, possibly below 0 or above 24) at which the sun
// crosses `altitude` rising (rising != 0) or setting on the local date `date` at
// latitude `lat` and longitude `lon` (degrees, north and east positive). A place
// outside -90..90 / -180..180 has no event.
[[nodiscard]] int Sunrise(const DateTime& date, float lat, float lon, float altitude, int rising, float& hoursUT);

// Illuminated fraction of the moon (0..1) at UTC moment t; `cycle` is the position in
// the lunation (0 new, 0.5 full) and `smoothed` a value that rises steadily through it.
float CalcMoonPhase(const DateTime& t, float& cycle, float& smoothed);
// Phase number 0..7 of a cycle value (0 = new moon) and its name, e.g. "Full Moon ".
[[nodiscard]] int MoonPhaseIndex(float cycle);
[[nodiscard]] std::string MoonPhaseName(float cycle);

// A sunrise/sunset table for one place: a day, a month or a year of local clock times.
class SunriseSunset {
 public:
  enum Kind : int { kOneDay = 0, kOneMonth = 1, kOneYear = 2 };

  SunriseSunset() { dst_.SetConversionMode(-1); }

  int kind = kOneDay;
  std::int32_t packedDate = 0;  // the day, or any day of the month or year
  double latitude = 0.0;        // decimal degrees, north positive
  double longitude = 0.0;       // decimal degrees, east positive
  float zoneHours = 0.0f;       // standard-time offset from UTC, west negative
  bool southern = false;        // southern-hemisphere daylight-saving season
  bool fixedOffset = false;     // true: zone offset (+1 h with daylightSaving), no rules
  bool daylightSaving = false;
  // Texts shown in the header, as the user entered them.
  std::string latitudeText;
  std::string longitudeText;
  std::string zoneText;
  // Where Calculate writes the table.
  std::string outputPath = "sunrise.txt";

  // Sets t (whose date is the day of the event) to the local clock time of hoursUT.
  void MakeZoneTime(DateTime& t, float hoursUT) const;
  // Appends the table line of one day.
  void CalcSunriseSunset(DateTime date);
  void CalcDay();
  void CalcMonth();
  void CalcYear();
  // Builds the whole table and writes it to outputPath (replacing it). Returns 0, or -1
  // when the file cannot be written (`*error` says why).
  [[nodiscard]] int Calculate(std::string* error = nullptr);

  // The table built by the last Calculate.
  [[nodiscard]] const std::string& Text() const { return text_; }

 private:
  DaylightSavingsCalc dst_;
  std::string text_;
};

}  // namespace sq
