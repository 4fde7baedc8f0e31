// stratoquill browse, export, export-auto and lists: the record browsers, the export
// dialog and the data-list editor on the command line.
//
//   browse FOLDER [--from D] [--to D] [--daily] [--list NAME] [--width N] [--start-column N]
//   export FOLDER --from D --to D [--daily] [--no-time] [--separator C] [--list NAME] FILE
//   export-auto FOLDER [--days N] [--numbered]
//   lists FOLDER [--sets] [--add LIST SET VAR] [--remove LIST N] [--reset]
//
// Values are shown in the program folder's display units (the defaults without a
// progdata.dat); dates are typed as YYYY-MM-DD. Only `lists` with a change and the
// export files write anything.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/dirs.h"
#include "app/messages.h"
#include "app/station.h"
#include "database/month_file.h"
#include "database/weather_database.h"
#include "database/writer_lock.h"
#include "foundation/date_time.h"
#include "foundation/display_units.h"
#include "foundation/file_util.h"
#include "foundation/prog_config_data.h"
#include "foundation/regional_settings.h"
#include "foundation/site.h"
#include "link/download_journal.h"
#include "reports/auto_export.h"
#include "reports/browser_lines.h"
#include "reports/export_target.h"
#include "reports/list_strings.h"
#include "reports/record_range.h"
#include "reports/station_data_lists.h"
#include "reports/text_export.h"
#include "resources/string_table.h"
#include "ui/cli.h"
#include "ui/commands.h"

