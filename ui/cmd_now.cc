// now FOLDER: the current conditions of a station, live. On a terminal a panel that
// redraws in place after every packet; otherwise (or with --json) one JSON object per
// update. While `stratoquill run` keeps the station (it holds the console's port),
// the values come from the snapshot it writes, with their age.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "app/dirs.h"
#include "app/messages.h"
#include "app/port_map.h"
#include "app/program_config.h"
#include "app/run_loop.h"
#include "app/station.h"
#include "foundation/clock.h"
#include "foundation/date_time.h"
#include "foundation/display_units.h"
#include "foundation/file_util.h"
#include "foundation/prog_config_data.h"
#include "link/comm_error.h"
#include "link/serial_port_manager.h"
#include "realtime/bulletin_fields.h"
#include "realtime/bulletin_snapshot.h"
#include "realtime/realtime_manager.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "ui/cli.h"
#include "ui/commands.h"
#include "ui/json_text.h"

namespace sq::ui {
namespace {

using DU = DisplayUnits;

constexpr long kMaxCount = 1000000;
constexpr std::int64_t kSnapshotPollMs = 1000;
// A snapshot older than this is shown with a warning: `run` may have stopped polling.
constexpr std::int64_t kStaleMs = 60000;
constexpr const char* kNone = "---";

int NowUsage(FILE* out) {
  std::fprintf(out,
               "Usage: stratoquill now FOLDER [--json] [--count N]\n"
               "\n"
               "Shows the current conditions of the station in FOLDER from its console's\n"
               "real-time packets, in the display units of the program folder: values with\n"
               "today's highs and lows and their times, rain of the last hour and 24 hours,\n"
               "wind averages and gusts, barometer trend, forecast, sunrise and sunset, and\n"
               "batteries. On a terminal the panel redraws in place until Ctrl-C. While\n"
               "'stratoquill run' keeps the station, the values come from the snapshot it\n"
               "writes, and the panel says how old they are.\n"
               "\n"
               "  --json     one JSON object per update, one line each (also without a terminal)\n"
               "  --count N  stop after N updates\n");
  return out == stdout ? kExitOk : kExitUsage;
}

// Formatting follows the units the values were converted with.
void ApplyUnitsOf(const BulletinData& d) {
  DU::SetTempUnit(d.units.temp);
  DU::SetBarUnit(d.units.bar);
  DU::SetWindSpeedUnit(d.units.wind);
  DU::SetRainUnit(d.units.rain);
  DU::SetDensityUnit(d.units.density);
  DU::SetHumPrecision(d.units.hum_decimals);
}

int Decimals(std::string_view name, int kind) {
  using namespace field;
  const bool mm = DU::rainUnit == DU::kRainMillimetres;
  if (kind & kTemperature) return 1;
  if (kind & kHumidity) return DU::humPrec;
  if (kind & kBarometer) return DU::barUnit == DU::kBarInches ? 3 : 1;
  if (kind & kWind) return 1;
  if (kind & (kRain | kRainRate)) return mm ? 1 : 2;
  if (kind & kEt) return mm ? 2 : 3;
  if (name == "uv_index" || name == "emc") return 1;
  if (name == "air_density") return 4;
  if (name == "console_battery") return 2;
  return 0;
}

std::string Number(float v, int decimals) {
  if (IsNoValue(v) || v == kNoHigh) return {};
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, static_cast<double>(v));
  return buf;
}

std::string ClockText(int minutes) {
  if (minutes < 0 || minutes >= 1440) return {};
  DateTime t;
  t.packed_time = static_cast<std::int16_t>(minutes);
  t.UnpackTime();
  std::string s = t.GetTimeStr();
  const auto first = s.find_first_not_of(' ');
  return first == std::string::npos ? s : s.substr(first);
}

// Times in JSON are "HH:MM", whatever the regional format.
std::string JsonClock(int minutes) {
  if (minutes < 0 || minutes >= 1440) return "null";
  char buf[16];
  std::snprintf(buf, sizeof buf, "\"%02d:%02d\"", minutes / 60 % 24, minutes % 60);
  return buf;
}

std::string JsonNumber(const std::string& s) { return s.empty() ? "null" : s; }

// One update as a JSON object: every shown value, null where there is none.
std::string Json(const BulletinData& d, const char* source, std::int64_t age_ms) {
  std::string o = "{\"source\":";
  o += JsonString(source);
  o += ",\"age_seconds\":" + std::to_string(age_ms / 1000);
  o += ",\"units\":{\"temperature\":" + JsonString(DU::tempUnitStr) + ",\"barometer\":" + JsonString(DU::barUnitStr) +
       ",\"wind\":" + JsonString(DU::windSpeedUnitStr) + ",\"rain\":" + JsonString(DU::rainUnitStr) +
       ",\"air_density\":" + JsonString(DU::airDUnitStr) + "}";
  auto add = [&](std::string_view key, const std::string& value) {
    o += ",";
    o += JsonString(key);
    o += ":";
    o += value;
  };
  VisitBulletinFields(d, [&](std::string_view name, const auto& value, int kind) {
    using T = std::decay_t<decltype(value)>;
    if (kind & field::kInternal) return;
    if (name.starts_with("unit_") || name == "humidity_decimals" || name == "have_data") return;
    if constexpr (std::is_same_v<T, Tracked>) {
      const int dec = Decimals(name, kind);
      add(name, JsonNumber(Number(value.now, dec)));
      const std::string n(name);
      if ((kind & field::kHigh) && value.HasHigh()) {
        add(n + "_high", JsonNumber(Number(value.high, dec)));
        add(n + "_high_time", JsonClock(value.high_time));
      } else if (kind & field::kHigh) {
        add(n + "_high", "null");
        add(n + "_high_time", "null");
      }
      if ((kind & field::kLow) && value.HasLow()) {
        add(n + "_low", JsonNumber(Number(value.low, dec)));
        add(n + "_low_time", JsonClock(value.low_time));
      } else if (kind & field::kLow) {
        add(n + "_low", "null");
        add(n + "_low_time", "null");
      }
    } else if constexpr (std::is_same_v<T, std::string>) {
      add(name, JsonString(value));
    } else if constexpr (std::is_same_v<T, float>) {
      add(name, JsonNumber(Number(value, Decimals(name, kind))));
    } else if constexpr (std::is_same_v<T, bool>) {
      add(name, value ? "true" : "false");
    } else if constexpr (std::is_integral_v<T>) {
      if (kind & field::kMinutes) {
        add(name, JsonClock(static_cast<int>(value)));
      } else if (name == "wind_direction" || name == "barometer_trend") {
        add(name, value == -32768 ? "null" : std::to_string(value));
      } else {
        add(name, std::to_string(value));
      }
    }
  });
  for (int m : {2, 10}) {
    // The current minute and the m before it, as the pages count them.
    add("wind_avg_" + std::to_string(m) + "min", JsonNumber(Number(d.AvgWindSpeed(m + 1), 1)));
    add("wind_gust_" + std::to_string(m) + "min", JsonNumber(Number(d.HiWindSpeed(m + 1), 1)));
  }
  return o + "}";
}

std::string Text(const std::string& s) { return s.empty() ? kNone : s; }

std::string Row(const char* label, const Tracked& t, int kind, const char* unit, std::string_view name = "") {
  const int dec = Decimals(name, kind);
  char buf[160];
  std::string hi = "", lo = "";
  if ((kind & field::kHigh) && t.HasHigh()) hi = Number(t.high, dec) + " at " + ClockText(t.high_time);
  if ((kind & field::kLow) && t.HasLow()) lo = Number(t.low, dec) + " at " + ClockText(t.low_time);
  const std::string now = Number(t.now, dec);
  std::snprintf(buf, sizeof buf, "  %-20s %9s %-8s %-18s %-18s\n", label, Text(now).c_str(), now.empty() ? "" : unit,
                (kind & field::kHigh) ? Text(hi).c_str() : "", (kind & field::kLow) ? Text(lo).c_str() : "");
  return buf;
}

std::string Line(const char* label, const std::string& value) {
  char buf[320];
  std::snprintf(buf, sizeof buf, "  %-20s %s\n", label, value.c_str());
  return buf;
}

std::string Panel(const BulletinData& d, const std::string& station, const std::string& status) {
  using namespace field;
  const std::string temp = DU::tempUnitStr, bar = DU::barUnitStr, wind = DU::windSpeedUnitStr, rain = DU::rainUnitStr;
  std::string p = station + " - " + status + "\n\n";
  char head[160];
  std::snprintf(head, sizeof head, "  %-20s %9s %-8s %-18s %-18s\n", "", "now", "", "today's high", "today's low");
  p += head;
  p += Row("Outside temperature", d.outside_temp, kBoth | kTemperature, temp.c_str());
  p += Row("Outside humidity", d.outside_hum, kBoth | kHumidity, "%");
  p += Row("Dew point", d.dew_point, kBoth | kTemperature, temp.c_str());
  p += Row("Wind chill", d.wind_chill, kLow | kTemperature, temp.c_str());
  p += Row("Heat index", d.heat_index, kBoth | kTemperature, temp.c_str());
  p += Row("Inside temperature", d.inside_temp, kBoth | kTemperature, temp.c_str());
  p += Row("Inside humidity", d.inside_hum, kBoth | kHumidity, "%");
  p += Row("Barometer", d.barometer, kBoth | kBarometer, bar.c_str());
  p += Row("Wind speed", d.wind_speed, kHigh | kWind, wind.c_str());
  p += Row("Rain rate", d.rain_rate, kHigh | kRainRate, (rain + "/h").c_str());
  p += Row("Solar radiation", d.solar, kHigh, "W/m2");
  p += Row("UV index", d.uv, kHigh, "", "uv_index");
  for (std::size_t i = 0; i < d.extra_temps.size(); ++i) {
    if (IsNoValue(d.extra_temps[i].now)) continue;
    const std::string label = "Extra temperature " + std::to_string(i + 1);
    p += Row(label.c_str(), d.extra_temps[i], kBoth | kTemperature, temp.c_str());
  }
  p += "\n";
  char buf[256];
  char trend[32] = "---";
  if (d.bar_trend != -32768) DU::BarTrendStr(d.bar_trend, trend);
  p += Line("Barometer trend", trend);
  std::string dir = kNone;
  if (d.wind_dir != kNoDirection) {
    char point[16];
    DU::DomDirStr(static_cast<int>(std::floor((d.wind_dir + 11.25) / 22.5)) % 16, point);
    dir = std::to_string(d.wind_dir) + " degrees (" + point + ")";
  }
  p += Line("Wind direction", dir);
  std::snprintf(buf, sizeof buf, "2 min %s, 10 min %s %s (console's 10 min %s)",
                Text(Number(d.AvgWindSpeed(3), 1)).c_str(), Text(Number(d.AvgWindSpeed(11), 1)).c_str(), wind.c_str(),
                Text(Number(d.avg_wind_speed, 1)).c_str());
  p += Line("Wind average", buf);
  std::snprintf(buf, sizeof buf, "2 min %s, 10 min %s %s", Text(Number(d.HiWindSpeed(3), 1)).c_str(),
                Text(Number(d.HiWindSpeed(11), 1)).c_str(), wind.c_str());
  p += Line("Wind gust", buf);
  const int rd = Decimals("", kRain);
  std::snprintf(buf, sizeof buf, "last hour %s, last 24 hours %s, today %s, storm %s %s",
                Text(Number(d.HourRain(), rd)).c_str(), Text(Number(d.Hour24Rain(), rd)).c_str(),
                Text(Number(d.day_rain, rd)).c_str(), Text(Number(d.storm_rain, rd)).c_str(), rain.c_str());
  p += Line("Rain", buf);
  std::snprintf(buf, sizeof buf, "month %s, year %s %s", Text(Number(d.month_rain, rd)).c_str(),
                Text(Number(d.year_rain, rd)).c_str(), rain.c_str());
  p += Line("", buf);
  const int ed = Decimals("", kEt);
  std::snprintf(buf, sizeof buf, "today %s, month %s, year %s %s", Text(Number(d.day_et, ed)).c_str(),
                Text(Number(d.month_et, ed)).c_str(), Text(Number(d.year_et, ed)).c_str(), rain.c_str());
  p += Line("Evapotranspiration", buf);
  std::snprintf(buf, sizeof buf, "THW %s, inside dew point %s, inside heat index %s %s", Text(Number(d.thw, 1)).c_str(),
                Text(Number(d.inside_dew_point, 1)).c_str(), Text(Number(d.inside_heat_index, 1)).c_str(),
                temp.c_str());
  p += Line("Indices", buf);
  p += Line("Forecast", Text(d.forecast_text));
  p += Line("Sun", "rise " + Text(ClockText(d.sunrise == kNoSunTime ? -1 : d.sunrise)) + ", set " +
                       Text(ClockText(d.sunset == kNoSunTime ? -1 : d.sunset)));
  std::snprintf(
      buf, sizeof buf, "console %s V, transmitters %s", Text(Number(d.console_battery, 2)).c_str(),
      d.transmitter_battery == 0 ? "ok" : ("low (status " + std::to_string(d.transmitter_battery) + ")").c_str());
  p += Line("Batteries", buf);
  return p;
}

struct Output {
  bool json = false;
  bool terminal = false;
  std::string station;
  long shown = 0;

