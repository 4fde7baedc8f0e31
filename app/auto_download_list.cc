#include "app/auto_download_list.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/binary_file.h"
#include "app/station.h"
#include "foundation/file_util.h"
#include "resources/string_table.h"

namespace sq {
namespace {

constexpr std::uint32_t kCannotWrite = 47008;
constexpr std::size_t kMaxFileSize = kMaxStations * (kMaxListLine + 2);

}  // namespace

std::optional<std::vector<std::string>> ParseDownloadList(std::string_view text) {
  std::vector<std::string> out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() > kMaxListLine) return std::nullopt;
    if (std::any_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; })) {
      return std::nullopt;
    }
    if (line.empty()) continue;
    if (out.size() >= kMaxStations) return std::nullopt;
    out.emplace_back(line);
  }
  return out;
}

std::string SerializeDownloadList(const std::vector<std::string>& stations) {
  std::string out;
  for (const auto& s : stations) out += s + "\n";
  return out;
}

std::optional<std::vector<std::string>> ReadDownloadList(const std::string& program_folder, bool only_loadable,
                                                         std::string* error) {
  const std::string path = JoinPath(program_folder, kDownloadListName);
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return std::vector<std::string>{};
  auto bytes = ReadWholeFile(path, kMaxFileSize, error);
  if (!bytes) return std::nullopt;
  auto list = ParseDownloadList(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
  if (!list) {
    if (error) *error = "'" + path + "' is not a valid download list (one station folder per line)";
    return std::nullopt;
  }
  if (only_loadable) {
    std::erase_if(*list, [&](const std::string& folder) {
      Station s;
      // Relative folders are relative to the program folder.
      const std::string abs = (!folder.empty() && folder[0] == '/') ? folder : JoinPath(program_folder, folder);
      return s.Load(abs) != 0;
    });
  }
  return list;
}

std::optional<AutoDownloadSchedule> ReadSchedule(const std::string& program_folder, const ProgConfigData& cfg,
                                                 std::string* error) {
  auto list = ReadDownloadList(program_folder, false, error);
  if (!list) return std::nullopt;
  AutoDownloadSchedule s;
  s.stations = std::move(*list);
  for (int h = 0; h < 24; ++h) s.hours[static_cast<std::size_t>(h)] = cfg.AutoDownloadHour(h);
  s.minute = cfg.AutoDownloadMinute();
  return s;
}

int WriteSchedule(const std::string& program_folder, const AutoDownloadSchedule& schedule, ProgConfigData& cfg,
                  std::string* error) {
  if (schedule.minute < 0 || schedule.minute > 59) {
    if (error) *error = "minute offset must be 0..59";
    return -1;
  }
  if (ParseDownloadList(SerializeDownloadList(schedule.stations)) != schedule.stations) {
    if (error) *error = "a station folder is empty, too long (over 200 characters) or holds a control character";
    return -1;
  }
  if (!WriteFileAtomic(JoinPath(program_folder, kDownloadListName), SerializeDownloadList(schedule.stations))) {
    if (error) *error = std::string(LoadString(kCannotWrite));
    return -1;
  }
  bool any_hour = false;
  for (int h = 0; h < 24; ++h) {
    const bool on = schedule.hours[static_cast<std::size_t>(h)];
    (void)cfg.SetAutoDownloadHour(h, on);
    any_hour = any_hour || on;
  }
  (void)cfg.SetAutoDownloadMinute(schedule.minute);
  cfg.SetAutoDownloadEnabled(any_hour && !schedule.stations.empty());
  return 0;
}

}  // namespace sq
