// A profile's file list ("Profile%d.lst" in the station folder): the templates and
// other files an upload profile publishes. One entry per line, written as the display
// name, four TAB characters and the full local path. A path ending in ".htx" (any
// case) is a template page; any other file is uploaded as it is.
//
// Reading treats the file as untrusted text: lines are taken 255 characters at most
// (the rest of a longer line is dropped, never read as an entry of its own), lines
// shorter than 5 characters are ignored, and the number of entries is bounded.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sq {

inline constexpr std::size_t kProfileLineMax = 255;
inline constexpr std::size_t kProfileLineMin = 5;
inline constexpr std::size_t kProfileListMaxEntries = 10000;

struct ProfileFile {
  std::string name;  // display name
  std::string path;  // full local path
  [[nodiscard]] bool IsTemplate() const;
};

// True when `path` ends in ".htx", compared without regard to case.
[[nodiscard]] bool IsTemplatePath(std::string_view path);

// Entries of a list's text.
std::vector<ProfileFile> ParseProfileList(std::string_view text);
// The list's text: "name\t\t\t\tpath\n" per entry.
std::string FormatProfileList(const std::vector<ProfileFile>& files);

// Reads folder/list_name. A missing file is an empty list; nothing when it exists but
// cannot be read (`*error` says why).
std::optional<std::vector<ProfileFile>> ReadProfileList(const std::string& folder, const std::string& list_name,
                                                        std::string* error = nullptr);
// Writes the list atomically. false with `*error` on failure.
[[nodiscard]] bool WriteProfileList(const std::string& folder, const std::string& list_name,
                                    const std::vector<ProfileFile>& files, std::string* error = nullptr);

}  // namespace sq
