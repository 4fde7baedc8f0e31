// DaylightHours: how many hours the solar radiation stayed above a threshold, counted
// from the archive records of a range of days, with the count of each of the last 15
// days that had data (newest first).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "database/weather_database.h"
#include "foundation/date_time.h"

namespace sq {

inline constexpr int kDaylightHistoryDays = 15;
inline constexpr int kDefaultDaylightThreshold = 100;  // W/m2
inline constexpr int kMaxPlausibleSolar = 3000;        // W/m2; higher readings are ignored

class DaylightHours {
 public:
  struct Day {
    double hours = -1.0;  // -1: no entry
    std::int32_t packed_date = 0;
  };

  // Counts from `start_packed_date` to `end` (inclusive). A threshold of 0 means the
  // default. 0, or -1 when the database cannot go to a day or read a record (`error`,
  // when given, receives the message).
  [[nodiscard]] int Calculate(WeatherDatabase& db, std::int32_t start_packed_date, const DateTime& end, int threshold,
                              const std::function<void(const std::string&)>& error = {});

  [[nodiscard]] double total() const { return total_; }
  // Entry 0 is the newest day.
  [[nodiscard]] const std::array<Day, kDaylightHistoryDays>& history() const { return history_; }

 private:
  double total_ = 0.0;
  std::array<Day, kDaylightHistoryDays> history_{};
};

}  // namespace sq
