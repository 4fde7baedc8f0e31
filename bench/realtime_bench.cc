// Current conditions.
//
//   BM_BulletinUpdate   one loop record into BulletinData (every value, the rings, the
//                       forecast texts), a packet every 2 seconds of a fake clock
//   BM_SnapshotWrite    the snapshot file written as `run` does after each packet
//   BM_SimulatedDay     the real-time manager polling the simulator (pseudo-terminal,
//                       unpaced) on a fake clock for 24 simulated hours, writing the
//                       snapshot after every packet; counters: packets, resident
//                       memory at the start and at the end (kB)
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "link/corvale_session.h"
#include "link/link_clock.h"
#include "realtime/bulletin_snapshot.h"
#include "realtime/realtime_manager.h"
#include "tools/console_sim/console_sim.h"

namespace sq {
namespace {

long ResidentKb() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

LoopRecord Record(int n) {
  LoopRecord r;
  r.outside_temp = static_cast<std::int16_t>(650 + n % 40);
  r.inside_temp = 705;
  r.outside_hum = static_cast<std::uint8_t>(40 + n % 30);
  r.inside_hum = 40;
  r.barometer = static_cast<std::int16_t>(29900 + n % 50);
  r.wind_speed = static_cast<std::uint8_t>(n % 25);
  r.avg_wind_speed = 8;
  r.wind_dir = static_cast<std::int16_t>(n % 360);
  r.day_rain = static_cast<std::int16_t>(n / 500);
  r.storm_rain = 5;
  r.rain_rate = 0;
  r.day_et = 15;
  r.month_et = 120;
  r.year_et = 900;
  r.solar = 420;
  r.uv = 30;
  r.forecast_rule = static_cast<std::uint8_t>(n % 194);
  r.console_battery = 780;
  return r;
}

void BM_BulletinUpdate(benchmark::State& state) {
  BulletinData d;
  BulletinSite site;
  FakeClock clock(1717200000000);
  int n = 0;
  for (auto _ : state) {
    const LoopRecord r = Record(n++);
    d.Update(r, site, clock.UnixMs(), clock.LocalNow());
    clock.Advance(2000);
    benchmark::DoNotOptimize(d);
  }
}
BENCHMARK(BM_BulletinUpdate);

void BM_SnapshotWrite(benchmark::State& state) {
  const std::string dir = std::filesystem::temp_directory_path() / "sq_snapshot_bench";
  std::filesystem::create_directories(dir);
  BulletinData d;
  FakeClock clock(1717200000000);
  d.Update(Record(1), BulletinSite{}, clock.UnixMs(), clock.LocalNow());
  for (auto _ : state) benchmark::DoNotOptimize(WriteBulletinSnapshot(dir, d));
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_SnapshotWrite);

void BM_SimulatedDay(benchmark::State& state) {
  for (auto _ : state) {
    sim::SimOptions o;
    o.packet_interval_ms = 0;
    sim::ConsoleSim sim(o);
    if (!sim.StartPty()) {
      state.SkipWithError("no pseudo-terminal");
      return;
    }
    FakeLinkClock clock(50);
    CommSettings s;
    s.clock = &clock;
    s.device_path = sim.device_path();
    CorvaleSession session(s);
    const std::string dir = std::filesystem::temp_directory_path() / "sq_day_bench";
    std::filesystem::create_directories(dir);
    long packets = 0;
    RealTimeHooks hooks;
    hooks.updated = [&](const BulletinData& d) {
      ++packets;
      (void)WriteBulletinSnapshot(dir, d);
    };
    RealTimeManager rt(session, clock.fake(), BulletinSite{}, hooks);
    const std::int64_t start = clock.NowMs();
    long rss_start = 0;
    while (clock.NowMs() - start < 24LL * 3600 * 1000) {
      rt.Poll();
      if (packets == 100 && rss_start == 0) rss_start = ResidentKb();  // after the first allocations
    }
    rt.Stop();
    state.counters["packets"] = static_cast<double>(packets);
    state.counters["rss_start_kB"] = static_cast<double>(rss_start);
    state.counters["rss_end_kB"] = static_cast<double>(ResidentKb());
    std::filesystem::remove_all(dir);
  }
}
BENCHMARK(BM_SimulatedDay)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace sq

BENCHMARK_MAIN();
