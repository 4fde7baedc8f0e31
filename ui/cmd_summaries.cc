// Daily summaries and what is computed from them:
//   summarize FOLDER [--from D --to D]   recompute daily summaries and extra radiation
//   day FOLDER D                          one day's summary values with their times
//   rain FOLDER [--rebuild] [--set YYYY-MM AMOUNT | --clear YYYY-MM]
//   degreedays FOLDER --from D --to D [--method integration|highlow] [--accept-incomplete]
//   daylight FOLDER --to D [--from D] [--threshold W]
// Dates are YYYY-MM-DD. Values print in the program folder's display units (the defaults
// without a progdata.dat). Commands that change files take the station's writer lock.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "app/station.h"
#include "database/daily_summary_object.h"
#include "database/daily_summary_ops.h"
#include "database/daylight_hours.h"
#include "database/rain_database.h"
#include "database/weather_database.h"
#include "database/writer_lock.h"
#include "foundation/date_time.h"
#include "foundation/display_units.h"
#include "foundation/file_util.h"
#include "foundation/prog_config_data.h"
#include "foundation/regional_settings.h"
#include "foundation/site.h"
#include "reports/day_summary_rows.h"
#include "ui/cli.h"
#include "ui/commands.h"

namespace sq::ui {
namespace {

using ID = WeatherDataID;

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

bool ParseMonth(const std::string& s, int* year, int* month) {
  return s.size() == 7 && s[4] == '-' && Digits(s, 0, 4, year) && Digits(s, 5, 2, month) && *year >= 1 && *month >= 1 &&
         *month <= 12;
}

std::string Iso(const DateTime& d) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
  return buf;
}

bool Lock(const char* cmd, WriterLock& lock, const std::string& folder) {
  std::string error;
  if (lock.Acquire(folder, &error)) return true;
  std::fprintf(stderr, "stratoquill %s: %s\n", cmd, error.c_str());
  return false;
}

// A progress bar on stderr when it is a terminal.
class ProgressBar {
 public:
  explicit ProgressBar(const char* what) : what_(what), tty_(::isatty(STDERR_FILENO) != 0) {}
  ~ProgressBar() {
    if (tty_ && shown_) std::fputc('\n', stderr);
  }
  void Show(std::size_t done, std::size_t total) {
    if (!tty_ || total == 0) return;
    constexpr int kWidth = 40;
    const int filled = static_cast<int>(done * kWidth / total);
    std::fprintf(stderr, "\r%s [%.*s%*s] %zu/%zu", what_, filled, "########################################",
                 kWidth - filled, "", done, total);
    std::fflush(stderr);
    shown_ = true;
  }

