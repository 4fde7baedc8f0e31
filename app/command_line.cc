#include "app/command_line.h"

#include <filesystem>
#include <system_error>

#include "app/station.h"
#include "app/station_folders.h"

namespace sq {
namespace {

namespace fs = std::filesystem;

bool Contains(std::string_view line, std::string_view a, std::string_view b) {
  return line.find(a) != std::string_view::npos || line.find(b) != std::string_view::npos;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

std::string JoinCommandLine(const std::vector<std::string>& args) {
  std::string line;
  for (const auto& a : args) {
    if (!line.empty()) line += ' ';
    line += a;
  }
  return line;
}

CommandLineSwitches FindSwitches(std::string_view line) {
  CommandLineSwitches s;
  s.open_station = Contains(line, "-o", "-O");
  s.download = Contains(line, "-d", "-D");
  s.clear = Contains(line, "-c", "-C");
  s.no_rotate = Contains(line, "-p", "-P");
  s.log_more = Contains(line, "-m", "-M");
  s.staging = Contains(line, "Staging", "staging");
  return s;
}

ClassicCommandLine ParseClassicCommandLine(const std::vector<std::string>& args) {
  ClassicCommandLine out;
  out.switches = FindSwitches(JoinCommandLine(args));
  // Leading empty or blank arguments are skipped like leading blanks of one line.
  for (const auto& a : args) {
    const std::string_view word = Trim(a);
    if (word.empty()) continue;
    if (word.front() != '-') out.folder_word = std::string(word);
    break;
  }
  return out;
}

std::string ResolveStationFolder(std::string_view word, const std::string& current_folder) {
  fs::path p = word.starts_with('/') ? fs::path(word) : fs::path(current_folder) / fs::path(word);
  p = p.lexically_normal();
  std::string s = p.string();
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

std::string DefaultStationFolder(const std::string& program_folder, const ProgConfigData& cfg) {
  const std::string last(cfg.LastStationFolder());
  std::error_code ec;
  if (!last.empty() && fs::is_regular_file(Station::ConfigPath(last), ec)) return last;
  const auto stations = ListStations(program_folder);
  if (stations.size() == 1) return stations.front().folder;
  return {};
}

}  // namespace sq
