// The console settings of `stratoquill console FOLDER SUB ...` (ui/console_commands.h):
// each reads its options, asks before a destructive change, then opens the station and its
// console and runs the operation of link/console_config_actions.h.

#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "app/dirs.h"
#include "app/messages.h"
#include "app/port_map.h"
#include "app/program_config.h"
#include "app/station.h"
#include "app/station_folders.h"
#include "foundation/clock.h"
#include "foundation/date_time.h"
#include "foundation/display_units.h"
#include "link/comm_error.h"
#include "link/console_config.h"
#include "link/console_config_actions.h"
#include "link/console_config_strings.h"
#include "link/corvale_session.h"
#include "link/serial_session.h"
#include "link/settings_password.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "ui/cli.h"
#include "ui/console_commands.h"

namespace sq::ui {
namespace {

constexpr int kMinConsoleYear = 1900;  // the console keeps the year as an offset byte
constexpr int kMaxConsoleYear = 1900 + 255;

std::string Printf(std::string_view fmt, std::string_view arg) {
  char buf[512];
  const std::string f(fmt), a(arg.substr(0, 200));
  std::snprintf(buf, sizeof buf, f.c_str(), a.c_str());
  return buf;
}

bool HasFlag(const Args& a, std::string_view flag) { return std::find(a.begin(), a.end(), flag) != a.end(); }

std::optional<int> ToInt(std::string_view text) {
  std::string t(text);
  if (t.empty() || t.size() > 11) return std::nullopt;
  char* end = nullptr;
  const long v = std::strtol(t.c_str(), &end, 10);
  if (end == t.c_str() || *end != '\0' || v < -2147483647L || v > 2147483647L) return std::nullopt;
  return static_cast<int>(v);
}

std::optional<double> ToDouble(std::string_view text) {
  std::string t(text);
  if (t.empty() || t.size() > 32) return std::nullopt;
  char* end = nullptr;
  const double v = std::strtod(t.c_str(), &end);
  if (end == t.c_str() || *end != '\0' || !std::isfinite(v)) return std::nullopt;
  return v;
}

// "YYYY-MM-DD" within the years a console keeps.
bool ParseConsoleDate(std::string_view s, ConsoleTime& t) {
  CalendarDate date;
  if (!ParseIsoDate(s, &date) || date.year < kMinConsoleYear || date.year > kMaxConsoleYear) return false;
  t.year = date.year;
  t.month = date.month;
  t.day = date.day;
  return true;
}

// "15:00", "3:00p", "3:00pm", "3:00 AM".
bool ParseClockTime(std::string_view s, ConsoleTime& t) {
  std::string text(s);
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  int half = 0;  // 1 am, 2 pm
  auto strip = [&](std::string_view suffix, int h) {
    if (text.size() > suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0) {
      text.erase(text.size() - suffix.size());
      half = h;
      return true;
    }
    return false;
  };
  (void)(strip("am", 1) || strip("pm", 2) || strip("a", 1) || strip("p", 2));
  while (!text.empty() && text.back() == ' ') text.pop_back();
  const auto colon = text.find(':');
  if (colon == std::string::npos || colon == 0 || colon > 2 || text.size() - colon != 3) return false;
  const auto h = ToInt(text.substr(0, colon)), m = ToInt(text.substr(colon + 1));
  if (!h || !m || *h < 0 || *m < 0 || *m > 59) return false;
  int hour = *h;
  if (half != 0) {
    if (hour < 1 || hour > 12) return false;
    hour = hour % 12 + (half == 2 ? 12 : 0);
  }
  if (hour > 23) return false;
  t.hour = hour;
  t.minute = *m;
  return true;
}

// Everything one command needs: the station, its console session and the operations.
struct Console {
  Station station;
  std::unique_ptr<CorvaleSession> session;
  std::unique_ptr<ConsoleConfig> config;
};

std::string CommErrorText(const SerialSession& s) {
  std::string text = DescribeCommError(s);
  if (!s.errorText().empty()) text += " (" + s.errorText() + ")";
  return text;
}

// The usage line of the setting `sub`, from the table.
void PrintSettingUsage(std::FILE* out, std::string_view sub) {
  if (const ConsoleCommand* c = FindConsoleCommand(sub)) {
    std::fprintf(out, "Usage: stratoquill console FOLDER %s [--yes]\n", c->usage);
  }
}

class Runner {
 public:
  Runner(const Args& args, const ConsoleCommandEnv& env) : args_(args), env_(env) {}

  // Reads the command line, then runs `command`.
  int Run(int (Runner::*command)());

