// The user's regional date and time conventions, read from the C library's locale
// (LC_TIME) and applied to the DateTime statics that drive date and time text.
//
// The locale's date format (D_FMT, e.g. "%d.%m.%Y") gives the field order and the
// separator, its time format (T_FMT, e.g. "%I:%M:%S %p") the 12- or 24-hour clock and
// the separator. Anything that cannot be read keeps its current value, so without a
// configured locale ("C", "C.UTF-8", "POSIX", or none) the program's defaults stay:
// month-day-year, '-', 12-hour clock, ':'.
#pragma once

#include <cstdint>
#include <string_view>

namespace sq {

struct RegionalSettings {
  std::uint8_t dateChoice = 0;  // 0 = month-day-year, 1 = day-month-year, 2 = year-month-day
  char dateSepChar = '-';
  std::uint8_t timeChoice = 0;  // 0 = 12-hour clock, 1 = 24-hour clock
  char timeSepChar = ':';

  bool operator==(const RegionalSettings&) const = default;
};

// The settings DateTime uses now.
[[nodiscard]] RegionalSettings CurrentRegionalSettings();

// Maps strftime-style date and time formats onto `current`: each of the four values
// that the formats do not determine keeps its value in `current`.
[[nodiscard]] RegionalSettings RegionalSettingsFromFormats(std::string_view date_format, std::string_view time_format,
                                                           const RegionalSettings& current);

// Reads the LC_TIME formats of the named locale ("" = the one the environment selects:
// LC_ALL, LC_TIME, LANG) without changing the program's own locale. A locale that is
// "C" (with any encoding), "POSIX", not set or not installed leaves `current` as it is.
[[nodiscard]] RegionalSettings RegionalSettingsFromLocale(const char* locale_name, const RegionalSettings& current);

// Stores the settings in the DateTime statics.
void ApplyRegionalSettings(const RegionalSettings& settings);

// Start-up: reads the environment's locale and applies it.
void LoadRegionalSettings();

}  // namespace sq
