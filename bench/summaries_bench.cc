// Recomputing daily summaries and extra radiation over a synthetic station of 10 years
// of 5-minute records (about a million archive records). The database is generated
// once into the build folder and copied, because both operations rewrite records.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/synthetic_db.h"
#include "database/daily_summary_ops.h"
#include "database/weather_database.h"
#include "foundation/site.h"

namespace {

const std::string& Folder() {
  static const std::string folder = sq::bench::SyntheticTenYearsCopy("summaries10");
  return folder;
}

sq::SiteDescription Site() {
  sq::SiteDescription site;
  site.latitude = 45.0;
  site.longitude = -93.0;
  site.elevation_feet = 900;
  site.time_zone_hours = -6;
  return site;
}

void BM_CalcDailySummary(benchmark::State& state) {
  sq::WeatherDatabase db;
  if (db.OpenDatabase(Folder()) != 0) state.SkipWithError("open failed");
  for (auto _ : state) {
    if (sq::CalcDailySummary(db, Site()) != 1) state.SkipWithError("recompute failed");
  }
  state.SetItemsProcessed(state.iterations() * db.NumberOfDataRecords());
}
BENCHMARK(BM_CalcDailySummary)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every pass moves the station half a degree, so every record with solar radiation
// gets a new value and is rewritten.
void BM_CalcExtraRadRewrite(benchmark::State& state) {
  static double latitude = 45.0;
  sq::WeatherDatabase db;
  if (db.OpenDatabase(Folder()) != 0) state.SkipWithError("open failed");
  for (auto _ : state) {
    latitude = latitude == 45.0 ? 45.5 : 45.0;
    sq::SiteDescription site = Site();
    site.latitude = latitude;
    if (sq::CalcExtraRad(db, site) != 1) state.SkipWithError("recompute failed");
  }
  state.SetItemsProcessed(state.iterations() * db.NumberOfDataRecords());
}
BENCHMARK(BM_CalcExtraRadRewrite)->Unit(benchmark::kMillisecond)->UseRealTime();

// The values are already in place: the pass reads and computes but writes nothing.
void BM_CalcExtraRadUnchanged(benchmark::State& state) {
  sq::WeatherDatabase db;
  if (db.OpenDatabase(Folder()) != 0) state.SkipWithError("open failed");
  if (sq::CalcExtraRad(db, Site()) != 1) state.SkipWithError("recompute failed");
  for (auto _ : state) {
    if (sq::CalcExtraRad(db, Site()) != 1) state.SkipWithError("recompute failed");
  }
  state.SetItemsProcessed(state.iterations() * db.NumberOfDataRecords());
}
BENCHMARK(BM_CalcExtraRadUnchanged)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