  void Show(const BulletinData& d, const char* source, std::int64_t age_ms, Clock& clock) {
    ApplyUnitsOf(d);
    ++shown;
    if (json) {
      std::printf("%s\n", Json(d, source, age_ms).c_str());
    } else {
      DateTime when;
      when.SetDate(d.packet_date);
      when.packed_time = d.packet_minute;
      when.UnpackTime();
      std::string status = std::string(source) == "console" ? "live, " : "from the snapshot of 'stratoquill run', ";
      status += when.GetDateStr() + " " + ClockText(d.packet_minute);
      if (age_ms >= 2000) status += ", " + std::to_string(age_ms / 1000) + " s old";
      if (age_ms > kStaleMs) status += " (is 'stratoquill run' still polling?)";
      if (terminal) std::printf("\x1b[H\x1b[2J");
      std::printf("%s", Panel(d, station, status).c_str());
      if (terminal)
        std::printf("\n  Ctrl-C to stop.\n");
      else
        std::printf("\n");
    }
    std::fflush(stdout);
    (void)clock;
  }
};

int FromSnapshot(const std::string& folder, Output& out, long count, Clock& clock) {
  std::int64_t last_shown = -1;
  std::string error;
  std::int64_t waited = 0;
  while (!StopSignalReceived() && (count == 0 || out.shown < count)) {
    const auto s = ReadBulletinSnapshot(folder, clock, &error);
    if (!s) {
      std::fprintf(stderr, "stratoquill now: no current conditions from 'stratoquill run' yet: %s\n", error.c_str());
      return kExitFailed;
    }
    if (s->data.packet_unix_ms != last_shown) {
      last_shown = s->data.packet_unix_ms;
      out.Show(s->data, "snapshot", s->age_ms, clock);
      waited = 0;
    } else if ((waited += kSnapshotPollMs) > 10 * kStaleMs && count != 0) {
      std::fprintf(stderr, "stratoquill now: the snapshot has not changed for %lld s\n",
                   static_cast<long long>(waited / 1000));
      return kExitFailed;
    }
    if (count != 0 && out.shown >= count) break;
    clock.SleepMs(kSnapshotPollMs);
  }
  return kExitOk;
}

}  // namespace

