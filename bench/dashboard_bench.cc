// The dashboard: a year of 5-minute records plotted as SVG (read and render, and render
// alone), /api/current under 100 concurrent clients, and the delay from a packet's
// update in the run loop (snapshot written, state published) to its event in a client.
#include <benchmark/benchmark.h>
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "bench/synthetic_db.h"
#include "realtime/bulletin_snapshot.h"
#include "ui/dashboard/dashboard_api.h"
#include "ui/dashboard/dashboard_server.h"
#include "ui/dashboard/station_data.h"

namespace sq::dashboard {
namespace {

using Clock = std::chrono::steady_clock;

StationInfo TenYears() {
  StationInfo s;
  s.name = "Bench";
  s.folder = bench::SyntheticTenYears();
  return s;
}

const std::multimap<std::string, std::string> kYear = {
    {"var", "outside_temperature"}, {"span", "range"}, {"from", "2023-01-01"}, {"to", "2023-12-31"}, {"width", "800"}};

void BM_PlotOneYearReadAndRender(benchmark::State& state) {
  FakeClock clock;
  DashboardState shared;
  shared.SetStation(TenYears());
  DashboardContext c{shared, "/nonexistent", clock};
  std::size_t bytes = 0;
  for (auto _ : state) {
    const HttpResponse r = HandleRequest(c, HttpRequest{"/plot.svg", kYear});
    if (r.status != 200) state.SkipWithError("the plot failed");
    bytes = r.body.size();
  }
  state.counters["svg_kB"] = static_cast<double>(bytes) / 1024.0;
}
BENCHMARK(BM_PlotOneYearReadAndRender)->Unit(benchmark::kMillisecond);

void BM_PlotOneYearRenderOnly(benchmark::State& state) {
  StationData data(TenYears());
  std::string error;
  if (data.Open(&error) != 0) {
    state.SkipWithError(error.c_str());
    return;
  }
  const TimeRange range{*ParseMoment("2023-01-01"), *ParseMoment("2023-12-31T23:59")};
  std::vector<PlotSeries> series;
  (void)data.LoadSeries({FindVariable("outside_temperature")}, range, UnitSystem::kDisplay, &series);
  PlotOptions o;
  o.from = range.from;
  o.to = range.to;
  std::size_t bytes = 0;
  for (auto _ : state) {
    const std::string svg = RenderSvgPlot(series, o);
    bytes = svg.size();
    benchmark::DoNotOptimize(svg.data());
  }
  state.counters["points"] = static_cast<double>(series[0].points.size());
  state.counters["svg_kB"] = static_cast<double>(bytes) / 1024.0;
}
BENCHMARK(BM_PlotOneYearRenderOnly)->Unit(benchmark::kMillisecond);

BulletinData Packet(int n) {
  BulletinData d;
  d.have_data = true;
  d.packet_unix_ms = 1720800000000 + n * 2000;
  d.packet_date = 2024 * 65536 + 7 * 256 + 12;
  d.outside_temp.Observe(60.0f + static_cast<float>(n % 10), 600);
  d.barometer.Observe(29.9f, 600);
  return d;
}

double Percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1))];
}

// Clients at once (100), each asking 10 times (a new connection each time).
void BM_ApiCurrentConcurrent(benchmark::State& state) {
  SystemClock clock;
  DashboardState shared;
  shared.SetStation(TenYears());
  shared.Publish(Packet(0), 0);
  DashboardServerOptions o;
  o.listen = ListenAddress{"127.0.0.1", 0};
  DashboardServer server(shared, "/nonexistent", clock, o);
  std::string error;
  if (!server.Start(&error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  std::vector<double> all;
  for (auto _ : state) {
    const int clients_at_once = static_cast<int>(state.range(0));
    std::vector<std::vector<double>> per(clients_at_once);
    std::atomic<int> failed{0};
    std::vector<std::thread> clients;
    for (int i = 0; i < clients_at_once; ++i) {
      clients.emplace_back([&, i] {
        httplib::Client c("127.0.0.1", server.port());
        c.set_read_timeout(30, 0);
        for (int k = 0; k < 10; ++k) {
          const auto t0 = Clock::now();
          auto r = c.Get("/api/current");
          per[i].push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
          if (!r || r->status != 200) {
            if (failed++ == 0)
              std::fprintf(stderr, "%s\n",
                           r ? std::to_string(r->status).c_str() : httplib::to_string(r.error()).c_str());
          }
        }
      });
    }
    for (auto& t : clients) t.join();
    if (failed > 0) state.SkipWithError("requests failed");
    for (auto& v : per) all.insert(all.end(), v.begin(), v.end());
  }
  state.counters["median_us"] = Percentile(all, 0.5);
  state.counters["p99_us"] = Percentile(all, 0.99);
  state.counters["max_us"] = Percentile(all, 1.0);
  state.counters["requests"] = static_cast<double>(all.size());
}
BENCHMARK(BM_ApiCurrentConcurrent)
    ->Arg(8)
    ->Arg(16)
    ->Arg(32)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

// The run loop's side of a packet (the snapshot file written, the state published) to
// the event read by a connected client.
void BM_PacketToEvent(benchmark::State& state) {
  SystemClock clock;
  DashboardState shared;
  const std::string folder = std::filesystem::temp_directory_path() / "sq_bench_dashboard";
  std::filesystem::create_directories(folder);
  shared.Publish(Packet(0), 0);
  DashboardServerOptions o;
  o.listen = ListenAddress{"127.0.0.1", 0};
  DashboardServer server(shared, "/nonexistent", clock, o);
  std::string error;
  if (!server.Start(&error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  std::atomic<int> events{0};
  std::atomic<bool> stop{false};
  std::thread reader([&] {
    httplib::Client c("127.0.0.1", server.port());
    c.set_read_timeout(30, 0);
    std::string buf;
    c.Get("/api/events", [&](const char* d, std::size_t n) {
      buf.append(d, n);
      for (std::size_t at; (at = buf.find("\n\n")) != std::string::npos; buf.erase(0, at + 2)) {
        if (buf.compare(0, 14, "retry: 3000\nev") == 0 || buf.compare(0, 5, "event") == 0) ++events;
      }
      return !stop;
    });
  });
  while (events.load() < 1) std::this_thread::yield();
  std::vector<double> delays;
  int n = 1;
  for (auto _ : state) {
    const int before = events.load();
    const auto t0 = Clock::now();
    const BulletinData d = Packet(n++);
    (void)WriteBulletinSnapshot(folder, d);
    shared.Publish(d, 0);
    while (events.load() == before) std::this_thread::yield();
    delays.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
  }
  stop = true;
  shared.Publish(Packet(n), 0);  // wakes the stream so that the reader sees the stop
  server.Stop();
  reader.join();
  std::filesystem::remove_all(folder);
  state.counters["median_us"] = Percentile(delays, 0.5);
  state.counters["p99_us"] = Percentile(delays, 0.99);
}
BENCHMARK(BM_PacketToEvent)->Iterations(300)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace sq::dashboard

BENCHMARK_MAIN();
