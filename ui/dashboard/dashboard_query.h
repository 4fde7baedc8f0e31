// The words of a dashboard request: dates, moments, spans and variable names, all typed
// by whoever sends the request. Every parser here bounds its input and answers a clear
// message for anything it does not take.
//
// Times are the station's local clock, counted as minutes since 1970-01-01 00:00 of that
// clock ("local minutes"), the way the database stores them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "database/weather_data_id.h"
#include "foundation/date_time.h"

namespace sq::dashboard {

inline constexpr int kMinutesPerDay = 1440;
// The record list answers at most a year and a day; plots take up to ten years.
inline constexpr int kMaxRecordSpanDays = 366;
inline constexpr int kMaxPlotSpanDays = 3660;
inline constexpr std::size_t kMaxVariables = 8;
inline constexpr std::size_t kMaxQueryValue = 512;

// Days since 1970-01-01 of a civil date (proleptic Gregorian), and back.
[[nodiscard]] std::int64_t DaysFromCivil(int year, int month, int day);
void CivilFromDays(std::int64_t days, int* year, int* month, int* day);

[[nodiscard]] std::int64_t LocalMinutes(const DateTime& d);
[[nodiscard]] DateTime DateOfLocalMinutes(std::int64_t minutes);
// "YYYY-MM-DDTHH:MM" and "YYYY-MM-DD".
[[nodiscard]] std::string MomentText(std::int64_t minutes);
[[nodiscard]] std::string DayText(const DateTime& d);

// "YYYY-MM-DD" (a real date, years 1900..2200).
[[nodiscard]] std::optional<DateTime> ParseDay(std::string_view text);
// "YYYY-MM-DD" or "YYYY-MM-DDTHH:MM" (also with a space for the T); a bare date is the
// day's start.
[[nodiscard]] std::optional<std::int64_t> ParseMoment(std::string_view text);
// "YYYY-MM" and "YYYY".
[[nodiscard]] bool ParseYearMonth(std::string_view text, int* year, int* month);
[[nodiscard]] bool ParseYear(std::string_view text, int* year);

// A span of local minutes [from, to].
struct TimeRange {
  std::int64_t from = 0;
  std::int64_t to = 0;
  [[nodiscard]] std::int64_t Days() const { return (to - from) / kMinutesPerDay; }
};

// The span a request names: `span` is "day" (the last 24 hours), "week", "month",
// "year" or "range"; the relative ones end at `newest` (the newest record), "range"
// takes `from` and `to` (a bare `to` date means the end of that day). Spans longer
// than max_days are refused. nullopt with *error otherwise.
[[nodiscard]] std::optional<TimeRange> ResolveSpan(std::string_view span, std::string_view from, std::string_view to,
                                                   std::int64_t newest, int max_days, std::string* error);

// A variable the history can show: an archive variable of the catalogue, named by a key
// made of its name ("Outside Temperature" is "outside_temperature").
struct PlotVariable {
  std::string key;
  std::string name;
  WeatherDataID id;
  std::uint32_t colour = 0;  // 0xBBGGRR, as the catalogue keeps it
};

[[nodiscard]] std::string VariableKey(std::string_view name);
[[nodiscard]] const std::vector<PlotVariable>& PlotVariables();
[[nodiscard]] const PlotVariable* FindVariable(std::string_view key);
// "a,b,c": known keys, 1..kMaxVariables of them, no repeats. Empty with *error otherwise.
[[nodiscard]] std::vector<const PlotVariable*> ParseVariableList(std::string_view text, std::string* error);

}  // namespace sq::dashboard
