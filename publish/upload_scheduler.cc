#include "publish/upload_scheduler.h"

#include "foundation/clock.h"
#include "publish/internet_config.h"
#include "publish/upload_schedule.h"

namespace sq {

UploadScheduler::UploadScheduler(Clock& clock, MakeRun make_run) : clock_(clock), make_run_(std::move(make_run)) {}

void UploadScheduler::OnTick(std::uint64_t tick, InternetConfiguration* config) {
  if (run_) {
    run_->Step();
    if (run_->Done()) {
      last_outcome_ = run_->outcome();
      run_.reset();
    }
    return;
  }
  if (config != nullptr && tick % kTicksPerCheck == 0) Check(*config);
}

void UploadScheduler::Check(InternetConfiguration& config) {
  if (run_ || (config.ftp_enabled == 0 && config.local_copy == 0)) return;
  const WallClockTime now = clock_.LocalNow();
  const std::uint32_t due = DueUploadProfiles(config, now.tm.tm_hour * 60 + now.tm.tm_min);
  if ((due & upload_task::kProfiles) == 0 || !make_run_) return;
  run_ = make_run_(due);
}

void UploadScheduler::CancelRun() {
  if (!run_) return;
  run_->Cancel();
  run_->Step();
  last_outcome_ = run_->outcome();
  run_.reset();
}

}  // namespace sq
