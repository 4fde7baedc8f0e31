// A small station database for the climatological reports, built record by record the
// way a download stores it (each day's summary first, finished after its last record).
//
// January 2026 has data on the 5th, 6th and 7th (hourly records, 24 a day); the 8th has
// its two summary records but no archive record (0 hours of data). March 15th has one
// more day. Every other day of the year has nothing. The values hit the report's edges:
//   5th  high exactly 90.0 F, rain exactly 0.01 in, wind from the east
//   6th  low exactly 32.0 F, rain 0.02 in, no wind at all (speeds 0)
//   7th  rain 1.10 in, the month's highest wind, the high temperature missing all day
//   Mar 15th  rain 0.10 in exactly, a north-west wind
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>

#include "database/daily_summary_object.h"
#include "database/daily_summary_ops.h"
#include "database/data_record.h"
#include "database/weather_database.h"

namespace sq::testing {

struct NoaaFixtureDay {
  int month, day;
  int base_tenths;     // outside temperature at midnight, tenths of F
  int swing_tenths;    // added at 15:00, falling off linearly to both midnights
  int rain_clicks[3];  // hundredths of inch at 06:00, 12:00, 18:00
  int wind_tenths;     // average speed; the high is 1.5 times it, at 16:00 twice it
  int direction;       // prevailing direction 0..15
  bool no_high_temp;   // leave the record high field missing
};

inline constexpr NoaaFixtureDay kNoaaFixtureDays[] = {
    {1, 5, 700, 180, {1, 0, 0}, 80, 4, false},
    {1, 6, 322, 150, {1, 0, 1}, 0, 0, false},
    {1, 7, 450, -60, {50, 40, 20}, 150, 10, true},
    {3, 15, 500, 120, {0, 10, 0}, 60, 14, false},
};

inline DataRecord NoaaFixtureRecord(const NoaaFixtureDay& d, int hour) {
  DataRecord r = NewDataRecord();
  r.archive_interval = 60;
  r.packed_time = static_cast<std::int16_t>(hour * 60);
  const int temp = d.base_tenths + d.swing_tenths * (hour <= 15 ? hour : 24 - hour) / (hour <= 15 ? 15 : 9);
  r.outside_temp = static_cast<std::int16_t>(temp);
  r.hi_outside_temp = static_cast<std::int16_t>(temp + 3);
  r.low_outside_temp = static_cast<std::int16_t>(temp - 2);
  if (d.no_high_temp) r.hi_outside_temp = kNoValue16;
  // The edge values: a high of exactly 90.0 F and a low of exactly 32.0 F.
  if (d.month == 1 && d.day == 5 && hour == 15) r.hi_outside_temp = 900;
  if (d.month == 1 && d.day == 6 && hour == 5) r.low_outside_temp = 320;
  r.inside_temp = 700;
  r.barometer = 30012;
  r.outside_hum = 650;
  r.inside_hum = 400;
  int clicks = 0;
  if (hour == 6) clicks = d.rain_clicks[0];
  if (hour == 12) clicks = d.rain_clicks[1];
  if (hour == 18) clicks = d.rain_clicks[2];
  r.rain = static_cast<std::uint16_t>(0x1000 | clicks);  // collector type 1 (0.01 in)
  r.hi_rain_rate = 0;
  r.wind_speed = static_cast<std::int16_t>(d.wind_tenths);
  r.hi_wind_speed = static_cast<std::int16_t>(hour == 16 ? d.wind_tenths * 2 : d.wind_tenths * 3 / 2);
  r.wind_direction = static_cast<std::uint8_t>(d.wind_tenths > 0 ? d.direction : kNoValue8);
  r.hi_wind_direction = r.wind_direction;
  return r;
}

inline DateTime NoaaFixtureWhen(int month, int day, int year, int hour) {
  DateTime when(month, day, year);
  when.packed_time = static_cast<std::int16_t>(hour * 60);
  when.UnpackTime();
  return when;
}

// Writes the fixture database (or only `days` of it) into `folder`, which must hold no
// month file yet.
inline void BuildNoaaFixture(const std::string& folder, std::span<const NoaaFixtureDay> days = kNoaaFixtureDays) {
  WeatherDatabase db;
  ASSERT_EQ(db.OpenDatabase(folder), kDbNoFiles);
  auto store_day = [&](const NoaaFixtureDay* d, int month, int day) {
    const DateTime date(month, day, 2026);
    DailySummaryObject summary;
    summary.Reset(date);
    ASSERT_EQ(WriteDailySummary(db, summary), 1) << db.last_error();
    for (int hour = 1; d != nullptr && hour <= 24; ++hour) {
      const DataRecord r = NoaaFixtureRecord(*d, hour);
      const DateTime when = NoaaFixtureWhen(month, day, 2026, hour);
      WeatherDataObject o(r, when);
      ASSERT_EQ(summary.ProcessDataRecord(o), 1);
      ASSERT_EQ(db.AppendRecord(ToBytes(r), when), 0) << db.last_error();
    }
    ASSERT_EQ(summary.FinalProcessData(), 1);
    ASSERT_EQ(WriteDailySummary(db, summary), 1) << db.last_error();
  };
  for (const auto& d : days) {
    store_day(&d, d.month, d.day);
    if (d.month == 1 && d.day == 7) store_day(nullptr, 1, 8);
  }
  ASSERT_EQ(db.CloseDatabase(), 0);
}

}  // namespace sq::testing
