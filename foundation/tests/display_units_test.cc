#include "foundation/display_units.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/prog_config_data.h"

namespace sq {
namespace {

using U = DisplayUnits;
constexpr float kMiss = U::kMissingFloat;

struct Units {
  int temp = 0, bar = 0, wind = 0, rain = 0, elev = 1, density = 0, hum = 0;
};

void Apply(const Units& u) {
  U::SetTempUnit(u.temp);
  U::SetBarUnit(u.bar);
  U::SetWindSpeedUnit(u.wind);
  U::SetRainUnit(u.rain);
  U::SetElevUnit(u.elev);
  U::SetDensityUnit(u.density);
  U::SetHumPrecision(u.hum);
}

class DisplayUnitsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    progConfigData.Reset();
    Apply(Units{});
    U::SetStationRainType(1);
    U::SetSolarUnit();
  }
  void TearDown() override { SetUp(); }
};

std::string Str(char* p) { return std::string(p); }

TEST_F(DisplayUnitsTest, ForwardConversionsKnownValues) {
  // Each row sets the units, then compares one conversion with its expected value.
  struct Case {
    const char* legend;
    Units units;
    float (*convert)();
    double expected;
  };
  const Case cases[] = {
      {"725 tenths F in C", {.temp = 1}, [] { return U::ConvertTemp(std::int16_t{725}, false); }, 22.5},
      {"725 tenths F forced", {.temp = 1}, [] { return U::ConvertTemp(std::int16_t{725}, true); }, 72.5},
      {"float 212 F in C", {.temp = 1}, [] { return U::ConvertTemp(212.0f); }, 100.0},
      {"byte 90 is 0 F", {}, [] { return U::ConvertByteTemp(90, false); }, 0.0},
      {"byte 90 in C", {.temp = 1}, [] { return U::ConvertByteTemp(90, false); }, -160.0 / 9.0},
      {"degree days in C", {.temp = 1}, [] { return U::ConvertDegDay(18.0f); }, 10.0},
      {"29921 in hPa", {.bar = 3}, [] { return U::ConvertBar(std::int16_t{29921}, false); }, 29921 * 0.033864},
      {"29921 in mm", {.bar = 1}, [] { return U::ConvertBar(std::int16_t{29921}, false); }, 29921 * 0.0254},
      {"29921 forced", {.bar = 2}, [] { return U::ConvertBar(std::int16_t{29921}, true); }, 29.921},
      {"float 30 in mb", {.bar = 2}, [] { return U::ConvertBar(30.0f); }, 1015.92},
      {"115 tenths mph in knots", {.wind = 1}, [] { return U::ConvertSpeed(std::int16_t{115}, false); }, 10.0},
      {"100 tenths mph in km/h", {.wind = 2}, [] { return U::ConvertSpeed(std::int16_t{100}, false); }, 16.09344},
      {"100 tenths mph in m/s", {.wind = 3}, [] { return U::ConvertSpeed(std::int16_t{100}, false); }, 4.4704},
      {"100 tenths mph forced", {.wind = 3}, [] { return U::ConvertSpeed(std::int16_t{100}, true); }, 10.0},
      {"byte 23 mph in knots", {.wind = 1}, [] { return U::ConvertByteSpeed(23, false); }, 20.0},
      {"byte 10 mph forced", {.wind = 2}, [] { return U::ConvertByteSpeed(10, true); }, 10.0},
      {"float 10 mph in m/s", {.wind = 3}, [] { return U::ConvertSpeed(10.0f); }, 4.4704},
      {"humidity tenths", {}, [] { return U::ConvertHum(std::int16_t{455}); }, 45.5},
      {"UV tenths", {}, [] { return U::ConvertUV(37); }, 3.7},
      {"elevation 1000 ft in m", {.elev = 0}, [] { return U::ConvertElevation(std::int16_t{1000}, false); }, 305.0},
      {"elevation -1000 ft in m", {.elev = 0}, [] { return U::ConvertElevation(std::int16_t{-1000}, false); }, -305.0},
      {"elevation forced", {.elev = 0}, [] { return U::ConvertElevation(std::int16_t{1000}, true); }, 1000.0},
      {"rain word 0x1064 in", {}, [] { return U::ConvertRain(std::int16_t{0x1064}, false); }, 1.0},
      {"rain word 0x1064 mm", {.rain = 1}, [] { return U::ConvertRain(std::int16_t{0x1064}, false); }, 25.4},
      {"rain word 0x1064 mm forced", {.rain = 1}, [] { return U::ConvertRain(std::int16_t{0x1064}, true); }, 1.0},
      {"type 6, 10 tips in mm", {.rain = 1}, [] { return U::ConvertRain(std::int16_t{0x600A}, false); }, 1.0},
      {"type 0, 3 tips in in", {}, [] { return U::ConvertRain(std::int16_t{0x0003}, false); }, 0.3},
      {"type 3, 127 tips in in", {}, [] { return U::ConvertRain(std::int16_t{0x307F}, false); }, 5.0},
      {"float rain in mm", {.rain = 1}, [] { return U::ConvertRain(2.0f); }, 50.8},
      {"rate 50 tips/h type 2 in mm/h", {.rain = 1}, [] { return U::ConvertRate(std::int16_t{50}, 2, false); }, 10.0},
      {"rate with bad type is type 1", {}, [] { return U::ConvertRate(std::int16_t{50}, 9, false); }, 0.5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.legend);
    Apply(c.units);
    EXPECT_NEAR(c.convert(), c.expected, 1e-4 * std::max(1.0, std::fabs(c.expected)));
  }
  char buf[16];
  U::SetBarUnit(U::kBarHectopascals);
  EXPECT_EQ(Str(U::BarStr(U::ConvertBar(std::int16_t{29921}, false), buf, true)), "1013.2");
}

