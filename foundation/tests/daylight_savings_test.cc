#include "foundation/daylight_savings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <ostream>
#include <set>
#include <string>

namespace sq {
namespace {

std::string Ymd(const DateTime& t) {
  return std::to_string(t.year) + "-" + std::to_string(t.month) + "-" + std::to_string(t.day);
}

DateTime At(int month, int day, int year, int packed) {
  DateTime t(month, day, year);
  t.packed_time = static_cast<std::int16_t>(packed);
  return t;
}

DateTime FromTm(const std::tm& tm) {
  return At(tm.tm_mon + 1, tm.tm_mday, tm.tm_year + 1900, tm.tm_hour * 60 + tm.tm_min);
}

std::string Moment(const DateTime& t) { return Ymd(t) + " " + std::to_string(t.packed_time); }

TEST(DaylightSavingsCalcTest, WeekdayShiftOfTheYear) {
  EXPECT_EQ(DaylightSavingsCalc::CalcDaylightSavingsDays(1999), -1);
  EXPECT_EQ(DaylightSavingsCalc::CalcDaylightSavingsDays(2000), 0);
  EXPECT_EQ(DaylightSavingsCalc::CalcDaylightSavingsDays(2007), 1);
  DaylightSavingsCalc calc;
  EXPECT_EQ(Ymd(calc.GetStartDate(kDsNorthAmerica, 8)), "2000-3-11");
  EXPECT_EQ(Ymd(calc.GetEndDate(kDsNorthAmerica, 8)), "2000-11-4");
  EXPECT_EQ(calc.GetConversionMode(), 60);
}

// With the year put in, every table entry must land on the Sunday its rule names, for
// every year the tables serve (including 2100, which is not a leap year).
TEST(DaylightSavingsCalcTest, TablesGiveTheRuleSundays) {
  const DaylightSavingsCalc calc;
  struct Rule {
    const char* legend;
    int location, first_year, last_year, slot_base;
    int start_month, start_first_day;  // the Sunday lies in [first_day, first_day + 6]
    int end_month, end_first_day;
  } rules[] = {
      {"North America to 2006", kDsNorthAmerica, 2000, 2006, 0, 4, 1, 10, 25},
      {"North America from 2007", kDsNorthAmerica, 2007, 2200, 7, 3, 8, 11, 1},
      {"Europe", kDsEurope, 2000, 2200, 0, 3, 25, 10, 25},
  };
  for (const Rule& r : rules) {
    for (int year = r.first_year; year <= r.last_year; ++year) {
      SCOPED_TRACE(std::string(r.legend) + " " + std::to_string(year));
      const int slot = r.slot_base + DaylightSavingsCalc::CalcDaylightSavingsDays(year);
      DateTime start = calc.GetStartDate(r.location, slot);
      DateTime end = calc.GetEndDate(r.location, slot);
      start.year = end.year = static_cast<std::int16_t>(year);
      EXPECT_EQ(start.DayOfWeek(), 0);
      EXPECT_EQ(start.month, r.start_month);
      EXPECT_GE(start.day, r.start_first_day);
      EXPECT_LE(start.day, r.start_first_day + 6);
      EXPECT_EQ(end.DayOfWeek(), 0);
      EXPECT_EQ(end.month, r.end_month);
      EXPECT_GE(end.day, r.end_first_day);
      EXPECT_LE(end.day, r.end_first_day + 6);
    }
  }
}

TEST(DaylightSavingsCalcTest, OutsideTheTablesGivesNotValid) {
  const DaylightSavingsCalc calc;
  struct Row {
    int location, slot;
  } rows[] = {{-1, 0}, {2, 0}, {0, -1}, {0, 14}, {1, 7}};  // Europe has no rule from slot 7
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.location) + "/" + std::to_string(r.slot));
    EXPECT_FALSE(calc.GetStartDate(r.location, r.slot).valid);
    EXPECT_FALSE(calc.GetEndDate(r.location, r.slot).valid);
  }
}

