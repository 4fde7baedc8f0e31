#include "database/weather_data_object.h"

#include <cmath>
#include <string_view>

#include "foundation/fixed_format.h"

namespace sq {
namespace {

using ID = WeatherDataID;
constexpr float kM = DisplayUnits::kMissingFloat;

// "%.*f" of a value into the caller's buffer, always terminated.
char* Fixed(std::span<char> buf, int decimals, float v) {
  FormatFixed(buf, decimals, static_cast<double>(v));
  return buf.data();
}

// "%d" into the caller's buffer, always terminated.
char* Int(std::span<char> buf, int v) {
  FormatInt(buf, v);
  return buf.data();
}

// A clock time: the hour (0..24) in two places, a one-digit hour led by `pad` (none
// when '\0'), then the separator, the minute in two digits and `suffix`.
char* ClockText(std::span<char> buf, int hour, char pad, char sep, int minute, std::string_view suffix) {
  char text[16];
  std::size_t n = 0;
  if (hour >= 10)
    text[n++] = static_cast<char>('0' + hour / 10);
  else if (pad != '\0')
    text[n++] = pad;
  text[n++] = static_cast<char>('0' + hour % 10);
  text[n++] = sep;
  text[n++] = static_cast<char>('0' + minute / 10);
  text[n++] = static_cast<char>('0' + minute % 10);
  for (char c : suffix.substr(0, sizeof text - n)) text[n++] = c;
  return DataRecordObject::CopyText(std::string_view(text, n), buf);
}

bool Missing(float v) { return DisplayUnits::IsMissing(v); }

// A 16-bit temperature field without a value (summary lows start at 32767).
bool MissingTemp16(std::int16_t v) {
  return v == DataRecordObject::kMissing16 || v == DataRecordObject::kMissingHigh16;
}

// Solar fields below -200 or at 32767 hold no value.
bool MissingSolar(std::int16_t v) { return v < -200 || v == 32767; }

// Rounds a value typed for a small integer field; false for NaN or infinity.
bool RoundToInt(float v, long* out) {
  if (!std::isfinite(v) || std::fabs(v) > 1e9f) return false;
  *out = std::lround(v);
  return true;
}

// A float value for a byte field holding lo..hi, or 255 for a missing value.
int StoreByte(float v, int lo, int hi, std::uint8_t* field) {
  if (Missing(v)) {
    *field = DataRecordObject::kMissing8;
    return 1;
  }
  long n = 0;
  if (!RoundToInt(v, &n) || n < lo || n > hi) return 0;
  *field = static_cast<std::uint8_t>(n);
  return 1;
}

// Byte of a numbered sensor in a run of sensor bytes, or nullptr.
template <std::size_t N>
const std::uint8_t* SensorByte(const std::uint8_t (&bytes)[N], int sensor, int first) {
  const int i = sensor - first;
  return i >= 0 && i < static_cast<int>(N) ? &bytes[i] : nullptr;
}
template <std::size_t N>
std::uint8_t* SensorByte(std::uint8_t (&bytes)[N], int sensor, int first) {
  const int i = sensor - first;
  return i >= 0 && i < static_cast<int>(N) ? &bytes[i] : nullptr;
}

// Collector code a rain-rate count is expressed in: codes that name no collector count
// in 0.01 inch, like the conversions read them.
int EffectiveRateCode(int code) { return code >= 0 && code < DisplayUnits::kRainTypeCount ? code : 1; }

}  // namespace

// ---------------------------------------------------------------- construction

WeatherDataObject::WeatherDataObject() : record_(NewDataRecord()) {}

WeatherDataObject::WeatherDataObject(const DataRecord& record, const DateTime& date)
    : DataRecordObject(date), record_(record) {}

bool WeatherDataObject::ValidData() const {
  return record_.record_type == kRecordTypeArchive && record_.packed_time != kMissing16;
}

void WeatherDataObject::Reset() { record_ = NewDataRecord(); }

bool WeatherDataObject::SetRecordBytes(std::span<const std::uint8_t> bytes) {
  auto r = DecodeDataRecord(bytes);
  if (!r) return false;
  record_ = *r;
  return true;
}

// ---------------------------------------------------------------- raw inputs

float WeatherDataObject::TempOfSensor(int sensor) const {
  switch (sensor) {
    case ID::kSensorOutside:
      return ConvertTemp(record_.outside_temp, true);
    case ID::kSensorInside:
      return ConvertTemp(record_.inside_temp, true);
    default:
      break;
  }
  const std::uint8_t* b = nullptr;
  if (sensor <= ID::kSensorLastExtra)
    b = SensorByte(record_.extra_temp, sensor, ID::kSensorFirstExtra);
  else if (sensor <= ID::kSensorLastSoil)
    b = SensorByte(record_.soil_temp, sensor, ID::kSensorFirstSoil);
  else
    b = SensorByte(record_.leaf_temp, sensor, ID::kSensorFirstLeaf);
  return b ? ConvertByteTemp(*b, true) : kM;
}

float WeatherDataObject::HumOfSensor(int sensor) const {
  switch (sensor) {
    case ID::kSensorOutside:
      return ConvertHum(record_.outside_hum);
    case ID::kSensorInside:
      return ConvertHum(record_.inside_hum);
    default:
      break;
  }
  const std::uint8_t* b = SensorByte(record_.extra_hum, sensor, ID::kSensorFirstExtra);
  return b ? ConvertByteHum(*b) : kM;
}

float WeatherDataObject::AverageWindMph() const { return ConvertSpeed(record_.wind_speed, true); }

float WeatherDataObject::BarometerInches() const { return ConvertBar(record_.barometer, true); }

int WeatherDataObject::RateCode() const {
  return EffectiveRateCode(GetRainType(static_cast<std::int16_t>(record_.rain)));
}

// ---------------------------------------------------------------- dispatch

float WeatherDataObject::GetWeatherData(WeatherDataID id, bool native) const {
  if (!id.IsArchiveVariable()) return kM;
  switch (id.Calculation()) {
    case ID::kCalcMeasured:
      switch (id.Category()) {
        case ID::kCatTemp:
          return GetTemp(id, native);
        case ID::kCatHum:
          return GetHum(id, native);
        case ID::kCatWindSpeed:
          return GetWindSpeed(id, native);
        case ID::kCatWindDir:
          return GetWindDir(id, native);
        case ID::kCatBarometer:
          return GetBarometer(id, native);
        case ID::kCatRain:
          return GetRain(id, native);
        case ID::kCatRainRate:
          return GetRainRate(id, false);
        case ID::kCatSolar:
          return GetSolar(id, native);
        case ID::kCatUV:
          return GetUV(id, native);
        case ID::kCatSoilMoisture:
          return GetSoil(id, native);
        case ID::kCatLeafWetness:
          return GetLeaf(id, native);
        case ID::kCatRecordInfo:
          return RecordInfo(id);
        default:
          return kM;
      }
    case ID::kCalcDewPoint:
    case ID::kCalcWindChill:
    case ID::kCalcHeatIndex:
    case ID::kCalcTHW:
    case ID::kCalcTHSW:
    case ID::kCalcWetBulb:
      return GetTemp(id, native);
    case ID::kCalcWindRun:
      return GetWindRun(id, native);
    case ID::kCalcDegreeDays:
      return GetDegreeDays(id, native);
    case ID::kCalcSolarEnergy:
      return GetSolarEnergy(id, native);
    case ID::kCalcUVDose:
      return GetUVDose(id, native);
    case ID::kCalcAirDensity:
      return GetAirDensity(id, native);
    case ID::kCalcEMC:
      return GetEMC(id, native);
    case ID::kCalcET:
      return GetET(id, false);
    default:
      return kM;
  }
}

char* WeatherDataObject::GetWeatherDataStr(WeatherDataID id, std::span<char> buf) const {
  if (!id.IsArchiveVariable()) return CopyText("---", buf);
  switch (id.Calculation()) {
    case ID::kCalcMeasured:
      switch (id.Category()) {
        case ID::kCatTemp:
          return GetTempStr(id, buf);
        case ID::kCatHum:
          return GetHumStr(id, buf);
        case ID::kCatWindSpeed:
          return GetWindSpeedStr(id, buf);
        case ID::kCatWindDir:
          return GetWindDirStr(id, buf);
        case ID::kCatBarometer:
          return GetBarometerStr(id, buf);
        case ID::kCatRain:
          return GetRainStr(id, buf);
        case ID::kCatRainRate:
          return GetRainRateStr(id, buf);
        case ID::kCatSolar:
          return GetSolarStr(id, buf);
        case ID::kCatUV:
          return GetUVStr(id, buf);
        case ID::kCatSoilMoisture:
          return GetSoilStr(id, buf);
        case ID::kCatLeafWetness:
          return GetLeafStr(id, buf);
        case ID::kCatRecordInfo:
          break;
        default:
          return CopyText("---", buf);
      }
      break;
    case ID::kCalcDewPoint:
    case ID::kCalcWindChill:
    case ID::kCalcHeatIndex:
    case ID::kCalcTHW:
    case ID::kCalcTHSW:
    case ID::kCalcWetBulb:
      return GetTempStr(id, buf);
    case ID::kCalcWindRun:
      return GetWindRunStr(id, buf);
    case ID::kCalcDegreeDays:
      return GetDegreeDaysStr(id, buf);
    case ID::kCalcSolarEnergy:
      return GetSolarEnergyStr(id, buf);
    case ID::kCalcUVDose:
      return GetUVDoseStr(id, buf);
    case ID::kCalcAirDensity:
      return GetAirDensityStr(id, buf);
    case ID::kCalcEMC:
      return GetEMCStr(id, buf);
    case ID::kCalcET:
      return GetETStr(id, buf);
    default:
      return CopyText("---", buf);
  }
  // Record information.
  const float v = RecordInfo(id);
  if (Missing(v)) return CopyText("---", buf);
  switch (id.Sensor()) {
    case ID::kInfoTransmitter:
      return Int(buf, static_cast<int>(v) + 1);
    case ID::kInfoReception:
      return Fixed(buf, 1, v);
    case ID::kInfoPackedTime:
      return GetTimeStr(buf);
    default:
      return Int(buf, static_cast<int>(v));
  }
}

int WeatherDataObject::SetWeatherData(WeatherDataID id, float value, bool native) {
  if (!id.IsArchiveVariable()) return 0;
  switch (id.Calculation()) {
    case ID::kCalcMeasured:
      switch (id.Category()) {
        case ID::kCatTemp:
          return SetTemp(id, value, native);
        case ID::kCatHum:
          return SetHum(id, value, native);
        case ID::kCatWindSpeed:
          return SetWindSpeed(id, value, native);
        case ID::kCatWindDir:
          return SetWindDir(id, value, native);
        case ID::kCatBarometer:
          return SetBarometer(id, value, native);
        case ID::kCatRain:
          return SetRain(id, value, native);
        // Rate and ET travel in the user's units through the generic pair, both ways.
        case ID::kCatRainRate:
          return SetRainRate(id, value, false);
        case ID::kCatSolar:
          return SetSolar(id, value, native);
        case ID::kCatUV:
          return SetUV(id, value, native);
        case ID::kCatSoilMoisture:
          return SetSoil(id, value, native);
        case ID::kCatLeafWetness:
          return SetLeaf(id, value, native);
        case ID::kCatRecordInfo:
          return SetRecordInfo(id, value);
        default:
          return 0;
      }
    case ID::kCalcET:
      return SetET(id, value, false);
    default:
      return 0;
  }
}

// ---------------------------------------------------------------- temperatures

float WeatherDataObject::GetTemp(WeatherDataID id, bool native) const {
  const int calc = id.Calculation();
  const int stat = id.Statistic();
  const int sensor = id.Sensor();
  if (calc == ID::kCalcMeasured) {
    if (id.UnitClass() != ID::kClassTemp || id.Category() != ID::kCatTemp) return kM;
    if (sensor == ID::kSensorOutside) {
      switch (stat) {
        case ID::kStatValue:
          return ConvertTemp(record_.outside_temp, native);
        case ID::kStatHigh:
          return ConvertTemp(record_.hi_outside_temp, native);
        case ID::kStatLow:
          return ConvertTemp(record_.low_outside_temp, native);
        default:
          return kM;
      }
    }
    if (stat != ID::kStatValue) return kM;
    if (sensor == ID::kSensorInside) return ConvertTemp(record_.inside_temp, native);
    const float f = TempOfSensor(sensor);
    return Missing(f) || native ? f : ConvertTemp(f);
  }
  if (calc < ID::kCalcDewPoint || calc > ID::kCalcWetBulb || stat != ID::kStatValue) return kM;

  const float t = TempOfSensor(sensor);
  if (Missing(t)) return kM;
  const float rh = HumOfSensor(id.Parameter());
  const float w = AverageWindMph();
  const float s = MissingSolar(record_.extra_rad) ? kM : static_cast<float>(record_.extra_rad);
  const bool needs_rh = calc != ID::kCalcWindChill;
  const bool needs_w = calc == ID::kCalcWindChill || calc == ID::kCalcTHW || calc == ID::kCalcTHSW;
  if ((needs_rh && Missing(rh)) || (needs_w && Missing(w)) || (calc == ID::kCalcTHSW && Missing(s))) return kM;

  float v = kM;
  switch (calc) {
    case ID::kCalcDewPoint:
      v = CalcDew(t, rh);
      break;
    case ID::kCalcWindChill:
      v = CalcChill(t, w);
      break;
    case ID::kCalcHeatIndex:
      v = CalcHeat(t, rh);
      break;
    case ID::kCalcTHW:
      v = CalcTHW(t, rh, w);
      break;
    case ID::kCalcTHSW:
      v = CalcTHSW(t, rh, w, s);
      break;
    default:
      v = CalcWetBulb(t, rh);
      break;
  }
  if (IsMissingTemp(v)) return kM;
  return native ? v : ConvertTemp(v);
}

char* WeatherDataObject::GetTempStr(WeatherDataID id, std::span<char> buf) const {
  const float v = GetTemp(id, false);
  return Missing(v) ? CopyText("---", buf) : Fixed(buf, 1, v);
}

int WeatherDataObject::SetTemp(WeatherDataID id, float value, bool native) {
  if (id.Calculation() != ID::kCalcMeasured || id.UnitClass() != ID::kClassTemp || id.Category() != ID::kCatTemp)
    return 0;
  const int stat = id.Statistic();
  const int sensor = id.Sensor();
  std::int16_t* word = nullptr;
  if (sensor == ID::kSensorOutside) {
    switch (stat) {
      case ID::kStatValue:
        word = &record_.outside_temp;
        break;
      case ID::kStatHigh:
        word = &record_.hi_outside_temp;
        break;
      case ID::kStatLow:
        word = &record_.low_outside_temp;
        break;
      default:
        return 0;
    }
  } else if (stat != ID::kStatValue) {
    return 0;
  } else if (sensor == ID::kSensorInside) {
    word = &record_.inside_temp;
  }
  const bool missing = IsMissingTemp(value);
  if (word) {
    const std::int16_t t = InverseConvertTemp(value, native);
    if (!missing && MissingTemp16(t)) return 0;  // does not fit the field
    *word = missing ? kMissing16 : t;
    return 1;
  }
  std::uint8_t* b = nullptr;
  if (sensor <= ID::kSensorLastExtra)
    b = SensorByte(record_.extra_temp, sensor, ID::kSensorFirstExtra);
  else if (sensor <= ID::kSensorLastSoil)
    b = SensorByte(record_.soil_temp, sensor, ID::kSensorFirstSoil);
  else
    b = SensorByte(record_.leaf_temp, sensor, ID::kSensorFirstLeaf);
  if (!b) return 0;
  const std::uint8_t t = InverseConvertByteTemp(value, native);
  if (!missing && t == kMissing8) return 0;  // outside -90..164 °F
  *b = missing ? kMissing8 : t;
  return 1;
}

// ---------------------------------------------------------------- humidity

float WeatherDataObject::GetHum(WeatherDataID id, bool) const {
  if (id.Calculation() != ID::kCalcMeasured || id.UnitClass() != ID::kClassPercent || id.Category() != ID::kCatHum ||
      id.Statistic() != ID::kStatValue)
    return kM;
  return HumOfSensor(id.Sensor());
}

char* WeatherDataObject::GetHumStr(WeatherDataID id, std::span<char> buf) const {
  const float v = GetHum(id, false);
  return Missing(v) ? CopyText("---", buf) : Fixed(buf, humPrec, v);
}

int WeatherDataObject::SetHum(WeatherDataID id, float value, bool) {
  if (id.Calculation() != ID::kCalcMeasured || id.UnitClass() != ID::kClassPercent || id.Category() != ID::kCatHum ||
      id.Statistic() != ID::kStatValue)
    return 0;
  const bool missing = Missing(value);
  const int sensor = id.Sensor();
  if (sensor == ID::kSensorOutside || sensor == ID::kSensorInside) {
    const std::int16_t h = InverseConvertHum(value);
    if (!missing && h == kMissing16) return 0;  // outside 0..100 %
    (sensor == ID::kSensorOutside ? record_.outside_hum : record_.inside_hum) = h;
    return 1;
  }
  std::uint8_t* b = SensorByte(record_.extra_hum, sensor, ID::kSensorFirstExtra);
  if (!b) return 0;
  const std::uint8_t h = InverseConvertByteHum(value);
  if (!missing && h == kMissing8) return 0;
  *b = h;
  return 1;
}

// ---------------------------------------------------------------- wind

float WeatherDataObject::GetWindSpeed(WeatherDataID id, bool native) const {
  if (id.Calculation() != ID::kCalcMeasured || id.UnitClass() != ID::kClassWindSpeed ||
      id.Category() != ID::kCatWindSpeed || id.Sensor() != 0)
    return kM;
  switch (id.Statistic()) {
    case ID::kStatValue:
      return ConvertSpeed(record_.wind_speed, native);
    case ID::kStatHigh:
      return ConvertSpeed(record_.hi_wind_speed, native);
    default:
      return kM;
  }
}

char* WeatherDataObject::GetWindSpeedStr(WeatherDataID id, std::span<char> buf) const {
  const float v = GetWindSpeed(id, false);
  return Missing(v) ? CopyText("---", buf) : Fixed(buf, 1, v);
}

int WeatherDataObject::SetWindSpeed(WeatherDataID id, float value, bool native) {
  if (id.Calculation() != ID::kCalcMeasured || id.UnitClass() != ID::kClassWindSpeed ||
      id.Category() != ID::kCatWindSpeed || id.Sensor() != 0)
    return 0;
  std::int16_t* field = nullptr;
  switch (id.Statistic()) {
    case ID::kStatValue:
      field = &record_.wind_speed;
      break;
    case ID::kStatHigh:
      field = &record_.hi_wind_speed;
      break;
    default:
      return 0;
  }
  const std::int16_t s = InverseConvertSpeed(value, native);
  if (!Missing(value) && s == kMissing16) return 0;  // negative or too fast
  *field = s;
  return 1;
}

float WeatherDataObject::GetWindDir(WeatherDataID id, bool) const {
  if (id.Calculation() != ID::kCalcMeasured || id.UnitClass() != ID::kClassWindDir ||
      id.Category() != ID::kCatWindDir || id.Sensor() != 0)
    return kM;
  std::uint8_t d = kMissing8;
  switch (id.Statistic()) {
    case ID::kStatValue:
    case ID::kStatTotal:
      d = record_.wind_direction;
      break;
    case ID::kStatHigh:
      d = record_.hi_wind_direction;
      break;
    default:
      return kM;
  }
  return d <= 15 ? static_cast<float>(d) : kM;
}

char* WeatherDataObject::GetWindDirStr(WeatherDataID id, std::span<char> buf) const {
  const float v = GetWindDir(id, false);
  return Missing(v) ? CopyText("---", buf) : DomDirStr(static_cast<int>(v), buf);
}

int WeatherDataObject::SetWindDir(WeatherDataID id, float value, bool) {
  if (id.Calculation() != ID::kCalcMeasured || id.UnitClass() != ID::kClassWindDir ||
      id.Category() != ID::kCatWindDir || id.Sensor() != 0)
    return 0;
  switch (id.Statistic()) {
    case ID::kStatValue:
    case ID::kStatTotal:
      return StoreByte(value, 0, 15, &record_.wind_direction);
    case ID::kStatHigh:
      return StoreByte(value, 0, 15, &record_.hi_wind_direction);
    default:
      return 0;
  }
}

// ---------------------------------------------------------------- barometer

float WeatherDataObject::GetBarometer(WeatherDataID id, bool native) const {
  if (id != ID::Barometer()) return kM;
  return ConvertBar(record_.barometer, native);
}

char* WeatherDataObject::GetBarometerStr(WeatherDataID id, std::span<char> buf) const {
  if (id != ID::Barometer()) return CopyText("---", buf);
  const float v = GetBarometer(id, false);
  if (Missing(v)) return CopyText("------", buf);
  return Fixed(buf, barUnit == kBarInches ? 3 : 1, v);
}

int WeatherDataObject::SetBarometer(WeatherDataID id, float value, bool native) {
  if (id != ID::Barometer()) return 0;
  if (Missing(value)) {
    record_.barometer = kMissing16;
    return 1;
  }
  const std::int16_t b = InverseConvertBar(value, native);
  // A value that would read back as "no value" is refused rather than stored.
  if (b == kMissing16 || b < kLowestBarometer || b == kMissingHigh16) return 0;
  record_.barometer = b;
  return 1;
}

// ---------------------------------------------------------------- rain

float WeatherDataObject::GetRain(WeatherDataID id, bool native) const {
  if (id != ID::Rain() || record_.rain == kNoRain) return kM;
  return RainValue(record_.rain & 0x0FFF, record_.rain >> 12, native);
}

char* WeatherDataObject::GetRainStr(WeatherDataID id, std::span<char> buf) const {
  if (id != ID::Rain()) return CopyText("---", buf);
  const float v = GetRain(id, false);
  return Missing(v) ? CopyText("    ---", buf) : Fixed(buf, 2, v);
}

int WeatherDataObject::SetRain(WeatherDataID id, float value, bool native) {
  if (id != ID::Rain()) return 0;
  std::uint16_t word = kNoRain;
  if (!Missing(value)) {
    if (!(value >= 0.0f)) return 0;
    // The code follows the user's rain unit; a native amount is in inches.
    const float amount = native && rainUnit == kRainMillimetres ? static_cast<float>(value * 25.4) : value;
    const std::int16_t w = InverseConvertRain(amount);
    if (w == kMissingRainWord) return 0;  // negative, or more clicks than the field holds
    word = static_cast<std::uint16_t>(w);
  }
  // The rain rate counts clicks of this record's collector code: when the code changes,
  // the stored rate is re-expressed in the new one so that it keeps its meaning.
  const int old_code = RateCode();
  record_.rain = word;
  const int new_code = RateCode();
  if (old_code != new_code && record_.hi_rain_rate != kMissing16) {
    const double inches = RainValue(record_.hi_rain_rate, old_code, true);
    const double per_click = RainValue(1, new_code, true);
    const double tips = std::trunc(inches / per_click + 0.5);
    record_.hi_rain_rate = tips >= 0.0 && tips <= 32767.0 ? static_cast<std::int16_t>(tips) : kMissing16;
  }
  return 1;
}

float WeatherDataObject::GetRainRate(WeatherDataID id, bool native) const {
  if (id != ID::HighRainRate()) return kM;
  return ConvertRate(record_.hi_rain_rate, RateCode(), native);
}

char* WeatherDataObject::GetRainRateStr(WeatherDataID id, std::span<char> buf) const {
  const float v = GetRainRate(id, false);
  if (Missing(v)) return CopyText("---", buf);
  return Fixed(buf, rainUnit == kRainMillimetres ? 1 : 2, v);
}

int WeatherDataObject::SetRainRate(WeatherDataID id, float value, bool native) {
  if (id != ID::HighRainRate()) return 0;
  if (Missing(value)) {
    record_.hi_rain_rate = kMissing16;
    return 1;
  }
  const float rate = native && rainUnit == kRainMillimetres ? static_cast<float>(value * 25.4) : value;
  const std::int16_t tips = InverseConvertRate(rate, RateCode());
  if (tips == kMissing16) return 0;  // negative or too high
  record_.hi_rain_rate = tips;
  return 1;
}

// ---------------------------------------------------------------- solar and UV

float WeatherDataObject::GetSolar(WeatherDataID id, bool) const {
  std::int16_t f = 0;
  if (id == ID::SolarRad())
    f = record_.solar_rad;
  else if (id == ID::HighSolarRad())
    f = record_.hi_solar_rad;
  else if (id == ID::ExtraSolarRad())
    f = record_.extra_rad;
  else
    return kM;
  return MissingSolar(f) ? kM : static_cast<float>(f);
}

char* WeatherDataObject::GetSolarStr(WeatherDataID id, std::span<char> buf) const {
  const float v = GetSolar(id, false);
  return Missing(v) ? CopyText("---", buf) : Fixed(buf, 0, v);
}

int WeatherDataObject::SetSolar(WeatherDataID id, float value, bool) {
  std::int16_t* f = nullptr;
  if (id == ID::SolarRad())
    f = &record_.solar_rad;
  else if (id == ID::HighSolarRad())
    f = &record_.hi_solar_rad;
  else if (id == ID::ExtraSolarRad())
    f = &record_.extra_rad;
  else
    return 0;
  if (Missing(value)) {
    *f = kMissing16;
    return 1;
  }
  long n = 0;
  if (!RoundToInt(value, &n) || n < -200 || n > 32766) return 0;
  *f = static_cast<std::int16_t>(n);
  return 1;
}

float WeatherDataObject::GetExtraRad(WeatherDataID id, bool native) const {
  return id == ID::ExtraSolarRad() ? GetSolar(id, native) : kM;
}

char* WeatherDataObject::GetExtraRadStr(WeatherDataID id, std::span<char> buf) const {
  return id == ID::ExtraSolarRad() ? GetSolarStr(id, buf) : CopyText("---", buf);
}

int WeatherDataObject::SetExtraRad(WeatherDataID id, float value, bool native) {
  return id == ID::ExtraSolarRad() ? SetSolar(id, value, native) : 0;
}

float WeatherDataObject::GetUV(WeatherDataID id, bool) const {
  if (id == ID::UVIndex()) return ConvertUV(record_.uv);
  if (id == ID::HighUVIndex()) return ConvertUV(record_.hi_uv);
  return kM;
}

char* WeatherDataObject::GetUVStr(WeatherDataID id, std::span<char> buf) const {
  const float v = GetUV(id, false);
  return Missing(v) ? CopyText("---", buf) : Fixed(buf, 1, v);
}

int WeatherDataObject::SetUV(WeatherDataID id, float value, bool) {
  std::uint8_t* f = nullptr;
  if (id == ID::UVIndex())
    f = &record_.uv;
  else if (id == ID::HighUVIndex())
    f = &record_.hi_uv;
  else
    return 0;
  const std::uint8_t u = InverseConvertUV(value);
  if (!Missing(value) && u == kMissing8) return 0;  // outside 0..16
  *f = u;
  return 1;
}

// ---------------------------------------------------------------- soil and leaf

namespace {

// Soil moisture and leaf wetness share one shape: a measured value of one category,
// read from its byte array by sensor number.
bool PlainSensorId(WeatherDataID id, int category) {
  return id.Calculation() == ID::kCalcMeasured && id.Category() == category && id.Statistic() == ID::kStatValue;
}

template <std::size_t N>
float PlainSensorValue(WeatherDataID id, int category, const std::uint8_t (&bytes)[N], int first) {
  if (!PlainSensorId(id, category)) return kM;
  const std::uint8_t* b = SensorByte(bytes, id.Sensor(), first);
  return b && *b != DisplayUnits::kMissing8 ? static_cast<float>(*b) : kM;
}

}  // namespace

float WeatherDataObject::GetSoil(WeatherDataID id, bool) const {
  return PlainSensorValue(id, ID::kCatSoilMoisture, record_.soil_moisture, ID::kSensorFirstSoil);
}

char* WeatherDataObject::GetSoilStr(WeatherDataID id, std::span<char> buf) const {
  const float v = GetSoil(id, false);
  return Missing(v) ? CopyText("---", buf) : Int(buf, static_cast<int>(v));
}

int WeatherDataObject::SetSoil(WeatherDataID id, float value, bool) {
  if (!PlainSensorId(id, ID::kCatSoilMoisture)) return 0;
  std::uint8_t* b = SensorByte(record_.soil_moisture, id.Sensor(), ID::kSensorFirstSoil);
  return b ? StoreByte(value, 0, 254, b) : 0;
}

float WeatherDataObject::GetLeaf(WeatherDataID id, bool) const {
  return PlainSensorValue(id, ID::kCatLeafWetness, record_.leaf_wetness, ID::kSensorFirstLeaf);
}

char* WeatherDataObject::GetLeafStr(WeatherDataID id, std::span<char> buf) const {
  const float v = GetLeaf(id, false);
  return Missing(v) ? CopyText("---", buf) : Int(buf, static_cast<int>(v));
}

int WeatherDataObject::SetLeaf(WeatherDataID id, float value, bool) {
  if (!PlainSensorId(id, ID::kCatLeafWetness)) return 0;
  std::uint8_t* b = SensorByte(record_.leaf_wetness, id.Sensor(), ID::kSensorFirstLeaf);
  return b ? StoreByte(value, 0, 15, b) : 0;
}

// ---------------------------------------------------------------- ET

float WeatherDataObject::GetET(WeatherDataID id, bool native) const {
  if (id.Calculation() != ID::kCalcET || !id.IsArchiveVariable() || record_.et == kMissing8) return kM;
  double inches = record_.et / 1000.0;
  if (record_.flags_b & kFlagBNegativeEt) inches = -inches;
  if (native || rainUnit != kRainMillimetres) return static_cast<float>(inches);
  return static_cast<float>(inches * 25.4);
}

char* WeatherDataObject::GetETStr(WeatherDataID id, std::span<char> buf) const {
  const float v = GetET(id, false);
  if (Missing(v)) return CopyText("---", buf);
  return Fixed(buf, rainUnit == kRainMillimetres ? 2 : 3, v);
}

int WeatherDataObject::SetET(WeatherDataID id, float value, bool native) {
  if (id.Calculation() != ID::kCalcET || !id.IsArchiveVariable()) return 0;
  if (Missing(value)) {
    record_.et = kMissing8;
    record_.flags_b &= static_cast<std::uint8_t>(~kFlagBNegativeEt);
    return 1;
  }
  if (!std::isfinite(value)) return 0;
  const double inches = native || rainUnit != kRainMillimetres ? value : value / 25.4;
  const double thousandths = std::trunc(std::fabs(inches) * 1000.0 + 0.5);
  if (thousandths > 254.0) return 0;  // 255 is the missing marker
  record_.et = static_cast<std::uint8_t>(thousandths);
  if (inches < 0 && thousandths > 0)
    record_.flags_b |= kFlagBNegativeEt;
  else
    record_.flags_b &= static_cast<std::uint8_t>(~kFlagBNegativeEt);
  return 1;
}

// ---------------------------------------------------------------- integrated values

float WeatherDataObject::GetWindRun(WeatherDataID id, bool native) const {
  if (id != ID::WindRun()) return kM;
  const float w = AverageWindMph();
  if (Missing(w)) return kM;
  const double miles = static_cast<double>(w) * record_.archive_interval / 60.0;
  if (native) return static_cast<float>(miles);
  switch (windUnit) {
    case kKnots:
      return static_cast<float>(miles / 1.15);
    case kKmPerHour:
      return static_cast<float>(miles * 1.609344);
    case kMetresPerSecond:
      return static_cast<float>(miles * 0.44704 * 3.6);
    default:
      return static_cast<float>(miles);
  }
}

char* WeatherDataObject::GetWindRunStr(WeatherDataID id, std::span<char> buf) const {
  const float v = GetWindRun(id, false);
  return Missing(v) ? CopyText("---", buf) : Fixed(buf, 2, v);
}

float WeatherDataObject::GetDegreeDays(WeatherDataID id, bool native) const {
  if (id.Calculation() != ID::kCalcDegreeDays || id.UnitClass() != ID::kClassDegreeDays ||
      id.Statistic() != ID::kStatTotal)
    return kM;
  const float t = TempOfSensor(id.Sensor());
  if (Missing(t)) return kM;
  const int b = id.Parameter();
  const double interval = record_.archive_interval;
  double dd = 0.0;
  if (b <= 127) {
    if (t < b) dd = (b - static_cast<double>(t)) * interval / 1440.0;
  } else {
    const int base = 256 - b;
    if (t > base) dd = (static_cast<double>(t) - base) * interval / 1440.0;
  }
  if (!native && tempUnit == kCelsius) dd *= 0.5555555555555556;
  return static_cast<float>(dd);
}

char* WeatherDataObject::GetDegreeDaysStr(WeatherDataID id, std::span<char> buf) const {
  const float v = GetDegreeDays(id, false);
  return Missing(v) ? CopyText("---", buf) : Fixed(buf, 3, v);
}

float WeatherDataObject::GetSolarEnergy(WeatherDataID id, bool) const {
  if (id != ID::SolarEnergy() || MissingSolar(record_.solar_rad)) return kM;
  return static_cast<float>(record_.solar_rad * static_cast<double>(record_.archive_interval) * 60.0 / 41855.0);
}

char* WeatherDataObject::GetSolarEnergyStr(WeatherDataID id, std::span<char> buf) const {
  const float v = GetSolarEnergy(id, false);
  return Missing(v) ? CopyText("---", buf) : Fixed(buf, 2, v);
}

float WeatherDataObject::GetUVDose(WeatherDataID id, bool) const {
  if (id != ID::UVDose() || record_.uv == kMissing8) return kM;
  const double index = record_.uv / 10.0;
  return static_cast<float>(index * record_.archive_interval * 3.0 / 420.0 * site_.uv_dose_factor);
}

char* WeatherDataObject::GetUVDoseStr(WeatherDataID id, std::span<char> buf) const {
  const float v = GetUVDose(id, false);
  return Missing(v) ? CopyText("---", buf) : Fixed(buf, 2, v);
}

float WeatherDataObject::GetAirDensity(WeatherDataID id, bool) const {
  if (id.Calculation() != ID::kCalcAirDensity || !id.IsArchiveVariable()) return kM;
  const float t = TempOfSensor(id.Sensor());
  const float p = BarometerInches();
  const float rh = HumOfSensor(id.Parameter());
  if (Missing(t) || Missing(p) || Missing(rh)) return kM;
  const float d = sq::CalcAirDensity(t, p, rh, densityUnit);
  return Missing(d) ? kM : d;
}

char* WeatherDataObject::GetAirDensityStr(WeatherDataID id, std::span<char> buf) const {
  const float v = GetAirDensity(id, false);
  return Missing(v) ? CopyText("---", buf) : Fixed(buf, 4, v);
}

float WeatherDataObject::GetEMC(WeatherDataID id, bool) const {
  if (id.Calculation() != ID::kCalcEMC || !id.IsArchiveVariable()) return kM;
  const float t = TempOfSensor(id.Sensor());
  const float rh = HumOfSensor(id.Parameter());
  if (Missing(t) || Missing(rh)) return kM;
  const float e = CalcEMC(t, rh);
  return Missing(e) ? kM : e;
}

char* WeatherDataObject::GetEMCStr(WeatherDataID id, std::span<char> buf) const {
  const float v = GetEMC(id, false);
  return Missing(v) ? CopyText("---", buf) : Fixed(buf, 2, v);
}

// ---------------------------------------------------------------- record information

float WeatherDataObject::RecordInfo(WeatherDataID id) const {
  if (id.Calculation() != ID::kCalcMeasured || id.Category() != ID::kCatRecordInfo) return kM;
  switch (id.Sensor()) {
    case ID::kInfoArchiveInterval:
      return static_cast<float>(record_.archive_interval);
    case ID::kInfoTransmitter:
      return static_cast<float>(GetTxId());
    case ID::kInfoWindSamples: {
      const int n = GetWindSamples();
      return n == kMissing16 ? kM : static_cast<float>(n);
    }
    case ID::kInfoReception:
      return GetReception();
    case ID::kInfoPackedTime:
      return record_.packed_time == kMissing16 ? kM : static_cast<float>(record_.packed_time);
    case ID::kInfoExpectedSamples:
      return static_cast<float>(GetExpectedSamples());
    default:
      return kM;
  }
}

int WeatherDataObject::SetRecordInfo(WeatherDataID id, float value) {
  if (id.Calculation() != ID::kCalcMeasured || id.Category() != ID::kCatRecordInfo) return 0;
  const int sensor = id.Sensor();
  if (sensor == ID::kInfoWindSamples && Missing(value)) return SetWindSamples(-1);
  long n = 0;
  if (!RoundToInt(value, &n)) return 0;
  switch (sensor) {
    case ID::kInfoArchiveInterval:
      return SetArchivePer(static_cast<int>(n));
    case ID::kInfoTransmitter:
      return SetTxId(static_cast<int>(n));
    case ID::kInfoWindSamples:
      return SetWindSamples(static_cast<int>(n));
    default:
      return 0;
  }
}

int WeatherDataObject::SetPackedTime(int packedTime) {
  if (packedTime < 1 || packedTime > 1440) return 0;
  record_.packed_time = static_cast<std::int16_t>(packedTime);
  return 1;
}

int WeatherDataObject::SetArchivePer(int minutes) {
  if (minutes < 1 || minutes > 255) return 0;
  record_.archive_interval = static_cast<std::uint8_t>(minutes);
  return 1;
}

int WeatherDataObject::SetWeatherIcon(int icon) {
  if (icon < 0 || icon > 15) return 0;
  record_.flags_a = static_cast<std::uint8_t>((record_.flags_a & ~kFlagAIconMask) | icon);
  return 1;
}

void WeatherDataObject::SetEditStatus(bool edited) {
  if (edited)
    record_.flags_a |= kFlagAEdited;
  else
    record_.flags_a &= static_cast<std::uint8_t>(~kFlagAEdited);
}

int WeatherDataObject::SetTxId(int id) {
  if (id < 0 || id > 7) return 0;
  record_.flags_b = static_cast<std::uint8_t>((record_.flags_b & ~kFlagBTransmitterMask) | id);
  return 1;
}

int WeatherDataObject::GetWindSamples() const { return record_.wind_samples < 0 ? kMissing16 : record_.wind_samples; }

int WeatherDataObject::SetWindSamples(int count) {
  if (count > 32767) return 0;
  record_.wind_samples = count < 0 ? kMissing16 : static_cast<std::int16_t>(count);
  return 1;
}

int WeatherDataObject::GetExpectedSamples() const {
  const double period = 2.5 + GetTxId() / 16.0;                  // seconds between transmissions
  const double span = record_.archive_interval * 60.0;           // seconds of the interval
  const double lost = std::trunc(span / (20.0 * period) + 0.5);  // 5 % of them, rounded
  return static_cast<int>(std::trunc(span / period - lost));
}

float WeatherDataObject::GetReception() const {
  const int samples = GetWindSamples();
  if (samples == kMissing16) return kM;
  const int expected = GetExpectedSamples();
  if (expected <= 0) return 0.0f;
  const double r = samples * 100.0 / expected;
  return static_cast<float>(r > 100.0 ? 100.0 : r);
}

// ---------------------------------------------------------------- time text

char* WeatherDataObject::GetTimeStr(std::span<char> buf) const {
  const int t = record_.packed_time;
  if (t < 0 || t > 1440) return CopyText("---", buf);
  const int h = t / 60;
  const int m = t % 60;
  const char sep = DateTime::timeSepChar;
  if (DateTime::timeChoice != 0) {
    if (h == 24) return ClockText(buf, 0, '0', sep, m, "");
    return ClockText(buf, h, ' ', sep, m, "");
  }
  if (h == 0 || h == 24) return ClockText(buf, 12, ' ', sep, m, "a");
  if (h >= 12) return ClockText(buf, h == 12 ? 12 : h - 12, ' ', sep, m, "p");
  return ClockText(buf, h, ' ', sep, m, "a");
}

char* WeatherDataObject::GetExportTimeStr(std::span<char> buf) const {
  const int t = record_.packed_time;
  if (t < 0 || t > 1440) return CopyText("---", buf);
  const int h = t / 60;
  const int m = t % 60;
  const char sep = DateTime::timeSepChar;
  if (DateTime::timeChoice != 0) {
    if (h == 24) return ClockText(buf, 0, '0', sep, m, "");
    return ClockText(buf, h, '\0', sep, m, "");
  }
  if (h == 0 || h == 24) return ClockText(buf, 12, '\0', sep, m, " a");
  if (h >= 12) return ClockText(buf, h == 12 ? 12 : h - 12, '\0', sep, m, " p");
  return ClockText(buf, h, '\0', sep, m, " a");
}

std::string WeatherDataObject::GetTimeStr() const {
  char buf[kValueTextSize];
  return GetTimeStr(std::span<char>(buf));
}

std::string WeatherDataObject::GetExportTimeStr() const {
  char buf[kValueTextSize];
  return GetExportTimeStr(std::span<char>(buf));
}

}  // namespace sq
