// stratoquill network: the upload to the maker's weather network.
//
//   network FOLDER status
//   network FOLDER endpoint [--staging] (URL | --clear)
//   network FOLDER on | off
//   network FOLDER archive on | off
//   network FOLDER register --mac XX:XX:XX:XX:XX:XX --key N [--staging]
//   network FOLDER send-now [--dry-run] [--staging]
//
// The endpoints live in the program folder and serve every station; the account and
// the two switches are station settings.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/dirs.h"
#include "app/download_log.h"
#include "app/extra_settings.h"
#include "app/messages.h"
#include "app/port_map.h"
#include "app/program_config.h"
#include "app/station.h"
#include "link/comm_error.h"
#include "link/serial_port_manager.h"
#include "link/serial_session.h"
#include "publish/network_endpoints.h"
#include "publish/network_logger.h"
#include "realtime/bulletin_snapshot.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "ui/cli.h"
#include "ui/commands.h"

namespace sq::ui {
namespace {

constexpr std::uint32_t kRecognized = 39272;
constexpr std::uint32_t kServerError = 39273;
constexpr std::uint32_t kDidOutOfRange = 39274;

const char* const kUsage =
    "Usage: stratoquill network FOLDER status\n"
    "       stratoquill network FOLDER endpoint [--staging] (URL | --clear)\n"
    "       stratoquill network FOLDER on | off\n"
    "       stratoquill network FOLDER archive on | off\n"
    "       stratoquill network FOLDER register --mac XX:XX:XX:XX:XX:XX --key N [--staging]\n"
    "       stratoquill network FOLDER send-now [--dry-run] [--staging]\n"
    "\n"
    "Uploads the station's data to the maker's weather network: the current conditions\n"
    "about once a minute while 'stratoquill run' runs, the archive records during every\n"
    "download, the highs and lows when they change.\n"
    "\n"
    "  status     the account, the switches and the endpoints\n"
    "  endpoint   set the service URL, kept in the program folder for every station\n"
    "             (\"/bin.php\" is added to a URL without a path); --staging sets the\n"
    "             test server's URL, used with --staging or the Staging switch\n"
    "  on, off    the real-time upload\n"
    "  archive    the upload of archive records during downloads\n"
    "  register   store the network logger's MAC address and the account key, then\n"
    "             send the set-up packet and clear the extra sensors' highs and lows\n"
    "  send-now   read the console and upload the current conditions now;\n"
    "             --dry-run prints the packets in hex instead of sending them\n";

int Usage(const std::string& problem) {
  if (problem.empty()) {
    std::printf("%s", kUsage);
    return kExitOk;
  }
  // The synopsis only: the lines before the first blank line.
  const std::string usage(kUsage);
  std::fprintf(stderr, "stratoquill network: %s\n%s\nSee 'stratoquill network --help'.\n", problem.c_str(),
               usage.substr(0, usage.find("\n\n") + 1).c_str());
  return kExitUsage;
}

// Prints every packet instead of sending it, and answers as the service would.
struct DryRunPut final : PacketPut {
  PutResult Put(const std::string& url, std::span<const std::uint8_t> body, int) override {
    std::printf("PUT %s  packet type %d, %zu bytes\n%s\n", url.empty() ? "(no endpoint)" : url.c_str(),
                body.size() > 1 ? body[1] : 0, body.size(), HexDump(body).c_str());
    return {true, kReplyAccepted, ""};
  }
};

// Log lines of a command go to the download log and to the terminal.
void LogAndShow(NetworkLoggerOptions& o) {
  o.log = [](std::string_view text, std::string_view title) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    (void)LogMessage(text, title);
  };
}

// Opens the station's console; nullptr with the reason printed.
SerialSession* OpenConsole(const Station& station, SerialPortManager& manager) {
  PortMap ports;
  std::string error;
  (void)ports.Load(ProgramFolder(), &error);
  const auto connection = station.GetConnection(&ports);
  if (!connection) {
    (void)Fail("network", "the station has no connection to its console configured");
    return nullptr;
  }
  SerialSession* session = manager.CreateSession(CommSettingsFrom(*connection));
  if (session == nullptr) {
    (void)Fail("network", std::string(LoadString(string_id::kNoSession)));
    return nullptr;
  }
  session->set_station_model(station.record().model);
  return session;
}

int Status(const Station& station) {
  std::string error;
  const NetworkEndpoints e = LoadEndpoints(ProgramFolder(), &error);
  if (!error.empty()) std::fprintf(stderr, "stratoquill network: %s\n", error.c_str());
  const auto& r = station.record();
  std::printf("%s\n", UploadStatusLine(station, r.rt_upload != 0).c_str());
  std::printf("Station:            %s\n", station.Name().c_str());
  std::printf("Logger MAC address: %02X:%02X:%02X:%02X:%02X:%02X\n", r.mac[0], r.mac[1], r.mac[2], r.mac[3], r.mac[4],
              r.mac[5]);
  std::printf("Device ID:          %02X%02X%02X\n", r.mac[3], r.mac[4], r.mac[5]);
  std::printf("Key:                %u\n", static_cast<unsigned>(r.account_key));
  std::printf("Real-time upload:   %s\n", r.rt_upload ? "on" : "off");
  std::printf("Archive upload:     %s\n", r.archive_upload ? "on" : "off");
  std::printf("Endpoint:           %s\n", e.production.empty() ? "(none)" : e.production.c_str());
  std::printf("Staging endpoint:   %s\n", e.staging.empty() ? "(none)" : e.staging.c_str());
  if (GetServerURL(e, stagingServer).empty()) {
    std::printf(
        "No endpoint is set, so the uploads are off. Set one with\n"
        "'stratoquill network FOLDER endpoint URL'.\n");
  }
  return kExitOk;
}

int Endpoint(const Args& args) {
  bool staging = false, clear = false;
  std::string url;
  for (std::size_t i = 3; i < args.size(); ++i) {
    if (args[i] == "--staging") {
      staging = true;
    } else if (args[i] == "--clear") {
      clear = true;
    } else if (args[i].starts_with("--") || !url.empty()) {
      return Usage("endpoint: unexpected argument '" + args[i] + "'");
    } else {
      url = args[i];
    }
  }
  if (clear == !url.empty()) return Usage("endpoint takes a URL or --clear");
  std::string normalized;
  if (!clear) {
    std::string why;
    const auto checked = NormalizeEndpoint(url, &why);
    if (!checked) return Fail("network", "'" + url + "' is not a usable endpoint: " + why);
    normalized = *checked;
  }
  std::string error;
  NetworkEndpoints e = LoadEndpoints(ProgramFolder(), &error);
  if (!error.empty()) return Fail("network", error);
  (staging ? e.staging : e.production) = normalized;
  if (!SaveEndpoints(ProgramFolder(), e, &error)) return Fail("network", error);
  std::printf("%s endpoint: %s\n", staging ? "Staging" : "Production", clear ? "(none)" : normalized.c_str());
  return kExitOk;
}

int Save(Station& station, const std::string& what) {
  if (station.Save() != kStationOk) {
    return Fail(
        "network",
        "Could not save station config file.  Check disk space.  If on network, check write permission of directory.");
  }
  std::printf("%s\n", what.c_str());
  return kExitOk;
}

bool ParseKey(const std::string& text, std::uint32_t* key) {
  if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  const unsigned long long v = std::strtoull(text.c_str(), nullptr, 10);
  if (v > 0xFFFFFFFFull) return false;
  *key = static_cast<std::uint32_t>(v);
  return true;
}

std::string FirmwareText(const FirmwareDate& d) {
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  if (d.month < 1 || d.month > 12) return {};
  char text[32];
  std::snprintf(text, sizeof text, "%s %2d %04d", kMonths[d.month - 1], d.day, d.year);
  return text;
}

int Register(Station& station, const Args& args) {
  std::string mac, key_text;
  for (std::size_t i = 3; i < args.size(); ++i) {
    if (args[i] == "--mac" && i + 1 < args.size()) {
      mac = args[++i];
    } else if (args[i] == "--key" && i + 1 < args.size()) {
      key_text = args[++i];
    } else if (args[i] == "--staging") {
      stagingServer = true;
    } else {
      return Usage("register: unexpected argument '" + args[i] + "'");
    }
  }
  if (mac.empty() || key_text.empty()) return Usage("register needs --mac and --key");
  Station candidate = station;
  if (candidate.SetMacAddress(mac) != kStationOk) return Fail("network", std::string(LoadString(kDidOutOfRange)));
  std::uint32_t key = 0;
  if (!ParseKey(key_text, &key)) return Fail("network", "the key must be a whole number from 0 to 4294967295");
  candidate.record().account_key = key;

  NetworkLoggerOptions o = UploadOptionsFor(candidate);
  if (o.url.empty()) return Fail("network", std::string(LoadString(string_id::kNetworkNoEndpoint)));
  LogAndShow(o);

  // The console's firmware date goes into the set-up packet when the console answers.
  SetupValues v;
  const auto& r = candidate.record();
  v.latitude = r.latitude;
  v.longitude = r.longitude;
  v.elevation_ft = r.elevation_ft;
  v.utc_offset_minutes = static_cast<std::int16_t>(std::lround(r.timezone_hours * 60.0f));
  v.manual_dst = r.manual_dst;
  v.archive_period = r.extra[extra::kArchivePeriod - extra::kBase];
  v.model = static_cast<std::uint8_t>(r.model);
  std::string firmware;
  {
    SerialPortManager manager;
    SerialSession* session = candidate.Corvale() ? OpenConsole(candidate, manager) : nullptr;
    FirmwareDate date;
    if (session != nullptr && session->GetFirmwareDate(date) == 0) firmware = FirmwareText(date);
    if (firmware.empty() && candidate.Corvale()) {
      std::fprintf(stderr, "stratoquill network: the console's firmware date could not be read; it is sent blank.\n");
    }
  }
  v.firmware_date = firmware;

  CurlPacketPut put;
  NetworkLogger logger(put, o);
  const int setup = logger.SendIPSetupPacket(v);
  if (setup == kSendTransport) return Fail("network", "the service could not be reached; nothing was registered");
  if (setup != kSendOk) return Fail("network", std::string(LoadString(kServerError)));
  (void)logger.SendIPClearHiLowPacket2();
  station = candidate;
  const int saved = Save(station, std::string(LoadString(kRecognized)));
  return saved;
}

int SendNow(Station& station, const Args& args) {
  bool dry_run = false;
  for (std::size_t i = 3; i < args.size(); ++i) {
    if (args[i] == "--dry-run") {
      dry_run = true;
    } else if (args[i] == "--staging") {
      stagingServer = true;
    } else {
      return Usage("send-now: unexpected argument '" + args[i] + "'");
    }
  }
  NetworkLoggerOptions o = UploadOptionsFor(station);
  if (o.url.empty() && !dry_run) return Fail("network", std::string(LoadString(string_id::kNetworkNoEndpoint)));
  if (SnapshotKeeperRunning(station.Folder())) {
    return Fail("network",
                "'stratoquill run' holds this station's console and uploads its current conditions about once a "
                "minute itself; stop it to send now");
  }
  LogAndShow(o);
  SerialPortManager manager;
  SerialSession* session = OpenConsole(station, manager);
  if (session == nullptr) return kExitFailed;
  DryRunPut dry;
  CurlPacketPut curl;
  NetworkLogger logger(dry_run ? static_cast<PacketPut&>(dry) : curl, o);
  HiLowsCache hilows;
  const int r = UploadCurrentConditions(logger, *session, hilows, station);
  if (r == kConsoleUnread)
    return Fail("network", "the console's current conditions could not be read: " + DescribeCommError(*session));
  if (r != kSendOk) return Fail("network", "the upload failed (see download.log)");
  if (!dry_run) std::printf("Sent the current conditions to %s\n", o.url.c_str());
  return kExitOk;
}

}  // namespace

