#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "database/mem_file_system.h"
#include "database/tests/db_test_util.h"
#include "database/writer_lock.h"
#include "test_support/files.h"

namespace sq {
namespace {

using testing::AppendDay;
using testing::Archive;
using testing::At;
using testing::MarkerOf;
using testing::Markers;
using testing::ReadAllStored;
using testing::ReadBytes;
using testing::TempDir;

std::int64_t FileSize(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

// December 31 with three archive records, January 1 with two and January 3 with one.
void BuildSmall(const std::string& folder) {
  WeatherDatabase db;
  ASSERT_EQ(db.OpenDatabase(folder), kDbNoFiles);
  int marker = 0;
  AppendDay(db, 2025, 12, 31, {5, 10, 1440}, &marker);
  AppendDay(db, 2026, 1, 1, {5, 10}, &marker);
  AppendDay(db, 2026, 1, 3, {600}, &marker);
}

TEST(WeatherDatabase, MonthsAndNumbering) {
  TempDir dir;
  BuildSmall(dir.str());
  std::ofstream(dir.file("notes.txt")) << "x";
  std::ofstream(dir.file("2026-2.sqm")) << "x";

  EXPECT_EQ(FileSize(dir.file("2025-12.sqm")), 652);
  WeatherDatabase db;
  ASSERT_EQ(db.OpenDatabase(dir.str()), 0);
  EXPECT_TRUE(db.problems().empty());
  ASSERT_EQ(db.month_count(), 2);
  EXPECT_EQ(db.months()[1].first_record, 5);
  EXPECT_EQ(db.months()[1].summaries_before, 2);
  EXPECT_EQ(db.total_records(), 12);
  EXPECT_EQ(db.NumberOfDataRecords(), 6);
  EXPECT_EQ(db.date_list().size(), 3u);

  // Record number -> archive number: a summary maps to its day's first archive record.
  const int expected_archive[] = {0, 0, 0, 1, 2, 3, 3, 3, 4, 5, 5, 5};
  for (int n = 0; n < 12; ++n) EXPECT_EQ(db.ConvertRecNoToArchiveRecNo(n), expected_archive[n]) << n;

  RecordBytes rec;
  DateTime when;
  for (int a = 0; a < 6; ++a) {
    ASSERT_EQ(db.GetArchiveRecord(&rec, a), 0) << a;
    EXPECT_EQ(MarkerOf(rec), a);
  }
  EXPECT_EQ(db.GetArchiveRecord(&rec, 6), -1);
  ASSERT_EQ(db.GetArchiveRecord(&rec, 2), 0);
  ASSERT_EQ(db.GetDateLastRead(&when), 1);
  EXPECT_EQ(when.GetPackedDate(), PackDate(2025, 12, 31));
  EXPECT_EQ(when.packed_time, 1440);  // random reads keep 24:00 on its own day

  // Positioning.
  EXPECT_EQ(db.Goto(1, 1, 2026), 5);
  EXPECT_EQ(db.GotoDay(1, 1, 2026), 4);
  EXPECT_EQ(db.Goto(1, 2, 2026), kDbNoDay);
  EXPECT_EQ(db.Goto(2, 1, 2026), kDbNoMonth);
  EXPECT_EQ(db.Goto(1, 3, 2026, true), 4);  // one before the day's first archive number
  std::int32_t s = 0, e = 0;
  ASSERT_EQ(db.GetStartEndRecNo(At(2026, 1, 3), &s, &e), 0);
  EXPECT_EQ(s, 9);
  EXPECT_EQ(e, 11);

  // Sequential reads: the summaries read as 00:00, 24:00 as 00:00 of the next day, and
  // the read ends at the month's last record.
  ASSERT_EQ(db.Goto(12, 31, 2025), 0);
  std::vector<std::pair<int, int>> seen;  // packed date, packed time
  int rc;
  while ((rc = db.GetRecord(&rec)) == 0) {
    ASSERT_EQ(db.GetDateLastRead(&when), 1);
    seen.emplace_back(when.GetPackedDate(), when.packed_time);
  }
  EXPECT_EQ(rc, -2);
  const std::vector<std::pair<int, int>> want = {{PackDate(2025, 12, 31), 0},
                                                 {PackDate(2025, 12, 31), 0},
                                                 {PackDate(2025, 12, 31), 5},
                                                 {PackDate(2025, 12, 31), 10},
                                                 {PackDate(2026, 1, 1), 0}};
  EXPECT_EQ(seen, want);

  EXPECT_EQ(db.first_date().GetPackedDate(), PackDate(2025, 12, 31));
  EXPECT_EQ(db.first_date().packed_time, 5);
  EXPECT_EQ(db.last_date().GetPackedDate(), PackDate(2026, 1, 3));
  EXPECT_EQ(db.last_date().packed_time, 600);
}

TEST(WeatherDatabase, NumberingWalkOverManyMonthsAndDays) {
  TempDir dir;
  int marker = 0;
  {
    WeatherDatabase db;
    (void)db.OpenDatabase(dir.str());
    // Uneven days, skipped days and a skipped month.
    for (int month : {1, 2, 4}) {
      for (int day = 1; day <= 28; day += 1 + (day % 3)) {
        std::vector<int> times;
        for (int t = 60; t <= 60 * (1 + (day + month) % 5); t += 60) times.push_back(t);
        AppendDay(db, 2024, month, day, times, &marker);
      }
    }
    ASSERT_EQ(db.Flush(), 0);
  }
  WeatherDatabase db;
  ASSERT_EQ(db.OpenDatabase(dir.str()), 0);
  ASSERT_EQ(db.NumberOfDataRecords(), marker);
  RecordBytes rec;
  // Backwards, so that every read has to find its month again.
  for (int a = marker - 1; a >= 0; --a) {
    ASSERT_EQ(db.GetArchiveRecord(&rec, a), 0) << a;
    ASSERT_EQ(MarkerOf(rec), a);
  }
  int archive_seen = 0;
  for (int n = 0; n < db.total_records(); ++n) {
    ASSERT_EQ(db.GetRecord(&rec, n), 0) << n;
    if (rec[0] == 1) {
      ASSERT_EQ(db.ConvertRecNoToArchiveRecNo(n), MarkerOf(rec)) << n;
      ++archive_seen;
    }
  }
  EXPECT_EQ(archive_seen, marker);
  testing::ExpectCleanCheck(dir.str());
}

TEST(WeatherDatabase, MoreThanThreeHundredMonths) {
  MemFileSystem fs;
  int marker = 0;
  {
    WeatherDatabase db(fs);
    EXPECT_EQ(db.OpenDatabase("station"), kDbNoFiles);
    for (int i = 0; i < 320; ++i) AppendDay(db, 1990 + i / 12, 1 + i % 12, 15, {60}, &marker);
  }
  WeatherDatabase db(fs);
  ASSERT_EQ(db.OpenDatabase("station"), 0);
  EXPECT_EQ(db.month_count(), 320);
  EXPECT_EQ(db.NumberOfDataRecords(), 320);
  RecordBytes rec;
  ASSERT_EQ(db.GetArchiveRecord(&rec, 319), 0);
  EXPECT_EQ(MarkerOf(rec), 319);
  EXPECT_EQ(db.GetClosestArchive(At(2016, 8, 15, 60)), 319);
}

TEST(WeatherDatabase, MidnightBelongsToThePreviousDay) {
  TempDir dir;
  WeatherDatabase db;
  (void)db.OpenDatabase(dir.str());
  int marker = 0;
  AppendDay(db, 2026, 1, 31, {1435}, &marker);
  ASSERT_EQ(db.AppendRecord(Archive(marker, 1440), At(2026, 2, 1, 0)), 0);
  ASSERT_EQ(db.Flush(), 0);
  EXPECT_EQ(db.first_date().GetPackedDate(), PackDate(2026, 1, 31));
  EXPECT_EQ(db.first_date().packed_time, 1435);
  EXPECT_EQ(db.last_date().GetPackedDate(), PackDate(2026, 1, 31));
  EXPECT_EQ(db.last_date().packed_time, 1440);
  EXPECT_EQ(db.month_count(), 1);
  EXPECT_FALSE(std::filesystem::exists(dir.file("2026-02.sqm")));
  EXPECT_EQ(db.GotoDay(1, 31, 2026), 4);
}

TEST(WeatherDatabase, ClosestArchive) {
  TempDir dir;
  BuildSmall(dir.str());  // 12-31 00:05 00:10 24:00 | 01-01 00:05 00:10 | 01-03 10:00
  WeatherDatabase db;
  ASSERT_EQ(db.OpenDatabase(dir.str()), 0);
  struct Case {
    const char* legend;
    DateTime when;
    int archive;
  } cases[] = {
      {"before the first record", At(2025, 11, 2, 100), 0},
      {"exact", At(2025, 12, 31, 10), 1},
      {"nearer the earlier", At(2025, 12, 31, 11), 1},
      {"tie goes to the later", At(2026, 1, 1, 7), 3},
      {"previous day's 24:00 is nearer", At(2026, 1, 1, 1), 2},
      {"day without data, earlier record nearer", At(2026, 1, 2, 1), 4},
      {"day without data, later record nearer", At(2026, 1, 2, 720), 5},
      {"after the last record", At(2026, 3, 1, 0), 5},
  };
  for (const Case& c : cases) EXPECT_EQ(db.GetClosestArchive(c.when), c.archive) << c.legend;

  TempDir empty;
  WeatherDatabase none;
  EXPECT_EQ(none.OpenDatabase(empty.str()), kDbNoFiles);
  EXPECT_EQ(none.GetClosestArchive(At(2026, 1, 1)), -1);
  EXPECT_EQ(none.NumberOfDataRecords(), 0);
}

TEST(WeatherDatabase, AppendsThatWouldBreakTheDayLayoutAreRefused) {
  TempDir dir;
  BuildSmall(dir.str());
  const auto dec = ReadBytes(dir.file("2025-12.sqm"));
  const auto jan = ReadBytes(dir.file("2026-01.sqm"));
  struct Case {
    const char* legend;
    DateTime when;
    int time;
  } cases[] = {
      {"older time on the newest day", At(2026, 1, 3, 500), 500},
      {"the same time as the newest record (a duplicate)", At(2026, 1, 3, 600), 600},
      {"earlier day of the newest month", At(2026, 1, 2, 100), 100},
      {"earlier month with a file", At(2025, 12, 31, 1440), 1440},
      {"earlier month without a file", At(2025, 11, 5, 100), 100},
  };
  for (const Case& c : cases) {
    WeatherDatabase db;
    ASSERT_EQ(db.OpenDatabase(dir.str()), 0);
    EXPECT_EQ(db.AppendRecord(Archive(99, c.time), c.when), -1) << c.legend;
    EXPECT_FALSE(db.last_error().empty()) << c.legend;
    EXPECT_EQ(db.total_records(), 12) << c.legend;
    EXPECT_EQ(db.CloseDatabase(), 0);
    EXPECT_EQ(ReadBytes(dir.file("2025-12.sqm")), dec) << c.legend;
    EXPECT_EQ(ReadBytes(dir.file("2026-01.sqm")), jan) << c.legend;
    EXPECT_FALSE(std::filesystem::exists(dir.file("2025-11.sqm"))) << c.legend;
  }
  // A later time of the newest day, and a later month, are fine.
  WeatherDatabase db;
  ASSERT_EQ(db.OpenDatabase(dir.str()), 0);
  EXPECT_EQ(db.AppendRecord(Archive(6, 601), At(2026, 1, 3, 601)), 0);
  EXPECT_EQ(db.AppendRecord(Archive(7, 5), At(2026, 3, 1, 5)), 0);
  EXPECT_EQ(db.month_count(), 3);
}

// Issue 17: a newest record whose time went back (00:05 after 16:00) does not let
// records at or before the day's latest time in again, also after a reopen.
TEST(WeatherDatabase, AppendsCompareWithTheLatestTimeOfTheDay) {
  TempDir dir;
  {
    WeatherDatabase db;
    ASSERT_EQ(db.OpenDatabase(dir.str()), kDbNoFiles);
    int marker = 0;
    AppendDay(db, 2026, 1, 3, {600, 960, 970}, &marker);
    ASSERT_EQ(db.EditArchiveRecord(Archive(9, 5), 2), 0);  // the newest now says 00:05
    ASSERT_EQ(db.CloseDatabase(), 0);
  }
  WeatherDatabase db;
  ASSERT_EQ(db.OpenDatabase(dir.str()), 0);
  for (const int t : {10, 600, 700, 960}) {
    EXPECT_EQ(db.AppendRecord(Archive(10, t), At(2026, 1, 3, t)), -1) << t;
  }
  EXPECT_EQ(db.total_records(), 5);
  EXPECT_EQ(db.AppendRecord(Archive(11, 990), At(2026, 1, 3, 990)), 0);
  EXPECT_EQ(db.AppendRecord(Archive(12, 990), At(2026, 1, 3, 990)), -1) << "the same moment twice";
}

TEST(WeatherDatabase, AppendedRecordsAreStoredOnceTheHeaderIsFlushed) {
  TempDir dir;
  BuildSmall(dir.str());
  WeatherDatabase db;
  ASSERT_EQ(db.OpenDatabase(dir.str()), 0);
  ASSERT_EQ(db.AppendRecord(Archive(6, 700), At(2026, 1, 3, 700)), 0);
  EXPECT_EQ(Markers(ReadAllStored(dir.str())).size(), 6u);  // written, not yet stored
  ASSERT_EQ(db.Flush(), 0);
  EXPECT_EQ(Markers(ReadAllStored(dir.str())).size(), 7u);
}

TEST(WeatherDatabase, EditsInPlace) {
  TempDir dir;
  BuildSmall(dir.str());
  WeatherDatabase db;
  ASSERT_EQ(db.OpenDatabase(dir.str()), 0);
  ASSERT_EQ(db.EditArchiveRecord(Archive(40, 10), 4), 0);
  ASSERT_EQ(db.EditRecord(Archive(20, 1440), 4), 0);
  EXPECT_EQ(db.EditArchiveRecord(Archive(1, 1), 6), -1);
  EXPECT_EQ(Markers(ReadAllStored(dir.str())), (std::vector<int>{0, 1, 20, 3, 40, 5}));
}

TEST(WeatherDatabase, ReadOnlyDatabaseRefusesChangesAndOpeningNeverWrites) {
  TempDir dir;
  BuildSmall(dir.str());
  const auto before = ReadBytes(dir.file("2026-01.sqm"));
  WeatherDatabase db;
  ASSERT_EQ(db.OpenDatabase(dir.str(), true), 0);
  RecordBytes rec;
  EXPECT_EQ(db.GetArchiveRecord(&rec, 5), 0);
  EXPECT_EQ(db.AppendRecord(Archive(6, 700), At(2026, 1, 3, 700)), -1);
  EXPECT_EQ(db.EditArchiveRecord(Archive(6, 700), 5), -1);
  EXPECT_EQ(db.DeleteArchiveRecord(5), -1);
  EXPECT_EQ(db.CloseDatabase(), 0);
  EXPECT_EQ(ReadBytes(dir.file("2026-01.sqm")), before);
}

TEST(WeatherDatabase, SecondWriterIsRefused) {
  TempDir dir;
  WriterLock first, second;
  std::string error;
  ASSERT_TRUE(first.Acquire(dir.str(), &error)) << error;
  EXPECT_FALSE(second.Acquire(dir.str(), &error));
  EXPECT_NE(error.find("another program"), std::string::npos);
  first.Release();
  EXPECT_TRUE(second.Acquire(dir.str(), &error)) << error;
}

// Issue 17: temporary files of writers that were killed are removed when the folder is
// next opened for writing; those of a process still running stay.
TEST(WeatherDatabase, WriterRemovesTemporaryFilesOfKilledWriters) {
  TempDir dir;
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(child, nullptr, 0), child);
  const std::string dead = std::to_string(child), alive = std::to_string(::getpid());
  const std::vector<std::string> stale = {"download.pending.tmp-" + dead, "rain.db.tmp-" + dead, "2026-01.sqm.tmp"};
  const std::vector<std::string> kept = {"STATION.CFG.tmp-" + alive, "notes.tmp", "2026-01.sqm"};
  for (const auto& n : stale) std::ofstream(dir.file(n)) << "x";
  for (const auto& n : kept) std::ofstream(dir.file(n)) << "x";
  WriterLock lock;
  std::string error;
  ASSERT_TRUE(lock.Acquire(dir.str(), &error)) << error;
  for (const auto& n : stale) EXPECT_FALSE(std::filesystem::exists(dir.file(n))) << n;
  for (const auto& n : kept) EXPECT_TRUE(std::filesystem::exists(dir.file(n))) << n;
}

}  // namespace
}  // namespace sq