TEST_F(DisplayUnitsTest, MissingInputsGiveMissingOutputs) {
  for (int t = 0; t < 2; ++t) {
    Apply({.temp = t, .bar = t * 3, .wind = t * 2, .rain = t, .elev = 0});
    SCOPED_TRACE(t);
    EXPECT_EQ(U::ConvertTemp(std::int16_t{-32768}, false), kMiss);
    EXPECT_EQ(U::ConvertTemp(std::int16_t{32767}, false), kMiss);
    EXPECT_EQ(U::ConvertTemp(32767.0f), kMiss);
    EXPECT_EQ(U::ConvertByteTemp(255, false), kMiss);
    EXPECT_EQ(U::ConvertBar(std::int16_t{15999}, false), kMiss);
    EXPECT_EQ(U::ConvertBar(std::int16_t{32767}, true), kMiss);
    EXPECT_NE(U::ConvertBar(std::int16_t{16000}, false), kMiss);
    EXPECT_EQ(U::ConvertSpeed(std::int16_t{-32768}, false), kMiss);
    EXPECT_EQ(U::ConvertByteSpeed(255, false), kMiss);
    EXPECT_EQ(U::ConvertHum(std::int16_t{-32768}), kMiss);
    EXPECT_EQ(U::ConvertByteHum(255), kMiss);
    EXPECT_EQ(U::ConvertUV(255), kMiss);
    EXPECT_EQ(U::ConvertRain(U::kMissingRainWord, false), kMiss);
    EXPECT_EQ(U::ConvertRain(std::int16_t{0x7001}, false), kMiss);  // type 7
    EXPECT_EQ(U::RainValue(5, -1, false), kMiss);
    EXPECT_EQ(U::ConvertRate(std::int16_t{-32768}, 1, false), kMiss);
    for (float (*f)(float) : {+[](float v) { return U::ConvertTemp(v); }, +[](float v) { return U::ConvertBar(v); },
                              +[](float v) { return U::ConvertSpeed(v); }, +[](float v) { return U::ConvertRain(v); },
                              +[](float v) { return U::ConvertRate(v); }, +[](float v) { return U::ConvertDegDay(v); },
                              +[](float v) { return U::InverseConvertTempFloat(v); }}) {
      EXPECT_EQ(f(kMiss), kMiss);
      EXPECT_EQ(f(NAN), kMiss);
    }
    EXPECT_EQ(U::InverseConvertTemp(kMiss, false), U::kMissing16);
    EXPECT_EQ(U::InverseConvertByteTemp(kMiss, false), U::kMissing8);
    EXPECT_EQ(U::InverseConvertBar(kMiss, false), U::kMissing16);
    EXPECT_EQ(U::InverseConvertSpeed(kMiss, false), U::kMissing16);
    EXPECT_EQ(U::InverseConvertHum(kMiss), U::kMissing16);
    EXPECT_EQ(U::InverseConvertByteHum(NAN), U::kMissing8);
    EXPECT_EQ(U::InverseConvertUV(kMiss), U::kMissing8);
    EXPECT_EQ(U::InverseConvertRain(kMiss), U::kMissingRainWord);
    EXPECT_EQ(U::InverseConvertRate(kMiss, 1), U::kMissing16);
  }
  EXPECT_EQ(U::GetRainType(U::kMissingRainWord), 0);
  EXPECT_EQ(U::GetRainType(std::int16_t{0x6123}), 6);
}

