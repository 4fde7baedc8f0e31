// stratoquill wu / aprs: send the station's observations to the public weather
// networks now, as an upload run does.
//
//   wu FOLDER [--dry-run] [--catchup DAYS]
//   aprs FOLDER [--dry-run]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/dirs.h"
#include "app/download_log.h"
#include "app/port_map.h"
#include "app/program_config.h"
#include "app/station.h"
#include "database/weather_database.h"
#include "foundation/clock.h"
#include "foundation/display_units.h"
#include "link/comm_error.h"
#include "link/serial_port_manager.h"
#include "link/serial_session.h"
#include "publish/aprs_upload.h"
#include "publish/http_session.h"
#include "publish/internet_config.h"
#include "publish/wu_upload.h"
#include "realtime/bulletin_snapshot.h"
#include "realtime/realtime_manager.h"
#include "resources/string_table.h"
#include "ui/commands.h"

namespace sq::ui {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr std::uint32_t kSaveFailed = 47009;
constexpr int kMaxPolls = 100;  // real-time polls for one reading of the console

const char* const kWuUsage =
    "Usage: stratoquill wu FOLDER [--dry-run] [--catchup DAYS]\n"
    "\n"
    "Sends the station's archive records to Weather Underground, one request per\n"
    "record, from the last record sent (settings wu-id, wu-password, wu-catchup,\n"
    "wu-resend-from, wu-host and wu-https of 'stratoquill station set').\n"
    "\n"
    "  --dry-run       print the requests instead of sending them\n"
    "  --catchup DAYS  also send the records of up to DAYS (0..7) past days this time\n";

const char* const kAprsUsage =
    "Usage: stratoquill aprs FOLDER [--dry-run]\n"
    "\n"
    "Sends the current conditions as one APRS weather report to the Citizen Weather\n"
    "Observer Program (settings cwop-id, cwop-server, cwop-port, cwop-pass and\n"
    "cwop-wind of 'stratoquill station set'). The current data comes from the console,\n"
    "or from the snapshot of 'stratoquill run' while it runs.\n"
    "\n"
    "  --dry-run  print the login line and the report instead of sending them\n";

int Usage(const char* command, const char* usage, const std::string& problem) {
  if (problem.empty()) {
    std::printf("%s", usage);
    return kExitOk;
  }
  const std::string text(usage);
  std::fprintf(stderr, "stratoquill %s: %s\n%s\nSee 'stratoquill %s --help'.\n", command, problem.c_str(),
               text.substr(0, text.find("\n\n") + 1).c_str(), command);
  return kExitUsage;
}

int Fail(const char* command, const std::string& text) {
  std::fprintf(stderr, "stratoquill %s: %s\n", command, text.c_str());
  return kExitFailed;
}

// Log lines go to the terminal and, unless nothing is sent, to the download log.
auto LogTo(bool to_log) {
  return [to_log](std::string_view text, std::string_view title) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    if (to_log) (void)LogMessage(text, title);
  };
}

// Prints every request and answers as the network does.
class DryRunSession final : public HttpSession {
 public:
  long Open() override { return 0; }
  void Close() override {}
  HttpReply Get(const std::string& url) override {
    std::printf("GET %s\n", url.c_str());
    return {true, true, 0, "success\n"};
  }
};

// Keeps the last record sent in the station file. The file is read again first, so
// settings changed meanwhile (by `station set`, say) are not undone.
bool SaveLastSent(const std::string& folder, const DateTime& local, const std::string& title) {
  Station fresh;
  if (fresh.Load(folder) == kStationOk) {
    fresh.record().wu_last_date = local.GetPackedDate();
    fresh.record().wu_last_time = local.packed_time;
    if (fresh.Save() == kStationOk) return true;
  }
  (void)LogMessage(LoadString(kSaveFailed), title);
  std::fprintf(stderr, "%s\n", std::string(LoadString(kSaveFailed)).c_str());
  return false;
}

// The current conditions: the snapshot of `run` while it holds the console, else one
// reading of the console.
bool CurrentData(const Station& station, const std::string& folder, Clock& clock, BulletinData* out,
                 std::string* error) {
  if (SnapshotKeeperRunning(folder)) {
    const auto s = ReadBulletinSnapshot(folder, clock, error);
    if (!s) return false;
    std::fprintf(stderr, "Current data from the snapshot of 'stratoquill run', %lld s old.\n",
                 static_cast<long long>(s->age_ms / 1000));
    *out = s->data;
    return true;
  }
  PortMap ports;
  (void)ports.Load(ProgramFolder(), error);
  const auto connection = station.GetConnection(&ports);
  if (!connection) {
    *error = "the station has no connection to its console configured";
    return false;
  }
  SerialPortManager manager;
  SerialSession* session = manager.CreateSession(CommSettingsFrom(*connection));
  if (session == nullptr) {
    *error = std::string(LoadString(33114));
    return false;
  }
  session->set_station_model(station.record().model);
  std::string failure;
  RealTimeHooks hooks;
  hooks.message = [&](std::string_view text) { failure = std::string(text); };
  RealTimeManager rt(*session, clock, BulletinSiteFrom(station), hooks);
  rt.set_single_reading(true);
  for (int i = 0; i < kMaxPolls && failure.empty() && !rt.haveData(); ++i) rt.Poll();
  rt.Stop();
  if (!rt.haveData()) {
    *error = "no current data from the console: " + (failure.empty() ? DescribeCommError(*session) : failure);
    return false;
  }
  *out = rt.bulletin();
  return true;
}

}  // namespace

