#include "publish/aprs_upload.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/download_log.h"
#include "app/format_text.h"
#include "app/network_settings.h"
#include "app/station.h"
#include "database/weather_data_id.h"
#include "database/weather_data_object.h"
#include "database/weather_database.h"
#include "foundation/clock.h"
#include "publish/minute_time.h"
#include "realtime/bulletin_data.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace sq {
namespace {

constexpr std::uint32_t kUploadedOk = 39310;
constexpr std::uint32_t kNoReport = 39312;
constexpr std::uint32_t kNoServers = 39314;
constexpr std::uint32_t kNoSocket = 39315;
constexpr std::uint32_t kNoConnect = 39316;
constexpr std::uint32_t kNoLogin = 39317;
constexpr std::uint32_t kNoSend = 39318;
constexpr std::uint32_t kNoReply = 39319;
constexpr std::uint32_t kSuccessLine = 39320;
constexpr std::uint32_t kSuccessTitle = 39321;
constexpr std::uint32_t kLoop2 = 39322;
constexpr std::uint32_t kNoPosition = 39323;

constexpr int kNoaaGustMinutes = 10;
constexpr int kHourMinutes = 60;
constexpr int kDayMinutes = 24 * 60;

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  [[nodiscard]] int get() const { return fd_; }

 private:
  int fd_;
};

void Log(const AprsSessionOptions& o, std::string_view text, std::string_view title) {
  if (o.log) {
    o.log(text, title);
  } else {
    (void)LogMessage(text, title);
  }
}

// Waits until `fd` is ready for `events`, up to `limit_ms` on the clock. True when ready.
bool WaitFor(int fd, short events, std::int64_t limit_ms, Clock& clock) {
  const std::int64_t start = clock.MonotonicMs();
  for (;;) {
    pollfd p{fd, events, 0};
    const int r = ::poll(&p, 1, kAprsPollMs);
    if (r > 0) return true;
    if (r < 0 && errno != EINTR) return false;
    const std::int64_t spent = clock.MonotonicMs() - start;
    if (spent >= limit_ms) return false;
    clock.SleepMs(std::min(kAprsSliceMs, limit_ms - spent));
  }
}

bool SendAll(int fd, std::string_view data, std::int64_t limit_ms, Clock& clock) {
  while (!data.empty()) {
    if (!WaitFor(fd, POLLOUT, limit_ms, clock)) return false;
    const ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::string AddressText(const sockaddr* a) {
  char host[INET6_ADDRSTRLEN] = {};
  if (a->sa_family == AF_INET) {
    const auto* in = reinterpret_cast<const sockaddr_in*>(a);
    ::inet_ntop(AF_INET, &in->sin_addr, host, sizeof host);
    return std::string(host) + ":" + std::to_string(ntohs(in->sin_port));
  }
  const auto* in6 = reinterpret_cast<const sockaddr_in6*>(a);
  ::inet_ntop(AF_INET6, &in6->sin6_addr, host, sizeof host);
  return "[" + std::string(host) + "]:" + std::to_string(ntohs(in6->sin6_port));
}

// One address: 0 success, else the message number of the failure (kNoSocket stops).
std::uint32_t TryAddress(const AprsAddress& a, const AprsSettings& s, const std::string& report,
                         const AprsSessionOptions& o, Clock& clock) {
  Fd fd(::socket(a.address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (fd.get() < 0) return kNoSocket;
  if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&a.address), a.length) != 0) {
    if (errno != EINPROGRESS || !WaitFor(fd.get(), POLLOUT, o.connect_timeout_ms, clock)) return kNoConnect;
    int error = 0;
    socklen_t len = sizeof error;
    if (::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &error, &len) != 0 || error != 0) return kNoConnect;
  }
  clock.SleepMs(kAprsLoginPauseMs);
  if (!SendAll(fd.get(), AprsLoginLine(s), o.connect_timeout_ms, clock)) return kNoLogin;
  if (!SendAll(fd.get(), report + "\n", o.connect_timeout_ms, clock)) return kNoSend;
  if (!WaitFor(fd.get(), POLLIN, o.reply_timeout_ms, clock)) return kNoReply;
  char buf[512];
  const ssize_t n = ::recv(fd.get(), buf, sizeof buf, 0);
  return n > 0 ? 0 : kNoReply;
}

}  // namespace

