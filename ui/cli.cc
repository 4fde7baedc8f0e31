#include "ui/cli.h"

#include <cstdio>

#include "app/dirs.h"
#include "app/program_config.h"
#include "app/station.h"
#include "database/weather_database.h"
#include "foundation/display_units.h"
#include "foundation/file_util.h"
#include "foundation/prog_config_data.h"

namespace sq::ui {

bool IsHelp(const std::string& arg) { return arg == "--help" || arg == "-h"; }

ParsedArgs ParseArgs(const Args& args, const std::vector<std::string>& valued, const std::vector<std::string>& flags) {
  ParsedArgs p;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (IsHelp(a)) {
      p.help = true;
    } else if (a.rfind("--", 0) == 0) {
      bool known = false;
      for (const auto& v : valued) {
        if (a == v) {
          known = true;
          if (i + 1 >= args.size())
            p.bad = a;
          else
            p.opt[a] = args[++i];
        }
      }
      for (const auto& f : flags) {
        if (a == f) {
          known = true;
          p.opt[a] = "1";
        }
      }
      if (!known) p.bad = a;
    } else {
      p.pos.push_back(a);
    }
  }
  return p;
}

int Fail(const char* cmd, const std::string& text) {
  std::fprintf(stderr, "stratoquill %s: %s\n", cmd, text.c_str());
  return kExitFailed;
}

void ApplyProgramUnits(const char* cmd) {
  // One byte more than a configuration, so that a longer file is told from a whole one.
  const auto bytes = ReadWholeFile(ProgramFolder() + "/" + kProgConfigName, ProgConfigData::kSize + 1);
  if (!bytes) return;
  ProgConfigData cfg;
  if (!cfg.FromBytes(*bytes)) {
    if (cmd != nullptr) {
      std::fprintf(stderr, "stratoquill %s: %s has the wrong size; using the default units\n", cmd, kProgConfigName);
    }
    return;
  }
  // A configuration of another layout is not read (the program replaces it at its next start).
  if (cfg.LayoutVersion() != ProgConfigData::kCurrentVersion) return;
  progConfigData = cfg;
  DisplayUnits::RestoreUnits();
}

bool LoadStation(const char* cmd, const std::string& folder, Station* station, NoStationMessage message) {
  if (station->Load(folder) == kStationOk) return true;
  switch (message) {
    case NoStationMessage::kNoReadableConfig:
      std::fprintf(stderr, "stratoquill %s: %s has no readable %s\n", cmd, folder.c_str(), kStationConfigName);
      break;
    case NoStationMessage::kCannotRead:
      std::fprintf(stderr, "stratoquill %s: cannot read the station in %s\n", cmd, folder.c_str());
      break;
    case NoStationMessage::kCannotReadQuoted:
      std::fprintf(stderr, "stratoquill %s: cannot read the station in '%s'\n", cmd, folder.c_str());
      break;
  }
  return false;
}

bool OpenStationDatabase(const char* cmd, WeatherDatabase& db, const std::string& folder, bool read_only,
                         bool report_problems) {
  const int rc = db.OpenDatabase(folder, read_only);
  if (rc == kDbNoFiles) {
    std::fprintf(stderr, "stratoquill %s: %s holds no month files\n", cmd, folder.c_str());
    return false;
  }
  if (rc != kDbOk && db.month_count() == 0) {
    std::fprintf(stderr, "stratoquill %s: %s\n", cmd, db.last_error().c_str());
    return false;
  }
  if (report_problems) ReportMonthProblems(cmd, db);
  return true;
}

void ReportMonthProblems(const char* cmd, const WeatherDatabase& db) {
  for (const MonthProblem& p : db.problems()) {
    std::fprintf(stderr, "stratoquill %s: %s %s: %s\n", cmd, p.used ? "damaged month file" : "left out",
                 p.file_name.c_str(), p.message.c_str());
  }
}

}  // namespace sq::ui
