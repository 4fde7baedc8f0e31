// The doctor: looks over an installation for what keeps it from downloading and says
// how to fix each thing it finds. It checks the program folder and "progdata.dat", the
// port map, and for each station its configuration, its database, its serial device
// (present, readable and writable, not taken by another program), the console link and
// the console's clock against the computer's. It only reads: nothing is repaired.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "foundation/clock.h"
#include "link/link_clock.h"

namespace sq {

// What opening a serial device would meet.
struct DeviceState {
  enum Kind { kUsable, kMissing, kNoPermission, kInUse, kOtherError };
  Kind kind = kUsable;
  std::string group;          // the device's group ("dialout"), for the permission hint
  bool group_may_use = true;  // the device's mode lets its group read and write
  std::string detail;         // the system's words for kOtherError
};

// The machine as the doctor sees it; tests replace it.
class DoctorSystem {
 public:
  virtual ~DoctorSystem() = default;
  // Opens `path` for reading and writing as the console link would, and closes it.
  virtual DeviceState ProbeDevice(const std::string& path);
  // The name of the user running the program.
  virtual std::string UserName();
};

struct DoctorFinding {
  std::string problem;
  std::string fix;
};

struct DoctorOptions {
  std::string program_folder;
  std::string station_folder;       // empty: every station of the program folder
  Clock* clock = nullptr;           // the computer's clock; null: the real one
  LinkClock* link_clock = nullptr;  // waits of the console link; null: the real clock
  DoctorSystem* system = nullptr;   // null: the real machine
  std::string by_id_dir;            // empty: /dev/serial/by-id
  // Receives each line of the report as it is made (without a line end).
  std::function<void(const std::string&)> print;
};

// Runs every check; the problems found, each with its fix (none: all is well).
std::vector<DoctorFinding> RunDoctorChecks(const DoctorOptions& options);

// Whole minutes from the console's clock to the computer's (positive: the console is
// behind). Both are local times.
long long ClockDifferenceMinutes(int console_year, int console_month, int console_day, int console_hour,
                                 int console_minute, const WallClockTime& computer);

}  // namespace sq
