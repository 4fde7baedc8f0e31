#include "link/console_config_actions.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/extra_settings.h"
#include "app/messages.h"
#include "foundation/display_units.h"
#include "link/console_config_strings.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace sq {
namespace {

constexpr std::size_t kRecordInsideTemp = 0;  // indexes into setting_1502
constexpr std::size_t kRecordOutsideTemp = 1;
constexpr std::size_t kRecordInsideHum = 2;
constexpr std::size_t kRecordOutsideHum = 3;
// The console's yearly rain counter is 16 bits wide.
constexpr int kMaxYearRainClicks = 65535;

std::uint8_t GetExtraByte(const Station& s, std::size_t offset) { return s.record().extra[offset - extra::kBase]; }
void PutExtraByte(Station& s, std::size_t offset, std::uint8_t v) { s.record().extra[offset - extra::kBase] = v; }

void SetStep(std::string* step, std::string_view text) {
  if (step) *step = std::string(text);
}

// Saves the station; false (after logging it) when it could not be written.
bool SaveStation(Station* station) {
  if (!station || station->Folder().empty()) return true;
  if (station->Save() == 0) return true;
  LoggedError(string_id::kCouldNotSaveStation);
  return false;
}

}  // namespace

void StoreCalibrationCopy(Station& station, const CalibrationOffsets& o) {
  auto& r = station.record();
  r.setting_1502[kRecordInsideTemp] = static_cast<std::uint8_t>(o[cal::kInsideTemp]);
  r.setting_1502[kRecordOutsideTemp] = static_cast<std::uint8_t>(o[cal::kOutsideTemp]);
  r.setting_1502[kRecordInsideHum] = static_cast<std::uint8_t>(o[cal::kInsideHum]);
  r.setting_1502[kRecordOutsideHum] = static_cast<std::uint8_t>(o[cal::kOutsideHum]);
  for (std::size_t i = 0; i < kFurtherTemps; ++i) r.array_1448[i] = o[cal::kFurtherTemp + i];
  r.array_1478[0] = o[cal::kOutsideHum];
  for (std::size_t i = 0; i < kFurtherHums; ++i) r.array_1478[1 + i] = o[cal::kExtraHum + i];
}

CalibrationOffsets LoadCalibrationCopy(const Station& station) {
  const auto& r = station.record();
  CalibrationOffsets o{};
  auto narrow = [](int v) { return static_cast<std::int8_t>(std::clamp(v, -128, 127)); };
  o[cal::kInsideTemp] = static_cast<std::int8_t>(r.setting_1502[kRecordInsideTemp]);
  o[cal::kOutsideTemp] = static_cast<std::int8_t>(r.setting_1502[kRecordOutsideTemp]);
  o[cal::kInsideHum] = static_cast<std::int8_t>(r.setting_1502[kRecordInsideHum]);
  o[cal::kOutsideHum] = static_cast<std::int8_t>(r.setting_1502[kRecordOutsideHum]);
  for (std::size_t i = 0; i < kFurtherTemps; ++i) o[cal::kFurtherTemp + i] = narrow(r.array_1448[i]);
  for (std::size_t i = 0; i < kFurtherHums; ++i) o[cal::kExtraHum + i] = narrow(r.array_1478[1 + i]);
  return o;
}

std::optional<int> StationZoneIndex(const Station& station) {
  const int v = GetExtraByte(station, extra::kConsoleZone);
  if (v == 0 || v > kTimeZoneCount) return std::nullopt;
  return v - 1;
}

void StoreStationZone(Station& station, int index) {
  if (!ZoneOffset(index)) return;
  PutExtraByte(station, extra::kConsoleZone, static_cast<std::uint8_t>(index + 1));
  if (const auto hours = ZoneHoursFromName(ZoneName(index))) {
    station.record().timezone_hours = static_cast<float>(*hours);
  }
}

bool StationDstOn(const Station& station) { return GetExtraByte(station, extra::kConsoleDstOn) != 0; }

void StoreStationDst(Station& station, DstMode mode, bool on) {
  station.record().manual_dst = mode == DstMode::kManual ? 1 : 0;
  PutExtraByte(station, extra::kConsoleDstOn, on ? 1 : 0);
}

int SetConsoleTime(ConsoleConfig& config, Station* station, const TimeSetting& setting, std::string* step) {
  // Without a zone nothing at all is sent, not even the daylight-saving choice.
  if (!ZoneOffset(setting.zone_index)) {
    SetStep(step, "time zone");
    return kNoZoneChosen;
  }
  bool saved = true;
  SetStep(step, "daylight saving");
  if (int r = config.SetDaylightSaving(setting.dst_mode, setting.dst_on); r != kConfigOk) return r;
  if (station) {
    StoreStationDst(*station, setting.dst_mode, setting.dst_on);
    saved = SaveStation(station) && saved;
  }
  SetStep(step, "time zone");
  if (int r = config.SetTimeZone(setting.zone_index); r != kConfigOk) return r;
  if (station) {
    StoreStationZone(*station, setting.zone_index);
    saved = SaveStation(station) && saved;
  }
  SetStep(step, "time");
  if (int r = config.SetTime(setting.time); r != 0) return r == kConfigRefused ? r : kConfigFailed;
  if (setting.clear_archive) {
    SetStep(step, "archive");
    if (int r = config.ClearArchive(); r != kConfigOk) return r;
  }
  SetStep(step, "");
  return saved ? kConfigOk : kStationNotSaved;
}