int RunNetwork(const Args& args) {
  if (args.size() >= 2 && IsHelp(args[1])) return Usage("");
  if (args.size() < 3)
    return Usage(args.size() < 2 ? "a station folder and a sub-command are needed" : "a sub-command is needed");
  const std::string& folder = args[1];
  const std::string& sub = args[2];
  if (sub == "endpoint") return Endpoint(args);
  ApplyProgramUnits();
  Station station;
  if (!LoadStation("network", folder, &station, NoStationMessage::kCannotRead)) return kExitFailed;
  auto switch_arg = [&](std::size_t at, bool* on) {
    if (args.size() != at + 1 || (args[at] != "on" && args[at] != "off")) return false;
    *on = args[at] == "on";
    return true;
  };
  bool on = false;
  if (sub == "status") {
    if (args.size() != 3) return Usage("status takes no arguments");
    return Status(station);
  }
  if (sub == "on" || sub == "off") {
    if (args.size() != 3) return Usage(sub + " takes no arguments");
    station.record().rt_upload = sub == "on" ? kExitFailed : kExitOk;
    const int r = Save(station, UploadStatusLine(station, sub == "on"));
    if (r == kExitOk && sub == "on" && UploadOptionsFor(station).url.empty()) {
      std::printf("No endpoint is set yet, so nothing is sent: see 'stratoquill network FOLDER endpoint'.\n");
    }
    return r;
  }
  if (sub == "archive") {
    if (!switch_arg(3, &on)) return Usage("archive takes on or off");
    station.record().archive_upload = on ? kExitFailed : kExitOk;
    return Save(station, std::string("Archive upload: ") + (on ? "on" : "off"));
  }
  if (sub == "register") return Register(station, args);
  if (sub == "send-now") return SendNow(station, args);
  return Usage("unknown sub-command '" + sub + "'");
}

}  // namespace sq::ui