// For each unit setting, Inverse(Convert(x)) == x over the whole valid range of
// internal values. Known exceptions, where the two directions use different constants
// or the display form is coarser than the internal one:
//   - 16-bit wind speed in knots: forward / 11.5, back * 11.51; exact only up to
//     57.4 mph (574 tenths), checked to that limit.
//   - Elevation in metres: whole metres are coarser than whole feet, so feet -> m -> ft
//     only holds for metres -> ft -> metres, which is checked instead.
TEST_F(DisplayUnitsTest, RoundTripsOverTheValidRange) {
  for (int t = 0; t < 2; ++t) {
    Apply({.temp = t});
    SCOPED_TRACE("temp unit " + std::to_string(t));
    for (int v = -32767; v <= 32766; ++v) {
      const auto x = static_cast<std::int16_t>(v);
      ASSERT_EQ(U::InverseConvertTemp(U::ConvertTemp(x, false), false), x) << v;
      ASSERT_EQ(U::InverseConvertTemp(U::ConvertTemp(x, true), true), x) << v;
    }
    for (int b = 0; b <= 254; ++b) {
      ASSERT_EQ(U::InverseConvertByteTemp(U::ConvertByteTemp(static_cast<std::uint8_t>(b), false), false), b);
    }
  }
  for (int bar = 0; bar < 4; ++bar) {
    Apply({.bar = bar});
    SCOPED_TRACE("bar unit " + std::to_string(bar));
    for (int v = U::kLowestBarometer; v <= 32766; ++v) {
      const auto x = static_cast<std::int16_t>(v);
      ASSERT_EQ(U::InverseConvertBar(U::ConvertBar(x, false), false), x) << v;
    }
  }
  for (int wind = 0; wind < 4; ++wind) {
    Apply({.wind = wind});
    SCOPED_TRACE("wind unit " + std::to_string(wind));
    const int top = wind == U::kKnots ? 574 : 32767;
    for (int v = 0; v <= top; ++v) {
      const auto x = static_cast<std::int16_t>(v);
      ASSERT_EQ(U::InverseConvertSpeed(U::ConvertSpeed(x, false), false), x) << v;
    }
    for (int b = 0; b <= 254; ++b) {
      ASSERT_EQ(U::InverseConvertByteSpeed(U::ConvertByteSpeed(static_cast<std::uint8_t>(b), false), false), b);
    }
  }
  for (int v = 0; v <= 1000; ++v) {
    ASSERT_EQ(U::InverseConvertHum(U::ConvertHum(static_cast<std::int16_t>(v))), v);
  }
  for (int b = 0; b <= 100; ++b) {
    ASSERT_EQ(U::InverseConvertByteHum(U::ConvertByteHum(static_cast<std::uint8_t>(b))), b);
  }
  for (int b = 0; b <= 160; ++b) {
    ASSERT_EQ(U::InverseConvertUV(U::ConvertUV(static_cast<std::uint8_t>(b))), b);
  }
  for (int elev = 0; elev < 2; ++elev) {
    Apply({.elev = elev});
    for (int v = -32768; v <= 32767; ++v) {
      const auto x = static_cast<std::int16_t>(v);
      if (elev == U::kFeet) {
        ASSERT_EQ(U::InverseConvertElevation(static_cast<std::int16_t>(U::ConvertElevation(x, false)), false), x);
      } else if (std::abs(v) <= 9987) {  // metres whose feet fit 16 bits
        ASSERT_EQ(U::ConvertElevation(U::InverseConvertElevation(x, false), false), v) << v;
      }
    }
  }
  for (int rain = 0; rain < 2; ++rain) {
    Apply({.rain = rain});
    for (int type = 0; type < U::kRainTypeCount; ++type) {
      SCOPED_TRACE("rain unit " + std::to_string(rain) + " type " + std::to_string(type));
      for (int clicks = 0; clicks <= U::kMaxRainClicks; ++clicks) {
        ASSERT_EQ(U::RainClicks(U::RainValue(clicks, type, false), type), clicks);
      }
      for (int tips = 0; tips <= 32767; ++tips) {
        const auto x = static_cast<std::int16_t>(tips);
        ASSERT_EQ(U::InverseConvertRate(U::ConvertRate(x, type, false), type), x);
      }
    }
    // The amount form picks the collector type of the rain unit.
    const int type = rain == 0 ? 1 : 2;
    for (int clicks = 0; clicks <= U::kMaxRainClicks; ++clicks) {
      const auto word = static_cast<std::int16_t>(clicks | (type << 12));
      ASSERT_EQ(U::InverseConvertRain(U::ConvertRain(word, false)), word);
    }
  }
}

