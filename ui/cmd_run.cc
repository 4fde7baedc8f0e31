// The classic command line ("stratoquill STATION -d" and friends) and `stratoquill run`:
// start-up, the one-second run loop with the automatic download and clear schedules,
// and shut-down. The console operations of the schedules are wired here to the link.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include "app/command_line.h"
#include "app/dirs.h"
#include "app/download_log.h"
#include "app/format_text.h"
#include "app/messages.h"
#include "app/module_host.h"
#include "app/module_manager.h"
#include "app/port_map.h"
#include "app/run_loop.h"
#include "app/scheduler.h"
#include "app/startup.h"
#include "app/station.h"
#include "app/station_folders.h"
#include "app/station_models.h"
#include "foundation/clock.h"
#include "link/archive_download.h"
#include "link/comm_error.h"
#include "link/serial_port_manager.h"
#include "publish/network_logger.h"
#include "realtime/bulletin_snapshot.h"
#include "realtime/realtime_manager.h"
#include "reports/auto_export.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "ui/cli.h"
#include "ui/commands.h"
#include "ui/dashboard/run_dashboard.h"
#include "ui/module_console.h"
#include "ui/upload_wiring.h"

namespace sq::ui {
namespace {

constexpr std::uint32_t kClearNotSupported = 47226;
constexpr std::uint32_t kOpenStationTitle = 47212;
constexpr std::uint32_t kStagingSuffix = 47228;

// A session with the station's console; nullptr when there is none (logged).
SerialSession* OpenStationSession(Station& station, SerialPortManager& manager, const std::string& title) {
  std::string error;
  const auto connection = station.ConnectionIn(ProgramFolder(), &error);
  if (!connection) {
    (void)LogMessage(error, title);
    return nullptr;
  }
  SerialSession* session = manager.CreateSession(CommSettingsFrom(*connection));
  if (session == nullptr) {
    (void)LogMessage(LoadString(string_id::kNoSession), title);
    return nullptr;
  }
  session->set_station_model(station.record().model);
  return session;
}

// An unattended download of `station` into its database; messages go to the log.
int DownloadStation(Station& station, SerialPortManager& manager, int* records = nullptr) {
  const std::string title = station.Name().empty() ? std::string("Download") : station.Name();
  SerialSession* session = OpenStationSession(station, manager, title);
  if (session == nullptr) return kJobFailed;

  DownloadOptions options;
  options.silent = true;
  options.hooks.message = [&](std::string_view text, bool) { (void)LogMessage(text, title); };
  options.hooks.log = [&](std::string_view text) { (void)LogMessage(text, title); };
  options.hooks.auto_export = [&](WeatherDatabase& db, std::string* name) {
    *name = station.Folder() + "/download.txt";
    return CreateAutoExportFile(station, db, 1) == 0 ? 0 : -1;
  };
  // The archive upload to the weather network, when the station asks for it.
  CurlPacketPut put;
  std::optional<NetworkLogger> uploader;
  if (station.record().archive_upload != 0) {
    const NetworkLoggerOptions upload = UploadOptionsFor(station);
    if (UploadConfigured(upload)) options.hooks.upload = &uploader.emplace(put, upload);
  }
  int result = kDownloadFailed;
  {
    ArchiveDownload download(station, *session, options);
    result = download.Run();
    if (records != nullptr) *records = download.records_stored();
  }
  // Close what was opened for this station.
  (void)manager.CloseSession(session);
  if (result == kDownloadDbUnusable) return kJobDbUnusable;
  return result == kDownloadOk || result == kDownloadNothingNew ? kJobOk : kJobFailed;
}

// The older console families' archive clear has no known command: say so and change
// nothing.
int ClearNotAvailable(Station& station, Attendance) {
  const std::string model = StationModelName(station.record().model);
  (void)LogMessage(FormatText(LoadString(kClearNotSupported), model), station.Name());
  return kJobNotSupported;
}

// The host to print in the dashboard's address.
std::string DashboardHost(const dashboard::ListenAddress& a) {
  if (a.host == "0.0.0.0" || a.host == "::") return "<this computer>";
  return a.host.find(':') != std::string::npos ? "[" + a.host + "]" : a.host;
}

bool Interactive() { return ::isatty(STDIN_FILENO) != 0; }

std::string ChooseOnTerminal(const std::vector<StationEntry>& stations) {
  if (!Interactive()) return {};
  std::fprintf(stderr, "%s:\n", std::string(LoadString(kOpenStationTitle)).c_str());
  for (std::size_t i = 0; i < stations.size(); ++i) {
    std::fprintf(stderr, "  %2zu  %-30s %s\n", i + 1, stations[i].name.c_str(), stations[i].folder.c_str());
  }
  std::fprintf(stderr, "Number of the station to open (Enter: none): ");
  std::string line;
  if (!std::getline(std::cin, line)) return {};
  char* end = nullptr;
  const long n = std::strtol(line.c_str(), &end, 10);
  if (end == line.c_str() || n < 1 || static_cast<std::size_t>(n) > stations.size()) return {};
  return stations[static_cast<std::size_t>(n - 1)].folder;
}

std::string NewStationOnTerminal(const std::string& program_folder) {
  if (!Interactive()) return {};
  std::fprintf(stderr, "Name of the new station: ");
  std::string name;
  if (!std::getline(std::cin, name) || name.empty()) return {};
  std::string folder, message;
  if (CreateNewStation(program_folder, name, false, &folder, &message) != NewStationResult::kCreated) {
    ErrorMessage(message);
    return {};
  }
  std::fprintf(stderr, "Created the station '%s' in %s. Set its connection with 'stratoquill station set'.\n",
               name.c_str(), folder.c_str());
  return folder;
}

struct LoopOptions {
  std::int64_t tick_ms = RunLoop::kTickMs;
  std::uint64_t ticks = 0;                       // 0: until stopped
  bool realtime = true;                          // keep the current conditions of the station
  std::optional<dashboard::ListenAddress> http;  // --http: serve the dashboard there
};

// The current conditions of the open station: the real-time manager polls the console
// once a tick and every update replaces the snapshot in the station folder, so that
// other commands can read current data while this process holds the port.
class CurrentConditions {
 public:
  bool Start(const Station& station, SerialPortManager& manager, Clock& clock) {
    folder_ = station.Folder();
    title_ = station.Name().empty() ? std::string("Current conditions") : station.Name();
    lock_ = std::make_unique<SnapshotKeeperLock>(folder_);
    if (!lock_->held()) {
      std::fprintf(stderr, "Another 'stratoquill run' keeps the current conditions of %s.\n", folder_.c_str());
      return false;
    }
    PortMap ports;
    std::string error;
    (void)ports.Load(ProgramFolder(), &error);
    const auto connection = station.GetConnection(&ports);
    if (!connection) return false;
    session_ = manager.CreateSession(CommSettingsFrom(*connection));
    if (session_ == nullptr) return false;
    session_->set_station_model(station.record().model);
    RealTimeHooks hooks;
    hooks.log = [this](std::string_view text) { (void)LogMessage(text, title_); };
    hooks.message = [](std::string_view text) { ErrorMessage(text); };
    hooks.hilows_changed = [this](std::span<const std::uint8_t, kHiLowsBlockSize> block) {
      if (hilows_changed) hilows_changed(block);
    };
    hooks.updated = [this](const BulletinData& d) {
      std::string why;
      if (WriteBulletinSnapshot(folder_, d, &why) == 0) {
        write_failed_ = false;
      } else if (!write_failed_) {
        write_failed_ = true;  // said once, not every two seconds
        (void)LogMessage(why, title_);
      }
      if (on_update) on_update(d);
    };
    rt_ = std::make_unique<RealTimeManager>(*session_, clock, BulletinSiteFrom(station), std::move(hooks));
    rt_->set_keep_hilows(true);  // pages made from the snapshot show the console's highs and lows
    rt_->set_station_alarms(ModuleHost::Get().station_alarms);
    return true;
  }
  // The weather network's real-time upload is on: LOOP2 values and the highs and lows
  // are read at each new stream, a changed block goes to `hilows_changed`.
  void SetSendToNetwork(bool on) {
    if (rt_) rt_->set_send_to_network(on);
  }
  std::function<void(std::span<const std::uint8_t, kHiLowsBlockSize>)> hilows_changed;
  // The real-time manager while it runs.
  [[nodiscard]] const RealTimeManager* manager() const { return rt_.get(); }
  // A module's SetStationAlarms.
  void SetAlarms(int value) {
    if (rt_) rt_->set_station_alarms(value);
  }
  void Poll() {
    if (rt_) rt_->Poll();
  }
  // Frees the port for another use of the console (a download); the next poll opens
  // it again and starts a new stream.
  void Pause() {
    if (!rt_) return;
    rt_->Stop();
    session_->Close();
  }
  void Stop() {
    if (rt_) rt_->Stop();
    rt_.reset();
  }

