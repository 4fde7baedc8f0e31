#include "foundation/date_time.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <limits>
#include <string>

#include "foundation/clock.h"
#include "foundation/regional_settings.h"

namespace sq {
namespace {

// Every test starts from the default regional settings and restores them.
class DateTimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = CurrentRegionalSettings();
    ApplyRegionalSettings(RegionalSettings{});
  }
  void TearDown() override { ApplyRegionalSettings(saved_); }

 private:
  RegionalSettings saved_;
};

DateTime At(int month, int day, int year, int packed = 0) {
  DateTime t(month, day, year);
  t.packed_time = static_cast<std::int16_t>(packed);
  return t;
}

std::time_t UtcSeconds(int year, int month, int day) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  return timegm(&tm);
}

std::tm UtcTm(std::time_t t) {
  std::tm tm{};
  gmtime_r(&t, &tm);
  return tm;
}

std::string Ymd(const DateTime& t) {
  return std::to_string(t.year) + "-" + std::to_string(t.month) + "-" + std::to_string(t.day);
}

std::string Ymd(const std::tm& tm) {
  return std::to_string(tm.tm_year + 1900) + "-" + std::to_string(tm.tm_mon + 1) + "-" + std::to_string(tm.tm_mday);
}

// Walks every day from 1980 to 2100 next to the C library's calendar.
TEST_F(DateTimeTest, CalendarAgreesWithCLibrary1980To2100) {
  const std::time_t t0 = UtcSeconds(1980, 1, 1);
  const DateTime origin(1, 1, 1980);
  DateTime walker = origin;
  int checked = 0;
  for (std::time_t t = t0; t < UtcSeconds(2101, 1, 1); t += 86400, ++checked) {
    const std::tm tm = UtcTm(t);
    ASSERT_EQ(Ymd(walker), Ymd(tm)) << "++ after " << checked << " days";
    ASSERT_EQ(walker.DayOfWeek(), tm.tm_wday) << Ymd(tm);
    const int y = tm.tm_year + 1900;
    const bool leap = (UtcSeconds(y, 3, 1) - UtcSeconds(y, 2, 28)) / 86400 == 2;
    ASSERT_EQ(walker.InLeapYear(), leap) << Ymd(tm);

    const std::int32_t days = static_cast<std::int32_t>((t - t0) / 86400);
    ASSERT_EQ(walker.DayDiff(origin), days) << Ymd(tm);
    ASSERT_EQ(origin.DayDiff(walker), -days) << Ymd(tm);

    DateTime back = walker;
    --back;
    ASSERT_EQ(Ymd(back), Ymd(UtcTm(t - 86400)));

    // Minute arithmetic across midnight, and across several days at once.
    DateTime m = walker;
    m.packed_time = 23 * 60 + 50;
    m.IncMinute(20);
    ASSERT_EQ(Ymd(m), Ymd(UtcTm(t + 86400)));
    ASSERT_EQ(m.packed_time, 10);
    m.DecMinute(3 * 1440 + 20);  // from 00:10 tomorrow back past three midnights
    ASSERT_EQ(Ymd(m), Ymd(UtcTm(t - 3 * 86400)));
    ASSERT_EQ(m.packed_time, 23 * 60 + 50);

    // Fractional differences against a moment 37 days minus 5 hours earlier.
    DateTime earlier = walker;
    earlier -= 37;
    ASSERT_EQ(Ymd(earlier), Ymd(UtcTm(t - 37 * 86400)));
    DateTime noon = walker;
    noon.packed_time = 12 * 60;
    earlier.packed_time = 17 * 60;
    ASSERT_DOUBLE_EQ(noon.DoubleDayDiff(earlier), 37 - 5 / 24.0);
    ASSERT_DOUBLE_EQ(earlier.DoubleDayDiff(noon), -(37 - 5 / 24.0));
    ASSERT_EQ(noon.MinuteDifference(earlier), 37 * 1440 - 300);
    ASSERT_EQ(earlier.MinuteDifference(noon), -(37 * 1440 - 300));

    ++walker;
  }
  EXPECT_EQ(Ymd(walker), "2101-1-1");
}

