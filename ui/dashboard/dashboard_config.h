// Where the dashboard listens and who may read it.
//
// `run --http [ADDR:]PORT` or the program folder's "dashboard.cfg" turn the dashboard
// on. The file holds "key = value" lines ('#' starts a comment):
//
//   http = 8080                 # or ADDR:PORT; the address defaults to 127.0.0.1
//   password = a long phrase    # required when ADDR is not a loopback address
//
// A password makes the browser ask for it (any user name). Listening on anything but
// loopback without a password is refused, and so is a password in a file that other
// users may read. The file is outside input: lines and the file are bounded, unknown
// keys are an error (a mistyped "pasword" must not leave the dashboard open).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sq::dashboard {

inline constexpr const char* kDashboardConfigName = "dashboard.cfg";
inline constexpr const char* kDefaultAddress = "127.0.0.1";
inline constexpr std::size_t kMaxConfigSize = 16 * 1024;
inline constexpr std::size_t kMaxPasswordSize = 256;

struct ListenAddress {
  std::string host = kDefaultAddress;
  int port = 0;
  bool operator==(const ListenAddress&) const = default;
};

struct DashboardConfig {
  std::optional<ListenAddress> listen;  // none: the dashboard is off
  std::string password;                 // empty: none
};

// "PORT", "ADDR:PORT" or "[IPv6]:PORT"; nullopt (with *error) for anything else.
[[nodiscard]] std::optional<ListenAddress> ParseListenAddress(std::string_view text, std::string* error);

// True for 127.0.0.0/8, ::1 and "localhost".
[[nodiscard]] bool IsLoopback(std::string_view host);

// Parses the text of "dashboard.cfg"; false with *error (naming the line) when it does not.
[[nodiscard]] bool ParseDashboardConfig(std::string_view text, DashboardConfig* out, std::string* error);

// Reads program_folder/"dashboard.cfg" into *out; a missing file leaves *out as it is and
// answers true. False with *error for a file that cannot be read, does not parse, or
// holds a password while others may read it.
[[nodiscard]] bool LoadDashboardConfig(const std::string& program_folder, DashboardConfig* out, std::string* error);

// Whether `config` may start: a non-loopback address needs a password. False with *error.
[[nodiscard]] bool CheckDashboardConfig(const DashboardConfig& config, std::string* error);

// Compares two secrets in time that depends only on their lengths.
[[nodiscard]] bool ConstantTimeEquals(std::string_view a, std::string_view b);

}  // namespace sq::dashboard
