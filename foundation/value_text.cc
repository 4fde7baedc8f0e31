// Text of single values, unit texts and decimals by unit kind (members of DisplayUnits).
#include <array>
#include <cstring>
#include <string_view>

#include "foundation/display_units.h"
#include "foundation/fixed_format.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace sq {
namespace {

constexpr const char kNoValue[] = "---";
constexpr std::uint32_t kCompassFirst = 61798;  // N, then clockwise in 16 points

// Barometric trend codes of the console and their texts.
constexpr std::uint32_t kTrendFallingRapidly = 62950;
constexpr std::uint32_t kTrendFallingSlowly = 62951;
constexpr std::uint32_t kTrendSteady = 62952;
constexpr std::uint32_t kTrendRisingSlowly = 62953;
constexpr std::uint32_t kTrendRisingRapidly = 62954;

// Unit kinds of weather-data identifiers.
enum Kind : int {
  kKindTemp = 0,
  kKindTempFine = 1,
  kKindRain = 2,
  kKindRainRate = 3,
  kKindWind = 4,
  kKindBarometer = 7,
  kKindSolar = 10,
  kKindSolarEnergy = 11,
  kKindUV = 12,
  kKindUVDose = 13,
  kKindHumidity = 14,
  kKindSoilMoisture = 15,
  kKindWindRun = 18,
  kKindElevation = 19,
  kKindAirDensity = 20,
};

// The text up to its first NUL, cut to fit.
char* Text(std::span<char> buf, std::string_view s) {
  if (buf.empty()) return buf.data();
  s = s.substr(0, s.find('\0'));
  const std::size_t n = s.size() < buf.size() ? s.size() : buf.size() - 1;
  if (n > 0) std::memcpy(buf.data(), s.data(), n);
  buf[n] = '\0';
  return buf.data();
}

char* Decimals(std::span<char> buf, int decimals, float value) {
  FormatFixed(buf, decimals, static_cast<double>(value));
  return buf.data();
}

}  // namespace

char* DisplayUnits::TempStr(float fahrenheit, std::span<char> buf, bool native) {
  if (IsMissingTemp(fahrenheit)) return Text(buf, kNoValue);
  return Decimals(buf, 1, native ? fahrenheit : ConvertTemp(fahrenheit));
}

char* DisplayUnits::SpeedStr(float mph, std::span<char> buf, bool native) {
  if (IsMissing(mph)) return Text(buf, kNoValue);
  return Decimals(buf, 1, native ? mph : ConvertSpeed(mph));
}

char* DisplayUnits::HumStr(float percent, std::span<char> buf) {
  if (IsMissing(percent)) return Text(buf, kNoValue);
  return Decimals(buf, hum_prec_, percent);
}

char* DisplayUnits::BarStr(float inches, std::span<char> buf, bool native) {
  if (IsMissing(inches)) return Text(buf, kNoValue);
  return Decimals(buf, bar_unit_ == kBarInches ? 3 : 1, native ? inches : ConvertBar(inches));
}

char* DisplayUnits::RainStr(float inches, std::span<char> buf, bool native) {
  if (IsMissing(inches)) return Text(buf, kNoValue);
  return Decimals(buf, rain_unit_ == kRainMillimetres ? 1 : 2, native ? inches : ConvertRain(inches));
}

char* DisplayUnits::ETStr(float inches, std::span<char> buf, bool native) {
  if (IsMissing(inches)) return Text(buf, kNoValue);
  return Decimals(buf, rain_unit_ == kRainMillimetres ? 2 : 3, native ? inches : ConvertRain(inches));
}

char* DisplayUnits::SolarRadStr(float wattsPerSquareMetre, std::span<char> buf) {
  if (IsMissing(wattsPerSquareMetre) || wattsPerSquareMetre == kMissingSolar) return Text(buf, kNoValue);
  return Decimals(buf, 0, wattsPerSquareMetre);
}

char* DisplayUnits::UVStr(std::int16_t tenths, std::span<char> buf) {
  if (tenths == kMissing8 || tenths == kMissing16) return Text(buf, kNoValue);
  FormatFixed(buf, 1, tenths / 10.0);
  return buf.data();
}

char* DisplayUnits::LeafSoilStr(std::int16_t value, std::span<char> buf) {
  if (value == kMissing8 || value == kMissing16) return Text(buf, kNoValue);
  FormatInt(buf, value);
  return buf.data();
}

char* DisplayUnits::GetAirDensityStr(float density, std::span<char> buf) {
  if (IsMissing(density)) return Text(buf, kNoValue);
  return Decimals(buf, 4, density);
}

char* DisplayUnits::DomDirStr(int sector, std::span<char> buf) {
  if (sector < 0 || sector > 15) return Text(buf, kNoValue);
  // The table's texts live as long as the program: look the 16 points up once.
  static const std::array<std::string_view, 16> points = [] {
    std::array<std::string_view, 16> p{};
    for (std::size_t i = 0; i < p.size(); ++i) p[i] = LoadString(kCompassFirst + static_cast<std::uint32_t>(i));
    return p;
  }();
  return Text(buf, points[static_cast<std::size_t>(sector)]);
}