  // After every update, once the snapshot is written (the dashboard's feed).
  std::function<void(const BulletinData&)> on_update;

 private:
  std::string folder_, title_;
  std::unique_ptr<SnapshotKeeperLock> lock_;
  SerialSession* session_ = nullptr;
  std::unique_ptr<RealTimeManager> rt_;
  bool write_failed_ = false;
};

// The real-time upload to the weather network, every 55th tick: the logger lives for
// the whole run so that every 15th packet carries the collector and unit bytes. While
// the real-time manager polls the console, the packets are made from what it has, and
// it reads the LOOP2 values and the highs and lows at each new stream (a changed block
// is sent at once); otherwise the upload reads the console itself.
class RealTimeUploader {
 public:
  // The logger for `station` when its real-time upload is on and set up; else nullptr.
  NetworkLogger* For(const Station* station) {
    if (station == nullptr || station->record().rt_upload == 0) return nullptr;
    NetworkLoggerOptions o = UploadOptionsFor(*station);
    if (!UploadConfigured(o)) return nullptr;
    if (!logger_ || folder_ != station->Folder()) {
      logger_ = std::make_unique<NetworkLogger>(put_, o);
      hilows_.Clear();
      folder_ = station->Folder();
    } else {
      logger_->set_options(o);
    }
    return logger_.get();
  }

