// Days stored the way a download stores them, for the tests of what is computed from
// daily summaries and archive records (degree days, daylight hours, fuel estimates).
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "database/daily_summary_object.h"
#include "database/daily_summary_ops.h"
#include "database/data_record.h"
#include "database/tests/db_test_util.h"
#include "database/weather_data_object.h"
#include "database/weather_database.h"

namespace sq::testing {

// An archive record at `time` covering `interval` minutes, all outside temperatures at
// `temp_tenths` (tenths of F).
inline DataRecord Rec(int time, int interval, int temp_tenths) {
  DataRecord r = NewDataRecord();
  r.packed_time = static_cast<std::int16_t>(time);
  r.archive_interval = static_cast<std::uint8_t>(interval);
  r.outside_temp = static_cast<std::int16_t>(temp_tenths);
  r.hi_outside_temp = static_cast<std::int16_t>(temp_tenths);
  r.low_outside_temp = static_cast<std::int16_t>(temp_tenths);
  r.outside_hum = 500;
  r.solar_rad = 400;
  r.rain = 0x1000 | 2;
  return r;
}

// Stores a day the way a download does: the summary first, then each record added to
// the summary and appended, then the finished summary written in place.
inline void DownloadDay(WeatherDatabase& db, const DateTime& day, const std::vector<DataRecord>& records) {
  DailySummaryObject s;
  s.Reset(day);
  ASSERT_EQ(WriteDailySummary(db, s), 1) << db.last_error();
  for (const DataRecord& r : records) {
    WeatherDataObject w(r);
    ASSERT_EQ(s.ProcessDataRecord(w), 1);
    ASSERT_EQ(db.AppendRecord(ToBytes(r), At(day.year, day.month, day.day, r.packed_time)), kDbOk) << db.last_error();
  }
  ASSERT_EQ(s.FinalProcessData(), 1);
  ASSERT_EQ(WriteDailySummary(db, s), 1) << db.last_error();
}

// A day of `hours` hourly records at `temp_tenths`.
inline std::vector<DataRecord> Hours(int hours, int temp_tenths) {
  std::vector<DataRecord> out;
  for (int h = 1; h <= hours; ++h) out.push_back(Rec(h * 60, 60, temp_tenths));
  return out;
}

}  // namespace sq::testing
