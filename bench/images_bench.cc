// Weather images: every current image of a station with all sensors, and all 48 history
// graphs over 24 hours and over 12 months of a 10-year database, each set written into a
// folder as the upload run does. The year's graphs are set beside one sequential scan
// of the same year reading one value per record, the least any graph of it can cost
// (with the database already open, and opened for each scan as a graph run opens it).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "app/station.h"
#include "database/weather_database.h"
#include "publish/graph_gif.h"
#include "publish/publish_tables.h"
#include "publish/weather_images.h"
#include "reports/record_range.h"
#include "synthetic_db.h"

namespace {

sq::Station AllSensors() {
  sq::Station s;
  (void)s.SetStationModel(6);
  s.record().sensors[0] = 0xFFFFFFFFu;
  s.record().sensors[1] = 0xFFFFFFFFu;
  s.record().rain_type = 1;
  return s;
}

sq::BulletinData Conditions() {
  sq::BulletinData d;
  d.have_data = true;
  d.packet_date = 2024 * 65536 + 12 * 256 + 31;
  d.packet_minute = 600;
  auto set = [](sq::Tracked& t, float v) {
    t.now = v;
    t.high = v + 5;
    t.low = v - 5;
  };
  for (sq::Tracked* t : {&d.outside_temp, &d.inside_temp, &d.outside_hum, &d.inside_hum, &d.dew_point, &d.heat_index,
                         &d.wind_chill, &d.solar, &d.uv, &d.rain_rate, &d.wind_speed}) {
    set(*t, 40);
  }
  set(d.barometer, 30.0f);
  for (auto* a : {&d.extra_temps, &d.extra_hums}) {
    for (auto& t : *a) set(t, 10);
  }
  for (auto* a : {&d.soil_temps, &d.leaf_temps, &d.soil_moistures, &d.leaf_wetnesses}) {
    for (auto& t : *a) set(t, 10);
  }
  d.avg_wind_speed = 5;
  d.wind_dir = 200;
  d.thw = d.inside_dew_point = d.inside_heat_index = 50;
  d.air_density = 0.075f;
  d.emc = 11;
  d.day_rain = d.storm_rain = d.month_rain = d.year_rain = 0.5f;
  d.day_et = d.month_et = d.year_et = 0.2f;
  return d;
}

std::string OutFolder(const char* name) {
  const std::string dir = std::string(SQ_BENCH_DATA) + "/" + name;
  std::filesystem::create_directories(dir);
  return dir;
}

void Run(benchmark::State& state, bool current, std::uint32_t span, bool one_graph = false) {
  const sq::Station station = AllSensors();
  const sq::BulletinData data = Conditions();
  sq::UploadParameters profile{};
  if (current) {
    profile.current_images[0] = 0xFFFFFFFFu;
    profile.current_images[1] = (1u << (sq::kCurrentImageCount - 32)) - 1;
  } else {
    profile.historical_images[0] = 0xFFFFFFFFu;
    profile.historical_images[1] = (1u << (sq::kHistoricalImageCount - 32)) - 1;
  }
  if (one_graph) {
    profile.historical_images[0] = 1u << 1;  // "OutsideTempHistory.gif"
    profile.historical_images[1] = 0;
  }
  profile.span = span;
  sq::ImageRun run;
  run.station = &station;
  run.station_folder = sq::bench::SyntheticTenYears();
  run.current = &data;
  run.extremes = true;
  const std::string out = OutFolder(current ? "images_current" : "images_graphs");
  std::size_t files = 0;
  for (auto _ : state) {
    sq::ImageResult result;
    const int rc = sq::WriteProfileImages(run, profile, out, current, !current, &result);
    if (rc != 0 || result.written.empty()) state.SkipWithError("images failed");
    files = result.written.size();
  }
  state.counters["files"] = static_cast<double>(files);
}

void BM_CurrentImages(benchmark::State& state) { Run(state, true, 4); }
void BM_Graphs24Hours(benchmark::State& state) { Run(state, false, 4); }
void BM_Graphs12Months(benchmark::State& state) { Run(state, false, 8); }
void BM_OneGraph12Months(benchmark::State& state) { Run(state, false, 8, true); }

// The floor: one pass over the same year through the same record walk, one value each.
void BM_ScanOfTheYear(benchmark::State& state) {
  const sq::Station station = AllSensors();
  const bool open_each = state.range(0) != 0;
  sq::WeatherDatabase db;
  if (db.OpenDatabase(sq::bench::SyntheticTenYears(), true) != sq::kDbOk) state.SkipWithError("no database");
  sq::DateTime end(12, 31, 2024);
  end.packed_time = 1440;
  const sq::GraphPeriod period = sq::GraphPeriodFor(8, end);
  double sum = 0;
  std::int64_t records = 0;
  for (auto _ : state) {
    records = 0;
    // With the argument 1 the database is opened each time, as a graph run must.
    if (open_each && db.OpenDatabase(sq::bench::SyntheticTenYears(), true) != sq::kDbOk)
      state.SkipWithError("no database");
    (void)sq::ForEachArchiveRecord(db, period.start, period.end, station.GetSiteDescription(),
                                   [&](const sq::WeatherDataObject& rec) {
                                     sum += rec.GetWeatherData(sq::WeatherDataID::OutsideTemp(), false);
                                     ++records;
                                     return true;
                                   });
  }
  benchmark::DoNotOptimize(sum);
  state.counters["records"] = static_cast<double>(records);
}

BENCHMARK(BM_CurrentImages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Graphs24Hours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Graphs12Months)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneGraph12Months)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanOfTheYear)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
