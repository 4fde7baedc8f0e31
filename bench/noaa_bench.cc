// The annual climatological report of one year (2019, 105,120 five-minute records) of the
// generated 10-year station database, by each degree-day method, against one sequential
// scan of that year's records measured the same way (database open, every record of the
// twelve month files read in order). The year's daily summaries are recomputed once in a
// copy of the database first, so the report reads real summaries.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/synthetic_db.h"
#include "database/daily_summary_ops.h"
#include "database/weather_database.h"
#include "reports/noaa_report.h"

namespace {

constexpr int kYear = 2019;

const std::string& Folder() {
  static const std::string folder = [] {
    const std::string copy = sq::bench::SyntheticTenYearsCopy("noaa10");
    sq::WeatherDatabase db;
    if (db.OpenDatabase(copy) != 0) std::exit(1);
    for (sq::DateTime day(1, 1, kYear); day.year == kYear; ++day) {
      if (sq::SummarizeDay(db, day, sq::SiteDescription()) != 1) std::exit(1);
    }
    if (db.CloseDatabase() != 0) std::exit(1);
    return copy;
  }();
  return folder;
}

void AnnualReport(benchmark::State& state, float heat_base, bool integration) {
  sq::WeatherDatabase db;
  if (db.OpenDatabase(Folder(), true) != 0) state.SkipWithError("open failed");
  sq::NoaaSettings settings;
  settings.station_name = "Synthetic";
  settings.heat_base_f = heat_base;
  settings.integration = integration;
  for (auto _ : state) {
    sq::NoaaSummary summary(db, settings);
    if (summary.AnnualSummary(kYear) != 0) state.SkipWithError("summary failed");
    const std::string text = sq::FormatAnnualReport(summary, kYear);
    benchmark::DoNotOptimize(text.data());
  }
}

void BM_AnnualReportSummaries(benchmark::State& state) { AnnualReport(state, 65.0f, true); }
BENCHMARK(BM_AnnualReportSummaries)->Unit(benchmark::kMillisecond);

void BM_AnnualReportIntegrationBase60(benchmark::State& state) { AnnualReport(state, 60.0f, true); }
BENCHMARK(BM_AnnualReportIntegrationBase60)->Unit(benchmark::kMillisecond);

void BM_AnnualReportHighLow(benchmark::State& state) { AnnualReport(state, 65.0f, false); }
BENCHMARK(BM_AnnualReportHighLow)->Unit(benchmark::kMillisecond);

// The baseline: every record of the year through the sequential read.
void BM_SequentialScanOfTheYear(benchmark::State& state) {
  sq::WeatherDatabase db;
  if (db.OpenDatabase(Folder(), true) != 0) state.SkipWithError("open failed");
  std::int64_t records = 0;
  sq::RecordBytes rec;
  for (auto _ : state) {
    for (const auto& m : db.months()) {
      if (m.year != kYear) continue;
      if (db.OpenMonth(m.file_name) != 0) state.SkipWithError("month failed");
      while (db.GetRecord(&rec) == 0) {
        benchmark::DoNotOptimize(rec[6]);
        ++records;
      }
    }
  }
  state.SetItemsProcessed(records);
}
BENCHMARK(BM_SequentialScanOfTheYear)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
