// Forecast texts from rule numbers, and the table-driven local forecast of the older
// console families: the pressure, its three-hour change and the wind direction pick a
// first candidate rule; the season, recent rain and the region's heat decide which of
// the following rules applies; the rule's sky class gives the icons, and near freezing
// the temperature and dew point decide between rain, snow and both.
#include "realtime/forecast.h"

#include <cmath>

#include "realtime/forecast_tables.h"
#include "resources/string_table.h"

namespace sq {
namespace {

using namespace forecast;

constexpr int kFlagRecentRain = 16;
constexpr int kFlagColdHalf = 32;
constexpr int kFlagHotDry = 64;
constexpr int kFlagWarm = 128;
constexpr float kMissing = -32768.0f;
constexpr float kNoChange = -9999.0f;

bool Missing(float v) { return v != v || v <= kMissing; }

std::string_view Phrase(int code) { return LoadString(kFirstPhraseString + static_cast<std::uint32_t>(code)); }

int PressureClass(float p) {
  if (p > 30.2f) return 0;
  if (p >= 30.1f) return 1;
  if (p >= 30.0f) return 2;
  if (p >= 29.8f) return 3;
  return 4;
}

int ChangeClass(float c) {
  if (c >= 0.06f) return 0;
  if (c >= 0.04f) return 1;
  if (c > -0.04f) return 2;
  if (c > -0.06f) return 3;
  return 4;
}

int ConditionFlags(float recent_rain, float t, float dew, int month, bool southern, int region) {
  int flags = 0;
  if (recent_rain >= 0.02f) flags |= kFlagRecentRain;
  const bool cold = southern ? (month >= 3 && month <= 11) : !(month >= 6 && month <= 8);
  if (cold) flags |= kFlagColdHalf;
  const bool warm_months = month >= 5 && month <= 10;
  if (region == 2) {
    if (warm_months || (!Missing(t) && t > 87.0f)) flags |= kFlagWarm;
  } else if (region == 1 && !Missing(t) && t > 75.0f && (Missing(dew) || dew < 50.0f)) {
    if (Missing(dew)) {
      if (warm_months || t > 87.0f) flags |= kFlagHotDry;
    } else if ((t > 85.0f && dew < 50.0f) || (t > 75.0f && dew < 40.0f)) {
      flags |= kFlagHotDry;
    }
  }
  return flags;
}

// Rain, snow or both for a rule with precipitation.
int PrecipitationIcons(int rule, float t, float dew, int hour) {
  constexpr int kRain = kIconRain | kIconCloud;  // 3
  constexpr int kSnow = kIconSnow | kIconCloud;  // 18
  if (Missing(t) || t >= 64.0f) return kRain;
  const auto& msg = fcastMessageTable[ruleStrTable[static_cast<std::size_t>(rule)]];
  const int c0 = msg[0];
  const int c1 = msg[1];
  int trend = 0;
  switch (c0) {
    case 0:
    case 3:
    case 8:
    case 13:
    case 14:
    case 15:
    case 16:
    case 18:
    case 47:
      trend = -1;
      break;
    case 4:
    case 10:
    case 11:
      trend = 1;
      break;
    default:
      break;
  }
  int a = 0;
  if (c1 >= 21 && c1 <= 28) {
    a = 0;
  } else if (c1 == 29 || c1 == 30) {
    a = snowAdjustmentTable[0][static_cast<std::size_t>(hour)] + trend;
  } else if (c1 == 32 || c1 == 33) {
    a = snowAdjustmentTable[1][static_cast<std::size_t>(hour)] + trend;
  } else if (c1 == 34 || c1 == 35) {
    a = snowAdjustmentTable[2][static_cast<std::size_t>(hour)] + 2 * trend;
  } else {
    return kRain;  // no adjustment possible
  }
  const float T = t + static_cast<float>(a);
  if (T > 55.0f) return kRain;
  if (T <= 31.0f) return kSnow;
  if (Missing(dew)) return T <= 40.0f ? (kRain | kSnow) : kRain;
  const long k = static_cast<long>(T * -311.0f);
  const float D = dew * 128.0f;
  if (D > static_cast<float>(k + 14822)) return kRain;
  if (D < static_cast<float>(k + 13798)) return kSnow;
  return kRain | kSnow;
}

}  // namespace

std::string MakeForecastString(int rule, bool southern) {
  std::string text;
  if (rule < 0 || rule >= kRules) return text;
  for (int code : fcastMessageTable[ruleStrTable[static_cast<std::size_t>(rule)]]) {
    if (code < 0) break;
    if (southern && code == 45) code = 49;
    if (southern && code == 46) code = 50;
    text += Phrase(code);
  }
  return text;
}

std::string MakeShortForecastString(int rule) {
  std::string text;
  if (rule < 0 || rule >= kRules) return text;
  for (int code : fcastMessageTable[ruleStrTable[static_cast<std::size_t>(rule)]]) {
    if (code < 0 || code == 45) break;
    if (code == 46) code = 44;
    text += Phrase(code);
  }
  return text;
}

int BrisantForecast(float pressure, float pressure_change, float temperature, float dew_point, float recent_rain,
                    float wind_speed, int wind_column, int month, int hour, bool southern, int region, int* rule,
                    int* icons) {
  int r = kNoForecastRule;
  int ic = 0;
  const bool made = hour >= 0 && hour <= 23 && !(pressure_change <= kNoChange) && pressure_change == pressure_change &&
                    pressure == pressure;
  if (made) {
    const int pc = PressureClass(pressure);
    const int cc = ChangeClass(pressure_change);
    const int col = (wind_speed <= 4.6f || wind_column > 8 || wind_column < 0) ? 8 : wind_column;
    const int flags = ConditionFlags(recent_rain, temperature, dew_point, month, southern, region);
    r = ruleLookupTable[static_cast<std::size_t>(pc)][static_cast<std::size_t>(cc)][static_cast<std::size_t>(col)];
    // The high nibble holds the required flags in their own bit positions (16..128).
    auto required = [](int rr) { return ruleDataTable[static_cast<std::size_t>(rr)] & 0xF0; };
    while (r < kRules - 1 && (required(r) & flags) != required(r)) ++r;
    const int d = ruleDataTable[static_cast<std::size_t>(r)] & 0x0F;
    if (d & 8) ic |= kIconSun;
    if (d & 4) ic |= kIconPartlyCloudy | kIconCloud;
    if (d & 2) ic |= kIconCloud;
    if (d & 1) ic |= PrecipitationIcons(r, temperature, dew_point, hour);
  }
  if (rule) *rule = r;
  if (icons) *icons = ic;
  return made ? 1 : 0;
}

}  // namespace sq
