#include "foundation/sun_moon.h"

#include <cmath>
#include <cstdio>
#include <numbers>

#include "foundation/file_util.h"
#include "foundation/weather_strings.h"
#include "resources/string_table.h"

namespace sq {
namespace {

constexpr double kDegToRad = std::numbers::pi / 180.0;
constexpr double kRadToDeg = 180.0 / std::numbers::pi;

// Days from 1 January 2000 12:00 to 00:00 of t's date.
double DaysToMidnight(const DateTime& t) {
  DateTime ref(1, 1, 2000);
  ref.packed_time = 720;
  DateTime midnight = t;
  midnight.packed_time = 0;
  return midnight.DoubleDayDiff(ref);
}

std::string StringText(std::uint32_t id) { return std::string(LoadString(id)); }

}  // namespace

void ComputeBasicSolarValues(double d, SolarValues& s) {
  s.d = d;
  s.L = std::fmod(280.46646 + 0.98564736 * d, 360.0) * kDegToRad;
  s.M = std::fmod(357.52911 + 0.985600281 * d, 360.0) * kDegToRad;
  s.eps = 0.4090927848297817;
  s.centre = 0.017453292519943295 *
             ((1.914602 - 1.3188e-07 * d) * std::sin(s.M) + (0.019993 - 2.765e-09 * d) * std::sin(2 * s.M));
  s.decl = std::asin(std::sin(s.L + s.centre) * std::sin(s.eps));
}

void ComputeBasicSolarValues(const DateTime& t, SolarValues& s) {
  ComputeBasicSolarValues(DaysToMidnight(t) + t.packed_time / 1440.0, s);
}

void eqn_of_time(SolarValues& s) {
  s.e = 0.016708634 - 1.1509e-09 * s.d;
  const double E = 0.043034531 * std::sin(2 * s.L) - 2 * s.e * std::sin(s.M) +
                   2 * (2 * s.e) * 0.043034531 * std::sin(s.M) * std::cos(2 * s.L);
  s.eqt = 229.1831180523293 * E;
}

int Sunrise(const DateTime& date, float lat, float lon, float altitude, int rising, float& hoursUT) {
  // Outside the globe there is no answer (and no time of day to convert).
  if (!(lat >= -90.0f && lat <= 90.0f && lon >= -180.0f && lon <= 180.0f && std::isfinite(altitude))) {
    return kSunNoEvent;
  }
  const double day0 = DaysToMidnight(date);
  const double sin_lat = std::sin(lat * kDegToRad);
  const double cos_lat = std::cos(lat * kDegToRad);
  double hour = rising ? 6.0 : 18.0;
  SolarValues s;
  for (int pass = 0; pass < 2; ++pass) {
    const double ut = hour - lon / 15.0;
    ComputeBasicSolarValues(day0 + ut / 24.0, s);
    const double cos_h = (std::sin(altitude * kDegToRad) - sin_lat * std::sin(s.decl)) / (cos_lat * std::cos(s.decl));
    if (!(cos_h >= -1.0 && cos_h <= 1.0)) return kSunNoEvent;  // also catches NaN
    const double H = std::acos(cos_h) * kRadToDeg;
    hour = rising ? (180.0 - H) / 15.0 : (180.0 + H) / 15.0;
  }
  eqn_of_time(s);
  hoursUT = static_cast<float>(hour - s.eqt / 60.0 - lon / 15.0);
  return kSunOk;
}

float CalcMoonPhase(const DateTime& t, float& cycle, float& smoothed) {
  const double d = DaysToMidnight(t) + t.packed_time / 1440.0;
  double D = std::fmod(297.8501921 + 12.19074911 * d, 360.0) * kDegToRad;
  if (D < 0) D += 2 * std::numbers::pi;
  const double M = std::fmod(357.52911 + 0.985600281 * d, 360.0) * kDegToRad;
  const double Mp = std::fmod(134.9633964 + 13.06499295 * d, 360.0) * kDegToRad;
  const double i =
      D * kRadToDeg + 6.289 * std::sin(Mp) - 2.1 * std::sin(M) + 1.274 * std::sin(2 * D - Mp) + 0.658 * std::sin(2 * D);
  const double k = (1.0 - std::cos(i * kDegToRad)) / 2.0;
  double c = i / 360.0;
  if (c < 0.0) {
    c += 1.0;
  } else if (c >= 1.0) {
    c -= 1.0;
  }
  const double p = ((i >= 0.0 && i <= 180.0) || i >= 360.0) ? k / 2.0 : 1.0 - k / 2.0;
  cycle = static_cast<float>(c);
  smoothed = static_cast<float>((p + c) / 2.0);
  return static_cast<float>(k);
}

int MoonPhaseIndex(float cycle) {
  int n = static_cast<int>(cycle * 8.0f + 0.5f);
  if (n >= 8 || n < 0) n = 0;
  return n;
}

std::string MoonPhaseName(float cycle) { return StringText(kStrNewMoon + MoonPhaseIndex(cycle)); }

void SunriseSunset::MakeZoneTime(DateTime& t, float hoursUT) const {
  // Whole minutes, rounded half up also before 00:00 UT.
  int minutes = static_cast<int>(std::floor(static_cast<double>(hoursUT) * 60.0 + 0.5));
  while (minutes < 0) {
    minutes += 1440;
    --t;
  }
  while (minutes >= 1440) {
    minutes -= 1440;
    ++t;
  }
  t.packed_time = static_cast<std::int16_t>(minutes);
  t.UnpackTime();
  const int zone_minutes = static_cast<int>(zoneHours * 60.0f);
  if (fixedOffset) {
    t.IncMinute(zone_minutes + (daylightSaving ? 60 : 0));
  } else if (DaylightSavingsCalc::CalcDaylightSavingsDays(t.year) < 0) {
    // The rule tables start in 2000; earlier years get the zone offset alone.
    t.IncMinute(zone_minutes);
  } else {
    dst_.CalcDaylightSavingsTime(t, zoneHours, southern);
  }
  t.UnpackTime();
}

void SunriseSunset::CalcSunriseSunset(DateTime date) {
  date.packed_time = 0;
  date.UnpackTime();
  char buf[kDateTimeTextSize];
  char line[160];
  std::string out;
  std::snprintf(line, sizeof line, "%9s", date.GetDateStr(buf));
  out += line;

  const float lat = static_cast<float>(latitude);
  const float lon = static_cast<float>(longitude);
  auto event = [&](float altitude, int rising, const char* format, float* hours_out) {
    float hours = 0.0f;
    const bool ok = Sunrise(date, lat, lon, altitude, rising, hours) == kSunOk;
    if (ok) {
      DateTime t = date;
      MakeZoneTime(t, hours);
      t.GetTimeStr(buf);
    } else {
      std::snprintf(buf, sizeof buf, "-----");
    }
    std::snprintf(line, sizeof line, format, buf);
    out += line;
    if (hours_out) *hours_out = ok ? hours : NAN;
  };
  float rise = NAN;
  float set = NAN;
  event(kAstronomicalTwilight, 1, "%7s", nullptr);
  event(kNauticalTwilight, 1, "%7s", nullptr);
  event(kCivilTwilight, 1, "%7s", nullptr);
  event(kSunriseAltitude, 1, "%8s", &rise);
  event(kSunriseAltitude, 0, "%8s", &set);
  event(kCivilTwilight, 0, "%7s", nullptr);
  event(kNauticalTwilight, 0, "%7s", nullptr);
  event(kAstronomicalTwilight, 0, "%7s", nullptr);

  if (std::isnan(rise) || std::isnan(set)) {
    std::snprintf(line, sizeof line, "%7s", "-----");
  } else {
    double length = static_cast<double>(set) - rise;
    if (length < 0.0) length += 24.0;
    length += 0.5 / 60.0;
    const int h = static_cast<int>(length);
    const int m = static_cast<int>((length - h) * 60.0);
    std::snprintf(line, sizeof line, "  %2d%c%02d", h, DateTime::timeSepChar, m);
  }
  out += line;
  out += '\n';
  text_ += out;
}

void SunriseSunset::CalcDay() {
  DateTime date;
  date.SetDate(packedDate);
  CalcSunriseSunset(date);
}

void SunriseSunset::CalcMonth() {
  DateTime date;
  date.SetDate(packedDate);
  date.day = 1;
  const int days = date.DaysInMonth();
  for (int i = 0; i < days; ++i, ++date) CalcSunriseSunset(date);
}

void SunriseSunset::CalcYear() {
  DateTime date;
  date.SetDate(packedDate);
  date.month = 1;
  date.day = 1;
  const int days = date.InLeapYear() ? 366 : 365;
  for (int i = 0; i < days; ++i, ++date) CalcSunriseSunset(date);
}

int SunriseSunset::Calculate(std::string* error) {
  text_.clear();
  char line[256];
  std::snprintf(line, sizeof line, StringText(kStrSunLatitude).c_str(), latitudeText.c_str());
  text_ += line;
  std::snprintf(line, sizeof line, StringText(kStrSunLongitude).c_str(), longitudeText.c_str());
  text_ += line;
  std::snprintf(line, sizeof line, StringText(kStrSunTimeZone).c_str(), zoneText.c_str());
  text_ += line;
  text_ += StringText(kStrSunDaylightSaving);
  text_ += StringText(fixedOffset ? (daylightSaving ? kStrSunDstOn : kStrSunDstOff) : kStrSunDstAutomatic);
  text_ += StringText(kStrSunTitle1);
  text_ += StringText(kStrSunTitle2);
  text_ += StringText(kStrSunTitle3);
  switch (kind) {
    case kOneMonth:
      CalcMonth();
      break;
    case kOneYear:
      CalcYear();
      break;
    default:
      CalcDay();
      break;
  }
  return WriteFileAtomic(outputPath, text_, error) ? 0 : -1;
}

}  // namespace sq
