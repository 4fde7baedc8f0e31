// init, station, units and autodownload: the program folder, the stations in it, the
// display units and the automatic download schedule, all set from the command line.
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/auto_download_list.h"
#include "app/binary_file.h"
#include "app/dirs.h"
#include "app/format_text.h"
#include "app/messages.h"
#include "app/port_map.h"
#include "app/program_config.h"
#include "app/station.h"
#include "app/station_folders.h"
#include "app/station_models.h"
#include "app/station_settings.h"
#include "database/file_io.h"
#include "foundation/display_units.h"
#include "foundation/prog_config_data.h"
#include "publish/sample_templates.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "ui/cli.h"
#include "ui/commands.h"

namespace sq::ui {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kReminderText = 47006;
constexpr std::uint32_t kReminderTitle = 47007;
constexpr std::uint32_t kUseAnyway = 47003;

std::string CurrentFolder() {
  std::error_code ec;
  auto p = fs::current_path(ec);
  return ec ? std::string(".") : p.string();
}

std::string Absolute(const std::string& path) {
  std::error_code ec;
  auto p = fs::absolute(path, ec);
  return ec ? path : p.lexically_normal().string();
}

// Reads progdata.dat for commands that need it. Prints the reason and returns false
// when the program cannot go on.
// Commands that only show read it without changing anything: a damaged or older file
// is reported and left for `units --reset` (or start-up) to replace.
bool LoadConfigOrExplain(ProgConfigData& cfg, bool may_replace = true) {
  std::string message;
  if (!may_replace) {
    if (ReadProgramConfig(ProgramFolder(), cfg)) return true;
    std::error_code ec;
    if (fs::exists(JoinPath(ProgramFolder(), kProgConfigName), ec)) {
      ErrorMessage("'" + JoinPath(ProgramFolder(), kProgConfigName) +
                   "' is damaged or from another version of the program; it was left as it is. "
                   "'stratoquill units --reset' replaces it with the defaults (keeping a copy).");
      return false;
    }
  }
  switch (LoadProgramConfig(ProgramFolder(), cfg, &message)) {
    case ProgConfigLoad::kLoaded:
      return true;
    case ProgConfigLoad::kReplaced:
      Inform(message);
      return true;
    case ProgConfigLoad::kMissing:
      ErrorMessage(message + " (run 'stratoquill init' to create a program folder here)");
      return false;
    case ProgConfigLoad::kUnreadable:
      ErrorMessage(message);
      return false;
  }
  return false;
}

// ---- init ----

int InitHelp() {
  std::printf(
      "Usage: stratoquill init [FOLDER] [--force]\n"
      "\n"
      "Creates a program folder (default: the program folder) with a default\n"
      "configuration file progdata.dat. An existing configuration is kept unless\n"
      "--force is given.\n");
  return kExitOk;
}

// ---- station ----

int StationHelp() {
  std::printf(
      "Usage: stratoquill station new NAME [--parent DIR] [--use-existing]\n"
      "       stratoquill station list\n"
      "       stratoquill station show [FOLDER]\n"
      "       stratoquill station set FOLDER KEY=VALUE...\n"
      "       stratoquill station upgrade FOLDER\n"
      "       stratoquill station old [--copy]\n"
      "\n"
      "new   creates a station; its folder is named after the letters and digits of\n"
      "      NAME (at most 8) under DIR (default: the program folder) and printed.\n"
      "list  lists the stations of the program folder (name, four tabs, folder).\n"
      "show  prints every setting of a station (default: the last or only station).\n"
      "set   changes settings; all are checked before anything is saved.\n"
      "upgrade converts a station file of an older layout (a copy is kept in Backup).\n"
      "old   counts the stations an older version kept in $STRATOQUILL_OLD_DIR (default\n"
      "      $HOME/Stratoquill); --copy copies them here when no station exists yet.\n"
      "\n"
      "Keys:\n");
  for (const auto& k : StationSettingKeys()) std::printf("  %-20s %s\n", k.key.c_str(), k.help.c_str());
  return kExitOk;
}

// The station folder to use when none is given: the last one opened, else the only one.
std::string DefaultStationFolder() {
  ProgConfigData cfg;
  if (ReadProgramConfig(ProgramFolder(), cfg)) {
    const std::string last(cfg.LastStationFolder());
    std::error_code ec;
    if (!last.empty() && fs::exists(Station::ConfigPath(last), ec)) return last;
  }
  const auto stations = ListStations(ProgramFolder());
  if (stations.size() == 1) return stations[0].folder;
  return {};
}

bool OpenOrExplain(Station& station, const std::string& folder) {
  std::string message;
  const int rc = OpenStation(station, folder, &message);
  if (rc != 0) {
    ErrorMessage(message.empty() ? "Could not open the station in '" + folder + "'." : message);
    return false;
  }
  if (!message.empty()) Inform(message);
  return true;
}

int StationNew(const Args& args) {
  std::string name, parent = ProgramFolder();
  bool use_existing = false;
  for (std::size_t i = 2; i < args.size(); ++i) {
    if (args[i] == "--parent" && i + 1 < args.size()) {
      parent = args[++i];
    } else if (args[i] == "--use-existing") {
      use_existing = true;
    } else if (name.empty() && args[i].rfind("--", 0) != 0) {
      name = args[i];
    } else {
      std::fprintf(stderr, "stratoquill station new: unexpected argument '%s'\n", args[i].c_str());
      return kExitUsage;
    }
  }
  if (name.empty()) {
    std::fprintf(stderr, "stratoquill station new: give the station's name\n");
    return kExitUsage;
  }
  std::string folder, message;
  NewStationResult r = CreateNewStation(parent, name, use_existing, &folder, &message);
  if (r == NewStationResult::kExists) {
    // Ask as the dialog does; unattended the answer is no.
    if (AskYesNo(message + " " + std::string(LoadString(kUseAnyway)), "Stratoquill", false)) {
      r = CreateNewStation(parent, name, true, &folder, &message);
    } else {
      std::fprintf(stderr, "%s (use --use-existing to use it)\n", message.c_str());
      return kExitFailed;
    }
  }
  if (r != NewStationResult::kCreated) {
    ErrorMessage(message);
    return kExitFailed;
  }
  if (InstallSampleTemplates(folder) < 0) {
    std::fprintf(stderr, "stratoquill station new: the sample templates could not be copied into %s/Templates\n",
                 folder.c_str());
  }
  std::printf("%s\n", Absolute(folder).c_str());
  return kExitOk;
}

int StationList() {
  for (const auto& e : ListStations(ProgramFolder())) std::printf("%s\n", StationListLine(e).c_str());
  return kExitOk;
}

int StationOld(const Args& args) {
  const bool copy = args.size() == 3 && args[2] == "--copy";
  if (args.size() > 3 || (args.size() == 3 && !copy)) {
    std::fprintf(stderr, "stratoquill station old: the only option is --copy\n");
    return kExitUsage;
  }
  const std::string root = OldStationsFolder();
  const int count = HaveOldStations(root);
  std::printf("%d old station%s in '%s'\n", count, count == 1 ? "" : "s", root.c_str());
  if (!copy || count == 0) return kExitOk;
  const int copied = CopyOldStations(root, ProgramFolder());
  if (copied < 0) {
    ErrorMessage("Could not copy the old stations from '" + root + "'.");
    return kExitFailed;
  }
  if (copied == 0) std::printf("nothing copied: '%s' already holds a station\n", ProgramFolder().c_str());
  for (const auto& e : ListStations(ProgramFolder())) std::printf("%s\n", StationListLine(e).c_str());
  return kExitOk;
}

int StationShow(const Args& args) {
  if (args.size() > 3) {
    std::fprintf(stderr, "stratoquill station show: give at most one folder\n");
    return kExitUsage;
  }
  const std::string folder = args.size() == 3 ? args[2] : DefaultStationFolder();
  if (folder.empty()) {
    std::fprintf(stderr, "stratoquill station show: no station given and no single station in '%s'\n",
                 ProgramFolder().c_str());
    return kExitFailed;
  }
  // Report settings are shown and typed in the display units.
  ApplyProgramUnits();
  // Showing changes nothing: an older or damaged file is reported, not converted.
  Station station;
  const int rc = station.Load(folder);
  if (rc != kStationOk) {
    if (rc == kStationWrongSize &&
        BinaryFile(folder, kStationConfigName).FileSize() == static_cast<long>(kOldStationRecordSize)) {
      ErrorMessage("The station file '" + Station::ConfigPath(folder) +
                   "' has an older layout; it was left as it is. 'stratoquill station upgrade " + folder +
                   "' converts it (keeping a copy).");
    } else {
      ErrorMessage(FormatText(LoadString(string_id::kStationUnreadable), Station::ConfigPath(folder)));
    }
    return kExitFailed;
  }
  PortMap ports;
  std::string error;
  if (ports.Load(ProgramFolder(), &error) != 0) ErrorMessage(error);
  const auto& r = station.record();
  std::printf("folder               %s\n", Absolute(folder).c_str());
  std::printf("console family       %d (%s)\n", r.console_family,
              r.console_family == kFamilyCorvale ? "current" : "older");
  std::printf("sensors              %08X %08X\n", r.sensors[0], r.sensors[1]);
  for (const auto& k : StationSettingKeys()) {
    std::printf("%-20s %s\n", k.key.c_str(), ShowControl(StationSettingValue(station, ports, k.key)).c_str());
  }
  return kExitOk;
}

int StationUpgrade(const Args& args) {
  if (args.size() != 3 || args[2].rfind("--", 0) == 0) {
    std::fprintf(stderr, "stratoquill station upgrade: give one station folder\n");
    return kExitUsage;
  }
  Station station;
  if (station.Load(args[2]) == kStationOk) {
    std::printf("'%s' is up to date; nothing was changed\n", Station::ConfigPath(args[2]).c_str());
    return kExitOk;
  }
  return OpenOrExplain(station, args[2]) ? kExitOk : kExitFailed;  // converts, and says what to enter again
}

int StationSet(const Args& args) {
  if (args.size() < 4) {
    std::fprintf(stderr, "stratoquill station set: give a station folder and KEY=VALUE settings\n");
    return kExitUsage;
  }
  ApplyProgramUnits();
  Station station;
  if (!OpenOrExplain(station, args[2])) return kExitFailed;
  PortMap ports;
  std::string error;
  if (ports.Load(ProgramFolder(), &error) != 0) {
    ErrorMessage(error);
    return kExitFailed;
  }
  const std::string ports_before = ports.Serialize();
  std::vector<std::string> errors;
  if (ApplyStationSettings(station, ports, Args(args.begin() + 3, args.end()), &errors) != 0) {
    for (const auto& e : errors) std::fprintf(stderr, "stratoquill station set: %s\n", e.c_str());
    std::fprintf(stderr, "stratoquill station set: nothing was saved\n");
    return kExitFailed;
  }
  if (station.Save() != 0) {
    ErrorMessage(LoadString(string_id::kCouldNotSaveStation));
    return kExitFailed;
  }
  if (ports.Serialize() != ports_before && ports.Save(ProgramFolder(), &error) != 0) {
    ErrorMessage("Could not save the port map: " + error);
    return kExitFailed;
  }
  return kExitOk;
}

// ---- units ----

struct UnitChoice {
  const char* key;
  std::vector<const char*> names;  // index = code
  std::uint8_t (ProgConfigData::*get)() const;
  void (ProgConfigData::*set)(std::uint8_t);
};

const std::vector<UnitChoice>& UnitChoices() {
  static const std::vector<UnitChoice> table = {
      {"temp", {"F", "C"}, &ProgConfigData::TempUnit, &ProgConfigData::SetTempUnit},
      {"bar", {"in", "mm", "mb", "hPa"}, &ProgConfigData::BarUnit, &ProgConfigData::SetBarUnit},
      {"wind", {"mph", "knots", "km/h", "m/s"}, &ProgConfigData::WindUnit, &ProgConfigData::SetWindUnit},
      {"rain", {"in", "mm"}, &ProgConfigData::RainUnit, &ProgConfigData::SetRainUnit},
      {"elevation", {"m", "ft"}, &ProgConfigData::ElevUnit, &ProgConfigData::SetElevUnit},
      {"density", {"lb/cu.ft", "kg/cu.m"}, &ProgConfigData::DensityUnit, &ProgConfigData::SetDensityUnit},
  };
  return table;
}

int UnitsHelp() {
  std::printf(
      "Usage: stratoquill units [KEY=VALUE...] [--reset]\n"
      "\n"
      "Shows the display units kept in progdata.dat, or changes them. A damaged\n"
      "progdata.dat, or one of another version, is only reported; --reset replaces\n"
      "it with the defaults (a copy is kept as progdata.old).\n");
  for (const auto& u : UnitChoices()) {
    std::string values;
    for (const char* n : u.names) values += std::string(values.empty() ? "" : "|") + n;
    std::printf("  %-10s %s\n", u.key, values.c_str());
  }
  return kExitOk;
}

// ---- autodownload ----

int AutoDownloadHelp() {
  std::printf(
      "Usage: stratoquill autodownload [--add FOLDER]... [--remove FOLDER]... [--clear]\n"
      "                                [--hours H,H,...|none] [--minute M] [--yes]\n"
      "\n"
      "Shows or edits the automatic download list download.lst and the hours at which\n"
      "the stations are downloaded (H = 0..23, at minute M of the hour, M = 0..59).\n"
      "Automatic download is on when at least one station and one hour are chosen.\n"
      "--yes saves a list of stations without hours without asking.\n");
  return kExitOk;
}

bool ParseHours(const std::string& text, std::array<bool, 24>* hours) {
  hours->fill(false);
  if (text == "none") return true;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t end = text.find(',', pos);
    if (end == std::string::npos) end = text.size();
    const std::string part = text.substr(pos, end - pos);
    if (part.empty() || part.size() > 2 || !std::all_of(part.begin(), part.end(), ::isdigit)) return false;
    const int h = std::stoi(part);
    if (h > 23) return false;
    (*hours)[static_cast<std::size_t>(h)] = true;
    pos = end + 1;
  }
  return true;
}