  // The settings, one each.
  int SetTime();
  int SetPeriod();
  int SetBar();
  int RainCollector();
  int CupSize();
  int LatLong();
  int YearRain();
  int Units();
  int Calibration();
  int Alarms();
  int Transmitters();
  int Clear();
  int Password();

 private:
  // Opens the station and a session to its console; false after telling the user.
  bool OpenConsole();
  bool Confirm(std::string_view text, std::string_view title = "Please Note") {
    if (yes_) return true;
    if (env_.ask) return env_.ask(text, title);
    return AskYesNo(text, title, false);
  }
  int Refused(std::uint32_t id) {
    ErrorMessage(id);
    return kExitFailed;
  }
  int Result(int r, std::string_view what, std::uint32_t refused_text = 0) {
    if (r == kConfigOk) return kExitOk;
    if (r == kConfigRefused && refused_text != 0) return Refused(refused_text);
    if (r == kStationNotSaved) return kExitFailed;  // the save failure was reported already
    if (r == kCalibrationInconsistent) {
      ErrorMessage(
          "The console's calibration offsets are inconsistent (the check byte at 0x33 is not the "
          "complement of the inside temperature offset at 0x32); they were not used. Set the "
          "calibration on the console itself.");
      return kExitFailed;
    }
    ErrorMessage("Could not " + std::string(what) + ": " + CommErrorText(*c_.session));
    return kExitFailed;
  }
  int Usage(std::string_view sub, std::string_view problem = {});
  void Print(const std::string& s) { std::fputs(s.c_str(), env_.out); }

