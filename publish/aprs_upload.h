// The APRS upload: one TCP session with an APRS internet server that logs in with
// "user CALL pass TEXT\n", sends the weather report line and waits (bounded) for the
// server to answer. Each resolved address is tried in turn until one succeeds.
//
// Every pause and wait goes through the Clock: the 50 ms pause after connecting, the
// connect time limit and the wait for the reply (kAprsReplyTimeoutMs), so tests run
// against a FakeClock in milliseconds. Single-threaded.
#pragma once

#include <sys/socket.h>

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "publish/aprs_report.h"

namespace sq {

class BulletinData;
class Clock;
class Station;
class WeatherDatabase;
class DateTime;

inline constexpr int kAprsOk = 0;
inline constexpr int kAprsFailed = -1;

inline constexpr std::int64_t kAprsLoginPauseMs = 50;
inline constexpr std::int64_t kAprsConnectTimeoutMs = 15000;
inline constexpr std::int64_t kAprsReplyTimeoutMs = 30000;
// Each slice of a wait: a short look at the socket, then the rest on the clock.
inline constexpr int kAprsPollMs = 5;
inline constexpr std::int64_t kAprsSliceMs = 250;
inline constexpr int kAprsResolveTries = 2;

struct AprsAddress {
  sockaddr_storage address{};
  socklen_t length = 0;
  std::string text;  // "127.0.0.1:14580", "[::1]:14580"
};

// Host and port to TCP addresses: 0, or the resolver's error code.
using AprsResolver = std::function<int(const std::string& host, std::uint32_t port, std::vector<AprsAddress>* out)>;
[[nodiscard]] int ResolveAprsServer(const std::string& host, std::uint32_t port, std::vector<AprsAddress>* out);
// The address of an IPv4 or IPv6 literal and port (for tests and fixed servers).
[[nodiscard]] std::optional<AprsAddress> AprsAddressOf(const std::string& ip, std::uint32_t port);

struct AprsSettings {
  std::string call_sign;  // upper case
  std::string server;
  std::uint32_t port = 14580;
  std::string pass_text;  // after "pass ": the passcode, " vers ", program and version
  bool noaa_wind = false;
};

[[nodiscard]] AprsSettings AprsSettingsOf(const Station& station);
// True when every field is filled.
[[nodiscard]] bool AprsConfigured(const AprsSettings& settings);
// "user CALL pass TEXT\n".
[[nodiscard]] std::string AprsLoginLine(const AprsSettings& settings);

struct AprsSessionOptions {
  std::string title;  // the station's name
  std::int64_t connect_timeout_ms = kAprsConnectTimeoutMs;
  std::int64_t reply_timeout_ms = kAprsReplyTimeoutMs;
  AprsResolver resolve;  // empty: ResolveAprsServer
  // A line for the program log; empty: LogMessage.
  std::function<void(std::string_view text, std::string_view title)> log;
};

// The session for a built report (nothing: it could not be built). kAprsOk or
// kAprsFailed, every failure logged with its message.
[[nodiscard]] int SendAprsReport(const AprsSettings& settings, const std::optional<std::string>& report,
                                 const AprsSessionOptions& options, Clock& clock);

// Wind and rain from the stored archive, for the NOAA wind standard and for current
// data that has no rain rings yet. Each kAprsNoValue when the archive has no record
// ending in the window before `now` (station clock time).
struct ArchiveCurrent {
  float wind_avg = kAprsNoValue;   // mph, the newest record of the last 10 minutes
  float wind_gust = kAprsNoValue;  // mph, highest of the last 10 minutes
  float rain_hour = kAprsNoValue;  // inches, the last 60 minutes
  float rain_24h = kAprsNoValue;   // inches, the last 24 hours
};
[[nodiscard]] ArchiveCurrent ReadArchiveCurrent(WeatherDatabase& db, const Station& station, const DateTime& now);

// The station's facts for the report (call sign, position, family, sensors); nothing
// when its position is not set.
[[nodiscard]] std::optional<AprsStationFacts> AprsFactsOf(const Station& station);

// The report of `data` for `station` at `utc` (tm fields), with the archive's values
// where the wind standard or missing rings ask for them. Logs "Loop 2 not supported."
// when the data cannot be reported.
[[nodiscard]] std::optional<std::string> BuildAprsReport(const Station& station, const AprsSettings& settings,
                                                         const BulletinData& data, const ArchiveCurrent* archive,
                                                         const std::tm& utc, const AprsSessionOptions& options);

// The whole step: settings check, report, session; logs "Successfully uploaded APRS."
// on success. `archive` may be null (no database).
[[nodiscard]] int UploadAprs(const Station& station, const BulletinData& data, const ArchiveCurrent* archive,
                             const AprsSessionOptions& options, Clock& clock);

}  // namespace sq
