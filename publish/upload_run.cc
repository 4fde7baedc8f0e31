#include "publish/upload_run.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/binary_file.h"
#include "app/download_log.h"
#include "app/format_text.h"
#include "app/station.h"
#include "database/weather_database.h"
#include "foundation/clock.h"
#include "foundation/file_util.h"
#include "publish/ftp_paths.h"
#include "publish/local_copy.h"
#include "publish/profile_list.h"
#include "publish/publish_tables.h"
#include "publish/tag_values.h"
#include "publish/template_page.h"
#include "publish/weather_images.h"
#include "reports/auto_export.h"
#include "reports/noaa_report.h"
#include "resources/string_table.h"

namespace sq {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kNoRegistry = 28008;
constexpr std::uint32_t kBadBaseFolder = 28007;
constexpr std::uint32_t kResultOk = 28010;
constexpr std::uint32_t kResultPartial = 28011;
constexpr std::uint32_t kResultFailed = 28012;
constexpr std::uint32_t kResultCancelled = 28013;
constexpr std::uint32_t kProfilesText = 28014;
constexpr std::uint32_t kDownloaded = 28015;
constexpr std::uint32_t kDownloadCaption = 28016;
constexpr std::uint32_t kCurrentDataCaption = 28017;
constexpr std::uint32_t kHighLowCaption = 28018;
constexpr std::uint32_t kStationTimeCaption = 28022;
constexpr std::uint32_t kNoTemplateList = 28023;
constexpr std::uint32_t kCurrentImagesCaption = 28024;
constexpr std::uint32_t kHistoricalImagesCaption = 28025;
constexpr std::uint32_t kWuCaption = 28026;
constexpr std::uint32_t kAprsCaption = 28027;
constexpr std::uint32_t kCreateDirError = 28028;
constexpr std::uint32_t kCopyError = 28029;
constexpr std::uint32_t kCopyTitle = 28030;
constexpr std::uint32_t kFtpTitle = 28031;
constexpr std::uint32_t kSlowOk = 28032;
constexpr std::uint32_t kSlowFailed = 28033;
constexpr std::uint32_t kSlowFailedText = 28034;
constexpr std::uint32_t kWillRetry = 28035;
constexpr std::uint32_t kWillRetryText = 28036;
constexpr std::uint32_t kRetryFailed = 28037;
constexpr std::uint32_t kRetryFailedText = 28038;

constexpr std::int64_t kAfterDownloadMs = 500;
constexpr int kDownloadWeight = 2;

// The reports of the run in their order, and which need the database's NOAA summary.
constexpr std::uint32_t kReportBits = report_bit::kNoaaThisMonth | report_bit::kNoaaLastMonth |
                                      report_bit::kNoaaThisYear | report_bit::kNoaaLastYear | report_bit::kArchive2Day |
                                      report_bit::kArchiveWeek;

std::string Text(std::uint32_t id) { return std::string(LoadString(id)); }

bool Selected(const std::uint32_t (&set)[2]) { return set[0] != 0 || set[1] != 0; }

std::string PageExtension(const UploadParameters& p) {
  const std::string e = LoadText(p.page_extension, sizeof p.page_extension);
  return e.empty() || e.find_first_of("/\\") != std::string::npos ? std::string("htm") : e;
}

}  // namespace

// One entry of a profile's file list, with the page it makes when it is a template.
struct UploadRun::ListedFile {
  std::string name;
  std::string path;
  std::string page;  // empty for a plain file
  UploadLine line;
  bool ok = true;
};

