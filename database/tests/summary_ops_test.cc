// Summaries stored in and recomputed from a real month file, the extra-radiation
// recompute, the degree-day methods and the daylight-hours count.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "database/daily_summary_ops.h"
#include "database/daylight_hours.h"
#include "database/tests/db_test_util.h"
#include "database/tests/summary_fixture.h"
#include "database/tests/values_fixture.h"
#include "foundation/astronomy.h"
#include "foundation/weather_calc.h"

namespace sq {
namespace {

using ID = WeatherDataID;
using testing::At;
using testing::DownloadDay;
using testing::Hours;
using testing::Rec;
using testing::TempDir;

class SummaryOpsTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::DefaultUnits(); }
  void TearDown() override { testing::DefaultUnits(); }
  TempDir folder_;
};

TEST_F(SummaryOpsTest, WrittenSummaryReadsBackAfterReopen) {
  {
    WeatherDatabase db;
    ASSERT_NE(db.OpenDatabase(folder_.str()), kDbError);
    DownloadDay(db, DateTime(3, 1, 2026), {Rec(600, 30, 500), Rec(630, 30, 600)});
    DownloadDay(db, DateTime(3, 2, 2026), {Rec(60, 60, 700)});
    ASSERT_EQ(db.CloseDatabase(), kDbOk);
  }
  WeatherDatabase db;
  ASSERT_EQ(db.OpenDatabase(folder_.str(), true), kDbOk);
  // The day layout: the two summaries first in each day.
  std::int32_t start = 0, end = 0;
  ASSERT_EQ(db.GetStartEndRecNo(DateTime(3, 1, 2026), &start, &end), kDbOk);
  EXPECT_EQ(end - start + 1, 4);
  DailySummaryObject s;
  ASSERT_EQ(GetDailySummary(db, s, DateTime(3, 1, 2026)), 1);
  EXPECT_FALSE(s.GetEditStatus());
  EXPECT_TRUE(s.SameDate(DateTime(3, 1, 2026)));
  EXPECT_FLOAT_EQ(s.GetWeatherData(ID::Make(0, 0, ID::kStatDayAverage, 0, 0), true), 55.0f);
  EXPECT_FLOAT_EQ(s.GetWeatherData(ID::Make(0, 0, ID::kStatDayHigh, 0, 0), true), 60.0f);
  EXPECT_EQ(s.GetTimeValue(ID::Make(0, 0, ID::kStatDayHigh, 0, 0)), 630);
  EXPECT_FLOAT_EQ(s.GetWeatherData(ID::Make(0, 2, ID::kStatDayTotal, ID::kCatRain, 0), true), 0.04f);
  EXPECT_FLOAT_EQ(s.GetHeatingDD(), 0.4f);
  ASSERT_EQ(GetDailySummary(db, s, DateTime(3, 2, 2026)), 1);
  EXPECT_FLOAT_EQ(s.GetWeatherData(ID::Make(0, 0, ID::kStatDayLow, 0, 0), true), 70.0f);
  EXPECT_EQ(GetDailySummary(db, s, DateTime(3, 3, 2026)), 0);  // no such day
}

TEST_F(SummaryOpsTest, RecomputeRestoresDamagedSummaries) {
  WeatherDatabase db;
  ASSERT_NE(db.OpenDatabase(folder_.str()), kDbError);
  DownloadDay(db, DateTime(3, 1, 2026), {Rec(600, 30, 500), Rec(630, 30, 600)});
  DownloadDay(db, DateTime(3, 2, 2026), Hours(24, 400));
  RecordBytes before1, before2;
  ASSERT_EQ(db.GetRecord(&before1, 0), kDbOk);
  ASSERT_EQ(db.GetRecord(&before2, 4), kDbOk);
  // Blank both days' first summaries, then recompute the whole database.
  ASSERT_EQ(db.EditRecord(ToBytes(NewDailySummary1()), 0), kDbOk);
  ASSERT_EQ(db.EditRecord(ToBytes(NewDailySummary1()), 4), kDbOk);
  std::size_t last_done = 0;
  EXPECT_EQ(CalcDailySummary(db, SiteDescription(), [&](std::size_t done, std::size_t) { last_done = done; }), 1);
  EXPECT_EQ(last_done, 2u);
  RecordBytes after1, after2;
  ASSERT_EQ(db.GetRecord(&after1, 0), kDbOk);
  ASSERT_EQ(db.GetRecord(&after2, 4), kDbOk);
  EXPECT_EQ(after1, before1);
  EXPECT_EQ(after2, before2);
}

TEST_F(SummaryOpsTest, WriteRefusesDayWithoutSummaryRecords) {
  WeatherDatabase db;
  ASSERT_NE(db.OpenDatabase(folder_.str()), kDbError);
  // A damaged day: archive records where its summaries should be.
  ASSERT_EQ(db.AppendRecord(ToBytes(Rec(60, 60, 500)), At(2026, 3, 1, 60)), kDbOk);
  ASSERT_EQ(db.AppendRecord(ToBytes(Rec(120, 60, 500)), At(2026, 3, 1, 120)), kDbOk);
  DailySummaryObject s;
  s.Reset(DateTime(3, 1, 2026));
  EXPECT_EQ(WriteDailySummary(db, s), 0);
  RecordBytes r;
  ASSERT_EQ(db.GetRecord(&r, 0), kDbOk);
  EXPECT_EQ(r[0], kRecordTypeArchive);  // left as it was
  EXPECT_EQ(SummarizeDay(db, DateTime(3, 1, 2026), SiteDescription()), 0);
}

