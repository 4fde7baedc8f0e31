// The rain history file, its statistics and browser lines, and the note file names.
#include "database/rain_database.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "database/data_notes.h"
#include "database/tests/db_test_util.h"
#include "database/tests/values_fixture.h"
#include "test_support/files.h"

namespace sq {
namespace {

using testing::TempDir;

class RainDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::DefaultUnits(); }
  void TearDown() override { testing::DefaultUnits(); }

  void WriteFile(const std::string& text) { std::ofstream(folder_.file("rain.db"), std::ios::binary) << text; }
  std::string ReadFile() { return testing::ReadText(folder_.file("rain.db")); }

  TempDir folder_;
};

TEST(RainDbParse, HostileAndPartialLines) {
  struct Row {
    const char* legend;
    std::string text;
    std::size_t years;
  };
  const Row rows[] = {
      {"empty file", "", 0},
      {"one good line, no newline", "2025 1 2 3 4 5 6 7 8 9 10 11 12", 1},
      {"too few amounts", "2025\t1.0\t2.0\n", 0},
      {"not a year", "abc 1 2 3 4 5 6 7 8 9 10 11 12\n", 0},
      {"year out of range", "0 1 2 3 4 5 6 7 8 9 10 11 12\n99999 1 2 3 4 5 6 7 8 9 10 11 12\n", 0},
      {"line too long", ("2025 1 2 3 4 5 6 7 8 9 10 11 12" + std::string(200, ' ') + "\n"), 0},
      {"a comma in an amount", "2025 1,750 2 3 4 5 6 7 8 9 10 11 12\n", 0},
      {"letters after an amount", "2025 1 2 3 4 5 6 7 8 9 10 11 12abc\n", 0},
      {"a fourteenth field", "2025 1 2 3 4 5 6 7 8 9 10 11 12 13\n", 0},
      {"a year with a fraction", "2025.5 1 2 3 4 5 6 7 8 9 10 11 12\n", 0},
      {"CRLF endings and a duplicate year", "2024 1 2 3 4 5 6 7 8 9 10 11 12\r\n2024 0 0 0 0 0 0 0 0 0 0 0 0\r\n", 1},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(ParseRainDb(r.text).size(), r.years) << r.legend;
  }
  // Non-numbers and absurd amounts become "no value"; the later duplicate wins.
  const auto recs = ParseRainDb(
      "2024 nan inf 1e30 -5 1 1 1 1 1 1 1 1\n2023 1 1 1 1 1 1 1 1 1 1 1 1\n"
      "2024 nan inf 1e30 -5 2 2 2 2 2 2 2 2\n");
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(recs[0].year, 2023);
  EXPECT_EQ(recs[1].month[0], -1.0f);
  EXPECT_EQ(recs[1].month[2], -1.0f);
  EXPECT_FLOAT_EQ(recs[1].year_total, 16.0f);
}

