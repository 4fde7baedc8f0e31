#include "publish/upload_list.h"

#include "app/binary_file.h"
#include "foundation/file_util.h"

namespace sq {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

std::string FormatUploadLine(const UploadLine& l) {
  return l.local + "\t" + l.remote_folder + "\t" + l.remote_name + "\t" + l.local_target + "\n";
}

std::vector<UploadLine> ParseUploadList(std::string_view text) {
  std::vector<UploadLine> out;
  std::size_t pos = 0;
  while (pos < text.size() && out.size() < kUploadListMaxLines) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, std::min(end - pos, kUploadLineMax));
    pos = end + 1;
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::string_view fields[4];
    std::size_t n = 0, start = 0;
    for (; n < 3; ++n) {
      const std::size_t tab = line.find('\t', start);
      if (tab == std::string_view::npos) break;
      fields[n] = line.substr(start, tab - start);
      start = tab + 1;
    }
    if (n < 3) continue;
    fields[3] = line.substr(start);
    if (fields[0].empty() || fields[2].empty()) continue;
    out.push_back({std::string(fields[0]), std::string(fields[1]), std::string(fields[2]), std::string(fields[3])});
  }
  return out;
}

std::optional<std::vector<UploadLine>> ReadUploadList(const std::string& folder, std::string* error) {
  auto bytes = ReadWholeFile(JoinPath(folder, kUploadListName), kUploadListMaxLines * (kUploadLineMax + 1), error);
  if (!bytes) return std::nullopt;
  return ParseUploadList(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

std::string RemoteFolder(std::string_view base, std::string_view sub) {
  std::string out(base);
  if (!out.empty() && !sub.empty() && !IsSeparator(out.back()) && !IsSeparator(sub.front())) out += '/';
  out += sub;
  return out;
}

std::string RemoteNameOf(std::string_view path) {
  const std::size_t cut = path.find_last_of("\\/\t");
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string PagePathFor(std::string_view template_path, std::string_view extension) {
  std::string page(template_path.substr(0, template_path.size() >= 4 ? template_path.size() - 4 : 0));
  return page + "." + std::string(extension);
}

}  // namespace sq
