#include "reports/record_range.h"

namespace sq {
namespace {

std::int32_t DayKey(const DateTime& d) { return d.year * 10000 + d.month * 100 + d.day; }

// Calls `each(bytes, day)` for every record of the months that can hold days of
// [from, to]; `day` is the day the record is stored in (the last summary's day).
template <typename Each>
int Walk(WeatherDatabase& db, const DateTime& from, const DateTime& to, Each each) {
  const std::int32_t lo = DayKey(from);
  const std::int32_t hi = DayKey(to);
  if (lo > hi) return 0;
  for (const MonthEntry& m : db.months()) {
    const std::int32_t month_key = m.year * 10000 + m.month * 100;
    if (month_key + 99 < lo || month_key > hi) continue;
    if (m.record_count() <= 0) continue;
    if (db.OpenMonth(m.file_name) != kDbOk) return -1;
    RecordBytes rec{};
    DateTime day;
    for (;;) {
      const int rc = db.GetRecord(&rec);
      if (rc == -2) break;
      if (rc != kDbOk) return -1;
      DateTime when;
      if (db.GetDateLastRead(&when) != 1) continue;
      if (rec[0] == kRecordTypeSummary1 || !day.valid) {
        day = when;
        day.packed_time = 0;
      }
      const std::int32_t key = DayKey(day);
      if (key < lo) continue;
      if (key > hi) return 0;
      if (!each(rec, when, day)) return 0;
    }
  }
  return 0;
}

}  // namespace

int ForEachArchiveRecord(WeatherDatabase& db, const DateTime& from, const DateTime& to, const SiteDescription& site,
                         const ArchiveVisitor& visit) {
  WeatherDataObject obj;
  obj.SetSite(site);
  return Walk(db, from, to, [&](const RecordBytes& rec, const DateTime& when, const DateTime&) {
    if (rec[0] != kRecordTypeArchive) return true;
    if (!obj.SetRecordBytes(rec)) return true;
    obj.date = when;
    return visit(obj);
  });
}

int ForEachDay(WeatherDatabase& db, const DateTime& from, const DateTime& to, const SiteDescription& site,
               const DayVisitor& visit) {
  DailySummaryObject summary;
  summary.SetSite(site);
  bool have_first = false;
  return Walk(db, from, to, [&](const RecordBytes& rec, const DateTime&, const DateTime& day) {
    if (rec[0] == kRecordTypeSummary1) {
      DailySummary1Object s1;
      have_first = s1.SetRecordBytes(rec) && (s1.date = day, summary.SetDailySummary1(s1) == 1);
      return true;
    }
    if (rec[0] != kRecordTypeSummary2 || !have_first) return true;
    have_first = false;
    DailySummary2Object s2;
    if (!s2.SetRecordBytes(rec)) return true;
    s2.date = day;
    if (summary.SetDailySummary2(s2) != 1) return true;
    summary.date = day;
    return visit(summary);
  });
}

}  // namespace sq