  const Args& args_;
  const ConsoleCommandEnv& env_;
  std::string folder_;
  std::string sub_;
  Args opts_;  // the arguments after the sub-command, without --yes
  bool yes_ = false;
  Console c_;
};

int Runner::Usage(std::string_view sub, std::string_view problem) {
  if (!problem.empty())
    std::fprintf(stderr, "stratoquill console: %.*s\n", static_cast<int>(problem.size()), problem.data());
  PrintSettingUsage(stderr, sub);
  return kExitUsage;
}

bool Runner::OpenConsole() {
  std::string message;
  if (OpenStation(c_.station, folder_, &message) != 0) {
    ErrorMessage(message.empty() ? "Could not open the station in '" + folder_ + "'." : message);
    return false;
  }
  std::string error;
  const auto conn = c_.station.ConnectionIn(ProgramFolder(), &error);
  if (!conn) {
    ErrorMessage(error);
    return false;
  }
  if (conn->console_family != kFamilyCorvale) {
    ErrorMessage(kStrNotCurrentFamily);
    return false;
  }
  CommSettings s = CommSettingsFrom(*conn);
  s.clock = env_.link_clock;
  c_.session = std::make_unique<CorvaleSession>(s);
  const int model = c_.station.record().model;
  c_.session->set_station_model(model);
  c_.config = std::make_unique<ConsoleConfig>(*c_.session, model);
  return true;
}

bool IsSetting(std::string_view name) {
  const ConsoleCommand* c = FindConsoleCommand(name);
  return c != nullptr && c->setting;
}

int Runner::Run(int (Runner::*command)()) {
  // The display units (yearly rain, units) come from the program configuration.
  std::string message;
  if (LoadProgramConfig(ProgramFolder(), progConfigData, &message) != ProgConfigLoad::kMissing) {
    DisplayUnits::RestoreUnits();
  }
  // args: console FOLDER SUB ...; "console SUB --help" works without a folder.
  if (args_.size() >= 2 && IsSetting(args_[1])) {
    if (HasFlag(args_, "--help")) {
      sub_ = args_[1];
    } else {
      return Usage(args_[1], "the station folder comes before the command");
    }
  } else {
    folder_ = args_[1];
    sub_ = args_[2];
  }
  const std::size_t first = folder_.empty() ? 2 : 3;
  for (std::size_t i = first; i < args_.size(); ++i) {
    if (args_[i] == "--yes" || args_[i] == "-y") {
      yes_ = true;
    } else {
      opts_.push_back(args_[i]);
    }
  }
  if (HasFlag(opts_, "--help")) {
    PrintSettingUsage(env_.out, sub_);
    if (sub_ == "settime") {
      std::fprintf(env_.out, "\nTime zones (--zone INDEX):\n");
      for (int i = 0; i < kTimeZoneCount; ++i) {
        const auto name = ZoneName(i);
        std::fprintf(env_.out, "  %2d  %.*s\n", i, static_cast<int>(name.size()), name.data());
      }
    }
    return kExitOk;
  }
  return (this->*command)();
}

// ---- settime ----

int Runner::SetTime() {
  std::optional<std::string> date_text, time_text, zone_text, dst_text;
  bool clear_archive = false;
  for (std::size_t i = 0; i < opts_.size(); ++i) {
    const std::string& o = opts_[i];
    const bool has_value = i + 1 < opts_.size();
    if (o == "--date" && has_value) {
      date_text = opts_[++i];
    } else if (o == "--time" && has_value) {
      time_text = opts_[++i];
    } else if (o == "--zone" && has_value) {
      zone_text = opts_[++i];
    } else if (o == "--dst" && has_value) {
      dst_text = opts_[++i];
    } else if (o == "--clear-archive") {
      clear_archive = true;
    } else {
      return Usage(sub_, "unknown or incomplete option '" + o + "'");
    }
  }
  // Date and time default to the computer's clock.
  Clock& wall = env_.wall_clock ? *env_.wall_clock : Clock::Default();
  const std::tm now = wall.LocalNow().tm;
  TimeSetting setting;
  setting.time = {now.tm_year + 1900, now.tm_mon + 1, now.tm_mday, now.tm_hour, now.tm_min};
  if (date_text && !ParseConsoleDate(*date_text, setting.time)) {
    ErrorMessage(Printf(LoadString(string_id::kDateNotRecognized), *date_text));
    return kExitFailed;
  }
  if (time_text && !ParseClockTime(*time_text, setting.time)) {
    ErrorMessage(Printf(LoadString(string_id::kTimeNotRecognized), *time_text));
    return kExitFailed;
  }
  if (dst_text && *dst_text != "auto" && *dst_text != "on" && *dst_text != "off") {
    return Usage(sub_, "--dst takes auto, on or off");
  }
  std::optional<int> zone;
  if (zone_text) {
    zone = ToInt(*zone_text);
    if (!zone || !ZoneOffset(*zone)) return Usage(sub_, "--zone takes an index 0..46 (see --help)");
  }
  if (clear_archive && !Confirm(LoadString(kStrClearArchiveToo))) return kExitFailed;
  if (!OpenConsole()) return kExitFailed;
  // Choices not given are the station's.
  if (!zone) zone = StationZoneIndex(c_.station);
  if (!zone) {
    ErrorMessage(std::string(LoadString(kStrChooseZone)) + " (--zone INDEX, see --help)");
    return kExitFailed;
  }
  setting.zone_index = *zone;
  if (dst_text) {
    setting.dst_mode = *dst_text == "auto" ? DstMode::kAutomatic : DstMode::kManual;
    setting.dst_on = *dst_text == "on";
  } else {
    setting.dst_mode = c_.station.record().manual_dst ? DstMode::kManual : DstMode::kAutomatic;
    setting.dst_on = StationDstOn(c_.station);
  }
  setting.clear_archive = clear_archive;
  std::string step;
  const int r = SetConsoleTime(*c_.config, &c_.station, setting, &step);
  if (r == kConfigOk) {
    char buf[160];
    const auto zone_name = ZoneName(setting.zone_index);
    std::snprintf(buf, sizeof buf, "Console time set to %04d-%02d-%02d %02d:%02d, zone %d %.*s, daylight saving %s%s\n",
                  setting.time.year, setting.time.month, setting.time.day, setting.time.hour, setting.time.minute,
                  setting.zone_index, static_cast<int>(zone_name.size()), zone_name.data(),
                  setting.dst_mode == DstMode::kAutomatic ? "automatic" : (setting.dst_on ? "on" : "off"),
                  clear_archive ? "; archive cleared" : "");
    Print(buf);
  }
  return Result(r, "set the " + step);
}

// ---- setperiod, setbar, cupsize, latlong, yearrain, units ----

int Runner::SetPeriod() {
  if (opts_.size() != 1) return Usage(sub_);
  const auto minutes = ToInt(opts_[0]);
  const auto index = minutes ? ArchivePeriodIndex(*minutes) : std::nullopt;
  if (!index) return Refused(kStrArchivePeriodRefused);
  if (!Confirm(LoadString(kStrConfirmPeriod))) return kExitFailed;
  if (!OpenConsole()) return kExitFailed;
  const int r = c_.config->SetArchivePeriod(*index);
  if (r == kConfigOk) Print("Archive interval set to " + std::to_string(*minutes) + " minutes; archive cleared\n");
  return Result(r, "set the archive interval", kStrArchivePeriodRefused);
}

int Runner::SetBar() {
  if (opts_.size() != 2) return Usage(sub_);
  const auto reading = ToInt(opts_[0]);
  const auto elevation = ToInt(opts_[1]);
  if (!reading || !elevation) return Usage(sub_, "READING and ELEVATION are whole numbers");
  if ((*reading != 0 && (*reading < kBarReadingMin || *reading > kBarReadingMax)) || *elevation < kElevationMin ||
      *elevation > kElevationMax) {
    return Refused(kStrBarometerRefused);
  }
  if (!OpenConsole()) return kExitFailed;
  const int r = c_.config->SetBarometer(*reading, *elevation);
  if (r == kConfigOk) Print("Barometer set\n");
  return Result(r, "set the barometer", kStrBarometerRefused);
}

int Runner::CupSize() {
  if (opts_.size() != 1) return Usage(sub_);
  std::optional<int> size = opts_[0] == "small" ? 0 : opts_[0] == "large" ? kSetupLargeCups : ToInt(opts_[0]);
  if (!size) return Usage(sub_, "SIZE is a number");
  if (!(*size >= 0 && *size <= 3) && *size != kSetupLargeCups) return Refused(kStrCupSizeRefused);
  if (!OpenConsole()) return kExitFailed;
  const int r = c_.config->SetWindCupSize(*size);
  if (r == kConfigOk) Print("Wind cup size set\n");
  return Result(r, "set the wind cup size", kStrCupSizeRefused);
}

int Runner::LatLong() {
  if (opts_.size() != 2) return Usage(sub_);
  const auto lat = ParseLatLongText(opts_[0], false);
  const auto lon = ParseLatLongText(opts_[1], true);
  if (!lat || !lon) return Refused(kStrLatLongRefused);
  if (!OpenConsole()) return kExitFailed;
  const int r = SetConsoleLatLong(*c_.config, &c_.station, *lat, *lon);
  if (r == kConfigOk) Print("Latitude" + LatLongText(*lat, false) + ", longitude" + LatLongText(*lon, true) + "\n");
  return Result(r, "set the latitude and longitude", kStrLatLongRefused);
}

int Runner::YearRain() {
  if (opts_.size() != 1) return Usage(sub_);
  if (!OpenConsole()) return kExitFailed;
  std::string message;
  const auto clicks = YearRainClicks(opts_[0], c_.station.record().rain_type, &message);
  if (!clicks) {
    ErrorMessage(message);
    return kExitFailed;
  }
  const int r = c_.config->SetYearRain(*clicks);
  if (r == kConfigOk) Print("Yearly rain set to " + std::to_string(*clicks) + " clicks\n");
  return Result(r, "set the yearly rain");
}

int Runner::Units() {
  if (!opts_.empty()) return Usage(sub_);
  if (!OpenConsole()) return kExitFailed;
  const std::uint8_t bits = progConfigData.MakeCorvaleUnitByte();
  const int r = c_.config->SetCorvaleUnitBits(bits);
  if (r == kConfigOk) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "Console units set (unit bits 0x%02X)\n", bits);
    Print(buf);
  }
  return Result(r, "set the console's units");
}