TEST_F(DisplayUnitsTest, InverseRoundingAndLimits) {
  struct Case {
    const char* legend;
    Units units;
    int (*convert)();
    int expected;
  };
  const Case cases[] = {
      {"temp: +0.5 for positive", {}, [] { return int{U::InverseConvertTemp(0.25f, true)}; }, 3},
      {"temp: -0.5 for negative", {}, [] { return int{U::InverseConvertTemp(-0.25f, true)}; }, -3},
      {"temp: 22.5 C", {.temp = 1}, [] { return int{U::InverseConvertTemp(22.5f, false)}; }, 725},
      {"temp: far out of range", {.temp = 1}, [] { return int{U::InverseConvertTemp(1e6f, false)}; }, -32768},
      {"byte temp: -0.5 F rounds away", {}, [] { return int{U::InverseConvertByteTemp(-0.5f, false)}; }, 89},
      {"byte temp: 100 C", {.temp = 1}, [] { return int{U::InverseConvertByteTemp(100.0f, false)}; }, 255},
      {"byte temp: below -90 F", {}, [] { return int{U::InverseConvertByteTemp(-91.0f, false)}; }, 255},
      {"bar: 1100 mb", {.bar = 2}, [] { return int{U::InverseConvertBar(1100.0f, false)}; }, 32483},
      {"bar: 1100 hPa", {.bar = 3}, [] { return int{U::InverseConvertBar(1100.0f, false)}; }, 32483},
      {"bar: 760 mm", {.bar = 1}, [] { return int{U::InverseConvertBar(760.0f, false)}; }, 29921},
      {"bar: above 32767", {.bar = 2}, [] { return int{U::InverseConvertBar(1110.0f, false)}; }, -32768},
      {"bar: negative", {}, [] { return int{U::InverseConvertBar(-1.0f, false)}; }, -32768},
      {"bar: forced ignores mb", {.bar = 2}, [] { return int{U::InverseConvertBar(29.92f, true)}; }, 29920},
      {"speed: negative", {}, [] { return int{U::InverseConvertSpeed(-0.1f, false)}; }, -32768},
      {"speed: 10 knots", {.wind = 1}, [] { return int{U::InverseConvertSpeed(10.0f, false)}; }, 115},
      {"speed: above 32767", {}, [] { return int{U::InverseConvertSpeed(5000.0f, false)}; }, -32768},
      {"byte speed: negative is calm", {}, [] { return int{U::InverseConvertByteSpeed(-3.0f, false)}; }, 0},
      {"byte speed: missing stays missing", {}, [] { return int{U::InverseConvertByteSpeed(kMiss, false)}; }, 255},
      {"byte speed: above 255", {.wind = 2}, [] { return int{U::InverseConvertByteSpeed(500.0f, false)}; }, 255},
      {"byte speed: 10 knots", {.wind = 1}, [] { return int{U::InverseConvertByteSpeed(10.0f, false)}; }, 12},
      {"hum: above 100", {}, [] { return int{U::InverseConvertHum(100.1f)}; }, -32768},
      {"hum: 100", {}, [] { return int{U::InverseConvertHum(100.0f)}; }, 1000},
      {"byte hum: below 0", {}, [] { return int{U::InverseConvertByteHum(-1.0f)}; }, 255},
      {"UV: above 16", {}, [] { return int{U::InverseConvertUV(16.1f)}; }, 255},
      {"UV: 16", {}, [] { return int{U::InverseConvertUV(16.0f)}; }, 160},
      {"elevation: 305 m", {.elev = 0}, [] { return int{U::InverseConvertElevation(305, false)}; }, 1001},
      {"elevation: -305 m", {.elev = 0}, [] { return int{U::InverseConvertElevation(-305, false)}; }, -1001},
      {"elevation: metres beyond 16-bit feet",
       {.elev = 0},
       [] { return int{U::InverseConvertElevation(20000, false)}; },
       -32768},
      {"rain clicks: 1 in as 0.2 mm tips", {}, [] { return U::RainClicks(1.0f, 2); }, 127},
      {"rain clicks: 1 mm as 0.01 in tips", {.rain = 1}, [] { return U::RainClicks(1.0f, 1); }, 4},
      {"rain clicks: bad type", {}, [] { return U::RainClicks(1.0f, 7); }, -32768},
      {"rain word: 1.00 in", {}, [] { return int{U::InverseConvertRain(1.0f)}; }, 0x1064},
      {"rain word: 1.0 mm", {.rain = 1}, [] { return int{U::InverseConvertRain(1.0f)}; }, 0x2005},
      // 50 in is 5000 tips: too many for 12 bits; must not spill into the type bits.
      {"rain word: too many tips", {}, [] { return int{U::InverseConvertRain(50.0f)}; }, -32768},
      {"rain word: negative", {}, [] { return int{U::InverseConvertRain(-1.0f)}; }, -32768},
      {"rain word: clicks 4096", {}, [] { return int{U::InverseConvertRain(std::int16_t{4096}, 1)}; }, -32768},
      {"rain word: type 7", {}, [] { return int{U::InverseConvertRain(std::int16_t{1}, 7)}; }, -32768},
      {"rain word: clicks 4095 type 6", {}, [] { return int{U::InverseConvertRain(std::int16_t{4095}, 6)}; }, 0x6FFF},
      {"rate: negative", {}, [] { return int{U::InverseConvertRate(-1.0f, 1)}; }, -32768},
      {"rate: above 32767", {}, [] { return int{U::InverseConvertRate(400.0f, 1)}; }, -32768},
      {"rate: bad type is type 1", {}, [] { return int{U::InverseConvertRate(1.0f, 12)}; }, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.legend);
    Apply(c.units);
    EXPECT_EQ(c.convert(), c.expected);
  }
}

