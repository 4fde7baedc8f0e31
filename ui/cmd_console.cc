// console and discover: the table of console sub-commands and their dispatcher; reading
// a station's console (model, firmware, clock, archive period, reception and barometer
// data), searching the ports for a console, testing a serial port; and finding network
// data loggers.
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/dirs.h"
#include "app/port_map.h"
#include "app/station.h"
#include "link/comm_error.h"
#include "link/corvale_session.h"
#include "link/device_finder.h"
#include "link/port_test.h"
#include "link/serial_port_manager.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "ui/cli.h"
#include "ui/commands.h"
#include "ui/console_commands.h"

namespace sq::ui {
namespace {

constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

void ConsoleUsage() {
  std::printf(
      "Usage: stratoquill console FOLDER COMMAND\n"
      "\n"
      "Talks to the console of the station in FOLDER over its configured connection.\n"
      "\n"
      "Commands:\n");
  bool settings = false;
  for (const ConsoleCommand& c : ConsoleCommands()) {
    if (c.setting && !settings) {
      std::printf(
          "\nConsole settings (add --yes to answer the question of a destructive one;\n"
          "'stratoquill console COMMAND --help' tells more):\n");
      settings = true;
    }
    // Each line of the entry indented by two.
    for (std::string_view rest = c.usage; !rest.empty();) {
      const auto end = rest.find('\n');
      const std::string_view line = rest.substr(0, end);
      std::printf("  %.*s\n", static_cast<int>(line.size()), line.data());
      rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
  }
}

void DiscoverUsage() {
  std::printf(
      "Usage: stratoquill discover [--broadcast ADDRESS] [--local ADDRESS]\n"
      "\n"
      "Finds network data loggers on the local network and prints their MAC and IP\n"
      "addresses. ADDRESS defaults to 255.255.255.255; --local sends from one local\n"
      "address only.\n");
}

PortMap LoadPorts(bool* loaded = nullptr) {
  PortMap ports;
  std::string error;
  const bool ok = ports.Load(ProgramFolder(), &error) == 0;
  if (!ok) std::fprintf(stderr, "stratoquill: %s\n", error.empty() ? "cannot read ports.lst" : error.c_str());
  if (loaded) *loaded = ok;
  return ports;
}

std::vector<PortEntry> PortList(const PortMap& ports) {
  std::vector<PortEntry> list;
  for (int com = 1; com <= PortMap::kMaxPort; ++com) {
    const std::string path = ports.DevicePath(com);
    if (!path.empty()) list.emplace_back(com, path);
  }
  return list;
}

int Info(const Station& station, const CommSettings& settings) {
  SerialPortManager manager;
  SerialSession* session = manager.CreateSession(settings);
  if (session == nullptr) {
    return Fail("console", std::string(LoadString(string_id::kNoSession)));
  }
  session->set_station_model(station.record().model);
  const int model = session->GetModelNo();
  if (model < 0) return ConsoleExchangeFailed("reading the model", *session);
  std::string found = ModelFoundText(model, settings.port_number);
  if (settings.connection_type == kConnTcp || settings.connection_type == kConnUsb) {
    found = found.substr(0, found.find(" on COM"));  // no COM port involved
  }
  std::printf("Model:              %d%s%s\n", model, found.empty() ? "" : "  ", found.c_str());
  if (settings.console_family != kFamilyCorvale) {
    std::printf("(further details are read from consoles of the current family only)\n");
    return kExitOk;
  }
  FirmwareDate date;
  if (session->GetFirmwareDate(date) != 0) return ConsoleExchangeFailed("reading the firmware date", *session);
  std::printf("Firmware date:      %s %d %d\n", kMonths[date.month - 1], date.day, date.year);
  std::string version;
  if (session->GetFirmwareVersion(version) == 0) {
    std::printf("Firmware version:   %s\n", version.c_str());
  } else {
    std::printf("Firmware version:   ---\n");
  }
  ConsoleTime t;
  if (session->GetTime(t) != 0) return ConsoleExchangeFailed("reading the console time", *session);
  std::printf("Console time:       %04d-%02d-%02d %02d:%02d\n", t.year, t.month, t.day, t.hour, t.minute);
  const int period = session->GetArchivePeriod();
  if (period < 0) return ConsoleExchangeFailed("reading the archive period", *session);
  std::printf("Archive period:     %d min\n", period);
  std::array<int, 5> stats{};
  if (session->GetReceptionStats(stats) != 0)
    return ConsoleExchangeFailed("reading the reception statistics", *session);
  std::printf("Reception:          %d %d %d %d %d\n", stats[0], stats[1], stats[2], stats[3], stats[4]);
  std::string bar;
  if (session->GetBarData(bar) != 0) return ConsoleExchangeFailed("reading the barometer data", *session);
  std::printf("Barometer data:\n");
  std::string line;
  for (char c : bar) {
    if (c == '\n' || c == '\r') {
      if (!line.empty()) std::printf("  %s\n", line.c_str());
      line.clear();
    } else if (c >= 0x20 && c < 0x7F) {
      line.push_back(c);
    }
  }
  if (!line.empty()) std::printf("  %s\n", line.c_str());
  return kExitOk;
}

int Find(Station& station, const CommSettings& settings, PortMap& ports, bool ports_loaded, bool save) {
  const auto result = FindConsole(settings, PortList(ports));
  std::printf("%s\n", result.message.c_str());
  if (result.port == 0) return kExitFailed;
  if (save) {
    // A numbered USB device can be renumbered at the next boot; its stable name cannot.
    // A port map that could not be read is never replaced.
    const auto stable = ports_loaded ? ports.PreferStablePath(result.port) : std::nullopt;
    if (stable) {
      std::string error;
      if (ports.Save(ProgramFolder(), &error) != 0) {
        std::fprintf(stderr, "stratoquill console: %s\n", error.c_str());
        return kExitFailed;
      }
      std::printf("COM%d is now %s in ports.lst.\n", result.port, stable->c_str());
    }
    station.record().com_port = static_cast<std::uint16_t>(result.port);
    if (station.Save() != 0) {
      std::fprintf(stderr, "stratoquill console: could not save the station's settings\n");
      return kExitFailed;
    }
    std::printf("The station now uses COM%d.\n", result.port);
  }
  return kExitOk;
}

int PortTest(const CommSettings& settings, const PortMap& ports) {
  std::printf("%s\n", std::string(LoadString(string_id::kSerialPortTest)).c_str());
  char line[64];
  std::snprintf(line, sizeof line, std::string(LoadString(string_id::kLoopbackTest)).c_str(), settings.port_number,
                settings.baud_rate);
  std::printf("%s\n", line);
  std::string message;
  const int r = TestSerialPort(settings, message);
  if (r == kPortTestNoPort || r == kPortTestInUse) {
    std::printf("COM%d: %s\n", settings.port_number,
                DescribeCommError(r == kPortTestNoPort ? kErrNoPort : kErrPortInUse, 0).c_str());
  } else if (!message.empty()) {
    std::printf("%s\n", message.c_str());
    if (r == kPortTestLoopback) return kExitOk;
  }
  const int port = FindLoopbackPort(settings, PortList(ports), settings.port_number, message);
  std::printf("%s\n", message.c_str());
  return port != 0 ? kExitOk : kExitFailed;
}

// What info, find and porttest work with: the station, the port map and the connection.
struct Target {
  Station station;
  PortMap ports;
  bool ports_loaded = false;
  CommSettings settings;
};

// Checks that nothing but `allowed` follows the sub-command, then opens the station; null
// after telling the user, with the exit status in *status.
std::unique_ptr<Target> OpenTarget(const Args& args, const char* allowed, int* status) {
  for (std::size_t i = 3; i < args.size(); ++i) {
    if (allowed == nullptr || args[i] != allowed) {
      std::fprintf(stderr, "stratoquill console: unexpected argument %s\n", args[i].c_str());
      *status = kExitUsage;
      return nullptr;
    }
  }
  *status = kExitFailed;
  auto target = std::make_unique<Target>();
  if (!LoadStation("console", args[1], &target->station, NoStationMessage::kCannotRead)) return nullptr;
  target->ports = LoadPorts(&target->ports_loaded);
  const auto connection = target->station.GetConnection(&target->ports);
  if (!connection) {
    std::fprintf(stderr, "stratoquill console: the station has no connection configured\n");
    return nullptr;
  }
  target->settings = CommSettingsFrom(*connection);
  return target;
}

int ConsoleInfo(const Args& args, const ConsoleCommandEnv&) {
  int status = kExitOk;
  const auto t = OpenTarget(args, nullptr, &status);
  return t ? Info(t->station, t->settings) : status;
}

int ConsoleFind(const Args& args, const ConsoleCommandEnv&) {
  int status = kExitOk;
  const auto t = OpenTarget(args, "--save", &status);
  if (!t) return status;
  const bool save = args.size() > 3;
  return Find(t->station, t->settings, t->ports, t->ports_loaded, save);
}

int ConsolePortTest(const Args& args, const ConsoleCommandEnv&) {
  int status = kExitOk;
  const auto t = OpenTarget(args, nullptr, &status);
  return t ? PortTest(t->settings, t->ports) : status;
}

int ConsoleLoop(const Args& args, const ConsoleCommandEnv&) { return RunConsoleLoop(args); }

}  // namespace

int ConsoleExchangeFailed(const char* what, const SerialSession& session) {
  std::fprintf(stderr, "stratoquill console: %s failed: %s\n", what, DescribeCommError(session).c_str());
  return kExitFailed;
}

const std::vector<ConsoleCommand>& ConsoleCommands() {
  static const std::vector<ConsoleCommand> table = {
      {"info",
       "info       model, firmware date and version, console time, archive period,\n"
       "           reception statistics and barometer data",
       ConsoleInfo, false},
      {"find",
       "find       search the ports of the port map (ports.lst) for a console;\n"
       "           with --save the station's port is set to the one found, and\n"
       "           ports.lst names its device by its stable /dev/serial/by-id name",
       ConsoleFind, false},
      {"porttest",
       "porttest   look for a modem or a loopback connector on the station's port,\n"
       "           then on the other ports",
       ConsolePortTest, false},
      {"loop", "loop       current conditions from the console's real-time packets", ConsoleLoop, false},
      {"settime", "settime [--date YYYY-MM-DD] [--time HH:MM] [--zone INDEX] [--dst auto|on|off] [--clear-archive]",
       ConsoleSetTime, true},
      {"setperiod", "setperiod MINUTES            (1, 5, 10, 15, 30, 60 or 120; clears the archive)", ConsoleSetPeriod,
       true},
      {"setbar", "setbar READING ELEVATION     (thousandths of inHg, 0 = console's own; feet)", ConsoleSetBar, true},
      {"rain-collector", "rain-collector [0.01in|0.2mm|0.1mm]  (default: the station's collector)",
       ConsoleRainCollector, true},
      {"cupsize", "cupsize SIZE                 (0 small, 8 large; 1..3 on consoles with other sizes)", ConsoleCupSize,
       true},
      {"latlong", "latlong LAT LON              (degrees with one decimal: 41.5N 87.5W or 41.5 -87.5)", ConsoleLatLong,
       true},
      {"yearrain", "yearrain AMOUNT              (in the display rain unit)", ConsoleYearRain, true},
      {"units", "units                        (write the display units into the console)", ConsoleUnits, true},
      {"calibration", "calibration [--clear] [--set NAME=OFFSET...]", ConsoleCalibration, true},
      {"alarms", "alarms [--time HH:MM|off] [--temp BYTE=DEGF|off...]", ConsoleAlarms, true},
      {"transmitters", "transmitters [--set ID=TYPE...]  (ID 1..8, TYPE 0..8, or 9 / none for no transmitter)",
       ConsoleTransmitters, true},
      {"clear", "clear [--highs] [--lows] [--graphs] [--archive] [--alarms] [--calibration] [--totals] [--total N...]",
       ConsoleClear, true},
      {"password", "password [--none]            (reads the password twice from the terminal or stdin)",
       ConsolePassword, true},
  };
  return table;
}

const ConsoleCommand* FindConsoleCommand(std::string_view name) {
  for (const ConsoleCommand& c : ConsoleCommands()) {
    if (name == c.name) return &c;
  }
  return nullptr;
}

int RunConsoleCommand(const Args& args, const ConsoleCommandEnv& env) {
  if (args.size() < 2 || IsHelp(args[1])) {
    ConsoleUsage();
    return args.size() < 2 ? kExitUsage : kExitOk;
  }
  if (args.size() < 3) {
    ConsoleUsage();
    return kExitUsage;
  }
  // "console SETTING --help" needs no folder, so a setting named first is the command
  // (and, without --help, a usage error). Only "FOLDER loop" has always meant the loop,
  // whatever the folder is called.
  if (args[2] != "loop") {
    if (const ConsoleCommand* first = FindConsoleCommand(args[1]); first != nullptr && first->setting) {
      return first->run(args, env);
    }
  }
  const ConsoleCommand* command = FindConsoleCommand(args[2]);
  if (command == nullptr) {
    if (args.size() > 3) {  // further words are reported before the unknown command
      std::fprintf(stderr, "stratoquill console: unexpected argument %s\n", args[3].c_str());
      return kExitUsage;
    }
    std::fprintf(stderr, "stratoquill console: unknown command %s\n", args[2].c_str());
    ConsoleUsage();
    return kExitUsage;
  }
  return command->run(args, env);
}

int RunConsole(const Args& args) { return RunConsoleCommand(args); }

int RunDiscover(const Args& args) {
  CommSettings settings;
  std::string local;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (IsHelp(args[i])) {
      DiscoverUsage();
      return kExitOk;
    }
    if ((args[i] == "--broadcast" || args[i] == "--local") && i + 1 < args.size()) {
      (args[i] == "--broadcast" ? settings.broadcast_address : local) = args[i + 1];
      ++i;
      continue;
    }
    std::fprintf(stderr, "stratoquill discover: unexpected argument %s\n", args[i].c_str());
    DiscoverUsage();
    return kExitUsage;
  }
  DeviceFinder finder(settings);
  std::multimap<std::string, std::string> found;
  finder.Discover(local, found);
  if (found.empty()) {
    std::printf("No network data loggers found.\n");
    return kExitFailed;
  }
  for (const auto& [mac, ip] : found) std::printf("%s  %s\n", mac.c_str(), ip.c_str());
  return kExitOk;
}

}  // namespace sq::ui
