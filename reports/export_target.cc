#include "reports/export_target.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "app/auto_download_list.h"
#include "app/download_log.h"
#include "app/port_map.h"
#include "app/program_config.h"
#include "app/station.h"
#include "database/month_file.h"
#include "database/rain_database.h"
#include "database/writer_lock.h"
#include "reports/list_strings.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace sq {
namespace {

namespace fs = std::filesystem;

// The settings password file and the download journal belong to the console link;
// their names are repeated here so that this check needs nothing above the reports.
constexpr const char* kJournalName = "download.pending";

std::string Lower(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

bool EndsWith(std::string_view s, std::string_view end) {
  return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

// The description of an own file's name, or empty.
std::string OwnFileKind(const std::string& name) {
  const std::string n = Lower(name);
  if (IsMonthFileName(name) || EndsWith(n, ".sqm")) return "a month file of the database";
  if (n.rfind("station", 0) == 0 && EndsWith(n, ".cfg")) return "a station's settings";
  if (n == Lower(kProgConfigName) || (n.rfind("progdata", 0) == 0 && EndsWith(n, ".old"))) {
    return "the program's settings";
  }
  if (n == Lower(kRainDbFileName)) return "the rain history";
  if (n == Lower(LoadString(kStrDataSetsFile)) || n == Lower(LoadString(kStrDataListsFile)) ||
      n == Lower(kDownloadListName) || n == Lower(PortMap::kFileName)) {
    return "a list file of the program";
  }
  if (n == Lower(kDownloadLogName) || n == Lower(kDownloadLogLockName)) return "the download log";
  if (n == Lower(kJournalName) || n == Lower(kWriterLockFileName) || n == Lower(kSettingsLockName) ||
      n == Lower(LoadString(string_id::kSettingsPasswordFile)) || n.find(".tmp-") != std::string::npos) {
    return "a working file of the program";
  }
  return {};
}

fs::path Canonical(const fs::path& p) {
  std::error_code ec;
  fs::path c = fs::weakly_canonical(p, ec);
  return ec ? fs::absolute(p, ec).lexically_normal() : c;
}

// A folder the program keeps its files in.
bool ProgramsFolder(const fs::path& folder, const fs::path& program_folder) {
  if (!program_folder.empty() && Canonical(folder) == Canonical(program_folder)) return true;
  std::error_code ec;
  if (fs::exists(folder / kProgConfigName, ec)) return true;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (Lower(it->path().filename().string()) == Lower(kStationConfigName)) return true;
  }
  return false;
}

}  // namespace

bool IsProgramOwnFile(const std::string& path, const std::string& program_folder, std::string* what) {
  const fs::path p(path);
  std::string name = p.filename().string();
  const std::string kind = OwnFileKind(name);
  if (kind.empty()) return false;
  fs::path folder = p.parent_path();
  if (folder.empty()) folder = ".";
  if (!ProgramsFolder(folder, program_folder)) return false;
  if (what) *what = kind;
  return true;
}

}  // namespace sq