UploadRun::UploadRun(const InternetConfiguration& config, const Station& station, Clock& clock, std::uint32_t tasks,
                     UploadServices services)
    : config_(config),
      station_(station),
      clock_(clock),
      services_(std::move(services)),
      folder_(station.Folder()),
      tasks_(tasks & (upload_task::kProfiles | upload_task::kDownload)) {
  list_ok_ = WriteFileAtomic(JoinPath(folder_, kUploadListName), std::string());
  profile_text_ = Text(kProfilesText);
  for (int n = 1; n <= kProfileCount; ++n) {
    if ((tasks_ & (1u << (n - 1))) == 0) continue;
    const UploadParameters& p = config_.Profile(n);
    profile_text_ += std::to_string(n) + " ";
    progress_total_ += p.file_count * 2 + p.report_count * 2 + p.current_image_count + p.historical_image_count * 2;
    const auto files = ReadProfileList(folder_, LoadText(p.list_name, sizeof p.list_name));
    if (files && !files->empty()) tasks_ |= upload_task::kFiles;
    if ((p.reports & kReportBits) != 0) tasks_ |= upload_task::kReports;
    report_set_ |= p.reports;
    if (Selected(p.current_images)) tasks_ |= upload_task::kCurrentImages;
    if (Selected(p.historical_images)) tasks_ |= upload_task::kHistoricalImages;
    if ((p.reports & report_bit::kWeatherUnderground) != 0) tasks_ |= upload_task::kWeatherUnderground;
    if ((p.reports & report_bit::kAprs) != 0) tasks_ |= upload_task::kAprs;
  }
  if ((tasks_ & upload_task::kDownload) != 0) progress_total_ += kDownloadWeight;
  stage_ = (tasks_ & upload_task::kDownload) != 0 ? upload_stage::kDownload : upload_stage::kStationData;
}

UploadRun::~UploadRun() = default;

void UploadRun::Log(std::string_view text, std::string_view title) {
  if (services_.log) {
    services_.log(text, title);
  } else {
    (void)LogMessage(text, title);
  }
}

void UploadRun::Show(std::string_view caption, int weight) {
  progress_done_ += weight;
  if (services_.progress) services_.progress(caption, std::min(progress_done_, progress_total_), progress_total_);
}

std::string UploadRun::StationTitle() const { return station_.Name(); }

std::string UploadRun::LocalTarget(std::string_view sub, std::string_view name) const {
  return JoinSettingPath(JoinSettingPath(LoadText(config_.local_folder, sizeof config_.local_folder), sub), name);
}

void UploadRun::RunToEnd() {
  while (!Done()) Step();
}

void UploadRun::Step() {
  if (Done() || busy_) return;
  busy_ = true;
  if (cancel_) {
    Finish(UploadOutcome::kCancelled);
  } else if (!list_ok_) {
    Log(Text(kNoTemplateList), StationTitle());
    error_ = true;
    Finish(UploadOutcome::kFailed);
  } else {
    switch (stage_) {
      case upload_stage::kDownload:
        StepDownload();
        break;
      case upload_stage::kStationData:
        StepStationData();
        break;
      case upload_stage::kTemplates:
        StepTemplates();
        break;
      case upload_stage::kReports:
        StepReports();
        break;
      case upload_stage::kCurrentImages:
        StepImages(false);
        break;
      case upload_stage::kHistoricalImages:
        StepImages(true);
        break;
      case upload_stage::kConnect:
        StepConnect();
        break;
      case upload_stage::kFtp:
        StepFtp();
        break;
      case upload_stage::kLocalCopy:
        StepLocalCopy();
        break;
      default:
        Finish(UploadOutcome::kFailed);
        break;
    }
  }
  busy_ = false;
}

int UploadRun::NextStageAfter(int stage) const {
  const std::pair<int, std::uint32_t> work[] = {{upload_stage::kTemplates, upload_task::kFiles},
                                                {upload_stage::kReports, upload_task::kReports},
                                                {upload_stage::kCurrentImages, upload_task::kCurrentImages},
                                                {upload_stage::kHistoricalImages, upload_task::kHistoricalImages}};
  for (const auto& [s, bit] : work) {
    if (s > stage && (tasks_ & bit) != 0) return s;
  }
  return upload_stage::kConnect;
}

void UploadRun::StepDownload() {
  Show(Text(kDownloadCaption), kDownloadWeight);
  const int stored = services_.download ? services_.download() : 0;
  if (stored > 0) Log(FormatText(LoadString(kDownloaded), StationTitle()), StationTitle());
  if (stored < 0) error_ = true;
  clock_.SleepMs(kAfterDownloadMs);
  stage_ = upload_stage::kStationData;
  item_ = 0;
}

