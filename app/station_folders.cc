#include "app/station_folders.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "app/binary_file.h"
#include "app/format_text.h"
#include "app/station_open_hook.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace sq {
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kFolderNameMax = 8;
constexpr std::uint32_t kNameNotValid = 47001;
constexpr std::uint32_t kDirExists = 47002;
constexpr std::uint32_t kCreateError = 47004;
constexpr std::uint32_t kSaveError = 47005;
constexpr std::uint32_t kOldLayout = 47010;

constexpr const char* kSubfolders[] = {"Plots", "DataNote", "DegDays", "Templates", "Images", "Fuel"};

// The station file of `dir` in whatever letter case an older system wrote it.
fs::path FindStationCfg(const fs::path& dir) {
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::string n = it->path().filename().string();
    std::transform(n.begin(), n.end(), n.begin(), [](unsigned char c) { return std::tolower(c); });
    std::error_code ec2;
    if (n == "station.cfg" && it->is_regular_file(ec2)) return it->path();
  }
  return {};
}

bool HasStationCfg(const fs::path& dir) { return !FindStationCfg(dir).empty(); }

}  // namespace

std::string StationFolderName(std::string_view station_name) {
  std::string out;
  for (char c : station_name) {
    if (out.size() >= kFolderNameMax) break;
    if (std::isalnum(static_cast<unsigned char>(c))) out += c;
  }
  return out;
}

int MakeStationSubfolders(const std::string& folder, int profiles) {
  std::error_code ec;
  for (const char* sub : kSubfolders) {
    fs::create_directories(fs::path(folder) / sub, ec);
    if (ec) return -1;
  }
  for (int i = 1; i <= profiles; ++i) {
    fs::create_directories(fs::path(folder) / "Images" / ("Profile" + std::to_string(i)), ec);
    if (ec) return -1;
  }
  return 0;
}

NewStationResult CreateNewStation(const std::string& parent, const std::string& name, bool use_existing,
                                  std::string* folder, std::string* message) {
  const std::string dir_name = StationFolderName(name);
  const bool has_control =
      std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
  if (dir_name.empty() || has_control) {
    if (message) {
      *message = FormatText(LoadString(kNameNotValid), ShowControl(name));
      if (has_control) *message += " A name may not hold control characters.";
    }
    return NewStationResult::kBadName;
  }
  const std::string path = JoinPath(parent.empty() ? "." : parent, dir_name);
  if (folder) *folder = path;
  std::error_code ec;
  if (fs::exists(path, ec)) {
    if (!use_existing) {
      if (message) *message = FormatText(LoadString(kDirExists), path);
      return NewStationResult::kExists;
    }
    // Never overwrite a station that is already there.
    if (fs::exists(Station::ConfigPath(path), ec)) {
      if (message) *message = FormatText(LoadString(kDirExists), path) + " It already holds a station.";
      return NewStationResult::kHoldsStation;
    }
  } else {
    fs::create_directory(path, ec);
    if (ec) {
      if (message) *message = FormatText(LoadString(kCreateError), ec.value());
      return NewStationResult::kCreateFailed;
    }
  }
  Station station;
  station.SetName(name);
  station.SetFolder(path);
  if (station.Save() != 0 || MakeStationSubfolders(path, 3) != 0) {
    if (message) *message = std::string(LoadString(kSaveError));
    return NewStationResult::kSaveFailed;
  }
  return NewStationResult::kCreated;
}