// ---- rain-collector ----

int Runner::RainCollector() {
  if (opts_.size() > 1) return Usage(sub_);
  // Collector type of the console (1 0.01 in, 2 0.2 mm, 3 0.1 mm) and of the station.
  int type = 0, station_type = 0;
  if (opts_.size() == 1) {
    if (opts_[0] == "0.01in") {
      type = kCollectorType001In, station_type = 1;
    } else if (opts_[0] == "0.2mm") {
      type = kCollectorType02Mm, station_type = 2;
    } else if (opts_[0] == "0.1mm") {
      type = kCollectorType01Mm, station_type = 6;
    } else {
      return Usage(sub_, "the collector is 0.01in, 0.2mm or 0.1mm");
    }
  }
  if (!OpenConsole()) return kExitFailed;
  auto& st = c_.station;
  if (type == 0) {
    switch (st.record().rain_type) {
      case 1:
      case 4:
        type = kCollectorType001In;
        break;
      case 2:
      case 5:
        type = kCollectorType02Mm;
        break;
      case 6:
        type = kCollectorType01Mm;
        break;
      default:
        return Refused(kStrCollectorNotSupported);
    }
  }
  std::string name = opts_.empty() ? LoadText(st.record().rain_text, sizeof st.record().rain_text) : opts_[0];
  if (!Confirm(Printf(LoadString(kStrSetRainCal), name), LoadString(kStrSetRainCalTitle))) return kExitFailed;
  const int model = c_.session->GetModelNo();
  if (model < 0) return Result(kConfigFailed, "read the console model");
  if (st.LUMO() && model != kConsoleModelCorvaleLumo) return Refused(kStrLumoNotFound);
  if (type == kCollectorType01Mm && model != kConsoleModelCorvaleLumo) return Refused(kStrCollectorNotSupported);
  const int r = c_.config->SetRainCollector(type);
  if (r != kConfigOk) return Result(r, "set the rain collector");
  if (station_type != 0 && st.record().rain_type != station_type) {
    (void)st.SetRainCollector(station_type);
    if (st.Save() != 0) {
      ErrorMessage(string_id::kCouldNotSaveStation);
      return kExitFailed;
    }
  }
  Print("Rain collector set to " + name + "\n");
  return kExitOk;
}