void UploadRun::StepStationData() {
  // Three sub-steps, one per tick: the current data (with the highs and lows, which
  // the data source reads with it), then the captions of what it brought.
  switch (item_++) {
    case 0: {
      Show(Text(kCurrentDataCaption), 0);
      PageData data;
      std::string why;
      if (services_.station_data && services_.station_data(&data, &why)) {
        data_ = std::move(data);
      } else {
        if (why.empty()) why = "no current data";
        Log("No current data (" + why + "): pages and current images are left out.", StationTitle());
        error_ = true;
      }
      return;
    }
    case 1:
      Show(Text(kHighLowCaption), 0);
      return;
    default:
      Show(Text(kStationTimeCaption), 0);
      stage_ = NextStageAfter(upload_stage::kStationData);
      item_ = 0;
      return;
  }
}

bool UploadRun::BuildTemplateList() {
  std::string templates;
  for (int n = 1; n <= kProfileCount; ++n) {
    if ((tasks_ & (1u << (n - 1))) == 0) continue;
    const UploadParameters& p = config_.Profile(n);
    std::string why;
    const auto files = ReadProfileList(folder_, LoadText(p.list_name, sizeof p.list_name), &why);
    if (!files) {
      Log(why, StationTitle());
      error_ = true;
      continue;
    }
    const std::string remote = RemoteFolder(LoadText(config_.ftp_folder, sizeof config_.ftp_folder),
                                            LoadText(p.page_folder, sizeof p.page_folder));
    const std::string sub = LoadText(p.page_folder, sizeof p.page_folder);
    for (const ProfileFile& f : *files) {
      ListedFile item;
      item.name = f.name;
      item.path = f.path;
      if (f.IsTemplate()) {
        item.page = PagePathFor(f.path, PageExtension(p));
        templates += f.name + "\t\t\t\t" + f.path + "\t" + item.page + "\n";
      }
      const std::string& local = item.page.empty() ? item.path : item.page;
      const std::string name = RemoteNameOf(local);
      item.line = {local, remote, name, LocalTarget(sub, name)};
      listed_.push_back(std::move(item));
    }
  }
  return WriteFileAtomic(JoinPath(folder_, kTemplateListName), templates);
}

void UploadRun::StepTemplates() {
  if (item_ == 0) {
    if (!BuildTemplateList()) {
      Log(Text(kNoTemplateList), StationTitle());
      error_ = true;
      Finish(UploadOutcome::kFailed);
      return;
    }
  }
  // One template per tick; plain files need no step of their own.
  while (item_ < listed_.size() && listed_[item_].page.empty()) {
    Show(listed_[item_].name, 2);
    ++item_;
  }
  if (item_ < listed_.size()) {
    ListedFile& f = listed_[item_++];
    Show(f.name, 2);
    if (!data_) {
      f.ok = false;  // said once by the station-data step
    } else {
      const TagValues values(*data_, station_, clock_);
      f.ok =
          ProcessTemplate(f.path, f.page, values, StationTitle(),
                          [this](std::string_view text, std::string_view title) { Log(text, title); }) == kPageWritten;
    }
    if (!f.ok) error_ = true;
    if (item_ < listed_.size()) return;
  }
  // Only pages that were written are published: a failed page must not send an old
  // page or stop the FTP part for a file that is not there.
  std::vector<UploadLine> lines;
  for (const ListedFile& f : listed_) {
    if (f.ok) lines.push_back(f.line);
  }
  if (!AppendLines(lines)) {
    Finish(UploadOutcome::kFailed);
    return;
  }
  stage_ = NextStageAfter(upload_stage::kTemplates);
  item_ = 0;
}

bool UploadRun::AppendLines(const std::vector<UploadLine>& lines) {
  if (lines.empty()) return true;
  const std::string path = JoinPath(folder_, kUploadListName);
  std::unique_ptr<std::FILE, decltype(&std::fclose)> f(std::fopen(path.c_str(), "a"), &std::fclose);
  bool ok = f != nullptr;
  for (const auto& l : lines) {
    if (!ok) break;
    const std::string text = FormatUploadLine(l);
    ok = std::fwrite(text.data(), 1, text.size(), f.get()) == text.size();
  }
  if (ok) ok = std::fclose(f.release()) == 0;
  if (!ok) {
    Log(Text(kNoTemplateList), StationTitle());
    error_ = true;
  }
  return ok;
}

