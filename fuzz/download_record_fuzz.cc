// Console archive records as they come off the line: every 52-byte slice of the input
// is decoded (moment, layout, conversion into a month-file record) under layout flags
// and a site taken from the first byte. Nothing may crash or read past a record.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "link/console_record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t mode = data[0];
  ++data;
  --size;
  sq::ConversionContext ctx;
  ctx.layout = {(mode & 1) != 0, (mode & 2) != 0};
  ctx.archive_period = mode >> 2;
  ctx.transmitter = mode & 7;
  ctx.rain_collector = (mode >> 3) & 7;
  ctx.position_set = (mode & 0x40) != 0;
  ctx.site.latitude = (mode & 0x80) ? -89.9 : 45.0;
  ctx.site.longitude = (mode & 0x80) ? 179.9 : -90.0;
  ctx.site.time_zone_hours = (mode & 0x80) ? 12.0f : -6.0f;
  sq::ConsoleRecordConverter conv(ctx);
  std::optional<sq::DateTime> last;
  for (std::size_t at = 0; at + sq::kConsoleRecordSize <= size; at += sq::kConsoleRecordSize) {
    const sq::ConsoleRecordBytes rec(data + at, sq::kConsoleRecordSize);
    (void)sq::SelectLayout(rec, ctx.layout);
    const auto when = sq::ConsoleRecordTime(rec);
    if (!when) continue;
    if (last && !(*when > *last)) continue;
    last = when;
    (void)conv.Convert(rec, *when);
    (void)sq::StampFor(when);
  }
  return 0;
}
