// stratoquill noaa: the monthly and annual climatological reports.
//
//   noaa FOLDER (--month YYYY-MM | --year YYYY | --this-month | --last-month |
//                --this-year | --last-year | --standard) [--out FILE]
//
// Writes the report into the station folder ("NOAAMO.TXT", "NOAAPRMO.TXT", "NOAAYR.TXT",
// "NOAAPRYR.TXT" for the four shortcuts, "NOAA-YYYY-MM.TXT" / "NOAA-YYYY.TXT" otherwise)
// or into FILE, and prints it. "This" month and year are those of the database's last
// record. --standard writes the four standard files at once. Values are in the program
// folder's display units (the defaults without a progdata.dat).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/dirs.h"
#include "app/program_config.h"
#include "app/station.h"
#include "database/weather_database.h"
#include "foundation/regional_settings.h"
#include "reports/noaa_report.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "ui/cli.h"
#include "ui/commands.h"

namespace sq::ui {
namespace {

const char* const kUsage =
    "Usage: stratoquill noaa FOLDER (--month YYYY-MM | --year YYYY | --this-month |\n"
    "                               --last-month | --this-year | --last-year | --standard)\n"
    "                               [--out FILE]\n"
    "\n"
    "Writes a monthly or annual climatological summary of the station's data into the\n"
    "station folder and prints it. This month and year are those of the last record.\n"
    "\n"
    "  --month YYYY-MM  that month's report, file NOAA-YYYY-MM.TXT\n"
    "  --year YYYY      that year's report, file NOAA-YYYY.TXT\n"
    "  --this-month     NOAAMO.TXT        --last-month  NOAAPRMO.TXT\n"
    "  --this-year      NOAAYR.TXT        --last-year   NOAAPRYR.TXT\n"
    "  --standard       all four of the files above (nothing is printed)\n"
    "  --out FILE       write FILE instead (relative to the current folder)\n"
    "\n"
    "The report settings are station settings: noaa-city, noaa-state, noaa-elevation,\n"
    "noaa-latitude, noaa-longitude, heat-base, cool-base, normal-temp, normal-rain and\n"
    "noaa-integration (see 'stratoquill station set --help').\n";

int Usage(const std::string& problem) {
  std::fprintf(stderr, "stratoquill noaa: %s\n%s", problem.c_str(), kUsage);
  return kExitUsage;
}

bool Digits(const std::string& s, std::size_t pos, std::size_t n, int* out) {
  if (pos + n > s.size()) return false;
  int v = 0;
  for (std::size_t i = pos; i < pos + n; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + (s[i] - '0');
  }
  *out = v;
  return true;
}

constexpr int kFirstYear = 1900;
constexpr int kLastYear = 2999;

bool ParseYear(const std::string& s, int* year) {
  return s.size() == 4 && Digits(s, 0, 4, year) && *year >= kFirstYear && *year <= kLastYear;
}

bool ParseMonth(const std::string& s, NoaaPeriod* p) {
  return s.size() == 7 && s[4] == '-' && ParseYear(s.substr(0, 4), &p->year) && Digits(s, 5, 2, &p->month) &&
         p->month >= 1 && p->month <= 12;
}

std::string InFolder(const std::string& folder, const std::string& name) {
  return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

int RunNoaa(const Args& args) {
  std::string folder, out, choice, value;
  int choices = 0;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (IsHelp(a)) {
      std::printf("%s", kUsage);
      return kExitOk;
    }
    if (a == "--month" || a == "--year" || a == "--out") {
      if (i + 1 >= args.size()) return Usage(a + " needs a value");
      if (a == "--out") {
        out = args[++i];
      } else {
        choice = a;
        value = args[++i];
        ++choices;
      }
    } else if (a == "--this-month" || a == "--last-month" || a == "--this-year" || a == "--last-year" ||
               a == "--standard") {
      choice = a;
      ++choices;
    } else if (a.rfind("-", 0) == 0) {
      return Usage("unknown option '" + a + "'");
    } else if (folder.empty()) {
      folder = a;
    } else {
      return Usage("one station folder only ('" + a + "' is one too many)");
    }
  }
  if (folder.empty()) return Usage("give the station folder");
  if (choices != 1)
    return Usage(
        "choose one report: --month, --year, --this-month, --last-month, --this-year, --last-year or --standard");
  if (choice == "--standard" && !out.empty())
    return Usage("--standard writes the four standard files; --out does not go with it");

  NoaaPeriod period;
  std::string name;
  if (choice == "--month") {
    if (!ParseMonth(value, &period)) return Usage("give the month as YYYY-MM, for example 2025-07");
    char buf[32];
    std::snprintf(buf, sizeof buf, "NOAA-%04d-%02d.TXT", period.year, period.month);
    name = buf;
  } else if (choice == "--year") {
    if (!ParseYear(value, &period.year)) return Usage("give the year as YYYY, for example 2025");
    name = "NOAA-" + value + ".TXT";
  }

  ApplyProgramUnits();
  LoadRegionalSettings();
  Station station;
  if (!LoadStation("noaa", folder, &station)) return kExitFailed;
  const NoaaSettings settings = NoaaSettings::FromStation(station);
  WeatherDatabase db;
  const int rc = db.OpenDatabase(folder, true);
  if (rc == kDbNoFiles || (rc == kDbOk && db.NumberOfDataRecords() <= 0)) {
    return Fail("noaa", std::string(LoadString(string_id::kNoRecordsInDatabase)));
  }
  if (rc != kDbOk && db.month_count() == 0) {
    std::fprintf(stderr, "stratoquill noaa: %s\n", db.last_error().c_str());
    return kExitFailed;
  }
  ReportMonthProblems("noaa", db);

  std::string error;
  if (choice == "--standard") {
    if (WriteStandardNoaaReports(db, settings, folder, &error) != kNoaaOk) {
      std::fprintf(stderr, "stratoquill noaa: %s\n", error.c_str());
      return kExitFailed;
    }
    for (NoaaStandard which :
         {NoaaStandard::kThisMonth, NoaaStandard::kLastMonth, NoaaStandard::kThisYear, NoaaStandard::kLastYear}) {
      std::fprintf(stderr, "wrote %s\n", InFolder(folder, StandardFileName(which)).c_str());
    }
    return kExitOk;
  }
  if (name.empty()) {
    const NoaaStandard which = choice == "--this-month"   ? NoaaStandard::kThisMonth
                               : choice == "--last-month" ? NoaaStandard::kLastMonth
                               : choice == "--this-year"  ? NoaaStandard::kThisYear
                                                          : NoaaStandard::kLastYear;
    if (!StandardPeriod(db, which, &period)) {
      return Fail("noaa", std::string(LoadString(string_id::kNoRecordsInDatabase)));
    }
    name = StandardFileName(which);
  }
  const std::string path = out.empty() ? InFolder(folder, name) : out;
  std::string text;
  if (WriteNoaaReport(db, settings, period, path, &text, &error) != kNoaaOk) {
    std::fprintf(stderr, "stratoquill noaa: %s\n", error.c_str());
    return kExitFailed;
  }
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fprintf(stderr, "wrote %s\n", path.c_str());
  return kExitOk;
}

}  // namespace sq::ui
