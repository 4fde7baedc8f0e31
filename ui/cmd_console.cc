// console and discover: talk to a station's console (model, firmware, clock, archive
// period, reception and barometer data), search the ports for a console, test a
// serial port, and find network data loggers.
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "app/dirs.h"
#include "app/port_map.h"
#include "app/station.h"
#include "link/comm_error.h"
#include "link/corvale_session.h"
#include "link/device_finder.h"
#include "link/port_test.h"
#include "link/serial_port_manager.h"
#include "resources/string_table.h"
#include "ui/commands.h"

namespace sq::ui {
namespace {

constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

void ConsoleUsage() {
  std::printf(
      "Usage: stratoquill console FOLDER COMMAND\n"
      "\n"
      "Talks to the console of the station in FOLDER over its configured connection.\n"
      "\n"
      "Commands:\n"
      "  info       model, firmware date and version, console time, archive period,\n"
      "             reception statistics and barometer data\n"
      "  find       search the ports of the port map (ports.lst) for a console;\n"
      "             with --save the station's port is set to the one found, and\n"
      "             ports.lst names its device by its stable /dev/serial/by-id name\n"
      "  porttest   look for a modem or a loopback connector on the station's port,\n"
      "             then on the other ports\n"
      "  loop       current conditions from the console's real-time packets\n");
  ConsoleConfigUsage();
}

void DiscoverUsage() {
  std::printf(
      "Usage: stratoquill discover [--broadcast ADDRESS] [--local ADDRESS]\n"
      "\n"
      "Finds network data loggers on the local network and prints their MAC and IP\n"
      "addresses. ADDRESS defaults to 255.255.255.255; --local sends from one local\n"
      "address only.\n");
}

bool IsHelp(const std::string& a) { return a == "--help" || a == "-h"; }

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

int Fail(const char* what, const SerialSession& session) {
  std::fprintf(stderr, "stratoquill console: %s failed: %s\n", what, DescribeCommError(session).c_str());
  return 1;
}

int Info(const Station& station, const CommSettings& settings) {
  SerialPortManager manager;
  SerialSession* session = manager.CreateSession(settings);
  if (session == nullptr) {
    std::fprintf(stderr, "stratoquill console: %s\n", std::string(LoadString(33114)).c_str());
    return 1;
  }
  session->set_station_model(station.record().model);
  const int model = session->GetModelNo();
  if (model < 0) return Fail("reading the model", *session);
  std::string found = ModelFoundText(model, settings.port_number);
  if (settings.connection_type == kConnTcp || settings.connection_type == kConnUsb) {
    found = found.substr(0, found.find(" on COM"));  // no COM port involved
  }
  std::printf("Model:              %d%s%s\n", model, found.empty() ? "" : "  ", found.c_str());
  if (settings.console_family != kFamilyCorvale) {
    std::printf("(further details are read from consoles of the current family only)\n");
    return 0;
  }
  FirmwareDate date;
  if (session->GetFirmwareDate(date) != 0) return Fail("reading the firmware date", *session);
  std::printf("Firmware date:      %s %d %d\n", kMonths[date.month - 1], date.day, date.year);
  std::string version;
  if (session->GetFirmwareVersion(version) == 0) {
    std::printf("Firmware version:   %s\n", version.c_str());
  } else {
    std::printf("Firmware version:   ---\n");
  }
  ConsoleTime t;
  if (session->GetTime(t) != 0) return Fail("reading the console time", *session);
  std::printf("Console time:       %04d-%02d-%02d %02d:%02d\n", t.year, t.month, t.day, t.hour, t.minute);
  const int period = session->GetArchivePeriod();
  if (period < 0) return Fail("reading the archive period", *session);
  std::printf("Archive period:     %d min\n", period);
  std::array<int, 5> stats{};
  if (session->GetReceptionStats(stats) != 0) return Fail("reading the reception statistics", *session);
  std::printf("Reception:          %d %d %d %d %d\n", stats[0], stats[1], stats[2], stats[3], stats[4]);
  std::string bar;
  if (session->GetBarData(bar) != 0) return Fail("reading the barometer data", *session);
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
  return 0;
}

int Find(Station& station, const CommSettings& settings, PortMap& ports, bool ports_loaded, bool save) {
  const auto result = FindConsole(settings, PortList(ports));
  std::printf("%s\n", result.message.c_str());
  if (result.port == 0) return 1;
  if (save) {
    // A numbered USB device can be renumbered at the next boot; its stable name cannot.
    // A port map that could not be read is never replaced.
    const auto stable = ports_loaded ? ports.PreferStablePath(result.port) : std::nullopt;
    if (stable) {
      std::string error;
      if (ports.Save(ProgramFolder(), &error) != 0) {
        std::fprintf(stderr, "stratoquill console: %s\n", error.c_str());
        return 1;
      }
      std::printf("COM%d is now %s in ports.lst.\n", result.port, stable->c_str());
    }
    station.record().com_port = static_cast<std::uint16_t>(result.port);
    if (station.Save() != 0) {
      std::fprintf(stderr, "stratoquill console: could not save the station's settings\n");
      return 1;
    }
    std::printf("The station now uses COM%d.\n", result.port);
  }
  return 0;
}

int PortTest(const CommSettings& settings, const PortMap& ports) {
  std::printf("%s\n", std::string(LoadString(33060)).c_str());
  char line[64];
  std::snprintf(line, sizeof line, std::string(LoadString(33061)).c_str(), settings.port_number, settings.baud_rate);
  std::printf("%s\n", line);
  std::string message;
  const int r = TestSerialPort(settings, message);
  if (r == kPortTestNoPort || r == kPortTestInUse) {
    std::printf("COM%d: %s\n", settings.port_number,
                DescribeCommError(r == kPortTestNoPort ? kErrNoPort : kErrPortInUse, 0).c_str());
  } else if (!message.empty()) {
    std::printf("%s\n", message.c_str());
    if (r == kPortTestLoopback) return 0;
  }
  const int port = FindLoopbackPort(settings, PortList(ports), settings.port_number, message);
  std::printf("%s\n", message.c_str());
  return port != 0 ? 0 : 1;
}

}  // namespace

int RunConsole(const Args& args) {
  if (args.size() < 2 || IsHelp(args[1])) {
    ConsoleUsage();
    return args.size() < 2 ? 2 : 0;
  }
  if (args.size() < 3) {
    ConsoleUsage();
    return 2;
  }
  const std::string& folder = args[1];
  const std::string& what = args[2];
  if (what == "loop") return RunConsoleLoop(args);
  if (const int r = RunConsoleConfig(args); r >= 0) return r;
  bool save = false;
  for (std::size_t i = 3; i < args.size(); ++i) {
    if (what == "find" && args[i] == "--save") {
      save = true;
    } else {
      std::fprintf(stderr, "stratoquill console: unexpected argument %s\n", args[i].c_str());
      return 2;
    }
  }
  if (what != "info" && what != "find" && what != "porttest") {
    std::fprintf(stderr, "stratoquill console: unknown command %s\n", what.c_str());
    ConsoleUsage();
    return 2;
  }
  Station station;
  if (station.Load(folder) != 0) {
    std::fprintf(stderr, "stratoquill console: cannot read the station in %s\n", folder.c_str());
    return 1;
  }
  bool ports_loaded = false;
  PortMap ports = LoadPorts(&ports_loaded);
  const auto connection = station.GetConnection(&ports);
  if (!connection) {
    std::fprintf(stderr, "stratoquill console: the station has no connection configured\n");
    return 1;
  }
  CommSettings settings = CommSettingsFrom(*connection);
  if (what == "info") return Info(station, settings);
  if (what == "find") return Find(station, settings, ports, ports_loaded, save);
  return PortTest(settings, ports);
}

int RunDiscover(const Args& args) {
  CommSettings settings;
  std::string local;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (IsHelp(args[i])) {
      DiscoverUsage();
      return 0;
    }
    if ((args[i] == "--broadcast" || args[i] == "--local") && i + 1 < args.size()) {
      (args[i] == "--broadcast" ? settings.broadcast_address : local) = args[i + 1];
      ++i;
      continue;
    }
    std::fprintf(stderr, "stratoquill discover: unexpected argument %s\n", args[i].c_str());
    DiscoverUsage();
    return 2;
  }
  DeviceFinder finder(settings);
  std::multimap<std::string, std::string> found;
  finder.Discover(local, found);
  if (found.empty()) {
    std::printf("No network data loggers found.\n");
    return 1;
  }
  for (const auto& [mac, ip] : found) std::printf("%s  %s\n", mac.c_str(), ip.c_str());
  return 0;
}

}  // namespace sq::ui
