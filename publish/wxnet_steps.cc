#include "publish/wxnet_steps.h"

#include "app/download_log.h"
#include "app/station.h"
#include "database/weather_database.h"
#include "foundation/clock.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace sq {
namespace {}  // namespace

bool SaveWuLastSent(const std::string& folder, const DateTime& local, const std::string& title,
                    const std::function<void(std::string_view, std::string_view)>& log) {
  Station fresh;
  if (fresh.Load(folder) == kStationOk) {
    fresh.record().wu_last_date = local.GetPackedDate();
    fresh.record().wu_last_time = local.packed_time;
    if (fresh.Save() == kStationOk) return true;
  }
  if (log) {
    log(LoadString(string_id::kCouldNotSaveStation), title);
  } else {
    (void)LogMessage(LoadString(string_id::kCouldNotSaveStation), title);
  }
  return false;
}

WuRun RunWuUpload(Station& station, HttpSession& session, const DateTime& now, const WuRunOptions& options) {
  WuRun run;
  WuSettings settings = WuSettingsOf(station);
  if (options.catchup_days >= 0) settings.catchup_days = options.catchup_days;
  WuHooks hooks;
  hooks.log = options.log;
  hooks.progress = options.progress;
  const std::string folder = station.Folder();
  const std::string title = station.Name();
  hooks.sent = [&](const DateTime& local) {
    if (!options.save_last_sent) return true;
    if (!SaveWuLastSent(folder, local, title, options.log)) return false;
    station.record().wu_last_date = local.GetPackedDate();
    station.record().wu_last_time = local.packed_time;
    return true;
  };
  WuUploader uploader(session, settings, title, hooks);
  if (station.Database() == nullptr && station.OpenStationDatabase(true) != 0) {
    WeatherDatabase empty;  // no records: the step only reports
    run.result = uploader.Upload(empty, station.GetSiteDescription(), WeatherSensorsOf(station), now);
    return run;
  }
  run.result = uploader.Upload(*station.Database(), station.GetSiteDescription(), WeatherSensorsOf(station), now);
  run.sent = uploader.records_sent();
  run.total = uploader.records_total();
  return run;
}

std::optional<ArchiveCurrent> ArchiveCurrentOf(Station& station, const DateTime& now) {
  if (station.Database() == nullptr && station.OpenStationDatabase(true) != 0) return std::nullopt;
  return ReadArchiveCurrent(*station.Database(), station, now);
}

int RunAprsUpload(Station& station, const BulletinData& data, const AprsSessionOptions& options, Clock& clock) {
  DateTime now;
  now.SetCurrentTime(clock);
  const auto archive = ArchiveCurrentOf(station, now);
  return UploadAprs(station, data, archive ? &*archive : nullptr, options, clock);
}

}  // namespace sq