  // A highs-and-lows block the real-time manager read and found changed.
  void HiLowsChanged(const Station* station, std::span<const std::uint8_t, kHiLowsBlockSize> block) {
    if (NetworkLogger* logger = For(station)) (void)logger->SendIPHiLowPacket(block.first<kHiLowsDataSize>());
  }

  void Tick(const Station* station, CurrentConditions& current, SerialPortManager& manager, Clock& clock) {
    NetworkLogger* logger = For(station);
    current.SetSendToNetwork(logger != nullptr);
    if (logger == nullptr) return;
    int r = kConsoleUnread;
    const RealTimeManager* rt = current.manager();
    if (rt != nullptr && rt->haveData() && clock.UnixMs() - rt->bulletin().packet_unix_ms <= kFreshMs) {
      r = UploadFromRealTime(*logger, *rt, *station);
    } else {
      // No current packets: the stream gives way and the upload reads the console.
      current.Pause();
      Station copy = *station;
      SerialSession* session = OpenStationSession(copy, manager, station->Name());
      if (session == nullptr) return;
      r = UploadCurrentConditions(*logger, *session, hilows_, *station);
      (void)manager.CloseSession(session);
    }
    if (r != kSendOk && gLogMore) std::fprintf(stderr, "Stratoquill Network Upload: failed (%d)\n", r);
  }