// Weekdays are right before 1980 too (the epoch-based count never goes negative).
TEST_F(DateTimeTest, DayOfWeekBefore1980) {
  for (std::time_t t = UtcSeconds(1900, 1, 1); t < UtcSeconds(1980, 1, 1); t += 86400) {
    const std::tm tm = UtcTm(t);
    ASSERT_EQ(At(tm.tm_mon + 1, tm.tm_mday, tm.tm_year + 1900).DayOfWeek(), tm.tm_wday) << Ymd(tm);
  }
  EXPECT_EQ(At(1, 1, 1970).DayOfWeekStr(), "Thu");
}

TEST_F(DateTimeTest, DayStepsAndCarries) {
  struct Row {
    const char* legend;
    DateTime from;
    int steps;  // positive: ++ that many times (or +=), negative: --
    const char* expected;
  } rows[] = {
      {"leap day 2000", At(2, 28, 2000), 1, "2000-2-29"},
      {"1900 not leap", At(2, 28, 1900), 1, "1900-3-1"},
      {"year end", At(12, 31, 1999), 1, "2000-1-1"},
      {"back into leap day", At(3, 1, 2004), -1, "2004-2-29"},
      {"back over new year", At(1, 1, 2000), -1, "1999-12-31"},
      {"unchecked 31 April steps to 1 May", At(4, 31, 2010), 1, "2010-5-1"},
      {"unchecked 31 April then more days", At(4, 31, 2010), 3, "2010-5-3"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.legend);
    DateTime single = r.from;
    for (int i = 0; i < std::abs(r.steps); ++i) r.steps > 0 ? ++single : --single;
    EXPECT_EQ(Ymd(single), r.expected);
    DateTime bulk = r.from;
    bulk += r.steps;  // a negative count steps back
    EXPECT_EQ(Ymd(bulk), r.expected);
  }
}

TEST_F(DateTimeTest, NotValidValuesAreInert) {
  DateTime none;
  const DateTime day = At(6, 15, 2012);
  ++none;
  none += 10;
  none -= 3;
  EXPECT_EQ(Ymd(none), "0-0-0");
  EXPECT_FALSE(none == day);
  EXPECT_FALSE(none != day);
  EXPECT_FALSE(none < day || none <= day || none > day || none >= day);
  EXPECT_FALSE(none == none);
  EXPECT_EQ(none.DayDiff(day), 0);
  EXPECT_EQ(day.DoubleDayDiff(none), 0.0);
  EXPECT_EQ(none.GetDateStr(), "-----");
  EXPECT_EQ(none.GetMonthYearStr(), "-----");
  // Minutes still wrap even though the date cannot move.
  none.packed_time = 1430;
  none.IncMinute(20);
  EXPECT_EQ(none.packed_time, 10);
}

TEST_F(DateTimeTest, ComparisonsOrderByDateThenTimeButEqualityIgnoresTime) {
  const DateTime morning = At(6, 15, 2012, 8 * 60);
  const DateTime evening = At(6, 15, 2012, 20 * 60);
  const DateTime next_day = At(6, 16, 2012, 0);
  EXPECT_TRUE(morning == evening);
  EXPECT_FALSE(morning != evening);
  EXPECT_TRUE(morning < evening);
  EXPECT_FALSE(evening < morning);
  EXPECT_TRUE(evening <= evening && evening >= evening);
  EXPECT_TRUE(evening < next_day && next_day > evening);
  EXPECT_TRUE(next_day != evening);
  // Year outranks month, month outranks day.
  EXPECT_TRUE(At(12, 31, 2011) < At(1, 1, 2012));
  EXPECT_TRUE(At(1, 31, 2012) < At(2, 1, 2012));
  // Same date, different times: whole days 0, but the fraction counts.
  EXPECT_EQ(evening.DayDiff(morning), 0);
  EXPECT_DOUBLE_EQ(evening.DoubleDayDiff(morning), 0.5);
  EXPECT_EQ(morning.MinuteDifference(evening), -720);
}