TEST(DaylightSavingsCalcTest, ConversionModeAndEarlyYears) {
  DaylightSavingsCalc calc;
  calc.SetConversionMode(0);
  EXPECT_EQ(calc.GetConversionMode(), -60);
  calc.SetConversionMode(5);
  EXPECT_EQ(calc.GetConversionMode(), 60);
  // Before 2000 nothing changes, not even the zone offset.
  DateTime t = At(7, 1, 1999, 600);
  calc.CalcDaylightSavingsTime(t, -5.0f, false);
  EXPECT_EQ(Moment(t), "1999-7-1 600");
}

TEST(DaylightSavingsCalcTest, SouthernHemisphereReadsTheTablesInReverse) {
  DaylightSavingsCalc calc;  // local -> UTC, zone +10
  DateTime winter = At(7, 1, 2010, 12 * 60);
  calc.CalcDaylightSavingsTime(winter, 10.0f, true);
  EXPECT_EQ(Moment(winter), "2010-7-1 120");  // standard time
  DateTime summer = At(1, 15, 2010, 12 * 60);
  calc.CalcDaylightSavingsTime(summer, 10.0f, true);
  EXPECT_EQ(Moment(summer), "2010-1-15 60");  // daylight time: one hour more removed
}

TEST(DaylightSavingsCalcTest, ManualDates) {
  struct Row {
    const char* legend;
    DateTime start, end, t;
    const char* expected;  // after local -> UTC with zone -5
  } rows[] = {
      {"inside a period within the year", At(4, 10, 1990, 0), At(9, 20, 1990, 0), At(6, 1, 2015, 600), "2015-6-1 840"},
      {"outside it", At(4, 10, 1990, 0), At(9, 20, 1990, 0), At(10, 1, 2015, 600), "2015-10-1 900"},
      {"start day after 02:00", At(4, 10, 1990, 0), At(9, 20, 1990, 0), At(4, 10, 2015, 150), "2015-4-10 390"},
      {"start day before 02:00", At(4, 10, 1990, 0), At(9, 20, 1990, 0), At(4, 10, 2015, 60), "2015-4-10 360"},
      {"end day before 02:00", At(4, 10, 1990, 0), At(9, 20, 1990, 0), At(9, 20, 2015, 60), "2015-9-20 300"},
      {"across new year, January", At(10, 1, 1990, 0), At(3, 1, 1990, 0), At(1, 15, 2015, 600), "2015-1-15 840"},
      {"across new year, July", At(10, 1, 1990, 0), At(3, 1, 1990, 0), At(7, 15, 2015, 600), "2015-7-15 900"},
      {"start not valid: zone only", DateTime(), At(9, 20, 1990, 0), At(6, 1, 2015, 600), "2015-6-1 900"},
  };
  const DaylightSavingsCalc calc;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.legend);
    DateTime t = r.t;
    calc.CalcManualDaylightSavingsTime(t, -5.0f, r.start, r.end);
    EXPECT_EQ(Moment(t), r.expected);
  }
}

