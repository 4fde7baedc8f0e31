// Sun and moon: event times against an independent astronomy library, the local-time
// conversion, the "sunrise.txt" table, and the moon's phase.
#include "foundation/sun_moon.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "test_support/files.h"
#include "test_support/temp_dir.h"

namespace sq {
namespace {

DateTime At(int year, int month, int day, int hour = 0, int minute = 0) {
  DateTime t(month, day, year);
  t.packed_time = static_cast<std::int16_t>(hour * 60 + minute);
  t.UnpackTime();
  return t;
}

using testing::TempDir;

// Restores the program-wide time format after a test changes it.
struct TimeFormatGuard {
  std::uint8_t choice = DateTime::timeChoice;
  char sep = DateTime::timeSepChar;
  std::uint8_t date_choice = DateTime::dateChoice;
  char date_sep = DateTime::dateSepChar;
  ~TimeFormatGuard() {
    DateTime::timeChoice = choice;
    DateTime::timeSepChar = sep;
    DateTime::dateChoice = date_choice;
    DateTime::dateSepChar = date_sep;
  }
};

TEST(SunMoon, SolarValuesThroughTheYear) {
  struct Row {
    const char* legend;
    DateTime t;
    double decl_deg;
    double eqt_min;  // apparent minus mean solar time
    // (declinations from an independent ephemeris, equation of time from almanac tables)
  } rows[] = {
      {"March equinox", At(2024, 3, 20, 3, 6), 0.0, -7.5},
      {"June solstice", At(2024, 6, 20, 20, 51), 23.44, -1.8},
      {"early November", At(2024, 11, 3, 12, 0), -15.30, 16.4},
      {"mid February", At(2024, 2, 11, 12, 0), -14.10, -14.2},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.legend);
    SolarValues s;
    ComputeBasicSolarValues(r.t, s);
    eqn_of_time(s);
    EXPECT_NEAR(s.decl * 180 / std::numbers::pi, r.decl_deg, 0.1);
    EXPECT_NEAR(s.eqt, r.eqt_min, 0.3);
    EXPECT_DOUBLE_EQ(s.eps, 0.4090927848297817);
  }
  SolarValues j2000;
  ComputeBasicSolarValues(At(2000, 1, 1, 12, 0), j2000);
  EXPECT_EQ(j2000.d, 0.0);
}

struct Reference {
  std::string place;
  double lat = 0, lon = 0;
  DateTime date;
  float altitude = 0;
  int rising = 0;
  bool has_event = false;
  double hours = 0;
};

std::vector<Reference> LoadReference() {
  std::ifstream in(std::string(SQ_SOURCE_DIR) + "/foundation/tests/data/sun_reference.csv");
  std::vector<Reference> rows;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#' || line.rfind("place,", 0) == 0) continue;
    std::vector<std::string> f;
    std::stringstream ss(line);
    for (std::string part; std::getline(ss, part, ',');) f.push_back(part);
    if (f.size() != 7) continue;
    Reference r;
    r.place = f[0];
    r.lat = std::stod(f[1]);
    r.lon = std::stod(f[2]);
    r.date = At(std::stoi(f[3].substr(0, 4)), std::stoi(f[3].substr(5, 2)), std::stoi(f[3].substr(8, 2)));
    r.altitude = std::stof(f[4]);
    r.rising = std::stoi(f[5]);
    r.has_event = f[6] != "none";
    if (r.has_event) r.hours = std::stod(f[6]);
    rows.push_back(r);
  }
  return rows;
}

