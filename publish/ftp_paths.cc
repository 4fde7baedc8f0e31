#include "publish/ftp_paths.h"

namespace sq {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string CollapseSlashes(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    if (c == '/' && !out.empty() && out.back() == '/') continue;
    out.push_back(c);
  }
  return out;
}

}  // namespace

std::string ConvertPathToForwardSlashes(std::string_view path) {
  std::string out(path);
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  if (!out.empty() && out.back() == '/') out.pop_back();
  return out;
}

int GetPartialPath(int n, std::string_view path, std::string* out) {
  int seen = 0;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (!IsSeparator(path[i])) continue;
    if (++seen == n) {
      *out = std::string(path.substr(0, i));
      return kPartialPrefix;
    }
  }
  *out = std::string(path);
  return seen == n - 1 ? kPartialWhole : kPartialBeyond;
}

std::string JoinRemotePath(std::string_view root, std::string_view relative) {
  if (root.empty()) {
    // No known root: the path stays relative to the login folder.
    std::string out = CollapseSlashes(relative);
    while (!out.empty() && out.front() == '/') out.erase(0, 1);
    if (!out.empty() && out.back() == '/') out.pop_back();
    return out;
  }
  std::string joined(root);
  if (!relative.empty()) {
    joined += '/';
    joined += relative;
  }
  std::string out = CollapseSlashes(joined);
  if (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

std::string JoinSettingPath(std::string_view folder, std::string_view sub) {
  std::string a(folder), b(sub);
  for (char& c : a) c = c == '\\' ? '/' : c;
  for (char& c : b) c = c == '\\' ? '/' : c;
  if (a.empty()) return b;
  if (b.empty()) return a;
  while (!b.empty() && b.front() == '/') b.erase(0, 1);
  if (a.back() != '/') a += '/';
  return a + b;
}

}  // namespace sq
