#include "publish/profile_list.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "app/binary_file.h"
#include "foundation/file_util.h"

namespace sq {
namespace {

// Generous bound on the file: 10000 entries of 255 characters.
constexpr std::size_t kMaxListBytes = kProfileListMaxEntries * 256;

ProfileFile ParseLine(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  ProfileFile f;
  const std::size_t tab = line.find('\t');
  if (tab == std::string_view::npos) {
    f.path = std::string(line);
    const std::size_t slash = line.find_last_of('/');
    f.name = std::string(slash == std::string_view::npos ? line : line.substr(slash + 1));
    return f;
  }
  f.name = std::string(line.substr(0, tab));
  std::size_t start = tab;
  while (start < line.size() && line[start] == '\t') ++start;
  f.path = std::string(line.substr(start));
  return f;
}

// The list is a file of the station folder: a name from a damaged or hostile
// configuration must not reach outside it.
bool ListNameOk(const std::string& name, std::string* error) {
  if (!name.empty() && name.find('/') == std::string::npos && name != "." && name != "..") return true;
  if (error) *error = "unusable file list name '" + name + "'";
  return false;
}

}  // namespace

bool IsTemplatePath(std::string_view path) {
  constexpr std::string_view kExt = ".htx";
  if (path.size() < kExt.size()) return false;
  const std::string_view tail = path.substr(path.size() - kExt.size());
  for (std::size_t i = 0; i < kExt.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(tail[i])) != kExt[i]) return false;
  }
  return true;
}

bool ProfileFile::IsTemplate() const { return IsTemplatePath(path); }

std::vector<ProfileFile> ParseProfileList(std::string_view text) {
  std::vector<ProfileFile> out;
  std::size_t pos = 0;
  while (pos < text.size() && out.size() < kProfileListMaxEntries) {
    std::size_t end = text.find('\n', pos);
    const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, std::min(end - pos, kProfileLineMax));
    pos = next;
    // Short lines are left-overs of an editor or an empty last line.
    if (line.size() < kProfileLineMin) continue;
    ProfileFile f = ParseLine(line);
    if (!f.path.empty()) out.push_back(std::move(f));
  }
  return out;
}

std::string FormatProfileList(const std::vector<ProfileFile>& files) {
  std::string text;
  for (const auto& f : files) text += f.name + "\t\t\t\t" + f.path + "\n";
  return text;
}

std::optional<std::vector<ProfileFile>> ReadProfileList(const std::string& folder, const std::string& list_name,
                                                        std::string* error) {
  if (!ListNameOk(list_name, error)) return std::nullopt;
  const std::string path = JoinPath(folder, list_name);
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return std::vector<ProfileFile>{};
  auto bytes = ReadWholeFile(path, kMaxListBytes, error);
  if (!bytes) return std::nullopt;
  return ParseProfileList(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

bool WriteProfileList(const std::string& folder, const std::string& list_name, const std::vector<ProfileFile>& files,
                      std::string* error) {
  if (!ListNameOk(list_name, error)) return false;
  return WriteFileAtomic(JoinPath(folder, list_name), FormatProfileList(files), error);
}

}  // namespace sq
