// The monthly and annual climatological report files: fixed-layout text in the
// customary form of such reports, made from a NoaaSummary, in the user's display units.
//
// The layout is exact to the character (readers compare it line by line with national
// weather-service reports); FORMAT.md beside this file shows both reports.
//
// The standard files of a station folder, for the month and year of the database's last
// record: "NOAAMO.TXT" (that month), "NOAAPRMO.TXT" (the month before), "NOAAYR.TXT"
// (that year), "NOAAPRYR.TXT" (the year before).
#pragma once

#include <string>

#include "reports/noaa_summary.h"

namespace sq {

inline constexpr int kNoaaOk = 0;
inline constexpr int kNoaaFailed = -1;     // a database read failed; nothing written
inline constexpr int kNoaaNoFile = -2;     // "Could not open noaa.txt"; nothing written
inline constexpr int kNoaaNoRecords = -3;  // "No records in your database."

// The report texts of a month / a year whose summary `summary` holds.
[[nodiscard]] std::string FormatMonthlyReport(const NoaaSummary& summary, int year, int month);
[[nodiscard]] std::string FormatAnnualReport(const NoaaSummary& summary, int year);

// Which report: a month (month 1..12) or a whole year (month 0).
struct NoaaPeriod {
  int year = 0;
  int month = 0;
};

// The four standard reports.
enum class NoaaStandard { kThisMonth, kLastMonth, kThisYear, kLastYear };

// The period of a standard report, from the date of the database's last record; false
// when the database has no record.
[[nodiscard]] bool StandardPeriod(const WeatherDatabase& db, NoaaStandard which, NoaaPeriod* out);
// "NOAAMO.TXT", "NOAAPRMO.TXT", "NOAAYR.TXT", "NOAAPRYR.TXT".
[[nodiscard]] std::string StandardFileName(NoaaStandard which);

// Runs the summary of `period` and writes its report to `path` atomically (a temporary
// file renamed over the old one). kNoaaOk with the text in *text; kNoaaFailed with the
// database's message in *error; kNoaaNoFile when the file cannot be written (*error holds
// "Could not open noaa.txt" and the reason). Nothing is written on failure.
[[nodiscard]] int WriteNoaaReport(WeatherDatabase& db, const NoaaSettings& settings, const NoaaPeriod& period,
                                  const std::string& path, std::string* text, std::string* error);

// The four standard reports into `folder`. kNoaaNoRecords on an empty database;
// otherwise the first failure of WriteNoaaReport, or kNoaaOk.
[[nodiscard]] int WriteStandardNoaaReports(WeatherDatabase& db, const NoaaSettings& settings, const std::string& folder,
                                           std::string* error);

}  // namespace sq
