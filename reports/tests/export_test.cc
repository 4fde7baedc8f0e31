// Browser pages, exports and the automatic export file of a small fixture database
// with missing values, compared with golden files (the build target regenerate-golden
// rewrites them).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>

#include "app/station.h"
#include "database/daily_summary_ops.h"
#include "reports/auto_export.h"
#include "reports/browser_lines.h"
#include "reports/record_range.h"
#include "reports/station_data_lists.h"
#include "reports/text_export.h"
#include "test_support/files.h"
#include "test_support/golden.h"
#include "test_support/temp_dir.h"

namespace sq {
namespace {

using ID = WeatherDataID;
using testing::ReadText;
using testing::TempDir;

using testing::ExpectGolden;

constexpr std::string_view kGolden = "reports/tests/golden";

struct Rec {
  int time;
  float temp, hi, low, hum, wind, baro, rain;
};
constexpr float kNone = DisplayUnits::kMissingFloat;

// Two March days; the first ends with a record at midnight, values are missing here
// and there.
void BuildFixture(const std::string& folder) {
  WeatherDatabase db;
  ASSERT_EQ(db.OpenDatabase(folder), kDbNoFiles);
  const std::pair<int, std::vector<Rec>> days[] = {
      {14,
       {{600, 72.5f, 73.0f, 72.0f, 55, 5, 30.012f, 0.01f},
        {605, kNone, kNone, kNone, 56, kNone, 30.010f, 0},
        {1440, 60.1f, 61.0f, 59.8f, 80, 0, 29.998f, kNone}}},
      {15, {{5, 59.9f, 60.0f, 59.7f, 81, 3, 29.990f, 0.02f}, {10, 59.5f, 59.9f, 59.4f, 82, 2, kNone, 0}}},
  };
  for (const auto& [day, recs] : days) {
    // Stored the way a download stores a day: its summary first, finished at the end.
    const DateTime d(3, day, 2026);
    DailySummaryObject summary;
    summary.Reset(d);
    ASSERT_EQ(WriteDailySummary(db, summary), 1) << db.last_error();
    for (const Rec& r : recs) {
      WeatherDataObject o;
      ASSERT_EQ(o.SetPackedTime(r.time), 1);
      ASSERT_EQ(o.SetArchivePer(5), 1);
      auto set = [](int rc) { EXPECT_TRUE(rc == 1); };
      if (r.temp != kNone) {
        set(o.SetTemp(ID::OutsideTemp(), r.temp, true));
        set(o.SetTemp(ID::HighTemp(), r.hi, true));
        set(o.SetTemp(ID::LowTemp(), r.low, true));
      }
      set(o.SetHum(ID::OutsideHum(), r.hum, true));
      if (r.wind != kNone) {
        set(o.SetWindSpeed(ID::WindSpeed(), r.wind, true));
        set(o.SetWindSpeed(ID::HighWindSpeed(), r.wind + 4, true));
        set(o.SetWindDir(ID::WindDirection(), 4, true));
      }
      if (r.baro != kNone) set(o.SetBarometer(ID::Barometer(), r.baro, true));
      set(o.SetRain(ID::Rain(), r.rain, true));
      DateTime when = d;
      when.packed_time = static_cast<std::int16_t>(r.time);
      when.UnpackTime();
      o.date = when;
      ASSERT_EQ(summary.ProcessDataRecord(o), 1);
      ASSERT_EQ(db.AppendRecord(o.GetRecordBytes(), when), 0) << db.last_error();
    }
    ASSERT_EQ(summary.FinalProcessData(), 1);
    ASSERT_EQ(WriteDailySummary(db, summary), 1) << db.last_error();
  }
  ASSERT_EQ(db.CloseDatabase(), 0);
}

class ExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DateTime::dateChoice = 0;
    DateTime::dateSepChar = '/';
    DateTime::timeChoice = 1;
    DateTime::timeSepChar = ':';
    DisplayUnits::SetTempUnit(DisplayUnits::kFahrenheit);
    DisplayUnits::SetBarUnit(DisplayUnits::kBarInches);
    DisplayUnits::SetWindSpeedUnit(DisplayUnits::kMph);
    DisplayUnits::SetRainUnit(DisplayUnits::kRainInches);
    BuildFixture(dir_.str());
    ASSERT_EQ(db_.OpenDatabase(dir_.str(), true), 0);
    // Outside temperature and humidity, barometer, wind speed and direction, rain.
    archive_ = CopyList(*lists_.List(kArchiveBrowserList), kCopyAllActive);
    DataList daily("Daily", &sets_);
    for (int i = 0; i < sets_.Set(kDailySet)->Count(); ++i) ASSERT_TRUE(daily.Add(kDailySet, i, true));
    daily_ = daily;
  }

  TempDir dir_;
  WeatherDatabase db_;
  DataSets sets_ = DefaultDataSets();
  DataLists lists_ = DefaultDataLists(&sets_, ListSensors{{0x8711, 0}, false, false});
  DataList archive_;
  DataList daily_;
  DateTime from_{3, 14, 2026};
  DateTime to_{3, 15, 2026};
};

