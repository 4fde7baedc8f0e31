#include "ui/upload_wiring.h"

#include <filesystem>
#include <memory>
#include <optional>

#include "app/binary_file.h"
#include "app/dirs.h"
#include "app/port_map.h"
#include "app/startup.h"
#include "app/station.h"
#include "foundation/clock.h"
#include "link/serial_port_manager.h"
#include "publish/internet_config.h"
#include "publish/page_source.h"
#include "publish/upload_scheduler.h"
#include "publish/weather_images.h"
#include "publish/wxnet_steps.h"
#include "realtime/bulletin_snapshot.h"
#include "ui/commands.h"

namespace sq::ui {

namespace {

// The current conditions of one run, read once: the snapshot while `run` keeps the
// station (in `run` itself too), else one reading of the console.
struct RunCurrent {
  std::optional<BulletinData> data;
  bool extremes = false;  // the data tracked today's highs and lows
};

bool ReadRunCurrent(const Station& station, Clock& clock, RunCurrent* out, std::string* error) {
  if (SnapshotKeeperRunning(station.Folder())) {
    auto snapshot = ReadBulletinSnapshot(station.Folder(), clock, error);
    if (!snapshot) return false;
    out->data = std::move(snapshot->data);
    out->extremes = true;
    return true;
  }
  PortMap ports;
  std::string why;
  (void)ports.Load(ProgramFolder(), &why);
  BulletinData data;
  if (ReadBulletinFromConsole(station, &ports, clock, &data, error) != 0) return false;
  out->data = std::move(data);
  out->extremes = false;
  return true;
}

}  // namespace

UploadServices MakeUploadServices(Station& station, const InternetConfiguration& config, SerialPortManager& manager,
                                  Clock& clock, std::function<void()> before_console) {
  UploadServices s;
  auto current = std::make_shared<RunCurrent>();
  s.download = [&station, &manager, before_console] {
    if (before_console) before_console();
    int records = 0;
    const int r = DownloadStationNow(station, manager, &records);
    return r == kJobOk ? records : -1;
  };
  s.station_data = [&station, &clock, current, before_console](PageData* out, std::string* error) {
    if (before_console && !SnapshotKeeperRunning(station.Folder())) before_console();
    if (!ReadRunCurrent(station, clock, current.get(), error)) return false;
    *out = PageDataFromBulletin(*current->data, station, current->extremes);
    return true;
  };
  s.images = [&station, current](int, const UploadParameters& profile, bool historical, const std::string& folder,
                                 std::vector<std::string>* written, std::vector<std::string>* errors) {
    ImageRun run;
    run.station = &station;
    run.station_folder = station.Folder();
    run.current = current->data ? &*current->data : nullptr;
    run.extremes = current->extremes;
    ImageResult result;
    (void)WriteProfileImages(run, profile, folder, !historical, historical, &result);
    *written = std::move(result.written);
    *errors = std::move(result.errors);
  };
  // The weather networks: the steps their own commands run.
  s.network = [&station, &clock, current, config](std::uint32_t bit, const UploadServices::LogSink& log) {
    if (bit == upload_task::kWeatherUnderground) {
      CurlHttpSession session(AccessFrom(config), kWuAgent);
      WuRunOptions options;
      options.log = log;
      DateTime now;
      now.SetCurrentTime(clock);
      return RunWuUpload(station, session, now, options).result == kWuOk;
    }
    AprsSessionOptions options;
    options.title = station.Name();
    options.log = log;
    if (!current->data) {
      log("APRS: no current data to report.", station.Name());
      return false;
    }
    return RunAprsUpload(station, *current->data, options, clock) == kAprsOk;
  };
  return s;
}

}  // namespace sq::ui

namespace sq::ui {

struct ScheduledUploads::State {
  State(Clock& c, SerialPortManager& m, std::function<Station*()> s, std::function<void()> b)
      : clock(c), manager(m), station(std::move(s)), before_console(std::move(b)) {}
  Clock& clock;
  SerialPortManager& manager;
  std::function<Station*()> station;
  std::function<void()> before_console;
  std::unique_ptr<UploadScheduler> scheduler;
  InternetConfiguration config{};
  std::string folder;
  std::filesystem::file_time_type seen{};
  bool loaded = false;

  // Reads the configuration of the open station when it is new or its file changed.
  InternetConfiguration* Config(Station* s) {
    if (s == nullptr) {
      loaded = false;
      return nullptr;
    }
    std::error_code ec;
    const auto stamp = std::filesystem::last_write_time(JoinPath(s->Folder(), kInetConfigName), ec);
    if (!loaded || folder != s->Folder() || (!ec && stamp != seen)) {
      InternetConfiguration fresh;
      (void)fresh.Load(s->Folder());
      if (loaded && folder == s->Folder()) {
        for (int n = 1; n <= kProfileCount; ++n) {
          fresh.Profile(n).fired = config.Profile(n).fired;
          fresh.Profile(n).last_fired = config.Profile(n).last_fired;
        }
      }
      config = fresh;
      folder = s->Folder();
      seen = ec ? std::filesystem::file_time_type{} : stamp;
      loaded = true;
    }
    return &config;
  }
};

ScheduledUploads::ScheduledUploads(Clock& clock, SerialPortManager& manager, std::function<Station*()> station,
                                   std::function<void()> before_console)
    : state_(std::make_unique<State>(clock, manager, std::move(station), std::move(before_console))) {
  State* st = state_.get();
  st->scheduler = std::make_unique<UploadScheduler>(clock, [st](std::uint32_t tasks) -> std::unique_ptr<UploadRun> {
    Station* s = st->station();
    if (s == nullptr) return nullptr;
    return std::make_unique<UploadRun>(st->config, *s, st->clock, tasks,
                                       MakeUploadServices(*s, st->config, st->manager, st->clock, st->before_console));
  });
}

ScheduledUploads::~ScheduledUploads() = default;

void ScheduledUploads::OnTick(std::uint64_t tick) {
  // The configuration is only looked at when the schedule is checked, never under a run.
  InternetConfiguration* config = nullptr;
  if (!state_->scheduler->Active() && tick % UploadScheduler::kTicksPerCheck == 0) {
    config = state_->Config(state_->station());
  }
  state_->scheduler->OnTick(tick, config);
}

bool ScheduledUploads::Active() const { return state_->scheduler->Active(); }

void ScheduledUploads::Stop() { state_->scheduler->CancelRun(); }

}  // namespace sq::ui
