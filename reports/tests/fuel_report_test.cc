// The fuel demand report in both formats and both orders, compared with golden files
// (the target regenerate-golden rewrites them), the threshold, and customers whose files are
// damaged.
#include "reports/fuel_report.h"

#include <gtest/gtest.h>

#include <sstream>

#include "database/tests/summary_fixture.h"
#include "database/tests/values_fixture.h"
#include "test_support/files.h"
#include "test_support/golden.h"
#include "test_support/temp_dir.h"

namespace sq {
namespace {

using testing::ExpectGolden;
using testing::ReadText;
using testing::TempDir;

constexpr std::string_view kGolden = "reports/tests/golden";

struct Fixture {
  std::int32_t number;
  const char* last;
  const char* first;
  const char* street;
  float k, reading;
  DateTime date;
  bool heater;
  const char* comment1;
  const char* comment2;
};

class FuelReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sq::testing::DefaultUnits();
    DateTime::dateChoice = 0;
    DateTime::dateSepChar = '-';
    ASSERT_NE(db_.OpenDatabase(dir_.str()), kDbError);
    for (int day = 1; day <= 30; ++day) {
      sq::testing::DownloadDay(db_, DateTime(1, day, 2026), sq::testing::Hours(24, 410));  // 24 degree days, exact
    }
    const Fixture customers[] = {
        {3, "Smith", "Anna", "12 Oak St", 5.0f, 200.0f, DateTime(1, 1, 2026), false, "Gate code 4471", ""},
        {1, "adams", "", "3 Pine Rd", 2.0f, 100.0f, DateTime(1, 1, 2026), false, "", ""},        // out on January 9
        {2, "Zimmer", "Bob", "77 Elm Ave", 10.0f, 20.0f, DateTime(2, 15, 2026), false, "", ""},  // after the data
        {4, "Carter", "Dee", "9 Birch Ct", 5.0f, 206.0f, DateTime(1, 1, 2026), true, "Back door", "Dog in yard"},
    };
    for (const Fixture& f : customers) {
      FuelCustomer c;
      c.SetNumber(f.number);
      ASSERT_TRUE(c.SetLastName(f.last) && c.SetFirstName(f.first) && c.SetStreet(f.street) &&
                  c.SetComment1(f.comment1) && c.SetComment2(f.comment2) && c.SetCity("Milton") && c.SetState("VT") &&
                  c.SetZip("05468"));
      c.SetKFactor(f.k);
      c.SetReading(f.reading);
      c.SetReadingDate(f.date);
      c.SetWaterHeater(f.heater);
      ASSERT_EQ(SaveCustomer(fuel_, c), kFuelOk);
    }
  }

  FuelReport Build(const FuelReportOptions& o) {
    FuelEstimator e(db_, 65.0f, true);
    return BuildFuelReport(e, fuel_, o, DateTime(2, 1, 2026));
  }

  TempDir dir_;
  std::string fuel_ = dir_.file("Fuel");
  WeatherDatabase db_;
};

TEST_F(FuelReportTest, FormatsAndOrdersMatchGoldenText) {
  struct Case {
    bool long_format, by_name;
    const char* golden;
  } cases[] = {
      {false, false, "fuelrep_short_gallons.txt"},
      {false, true, "fuelrep_short_name.txt"},
      {true, false, "fuelrep_long_gallons.txt"},
      {true, true, "fuelrep_long_name.txt"},
  };
  for (const Case& c : cases) {
    FuelReportOptions o;
    o.long_format = c.long_format;
    o.by_name = c.by_name;
    const FuelReport r = Build(o);
    ASSERT_EQ(r.status, 0) << r.error;
    EXPECT_EQ(r.customers, 4);
    EXPECT_TRUE(r.problems.empty());
    ExpectGolden(kGolden, c.golden, r.text);
  }
}

TEST_F(FuelReportTest, ThresholdKeepsCustomersAtOrBelowIt) {
  FuelReportOptions o;
  o.long_format = false;
  o.only_below = true;
  o.threshold = 50.0f;  // Carter has exactly 50.00 left
  FuelReport r = Build(o);
  ASSERT_EQ(r.status, 0) << r.error;
  EXPECT_EQ(r.customers, 3);
  EXPECT_EQ(r.text.find("Smith"), std::string::npos);  // 56.00
  EXPECT_NE(r.text.find("Carter"), std::string::npos);
  o.threshold = -10.0f;
  r = Build(o);
  EXPECT_EQ(r.status, -1);
  EXPECT_EQ(r.error, "No clients selected.  Check select threshold.");
}

TEST_F(FuelReportTest, DamagedCustomerFilesAreReportedAndSkipped) {
  testing::WriteText(fuel_ + "/9.dat", std::string(100, 'x'));
  FuelCustomer zero_k;
  zero_k.SetNumber(11);
  ASSERT_TRUE(zero_k.SetLastName("Broken"));
  zero_k.SetReadingDate(DateTime(1, 1, 2026));
  ASSERT_EQ(SaveCustomer(fuel_, zero_k), kFuelOk);
  testing::WriteText(fuel_ + "/old.dat", std::string(kFuelCustomerSize + 10, '\0'));
  FuelReportOptions o;
  o.long_format = false;
  o.by_name = false;
  const FuelReport r = Build(o);
  ASSERT_EQ(r.status, 0) << r.error;
  EXPECT_EQ(r.customers, 4);
  ExpectGolden(kGolden, "fuelrep_short_gallons.txt", r.text);
  EXPECT_EQ(r.problems, (std::vector<std::string>{
                            "Could not read data file for customer no. 9.",
                            "Customer no. 11: its K factor, reading, reading date or water heater use cannot be "
                            "used for an estimate.",
                            "Error reading customer file. (" + fuel_ + "/old.dat)",
                        }));
}

TEST(FuelReport, EmptyDatabaseMakesNoReport) {
  TempDir dir;
  WeatherDatabase db;
  (void)db.OpenDatabase(dir.str());
  FuelEstimator e(db, 65.0f, false);
  const FuelReport r = BuildFuelReport(e, dir.file("Fuel"), FuelReportOptions(), DateTime(2, 1, 2026));
  EXPECT_EQ(r.status, -1);
  EXPECT_EQ(r.error, "You have no data with which to make report.");
}

}  // namespace
}  // namespace sq