TEST(SunMoon, EventTimesAgreeWithReferenceLibrary) {
  const auto rows = LoadReference();
  ASSERT_GE(rows.size(), 100u);
  for (const auto& r : rows) {
    const bool twilight = r.altitude < -1.0f;
    const bool polar = std::fabs(r.lat) >= 60.0;
    const double tolerance_min = twilight ? (polar ? 6.0 : 3.0) : (polar ? 5.0 : 2.0);
    SCOPED_TRACE(r.place + " " + r.date.GetDateStr() + " altitude " + std::to_string(r.altitude) +
                 (r.rising ? " rising" : " setting"));
    float hours = 0;
    const int rc = Sunrise(r.date, static_cast<float>(r.lat), static_cast<float>(r.lon), r.altitude, r.rising, hours);
    if (!r.has_event) {
      EXPECT_EQ(rc, kSunNoEvent);
      continue;
    }
    ASSERT_EQ(rc, kSunOk);
    EXPECT_NEAR(hours * 60.0, r.hours * 60.0, tolerance_min);
  }
}

TEST(SunMoon, NoEventOutsideTheGlobe) {
  float hours = 123;
  for (auto [lat, lon] : {std::pair{91.0f, 0.0f}, {0.0f, -181.0f}, {NAN, 0.0f}, {0.0f, 1e30f}}) {
    EXPECT_EQ(Sunrise(At(2024, 6, 21), lat, lon, kSunriseAltitude, 1, hours), kSunNoEvent);
  }
  EXPECT_EQ(hours, 123);
}

TEST(SunMoon, MakeZoneTimeCarriesAcrossMidnight) {
  SunriseSunset table;
  struct Row {
    const char* legend;
    float zone;
    bool fixed, dst;
    DateTime date;
    float hours_ut;
    DateTime want;
  } rows[] = {
      // A New York summer sunset after midnight UT moves to the next day and back.
      {"west, automatic summer time", -5, false, false, At(2024, 6, 21), 24.52f, At(2024, 6, 21, 20, 31)},
      {"west, winter", -5, false, false, At(2024, 12, 21), 21.53f, At(2024, 12, 21, 16, 32)},
      // A Sydney sunrise falls on the previous UT date.
      {"east, fixed offset", 10, true, false, At(2024, 6, 21), -3.0f, At(2024, 6, 21, 7, 0)},
      {"east, fixed offset with summer hour", 10, true, true, At(2024, 12, 21), -5.3f, At(2024, 12, 21, 5, 42)},
      {"half-minute rounds up before midnight UT", 0, true, false, At(2024, 6, 21), -1.5f, At(2024, 6, 20, 22, 30)},
      {"before 2000 the zone offset still applies", -5, false, false, At(1999, 6, 21), 24.52f, At(1999, 6, 21, 19, 31)},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.legend);
    table.zoneHours = r.zone;
    table.fixedOffset = r.fixed;
    table.daylightSaving = r.dst;
    DateTime t = r.date;
    table.MakeZoneTime(t, r.hours_ut);
    EXPECT_EQ(t.GetPackedDate(), r.want.GetPackedDate());
    EXPECT_EQ(t.packed_time, r.want.packed_time);
    EXPECT_EQ(t.hour, r.want.hour);
    EXPECT_EQ(t.minute, r.want.minute);
  }
}

TEST(SunMoon, DayTableMatchesGolden) {
  TimeFormatGuard guard;
  TempDir dir;
  struct Row {
    const char* golden;
    double lat, lon;
    const char* lat_text;
    const char* lon_text;
    const char* zone_text;
    float zone;
    bool fixed, dst;
    DateTime date;
  } rows[] = {
      {"sunrise_new_york.txt", 40.7128, -74.006, "40.7128", "-74.006", "-5", -5, false, false, At(2024, 6, 21)},
      {"sunrise_80n.txt", 80, 15, "80", "15", "1", 1, true, true, At(2024, 6, 21)},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.golden);
    SunriseSunset table;
    table.kind = SunriseSunset::kOneDay;
    table.packedDate = r.date.GetPackedDate();
    table.latitude = r.lat;
    table.longitude = r.lon;
    table.latitudeText = r.lat_text;
    table.longitudeText = r.lon_text;
    table.zoneText = r.zone_text;
    table.zoneHours = r.zone;
    table.fixedOffset = r.fixed;
    table.daylightSaving = r.dst;
    table.outputPath = (dir.path() / "sunrise.txt").string();
    ASSERT_EQ(table.Calculate(), 0);
    const std::string want =
        testing::ReadText(std::filesystem::path(SQ_SOURCE_DIR) / "foundation/tests/data" / r.golden);
    EXPECT_EQ(testing::ReadText(table.outputPath), want);
    EXPECT_EQ(table.Text(), want);
  }
}

