// The astronomy state behind the extra-radiation value.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "foundation/astronomy.h"

namespace sq {
namespace {

DateTime At(int year, int month, int day, int hour, int minute) {
  DateTime t(month, day, year);
  t.packed_time = static_cast<std::int16_t>(hour * 60 + minute);
  t.UnpackTime();
  return t;
}

AstronomyState ForSite(const SiteDescription& site, const DateTime& day) {
  AstronomyState s;
  s.SetSite(site);
  s.THSWIdailyAstronomyTasks(day, site.longitude);
  return s;
}

TEST(Astronomy, DailyTasksFollowTheSeasons) {
  struct Row {
    const char* legend;
    DateTime t;
    double decl_deg;  // declination of the simple sine model
    double eqt_min;   // equation of time, minutes
  } rows[] = {
      {"June solstice", At(2024, 6, 21, 0, 0), 23.4, -1.5},
      {"December solstice", At(2024, 12, 21, 0, 0), -23.4, 2.0},
      {"early November", At(2024, 11, 3, 0, 0), -14.5, 16.4},
      {"mid February", At(2024, 2, 11, 0, 0), -15.0, -14.2},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.legend);
    AstronomyState s;
    s.THSWIlattitudeTasks(40.0);
    s.THSWIdailyAstronomyTasks(r.t, 0.0);
    EXPECT_NEAR(std::asin(s.sinDecl) * 180 / std::numbers::pi, r.decl_deg, 2.0);
    EXPECT_NEAR(s.eqnOfTime * 1440, r.eqt_min, 1.0);
    EXPECT_NEAR(s.sinLatDecl, s.sinDecl * std::sin(40 * std::numbers::pi / 180), 1e-12);
  }
  AstronomyState s;
  s.THSWIdailyAstronomyTasks(At(2024, 11, 3, 0, 0), -90.0);
  AstronomyState g;
  g.THSWIdailyAstronomyTasks(At(2024, 11, 3, 0, 0), 0.0);
  EXPECT_NEAR(s.eqnOfTime, g.eqnOfTime - 0.25, 1e-12);  // longitude term: a quarter day
}

TEST(Astronomy, ElevationAndLatitudeTerms) {
  AstronomyState s;
  s.THSWIElevationTasks(0);
  EXPECT_DOUBLE_EQ(s.elevationTerm, -0.62);
  s.THSWIElevationTasks(10000);
  EXPECT_NEAR(s.elevationTerm, -0.62 * std::exp(-0.329184), 1e-12);
  s.THSWIlattitudeTasks(-50);
  EXPECT_DOUBLE_EQ(s.latitudeTerm, 0.5 - 0.0043 * 50);
}

TEST(Astronomy, ExtraRadiationFollowsTheSunAndTheSky) {
  SiteDescription site;
  site.latitude = 40;
  site.longitude = -105;
  site.time_zone_hours = -7;
  site.dst_mode = DaylightSavingMode::kOff;
  const DateTime day = At(2024, 6, 21, 0, 0);
  AstronomyState s = ForSite(site, day);
  // Local standard noon near the solstice: a clear sky (measured close to the clear-sky
  // value) gives a gain, more than an overcast one.
  const int clear = s.ExtraRadCalc(At(2024, 6, 21, 12, 0), 950, 40);
  const int overcast = s.ExtraRadCalc(At(2024, 6, 21, 12, 0), 150, 40);
  EXPECT_GT(clear, overcast);
  EXPECT_GT(clear, 0);
  // The same sky an hour and a half from noon, with the sun lower, gives less.
  EXPECT_LT(s.ExtraRadCalc(At(2024, 6, 21, 13, 30), 950, 40), clear);
  // At night the cloud cover of the last daylight reading is used.
  static_cast<void>(s.ExtraRadCalc(At(2024, 6, 21, 12, 0), 950, 40));
  const int night_after_clear = s.ExtraRadCalc(At(2024, 6, 21, 23, 30), 0, 40);
  static_cast<void>(s.ExtraRadCalc(At(2024, 6, 21, 12, 0), 50, 40));
  const int night_after_cloud = s.ExtraRadCalc(At(2024, 6, 21, 23, 30), 0, 40);
  EXPECT_LT(night_after_clear, night_after_cloud);  // clear nights lose more heat
  EXPECT_LT(night_after_clear, 0);
  // Humid air returns long-wave radiation: less loss at a higher dew point, smoothly.
  const int dry = s.ExtraRadCalc(At(2024, 6, 21, 23, 30), 0, -20);
  const int humid = s.ExtraRadCalc(At(2024, 6, 21, 23, 30), 0, 70);
  EXPECT_LT(dry, humid);
  for (int dew = -105; dew < 110; ++dew) {
    const int a = s.ExtraRadCalc(At(2024, 6, 21, 23, 30), 0, dew);
    const int b = s.ExtraRadCalc(At(2024, 6, 21, 23, 30), 0, dew + 1);
    EXPECT_LE(a, b) << dew;
    EXPECT_LE(b - a, 2) << dew;
  }
  EXPECT_EQ(s.ExtraRadCalc(At(2024, 6, 21, 12, 0), -32768.0f, 40), -32768);
  EXPECT_EQ(s.ExtraRadCalc(At(2024, 6, 21, 12, 0), 3e38f, 40), -32768);
}

TEST(Astronomy, ExtraRadiationUsesStationClockTime) {
  // With automatic daylight saving, 13:00 on a summer clock is 12:00 standard time.
  SiteDescription fixed;
  fixed.latitude = 40;
  fixed.longitude = -75;
  fixed.time_zone_hours = -5;
  fixed.dst_mode = DaylightSavingMode::kOff;
  SiteDescription automatic = fixed;
  automatic.dst_mode = DaylightSavingMode::kAutomatic;
  SiteDescription manual = fixed;
  manual.dst_mode = DaylightSavingMode::kManual;
  manual.manual_dst_start = At(2024, 5, 1, 2, 0);
  manual.manual_dst_end = At(2024, 9, 1, 2, 0);
  const DateTime day = At(2024, 7, 4, 0, 0);
  AstronomyState a = ForSite(fixed, day);
  AstronomyState b = ForSite(automatic, day);
  AstronomyState c = ForSite(manual, day);
  for (int minute : {6 * 60, 9 * 60 + 30, 16 * 60}) {
    const DateTime standard = At(2024, 7, 4, minute / 60, minute % 60);
    const DateTime summer = At(2024, 7, 4, minute / 60 + 1, minute % 60);
    EXPECT_EQ(a.ExtraRadCalc(standard, 500, 50), b.ExtraRadCalc(summer, 500, 50)) << minute;
    EXPECT_EQ(a.ExtraRadCalc(standard, 500, 50), c.ExtraRadCalc(summer, 500, 50)) << minute;
  }
  // Before 2000 there are no daylight-saving rules, but the zone offset still applies.
  const DateTime old_day = At(1998, 1, 15, 0, 0);
  AstronomyState old_fixed = ForSite(fixed, old_day);
  AstronomyState old_auto = ForSite(automatic, old_day);
  for (int hour : {8, 12, 15}) {
    const DateTime t = At(1998, 1, 15, hour, 0);
    EXPECT_EQ(old_fixed.ExtraRadCalc(t, 400, 20), old_auto.ExtraRadCalc(t, 400, 20)) << hour;
  }
}

}  // namespace
}  // namespace sq