std::vector<StationEntry> ListStations(const std::string& program_folder) {
  std::vector<StationEntry> out;
  std::error_code ec;
  for (fs::directory_iterator it(program_folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code ec2;
    if (!it->is_directory(ec2)) continue;
    Station s;
    if (s.Load(it->path().string()) != 0) continue;
    out.push_back({s.Name(), it->path().string()});
  }
  std::sort(out.begin(), out.end(), [](const StationEntry& a, const StationEntry& b) { return a.folder < b.folder; });
  return out;
}

std::string StationListLine(const StationEntry& e) { return ShowControl(e.name) + "\t\t\t\t" + ShowControl(e.folder); }

int OpenStation(Station& station, const std::string& folder, std::string* message) {
  int rc = station.Load(folder);
  if (rc == kStationWrongSize) {
    BinaryFile f(folder, kStationConfigName);
    if (f.FileSize() == static_cast<long>(kOldStationRecordSize)) {
      rc = ConvertOldStation(folder, station, message);
    } else if (message) {
      *message = FormatText(LoadString(string_id::kStationUnreadable), f.Path());
    }
  } else if (rc != 0 && message) {
    std::error_code ec;
    if (!fs::exists(Station::ConfigPath(folder), ec)) {
      *message = "There is no station in '" + folder + "': its file " + std::string(kStationConfigName) +
                 " is missing (create a station with 'stratoquill station new NAME').";
    } else {
      *message = FormatText(LoadString(string_id::kStationUnreadable), Station::ConfigPath(folder));
    }
  }
  if (rc != 0) return rc;
  if (MakeStationSubfolders(folder, 8) != 0 && message) {
    *message = "Some subfolders of '" + folder + "' could not be created.";
  }
  return 0;
}

int ConvertOldStation(const std::string& folder, Station& station, std::string* message) {
  const std::string cfg = Station::ConfigPath(folder);
  const fs::path backup_dir = fs::path(folder) / "Backup";
  std::error_code ec;
  fs::create_directories(backup_dir, ec);
  if (ec) return -1;
  // An earlier backup is never overwritten: the next free name is used.
  fs::path backup = backup_dir / kStationConfigName;
  for (int n = 2; fs::exists(backup, ec) && n < 1000; ++n) {
    backup = backup_dir / ("STATION-" + std::to_string(n) + ".CFG");
  }
  fs::copy_file(cfg, backup, fs::copy_options::none, ec);
  if (ec) return -1;
  Station fresh;
  fresh.SetName(fs::path(folder).lexically_normal().filename().string().empty()
                    ? fs::path(folder).lexically_normal().parent_path().filename().string()
                    : fs::path(folder).lexically_normal().filename().string());
  fresh.SetFolder(folder);
  if (fresh.Save() != 0) return -1;
  station = fresh;
  if (StationOpened().converted) StationOpened().converted(station);
  if (message) *message = FormatText(LoadString(kOldLayout), cfg, backup.string());
  return 0;
}

StationOpenHook& StationOpened() {
  static StationOpenHook hook;
  return hook;
}

std::string OldStationsFolder() {
  if (const char* env = std::getenv("STRATOQUILL_OLD_DIR"); env && *env) return env;
  if (const char* home = std::getenv("HOME"); home && *home) return JoinPath(home, "Stratoquill");
  return {};
}

int HaveOldStations(const std::string& old_root) {
  if (old_root.empty()) return 0;
  int count = 0;
  std::error_code ec;
  for (fs::directory_iterator it(old_root, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code ec2;
    if (it->is_directory(ec2) && HasStationCfg(it->path())) ++count;
  }
  return count;
}

int CopyOldStations(const std::string& old_root, const std::string& program_folder) {
  if (!ListStations(program_folder).empty()) return 0;
  int copied = 0;
  std::error_code ec;
  for (fs::directory_iterator it(old_root, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code ec2;
    if (!it->is_directory(ec2) || !HasStationCfg(it->path())) continue;
    fs::copy(it->path(), fs::path(program_folder) / it->path().filename(),
             fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec2);
    if (ec2) return -1;
    const fs::path dest = fs::path(program_folder) / it->path().filename();
    const fs::path found = FindStationCfg(dest);
    if (!found.empty() && found.filename() != kStationConfigName) {
      fs::rename(found, dest / kStationConfigName, ec2);
      if (ec2) return -1;
    }
    ++copied;
  }
  return copied;
}

}  // namespace sq