 private:
  // Current conditions older than this are not uploaded as current.
  static constexpr std::int64_t kFreshMs = 2 * 60 * 1000;
  CurlPacketPut put_;
  std::unique_ptr<NetworkLogger> logger_;
  HiLowsCache hilows_;
  std::string folder_;
};

// Start-up, the run loop unless a job ends the program, and shut-down.
int RunProgram(const ClassicCommandLine& command_line, const LoopOptions& loop_options) {
  InstallStopSignalHandlers();
  Clock& clock = Clock::Default();
  SerialPortManager manager;
  CurrentConditions current;
  RealTimeUploader realtime_upload;
  ShellOps ops;
  ops.download = [&manager, &current](Station& s, Attendance) {  // always unattended, into the log
    current.Pause();
    return DownloadStation(s, manager);
  };
  ops.clear = ClearNotAvailable;
  ops.choose_station = ChooseOnTerminal;
  ops.new_station = NewStationOnTerminal;
  Shell shell(ProgramFolder(), clock, ops);

  const auto exit_status = shell.Start(command_line);
  if (!shell.Started()) return exit_status.value_or(1);
  bool web_failed = false;
  if (!exit_status) {
    std::string title(LoadString(string_id::kProgramTitle));
    if (stagingServer) title += LoadString(kStagingSuffix);
    const Station* station = shell.CurrentStation();
    std::fprintf(stderr, "%s: running%s%s. Stop with Ctrl-C or SIGTERM.\n", title.c_str(),
                 station ? " with station " : " without a station", station ? station->Name().c_str() : "");
    TerminalCountdown countdown(clock, STDIN_FILENO, stderr, StopSignalReceived);
    Scheduler scheduler(shell, countdown);
    scheduler.SetStopCheck(StopSignalReceived);
    // Expansion modules: loaded after the serial port manager, released before the saves.
    ModuleHost::Get().hooks().station = [&shell] { return shell.CurrentStation(); };
    WireModuleConsole(manager, [&shell] { return shell.CurrentStation(); });
    // Module event callbacks may use the console: the packet stream gives way around
    // them and a new one starts (with fresh values) right after.
    ModuleHost::Get().hooks().pause_realtime = [&current](bool before) {
      if (before) {
        current.Pause();
      } else {
        current.Poll();
      }
    };
    ModuleHost::Get().hooks().set_station_alarms = [&current](int value) { current.SetAlarms(value); };
    (void)Modules().LoadModules(ProgramFolder(),
                                [](std::string_view text, std::string_view title) { (void)LogMessage(text, title); });
    RunLoop loop(clock, loop_options.tick_ms);
    current.hilows_changed = [&](std::span<const std::uint8_t, kHiLowsBlockSize> block) {
      realtime_upload.HiLowsChanged(shell.CurrentStation(), block);
    };
    const bool polling = station && loop_options.realtime && current.Start(*station, manager, clock);
    if (polling) {
      current.SetSendToNetwork(realtime_upload.For(station) != nullptr);
      loop.AddTickHandler([&](std::uint64_t) { current.Poll(); });
    }
    // The dashboard serves from threads of its own; the loop only hands it each packet.
    std::string web_error;
    auto web = dashboard::RunDashboard::Start(ProgramFolder(), loop_options.http, station, polling, clock, &web_error);
    if (web) {
      current.on_update = [&web](const BulletinData& d) { web->Publish(d); };
      std::fprintf(stderr, "Dashboard: http://%s:%d/\n", DashboardHost(web->listen()).c_str(), web->port());
    } else if (!web_error.empty()) {
      std::fprintf(stderr, "stratoquill run: no dashboard: %s\n", web_error.c_str());
      (void)LogMessage("Dashboard: " + web_error, title);
      // Asked for on the command line: say so and stop (after the usual shut-down).
      web_failed = loop_options.http.has_value();
    }
    loop.AddTickHandler([&](std::uint64_t tick) { scheduler.OnTick(tick); });
    // The upload schedule; a run takes one step per tick and gives way to the jobs above.
    ScheduledUploads uploads(
        clock, manager, [&shell] { return shell.CurrentStation(); }, [&current] { current.Pause(); });
    loop.AddTickHandler([&](std::uint64_t tick) {
      if (!scheduler.JobRunning()) uploads.OnTick(tick);
    });
    loop.AddTickHandler([&](std::uint64_t) { manager.Tick(); });
    loop.AddTickHandler([&](std::uint64_t tick) {
      if (tick % kRealTimeUploadTicks == 0 && !scheduler.JobRunning()) {
        realtime_upload.Tick(shell.CurrentStation(), current, manager, clock);
      }
    });
    loop.AddTickHandler([&](std::uint64_t tick) {
      if (tick % kModuleEventTicks == 0) (void)RunModuleEvents(clock, scheduler.JobRunning());
    });
    if (!web_failed) (void)loop.Run(loop_options.ticks);
    uploads.Stop();
    current.on_update = nullptr;
    web.reset();
    current.Stop();
    Modules().UnloadModules();
    ModuleHost::Get().Reset();
    ModuleHost::Get().SetHooks({});
  }
  const int saved = shell.ShutDown();
  manager.CloseAllSessions();
  if (exit_status && *exit_status != 0) return *exit_status;
  return web_failed ? 1 : saved;
}

int ClassicUsage() {
  std::fprintf(stderr,
               "Usage: stratoquill [STATION] [-o] [-d] [-c] [-p] [-m] [Staging]\n"
               "  -o       open STATION (a folder; relative to the program folder unless it\n"
               "           starts with '/'); without STATION: the last or only station\n"
               "  -d       download the station's archive unattended, log the result, exit\n"
               "  -c       clear the console's archive unattended (older consoles), exit\n"
               "  -p       plot axis titles without rotation\n"
               "  -m       more detail in the logs of network uploads\n"
               "  Staging  network uploads go to the test server\n"
               "Without -d or -c the program keeps running like 'stratoquill run'.\n"
               "A station folder named like a command is reached as ./NAME.\n");
  return kExitUsage;
}

int RunHelp() {
  std::printf(
      "Usage: stratoquill run [--station FOLDER] [--no-realtime] [--http [ADDR:]PORT]\n"
      "                       [--log-more] [--staging] [--tick-ms MS] [--ticks N]\n"
      "\n"
      "Keeps running with a one-second timer: downloads the stations of the automatic\n"
      "download list (see 'stratoquill autodownload') at the chosen hours, each after a\n"
      "10-second countdown that Enter cancels on a terminal, and runs the automatic\n"
      "clear of older consoles, loads the expansion modules (see 'stratoquill modules')\n"
      "and runs their timed events. Between downloads it polls the console of the open\n"
      "station for current conditions and keeps them in current_conditions.txt in the\n"
      "station folder (see 'stratoquill now'), and uploads the current conditions to\n"
      "the weather network about once a minute when that is on (see 'stratoquill\n"
      "network'), and publishes the enabled upload profiles on their schedule (see\n"
      "'stratoquill upload'). Results go to download.log. Ctrl-C or SIGTERM stops the\n"
      "program after the work in progress and saves its settings; a second one stops it\n"
      "at once.\n"
      "\n"
      "  --station FOLDER  open this station (default: the last or only station)\n"
      "  --no-realtime     do not poll the console for current conditions\n"
      "  --http [ADDR:]PORT  serve the live dashboard and JSON API (address 127.0.0.1\n"
      "                    unless given; another address needs a password in the program\n"
      "                    folder's dashboard.cfg, which can also turn the dashboard on)\n"
      "  --log-more        more detail in the logs of network uploads\n"
      "  --staging         network uploads go to the test server\n"
      "  --tick-ms MS      length of a timer tick (default 1000; for tests and scripts)\n"
      "  --ticks N         stop after N ticks (default: run until stopped)\n");
  return kExitOk;
}

// Edits (insert, delete, replace, swap of neighbours) that turn `a` into `b`.
std::size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[a.size()][b.size()];
}

// The sub-command a mistyped word most likely meant, or nothing when none is close.
std::string NearestCommand(const std::string& word) {
  if (word.size() > 40) return {};
  std::string best;
  std::size_t best_distance = word.size() < 4 ? 1 : 2;
  for (const auto& c : Commands()) {
    const std::string name = c.name;
    if (word.size() >= 3 && name.starts_with(word)) return name;
    const std::size_t dist = EditDistance(word, name);
    if (dist <= best_distance && (best.empty() || dist < best_distance)) {
      best = name;
      best_distance = dist;
    }
  }
  return best;
}

// True when the classic line's first word names nothing the classic line can use: no
// switch anywhere, and no folder or station of that name.
bool UnknownFirstWord(const Args& args) {
  if (args.empty() || args[0].empty() || args[0][0] == '-') return false;
  if (FindSwitches(JoinCommandLine(args)) != CommandLineSwitches{}) return false;
  std::error_code ec;
  if (std::filesystem::is_directory(ResolveStationFolder(args[0], std::filesystem::current_path(ec).string()), ec)) {
    return false;
  }
  for (const auto& s : ListStations(ProgramFolder())) {
    if (s.name == args[0]) return false;
  }
  return true;
}

bool ParseCount(const std::string& text, long long min, long long max, long long* out) {
  char* end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || v < min || v > max) return false;
  *out = v;
  return true;
}

}  // namespace