namespace sq::ui {
namespace {

const char* const kBrowseUsage =
    "Usage: stratoquill browse FOLDER [--from YYYY-MM-DD] [--to YYYY-MM-DD] [--daily]\n"
    "                          [--list NAME] [--width N] [--start-column N] [--skip-damaged]\n"
    "\n"
    "Prints the browser lines of the station's records: three header lines, then one\n"
    "line per archive record (with --daily, one per day) of the days chosen (all by\n"
    "default). A damaged month file in the range is named and left out, and the exit\n"
    "status is 1 unless --skip-damaged is given.\n"
    "\n"
    "  --list NAME        data list to show (default: the first list; with --daily the\n"
    "                     day browser list, or the daily data set while it is empty)\n"
    "  --width N          cut the lines to fit N characters (default: no limit)\n"
    "  --start-column N   skip the first N columns\n"
    "  --skip-damaged     exit 0 even when a damaged month file was left out\n";

const char* const kExportUsage =
    "Usage: stratoquill export FOLDER --from YYYY-MM-DD --to YYYY-MM-DD [--daily]\n"
    "                          [--no-time] [--separator CHAR] [--list NAME] [--force]\n"
    "                          [--skip-damaged] FILE\n"
    "\n"
    "Writes the records (with --daily, the days) of the range to FILE (relative to the\n"
    "current folder) as delimited text: two header lines, then one line per record. A\n"
    "damaged month file in the range is named and left out, and the exit status is 1\n"
    "unless --skip-damaged is given. An existing FILE is replaced after a yes on the\n"
    "terminal, or with --force; the program's own files (month files, STATION.CFG,\n"
    "progdata.dat, rain.db, lists, logs) are never replaced.\n"
    "\n"
    "  --separator CHAR   one character, or 'tab', 'comma', 'semicolon', 'space'\n"
    "                     (default: tab)\n"
    "  --no-time          leave out the time column\n"
    "  --list NAME        data list to export (default as for browse)\n"
    "  --force            replace an existing FILE without asking\n"
    "  --skip-damaged     exit 0 even when a damaged month file was left out\n";

const char* const kExportAutoUsage =
    "Usage: stratoquill export-auto FOLDER [--days N] [--numbered]\n"
    "\n"
    "Writes the automatic export file download.txt into the station folder: the\n"
    "browser lines of every record from N days (default 1) before the last day on,\n"
    "with the station's chosen export list. With --numbered the file is\n"
    "downldNN.txt, NN being N + 1.\n";

const char* const kListsUsage =
    "Usage: stratoquill lists FOLDER [--sets] [--add LIST SET VAR] [--remove LIST N] [--reset]\n"
    "\n"
    "Shows the station's data lists (with --sets, every variable of its data sets,\n"
    "numbered as --add takes them). LIST is a list's name or number.\n"
    "\n"
    "  --add LIST SET VAR  append variable VAR of set SET to the list\n"
    "  --remove LIST N     remove element N of the list\n"
    "  --reset             replace the sets and lists with the defaults for the\n"
    "                      station's sensors\n";

bool ParseInt(const std::string& s, int lo, int hi, int* out) {
  if (s.empty() || s.size() > 9) return false;
  char* end = nullptr;
  const long v = std::strtol(s.c_str(), &end, 10);
  if (*end != '\0' || v < lo || v > hi) return false;
  *out = static_cast<int>(v);
  return true;
}

bool ParseDay(const std::string& s, DateTime* out) {
  int y = 0, m = 0, d = 0;
  if (s.size() != 10 || s[4] != '-' || s[7] != '-' || !ParseInt(s.substr(0, 4), 1, 9999, &y) ||
      !ParseInt(s.substr(5, 2), 1, 12, &m) || !ParseInt(s.substr(8, 2), 1, 31, &d))
    return false;
  DateTime day(m, d, y);
  if (d > day.DaysInMonth()) return false;
  *out = day;
  return true;
}

bool ParseSeparator(const std::string& s, char* out) {
  if (s == "tab" || s == "\\t")
    *out = '\t';
  else if (s == "comma")
    *out = ',';
  else if (s == "semicolon")
    *out = ';';
  else if (s == "space")
    *out = ' ';
  else if (s.size() == 1 && s[0] != '\n' && s[0] != '\r')
    *out = s[0];
  else
    return false;
  return true;
}

// The station of a folder: its configuration when it has one, else the defaults.
struct LoadedStation {
  Station station;
  StationDataLists* lists = nullptr;
};

LoadedStation LoadStationOrDefaults(const std::string& folder) {
  InstallDataListHooks();
  LoadedStation s;
  if (s.station.Load(folder) != kStationOk) s.station.SetFolder(folder);
  s.lists = &DataListsOf(s.station);
  return s;
}

// A list by name or number; nullptr when there is none.
DataList* FindList(StationDataLists& data, const std::string& key) {
  if (DataList* l = data.lists.Find(key)) return l;
  int n = 0;
  if (ParseInt(key, 0, 1000000, &n)) return data.lists.List(n);
  return nullptr;
}

// The list a browser or export shows, every element active.
bool ChooseList(StationDataLists& data, const std::string& name, bool daily, const char* cmd, DataList* out) {
  const DataList* list = nullptr;
  if (!name.empty()) {
    list = FindList(data, name);
    if (list == nullptr) {
      std::fprintf(stderr, "stratoquill %s: the station has no data list '%s'\n", cmd, name.c_str());
      return false;
    }
  } else {
    list = data.lists.List(daily ? kDayBrowserList : kArchiveBrowserList);
  }
  if (list != nullptr && list->Count() > 0) {
    *out = CopyList(*list, kCopyAllActive);
    return true;
  }
  DataList fallback(list ? list->Name() : std::string(), &data.sets);
  if (daily && name.empty()) {
    const DataSet* set = data.sets.Set(kDailySet);
    for (int i = 0; set && i < set->Count(); ++i) fallback.Add(kDailySet, i, true);
  }
  *out = fallback;
  return true;
}

// Names on stderr each month file of the range [from, to] that could not be used and
// was left out, or is damaged and read through its days only; returns how many were
// left out.
int ReportSkippedMonths(const WeatherDatabase& db, const DateTime& from, const DateTime& to, const std::string& folder,
                        const char* cmd) {
  int count = 0;
  for (const MonthProblem& p : db.problems()) {
    int year = 0, month = 0;
    if (ParseMonthFileName(p.file_name, &year, &month) && month >= 1 && month <= 12) {
      const int m = year * 12 + month;
      if ((from.valid && m < from.year * 12 + from.month) || (to.valid && m > to.year * 12 + to.month)) continue;
    }
    std::fprintf(stderr, "stratoquill %s: %s the damaged month file %s: %s (see 'stratoquill db check %s')\n", cmd,
                 p.used ? "read the days of" : "left out", p.file_name.c_str(), p.message.c_str(), folder.c_str());
    if (!p.used) ++count;
  }
  return count;
}

// Reads the value of an option at args[*i + 1].
bool OptionValue(const Args& args, std::size_t* i, const char* cmd, std::string* out) {
  if (*i + 1 >= args.size()) {
    std::fprintf(stderr, "stratoquill %s: %s needs a value\n", cmd, args[*i].c_str());
    return false;
  }
  *out = args[++*i];
  return true;
}

}  // namespace

int RunBrowse(const Args& args) {
  std::string from_text, to_text, list_name, width_text, start_text;
  bool daily = false, skip_damaged = false;
  std::vector<std::string> pos;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    bool ok = true;
    if (IsHelp(a)) {
      std::fputs(kBrowseUsage, stdout);
      return kExitOk;
    } else if (a == "--daily") {
      daily = true;
    } else if (a == "--skip-damaged") {
      skip_damaged = true;
    } else if (a == "--from") {
      ok = OptionValue(args, &i, "browse", &from_text);
    } else if (a == "--to") {
      ok = OptionValue(args, &i, "browse", &to_text);
    } else if (a == "--list") {
      ok = OptionValue(args, &i, "browse", &list_name);
    } else if (a == "--width") {
      ok = OptionValue(args, &i, "browse", &width_text);
    } else if (a == "--start-column") {
      ok = OptionValue(args, &i, "browse", &start_text);
    } else if (a.size() > 1 && a[0] == '-') {
      std::fprintf(stderr, "stratoquill browse: unknown option %s\n", a.c_str());
      ok = false;
    } else {
      pos.push_back(a);
    }
    if (!ok) {
      std::fputs(kBrowseUsage, stderr);
      return kExitUsage;
    }
  }
  if (pos.size() != 1) {
    std::fputs(kBrowseUsage, stderr);
    return kExitUsage;
  }
  DateTime from, to;
  int width = kNoWidthLimit, start = 0;
  if ((!from_text.empty() && !ParseDay(from_text, &from)) || (!to_text.empty() && !ParseDay(to_text, &to))) {
    std::fprintf(stderr, "stratoquill browse: give dates as YYYY-MM-DD\n");
    return kExitUsage;
  }
  if ((!width_text.empty() && !ParseInt(width_text, 1, 100000, &width)) ||
      (!start_text.empty() && !ParseInt(start_text, 0, 1000, &start))) {
    std::fprintf(stderr, "stratoquill browse: --width takes 1..100000 and --start-column 0..1000\n");
    return kExitUsage;
  }
  LoadRegionalSettings();
  ApplyProgramUnits();
  LoadedStation st = LoadStationOrDefaults(pos[0]);
  DataList list;
  if (!ChooseList(*st.lists, list_name, daily, "browse", &list)) return kExitFailed;
  WeatherDatabase db;
  if (!OpenStationDatabase("browse", db, pos[0], true, false)) return kExitFailed;
  if (!from.valid) from = db.first_date();
  if (!to.valid) to = db.last_date();
  const int skipped = ReportSkippedMonths(db, from, to, pos[0], "browse");

