// Station settings by name: the text keys with which a user (or a script) reads and
// changes every setting of a station, each validated with a clear message. The
// command `stratoquill station set FOLDER KEY=VALUE...` and `station show` are built
// on this table.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/port_map.h"
#include "app/station.h"

namespace sq {

struct StationSettingInfo {
  std::string key;
  std::string help;  // accepted values
};

// Every key, in the order `show` prints them.
const std::vector<StationSettingInfo>& StationSettingKeys();

// Applies "KEY=VALUE" to `station` (and to `ports` for device=). 0 success; -1 with
// `error` set for an unknown key or a value out of range (nothing changed then).
[[nodiscard]] int ApplyStationSetting(Station& station, PortMap& ports, std::string_view assignment,
                                      std::string* error);

// Applies several assignments as one change: all are checked, and either all take
// effect or none does. device= is applied last, so it follows a port= given with it.
// Returns the number of refused assignments, with one message each in `errors`.
[[nodiscard]] int ApplyStationSettings(Station& station, PortMap& ports, const std::vector<std::string>& assignments,
                                       std::vector<std::string>* errors);

// The current value of `key` as text, with its unit where it has one ("500 ft").
// Empty for an unknown key.
[[nodiscard]] std::string StationSettingValue(const Station& station, const PortMap& ports, std::string_view key);
// The value in the form `set` accepts (no unit), so show's output can be fed back.
[[nodiscard]] std::string StationSettingRaw(const Station& station, const PortMap& ports, std::string_view key);

}  // namespace sq
