// stratoquill db: looks into a station's database without changing it.
//   db info FOLDER    months, days with data, records, first and last dates
//   db check FOLDER   validates every month file; exit status 1 when anything is wrong
#include <cstdio>
#include <string>

#include "database/database_check.h"
#include "database/weather_database.h"
#include "foundation/date_time.h"
#include "foundation/regional_settings.h"
#include "ui/cli.h"
#include "ui/commands.h"

namespace sq::ui {
namespace {

void PrintUsage(std::FILE* out) {
  std::fprintf(out,
               "Usage: stratoquill db info STATION_FOLDER\n"
               "       stratoquill db check STATION_FOLDER\n"
               "\n"
               "  info    months, days with data, archive records, first and last dates\n"
               "  check   validates every month file (header, day index, summary records\n"
               "          first in each day, time order); exits with status 1 when it\n"
               "          finds a problem\n"
               "\n"
               "Both only read the month files.\n");
}

std::string DateAndTime(const DateTime& d) {
  if (!d.valid) return "-----";
  std::string text = d.GetDateStr();
  if (d.packed_time >= 0) text += " " + d.GetTimeStr();
  return text;
}

int Info(const std::string& folder) {
  WeatherDatabase db;
  const int rc = db.OpenDatabase(folder, true);
  if (rc == kDbNoFiles) {
    std::printf("Station folder: %s\nNo month files: the database is empty.\n", folder.c_str());
    return kExitOk;
  }
  if (rc != kDbOk && db.month_count() == 0) {
    std::fprintf(stderr, "stratoquill db: %s\n", db.last_error().c_str());
    return kExitFailed;
  }
  std::printf("Station folder:   %s\n", folder.c_str());
  std::printf("Months:           %d", db.month_count());
  if (db.month_count() > 0) {
    const MonthEntry& a = db.months().front();
    const MonthEntry& b = db.months().back();
    std::printf(" (%04d-%02d to %04d-%02d)", a.year, a.month, b.year, b.month);
  }
  std::printf("\nDays with data:   %zu\n", db.date_list().size());
  std::printf("Archive records:  %d\n", db.NumberOfDataRecords());
  std::printf("All records:      %d (two daily summary records a day included)\n", db.total_records());
  std::printf("First record:     %s\n", DateAndTime(db.first_date()).c_str());
  std::printf("Last record:      %s\n", DateAndTime(db.last_date()).c_str());
  for (const MonthProblem& p : db.problems()) {
    std::printf("%s %s: %s\n", p.used ? "Damaged:         " : "Left out:        ", p.file_name.c_str(),
                p.message.c_str());
  }
  if (rc != kDbOk) {
    std::fprintf(stderr, "stratoquill db: %s\n", db.last_error().c_str());
    return kExitFailed;
  }
  return kExitOk;
}

int Check(const std::string& folder) {
  CheckReport report;
  if (!CheckDatabaseFolder(DefaultFileSystem(), folder, &report)) {
    std::fprintf(stderr, "stratoquill db: cannot list the folder %s\n", folder.c_str());
    return kExitFailed;
  }
  for (const CheckFinding& f : report.findings) {
    if (f.record >= 0) {
      std::printf("%s: record %lld: %s\n", f.file_name.c_str(), static_cast<long long>(f.record), f.message.c_str());
    } else {
      std::printf("%s: %s\n", f.file_name.c_str(), f.message.c_str());
    }
  }
  std::printf("%d month files, %lld records checked, %zu problem%s found.\n", report.files_checked,
              static_cast<long long>(report.records_checked), report.findings.size(),
              report.findings.size() == 1 ? "" : "s");
  return report.findings.empty() ? kExitOk : kExitFailed;
}

}  // namespace

int RunDb(const Args& args) {
  if (args.size() >= 2 && IsHelp(args[1])) {
    PrintUsage(stdout);
    return kExitOk;
  }
  if (args.size() != 3 || (args[1] != "info" && args[1] != "check")) {
    PrintUsage(stderr);
    return kExitUsage;
  }
  LoadRegionalSettings();
  return args[1] == "info" ? Info(args[2]) : Check(args[2]);
}

}  // namespace sq::ui