void UploadRun::StepReports() {
  const auto reports = Reports();
  while (item_ < reports.size() &&
         ((reports[item_].bit & kReportBits) == 0 || (report_set_ & reports[item_].bit) == 0)) {
    ++item_;
  }
  if (item_ >= reports.size()) {
    stage_ = NextStageAfter(upload_stage::kReports);
    item_ = 0;
    return;
  }
  const ReportEntry& r = reports[item_++];
  Show(r.title, 2);
  const std::string file(r.file);
  std::string why;
  bool ok = false;
  if (!db_) {
    db_ = std::make_unique<WeatherDatabase>();
    if (db_->OpenDatabase(folder_, true) != kDbOk && db_->month_count() == 0) why = db_->last_error();
  }
  if (why.empty()) {
    if (r.bit == report_bit::kArchive2Day || r.bit == report_bit::kArchiveWeek) {
      ok = CreateNumberedAutoExportFile(station_, *db_, r.bit == report_bit::kArchive2Day ? 1 : 7) == 1;
      if (!ok) why = "could not write " + JoinPath(folder_, file);
    } else {
      const NoaaStandard which = r.bit == report_bit::kNoaaThisMonth   ? NoaaStandard::kThisMonth
                                 : r.bit == report_bit::kNoaaLastMonth ? NoaaStandard::kLastMonth
                                 : r.bit == report_bit::kNoaaThisYear  ? NoaaStandard::kThisYear
                                                                       : NoaaStandard::kLastYear;
      NoaaPeriod period;
      if (!StandardPeriod(*db_, which, &period)) {
        why = "No records in your database.";
      } else {
        std::string text;
        ok = WriteNoaaReport(*db_, NoaaSettings::FromStation(station_), period, JoinPath(folder_, file), &text, &why) ==
             kNoaaOk;
      }
    }
  }
  if (!ok) {
    Log(std::string(r.title) + ": " + why, StationTitle());
    error_ = true;
    return;
  }
  std::vector<UploadLine> lines;
  for (int n = 1; n <= kProfileCount; ++n) {
    if ((tasks_ & (1u << (n - 1))) == 0) continue;
    const UploadParameters& p = config_.Profile(n);
    if ((p.reports & r.bit) == 0) continue;
    const std::string sub = LoadText(p.report_folder, sizeof p.report_folder);
    lines.push_back({JoinPath(folder_, file),
                     RemoteFolder(LoadText(config_.ftp_folder, sizeof config_.ftp_folder), sub), file,
                     LocalTarget(sub, file)});
  }
  if (!AppendLines(lines)) Finish(UploadOutcome::kFailed);
}

void UploadRun::StepImages(bool historical) {
  const int stage = historical ? upload_stage::kHistoricalImages : upload_stage::kCurrentImages;
  // One profile per tick, among the run's profiles that select images of this kind.
  while (item_ < static_cast<std::size_t>(kProfileCount)) {
    const int n = static_cast<int>(item_) + 1;
    const UploadParameters& p = config_.Profile(n);
    if ((tasks_ & (1u << item_)) != 0 && Selected(historical ? p.historical_images : p.current_images)) break;
    ++item_;
  }
  if (item_ >= static_cast<std::size_t>(kProfileCount)) {
    stage_ = NextStageAfter(stage);
    item_ = 0;
    return;
  }
  const int n = static_cast<int>(item_++) + 1;
  const UploadParameters& p = config_.Profile(n);
  Show(FormatText(LoadString(historical ? kHistoricalImagesCaption : kCurrentImagesCaption), n),
       historical ? p.historical_image_count * 2 : p.current_image_count);
  const std::string folder = ProfileImageFolder(folder_, n);
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) {
    Log(FormatText(LoadString(kCreateDirError), folder), StationTitle());
    error_ = true;
    return;
  }
  if (!services_.images) {
    Log(FormatText("The images of profile %d are left out: this program has no image drawing yet.", n), StationTitle());
    return;
  }
  std::vector<std::string> written, errors;
  services_.images(n, p, historical, folder, &written, &errors);
  for (const std::string& e : errors) Log(e, StationTitle());
  if (!errors.empty()) error_ = true;
  const std::string sub = historical ? LoadText(p.historical_image_folder, sizeof p.historical_image_folder)
                                     : LoadText(p.current_image_folder, sizeof p.current_image_folder);
  std::vector<UploadLine> lines;
  for (const std::string& path : written) {
    const std::string name = RemoteNameOf(path);
    lines.push_back({path, RemoteFolder(LoadText(config_.ftp_folder, sizeof config_.ftp_folder), sub), name,
                     LocalTarget(sub, name)});
  }
  if (!AppendLines(lines)) Finish(UploadOutcome::kFailed);
}

