// One upload run: the selected profiles' pages, reports and images made in local
// folders, listed in the work file "UploadList.txt", sent over FTP and copied into the
// local-copy folder. The run is a sequence of stages taken one step per call of Step()
// (one tick of the run loop), so that the program keeps serving the console and the
// schedule while it runs:
//
//   1424 download the console's archive first (when asked)
//   1425 current data and highs and lows
//   1426 template pages, one per step        1427 reports, one per step
//   1428 current images, one profile a step  1429 historical graphs, likewise
//   1430 connect (dial-up does not exist here), the weather-network uploads
//   1431 FTP, one list line per step         1432 local copy, one line per step
//
// Every failure is logged (title "FTP", "CopyFile" or the station name) and marks the
// run partially completed; one file that fails again after a reset of the session, or
// takes more than 15 minutes, ends the FTP part (the local copy still runs). The run
// ends with one result line naming its profiles.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "publish/ftp_protocol.h"
#include "publish/internet_config.h"
#include "publish/page_data.h"
#include "publish/upload_list.h"
#include "publish/upload_schedule.h"

namespace sq {

class Clock;
class Station;
class WeatherDatabase;

namespace upload_stage {
inline constexpr int kDownload = 1424;
inline constexpr int kStationData = 1425;
inline constexpr int kTemplates = 1426;
inline constexpr int kReports = 1427;
inline constexpr int kCurrentImages = 1428;
inline constexpr int kHistoricalImages = 1429;
inline constexpr int kConnect = 1430;
inline constexpr int kFtp = 1431;
inline constexpr int kLocalCopy = 1432;
inline constexpr int kEnded = 0;
}  // namespace upload_stage

inline constexpr std::int64_t kSlowUploadMs = 900000;  // 15 minutes

enum class UploadOutcome { kRunning, kCompleted, kPartial, kFailed, kCancelled };

// What the run needs from the rest of the program. Empty functions: the default
// (log into download.log, an FTPProtocol session) or nothing to do.
struct UploadServices {
  // A line for the program log with its title.
  std::function<void(std::string_view text, std::string_view title)> log;
  // The caption of the step now running and the progress weights done of the total.
  std::function<void(std::string_view caption, int done, int total)> progress;
  // Downloads the console's new archive records: the number stored (0: nothing new) or
  // a negative number when it failed (it logs its own messages).
  std::function<int()> download;
  // Current data for pages, images and the network uploads; false with `*error` set
  // when there is none.
  std::function<bool(PageData* out, std::string* error)> station_data;
  // Draws the images profile `profile` selects (historical: its graphs) into `folder`;
  // the paths of the files drawn go into `*written`, each failure's text into
  // `*errors` (the run logs them). The others are still listed.
  std::function<void(int profile, const UploadParameters& parameters, bool historical, const std::string& folder,
                     std::vector<std::string>* written, std::vector<std::string>* errors)>
      images;
  // The network upload of `task_bit` (upload_task::kWeatherUnderground or kAprs), its
  // lines logged through `log`: true when sent. In a dry run it only shows what it
  // would send.
  using LogSink = std::function<void(std::string_view text, std::string_view title)>;
  std::function<bool(std::uint32_t task_bit, const LogSink& log)> network;
  // A new FTP session; default an FTPProtocol.
  std::function<std::unique_ptr<InternetProtocol>(const FtpSettings&)> ftp;
  // Dry run: pages, reports, images and the work files are made; nothing is sent or
  // copied, and each line that would be goes here instead.
  std::function<void(const std::string& what)> dry_run;
};

class UploadRun {
 public:
  // `tasks`: the profile bits (and upload_task::kDownload) of the run. The
  // configuration, station and clock must outlive the run. Creates "UploadList.txt"
  // empty.
  UploadRun(const InternetConfiguration& config, const Station& station, Clock& clock, std::uint32_t tasks,
            UploadServices services);
  ~UploadRun();
  UploadRun(const UploadRun&) = delete;
  UploadRun& operator=(const UploadRun&) = delete;

  // One step of the current stage. Nothing once the run has ended.
  void Step();
  // Runs every step to the end (commands and tests).
  void RunToEnd();
  // The next step ends the run, logged as cancelled by the user.
  void Cancel() { cancel_ = true; }

  [[nodiscard]] bool Done() const { return stage_ == upload_stage::kEnded; }
  [[nodiscard]] UploadOutcome outcome() const { return outcome_; }
  [[nodiscard]] int stage() const { return stage_; }
  [[nodiscard]] std::uint32_t tasks() const { return tasks_; }
  // "Data Upload Profile(s) 1 3 ".
  [[nodiscard]] const std::string& profile_text() const { return profile_text_; }

 private:
  struct ListedFile;
  void StepDownload();
  void StepStationData();
  void StepTemplates();
  void StepReports();
  void StepImages(bool historical);
  void StepConnect();
  void NetworkUpload(std::uint32_t bit);
  void StepFtp();
  void StepLocalCopy();
  void Finish(UploadOutcome outcome);
  int NextStageAfter(int stage) const;
  int StageAfterConnect() const;
  bool BuildTemplateList();
  bool AppendLines(const std::vector<UploadLine>& lines);
  bool LoadLines();
  bool UploadLineNow(const UploadLine& line);
  void OpenSession();
  void Log(std::string_view text, std::string_view title);
  void Show(std::string_view caption, int weight);
  [[nodiscard]] std::string StationTitle() const;
  [[nodiscard]] std::string LocalTarget(std::string_view sub, std::string_view name) const;

  const InternetConfiguration& config_;
  const Station& station_;
  Clock& clock_;
  UploadServices services_;
  std::string folder_;
  std::uint32_t tasks_;
  std::uint32_t report_set_ = 0;
  std::string profile_text_;
  int stage_ = upload_stage::kStationData;
  std::size_t item_ = 0;
  int progress_total_ = 0;
  int progress_done_ = 0;
  bool busy_ = false;
  bool error_ = false;
  bool cancel_ = false;
  bool list_ok_ = true;
  UploadOutcome outcome_ = UploadOutcome::kRunning;
  std::optional<PageData> data_;
  std::vector<ListedFile> listed_;
  std::unique_ptr<WeatherDatabase> db_;
  std::unique_ptr<InternetProtocol> ftp_;
  bool ftp_ok_ = false;
  std::vector<UploadLine> lines_;
  bool lines_loaded_ = false;
};

}  // namespace sq
