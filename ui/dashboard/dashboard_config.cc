#include "ui/dashboard/dashboard_config.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace sq::dashboard {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool ParsePort(std::string_view s, int* out) {
  if (s.empty() || s.size() > 5) return false;
  int v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v < 1 || v > 65535) return false;
  *out = v;
  return true;
}

bool HostCharacters(std::string_view h) {
  for (char c : h) {
    const bool ok =
        (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' || c == '-' || c == ':';
    if (!ok) return false;
  }
  return !h.empty() && h.size() <= 253;
}

}  // namespace

std::optional<ListenAddress> ParseListenAddress(std::string_view text, std::string* error) {
  ListenAddress a;
  std::string_view port = text;
  if (!text.empty() && text.front() == '[') {
    const auto close = text.find(']');
    if (close == std::string_view::npos || close + 1 >= text.size() || text[close + 1] != ':') {
      if (error) *error = "give the address as [IPv6]:PORT";
      return std::nullopt;
    }
    a.host = std::string(text.substr(1, close - 1));
    port = text.substr(close + 2);
  } else if (const auto colon = text.rfind(':'); colon != std::string_view::npos) {
    a.host = std::string(text.substr(0, colon));
    port = text.substr(colon + 1);
    if (a.host.find(':') != std::string::npos) {
      if (error) *error = "write an IPv6 address in brackets: [ADDR]:PORT";
      return std::nullopt;
    }
  }
  if (!HostCharacters(a.host)) {
    if (error) *error = "'" + std::string(text) + "' has no usable address; give [ADDR:]PORT";
    return std::nullopt;
  }
  if (!ParsePort(port, &a.port)) {
    if (error) *error = "'" + std::string(text) + "': the port must be a number from 1 to 65535";
    return std::nullopt;
  }
  return a;
}

bool IsLoopback(std::string_view host) { return host == "localhost" || host == "::1" || host.starts_with("127."); }

bool ParseDashboardConfig(std::string_view text, DashboardConfig* out, std::string* error) {
  if (text.size() > kMaxConfigSize) {
    if (error) *error = "the file is larger than " + std::to_string(kMaxConfigSize) + " bytes";
    return false;
  }
  DashboardConfig c = *out;
  int number = 0;
  while (!text.empty()) {
    const auto nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);
    ++number;
    const std::string where = "line " + std::to_string(number) + ": ";
    line = Trim(line);
    if (line.empty() || line.front() == '#') continue;
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) {
      if (error) *error = where + "expected key = value";
      return false;
    }
    const std::string_view key = Trim(line.substr(0, eq));
    std::string_view value = Trim(line.substr(eq + 1));
    if (key == "http") {
      // A comment may follow the address, not a password (it may hold '#').
      value = Trim(value.substr(0, value.find('#')));
      std::string why;
      auto listen = ParseListenAddress(value, &why);
      if (!listen) {
        if (error) *error = where + why;
        return false;
      }
      c.listen = *listen;
    } else if (key == "password") {
      if (value.size() > kMaxPasswordSize) {
        if (error) *error = where + "the password is longer than " + std::to_string(kMaxPasswordSize) + " characters";
        return false;
      }
      c.password = std::string(value);
    } else {
      if (error) *error = where + "unknown setting '" + std::string(key).substr(0, 40) + "' (known: http, password)";
      return false;
    }
  }
  *out = std::move(c);
  return true;
}

bool LoadDashboardConfig(const std::string& program_folder, DashboardConfig* out, std::string* error) {
  const std::string path = program_folder + "/" + kDashboardConfigName;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return true;
    if (error) *error = path + ": " + std::strerror(errno);
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  std::string text(kMaxConfigSize + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (in.bad()) {
    if (error) *error = path + ": cannot be read";
    return false;
  }
  text.resize(static_cast<std::size_t>(in.gcount()));
  std::string why;
  if (!ParseDashboardConfig(text, out, &why)) {
    if (error) *error = path + ": " + why;
    return false;
  }
  if (!out->password.empty() && (st.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
    if (error) *error = path + " holds a password but other users may read it; make it private with: chmod 600 " + path;
    return false;
  }
  return true;
}

bool CheckDashboardConfig(const DashboardConfig& config, std::string* error) {
  if (config.listen && !IsLoopback(config.listen->host) && config.password.empty()) {
    if (error) {
      *error = "the dashboard listens on " + config.listen->host +
               ", which other computers can reach: set a password in " + kDashboardConfigName +
               " of the program folder (a line 'password = ...', the file readable only by you)";
    }
    return false;
  }
  return true;
}

bool ConstantTimeEquals(std::string_view a, std::string_view b) {
  // Every byte of the longer one is looked at; the length difference counts too.
  const std::size_t n = a.size() > b.size() ? a.size() : b.size();
  unsigned diff = a.size() == b.size() ? 0u : 1u;
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char x = i < a.size() ? static_cast<unsigned char>(a[i]) : 0;
    const unsigned char y = i < b.size() ? static_cast<unsigned char>(b[i]) : 0;
    diff |= static_cast<unsigned>(x ^ y);
  }
  return diff == 0;
}

}  // namespace sq::dashboard