  const Columns cols = ActiveColumns(list);
  std::string line;
  for (int n = 1; n <= 3; ++n) {
    int w = width;
    BrowserHeaderLine(n, cols, !daily, start, &w, &line);
    std::printf("%s\n", line.c_str());
  }
  const SiteDescription site = st.station.GetSiteDescription();
  int rc = 0;
  if (daily) {
    rc = ForEachDay(db, from, to, site, [&](const DailySummaryObject& day) {
      int w = width;
      DailyBrowserLine(day, cols, false, start, &w, &line);
      std::printf("%s\n", line.c_str());
      return true;
    });
  } else {
    rc = ForEachArchiveRecord(db, from, to, site, [&](const WeatherDataObject& rec) {
      int w = width;
      ArchiveBrowserLine(rec, cols, true, start, &w, &line);
      std::printf("%s\n", line.c_str());
      return true;
    });
  }
  if (rc != 0) {
    std::fprintf(stderr, "stratoquill browse: %s\n", db.last_error().c_str());
    return kExitFailed;
  }
  return skipped > 0 && !skip_damaged ? kExitFailed : kExitOk;
}

// Whether the export may write `path`: never one of the program's own files; an
// existing other file only after a yes on the terminal or with --force.
bool MayWriteExport(const std::string& path, bool force) {
  std::string what;
  if (IsProgramOwnFile(path, ProgramFolder(), &what)) {
    std::fprintf(stderr, "stratoquill export: '%s' is %s; it was left as it is (choose another file name)\n",
                 path.c_str(), what.c_str());
    return false;
  }
  std::error_code ec;
  if (force || !std::filesystem::exists(std::filesystem::symlink_status(path, ec))) return true;
  if (AskYesNo("'" + path + "' exists. Replace it?", "Export", false)) return true;
  std::fprintf(stderr, "stratoquill export: '%s' was left as it is (use --force to replace it)\n", path.c_str());
  return false;
}

