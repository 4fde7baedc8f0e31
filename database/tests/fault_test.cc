// Every write of an append, edit or deletion is failed, or the process is cut off at
// it; whatever happens, every month file must still open and pass the checks, and no
// record stored before the operation may be lost.
#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "database/tests/db_test_util.h"

namespace sq {
namespace {

using testing::Archive;
using testing::At;
using testing::MarkerOf;
using testing::Markers;
using testing::ReadAllStored;
using testing::TempDir;

// Markers 0..5: 2024-01 day 1 {0,1,2}, day 2 {3}; 2024-02 day 1 {4,5}.
void Build(const std::string& folder) {
  WeatherDatabase db;
  (void)db.OpenDatabase(folder);
  int m = 0;
  testing::AppendDay(db, 2024, 1, 1, {60, 120, 180}, &m);
  testing::AppendDay(db, 2024, 1, 2, {60}, &m);
  testing::AppendDay(db, 2024, 2, 1, {60, 120}, &m);
}

// Appends a day as a download does, stopping at the first failure; the test judges
// what is left on disk.
void AppendDayUntilFailure(WeatherDatabase& db, int y, int mo, int d) {
  (void)(db.AppendRecord(ToBytes(NewDailySummary1()), At(y, mo, d)) == 0 &&
         db.AppendRecord(ToBytes(NewDailySummary2()), At(y, mo, d)) == 0 &&
         db.AppendRecord(Archive(6, 60), At(y, mo, d, 60)) == 0 &&
         db.AppendRecord(Archive(7, 120), At(y, mo, d, 120)) == 0 && db.Flush() == 0);
}

struct Operation {
  const char* legend;
  std::function<void(WeatherDatabase&)> run;
  std::vector<int> after;  // markers once the operation has completed
  bool appends;            // the result may also hold a prefix of the new records
};

const Operation kOperations[] = {
    {"append a day in a new month",
     [](auto& db) { AppendDayUntilFailure(db, 2024, 3, 1); },
     {0, 1, 2, 3, 4, 5, 6, 7},
     true},
    {"append a day in the newest month",
     [](auto& db) { AppendDayUntilFailure(db, 2024, 2, 2); },
     {0, 1, 2, 3, 4, 5, 6, 7},
     true},
    {"edit a record", [](auto& db) { (void)db.EditArchiveRecord(Archive(40, 60), 4); }, {0, 1, 2, 3, 40, 5}, false},
    {"delete a record", [](auto& db) { (void)db.DeleteArchiveRecord(1); }, {0, 2, 3, 4, 5}, false},
    {"delete a day", [](auto& db) { (void)db.DeleteDay(1, 1, 2024); }, {3, 4, 5}, false},
    {"delete a month", [](auto& db) { (void)db.DeleteMonth(1, 2024); }, {4, 5}, false},
};

long CountMutations(const Operation& op) {
  TempDir dir;
  Build(dir.str());
  FaultFileSystem fs(DefaultFileSystem());
  fs.Arm(FaultFileSystem::Mode::kFail, LONG_MAX);
  {
    WeatherDatabase db(fs);
    EXPECT_EQ(db.OpenDatabase(dir.str()), 0);
    op.run(db);
  }
  EXPECT_EQ(Markers(ReadAllStored(dir.str())), op.after) << "without faults";
  return fs.mutations();
}

bool IsPrefix(const std::vector<int>& a, const std::vector<int>& b) {
  return a.size() <= b.size() && std::equal(a.begin(), a.end(), b.begin());
}

TEST(FaultInjection, EveryWriteOfEveryOperation) {
  const std::vector<int> before = {0, 1, 2, 3, 4, 5};
  for (const Operation& op : kOperations) {
    const long total = CountMutations(op);
    ASSERT_GT(total, 0) << op.legend;
    for (auto mode : {FaultFileSystem::Mode::kFail, FaultFileSystem::Mode::kStop}) {
      for (long n = 1; n <= total; ++n) {
        SCOPED_TRACE(std::string(op.legend) + (mode == FaultFileSystem::Mode::kFail ? ", failing" : ", stopping") +
                     " at write " + std::to_string(n));
        TempDir dir;
        Build(dir.str());
        {
          FaultFileSystem fs(DefaultFileSystem());
          fs.Arm(mode, n);
          WeatherDatabase db(fs);
          ASSERT_EQ(db.OpenDatabase(dir.str()), 0);
          op.run(db);
        }
        // A failure between a day's two summary records leaves the day started with one
        // of them, which the next download completes; nothing else may be found.
        testing::ExpectCleanCheck(dir.str(), op.appends ? "two summary records" : nullptr);
        const auto stored = ReadAllStored(dir.str());
        const std::vector<int> now = Markers(stored);
        if (op.appends) {
          EXPECT_TRUE(IsPrefix(before, now) && IsPrefix(now, op.after)) << ::testing::PrintToString(now);
        } else {
          EXPECT_TRUE(now == before || now == op.after) << ::testing::PrintToString(now);
        }
        // The database opens whole and its numbering reaches every stored record.
        WeatherDatabase db;
        ASSERT_EQ(db.OpenDatabase(dir.str()), 0);
        EXPECT_TRUE(db.problems().empty());
        if (!testing::DaysComplete(stored)) continue;  // archive numbering counts two summaries a day
        ASSERT_EQ(db.NumberOfDataRecords(), static_cast<int>(now.size()));
        RecordBytes rec;
        for (int a = 0; a < db.NumberOfDataRecords(); ++a) {
          ASSERT_EQ(db.GetArchiveRecord(&rec, a), 0);
          EXPECT_EQ(MarkerOf(rec), now[a]);
        }
      }
    }
  }
}

// A failed write leaves the database usable in memory: the same append, tried again,
// lands where it belongs.
TEST(FaultInjection, FailedAppendCanBeRetried) {
  TempDir dir;
  Build(dir.str());
  FaultFileSystem fs(DefaultFileSystem());
  fs.Arm(FaultFileSystem::Mode::kFail, 1);
  {
    WeatherDatabase db(fs);
    ASSERT_EQ(db.OpenDatabase(dir.str()), 0);
    EXPECT_EQ(db.AppendRecord(Archive(6, 180), At(2024, 2, 1, 180)), -1);
    EXPECT_EQ(db.total_records(), 12);
    EXPECT_EQ(db.AppendRecord(Archive(6, 180), At(2024, 2, 1, 180)), 0);
  }
  EXPECT_EQ(Markers(ReadAllStored(dir.str())), (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
}

}  // namespace
}  // namespace sq
