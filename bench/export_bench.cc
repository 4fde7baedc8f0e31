// Text export speed: one year of 5-minute records (about 105,000 lines) of a synthetic
// station through the default archive browser list, written to /dev/null: the list of
// a new station (the default model) and the list of a station with every sensor. The
// database is generated once into the build folder.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/station.h"
#include "reports/auto_export.h"
#include "reports/text_export.h"

namespace {

const std::string& Folder() {
  static const std::string folder = [] {
    const std::string f = std::string(SQ_BENCH_DATA) + "/synthetic1";
    if (!std::filesystem::exists(f + "/2024-12.sqm")) {
      std::filesystem::remove_all(f);
      const std::string cmd = std::string(SQ_MAKE_SYNTHETIC_DB) + " " + f + " --years 1 --interval 5 --start 2024-01";
      if (std::system(cmd.c_str()) != 0) {
        std::fprintf(stderr, "cannot generate %s\n", f.c_str());
        std::exit(1);
      }
    }
    return f;
  }();
  return folder;
}

void BM_ExportYear(benchmark::State& state) {
  sq::WeatherDatabase db;
  if (db.OpenDatabase(Folder(), true) != 0) state.SkipWithError("open failed");
  const sq::DataSets sets = sq::DefaultDataSets();
  const sq::ListSensors sensors =
      state.range(0) == 0 ? sq::ListSensors::Of(sq::Station()) : sq::ListSensors{{0xFFFFFFFF, 0x3}, false, true};
  const sq::DataLists lists = sq::DefaultDataLists(&sets, sensors);
  const sq::DataList list = sq::CopyList(*lists.List(sq::kArchiveBrowserList), sq::kCopyAllActive);
  sq::ExportOptions opt;
  opt.from = db.first_date();
  opt.to = db.last_date();
  opt.separator = ',';
  std::FILE* out = std::fopen("/dev/null", "w");
  long lines = 0;
  for (auto _ : state) {
    if (sq::WriteExport(db, list, opt, out, &lines) != sq::kExportOk) state.SkipWithError("export failed");
  }
  std::fclose(out);
  state.counters["lines"] = static_cast<double>(lines);
  state.counters["columns"] = static_cast<double>(list.ActiveCount());
  state.SetItemsProcessed(state.iterations() * lines);
}
BENCHMARK(BM_ExportYear)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