int RunWu(const Args& args) {
  static constexpr const char* kName = "wu";
  std::string folder;
  bool dry_run = false;
  int catchup = -1;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") return Usage(kName, kWuUsage, "");
    if (a == "--dry-run") {
      dry_run = true;
    } else if (a == "--catchup") {
      char* end = nullptr;
      const long n = i + 1 < args.size() ? std::strtol(args[++i].c_str(), &end, 10) : -1;
      if (end == nullptr || *end != '\0' || n < 0 || n > kWuMaxCatchupDays) {
        return Usage(kName, kWuUsage, "--catchup takes a number of days from 0 to 7");
      }
      catchup = static_cast<int>(n);
    } else if (folder.empty() && !a.starts_with("-")) {
      folder = a;
    } else {
      return Usage(kName, kWuUsage, "unexpected argument '" + a + "'");
    }
  }
  if (folder.empty()) return Usage(kName, kWuUsage, "a station folder is needed");
  Station station;
  if (station.Load(folder) != kStationOk) return Fail(kName, "cannot read the station in " + folder);
  WuSettings settings = WuSettingsOf(station);
  if (catchup >= 0) settings.catchup_days = catchup;
  if (!WuConfigured(settings) && !dry_run) {
    return Fail(kName, "set the station ID and password first: stratoquill station set " + folder +
                           " wu-id=ID wu-password=PASSWORD");
  }
  if (station.OpenStationDatabase(true) != 0) return Fail(kName, "cannot open the database in " + folder);
  InternetConfiguration config;
  (void)config.Load(folder);
  DryRunSession dry;
  CurlHttpSession curl(AccessFrom(config), kWuAgent);
  WuHooks hooks;
  hooks.log = LogTo(!dry_run);
  hooks.progress = [](std::string_view text) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
  };
  const std::string title = station.Name();
  hooks.sent = [&](const DateTime& local) { return dry_run || SaveLastSent(folder, local, title); };
  if (dry_run && !WuConfigured(settings)) {
    if (settings.id.empty()) settings.id = "(wu-id)";
    if (settings.password.empty()) settings.password = "(wu-password)";
  }
  WuUploader uploader(dry_run ? static_cast<HttpSession&>(dry) : curl, settings, title, hooks);
  DateTime now;
  now.SetCurrentTime(Clock::Default());
  const int r = uploader.Upload(*station.Database(), station.GetSiteDescription(), WeatherSensorsOf(station), now);
  std::printf("%s %d of %d records.\n", dry_run ? "Would send" : "Sent", uploader.records_sent(),
              uploader.records_total());
  return r == kWuOk ? kExitOk : kExitFailed;
}

int RunAprs(const Args& args) {
  static constexpr const char* kName = "aprs";
  std::string folder;
  bool dry_run = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") return Usage(kName, kAprsUsage, "");
    if (a == "--dry-run") {
      dry_run = true;
    } else if (folder.empty() && !a.starts_with("-")) {
      folder = a;
    } else {
      return Usage(kName, kAprsUsage, "unexpected argument '" + a + "'");
    }
  }
  if (folder.empty()) return Usage(kName, kAprsUsage, "a station folder is needed");
  Station station;
  if (station.Load(folder) != kStationOk) return Fail(kName, "cannot read the station in " + folder);
  ApplySavedDisplayUnits(ProgramFolder());
  DisplayUnits::SetStationRainType(station.record().rain_type);
  Clock& clock = Clock::Default();
  AprsSessionOptions options;
  options.title = station.Name();
  options.log = LogTo(!dry_run);
  const AprsSettings settings = AprsSettingsOf(station);
  if (!AprsConfigured(settings) && !dry_run) {
    options.log(LoadString(39311), options.title);
    return kExitFailed;
  }
  BulletinData data;
  std::string error;
  if (!CurrentData(station, folder, clock, &data, &error)) return Fail(kName, error);
  ArchiveCurrent archive;
  const ArchiveCurrent* from_archive = nullptr;
  if (station.OpenStationDatabase(true) == 0) {
    DateTime now;
    now.SetCurrentTime(clock);
    archive = ReadArchiveCurrent(*station.Database(), station, now);
    from_archive = &archive;
  }
  if (dry_run) {
    const auto report = BuildAprsReport(station, settings, data, from_archive, clock.UtcNow().tm, options);
    if (!report) return kExitFailed;
    std::printf("%s%s\n", AprsLoginLine(settings).c_str(), report->c_str());
    return kExitOk;
  }
  return UploadAprs(station, data, from_archive, options, clock) == kAprsOk ? kExitOk : kExitFailed;
}

}  // namespace sq::ui
