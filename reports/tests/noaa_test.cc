// Climatological reports of the small fixture database (reports/tests/noaa_fixture.h):
// golden files of the monthly and annual report in both unit systems, the counts and
// degree days behind them, and the standard report files.
#include <gtest/gtest.h>

#include <filesystem>

#include "database/daily_summary_ops.h"
#include "database/header_block.h"
#include "foundation/display_units.h"
#include "reports/noaa_report.h"
#include "reports/tests/noaa_fixture.h"
#include "test_support/files.h"
#include "test_support/golden.h"
#include "test_support/temp_dir.h"

namespace sq {
namespace {

using testing::ExpectGolden;

constexpr std::string_view kGolden = "reports/tests/golden";
using testing::ReadText;
using testing::TempDir;

void SetUnits(bool metric) {
  DisplayUnits::SetTempUnit(metric ? DisplayUnits::kCelsius : DisplayUnits::kFahrenheit);
  DisplayUnits::SetRainUnit(metric ? DisplayUnits::kRainMillimetres : DisplayUnits::kRainInches);
  DisplayUnits::SetWindSpeedUnit(metric ? DisplayUnits::kKmPerHour : DisplayUnits::kMph);
  DisplayUnits::SetElevUnit(metric ? DisplayUnits::kMetres : DisplayUnits::kFeet);
}

class NoaaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DateTime::dateChoice = 0;
    DateTime::dateSepChar = '-';
    DateTime::timeChoice = 0;
    DateTime::timeSepChar = ':';
    SetUnits(false);
    testing::BuildNoaaFixture(dir_.str());
    ASSERT_EQ(db_.OpenDatabase(dir_.str(), true), 0);
    settings_.station_name = "Hilltop";
    settings_.city = "Springfield";
    settings_.state = "OR";
    settings_.latitude = "44 02' 47\" N";
    settings_.longitude = "123 01' 15\" W";
    settings_.elevation_ft = 500;
    settings_.normal_temp_f[0] = 40.0f;
    settings_.normal_rain_in[0] = 3.5f;
    settings_.normal_rain_in[2] = -1.0f;  // the dialog's "no normal"
  }
  void TearDown() override { SetUnits(false); }

  NoaaMonth January(const NoaaSettings& s) {
    NoaaSummary summary(db_, s);
    EXPECT_EQ(summary.MonthlySummary(2026, 1), 0) << summary.error();
    return summary.Month(1);
  }

  TempDir dir_;
  WeatherDatabase db_;
  NoaaSettings settings_;
};

TEST_F(NoaaTest, GoldenReports) {
  struct Row {
    const char* golden;
    bool metric;
    bool integration;
    int month;  // 0: the year
  };
  const Row rows[] = {
      {"noaa_month_f.txt", false, true, 1},
      {"noaa_month_c.txt", true, false, 1},
      {"noaa_year_f.txt", false, true, 0},
      {"noaa_year_c.txt", true, false, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.golden);
    SetUnits(row.metric);
    NoaaSettings s = settings_;
    s.integration = row.integration;
    std::string text, error;
    const std::string path = dir_.file("report.txt");
    ASSERT_EQ(WriteNoaaReport(db_, s, {2026, row.month}, path, &text, &error), kNoaaOk) << error;
    EXPECT_EQ(ReadText(path), text);
    ExpectGolden(kGolden, row.golden, text);
  }
}