TEST_F(DisplayUnitsTest, TwoDirectionForms) {
  Apply({.temp = 1, .bar = 2, .wind = 1, .rain = 1, .elev = 0});
  EXPECT_NEAR(U::ConvertTemp(212.0f, 0), 100.0f, 1e-4);
  EXPECT_NEAR(U::ConvertTemp(100.0f, 1), 212.0f, 1e-4);
  EXPECT_NEAR(U::ConvertBar(30.0f, 0), 1015.92f, 1e-2);
  EXPECT_NEAR(U::ConvertBar(1015.92f, 1), 30.0f, 1e-3);
  EXPECT_NEAR(U::ConvertSpeed(11.5f, 0), 10.0f, 1e-4);
  EXPECT_NEAR(U::ConvertSpeed(10.0f, 1), 11.5f, 1e-4);
  EXPECT_NEAR(U::ConvertRain(1.0f, 0), 25.4f, 1e-4);
  EXPECT_NEAR(U::ConvertRain(25.4f, 1), 1.0f, 1e-5);
  EXPECT_NEAR(U::ConvertRate(25.4f, 1), 1.0f, 1e-5);
  EXPECT_NEAR(U::ConvertDegDay(9.0f, 0), 5.0f, 1e-5);
  EXPECT_NEAR(U::ConvertDegDay(5.0f, 1), 9.0f, 1e-5);
  EXPECT_EQ(U::ConvertElevation(std::int16_t{1000}, 0), 305.0f);
  EXPECT_EQ(U::ConvertElevation(std::int16_t{305}, 1), 1001.0f);
  // Tip counts use the current station's collector, always in inches.
  U::SetStationRainType(2);
  EXPECT_NEAR(U::ConvertRain(127.0f, 2), 127 * 0.2 / 25.4, 1e-5);
  U::SetStationRainType(9);  // refused, stays 2
  EXPECT_EQ(U::stationRainType, 2);
  EXPECT_EQ(U::ConvertRain(-1.0f, 2), kMiss);
  // Values the inverse rejects stay missing instead of turning into -32.768 or -3276.8.
  EXPECT_EQ(U::ConvertBar(5000.0f, 1), kMiss);
  EXPECT_EQ(U::ConvertSpeed(-1.0f, 1), kMiss);
  EXPECT_EQ(U::ConvertRate(1.0f, 2), kMiss);  // tip counts are for rain amounts only
  for (int dir : {-1, 3}) {
    SCOPED_TRACE(dir);
    EXPECT_EQ(U::ConvertTemp(1.0f, dir), kMiss);
    EXPECT_EQ(U::ConvertBar(1.0f, dir), kMiss);
    EXPECT_EQ(U::ConvertSpeed(1.0f, dir), kMiss);
    EXPECT_EQ(U::ConvertRain(1.0f, dir), kMiss);
    EXPECT_EQ(U::ConvertRate(1.0f, dir), kMiss);
    EXPECT_EQ(U::ConvertDegDay(1.0f, dir), kMiss);
    EXPECT_EQ(U::ConvertElevation(std::int16_t{1}, dir), kMiss);
  }
}