// ---- calibration ----

struct CalName {
  const char* name;
  std::size_t index;  // into CalibrationOffsets
  bool temperature;
};

std::vector<CalName> CalibrationNames() {
  std::vector<CalName> names = {{"inside-temp", cal::kInsideTemp, true}, {"outside-temp", cal::kOutsideTemp, true}};
  static const char* const kTempNames[] = {"extra-temp1", "extra-temp2", "extra-temp3", "extra-temp4", "extra-temp5",
                                           "extra-temp6", "extra-temp7", "soil-temp1",  "soil-temp2",  "soil-temp3",
                                           "soil-temp4",  "leaf-temp1",  "leaf-temp2",  "leaf-temp3",  "leaf-temp4"};
  for (std::size_t i = 0; i < kFurtherTemps; ++i) names.push_back({kTempNames[i], cal::kFurtherTemp + i, true});
  names.push_back({"inside-hum", cal::kInsideHum, false});
  names.push_back({"outside-hum", cal::kOutsideHum, false});
  static const char* const kHumNames[] = {"extra-hum1", "extra-hum2", "extra-hum3", "extra-hum4",
                                          "extra-hum5", "extra-hum6", "extra-hum7"};
  for (std::size_t i = 0; i < kFurtherHums; ++i) names.push_back({kHumNames[i], cal::kExtraHum + i, false});
  return names;
}

int Runner::Calibration() {
  const bool clear = HasFlag(opts_, "--clear");
  std::vector<std::pair<std::size_t, int>> changes;
  const auto names = CalibrationNames();
  for (std::size_t i = 0; i < opts_.size(); ++i) {
    if (opts_[i] == "--clear") continue;
    if (opts_[i] != "--set" || i + 1 >= opts_.size()) return Usage(sub_, "unknown option '" + opts_[i] + "'");
    const std::string& kv = opts_[++i];
    const auto eq = kv.find('=');
    const std::string key = kv.substr(0, eq);
    const auto it = std::find_if(names.begin(), names.end(), [&](const CalName& n) { return key == n.name; });
    const auto value = eq == std::string::npos ? std::nullopt : ToDouble(kv.substr(eq + 1));
    if (it == names.end() || !value) return Usage(sub_, "--set takes NAME=OFFSET with a name listed by 'calibration'");
    // Temperatures in degrees F with one decimal (stored in tenths), humidities in %.
    const double scaled = it->temperature ? *value * 10.0 : *value;
    const long raw = std::fabs(scaled) < 1000.0 ? std::lround(scaled) : 1000;
    if (raw < -128 || raw > 127) return Usage(sub_, "offset of '" + key + "' out of range");
    changes.emplace_back(it->index, static_cast<int>(raw));
  }
  if (clear && !changes.empty()) return Usage(sub_, "--clear and --set do not go together");
  if (clear && !Confirm(LoadString(kStrConfirmClearCal))) return kExitFailed;
  if (!OpenConsole()) return kExitFailed;
  if (clear) {
    const int r = ClearConsoleCalibration(*c_.config, &c_.station);
    if (r == kConfigOk) Print("Calibration cleared\n");
    return Result(r, "clear the calibration");
  }
  CalibrationOffsets offsets{};
  if (int r = c_.config->ReadCalibration(offsets); r != kConfigOk) return Result(r, "read the calibration");
  if (!changes.empty()) {
    for (const auto& [index, raw] : changes) offsets[index] = static_cast<std::int8_t>(raw);
    if (int r = c_.config->WriteCalibration(offsets); r != kConfigOk) return Result(r, "write the calibration");
  }
  StoreCalibrationCopy(c_.station, offsets);
  if (c_.station.Save() != 0) LoggedError(string_id::kCouldNotSaveStation);
  CalibratedValues values;
  const bool have_values = c_.config->ReadCalibratedValues(values) == kConfigOk;
  Print("Calibration offsets" + std::string(have_values ? " and calibrated values" : "") + ":\n");
  for (const auto& n : names) {
    char buf[96];
    if (n.temperature) {
      std::snprintf(buf, sizeof buf, "  %-13s %+5.1f F", n.name, offsets[n.index] / 10.0);
    } else {
      std::snprintf(buf, sizeof buf, "  %-13s %+4d %%", n.name, offsets[n.index]);
    }
    std::string line = buf;
    if (have_values) {
      if (n.temperature) {
        std::size_t t = n.index == cal::kInsideTemp    ? 0
                        : n.index == cal::kOutsideTemp ? 1
                                                       : 2 + (n.index - cal::kFurtherTemp);
        const std::uint16_t v = values.temps[t];
        if (v == kNoSensorTemp || v == kNoSensorTempFF) {
          line += "   ---";
        } else {
          std::snprintf(buf, sizeof buf, "   %.1f F", static_cast<std::int16_t>(v) / 10.0);
          line += buf;
        }
      } else {
        std::size_t h = n.index == cal::kInsideHum    ? 0
                        : n.index == cal::kOutsideHum ? 1
                                                      : 2 + (n.index - cal::kExtraHum);
        const std::uint8_t v = values.hums[h];
        line += v == kNoSensorHum ? std::string("   ---") : "   " + std::to_string(v) + " %";
      }
    }
    Print(line + "\n");
  }
  return kExitOk;
}

