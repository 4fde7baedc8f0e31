// console FOLDER loop: current conditions from the console's real-time packets, one
// block of text (or one JSON object per line) per reading, in the display units of the
// program folder (the defaults when it has none). Where the console streams LOOP2
// packets a reading is a LOOP packet and the LOOP2 packet after it.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/dirs.h"
#include "app/messages.h"
#include "app/port_map.h"
#include "app/program_config.h"
#include "app/station.h"
#include "foundation/display_units.h"
#include "foundation/file_util.h"
#include "foundation/prog_config_data.h"
#include "link/comm_error.h"
#include "link/loop_packets.h"
#include "link/serial_port_manager.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "ui/cli.h"
#include "ui/commands.h"
#include "ui/console_commands.h"
#include "ui/json_text.h"

namespace sq::ui {
namespace {

using DU = DisplayUnits;

constexpr int kMaxCount = 1000;
// Damaged packets without a complete reading in between before the command gives up.
constexpr int kMaxDamaged = 3;
constexpr const char* kNone = "---";

int LoopUsage(FILE* out) {
  std::fprintf(out,
               "Usage: stratoquill console FOLDER loop [--count N] [--json]\n"
               "\n"
               "Reads N readings of current conditions (default 1, at most %d) from the\n"
               "console of the station in FOLDER and prints each in the display units of\n"
               "the program folder. Consoles that support it also send the second packet\n"
               "kind, whose values are shown as well. --json prints one JSON object per\n"
               "reading on a line of its own; values without a reading are null.\n",
               kMaxCount);
  return out == stdout ? kExitOk : kExitUsage;
}

template <typename F>
std::string Format(F&& f) {
  char buf[32];
  f(std::span<char>(buf));
  return buf;
}

std::string Printf(const char* fmt, double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, fmt, v);
  return buf;
}

bool HumidityMissing(std::uint8_t h) { return h > 100; }  // 255, and 127/128 before any packet
bool LeafSoilMissing(std::uint8_t v) { return v == 255 || v == 128; }

// One reading as texts of display values; "---" where there is none.
struct Reading {
  struct Item {
    const char* key;    // JSON name
    const char* label;  // text label
    std::string value;
    std::string unit;
    bool optional;  // a sensor many stations lack: left out of the text when absent
  };
  std::vector<Item> items;
  void Add(const char* key, const char* label, std::string value, std::string unit = {}) {
    items.push_back({key, label, std::move(value), std::move(unit), false});
  }
  void AddOptional(const char* key, const char* label, std::string value, std::string unit = {}) {
    items.push_back({key, label, std::move(value), std::move(unit), true});
  }
};

std::string TempText(std::int16_t tenths) {
  const float v = DU::ConvertTemp(tenths, false);
  return Format([&](std::span<char> b) { DU::TempStr(v, b, true); });
}

std::string ByteTempText(std::uint8_t b) {
  const float v = DU::ConvertByteTemp(b, false);
  return Format([&](std::span<char> s) { DU::TempStr(v, s, true); });
}

std::string HumText(std::uint8_t h) {
  if (HumidityMissing(h)) return kNone;
  return Format([&](std::span<char> b) { DU::HumStr(DU::ConvertByteHum(h), b); });
}

std::string SpeedText(std::uint8_t mph) {
  const float v = DU::ConvertByteSpeed(mph, false);
  return Format([&](std::span<char> b) { DU::SpeedStr(v, b, true); });
}

std::string RainText(int clicks, int type) {
  const float v = DU::RainValue(clicks, type, false);
  return Format([&](std::span<char> b) { DU::RainStr(v, b, true); });
}

std::string EtText(float inches) {
  return Format([&](std::span<char> b) { DU::ETStr(inches, b); });
}

std::string IntText(int v, bool missing) { return missing ? std::string(kNone) : std::to_string(v); }

std::string ClockText(std::int16_t hhmm) {
  if (hhmm < 0 || hhmm % 100 > 59 || hhmm / 100 > 23) return kNone;
  char buf[16];  // roomy: the compiler cannot see the range check above
  std::snprintf(buf, sizeof buf, "%02d:%02d", hhmm / 100, hhmm % 100);
  return buf;
}

std::string HexText(unsigned v, int digits) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%0*X", digits, v);
  return buf;
}

