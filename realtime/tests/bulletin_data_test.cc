#include "realtime/bulletin_data.h"

#include <gtest/gtest.h>

#include "foundation/clock.h"
#include "foundation/display_units.h"

namespace sq {
namespace {

constexpr std::int64_t kJune1 = 1717200000000;  // 2024-06-01 00:00 UTC
constexpr std::int64_t kMinute = 60000;

LoopRecord Typical() {
  LoopRecord r;
  r.outside_temp = 725;
  r.inside_temp = 705;
  r.outside_hum = 50;
  r.inside_hum = 40;
  r.barometer = 29920;
  r.wind_speed = 10;
  r.avg_wind_speed = 8;
  r.wind_dir = 225;
  r.rain_rate = 0;
  r.day_et = 15;
  r.month_et = 120;
  r.year_et = 900;
  r.solar = 420;
  r.uv = 30;
  r.forecast_rule = 107;
  r.forecast_icons = 6;
  r.sunrise = 545;
  r.sunset = 2031;
  r.console_battery = 780;
  r.bar_trend = 20;
  return r;
}

class BulletinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DisplayUnits::SetTempUnit(DisplayUnits::kFahrenheit);
    DisplayUnits::SetRainUnit(DisplayUnits::kRainInches);
    DisplayUnits::SetWindSpeedUnit(DisplayUnits::kMph);
    DisplayUnits::SetBarUnit(DisplayUnits::kBarInches);
  }
  // One update at `ms` (UTC, so local time is UTC).
  void At(std::int64_t ms, const LoopRecord& r) {
    FakeClock clock(ms);
    d.Update(r, site, ms, clock.LocalNow());
  }
  BulletinData d;
  BulletinSite site;
};

TEST_F(BulletinTest, ValuesOfOnePacket) {
  At(kJune1 + 8 * 60 * kMinute, Typical());
  EXPECT_FLOAT_EQ(d.outside_temp.now, 72.5f);
  EXPECT_FLOAT_EQ(d.outside_temp.high, 72.5f);
  EXPECT_EQ(d.outside_temp.high_time, 480);
  EXPECT_FLOAT_EQ(d.barometer.now, 29.92f);
  EXPECT_EQ(d.bar_trend, 20);
  EXPECT_FLOAT_EQ(d.wind_speed.now, 10.0f);
  EXPECT_FLOAT_EQ(d.avg_wind_speed, 8.0f);
  EXPECT_EQ(d.wind_dir, 225);
  EXPECT_FLOAT_EQ(d.day_et, 0.01f);  // 15 thousandths in whole hundredths
  EXPECT_FLOAT_EQ(d.month_et, 1.21f);
  EXPECT_FLOAT_EQ(d.year_et, 9.01f);
  EXPECT_FLOAT_EQ(d.uv.now, 3.0f);
  EXPECT_FLOAT_EQ(d.solar.now, 420.0f);
  EXPECT_EQ(d.sunrise, 5 * 60 + 45);
  EXPECT_EQ(d.sunset, 20 * 60 + 31);
  EXPECT_EQ(d.forecast_rule, 107);
  EXPECT_EQ(d.forecast_icons, 6);
  EXPECT_EQ(d.forecast_text.substr(0, 31), " Increasing clouds and cooler. ");
  EXPECT_FALSE(IsNoValue(d.dew_point.now));
  EXPECT_FALSE(IsNoValue(d.thw));
  EXPECT_FALSE(IsNoValue(d.inside_dew_point));
  EXPECT_FALSE(IsNoValue(d.air_density));
  EXPECT_FALSE(IsNoValue(d.emc));
  EXPECT_FLOAT_EQ(d.wind_chill.now, 72.5f);
}

