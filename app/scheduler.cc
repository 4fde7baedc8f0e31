#include "app/scheduler.h"

#include <poll.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "app/auto_download_list.h"
#include "app/command_line.h"
#include "app/format_text.h"
#include "app/messages.h"
#include "app/startup.h"
#include "app/station.h"
#include "foundation/clock.h"
#include "foundation/date_time.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace sq {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kListUnreadable = 47214;
constexpr std::uint32_t kCouldNotOpenStation = 47215;
constexpr std::uint32_t kDownloadCountdown = 47216;
constexpr std::uint32_t kDownloadCanceled = 47217;
constexpr std::uint32_t kDownloadedOk = 47218;
constexpr std::uint32_t kDownloadFailed = 47219;
constexpr std::uint32_t kClearCountdown = 47220;
constexpr std::uint32_t kAutoClearTitle = 47221;
constexpr std::uint32_t kClearSucceeded = 47223;
constexpr std::uint32_t kClearCanceled = 47224;
constexpr std::uint32_t kClearFailed = 47225;
constexpr std::uint32_t kAutoDownloadTitle = 47227;
constexpr std::uint32_t kCancelHint = 47230;

// A schedule is due for this many minutes after its moment.
constexpr int kWindowMinutes = 10;
constexpr int kMinutesPerDay = 1440;
constexpr std::int64_t kPollMs = 100;

// Clears the flag on every way out of a job.
class JobMark {
 public:
  explicit JobMark(bool& flag) : flag_(flag) { flag_ = true; }
  ~JobMark() { flag_ = false; }
  JobMark(const JobMark&) = delete;
  JobMark& operator=(const JobMark&) = delete;

 private:
  bool& flag_;
};

// The moment `minutes` after midnight as the regional time text, without padding.
std::string TimeText(int minutes) {
  DateTime t;
  t.packed_time = static_cast<std::int16_t>(minutes);
  t.UnpackTime();
  std::string s = t.GetTimeStr();
  while (!s.empty() && s.front() == ' ') s.erase(s.begin());
  return s;
}

std::string Canonical(const std::string& folder) {
  std::error_code ec;
  fs::path p = fs::weakly_canonical(folder, ec);
  if (ec) p = fs::path(folder).lexically_normal();
  std::string s = p.string();
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

}  // namespace

TerminalCountdown::TerminalCountdown(Clock& clock, int input_fd, std::FILE* out, std::function<bool()> stop)
    : clock_(clock), input_fd_(input_fd), out_(out), stop_(std::move(stop)) {}

bool TerminalCountdown::Run(std::string_view text, std::string_view title, int seconds) {
  if (!::isatty(input_fd_)) return true;
  const std::string hint(LoadString(kCancelHint));
  for (int left = seconds; left > 0; --left) {
    std::fprintf(out_, "\r%.*s: %.*s %2d s (Enter: %s) ", static_cast<int>(title.size()), title.data(),
                 static_cast<int>(text.size()), text.data(), left, hint.c_str());
    std::fflush(out_);
    for (std::int64_t waited = 0; waited < 1000; waited += kPollMs) {
      if (stop_ && stop_()) {
        std::fprintf(out_, "\n");
        return false;
      }
      pollfd p{input_fd_, POLLIN, 0};
      if (::poll(&p, 1, 0) == 1 && (p.revents & POLLIN) != 0) {
        char buf[256];
        if (::read(input_fd_, buf, sizeof buf) > 0) {
          std::fprintf(out_, "\n");
          return false;
        }
      }
      clock_.SleepMs(kPollMs);
    }
  }
  std::fprintf(out_, "\n");
  return true;
}

int DueAutoDownloadHour(const ProgConfigData& cfg, int minutes_now, int last_hour) {
  const int offset = cfg.AutoDownloadMinute();
  for (int h = 0; h < 24; ++h) {
    const int d = minutes_now - (h * 60 + offset);
    if (d >= 0 && d < kWindowMinutes && h != last_hour && cfg.AutoDownloadHour(h)) return h;
  }
  return -1;
}

bool AutoClearDue(const StationRecord& rec, std::int32_t today, int minutes_now) {
  if (rec.auto_clear == 0) return false;
  // A negative time means no clear time was set.
  if (rec.auto_clear_time < 0 || rec.auto_clear_time >= kMinutesPerDay) return false;
  if (static_cast<std::int32_t>(rec.last_clear_date) == today) return false;
  const int d = minutes_now - rec.auto_clear_time;
  return d >= 0 && d < kWindowMinutes;
}

Scheduler::Scheduler(Shell& shell, Countdown& countdown) : shell_(shell), countdown_(countdown) {}

void Scheduler::OnTick(std::uint64_t tick) {
  if (tick % kTicksPerCheck == 0) Check();
}