void PrintSchedule(const AutoDownloadSchedule& s, bool enabled) {
  std::printf("enabled   %s\n", enabled ? "yes" : "no");
  std::string hours;
  for (int h = 0; h < 24; ++h) {
    if (s.hours[static_cast<std::size_t>(h)]) hours += (hours.empty() ? "" : ",") + std::to_string(h);
  }
  std::printf("hours     %s\n", hours.empty() ? "none" : hours.c_str());
  std::printf("minute    %d\n", s.minute);
  for (const auto& st : s.stations) std::printf("station   %s\n", st.c_str());
}

}  // namespace

int RunInit(const Args& args) {
  std::string folder;
  bool force = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (IsHelp(args[i])) return InitHelp();
    if (args[i] == "--force") {
      force = true;
    } else if (folder.empty()) {
      folder = args[i];
    } else {
      std::fprintf(stderr, "stratoquill init: unexpected argument '%s'\n", args[i].c_str());
      return kExitUsage;
    }
  }
  if (folder.empty()) folder = CurrentFolder();
  std::string message;
  if (InitProgramFolder(folder, force, &message) != 0) {
    std::fprintf(stderr, "stratoquill init: %s\n", message.c_str());
    return kExitFailed;
  }
  std::printf("%s\n", Absolute(folder).c_str());
  return kExitOk;
}

