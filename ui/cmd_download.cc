// download FOLDER: brings every new archive record of the station's console into its
// database, with a progress bar and the confirmation question on a terminal; without a
// terminal on standard input (or with --yes) it runs unattended.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

#include "app/dirs.h"
#include "app/download_log.h"
#include "app/messages.h"
#include "app/port_map.h"
#include "app/station.h"
#include "link/archive_download.h"
#include "link/comm_error.h"
#include "link/serial_port_manager.h"
#include "link/web_download.h"
#include "publish/network_logger.h"
#include "reports/auto_export.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "ui/cli.h"
#include "ui/commands.h"

namespace sq::ui {
namespace {

int Usage(FILE* out) {
  std::fprintf(out,
               "Usage: stratoquill download FOLDER [--yes] [--no-model-check] [--web] [--staging]\n"
               "\n"
               "Downloads every archive record of the station's console that is newer than\n"
               "the newest record of its database, with the daily summaries, the rain\n"
               "history (when the station keeps one) and the automatic export file (when\n"
               "the station asks for it).\n"
               "\n"
               "  --yes             do not ask before the transfer\n"
               "  --no-model-check  do not ask the console for its model\n"
               "  --web             fetch the archive from the web service the console uploads\n"
               "                    to (station settings web-host, web-user, web-password)\n"
               "  --staging         the archive upload (stratoquill network) goes to the\n"
               "                    staging endpoint\n"
               "\n"
               "When standard input is not a terminal the download runs unattended: no\n"
               "question, and messages go to the download log as well.\n"
               "Exit status: 0 done (or nothing new), 1 failed or stopped early, 2 usage,\n"
               "3 cancelled.\n");
  return out == stdout ? kExitOk : kExitUsage;
}

}  // namespace

int RunDownload(const Args& args) {
  std::string folder;
  bool yes = false, check_model = true, web = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (IsHelp(a)) return Usage(stdout);
    if (a == "--yes" || a == "-y") {
      yes = true;
    } else if (a == "--no-model-check") {
      check_model = false;
    } else if (a == "--web") {
      web = true;
    } else if (a == "--staging") {
      stagingServer = true;
    } else if (!a.empty() && a[0] == '-') {
      std::fprintf(stderr, "stratoquill download: unknown option %s\n", a.c_str());
      return Usage(stderr);
    } else if (folder.empty()) {
      folder = a;
    } else {
      std::fprintf(stderr, "stratoquill download: unexpected argument %s\n", a.c_str());
      return Usage(stderr);
    }
  }
  if (folder.empty()) return Usage(stderr);

  Station station;
  if (!LoadStation("download", folder, &station, NoStationMessage::kCannotRead)) return kExitFailed;
  std::string error;
  const auto connection = station.ConnectionIn(ProgramFolder(), &error);
  if (!connection && !web) {
    std::fprintf(stderr, "stratoquill download: %s\n", error.c_str());
    return kExitFailed;
  }
  SerialPortManager manager;
  SerialSession* session = web ? nullptr : manager.CreateSession(CommSettingsFrom(*connection));
  if (session == nullptr && !web) {
    return Fail("download", std::string(LoadString(string_id::kNoSession)));
  }
  if (session != nullptr) session->set_station_model(station.record().model);

  const bool unattended = !isatty(STDIN_FILENO);
  const bool bar = isatty(STDERR_FILENO) != 0;
  DownloadOptions options;
  options.silent = unattended;
  options.check_model = check_model;
  const std::string title = station.Name().empty() ? std::string("Download") : station.Name();
  options.hooks.message = [&](std::string_view text, bool is_error) {
    if (bar) std::fputc('\n', stderr);
    std::fprintf(stderr, "%s: %.*s\n", is_error ? "Error" : "Please Note", static_cast<int>(text.size()), text.data());
    if (unattended) (void)LogMessage(text, title);
  };
  options.hooks.log = [&](std::string_view text) { (void)LogMessage(text, title); };
  options.hooks.confirm = [&](std::string_view question, std::string_view caption) {
    if (yes) return true;
    std::fprintf(stderr, "%.*s: %.*s [y/n] ", static_cast<int>(caption.size()), caption.data(),
                 static_cast<int>(question.size()), question.data());
    std::fflush(stderr);
    char line[64] = {};
    if (std::fgets(line, sizeof line, stdin) == nullptr) return false;
    return line[0] == 'y' || line[0] == 'Y';
  };
  DownloadProgress last;
  options.hooks.progress = [&](const DownloadProgress& p) {
    last = p;
    if (bar) {
      std::fprintf(stderr, "\r%s", ProgressBar(p).c_str());
      std::fflush(stderr);
    }
  };
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

  const auto start = std::chrono::steady_clock::now();
  int records = 0;
  int result = 0;
  if (web) {
    result = RunWebDownload(station, options, &records);
  } else {
    ArchiveDownload download(station, *session, options);
    result = download.Run();
    records = download.records_stored();
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (bar && last.pages_total > 0) std::fputc('\n', stderr);
  if (result == kDownloadOk || result == kDownloadPartial || result == kDownloadStoredWithErrors) {
    std::printf("%d new records from %d of %d pages in %.1f s (%d retries).\n", records, last.pages_done,
                last.pages_total, seconds, last.retries);
  }
  // A log entry that could not be written was reported on standard error; the status
  // says so too.
  if (DownloadLogFailures() > 0 && (result == kDownloadOk || result == kDownloadNothingNew)) return kExitFailed;
  switch (result) {
    case kDownloadOk:
    case kDownloadNothingNew:
      return kExitOk;
    case kDownloadCancelled:
      return 3;
    default:
      return kExitFailed;
  }
}

}  // namespace sq::ui
