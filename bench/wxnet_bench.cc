// Weather Underground catch-up: the walk over 7 days of 5-minute records (2016 requests)
// at the end of the generated 10-year database, against a session that answers at once,
// so the figures are the program's own share of a catch-up: reading the records and
// building the requests, and saving the last record sent after every record.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "app/station.h"
#include "database/weather_database.h"
#include "publish/wu_upload.h"
#include "publish/wxnet_steps.h"
#include "synthetic_db.h"

namespace {

class AnswerAtOnce final : public sq::HttpSession {
 public:
  long Open() override { return 0; }
  void Close() override {}
  sq::HttpReply Get(const std::string& url) override {
    bytes += url.size();
    return {true, true, 0, "success\n"};
  }
  std::size_t bytes = 0;
};

sq::DateTime EndOfData() {
  sq::DateTime now(1, 1, 2025);
  now.packed_time = 0;
  return now;
}

void BM_WuCatchupSevenDays(benchmark::State& state) {
  sq::WeatherDatabase db;
  if (db.OpenDatabase(sq::bench::SyntheticTenYears(), true) != sq::kDbOk) state.SkipWithError("no database");
  sq::WuSettings settings;
  settings.id = "KTEST1";
  settings.password = "secret";
  settings.catchup_days = 7;
  sq::WuHooks hooks;
  hooks.log = [](std::string_view, std::string_view) {};
  int records = 0;
  for (auto _ : state) {
    AnswerAtOnce session;
    sq::WuUploader up(session, settings, "bench", hooks);
    benchmark::DoNotOptimize(up.Upload(db, sq::SiteDescription{}, sq::WeatherSensors{}, EndOfData()));
    records = up.records_sent();
  }
  state.counters["records"] = records;
  state.SetItemsProcessed(state.iterations() * records);
}
BENCHMARK(BM_WuCatchupSevenDays)->Unit(benchmark::kMillisecond);

// The same walk with the last record sent saved in a station file after every record.
void BM_WuCatchupSavingEachRecord(benchmark::State& state) {
  const std::string folder = std::string(SQ_BENCH_DATA) + "/wu_station";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  sq::Station station;
  station.SetFolder(folder);
  sq::StoreText(station.record().wu_id, sizeof station.record().wu_id, "KTEST1");
  sq::StoreText(station.record().wu_password, sizeof station.record().wu_password, "secret");
  if (station.Save() != sq::kStationOk) state.SkipWithError("cannot save the station");
  sq::WeatherDatabase db;
  if (db.OpenDatabase(sq::bench::SyntheticTenYears(), true) != sq::kDbOk) state.SkipWithError("no database");
  sq::WuHooks hooks;
  hooks.log = [](std::string_view, std::string_view) {};
  hooks.sent = [&](const sq::DateTime& t) { return sq::SaveWuLastSent(folder, t, "bench", hooks.log); };
  int records = 0;
  for (auto _ : state) {
    sq::WuSettings settings = sq::WuSettingsOf(station);
    settings.catchup_days = 7;
    AnswerAtOnce session;
    sq::WuUploader up(session, settings, "bench", hooks);
    benchmark::DoNotOptimize(up.Upload(db, sq::SiteDescription{}, sq::WeatherSensors{}, EndOfData()));
    records = up.records_sent();
  }
  state.counters["records"] = records;
  state.SetItemsProcessed(state.iterations() * records);
}
BENCHMARK(BM_WuCatchupSavingEachRecord)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
