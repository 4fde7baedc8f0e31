// Where a page's current data comes from. Everything that publishes current values
// (pages now, whatever `run` publishes later) makes its PageData from a BulletinData:
// the real-time manager's own in `run`, the snapshot that `run` keeps while it holds
// the console, or one read of the console filled into a fresh BulletinData.
#pragma once

#include <optional>
#include <string>

#include "publish/page_data.h"

namespace sq {

class BulletinData;
class Clock;
class PortMap;
class Station;

// The page values of `data` for `station`: the console's loop record and highs-and-lows
// block as received, the forecast text, the short-term wind averages and gusts in the
// live display units, the time of the packet. With `with_day_extremes` the highs and
// lows that `data` tracked since midnight stand in where the console's block is missing
// (the older families); a BulletinData made from a single reading tracked none.
[[nodiscard]] PageData PageDataFromBulletin(const BulletinData& data, const Station& station, bool with_day_extremes);

// One reading of the console of `station` (a LOOP packet and, for the current family,
// the highs-and-lows block) into `out`, a fresh BulletinData. 0 success; -1 with
// `*error` set when the station has no connection, the port cannot be opened or the
// console does not answer. A missing highs-and-lows block is no failure: those tags
// then show "---".
[[nodiscard]] int ReadBulletinFromConsole(const Station& station, const PortMap* ports, Clock& clock, BulletinData* out,
                                          std::string* error);

// The current data for a page: from the snapshot of `stratoquill run` when it keeps the
// current conditions of the station's folder, else from the console.
struct PageSource {
  PageData data;
  bool from_snapshot = false;
  std::int64_t age_ms = 0;  // of the snapshot
};
[[nodiscard]] std::optional<PageSource> ReadPageData(const Station& station, const PortMap* ports, Clock& clock,
                                                     std::string* error);

}  // namespace sq
