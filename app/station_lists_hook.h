// The station's data sets and data lists ("DataSets.dat", "DataLists.dat") are read
// with every station load and written with every station save. The code that owns
// those files installs its functions here; until then both are no-ops that succeed.
#pragma once

#include <functional>

namespace sq {

class Station;

struct StationListsHook {
  // 0 success, -1 failure (a failed load makes Station::Load fail).
  std::function<int(Station&)> load;
  std::function<int(const Station&)> save;
};

// The program-wide hook. Replace its members to take over the lists.
StationListsHook& StationLists();

}  // namespace sq