Reading Describe(const LoopRecord& r, int rain_type, bool loop2) {
  Reading out;
  const std::string temp_unit = DU::tempUnitStr;
  const std::string rain_unit = DU::rainUnitStr;
  out.Add("outside_temperature", "Outside temperature", TempText(r.outside_temp), temp_unit);
  out.Add("inside_temperature", "Inside temperature", TempText(r.inside_temp), temp_unit);
  out.Add("outside_humidity", "Outside humidity", HumText(r.outside_hum), "%");
  out.Add("inside_humidity", "Inside humidity", HumText(r.inside_hum), "%");
  const float bar = DU::ConvertBar(r.barometer, false);
  out.Add("barometer", "Barometer", Format([&](std::span<char> b) { DU::BarStr(bar, b, true); }), DU::barUnitStr);
  out.Add(
      "barometer_trend", "Barometer trend",
      r.bar_trend == -32768 ? std::string(kNone) : Format([&](std::span<char> b) { DU::BarTrendStr(r.bar_trend, b); }));
  const bool no_wind = r.wind_speed == 255;
  out.Add("wind_speed", "Wind speed", SpeedText(r.wind_speed), DU::windSpeedUnitStr);
  out.Add("wind_speed_10min", "10-minute average wind", SpeedText(r.avg_wind_speed), DU::windSpeedUnitStr);
  const bool no_dir = no_wind || r.wind_dir == -32768 || r.wind_dir == 0x7FFF || r.wind_dir < 0 || r.wind_dir > 360;
  out.Add("wind_direction", "Wind direction", IntText(r.wind_dir == 0 ? 360 : r.wind_dir, no_dir), "degrees");
  const bool no_rate = r.rain_rate == -32768 || r.rain_rate == -1;
  const float rate = no_rate ? DU::kMissingFloat : DU::ConvertRate(r.rain_rate, rain_type, false);
  out.Add("rain_rate", "Rain rate", Format([&](std::span<char> b) { DU::RainStr(rate, b, true); }), rain_unit + "/h");
  out.Add("rain_day", "Rain today", RainText(r.day_rain, rain_type), rain_unit);
  out.Add("rain_storm", "Storm rain", RainText(r.storm_rain, rain_type), rain_unit);
  out.Add("rain_month", "Rain this month", RainText(r.month_rain, rain_type), rain_unit);
  out.Add("rain_year", "Rain this year", RainText(r.year_rain, rain_type), rain_unit);
  // The console counts today's ET in thousandths and the month's and year's, without
  // today, in hundredths of an inch.
  const bool no_day_et = r.day_et == -32768;
  const float day_et = no_day_et ? 0.0f : static_cast<float>(r.day_et / 10) / 100.0f;
  auto total_et = [&](std::int16_t raw) {
    return raw == -32768 ? DU::kMissingFloat : static_cast<float>(raw) / 100.0f + day_et;
  };
  out.Add("et_day", "ET today", EtText(no_day_et ? DU::kMissingFloat : day_et), rain_unit);
  out.Add("et_month", "ET this month", EtText(total_et(r.month_et)), rain_unit);
  out.Add("et_year", "ET this year", EtText(total_et(r.year_et)), rain_unit);
  out.Add("solar_radiation", "Solar radiation", r.solar == -32768 ? std::string(kNone) : Format([&](std::span<char> b) {
            DU::SolarRadStr(static_cast<float>(r.solar), b);
          }),
          DU::solarUnitStr);
  out.Add("uv_index", "UV index", Format([&](std::span<char> b) { DU::UVStr(r.uv, b); }));
  static const char* const kExtraTemp[] = {"extra_temperature_1", "extra_temperature_2", "extra_temperature_3",
                                           "extra_temperature_4", "extra_temperature_5", "extra_temperature_6",
                                           "extra_temperature_7"};
  static const char* const kExtraHum[] = {"extra_humidity_1", "extra_humidity_2", "extra_humidity_3",
                                          "extra_humidity_4", "extra_humidity_5", "extra_humidity_6",
                                          "extra_humidity_7"};
  static const char* const kExtraTempLabel[] = {"Extra temperature 1", "Extra temperature 2", "Extra temperature 3",
                                                "Extra temperature 4", "Extra temperature 5", "Extra temperature 6",
                                                "Extra temperature 7"};
  static const char* const kExtraHumLabel[] = {"Extra humidity 1", "Extra humidity 2", "Extra humidity 3",
                                               "Extra humidity 4", "Extra humidity 5", "Extra humidity 6",
                                               "Extra humidity 7"};
  for (int i = 0; i < 7; ++i) {
    out.AddOptional(kExtraTemp[i], kExtraTempLabel[i], ByteTempText(r.extra_temps[i]), temp_unit);
    out.AddOptional(kExtraHum[i], kExtraHumLabel[i], HumText(r.extra_hums[i]), "%");
  }
  static const char* const kSoilTemp[] = {"soil_temperature_1", "soil_temperature_2", "soil_temperature_3",
                                          "soil_temperature_4"};
  static const char* const kSoilMoist[] = {"soil_moisture_1", "soil_moisture_2", "soil_moisture_3", "soil_moisture_4"};
  static const char* const kLeafTemp[] = {"leaf_temperature_1", "leaf_temperature_2", "leaf_temperature_3",
                                          "leaf_temperature_4"};
  static const char* const kLeafWet[] = {"leaf_wetness_1", "leaf_wetness_2", "leaf_wetness_3", "leaf_wetness_4"};
  static const char* const kSoilTempLabel[] = {"Soil temperature 1", "Soil temperature 2", "Soil temperature 3",
                                               "Soil temperature 4"};
  static const char* const kSoilMoistLabel[] = {"Soil moisture 1", "Soil moisture 2", "Soil moisture 3",
                                                "Soil moisture 4"};
  static const char* const kLeafTempLabel[] = {"Leaf temperature 1", "Leaf temperature 2", "Leaf temperature 3",
                                               "Leaf temperature 4"};
  static const char* const kLeafWetLabel[] = {"Leaf wetness 1", "Leaf wetness 2", "Leaf wetness 3", "Leaf wetness 4"};
  for (int i = 0; i < 4; ++i) {
    out.AddOptional(kSoilTemp[i], kSoilTempLabel[i], ByteTempText(r.soil_temps[i]), temp_unit);
    out.AddOptional(kSoilMoist[i], kSoilMoistLabel[i],
                    IntText(r.soil_moistures[i], LeafSoilMissing(r.soil_moistures[i])), "cb");
    out.AddOptional(kLeafTemp[i], kLeafTempLabel[i], ByteTempText(r.leaf_temps[i]), temp_unit);
    out.AddOptional(kLeafWet[i], kLeafWetLabel[i], IntText(r.leaf_wetnesses[i], LeafSoilMissing(r.leaf_wetnesses[i])));
  }
  out.Add("forecast_icons", "Forecast icons", std::to_string(r.forecast_icons));
  out.Add("forecast_rule", "Forecast rule", std::to_string(r.forecast_rule));
  out.Add("sunrise", "Sunrise", ClockText(r.sunrise));
  out.Add("sunset", "Sunset", ClockText(r.sunset));
  out.Add("transmitter_battery_status", "Transmitter battery status", std::to_string(r.transmitter_battery));
  const float volts = ConsoleBatteryVolts(r.console_battery);
  out.Add("console_battery", "Console battery",
          r.console_battery == -32768 ? std::string(kNone) : Printf("%.2f", volts), "V");
  out.Add("inside_alarms", "Inside alarms", HexText(r.inside_alarms, 2));
  out.Add("rain_alarms", "Rain alarms", HexText(r.rain_alarms, 2));
  out.Add("outside_alarms", "Outside alarms", HexText(static_cast<std::uint16_t>(r.outside_alarms), 4));
  std::string extra, soil_leaf;
  for (auto b : r.extra_alarms) extra += HexText(b, 2).substr(2);
  for (auto b : r.soil_leaf_alarms) soil_leaf += HexText(b, 2).substr(2);
  out.Add("extra_alarms", "Extra sensor alarms", "0x" + extra);
  out.Add("soil_leaf_alarms", "Soil and leaf alarms", "0x" + soil_leaf);
  if (loop2) {
    out.Add("loop2_value20", "Second packet, value 20", std::to_string(r.loop2_value20));
    out.Add("loop2_value22", "Second packet, value 22", std::to_string(r.loop2_value22));
    out.Add("loop2_value54", "Second packet, value 54", std::to_string(r.loop2_value54));
    out.Add("loop2_value58", "Second packet, value 58", std::to_string(r.loop2_value58));
    out.Add("loop2_value69", "Second packet, value 69", std::to_string(r.loop2_value69));
  }
  return out;
}