int RunExport(const Args& args) {
  std::string from_text, to_text, list_name, sep_text;
  bool daily = false, with_time = true, force = false, skip_damaged = false;
  std::vector<std::string> pos;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    bool ok = true;
    if (IsHelp(a)) {
      std::fputs(kExportUsage, stdout);
      return kExitOk;
    } else if (a == "--daily") {
      daily = true;
    } else if (a == "--no-time") {
      with_time = false;
    } else if (a == "--force") {
      force = true;
    } else if (a == "--skip-damaged") {
      skip_damaged = true;
    } else if (a == "--from") {
      ok = OptionValue(args, &i, "export", &from_text);
    } else if (a == "--to") {
      ok = OptionValue(args, &i, "export", &to_text);
    } else if (a == "--list") {
      ok = OptionValue(args, &i, "export", &list_name);
    } else if (a == "--separator") {
      ok = OptionValue(args, &i, "export", &sep_text);
    } else if (a.size() > 1 && a[0] == '-') {
      std::fprintf(stderr, "stratoquill export: unknown option %s\n", a.c_str());
      ok = false;
    } else {
      pos.push_back(a);
    }
    if (!ok) {
      std::fputs(kExportUsage, stderr);
      return kExitUsage;
    }
  }
  if (pos.empty() || pos.size() > 2) {
    std::fputs(kExportUsage, stderr);
    return kExitUsage;
  }
  if (pos.size() < 2 || pos[1].empty()) {
    std::fprintf(stderr, "%s\n", std::string(LoadString(kStrNoExportFile)).c_str());
    return kExitUsage;
  }
  ExportOptions opt;
  if (from_text.empty() || to_text.empty()) {
    std::fprintf(stderr, "%s\n", std::string(LoadString(kStrNoExportRange)).c_str());
    return kExitUsage;
  }
  if (!ParseDay(from_text, &opt.from) || !ParseDay(to_text, &opt.to)) {
    std::fprintf(stderr, "stratoquill export: give dates as YYYY-MM-DD\n");
    return kExitUsage;
  }
  if (!sep_text.empty() && !ParseSeparator(sep_text, &opt.separator)) {
    std::fprintf(stderr, "stratoquill export: the separator must be one character (or tab, comma, semicolon, space)\n");
    return kExitUsage;
  }
  opt.daily = daily;
  opt.with_time = with_time;
  const std::string target = UserPath(pos[1]);  // relative to the folder the user is in
  if (!MayWriteExport(target, force)) return kExitFailed;
  LoadRegionalSettings();
  ApplyProgramUnits();
  LoadedStation st = LoadStationOrDefaults(pos[0]);
  DataList list;
  if (!ChooseList(*st.lists, list_name, daily, "export", &list)) return kExitFailed;
  if (list.ActiveCount() == 0 || opt.to < opt.from) {
    std::fprintf(stderr, "%s\n", std::string(LoadString(kStrNothingToExport)).c_str());
    return kExitFailed;
  }
  WeatherDatabase db;
  if (!OpenStationDatabase("export", db, pos[0], true, false)) return kExitFailed;
  const int skipped = ReportSkippedMonths(db, opt.from, opt.to, pos[0], "export");
  opt.site = st.station.GetSiteDescription();
  long lines = 0;
  if (ExportToFile(db, list, opt, target, &lines) != kExportOk) {
    const std::string why = db.last_error().empty() ? "cannot write the file" : db.last_error();
    std::fprintf(stderr, "stratoquill export: %s: %s (%ld lines written)\n", target.c_str(), why.c_str(), lines);
    return kExitFailed;
  }
  std::printf("%ld lines written to %s\n", lines, target.c_str());
  return skipped > 0 && !skip_damaged ? kExitFailed : kExitOk;
}

