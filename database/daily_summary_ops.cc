#include "database/daily_summary_ops.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "foundation/astronomy.h"
#include "foundation/weather_calc.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace sq {
namespace {

constexpr std::uint32_t kNotEnoughData = 34702;
constexpr std::uint32_t kIncompleteData = 34703;
constexpr int kFullDayMinutes = 18 * 60;

DateTime SummaryDate(const DateTime& day) {
  DateTime d(day.month, day.day, day.year);
  d.packed_time = -1;
  return d;
}

DateTime RecordDate(const DateTime& day, int packed_time) {
  DateTime d(day.month, day.day, day.year);
  d.packed_time = static_cast<std::int16_t>(packed_time);
  d.UnpackTime();
  return d;
}

DateTime FromKey(std::int32_t key) {
  DateTime d;
  d.SetDate(key);
  return d;
}

void Report(std::size_t done, std::size_t total, const SummaryProgress& progress) {
  if (progress && (done % 7 == 0 || done == total)) progress(done, total);
}

std::string Format(std::uint32_t id, auto... args) {
  const std::string fmt(LoadString(id));
  char buf[512];
  std::snprintf(buf, sizeof buf, fmt.c_str(), args...);
  return buf;
}

void Error(const DegDayPrompts& p, std::uint32_t id) {
  if (p.error) p.error(std::string(LoadString(id)));
}

bool Ask(const DegDayPrompts& p, const std::string& question) { return p.ask && p.ask(question); }

// The last day the degree-day walks may visit.
DateTime LastDay(const WeatherDatabase& db, const DateTime& to) {
  const DateTime& last = db.last_date();
  if (last.valid && DateTime(last.month, last.day, last.year) < DateTime(to.month, to.day, to.year)) {
    return DateTime(last.month, last.day, last.year);
  }
  return DateTime(to.month, to.day, to.year);
}

// Recomputes one day's extra radiation with an astronomy state already set to the site.
// The day is read whole before anything is written: a write drops the month's read-ahead,
// so interleaving them would re-read the day once per record.
int ExtraRadOfDay(WeatherDatabase& db, const DateTime& day, const SiteDescription& site, AstronomyState& astro) {
  std::int32_t start = 0, end = 0;
  if (db.GetStartEndRecNo(day, &start, &end) != kDbOk) return 0;
  std::vector<RecordBytes> records(static_cast<std::size_t>(end - start + 1));
  for (RecordBytes& r : records) {
    if (db.GetRecord(&r) != kDbOk) return 0;
  }
  const bool position = SitePositionSet(site);
  std::size_t first_changed = records.size();
  std::size_t last_changed = 0;
  if (position) astro.THSWIdailyAstronomyTasks(DateTime(day.month, day.day, day.year), site.longitude);
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (records[i][0] != kRecordTypeArchive) continue;
    auto rec = DecodeDataRecord(records[i]);
    if (!rec) return 0;
    std::int16_t extra = kNoValue16;
    if (position && rec->solar_rad >= 0 && rec->solar_rad != 32767) {
      const float dew = WeatherDataObject(*rec).GetWeatherData(WeatherDataID::OutsideDewPoint(), true);
      if (!DisplayUnits::IsMissing(dew)) {
        const int v = astro.ExtraRadCalc(RecordDate(day, rec->packed_time), static_cast<float>(rec->solar_rad),
                                         static_cast<int>(dew));
        extra = static_cast<std::int16_t>(std::clamp(v, -32768, 32767));
      }
    }
    // Unchanged records are not rewritten, so a second run costs only reads.
    if (extra == rec->extra_rad) continue;
    rec->extra_rad = extra;
    records[i] = ToBytes(*rec);
    first_changed = std::min(first_changed, i);
    last_changed = i;
  }
  if (first_changed > last_changed) return 1;
  // The changed stretch of the day goes out in one write.
  const std::vector<RecordBytes> changed(records.begin() + static_cast<std::ptrdiff_t>(first_changed),
                                         records.begin() + static_cast<std::ptrdiff_t>(last_changed) + 1);
  if (db.EditRecords(changed, start + static_cast<std::int32_t>(first_changed)) != kDbOk) return 0;
  return 1;
}

}  // namespace