 private:
  const char* what_;
  bool tty_;
  bool shown_ = false;
};

// ---------------------------------------------------------------- summarize

int Summarize(const ParsedArgs& p) {
  const char* cmd = "summarize";
  if (p.pos.size() != 1 || p.opt.count("--from") != p.opt.count("--to")) return kExitUsage;
  const std::string& folder = p.pos[0];
  DateTime from, to;
  const bool range = p.opt.count("--from") > 0;
  if (range && (!ParseIsoDate(p.opt.at("--from"), &from) || !ParseIsoDate(p.opt.at("--to"), &to) || to < from)) {
    std::fprintf(stderr, "stratoquill %s: give --from and --to as YYYY-MM-DD, --from not after --to\n", cmd);
    return kExitUsage;
  }
  Station station;
  if (!LoadStation(cmd, folder, &station)) return kExitFailed;
  const SiteDescription site = station.GetSiteDescription();
  WriterLock lock;
  if (!Lock(cmd, lock, folder)) return kExitFailed;
  WeatherDatabase db;
  if (!OpenStationDatabase(cmd, db, folder, false)) return kExitFailed;

  std::vector<std::int32_t> days;
  for (std::int32_t key : db.date_list().keys()) {
    if (!range || (key >= from.GetPackedDate() && key <= to.GetPackedDate())) days.push_back(key);
  }
  ProgressBar bar("Summarizing");
  int failed = 0;
  for (std::size_t i = 0; i < days.size(); ++i) {
    DateTime day;
    day.SetDate(days[i]);
    // The THSW index of the summary reads the records' extra radiation: that goes first.
    if (CalcExtraRad(db, day, site) != 1 || SummarizeDay(db, day, site) != 1) {
      ++failed;
      std::fprintf(
          stderr, "stratoquill %s: %s: %s\n", cmd, Iso(day).c_str(),
          db.last_error().empty() ? "the day's summary records are missing or damaged" : db.last_error().c_str());
    }
    if ((i + 1) % 7 == 0 || i + 1 == days.size()) bar.Show(i + 1, days.size());
  }
  if (db.Sync() != kDbOk || db.CloseDatabase() != kDbOk) {
    std::fprintf(stderr, "stratoquill %s: %s\n", cmd, db.last_error().c_str());
    return kExitFailed;
  }
  if (!SitePositionSet(site)) {
    std::fprintf(stderr,
                 "stratoquill %s: the station's latitude and longitude are not set; "
                 "extra radiation was cleared\n",
                 cmd);
  }
  std::printf("%zu days summarized, %d failed.\n", days.size() - static_cast<std::size_t>(failed), failed);
  return failed == 0 ? kExitOk : kExitFailed;
}

// ---------------------------------------------------------------- day

int Day(const ParsedArgs& p) {
  const char* cmd = "day";
  DateTime day;
  if (p.pos.size() != 2) return kExitUsage;
  if (!ParseIsoDate(p.pos[1], &day)) {
    std::fprintf(stderr, "stratoquill %s: give the date as YYYY-MM-DD\n", cmd);
    return kExitUsage;
  }
  WeatherDatabase db;
  if (!OpenStationDatabase(cmd, db, p.pos[0], true)) return kExitFailed;
  DailySummaryObject s;
  if (GetDailySummary(db, s, day) != 1) {
    std::fprintf(stderr, "stratoquill %s: no daily summary for %s\n", cmd, Iso(day).c_str());
    return kExitFailed;
  }
  std::printf("Daily summary of %s\n\n", s.Day().GetLongDateStr().c_str());
  for (const DaySummaryRow& r : DaySummaryRows()) {
    char unit[16];
    DisplayUnits::GetUnitStr(r.id.value, unit, sizeof unit);
    const std::string value = s.GetWeatherDataStr(r.id);
    const bool has_unit = unit[0] != '\0' && value != "---" && r.id.UnitClass() != ID::kClassWindDir;
    std::string text = value + (has_unit ? std::string(" ") + unit : "");
    if (r.id.UnitClass() == ID::kClassDegreeDays && value != "---") text = value;
    const int t = s.GetTimeValue(r.id);
    std::printf("  %-28s %-14s %s\n", r.label, text.c_str(), t == kNoValue16 ? "" : s.GetTimeStr(r.id).c_str());
  }
  return kExitOk;
}

// ---------------------------------------------------------------- rain

int Rain(const ParsedArgs& p) {
  const char* cmd = "rain";
  if (p.pos.size() != 1) return kExitUsage;
  const std::string& folder = p.pos[0];
  const bool rebuild = p.opt.count("--rebuild") > 0;
  const bool set = p.opt.count("--set") > 0;
  const bool clear = p.opt.count("--clear") > 0;
  if ((set ? 1 : 0) + (clear ? 1 : 0) > 1) return kExitUsage;
  int year = 0, month = 0;
  float amount = 0;
  if (set || clear) {
    const std::string& when = p.opt.at(set ? "--set" : "--clear");
    if (!ParseMonth(when, &year, &month)) {
      std::fprintf(stderr, "stratoquill %s: give the month as YYYY-MM\n", cmd);
      return kExitUsage;
    }
    if (set) {
      if (p.pos.size() != 1 || !p.opt.count("--amount")) {
        std::fprintf(stderr, "stratoquill %s: --set needs --amount (in the display rain unit)\n", cmd);
        return kExitUsage;
      }
      char* end = nullptr;
      const std::string& a = p.opt.at("--amount");
      amount = std::strtof(a.c_str(), &end);
      if (a.empty() || *end != '\0' || !(amount >= 0 && amount < 1e5f)) {
        std::fprintf(stderr, "stratoquill %s: bad amount '%s'\n", cmd, a.c_str());
        return kExitUsage;
      }
    }
  }
  WriterLock lock;
  const bool writes = rebuild || set || clear;
  if (writes && !Lock(cmd, lock, folder)) return kExitFailed;
  RainDatabase rain;
  (void)rain.Open(folder);  // a missing file is an empty history
  if (rain.unreadable()) {
    std::fprintf(stderr,
                 "stratoquill %s: the rain history could not be read (%s); it was left as it is. "
                 "Move it away to start a new one, or rebuild it with 'stratoquill rain %s --rebuild' after that.\n",
                 cmd, rain.error().c_str(), folder.c_str());
    return kExitFailed;
  }
  if (rebuild) {
    WeatherDatabase db;
    if (!OpenStationDatabase(cmd, db, folder, true)) return kExitFailed;
    rain.Clear();
    DailySummaryObject s;
    for (std::int32_t key : db.date_list().keys()) {
      DateTime day;
      day.SetDate(key);
      if (GetDailySummary(db, s, day) == 1) rain.Put(s);
    }
  }
  if (set || clear) {
    if (rain.FindYear(year) < 0) {
      RainRecord r;
      r.year = year;
      (void)rain.AddRainRec(r);
    }
    if (rain.PutMonthRain(rain.FindYear(year), month - 1, clear ? -1.0f : amount) != 0) return kExitFailed;
  }
  if (writes && rain.Save() != 0) {
    std::fprintf(stderr, "stratoquill %s: cannot write %s\n", cmd, rain.path().c_str());
    return kExitFailed;
  }
  std::printf("    ");
  for (int m = 1; m <= 12; ++m) std::printf("%8s", DateTime::MonthName(m).c_str());
  std::printf("%7s\n", "Year");
  for (int i = 0; i < rain.BrowserLineCount(); ++i) std::printf("%s\n", rain.GetBrowserStr(i).c_str());
  return kExitOk;
}

// ---------------------------------------------------------------- degree days

bool AskOnTerminal(const std::string& question, bool accept_all) {
  std::fprintf(stderr, "%s\n", question.c_str());
  if (accept_all) return true;
  if (::isatty(STDIN_FILENO) == 0) {
    std::fprintf(stderr, "(not a terminal: cancelled; --accept-incomplete uses the values)\n");
    return false;
  }
  std::fprintf(stderr, "OK or Cancel? [o/c] ");
  std::string answer;
  if (!std::getline(std::cin, answer)) return false;
  return !answer.empty() && (answer[0] == 'o' || answer[0] == 'O' || answer[0] == 'y' || answer[0] == 'Y');
}

int DegreeDays(const ParsedArgs& p) {
  const char* cmd = "degreedays";
  DateTime from, to;
  if (p.pos.size() != 1 || !p.opt.count("--from") || !p.opt.count("--to")) return kExitUsage;
  if (!ParseIsoDate(p.opt.at("--from"), &from) || !ParseIsoDate(p.opt.at("--to"), &to) || to < from) {
    std::fprintf(stderr, "stratoquill %s: give --from and --to as YYYY-MM-DD, --from not after --to\n", cmd);
    return kExitUsage;
  }
  const std::string method = p.opt.count("--method") ? p.opt.at("--method") : "integration";
  if (method != "integration" && method != "highlow") return kExitUsage;
  Station station;
  if (!LoadStation(cmd, p.pos[0], &station)) return kExitFailed;
  const float base = station.GetSiteDescription().heat_base_f;
  WeatherDatabase db;
  if (!OpenStationDatabase(cmd, db, p.pos[0], true)) return kExitFailed;
  const bool accept = p.opt.count("--accept-incomplete") > 0;
  DegDayPrompts prompts{[&](const std::string& q) { return AskOnTerminal(q, accept); },
                        [&](const std::string& e) { std::fprintf(stderr, "stratoquill %s: %s\n", cmd, e.c_str()); }};
  double total = 0;
  const int rc = method == "highlow" ? DegDayHighLowMethod(db, from, to, &total, base, prompts)
                                     : DegDayIntegrationMethod(db, from, to, &total, base, prompts);
  if (rc != 0) {
    std::fprintf(stderr, "stratoquill %s: cancelled\n", cmd);
    return kExitFailed;
  }
  const bool celsius = DisplayUnits::tempUnit == DisplayUnits::kCelsius;
  std::printf("Heating degree days %s to %s (%s method, base %.1f %s): %.1f\n", Iso(from).c_str(), Iso(to).c_str(),
              method == "highlow" ? "high/low" : "integration", celsius ? (base - 32) * 5 / 9 : base,
              DisplayUnits::tempUnitStr, celsius ? total * 5 / 9 : total);
  return kExitOk;
}

// ---------------------------------------------------------------- daylight

int Daylight(const ParsedArgs& p) {
  const char* cmd = "daylight";
  DateTime to, from;
  if (p.pos.size() != 1 || !p.opt.count("--to")) return kExitUsage;
  if (!ParseIsoDate(p.opt.at("--to"), &to) || (p.opt.count("--from") && !ParseIsoDate(p.opt.at("--from"), &from))) {
    std::fprintf(stderr, "stratoquill %s: give dates as YYYY-MM-DD\n", cmd);
    return kExitUsage;
  }
  Station station;
  if (!LoadStation(cmd, p.pos[0], &station)) return kExitFailed;
  std::int32_t start = from.valid ? from.GetPackedDate() : static_cast<std::int32_t>(station.record().daylight_start);
  int threshold = station.record().daylight_threshold;
  if (p.opt.count("--threshold")) {
    char* end = nullptr;
    const long v = std::strtol(p.opt.at("--threshold").c_str(), &end, 10);
    if (*end != '\0' || v < 1 || v > kMaxPlausibleSolar) return kExitUsage;
    threshold = static_cast<int>(v);
  }
  if (threshold <= 0) threshold = kDefaultDaylightThreshold;
  DateTime start_date;
  start_date.SetDate(start);
  if (!start_date.valid) {
    std::fprintf(stderr, "stratoquill %s: the station has no daylight-hours start date; give --from\n", cmd);
    return kExitUsage;
  }
  WeatherDatabase db;
  if (!OpenStationDatabase(cmd, db, p.pos[0], true)) return kExitFailed;
  DaylightHours dh;
  if (dh.Calculate(db, start, to, threshold,
                   [&](const std::string& e) { std::fprintf(stderr, "stratoquill %s: %s\n", cmd, e.c_str()); }) != 0) {
    return kExitFailed;
  }
  std::printf("Hours of solar radiation above %d W/m2 from %s to %s: %.1f\n", threshold, Iso(start_date).c_str(),
              Iso(to).c_str(), dh.total());
  for (const DaylightHours::Day& d : dh.history()) {
    if (d.hours < 0) break;
    DateTime day;
    day.SetDate(d.packed_date);
    std::printf("  %s  %5.1f\n", Iso(day).c_str(), d.hours);
  }
  return kExitOk;
}

int Run(const Args& args, const char* cmd, const char* usage, const std::vector<std::string>& valued,
        const std::vector<std::string>& flags, int (*body)(const ParsedArgs&)) {
  const ParsedArgs p = ParseArgs(args, valued, flags);
  if (p.help) {
    std::fputs(usage, stdout);
    return kExitOk;
  }
  if (!p.bad.empty()) {
    std::fprintf(stderr, "stratoquill %s: unknown option or missing value: %s\n", cmd, p.bad.c_str());
    std::fputs(usage, stderr);
    return kExitUsage;
  }
  LoadRegionalSettings();
  ApplyProgramUnits(cmd);
  const int rc = body(p);
  if (rc == kExitUsage) std::fputs(usage, stderr);
  return rc;
}

}  // namespace

