// Settings that other areas keep per station (the internet configuration) follow the
// program's current station. The code that owns them installs its functions here;
// until then both are no-ops.
#pragma once

#include <functional>

namespace sq {

class Station;

struct StationOpenHook {
  // The program's current station changed; nullptr when none is open any more.
  std::function<void(const Station*)> current;
  // An older-format station was converted and saved; its other settings may be created.
  std::function<void(const Station&)> converted;
};

// The program-wide hook. Replace its members to follow the current station.
StationOpenHook& StationOpened();

}  // namespace sq
