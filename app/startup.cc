#include "app/startup.h"

#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "app/dirs.h"
#include "app/download_log.h"
#include "app/format_text.h"
#include "app/messages.h"
#include "app/program_config.h"
#include "app/station_open_hook.h"
#include "foundation/clock.h"
#include "foundation/date_time.h"
#include "foundation/display_units.h"
#include "foundation/prog_config_data.h"
#include "foundation/regional_settings.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace sq {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kCouldNotOpenFromCommandLine = 47200;
constexpr std::uint32_t kLeapDayDisabled = 47201;
constexpr std::uint32_t kLeapDayInstructions = 47202;
constexpr std::uint32_t kDownloadOk = 47203;
constexpr std::uint32_t kDownloadFailed = 47204;
constexpr std::uint32_t kClearNotForCurrentFamily = 47205;
constexpr std::uint32_t kClearOk = 47206;
constexpr std::uint32_t kClearFailed = 47207;
constexpr std::uint32_t kLogMoreOn = 47208;
constexpr std::uint32_t kCopyOldStations = 47209;
constexpr std::uint32_t kOldStationsTitle = 47210;
constexpr std::uint32_t kCreateNewStation = 47211;
constexpr std::uint32_t kOldCopyFailed = 47229;

// The command-line clear waits this long before it starts.
constexpr std::int64_t kClearPauseMs = 1000;

