// Gallons left by both degree-day methods, the water heater's share, the empty date,
// the estimate texts and the K factor with its checks.
#include "reports/fuel_estimate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "database/mem_file_system.h"
#include "database/tests/summary_fixture.h"
#include "database/tests/values_fixture.h"
#include "reports/fuel_kfactor.h"

namespace sq {
namespace {

using testing::DownloadDay;
using testing::Hours;

// Hourly records at a steady temperature give a day of (65 - T) degree days by both
// methods: a temperature in tenths of F for each day from January 1, 2026.
void StoreDays(WeatherDatabase& db, const std::vector<int>& temps, int first_day = 1) {
  for (std::size_t i = 0; i < temps.size(); ++i) {
    DownloadDay(db, DateTime(1, first_day + static_cast<int>(i), 2026), Hours(24, temps[i]));
  }
}

FuelCustomer Customer(float k, float reading, DateTime date, bool heater = false) {
  FuelCustomer c;
  c.SetNumber(1);
  c.SetKFactor(k);
  c.SetReading(reading);
  c.SetReadingDate(date);
  c.SetWaterHeater(heater);
  return c;
}

class FuelEstimateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sq::testing::DefaultUnits();
    DateTime::dateChoice = 0;
    DateTime::dateSepChar = '-';
    ASSERT_NE(db_.OpenDatabase(folder_.str()), kDbError);
  }
  sq::testing::TempDir folder_;
  WeatherDatabase db_;
};

// The cases both methods must agree on (true: integration, false: high/low).
class FuelMethodTest : public FuelEstimateTest, public ::testing::WithParamInterface<bool> {
 protected:
  // Gallons left by the method under test; the empty date in *empty.
  double Left(const FuelCustomer& c, DateTime* empty = nullptr) {
    FuelEstimator e(db_, 65.0f, GetParam());
    double left = -1;
    DateTime when;
    EXPECT_EQ(GetParam() ? e.IntegrationMethod(c, &left, &when) : e.HighLowMethod(c, &left, &when), 0);
    if (empty) *empty = when;
    return left;
  }
};

TEST_P(FuelMethodTest, DegreeDaysSinceTheReadingUseFuel) {
  StoreDays(db_, std::vector<int>(30, 550));  // 10 degree days a day, 300 in all
  DateTime empty;
  EXPECT_NEAR(Left(Customer(5.0f, 100.0f, DateTime(1, 1, 2026)), &empty), 40.0, 1e-9);
  EXPECT_FALSE(empty.valid);
  // The reading's own day counts; days before the first stored day count nothing.
  EXPECT_NEAR(Left(Customer(5.0f, 100.0f, DateTime(1, 21, 2026))), 80.0, 1e-9);
  EXPECT_NEAR(Left(Customer(5.0f, 100.0f, DateTime(11, 1, 2025))), 40.0, 1e-9);
  // A reading after the last stored day is what is left.
  EXPECT_EQ(Left(Customer(5.0f, 100.0f, DateTime(1, 31, 2026))), 100.0);
}

TEST_P(FuelMethodTest, WaterHeaterOnWarmAndCoolDays) {
  StoreDays(db_, {700, 500, 650});  // 0, 15 and 0 degree days (65.0 is not below the base)
  FuelCustomer c = Customer(5.0f, 100.0f, DateTime(1, 1, 2026), true);
  // 2 gallons on each warm day; 3 + 1 on the day of 15 degree days.
  EXPECT_NEAR(Left(c), 100.0 - 2.0 - 4.0 - 2.0, 1e-9);
  c.SetWaterHeater(false);
  EXPECT_NEAR(Left(c), 97.0, 1e-9);
}

TEST_P(FuelMethodTest, EmptyDateIsTheFirstDayAtOrBelowZero) {
  // 24 degree days a day, exact in binary, so that a tank can reach exactly 0.
  StoreDays(db_, std::vector<int>(10, 410));  // 6 gallons a day at K 4
  DateTime empty;
  EXPECT_EQ(Left(Customer(4.0f, 30.0f, DateTime(1, 1, 2026)), &empty), 0.0);
  EXPECT_EQ(empty.GetPackedDate(), PackDate(2026, 1, 5));
  EXPECT_EQ(Left(Customer(4.0f, 29.0f, DateTime(1, 2, 2026)), &empty), -1.0);
  EXPECT_EQ(empty.GetPackedDate(), PackDate(2026, 1, 6));
}