TEST(SunMoon, MonthAndYearTables) {
  TimeFormatGuard guard;
  DateTime::timeChoice = 1;  // 24-hour clock
  TempDir dir;
  SunriseSunset table;
  table.latitude = -33.87;
  table.longitude = 151.21;
  table.zoneHours = 10;
  table.southern = true;
  table.outputPath = (dir.path() / "sunrise.txt").string();
  table.packedDate = At(2024, 2, 17).GetPackedDate();

  table.kind = SunriseSunset::kOneMonth;
  ASSERT_EQ(table.Calculate(), 0);
  std::vector<std::string> lines;
  std::stringstream ss(testing::ReadText(table.outputPath));
  for (std::string l; std::getline(ss, l);) lines.push_back(l);
  // 4 header lines, a blank line, 3 title lines, then one line per day from the 1st.
  ASSERT_EQ(lines.size(), 8u + 29u);
  EXPECT_EQ(lines[3], "   Daylight Savings Time: Automatic");
  EXPECT_EQ(lines[8].substr(0, 9), " 02-01-24");
  EXPECT_EQ(lines.back().substr(0, 9), " 02-29-24");
  for (std::size_t i = 8; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].size(), 74u) << lines[i];
    EXPECT_EQ(lines[i].find("-----", 9), std::string::npos) << lines[i];
  }
  // Summer time in Sydney on 1 February: sunrise 19:15.8 UT (the reference library),
  // 6:16 daylight time.
  EXPECT_EQ(lines[8].substr(30, 8), "    6:16") << lines[8];

  table.kind = SunriseSunset::kOneYear;
  ASSERT_EQ(table.Calculate(), 0);
  const std::string year = table.Text();
  EXPECT_EQ(std::count(year.begin(), year.end(), '\n'), 5 + 3 + 366);
}

TEST(SunMoon, UnwritableTableReportsFailure) {
  TempDir dir;
  SunriseSunset table;
  table.packedDate = At(2024, 6, 21).GetPackedDate();
  table.outputPath = (dir.path() / "missing" / "sunrise.txt").string();
  std::string error;
  EXPECT_EQ(table.Calculate(&error), -1);
  EXPECT_FALSE(error.empty());
}

TEST(SunMoon, MoonPhase) {
  struct Row {
    const char* legend;
    DateTime t;
    double fraction;
    const char* name;
  } rows[] = {
      {"new moon", At(2024, 1, 11, 11, 57), 0.0, "New Moon "},
      {"first quarter", At(2024, 1, 18, 3, 53), 0.5, "First Quarter "},
      {"full moon", At(2024, 1, 25, 17, 54), 1.0, "Full Moon "},
      {"last quarter", At(2024, 2, 2, 23, 18), 0.5, "Last Quarter "},
      {"waxing crescent", At(2024, 1, 14, 12, 0), 0.15, "Waxing Crescent "},
      {"waning gibbous", At(2024, 1, 29, 12, 0), 0.85, "Waning Gibbous "},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.legend);
    float cycle = -1, smoothed = -1;
    const float k = CalcMoonPhase(r.t, cycle, smoothed);
    EXPECT_NEAR(k, r.fraction, 0.06);
    EXPECT_GE(cycle, 0.0f);
    EXPECT_LT(cycle, 1.0f);
    EXPECT_GE(smoothed, 0.0f);
    EXPECT_LE(smoothed, 1.0f);
    EXPECT_EQ(MoonPhaseName(cycle), r.name);
  }
  EXPECT_EQ(MoonPhaseIndex(0.96f), 0);
  EXPECT_EQ(MoonPhaseName(0.96f), "New Moon ");
  EXPECT_EQ(MoonPhaseIndex(0.93f), 7);
}

}  // namespace
}  // namespace sq