TEST_F(NoaaTest, MonthCountsTheEdgeValues) {
  for (bool metric : {false, true}) {
    SCOPED_TRACE(metric ? "C/mm" : "F/in");
    SetUnits(metric);
    const NoaaMonth m = January(settings_);
    // The 8th has summary records but no data; only the 5th, 6th and 7th count.
    EXPECT_EQ(m.data_days, 3);
    EXPECT_TRUE(m.days[4].has_data && m.days[5].has_data && m.days[6].has_data);
    EXPECT_FALSE(m.days[7].has_data || m.days[3].has_data);
    // A high of exactly 90.0 F (32.2 C) and a low of exactly 32.0 F (0.0 C) count.
    EXPECT_EQ(m.max_ge_hot, 1);
    EXPECT_EQ(m.min_le_cold, 1);
    EXPECT_EQ(m.max_le_cold, 0);
    EXPECT_EQ(m.min_le_zero, 0);
    EXPECT_EQ(m.highest_high_day, 5);
    EXPECT_EQ(m.lowest_low_day, 6);
    if (metric) {
      // 0.254, 0.508 and 27.94 mm: all above 0.2 mm, one above 2 and 20 mm.
      EXPECT_EQ(m.rain_days, (std::array<int, 3>{3, 1, 1}));
    } else {
      // 0.01 in is not above 0.01; 0.02 is.
      EXPECT_EQ(m.rain_days, (std::array<int, 3>{2, 1, 1}));
    }
    EXPECT_EQ(m.max_rain_day, 7);
    EXPECT_EQ(m.highest_speed_day, 7);
    // The 7th has no high temperature: its mean (the summary's average) still counts for
    // the mean of the means; the mean high averages the 5th and 6th only.
    EXPECT_NE(m.days[6].mean, NoaaDay::kNone);
    EXPECT_EQ(m.temp_days, 3);
    EXPECT_EQ(m.high_days, 2);
    EXPECT_EQ(m.low_days, 3);
    EXPECT_NEAR(m.MeanOfMeans(), (m.days[4].mean + m.days[5].mean + static_cast<double>(m.days[6].mean)) / 3.0, 1e-4);
    EXPECT_NEAR(m.MeanHigh(), (m.days[4].high + static_cast<double>(m.days[5].high)) / 2.0, 1e-4);
  }
  // Rain of exactly 0.10 in on March 15th is not above 0.1 in.
  SetUnits(false);
  NoaaSummary summary(db_, settings_);
  ASSERT_EQ(summary.MonthlySummary(2026, 3), 0);
  EXPECT_EQ(summary.Month(3).rain_days, (std::array<int, 3>{1, 0, 0}));
}

// Degree days of the fixture's January, straight from its records.
void ExpectedIntegrated(double heat_base, double cool_base, double* heat, double* cool) {
  *heat = *cool = 0.0;
  for (const auto& d : testing::kNoaaFixtureDays) {
    if (d.month != 1) continue;
    for (int hour = 1; hour <= 24; ++hour) {
      const double t = testing::NoaaFixtureRecord(d, hour).outside_temp / 10.0;
      if (t < heat_base) *heat += (heat_base - t) * 60 / 1440.0;
      if (t > cool_base) *cool += (t - cool_base) * 60 / 1440.0;
    }
  }
}

TEST_F(NoaaTest, DegreeDaySources) {
  // Bases 65 with integration: the daily summaries' own degree days.
  double heat = 0, cool = 0;
  for (int day = 5; day <= 7; ++day) {
    DailySummaryObject s;
    ASSERT_EQ(GetDailySummary(db_, s, DateTime(1, day, 2026)), 1);
    heat += s.GetHeatingDD();
    cool += s.GetCoolingDD();
  }
  NoaaSummary summaries(db_, settings_);
  EXPECT_EQ(summaries.Source(), DegreeDaySource::kSummaries);
  NoaaMonth m = January(settings_);
  EXPECT_NEAR(m.heat_total, heat, 1e-4);
  EXPECT_NEAR(m.cool_total, cool, 1e-4);

  // A base other than 65: integrated from the archive records.
  NoaaSettings s60 = settings_;
  s60.heat_base_f = 60.0f;
  s60.cool_base_f = 70.0f;
  EXPECT_EQ(NoaaSummary(db_, s60).Source(), DegreeDaySource::kIntegrated);
  ExpectedIntegrated(60.0, 70.0, &heat, &cool);
  m = January(s60);
  EXPECT_NEAR(m.heat_total, heat, 1e-6);
  EXPECT_NEAR(m.cool_total, cool, 1e-6);
  EXPECT_GT(heat, 0.0);
  EXPECT_GT(cool, 0.0);
  // The same heating total as the fuel estimates' integration over those days.
  double reference = 0;
  ASSERT_EQ(DegDayIntegrationMethod(db_, DateTime(1, 5, 2026), DateTime(1, 7, 2026), &reference, 60.0f, {}), 0);
  EXPECT_NEAR(m.heat_total, reference, 1e-6);
  // In C the totals are C-days.
  SetUnits(true);
  EXPECT_NEAR(January(s60).heat_total, heat * 5.0 / 9.0, 1e-6);
  SetUnits(false);

  // Without integration: from each day's high and low; the 7th (no high) gives 0.
  NoaaSettings hl = settings_;
  hl.integration = false;
  m = January(hl);
  EXPECT_EQ(m.days[6].heat_dd, 0.0);
  double expect = 0;
  for (int i : {4, 5}) expect += std::max(0.0, 65.0 - (m.days[i].high + static_cast<double>(m.days[i].low)) / 2.0);
  EXPECT_NEAR(m.heat_total, expect, 1e-4);
}