// Sets TZ for the life of the object and restores it.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* tz) {
    if (const char* old = std::getenv("TZ")) {
      had_ = true;
      old_ = old;
    }
    setenv("TZ", tz, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (had_) {
      setenv("TZ", old_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  bool had_ = false;
  std::string old_;
};

struct Zone {
  const char* name;
  float hours;
};

void PrintTo(const Zone& zone, std::ostream* os) { *os << zone.name; }

class TimeZoneDatabaseTest : public ::testing::TestWithParam<Zone> {};

// Every hour of 2000..2030 converted both ways next to the system's time-zone database,
// leaving out the local days around each change (the rule changes at 02:00 local time
// and decides by the date on the converted side, so it is an hour off near a change;
// see DifferencesNearTheChange).
TEST_P(TimeZoneDatabaseTest, AgreesAwayFromTheChangeDays) {
  const Zone zone = GetParam();
  if (!std::filesystem::exists(std::string("/usr/share/zoneinfo/") + zone.name)) {
    GTEST_SKIP() << "time-zone database not installed";
  }
  ScopedTimeZone tz(zone.name);
  std::tm first{};
  first.tm_year = 100;
  first.tm_mday = 1;
  std::tm last{};
  last.tm_year = 131;
  last.tm_mday = 1;
  const std::time_t begin = timegm(&first);
  const std::time_t end = timegm(&last);

  // Local days on which, or next to which, the offset changes.
  std::set<std::int32_t> excluded;
  long previous_offset = 0;
  for (std::time_t u = begin; u < end; u += 3600) {
    std::tm local{};
    localtime_r(&u, &local);
    if (u != begin && local.tm_gmtoff != previous_offset) {
      const std::int32_t day = static_cast<std::int32_t>(FromTm(local).GetPackedDate());
      DateTime d = FromTm(local);
      --d;
      excluded.insert(d.GetPackedDate());
      excluded.insert(day);
      ++d;
      ++d;
      excluded.insert(d.GetPackedDate());
    }
    previous_offset = local.tm_gmtoff;
  }
  ASSERT_EQ(excluded.size(), 31u * 2 * 3);

  DaylightSavingsCalc to_utc;
  DaylightSavingsCalc to_local;
  to_local.SetConversionMode(-1);
  int compared = 0;
  for (std::time_t u = begin; u < end; u += 3600) {
    std::tm local{};
    localtime_r(&u, &local);
    const DateTime local_time = FromTm(local);
    // The rules start in 2000 (New Year's Eve 1999 in New York is already 2000 in UTC).
    if (local_time.year < 2000 || excluded.count(local_time.GetPackedDate())) continue;
    std::tm utc{};
    gmtime_r(&u, &utc);
    const DateTime utc_time = FromTm(utc);

    DateTime a = local_time;
    to_utc.CalcDaylightSavingsTime(a, zone.hours, false);
    ASSERT_EQ(Moment(a), Moment(utc_time)) << "local " << Moment(local_time) << " to UTC";
    DateTime b = utc_time;
    to_local.CalcDaylightSavingsTime(b, zone.hours, false);
    ASSERT_EQ(Moment(b), Moment(local_time)) << "UTC " << Moment(utc_time) << " to local";
    ++compared;
  }
  EXPECT_GT(compared, 250000);
}

INSTANTIATE_TEST_SUITE_P(Zones, TimeZoneDatabaseTest,
                         ::testing::Values(Zone{"America/New_York", -5.0f}, Zone{"Europe/Berlin", 1.0f}),
                         [](const ::testing::TestParamInfo<Zone>& info) {
                           return std::string(info.param.hours < 0 ? "NewYork" : "Berlin");
                         });

// Where the rules and the time-zone database part ways. The rules decide by the date on
// the converted side, but compare the time of day on the local side; they are kept as
// they are, since stored exports and sun times were made with them.
TEST(DaylightSavingsCalcTest, DifferencesNearTheChange) {
  struct Row {
    const char* legend;
    DateTime local;
    float zone;
    const char* rules_utc;
    const char* database_utc;
  } rows[] = {
      // New York, Saturday 10 March 2007 20:00 EST is 11 March 01:00 UTC. The UTC date is
      // the start date and 20:00 is after 02:00, so the rules already take daylight time.
      {"New York, evening before the spring change", At(3, 10, 2007, 20 * 60), -5.0f, "2007-3-11 0", "2007-3-11 60"},
      // Saturday 3 November 2007 20:00 EDT is 4 November 00:00 UTC; on the end date
      // 20:00 is not before 02:00, so the rules take standard time.
      {"New York, evening before the autumn change", At(11, 3, 2007, 20 * 60), -5.0f, "2007-11-4 60", "2007-11-4 0"},
      // Berlin, Monday 26 March 2007 00:30 CEST is Sunday 25 March 22:30 UTC: the UTC date is
      // the start date and 00:30 is before 02:00, so the rules take standard time.
      {"Berlin, first hour after the spring change day", At(3, 26, 2007, 30), 1.0f, "2007-3-25 1410", "2007-3-25 1350"},
  };
  const DaylightSavingsCalc calc;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.legend);
    DateTime t = r.local;
    calc.CalcDaylightSavingsTime(t, r.zone, false);
    EXPECT_EQ(Moment(t), r.rules_utc);
    EXPECT_NE(std::string(r.rules_utc), r.database_utc);
  }
}

}  // namespace
}  // namespace sq