TEST_F(BulletinTest, NamedEdgeCases) {
  struct Row {
    const char* legend;
    void (*change)(LoopRecord&);
    bool (*check)(const BulletinData&);
  };
  const Row rows[] = {
      {"direction 0 is north, 360", [](LoopRecord& r) { r.wind_dir = 0; },
       [](const BulletinData& b) { return b.wind_dir == 360; }},
      {"direction 0x7FFF is none", [](LoopRecord& r) { r.wind_dir = 0x7FFF; },
       [](const BulletinData& b) { return b.wind_dir == kNoDirection; }},
      {"speed 255: no speed, no direction", [](LoopRecord& r) { r.wind_speed = 255; },
       [](const BulletinData& b) { return IsNoValue(b.wind_speed.now) && b.wind_dir == kNoDirection; }},
      {"humidity 101 shows 100", [](LoopRecord& r) { r.outside_hum = 101; },
       [](const BulletinData& b) { return b.outside_hum.now == 100.0f; }},
      {"humidity 255 is none, and so are dew point and heat index", [](LoopRecord& r) { r.outside_hum = 255; },
       [](const BulletinData& b) {
         return IsNoValue(b.outside_hum.now) && IsNoValue(b.dew_point.now) && IsNoValue(b.heat_index.now) &&
                IsNoValue(b.thw);
       }},
      {"battery 517 shows no voltage", [](LoopRecord& r) { r.console_battery = 517; },
       [](const BulletinData& b) { return IsNoValue(b.console_battery); }},
      {"battery 518 is 3.03 V", [](LoopRecord& r) { r.console_battery = 518; },
       [](const BulletinData& b) { return b.console_battery == 3.03f; }},
      {"rain rate -1 is none", [](LoopRecord& r) { r.rain_rate = -1; },
       [](const BulletinData& b) { return IsNoValue(b.rain_rate.now); }},
      {"no average wind: chill from the speed",
       [](LoopRecord& r) {
         r.avg_wind_speed = 255;
         r.outside_temp = 300;
       },
       [](const BulletinData& b) { return IsNoValue(b.avg_wind_speed) && b.wind_chill.now < 30.0f; }},
      {"no wind at all: no chill",
       [](LoopRecord& r) {
         r.avg_wind_speed = 255;
         r.wind_speed = 255;
       },
       [](const BulletinData& b) { return IsNoValue(b.wind_chill.now) && IsNoValue(b.thw); }},
      {"sunrise below 0 is none", [](LoopRecord& r) { r.sunrise = -1; },
       [](const BulletinData& b) { return b.sunrise == kNoSunTime; }},
      {"soil moisture 128 is none",
       [](LoopRecord& r) {
         r.soil_moistures[0] = 128;
         r.leaf_wetnesses[1] = 15;
       },
       [](const BulletinData& b) { return IsNoValue(b.soil_moistures[0].now) && b.leaf_wetnesses[1].now == 15.0f; }},
      {"no day ET: no ET at all", [](LoopRecord& r) { r.day_et = -32768; },
       [](const BulletinData& b) { return IsNoValue(b.day_et) && IsNoValue(b.month_et); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    d.Clear();
    LoopRecord r = Typical();
    row.change(r);
    At(kJune1 + 12 * 60 * kMinute, r);
    EXPECT_TRUE(row.check(d));
  }
}

TEST_F(BulletinTest, CelsiusAndMillimetres) {
  DisplayUnits::SetTempUnit(DisplayUnits::kCelsius);
  DisplayUnits::SetRainUnit(DisplayUnits::kRainMillimetres);
  LoopRecord r = Typical();
  r.day_rain = 100;  // 0.01 in clicks
  At(kJune1, r);
  EXPECT_FLOAT_EQ(d.outside_temp.now, 22.5f);
  EXPECT_FLOAT_EQ(d.day_rain, 25.4f);
  EXPECT_EQ(d.units.temp, DisplayUnits::kCelsius);
  EXPECT_NEAR(d.wind_chill.now, 22.5f, 1e-4);
}

TEST_F(BulletinTest, MidnightResetsOnceAndNeverOnAClockGoingBack) {
  LoopRecord r = Typical();
  const std::int64_t midnight = kJune1 + 24 * 60 * kMinute;
  r.outside_temp = 800;
  At(midnight - kMinute, r);  // 23:59, 80 F
  EXPECT_FLOAT_EQ(d.outside_temp.high, 80.0f);
  r.outside_temp = 600;
  At(midnight, r);  // 00:00: a new day
  EXPECT_FLOAT_EQ(d.outside_temp.high, 60.0f);
  EXPECT_EQ(d.outside_temp.high_time, 0);
  r.outside_temp = 700;
  At(midnight + 30000, r);  // still 00:00: no second reset
  EXPECT_FLOAT_EQ(d.outside_temp.low, 60.0f);
  EXPECT_FLOAT_EQ(d.outside_temp.high, 70.0f);
  r.outside_temp = 650;
  At(midnight - 5 * kMinute, r);  // the clock goes back to yesterday: nothing is reset
  EXPECT_FLOAT_EQ(d.outside_temp.high, 70.0f);
  EXPECT_FLOAT_EQ(d.outside_temp.low, 60.0f);
}

TEST_F(BulletinTest, MidnightWithoutAPacketAtMidnightStillResets) {
  LoopRecord r = Typical();
  const std::int64_t midnight = kJune1 + 24 * 60 * kMinute;
  r.outside_temp = 900;
  At(midnight - kMinute, r);
  r.outside_temp = 500;
  At(midnight + 3 * kMinute, r);  // the first packet of the day at 00:03
  EXPECT_FLOAT_EQ(d.outside_temp.high, 50.0f);
  EXPECT_EQ(d.outside_temp.high_time, 3);
}

TEST_F(BulletinTest, WindRingsStepPerMinuteAndClearAfterAGap) {
  LoopRecord r = Typical();
  const std::int64_t t0 = kJune1 + 10 * 60 * kMinute;
  for (int minute = 0; minute < 3; ++minute) {
    for (int s = 0; s < 2; ++s) {
      r.wind_speed = static_cast<std::uint8_t>(minute * 10 + s * 2);  // 0,2 / 10,12 / 20,22
      At(t0 + minute * kMinute + s * 20000, r);
    }
  }
  EXPECT_FLOAT_EQ(d.AvgWindSpeed(1), 21.0f);
  EXPECT_FLOAT_EQ(d.HiWindSpeed(1), 22.0f);
  EXPECT_FLOAT_EQ(d.AvgWindSpeed(2), 16.0f);
  EXPECT_FLOAT_EQ(d.AvgWindSpeed(11), 11.0f);
  EXPECT_FLOAT_EQ(d.AvgWindSpeed(50), 11.0f);  // clamped to 11
  EXPECT_FLOAT_EQ(d.HiWindSpeed(0), 22.0f);    // clamped to 1
  EXPECT_FLOAT_EQ(d.HiWindSpeed(3), 22.0f);
  // Twelve minutes later the old minutes are gone.
  r.wind_speed = 4;
  At(t0 + 2 * kMinute + 12 * kMinute, r);
  EXPECT_FLOAT_EQ(d.AvgWindSpeed(11), 4.0f);
  EXPECT_FLOAT_EQ(d.HiWindSpeed(11), 4.0f);
  // A clock that goes back adds to the current minute instead of stepping.
  r.wind_speed = 6;
  At(t0, r);
  EXPECT_FLOAT_EQ(d.AvgWindSpeed(1), 5.0f);
  // Eleven steps from there wrap the ring: the current slot is reused.
  for (int m = 1; m <= 11; ++m) {
    r.wind_speed = static_cast<std::uint8_t>(m);
    At(t0 + m * kMinute, r);
  }
  EXPECT_TRUE(d.wind_full);
  EXPECT_FLOAT_EQ(d.AvgWindSpeed(11), 6.0f);
  EXPECT_FLOAT_EQ(d.HiWindSpeed(11), 11.0f);
}

TEST_F(BulletinTest, HourRainShowsZeroAtOnceOnlyWhenDry) {
  LoopRecord r = Typical();
  r.storm_rain = 0;
  At(kJune1, r);
  EXPECT_FLOAT_EQ(d.HourRain(), 0.0f);
  EXPECT_FLOAT_EQ(d.Hour24Rain(), 0.0f);

  BulletinData wet;
  r.storm_rain = 30;
  FakeClock c(kJune1);
  wet.Update(r, site, kJune1, c.LocalNow());
  EXPECT_TRUE(IsNoValue(wet.HourRain()));
  EXPECT_TRUE(IsNoValue(wet.Hour24Rain()));
  // It rains one click in minute 5; after 60 minutes the ring is full.
  for (int m = 1; m <= 60; ++m) {
    if (m == 5) r.day_rain = 1;
    const std::int64_t t = kJune1 + m * kMinute;
    FakeClock cm(t);
    wet.Update(r, site, t, cm.LocalNow());
    if (m < 60) {
      EXPECT_TRUE(IsNoValue(wet.HourRain())) << m;
    }
  }
  EXPECT_FLOAT_EQ(wet.HourRain(), 0.01f);
  EXPECT_TRUE(IsNoValue(wet.Hour24Rain()));
}

TEST_F(BulletinTest, RainRingsAcrossHoursMidnightAndGaps) {
  LoopRecord r = Typical();
  r.storm_rain = 0;
  const std::int64_t t0 = kJune1 + 22 * 60 * kMinute;  // 22:00
  At(t0, r);
  r.storm_rain = 2;
  // A packet a minute: one click at 22:30 and one at 23:59; midnight sets the day
  // total back to 0, and one more click comes at 00:10.
  auto minute = [&](int m, int day_rain) {
    r.day_rain = static_cast<std::int16_t>(day_rain);
    At(t0 + m * kMinute, r);
  };
  for (int m = 1; m <= 119; ++m) minute(m, m < 30 ? 0 : m < 119 ? 1 : 2);
  EXPECT_FLOAT_EQ(d.HourRain(), 0.01f);  // 22:30 is more than an hour ago
  EXPECT_FLOAT_EQ(d.Hour24Rain(), 0.02f);
  for (int m = 120; m <= 130; ++m) minute(m, m < 130 ? 0 : 1);
  EXPECT_FLOAT_EQ(d.HourRain(), 0.02f);  // 23:59 and 00:10
  EXPECT_FLOAT_EQ(d.Hour24Rain(), 0.03f);
  // A gap of two hours: the last hour is unknown, the day keeps what it had.
  minute(250, 1);
  EXPECT_TRUE(IsNoValue(d.HourRain()));
  EXPECT_FLOAT_EQ(d.Hour24Rain(), 0.03f);
  // More than a day: nothing of the rings is left.
  minute(250 + 1600, 1);
  EXPECT_TRUE(IsNoValue(d.Hour24Rain()));
}

TEST_F(BulletinTest, RainTotalsAndSinceStart) {
  LoopRecord r = Typical();
  r.year_rain = 1234;
  r.day_rain = 12;
  r.month_rain = 150;
  r.storm_rain = 20;
  r.rain_rate = 100;
  At(kJune1, r);
  EXPECT_FLOAT_EQ(d.year_rain, 12.34f);
  EXPECT_FLOAT_EQ(d.day_rain, 0.12f);
  EXPECT_FLOAT_EQ(d.rain_rate.now, 1.0f);
  EXPECT_FLOAT_EQ(d.rain_rate.high, 1.0f);
  EXPECT_FLOAT_EQ(d.rain_since_start, 0.0f);
  r.year_rain = 1240;
  At(kJune1 + kMinute, r);
  EXPECT_FLOAT_EQ(d.rain_since_start, 0.06f);
  site.rain_mode = 3;
  At(kJune1 + 2 * kMinute, r);
  EXPECT_FLOAT_EQ(d.rain_since_start, 12.40f);
}

TEST_F(BulletinTest, OlderFamilyOffsetsForecastAndSunrise) {
  site.console_family = 0;
  site.outside_temp_offset = 15;
  site.inside_temp_offset = -5;
  site.have_location = true;
  site.latitude = 41.5;
  site.longitude = -87.5;
  site.zone_hours = -6.0f;
  LoopRecord r = Typical();
  At(kJune1 + 18 * 60 * kMinute, r);
  EXPECT_FLOAT_EQ(d.outside_temp.now, 74.0f);
  EXPECT_FLOAT_EQ(d.inside_temp.now, 70.0f);
  EXPECT_EQ(d.forecast_rule, 193);  // three hours of barometer readings are needed
  EXPECT_EQ(d.forecast_text, " FORECAST REQUIRES 3 HOURS OF RECENT DATA. ");
  EXPECT_TRUE(IsNoValue(d.console_battery));
  EXPECT_EQ(d.bar_trend, -32768);
  // Sunrise and sunset from the place, in local time (about 05:15 and 20:20 CDT).
  ASSERT_NE(d.sunrise, kNoSunTime);
  EXPECT_NEAR(d.sunrise, 5 * 60 + 15, 15);
  EXPECT_NEAR(d.sunset, 20 * 60 + 20, 15);
  // Three hours of falling pressure make a forecast.
  for (int m = 10; m <= 180; m += 10) {
    r.barometer = static_cast<std::int16_t>(29920 - m);
    At(kJune1 + 18 * 60 * kMinute + m * kMinute, r);
  }
  EXPECT_NE(d.forecast_rule, 193);
  EXPECT_FALSE(d.forecast_text.empty());
}

}  // namespace
}  // namespace sq
