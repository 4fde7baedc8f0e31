// Settings and conversions of DisplayUnits; the value texts are in value_text.cc.
#include "foundation/display_units.h"

#include <cmath>
#include <cstdint>

#include "foundation/prog_config_data.h"
#include "resources/string_table.h"

namespace sq {
namespace {

// Size of one tip of each rain collector type, in inches or in millimetres.
struct Tip {
  double size;
  bool metric;
};
constexpr Tip kTips[DisplayUnits::kRainTypeCount] = {
    {0.1, false}, {0.01, false}, {0.2, true}, {1.0, true}, {0.01, false}, {0.2, true}, {0.1, true},
};

constexpr bool ValidRainType(int type) { return type >= 0 && type < DisplayUnits::kRainTypeCount; }

// floor(|x| + 0.5) with the sign put back.
double RoundHalfAway(double x) { return x < 0 ? -std::floor(-x + 0.5) : std::floor(x + 0.5); }

// A rounded value as a 16-bit internal value, or the missing marker when it does not fit.
std::int16_t FitI16(double r) {
  if (!(r >= -32768.0 && r <= 32767.0)) return DisplayUnits::kMissing16;
  return static_cast<std::int16_t>(r);
}

// Rain word of `clicks` tips of `type`; the missing word when either is out of range,
// so that a large count never spills into the type bits.
std::int16_t RainWord(int clicks, int type) {
  if (clicks < 0 || clicks > DisplayUnits::kMaxRainClicks || !ValidRainType(type)) {
    return DisplayUnits::kMissingRainWord;
  }
  return static_cast<std::int16_t>(clicks | (type << 12));
}

// Unit-text string numbers, indexed by setting code.
constexpr std::uint32_t kTempText[] = {25000, 25001};
constexpr std::uint32_t kBarText[] = {25006, 25007, 25009, 25010};
constexpr std::uint32_t kWindText[] = {25015, 25016, 25017, 25018};
constexpr std::uint32_t kWindMeterText[] = {25059, 25060, 25061, 25062};
constexpr std::uint32_t kRainText[] = {25006, 25007};
constexpr std::uint32_t kElevText[] = {25048, 25049};
constexpr std::uint32_t kDensityText[] = {25064, 25065};
constexpr std::uint32_t kSolarText = 25044;

// Stores `code` and loads its unit text when `code` indexes `ids`; false otherwise.
template <std::size_t N>
bool Apply(int code, const std::uint32_t (&ids)[N], std::uint8_t& setting, char* text) {
  if (code < 0 || code >= static_cast<int>(N)) return false;
  setting = static_cast<std::uint8_t>(code);
  LoadString(ids[code], text, static_cast<int>(DisplayUnits::kUnitStrSize));
  return true;
}

constexpr double kMmPerInch = 25.4;

}  // namespace

// --- Settings ---

void DisplayUnits::SetTempUnit(int code) { Apply(code, kTempText, temp_unit_, temp_unit_str_); }
void DisplayUnits::SetBarUnit(int code) { Apply(code, kBarText, bar_unit_, bar_unit_str_); }
void DisplayUnits::SetWindSpeedUnit(int code) {
  if (Apply(code, kWindText, wind_unit_, wind_speed_unit_str_)) {
    LoadString(kWindMeterText[code], wind_meter_unit_str_, static_cast<int>(kUnitStrSize));
  }
}
void DisplayUnits::SetRainUnit(int code) { Apply(code, kRainText, rain_unit_, rain_unit_str_); }
void DisplayUnits::SetElevUnit(int code) { Apply(code, kElevText, elev_unit_, elev_unit_str_); }
void DisplayUnits::SetDensityUnit(int code) {
  if (Apply(code, kDensityText, density_unit_, air_d_unit_str_)) {
    progConfigData.SetDensityUnit(density_unit_);
  }
}
void DisplayUnits::SetSolarUnit() { LoadString(kSolarText, solar_unit_str_, static_cast<int>(kUnitStrSize)); }
void DisplayUnits::SetHumPrecision(int decimals) {
  if (decimals == 0 || decimals == 1) hum_prec_ = static_cast<std::uint8_t>(decimals);
}
void DisplayUnits::SetStationRainType(int type) {
  if (ValidRainType(type)) station_rain_type_ = static_cast<std::uint8_t>(type);
}

void DisplayUnits::SaveUnits() {
  progConfigData.SetTempUnit(temp_unit_);
  progConfigData.SetBarUnit(bar_unit_);
  progConfigData.SetRainUnit(rain_unit_);
  progConfigData.SetWindUnit(wind_unit_);
  progConfigData.SetElevUnit(elev_unit_);
  progConfigData.SetDensityUnit(density_unit_);
}

void DisplayUnits::RestoreUnits() {
  SetTempUnit(progConfigData.TempUnit());
  SetBarUnit(progConfigData.BarUnit());
  SetRainUnit(progConfigData.RainUnit());
  SetWindSpeedUnit(progConfigData.WindUnit());
  SetElevUnit(progConfigData.ElevUnit());
  SetDensityUnit(progConfigData.DensityUnit());
}

int DisplayUnits::GetTempUnit() { return progConfigData.TempUnit(); }
int DisplayUnits::GetBarUnit() { return progConfigData.BarUnit(); }
int DisplayUnits::GetWindSpeedUnit() { return progConfigData.WindUnit(); }
int DisplayUnits::GetRainUnit() { return progConfigData.RainUnit(); }
int DisplayUnits::GetElevUnit() { return progConfigData.ElevUnit(); }
int DisplayUnits::GetDensityUnit() { return progConfigData.DensityUnit(); }
int DisplayUnits::GetHumPrecision() { return hum_prec_; }

// --- Internal to display ---

float DisplayUnits::ConvertTemp(std::int16_t tenthsF, bool forced) {
  if (tenthsF == kMissing16 || tenthsF == kMissingHigh16) return kMissingFloat;
  if (forced || temp_unit_ != kCelsius) return static_cast<float>(tenthsF / 10.0);
  return static_cast<float>((tenthsF - 320) * 5 / 90.0);
}

float DisplayUnits::ConvertTemp(float fahrenheit) {
  if (IsMissingTemp(fahrenheit)) return kMissingFloat;
  if (temp_unit_ != kCelsius) return fahrenheit;
  return static_cast<float>((fahrenheit - 32.0) * 5.0 / 9.0);
}

float DisplayUnits::ConvertByteTemp(std::uint8_t b, bool forced) {
  if (b == kMissing8) return kMissingFloat;
  const int t = b - 90;
  if (forced || temp_unit_ != kCelsius) return static_cast<float>(t);
  return static_cast<float>((t - 32) * 5.0 / 9.0);
}

float DisplayUnits::ConvertDegDay(float degDays) {
  if (IsMissing(degDays)) return kMissingFloat;
  if (temp_unit_ != kCelsius) return degDays;
  return static_cast<float>(degDays * 5.0 / 9.0);
}

float DisplayUnits::ConvertBar(std::int16_t thousandthsIn, bool forced) {
  if (thousandthsIn == kMissingHigh16 || thousandthsIn < kLowestBarometer) return kMissingFloat;
  if (forced) return static_cast<float>(thousandthsIn / 1000.0);
  switch (bar_unit_) {
    case kBarMillimetres:
      return static_cast<float>(thousandthsIn * 0.0254);
    case kBarMillibars:
    case kBarHectopascals:
      return static_cast<float>(thousandthsIn * 0.033864);
    default:
      return static_cast<float>(thousandthsIn / 1000.0);
  }
}

float DisplayUnits::ConvertBar(float inches) {
  if (IsMissing(inches)) return kMissingFloat;
  switch (bar_unit_) {
    case kBarMillimetres:
      return static_cast<float>(inches * kMmPerInch);
    case kBarMillibars:
    case kBarHectopascals:
      return static_cast<float>(inches * 33.864);
    default:
      return inches;
  }
}

float DisplayUnits::ConvertSpeed(std::int16_t tenthsMph, bool forced) {
  if (tenthsMph == kMissing16) return kMissingFloat;
  if (forced) return static_cast<float>(tenthsMph / 10.0);
  switch (wind_unit_) {
    case kKnots:
      return static_cast<float>(tenthsMph / 11.5);
    case kKmPerHour:
      return static_cast<float>(tenthsMph * 0.1609344);
    case kMetresPerSecond:
      return static_cast<float>(tenthsMph * 0.044704);
    default:
      return static_cast<float>(tenthsMph / 10.0);
  }
}

namespace {
float MphToDisplay(double mph, std::uint8_t windUnit) {
  switch (windUnit) {
    case DisplayUnits::kKnots:
      return static_cast<float>(mph / 1.15);
    case DisplayUnits::kKmPerHour:
      return static_cast<float>(mph * 1.609344);
    case DisplayUnits::kMetresPerSecond:
      return static_cast<float>(mph * 0.44704);
    default:
      return static_cast<float>(mph);
  }
}
}  // namespace

float DisplayUnits::ConvertSpeed(float mph) {
  if (IsMissing(mph)) return kMissingFloat;
  return MphToDisplay(mph, wind_unit_);
}

float DisplayUnits::ConvertByteSpeed(std::uint8_t mph, bool forced) {
  if (mph == kMissing8) return kMissingFloat;
  if (forced) return mph;
  return MphToDisplay(mph, wind_unit_);
}

float DisplayUnits::ConvertHum(std::int16_t tenths) {
  if (tenths == kMissing16) return kMissingFloat;
  return static_cast<float>(tenths / 10.0);
}

float DisplayUnits::ConvertByteHum(std::uint8_t percent) {
  if (percent == kMissing8) return kMissingFloat;
  return percent;
}

float DisplayUnits::ConvertUV(std::uint8_t tenths) {
  if (tenths == kMissing8) return kMissingFloat;
  return static_cast<float>(tenths / 10.0);
}

float DisplayUnits::ConvertElevation(std::int16_t feet, bool forced) {
  if (forced || elev_unit_ != kMetres) return feet;
  return static_cast<float>(RoundHalfAway(feet * 0.3048));
}

float DisplayUnits::RainValue(int clicks, int type, bool forcedInches) {
  if (!ValidRainType(type) || clicks == kMissing16) return kMissingFloat;
  const Tip& tip = kTips[type];
  double amount = clicks * tip.size;
  const bool inches = forcedInches || rain_unit_ != kRainMillimetres;
  if (tip.metric && inches) amount /= kMmPerInch;
  if (!tip.metric && !inches) amount *= kMmPerInch;
  return static_cast<float>(amount);
}

float DisplayUnits::ConvertRain(std::int16_t word, bool forcedInches) {
  if (word == kMissingRainWord) return kMissingFloat;
  const auto w = static_cast<std::uint16_t>(word);
  return RainValue(w & 0x0FFF, w >> 12, forcedInches);
}

float DisplayUnits::ConvertRain(float inches) {
  if (IsMissing(inches)) return kMissingFloat;
  if (rain_unit_ == kRainMillimetres) return static_cast<float>(inches * kMmPerInch);
  return inches;
}

float DisplayUnits::ConvertRate(float inchesPerHour) { return ConvertRain(inchesPerHour); }

float DisplayUnits::ConvertRate(std::int16_t tipsPerHour, int type, bool forcedInches) {
  if (tipsPerHour == kMissing16) return kMissingFloat;
  return RainValue(tipsPerHour, ValidRainType(type) ? type : 1, forcedInches);
}

int DisplayUnits::GetRainType(std::int16_t word) {
  if (word == kMissingRainWord) return 0;
  return static_cast<std::uint16_t>(word) >> 12;
}

// --- Display to internal ---

std::int16_t DisplayUnits::InverseConvertTemp(float value, bool forced) {
  if (IsMissingTemp(value)) return kMissing16;
  double f = value;
  if (!forced && temp_unit_ == kCelsius) f = value * 1.8 + 32.0;
  return FitI16(RoundHalfAway(f * 10.0));
}

float DisplayUnits::InverseConvertTempFloat(float value) {
  if (IsMissingTemp(value)) return kMissingFloat;
  if (temp_unit_ != kCelsius) return value;
  return static_cast<float>(value * 1.8 + 32.0);
}

std::uint8_t DisplayUnits::InverseConvertByteTemp(float value, bool forced) {
  if (IsMissingTemp(value)) return kMissing8;
  double f = value;
  if (!forced && temp_unit_ == kCelsius) f = value * 1.8 + 32.0;
  const double b = RoundHalfAway(f) + 90.0;
  if (!(b >= 0.0 && b <= 255.0)) return kMissing8;
  return static_cast<std::uint8_t>(b);
}

std::int16_t DisplayUnits::InverseConvertBar(float value, bool forced) {
  if (IsMissing(value)) return kMissing16;
  double t = value * 1000.0;
  if (!forced) {
    switch (bar_unit_) {
      case kBarMillimetres:
        t = value / kMmPerInch * 1000.0;
        break;
      case kBarMillibars:
      case kBarHectopascals:
        t = value / 33.8639 * 1000.0;
        break;
      default:
        break;
    }
  }
  const double r = std::trunc(t + 0.5);
  if (!(r >= 0.0 && r <= 32767.0)) return kMissing16;
  return static_cast<std::int16_t>(r);
}

std::int16_t DisplayUnits::InverseConvertSpeed(float value, bool forced) {
  if (IsMissing(value) || value < 0.0f) return kMissing16;
  double t = value * 10.0;
  if (!forced) {
    switch (wind_unit_) {
      case kKnots:
        t = value * 11.51;
        break;
      case kKmPerHour:
        t = value / 0.1609344;
        break;
      case kMetresPerSecond:
        t = value / 0.044704;
        break;
      default:
        break;
    }
  }
  const double r = std::trunc(t + 0.5);
  if (!(r <= 32767.0)) return kMissing16;
  return static_cast<std::int16_t>(r);
}

std::uint8_t DisplayUnits::InverseConvertByteSpeed(float value, bool forced) {
  // A missing value stays missing; it must not become a calm reading.
  if (IsMissing(value)) return kMissing8;
  if (value < 0.0f) return 0;
  double t = value;
  if (!forced) {
    switch (wind_unit_) {
      case kKnots:
        t = value * 1.151;
        break;
      case kKmPerHour:
        t = value / 1.609344;
        break;
      case kMetresPerSecond:
        t = value / 0.44704;
        break;
      default:
        break;
    }
  }
  const double r = std::trunc(t + 0.5);
  if (!(r <= 255.0)) return kMissing8;
  return static_cast<std::uint8_t>(r);
}

std::int16_t DisplayUnits::InverseConvertHum(float percent) {
  if (IsMissing(percent) || percent < 0.0f || percent > 100.0f) return kMissing16;
  return static_cast<std::int16_t>(std::trunc(percent * 10.0 + 0.5));
}

std::uint8_t DisplayUnits::InverseConvertByteHum(float percent) {
  if (IsMissing(percent) || percent < 0.0f || percent > 100.0f) return kMissing8;
  return static_cast<std::uint8_t>(std::trunc(percent + 0.5));
}

std::uint8_t DisplayUnits::InverseConvertUV(float index) {
  if (IsMissing(index) || index < 0.0f || index > 16.0f) return kMissing8;
  return static_cast<std::uint8_t>(std::trunc(index * 10.0 + 0.5));
}

std::int16_t DisplayUnits::InverseConvertElevation(std::int16_t value, bool forced) {
  if (forced || elev_unit_ != kMetres) return value;
  return FitI16(RoundHalfAway(value / 0.3048));
}

int DisplayUnits::RainClicks(float amount, int type) {
  if (IsMissing(amount) || !ValidRainType(type)) return kMissing16;
  const Tip& tip = kTips[type];
  double a = amount;
  const bool inches = rain_unit_ != kRainMillimetres;
  if (inches && tip.metric) a *= kMmPerInch;
  if (!inches && !tip.metric) a /= kMmPerInch;
  const double clicks = std::trunc(a / tip.size + 0.5);
  if (!(clicks >= -2147483647.0 && clicks <= 2147483647.0)) return kMissing16;
  return static_cast<int>(clicks);
}

std::int16_t DisplayUnits::InverseConvertRain(float amount) {
  if (IsMissing(amount)) return kMissingRainWord;
  const int type = rain_unit_ == kRainMillimetres ? 2 : 1;
  return RainWord(RainClicks(amount, type), type);
}

std::int16_t DisplayUnits::InverseConvertRain(std::int16_t clicks, int type) { return RainWord(clicks, type); }

std::int16_t DisplayUnits::InverseConvertRate(float rate, int type) {
  if (IsMissing(rate) || rate < 0.0f) return kMissing16;
  if (!ValidRainType(type)) type = 1;
  const Tip& tip = kTips[type];
  double r = rate;
  const bool inches = rain_unit_ != kRainMillimetres;
  if (inches && tip.metric) r *= kMmPerInch;
  if (!inches && !tip.metric) r /= kMmPerInch;
  const double tips = std::trunc(r / tip.size + 0.5);
  if (!(tips <= 32767.0)) return kMissing16;
  return static_cast<std::int16_t>(tips);
}

// --- Two-direction forms ---

float DisplayUnits::ConvertTemp(float value, int direction) {
  if (direction == kToDisplay) return ConvertTemp(value);
  if (direction == kToInternal) return InverseConvertTempFloat(value);
  return kMissingFloat;
}

float DisplayUnits::ConvertBar(float value, int direction) {
  if (direction == kToDisplay) return ConvertBar(value);
  if (direction != kToInternal) return kMissingFloat;
  // A value the inverse rejects stays missing rather than becoming -32.768 in.
  const std::int16_t t = InverseConvertBar(value, false);
  return t == kMissing16 ? kMissingFloat : static_cast<float>(t / 1000.0);
}

float DisplayUnits::ConvertSpeed(float value, int direction) {
  if (direction == kToDisplay) return ConvertSpeed(value);
  if (direction != kToInternal) return kMissingFloat;
  const std::int16_t t = InverseConvertSpeed(value, false);
  return t == kMissing16 ? kMissingFloat : static_cast<float>(t / 10.0);
}

float DisplayUnits::ConvertRain(float value, int direction) {
  if (direction == kToDisplay) return ConvertRain(value);
  if (direction == kToInternal) {
    if (IsMissing(value)) return kMissingFloat;
    return rain_unit_ == kRainMillimetres ? static_cast<float>(value / kMmPerInch) : value;
  }
  if (direction == kTipsToInches) {
    if (IsMissing(value) || value < 0.0f) return kMissingFloat;
    const double count = std::trunc(value + 0.5);
    if (!(count <= 2147483647.0)) return kMissingFloat;
    return RainValue(static_cast<int>(count), station_rain_type_, true);
  }
  return kMissingFloat;
}

float DisplayUnits::ConvertRate(float value, int direction) {
  if (direction == kToDisplay) return ConvertRate(value);
  if (direction == kToInternal) {
    if (IsMissing(value)) return kMissingFloat;
    return rain_unit_ == kRainMillimetres ? static_cast<float>(value / kMmPerInch) : value;
  }
  return kMissingFloat;
}

float DisplayUnits::ConvertDegDay(float value, int direction) {
  if (direction == kToDisplay) return ConvertDegDay(value);
  if (direction == kToInternal) {
    if (IsMissing(value)) return kMissingFloat;
    return temp_unit_ == kCelsius ? static_cast<float>(value * 9.0 / 5.0) : value;
  }
  return kMissingFloat;
}

float DisplayUnits::ConvertElevation(std::int16_t value, int direction) {
  if (direction == kToDisplay) return ConvertElevation(value, false);
  if (direction == kToInternal) return InverseConvertElevation(value, false);
  return kMissingFloat;
}

}  // namespace sq
