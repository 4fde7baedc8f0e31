// The table of station models: name (string 44800 + code), the sensor mask a new
// station of that model starts with, and the console family its console speaks.
#pragma once

#include <cstdint>
#include <string>

#include "app/station_record.h"

namespace sq {

inline constexpr int kMaxStationModel = 7;
inline constexpr int kFamilyOlder = 0;            // console family code of the older consoles
inline constexpr int kFamilyCurrent = 3;          // console family code of the current consoles
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