int RunSummarize(const Args& args) {
  return Run(args, "summarize",
             "Usage: stratoquill summarize STATION_FOLDER [--from YYYY-MM-DD --to YYYY-MM-DD]\n"
             "\n"
             "Recomputes the daily summaries and the extra-radiation value of every archive\n"
             "record, for every day with data or the days of the range. Needs the station's\n"
             "STATION.CFG (position, time zone, UV dose factor) and the writer lock.\n",
             {"--from", "--to"}, {}, Summarize);
}

int RunDay(const Args& args) {
  return Run(args, "day",
             "Usage: stratoquill day STATION_FOLDER YYYY-MM-DD\n"
             "\n"
             "Prints the day's summary values with the times of its highs and lows.\n",
             {}, {}, Day);
}

int RunRain(const Args& args) {
  return Run(args, "rain",
             "Usage: stratoquill rain STATION_FOLDER [--rebuild] [--set YYYY-MM --amount A | --clear YYYY-MM]\n"
             "\n"
             "Prints the rain history (rain.db): the minimum, maximum and average of every\n"
             "month and of whole years, then one line per year.\n"
             "  --rebuild         rebuild rain.db from the daily summaries of the database\n"
             "  --set YYYY-MM     set a month's total to --amount (display rain unit)\n"
             "  --clear YYYY-MM   mark a month as having no value\n",
             {"--set", "--amount", "--clear"}, {"--rebuild"}, Rain);
}

int RunDegreeDays(const Args& args) {
  return Run(args, "degreedays",
             "Usage: stratoquill degreedays STATION_FOLDER --from YYYY-MM-DD --to YYYY-MM-DD\n"
             "                              [--method integration|highlow] [--accept-incomplete]\n"
             "\n"
             "Heating degree days over the range with the station's degree-day base.\n"
             "  --method             integration (every archive record, the default) or\n"
             "                       highlow (the daily high and low temperature)\n"
             "  --accept-incomplete  use days with less than 18 hours of data without asking;\n"
             "                       otherwise a terminal is asked and other input cancels\n",
             {"--from", "--to", "--method"}, {"--accept-incomplete"}, DegreeDays);
}

int RunDaylight(const Args& args) {
  return Run(args, "daylight",
             "Usage: stratoquill daylight STATION_FOLDER --to YYYY-MM-DD [--from YYYY-MM-DD] [--threshold W]\n"
             "\n"
             "Hours with solar radiation above the station's threshold (default 100 W/m2),\n"
             "from the station's daylight-hours start date (or --from) to --to, and the\n"
             "hours of the last 15 days with data.\n",
             {"--to", "--from", "--threshold"}, {}, Daylight);
}

}  // namespace sq::ui