int SetConsoleLatLong(ConsoleConfig& config, Station* station, int lat_tenths, int lon_tenths) {
  if (int r = config.SetLatLong(lat_tenths, lon_tenths); r != kConfigOk) return r;
  if (!station) return kConfigOk;
  (void)station->SetLatitude(lat_tenths / 10.0);
  (void)station->SetLongitude(lon_tenths / 10.0);
  return SaveStation(station) ? kConfigOk : kStationNotSaved;
}

int RunClearSequence(ConsoleConfig& config, Station* station, const ClearChoices& c, std::string* step) {
  for (int n : c.totals) {
    if (std::find(kClearableTotals.begin(), kClearableTotals.end(), n) == kClearableTotals.end()) {
      SetStep(step, "totals");
      return kConfigRefused;
    }
  }
  static const char* const kPeriod[3] = {"daily", "monthly", "yearly"};
  for (int p = 0; p < 3; ++p) {
    if (!c.highs[p]) continue;
    SetStep(step, std::string(kPeriod[p]) + " highs");
    if (int r = config.ClearHighs(p); r != kConfigOk) return r;
  }
  for (int p = 0; p < 3; ++p) {
    if (!c.lows[p]) continue;
    SetStep(step, std::string(kPeriod[p]) + " lows");
    if (int r = config.ClearLows(p); r != kConfigOk) return r;
  }
  if (c.graphs) {
    SetStep(step, "graphs");
    if (int r = config.ClearGraphs(); r != kConfigOk) return r;
  }
  if (c.archive) {
    SetStep(step, "archive");
    if (int r = config.ClearArchive(); r != kConfigOk) return r;
  }
  if (c.alarms) {
    SetStep(step, "alarms");
    if (int r = config.ClearAlarms(); r != kConfigOk) return r;
  }
  // A station that cannot be saved was logged; the console's items go on.
  bool saved = true;
  if (c.calibration) {
    SetStep(step, "calibration");
    const int r = ClearConsoleCalibration(config, station);
    if (r == kStationNotSaved) {
      saved = false;
    } else if (r != kConfigOk) {
      return r;
    }
  }
  for (int n : kClearableTotals) {
    if (std::find(c.totals.begin(), c.totals.end(), n) == c.totals.end()) continue;
    SetStep(step, "total " + std::to_string(n));
    if (int r = config.ClearVariable(n); r != kConfigOk) return r;
  }
  SetStep(step, "");
  return saved ? kConfigOk : kStationNotSaved;
}

int ClearConsoleCalibration(ConsoleConfig& config, Station* station, CalibratedValues* sent) {
  auto& s = config.session();
  if (s.consoleFamily() != kFamilyCorvale) return kConfigFailed;
  if (!(s.status() & kStatusLinked) && !s.Open()) return kConfigFailed;
  if (s.WakeUp() != 1) return kConfigFailed;
  CalibrationOffsets offsets{};
  CalibratedValues values;
  if (int r = config.ReadCalibration(offsets); r != kConfigOk) return r;  // an inconsistent block is not used
  if (config.ReadCalibratedValues(values) != kConfigOk) return kConfigFailed;
  const CalibratedValues raw = Uncalibrate(values, offsets);
  if (config.ClearCalibration() != kConfigOk) return kConfigFailed;
  bool saved = true;
  if (station) {
    StoreCalibrationCopy(*station, CalibrationOffsets{});
    saved = SaveStation(station);
  }
  if (sent) *sent = raw;
  // Shows the readings without calibration at once instead of after the next reading.
  if (config.WriteCalibratedValues(raw) != kConfigOk) return kConfigFailed;
  return saved ? kConfigOk : kStationNotSaved;
}

std::optional<int> YearRainClicks(std::string_view text, int type, std::string* message) {
  auto refuse = [&]() -> std::optional<int> {
    if (message) {
      char buf[160];
      const std::string shown(text.substr(0, 40));
      std::snprintf(buf, sizeof buf, std::string(LoadString(kStrYearRainNotUnderstood)).c_str(), shown.c_str());
      *message = buf;
    }
    return std::nullopt;
  };
  std::string t(text);
  while (!t.empty() && std::isspace(static_cast<unsigned char>(t.back()))) t.pop_back();
  std::size_t start = 0;
  while (start < t.size() && std::isspace(static_cast<unsigned char>(t[start]))) ++start;
  t = t.substr(start);
  if (t.empty() || t.size() > 32) return refuse();
  char* end = nullptr;
  const double amount = std::strtod(t.c_str(), &end);
  if (end == t.c_str() || *end != '\0' || !std::isfinite(amount)) return refuse();
  if (amount < 0) {
    if (message) *message = std::string(LoadString(kStrYearRainNegative));
    return std::nullopt;
  }
  // Far beyond any counter; keeps the conversion to float in range.
  if (amount > 1e6) {
    if (message) *message = std::string(LoadString(kStrYearRainTooLarge));
    return std::nullopt;
  }
  const int clicks = DisplayUnits::RainClicks(static_cast<float>(amount), type);
  if (clicks < 0 || clicks > kMaxYearRainClicks) {
    if (message) *message = std::string(LoadString(kStrYearRainTooLarge));
    return std::nullopt;
  }
  return clicks;
}

}  // namespace sq
