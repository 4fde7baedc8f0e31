#include "app/port_map.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "foundation/file_util.h"

namespace sq {
namespace {

bool HasControl(std::string_view s) {
  return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// "ttyS10" after "ttyS9": compare the text before the trailing number, then the number.
bool NaturalLess(const std::string& a, const std::string& b) {
  auto split = [](const std::string& s) {
    std::size_t i = s.size();
    while (i > 0 && std::isdigit(static_cast<unsigned char>(s[i - 1]))) --i;
    const std::string digits = s.substr(i);
    // Leading zeros are dropped and length compared first, so no number parsing overflows.
    std::size_t z = digits.find_first_not_of('0');
    return std::make_pair(s.substr(0, i), z == std::string::npos ? std::string() : digits.substr(z));
  };
  auto [pa, na] = split(a);
  auto [pb, nb] = split(b);
  if (pa != pb) return pa < pb;
  if (na.size() != nb.size()) return na.size() < nb.size();
  return na < nb;
}

}  // namespace

std::optional<PortMap> PortMap::Parse(std::string_view text, std::string* error) {
  PortMap map;
  std::size_t pos = 0;
  std::size_t number = 0;
  auto refuse = [&](const char* why) -> std::optional<PortMap> {
    if (error) *error = "line " + std::to_string(number) + " " + why;
    return std::nullopt;
  };
  while (pos < text.size()) {
    ++number;
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    // Surrounding blanks are not part of a device path.
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    if (line.size() > kMaxLine) return refuse("is longer than 1024 characters");
    if (HasControl(line)) return refuse("holds a control character");
    map.lines_.emplace_back(line);
    if (map.lines_.size() > static_cast<std::size_t>(kMaxPort)) {
      // Trailing empty lines are harmless; content beyond the last port is not.
      if (!line.empty()) return refuse("names a port beyond COM255");
      map.lines_.pop_back();
    }
  }
  while (!map.lines_.empty() && map.lines_.back().empty()) map.lines_.pop_back();
  return map;
}

int PortMap::Load(const std::string& program_dir, std::string* error) {
  const std::string path = (std::filesystem::path(program_dir) / kFileName).string();
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    lines_.clear();
    return 0;
  }
  auto bytes = ReadWholeFile(path, kMaxFileSize, error);
  if (!bytes) return -1;
  std::string why;
  auto parsed = Parse(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), &why);
  if (!parsed) {
    if (error) {
      *error = "'" + path + "' is not a valid port map: " + why +
               " (line n holds the device of COM port n, e.g. /dev/ttyUSB0)";
    }
    return -1;
  }
  lines_ = std::move(parsed->lines_);
  return 0;
}

int PortMap::Save(const std::string& program_dir, std::string* error) const {
  const std::string path = (std::filesystem::path(program_dir) / kFileName).string();
  return WriteFileAtomic(path, Serialize(), error) ? 0 : -1;
}

std::string PortMap::MappedPath(int com) const {
  if (com < 1 || static_cast<std::size_t>(com) > lines_.size()) return {};
  return lines_[static_cast<std::size_t>(com) - 1];
}

std::string PortMap::DevicePath(int com) const {
  std::string mapped = MappedPath(com);
  if (!mapped.empty() || com < 1) return mapped;
  const std::vector<std::string> found = system_ ? *system_ : ListSystemSerialDevices();
  if (static_cast<std::size_t>(com) <= found.size()) return found[static_cast<std::size_t>(com) - 1];
  return {};
}

int PortMap::SetDevice(int com, std::string_view path) {
  if (com < 1 || com > kMaxPort || path.size() > kMaxLine || HasControl(path)) return -1;
  const auto index = static_cast<std::size_t>(com) - 1;
  if (lines_.size() <= index) lines_.resize(index + 1);
  lines_[index] = std::string(path);
  while (!lines_.empty() && lines_.back().empty()) lines_.pop_back();
  return 0;
}

std::string PortMap::Serialize() const {
  std::string out;
  for (const auto& l : lines_) out += l + "\n";
  return out;
}

std::optional<std::string> PortMap::StableDevicePath(const std::string& device, const std::string& by_id_dir) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path target = fs::canonical(device, ec);
  if (ec) return std::nullopt;
  if (fs::path(device).parent_path() == fs::path(by_id_dir)) return device;
  // The folder holds one link per adapter; a few hundred entries at most are looked at.
  constexpr int kMaxEntries = 1024;
  int seen = 0;
  std::vector<std::string> names;
  for (fs::directory_iterator it(by_id_dir, ec), end; !ec && it != end && seen < kMaxEntries;
       it.increment(ec), ++seen) {
    std::error_code ec2;
    if (fs::canonical(it->path(), ec2) == target && !ec2) names.push_back(it->path().string());
  }
  if (names.empty()) return std::nullopt;
  // Should two links lead to the same device, the first by name is taken, whatever the
  // order of the folder listing.
  return *std::min_element(names.begin(), names.end());
}

std::optional<std::string> PortMap::PreferStablePath(int com, const std::string& by_id_dir) {
  const std::string device = DevicePath(com);
  if (device.empty()) return std::nullopt;
  auto stable = StableDevicePath(device, by_id_dir);
  if (!stable || *stable == MappedPath(com) || SetDevice(com, *stable) != 0) return std::nullopt;
  return stable;
}

std::vector<std::string> PortMap::ListSystemSerialDevices(const std::string& dev_dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dev_dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    for (const char* prefix : {"ttyACM", "ttyS", "ttyUSB"}) {
      const std::string p = prefix;
      if (name.size() > p.size() && name.compare(0, p.size(), p) == 0 &&
          std::all_of(name.begin() + static_cast<std::ptrdiff_t>(p.size()), name.end(),
                      [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
        names.push_back(name);
      }
    }
  }
  std::sort(names.begin(), names.end(), NaturalLess);
  std::vector<std::string> paths;
  for (const auto& n : names) paths.push_back((std::filesystem::path(dev_dir) / n).string());
  return paths;
}

}  // namespace sq