// A download that could not write the export file left a mark in its journal: the file
// is written now, so the mark goes. A download running meanwhile (holding the folder)
// writes the file itself at its end.
void ClearPendingExport(const std::string& folder) {
  WriterLock lock;
  std::string error;
  if (!lock.Acquire(folder, &error)) return;
  auto journal = ReadDownloadJournal(DefaultFileSystem(), folder);
  if (!journal || !journal->export_pending) return;
  journal->export_pending = false;
  if (!WriteDownloadJournal(DefaultFileSystem(), folder, *journal)) {
    std::fprintf(stderr, "stratoquill export-auto: cannot update %s\n", JoinPath(folder, kDownloadJournalName).c_str());
  }
}

int RunExportAuto(const Args& args) {
  std::string days_text;
  bool numbered = false;
  std::vector<std::string> pos;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    bool ok = true;
    if (IsHelp(a)) {
      std::fputs(kExportAutoUsage, stdout);
      return kExitOk;
    } else if (a == "--numbered") {
      numbered = true;
    } else if (a == "--days") {
      ok = OptionValue(args, &i, "export-auto", &days_text);
    } else if (a.size() > 1 && a[0] == '-') {
      std::fprintf(stderr, "stratoquill export-auto: unknown option %s\n", a.c_str());
      ok = false;
    } else {
      pos.push_back(a);
    }
    if (!ok) {
      std::fputs(kExportAutoUsage, stderr);
      return kExitUsage;
    }
  }
  int days = 1;
  if (pos.size() != 1 || (!days_text.empty() && !ParseInt(days_text, 0, 98, &days))) {
    if (pos.size() == 1) std::fprintf(stderr, "stratoquill export-auto: --days takes 0..98\n");
    std::fputs(kExportAutoUsage, stderr);
    return kExitUsage;
  }
  LoadRegionalSettings();
  ApplyProgramUnits();
  LoadedStation st = LoadStationOrDefaults(pos[0]);
  WeatherDatabase db;
  if (!OpenStationDatabase("export-auto", db, pos[0], true, false)) return kExitFailed;
  const std::string name = numbered ? NumberedAutoExportName(days) : std::string(LoadString(kStrAutoExportFile));
  const bool ok = numbered ? CreateNumberedAutoExportFile(st.station, db, days) == 1
                           : CreateAutoExportFile(st.station, db, days) == 0;
  const std::string path = ListFilePath(pos[0], name);
  if (!ok) {
    std::fprintf(stderr, "stratoquill export-auto: cannot write %s\n", path.c_str());
    return kExitFailed;
  }
  if (!numbered) ClearPendingExport(pos[0]);
  std::printf("%s\n", path.c_str());
  return kExitOk;
}

