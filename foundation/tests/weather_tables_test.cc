// The lookup tables: the rows every earlier release showed, and the direction in which
// the physics says each table must move between them.
#include "foundation/weather_tables.h"

#include <gtest/gtest.h>

#include <cmath>

namespace sq {
namespace {

// Rounds to the printed precision.
double Round(double v, int places) {
  const double f = std::pow(10.0, places);
  return std::round(v * f) / f;
}

struct Cell {
  const char* legend;
  double value;
  double want;
  int places;
};

TEST(WeatherTables, TellingRows) {
  const auto thi = [](int t, int rh) { return thiTable[t - kThiFirstTemp][rh / 5]; };
  const auto emc70 = [](int rh) { return EMCTable[8][rh]; };
  const Cell cells[] = {
      {"heat index 80F 0%", thi(80, 0), 75.6, 1},
      {"heat index 80F 20%", thi(80, 20), 77.0, 1},
      {"heat index 80F 40%", thi(80, 40), 79.0, 1},
      {"heat index 80F 60%", thi(80, 60), 81.3, 1},
      {"heat index 80F 80%", thi(80, 80), 84.5, 1},
      {"heat index 80F 100%", thi(80, 100), 89.6, 1},
      {"heat index 100F 0%", thi(100, 0), 91.3, 1},
      {"heat index 100F 20%", thi(100, 20), 97.8, 1},
      {"heat index 100F 40%", thi(100, 40), 110.6, 1},
      {"heat index 100F 60%", thi(100, 60), 132.3, 1},
      {"heat index 100F 80%", thi(100, 80), 199.3, 1},
      {"heat index 100F 100%", thi(100, 100), 1448.8, 1},
      {"heat index 0F 0%", thi(0, 0), -0.5, 1},
      {"low chill 40F 0mph", lowSpeedChillTable[0][0], 40.0, 1},
      {"low chill 40F 5mph", lowSpeedChillTable[0][5], 36.5, 1},
      {"low chill 40F 10mph", lowSpeedChillTable[0][10], 33.6, 1},
      {"low chill 40F 20mph", lowSpeedChillTable[0][20], 30.5, 1},
      {"low chill 40F 39mph", lowSpeedChillTable[0][39], 27.1, 1},
      {"high chill 40F 40mph", hiSpeedChillTable[0][0], 26.9, 1},
      {"high chill 40F 50mph", hiSpeedChillTable[0][2], 25.7, 1},
      {"high chill 40F 100mph", hiSpeedChillTable[0][12], 21.6, 1},
      {"high chill 40F 180mph", hiSpeedChillTable[0][28], 17.8, 1},
      {"low THW 110F 6mph", lowSpeedTHWtable[17][0], 0.0, 1},
      {"low THW 110F 20mph", lowSpeedTHWtable[17][14], 2.4, 1},
      {"low THW 110F 40mph", lowSpeedTHWtable[17][34], 6.0, 1},
      {"low THW 110F 70mph", lowSpeedTHWtable[17][64], 8.4, 1},
      {"high THW 110F 70mph", hiSpeedTHWtable[17][0], 8.4, 1},
      {"high THW 110F 120mph", hiSpeedTHWtable[17][5], 9.9, 1},
      {"high THW 110F 180mph", hiSpeedTHWtable[17][11], 10.7, 1},
      {"EMC 70F 0%", emc70(0), 0.5, 1},
      {"EMC 70F 20%", emc70(20), 45.5, 1},
      {"EMC 70F 50%", emc70(50), 92.5, 1},
      {"EMC 70F 80%", emc70(80), 161.5, 1},
      {"EMC 70F 100%", emc70(100), 220.5, 1},
      {"vapour value -100F", vaporTermTable[0].value, -0.0028, 4},
      {"vapour slope -100F", vaporTermTable[0].slope, -0.00013, 5},
      {"vapour value 0F", vaporTermTable[20].value, -0.0624, 4},
      {"vapour slope 0F", vaporTermTable[20].slope, -0.00153, 5},
      {"vapour value 100F", vaporTermTable[40].value, -0.4091, 4},
      {"vapour slope 100F", vaporTermTable[40].slope, -0.00634, 5},
  };
  for (const auto& c : cells) {
    SCOPED_TRACE(c.legend);
    EXPECT_DOUBLE_EQ(Round(c.value, c.places), Round(c.want, c.places)) << c.value;
  }
  for (float v : lowSpeedTHWtable[0]) EXPECT_EQ(v, 0.0f);
  for (float v : hiSpeedTHWtable[0]) EXPECT_EQ(v, 0.0f);
}

TEST(WeatherTables, HeatIndexRisesWithTemperatureAndHumidity) {
  for (std::size_t r = 0; r < kThiRows; ++r) {
    for (std::size_t c = 0; c < kThiCols; ++c) {
      if (c + 1 < kThiCols) {
        EXPECT_LE(thiTable[r][c], thiTable[r][c + 1]) << "row " << r << " col " << c;
      }
      if (r + 1 < kThiRows) {
        EXPECT_LE(thiTable[r][c], thiTable[r + 1][c]) << "row " << r << " col " << c;
      }
    }
  }
}

TEST(WeatherTables, WindChillNeverAboveTemperatureAndFallsWithWind) {
  for (std::size_t r = 0; r < kChillRows; ++r) {
    const double t = 40.0 + r;
    double last = t;
    for (double v : lowSpeedChillTable[r]) {
      EXPECT_LE(v, last) << t;
      last = v;
    }
    for (double v : hiSpeedChillTable[r]) {
      EXPECT_LE(v, last) << t;
      last = v;
    }
  }
}

TEST(WeatherTables, ThwCorrectionGrowsWithHeatAndWind) {
  for (std::size_t r = 0; r + 1 < kLowThwRows; ++r) {
    for (std::size_t c = 0; c < kLowThwCols; ++c) {
      EXPECT_LE(lowSpeedTHWtable[r][c], lowSpeedTHWtable[r + 1][c]);
      if (c + 1 < kLowThwCols) {
        EXPECT_LE(lowSpeedTHWtable[r][c], lowSpeedTHWtable[r][c + 1]);
      }
    }
    // Both tables agree at 70 mph, where one takes over from the other.
    EXPECT_NEAR(lowSpeedTHWtable[r][64], hiSpeedTHWtable[r][0], 1e-3);
  }
  for (std::size_t r = 0; r + 1 < kHighThwRows; ++r) {
    for (std::size_t c = 0; c < kHighThwCols; ++c) {
      EXPECT_LE(hiSpeedTHWtable[r][c], hiSpeedTHWtable[r + 1][c]);
      if (c + 1 < kHighThwCols) {
        EXPECT_LE(hiSpeedTHWtable[r][c], hiSpeedTHWtable[r][c + 1]);
      }
    }
  }
}

TEST(WeatherTables, WoodMoistureRisesWithHumidityAndFallsWithHeat) {
  for (std::size_t r = 0; r < kEmcRows; ++r) {
    for (std::size_t c = 0; c + 1 < kEmcCols; ++c) EXPECT_LT(EMCTable[r][c], EMCTable[r][c + 1]);
  }
  // From 45 F up warmer air holds drier wood (below that the relation is flat).
  for (std::size_t r = 3; r + 1 < kEmcRows; ++r) {
    for (std::size_t c = 0; c < kEmcCols; ++c) EXPECT_LE(EMCTable[r + 1][c], EMCTable[r][c] + 1e-3);
  }
}

TEST(WeatherTables, VapourTermRowsJoinAndFallWithDewPoint) {
  for (std::size_t i = 0; i + 1 < kVaporRows; ++i) {
    EXPECT_LT(vaporTermTable[i + 1].value, vaporTermTable[i].value);
    // value + 5 * slope reaches the next row: the interpolation has no steps.
    EXPECT_NEAR(vaporTermTable[i].value + 5 * vaporTermTable[i].slope, vaporTermTable[i + 1].value, 1e-5);
  }
}

}  // namespace
}  // namespace sq
