#include "realtime/forecast.h"

#include <gtest/gtest.h>

#include "realtime/forecast_tables.h"
#include "resources/string_table.h"

namespace sq {
namespace {

std::string Phrase(int code) { return std::string(LoadString(forecast::kFirstPhraseString + code)); }

TEST(ForecastTables, EdgesAsTypedIn) {
  using namespace forecast;
  EXPECT_EQ(ruleStrTable[0], 0);
  EXPECT_EQ(ruleStrTable[107], 45);
  EXPECT_EQ(ruleStrTable[192], 92);
  EXPECT_EQ(ruleStrTable[193], 93);
  EXPECT_EQ(fcastMessageTable[45], (std::array<std::int8_t, 3>{13, 29, 45}));
  EXPECT_EQ(fcastMessageTable[95], (std::array<std::int8_t, 3>{48, -1, -1}));
  EXPECT_EQ(ruleLookupTable[0][0][0], 0);
  EXPECT_EQ(ruleLookupTable[3][3][8], 184);
  EXPECT_EQ(ruleLookupTable[4][4][8], 170);
  EXPECT_EQ(ruleDataTable[0], 0x08);
  EXPECT_EQ(ruleDataTable[164], 0x37);
  EXPECT_EQ(ruleDataTable[193], 0x00);
  EXPECT_EQ(snowAdjustmentTable[0][0], -4);
  EXPECT_EQ(snowAdjustmentTable[1][23], -5);
  EXPECT_EQ(snowAdjustmentTable[2][23], 0);
  // Every message names phrases that have a text, and a scan always ends at rule 193.
  for (const auto& m : fcastMessageTable) {
    for (int c : m) {
      if (c < 0) break;
      ASSERT_LT(c, kPhraseCodes);
      EXPECT_NE(Phrase(c), "---") << c;
    }
  }
  for (auto m : ruleStrTable) EXPECT_LT(m, kMessages);
}

TEST(ForecastText, EveryRuleHasText) {
  for (int rule = 0; rule < kForecastRuleCount; ++rule) {
    SCOPED_TRACE(rule);
    const std::string text = MakeForecastString(rule, false);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.front(), ' ');
    EXPECT_EQ(text.back(), ' ');
    EXPECT_LT(text.size(), 200u);
  }
  EXPECT_EQ(MakeForecastString(194, false), "");
  EXPECT_EQ(MakeForecastString(-1, true), "");
  EXPECT_EQ(MakeShortForecastString(500), "");
}

TEST(ForecastText, NamedCases) {
  EXPECT_EQ(MakeForecastString(193, false), " FORECAST REQUIRES 3 HOURS OF RECENT DATA. ");
  EXPECT_EQ(MakeForecastString(193, true), " FORECAST REQUIRES 3 HOURS OF RECENT DATA. ");
  // Rule 107: message 45, phrases 13, 29, 45 joined as stored.
  EXPECT_EQ(MakeForecastString(107, false),
            " Increasing clouds and cooler.  Precipitation possible within 6 hours "
            " Possible wind shift to the W, NW, or N. ");
  EXPECT_EQ(MakeForecastString(107, true), Phrase(13) + Phrase(29) + Phrase(49));
  EXPECT_EQ(MakeShortForecastString(107), Phrase(13) + Phrase(29));
  // Rule 121: message 55 (18, 25, 46); south of the equator 46 becomes 50, the short
  // text says " Windy. ".
  EXPECT_EQ(MakeForecastString(121, false), Phrase(18) + Phrase(25) + Phrase(46));
  EXPECT_EQ(MakeForecastString(121, true), Phrase(18) + Phrase(25) + Phrase(50));
  EXPECT_EQ(MakeShortForecastString(121), Phrase(18) + Phrase(25) + " Windy. ");
  // Rule 48: message 22 (11, 38), no wind phrase; the short text is the long one.
  EXPECT_EQ(MakeShortForecastString(48), MakeForecastString(48, false));
  EXPECT_EQ(MakeForecastString(5, false), " Partly cloudy and cooler. ");
}

struct Case {
  const char* legend;
  float pressure, change, temp, dew, rain, wind;
  int column, month, hour, region;
  bool southern;
  int rule, icons;
};

constexpr float kM = -32768.0f;

TEST(BrisantForecast, Table) {
  const Case cases[] = {
      {"hour out of range", 30.0f, 0.0f, 60, 50, 0, 10, 0, 7, 24, 0, false, 193, 0},
      {"no pressure change", 30.0f, -9999.0f, 60, 50, 0, 10, 0, 7, 12, 0, false, 193, 0},
      {"calm 4.6 mph uses column 8", 30.25f, 0.0f, 60, 50, 0, 4.6f, 0, 7, 12, 0, false, 9, 6},
      {"4.7 mph uses the column", 30.25f, 0.0f, 60, 50, 0, 4.7f, 0, 7, 12, 0, false, 4, 8},
      {"column above 8 is 8", 30.25f, 0.0f, 60, 50, 0, 20, 9, 7, 12, 0, false, 9, 6},
      {"30.2 is class 1", 30.2f, 0.1f, 60, 50, 0, 10, 5, 7, 12, 0, false, 40, 8},
      {"30.21 is class 0", 30.21f, 0.1f, 60, 50, 0, 10, 5, 7, 12, 0, false, 2, 8},
      {"change -0.04 is class 3", 30.25f, -0.04f, 60, 50, 0, 2, 0, 7, 12, 0, false, 12, 6},
      {"change -0.039 is class 2", 30.25f, -0.039f, 60, 50, 0, 2, 0, 7, 12, 0, false, 9, 6},
      {"region 2 in summer", 30.25f, -0.04f, 60, 50, 0, 2, 0, 7, 12, 2, false, 10, 6},
      {"region 2 hot in winter", 30.25f, -0.04f, 88, 50, 0, 2, 0, 1, 12, 2, false, 10, 6},
      {"region 1 hot and dry", 30.25f, -0.04f, 90, 45, 0, 2, 0, 7, 12, 1, false, 11, 8},
      {"region 1 warm, very dry", 30.25f, -0.04f, 80, 35, 0, 2, 0, 7, 12, 1, false, 11, 8},
      {"region 1 warm, not dry enough", 30.25f, -0.04f, 80, 45, 0, 2, 0, 7, 12, 1, false, 12, 6},
      {"region 1 no dew point in summer", 30.25f, -0.04f, 80, kM, 0, 2, 0, 7, 12, 1, false, 11, 8},
      {"region 1 no dew point in winter", 30.25f, -0.04f, 80, kM, 0, 2, 0, 1, 12, 1, false, 12, 6},
      // Rule 57 (sky 7, message 24: phrases 11 "warmer" and 33).
      {"rain when warm", 30.05f, -0.05f, 70, 60, 0, 10, 2, 7, 0, 0, false, 57, 7},
      {"rain without temperature", 30.05f, -0.05f, kM, kM, 0, 10, 2, 7, 0, 0, false, 57, 7},
      {"snow after adjustment", 30.05f, -0.05f, 30, 20, 0, 10, 2, 7, 0, 0, false, 57, 22},
      {"no dew point, warm after adjustment", 30.05f, -0.05f, 30, kM, 0, 10, 2, 7, 5, 0, false, 57, 7},
      {"no dew point, cool: both", 30.05f, -0.05f, 24, kM, 0, 10, 2, 7, 5, 0, false, 57, 23},
      {"dew point decides rain", 30.05f, -0.05f, 30, 7, 0, 10, 2, 7, 5, 0, false, 57, 7},
      {"dew point decides snow", 30.05f, -0.05f, 30, -2, 0, 10, 2, 7, 5, 0, false, 57, 22},
      {"dew point decides mixed", 30.05f, -0.05f, 30, 2, 0, 10, 2, 7, 5, 0, false, 57, 23},
      // Rule 85 (cold half and recent rain; message 33: phrases 18, 21): no table.
      {"30 F is snow without a lookup", 29.9f, -0.05f, 30, 29, 0.02f, 10, 1, 1, 12, 0, false, 85, 18},
      {"cold half south of the equator", 29.9f, -0.05f, 30, 29, 0.02f, 10, 1, 7, 12, 0, true, 85, 18},
      {"not the cold half", 29.9f, -0.05f, 30, 29, 0.02f, 10, 1, 7, 12, 0, false, 89, 18},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.legend);
    int rule = -1, icons = -1;
    const int made = BrisantForecast(c.pressure, c.change, c.temp, c.dew, c.rain, c.wind, c.column, c.month, c.hour,
                                     c.southern, c.region, &rule, &icons);
    EXPECT_EQ(rule, c.rule);
    EXPECT_EQ(icons, c.icons);
    EXPECT_EQ(made, c.rule == 193 ? 0 : 1);
  }
}

}  // namespace
}  // namespace sq
