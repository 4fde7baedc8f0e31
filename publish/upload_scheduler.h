// The upload schedule inside `stratoquill run`: on every 20th tick of the run loop,
// while FTP upload or local copy is on and no run is active, the profiles due at the
// current minute (publish/upload_schedule.h) start one upload run; while a run is
// active each tick takes one of its steps.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "publish/upload_run.h"

namespace sq {

class Clock;
struct InternetConfiguration;

class UploadScheduler {
 public:
  static constexpr std::uint64_t kTicksPerCheck = 20;
  // Makes the run for the task bits of the due profiles (null when none can be made).
  using MakeRun = std::function<std::unique_ptr<UploadRun>(std::uint32_t tasks)>;

  // `clock` gives the local minute; it must outlive the scheduler.
  UploadScheduler(Clock& clock, MakeRun make_run);

  // One tick of the run loop. `config` is the open station's configuration (null when
  // none is open); its fired flags and last firings are updated.
  void OnTick(std::uint64_t tick, InternetConfiguration* config);
  // Checks the profiles now (what every 20th tick does).
  void Check(InternetConfiguration& config);
  [[nodiscard]] bool Active() const { return run_ != nullptr; }
  // Ends the active run at once, logged as cancelled by the user (a stop signal).
  void CancelRun();
  // The outcome of the last run that ended.
  [[nodiscard]] UploadOutcome last_outcome() const { return last_outcome_; }

 private:
  Clock& clock_;
  MakeRun make_run_;
  std::unique_ptr<UploadRun> run_;
  UploadOutcome last_outcome_ = UploadOutcome::kRunning;
};

}  // namespace sq