TEST_F(ExportTest, BrowserPages) {
  std::string page, line;
  const Columns cols = ActiveColumns(archive_);
  for (int n = 1; n <= 3; ++n) {
    int width = 200;
    BrowserHeaderLine(n, cols, true, 0, &width, &line);
    page += line + "\n";
  }
  ASSERT_EQ(ForEachArchiveRecord(db_, from_, to_, {},
                                 [&](const WeatherDataObject& rec) {
                                   int width = 200;
                                   ArchiveBrowserLine(rec, cols, true, 0, &width, &line);
                                   page += line + "\n";
                                   return true;
                                 }),
            0);
  ExpectGolden(kGolden, "browse_archive.txt", page);

  page.clear();
  const Columns day_cols = ActiveColumns(daily_);
  for (int n = 1; n <= 3; ++n) {
    int width = 80;
    BrowserHeaderLine(n, day_cols, false, 2, &width, &line);
    page += line + "\n";
  }
  ASSERT_EQ(ForEachDay(db_, from_, to_, {},
                       [&](const DailySummaryObject& day) {
                         int width = 80;
                         DailyBrowserLine(day, day_cols, false, 2, &width, &line);
                         page += line + "\n";
                         return true;
                       }),
            0);
  ExpectGolden(kGolden, "browse_daily.txt", page);
}

TEST_F(ExportTest, ExportFiles) {
  struct Row {
    const char* golden;
    bool daily;
    bool with_time;
    char sep;
    long lines;
  };
  const Row rows[] = {{"export_archive.csv", false, true, ',', 5},
                      {"export_archive_notime.txt", false, false, '\t', 5},
                      {"export_daily.txt", true, true, '\t', 2}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.golden);
    ExportOptions opt;
    opt.from = from_;
    opt.to = to_;
    opt.daily = row.daily;
    opt.with_time = row.with_time;
    opt.separator = row.sep;
    long lines = 0;
    ASSERT_EQ(ExportToFile(db_, row.daily ? daily_ : archive_, opt, dir_.file("out.txt"), &lines), kExportOk);
    EXPECT_EQ(lines, row.lines);
    ExpectGolden(kGolden, row.golden, ReadText(dir_.file("out.txt")));
  }
  // One day only, and a file that cannot be created.
  ExportOptions opt;
  opt.from = opt.to = to_;
  long lines = 0;
  ASSERT_EQ(ExportToFile(db_, archive_, opt, dir_.file("one.txt"), &lines), kExportOk);
  EXPECT_EQ(lines, 2);
  EXPECT_EQ(ExportToFile(db_, archive_, opt, dir_.file("no/such/folder.txt")), kExportFailed);
}

TEST_F(ExportTest, AutomaticExportFile) {
  ASSERT_EQ(CreateAutoExportFile(db_, dir_.str(), *lists_.List(kPlotList), 1, {}), 0);
  const std::string text = ReadText(dir_.file("download.txt"));
  ExpectGolden(kGolden, "download.txt", text);
  // Stepping back further than the first date starts at the first date.
  ASSERT_EQ(CreateAutoExportFile(db_, dir_.str(), *lists_.List(kPlotList), 30, {}, NumberedAutoExportName(30)), 0);
  EXPECT_EQ(ReadText(dir_.file("downld31.txt")), text);
  // Zero days: the last day only.
  ASSERT_EQ(CreateAutoExportFile(db_, dir_.str(), *lists_.List(kPlotList), 0, {}), 0);
  const std::string last_day = ReadText(dir_.file("download.txt"));
  EXPECT_EQ(std::count(last_day.begin(), last_day.end(), '\n'), 3 + 2);
  EXPECT_EQ(CreateAutoExportFile(db_, dir_.file("missing"), *lists_.List(kPlotList), 1, {}), -1);
}

// A write that fails anywhere in an export (a full disk) leaves the old file as it was
// and no temporary file beside it.
TEST_F(ExportTest, FailedExportKeepsTheOldFile) {
  ExportOptions opt;
  opt.from = from_;
  opt.to = to_;
  const std::string path = dir_.file("download.txt");
  const std::function<bool(FileSystem&)> exports[] = {
      [&](FileSystem& fs) { return ExportToFile(db_, archive_, opt, path, nullptr, fs) == kExportOk; },
      [&](FileSystem& fs) {
        return CreateAutoExportFile(db_, dir_.str(), *lists_.List(kPlotList), 1, {}, {}, fs) == 0;
      },
  };
  for (const auto& write : exports) {
    long calls = 0;
    {
      FaultFileSystem count(DefaultFileSystem());
      count.Arm(FaultFileSystem::Mode::kFail, 1L << 40);
      ASSERT_TRUE(write(count));
      calls = count.mutations();
    }
    ASSERT_GE(calls, 3);
    for (long n = 1; n <= calls; ++n) {
      SCOPED_TRACE("write " + std::to_string(n) + " fails");
      testing::WriteText(path, "the old export\n");
      FaultFileSystem fs(DefaultFileSystem());
      fs.Arm(FaultFileSystem::Mode::kFail, n);
      EXPECT_FALSE(write(fs));
      EXPECT_EQ(ReadText(path), "the old export\n");
      EXPECT_FALSE(std::filesystem::exists(TemporaryNameFor(path)));
    }
  }
}

TEST_F(ExportTest, StationChoosesTheExportList) {
  ForgetStationDataLists();
  Station station;
  station.SetFolder(dir_.str());
  const StationDataLists& data = DataListsOf(station);
  struct Row {
    const char* legend;
    int index;
    int expected_list;
  };
  const Row rows[] = {{"the chosen list", kPlotList, kPlotList}, {"no such list", 77, kArchiveBrowserList}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.legend);
    station.SetExportList(row.index);
    ASSERT_EQ(CreateNumberedAutoExportFile(station, db_, 1), 1);
    ASSERT_EQ(CreateAutoExportFile(db_, dir_.str(), *data.lists.List(row.expected_list), 1,
                                   station.GetSiteDescription(), "want.txt"),
              0);
    EXPECT_EQ(ReadText(dir_.file("downld02.txt")), ReadText(dir_.file("want.txt")));
  }
  station.SetFolder(dir_.file("missing"));
  EXPECT_EQ(CreateNumberedAutoExportFile(station, db_, 1), 0);
  ForgetStationDataLists();
}

}  // namespace
}  // namespace sq