int RunNow(const Args& args) {
  Output out;
  long count = 0;
  std::string folder;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (IsHelp(a)) return NowUsage(stdout);
    if (a == "--json") {
      out.json = true;
    } else if (a == "--count") {
      char* end = nullptr;
      const long n = i + 1 < args.size() ? std::strtol(args[++i].c_str(), &end, 10) : 0;
      if (end == nullptr || *end != '\0' || n < 1 || n > kMaxCount) {
        std::fprintf(stderr, "stratoquill now: --count takes a number from 1 to %ld\n", kMaxCount);
        return kExitUsage;
      }
      count = n;
    } else if (folder.empty() && !a.starts_with("-")) {
      folder = a;
    } else {
      std::fprintf(stderr, "stratoquill now: unexpected argument '%s'\n", a.c_str());
      return NowUsage(stderr);
    }
  }
  if (folder.empty()) return NowUsage(stderr);
  Station station;
  if (!LoadStation("now", folder, &station, NoStationMessage::kCannotRead)) return kExitFailed;
  out.terminal = !out.json && ::isatty(STDOUT_FILENO) != 0;
  out.json = out.json || ::isatty(STDOUT_FILENO) == 0;
  out.station = station.Name().empty() ? folder : station.Name();
  ApplyProgramUnits();
  DU::SetStationRainType(station.record().rain_type);
  InstallStopSignalHandlers();
  Clock& clock = Clock::Default();

  if (SnapshotKeeperRunning(folder)) return FromSnapshot(folder, out, count, clock);

  PortMap ports;
  std::string port_error;
  if (ports.Load(ProgramFolder(), &port_error) != 0 && !port_error.empty()) {
    std::fprintf(stderr, "stratoquill: %s\n", port_error.c_str());
  }
  const auto connection = station.GetConnection(&ports);
  if (!connection) {
    std::fprintf(stderr, "stratoquill now: the station has no connection configured\n");
    return kExitFailed;
  }
  SerialPortManager manager;
  SerialSession* session = manager.CreateSession(CommSettingsFrom(*connection));
  if (session == nullptr) {
    return Fail("now", std::string(LoadString(string_id::kNoSession)));
  }
  session->set_station_model(station.record().model);
  std::string failure;
  RealTimeHooks hooks;
  hooks.log = [](std::string_view text) { std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data()); };
  hooks.message = [&](std::string_view text) { failure = std::string(text); };
  hooks.updated = [&](const BulletinData& d) { out.Show(d, "console", 0, clock); };
  RealTimeManager rt(*session, clock, BulletinSiteFrom(station), hooks);
  while (!StopSignalReceived() && failure.empty() && (count == 0 || out.shown < count)) rt.Poll();
  rt.Stop();
  if (failure.empty()) return kExitOk;
  if (session->lastError() == kErrPortInUse) {
    (void)manager.CloseSession(session);
    std::fprintf(stderr, "stratoquill now: the console's port is in use; showing the snapshot\n");
    return FromSnapshot(folder, out, count, clock);
  }
  std::fprintf(stderr, "stratoquill now: %s %s\n", failure.c_str(), DescribeCommError(*session).c_str());
  return kExitFailed;
}

}  // namespace sq::ui