TEST_F(DisplayUnitsTest, SettersLoadUnitTexts) {
  const std::vector<std::pair<Units, std::vector<std::string>>> rows = {
      // temp, bar, wind speed, wind meter, rain, elev, density
      {{}, {"°F", "in", "mph", "Mph", "in", "ft", "lb/cu.ft"}},
      {{1, 1, 1, 1, 0, 1}, {"°C", "mm", "kt", "Knots", "mm", "m", "kg/cu.m"}},
      {{0, 2, 2, 0, 1, 0}, {"°F", "mb", "km/hr", "Km/h", "in", "ft", "lb/cu.ft"}},
      {{0, 3, 3, 0, 1, 0}, {"°F", "hPa", "m/s", "M/S", "in", "ft", "lb/cu.ft"}},
  };
  for (const auto& [units, texts] : rows) {
    Apply(units);
    const std::vector<std::string> got = {U::tempUnitStr, U::barUnitStr,  U::windSpeedUnitStr, U::windMeterUnitStr,
                                          U::rainUnitStr, U::elevUnitStr, U::airDUnitStr};
    EXPECT_EQ(got, texts);
  }
  EXPECT_STREQ(U::solarUnitStr, "W/m²");
  // Codes out of range leave the setting and its text alone.
  Apply({1, 3, 3, 1, 0, 1, 1});
  U::SetTempUnit(2);
  U::SetBarUnit(-1);
  U::SetWindSpeedUnit(4);
  U::SetRainUnit(2);
  U::SetElevUnit(255);
  U::SetDensityUnit(2);
  U::SetHumPrecision(2);
  EXPECT_EQ(U::tempUnit, 1);
  EXPECT_EQ(U::barUnit, 3);
  EXPECT_EQ(U::windUnit, 3);
  EXPECT_EQ(U::rainUnit, 1);
  EXPECT_EQ(U::elevUnit, 0);
  EXPECT_EQ(U::densityUnit, 1);
  EXPECT_EQ(U::humPrec, 1);
  EXPECT_STREQ(U::barUnitStr, "hPa");
}

TEST_F(DisplayUnitsTest, SaveAndRestoreUnitsGoThroughProgramConfig) {
  Apply({.temp = 1, .bar = 3, .wind = 2, .rain = 1, .elev = 1, .density = 1, .hum = 1});
  EXPECT_EQ(progConfigData.DensityUnit(), 1);  // the density setter writes it at once
  EXPECT_EQ(U::GetTempUnit(), 0);              // the others only on SaveUnits
  U::SaveUnits();
  EXPECT_EQ(progConfigData.TempUnit(), 1);
  EXPECT_EQ(progConfigData.BarUnit(), 3);
  EXPECT_EQ(progConfigData.RainUnit(), 1);
  EXPECT_EQ(progConfigData.WindUnit(), 2);
  EXPECT_EQ(progConfigData.ElevUnit(), 1);
  EXPECT_EQ(progConfigData.data()[0], 1);  // first byte is the temperature unit
  EXPECT_EQ(progConfigData.data()[3], 2);  // wind after rain
  Apply({.elev = 0, .density = 1, .hum = 0});
  U::RestoreUnits();
  EXPECT_EQ(U::tempUnit, 1);
  EXPECT_EQ(U::barUnit, 3);
  EXPECT_EQ(U::windUnit, 2);
  EXPECT_EQ(U::rainUnit, 1);
  EXPECT_EQ(U::elevUnit, 1);
  EXPECT_EQ(U::densityUnit, 1);
  EXPECT_EQ(U::GetHumPrecision(), 0);  // not part of the saved set
  EXPECT_STREQ(U::windMeterUnitStr, "Km/h");
  EXPECT_EQ(U::GetBarUnit(), 3);
  EXPECT_EQ(U::GetWindSpeedUnit(), 2);
  EXPECT_EQ(U::GetRainUnit(), 1);
  EXPECT_EQ(U::GetElevUnit(), 1);
  EXPECT_EQ(U::GetDensityUnit(), 1);
}

