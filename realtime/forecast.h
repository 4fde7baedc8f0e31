// Forecast texts and the local forecast of the older console families.
//
// A forecast is a rule number 0..193 and an icon byte (1 rain, 2 cloud, 4 partly
// cloudy, 8 sun, 16 snow). Consoles of the current family report both; for the older
// families BrisantForecast computes them from the current readings. The rule number is
// turned into text through the tables of realtime/forecast_tables.h.
#pragma once

#include <string>

namespace sq {

inline constexpr int kForecastRuleCount = 194;
inline constexpr int kNoForecastRule = 193;  // " FORECAST REQUIRES 3 HOURS OF RECENT DATA. "

// Icon bits.
inline constexpr int kIconRain = 1;
inline constexpr int kIconCloud = 2;
inline constexpr int kIconPartlyCloudy = 4;
inline constexpr int kIconSun = 8;
inline constexpr int kIconSnow = 16;

// The long text of `rule` (phrases joined as stored, blanks included); south of the
// equator the wind-shift phrases are mirrored. An unknown rule gives an empty text.
[[nodiscard]] std::string MakeForecastString(int rule, bool southern);
// The one-line text: the phrases before a wind-shift phrase, "windy and shifting" as
// " Windy. ".
[[nodiscard]] std::string MakeShortForecastString(int rule);

// The local forecast. pressure: inHg; pressure_change: over the last three hours, inHg
// (-9999 or lower: not available); temperature and dew_point: F (-32768: missing);
// recent_rain: inches; wind_speed: mph; wind_column: the 16-point direction index
// halved (8 when the direction is missing); month 1..12; hour 0..23; region: the
// station's forecast region code. Sets *rule (0..193) and *icons; 1 when a forecast
// was made, 0 when not (rule 193, no icons).
int BrisantForecast(float pressure, float pressure_change, float temperature, float dew_point, float recent_rain,
                    float wind_speed, int wind_column, int month, int hour, bool southern, int region, int* rule,
                    int* icons);

}  // namespace sq