bool SitePositionSet(const SiteDescription& site) {
  return std::isfinite(site.latitude) && std::isfinite(site.longitude) && site.latitude >= -90.0 &&
         site.latitude <= 90.0 && site.longitude >= -180.0 && site.longitude <= 180.0;
}

int WriteDailySummary(WeatherDatabase& db, const DailySummaryObject& summary) {
  const DateTime& day = summary.Day();
  if (!day.valid) return 0;
  const std::int32_t r = db.Goto(day.month, day.day, day.year, false);
  if (r == kDbNoDay || r == kDbNoMonth) {
    const DateTime at = SummaryDate(day);
    if (db.AppendRecord(summary.Summary1().GetRecordBytes(), at) != kDbOk) return 0;
    if (db.AppendRecord(summary.Summary2().GetRecordBytes(), at) != kDbOk) return 0;
    return 1;
  }
  if (r < 0) return 0;
  // Both records are checked before either is replaced, so a damaged day is left as it is.
  RecordBytes first, second;
  if (db.GetRecord(&first) != kDbOk || first[0] != kRecordTypeSummary1) return 0;
  if (db.GetRecord(&second) != kDbOk || second[0] != kRecordTypeSummary2) return 0;
  if (db.EditRecord(summary.Summary1().GetRecordBytes(), r) != kDbOk) return 0;
  if (db.EditRecord(summary.Summary2().GetRecordBytes(), r + 1) != kDbOk) return 0;
  return 1;
}

int GetDailySummary(WeatherDatabase& db, DailySummaryObject& summary, const DateTime& day) {
  summary.Reset();
  if (db.Goto(day.month, day.day, day.year, false) < 0) return 0;
  RecordBytes first, second;
  if (db.GetRecord(&first) != kDbOk || first[0] != kRecordTypeSummary1) return 0;
  if (db.GetRecord(&second) != kDbOk || second[0] != kRecordTypeSummary2) return 0;
  const DateTime at = SummaryDate(day);
  DailySummary1Object s1;
  DailySummary2Object s2;
  if (!s1.SetRecordBytes(first) || !s2.SetRecordBytes(second)) return 0;
  s1.date = at;
  s2.date = at;
  if (summary.SetDailySummary1(s1) != 1) return 0;
  return summary.SetDailySummary2(s2);
}

int SummarizeDay(WeatherDatabase& db, const DateTime& day, const SiteDescription& site) {
  DailySummaryObject summary;
  summary.SetSite(site);
  if (GetDailySummary(db, summary, day) != 1) return 0;
  summary.Reset(day);
  const int count = db.GotoDay(day.month, day.day, day.year);
  if (count < 2) return 0;
  WeatherDataObject w;
  for (int i = 0; i < count; ++i) {
    RecordBytes bytes;
    if (db.GetRecord(&bytes) != kDbOk) return 0;
    if (bytes[0] != kRecordTypeArchive) continue;
    if (!w.SetRecordBytes(bytes)) return 0;
    w.date = RecordDate(day, w.GetPackedTime());
    (void)summary.ProcessDataRecord(w);
  }
  if (summary.FinalProcessData() != 1) return 0;
  return WriteDailySummary(db, summary);
}

int CalcDailySummary(WeatherDatabase& db, const SiteDescription& site, const SummaryProgress& progress) {
  const std::vector<std::int32_t> keys = db.date_list().keys();  // a copy: writes may touch the list
  int result = 1;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (SummarizeDay(db, FromKey(keys[i]), site) != 1) result = 0;
    Report(i + 1, keys.size(), progress);
  }
  if (db.Flush() != kDbOk) result = 0;
  return result;
}

int CalcExtraRad(WeatherDatabase& db, const DateTime& day, const SiteDescription& site) {
  AstronomyState astro;
  astro.SetSite(site);
  return ExtraRadOfDay(db, day, site, astro);
}

int CalcExtraRad(WeatherDatabase& db, const SiteDescription& site, const SummaryProgress& progress) {
  AstronomyState astro;
  astro.SetSite(site);
  const std::vector<std::int32_t> keys = db.date_list().keys();
  int result = 1;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (ExtraRadOfDay(db, FromKey(keys[i]), site, astro) != 1) result = 0;
    Report(i + 1, keys.size(), progress);
  }
  return result;
}

// ---------------------------------------------------------------- degree days

