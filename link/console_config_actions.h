// The console settings that take several commands or that the station settings keep
// as well: setting the time (daylight saving, time zone, clock, archive), latitude and
// longitude, the clear sequence, clearing the calibration, and the station's copy of
// the calibration offsets.
//
// Where the station keeps a value (latitude and longitude, time zone, daylight saving,
// calibration offsets), the console is written first and the station saved after it;
// a station that cannot be saved is reported (kStationNotSaved) after the console
// steps are done.
//
// The station record holds the offsets in fields that were reserved for them:
//   byte 1502 inside temperature, 1503 outside temperature (tenths of a degree F),
//   byte 1504 inside humidity, 1505 outside humidity (percent), all signed bytes;
//   i16[15] at 1448 the fifteen further temperatures (tenths of a degree F);
//   i16[8] at 1478 the outside and seven extra humidities (percent).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/station.h"
#include "link/console_config.h"

namespace sq {

inline constexpr int kStationNotSaved = -52;
inline constexpr int kNoZoneChosen = -53;

// ---- The station's copy of console settings. ----
void StoreCalibrationCopy(Station& station, const CalibrationOffsets& offsets);
[[nodiscard]] CalibrationOffsets LoadCalibrationCopy(const Station& station);
// Time-zone index chosen for the console, nothing when never set.
[[nodiscard]] std::optional<int> StationZoneIndex(const Station& station);
// Stores the index and the zone's offset in hours (read from the zone's name).
void StoreStationZone(Station& station, int index);
[[nodiscard]] bool StationDstOn(const Station& station);
void StoreStationDst(Station& station, DstMode mode, bool on);

// ---- Time. ----
struct TimeSetting {
  ConsoleTime time;
  int zone_index = -1;  // -1: none chosen
  DstMode dst_mode = DstMode::kAutomatic;
  bool dst_on = false;  // manual mode only
  bool clear_archive = false;
};
// Daylight saving, time zone, clock and (when asked) the archive, in that order; the
// station (may be null) keeps the daylight-saving choice and the zone. Without a zone
// nothing is sent (kNoZoneChosen). `step` names the step that failed.
[[nodiscard]] int SetConsoleTime(ConsoleConfig& config, Station* station, const TimeSetting& setting,
                                 std::string* step = nullptr);

// ---- Latitude and longitude (tenths of a degree), into the console and the station. ----
[[nodiscard]] int SetConsoleLatLong(ConsoleConfig& config, Station* station, int lat_tenths, int lon_tenths);

// ---- Clearing. ----
struct ClearChoices {
  bool highs[3] = {false, false, false};  // daily, monthly, yearly
  bool lows[3] = {false, false, false};
  bool graphs = false;
  bool archive = false;
  bool alarms = false;
  bool calibration = false;
  std::vector<int> totals;  // numbers of kClearableTotals, cleared in that table's order
};
// Sends the ticked items in their fixed order and stops at the first console command
// that fails, whose item `step` names. A station that cannot be saved does not stop the
// sequence: it is logged and the result is kStationNotSaved once everything was sent.
// Totals not in kClearableTotals are refused before anything is sent.
[[nodiscard]] int RunClearSequence(ConsoleConfig& config, Station* station, const ClearChoices& choices,
                                   std::string* step = nullptr);

// Removes the console's calibration while it keeps showing the same readings: reads
// the offsets and the calibrated values, takes the offsets off the values, clears the
// calibration ("CLRCAL"), zeroes and saves the station's offsets, and sends the
// uncalibrated values back ("CALFIX"). `sent` (optional) receives the values sent.
// An offsets block with a wrong check byte stops it before anything is changed
// (kCalibrationInconsistent).
[[nodiscard]] int ClearConsoleCalibration(ConsoleConfig& config, Station* station, CalibratedValues* sent = nullptr);

// ---- Yearly rain. ----
// Reads an amount in the display rain unit and converts it to clicks of collector
// `type` (station rain type 1..6). Nothing, with `message` set, for text that is not
// a number, a negative amount or one beyond the console's 16-bit counter.
[[nodiscard]] std::optional<int> YearRainClicks(std::string_view text, int type, std::string* message);

}  // namespace sq