int RunLists(const Args& args) {
  bool show_sets = false, reset = false;
  std::vector<std::string> add, remove, pos;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (IsHelp(a)) {
      std::fputs(kListsUsage, stdout);
      return kExitOk;
    } else if (a == "--sets") {
      show_sets = true;
    } else if (a == "--reset") {
      reset = true;
    } else if (a == "--add" && i + 3 < args.size()) {
      add.assign(args.begin() + static_cast<long>(i) + 1, args.begin() + static_cast<long>(i) + 4);
      i += 3;
    } else if (a == "--remove" && i + 2 < args.size()) {
      remove.assign(args.begin() + static_cast<long>(i) + 1, args.begin() + static_cast<long>(i) + 3);
      i += 2;
    } else if (a.size() > 1 && a[0] == '-') {
      std::fprintf(stderr, "stratoquill lists: unknown or incomplete option %s\n", a.c_str());
      std::fputs(kListsUsage, stderr);
      return kExitUsage;
    } else {
      pos.push_back(a);
    }
  }
  if (pos.size() != 1) {
    std::fputs(kListsUsage, stderr);
    return kExitUsage;
  }
  LoadedStation st = LoadStationOrDefaults(pos[0]);
  StationDataLists& data = *st.lists;
  bool changed = false;
  if (reset) {
    ResetStationDataLists(&data, ListSensors::Of(st.station));
    changed = true;
  }
  if (!add.empty()) {
    DataList* list = FindList(data, add[0]);
    int set = 0, var = 0;
    if (list == nullptr || !ParseInt(add[1], 0, 1000, &set) || !ParseInt(add[2], 0, 100000, &var)) {
      std::fprintf(stderr, "stratoquill lists: no list '%s' or bad set and variable numbers\n", add[0].c_str());
      return kExitUsage;
    }
    if (!list->Add(set, var, true)) {
      std::fprintf(stderr, "stratoquill lists: set %d has no variable %d, or the list is full (%d elements)\n", set,
                   var, kMaxListElements);
      return kExitFailed;
    }
    changed = true;
  }
  if (!remove.empty()) {
    DataList* list = FindList(data, remove[0]);
    int n = 0;
    if (list == nullptr || !ParseInt(remove[1], 0, 1000, &n) || !list->Remove(n)) {
      std::fprintf(stderr, "stratoquill lists: no list '%s' or it has no element %s\n", remove[0].c_str(),
                   remove[1].c_str());
      return kExitFailed;
    }
    changed = true;
  }
  if (changed && SaveStationDataLists(pos[0], data) != 0) {
    std::fprintf(stderr, "stratoquill lists: cannot write the list files in %s\n", pos[0].c_str());
    return kExitFailed;
  }
  for (int s = 0; s < data.sets.Count(); ++s) {
    const DataSet& set = *data.sets.Set(s);
    std::printf("set %d: %s (%d variables)\n", s, set.Name().c_str(), set.Count());
    if (!show_sets) continue;
    for (int v = 0; v < set.Count(); ++v) {
      const DataVariable& var = *set.Variable(v);
      std::printf("  %2d:%-3d %-36s id %u width %d\n", s, v, var.name.c_str(), var.id.value, var.width);
    }
  }
  for (int l = 0; l < data.lists.Count(); ++l) {
    const DataList& list = *data.lists.List(l);
    std::printf("list %d: %s (%d elements)\n", l, list.Name().c_str(), list.Count());
    for (int e = 0; e < list.Count(); ++e) {
      const DataListElement& el = list.Elements()[static_cast<std::size_t>(e)];
      const DataVariable* v = list.VariableOf(e);
      std::printf("  %3d  %d:%-3d %s\n", e, el.set_index, el.var_index, v ? v->name.c_str() : "?");
    }
  }
  return kExitOk;
}

}  // namespace sq::ui
