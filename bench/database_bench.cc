// Database speed on a synthetic station of 10 years of 5-minute records (about a
// million archive records in 120 month files), with a plain sequential read of the
// same files as the baseline. The database is generated once into the build folder.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench/synthetic_db.h"
#include "database/daily_summary_record.h"
#include "database/data_record.h"
#include "database/month_file.h"
#include "database/weather_database.h"

namespace {

const std::string& Folder() { return sq::bench::SyntheticTenYears(); }

std::vector<std::string> MonthPaths() {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(Folder())) {
    if (sq::IsMonthFileName(e.path().filename().string())) out.push_back(e.path().string());
  }
  std::sort(out.begin(), out.end());
  return out;
}

// Baseline: read every month file front to back in 128 KiB blocks, as cat does.
void BM_RawRead(benchmark::State& state) {
  const auto paths = MonthPaths();
  std::vector<char> buf(128 * 1024);
  std::int64_t bytes = 0;
  for (auto _ : state) {
    for (const auto& p : paths) {
      const int fd = ::open(p.c_str(), O_RDONLY);
      ssize_t n;
      while ((n = ::read(fd, buf.data(), buf.size())) > 0) bytes += n;
      ::close(fd);
    }
    benchmark::DoNotOptimize(bytes);
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_RawRead)->Unit(benchmark::kMillisecond);

void BM_OpenDatabase(benchmark::State& state) {
  for (auto _ : state) {
    sq::WeatherDatabase db;
    if (db.OpenDatabase(Folder(), true) != 0) state.SkipWithError("open failed");
    benchmark::DoNotOptimize(db.NumberOfDataRecords());
  }
}
BENCHMARK(BM_OpenDatabase)->Unit(benchmark::kMillisecond);

// Every record of every month through the sequential read.
void BM_SequentialScan(benchmark::State& state) {
  sq::WeatherDatabase db;
  if (db.OpenDatabase(Folder(), true) != 0) state.SkipWithError("open failed");
  std::int64_t records = 0;
  sq::RecordBytes rec;
  for (auto _ : state) {
    for (const auto& m : db.months()) {
      if (db.OpenMonth(m.file_name) != 0) state.SkipWithError("month failed");
      while (db.GetRecord(&rec) == 0) {
        benchmark::DoNotOptimize(rec[6]);
        ++records;
      }
    }
  }
  state.SetItemsProcessed(records);
  state.SetBytesProcessed(records * static_cast<std::int64_t>(sq::kRecordSize));
}
BENCHMARK(BM_SequentialScan)->Unit(benchmark::kMillisecond);

void BM_RandomArchiveRecord(benchmark::State& state) {
  sq::WeatherDatabase db;
  if (db.OpenDatabase(Folder(), true) != 0) state.SkipWithError("open failed");
  std::mt19937 rng(7);
  std::uniform_int_distribution<std::int32_t> pick(0, db.NumberOfDataRecords() - 1);
  sq::RecordBytes rec;
  for (auto _ : state) {
    if (db.GetArchiveRecord(&rec, pick(rng)) != 0) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(rec[6]);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RandomArchiveRecord)->Unit(benchmark::kMicrosecond);

void BM_ClosestArchive(benchmark::State& state) {
  sq::WeatherDatabase db;
  if (db.OpenDatabase(Folder(), true) != 0) state.SkipWithError("open failed");
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> year(2015, 2024), month(1, 12), day(1, 28), minute(0, 1439);
  for (auto _ : state) {
    sq::DateTime when(month(rng), day(rng), year(rng));
    when.packed_time = static_cast<std::int16_t>(minute(rng));
    if (db.GetClosestArchive(when) < 0) state.SkipWithError("look-up failed");
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ClosestArchive)->Unit(benchmark::kMicrosecond);

// 100,000 records appended as a download stores them: a day's two summaries, then its
// archive records, the header flushed after every page of five records.
void BM_Append100k(benchmark::State& state) {
  const std::string folder = std::string(SQ_BENCH_DATA) + "/append";
  constexpr int kRecords = 100000;
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    state.ResumeTiming();
    sq::WeatherDatabase db;
    (void)db.OpenDatabase(folder);
    sq::DateTime day(1, 1, 2020);
    sq::DataRecord r = sq::NewDataRecord();
    int written = 0;
    while (written < kRecords) {
      sq::DateTime stamp = day;
      stamp.packed_time = 1;
      if (db.AppendRecord(sq::ToBytes(sq::NewDailySummary1()), stamp) != 0 ||
          db.AppendRecord(sq::ToBytes(sq::NewDailySummary2()), stamp) != 0) {
        state.SkipWithError("append failed");
        return;
      }
      for (int t = 5; t <= 1440 && written < kRecords; t += 5, ++written) {
        r.packed_time = static_cast<std::int16_t>(t);
        stamp.packed_time = static_cast<std::int16_t>(t);
        if (db.AppendRecord(sq::ToBytes(r), stamp) != 0) {
          state.SkipWithError("append failed");
          return;
        }
        if (written % 5 == 4) (void)db.Flush();
      }
      ++day;
    }
    (void)db.Sync();
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_Append100k)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
