// The automatic download and automatic clear schedules, checked every 20th tick of the
// run loop's one-second timer.
//
// Automatic download: the program configuration holds 24 hour flags and a minute
// offset. Hour h is due while the local time lies 0..9 minutes after h:offset, when its
// flag is set and no automatic download ran for that hour yet today. Each station of
// "download.lst" is then downloaded in turn (the current station first), each after a
// 10-second countdown that the person at the terminal can use to cancel it.
//
// Automatic clear (older console families with it switched on): once a day, 0..9
// minutes after the station's clear time, the console's archive is cleared after the
// same kind of countdown.
//
// All results go to "download.log". Jobs run unattended.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "app/station_record.h"
#include "foundation/prog_config_data.h"

namespace sq {

class Clock;
class Shell;

// A countdown before an unattended job.
class Countdown {
 public:
  virtual ~Countdown() = default;
  // Shows `text` for `seconds` seconds. False when the person cancelled the job.
  [[nodiscard]] virtual bool Run(std::string_view text, std::string_view title, int seconds) = 0;
};

// No one to ask: every job goes ahead at once.
class NoCountdown final : public Countdown {
 public:
  bool Run(std::string_view, std::string_view, int) override { return true; }
};

// Counts down on a terminal; a line typed on `input_fd` (Enter) cancels. Skipped (the job
// goes ahead at once) when `input_fd` is not a terminal. `stop` (may be empty) cancels
// too, so that a stop signal does not wait for the countdown to finish.
class TerminalCountdown final : public Countdown {
 public:
  TerminalCountdown(Clock& clock, int input_fd, std::FILE* out, std::function<bool()> stop);
  bool Run(std::string_view text, std::string_view title, int seconds) override;

 private:
  Clock& clock_;
  int input_fd_;
  std::FILE* out_;
  std::function<bool()> stop_;
};

// The first hour due at `minutes_now` (minutes since midnight), or -1. `last_hour` is
// the hour of the last automatic download today (-1 for none).
[[nodiscard]] int DueAutoDownloadHour(const ProgConfigData& cfg, int minutes_now, int last_hour);

// True when the station's automatic clear is due: switched on, a clear time set, not
// yet cleared on `today` (packed date), and `minutes_now` 0..9 minutes after the time.
[[nodiscard]] bool AutoClearDue(const StationRecord& rec, std::int32_t today, int minutes_now);

class Scheduler {
 public:
  static constexpr std::uint64_t kTicksPerCheck = 20;
  static constexpr int kCountdownSeconds = 10;

  // `shell` and `countdown` must outlive the scheduler.
  Scheduler(Shell& shell, Countdown& countdown);

  // A tick handler for the run loop: checks the schedules on every 20th tick.
  void OnTick(std::uint64_t tick);
  // Checks both schedules now.
  void Check();
  // Set while a job runs; a nested tick then checks nothing.
  [[nodiscard]] bool JobRunning() const { return job_running_; }
  // Stops a list of downloads between two stations (set by the run loop on a stop signal).
  void SetStopCheck(std::function<bool()> stop) { stop_ = std::move(stop); }

 private:
  void CheckAutoClear(std::int32_t today, int minutes_now);
  void CheckAutoDownload(std::int32_t today, int minutes_now);
  void RunAutoDownload(int hour);

  Shell& shell_;
  Countdown& countdown_;
  std::function<bool()> stop_;
  bool job_running_ = false;
  std::int32_t last_download_date_ = 0;  // packed date of this process's last automatic download
  std::int32_t clear_tried_date_ = 0;    // packed date of the last automatic clear attempt
  std::string clear_tried_folder_;
};

}  // namespace sq
