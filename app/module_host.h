// What the functions exported to expansion modules reach: the current station, its
// database, the handles the modules hold, and the console and real-time services the
// program wires in. One program-wide instance (ModuleHost::Get()).
//
// Handles are positive numbers, one sequence for all kinds, so a handle of one kind
// never names an object of another: a database handle (the current station's
// database), a record object (WeatherDataObject) or a daily summary object.
//
// Database writes by modules hold the station's writer lock, reload the month headers
// first (another program, or the program's own download, may have appended since) and
// sync the month file before they return.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <variant>

#include "app/messages.h"
#include "database/daily_summary_object.h"
#include "database/weather_data_object.h"
#include "database/weather_database.h"
#include "stratoquill/module.h"

namespace sq {

class Clock;
class Station;

struct ModuleHostHooks {
  // The current station, or nullptr.
  std::function<Station*()> station;
  // The console's current values (the 99-byte real-time packet): 1 or 0.
  std::function<int(std::array<std::uint8_t, SQ_SENSOR_IMAGE_SIZE>& packet)> read_sensor_image;
  // The console's alarm block: 1 or 0.
  std::function<int(std::array<std::uint8_t, SQ_ALARM_BLOCK_SIZE>& block)> read_alarms;
  // Closes the station's console connection.
  std::function<void()> close_connection;
  // Alarm settings of the current conditions.
  std::function<void(int value)> set_station_alarms;
  // Pauses (true) and resumes (false) a running real-time session around module work.
  std::function<void(bool pause)> pause_realtime;
  // The station's internet settings record, or nullptr; writes one: 1 or 0.
  std::function<const void*()> get_inet_config;
  std::function<int(const void* record)> set_inet_config;
};

class ModuleHost {
 public:
  static constexpr int kMaxHandlesPerKind = 4096;

  static ModuleHost& Get();

  ModuleHostHooks& hooks() { return hooks_; }
  void SetHooks(ModuleHostHooks hooks) { hooks_ = std::move(hooks); }

  [[nodiscard]] Station* CurrentStation() const { return hooks_.station ? hooks_.station() : nullptr; }

  // Unattended while the callbacks of timed events run (RunModuleEvents): what a module
  // shows then goes to the download log.
  [[nodiscard]] Attendance attendance() const { return attendance_; }

  // The current station's database, opened (or reopened for another station) when
  // needed; nullptr without a station or when it cannot be opened.
  [[nodiscard]] WeatherDatabase* Database();
  // Reopens it from the files: 0 or -1.
  int ReopenDatabase();
  // Reopens it when it is open (before module code runs, so that the modules see what
  // a download appended meanwhile): 0 or -1.
  int RefreshDatabase();
  // Closes it and forgets every handle (the modules are gone).
  void Reset();

  // Runs `write` on the database under the station's writer lock, after reloading the
  // month headers, and syncs afterwards. The result of `write`, or `failed` when the
  // lock cannot be taken or the database not opened.
  int Write(const std::function<int(WeatherDatabase&)>& write, int failed);

  int NewDatabaseHandle();
  int NewRecordHandle();
  int NewSummaryHandle();
  // 0, or SQ_BAD_HANDLE when `handle` is not of that kind.
  int DestroyDatabaseHandle(int handle);
  int DestroyRecordHandle(int handle);
  int DestroySummaryHandle(int handle);
  [[nodiscard]] bool IsDatabaseHandle(int handle) const;
  [[nodiscard]] WeatherDataObject* Record(int handle);
  [[nodiscard]] DailySummaryObject* Summary(int handle);
  [[nodiscard]] std::size_t HandleCount() const { return handles_.size(); }

  // The last value a module gave SetStationAlarms (for the current conditions, which
  // also get it through the hook when one is set).
  int station_alarms = 0;
  // Texts handed out by GetStratoquillStrs, one per question.
  std::array<std::string, 4> strs;
  // The station's internet settings as last handed out.
  std::array<std::uint8_t, SQ_INET_CONFIG_SIZE> inet_copy{};

 private:
  struct DatabaseTag {};
  using Object = std::variant<DatabaseTag, std::unique_ptr<WeatherDataObject>, std::unique_ptr<DailySummaryObject>>;
  int Add(Object object);
  [[nodiscard]] int CountOf(std::size_t kind) const;

  friend int RunModuleEvents(Clock& clock, bool job_running);

  ModuleHostHooks hooks_;
  Attendance attendance_ = Attendance::kAttended;
  std::unique_ptr<WeatherDatabase> db_;
  std::string db_folder_;
  std::map<int, Object> handles_;
  int next_handle_ = 1;
};

}  // namespace sq

namespace sq {

// The run loop's module-event check (every 20 seconds): when events exist and neither a
// job nor a module command runs, the due events' callbacks are called unattended
// with the local time's minute after midnight as context, the database refreshed
// before them and a running real-time session paused around them. Returns the number
// of callbacks called.
int RunModuleEvents(Clock& clock, bool job_running);
inline constexpr int kModuleEventTicks = 20;

}  // namespace sq
