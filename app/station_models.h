// The table of station models: name (string 44800 + code), the sensor mask a new
// station of that model starts with, and the console family its console speaks.
#pragma once

#include <cstdint>
#include <string>

#include "app/station_record.h"

namespace sq {

// Station model codes, as the station file stores them.
inline constexpr int kStationModelBrisantII = 0;
inline constexpr int kStationModelMistraIII = 1;
inline constexpr int kStationModelMistraII = 2;
inline constexpr int kStationModelMistraIIS = 3;
inline constexpr int kStationModelOrvelline = 4;
inline constexpr int kStationModelCorvalePro = 5;
inline constexpr int kStationModelCorvaleProPlus = 6;
inline constexpr int kStationModelCorvaleLumo = 7;
inline constexpr int kMaxStationModel = kStationModelCorvaleLumo;

// Console family codes (the station's console_family): they choose the session class
// that speaks to the console.
inline constexpr int kFamilyBrisant = 0;          // the older consoles
inline constexpr int kFamilyCorvale = 3;          // the current consoles
inline constexpr int kFamilyProbe = 4;            // not known yet: console search and port test
inline constexpr std::int16_t kDmsNotSet = -500;  // degrees value of an unset position
inline constexpr std::uint32_t kModelNameBase = 44800;

struct StationModel {
  std::uint32_t sensors0;
  std::uint32_t sensors1;
  std::uint16_t family;
};

// The model of `code` (0..7); the caller checks the range.
const StationModel& GetStationModelInfo(int code);
// The model's name, or an empty text for a code outside 0..7.
std::string StationModelName(int code);
// Sets model code, sensor words and console family of `rec` (code in 0..7).
void ApplyStationModel(StationRecord& rec, int code);

}  // namespace sq
