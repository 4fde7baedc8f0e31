// The data sets and lists of the stations the program has loaded, by station folder.
//
// InstallDataListHooks() makes every Station::Load read the station's two list files
// (the defaults when they are missing) and every Station::Save write them, and installs
// the sensor-name look-up of the display-unit code over the archive browser list of
// the station loaded last (the current station). Call it once at start-up.
#pragma once

#include <string>

#include "reports/data_lists_file.h"

namespace sq {

class Station;

void InstallDataListHooks();

// The sets and lists of the station in `folder`, loading them (or building the
// defaults for `station`) on first use. Stays valid until ForgetStationDataLists.
StationDataLists& DataListsOf(const Station& station);
// The station loaded last, or nullptr before any.
StationDataLists* CurrentDataLists();
void ForgetStationDataLists();

// Looks an identifier up in a list: the variable of its first element that names it.
[[nodiscard]] const DataVariable* FindListVariable(const DataList& list, std::uint32_t tag);

}  // namespace sq