// ---- alarms ----

int Runner::Alarms() {
  std::optional<std::optional<int>> time_change;
  std::vector<std::pair<std::size_t, std::optional<int>>> temp_changes;
  for (std::size_t i = 0; i < opts_.size(); ++i) {
    const std::string& o = opts_[i];
    if (i + 1 >= opts_.size()) return Usage(sub_, "unknown or incomplete option '" + o + "'");
    const std::string& v = opts_[++i];
    if (o == "--time") {
      if (v == "off") {
        time_change = std::optional<int>();
      } else {
        ConsoleTime t;
        if (!ParseClockTime(v, t)) return Usage(sub_, "--time takes HH:MM or off");
        time_change = std::optional<int>(t.hour * 60 + t.minute);
      }
    } else if (o == "--temp") {
      const auto eq = v.find('=');
      const auto index = ToInt(v.substr(0, eq));
      std::optional<int> f;
      if (eq != std::string::npos && v.substr(eq + 1) != "off") f = ToInt(v.substr(eq + 1));
      AlarmBlock probe{};
      if (!index || *index < 0 || eq == std::string::npos || (v.substr(eq + 1) != "off" && !f) ||
          !SetAlarmTempF(probe, static_cast<std::size_t>(*index), f)) {
        return Usage(sub_, "--temp takes BYTE=DEGF or BYTE=off, BYTE 6..9 or 58..60, DEGF within the byte's range");
      }
      temp_changes.emplace_back(static_cast<std::size_t>(*index), f);
    } else {
      return Usage(sub_, "unknown option '" + o + "'");
    }
  }
  if (!OpenConsole()) return kExitFailed;
  AlarmBlock block{};
  if (int r = c_.config->ReadAlarms(block); r != kConfigOk) return Result(r, "read the alarms");
  if (time_change || !temp_changes.empty()) {
    if (time_change) (void)SetAlarmTime(block, *time_change);
    for (const auto& [index, f] : temp_changes) (void)SetAlarmTempF(block, index, f);
    if (int r = c_.config->WriteAlarms(block); r != kConfigOk) return Result(r, "write the alarms");
  }
  char buf[96];
  const auto t = AlarmTime(block);
  if (t) {
    std::snprintf(buf, sizeof buf, "Time alarm           %02d:%02d\n", *t / 60, *t % 60);
  } else {
    std::snprintf(buf, sizeof buf, "Time alarm           off\n");
  }
  Print(buf);
  auto temp_line = [&](std::size_t index) {
    const auto f = AlarmTempF(block, index);
    if (f) {
      std::snprintf(buf, sizeof buf, "Temperature byte %2zu  %d F (%.1f C)\n", index, *f, *AlarmTempC(block, index));
    } else {
      std::snprintf(buf, sizeof buf, "Temperature byte %2zu  off\n", index);
    }
    Print(buf);
  };
  for (std::size_t i = alarm::kTemp90First; i <= alarm::kTemp90Last; ++i) temp_line(i);
  for (std::size_t i = alarm::kTemp120First; i <= alarm::kTemp120Last; ++i) temp_line(i);
  // Rain thresholds are kept in clicks of the console's collector.
  const int code = c_.config->GetRainCollector();
  const auto click = RainClickInches(code);
  if (!click) return Result(kConfigFailed, "read the rain collector");
  std::snprintf(buf, sizeof buf, "Rain thresholds in clicks of %.4f in\n", *click);
  Print(buf);
  return kExitOk;
}