TEST_F(DateTimeTest, MinuteArithmetic) {
  DateTime t = At(12, 31, 2011, 23 * 60);
  t.IncMinute(1500);  // rolls over twice: 1440 exactly also starts a new day
  EXPECT_EQ(Ymd(t), "2012-1-2");
  EXPECT_EQ(t.packed_time, 0);

  DateTime midnight = At(6, 15, 2012, 1440);
  midnight.IncMinute(0);
  EXPECT_EQ(Ymd(midnight), "2012-6-16");
  EXPECT_EQ(midnight.packed_time, 0);

  DateTime u = At(3, 1, 2012, 30);
  u.IncMinute(-60);  // handed to DecMinute
  EXPECT_EQ(Ymd(u), "2012-2-29");
  EXPECT_EQ(u.packed_time, 1410);
  u.DecMinute(-30);  // handed to IncMinute
  EXPECT_EQ(Ymd(u), "2012-3-1");
  EXPECT_EQ(u.packed_time, 0);

  // The hour and minute cache is left alone until UnpackTime.
  DateTime c = At(1, 1, 2012);
  c.hour = 5;
  c.minute = 7;
  c.PackTime();
  c.IncMinute(61);
  EXPECT_EQ(c.hour, 5);
  c.UnpackTime();
  EXPECT_EQ(c.hour, 6);
  EXPECT_EQ(c.minute, 8);
  EXPECT_EQ(c.Seconds(), 6 * 3600 + 8 * 60);

  // Huge counts neither overflow the 16-bit packed time nor hang.
  DateTime big = At(1, 1, 2000, 0);
  big.IncMinute(std::numeric_limits<int>::max());
  EXPECT_GE(big.packed_time, 0);
  EXPECT_LT(big.packed_time, 1440);
  big.DecMinute(std::numeric_limits<int>::max());
  EXPECT_EQ(Ymd(big), "2000-1-1");
  EXPECT_EQ(big.packed_time, 0);
  big.IncMinute(std::numeric_limits<int>::min());
  big.DecMinute(std::numeric_limits<int>::min());
  EXPECT_EQ(Ymd(big), "2000-1-1");
  EXPECT_EQ(big.packed_time, 0);
}

TEST_F(DateTimeTest, MonthAndYearSteps) {
  DateTime t = At(12, 31, 2011);
  t.IncMonth();
  EXPECT_EQ(Ymd(t), "2012-1-31");
  t.IncMonth();
  EXPECT_EQ(Ymd(t), "2012-2-31");  // the day is not clamped
  t.DecMonth();
  t.DecMonth();
  EXPECT_EQ(Ymd(t), "2011-12-31");
  t.IncYear();
  t.DecYear();
  t.DecYear();
  EXPECT_EQ(t.year, 2010);
}

TEST_F(DateTimeTest, PackedDate) {
  DateTime t = At(6, 15, 2012);
  EXPECT_EQ(t.GetPackedDate(), 131859983);
  DateTime u;
  EXPECT_EQ(u.SetDate(std::int32_t{131859983}), 0);
  EXPECT_TRUE(u.valid);
  EXPECT_EQ(Ymd(u), "2012-6-15");
  // Packed dates order like dates.
  EXPECT_LT(At(12, 31, 2011).GetPackedDate(), At(1, 1, 2012).GetPackedDate());
  EXPECT_EQ(u.SetDate(std::int32_t{0}), 0);
  EXPECT_FALSE(u.valid);
  EXPECT_EQ(Ymd(u), "0-0-0");
  EXPECT_EQ(TwoDigitYear(2012), 12);
  EXPECT_EQ(TwoDigitYear(1999), 99);
}

TEST_F(DateTimeTest, DaysInMonth) {
  const int expected[] = {31, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31, 31};  // months 0..13
  for (int m = 0; m <= 13; ++m) EXPECT_EQ(At(m, 1, 2011).DaysInMonth(), expected[m]) << m;
  EXPECT_EQ(At(2, 1, 2012).DaysInMonth(), 29);
  EXPECT_EQ(At(2, 1, 2100).DaysInMonth(), 28);
  EXPECT_EQ(At(2, 1, 2000).DaysInMonth(), 29);
}

