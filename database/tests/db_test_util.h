// Helpers for the database tests: records with a marker value that identifies them, and
// an independent reader of what the files hold.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "database/daily_summary_record.h"
#include "database/data_record.h"
#include "database/database_check.h"
#include "database/month_file.h"
#include "database/weather_database.h"
#include "test_support/temp_dir.h"

namespace sq::testing {

inline RecordBytes Archive(int marker, int packed_time) {
  DataRecord r = NewDataRecord();
  r.archive_interval = 5;
  r.packed_time = static_cast<std::int16_t>(packed_time);
  r.outside_temp = static_cast<std::int16_t>(marker);
  return ToBytes(r);
}

inline int MarkerOf(const RecordBytes& b) { return DecodeDataRecord(b)->outside_temp; }
inline int TimeOf(const RecordBytes& b) { return DecodeDataRecord(b)->packed_time; }

inline DateTime At(int year, int month, int day, int packed_time = 1) {
  DateTime d(month, day, year);
  d.packed_time = static_cast<std::int16_t>(packed_time);
  d.UnpackTime();
  return d;
}

// Appends a day: its two summary records, then `times.size()` archive records whose
// markers count on from `*marker`.
inline void AppendDay(WeatherDatabase& db, int year, int month, int day, const std::vector<int>& times, int* marker) {
  ASSERT_EQ(db.AppendRecord(ToBytes(NewDailySummary1()), At(year, month, day)), 0);
  ASSERT_EQ(db.AppendRecord(ToBytes(NewDailySummary2()), At(year, month, day)), 0);
  for (int t : times) {
    ASSERT_EQ(db.AppendRecord(Archive((*marker)++, t), At(year, month, day, t)), 0) << db.last_error();
  }
}

// One stored record as an independent reader sees it.
struct Stored {
  int date_key;
  int type;
  int time;
  int marker;
  bool operator==(const Stored&) const = default;
};

// Reads every month file of the folder through the day index, in name order.
inline std::vector<Stored> ReadAllStored(const std::string& folder) {
  std::vector<Stored> out;
  std::vector<std::string> names;
  if (!DefaultFileSystem().List(folder, &names)) return out;
  std::erase_if(names, [](const std::string& n) { return !IsMonthFileName(n); });
  std::sort(names.begin(), names.end());
  for (const auto& name : names) {
    int y = 0, m = 0;
    (void)ParseMonthFileName(name, &y, &m);
    MonthFile::Status st;
    auto f = MonthFile::Open(DefaultFileSystem(), JoinPath(folder, name), false, &st, nullptr);
    if (!f) {
      ADD_FAILURE() << name << " does not open";
      continue;
    }
    for (int d = 1; d < kDayEntries; ++d) {
      const auto& e = f->header().day[d];
      for (int i = 0; i < e.records_in_day; ++i) {
        RecordBytes b;
        EXPECT_TRUE(f->ReadRecord(e.start_position + i, &b));
        out.push_back({PackDate(y, m, d), b[0], b[0] == 1 ? TimeOf(b) : -1, b[0] == 1 ? MarkerOf(b) : -1});
      }
    }
  }
  return out;
}

inline std::vector<int> Markers(const std::vector<Stored>& s) {
  std::vector<int> out;
  for (const auto& r : s) {
    if (r.type == 1) out.push_back(r.marker);
  }
  return out;
}

// Fails the test for every finding of the check, except those that contain `allowed`.
inline void ExpectCleanCheck(const std::string& folder, const char* allowed = nullptr) {
  CheckReport report;
  ASSERT_TRUE(CheckDatabaseFolder(DefaultFileSystem(), folder, &report));
  for (const auto& f : report.findings) {
    if (allowed && f.message.find(allowed) != std::string::npos) continue;
    ADD_FAILURE() << f.file_name << " #" << f.record << ": " << f.message;
  }
}

// True when every day with data starts with its two summary records.
inline bool DaysComplete(const std::vector<Stored>& s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (i == 0 || s[i].date_key != s[i - 1].date_key) {
      if (i + 1 >= s.size() || s[i].type != 2 || s[i + 1].type != 3 || s[i + 1].date_key != s[i].date_key) {
        return false;
      }
    }
  }
  return true;
}

}  // namespace sq::testing
