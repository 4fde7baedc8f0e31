#include "ui/doctor.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>
#include <system_error>

#include "app/port_map.h"
#include "app/program_config.h"
#include "app/station.h"
#include "database/database_check.h"
#include "link/comm_error.h"
#include "link/comm_protocol.h"
#include "link/serial_port_manager.h"
#include "link/serial_session.h"

namespace sq {
namespace fs = std::filesystem;

DeviceState DoctorSystem::ProbeDevice(const std::string& path) {
  DeviceState state;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    state.kind = DeviceState::kMissing;
    return state;
  }
  if (const group* g = ::getgrgid(st.st_gid)) state.group = g->gr_name;
  state.group_may_use = (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP) && st.st_gid != 0;
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int err = errno;
    if (err == EACCES || err == EPERM) {
      state.kind = DeviceState::kNoPermission;
    } else if (err == EBUSY) {
      state.kind = DeviceState::kInUse;
    } else if (err == ENOENT || err == ENXIO || err == ENODEV) {
      state.kind = DeviceState::kMissing;
    } else {
      state.kind = DeviceState::kOtherError;
      state.detail = std::strerror(err);
    }
    return state;
  }
  // The console link holds the same lock while it has the port open.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    state.kind = DeviceState::kInUse;
  } else {
    ::flock(fd, LOCK_UN);
  }
  ::close(fd);
  return state;
}

std::string DoctorSystem::UserName() {
  if (const passwd* p = ::getpwuid(::geteuid())) return p->pw_name;
  const char* user = std::getenv("USER");
  return user != nullptr ? user : "$USER";
}

long long ClockDifferenceMinutes(int console_year, int console_month, int console_day, int console_hour,
                                 int console_minute, const WallClockTime& computer) {
  std::tm console{};
  console.tm_year = console_year - 1900;
  console.tm_mon = console_month - 1;
  console.tm_mday = console_day;
  console.tm_hour = console_hour;
  console.tm_min = console_minute;
  std::tm now = computer.tm;
  now.tm_sec = 0;  // the console tells minutes only
  // Both are local times; read as UTC, their difference is the one wanted.
  return (static_cast<long long>(::timegm(&now)) - static_cast<long long>(::timegm(&console))) / 60;
}