int DownloadStationNow(Station& station, SerialPortManager& manager, int* records) {
  return DownloadStation(station, manager, records);
}

int RunClassic(const Args& args) {
  for (const auto& a : args) {
    // The classic switches are single words with one dash; a "--" word is a mistyped
    // option, and must not start a download because it contains "-d" or "-c".
    if (a.starts_with("--")) {
      std::fprintf(stderr, "stratoquill: unknown option '%s' (see --help)\n", a.c_str());
      return ClassicUsage();
    }
  }
  if (UnknownFirstWord(args)) {
    std::fprintf(stderr, "Unknown command '%s'. See 'stratoquill --help'.\n", args[0].c_str());
    if (const std::string near = NearestCommand(args[0]); !near.empty()) {
      std::fprintf(stderr, "Did you mean 'stratoquill %s'?\n", near.c_str());
    }
    return kExitUsage;
  }
  return RunProgram(ParseClassicCommandLine(args), LoopOptions{});
}

int RunRun(const Args& args) {
  ClassicCommandLine cl;
  LoopOptions loop;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](long long min, long long max, long long* out) {
      return i + 1 < args.size() && ParseCount(args[++i], min, max, out);
    };
    long long v = 0;
    if (IsHelp(a)) return RunHelp();
    if (a == "--station" && i + 1 < args.size()) {
      cl.switches.open_station = true;
      cl.folder_word = args[++i];
    } else if (a == "--no-realtime") {
      loop.realtime = false;
    } else if (a == "--http") {
      std::string error = "--http takes [ADDR:]PORT, for example --http 8080";
      auto listen = i + 1 < args.size() ? dashboard::ParseListenAddress(args[++i], &error) : std::nullopt;
      if (!listen) {
        std::fprintf(stderr, "stratoquill run: %s\n", error.c_str());
        return kExitUsage;
      }
      loop.http = *listen;
    } else if (a == "--log-more") {
      cl.switches.log_more = true;
    } else if (a == "--staging") {
      cl.switches.staging = true;
    } else if (a == "--tick-ms") {
      if (!value(1, 60000, &v)) {
        std::fprintf(stderr, "stratoquill run: --tick-ms takes 1..60000\n");
        return kExitUsage;
      }
      loop.tick_ms = v;
    } else if (a == "--ticks") {
      if (!value(1, 1LL << 40, &v)) {
        std::fprintf(stderr, "stratoquill run: --ticks takes a positive count\n");
        return kExitUsage;
      }
      loop.ticks = static_cast<std::uint64_t>(v);
    } else {
      std::fprintf(stderr, "stratoquill run: unexpected argument '%s' (see --help)\n", a.c_str());
      return kExitUsage;
    }
  }
  return RunProgram(cl, loop);
}

}  // namespace sq::ui