// Numbers as JSON numbers, everything else as strings.
bool IsNumber(const std::string& s) {
  if (s.empty()) return false;
  char* end = nullptr;
  std::strtod(s.c_str(), &end);
  return end != nullptr && *end == '\0' && s.find_first_of("xX") == std::string::npos;
}

void PrintText(const Reading& reading, int number) {
  std::printf("Reading %d\n", number);
  for (const auto& item : reading.items) {
    if (item.optional && item.value == kNone) continue;
    const bool unit = !item.unit.empty() && item.value != kNone;
    std::printf("  %-28s %s%s%s\n", item.label, item.value.c_str(), unit ? " " : "", unit ? item.unit.c_str() : "");
  }
  std::printf("\n");
}

void PrintJson(const Reading& reading, int number) {
  std::string line = "{\"reading\":" + std::to_string(number) +
                     ",\"units\":{\"temperature\":" + JsonString(DU::tempUnitStr) +
                     ",\"barometer\":" + JsonString(DU::barUnitStr) + ",\"wind\":" + JsonString(DU::windSpeedUnitStr) +
                     ",\"rain\":" + JsonString(DU::rainUnitStr) + "}";
  for (const auto& item : reading.items) {
    line += ",";
    line += JsonString(item.key);
    line += ":";
    if (item.value == kNone) {
      line += "null";
    } else if (IsNumber(item.value)) {
      line += item.value;
    } else {
      line += JsonString(item.value);
    }
  }
  line += "}";
  std::printf("%s\n", line.c_str());
}

}  // namespace

