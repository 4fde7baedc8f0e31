// make_synthetic_db: writes a station database of plausible, deterministic weather for
// benchmarks and demonstrations.
//
//   make_synthetic_db FOLDER [--years N] [--interval MINUTES] [--start YYYY-MM]
//
// Every day gets its two summary records followed by one archive record per interval;
// the same arguments always give the same bytes. The folder must not hold month files.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <string>
#include <system_error>

#include "database/daily_summary_record.h"
#include "database/data_record.h"
#include "database/month_file.h"
#include "database/weather_database.h"
#include "foundation/date_time.h"

namespace {

void Usage(std::FILE* out) {
  std::fprintf(out,
               "Usage: make_synthetic_db FOLDER [--years N] [--interval MINUTES] [--start YYYY-MM]\n"
               "  --years N           years of data (default 10, 1..100)\n"
               "  --interval MINUTES  archive interval (default 5; 1, 5, 10, 15, 30, 60 or 120)\n"
               "  --start YYYY-MM     first month (default 2015-01)\n");
}

// A small deterministic generator, so that every run writes the same records.
class Noise {
 public:
  double Next() {  // -1 .. 1
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state_ >> 11) / static_cast<double>(1ULL << 53) * 2.0 - 1.0;
  }

 private:
  std::uint64_t state_ = 0x5EED;
};

std::int16_t Clamp16(double v) {
  return static_cast<std::int16_t>(std::lround(std::fmax(-32000.0, std::fmin(32000.0, v))));
}

