#include "foundation/astronomy.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "foundation/daylight_savings.h"
#include "foundation/weather_tables.h"

namespace sq {
namespace {

constexpr double kDegToRad = std::numbers::pi / 180.0;
constexpr int kMissingInt = -32768;

// Humidity term of the long-wave balance at a whole dew point (F).
double VaporTermAt(int dew) {
  if (dew < -100) return vaporTermTable[0].value;
  if (dew < 100) {
    const int i = (dew + 100) / 5;
    const int r = (dew + 100) % 5;
    return vaporTermTable[i].value + r * vaporTermTable[i].slope;
  }
  const auto& last = vaporTermTable[kVaporRows - 1];
  return last.value + (dew - 100) * static_cast<double>(last.slope);
}

}  // namespace

AstronomyState astronomyState;

void StationTimeToUtc(DateTime& t, float zoneHours, bool southern, DaylightSavingMode mode, const DateTime& manualStart,
                      const DateTime& manualEnd) {
  DaylightSavingsCalc dst;
  dst.SetConversionMode(1);
  switch (mode) {
    case DaylightSavingMode::kAutomatic:
      if (DaylightSavingsCalc::CalcDaylightSavingsDays(t.year) < 0) {
        // The rule tables start in 2000; earlier years still get the zone offset.
        t.DecMinute(static_cast<int>(zoneHours * 60.0f));
      } else {
        dst.CalcDaylightSavingsTime(t, zoneHours, southern);
      }
      break;
    case DaylightSavingMode::kManual:
      dst.CalcManualDaylightSavingsTime(t, zoneHours, manualStart, manualEnd);
      break;
    case DaylightSavingMode::kOff:
      t.DecMinute(static_cast<int>(zoneHours * 60.0f));
      break;
  }
}

void AstronomyState::SetSite(const SiteDescription& site) {
  timeZoneHours = site.time_zone_hours;
  southern = site.southern_hemisphere;
  dstMode = site.dst_mode;
  manualStart = site.manual_dst_start;
  manualEnd = site.manual_dst_end;
  THSWIElevationTasks(site.elevation_feet);
  THSWIlattitudeTasks(site.latitude);
}

void AstronomyState::THSWIElevationTasks(double elevationFeet) {
  elevationTerm = -0.62 * std::exp(-3.29184e-05 * elevationFeet);
}

void AstronomyState::THSWIlattitudeTasks(double latitudeDegrees) {
  sinLat = std::sin(latitudeDegrees * kDegToRad);
  cosLat = std::cos(latitudeDegrees * kDegToRad);
  sinLatDecl = sinDecl * sinLat;
  cosLatDecl = cosDecl * cosLat;
  latitudeTerm = 0.5 - 0.0043 * std::fabs(latitudeDegrees);
}

void AstronomyState::THSWIdailyAstronomyTasks(const DateTime& t, double longitudeDegrees) {
  const double d = t.DoubleDayDiff(DateTime(1, 1, 2000));
  const double L = std::fmod(280.46646 + 0.98564736 * d, 360.0) * kDegToRad;
  sinDecl = 0.397777138 * std::sin(L);
  cosDecl = std::cos(std::asin(sinDecl));
  sinLatDecl = sinDecl * sinLat;
  cosLatDecl = cosDecl * cosLat;
  const double M = std::fmod(357.52911 + 0.985600281 * d, 360.0) * kDegToRad;
  const double e2 = 2.0 * (0.016708634 - 1.1509e-09 * d);
  eqnOfTime = (0.043034531 * std::sin(2 * L) - e2 * std::sin(M) + 0.086069062 * e2 * std::sin(M) * std::cos(2 * L)) *
                  0.15915494309189535 +
              longitudeDegrees / 360.0;
}

int AstronomyState::ExtraRadCalc(const DateTime& local, float solar, int dewPointF) {
  if (solar == -32768.0f || !std::isfinite(solar)) return kMissingInt;
  DateTime t = local;
  StationTimeToUtc(t, timeZoneHours, southern, dstMode, manualStart, manualEnd);

  const double f = t.packed_time / 1440.0 + eqnOfTime;
  const double h = f - std::floor(f);
  const double H = std::fabs(h - 0.5) * 2.0 * std::numbers::pi;
  const double cosZ = std::clamp(sinLatDecl + cosLatDecl * std::cos(H), -1.0, 1.0);
  const double Z = std::acos(cosZ);
  const double z = Z / kDegToRad;

  double c;
  double S = solar;
  if (z <= 80.0) {
    const double R = (0.79 - 3.75 / (90.0 - z)) * 1367.0 * cosZ;
    c = solar > R ? 0.0 : std::pow(1.333 - 1.333 * solar / R, 0.294);
    cloudCoverLast = std::clamp(c - 0.25, 0.0, 1.0);
    c = std::min(c, 1.0);
    S = solar * (1.0 + z * (-0.0016 + z * (-9e-05 + z * 4e-06)));
  } else {
    c = cloudCoverLast;
  }
  const double a = z < 2.0 ? 0.11 : (z <= 70.0 ? 0.386 - 0.0032 * (90.0 - z) : 0.325);
  const double k = 0.9 * (1.0 - c * c);
  const double short_wave = 0.56 * a * k * S + 0.224 * (1.0 - k) * S + 0.028 * solar;
  const double v = VaporTermAt(dewPointF);
  const double long_wave = -150.0 * (1.0 - c * c * latitudeTerm) * (1.0 + elevationTerm + v);
  const double result = std::floor(short_wave + long_wave + 0.5);
  // Only absurd inputs (solar radiation beyond any sensor) get this far out.
  if (!(result > kMissingInt && result < 32768.0)) return kMissingInt;
  return static_cast<int>(result);
}

void THSWIElevationTasks(double elevationFeet) { astronomyState.THSWIElevationTasks(elevationFeet); }
void THSWIlattitudeTasks(double latitudeDegrees) { astronomyState.THSWIlattitudeTasks(latitudeDegrees); }
void THSWIdailyAstronomyTasks(const DateTime& t, double longitudeDegrees) {
  astronomyState.THSWIdailyAstronomyTasks(t, longitudeDegrees);
}
int ExtraRadCalc(const DateTime& t, float solar, int dewPointF) {
  return astronomyState.ExtraRadCalc(t, solar, dewPointF);
}

}  // namespace sq