char* DisplayUnits::BarTrendStr(int trend, std::span<char> buf) {
  std::uint32_t id = 0;
  if (trend <= -60) {
    id = kTrendFallingRapidly;
  } else if (trend == -20) {
    id = kTrendFallingSlowly;
  } else if (trend == 0) {
    id = kTrendSteady;
  } else if (trend == 20) {
    id = kTrendRisingSlowly;
  } else if (trend == 60) {
    id = kTrendRisingRapidly;
  } else {
    return Text(buf, kNoValue);
  }
  return Text(buf, LoadString(id));
}

char* DisplayUnits::GetUnitStr(std::uint32_t tag, char* buf, int len) {
  if (buf == nullptr || len <= 0) return buf;
  std::string_view s;
  switch (UnitKind(tag)) {
    case kKindTemp:
    case kKindTempFine:
      s = temp_unit_str_;
      break;
    case kKindRain:
      s = rain_unit_str_;
      break;
    case kKindRainRate:
      s = LoadString(rain_unit_ == kRainMillimetres ? string_id::kUnitMmPerHour : string_id::kUnitInchesPerHour);
      break;
    case kKindWind:
      s = wind_speed_unit_str_;
      break;
    case kKindBarometer:
      s = bar_unit_str_;
      break;
    case kKindSolar:
      s = solar_unit_str_;
      break;
    case kKindSolarEnergy:
      s = LoadString(string_id::kUnitLangleys);
      break;
    case kKindUV:
      s = LoadString(string_id::kUnitUvIndex);
      break;
    case kKindUVDose:
      s = LoadString(string_id::kUnitMeds);
      break;
    case kKindHumidity:
      s = LoadString(string_id::kUnitPercent);
      break;
    case kKindSoilMoisture:
      s = LoadString(string_id::kUnitCentibars);
      break;
    case kKindWindRun:
      s = LoadString(wind_unit_ == kMph     ? string_id::kUnitMiles
                     : wind_unit_ == kKnots ? string_id::kUnitNauticalMiles
                                            : string_id::kUnitKilometres);
      break;
    case kKindElevation:
      s = elev_unit_str_;
      break;
    case kKindAirDensity:
      s = air_d_unit_str_;
      break;
    default:
      break;
  }
  Text(std::span<char>(buf, static_cast<std::size_t>(len)), s);
  return buf;
}

int DisplayUnits::NumDecimals(std::uint32_t tag, bool shortForm) {
  switch (UnitKind(tag)) {
    case kKindTemp:
      return 1;
    case kKindTempFine:
      return 2;
    case kKindRain:
    case kKindRainRate:
      return rain_unit_ == kRainMillimetres ? 1 : 2;
    case kKindWind:
      return 1;
    case kKindBarometer:
      return bar_unit_ == kBarInches ? (shortForm ? 2 : 3) : 1;
    case kKindSolar:
      return 0;
    case kKindSolarEnergy:
      return 1;
    case kKindUV:
      return 1;
    case kKindUVDose:
      return 2;
    case kKindHumidity: {
      // Measured humidity follows the user's precision; derived percentages keep one.
      const bool measured = (tag & 0x1F) == 0 && ((tag >> 16) & 0xFF) == 1;
      return measured ? hum_prec_ : 1;
    }
    case kKindWindRun:
      return 1;
    case kKindAirDensity:
      return 4;
    default:
      return 0;
  }
}

int DisplayUnits::GetUnits(std::uint32_t tag) {
  switch (UnitKind(tag)) {
    case kKindTemp:
    case kKindTempFine:
      return temp_unit_;
    case kKindRain:
    case kKindRainRate:
      return rain_unit_;
    case kKindWind:
    case kKindWindRun:
      return wind_unit_;
    case kKindBarometer:
      return bar_unit_;
    case kKindElevation:
      return elev_unit_;
    case kKindAirDensity:
      return density_unit_;
    default:
      return 0;
  }
}

int DisplayUnits::GetSensorName(std::uint32_t tag, int which, char* buf, int len) {
  if (which < 0 || which > 3 || buf == nullptr || len <= 0) return kSensorArgError;
  buf[0] = '\0';
  if (sensor_list_ == nullptr || !sensor_list_->SensorName(tag, which, buf, len)) {
    buf[0] = '\0';
    return 0;
  }
  buf[len - 1] = '\0';
  return 1;
}

int DisplayUnits::GetSensorColor(std::uint32_t tag, int which, std::uint32_t* out) {
  if (which < 0 || which > 3 || out == nullptr) return kSensorArgError;
  if (sensor_list_ == nullptr || !sensor_list_->SensorColor(tag, which, out)) return 0;
  return 1;
}

void DisplayUnits::SetSensorList(const SensorList* list) { sensor_list_ = list; }

}  // namespace sq
