// The automatic download list "download.lst" in the program folder: plain text, one
// station folder path per line, each line ended by a line feed. The hours and the
// minute offset of the schedule are kept in the program configuration.
//
// The file is outside input: lines over 200 characters and lines with control
// characters make the list invalid (it is reported, not half-used), and at most
// kMaxStations lines are accepted.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/prog_config_data.h"

namespace sq {

inline constexpr const char* kDownloadListName = "download.lst";

struct AutoDownloadSchedule {
  std::vector<std::string> stations;  // station folders, in download order
  std::array<bool, 24> hours{};       // download in hour h
  int minute = 5;                     // minute offset within the hour, 0..59
};

inline constexpr std::size_t kMaxListLine = 200;
inline constexpr std::size_t kMaxStations = 1000;

// Parses the list's text; nothing when it is not a valid list. Empty lines are skipped.
[[nodiscard]] std::optional<std::vector<std::string>> ParseDownloadList(std::string_view text);
[[nodiscard]] std::string SerializeDownloadList(const std::vector<std::string>& stations);

// Reads program_folder/"download.lst". A missing file is an empty list. With
// `only_loadable`, folders whose station does not load are skipped. Nothing (and
// `error` set) when the file cannot be read or is not valid.
[[nodiscard]] std::optional<std::vector<std::string>> ReadDownloadList(const std::string& program_folder,
                                                                       bool only_loadable, std::string* error);

// The schedule as stored: the list plus the hours and minute of `cfg`.
[[nodiscard]] std::optional<AutoDownloadSchedule> ReadSchedule(const std::string& program_folder,
                                                               const ProgConfigData& cfg, std::string* error);

// Writes the list and copies the hours and minute into `cfg`; automatic download is
// enabled when at least one station and one hour are chosen. -1 (nothing changed in
// `cfg`) when the list file cannot be written ("Could not open Auto Download file
// download.lst.") or the minute is outside 0..59. The caller saves `cfg`.
[[nodiscard]] int WriteSchedule(const std::string& program_folder, const AutoDownloadSchedule& schedule,
                                ProgConfigData& cfg, std::string* error);

}  // namespace sq