TEST_F(DisplayUnitsTest, ValueTexts) {
  struct Case {
    const char* legend;
    Units units;
    char* (*format)(std::span<char>);
    const char* expected;
  };
  const Case cases[] = {
      {"temp F", {}, [](std::span<char> b) { return U::TempStr(72.46f, b); }, "72.5"},
      {"temp C", {.temp = 1}, [](std::span<char> b) { return U::TempStr(212.0f, b); }, "100.0"},
      {"temp native", {.temp = 1}, [](std::span<char> b) { return U::TempStr(21.0f, b, true); }, "21.0"},
      {"temp missing", {.temp = 1}, [](std::span<char> b) { return U::TempStr(-32768.0f, b); }, "---"},
      {"temp high marker", {.temp = 1}, [](std::span<char> b) { return U::TempStr(32767.0f, b); }, "---"},
      {"speed km/h", {.wind = 2}, [](std::span<char> b) { return U::SpeedStr(10.0f, b); }, "16.1"},
      {"speed missing", {}, [](std::span<char> b) { return U::SpeedStr(kMiss, b); }, "---"},
      {"hum 0 decimals", {}, [](std::span<char> b) { return U::HumStr(45.6f, b); }, "46"},
      {"hum 1 decimal", {.hum = 1}, [](std::span<char> b) { return U::HumStr(45.6f, b); }, "45.6"},
      {"bar in", {}, [](std::span<char> b) { return U::BarStr(29.921f, b); }, "29.921"},
      {"bar mb", {.bar = 2}, [](std::span<char> b) { return U::BarStr(29.921f, b); }, "1013.2"},
      {"bar missing", {}, [](std::span<char> b) { return U::BarStr(kMiss, b); }, "---"},
      {"rain in", {}, [](std::span<char> b) { return U::RainStr(1.234f, b); }, "1.23"},
      {"rain mm", {.rain = 1}, [](std::span<char> b) { return U::RainStr(1.0f, b); }, "25.4"},
      {"ET in", {}, [](std::span<char> b) { return U::ETStr(0.1234f, b); }, "0.123"},
      {"ET mm", {.rain = 1}, [](std::span<char> b) { return U::ETStr(0.1f, b); }, "2.54"},
      {"solar", {}, [](std::span<char> b) { return U::SolarRadStr(812.4f, b); }, "812"},
      {"solar missing", {}, [](std::span<char> b) { return U::SolarRadStr(4095.0f, b); }, "---"},
      {"UV", {}, [](std::span<char> b) { return U::UVStr(37, b); }, "3.7"},
      {"UV missing", {}, [](std::span<char> b) { return U::UVStr(255, b); }, "---"},
      {"leaf", {}, [](std::span<char> b) { return U::LeafSoilStr(7, b); }, "7"},
      {"leaf missing", {}, [](std::span<char> b) { return U::LeafSoilStr(255, b); }, "---"},
      {"soil missing 16-bit", {}, [](std::span<char> b) { return U::LeafSoilStr(-32768, b); }, "---"},
      {"air density", {}, [](std::span<char> b) { return U::GetAirDensityStr(0.07651f, b); }, "0.0765"},
      {"north", {}, [](std::span<char> b) { return U::DomDirStr(0, b); }, "N"},
      {"west north west", {}, [](std::span<char> b) { return U::DomDirStr(13, b); }, "WNW"},
      {"north north west", {}, [](std::span<char> b) { return U::DomDirStr(15, b); }, "NNW"},
      {"sector 16", {}, [](std::span<char> b) { return U::DomDirStr(16, b); }, "---"},
      {"sector -1", {}, [](std::span<char> b) { return U::DomDirStr(-1, b); }, "---"},
      {"trend -80", {}, [](std::span<char> b) { return U::BarTrendStr(-80, b); }, "Falling Rapidly"},
      {"trend -60", {}, [](std::span<char> b) { return U::BarTrendStr(-60, b); }, "Falling Rapidly"},
      {"trend -20", {}, [](std::span<char> b) { return U::BarTrendStr(-20, b); }, "Falling Slowly"},
      {"trend 0", {}, [](std::span<char> b) { return U::BarTrendStr(0, b); }, "Steady"},
      {"trend 20", {}, [](std::span<char> b) { return U::BarTrendStr(20, b); }, "Rising Slowly"},
      {"trend 60", {}, [](std::span<char> b) { return U::BarTrendStr(60, b); }, "Rising Rapidly"},
      {"trend 10", {}, [](std::span<char> b) { return U::BarTrendStr(10, b); }, "---"},
      {"trend 80", {}, [](std::span<char> b) { return U::BarTrendStr(80, b); }, "---"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.legend);
    Apply(c.units);
    char buf[32];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(c.format(std::span<char>(buf)), buf);
    EXPECT_STREQ(buf, c.expected);
  }
}

TEST_F(DisplayUnitsTest, ValueTextsStayInsideTheBuffer) {
  char buf[8];
  std::memset(buf, 'x', sizeof buf);
  U::TempStr(1e30f, std::span<char>(buf, 5), true);
  EXPECT_STREQ(buf, "1000");
  EXPECT_EQ(buf[5], 'x');
  U::BarTrendStr(-60, std::span<char>(buf, 4));
  EXPECT_STREQ(buf, "Fal");
  EXPECT_EQ(U::HumStr(5.0f, std::span<char>()), nullptr);
}

