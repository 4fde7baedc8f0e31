#include <gtest/gtest.h>

#include "reports/browser_lines.h"
#include "reports/export_lines.h"

namespace sq {
namespace {

using ID = WeatherDataID;

DataVariable Var(WeatherDataID id, const char* l1, const char* l2, int width, int trailing = 0) {
  DataVariable v;
  v.id = id;
  v.name = v.short_name = l1;
  v.label1 = l1;
  v.label2 = l2;
  v.width = width;
  v.trailing_spaces = trailing;
  return v;
}

class LinesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DateTime::dateChoice = 0;
    DateTime::dateSepChar = '/';
    DateTime::timeChoice = 1;
    DateTime::timeSepChar = ':';
    DisplayUnits::SetTempUnit(DisplayUnits::kFahrenheit);
    DisplayUnits::SetRainUnit(DisplayUnits::kRainInches);
    rec_.Reset();
    rec_.date = DateTime(3, 4, 2026);
    rec_.date.packed_time = 605;
    ASSERT_EQ(rec_.SetPackedTime(605), 1);
    ASSERT_EQ(rec_.SetTemp(ID::OutsideTemp(), 72.5f, true), 1);
    ASSERT_EQ(rec_.SetTemp(ID::HighTemp(), 73.0f, true), 1);
    ASSERT_EQ(rec_.SetRain(ID::Rain(), DisplayUnits::kMissingFloat, true), 1);
  }

  WeatherDataObject rec_;
  const DataVariable temp_ = Var(ID::OutsideTemp(), "Temp", "Out", 7);
  const DataVariable hi_ = Var(ID::HighTemp(), "Hi", "Temp", 6);
  const DataVariable rain_ = Var(ID::Rain(), "^", "Rain", 7);
};

TEST_F(LinesTest, BrowserDataLineWithTime) {
  const Columns cols{&temp_};
  std::string line;
  int width = 100;
  ArchiveBrowserLine(rec_, cols, true, 0, &width, &line);
  EXPECT_EQ(line, " 3/04/26  10:05   72.5");
  EXPECT_EQ(width, 22);

  // Trailing spaces end the column; the value is right-aligned in what is left.
  const DataVariable padded = Var(ID::OutsideTemp(), "Temp", "Out", 7, 2);
  width = 100;
  ArchiveBrowserLine(rec_, Columns{&padded, &hi_}, false, 0, &width, &line);
  EXPECT_EQ(line, " 3/04/26 72.5    73.0");
}

TEST_F(LinesTest, WidthStartAndHeaders) {
  const Columns cols{&temp_, &hi_, &rain_};
  struct Row {
    const char* legend;
    int n;  // header line 1..3, 0 for the data line
    bool with_time;
    int start;
    int width;
    const char* line;
  };
  const Row rows[] = {
      {"no column fits", 0, true, 0, 20, " 3/04/26  10:05"},
      {"no column fits a header", 2, true, 0, 20, "  Date    Time "},
      {"one column fits", 0, true, 0, 23, " 3/04/26  10:05   72.5"},
      {"start skips a column", 0, false, 1, 100, " 3/04/26  73.0    ---"},
      {"start limited to the last column", 0, false, 9, 100, " 3/04/26    ---"},
      {"negative start", 0, true, -1, 100, ""},
      {"header 1 drops the caret", 1, true, 0, 100, "                  Temp    Hi       "},
      {"header 2 without time", 2, false, 0, 100, "  Date      Out  Temp   Rain"},
      {"header 2 with time", 2, true, 0, 100, "  Date    Time     Out  Temp   Rain"},
      {"header 3 rule", 3, false, 0, 100, "------------------------------"},
      {"header 3 cut to width - 1", 3, true, 0, 25, "------------------------"},
      {"header 3 negative start", 3, true, -2, 100, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.legend);
    std::string line = "junk";
    int width = row.width;
    if (row.n == 0)
      ArchiveBrowserLine(rec_, cols, row.with_time, row.start, &width, &line);
    else
      BrowserHeaderLine(row.n, cols, row.with_time, row.start, &width, &line);
    EXPECT_EQ(line, row.line);
    EXPECT_EQ(width, static_cast<int>(line.size()));
  }
  EXPECT_EQ(ListWidth(cols, true, 0), 15 + 7 + 6 + 7);
  EXPECT_EQ(ListWidth(cols, false, 1), 8 + 6 + 7);
  EXPECT_EQ(ColumnsThatFit(cols, true, 0, 29), 2);
  EXPECT_EQ(ColumnsThatFit(cols, true, 0, 28), 1);
}