int ResolveAprsServer(const std::string& host, std::uint32_t port, std::vector<AprsAddress>* out) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int r = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
  if (r != 0) return r;
  std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owner(found, &freeaddrinfo);
  out->clear();
  for (const addrinfo* i = found; i != nullptr; i = i->ai_next) {
    if (i->ai_addrlen > sizeof(sockaddr_storage)) continue;
    AprsAddress a;
    std::memcpy(&a.address, i->ai_addr, i->ai_addrlen);
    a.length = i->ai_addrlen;
    a.text = AddressText(i->ai_addr);
    out->push_back(a);
  }
  return out->empty() ? EAI_NONAME : 0;
}

std::optional<AprsAddress> AprsAddressOf(const std::string& ip, std::uint32_t port) {
  AprsAddress a;
  auto* in = reinterpret_cast<sockaddr_in*>(&a.address);
  auto* in6 = reinterpret_cast<sockaddr_in6*>(&a.address);
  if (::inet_pton(AF_INET, ip.c_str(), &in->sin_addr) == 1) {
    in->sin_family = AF_INET;
    in->sin_port = htons(static_cast<std::uint16_t>(port));
    a.length = sizeof(sockaddr_in);
  } else if (::inet_pton(AF_INET6, ip.c_str(), &in6->sin6_addr) == 1) {
    in6->sin6_family = AF_INET6;
    in6->sin6_port = htons(static_cast<std::uint16_t>(port));
    a.length = sizeof(sockaddr_in6);
  } else {
    return std::nullopt;
  }
  a.text = AddressText(reinterpret_cast<const sockaddr*>(&a.address));
  return a;
}

AprsSettings AprsSettingsOf(const Station& station) {
  const auto& r = station.record();
  AprsSettings s;
  s.call_sign = LoadText(r.cwop_id, sizeof r.cwop_id);
  for (char& c : s.call_sign) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  s.server = LoadText(r.cwop_server, sizeof r.cwop_server);
  s.port = r.cwop_port;
  s.pass_text = LoadText(r.cwop_suffix, sizeof r.cwop_suffix);
  s.noaa_wind = CwopNoaaWind(station);
  return s;
}

bool AprsConfigured(const AprsSettings& s) {
  return !s.call_sign.empty() && !s.server.empty() && s.port > 0 && s.port <= 65535 && !s.pass_text.empty();
}

std::string AprsLoginLine(const AprsSettings& s) { return "user " + s.call_sign + " pass " + s.pass_text + "\n"; }

int SendAprsReport(const AprsSettings& s, const std::optional<std::string>& report, const AprsSessionOptions& o,
                   Clock& clock) {
  if (!report) {
    Log(o, LoadString(kNoReport), o.title);
    return kAprsFailed;
  }
  std::vector<AprsAddress> addresses;
  int r = 0;
  for (int i = 0; i < kAprsResolveTries; ++i) {
    r = o.resolve ? o.resolve(s.server, s.port, &addresses) : ResolveAprsServer(s.server, s.port, &addresses);
    if (r == 0 && !addresses.empty()) break;
  }
  if (r != 0 || addresses.empty()) {
    Log(o, FormatText(LoadString(kNoServers), s.server, static_cast<unsigned long>(std::abs(r == 0 ? EAI_NONAME : r))),
        o.title);
    return kAprsFailed;
  }
  for (const AprsAddress& a : addresses) {
    const std::uint32_t failed = TryAddress(a, s, *report, o, clock);
    if (failed == 0) {
      Log(o, FormatText(LoadString(kSuccessLine), *report, a.text), LoadString(kSuccessTitle));
      return kAprsOk;
    }
    if (failed == kNoSocket) {
      Log(o, LoadString(kNoSocket), o.title);
      return kAprsFailed;
    }
    Log(o, std::string(LoadString(failed)) + " " + a.text, o.title);
  }
  return kAprsFailed;
}