TEST_F(DateTimeTest, ParseDate) {
  struct Row {
    int choice;
    const char* text;
    int result;
    const char* expected;  // year-month-day when accepted
  } rows[] = {
      {0, "1-1-81", 0, "1981-1-1"},
      {0, "2/29/80", 0, "2080-2-29"},
      {0, "2/29/81", -1, ""},  // 1981 is not a leap year
      {0, "12.25.1996", 0, "1996-12-25"},
      {0, " 3 - 1 - 96 ", 0, "1996-3-1"},
      {0, "3--1-96", 0, "1996-3-1"},
      {0, "0-1-96", -1, ""},
      {0, "13-1-96", -1, ""},
      {0, "4-31-96", -1, ""},
      {0, "3-0-96", -1, ""},
      {0, "3-1", -1, ""},      // the year is required
      {0, "3-1-96x", -1, ""},  // stray character
      {0, "", -1, ""},
      {0, "99999999999-1-96", -1, ""},
      {0, "3-1-12345", -1, ""},
      {0, "1-1-00", 0, "2000-1-1"},
      {0, "1-1-100", 0, "100-1-1"},
      {1, "25/12/96", 0, "1996-12-25"},
      {1, "12/25/96", -1, ""},
      {2, "1996-12-25", 0, "1996-12-25"},
      {2, "96.2.29", 0, "1996-2-29"},
      // Only the first 20 characters are read.
      {0, "1-1-81              9", 0, "1981-1-1"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string("choice ") + std::to_string(r.choice) + " text \"" + r.text + "\"");
    DateTime::dateChoice = static_cast<std::uint8_t>(r.choice);
    DateTime t = At(7, 4, 2001);
    EXPECT_EQ(t.SetDate(std::string_view(r.text)), r.result);
    EXPECT_EQ(t.valid, r.result == 0 ? 1 : 0);
    if (r.result == 0) {
      EXPECT_EQ(Ymd(t), r.expected);
    }
  }
}

TEST_F(DateTimeTest, ParseIsoDateAcceptsOnlyTheExactForm) {
  struct Row {
    const char* legend;
    const char* text;
    const char* expected;  // year-month-day, or nullptr when refused
  } rows[] = {
      {"plain", "2024-07-04", "2024-7-4"},
      {"leap day", "2024-02-29", "2024-2-29"},
      {"leap day of a 400th year", "2000-02-29", "2000-2-29"},
      {"no leap day in a 100th year", "2100-02-29", nullptr},
      {"no leap day in a common year", "2023-02-29", nullptr},
      {"last day of a 30-day month", "2024-04-30", "2024-4-30"},
      {"31 April", "2024-04-31", nullptr},
      {"first and last supported years", "0001-01-01", "1-1-1"},
      {"year 9999", "9999-12-31", "9999-12-31"},
      {"year 0", "0000-01-01", nullptr},
      {"month 0", "2024-00-10", nullptr},
      {"month 13", "2024-13-10", nullptr},
      {"day 0", "2024-01-00", nullptr},
      {"single-digit month", "2024-7-04", nullptr},
      {"sign in the month", "2024-+7-04", nullptr},
      {"negative month", "2024--7-04", nullptr},
      {"blank in the day", "2024-07- 4", nullptr},
      {"leading blank", " 2024-07-04", nullptr},
      {"trailing time", "2024-07-04T10:00", nullptr},
      {"slashes", "2024/07/04", nullptr},
      {"empty", "", nullptr},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.legend);
    CalendarDate d{7, 7, 7};
    ASSERT_EQ(ParseIsoDate(r.text, &d), r.expected != nullptr);
    DateTime t = At(7, 4, 2001);
    t.packed_time = 600;
    ASSERT_EQ(ParseIsoDate(r.text, &t), r.expected != nullptr);
    if (r.expected) {
      EXPECT_EQ(std::to_string(d.year) + "-" + std::to_string(d.month) + "-" + std::to_string(d.day), r.expected);
      EXPECT_EQ(Ymd(t), r.expected);
      EXPECT_EQ(t.valid, 1);
      EXPECT_EQ(t.packed_time, 0);
    } else {
      EXPECT_EQ(d.year, 7);  // untouched on failure
      EXPECT_EQ(Ymd(t), "2001-7-4");
    }
  }
}

TEST_F(DateTimeTest, ParseDateAcceptsRegionalSeparator) {
  DateTime::dateSepChar = '#';
  DateTime t;
  EXPECT_EQ(t.SetDate("3#1#96"), 0);
  EXPECT_EQ(Ymd(t), "1996-3-1");
  DateTime::dateSepChar = '-';
  EXPECT_EQ(t.SetDate("3#1#96"), -1);
  EXPECT_FALSE(t.valid);
}