int RunStation(const Args& args) {
  SetProgramFolder(CurrentFolder());
  if (args.size() < 2) {
    StationHelp();
    return kExitUsage;
  }
  for (const auto& a : args) {
    if (IsHelp(a)) return StationHelp();
  }
  const std::string& verb = args[1];
  if (verb == "new") return StationNew(args);
  if (verb == "list") return StationList();
  if (verb == "show") return StationShow(args);
  if (verb == "set") return StationSet(args);
  if (verb == "old") return StationOld(args);
  if (verb == "upgrade") return StationUpgrade(args);
  std::fprintf(stderr, "stratoquill station: unknown action '%s' (new, list, show, set, upgrade, old)\n", verb.c_str());
  return kExitUsage;
}

int RunUnits(const Args& args) {
  SetProgramFolder(CurrentFolder());
  for (const auto& a : args) {
    if (IsHelp(a)) return UnitsHelp();
  }
  const bool reset = std::find(args.begin() + 1, args.end(), std::string("--reset")) != args.end();
  ProgConfigData cfg;
  // Only a change or --reset may replace a damaged file; showing leaves it as it is.
  if (!LoadConfigOrExplain(cfg, args.size() > 1)) return kExitFailed;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--reset") continue;
    const auto eq = args[i].find('=');
    const std::string key = args[i].substr(0, eq);
    const auto it =
        std::find_if(UnitChoices().begin(), UnitChoices().end(), [&](const UnitChoice& u) { return key == u.key; });
    if (eq == std::string::npos || it == UnitChoices().end()) {
      std::fprintf(stderr, "stratoquill units: '%s' is not KEY=VALUE with a known key (see --help)\n", args[i].c_str());
      return kExitUsage;
    }
    const std::string value = args[i].substr(eq + 1);
    const auto n = std::find_if(it->names.begin(), it->names.end(), [&](const char* s) { return value == s; });
    if (n == it->names.end()) {
      std::fprintf(stderr, "stratoquill units: '%s' is not a %s unit (see --help)\n", value.c_str(), key.c_str());
      return kExitUsage;
    }
    (cfg.*(it->set))(static_cast<std::uint8_t>(n - it->names.begin()));
  }
  if (args.size() > (reset ? 2u : 1u) && SaveProgramConfig(ProgramFolder(), cfg) != 0) return kExitFailed;
  progConfigData = cfg;
  for (const auto& u : UnitChoices()) {
    const std::uint8_t code = (cfg.*(u.get))();
    std::printf("%-10s %s\n", u.key, code < u.names.size() ? u.names[code] : "?");
  }
  return kExitOk;
}

