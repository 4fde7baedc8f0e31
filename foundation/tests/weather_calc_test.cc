// Derived weather quantities: the documented edge cases, missing and hostile inputs,
// and physical sanity over the whole input range.
#include "foundation/weather_calc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace sq {
namespace {

constexpr float M = kMissingCalc;

struct Case {
  const char* legend;
  float got;
  float want;
};

void ExpectCases(std::initializer_list<Case> cases, float tolerance = 1e-4f) {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.legend);
    if (c.want == M) {
      EXPECT_EQ(c.got, M);
    } else {
      EXPECT_NEAR(c.got, c.want, tolerance);
    }
  }
}

// The wind-chill relation the program uses at or below 40 F.
double ChillFormula(double t, double w) {
  const double p = std::pow(w, 0.16);
  return 35.74 + 0.6215 * t - 35.75 * p + 0.4275 * t * p;
}

TEST(WeatherCalc, EdgeCases) {
  ExpectCases({
      {"dew point at saturation is the temperature", CalcDew(70, 100), 70.0f},
      {"dew point below 1 % is missing", CalcDew(70, 0.5f), M},
      {"dew point above 100 % is missing", CalcDew(70, 100.5f), M},
      {"dew point above 200 F is missing", CalcDew(201, 50), M},
      {"chill in calm air", CalcChill(30, 0.5f), 30.0f},
      {"chill by the formula", CalcChill(30, 10), 21.2f},
      {"chill above 93.1 F", CalcChill(95, 20), 95.0f},
      {"chill wind above 205 is missing", CalcChill(30, 206), M},
      {"chill negative wind is missing", CalcChill(30, -1), M},
      {"chill wind 190 taken as 180", CalcChill(60, 190), CalcChill(60, 180)},
      {"chill table at 40 F 10 mph", CalcChill(40, 10), 33.6f},
      {"heat index above 250 F", CalcHeat(300, 50), 250.0f},
      {"heat index at -60 F", CalcHeat(-60, 50), -60.0f},
      {"heat index on a table row", CalcHeat(80, 60), 81.3f},
      {"heat index of 1000 or more is missing", CalcHeat(100, 100), M},
      {"heat index humidity above 100 is missing", CalcHeat(80, 101), M},
      {"heat index below -400 F is missing", CalcHeat(-401, 50), M},
      {"THW at 80 F: heat index plus chill depression", CalcTHW(80, 50, 10),
       CalcHeat(80, 50) + CalcChill(80, 10) - 80.0f},
      {"THW at 100 F in light wind", CalcTHW(100, 50, 3), CalcHeat(100, 50)},
      {"THW from 144 F is the heat index", CalcTHW(144, 0, 30), CalcHeat(144, 0)},
      {"THW at 110 F 40 mph", CalcTHW(110, 0, 40), CalcHeat(110, 0) + 6.0f},
      {"THW at 110 F 120 mph", CalcTHW(110, 0, 120), CalcHeat(110, 0) + 9.9f},
      {"THW missing wind", CalcTHW(80, 50, M), M},
      {"THSW missing solar", CalcTHSW(80, 50, 5, M), M},
      {"EMC below 30 F is missing", CalcEMC(29, 50), M},
      {"EMC on a table row", CalcEMC(70, 50), 9.25f},
      {"EMC at 215 F reads the 210 F row", CalcEMC(215, 50), CalcEMC(210, 50)},
      {"EMC at 220 F is missing", CalcEMC(220, 50), M},
      {"EMC humidity above 100 is missing", CalcEMC(70, 150), M},
      {"EMC humidity below 0 is missing", CalcEMC(70, -5), M},
      {"wet bulb is the temperature", CalcWetBulb(71.5f, 40), 71.5f},
      {"soil at 75 F unchanged", InverseSoil(50, 75), 50.0f},
      {"soil with missing temperature unchanged", InverseSoil(50, M), 50.0f},
      {"soil missing reading", InverseSoil(M, 60), M},
  });
  // THSW: the solar term at 45 mph is 1.1 / (8 + 0.45 * 45) * solar.
  EXPECT_NEAR(CalcTHSW(80, 50, 50, 800), CalcTHW(80, 50, 50) + 1.1 / (8 + 0.45 * 45) * 800, 0.051);
}