// ---- transmitters ----

int Runner::Transmitters() {
  std::vector<std::pair<std::size_t, int>> changes;  // id - 1, type
  for (std::size_t i = 0; i < opts_.size(); ++i) {
    if (opts_[i] != "--set" || i + 1 >= opts_.size()) return Usage(sub_, "unknown option '" + opts_[i] + "'");
    const std::string& kv = opts_[++i];
    const auto eq = kv.find('=');
    const auto id = ToInt(kv.substr(0, eq));
    const std::string type_text = eq == std::string::npos ? "" : kv.substr(eq + 1);
    const auto type = type_text == "none" ? std::optional<int>(kTxTypeNone) : ToInt(type_text);
    if (!id || *id < 1 || *id > static_cast<int>(kTransmitterCount) || !type || *type < 0 || *type > kTxTypeNone) {
      return Usage(sub_, "--set takes ID=TYPE with ID 1..8 and TYPE 0..9 or none");
    }
    changes.emplace_back(static_cast<std::size_t>(*id - 1), *type);
  }
  if (!OpenConsole()) return kExitFailed;
  TransmitterTable table;
  std::array<std::uint8_t, kTransmitterTableSize> raw{};
  if (int r = c_.config->ReadTransmitters(table, &raw); r != kConfigOk) return Result(r, "read the transmitters");
  if (!changes.empty()) {
    for (const auto& [index, type] : changes) SetTransmitterType(raw, index, type);
    if (int r = c_.config->WriteTransmitters(raw); r != kConfigOk) return Result(r, "write the transmitters");
    if (!c_.session->NewSetup()) return Result(kConfigFailed, "apply the transmitters");
    table = DecodeTransmitters(raw);
  }
  Print("ID  type  code  channels\n");
  for (std::size_t i = 0; i < table.size(); ++i) {
    char buf[80];
    const auto& e = table[i];
    if (e.type == kTxTypeNone) {
      std::snprintf(buf, sizeof buf, "%2zu  none\n", i + 1);
    } else {
      std::snprintf(buf, sizeof buf, "%2zu  %4d  %4d  %d %d\n", i + 1, e.type, e.code, e.channel_low, e.channel_high);
    }
    Print(buf);
  }
  const int tx = AnemometerTransmitter(table);
  Print(tx == kNoAnemometerTx ? std::string("Anemometer transmitter: none\n")
                              : "Anemometer transmitter: " + std::to_string(tx) + "\n");
  return kExitOk;
}

// ---- clear ----

int Runner::Clear() {
  ClearChoices c;
  std::vector<std::string> items;
  for (std::size_t i = 0; i < opts_.size(); ++i) {
    const std::string& o = opts_[i];
    if (o == "--highs") {
      c.highs[0] = c.highs[1] = c.highs[2] = true;
    } else if (o == "--lows") {
      c.lows[0] = c.lows[1] = c.lows[2] = true;
    } else if (o == "--graphs") {
      c.graphs = true;
    } else if (o == "--archive") {
      c.archive = true;
    } else if (o == "--alarms") {
      c.alarms = true;
    } else if (o == "--calibration") {
      c.calibration = true;
    } else if (o == "--totals") {
      c.totals.assign(kClearableTotals.begin(), kClearableTotals.end());
    } else if (o == "--total" && i + 1 < opts_.size()) {
      const auto n = ToInt(opts_[++i]);
      if (!n || std::find(kClearableTotals.begin(), kClearableTotals.end(), *n) == kClearableTotals.end()) {
        return Usage(sub_, "--total takes one of 13, 16, 17, 14, 26, 25, 27");
      }
      c.totals.push_back(*n);
    } else {
      return Usage(sub_, "unknown option '" + o + "'");
    }
  }
  if (c.highs[0]) items.push_back("highs");
  if (c.lows[0]) items.push_back("lows");
  if (c.graphs) items.push_back("graphs");
  if (c.archive) items.push_back("archive");
  if (c.alarms) items.push_back("alarms");
  if (c.calibration) items.push_back("calibration");
  if (!c.totals.empty()) items.push_back("totals");
  if (items.empty()) return Usage(sub_, "nothing to clear");
  std::string list;
  for (std::size_t i = 0; i < items.size(); ++i) list += (i == 0 ? "" : ", ") + items[i];
  // Every question comes before the first command, so that a "no" sends nothing.
  if (!Confirm(Printf(LoadString(kStrConfirmClear), list))) return kExitFailed;
  if (c.archive && !Confirm(LoadString(kStrConfirmClearArchive))) return kExitFailed;
  if (!OpenConsole()) return kExitFailed;
  std::string step;
  const int r = RunClearSequence(*c_.config, &c_.station, c, &step);
  if (r == kConfigOk) Print("Cleared: " + list + "\n");
  return Result(r, "clear the " + step);
}

