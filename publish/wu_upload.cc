#include "publish/wu_upload.h"

#include <cmath>
#include <cstdio>
#include <deque>
#include <vector>

#include "app/download_log.h"
#include "app/format_text.h"
#include "app/network_settings.h"
#include "app/station.h"
#include "database/weather_data_id.h"
#include "database/weather_data_object.h"
#include "database/weather_database.h"
#include "foundation/astronomy.h"
#include "link/http_client.h"
#include "publish/minute_time.h"
#include "publish/reply_text.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace sq {
namespace {

constexpr std::uint32_t kProgramName = 62708;
constexpr std::uint32_t kProgramVersion = 62709;
constexpr std::uint32_t kOpenRetry = 39300;
constexpr std::uint32_t kSessionError = 39301;
constexpr std::uint32_t kReadError = 39302;
constexpr std::uint32_t kUploading = 39303;
constexpr std::uint32_t kUploadErrors = 39305;
constexpr std::uint32_t kNotSetUp = 39306;
constexpr std::uint32_t kHttpStatus = 39307;

constexpr char kDuplicate[] = "Duplicate";

std::string Printf(const char* format, double v) {
  char buf[48];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

bool Missing(float v) { return !(v == v) || v == kWuNoValue; }

// Truncated towards zero, as the network's integer fields are.
std::string Whole(float v) { return std::to_string(static_cast<long>(v)); }

}  // namespace

WuSettings WuSettingsOf(const Station& station) {
  const auto& r = station.record();
  WuSettings s;
  s.id = LoadText(r.wu_id, sizeof r.wu_id);
  s.password = LoadText(r.wu_password, sizeof r.wu_password);
  s.host = WuHost(station);
  if (s.host.empty()) s.host = kWuDefaultHost;
  s.https = !WuPlainHttp(station);
  s.catchup_days = r.wu_catchup <= kWuMaxCatchupDays ? r.wu_catchup : kWuMaxCatchupDays;
  s.last_date = r.wu_last_date;
  s.last_time = r.wu_last_time;
  return s;
}

bool WuConfigured(const WuSettings& s) { return !s.id.empty() && !s.password.empty(); }

std::string WuQuery(const WuSettings& s, const WuObservation& o) {
  std::string q = "ID=" + UrlEncode(s.id) + "&PASSWORD=" + UrlEncode(s.password);
  char when[96];
  std::snprintf(when, sizeof when, "&dateutc=%4d-%02d-%02d%%20%02d:%02d:%02d", o.utc.year, o.utc.month, o.utc.day,
                o.utc.hour, o.utc.minute, o.utc.second);
  q += when;
  auto add = [&](const char* name, float v, const std::string& text) {
    if (!Missing(v)) q += std::string("&") + name + "=" + text;
  };
  add("winddir", o.wind_dir, Whole(o.wind_dir));
  add("windspeedmph", o.wind_speed, Whole(o.wind_speed));
  add("windgustmph", o.wind_gust, Whole(o.wind_gust));
  add("tempf", o.temp, Printf("%.1f", o.temp));
  add("rainin", o.rain, Printf("%.2f", o.rain));
  add("dailyrainin", o.daily_rain, Printf("%.2f", o.daily_rain));
  add("baromin", o.barometer, Printf("%.3f", o.barometer));
  add("dewptf", o.dew_point, Printf("%.1f", o.dew_point));
  add("humidity", o.humidity, Whole(o.humidity));
  add("solarradiation", o.solar, Whole(o.solar));
  add("UV", o.uv, Printf("%.1f", o.uv));
  q += "&softwaretype=" +
       UrlEncode(std::string(LoadString(kProgramName)) + " " + std::string(LoadString(kProgramVersion)));
  q += "&action=updateraw";
  return q;
}

std::string WuRequestUrl(const WuSettings& s, const WuObservation& o) {
  return std::string(s.https ? "https://" : "http://") + s.host + kWuPath + "?" + WuQuery(s, o);
}

WuObservation ObservationFromRecord(const DataRecord& record, const DateTime& local, const SiteDescription& site,
                                    const WeatherSensors& sensors, float hour_rain, float day_rain) {
  WeatherDataObject v(record, local);
  v.SetSite(site);
  using ID = WeatherDataID;
  WuObservation o;
  const float point = v.GetWindDir(ID::WindDirection(), true);
  if (sensors.wind_dir && !Missing(point) && point >= 0 && point < 16) o.wind_dir = point * 22.5f;
  o.wind_speed = v.GetWindSpeed(ID::WindSpeed(), true);
  o.wind_gust = v.GetWindSpeed(ID::HighWindSpeed(), true);
  o.temp = v.GetTemp(ID::OutsideTemp(), true);
  if (sensors.rain) {
    o.rain = hour_rain;
    o.daily_rain = day_rain;
  }
  o.barometer = v.GetBarometer(ID::Barometer(), true);
  if (sensors.humidity) {
    o.humidity = v.GetHum(ID::OutsideHum(), true);
    o.dew_point = v.GetTemp(ID::OutsideDewPoint(), true);
  }
  if (sensors.solar) o.solar = v.GetSolar(ID::SolarRad(), true);
  if (sensors.uv) o.uv = v.GetUV(ID::UVIndex(), true);
  DateTime utc = local;
  StationTimeToUtc(utc, site.time_zone_hours, site.southern_hemisphere, site.dst_mode, site.manual_dst_start,
                   site.manual_dst_end);
  o.utc = FromAbsMinute(AbsMinute(utc));
  return o;
}

WuReplyVerdict JudgeWuReply(std::string_view reply) {
  WuReplyVerdict v;
  if (reply.size() < kWuShortReply) {
    v.success = true;
    return v;
  }
  v.success = reply.find(kDuplicate) != std::string_view::npos;
  v.logged = PrintableReply(reply, kWuMaxLoggedReply);
  return v;
}

DateTime WuStartPoint(const WuSettings& s, const DateTime& now) {
  std::int64_t start = AbsMinute(now);
  if (s.catchup_days > 0) {
    // The end of the day before the first day to catch up.
    const std::int64_t today = FloorDiv(AbsMinute(now) - 1, kMinutesPerDay);
    start = (today - s.catchup_days) * kMinutesPerDay - 1;
  }
  if (s.last_date > 0 && s.last_time >= 0 && s.last_time <= kMinutesPerDay) {
    DateTime last;
    last.SetDate(s.last_date);
    last.packed_time = s.last_time;
    const std::int64_t sent = AbsMinute(last);
    if (s.catchup_days == 0) {
      if (AbsMinute(now) - sent <= kWuResumeLimitMinutes) start = sent;
    } else if (sent > start) {
      start = sent;
    }
  }
  return FromAbsMinute(start);
}

WuUploader::WuUploader(HttpSession& session, WuSettings settings, std::string title, WuHooks hooks)
    : session_(session), settings_(std::move(settings)), title_(std::move(title)), hooks_(std::move(hooks)) {}

void WuUploader::Log(std::string_view text) {
  if (hooks_.log) {
    hooks_.log(text, title_);
  } else {
    (void)LogMessage(text, title_);
  }
}

int WuUploader::SendObservation(const WuObservation& obs) {
  if (!session_open_) {
    const long e = session_.Open();
    if (e != 0) {
      Log(FormatText(LoadString(kSessionError), e));
      return kWuFailed;
    }
    session_open_ = true;
  }
  const std::string url = WuRequestUrl(settings_, obs);
  HttpReply reply = session_.Get(url);
  if (!reply.opened) {
    Log(FormatText(LoadString(kOpenRetry), static_cast<int>(reply.error)));
    session_.Close();
    const long e = session_.Open();
    if (e != 0) {
      session_open_ = false;
      Log(FormatText(LoadString(kSessionError), e));
      return kWuFailed;
    }
    reply = session_.Get(url);
    if (!reply.opened) {
      Log(FormatText(LoadString(kOpenRetry), static_cast<int>(reply.error)));
      return kWuFailed;
    }
  }
  if (!reply.read) {
    Log(FormatText(LoadString(kReadError), static_cast<int>(reply.error)));
    return kWuFailed;
  }
  // An error status is a failure whatever the text: a short error page must not count
  // as an accepted record.
  if (reply.status >= 400) {
    Log(FormatText(LoadString(kHttpStatus), static_cast<int>(reply.status),
                   PrintableReply(reply.body, kWuMaxLoggedReply)));
    return kWuFailed;
  }
  const WuReplyVerdict verdict = JudgeWuReply(reply.body);
  if (!verdict.logged.empty()) Log(verdict.logged);
  return verdict.success ? kWuOk : kWuFailed;
}

int WuUploader::Walk(WeatherDatabase& db, const SiteDescription& site, const WeatherSensors& sensors,
                     const DateTime& now) {
  const std::int64_t from = AbsMinute(WuStartPoint(settings_, now)) - kWuLookBackMinutes;
  const std::int32_t count = db.NumberOfDataRecords();
  if (count <= 0) return kWuOk;
  // Reading starts earlier than sending: the first records sent need the rain of the
  // hour before them and of their whole day.
  const std::int64_t read_from = FloorDiv(from - 1, kMinutesPerDay) * kMinutesPerDay - kWuLookBackMinutes;
  std::int32_t n = db.GetClosestArchive(FromAbsMinute(read_from));
  if (n < 0) n = 0;

  struct Pending {
    WuObservation obs;
    DateTime local;
  };
  std::vector<Pending> pending;
  std::deque<std::pair<std::int64_t, float>> hour;  // records of the last 60 minutes
  float day_sum = 0.0f;
  std::int32_t day = 0;
  for (; n < count; ++n) {
    RecordBytes bytes{};
    DateTime local;
    if (db.GetArchiveRecord(&bytes, n) != kDbOk || db.GetDateLastRead(&local) != 1) return kWuFailed;
    const auto record = DecodeDataRecord(bytes);
    if (!record) return kWuFailed;
    const std::int64_t t = AbsMinute(local);
    if (t < read_from) continue;
    WeatherDataObject values(*record, local);
    values.SetSite(site);
    float rain = values.GetRain(WeatherDataID::Rain(), true);
    if (Missing(rain) || rain < 0) rain = 0.0f;
    if (local.GetPackedDate() != day) {
      day = local.GetPackedDate();
      day_sum = 0.0f;
    }
    day_sum += rain;
    while (!hour.empty() && hour.front().first <= t - kWuLookBackMinutes) hour.pop_front();
    hour.emplace_back(t, rain);
    if (t < from) continue;
    float hour_sum = 0.0f;
    for (const auto& h : hour) hour_sum += h.second;
    pending.push_back({ObservationFromRecord(*record, local, site, sensors, hour_sum, day_sum), local});
  }
  records_total_ = static_cast<int>(pending.size());
  for (std::size_t i = 0; i < pending.size(); ++i) {
    if (hooks_.progress) {
      hooks_.progress(FormatText(LoadString(kUploading), pending[i].local.GetDateStr(), pending[i].local.GetTimeStr(),
                                 static_cast<double>(i + 1), static_cast<double>(pending.size())));
    }
    if (SendObservation(pending[i].obs) != kWuOk) return kWuFailed;
    ++records_sent_;
    settings_.last_date = pending[i].local.GetPackedDate();
    settings_.last_time = pending[i].local.packed_time;
    if (hooks_.sent && !hooks_.sent(pending[i].local)) return kWuFailed;
  }
  return kWuOk;
}

int WuUploader::Upload(WeatherDatabase& db, const SiteDescription& site, const WeatherSensors& sensors,
                       const DateTime& now) {
  records_sent_ = records_total_ = 0;
  int r = kWuFailed;
  if (!WuConfigured(settings_)) {
    Log(LoadString(kNotSetUp));
  } else {
    r = Walk(db, site, sensors, now);
  }
  if (session_open_) session_.Close();
  session_open_ = false;
  Log(LoadString(r == kWuOk ? string_id::kWuUploaded : kUploadErrors));
  return r;
}

}  // namespace sq
