#include "publish/upload_schedule.h"

#include "publish/internet_config.h"

namespace sq {

namespace {
constexpr int kMinutesPerDay = 1440;
}  // namespace

std::uint32_t DueUploadProfiles(InternetConfiguration& config, int minute_now) {
  std::uint32_t due = 0;
  for (int i = 0; i < kProfileCount; ++i) {
    UploadParameters& p = config.profiles[i];
    if (p.enabled == 0) continue;
    const int interval = p.interval;
    // No interval (0) or a value no settings dialog writes: never due.
    if (interval <= 0 || interval > kMinutesPerDay) continue;
    int d = minute_now - p.sync_time;
    d %= kMinutesPerDay;
    if (d < 0) d += kMinutesPerDay;
    bool fire = false;
    if (interval != 1) {
      if (d % interval != 0) {
        p.fired = 0;
      } else if (p.fired == 0) {
        p.fired = 1;
        fire = true;
      }
    } else if (p.last_fired != minute_now) {
      fire = true;
    }
    if (!fire) continue;
    p.last_fired = static_cast<std::int16_t>(minute_now);
    due |= 1u << i;
    if (p.download_first != 0) due |= upload_task::kDownload;
  }
  return due;
}

}  // namespace sq
