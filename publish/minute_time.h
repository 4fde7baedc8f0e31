// Moments as whole minutes on one line, for walking archive records across days and
// months: minute 0 is 1970-01-01 00:00. A DateTime at packed time 1440 (the midnight
// that ends its day) is the same minute as 00:00 of the next day.
#pragma once

#include <cstdint>

#include "foundation/date_time.h"

namespace sq {

inline constexpr std::int64_t kMinutesPerDay = 1440;

[[nodiscard]] constexpr std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
[[nodiscard]] constexpr std::int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = FloorDiv(y, 400);
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

[[nodiscard]] inline std::int64_t AbsMinute(const DateTime& t) {
  return DaysFromCivil(t.year, t.month, t.day) * kMinutesPerDay + t.packed_time;
}

// The minute as a valid DateTime with packed time 0..1439 and hour and minute set.
[[nodiscard]] inline DateTime FromAbsMinute(std::int64_t minute) {
  const std::int64_t days = FloorDiv(minute, kMinutesPerDay);
  const std::int64_t z = days + 719468;
  const std::int64_t era = FloorDiv(z, 146097);
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
  DateTime t(m, d, y);
  t.packed_time = static_cast<std::int16_t>(minute - days * kMinutesPerDay);
  t.UnpackTime();
  return t;
}

}  // namespace sq