DayDegreeDays IntegratedDegreeDaysOfDay(WeatherDatabase& db, const DateTime& day, float base_f, double* degree_days,
                                        double* hours) {
  *degree_days = 0.0;
  *hours = 0.0;
  const int count = db.GotoDay(day.month, day.day, day.year);
  if (count == kDbNoDay || count == kDbNoMonth) return DayDegreeDays::kNoData;
  if (count < 0) return DayDegreeDays::kGotoError;
  WeatherDataObject w;
  for (int i = 0; i < count; ++i) {
    RecordBytes bytes;
    if (db.GetRecord(&bytes) != kDbOk) return DayDegreeDays::kReadError;
    if (bytes[0] != kRecordTypeArchive || !w.SetRecordBytes(bytes) || w.GetPackedTime() == 0) continue;
    const float t = w.GetWeatherData(WeatherDataID::OutsideTemp(), true);
    if (DisplayUnits::IsMissingTemp(t)) continue;
    const int period = w.GetArchivePer();
    if (t < base_f) *degree_days += (base_f - t) * period / 1440.0;
    *hours += period / 60.0;
  }
  return DayDegreeDays::kOk;
}

bool SummaryHighLowOfDay(WeatherDatabase& db, const DateTime& day, DailySummaryObject* summary, float* high, float* low,
                         int* span_minutes) {
  if (!db.date_list().Contains(day.GetPackedDate())) return false;
  if (GetDailySummary(db, *summary, day) != 1) return false;
  *high = summary->GetWeatherData(WeatherDataID::Make(0, 0, WeatherDataID::kStatDayHigh, 0, 0), true);
  *low = summary->GetWeatherData(WeatherDataID::Make(0, 0, WeatherDataID::kStatDayLow, 0, 0), true);
  if (DisplayUnits::IsMissingTemp(*high) || DisplayUnits::IsMissingTemp(*low)) return false;
  *span_minutes = std::max<int>(summary->Summary1().Record().data_span, 0);
  return true;
}

int DegDayHighLowMethod(WeatherDatabase& db, const DateTime& from, const DateTime& to, double* total, float base_f,
                        const DegDayPrompts& prompts) {
  *total = 0.0;
  const DateTime last = LastDay(db, to);
  for (DateTime day(from.month, from.day, from.year); day <= last; ++day) {
    DailySummaryObject summary;
    float high = 0, low = 0;
    int span = 0;
    if (!SummaryHighLowOfDay(db, day, &summary, &high, &low, &span)) continue;
    if (span < kFullDayMinutes) {
      const std::string hi = summary.GetWeatherDataStr(WeatherDataID::Make(0, 0, WeatherDataID::kStatDayHigh, 0, 0));
      const std::string lo = summary.GetWeatherDataStr(WeatherDataID::Make(0, 0, WeatherDataID::kStatDayLow, 0, 0));
      if (!Ask(prompts,
               Format(kNotEnoughData, day.GetDateStr().c_str(), span / 60, span % 60, hi.c_str(), lo.c_str()))) {
        return -1;
      }
    }
    const double avg = (static_cast<double>(high) + low) / 2.0;
    if (avg < base_f) *total += base_f - avg;
  }
  return 0;
}

int DegDayIntegrationMethod(WeatherDatabase& db, const DateTime& from, const DateTime& to, double* total, float base_f,
                            const DegDayPrompts& prompts) {
  *total = 0.0;
  const DateTime last = LastDay(db, to);
  for (DateTime day(from.month, from.day, from.year); day <= last; ++day) {
    double dd = 0.0, hours = 0.0;
    switch (IntegratedDegreeDaysOfDay(db, day, base_f, &dd, &hours)) {
      case DayDegreeDays::kNoData:
        continue;
      case DayDegreeDays::kGotoError:
        Error(prompts, string_id::kDatabaseGotoError);
        return -1;
      case DayDegreeDays::kReadError:
        Error(prompts, string_id::kGallonsLeftRecordError);
        return -1;
      case DayDegreeDays::kOk:
        break;
    }
    *total += dd;
    if (hours < 18.0 && !Ask(prompts, Format(kIncompleteData, day.GetDateStr().c_str(), hours))) return -1;
  }
  return 0;
}

}  // namespace sq