TEST_F(NoaaTest, DeparturesFromNormal) {
  NoaaMonth m = January(settings_);
  EXPECT_NEAR(m.temp_departure, m.MeanOfMeans() - 40.0, 1e-4);
  EXPECT_NEAR(m.rain_departure, 1.13 - 3.5, 1e-4);
  SetUnits(true);
  m = January(settings_);
  EXPECT_NEAR(m.temp_departure, m.MeanOfMeans() - (40.0 - 32.0) * 5.0 / 9.0, 1e-4);
  EXPECT_NEAR(m.rain_departure, (1.13 - 3.5) * 25.4, 1e-3);
  SetUnits(false);
  // No normal (the -32768 default, the dialog's -1): departures of 0.0.
  NoaaSettings none;
  m = January(none);
  EXPECT_EQ(m.temp_departure, 0.0);
  EXPECT_EQ(m.rain_departure, 0.0);
  NoaaSummary summary(db_, settings_);
  ASSERT_EQ(summary.MonthlySummary(2026, 3), 0);
  EXPECT_EQ(summary.Month(3).rain_departure, 0.0);
}

TEST_F(NoaaTest, StandardReportFiles) {
  ASSERT_EQ(WriteStandardNoaaReports(db_, settings_, dir_.str(), nullptr), kNoaaOk);
  // The last record is on March 15th, 2026.
  const struct {
    const char* name;
    NoaaPeriod period;
  } files[] = {
      {"NOAAMO.TXT", {2026, 3}}, {"NOAAPRMO.TXT", {2026, 2}}, {"NOAAYR.TXT", {2026, 0}}, {"NOAAPRYR.TXT", {2025, 0}}};
  for (const auto& f : files) {
    SCOPED_TRACE(f.name);
    std::string text;
    ASSERT_EQ(WriteNoaaReport(db_, settings_, f.period, dir_.file("check.txt"), &text, nullptr), kNoaaOk);
    EXPECT_EQ(ReadText(dir_.file(f.name)), text);
  }
  // The month before January is December of the year before.
  NoaaPeriod p;
  WeatherDatabase jan;
  TempDir other_dir;
  testing::BuildNoaaFixture(other_dir.str(), std::span(testing::kNoaaFixtureDays, 1));
  ASSERT_EQ(jan.OpenDatabase(other_dir.str(), true), 0);
  ASSERT_TRUE(StandardPeriod(jan, NoaaStandard::kLastMonth, &p));
  EXPECT_EQ(p.year, 2025);
  EXPECT_EQ(p.month, 12);
}

TEST_F(NoaaTest, Failures) {
  // A file that cannot be created: the message, and no file.
  std::string error;
  EXPECT_EQ(WriteNoaaReport(db_, settings_, {2026, 1}, dir_.file("no/such/NOAAMO.TXT"), nullptr, &error), kNoaaNoFile);
  EXPECT_EQ(error.rfind("Could not open noaa.txt", 0), 0u) << error;
  EXPECT_FALSE(std::filesystem::exists(dir_.file("no")));
  // A record that cannot be read while integrating: the message, and no report.
  std::filesystem::resize_file(dir_.file("2026-01.sqm"), kHeaderSize + 3 * kRecordSize);
  NoaaSettings s60 = settings_;
  s60.heat_base_f = 60.0f;
  EXPECT_EQ(WriteNoaaReport(db_, s60, {2026, 1}, dir_.file("NOAAMO.TXT"), nullptr, &error), kNoaaFailed);
  EXPECT_EQ(error, "Hilltop: Error getting database record.");
  EXPECT_FALSE(std::filesystem::exists(dir_.file("NOAAMO.TXT")));
  // A database without records.
  TempDir empty;
  WeatherDatabase none;
  ASSERT_EQ(none.OpenDatabase(empty.str()), kDbNoFiles);
  ASSERT_EQ(none.CreateNewMonth(DateTime(1, 1, 2026)), 0);
  EXPECT_EQ(WriteStandardNoaaReports(none, settings_, empty.str(), &error), kNoaaNoRecords);
  EXPECT_EQ(error, "No records in your database.");
  EXPECT_FALSE(std::filesystem::exists(empty.file("NOAAMO.TXT")));
}

}  // namespace
}  // namespace sq
