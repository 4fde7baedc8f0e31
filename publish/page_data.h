// The current data a template page is made from: the console's current conditions
// (one loop record), its highs and lows, and what only the real-time manager knows
// (short-term wind averages and gusts, the forecast text). A page command fills it
// from the console or from the snapshot that `stratoquill run` keeps; tests fill it
// with fixed records.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "foundation/date_time.h"
#include "link/hilows.h"
#include "link/loop_record.h"

namespace sq {

inline constexpr float kPageNoValue = -32768.0f;

// Today's highs and lows of the older consoles, which have no highs-and-lows block:
// kept by the real-time manager. Values in the internal units (°F, percent, inHg, mph,
// W/m², UV index, clicks per hour of the station's collector); minutes of the day.
struct Extreme {
  float value = kPageNoValue;
  int minute = -1;
};

enum class DayQuantity : int {
  kOutsideTemp,
  kInsideTemp,
  kOutsideHum,
  kInsideHum,
  kDewPoint,
  kWindChill,
  kHeatIndex,
  kBarometer,
  kWindSpeed,
  kRainRate,
  kSolar,
  kUv,
  kExtraTemp1,
  kExtraTemp2,
  kExtraTemp3,
  kExtraHum1,
  kExtraHum2,
  kSoilTemp1,
  kSoilTemp2,
  kSoilTemp3,
  kSoilTemp4,
  kLeafTemp1,
  kLeafTemp2,
  kSoilMoist1,
  kSoilMoist2,
  kSoilMoist3,
  kSoilMoist4,
  kLeafWet1,
  kLeafWet2,
  kCount
};

struct DayHighLows {
  std::array<Extreme, static_cast<int>(DayQuantity::kCount)> high{};
  std::array<Extreme, static_cast<int>(DayQuantity::kCount)> low{};
  Extreme& High(DayQuantity q) { return high[static_cast<int>(q)]; }
  Extreme& Low(DayQuantity q) { return low[static_cast<int>(q)]; }
  const Extreme& High(DayQuantity q) const { return high[static_cast<int>(q)]; }
  const Extreme& Low(DayQuantity q) const { return low[static_cast<int>(q)]; }
};

// Calibration offsets of an older console, added to its raw values first.
struct ConsoleCalibration {
  int inside_temp_tenths = 0;
  int outside_temp_tenths = 0;
  int inside_hum = 0;
  int outside_hum = 0;
};

struct PageData {
  LoopRecord current;
  // The current family's highs-and-lows block (436 bytes and its CRC).
  std::optional<HiLowsBlock> hilows;
  // Today's highs and lows as the real-time manager keeps them: the older families',
  // and the current family's when its block is not at hand.
  std::optional<DayHighLows> day_high_lows;
  // Wind averages and highest gusts over the last 2, 3, 6 and 11 one-minute samples, in
  // the display unit; kPageNoValue when unknown.
  std::array<float, 4> wind_avg{kPageNoValue, kPageNoValue, kPageNoValue, kPageNoValue};
  std::array<float, 4> wind_high{kPageNoValue, kPageNoValue, kPageNoValue, kPageNoValue};
  // Forecast text; empty when there is none.
  std::string forecast;
  // Date and time of the current data.
  DateTime time;
  // Offsets still to be added (older consoles whose readings are uncalibrated).
  std::optional<ConsoleCalibration> calibration;
};

}  // namespace sq