void Scheduler::Check() {
  if (job_running_) return;
  DateTime now;
  now.SetCurrentTime(shell_.clock());
  const std::int32_t today = now.GetPackedDate();
  const int minutes = now.packed_time;
  CheckAutoClear(today, minutes);
  shell_.RefreshSchedule();
  if (progConfigData.AutoDownloadEnabled()) CheckAutoDownload(today, minutes);
}

void Scheduler::CheckAutoClear(std::int32_t today, int minutes_now) {
  Station* station = shell_.CurrentStation();
  if (station == nullptr || station->Corvale()) return;
  if (!AutoClearDue(station->record(), today, minutes_now)) return;
  // One attempt a day, whatever its outcome; the station's own date records only a
  // clear that was done.
  if (clear_tried_date_ == today && clear_tried_folder_ == station->Folder()) return;
  clear_tried_date_ = today;
  clear_tried_folder_ = station->Folder();

  JobMark mark(job_running_);
  const std::string name = station->Name();
  const std::string text = FormatText(LoadString(kClearCountdown), TimeText(station->record().auto_clear_time), name);
  if (!countdown_.Run(text, LoadString(kAutoClearTitle), kCountdownSeconds)) {
    (void)shell_.Log(FormatText(LoadString(kClearCanceled), name), name);
    return;
  }
  const int rc = shell_.ops().clear ? shell_.ops().clear(*station, Attendance::kUnattended) : kJobFailed;
  if (rc == kJobOk) {
    station->record().last_clear_date = static_cast<std::uint32_t>(today);
    (void)shell_.Log(FormatText(LoadString(kClearSucceeded), name), name);
  } else if (rc != kJobNotSupported) {
    (void)shell_.Log(FormatText(LoadString(kClearFailed), name), name);
  }
}

void Scheduler::CheckAutoDownload(std::int32_t today, int minutes_now) {
  const int last = last_download_date_ == today ? progConfigData.LastAutoDownloadHour() : -1;
  const int hour = DueAutoDownloadHour(progConfigData, minutes_now, last);
  if (hour < 0) return;
  // Marked before the work, so that a failing list or station is not retried all hour.
  progConfigData.SetLastAutoDownloadHour(static_cast<std::int16_t>(hour));
  last_download_date_ = today;
  RunAutoDownload(hour);
}

void Scheduler::RunAutoDownload(int hour) {
  JobMark mark(job_running_);
  std::string error;
  // A list that is missing is as much a fault here as one that is damaged: hours are
  // switched on, so the person expects downloads.
  std::error_code ec;
  const bool listed = fs::exists(fs::path(shell_.program_folder()) / kDownloadListName, ec);
  const auto list = listed ? ReadDownloadList(shell_.program_folder(), false, &error) : std::nullopt;
  if (!list) {
    (void)shell_.Log(LoadString(kListUnreadable), LoadString(kAutoDownloadTitle));
    return;
  }
  // The current station first, then the others in the list's order.
  struct Entry {
    std::string folder;
    bool is_current;
  };
  Station* current = shell_.CurrentStation();
  const std::string current_key = current ? Canonical(current->Folder()) : std::string();
  std::vector<Entry> order;
  bool current_listed = false;
  for (const auto& listed : *list) {
    const std::string f = ResolveStationFolder(listed, shell_.program_folder());
    if (current && Canonical(f) == current_key) {
      current_listed = true;
    } else {
      order.push_back({f, false});
    }
  }
  if (current_listed) order.insert(order.begin(), {current->Folder(), true});

  const std::string slot = TimeText(hour * 60 + progConfigData.AutoDownloadMinute());
  for (const auto& entry : order) {
    if (stop_ && stop_()) return;
    std::optional<Station> loaded;
    Station* station = current;
    if (!entry.is_current) {
      loaded.emplace();
      if (loaded->Load(entry.folder) != 0) {
        (void)shell_.Log(FormatText(LoadString(kCouldNotOpenStation), entry.folder), LoadString(kAutoDownloadTitle));
        continue;
      }
      station = &*loaded;
    }
    const std::string name = station->Name();
    if (!countdown_.Run(FormatText(LoadString(kDownloadCountdown), slot, name), LoadString(kAutoDownloadTitle),
                        kCountdownSeconds)) {
      (void)shell_.Log(FormatText(LoadString(kDownloadCanceled), name), name);
      continue;
    }
    const int rc = shell_.ops().download ? shell_.ops().download(*station, Attendance::kUnattended) : kJobFailed;
    if (rc == kJobDbUnusable) (void)shell_.Log(LoadString(string_id::kCouldNotOpenDatabase), name);
    (void)shell_.Log(FormatText(LoadString(rc == kJobOk ? kDownloadedOk : kDownloadFailed), name), name);
  }
}

}  // namespace sq
