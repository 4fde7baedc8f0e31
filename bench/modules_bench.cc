// What a module pays for going through the exported functions: reading the generated
// ten-year station (about a million archive records) by archive number and in sequence
// through a database handle and a record handle, against the database read directly;
// and the run loop's event check with a full table of 128 events.
#include <benchmark/benchmark.h>

#include "app/event_manager.h"
#include "app/module_host.h"
#include "app/station.h"
#include "bench/synthetic_db.h"
#include "database/weather_database.h"
#include "stratoquill/module.h"

namespace {

sq::Station& BenchStation() {
  static sq::Station station = [] {
    sq::Station s;
    s.SetFolder(sq::bench::SyntheticTenYears());
    s.SetName("Bench");
    return s;
  }();
  sq::ModuleHost::Get().hooks().station = [] { return &station; };
  return station;
}

constexpr std::uint32_t kOutsideTemp = 0;

// One year of records (the newest), by archive number, through the exports.
void BM_ExportGetRecordYear(benchmark::State& state) {
  (void)BenchStation();
  const int db = GetDatabaseHandle();
  const int rec = GetWeatherDataHandle();
  const int total = NumberOfRecordsInDataBase(db);
  const int first = total - 365 * 288;
  double sum = 0;
  for (auto _ : state) {
    for (int a = first; a < total; ++a) {
      if (GetRecord(db, rec, a) != 0) state.SkipWithError("read failed");
      sum += GetWeatherData(rec, kOutsideTemp, 1);
    }
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations() * (total - first));
}
BENCHMARK(BM_ExportGetRecordYear)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same year read directly from the database, for comparison.
void BM_DirectGetArchiveRecordYear(benchmark::State& state) {
  sq::WeatherDatabase db;
  if (db.OpenDatabase(sq::bench::SyntheticTenYears()) != 0) state.SkipWithError("open failed");
  const int total = db.NumberOfDataRecords();
  const int first = total - 365 * 288;
  sq::RecordBytes bytes{};
  for (auto _ : state) {
    for (int a = first; a < total; ++a) {
      if (db.GetArchiveRecord(&bytes, a) != 0) state.SkipWithError("read failed");
    }
  }
  state.SetItemsProcessed(state.iterations() * (total - first));
}
BENCHMARK(BM_DirectGetArchiveRecordYear)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every record of the ten years in sequence (summaries included), through the exports.
void BM_ExportGetNextRecordAll(benchmark::State& state) {
  (void)BenchStation();
  const int db = GetDatabaseHandle();
  const int rec = GetWeatherDataHandle();
  std::int64_t records = 0;
  for (auto _ : state) {
    const int days = NumberOfDaysInDatabase(db);
    for (int i = 0; i < days; ++i) {
      int y = 0, m = 0, d = 0, count = 0;
      (void)DayInfo(db, i, &y, &m, &d, &count);
      for (int k = 0; k < count && GetNextRecord(db, rec) == 0; ++k) ++records;
    }
  }
  state.SetItemsProcessed(records);
}
BENCHMARK(BM_ExportGetNextRecordAll)->Unit(benchmark::kMillisecond)->UseRealTime();

void NoOp(std::intptr_t, int, const std::uint32_t*) {}

// One check of 128 events (a few due each minute).
void BM_ProcessModuleEvents128(benchmark::State& state) {
  sq::EventManagerClass events;
  for (int i = 0; i < sq::EventManagerClass::kMaxEvents; ++i) {
    SqModuleEvent e{};
    e.repeat = 1;
    e.start = static_cast<std::int16_t>(i * 11 % 1440);
    e.period = static_cast<std::int16_t>(5 + i % 60);
    e.window = 2;
    e.callback = NoOp;
    (void)events.AddModuleEvent(&e);
  }
  int minute = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(events.ProcessModuleEvents(minute, minute));
    minute = (minute + 1) % 1440;
  }
}
BENCHMARK(BM_ProcessModuleEvents128);

}  // namespace

BENCHMARK_MAIN();