int RunConsoleLoop(const Args& args) {
  // args: console FOLDER loop [options]
  int count = 1;
  bool json = false;
  for (std::size_t i = 3; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (IsHelp(a)) return LoopUsage(stdout);
    if (a == "--json") {
      json = true;
    } else if (a == "--count" && i + 1 < args.size()) {
      char* end = nullptr;
      const long n = std::strtol(args[++i].c_str(), &end, 10);
      if (end == args[i].c_str() || *end != '\0' || n < 1 || n > kMaxCount) {
        std::fprintf(stderr, "stratoquill console loop: --count needs a number from 1 to %d\n", kMaxCount);
        return kExitUsage;
      }
      count = static_cast<int>(n);
    } else {
      std::fprintf(stderr, "stratoquill console loop: unexpected argument %s\n", a.c_str());
      return LoopUsage(stderr);
    }
  }
  if (args.size() < 3) return LoopUsage(stderr);
  const std::string& folder = args[1];
  Station station;
  if (!LoadStation("console", folder, &station, NoStationMessage::kCannotRead)) return kExitFailed;
  PortMap ports;
  std::string port_error;
  if (ports.Load(ProgramFolder(), &port_error) != 0 && !port_error.empty()) {
    std::fprintf(stderr, "stratoquill: %s\n", port_error.c_str());
  }
  const auto connection = station.GetConnection(&ports);
  if (!connection) {
    std::fprintf(stderr, "stratoquill console: the station has no connection configured\n");
    return kExitFailed;
  }
  ApplyProgramUnits();
  const int rain_type = station.record().rain_type;
  DU::SetStationRainType(rain_type);

  const CommSettings settings = CommSettingsFrom(*connection);
  SerialPortManager manager;
  SerialSession* session = manager.CreateSession(settings);
  if (session == nullptr) {
    return Fail("console", std::string(LoadString(string_id::kNoSession)));
  }
  session->set_station_model(station.record().model);
  LoopPackets loop(*session);
  const bool loop2 = settings.console_family == kFamilyCorvale && loop.Loop2Supported();
  const int kind = loop2 ? kLoopKindBoth : kLoopKindLoop;
  if (loop.StartLoop(count, kind) != 0) return ConsoleExchangeFailed("starting the packet stream", *session);

  LinkClock& clock = session->clock();
  LoopRecord record;
  bool have_loop = false;
  int shown = 0;
  int damaged = 0;
  std::int64_t last_packet = clock.NowMs();
  while (shown < count) {
    const int r = loop.ReadLoopPacket(record);
    if (r == kLoopOk) {
      last_packet = clock.NowMs();
      const bool second = IsLoop2Packet(loop.lastPacket());
      have_loop = have_loop || !second;
      // A reading is complete with its LOOP packet, or with the LOOP2 packet after it.
      if (have_loop && second == loop2) {
        const Reading reading = Describe(record, rain_type, loop2);
        ++shown;
        json ? PrintJson(reading, shown) : PrintText(reading, shown);
        std::fflush(stdout);
        damaged = 0;
      }
      continue;
    }
    if (r == kLoopPending) {
      if (clock.NowMs() - last_packet < kLoopPacketsLimitMs) continue;
      loop.StopLoop();
      ErrorMessage(LoadString(string_id::kLoopTimedOut));
      return kExitFailed;
    }
    if (r == kLoopBadCrc || r == kLoopBadHeader) {
      std::fprintf(
          stderr, "%s\n",
          std::string(LoadString(r == kLoopBadCrc ? string_id::kLoopCrcError : string_id::kLoopHeaderError)).c_str());
      // The packets after a damaged one may be out of step: ask again for what is left.
      loop.StopLoop();
      if (++damaged > kMaxDamaged) return ConsoleExchangeFailed("reading packets", *session);
      if (loop.StartLoop(count - shown, kind) != 0)
        return ConsoleExchangeFailed("restarting the packet stream", *session);
      last_packet = clock.NowMs();
      continue;
    }
    loop.StopLoop();
    return ConsoleExchangeFailed("reading packets", *session);
  }
  loop.StopLoop();
  return kExitOk;
}

}  // namespace sq::ui
