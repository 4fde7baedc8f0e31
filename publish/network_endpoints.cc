#include "publish/network_endpoints.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "foundation/file_util.h"

namespace sq {
namespace {

constexpr std::size_t kMaxFileSize = 64 * 1024;
constexpr std::size_t kMaxUrlSize = 1024;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::string PathOf(const std::string& folder) {
  if (folder.empty()) return kEndpointsFileName;
  return folder.back() == '/' ? folder + kEndpointsFileName : folder + "/" + kEndpointsFileName;
}

}  // namespace

NetworkEndpoints ParseEndpoints(std::string_view text, int* bad_lines) {
  NetworkEndpoints e;
  int bad = 0;
  while (!text.empty()) {
    const std::size_t nl = text.find('\n');
    std::string_view line = Trim(text.substr(0, nl));
    text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);
    if (line.empty() || line.front() == '#') continue;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      ++bad;
      continue;
    }
    const std::string_view key = Trim(line.substr(0, eq));
    const std::string_view value = Trim(line.substr(eq + 1));
    std::string why;
    const auto url = value.empty() ? std::optional<std::string>("") : NormalizeEndpoint(value, &why);
    if (!url || (key != "production" && key != "staging")) {
      ++bad;
      continue;
    }
    (key == "production" ? e.production : e.staging) = *url;
  }
  if (bad_lines != nullptr) *bad_lines = bad;
  return e;
}

std::string FormatEndpoints(const NetworkEndpoints& e) {
  return "# Endpoints of the weather network upload (stratoquill network FOLDER endpoint)\n"
         "production=" +
         e.production + "\nstaging=" + e.staging + "\n";
}

NetworkEndpoints LoadEndpoints(const std::string& folder, std::string* error) {
  const std::string path = PathOf(folder);
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 && errno == ENOENT) return {};
  std::string why;
  const auto bytes = ReadWholeFile(path, kMaxFileSize, &why);
  if (!bytes) {
    if (error != nullptr) *error = path + ": " + why;
    return {};
  }
  return ParseEndpoints(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

bool SaveEndpoints(const std::string& folder, const NetworkEndpoints& endpoints, std::string* error) {
  return WriteFileAtomic(PathOf(folder), FormatEndpoints(endpoints), error);
}

std::optional<std::string> NormalizeEndpoint(std::string_view url, std::string* why) {
  auto fail = [&](const char* text) -> std::optional<std::string> {
    if (why != nullptr) *why = text;
    return std::nullopt;
  };
  if (url.size() > kMaxUrlSize) return fail("the URL is too long");
  for (const char c : url) {
    const auto b = static_cast<unsigned char>(c);
    if (b <= 0x20 || b >= 0x7F) return fail("the URL holds a blank or a character that is not plain ASCII");
  }
  std::size_t scheme = 0;
  if (url.starts_with("http://")) {
    scheme = 7;
  } else if (url.starts_with("https://")) {
    scheme = 8;
  } else {
    return fail("the URL must start with http:// or https://");
  }
  const std::size_t slash = url.find('/', scheme);
  const std::string_view host = url.substr(scheme, slash == std::string_view::npos ? url.npos : slash - scheme);
  if (host.empty() || host.front() == ':' || host.find_first_of("?#@") != std::string_view::npos) {
    return fail("the URL has no host");
  }
  std::string out(url);
  if (slash == std::string_view::npos) {
    out += kServicePath;
  } else if (slash == url.size() - 1) {
    out.pop_back();
    out += kServicePath;
  }
  return out;
}

std::string GetServerURL(const NetworkEndpoints& endpoints, bool staging) {
  return staging ? endpoints.staging : endpoints.production;
}

}  // namespace sq
