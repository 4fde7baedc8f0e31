// Cost of answering every catalogue variable of one archive record, as a number and as
// display text: what a browser or an export pays per record and column.
#include <benchmark/benchmark.h>

#include "database/variable_catalogue.h"
#include "database/weather_data_object.h"

namespace {

sq::WeatherDataObject SampleRecord() {
  sq::DataRecord r = sq::NewDataRecord();
  r.archive_interval = 5;
  r.packed_time = 750;
  r.outside_temp = 725;
  r.hi_outside_temp = 731;
  r.low_outside_temp = 719;
  r.inside_temp = 701;
  r.barometer = 29921;
  r.outside_hum = 554;
  r.inside_hum = 403;
  r.rain = 0x1003;
  r.hi_rain_rate = 12;
  r.wind_speed = 100;
  r.hi_wind_speed = 180;
  r.wind_direction = 4;
  r.hi_wind_direction = 5;
  r.wind_samples = 110;
  r.solar_rad = 500;
  r.hi_solar_rad = 520;
  r.uv = 35;
  r.hi_uv = 37;
  r.extra_rad = 430;
  r.et = 3;
  r.extra_temp[0] = 160;
  r.extra_hum[0] = 40;
  return sq::WeatherDataObject(r);
}

void BM_ValuesOfAllVariables(benchmark::State& state) {
  const sq::WeatherDataObject rec = SampleRecord();
  const auto& vars = sq::FullCatalogue();
  for (auto _ : state) {
    float sum = 0;
    for (const auto& v : vars) sum += rec.GetWeatherData(v.id, false);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(vars.size()));
}
BENCHMARK(BM_ValuesOfAllVariables);

void BM_TextsOfAllVariables(benchmark::State& state) {
  const sq::WeatherDataObject rec = SampleRecord();
  const auto& vars = sq::FullCatalogue();
  char buf[sq::kValueTextSize];
  for (auto _ : state) {
    for (const auto& v : vars) {
      rec.GetWeatherDataStr(v.id, std::span<char>(buf));
      benchmark::DoNotOptimize(buf);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(vars.size()));
}
BENCHMARK(BM_TextsOfAllVariables);

}  // namespace

BENCHMARK_MAIN();
