// Runs the monthly and annual climatological summaries and formats both reports over a
// month file made of arbitrary bytes (the database's one month, February 2024). The first
// byte picks the units, the degree-day method and the bases (including absurd ones), so
// every path of the summary meets hostile summary and archive records. Nothing may crash,
// read out of bounds or print past a buffer.
#include <cmath>
#include <cstdint>
#include <limits>

#include "database/weather_database.h"
#include "foundation/display_units.h"
#include "foundation/mem_file_system.h"
#include "reports/noaa_report.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t flags = data[0];
  sq::MemFileSystem fs;
  fs.files()["db/2024-02.sqm"] = std::make_shared<sq::MemFileSystem::Bytes>(data + 1, data + size);
  sq::WeatherDatabase db(fs);
  if (db.OpenDatabase("db", true) != sq::kDbOk) return 0;

  const bool metric = flags & 1;
  sq::DisplayUnits::SetTempUnit(metric ? sq::DisplayUnits::kCelsius : sq::DisplayUnits::kFahrenheit);
  sq::DisplayUnits::SetRainUnit(metric ? sq::DisplayUnits::kRainMillimetres : sq::DisplayUnits::kRainInches);
  sq::NoaaSettings settings;
  settings.station_name = "Fuzz";
  settings.integration = (flags & 2) != 0;
  static constexpr float kBases[4][2] = {
      {65.0f, 65.0f}, {60.0f, 70.0f}, {-1e30f, 1e30f}, {std::numeric_limits<float>::quiet_NaN(), 32767.0f}};
  settings.heat_base_f = kBases[(flags >> 2) & 3][0];
  settings.cool_base_f = kBases[(flags >> 2) & 3][1];
  settings.normal_temp_f[1] = (flags & 16) ? 1e30f : 40.0f;
  settings.normal_rain_in[1] = (flags & 32) ? std::numeric_limits<float>::infinity() : 2.0f;

  sq::NoaaSummary summary(db, settings);
  if (summary.MonthlySummary(2024, 2) == 0) {
    const std::string text = sq::FormatMonthlyReport(summary, 2024, 2);
    if (text.empty()) __builtin_trap();
  }
  if (summary.AnnualSummary(2024) == 0) (void)sq::FormatAnnualReport(summary, 2024);
  return 0;
}
