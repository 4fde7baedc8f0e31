#include "publish/aprs_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/station.h"
#include "app/station_models.h"
#include "foundation/display_units.h"
#include "realtime/bulletin_data.h"

namespace sq {
namespace {

bool Missing(float v) { return !(v == v) || v == kAprsNoValue || v == 32767.0f; }

std::string Fmt(const char* format, double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

// A field of `width` digits, clamped so that it never grows wider.
std::string Digits(float v, int width, double low, double high) {
  const double r = std::clamp(std::round(static_cast<double>(v)), low, high);
  return Fmt(width == 3 ? "%03.0f" : (width == 5 ? "%05.0f" : "%02.0f"), r);
}

std::string Dots(int n) { return std::string(static_cast<std::size_t>(n), '.'); }

std::string Direction(const AprsStationFacts& f, const AprsObservation& o) {
  if (!f.sensors.wind_dir || Missing(o.wind_dir) || o.wind_dir < 0 || o.wind_dir > 360) return Dots(3);
  int d = static_cast<int>(o.wind_dir);
  if (d == 360) d = 0;
  char buf[8];
  std::snprintf(buf, sizeof buf, "%03d", d);
  return buf;
}

std::string Speed(float mph) { return Missing(mph) || mph < 0 ? Dots(3) : Digits(mph, 3, 0, 999); }

std::string Temperature(float f) { return Missing(f) ? Dots(3) : Digits(f, 3, -99, 999); }

std::string Rain(const AprsStationFacts& f, float inches) {
  if (!f.sensors.rain || Missing(inches) || inches < 0) return Dots(3);
  return Digits(inches * 100.0f, 3, 0, 999);
}

std::string Humidity(const AprsStationFacts& f, float h) {
  if (!f.sensors.humidity || Missing(h) || h == 255.0f || h == 128.0f || h < 0) return Dots(2);
  const double r = std::round(static_cast<double>(h));
  if (r >= 100.0) return "00";  // APRS writes 100 % as 00
  if (h < 1.0f) return "01";
  return Fmt("%02.0f", r);
}

std::string Pressure(const AprsStationFacts& f, const AprsObservation& o) {
  double inches = o.barometer;
  if (!Missing(o.station_pressure) && o.station_pressure > 0) {
    inches = AltimeterSetting(o.station_pressure, f.elevation_ft);
  }
  if (Missing(static_cast<float>(inches)) || inches <= 0) return Dots(5);
  return Digits(static_cast<float>(inches * kHundredthsHpaPerInHg), 5, 0, 99999);
}

std::string Luminosity(const AprsStationFacts& f, float w) {
  if (!f.sensors.solar || Missing(w) || w < 0) return {};
  const int v = static_cast<int>(std::lround(std::min(w, 1999.0f)));
  char buf[8];
  std::snprintf(buf, sizeof buf, v <= 999 ? "L%03d" : "l%03d", v <= 999 ? v : v - 1000);
  return buf;
}

// Display units back to the report's units.
float ToF(float v, int unit) {
  return IsNoValue(v) ? kAprsNoValue : (unit == DisplayUnits::kCelsius ? v * 1.8f + 32.0f : v);
}
float ToInHg(float v, int unit) {
  if (IsNoValue(v)) return kAprsNoValue;
  switch (unit) {
    case DisplayUnits::kBarMillimetres:
      return v / 25.4f;
    case DisplayUnits::kBarMillibars:
    case DisplayUnits::kBarHectopascals:
      return static_cast<float>(v / 33.864);
    default:
      return v;
  }
}
float ToMph(float v, int unit) {
  if (IsNoValue(v)) return kAprsNoValue;
  switch (unit) {
    case DisplayUnits::kKnots:
      return v * 1.15f;
    case DisplayUnits::kKmPerHour:
      return static_cast<float>(v / 1.609344);
    case DisplayUnits::kMetresPerSecond:
      return static_cast<float>(v / 0.44704);
    default:
      return v;
  }
}
float ToInches(float v, int unit) {
  if (IsNoValue(v)) return kAprsNoValue;
  return unit == DisplayUnits::kRainMillimetres ? v / 25.4f : v;
}

}  // namespace

std::optional<AprsPosition> AprsPositionOf(const Station& station) {
  const auto& r = station.record();
  if (r.lat_dms[0] == kDmsNotSet || r.lon_dms[0] == kDmsNotSet) return std::nullopt;
  AprsPosition p;
  p.lat_deg = std::abs(r.lat_dms[0]);
  p.lat_min = std::clamp<int>(r.lat_dms[1], 0, 59);
  p.lat_sec = std::clamp<int>(r.lat_dms[2], 0, 59);
  p.south = r.latitude < 0 || r.lat_dms[0] < 0;
  p.lon_deg = std::abs(r.lon_dms[0]);
  p.lon_min = std::clamp<int>(r.lon_dms[1], 0, 59);
  p.lon_sec = std::clamp<int>(r.lon_dms[2], 0, 59);
  p.west = r.longitude < 0 || r.lon_dms[0] < 0;
  return p;
}

std::string AprsPositionText(const AprsPosition& p) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%02d%02d.%02.0f%c/%03d%02d.%02.0f%c", std::min(p.lat_deg, 90), p.lat_min,
                p.lat_sec / 60.0 * 100.0, p.south ? 'S' : 'N', std::min(p.lon_deg, 180), p.lon_min,
                p.lon_sec / 60.0 * 100.0, p.west ? 'W' : 'E');
  return buf;
}

