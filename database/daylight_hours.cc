#include "database/daylight_hours.h"

#include <algorithm>

#include "database/data_record.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace sq {
namespace {}  // namespace

int DaylightHours::Calculate(WeatherDatabase& db, std::int32_t start_packed_date, const DateTime& end, int threshold,
                             const std::function<void(const std::string&)>& error) {
  total_ = 0.0;
  history_.fill(Day{});
  if (threshold <= 0) threshold = kDefaultDaylightThreshold;
  auto fail = [&](std::uint32_t id) {
    if (error) error(std::string(LoadString(id)));
    return -1;
  };
  DateTime day;
  day.SetDate(start_packed_date);
  if (!day.valid || !end.valid) return 0;
  const DateTime last(end.month, end.day, end.year);
  for (DateTime d(day.month, day.day, day.year); d <= last; ++d) {
    // Only days that hold data are visited; the date list knows them without a file read.
    if (!db.date_list().Contains(d.GetPackedDate())) continue;
    const int count = db.GotoDay(d.month, d.day, d.year);
    if (count == kDbNoDay || count == kDbNoMonth) continue;
    if (count < 0) return fail(string_id::kDatabaseGotoError);
    std::rotate(history_.rbegin(), history_.rbegin() + 1, history_.rend());
    history_[0] = Day{0.0, d.GetPackedDate()};
    for (int i = 0; i < count; ++i) {
      RecordBytes bytes;
      if (db.GetRecord(&bytes) != kDbOk) return fail(string_id::kDatabaseRecordError);
      if (bytes[0] != kRecordTypeArchive) continue;
      const auto r = DecodeDataRecord(bytes);
      if (!r || r->packed_time == 0) continue;
      if (r->solar_rad > kMaxPlausibleSolar || r->solar_rad <= threshold) continue;
      const double hours = r->archive_interval / 60.0;
      total_ += hours;
      history_[0].hours += hours;
    }
  }
  return 0;
}

}  // namespace sq
