// What an upload run needs from this program, wired to the console and the database:
// the archive download, current data read from the console, and the seams for the
// weather images and the weather-network uploads.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "publish/upload_run.h"

namespace sq {
class Clock;
class SerialPortManager;
class Station;
}  // namespace sq

namespace sq::ui {

// The services of a run for `station` with its internet configuration `config` (a copy
// is kept). `before_console` (may be empty) runs before each use of the console, to
// free its port (the real-time polling of `run`). `station`, `manager` and `clock` must
// outlive the run.
[[nodiscard]] UploadServices MakeUploadServices(Station& station, const InternetConfiguration& config,
                                                SerialPortManager& manager, Clock& clock,
                                                std::function<void()> before_console);

}  // namespace sq::ui

namespace sq::ui {

// The upload schedule of `stratoquill run` for its open station: the station's internet
// configuration is read again when its file changes (keeping the profiles' fired flags
// and last firings), and the due profiles' runs take one step per tick.
class ScheduledUploads {
 public:
  // `station` gives the open station (null: none); `before_console` frees its port.
  ScheduledUploads(Clock& clock, SerialPortManager& manager, std::function<Station*()> station,
                   std::function<void()> before_console);
  ~ScheduledUploads();
  ScheduledUploads(const ScheduledUploads&) = delete;
  ScheduledUploads& operator=(const ScheduledUploads&) = delete;

  void OnTick(std::uint64_t tick);
  [[nodiscard]] bool Active() const;
  // A stop signal: the active run ends, logged as cancelled by the user.
  void Stop();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace sq::ui