TEST_F(RainDatabaseTest, MissingMonthIsLeftOutOfTotalsAndYearColumn) {
  WriteFile(
      "2025\t1.000\t-1.000\t1.000\t1.000\t1.000\t1.000\t1.000\t1.000\t1.000\t1.000\t1.000\t1.000\n"
      "2024\t2.000\t3.000\t2.000\t2.000\t2.000\t2.000\t2.000\t2.000\t2.000\t2.000\t2.000\t2.000\n");
  RainDatabase db;
  ASSERT_EQ(db.Open(folder_.str()), 0);
  ASSERT_EQ(db.records().size(), 2u);
  const int y2025 = db.FindYear(2025);
  EXPECT_FLOAT_EQ(db.GetMonthRain(y2025, 0), 1.0f);
  EXPECT_FLOAT_EQ(db.GetMonthRain(y2025, 1), -1.0f);
  EXPECT_FLOAT_EQ(db.records()[static_cast<std::size_t>(y2025)].year_total, 11.0f);
  // February has one year; the year column only the complete 2024.
  EXPECT_FLOAT_EQ(db.GetMin(1), 3.0f);
  EXPECT_FLOAT_EQ(db.GetAvg(0), 1.5f);
  EXPECT_FLOAT_EQ(db.GetMin(12), 25.0f);
  EXPECT_FLOAT_EQ(db.GetMax(12), 25.0f);
  EXPECT_FLOAT_EQ(db.GetAvg(12), 25.0f);

  EXPECT_EQ(db.GetBrowserStr(0).substr(0, 3), "MIN");
  EXPECT_EQ(
      db.GetBrowserStr(3),
      "2024    2.00    3.00    2.00    2.00    2.00    2.00    2.00    2.00    2.00    2.00    2.00    2.00  25.00");
  EXPECT_EQ(db.GetBrowserStr(4).substr(4, 16), "    1.00     ---");
  EXPECT_EQ(db.GetBrowserStr(5), "");
  DisplayUnits::SetRainUnit(DisplayUnits::kRainMillimetres);
  EXPECT_EQ(db.GetBrowserStr(3).substr(4, 8), "    50.8");
}

TEST_F(RainDatabaseTest, RoundTripAndChanges) {
  RainDatabase db;
  EXPECT_EQ(db.Open(folder_.str()), -1);  // no file yet
  EXPECT_FALSE(db.is_open());
  DataRecord r = NewDataRecord();
  r.packed_time = 600;
  r.rain = 0x1000 | 25;
  WeatherDataObject w(r, DateTime(4, 10, 2026));
  db.Put(w);
  db.Put(w);
  RainRecord year;
  year.year = 2020;
  year.month.fill(1.0f);
  ASSERT_EQ(db.AddRainRec(year), 0);
  // The rain added to a database that had no file is not lost on close.
  ASSERT_EQ(db.Close(), 0);
  EXPECT_EQ(ReadFile(),
            "2020\t1.000\t1.000\t1.000\t1.000\t1.000\t1.000\t1.000\t1.000\t1.000\t1.000\t1.000\t1.000\n"
            "2026\t-1.000\t-1.000\t-1.000\t0.500\t-1.000\t-1.000\t-1.000\t-1.000\t-1.000\t-1.000\t-1.000\t-1.000\n");

  ASSERT_EQ(db.Open(folder_.str()), 0);
  EXPECT_EQ(db.Change(DateTime(4, 1, 2026), -2.0f), 0);  // below zero is stored as 0
  EXPECT_FLOAT_EQ(db.GetMonthRain(db.FindYear(2026), 3), 0.0f);
  EXPECT_EQ(db.Change(DateTime(5, 1, 2026), 1.0f), -1);  // month without a value
  EXPECT_EQ(db.Change(DateTime(5, 1, 2019), 1.0f), -1);  // year without a value
  DisplayUnits::SetRainUnit(DisplayUnits::kRainMillimetres);
  ASSERT_EQ(db.PutMonthRain(db.FindYear(2020), 0, 254.0f), 0);
  EXPECT_FLOAT_EQ(db.GetMonthRain(db.FindYear(2020), 0), 254.0f);
  ASSERT_EQ(db.PutMonthRain(db.FindYear(2020), 1, -1.0f), 0);
  EXPECT_EQ(db.PutMonthRain(db.FindYear(2020), 12, 1.0f), -1);
  ASSERT_EQ(db.Delete(db.FindYear(2026)), 0);
  ASSERT_EQ(db.Close(), 0);
  EXPECT_EQ(ReadFile(), "2020\t10.000\t-1.000\t1.000\t1.000\t1.000\t1.000\t1.000\t1.000\t1.000\t1.000\t1.000\t1.000\n");
}

