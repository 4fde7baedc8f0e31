// The work files of an upload run, in the station folder and rewritten for every run:
//
// "UploadList.txt": one line per file to publish, four TAB-separated fields: local
// source path, remote folder, remote file name, local-copy target path.
// "TemplateList.txt": one line per page to make: display name, four TABs, template
// path, TAB, page path.
//
// Reading takes the file as untrusted text: lines of at most 511 characters (the rest
// of a longer line is dropped), lines without the four fields skipped, a bounded count.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sq {

inline constexpr const char* kUploadListName = "UploadList.txt";
inline constexpr const char* kTemplateListName = "TemplateList.txt";
inline constexpr std::size_t kUploadLineMax = 511;
inline constexpr std::size_t kUploadListMaxLines = 100000;

struct UploadLine {
  std::string local;          // source on this computer
  std::string remote_folder;  // FTP base folder and the profile's sub-folder
  std::string remote_name;
  std::string local_target;  // where the local copy goes
};

[[nodiscard]] std::string FormatUploadLine(const UploadLine& line);
[[nodiscard]] std::vector<UploadLine> ParseUploadList(std::string_view text);
// Reads folder/UploadList.txt; nothing when it cannot be read (*error says why).
[[nodiscard]] std::optional<std::vector<UploadLine>> ReadUploadList(const std::string& folder,
                                                                    std::string* error = nullptr);

// The base folder and a profile's sub-folder as one remote folder: the sub-folder
// follows the base directly, with a "/" put between them only when neither has a
// separator there ("www" and "images" give "www/images").
[[nodiscard]] std::string RemoteFolder(std::string_view base, std::string_view sub);

// The remote name of a listed file: the part of its path after the last "\\", "/" or TAB.
[[nodiscard]] std::string RemoteNameOf(std::string_view path);

// A template's page: the path with its ".htx" replaced by "." and the extension.
[[nodiscard]] std::string PagePathFor(std::string_view template_path, std::string_view extension);

}  // namespace sq
