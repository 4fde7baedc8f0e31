#include <gtest/gtest.h>

#include <functional>

#include "database/tests/db_test_util.h"

namespace sq {
namespace {

using testing::AppendDay;
using testing::Archive;
using testing::At;
using testing::MarkerOf;
using testing::Markers;
using testing::ReadAllStored;
using testing::TempDir;

// Archive markers 0..11:
//   2024-01: day 1 {0,1,2}, day 2 {3}, day 5 {4,5}
//   2024-02: day 1 {6}
//   2024-03: day 10 {7,8}, day 11 {9,10,11}
void BuildThreeMonths(const std::string& folder) {
  WeatherDatabase db;
  (void)db.OpenDatabase(folder);
  int m = 0;
  AppendDay(db, 2024, 1, 1, {60, 120, 180}, &m);
  AppendDay(db, 2024, 1, 2, {60}, &m);
  AppendDay(db, 2024, 1, 5, {60, 120}, &m);
  AppendDay(db, 2024, 2, 1, {60}, &m);
  AppendDay(db, 2024, 3, 10, {60, 120}, &m);
  AppendDay(db, 2024, 3, 11, {60, 120, 180}, &m);
}

std::vector<int> AllBut(std::initializer_list<int> gone) {
  std::vector<int> out;
  for (int i = 0; i < 12; ++i) {
    if (std::find(gone.begin(), gone.end(), i) == gone.end()) out.push_back(i);
  }
  return out;
}

// Every archive record, read through the database's own numbering.
std::vector<int> MarkersThroughDatabase(WeatherDatabase& db) {
  std::vector<int> out;
  RecordBytes rec;
  for (int a = 0; a < db.NumberOfDataRecords(); ++a) {
    EXPECT_EQ(db.GetArchiveRecord(&rec, a), 0) << a;
    out.push_back(MarkerOf(rec));
  }
  return out;
}

TEST(Deletion, EveryPosition) {
  struct Case {
    const char* legend;
    std::function<int(WeatherDatabase&)> op;
    std::vector<int> remaining;
    std::vector<std::string> files;
  } cases[] = {
      {"first record of the database and of a day",
       [](auto& db) { return db.DeleteArchiveRecord(0); },
       AllBut({0}),
       {"2024-01.sqm", "2024-02.sqm", "2024-03.sqm"}},
      {"last record of a day", [](auto& db) { return db.DeleteArchiveRecord(2); }, AllBut({2}), {}},
      {"only archive record of a day", [](auto& db) { return db.DeleteArchiveRecord(3); }, AllBut({3}), {}},
      {"last record of a month", [](auto& db) { return db.DeleteArchiveRecord(5); }, AllBut({5}), {}},
      {"first record of a month", [](auto& db) { return db.DeleteArchiveRecord(7); }, AllBut({7}), {}},
      {"last record of the database", [](auto& db) { return db.DeleteArchiveRecord(11); }, AllBut({11}), {}},
      {"a day's records one by one, summaries included",
       [](auto& db) {
         for (int i = 0; i < 3; ++i) {
           const int first = db.Goto(1, 2, 2024);
           if (first < 0 || db.DeleteRecord(first) != 0) return -1;
         }
         return db.Goto(1, 2, 2024) == kDbNoDay ? 0 : -1;
       },
       AllBut({3}),
       {}},
      {"whole day in the middle of a month", [](auto& db) { return db.DeleteDay(1, 2, 2024); }, AllBut({3}), {}},
      {"whole first day", [](auto& db) { return db.DeleteDay(1, 1, 2024); }, AllBut({0, 1, 2}), {}},
      {"whole last day", [](auto& db) { return db.DeleteDay(3, 11, 2024); }, AllBut({9, 10, 11}), {}},
      {"the only day of a month",
       [](auto& db) { return db.DeleteDay(2, 1, 2024); },
       AllBut({6}),
       {"2024-01.sqm", "2024-03.sqm"}},
      {"whole month",
       [](auto& db) { return db.DeleteMonth(1, 2024); },
       AllBut({0, 1, 2, 3, 4, 5}),
       {"2024-02.sqm", "2024-03.sqm"}},
      {"whole year", [](auto& db) { return db.DeleteYear(2024); }, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.legend);
    TempDir dir;
    BuildThreeMonths(dir.str());
    {
      WeatherDatabase db;
      ASSERT_EQ(db.OpenDatabase(dir.str()), 0);
      ASSERT_EQ(c.op(db), 0) << db.last_error();
      EXPECT_EQ(MarkersThroughDatabase(db), c.remaining);
      // A summary record still maps to its day's first archive record.
      for (int n = 0; n < db.total_records(); ++n) {
        RecordBytes rec;
        ASSERT_EQ(db.GetRecord(&rec, n), 0);
        if (rec[0] == 1) {
          EXPECT_EQ(c.remaining[db.ConvertRecNoToArchiveRecNo(n)], MarkerOf(rec)) << n;
        }
      }
    }
    EXPECT_EQ(Markers(ReadAllStored(dir.str())), c.remaining);
    testing::ExpectCleanCheck(dir.str());
    WeatherDatabase again;
    const int rc = again.OpenDatabase(dir.str());
    EXPECT_EQ(rc, c.remaining.empty() ? kDbNoFiles : 0);
    EXPECT_EQ(MarkersThroughDatabase(again), c.remaining);
    for (const auto& f : c.files) EXPECT_TRUE(std::filesystem::exists(dir.file(f))) << f;
    if (!c.files.empty()) {
      EXPECT_EQ(again.month_count(), static_cast<int>(c.files.size()));
    }
  }
}

TEST(Deletion, OnlyRecordOfAMonthRemovesTheFile) {
  TempDir dir;
  {
    WeatherDatabase db;
    (void)db.OpenDatabase(dir.str());
    int m = 0;
    AppendDay(db, 2024, 1, 1, {60}, &m);
    ASSERT_EQ(db.AppendRecord(Archive(1, 60), At(2024, 2, 1, 60)), 0);  // a day without summaries
    ASSERT_EQ(db.month_count(), 2);
    ASSERT_EQ(db.DeleteRecord(3), 0);
    EXPECT_EQ(db.month_count(), 1);
    EXPECT_EQ(db.total_records(), 3);
    EXPECT_EQ(db.date_list().size(), 1u);
  }
  EXPECT_FALSE(std::filesystem::exists(dir.file("2024-02.sqm")));
  EXPECT_EQ(Markers(ReadAllStored(dir.str())), std::vector<int>{0});
}

TEST(Deletion, MissingTargetsChangeNothing) {
  TempDir dir;
  BuildThreeMonths(dir.str());
  WeatherDatabase db;
  ASSERT_EQ(db.OpenDatabase(dir.str()), 0);
  EXPECT_EQ(db.DeleteDay(1, 3, 2024), kDbNoDay);
  EXPECT_EQ(db.DeleteDay(6, 1, 2024), kDbNoMonth);
  EXPECT_EQ(db.DeleteArchiveRecord(12), -1);
  EXPECT_EQ(db.DeleteRecord(-1), -1);
  EXPECT_EQ(db.DeleteMonth(6, 2024), -1);
  EXPECT_EQ(MarkersThroughDatabase(db), AllBut({}));
}

}  // namespace
}  // namespace sq
