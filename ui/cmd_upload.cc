// upload FOLDER [--profile N]... [--no-download] [--dry-run]: one upload run now, of
// the given profiles or of every enabled one, with a progress line per step on a
// terminal. Results go to download.log as in scheduled runs, and to stderr.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/dirs.h"
#include "app/download_log.h"
#include "app/program_config.h"
#include "app/run_loop.h"
#include "app/station.h"
#include "foundation/clock.h"
#include "foundation/display_units.h"
#include "foundation/regional_settings.h"
#include "link/serial_port_manager.h"
#include "publish/internet_config.h"
#include "publish/upload_run.h"
#include "realtime/bulletin_snapshot.h"
#include "ui/cli.h"
#include "ui/commands.h"
#include "ui/upload_wiring.h"

namespace sq::ui {
namespace {

constexpr int kExitCancelled = 3;

const char* const kUsage =
    "Usage: stratoquill upload FOLDER [--profile N]... [--no-download] [--dry-run]\n"
    "\n"
    "Publishes the upload profiles of the station in FOLDER now: downloads the\n"
    "console's archive first when a profile asks for it, makes the template pages,\n"
    "reports and images, sends them to the FTP server and copies them into the local-copy\n"
    "folder, as the internet settings say (see 'stratoquill internet'). Messages go to\n"
    "download.log and to the terminal. Ctrl-C cancels after the step in progress.\n"
    "\n"
    "  --profile N    this profile (1..8; may be repeated); default: every enabled one\n"
    "  --no-download  do not download the archive first\n"
    "  --dry-run      make the pages, reports, images and the work files UploadList.txt\n"
    "                 and TemplateList.txt, and list what would be uploaded where;\n"
    "                 nothing is downloaded, sent or copied\n"
    "\n"
    "'stratoquill run' uploads the enabled profiles on their schedule. With\n"
    "ftp-security=sftp the server's host key must be in ~/.ssh/known_hosts (for example\n"
    "from 'ssh-keyscan HOST >> ~/.ssh/known_hosts'); with tls its certificate must be valid.\n"
    "Exit status: 0 completed, 1 failed or partially completed, 2 usage, 3 cancelled.\n";

int Usage(const std::string& problem) {
  std::fprintf(stderr, "stratoquill upload: %s\n%s", problem.c_str(), kUsage);
  return kExitUsage;
}

}  // namespace

int RunUpload(const Args& args) {
  std::string folder;
  std::uint32_t profiles = 0;
  bool download = true, dry_run = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (IsHelp(a)) {
      std::printf("%s", kUsage);
      return kExitOk;
    }
    if (a == "--profile") {
      if (i + 1 >= args.size()) return Usage("--profile needs a number from 1 to 8");
      const std::string& v = args[++i];
      char* end = nullptr;
      const long n = std::strtol(v.c_str(), &end, 10);
      if (v.empty() || *end != '\0' || n < 1 || n > kProfileCount) {
        return Usage("--profile needs a number from 1 to 8, not '" + v + "'");
      }
      profiles |= 1u << (n - 1);
    } else if (a == "--no-download") {
      download = false;
    } else if (a == "--dry-run") {
      dry_run = true;
    } else if (!a.empty() && a[0] == '-') {
      return Usage("unknown option '" + a + "'");
    } else if (folder.empty()) {
      folder = a;
    } else {
      return Usage("one station folder only ('" + a + "' is one too many)");
    }
  }
  if (folder.empty()) return Usage("give the station folder");

  ApplyProgramUnits();
  LoadRegionalSettings();
  Station station;
  if (!LoadStation("upload", folder, &station, NoStationMessage::kCannotReadQuoted)) return kExitFailed;
  DisplayUnits::SetStationRainType(station.record().rain_type);
  InternetConfiguration config;
  (void)config.Load(station.Folder());

  if (profiles == 0) {
    for (int n = 1; n <= kProfileCount; ++n) {
      if (config.Profile(n).enabled != 0) profiles |= 1u << (n - 1);
    }
    if (profiles == 0) {
      return Fail("upload",
                  "no upload profile is enabled: name one with --profile N, or enable one with "
                  "'stratoquill internet " +
                      folder + " profile N set enabled=on'");
    }
  }
  if (!dry_run && config.ftp_enabled == 0 && config.local_copy == 0) {
    return Fail("upload",
                "FTP upload and local copy are both off, so there is nowhere to publish to: switch one on with "
                "'stratoquill internet " +
                    folder + " set ftp-enabled=on' or 'set local-copy=on' (or try --dry-run)");
  }
  std::uint32_t tasks = profiles;
  if (download && !dry_run) {  // a dry run changes no data: no download
    for (int n = 1; n <= kProfileCount; ++n) {
      if ((profiles & (1u << (n - 1))) != 0 && config.Profile(n).download_first != 0) tasks |= upload_task::kDownload;
    }
  }

  Clock& clock = Clock::Default();
  SerialPortManager manager;
  UploadServices services = MakeUploadServices(station, config, manager, clock, {});
  if (SnapshotKeeperRunning(station.Folder()) && (tasks & upload_task::kDownload) != 0) {
    // `run` holds the console: the current data come from its snapshot, and the
    // download is left to it.
    tasks &= ~upload_task::kDownload;
    std::fprintf(stderr,
                 "stratoquill upload: 'stratoquill run' holds the console: no download, current data "
                 "from its snapshot\n");
  }
  const bool terminal = ::isatty(STDERR_FILENO) != 0;
  services.log = [dry_run](std::string_view text, std::string_view title) {
    std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(title.size()), title.data(), static_cast<int>(text.size()),
                 text.data());
    if (!dry_run) (void)LogMessage(text, title);
  };
  if (terminal) {
    services.progress = [](std::string_view caption, int done, int total) {
      const int percent = total > 0 ? done * 100 / total : 0;
      std::fprintf(stderr, "[%3d%%] %.*s\n", percent, static_cast<int>(caption.size()), caption.data());
    };
  }
  if (dry_run) {
    services.dry_run = [](const std::string& what) { std::printf("would %s\n", what.c_str()); };
    services.network = [&station](std::uint32_t bit, const UploadServices::LogSink&) {
      const bool wu = bit == upload_task::kWeatherUnderground;
      const Args args = {wu ? "wu" : "aprs", station.Folder(), "--dry-run"};
      return (wu ? RunWu(args) : RunAprs(args)) == 0;
    };
  }

  InstallStopSignalHandlers();
  UploadRun run(config, station, clock, tasks, std::move(services));
  while (!run.Done()) {
    if (StopSignalReceived()) run.Cancel();
    run.Step();
  }
  manager.CloseAllSessions();
  if (dry_run) std::fprintf(stderr, "dry run: the work files are in %s\n", station.Folder().c_str());
  switch (run.outcome()) {
    case UploadOutcome::kCompleted:
      return kExitOk;
    case UploadOutcome::kCancelled:
      return kExitCancelled;
    default:
      return kExitFailed;
  }
}

}  // namespace sq::ui
