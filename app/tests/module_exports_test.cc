// The functions exported to modules, called as a module calls them (through the C
// declarations of stratoquill/module.h), against a small station database.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/dirs.h"
#include "app/messages.h"
#include "app/station.h"
#include "app/tests/module_fixture.h"
#include "database/daily_summary_object.h"
#include "database/daily_summary_ops.h"
#include "database/tests/db_test_util.h"
#include "database/writer_lock.h"
#include "foundation/clock.h"
#include "foundation/display_units.h"
#include "stratoquill/module.h"

namespace sq {
namespace {

constexpr std::uint32_t kOutsideTemp = 0x00000000;
constexpr std::uint32_t kHighTemp = 0x00000800;
constexpr std::uint32_t kDayHighTemp = 0x00001000;
constexpr std::uint32_t kDayLowTemp = 0x00001800;

// Station "Test" with two days in two months:
//   2025-12-31  01:00 70.0F, 02:00 70.1F               archive numbers 0, 1
//   2026-01-01  00:05 72.0F, 00:10 72.1F, 00:15 72.2F  archive numbers 2, 3, 4
// (each record's temperature in tenths is its marker; highs and lows are missing)
class ModuleExports : public ::testing::Test {
 protected:
  void SetUp() override {
    station_.SetFolder(dir_.str());
    station_.SetName("Test");
    {
      WeatherDatabase db;
      (void)db.OpenDatabase(dir_.str());
      int marker = 700;
      testing::AppendDay(db, 2025, 12, 31, {60, 120}, &marker);
      marker = 720;
      testing::AppendDay(db, 2026, 1, 1, {5, 10, 15}, &marker);
      ASSERT_EQ(db.CloseDatabase(), 0);
    }
    ModuleHost::Get().hooks().station = [this] { return &station_; };
    DisplayUnits::SetTempUnit(DisplayUnits::kFahrenheit);
  }
  void TearDown() override {
    ModuleHost::Get().Reset();
    ModuleHost::Get().SetHooks({});
    DisplayUnits::SetTempUnit(DisplayUnits::kFahrenheit);
  }
  testing::TempDir dir_;
  Station station_;
};

TEST_F(ModuleExports, CountsAndDatesThroughADatabaseHandle) {
  const int db = GetDatabaseHandle();
  ASSERT_GT(db, 0);
  EXPECT_EQ(NumberOfMonthsInDatabase(db), 2);
  EXPECT_EQ(NumberOfDaysInDatabase(db), 2);
  EXPECT_EQ(NumberOfRecordsInDataBase(db), 5);
  int y = 0, m = 0, d = 0, t = 0, count = 0;
  EXPECT_EQ(MonthInfo(db, 1, &y, &m), 0);
  EXPECT_EQ(y * 100 + m, 202601);
  EXPECT_EQ(MonthInfo(db, 2, &y, &m), SQ_BAD_INDEX);
  EXPECT_EQ(DayInfo(db, 0, &y, &m, &d, &count), 0);
  EXPECT_EQ(y * 10000 + m * 100 + d, 20251231);
  EXPECT_EQ(count, 4);
  EXPECT_EQ(DayInfo(db, 2, &y, &m, &d, &count), SQ_BAD_INDEX);
  EXPECT_EQ(DayInfo(db, -1, nullptr, nullptr, nullptr, nullptr), SQ_BAD_INDEX);
  EXPECT_EQ(GotoDay(db, 1, 1, 2026), 5);
  EXPECT_EQ(Goto(db, 1, 2, 2026), -2);
  EXPECT_EQ(Goto(db, 3, 1, 2026), -5);
  EXPECT_EQ(GetFirstDate(db, &y, &m, &d, &t), 0);
  EXPECT_EQ(y * 10000 + m * 100 + d, 20251231);
  EXPECT_EQ(t, 60);
  EXPECT_EQ(GetLastDate(db, &y, &m, &d, &t), 0);
  EXPECT_EQ(t, 15);
  EXPECT_EQ(GetClosestArchive(db, 1, 1, 2026, 11), 3);
  EXPECT_EQ(GetClosestArchive(db, 13, 1, 2026, 11), -1);
  EXPECT_EQ(DestroyDatabaseHandle(db), 0);
  EXPECT_EQ(DestroyDatabaseHandle(db), SQ_BAD_HANDLE);
}

TEST_F(ModuleExports, ReadsRecordsByNumberAndInSequence) {
  const int db = GetDatabaseHandle();
  const int rec = GetWeatherDataHandle();
  ASSERT_EQ(GetRecord(db, rec, 4), 0);
  EXPECT_FLOAT_EQ(GetWeatherData(rec, kOutsideTemp, 1), 72.2f);
  EXPECT_EQ(GetRecordPackedTime(rec), 15);
  EXPECT_EQ(GetRecordType(rec), 1);
  char text[SQ_TEXT_SIZE];
  EXPECT_EQ(GetWeatherDataStr(rec, kOutsideTemp, text, sizeof text), 0);
  EXPECT_STREQ(text, "72.2");
  EXPECT_EQ(GetRecord(db, rec, 5), -1);

  // Goto the first day, then read on: its two summaries, then its archive records.
  EXPECT_EQ(Goto(db, 12, 31, 2025), 0);
  int types[4] = {};
  for (int& type : types) {
    ASSERT_EQ(GetNextRecord(db, rec), 0);
    type = GetRecordType(rec);
  }
  EXPECT_EQ(std::string({char('0' + types[0]), char('0' + types[1]), char('0' + types[2]), char('0' + types[3])}),
            "2311");
  int y = 0, m = 0, d = 0, t = 0;
  EXPECT_EQ(GetDateLastRead(db, &y, &m, &d, &t), 1);
  EXPECT_EQ(t, 120);
}

TEST_F(ModuleExports, HandlesThatNameNothing) {
  const int db = GetDatabaseHandle();
  const int rec = GetWeatherDataHandle();
  const int sum = GetDailySummaryHandle();
  char buf[32];
  // A handle of another kind names nothing either.
  for (const int bad : {0, -3, 9999, rec}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(NumberOfMonthsInDatabase(bad), SQ_BAD_HANDLE);
    EXPECT_EQ(GetRecord(bad, rec, 0), SQ_BAD_HANDLE);
    EXPECT_EQ(::GetDailySummary(bad, sum, 1, 1, 2026), SQ_BAD_HANDLE);
  }
  for (const int bad : {0, db, sum}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(GetWeatherData(bad, kOutsideTemp, 0), -1600.0f);
    EXPECT_EQ(GetWeatherDataStr(bad, kOutsideTemp, buf, sizeof buf), SQ_BAD_HANDLE);
    EXPECT_EQ(SetRecordDate(bad, 1, 1, 2026, 10), SQ_BAD_HANDLE);
    EXPECT_EQ(DestroyWeatherDataHandle(bad), SQ_BAD_HANDLE);
  }
  EXPECT_EQ(GetSummaryData(rec, kDayHighTemp, 0), -1600.0f);
  EXPECT_EQ(GetDailySummaryIndex(db, sum, 2), SQ_BAD_INDEX);
  EXPECT_EQ(DestroyDailySummaryHandle(sum), 0);
  EXPECT_EQ(GetDailySummaryIndex(db, sum, 0), SQ_BAD_HANDLE);
}

TEST_F(ModuleExports, AppendsEditsAndSummarisesUnderTheWriterLock) {
  const int db = GetDatabaseHandle();
  const int rec = GetWeatherDataHandle();
  ASSERT_EQ(SetRecordDate(rec, 1, 1, 2026, 20), 0);
  DataRecord r = NewDataRecord();
  r.record_type = 1;
  r.archive_interval = 5;
  r.packed_time = 20;
  ASSERT_TRUE(ModuleHost::Get().Record(rec)->SetRecordBytes(ToBytes(r)));
  EXPECT_EQ(SetWeatherData(rec, kOutsideTemp, 80.5f, 1), 1);
  EXPECT_EQ(SetWeatherData(rec, kHighTemp, 80.5f, 1), 1);
  EXPECT_EQ(AppendArchiveRecord(db, rec), 0);
  EXPECT_EQ(NumberOfRecordsInDataBase(db), 6);
  // Older than the newest record: refused, nothing written.
  ASSERT_EQ(SetRecordDate(rec, 1, 1, 2026, 12), 0);
  EXPECT_EQ(AppendArchiveRecord(db, rec), -1);

  ASSERT_EQ(GetRecord(db, rec, 2), 0);
  EXPECT_EQ(SetWeatherData(rec, kOutsideTemp, 60.0f, 1), 1);
  EXPECT_EQ(EditArchiveRecord(db, rec, 2), 0);

  // Another writer holds the station: module writes fail cleanly.
  {
    WriterLock other;
    std::string error;
    ASSERT_TRUE(other.Acquire(dir_.str(), &error));
    EXPECT_EQ(EditArchiveRecord(db, rec, 2), -1);
  }

  // The day's summary, built and stored through the exports.
  const int sum = GetDailySummaryHandle();
  ASSERT_EQ(ResetSummary(sum, 1, 1, 2026), 0);
  for (int a = 2; a <= 5; ++a) {
    ASSERT_EQ(GetRecord(db, rec, a), 0);
    EXPECT_EQ(SummarizeDataRecord(sum, rec), 1);
  }
  EXPECT_EQ(FinalSummarizeData(sum), 1);
  EXPECT_EQ(IsSameDate(sum, 1, 1, 2026), 1);
  EXPECT_EQ(EditSummaryRecord(db, sum), 1);

  // What a fresh reader finds on disk.
  WeatherDatabase check;
  ASSERT_EQ(check.OpenDatabase(dir_.str()), 0);
  EXPECT_EQ(check.NumberOfDataRecords(), 6);
  DailySummaryObject stored;
  ASSERT_EQ(sq::GetDailySummary(check, stored, DateTime(1, 1, 2026)), 1);
  EXPECT_FLOAT_EQ(stored.GetWeatherData(WeatherDataID(kDayHighTemp), true), 80.5f);
  // Records made by AppendDay carry no high/low of their own: the low stays missing.
  EXPECT_EQ(stored.GetWeatherData(WeatherDataID(kDayLowTemp), true), -32768.0f);
  const int sum2 = GetDailySummaryHandle();
  EXPECT_EQ(GetDailySummaryIndex(db, sum2, 1), 1);
  EXPECT_FLOAT_EQ(GetSummaryData(sum2, kDayHighTemp, 1), 80.5f);
  EXPECT_EQ(GetSummaryTimeValue(sum2, kDayHighTemp), 20);
}

TEST_F(ModuleExports, UnitsTextAndStation) {
  SetTempUnit(1);
  EXPECT_FLOAT_EQ(ConvertTemp(77.0f, 0), 25.0f);
  EXPECT_FLOAT_EQ(ConvertTemp(25.0f, 1), 77.0f);
  EXPECT_EQ(ConvertTemp(25.0f, 3), -32768.0f);
  char buf[SQ_TEXT_SIZE];
  EXPECT_STREQ(TempStr(77.0f, buf, 0), "25.0");
  EXPECT_STREQ(DomDirStr(16, buf), "---");
  EXPECT_STREQ(BarTrendStr(-80, buf), "Falling Rapidly");
  EXPECT_FLOAT_EQ(CalcDew(70.0f, 100.0f), 70.0f);
  EXPECT_EQ(GetSensorName(0, 4, buf, sizeof buf), SQ_BAD_INDEX);

  EXPECT_STREQ(GetStratoquillStrs(3), "Test");
  EXPECT_EQ(std::string(GetStratoquillStrs(2)), dir_.str());
  EXPECT_STREQ(GetStratoquillStrs(9), "");
  EXPECT_EQ(GetStationModel(), 5);
  EXPECT_EQ(GetStationSensorMask(0), station_.record().sensors[0]);
  EXPECT_EQ(GetStationSensorMask(1), 0u);
  EXPECT_EQ(GetStationModemPort(), -1);
  // Nothing wired to the console or the internet settings: a clean "no".
  SqSensorImage image;
  EXPECT_EQ(GetCalibratedSensorImage(&image), 0);
  EXPECT_EQ(GetInetConfig(), nullptr);
  EXPECT_EQ(GetRASdllOK(), 0);
  EXPECT_EQ(DialInet(), 1);

  unsigned char block[SQ_REPORT_DATA_SIZE];
  std::memset(block, 0xEE, sizeof block);
  EXPECT_EQ(GetChillHoursReportData(block), 1);
  EXPECT_EQ(block[0], 0);  // never written
  block[0] = 45;
  EXPECT_EQ(SetChillHoursReportData(block), 1);
  std::memset(block, 0, sizeof block);
  EXPECT_EQ(GetSunHoursReportData(block), 1);
  EXPECT_EQ(block[0], 0);
  EXPECT_EQ(GetChillHoursReportData(block), 1);
  EXPECT_EQ(block[0], 45);

  ModuleHost::Get().SetHooks({});
  EXPECT_EQ(GetStationModel(), -1);
  EXPECT_EQ(GetDatabaseHandle(), -1);
  EXPECT_EQ(GetChillHoursReportData(block), 0);
}

TEST_F(ModuleExports, SampleModuleReadsTheDatabase) {
  test::ModuleFolder f;
  f.Install("sample_module");
  f.WriteList("sample_module.so\n");
  ASSERT_EQ(f.Load(), 1);
  // The event logs into the program folder's "download.log".
  const std::string previous = ProgramFolder();
  SetProgramFolder(f.home());
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(Modules().ExecuteModuleCommand(42000), 0);
  EXPECT_EQ(Modules().ExecuteModuleCommand(42001), 0);
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("Newest record 4:"), std::string::npos) << out;
  EXPECT_NE(out.find("outside 72.2"), std::string::npos) << out;
  EXPECT_NE(out.find("Day 2026-01-01: high"), std::string::npos) << out;
  // A download appends meanwhile: the next command sees its records.
  {
    WeatherDatabase download;
    ASSERT_EQ(download.OpenDatabase(dir_.str()), 0);
    int marker = 750;
    testing::AppendDay(download, 2026, 1, 2, {5}, &marker);
    ASSERT_EQ(download.CloseDatabase(), 0);
  }
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(Modules().ExecuteModuleCommand(42000), 0);
  const std::string after = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(after.find("Newest record 5:"), std::string::npos) << after;
  // Its quarter-hour event runs from the run loop's check, and logs.
  FakeClock clock(0);
  ASSERT_EQ(evtManager.GetEventCount(), 1);
  EXPECT_EQ(RunModuleEvents(clock, false), 1);
  EXPECT_EQ(RunModuleEvents(clock, false), 0);  // once in its window
  clock.Advance(5 * 60 * 1000);
  EXPECT_EQ(RunModuleEvents(clock, false), 0);
  clock.Advance(10 * 60 * 1000);
  EXPECT_EQ(RunModuleEvents(clock, true), 0);  // never while a job runs
  EXPECT_EQ(RunModuleEvents(clock, false), 1);
  SetProgramFolder(previous);
  EXPECT_NE(testing::ReadText(f.home() + "/download.log").find("Sample event fired at minute 15"), std::string::npos);
}

std::string g_trace;
void TraceCallback(std::intptr_t, int count, const std::uint32_t*) {
  g_trace += ModuleHost::Get().attendance() == Attendance::kUnattended ? "silent:" : "loud:";
  g_trace += std::to_string(count) + ";";
}

TEST(ModuleEventCheck, SilentAndRealTimePausedAroundTheCallbacks) {
  g_trace.clear();
  ModuleHost::Get().hooks().pause_realtime = [](bool pause) { g_trace += pause ? "pause;" : "resume;"; };
  SqModuleEvent e{};
  e.repeat = 1;
  e.period = 1;
  e.callback = TraceCallback;
  ASSERT_NE(evtManager.AddModuleEvent(&e), 0u);
  FakeClock clock(10 * 60 * 1000);
  EXPECT_EQ(RunModuleEvents(clock, true), 0);  // a download runs
  EXPECT_EQ(RunModuleEvents(clock, false), 1);
  EXPECT_EQ(RunModuleEvents(clock, false), 0);  // nothing due: no pause either
  EXPECT_EQ(ModuleHost::Get().attendance(), Attendance::kAttended);
  EXPECT_EQ(g_trace, "pause;silent:1;resume;");
  evtManager.Clear();
  ModuleHost::Get().SetHooks({});
}

}  // namespace
}  // namespace sq