TEST_F(SummaryOpsTest, ExtraRadiationNeedsPositionSolarAndDewPoint) {
  WeatherDatabase db;
  ASSERT_NE(db.OpenDatabase(folder_.str()), kDbError);
  DataRecord no_solar = Rec(780, 60, 700);
  no_solar.solar_rad = kNoValue16;
  DataRecord no_hum = Rec(840, 60, 700);
  no_hum.outside_hum = kNoValue16;
  DownloadDay(db, DateTime(6, 21, 2026), {Rec(720, 60, 700), no_solar, no_hum});
  auto extra_of = [&](std::int32_t n) {
    RecordBytes b;
    EXPECT_EQ(db.GetRecord(&b, n), kDbOk);
    return DecodeDataRecord(b)->extra_rad;
  };

  SiteDescription site;
  site.latitude = 45.0;
  site.longitude = -93.0;
  site.time_zone_hours = -6;
  ASSERT_EQ(CalcExtraRad(db, site), 1);
  AstronomyState astro;
  astro.SetSite(site);
  astro.THSWIdailyAstronomyTasks(DateTime(6, 21, 2026), site.longitude);
  DateTime noon = At(2026, 6, 21, 720);
  const int want = astro.ExtraRadCalc(noon, 400.0f, static_cast<int>(CalcDew(70.0f, 50.0f)));
  EXPECT_EQ(extra_of(2), want);
  EXPECT_NE(want, kNoValue16);
  EXPECT_EQ(extra_of(3), kNoValue16);
  EXPECT_EQ(extra_of(4), kNoValue16);

  site.latitude = -500;  // position not set
  ASSERT_EQ(CalcExtraRad(db, DateTime(6, 21, 2026), site), 1);
  EXPECT_EQ(extra_of(2), kNoValue16);
}

TEST_F(SummaryOpsTest, DegreeDayMethods) {
  WeatherDatabase db;
  ASSERT_NE(db.OpenDatabase(folder_.str()), kDbError);
  DownloadDay(db, DateTime(1, 1, 2026), Hours(24, 450));  // 20 F below base all day
  DownloadDay(db, DateTime(1, 3, 2026), Hours(12, 550));  // half a day, 10 below

  std::vector<std::string> asked;
  DegDayPrompts ok{[&](const std::string& q) {
                     asked.push_back(q);
                     return true;
                   },
                   {}};
  DegDayPrompts cancel{[&](const std::string& q) {
                         asked.push_back(q);
                         return false;
                       },
                       {}};
  double total = -1;

  EXPECT_EQ(DegDayHighLowMethod(db, DateTime(1, 1, 2026), DateTime(1, 31, 2026), &total, 65.0f, ok), 0);
  EXPECT_DOUBLE_EQ(total, 20.0 + 10.0);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_NE(asked[0].find("(12:00 recorded, 18:00 required)"), std::string::npos) << asked[0];
  EXPECT_NE(asked[0].find("Hi Temp 55.0  Low Temp 55.0"), std::string::npos) << asked[0];

  EXPECT_EQ(DegDayHighLowMethod(db, DateTime(1, 1, 2026), DateTime(1, 31, 2026), &total, 65.0f, cancel), -1);
  // Without the short day nobody is asked.
  asked.clear();
  EXPECT_EQ(DegDayHighLowMethod(db, DateTime(1, 1, 2026), DateTime(1, 2, 2026), &total, 65.0f, cancel), 0);
  EXPECT_DOUBLE_EQ(total, 20.0);
  EXPECT_TRUE(asked.empty());

  asked.clear();
  EXPECT_EQ(DegDayIntegrationMethod(db, DateTime(1, 1, 2026), DateTime(1, 31, 2026), &total, 65.0f, ok), 0);
  EXPECT_NEAR(total, 20.0 + 10.0 * 12 * 60 / 1440, 1e-9);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_NE(asked[0].find("(12.0 hours)"), std::string::npos) << asked[0];
  EXPECT_EQ(DegDayIntegrationMethod(db, DateTime(1, 1, 2026), DateTime(1, 31, 2026), &total, 65.0f, cancel), -1);
}

TEST_F(SummaryOpsTest, DaylightHoursCountsAboveThreshold) {
  WeatherDatabase db;
  ASSERT_NE(db.OpenDatabase(folder_.str()), kDbError);
  std::vector<DataRecord> day1 = Hours(24, 600);  // solar 400 all day
  day1[0].solar_rad = 100;                        // at the threshold: not counted
  day1[1].solar_rad = 3500;                       // implausible: not counted
  day1[2].solar_rad = kNoValue16;
  DownloadDay(db, DateTime(5, 1, 2026), day1);
  DownloadDay(db, DateTime(5, 3, 2026), Hours(2, 600));

  DaylightHours dh;
  ASSERT_EQ(dh.Calculate(db, PackDate(2026, 5, 1), DateTime(5, 31, 2026), 0), 0);
  EXPECT_DOUBLE_EQ(dh.total(), 21.0 + 2.0);
  EXPECT_EQ(dh.history()[0].packed_date, PackDate(2026, 5, 3));
  EXPECT_DOUBLE_EQ(dh.history()[0].hours, 2.0);
  EXPECT_EQ(dh.history()[1].packed_date, PackDate(2026, 5, 1));
  EXPECT_DOUBLE_EQ(dh.history()[1].hours, 21.0);
  EXPECT_DOUBLE_EQ(dh.history()[2].hours, -1.0);
  // A higher threshold counts nothing; the range end is honoured.
  ASSERT_EQ(dh.Calculate(db, PackDate(2026, 5, 1), DateTime(5, 2, 2026), 500), 0);
  EXPECT_DOUBLE_EQ(dh.total(), 0.0);
  EXPECT_EQ(dh.history()[0].packed_date, PackDate(2026, 5, 1));
}

}  // namespace
}  // namespace sq
