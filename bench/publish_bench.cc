// Template pages: the tag scan and value lookup per piece of template text, and a whole
// page written from the template that uses every tag once.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/station.h"
#include "foundation/clock.h"
#include "publish/template_page.h"

namespace {

const std::string kTemplate = std::string(SQ_SOURCE_DIR) + "/publish/tests/golden/every_tag.htx";

sq::Station AllSensors() {
  sq::Station s;
  s.record().sensors[0] = 0xFFFFFFFFu;
  return s;
}

sq::PageData Data() {
  sq::PageData d;
  d.current.outside_temp = 725;
  d.current.outside_hum = 55;
  d.current.barometer = 29921;
  d.current.wind_speed = 7;
  sq::HiLowsBlock b{};
  d.hilows = b;
  return d;
}

std::vector<std::string> Lines() {
  std::vector<std::string> lines;
  std::ifstream f(kTemplate);
  for (std::string line; std::getline(f, line);) lines.push_back(line + "\n");
  return lines;
}

// One line of the every-tag template (one tag each) per iteration.
void BM_SubstituteLine(benchmark::State& state) {
  sq::FakeClock clock(1718461800000);
  const sq::Station station = AllSensors();
  const sq::PageData data = Data();
  const sq::TagValues values(data, station, clock);
  const auto lines = Lines();
  std::string out;
  std::size_t i = 0;
  for (auto _ : state) {
    out.clear();
    sq::SubstituteTags(lines[i], values, out);
    benchmark::DoNotOptimize(out.data());
    if (++i == lines.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SubstituteLine);

// Plain text without tags: the copy cost of the lines around the tags.
void BM_PlainLine(benchmark::State& state) {
  sq::FakeClock clock(1718461800000);
  const sq::Station station = AllSensors();
  const sq::PageData data = Data();
  const sq::TagValues values(data, station, clock);
  const std::string line = "<tr><td class=\"label\">Some text of a template without any tag</td></tr>\n";
  std::string out;
  for (auto _ : state) {
    out.clear();
    sq::SubstituteTags(line, values, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(line.size()));
}
BENCHMARK(BM_PlainLine);

// The whole every-tag page (236 tags), template read and page written.
void BM_EveryTagPage(benchmark::State& state) {
  sq::FakeClock clock(1718461800000);
  const sq::Station station = AllSensors();
  const sq::PageData data = Data();
  const sq::TagValues values(data, station, clock);
  const std::string page = (std::filesystem::temp_directory_path() / "sq_bench_page.htm").string();
  for (auto _ : state) {
    if (sq::ProcessTemplate(kTemplate, page, values, "bench", [](std::string_view, std::string_view) {}) !=
        sq::kPageWritten) {
      state.SkipWithError("page not written");
      break;
    }
  }
  std::remove(page.c_str());
}
BENCHMARK(BM_EveryTagPage);

}  // namespace

BENCHMARK_MAIN();
