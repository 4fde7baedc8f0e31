// Derived weather quantities: dew point, wind chill, heat index, the THW and THSW
// indices, air density, equilibrium moisture content of wood and the soil-moisture
// temperature correction. They are computed by the program, never read from the console.
//
// All take and return internal units: temperatures in F, wind in mph, humidity in
// percent, pressure in inches of mercury, solar radiation in W/m^2. kMissingCalc
// (-32768.0) is the missing value in and out; out-of-range inputs give it too. Nothing
// throws and nothing reads outside the lookup tables, whatever the input.
#pragma once

namespace sq {

inline constexpr float kMissingCalc = -32768.0f;

// Dew point, F.
[[nodiscard]] float CalcDew(float T, float RH);
// Wind chill, F, rounded to tenths; never above T.
[[nodiscard]] float CalcChill(float T, float W);
// Heat index, F, rounded to tenths; 250 for T above 250, T itself for T <= -57.
[[nodiscard]] float CalcHeat(float T, float RH);
// Temperature-humidity-wind index, F.
[[nodiscard]] float CalcTHW(float T, float RH, float W);
// Temperature-humidity-sun-wind index, F, rounded to tenths.
[[nodiscard]] float CalcTHSW(float T, float RH, float W, float solar);
// Air density in the program's density display unit (lb/ft^3 or kg/m^3).
[[nodiscard]] float CalcAirDensity(float T, float P, float RH);
// The same in an explicit density unit: 0 = lb/ft^3, 1 = kg/m^3.
[[nodiscard]] float CalcAirDensity(float T, float P, float RH, int densityUnit);
// Equilibrium moisture content of wood, percent; missing below 30 F and from 220 F.
[[nodiscard]] float CalcEMC(float T, float RH);
// Wet-bulb temperature: returns T unchanged (kept for callers of the exported set).
[[nodiscard]] float CalcWetBulb(float T, float RH);
// Soil-moisture reading corrected for soil temperature soilT (F), clamped to 0..200.
[[nodiscard]] float InverseSoil(float reading, float soilT);

}  // namespace sq