std::string AbsoluteFolder(const std::string& folder) {
  std::error_code ec;
  const fs::path p = fs::absolute(folder.empty() ? "." : folder, ec);
  if (ec) return folder;
  std::string s = p.lexically_normal().string();
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

bool SameRecord(const StationRecord& a, const StationRecord& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

Shell::Shell(std::string program_folder, Clock& clock, ShellOps ops)
    : program_folder_(AbsoluteFolder(program_folder)), clock_(clock), ops_(std::move(ops)) {}

int Shell::Log(std::string_view text, std::string_view title) {
  return LogMessageIn(program_folder_, text, title, clock_);
}

bool Shell::Ask(std::string_view text, std::string_view title) {
  if (ops_.ask) return ops_.ask(text, title);
  return AskYesNo(text, title, false);
}

std::optional<int> Shell::Start(const ClassicCommandLine& command_line) {
  const CommandLineSwitches& sw = command_line.switches;
  gNoRotate = sw.no_rotate;
  gLogMore = sw.log_more;
  stagingServer = sw.staging;
  const bool job = sw.download || sw.clear;

  SetProgramFolder(program_folder_);
  std::string message;
  switch (LoadProgramConfig(program_folder_, progConfigData, &message)) {
    case ProgConfigLoad::kLoaded:
      break;
    case ProgConfigLoad::kReplaced:
      Inform(message);
      break;
    case ProgConfigLoad::kMissing:
    case ProgConfigLoad::kUnreadable:
      ErrorMessage(message);
      return 1;
  }
  started_ = true;
  LoadRegionalSettings();
  DisplayUnits::RestoreUnits();

  if (sw.NamesStation()) {
    const std::string folder = command_line.folder_word.empty()
                                   ? DefaultStationFolder(program_folder_, progConfigData)
                                   : ResolveStationFolder(command_line.folder_word, program_folder_);
    std::string why;
    if (folder.empty() || OpenCurrentStation(folder, &why) != 0) {
      const std::string text =
          FormatText(LoadString(kCouldNotOpenFromCommandLine), folder.empty() ? command_line.folder_word : folder);
      ErrorMessage(text);
      // An unattended job has nobody to read the message: it goes into the log too, and
      // the job ends with a failure instead of waiting in the run loop.
      if (job) {
        (void)Log(text, LoadString(string_id::kProgramTitle));
        return 1;
      }
    }
  } else {
    ChooseStation();
  }

  if (job && LeapDayGuard()) return 1;
  int status = 0;
  if (job) status = RunJobs(sw.download, sw.clear);
  if (sw.log_more) (void)Log(LoadString(kLogMoreOn), "");
  if (job) return status;
  return std::nullopt;
}

int Shell::OpenCurrentStation(const std::string& folder, std::string* message) {
  Station next;
  std::string why;
  if (OpenStation(next, folder, &why) != 0) {
    if (message) *message = why;
    return -1;
  }
  if (!why.empty()) Inform(why);  // converted from an older layout: settings to enter again
  if (station_ && !SameRecord(station_->record(), saved_record_) && station_->Save() != 0) {
    ErrorMessage(string_id::kCouldNotSaveStation);
  }
  station_ = std::move(next);
  saved_record_ = station_->record();
  if (StationOpened().current) StationOpened().current(&*station_);
  if (!progConfigData.SetLastStationFolder(station_->Folder())) (void)progConfigData.SetLastStationFolder("");
  return 0;
}

void Shell::OpenChosen(const std::string& folder) {
  if (folder.empty()) return;
  std::string why;
  if (OpenCurrentStation(folder, &why) != 0) {
    ErrorMessage(why.empty() ? FormatText(LoadString(kCouldNotOpenFromCommandLine), folder) : why);
  }
}

void Shell::ChooseStation() {
  const std::string last = DefaultStationFolder(program_folder_, progConfigData);
  if (!last.empty()) {
    OpenChosen(last);
    return;
  }
  auto stations = ListStations(program_folder_);
  if (stations.empty()) {
    const std::string old_root = OldStationsFolder();
    if (HaveOldStations(old_root) > 0 && Ask(LoadString(kCopyOldStations), LoadString(kOldStationsTitle))) {
      if (CopyOldStations(old_root, program_folder_) < 0) ErrorMessage(kOldCopyFailed);
      stations = ListStations(program_folder_);
      if (stations.size() == 1) {
        OpenChosen(stations.front().folder);
      } else if (stations.size() > 1 && ops_.choose_station) {
        OpenChosen(ops_.choose_station(stations));
      }
      return;
    }
    if (Ask(LoadString(kCreateNewStation), LoadString(string_id::kProgramTitle)) && ops_.new_station) {
      OpenChosen(ops_.new_station(program_folder_));
    }
    return;
  }
  // Two or more stations and no last one (one station is the default above).
  if (ops_.choose_station) OpenChosen(ops_.choose_station(stations));
}

bool Shell::LeapDayGuard() {
  if (!station_ || station_->Corvale()) return false;
  DateTime today;
  today.SetCurrentTime(clock_);
  if (!(today.month == 2 && today.day == 29)) return false;
  const std::string name = station_->Name();
  (void)Log(LoadString(kLeapDayDisabled), name);
  (void)Log(LoadString(kLeapDayInstructions), name);
  return true;
}

int Shell::RunJobs(bool download, bool clear) {
  int status = 0;
  const std::string name = station_->Name();
  if (download) {
    const int rc = ops_.download ? ops_.download(*station_, Attendance::kUnattended) : kJobFailed;
    if (rc == kJobDbUnusable) (void)Log(LoadString(string_id::kCouldNotOpenDatabase), name);
    (void)Log(LoadString(rc == kJobOk ? kDownloadOk : kDownloadFailed), name);
    if (rc != kJobOk) status = 1;
  }
  if (clear) {
    if (station_->Corvale()) {
      (void)Log(LoadString(kClearNotForCurrentFamily), name);
      status = 1;
    } else {
      clock_.SleepMs(kClearPauseMs);
      const int rc = ops_.clear ? ops_.clear(*station_, Attendance::kUnattended) : kJobFailed;
      (void)Log(LoadString(rc == kJobOk ? kClearOk : kClearFailed), name);
      if (rc != kJobOk) status = 1;
    }
  }
  return status;
}

void Shell::RefreshSchedule() {
  ProgConfigData on_disk;
  if (!ReadProgramConfig(program_folder_, on_disk)) return;
  for (int h = 0; h < static_cast<int>(ProgConfigData::kHours); ++h) {
    (void)progConfigData.SetAutoDownloadHour(h, on_disk.AutoDownloadHour(h));
  }
  (void)progConfigData.SetAutoDownloadMinute(on_disk.AutoDownloadMinute());
  progConfigData.SetAutoDownloadEnabled(on_disk.AutoDownloadEnabled());
}

int Shell::ShutDown() {
  if (!started_) return 0;
  int status = 0;
  progConfigData.SetLastAutoDownloadHour(-1);
  // Other commands (units, autodownload, ...) save "progdata.dat" while this program
  // runs; start from the file as it is now and put back only what this program owns.
  ProgConfigData merged;
  if (ReadProgramConfig(program_folder_, merged)) {
    merged.SetLastAutoDownloadHour(-1);
    if (!merged.SetLastStationFolder(progConfigData.LastStationFolder())) (void)merged.SetLastStationFolder("");
    merged.SetWord920(0);
    progConfigData = merged;
  }
  if (SaveProgramConfig(program_folder_, progConfigData) != 0) status = 1;
  if (station_ && !SameRecord(station_->record(), saved_record_)) {
    if (station_->Save() != 0) {
      ErrorMessage(string_id::kCouldNotSaveStation);
      status = 1;
    } else {
      saved_record_ = station_->record();
    }
  }
  started_ = false;
  return status;
}

}  // namespace sq
