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
#include "publish/aprs_upload.h"
#include "publish/http_session.h"
#include "publish/internet_config.h"
#include "publish/page_source.h"
#include "publish/wu_upload.h"
#include "publish/wxnet_steps.h"
#include "realtime/bulletin_snapshot.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "ui/cli.h"
#include "ui/commands.h"

namespace sq::ui {
namespace {

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

// Log lines go to the terminal and, unless nothing is sent, to the download log. A dry run
// sends nothing, so it never claims the network's success line.
auto LogTo(bool to_log) {
  return [to_log](std::string_view text, std::string_view title) {
    if (!to_log && text == LoadString(string_id::kWuUploaded)) return;
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
  error->clear();
  return ReadBulletinFromConsole(station, &ports, clock, out, error) == 0;
}

}  // namespace

int RunWu(const Args& args) {
  static constexpr const char* kName = "wu";
  std::string folder;
  bool dry_run = false;
  int catchup = -1;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (IsHelp(a)) return Usage(kName, kWuUsage, "");
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
  if (!LoadStation(kName, folder, &station, NoStationMessage::kCannotReadQuoted)) return kExitFailed;
  const WuSettings settings = WuSettingsOf(station);
  if (!WuConfigured(settings) && !dry_run) {
    return Fail(kName, "set the station ID and password first: stratoquill station set " + folder +
                           " wu-id=ID wu-password=PASSWORD");
  }
  if (station.OpenStationDatabase(true) != 0) return Fail(kName, "cannot open the database in '" + folder + "'");
  InternetConfiguration config;
  (void)config.Load(folder);
  DryRunSession dry;
  CurlHttpSession curl(AccessFrom(config), kWuAgent);
  WuRunOptions options;
  options.catchup_days = catchup;
  options.save_last_sent = !dry_run;
  options.log = LogTo(!dry_run);
  options.progress = [](std::string_view text) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
  };
  if (dry_run) {
    // Placeholders show where the account goes when it is not set yet.
    if (settings.id.empty()) StoreText(station.record().wu_id, sizeof station.record().wu_id, "(wu-id)");
    if (settings.password.empty()) {
      StoreText(station.record().wu_password, sizeof station.record().wu_password, "(wu-password)");
    }
  }
  DateTime now;
  now.SetCurrentTime(Clock::Default());
  const WuRun run = RunWuUpload(station, dry_run ? static_cast<HttpSession&>(dry) : curl, now, options);
  std::printf("%s %d of %d records.\n", dry_run ? "Would send" : "Sent", run.sent, run.total);
  return run.result == kWuOk ? kExitOk : kExitFailed;
}

int RunAprs(const Args& args) {
  static constexpr const char* kName = "aprs";
  std::string folder;
  bool dry_run = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (IsHelp(a)) return Usage(kName, kAprsUsage, "");
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
  if (!LoadStation(kName, folder, &station, NoStationMessage::kCannotReadQuoted)) return kExitFailed;
  ApplyProgramUnits();
  DisplayUnits::SetStationRainType(station.record().rain_type);
  Clock& clock = Clock::Default();
  AprsSessionOptions options;
  options.title = station.Name();
  options.log = LogTo(!dry_run);
  const AprsSettings settings = AprsSettingsOf(station);
  if (!AprsConfigured(settings) && !dry_run) {
    options.log(LoadString(string_id::kAprsNotConfigured), options.title);
    return kExitFailed;
  }
  BulletinData data;
  std::string error;
  if (!CurrentData(station, folder, clock, &data, &error)) return Fail(kName, error);
  DateTime now;
  now.SetCurrentTime(clock);
  if (dry_run) {
    const auto archive = ArchiveCurrentOf(station, now);
    const auto report =
        BuildAprsReport(station, settings, data, archive ? &*archive : nullptr, clock.UtcNow().tm, options);
    if (!report) return kExitFailed;
    std::printf("%s%s\n", AprsLoginLine(settings).c_str(), report->c_str());
    return kExitOk;
  }
  return RunAprsUpload(station, data, options, clock) == kAprsOk ? kExitOk : kExitFailed;
}

}  // namespace sq::ui
