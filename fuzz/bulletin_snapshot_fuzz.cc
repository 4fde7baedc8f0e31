// The current-conditions snapshot as it may be found on disk: any bytes. A snapshot that
// is accepted must answer the wind queries and write itself back without trouble.
#include <cstdint>
#include <string_view>

#include "realtime/bulletin_snapshot.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto d = sq::ParseBulletinSnapshot(text);
  if (!d) return 0;
  for (int m = 0; m <= 12; ++m) {
    (void)d->AvgWindSpeed(m);
    (void)d->HiWindSpeed(m);
  }
  (void)sq::FormatBulletinSnapshot(*d);
  return 0;
}
