// Where a page's current data comes from when no real-time manager runs in this
// process: the console itself (one LOOP packet and, for the current family, the
// highs-and-lows block), read over the station's connection.
#pragma once

#include <string>

#include "publish/page_data.h"

namespace sq {

class Clock;
class PortMap;
class Station;

// Fills `out` from the console of `station`. 0 success; -1 with `*error` set when the
// station has no connection, the port cannot be opened or the console does not answer.
// A missing highs-and-lows block is no failure: those tags then show "---".
[[nodiscard]] int ReadPageDataFromConsole(const Station& station, const PortMap* ports, Clock& clock, PageData* out,
                                          std::string* error);

}  // namespace sq
