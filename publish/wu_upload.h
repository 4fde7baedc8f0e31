// Weather Underground upload: one HTTP GET per archive record, carrying the record's
// observation in the network's units (mph, F, inches, inHg), whatever the display
// units.
//
// The step (WuUploader::Upload) walks the archive from a start point to the newest
// record: the start point is the last record sent, or, without one (or one older than
// 34 hours when no catch-up days are set), now or the end of the day before the
// catch-up days. It starts one hour before that point, since records already sent
// are answered as duplicates. After every record the server accepts, the last record
// sent is handed to the `sent` hook (which saves it), so a walk that fails part-way
// continues there next time. The walk stops at the first record that fails.
//
// Reply rules: a reply shorter than 9 characters (such as "success\n") is a success;
// a longer one is logged, and counts as a success only when it reports a duplicate.
// An answer with an HTTP error status (400 and above) is a failure whatever its text.
// A URL that does not open is tried once more with a reopened session.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "foundation/date_time.h"
#include "foundation/site.h"
#include "publish/http_session.h"
#include "publish/weather_sensors.h"

namespace sq {

class Station;
class WeatherDatabase;
struct DataRecord;

inline constexpr int kWuOk = 0;
inline constexpr int kWuFailed = -1;

inline constexpr float kWuNoValue = -32768.0f;
inline constexpr char kWuDefaultHost[] = "weatherstation.wunderground.com";
inline constexpr char kWuPath[] = "/weatherstation/updateweatherstation.php";
inline constexpr char kWuAgent[] = "Stratoquill";
inline constexpr int kWuMaxCatchupDays = 7;
inline constexpr int kWuResumeLimitMinutes = 34 * 60;  // 1.416667 days
inline constexpr int kWuLookBackMinutes = 60;
inline constexpr std::size_t kWuShortReply = 9;
// Longest reply text put into the log.
inline constexpr std::size_t kWuMaxLoggedReply = 512;

struct WuSettings {
  std::string id;
  std::string password;
  std::string host = kWuDefaultHost;  // a host name, or host:port
  bool https = true;
  int catchup_days = 0;         // 0..7
  std::int32_t last_date = 0;   // packed date of the last record sent; 0 none
  std::int16_t last_time = -1;  // its packed time; -1 none
};

[[nodiscard]] WuSettings WuSettingsOf(const Station& station);
// True when both the station ID and the password are set.
[[nodiscard]] bool WuConfigured(const WuSettings& settings);

// One observation; kWuNoValue for a value that is not sent.
struct WuObservation {
  float wind_dir = kWuNoValue;    // degrees
  float wind_speed = kWuNoValue;  // mph
  float wind_gust = kWuNoValue;   // mph
  float temp = kWuNoValue;        // F
  float rain = kWuNoValue;        // inches in the hour ending at the observation
  float daily_rain = kWuNoValue;  // inches since local midnight, the observation included
  float barometer = kWuNoValue;   // inHg
  float dew_point = kWuNoValue;   // F
  float humidity = kWuNoValue;    // percent
  float solar = kWuNoValue;       // W/m2
  float uv = kWuNoValue;          // index
  DateTime utc;                   // the observation's time in UTC
};

// The query of one observation, parts in the network's order, every value URL-encoded.
[[nodiscard]] std::string WuQuery(const WuSettings& settings, const WuObservation& obs);
// "https://HOST/weatherstation/updateweatherstation.php?QUERY".
[[nodiscard]] std::string WuRequestUrl(const WuSettings& settings, const WuObservation& obs);

// The observation of an archive record stored at `local` (station clock time). The
// rain of the hour and of the day are the caller's sums over the archive.
[[nodiscard]] WuObservation ObservationFromRecord(const DataRecord& record, const DateTime& local,
                                                  const SiteDescription& site, const WeatherSensors& sensors,
                                                  float hour_rain, float day_rain);

struct WuReplyVerdict {
  bool success = false;
  std::string logged;  // the reply as it goes into the log; empty: nothing is logged
};
// The reply rules for the whole reply.
[[nodiscard]] WuReplyVerdict JudgeWuReply(std::string_view reply);

// Where the walk starts (before the hour of look-back), for `now` on the station's clock.
[[nodiscard]] DateTime WuStartPoint(const WuSettings& settings, const DateTime& now);

struct WuHooks {
  // A line for the program log, with its title (the station's name).
  std::function<void(std::string_view text, std::string_view title)> log;
  // "Uploading record: ..." before each record.
  std::function<void(std::string_view text)> progress;
  // A record was accepted: keep it as the last record sent. False when that could not
  // be saved (the walk then stops: the next run would send the records again).
  std::function<bool(const DateTime& local)> sent;
};

class WuUploader {
 public:
  // `session` must outlive the uploader.
  WuUploader(HttpSession& session, WuSettings settings, std::string title, WuHooks hooks);

  // Sends one observation: kWuOk or kWuFailed (logged).
  [[nodiscard]] int SendObservation(const WuObservation& obs);

  // The whole step over `db` for `now` (station clock time): kWuOk when every record
  // was sent, kWuFailed otherwise. Logs the step's result line.
  [[nodiscard]] int Upload(WeatherDatabase& db, const SiteDescription& site, const WeatherSensors& sensors,
                           const DateTime& now);

  [[nodiscard]] const WuSettings& settings() const { return settings_; }
  [[nodiscard]] int records_sent() const { return records_sent_; }
  [[nodiscard]] int records_total() const { return records_total_; }

 private:
  void Log(std::string_view text);
  int Walk(WeatherDatabase& db, const SiteDescription& site, const WeatherSensors& sensors, const DateTime& now);

  HttpSession& session_;
  WuSettings settings_;
  std::string title_;
  WuHooks hooks_;
  bool session_open_ = false;
  int records_sent_ = 0;
  int records_total_ = 0;
};

}  // namespace sq
