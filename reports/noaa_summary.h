// The monthly and annual climatological summaries: per day of a month the mean, high and
// low temperature with their times, degree days, rain, wind and dominant direction, and
// per month the totals, extremes and counts of days beyond the thresholds.
//
// Values come from the daily summaries (two records at the start of every day). Degree
// days come from three places, chosen by the report settings:
//   integration on, both bases 65 F   the daily summaries' own degree days
//   integration on, a base not 65 F   integrated from the day's archive records
//   integration off                   from the day's high and low
// Every value is in the user's display units (DisplayUnits) at the time of the run; the
// settings' bases and normals are stored in F and inches and converted here.
//
// A NoaaSummary keeps the results of twelve months (index 0..11), so the annual summary
// is the twelve monthly ones. Results: 0, or -1 when a database read fails during the
// integration (error() then holds the message). A day without a summary or without data
// is simply not counted.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "database/weather_database.h"

namespace sq {

class Station;

// The report settings of a station (the station record's report fields).
struct NoaaSettings {
  static constexpr float kNoNormal = -32768.0f;

  std::string station_name;
  std::string city;
  std::string state;
  std::string latitude;  // printed as entered
  std::string longitude;
  int elevation_ft = 0;
  float heat_base_f = 65.0f;
  float cool_base_f = 65.0f;
  std::array<float, 12> normal_temp_f{};   // -32768 (or NaN): no normal
  std::array<float, 12> normal_rain_in{};  // any negative value (or NaN): no normal
  bool integration = true;

  NoaaSettings() {
    normal_temp_f.fill(kNoNormal);
    normal_rain_in.fill(kNoNormal);
  }
  [[nodiscard]] static NoaaSettings FromStation(const Station& station);
  [[nodiscard]] bool HasNormalTemp(int month_index) const;
  [[nodiscard]] bool HasNormalRain(int month_index) const;
};

// Where the degree days of a run come from.
enum class DegreeDaySource { kSummaries, kIntegrated, kHighLow };

// One day of a month. Temperatures, rain and speeds in the user's units; -32768 marks a
// missing value. Times are display texts ("---" when none).
struct NoaaDay {
  static constexpr float kNone = -32768.0f;

  bool has_data = false;
  float mean = kNone;
  float high = kNone;
  float low = kNone;
  std::string high_time;
  std::string low_time;
  double heat_dd = 0.0;  // user's unit (F-days or C-days)
  double cool_dd = 0.0;
  float rain = kNone;
  float avg_speed = kNone;
  float high_speed = kNone;
  std::string high_speed_time;
  int dom_dir = -1;  // 0..15, -1 none
  float hours = 0.0f;
};

// One month's results (index 0..11 of the year).
struct NoaaMonth {
  static constexpr float kNone = -32768.0f;

  int year = 0;
  int month = 0;  // 1..12; 0 when never run
  std::array<NoaaDay, 31> days{};
  int days_in_month = 0;

  double mean_sum = 0.0;  // over the temperature days (days with a mean)
  int temp_days = 0;
  double high_sum = 0.0;  // over the days with a high
  int high_days = 0;
  double low_sum = 0.0;  // over the days with a low
  int low_days = 0;
  float highest_high = kNone;
  int highest_high_day = 1;
  float lowest_low = 32767.0f;  // 32767 until a low is seen
  int lowest_low_day = 1;
  int max_ge_hot = 0;   // high >= "90"
  int max_le_cold = 0;  // high <= "32"
  int min_le_cold = 0;  // low <= "32"
  int min_le_zero = 0;  // low <= "0"
  double rain_total = 0.0;
  float max_rain = 0.0f;
  int max_rain_day = 1;
  std::array<int, 3> rain_days{};  // above each of the three thresholds
  float highest_speed = kNone;
  int highest_speed_day = 1;
  double speed_sum = 0.0;
  int speed_days = 0;
  double heat_total = 0.0;
  double cool_total = 0.0;
  std::array<std::int64_t, 16> dir_bins{};  // minutes
  int data_days = 0;
  double temp_departure = 0.0;
  double rain_departure = 0.0;

  [[nodiscard]] bool HasData() const { return data_days > 0; }
  [[nodiscard]] bool HasLowest() const { return lowest_low != 32767.0f; }
  [[nodiscard]] bool HasHighest() const { return highest_high != kNone; }
  [[nodiscard]] float MeanOfMeans() const { return temp_days > 0 ? static_cast<float>(mean_sum / temp_days) : kNone; }
  [[nodiscard]] float MeanHigh() const { return high_days > 0 ? static_cast<float>(high_sum / high_days) : kNone; }
  [[nodiscard]] float MeanLow() const { return low_days > 0 ? static_cast<float>(low_sum / low_days) : kNone; }
  [[nodiscard]] float AvgSpeed() const { return speed_days > 0 ? static_cast<float>(speed_sum / speed_days) : kNone; }
  // The bin with the most minutes (the first on ties); -1 when all are 0.
  [[nodiscard]] int DominantDirection() const;
};

// Thresholds in the user's units.
struct NoaaThresholds {
  float hot;                  // 90 F / 32 C
  float cold;                 // 32 F / 0 C
  float zero;                 // 0 F / -18 C
  std::array<float, 3> rain;  // 0.01, 0.1, 1.0 in / 0.2, 2.0, 20.0 mm
  [[nodiscard]] static NoaaThresholds Current();
};

class NoaaSummary {
 public:
  NoaaSummary(WeatherDatabase& db, const NoaaSettings& settings);

  // The summary of one month into Month(month): 0, or -1 (error()) on a read failure.
  [[nodiscard]] int MonthlySummary(int year, int month);
  // The twelve months of `year`: 0, or -1 at the first month that fails.
  [[nodiscard]] int AnnualSummary(int year);

  [[nodiscard]] const NoaaMonth& Month(int month) const { return months_[static_cast<std::size_t>(month - 1)]; }
  [[nodiscard]] const NoaaSettings& Settings() const { return settings_; }
  [[nodiscard]] DegreeDaySource Source() const;
  [[nodiscard]] const std::string& error() const { return error_; }

 private:
  // Heating and cooling degree-days (F-days) of the day, integrated from its records.
  int IntegrateDay(const DateTime& day, double* heat, double* cool);

  WeatherDatabase& db_;
  NoaaSettings settings_;
  std::array<NoaaMonth, 12> months_{};
  std::string error_;
};

}  // namespace sq