ArchiveCurrent ReadArchiveCurrent(WeatherDatabase& db, const Station& station, const DateTime& now) {
  ArchiveCurrent out;
  const std::int32_t count = db.NumberOfDataRecords();
  if (count <= 0) return out;
  const std::int64_t t_now = AbsMinute(now);
  DateTime from = FromAbsMinute(t_now - kDayMinutes);
  std::int32_t n = db.GetClosestArchive(from);
  if (n < 0) return out;
  const SiteDescription site = station.GetSiteDescription();
  float hour = 0, day = 0, gust = kAprsNoValue, avg = kAprsNoValue;
  bool any_hour = false, any_day = false;
  for (; n < count; ++n) {
    RecordBytes bytes{};
    DateTime local;
    if (db.GetArchiveRecord(&bytes, n) != kDbOk || db.GetDateLastRead(&local) != 1) break;
    const auto record = DecodeDataRecord(bytes);
    if (!record) break;
    const std::int64_t t = AbsMinute(local);
    if (t <= t_now - kDayMinutes || t > t_now) continue;
    WeatherDataObject v(*record, local);
    v.SetSite(site);
    const float rain = v.GetRain(WeatherDataID::Rain(), true);
    const float r = rain >= 0 && rain != kAprsNoValue ? rain : 0.0f;
    day += r;
    any_day = true;
    if (t > t_now - kHourMinutes) {
      hour += r;
      any_hour = true;
    }
    if (t > t_now - kNoaaGustMinutes) {
      const float hi = v.GetWindSpeed(WeatherDataID::HighWindSpeed(), true);
      const float a = v.GetWindSpeed(WeatherDataID::WindSpeed(), true);
      if (hi != kAprsNoValue && (gust == kAprsNoValue || hi > gust)) gust = hi;
      if (a != kAprsNoValue) avg = a;
    }
  }
  if (any_hour) out.rain_hour = hour;
  if (any_day) out.rain_24h = day;
  out.wind_avg = avg;
  out.wind_gust = gust;
  return out;
}

std::optional<AprsStationFacts> AprsFactsOf(const Station& station) {
  const auto position = AprsPositionOf(station);
  if (!position) return std::nullopt;
  AprsStationFacts f;
  f.call_sign = AprsSettingsOf(station).call_sign;
  f.position = *position;
  f.current_family = station.Corvale();
  f.elevation_ft = station.record().elevation_ft;
  f.sensors = WeatherSensorsOf(station);
  return f;
}

std::optional<std::string> BuildAprsReport(const Station& station, const AprsSettings& settings,
                                           const BulletinData& data, const ArchiveCurrent* archive, const std::tm& utc,
                                           const AprsSessionOptions& options) {
  auto facts = AprsFactsOf(station);
  if (!facts) {
    Log(options, LoadString(kNoPosition), options.title);
    return std::nullopt;
  }
  facts->call_sign = settings.call_sign;
  AprsObservation obs = AprsObservationFrom(data, utc.tm_mday, utc.tm_hour, utc.tm_min);
  if (archive != nullptr) {
    if (settings.noaa_wind) {
      obs.wind_speed = archive->wind_avg;
      obs.wind_gust = archive->wind_gust;
    }
    if (obs.rain_hour == kAprsNoValue) obs.rain_hour = archive->rain_hour;
    if (obs.rain_24h == kAprsNoValue) obs.rain_24h = archive->rain_24h;
  } else if (settings.noaa_wind) {
    obs.wind_speed = obs.wind_gust = kAprsNoValue;
  }
  auto line = MakeAprsReport(*facts, obs);
  if (!line) Log(options, LoadString(kLoop2), options.title);
  return line;
}

int UploadAprs(const Station& station, const BulletinData& data, const ArchiveCurrent* archive,
               const AprsSessionOptions& options, Clock& clock) {
  const AprsSettings settings = AprsSettingsOf(station);
  if (!AprsConfigured(settings)) {
    Log(options, LoadString(string_id::kAprsNotConfigured), options.title);
    return kAprsFailed;
  }
  const WallClockTime utc = clock.UtcNow();
  const auto report = BuildAprsReport(station, settings, data, archive, utc.tm, options);
  const int r = SendAprsReport(settings, report, options, clock);
  if (r == kAprsOk) Log(options, LoadString(kUploadedOk), options.title);
  return r;
}

}  // namespace sq
