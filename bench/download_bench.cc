// The archive download against the console simulator, on the real clock.
//
//   BM_PageLoop/tcp|pty       the page loop of a full archive (512 pages), unpaced
//   BM_WholeDownload/tcp|pty  the same download from the first wake-up, setup pauses included
//   BM_Paced19200             100 pages over a pseudo-terminal paced at 19200 bit/s; the
//                             counter "ratio" is the time over the line's own transfer time
//                             (267 bytes per page, 10 bits per byte)
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/station.h"
#include "link/archive_download.h"
#include "link/corvale_session.h"
#include "tools/console_sim/console_sim.h"

namespace sq {
namespace {

class Folder {
 public:
  Folder() {
    char templ[] = "/tmp/sq_dl_bench_XXXXXX";
    path_ = ::mkdtemp(templ);
  }
  ~Folder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

struct Rig {
  std::unique_ptr<sim::ConsoleSim> sim;
  CommSettings settings;
};

Rig MakeRig(bool tcp, int records, int baud) {
  sim::SimOptions o;
  o.archive.records = records;
  o.archive.period_minutes = 5;
  o.baud = baud;
  Rig rig;
  rig.sim = std::make_unique<sim::ConsoleSim>(o);
  if (tcp) {
    if (!rig.sim->StartTcp(0)) std::abort();
    rig.settings.connection_type = kConnTcp;
    rig.settings.host = "127.0.0.1";
    rig.settings.tcp_port = std::to_string(rig.sim->port());
  } else {
    if (!rig.sim->StartPty()) std::abort();
    rig.settings.device_path = rig.sim->device_path();
  }
  return rig;
}

Station MakeStation(const std::string& folder) {
  Station st;
  (void)st.SetStationModel(5);
  st.SetFolder(folder);
  (void)st.Save();
  return st;
}

DownloadOptions Quiet() {
  DownloadOptions o;
  o.silent = true;
  o.hooks.message = [](std::string_view, bool) {};
  o.hooks.log = [](std::string_view) {};
  return o;
}

void BM_PageLoop(benchmark::State& state) {
  Rig rig = MakeRig(state.range(0) != 0, 2560, 0);
  for (auto _ : state) {
    Folder folder;
    Station st = MakeStation(folder.path());
    CorvaleSession session(rig.settings);
    ArchiveDownload d(st, session, Quiet());
    if (!d.Begin() || d.Setup() != kSetupConfirmed) state.SkipWithError("setup failed");
    const auto t0 = std::chrono::steady_clock::now();
    if (d.StartTransfer() != 0) state.SkipWithError("transfer did not start");
    ArchiveDownload::Step step;
    while ((step = d.GetCorvaleBlock()) == ArchiveDownload::Step::kMore) {
    }
    const auto t1 = std::chrono::steady_clock::now();
    if (step != ArchiveDownload::Step::kDone || d.records_stored() != 2560) state.SkipWithError("incomplete");
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
  }
  state.counters["pages"] = 512;
}
BENCHMARK(BM_PageLoop)->Arg(1)->Arg(0)->ArgName("tcp")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_WholeDownload(benchmark::State& state) {
  Rig rig = MakeRig(state.range(0) != 0, 2560, 0);
  for (auto _ : state) {
    Folder folder;
    Station st = MakeStation(folder.path());
    CorvaleSession session(rig.settings);
    const auto t0 = std::chrono::steady_clock::now();
    ArchiveDownload d(st, session, Quiet());
    if (d.Run() != kDownloadOk) state.SkipWithError("download failed");
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
}
BENCHMARK(BM_WholeDownload)
    ->Arg(1)
    ->Arg(0)
    ->ArgName("tcp")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

void BM_Paced19200(benchmark::State& state) {
  constexpr int kPages = 100;
  Rig rig = MakeRig(false, kPages * 5, 19200);
  double seconds = 0;
  for (auto _ : state) {
    Folder folder;
    Station st = MakeStation(folder.path());
    CorvaleSession session(rig.settings);
    const auto t0 = std::chrono::steady_clock::now();
    ArchiveDownload d(st, session, Quiet());
    if (d.Run() != kDownloadOk) state.SkipWithError("download failed");
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    state.SetIterationTime(seconds);
  }
  const double line = kPages * 267.0 * 10.0 / 19200.0;
  state.counters["line_s"] = line;
  state.counters["ratio"] = seconds / line;
}
BENCHMARK(BM_Paced19200)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace sq

BENCHMARK_MAIN();