TEST_F(LinesTest, ExportLines) {
  const Columns cols{&temp_, &hi_, &rain_};
  struct Row {
    const char* legend;
    int n;
    bool with_time;
    char sep;
    const char* line;
  };
  const Row rows[] = {
      {"header 1 with time", 1, true, ',', ",,Temp,Hi,"},
      {"header 1 without time", 1, false, '\t', "\tTemp\tHi\t"},
      {"header 2 with time", 2, true, ',', "Date,Time,Out,Temp,Rain"},
      {"header 2 without time", 2, false, ';', "Date;Out;Temp;Rain"},
      {"data with time", 0, true, ',', "03/04/26,10:05,72.5,73.0,    ---"},
      {"data without time", 0, false, ' ', "03/04/26 72.5 73.0     ---"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.legend);
    std::string line;
    int width = 256;
    if (row.n == 0)
      ArchiveExportLine(rec_, cols, row.with_time, row.sep, 0, &width, &line);
    else
      ExportHeaderLine(row.n, cols, row.with_time, row.sep, 0, &width, &line);
    EXPECT_EQ(line, row.line);
    EXPECT_EQ(width, static_cast<int>(line.size()));
  }
  const Columns two{&temp_, &hi_};
  std::string line;
  int width = 256;
  ExportHeaderLine(1, two, true, ',', 0, &width, &line);
  EXPECT_EQ(line, ",,Temp,Hi");
  width = 15;  // the date and time fill 14 characters of it
  ArchiveExportLine(rec_, two, true, ',', 0, &width, &line);
  EXPECT_EQ(line, "03/04/26,10:05");

  ASSERT_EQ(rec_.SetRain(ID::Rain(), 0.12f, true), 1);
  EXPECT_EQ(ExportRainText(rec_, ID::Rain()), "0.12");
  DisplayUnits::SetRainUnit(DisplayUnits::kRainMillimetres);
  EXPECT_EQ(ExportRainText(rec_, ID::Rain()), "3.05");
  DisplayUnits::SetRainUnit(DisplayUnits::kRainInches);
}

TEST_F(LinesTest, DatesInLines) {
  struct Row {
    const char* legend;
    int choice;
    DateTime date;
    int time;
    const char* display;
    const char* exported;
  };
  DateTime invalid;
  const Row rows[] = {
      {"month first", 0, DateTime(3, 4, 2026), 600, " 3/04/26", "03/04/26"},
      {"day first", 1, DateTime(3, 4, 2026), 600, " 4/03/26", "04/03/26"},
      {"year first", 2, DateTime(3, 4, 2026), 600, "26/03/04", "26/03/04"},
      {"midnight ending the year", 0, DateTime(12, 31, 2025), 1440, " 1/01/26", "01/01/26"},
      {"not valid", 0, invalid, 0, "--/--/--", "-----"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.legend);
    DateTime::dateChoice = static_cast<std::uint8_t>(row.choice);
    DateTime d = row.date;
    d.packed_time = static_cast<std::int16_t>(row.time);
    EXPECT_EQ(DisplayDate(d), row.display);
    EXPECT_EQ(ExportDate(d), row.exported);
  }
  DateTime::dateChoice = 0;
}

}  // namespace
}  // namespace sq