TEST_F(DateTimeTest, ParseTime) {
  struct Row {
    const char* text;
    int result;
    int packed;
  } rows[] = {
      {"12:30a", 0, 30},   {"12:30p", 0, 750},  {"0:00", 0, 0},    {"23:60", 0, 1440},       {"3:00p", 0, 900},
      {"3:00 PM", 0, 900}, {"3.15 am", 0, 195}, {"15:00", 0, 900}, {"3p", 0, 900},           {"12a", 0, 0},
      {"11:59P", 0, 1439}, {"24:00", -1, 0},    {"13:00p", -1, 0}, {"3:61", -1, 0},          {"3:00ap", -1, 0},
      {"", -1, 0},         {"am", -1, 0},       {"3-00", -1, 0},   {"99999999999:1", -1, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string("text \"") + r.text + "\"");
    DateTime t = At(6, 15, 2012, 777);
    EXPECT_EQ(t.SetTime(std::string_view(r.text)), r.result);
    EXPECT_EQ(t.packed_time, r.result == 0 ? r.packed : 777);
    EXPECT_EQ(Ymd(t), "2012-6-15");  // the date is never touched
    EXPECT_TRUE(t.valid);
  }
  // The regional separator is accepted besides ':' and '.'.
  DateTime::timeSepChar = 'h';
  DateTime t;
  EXPECT_EQ(t.SetTime("15h30"), 0);
  EXPECT_EQ(t.packed_time, 930);
  EXPECT_FALSE(t.valid);
}

TEST_F(DateTimeTest, SetTimeFromHours) {
  DateTime t;
  EXPECT_EQ(t.SetTime(6.5f), 0);
  EXPECT_EQ(t.packed_time, 390);
  EXPECT_EQ(t.SetTime(13.999f), 0);  // minutes round: 59.94 -> 60
  EXPECT_EQ(t.hour, 13);
  EXPECT_EQ(t.minute, 60);
  EXPECT_EQ(t.packed_time, 840);
  // Values that cannot be a time of day are refused and change nothing.
  EXPECT_EQ(t.SetTime(std::nanf("")), -1);
  EXPECT_EQ(t.SetTime(std::numeric_limits<float>::infinity()), -1);
  EXPECT_EQ(t.SetTime(1e9f), -1);
  EXPECT_EQ(t.packed_time, 840);
}

TEST_F(DateTimeTest, TimeText) {
  struct Row {
    int packed;
    const char* twelve;
    const char* twenty_four;
  } rows[] = {
      {0, "12:00a", " 0:00"},    {30, "12:30a", " 0:30"},   {5 * 60 + 7, " 5:07a", " 5:07"},
      {720, "12:00p", "12:00"},  {750, "12:30p", "12:30"},  {15 * 60 + 5, " 3:05p", "15:05"},
      {1439, "11:59p", "23:59"}, {1440, "12:00m", "00:00"}, {1441, "----", "----"},
      {-1, "----", "----"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.packed);
    const DateTime t = At(6, 15, 2012, r.packed);
    DateTime::timeChoice = 0;
    EXPECT_EQ(t.GetTimeStr(), r.twelve);
    DateTime::timeChoice = 1;
    EXPECT_EQ(t.GetTimeStr(), r.twenty_four);
  }
  DateTime::timeSepChar = '.';
  EXPECT_EQ(At(1, 1, 2000, 905).GetTimeStr(), "15.05");
}

TEST_F(DateTimeTest, LongTimeText) {
  DateTime t = At(6, 15, 2012);
  t.second = 9;
  t.milliseconds = 250;
  struct Row {
    int packed;
    const char* twelve;
    const char* twenty_four;
  } rows[] = {
      {0, " 0:00:09.250a", " 0:00:09.250"},
      {15 * 60 + 5, " 3:05:09.250p", "15:05:09.250"},
      {720, "12:00:09.250p", "12:00:09.250"},
      {1440, "12:00:09.250m", "00:00:09.250"},  // the midnight that ends the day, not noon
      {2000, "----", "----"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.packed);
    t.packed_time = static_cast<std::int16_t>(r.packed);
    DateTime::timeChoice = 0;
    EXPECT_EQ(t.GetLongTimeStr(), r.twelve);
    DateTime::timeChoice = 1;
    EXPECT_EQ(t.GetLongTimeStr(), r.twenty_four);
  }
}