bool ParseInt(const char* s, int lo, int hi, int* out) {
  char* end = nullptr;
  const long v = std::strtol(s, &end, 10);
  if (end == s || *end != '\0' || v < lo || v > hi) return false;
  *out = static_cast<int>(v);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    Usage(stdout);
    return 0;
  }
  if (argc < 2) {
    Usage(stderr);
    return 2;
  }
  const std::string folder = argv[1];
  int years = 10, interval = 5, start_year = 2015, start_month = 1;
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
    bool ok = v != nullptr;
    if (a == "--years" && ok) {
      ok = ParseInt(v, 1, 100, &years);
    } else if (a == "--interval" && ok) {
      ok = ParseInt(v, 1, 120, &interval) && 1440 % interval == 0;
    } else if (a == "--start" && ok) {
      ok = std::sscanf(v, "%4d-%2d", &start_year, &start_month) == 2 && start_year >= 1900 && start_year <= 9000 &&
           start_month >= 1 && start_month <= 12;
    } else {
      ok = false;
    }
    if (!ok) {
      std::fprintf(stderr, "make_synthetic_db: bad or incomplete option %s\n", a.c_str());
      Usage(stderr);
      return 2;
    }
    ++i;
  }
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    std::fprintf(stderr, "make_synthetic_db: cannot create %s: %s\n", folder.c_str(), ec.message().c_str());
    return 1;
  }
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    if (sq::IsMonthFileName(entry.path().filename().string())) {
      std::fprintf(stderr, "make_synthetic_db: %s already holds month files\n", folder.c_str());
      return 1;
    }
  }

  sq::WeatherDatabase db;
  if (const int rc = db.OpenDatabase(folder); rc != sq::kDbOk && rc != sq::kDbNoFiles) {
    std::fprintf(stderr, "make_synthetic_db: %s\n", db.last_error().c_str());
    return 1;
  }
  Noise noise;
  sq::DateTime day(start_month, 1, start_year);
  const sq::DateTime end(start_month, 1, start_year + years);
  long records = 0;
  double pressure = 30.0;
  while (day < end) {
    const double season = std::sin(2.0 * std::numbers::pi * (day.month - 4.5) / 12.0);
    const double day_offset = 8.0 * noise.Next();
    const bool rainy = noise.Next() > 0.6;
    sq::DailySummary1 s1 = sq::NewDailySummary1();
    sq::DailySummary2 s2 = sq::NewDailySummary2();
    s1.data_span = 1440;
    sq::DateTime stamp = day;
    stamp.packed_time = 1;  // any time but midnight names the day itself
    if (db.AppendRecord(sq::ToBytes(s1), stamp) != 0 || db.AppendRecord(sq::ToBytes(s2), stamp) != 0) {
      std::fprintf(stderr, "make_synthetic_db: %s\n", db.last_error().c_str());
      return 1;
    }
    for (int t = interval; t <= 1440; t += interval) {
      const double hour_angle = 2.0 * std::numbers::pi * (t - 900) / 1440.0;
      const double temp = 52.0 + 25.0 * season + 9.0 * std::cos(hour_angle) + day_offset + 0.8 * noise.Next();
      pressure = std::fmin(31.0, std::fmax(28.8, pressure + 0.002 * noise.Next()));
      const double wind = std::fmax(0.0, 6.0 + 5.0 * noise.Next() + (rainy ? 4.0 : 0.0));
      sq::DataRecord r = sq::NewDataRecord();
      r.archive_interval = static_cast<std::uint8_t>(interval);
      r.packed_time = static_cast<std::int16_t>(t);
      r.outside_temp = Clamp16(temp * 10.0);
      r.hi_outside_temp = Clamp16(temp * 10.0 + 4.0);
      r.low_outside_temp = Clamp16(temp * 10.0 - 4.0);
      r.inside_temp = Clamp16(700.0 + 10.0 * noise.Next());
      r.barometer = Clamp16(pressure * 1000.0);
      r.outside_hum = Clamp16(std::fmin(1000.0, 650.0 - 150.0 * std::cos(hour_angle) + (rainy ? 250.0 : 0.0)));
      r.inside_hum = Clamp16(420.0 + 30.0 * noise.Next());
      const int clicks = rainy && noise.Next() > 0.7 ? 1 + static_cast<int>(2.0 * (noise.Next() + 1.0)) : 0;
      r.rain = static_cast<std::uint16_t>((1 << 12) | clicks);  // 0.01 inch collector
      r.hi_rain_rate = static_cast<std::int16_t>(clicks * 60 / interval);
      r.wind_speed = Clamp16(wind * 10.0);
      r.hi_wind_speed = Clamp16(wind * 15.0 + 20.0);
      r.wind_direction = static_cast<std::uint8_t>((day.day + t / 180) % 16);
      r.hi_wind_direction = r.wind_direction;
      r.wind_samples = static_cast<std::int16_t>(interval * 24);
      const double sun = std::fmax(0.0, std::cos(2.0 * std::numbers::pi * (t - 750) / 1440.0));
      r.solar_rad = Clamp16(sun * (600.0 + 250.0 * season) * (rainy ? 0.3 : 1.0));
      r.hi_solar_rad = Clamp16(r.solar_rad * 1.1);
      r.uv = static_cast<std::uint8_t>(std::lround(sun * 60.0 * (rainy ? 0.3 : 1.0)));
      r.hi_uv = r.uv;
      r.et = static_cast<std::uint8_t>(std::lround(sun * interval * 0.05));
      stamp.packed_time = static_cast<std::int16_t>(t);
      if (db.AppendRecord(sq::ToBytes(r), stamp) != 0) {
        std::fprintf(stderr, "make_synthetic_db: %s\n", db.last_error().c_str());
        return 1;
      }
      ++records;
    }
    if (db.Flush() != 0) {
      std::fprintf(stderr, "make_synthetic_db: %s\n", db.last_error().c_str());
      return 1;
    }
    ++day;
  }
  if (db.Sync() != 0) {
    std::fprintf(stderr, "make_synthetic_db: %s\n", db.last_error().c_str());
    return 1;
  }
  std::printf("%ld archive records in %d months written to %s\n", records, db.month_count(), folder.c_str());
  return 0;
}