INSTANTIATE_TEST_SUITE_P(Methods, FuelMethodTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Integration" : "HighLow"; });

TEST_F(FuelEstimateTest, HighLowDayUnder18HoursAddsOnlyTheWaterHeater) {
  StoreDays(db_, {550});
  DownloadDay(db_, DateTime(1, 2, 2026), Hours(17, 450));  // 17 hours: 20 degree days not used
  FuelEstimator e(db_, 65.0f, false);
  double left = 0;
  DateTime empty;
  ASSERT_EQ(e.HighLowMethod(Customer(5.0f, 100.0f, DateTime(1, 1, 2026)), &left, &empty), 0);
  EXPECT_NEAR(left, 98.0, 1e-9);
  ASSERT_EQ(e.HighLowMethod(Customer(5.0f, 100.0f, DateTime(1, 1, 2026), true), &left, &empty), 0);
  EXPECT_NEAR(left, 100.0 - (2.0 + 1.333333333) - 2.0, 1e-6);
  // The integration method counts the short day's records.
  ASSERT_EQ(e.IntegrationMethod(Customer(5.0f, 100.0f, DateTime(1, 1, 2026)), &left, &empty), 0);
  EXPECT_NEAR(left, 100.0 - 2.0 - 20.0 * 17 / 24 / 5, 1e-9);
}

TEST_F(FuelEstimateTest, EstimateTexts) {
  FuelEstimator none(db_, 65.0f, true);
  EXPECT_EQ(EstimateFuel(none, Customer(5.0f, 100.0f, DateTime(1, 1, 2026))).text,
            "You have no data with which to estimate.");
  StoreDays(db_, std::vector<int>(10, 550));
  FuelEstimator e(db_, 65.0f, true);
  struct Case {
    FuelCustomer customer;
    int status;
    const char* text;
  } cases[] = {
      {Customer(5.0f, 100.0f, DateTime(1, 1, 2026)), 0, "80.00"},
      {Customer(5.0f, 100.0f, DateTime(1, 11, 2026)), -1,
       "You need data after your Last Reading Date with which to estimate."},
      {Customer(5.0f, 7.0f, DateTime(1, 1, 2026)), 0, "Empty on 01-04-26."},
      {Customer(0.0f, 7.0f, DateTime(1, 1, 2026)), -1,
       "Customer no. 1: its K factor, reading, reading date or water heater use cannot be used for an estimate."},
  };
  for (const Case& c : cases) {
    const FuelEstimate got = EstimateFuel(e, c.customer);
    EXPECT_EQ(got.status, c.status) << c.text;
    EXPECT_EQ(got.text, c.text);
  }
}

TEST_F(FuelEstimateTest, UnreadableDayIsADatabaseError) {
  MemFileSystem fs;
  WeatherDatabase db(fs);
  ASSERT_EQ(db.OpenDatabase("/station"), kDbNoFiles);
  StoreDays(db, {550, 550});
  ASSERT_EQ(db.Flush(), kDbOk);
  // The file loses the second day's last records behind the database's back.
  auto& bytes = *fs.files().at("/station/2026-01.sqm");
  bytes.resize(bytes.size() - 5 * kRecordSize);
  std::vector<std::string> errors;
  FuelEstimator e(db, 65.0f, true, [&](const std::string& m) { errors.push_back(m); });
  double left = 0;
  DateTime empty;
  EXPECT_EQ(e.IntegrationMethod(Customer(5.0f, 100.0f, DateTime(1, 1, 2026)), &left, &empty), -1);
  EXPECT_EQ(errors, std::vector<std::string>{"Error getting record in Gallons left calc."});
  EXPECT_EQ(e.last_error(), "Error getting record in Gallons left calc.");
}

TEST_F(FuelEstimateTest, KFactorChecksInOrder) {
  StoreDays(db_, std::vector<int>(30, 550));  // January 1 to 30
  const DegDayPrompts prompts{[](const std::string&) { return true; }, {}};
  struct Case {
    KFactorInput in;
    const char* field;
    const char* message;
  } cases[] = {
      {{"", "", ""}, "start", "Please enter a start date."},
      {{"1/5/2026", "", ""}, "start", "Start date 1/5/2026 not recognized."},
      {{"2025-12-31", "", ""}, "start", "Your start date 2025-12-31 comes before the first day in your database."},
      {{"2026-01-31", "", ""}, "start", "Your Start Date for 2026-01-31 is after the last day in your database."},
      {{"2026-01-05", " ", ""}, "end", "Please enter an end date."},
      {{"2026-01-05", "2026-13-01", ""}, "end", "End date '2026-13-01' not recognized."},
      {{"2026-01-05", "2025-12-01", ""},
       "end",
       "Your end date 2025-12-01 comes before the first day in your database."},
      {{"2026-01-05", "2026-01-04", ""}, "end", "End date can not be before the Start date."},
      {{"2026-01-05", "2026-02-01", ""}, "end", "Your end date comes after the last day in your database."},
      {{"2026-01-05", "2026-01-14", ""}, "gallons", "Please enter gallons used."},
      {{"2026-01-05", "2026-01-14", "ten"}, "gallons", "Gallons used 'ten' not understood."},
      {{"2026-01-05", "2026-01-14", "-4"}, "gallons", "Gallons used (-4) must be greater than zero."},
  };
  for (const Case& c : cases) {
    const KFactorResult r = CalcKFactor(db_, c.in, 65.0f, true, prompts);
    EXPECT_EQ(r.status, -1) << c.message;
    EXPECT_EQ(r.field, c.field) << c.message;
    EXPECT_EQ(r.message, c.message);
  }
  for (bool integration : {true, false}) {
    const KFactorResult r = CalcKFactor(db_, {"2026-01-05", "2026-01-14", "30"}, 65.0f, integration, prompts);
    ASSERT_EQ(r.status, 0) << r.message;
    EXPECT_NEAR(r.degree_days, 100.0, 1e-9);
    EXPECT_EQ(r.k_text, "3.33");
  }
}

TEST_F(FuelEstimateTest, KFactorEndsWithoutResultWhenCancelled) {
  StoreDays(db_, {550});
  DownloadDay(db_, DateTime(1, 2, 2026), Hours(6, 550));  // a short day asks
  const DegDayPrompts cancel{[](const std::string&) { return false; }, {}};
  EXPECT_EQ(CalcKFactor(db_, {"2026-01-01", "2026-01-02", "5"}, 65.0f, false, cancel).status, -2);
  EXPECT_EQ(CalcKFactor(db_, {"2026-01-01", "2026-01-01", "5"}, 65.0f, false, cancel).status, 0);
}

}  // namespace
}  // namespace sq