namespace {

// Quotes a path for a command line the user may copy.
std::string Shell(const std::string& path) {
  if (path.find_first_of(" \t'\"$\\&;|<>()*?!#`") == std::string::npos) return path;
  std::string out = "'";
  for (char c : path) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// "10 minutes", "3 hours 5 minutes", "918 days".
std::string Span(long long minutes) {
  auto count = [](long long n, const char* unit) { return std::to_string(n) + " " + unit + (n == 1 ? "" : "s"); };
  if (minutes < 120) return count(minutes, "minute");
  if (minutes < 48 * 60) {
    return count(minutes / 60, "hour") + (minutes % 60 != 0 ? " " + count(minutes % 60, "minute") : "");
  }
  return count(minutes / (24 * 60), "day");
}

class Doctor {
 public:
  explicit Doctor(const DoctorOptions& o) : o_(o) {
    if (o_.system == nullptr) o_.system = &real_system_;
    if (o_.clock == nullptr) o_.clock = &Clock::Default();
    if (o_.by_id_dir.empty()) o_.by_id_dir = PortMap::kSerialById;
  }

  std::vector<DoctorFinding> Run() {
    const std::string home = o_.program_folder;
    const std::string sq_home = "stratoquill --home " + Shell(home);
    std::error_code ec;
    if (!fs::is_directory(home, ec)) {
      Problem("the program folder " + home + " does not exist", sq_home + " init");
      return findings_;
    }
    Line("Program folder " + home + ": " + (::access(home.c_str(), W_OK) == 0 ? "ok" : "read-only"));
    if (::access(home.c_str(), R_OK | W_OK | X_OK) != 0) {
      Problem("user " + o_.system->UserName() + " cannot write in " + home,
              "run the program as the folder's owner (the service: sudo -u stratoquill " + sq_home + " ...)");
    }
    CheckProgramConfig(home, sq_home);
    CheckPortMap(home);

    std::vector<std::string> stations;
    if (!o_.station_folder.empty()) {
      stations.push_back(o_.station_folder);
    } else {
      for (fs::directory_iterator it(home, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ec2;
        if (it->is_directory(ec2) && fs::exists(it->path() / kStationConfigName, ec2)) {
          stations.push_back(it->path().string());
        }
      }
      std::sort(stations.begin(), stations.end());
      if (stations.empty()) {
        Problem("there is no station in " + home,
                sq_home + " station new NAME, then " + sq_home + " station set FOLDER connection=...");
      }
    }
    for (const std::string& folder : stations) CheckStation(folder);

    if (findings_.empty()) {
      Line("All is well.");
    } else {
      Line(std::to_string(findings_.size()) + (findings_.size() == 1 ? " problem" : " problems") + " found.");
    }
    return findings_;
  }

 private:
  void Line(const std::string& text) {
    if (o_.print) o_.print(std::string(indent_, ' ') + text);
  }
  void Problem(const std::string& problem, const std::string& fix) {
    findings_.push_back({problem, fix});
    Line("PROBLEM: " + problem);
    Line("    fix: " + fix);
  }

  void CheckProgramConfig(const std::string& home, const std::string& sq_home) {
    std::error_code ec;
    const fs::path path = fs::path(home) / kProgConfigName;
    if (!fs::exists(path, ec)) {
      Problem(std::string(kProgConfigName) + " is missing from " + home + " (the program will not start)",
              sq_home + " init");
      return;
    }
    ProgConfigData cfg;
    if (!ReadProgramConfig(home, cfg)) {
      Problem(path.string() + " is damaged or of another version",
              sq_home + " init --force writes a default one (the stations' own settings are kept)");
      return;
    }
    Line(std::string(kProgConfigName) + ": ok");
  }

  void CheckPortMap(const std::string& home) {
    std::string error;
    if (ports_.Load(home, &error) != 0) {
      Problem(error, "correct or remove " + (fs::path(home) / PortMap::kFileName).string() +
                         ": line n holds the device of COMn, e.g. /dev/serial/by-id/...");
    }
  }

  void CheckStation(const std::string& folder) {
    std::error_code ec;
    if (!fs::exists(Station::ConfigPath(folder), ec)) {
      Problem(fs::is_directory(folder, ec) ? folder + " holds no station (no " + kStationConfigName + ")"
                                           : "there is no folder " + folder,
              "name a station's folder; stratoquill station list shows them");
      return;
    }
    Station station;
    if (station.Load(folder) != 0) {
      Problem("the station in " + folder + " cannot be read (" + kStationConfigName + " is damaged)",
              "restore " + Station::ConfigPath(folder) +
                  " from a backup, or set the station up again with "
                  "stratoquill station new");
      return;
    }
    Line("Station " + station.Name() + " (" + folder + ")");
    indent_ = 2;
    CheckDatabase(folder);
    CheckConsole(station, folder);
    indent_ = 0;
  }

  void CheckDatabase(const std::string& folder) {
    CheckReport report;
    if (!CheckDatabaseFolder(DefaultFileSystem(), folder, &report)) {
      Problem("the station folder " + folder + " cannot be listed", "check its owner and permissions");
      return;
    }
    std::string last_file;
    for (const CheckFinding& f : report.findings) {
      // One finding per month file is enough to tell the user what to do with it.
      if (f.file_name == last_file) continue;
      last_file = f.file_name;
      const std::string where = f.record >= 0 ? " (record " + std::to_string(f.record) + ")" : "";
      Problem("month file " + f.file_name + " is damaged: " + f.message + where,
              "move " + Shell((fs::path(folder) / f.file_name).string()) +
                  " out of the station folder and put back a backup copy; the next download fetches the "
                  "records the console still holds (stratoquill db check " +
                  Shell(folder) + " lists every fault)");
    }
    if (report.files_checked == 0) {
      Line("database: empty (nothing downloaded yet)");
    } else if (report.findings.empty()) {
      Line("database: " + std::to_string(report.files_checked) + " month files, " +
           std::to_string(report.records_checked) + " records: ok");
    }
  }

  void CheckConsole(const Station& station, const std::string& folder) {
    const auto connection = station.GetConnection(&ports_);
    const std::string set = "stratoquill station set " + Shell(folder);
    if (!connection || connection->kind == ConnectionKind::kNone) {
      Problem("the station has no console connection", set + " connection=serial port=1 device=/dev/serial/by-id/...");
      return;
    }
    if (connection->kind == ConnectionKind::kSerial && !CheckDevice(*connection, folder)) return;

    CommSettings settings = CommSettingsFrom(*connection);
    settings.clock = o_.link_clock;
    SerialPortManager manager;
    SerialSession* session = manager.CreateSession(settings);
    if (session == nullptr) {
      Problem("the station's console family " + std::to_string(connection->console_family) + " is not known",
              set + " model=N (see stratoquill station --help)");
      return;
    }
    session->set_station_model(station.record().model);
    const std::string where =
        connection->kind == ConnectionKind::kTcp   ? connection->host + ":" + std::to_string(connection->tcp_port)
        : connection->kind == ConnectionKind::kUsb ? "the USB bridge " + std::to_string(connection->usb_id)
                                                   : "COM" + std::to_string(connection->com_port);
    const int model = session->GetModelNo();
    if (model < 0) {
      std::string fix;
      if (connection->kind == ConnectionKind::kTcp) {
        fix = "check the logger's power and network, and its address (" + set +
              " host=... tcp-port=...); stratoquill discover lists the loggers it finds";
      } else {
        fix = "check the cable and the console's power; stratoquill console " + Shell(folder) +
              " find --save searches every port";
      }
      Problem("the console does not answer on " + where + ": " + DescribeCommError(*session), fix);
      return;
    }
    Line("console: model " + std::to_string(model) + " answers on " + where);
    if (settings.console_family != kFamilyCorvale) return;  // older consoles keep no clock we read

    ConsoleTime t;
    if (session->GetTime(t) != 0) {
      Problem("the console's clock cannot be read: " + DescribeCommError(*session),
              "stratoquill console " + Shell(folder) + " info shows what the console answers");
      return;
    }
    const WallClockTime now = o_.clock->LocalNow();
    const long long behind = ClockDifferenceMinutes(t.year, t.month, t.day, t.hour, t.minute, now);
    char times[160];
    std::snprintf(times, sizeof times, "console %04d-%02d-%02d %02d:%02d, computer %04d-%02d-%02d %02d:%02d", t.year,
                  t.month, t.day, t.hour, t.minute, now.tm.tm_year + 1900, now.tm.tm_mon + 1, now.tm.tm_mday,
                  now.tm.tm_hour, now.tm.tm_min);
    // The console tells whole minutes: one minute apart may be a few seconds.
    if (behind > 1 || behind < -1) {
      Problem("the console's clock is " + Span(behind < 0 ? -behind : behind) + " " +
                  (behind > 0 ? "behind" : "ahead of") + " the computer's (" + times +
                  "); records would be stamped with the wrong time",
              "when the computer's clock is right: stratoquill console " + Shell(folder) +
                  " settime --zone INDEX (the console's time zone; settime --help lists them)");
    } else {
      Line(std::string("console clock: ") + times + ": ok");
    }
  }

  // The serial device of the station's port: false when the console cannot be asked.
  bool CheckDevice(const ConnectionDescription& c, const std::string& folder) {
    const std::string com = "COM" + std::to_string(c.com_port);
    const std::string find = "stratoquill console " + Shell(folder) + " find --save";
    if (c.device.empty()) {
      Problem(com + " has no device (none in ports.lst, and no serial device found)",
              "stratoquill station set " + Shell(folder) + " device=/dev/serial/by-id/... , or " + find);
      return false;
    }
    const DeviceState state = o_.system->ProbeDevice(c.device);
    switch (state.kind) {
      case DeviceState::kMissing:
        Problem(com + " is " + c.device +
                    ", which does not exist (console unplugged, or its device got "
                    "another name)",
                "plug the console in; " + find + " finds it and records its stable name");
        return false;
      case DeviceState::kNoPermission: {
        const std::string group = state.group.empty() ? "?" : state.group;
        const std::string user = o_.system->UserName();
        std::string fix;
        if (state.group_may_use) {
          fix = "sudo adduser " + user + " " + group + ", then log out and in again";
          if (group == "dialout" && user != "stratoquill")
            fix += " (the service's user stratoquill is in dialout already)";
        } else {
          fix = "the device's group " + group +
                " may not use it either: serial devices belong to the group dialout "
                "with mode 660 (for a try: sudo chgrp dialout " +
                Shell(c.device) + " && sudo chmod 660 " + Shell(c.device) + "; for good: a udev rule)";
        }
        Problem("user " + user + " may not read and write " + c.device + " (" + com + ", group " + group + ")", fix);
        return false;
      }
      case DeviceState::kInUse:
        // Not a fault: most often the service itself holds the port.
        Line("port: " + com + " is " + c.device +
             ", in use by another program (the service "
             "stratoquill run?): the console was not asked");
        return false;
      case DeviceState::kOtherError:
        Problem(c.device + " (" + com + ") cannot be opened: " + state.detail,
                "check the device, or " + find + " to search every port");
        return false;
      case DeviceState::kUsable:
        break;
    }
    Line("port: " + com + " is " + c.device + ": ok");
    if (c.device.rfind(o_.by_id_dir, 0) != 0) {
      if (const auto stable = PortMap::StableDevicePath(c.device, o_.by_id_dir); stable && *stable != c.device) {
        // Advice only: the port works today.
        Line("note: " + c.device + " may get another number after a reboot; " + find +
             " records its "
             "stable name " +
             *stable);
      }
    }
    return true;
  }

  DoctorOptions o_;
  DoctorSystem real_system_;
  PortMap ports_;
  int indent_ = 0;
  std::vector<DoctorFinding> findings_;
};

}  // namespace

std::vector<DoctorFinding> RunDoctorChecks(const DoctorOptions& options) { return Doctor(options).Run(); }

}  // namespace sq