TEST_F(DateTimeTest, DateTextFollowsRegionalOrder) {
  const DateTime t = At(3, 1, 1996);  // a Friday
  struct Row {
    int choice;
    const char* date;
    const char* day_and_date;
    const char* long_date;
    const char* date3;
    const char* month_year;
  } rows[] = {
      {0, "03/01/96", "Fri 03/01/96", "Fri Mar 1, 1996", "Fri Mar 1", "03/1996"},
      {1, "01/03/96", "Fri 01/03/96", "Fri 1 Mar 1996", "Fri 1 Mar", "03/1996"},
      {2, "96/03/01", "Fri 96/03/01", "Fri 1996 Mar 1", "Fri Mar 1", "1996/03"},
  };
  DateTime::dateSepChar = '/';
  for (const Row& r : rows) {
    SCOPED_TRACE(r.choice);
    DateTime::dateChoice = static_cast<std::uint8_t>(r.choice);
    EXPECT_EQ(t.GetDateStr(), r.date);
    EXPECT_EQ(t.GetDayAndDateStr(), r.day_and_date);
    int weekday = -1;
    EXPECT_EQ(t.GetLongDateStr(&weekday), r.long_date);
    EXPECT_EQ(weekday, 5);
    EXPECT_EQ(t.GetDateStr3(), r.date3);
    EXPECT_EQ(t.GetMonthYearStr(), r.month_year);
  }
}

TEST_F(DateTimeTest, NamesAndBuffers) {
  EXPECT_EQ(DateTime::DayName(0), "Sun");
  EXPECT_EQ(DateTime::DayName(6), "Sat");
  EXPECT_EQ(DateTime::DayName(7), "Sun");
  EXPECT_EQ(DateTime::DayName(-3), "Sun");
  EXPECT_EQ(DateTime::MonthName(1), "Jan");
  EXPECT_EQ(DateTime::MonthName(12), "Dec");
  EXPECT_EQ(DateTime::MonthName(13), "---");  // never reads past the names
  EXPECT_EQ(At(13, 1, 2000).MonthStr(), "---");
  int weekday = -1;
  EXPECT_EQ(At(6, 15, 2012).DayOfWeekStr(&weekday), "Fri");
  EXPECT_EQ(weekday, 5);

  // Caller buffers: array forms know their size; short buffers are truncated, terminated.
  char array[kDateTimeTextSize];
  const DateTime t = At(3, 1, 1996, 900);
  EXPECT_STREQ(t.GetDateStr(array), "03-01-96");
  EXPECT_EQ(t.GetTimeStr(array), array);
  char small[4];
  EXPECT_STREQ(t.GetLongDateStr(small), "Fri");
  EXPECT_STREQ(t.GetDateStr(small, 0), small);  // size 0 writes nothing
}

TEST_F(DateTimeTest, CurrentTimeComesFromTheClock) {
  // 2012-06-15 23:45:30.250 UTC; local time 3 hours ahead is the next day.
  FakeClock clock(1339803930250, 3 * 3600);
  DateTime utc;
  EXPECT_EQ(utc.SetSystemTime(clock), 0);
  EXPECT_TRUE(utc.valid);
  EXPECT_EQ(Ymd(utc), "2012-6-15");
  EXPECT_EQ(utc.packed_time, 23 * 60 + 45);
  EXPECT_EQ(utc.second, 30);
  EXPECT_EQ(utc.milliseconds, 250);
  DateTime local;
  EXPECT_EQ(local.SetCurrentTime(clock), 0);
  EXPECT_EQ(Ymd(local), "2012-6-16");
  EXPECT_EQ(local.hour, 2);
  EXPECT_EQ(local.packed_time, 2 * 60 + 45);
}

TEST_F(DateTimeTest, DateAndTimeTextTogether) {
  DateTime out = At(1, 1, 2000, 5);
  std::string message;
  EXPECT_EQ(ParseDateAndTimeText("3-11-07", "2:00a", out, &message), 0);
  EXPECT_EQ(Ymd(out), "2007-3-11");
  EXPECT_EQ(out.packed_time, 120);

  EXPECT_EQ(ParseDateAndTimeText("3-32-07", "2:00a", out, &message), kDateTextRejected);
  EXPECT_EQ(message, "Date 3-32-07 not recognized. ie 3-1-96 or 12-2-96");
  EXPECT_EQ(ParseDateAndTimeText("3-11-07", "25:00", out, &message), kTimeTextRejected);
  EXPECT_EQ(message, "Time 25:00 not recognized. ie 3:00p or 15:00");
  EXPECT_EQ(Ymd(out), "2007-3-11");  // unchanged by the failures

  EXPECT_EQ(ParseDateAndTimeText(" -- ", "garbage", out, &message), 0);
  EXPECT_FALSE(out.valid);
}

}  // namespace
}  // namespace sq