int RunAutoDownload(const Args& args) {
  SetProgramFolder(CurrentFolder());
  for (const auto& a : args) {
    if (IsHelp(a)) return AutoDownloadHelp();
  }
  ProgConfigData cfg;
  if (!LoadConfigOrExplain(cfg, args.size() > 1)) return kExitFailed;
  std::string error;
  auto schedule = ReadSchedule(ProgramFolder(), cfg, &error);
  if (!schedule) {
    ErrorMessage(error);
    return kExitFailed;
  }
  bool changed = false, yes = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool has_value = i + 1 < args.size();
    if (a == "--add" && has_value) {
      const std::string folder = Absolute(args[++i]);
      Station s;
      if (s.Load(folder) != 0) {
        std::fprintf(stderr, "stratoquill autodownload: '%s' holds no loadable station\n", folder.c_str());
        return kExitFailed;
      }
      if (std::find(schedule->stations.begin(), schedule->stations.end(), folder) == schedule->stations.end()) {
        schedule->stations.push_back(folder);
      }
    } else if (a == "--remove" && has_value) {
      const std::string given = args[++i];
      const std::string folder = Absolute(given);
      const auto before = schedule->stations.size();
      std::erase_if(schedule->stations, [&](const std::string& s) { return s == folder || s == given; });
      if (schedule->stations.size() == before) {
        std::fprintf(stderr, "stratoquill autodownload: '%s' is not in the list\n", given.c_str());
        return kExitFailed;
      }
    } else if (a == "--clear") {
      schedule->stations.clear();
    } else if (a == "--hours" && has_value) {
      if (!ParseHours(args[++i], &schedule->hours)) {
        std::fprintf(stderr, "stratoquill autodownload: --hours takes hours 0..23 separated by commas, or none\n");
        return kExitUsage;
      }
    } else if (a == "--minute" && has_value) {
      const std::string m = args[++i];
      if (m.empty() || m.size() > 2 || !std::all_of(m.begin(), m.end(), ::isdigit) || std::stoi(m) > 59) {
        std::fprintf(stderr, "stratoquill autodownload: --minute takes 0..59\n");
        return kExitUsage;
      }
      schedule->minute = std::stoi(m);
    } else if (a == "--yes") {
      yes = true;
      continue;
    } else {
      std::fprintf(stderr, "stratoquill autodownload: unexpected argument '%s' (see --help)\n", a.c_str());
      return kExitUsage;
    }
    changed = true;
  }
  if (changed) {
    const bool any_hour = std::any_of(schedule->hours.begin(), schedule->hours.end(), [](bool b) { return b; });
    if (!schedule->stations.empty() && !any_hour && !yes &&
        !AskYesNo(LoadString(kReminderText), LoadString(kReminderTitle), false)) {
      std::fprintf(stderr, "stratoquill autodownload: nothing was saved (give --hours, or --yes)\n");
      return kExitFailed;
    }
    if (WriteSchedule(ProgramFolder(), *schedule, cfg, &error) != 0) {
      ErrorMessage(error);
      return kExitFailed;
    }
    if (SaveProgramConfig(ProgramFolder(), cfg) != 0) return kExitFailed;
  }
  PrintSchedule(*schedule, cfg.AutoDownloadEnabled());
  return kExitOk;
}

}  // namespace sq::ui
