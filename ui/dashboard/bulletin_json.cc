#include "ui/dashboard/bulletin_json.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <type_traits>

#include "foundation/date_time.h"
#include "foundation/display_units.h"
#include "foundation/sun_moon.h"
#include "realtime/bulletin_fields.h"
#include "ui/dashboard/dashboard_query.h"

namespace sq::dashboard {
namespace {

using DU = DisplayUnits;
using json = nlohmann::json;

constexpr const char* kTempText[] = {
    "\xC2\xB0"
    "F",
    "\xC2\xB0"
    "C"};
constexpr const char* kBarText[] = {"in", "mm", "mb", "hPa"};
constexpr const char* kWindText[] = {"mph", "kt", "km/h", "m/s"};
constexpr const char* kRainText[] = {"in", "mm"};
constexpr const char* kDensityText[] = {"lb/cu.ft", "kg/m\xC2\xB3"};
constexpr double kMmPerInch = 25.4;
constexpr double kMbPerInch = 33.864;

template <std::size_t N>
const char* Pick(const char* const (&texts)[N], int code) {
  return code >= 0 && code < static_cast<int>(N) ? texts[code] : texts[0];
}

BulletinUnits NativeUnits() { return BulletinUnits{}; }

bool Metric(const BulletinUnits& u, int kind) {
  using namespace field;
  if (kind & kTemperature) return u.temp == DU::kCelsius;
  if (kind & (kRain | kRainRate | kEt)) return u.rain == DU::kRainMillimetres;
  if (kind & kBarometer) return u.bar != DU::kBarInches;
  return false;
}

int Decimals(std::string_view name, int kind, const BulletinUnits& u, UnitSystem system) {
  using namespace field;
  const BulletinUnits& shown = system == UnitSystem::kNative ? NativeUnits() : u;
  const bool mm = Metric(shown, kRain);
  if (kind & kTemperature) return 1;
  if (kind & kHumidity) return shown.hum_decimals;
  if (kind & kBarometer) return shown.bar == DU::kBarInches ? 3 : 1;
  if (kind & kWind) return 1;
  if (kind & (kRain | kRainRate)) return mm ? 1 : 2;
  if (kind & kEt) return mm ? 2 : 3;
  if (name == "uv_index" || name == "emc") return 1;
  if (name == "air_density") return 4;
  if (name == "console_battery") return 2;
  return 0;
}

json Number(float v, int decimals) {
  if (IsNoValue(v) || v == kNoHigh || !std::isfinite(v)) return nullptr;
  const double scale = std::pow(10.0, decimals);
  return std::round(static_cast<double>(v) * scale) / scale;
}

json Clock(int minutes) {
  if (minutes < 0 || minutes >= kMinutesPerDay) return nullptr;
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d", minutes / 60, minutes % 60);
  return buf;
}

// The field's value in the shown units.
float Shown(float v, std::string_view name, int kind, const BulletinUnits& u, UnitSystem system) {
  if (system == UnitSystem::kDisplay) return v;
  if (name == "air_density") return ToNative(v, -1, u);
  return ToNative(v, kind, u);
}

}  // namespace

float ToNative(float v, int kind, const BulletinUnits& u) {
  using namespace field;
  if (IsNoValue(v) || v == kNoHigh) return v;
  if (kind == -1) return u.density == 1 ? static_cast<float>(v * 0.062428) : v;  // kg/m3 to lb/cu.ft
  if ((kind & kTemperature) && u.temp == DU::kCelsius) return static_cast<float>(v * 1.8 + 32.0);
  if (kind & kBarometer) {
    if (u.bar == DU::kBarMillimetres) return static_cast<float>(v / kMmPerInch);
    if (u.bar == DU::kBarMillibars || u.bar == DU::kBarHectopascals) return static_cast<float>(v / kMbPerInch);
  }
  if (kind & kWind) {
    if (u.wind == DU::kKnots) return static_cast<float>(v * 1.15);
    if (u.wind == DU::kKmPerHour) return static_cast<float>(v / 1.609344);
    if (u.wind == DU::kMetresPerSecond) return static_cast<float>(v / 0.44704);
  }
  if ((kind & (kRain | kRainRate | kEt)) && u.rain == DU::kRainMillimetres) return static_cast<float>(v / kMmPerInch);
  return v;
}

json UnitsJson(const BulletinUnits& units, UnitSystem system) {
  const BulletinUnits& u = system == UnitSystem::kNative ? NativeUnits() : units;
  const std::string rain = Pick(kRainText, u.rain);
  return {{"system", system == UnitSystem::kNative ? "native" : "display"},
          {"temperature", Pick(kTempText, u.temp)},
          {"humidity", "%"},
          {"barometer", Pick(kBarText, u.bar)},
          {"wind", Pick(kWindText, u.wind)},
          {"rain", rain},
          {"rain_rate", rain + "/h"},
          {"et", rain},
          {"solar", "W/m\xC2\xB2"},
          {"air_density", Pick(kDensityText, u.density)}};
}

json CurrentJson(const BulletinData& d, UnitSystem system, const char* source, std::int64_t now_unix_ms) {
  json values = json::object();
  json o;
  o["source"] = source;
  DateTime when;
  when.SetDate(d.packet_date);
  when.packed_time = d.packet_minute;
  o["time"] = d.have_data && when.valid ? json(MomentText(LocalMinutes(when))) : json(nullptr);
  o["packet_unix_ms"] = d.packet_unix_ms;
  o["age_seconds"] = d.have_data && now_unix_ms >= d.packet_unix_ms ? (now_unix_ms - d.packet_unix_ms) / 1000 : 0;
  o["units"] = UnitsJson(d.units, system);
  VisitBulletinFields(d, [&](std::string_view name, const auto& value, int kind) {
    using T = std::decay_t<decltype(value)>;
    if (kind & field::kInternal) return;
    if (name.starts_with("unit_") || name == "humidity_decimals" || name == "have_data" ||
        name.starts_with("packet_")) {
      return;
    }
    const std::string key(name);
    if constexpr (std::is_same_v<T, Tracked>) {
      values[key] = Number(Shown(value.now, name, kind, d.units, system), Decimals(name, kind, d.units, system));
    } else if constexpr (std::is_same_v<T, std::string>) {
      o[key] = value;
    } else if constexpr (std::is_same_v<T, float>) {
      values[key] = Number(Shown(value, name, kind, d.units, system), Decimals(name, kind, d.units, system));
    } else if constexpr (std::is_integral_v<T> && !std::is_same_v<T, bool>) {
      if (kind & field::kMinutes) {
        o[key] = Clock(static_cast<int>(value));
      } else if (name == "wind_direction" || name == "barometer_trend") {
        values[key] = value == -32768 ? json(nullptr) : json(value);
      } else {
        values[key] = value;
      }
    }
  });
  for (int m : {2, 10}) {
    // The current minute and the m before it, as the console counts them.
    const int dec = Decimals("", field::kWind, d.units, system);
    values["wind_avg_" + std::to_string(m) + "min"] =
        Number(Shown(d.AvgWindSpeed(m + 1), "", field::kWind, d.units, system), dec);
    values["wind_gust_" + std::to_string(m) + "min"] =
        Number(Shown(d.HiWindSpeed(m + 1), "", field::kWind, d.units, system), dec);
  }
  o["values"] = std::move(values);
  if (d.have_data && d.packet_unix_ms > 0) {
    // The moon of the packet's moment (UTC).
    const std::int64_t utc_minutes = d.packet_unix_ms / 60000;
    DateTime t = DateOfLocalMinutes(utc_minutes);
    float cycle = 0.0f, smoothed = 0.0f;
    const float lit = CalcMoonPhase(t, cycle, smoothed);
    std::string phase = MoonPhaseName(cycle);
    while (!phase.empty() && phase.back() == ' ') phase.pop_back();
    o["moon"] = {{"phase", phase}, {"illuminated", std::round(lit * 100.0) / 100.0}};
  } else {
    o["moon"] = nullptr;
  }
  return o;
}

json HighLowsJson(const BulletinData& d, UnitSystem system) {
  json list = json::object();
  VisitBulletinFields(d, [&](std::string_view name, const auto& value, int kind) {
    using T = std::decay_t<decltype(value)>;
    if constexpr (std::is_same_v<T, Tracked>) {
      if (kind & field::kInternal) return;
      const int dec = Decimals(name, kind, d.units, system);
      json e = json::object();
      if (kind & field::kHigh) {
        e["high"] = value.HasHigh() ? Number(Shown(value.high, name, kind, d.units, system), dec) : json(nullptr);
        e["high_time"] = value.HasHigh() ? Clock(value.high_time) : json(nullptr);
      }
      if (kind & field::kLow) {
        e["low"] = value.HasLow() ? Number(Shown(value.low, name, kind, d.units, system), dec) : json(nullptr);
        e["low_time"] = value.HasLow() ? Clock(value.low_time) : json(nullptr);
      }
      if (IsNoValue(value.now) && !value.HasHigh() && !value.HasLow()) return;  // a sensor that is not there
      list[std::string(name)] = std::move(e);
    }
  });
  return {{"units", UnitsJson(d.units, system)}, {"highlows", std::move(list)}};
}

}  // namespace sq::dashboard