void UploadRun::OpenSession() {
  ftp_ok_ = false;
  const std::string ftp_title = Text(kFtpTitle);
  if (config_.proxy_mode < kProxyNone || config_.proxy_mode > kProxyDefault) {
    Log(Text(kNoRegistry), ftp_title);
    error_ = true;
    return;
  }
  const FtpSettings settings = FtpSettingsFrom(config_);
  ftp_ = services_.ftp ? services_.ftp(settings) : std::make_unique<FTPProtocol>(settings);
  if (!ftp_) {
    Log(Text(kNoRegistry), ftp_title);
    error_ = true;
    return;
  }
  if (ftp_->Open() != kFtpGood) {
    Log(FtpOpenFailureText(ftp_->status(), ftp_->error(), settings.host, settings.user), ftp_title);
    if (!ftp_->detail().empty()) Log(" " + ftp_->detail(), ftp_title);
    error_ = true;
    ftp_.reset();
    return;
  }
  const std::string base = LoadText(config_.ftp_folder, sizeof config_.ftp_folder);
  if (!base.empty() && !ftp_->SetFTPDirectory(base)) {
    Log(FormatText(LoadString(kBadBaseFolder), base), ftp_title);
    error_ = true;
    ftp_.reset();
    return;
  }
  ftp_ok_ = true;
}

int UploadRun::StageAfterConnect() const {
  if (config_.ftp_enabled != 0 && (ftp_ok_ || services_.dry_run)) return upload_stage::kFtp;
  if (config_.local_copy != 0) return upload_stage::kLocalCopy;
  return upload_stage::kEnded;
}

void UploadRun::NetworkUpload(std::uint32_t bit) {
  const bool wu = bit == upload_task::kWeatherUnderground;
  Show(Text(wu ? kWuCaption : kAprsCaption), 0);
  if (services_.dry_run && !services_.network) {
    services_.dry_run(wu ? "send the new archive records to Weather Underground"
                         : "send the current conditions to APRS");
  } else if (!services_.network) {
    Log(std::string(wu ? "Weather Underground" : "APRS") +
            ": this program has no network upload yet; nothing was sent.",
        StationTitle());
  } else if (!services_.network(bit, [this](std::string_view text, std::string_view title) { Log(text, title); })) {
    error_ = true;
  }
}

void UploadRun::StepConnect() {
  // Sub-steps, one per tick: connect, Weather Underground, APRS. There is no dial-up
  // networking on this system: a run always continues over the connection there is.
  const std::size_t sub = item_++;
  if (sub == 0) {
    if (config_.ftp_enabled != 0 && !services_.dry_run) OpenSession();
    return;
  }
  if (sub == 1 && (tasks_ & upload_task::kWeatherUnderground) != 0) {
    NetworkUpload(upload_task::kWeatherUnderground);
    return;
  }
  if (sub <= 2 && (tasks_ & upload_task::kAprs) != 0) {
    item_ = 3;
    NetworkUpload(upload_task::kAprs);
    return;
  }
  const int next = StageAfterConnect();
  item_ = 0;
  lines_loaded_ = false;
  if (next == upload_stage::kEnded) {
    Finish(UploadOutcome::kCompleted);
  } else {
    stage_ = next;
  }
}

bool UploadRun::LoadLines() {
  if (lines_loaded_) return true;
  std::string why;
  auto lines = ReadUploadList(folder_, &why);
  if (!lines) {
    Log(Text(kNoTemplateList) + ": " + why, StationTitle());
    error_ = true;
    return false;
  }
  lines_ = std::move(*lines);
  lines_loaded_ = true;
  return true;
}