double AltimeterSetting(double p, double elevation_ft) {
  return std::pow(std::pow(p, 0.1903) + 1.313e-5 * elevation_ft, 1.0 / 0.1903);
}

std::optional<std::string> MakeAprsReport(const AprsStationFacts& f, const AprsObservation& o) {
  if (f.current_family && f.loop2_format) return std::nullopt;
  char when[16];
  std::snprintf(when, sizeof when, "%02d%02d%02dz", std::clamp(o.day, 1, 31), std::clamp(o.hour, 0, 23),
                std::clamp(o.minute, 0, 59));
  std::string line = f.call_sign + ">APRS,TCPIP*:@" + when + AprsPositionText(f.position);
  line += "_" + Direction(f, o) + "/" + Speed(o.wind_speed) + "g" + Speed(o.wind_gust) + "t" + Temperature(o.temp);
  line += "r" + Rain(f, o.rain_hour) + "p" + Rain(f, o.rain_24h) + "P" + Rain(f, o.rain_midnight);
  line += "h" + Humidity(f, o.humidity) + "b" + Pressure(f, o);
  if (f.current_family) {
    line += Luminosity(f, o.solar) + ".Kwtz";
  } else {
    line += ".Qrn";
  }
  return line;
}

AprsObservation AprsObservationFrom(const BulletinData& d, int utc_day, int utc_hour, int utc_minute) {
  AprsObservation o;
  o.day = utc_day;
  o.hour = utc_hour;
  o.minute = utc_minute;
  if (d.wind_dir != kNoDirection) o.wind_dir = d.wind_dir;
  o.wind_speed = ToMph(d.AvgWindSpeed(2), d.units.wind);
  o.wind_gust = ToMph(d.HiWindSpeed(6), d.units.wind);
  o.temp = ToF(d.outside_temp.now, d.units.temp);
  o.rain_hour = ToInches(d.HourRain(), d.units.rain);
  o.rain_24h = ToInches(d.Hour24Rain(), d.units.rain);
  o.rain_midnight = ToInches(d.day_rain, d.units.rain);
  o.humidity = IsNoValue(d.outside_hum.now) ? kAprsNoValue : d.outside_hum.now;
  o.barometer = ToInHg(d.barometer.now, d.units.bar);
  o.solar = IsNoValue(d.solar.now) ? kAprsNoValue : d.solar.now;
  return o;
}

}  // namespace sq
