// Fuel estimates on the generated 10-year station database: the fuel demand report of
// N customers whose readings are spread over the last year (2024, 105,408 five-minute
// records), by each degree-day method, against estimating the same customers one by one
// with a fresh estimator each (every customer reading its days again). The year's daily
// summaries are recomputed once in a copy of the database first.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "bench/synthetic_db.h"
#include "database/daily_summary_ops.h"
#include "database/weather_database.h"
#include "reports/fuel_customer.h"
#include "reports/fuel_estimate.h"
#include "reports/fuel_report.h"

namespace {

constexpr int kYear = 2024;

const std::string& Folder() {
  static const std::string folder = [] {
    const std::string copy = sq::bench::SyntheticTenYearsCopy("fuel10");
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

// A customer a day apart from the previous one, cycling through the year's first 300 days.
sq::FuelCustomer Customer(int i) {
  sq::FuelCustomer c;
  c.SetNumber(i + 1);
  (void)c.SetLastName("Customer" + std::to_string(i));
  c.SetKFactor(5.0f);
  c.SetReading(275.0f);
  sq::DateTime date(1, 1, kYear);
  date += i % 300;
  c.SetReadingDate(date);
  c.SetWaterHeater(i % 2 == 0);
  return c;
}

std::string CustomerFolder(int count) {
  const std::string f = std::string(SQ_BENCH_DATA) + "/fuel_customers_" + std::to_string(count);
  std::filesystem::remove_all(f);
  for (int i = 0; i < count; ++i) {
    if (sq::SaveCustomer(f, Customer(i)) != sq::kFuelOk) std::exit(1);
  }
  return f;
}

void Report(benchmark::State& state, bool integration) {
  const int count = static_cast<int>(state.range(0));
  const std::string customers = CustomerFolder(count);
  sq::WeatherDatabase db;
  if (db.OpenDatabase(Folder(), true) != 0) state.SkipWithError("open failed");
  sq::FuelReportOptions options;
  options.long_format = false;
  options.by_name = false;
  for (auto _ : state) {
    sq::FuelEstimator estimator(db, 65.0f, integration);
    const sq::FuelReport report = sq::BuildFuelReport(estimator, customers, options, sq::DateTime(1, 1, 2025));
    if (report.status != 0 || report.customers != count) state.SkipWithError("report failed");
    benchmark::DoNotOptimize(report.text.data());
  }
  state.SetItemsProcessed(state.iterations() * count);
}

void BM_FuelReportIntegration(benchmark::State& state) { Report(state, true); }
BENCHMARK(BM_FuelReportIntegration)->Arg(1)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_FuelReportHighLow(benchmark::State& state) { Report(state, false); }
BENCHMARK(BM_FuelReportHighLow)->Arg(1)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

// The baseline without sharing: each customer estimated by its own estimator.
void BM_EstimatesOneByOneIntegration(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  sq::WeatherDatabase db;
  if (db.OpenDatabase(Folder(), true) != 0) state.SkipWithError("open failed");
  for (auto _ : state) {
    for (int i = 0; i < count; ++i) {
      sq::FuelEstimator estimator(db, 65.0f, true);
      double left = 0;
      sq::DateTime empty;
      if (estimator.IntegrationMethod(Customer(i), &left, &empty) != 0) state.SkipWithError("estimate failed");
      benchmark::DoNotOptimize(left);
    }
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_EstimatesOneByOneIntegration)->Arg(1)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