// ---- password ----

// Reads one line; on a terminal without echo.
std::optional<std::string> ReadSecretLine(std::FILE* in, const char* prompt) {
  const int fd = fileno(in);
  const bool tty = isatty(fd) != 0;
  termios saved{};
  if (tty) {
    std::fprintf(stderr, "%s", prompt);
    if (tcgetattr(fd, &saved) == 0) {
      termios quiet = saved;
      quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
      (void)tcsetattr(fd, TCSANOW, &quiet);
    }
  }
  std::string line;
  int ch = 0;
  bool any = false;
  while ((ch = std::fgetc(in)) != EOF && ch != '\n') {
    any = true;
    if (line.size() < 256) line.push_back(static_cast<char>(ch));
  }
  if (tty) {
    (void)tcsetattr(fd, TCSANOW, &saved);
    std::fprintf(stderr, "\n");
  }
  if (!any && ch == EOF) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

int Runner::Password() {
  const bool none = HasFlag(opts_, "--none");
  if (opts_.size() != (none ? 1u : 0u)) return Usage(sub_);
  std::string upper;
  if (!none) {
    std::FILE* in = env_.in ? env_.in : stdin;
    const auto first = ReadSecretLine(in, "Password: ");
    const auto second = first ? ReadSecretLine(in, "Password again: ") : std::nullopt;
    if (!first || !second) return Usage(sub_, "the password is read twice from the terminal or stdin");
    std::string message;
    const auto checked = ValidatePassword(*first, *second, &message);
    if (!checked) {
      ErrorMessage(message);
      return kExitFailed;
    }
    upper = *checked;
  }
  if (!OpenConsole()) return kExitFailed;
  const int r = none ? ClearSettingsPassword(*c_.config, ProgramFolder())
                     : SetSettingsPassword(*c_.config, ProgramFolder(), upper);
  if (r == kConfigOk) Print(none ? "Settings password removed\n" : "Settings password set\n");
  return Result(r, none ? "remove the settings password" : "set the settings password");
}

int Setting(int (Runner::*command)(), const Args& args, const ConsoleCommandEnv& env) {
  Runner runner(args, env);
  return runner.Run(command);
}

}  // namespace

int ConsoleSetTime(const Args& a, const ConsoleCommandEnv& e) { return Setting(&Runner::SetTime, a, e); }
int ConsoleSetPeriod(const Args& a, const ConsoleCommandEnv& e) { return Setting(&Runner::SetPeriod, a, e); }
int ConsoleSetBar(const Args& a, const ConsoleCommandEnv& e) { return Setting(&Runner::SetBar, a, e); }
int ConsoleRainCollector(const Args& a, const ConsoleCommandEnv& e) { return Setting(&Runner::RainCollector, a, e); }
int ConsoleCupSize(const Args& a, const ConsoleCommandEnv& e) { return Setting(&Runner::CupSize, a, e); }
int ConsoleLatLong(const Args& a, const ConsoleCommandEnv& e) { return Setting(&Runner::LatLong, a, e); }
int ConsoleYearRain(const Args& a, const ConsoleCommandEnv& e) { return Setting(&Runner::YearRain, a, e); }
int ConsoleUnits(const Args& a, const ConsoleCommandEnv& e) { return Setting(&Runner::Units, a, e); }
int ConsoleCalibration(const Args& a, const ConsoleCommandEnv& e) { return Setting(&Runner::Calibration, a, e); }
int ConsoleAlarms(const Args& a, const ConsoleCommandEnv& e) { return Setting(&Runner::Alarms, a, e); }
int ConsoleTransmitters(const Args& a, const ConsoleCommandEnv& e) { return Setting(&Runner::Transmitters, a, e); }
int ConsoleClear(const Args& a, const ConsoleCommandEnv& e) { return Setting(&Runner::Clear, a, e); }
int ConsolePassword(const Args& a, const ConsoleCommandEnv& e) { return Setting(&Runner::Password, a, e); }

}  // namespace sq::ui