bool UploadRun::UploadLineNow(const UploadLine& line) {
  const std::string title = Text(kFtpTitle);
  const std::string& file = line.local;
  const std::string& where = line.remote_folder;
  const std::int64_t start = clock_.MonotonicMs();
  const bool stored = ftp_->PutFile(line.local, line.remote_folder, line.remote_name);
  const std::int64_t took = clock_.MonotonicMs() - start;
  if (took > kSlowUploadMs) {
    error_ = true;
    if (stored) {
      Log(FormatText(LoadString(kSlowOk), file, where), title);
    } else if (ftp_->error() == kInetErrorExtended) {
      Log(ftp_->response(), title);
      Log(FormatText(LoadString(kSlowFailedText), file, where), title);
    } else {
      Log(FormatText(LoadString(kSlowFailed), static_cast<int>(ftp_->error()), file, where), title);
    }
    return false;
  }
  if (stored) return true;
  error_ = true;
  if (ftp_->error() == kInetErrorExtended) {
    Log(ftp_->response(), title);
    Log(FormatText(LoadString(kWillRetryText), file, where), title);
  } else {
    Log(FormatText(LoadString(kWillRetry), static_cast<int>(ftp_->error()), file, where), title);
  }
  if (!ftp_->ResetFTP()) {
    const FtpSettings settings = FtpSettingsFrom(config_);
    Log(FtpOpenFailureText(ftp_->status(), ftp_->error(), settings.host, settings.user), title);
    return false;
  }
  if (ftp_->PutFile(line.local, line.remote_folder, line.remote_name)) return true;
  if (ftp_->error() == kInetErrorExtended) {
    Log(ftp_->response(), title);
    Log(FormatText(LoadString(kRetryFailedText), file, where), title);
  } else {
    Log(FormatText(LoadString(kRetryFailed), static_cast<int>(ftp_->error()), file, where), title);
  }
  return false;
}

void UploadRun::StepFtp() {
  auto next = [this] {
    item_ = 0;
    if (config_.local_copy != 0) {
      stage_ = upload_stage::kLocalCopy;
    } else {
      Finish(UploadOutcome::kCompleted);
    }
  };
  if (!LoadLines() || item_ >= lines_.size()) {
    next();
    return;
  }
  const UploadLine& line = lines_[item_++];
  Show(line.local, 0);
  if (services_.dry_run) {
    const FtpSettings s = FtpSettingsFrom(config_);
    // The remote path as it is under the login folder.
    const std::string folder = JoinRemotePath("", ConvertPathToForwardSlashes(line.remote_folder));
    services_.dry_run("upload " + line.local + " to " + s.host + ":" +
                      (folder.empty() ? line.remote_name : folder + "/" + line.remote_name));
    return;
  }
  if (!ftp_ || !UploadLineNow(line)) next();  // the rest of the FTP part is cancelled
}

void UploadRun::StepLocalCopy() {
  if (!LoadLines() || item_ >= lines_.size()) {
    Finish(UploadOutcome::kCompleted);
    return;
  }
  const UploadLine& line = lines_[item_++];
  Show(line.local, 0);
  if (services_.dry_run) {
    services_.dry_run("copy " + line.local + " to " + line.local_target);
    return;
  }
  std::string failed_folder;
  const int e = line.local_target.empty() || line.local_target.front() != '/'
                    ? ENOENT
                    : CopyFileReplacing(line.local, line.local_target, &failed_folder);
  if (e == 0) return;
  if (!failed_folder.empty()) {
    Log(FormatText(LoadString(kCreateDirError), failed_folder), Text(kCopyTitle));
  } else {
    Log(FormatText(LoadString(kCopyError), e, line.local, line.local_target), Text(kCopyTitle));
  }
  error_ = true;
  Finish(UploadOutcome::kCompleted);  // the local copy ends; the result says "partially"
}

void UploadRun::Finish(UploadOutcome outcome) {
  if (outcome == UploadOutcome::kCompleted && error_) outcome = UploadOutcome::kPartial;
  const std::uint32_t id = outcome == UploadOutcome::kCancelled ? kResultCancelled
                           : outcome == UploadOutcome::kFailed  ? kResultFailed
                           : outcome == UploadOutcome::kPartial ? kResultPartial
                                                                : kResultOk;
  Log(FormatText(LoadString(id), profile_text_), StationTitle());
  outcome_ = outcome;
  stage_ = upload_stage::kEnded;
  ftp_.reset();
  db_.reset();
}

}  // namespace sq