TEST_F(DisplayUnitsTest, UnitTextsDecimalsAndUnitsByKind) {
  auto tag = [](int kind, std::uint32_t calc = 0, std::uint32_t category = 0) {
    return (static_cast<std::uint32_t>(kind) << 5) | calc | (category << 16);
  };
  struct Case {
    const char* legend;
    Units units;
    std::uint32_t tag;
    const char* text;
    int decimals;
    int units_code;
  };
  const Case cases[] = {
      {"temperature C", {.temp = 1}, tag(0), "°C", 1, 1},
      {"degree days F", {}, tag(1), "°F", 2, 0},
      {"rain in", {}, tag(2), "in", 2, 0},
      {"rain mm", {.rain = 1}, tag(2), "mm", 1, 1},
      {"rain rate in", {}, tag(3), "in/hr", 2, 0},
      {"rain rate mm", {.rain = 1}, tag(3), "mm/hr", 1, 1},
      {"wind knots", {.wind = 1}, tag(4), "kt", 1, 1},
      {"direction", {.wind = 1}, tag(5), "", 0, 0},
      {"direction 6", {}, tag(6), "", 0, 0},
      {"barometer in", {}, tag(7), "in", 3, 0},
      {"barometer hPa", {.bar = 3}, tag(7), "hPa", 1, 3},
      {"count", {}, tag(8), "", 0, 0},
      {"solar", {}, tag(10), "W/m²", 0, 0},
      {"solar energy", {}, tag(11), "Ly", 1, 0},
      {"UV", {}, tag(12), "index", 1, 0},
      {"UV dose", {}, tag(13), "MEDs", 2, 0},
      {"measured humidity, 0 decimals", {}, tag(14, 0, 1), "%", 0, 0},
      {"measured humidity, 1 decimal", {.hum = 1}, tag(14, 0, 1), "%", 1, 0},
      {"derived percentage", {}, tag(14, 12, 1), "%", 1, 0},
      {"other category percentage", {}, tag(14, 0, 2), "%", 1, 0},
      {"soil moisture", {}, tag(15), "cb", 0, 0},
      {"leaf", {}, tag(16), "", 0, 0},
      {"wind run mph", {}, tag(18), "mi", 1, 0},
      {"wind run knots", {.wind = 1}, tag(18), "n mi", 1, 1},
      {"wind run km/h", {.wind = 2}, tag(18), "km", 1, 2},
      {"wind run m/s", {.wind = 3}, tag(18), "km", 1, 3},
      {"elevation m", {.elev = 0}, tag(19), "m", 0, 0},
      {"elevation ft", {}, tag(19), "ft", 0, 1},
      {"air density", {.density = 1}, tag(20), "kg/cu.m", 4, 1},
      {"unknown kind", {.temp = 1}, tag(31), "", 0, 0},
      {"high bits ignored", {.temp = 1}, tag(0) | 0xFF000000u, "°C", 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.legend);
    Apply(c.units);
    char buf[16];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(U::GetUnitStr(c.tag, buf, sizeof buf), buf);
    EXPECT_STREQ(buf, c.text);
    EXPECT_EQ(U::NumDecimals(c.tag), c.decimals);
    EXPECT_EQ(U::GetUnits(c.tag), c.units_code);
  }
  EXPECT_EQ(U::NumDecimals(tag(7), true), 2);
  char small[3];
  U::GetUnitStr(tag(20), small, sizeof small);
  EXPECT_STREQ(small, "lb");
  EXPECT_EQ(U::GetUnitStr(tag(0), nullptr, 10), nullptr);
}

class FakeList : public SensorList {
 public:
  bool SensorName(std::uint32_t tag, int which, char* buf, int len) const override {
    if (tag != 0x000101C0) return false;
    std::snprintf(buf, static_cast<std::size_t>(len), "Outside Humidity %d", which);
    return true;
  }
  bool SensorColor(std::uint32_t tag, int which, std::uint32_t* out) const override {
    if (tag != 0x000101C0) return false;
    *out = 0xFF0000u + static_cast<std::uint32_t>(which);
    return true;
  }
};

TEST_F(DisplayUnitsTest, SensorNameAndColor) {
  char buf[8] = "junk";
  std::uint32_t color = 7;
  EXPECT_EQ(U::GetSensorName(0x000101C0, 4, buf, sizeof buf), U::kSensorArgError);
  EXPECT_EQ(U::GetSensorName(0x000101C0, -1, buf, sizeof buf), U::kSensorArgError);
  EXPECT_EQ(U::GetSensorName(0x000101C0, 0, nullptr, 8), U::kSensorArgError);
  EXPECT_EQ(U::GetSensorColor(0x000101C0, 0, nullptr), U::kSensorArgError);
  EXPECT_EQ(U::GetSensorColor(0x000101C0, 4, &color), U::kSensorArgError);
  EXPECT_EQ(U::GetSensorName(0x000101C0, 0, buf, sizeof buf), 0);  // no list yet
  EXPECT_STREQ(buf, "");

  FakeList list;
  U::SetSensorList(&list);
  EXPECT_EQ(U::GetSensorName(0x000101C0, 2, buf, sizeof buf), 1);
  EXPECT_STREQ(buf, "Outside");  // cut to the buffer
  EXPECT_EQ(U::GetSensorColor(0x000101C0, 3, &color), 1);
  EXPECT_EQ(color, 0xFF0003u);
  EXPECT_EQ(U::GetSensorName(0x00000000, 0, buf, sizeof buf), 0);
  EXPECT_EQ(U::GetSensorColor(0x00000000, 0, &color), 0);
  U::SetSensorList(nullptr);
}

}  // namespace
}  // namespace sq