// Issue 17: what the reader does not understand, and a file it cannot read whole, are
// never lost by a save.
TEST_F(RainDatabaseTest, LinesItCannotReadSurviveASave) {
  const std::string y2023 = "2023\t1.000\t1.000\t1.000\t1.000\t1.000\t1.000\t1.000\t1.000\t1.000\t1.000\t1.000\t1.000";
  const std::string y2025 = "2025\t2.000\t2.000\t2.000\t2.000\t2.000\t2.000\t2.000\t2.000\t2.000\t2.000\t2.000\t2.000";
  WriteFile("# rain gauge moved in 2024\n" + y2023 + "\n2024 1,750 2 3 4 5 6 7 8 9 10 11 12\n" + y2025 + "\n");
  RainDatabase db;
  ASSERT_EQ(db.Open(folder_.str()), 0);
  ASSERT_EQ(db.records().size(), 2u) << "the line with a comma is not a year line";
  EXPECT_EQ(db.kept_lines().size(), 2u);
  db.AddRain(DateTime(3, 5, 2025), 0.5);
  ASSERT_EQ(db.Save(), 0);
  EXPECT_EQ(ReadFile(),
            "# rain gauge moved in 2024\n" + y2023 + "\n2024 1,750 2 3 4 5 6 7 8 9 10 11 12\n" +
                "2025\t2.000\t2.000\t2.500\t2.000\t2.000\t2.000\t2.000\t2.000\t2.000\t2.000\t2.000\t2.000\n");
  // A kept line whose year is deleted stays where it would sort.
  ASSERT_EQ(db.Delete(db.FindYear(2023)), 0);
  ASSERT_EQ(db.Save(), 0);
  EXPECT_EQ(ReadFile().rfind("# rain gauge moved in 2024\n2024 1,750 2 3 4 5 6 7 8 9 10 11 12\n2025\t", 0), 0u);
}

TEST_F(RainDatabaseTest, FileTooLargeIsNeverWrittenOver) {
  std::string big;
  while (big.size() <= kMaxRainDbBytes) big += "2025 1 2 3 4 5 6 7 8 9 10 11 12\n";
  WriteFile(big);
  RainDatabase db;
  EXPECT_EQ(db.Open(folder_.str()), -1);
  EXPECT_TRUE(db.unreadable());
  EXPECT_NE(db.error().find("larger than"), std::string::npos) << db.error();
  db.AddRain(DateTime(3, 5, 2026), 0.5);
  EXPECT_EQ(db.Save(), -1);
  EXPECT_EQ(db.Close(), -1);
  EXPECT_EQ(ReadFile(), big);

  // A missing file is no such case: it is created.
  std::filesystem::remove(folder_.file("rain.db"));
  EXPECT_EQ(db.Open(folder_.str()), -1);
  EXPECT_FALSE(db.unreadable());
  db.AddRain(DateTime(3, 5, 2026), 0.5);
  EXPECT_EQ(db.Save(), 0);
}

TEST_F(RainDatabaseTest, GrowsPastItsInitialRoom) {
  RainDatabase db;
  // Each year lands in front of the others, also when the list has to grow.
  for (int y = 2120; y > 2000; --y) {
    RainRecord r;
    r.year = y;
    r.month[0] = static_cast<float>(y - 2000);
    ASSERT_EQ(db.AddRainRec(r), 0);
  }
  ASSERT_EQ(db.records().size(), 120u);
  for (int i = 0; i < 120; ++i) {
    EXPECT_EQ(db.records()[static_cast<std::size_t>(i)].year, 2001 + i);
    EXPECT_FLOAT_EQ(db.GetMonthRain(i, 0), static_cast<float>(i + 1));
  }
}

TEST(DataNotes, FileNames) {
  DateTime when(12, 4, 2026);
  when.packed_time = 510;  // 08:30
  EXPECT_EQ(DataNotePath("st", when), "st/DataNote/202612040510.NOTE");
  EXPECT_EQ(DataNotePath("st/", when), "st/DataNote/202612040510.NOTE");
  EXPECT_EQ(OldDataNotePath("st", when), "st/DataNote/26120408.30N");
}

}  // namespace
}  // namespace sq