TEST(WeatherCalc, HostileInputsGiveMissing) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  for (float bad : {nan, inf, -inf}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(CalcDew(bad, 50), M);
    EXPECT_EQ(CalcDew(70, bad), M);
    EXPECT_EQ(CalcChill(bad, 10), M);
    EXPECT_EQ(CalcChill(70, bad), M);
    EXPECT_EQ(CalcHeat(bad, 50), M);
    EXPECT_EQ(CalcHeat(90, bad), M);
    EXPECT_EQ(CalcTHW(100, 50, bad), M);
    EXPECT_EQ(CalcTHSW(100, 50, 10, bad), M);
    EXPECT_EQ(CalcEMC(70, bad), M);
    EXPECT_EQ(CalcEMC(bad, 50), M);
    EXPECT_EQ(CalcAirDensity(bad, 29.92f, 50), M);
    EXPECT_EQ(InverseSoil(bad, 60), M);
  }
  // Far outside any column of the wood table.
  EXPECT_EQ(CalcEMC(70, 3e38f), M);
  EXPECT_EQ(CalcEMC(70, -3e38f), M);
}

TEST(WeatherCalc, DewPointNeverAboveTemperatureAndRisesWithHumidity) {
  for (float t = -100; t <= 200; t += 7.5f) {
    float last = -1e9f;
    for (float rh = 1; rh <= 100; rh += 3) {
      const float d = CalcDew(t, rh);
      ASSERT_NE(d, M) << t << " " << rh;
      EXPECT_LE(d, t + 1e-3f) << t << " " << rh;
      EXPECT_GT(d, last) << t << " " << rh;
      last = d;
    }
  }
}

TEST(WeatherCalc, WindChillNeverAboveTemperatureAndFallsWithWind) {
  for (float t = -100; t <= 220; t += 2.3f) {
    float last = t;
    for (float w = 0; w <= 205; w += 1.7f) {
      const float c = CalcChill(t, w);
      ASSERT_NE(c, M) << t << " " << w;
      EXPECT_LE(c, t + 0.05f) << t << " " << w;
      EXPECT_LE(c, last + 1e-4f) << t << " " << w;
      last = c;
    }
  }
}

TEST(WeatherCalc, WindChillRoundsToNearestTenthBelowZero) {
  // Truncating toward zero would put cold chills up to a tenth too warm.
  for (float t = -40; t <= 40; t += 1.3f) {
    for (float w = 1; w <= 60; w += 2.9f) {
      const double exact = std::min(ChillFormula(t, w), static_cast<double>(t));
      EXPECT_NEAR(CalcChill(t, w), exact, 0.0501) << t << " " << w;
    }
  }
}

TEST(WeatherCalc, HeatIndexRisesWithHumidityAbove80F) {
  for (float t = 80; t <= 130; t += 0.7f) {
    float last = -1e9f;
    for (float rh = 0; rh <= 100; rh += 2.5f) {
      const float h = CalcHeat(t, rh);
      if (h == M) break;  // 1000 or more: the rest of the row is off the scale too
      EXPECT_GE(h, last) << t << " " << rh;
      last = h;
    }
  }
}

TEST(WeatherCalc, AirDensity) {
  // Dry air at 59 F and 29.92 inHg: about 0.0765 lb/ft3, 1.225 kg/m3.
  EXPECT_NEAR(CalcAirDensity(59, 29.92f, 0, 0), 0.0765, 0.0005);
  EXPECT_NEAR(CalcAirDensity(59, 29.92f, 0, 1), 1.225, 0.005);
  // Moist air is lighter; warm air is lighter.
  EXPECT_LT(CalcAirDensity(80, 29.92f, 100, 0), CalcAirDensity(80, 29.92f, 0, 0));
  EXPECT_LT(CalcAirDensity(90, 29.92f, 50, 0), CalcAirDensity(30, 29.92f, 50, 0));
  EXPECT_EQ(CalcAirDensity(59, M, 50, 0), M);
}

TEST(WeatherCalc, EmcInterpolatesBetweenRows) {
  // Half way between the 70 F and 75 F rows, and between 130 F and 140 F.
  EXPECT_NEAR(CalcEMC(72.5f, 50), (CalcEMC(70, 50) + CalcEMC(75, 50)) / 2, 1e-4);
  EXPECT_NEAR(CalcEMC(135, 50), (CalcEMC(130, 50) + CalcEMC(140, 50)) / 2, 1e-4);
  EXPECT_NE(CalcEMC(219.9f, 100), M);
}

TEST(WeatherCalc, SoilCorrectionStaysInRange) {
  for (float x = 0; x <= 300; x += 11) {
    for (float s : {-40.0f, 0.0f, 40.0f, 74.0f, 76.0f, 150.0f, 300.0f}) {
      const float v = InverseSoil(x, s);
      EXPECT_GE(v, 0.0f);
      EXPECT_LE(v, 200.0f);
    }
  }
  // Temperatures beyond 0..150 F act as the limits.
  EXPECT_EQ(InverseSoil(100, 300), InverseSoil(100, 150));
  EXPECT_EQ(InverseSoil(100, -40), InverseSoil(100, 0));
}

}  // namespace
}  // namespace sq
