// Database operations on daily summaries: storing and loading a day's two summary
// records, recomputing them from the day's archive records, recomputing the extra
// solar radiation of archive records, and degree days over a range of dates.
//
// Every day with data starts with its two summary records (type 2, then type 3). A day
// that has no data yet gets them appended, so they come before its first archive record;
// a day that has them gets them overwritten in place.
//
// Results: the summary operations answer 1 for success and 0 for failure; the
// degree-day methods answer 0, or -1 when the user cancels or a read fails. The
// database's last_error() tells what went wrong in the database itself.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "database/daily_summary_object.h"
#include "database/weather_database.h"
#include "foundation/date_time.h"
#include "foundation/site.h"

namespace sq {

// Called with the number of dates done and the number to do; the long operations call it
// every seventh date and once at the end.
using SummaryProgress = std::function<void(std::size_t done, std::size_t total)>;

// Stores the summary's two records as the first two records of its day: 1 or 0.
[[nodiscard]] int WriteDailySummary(WeatherDatabase& db, const DailySummaryObject& summary);
// Loads the two summary records of `day` into `summary` (not accumulating): 1 or 0.
[[nodiscard]] int GetDailySummary(WeatherDatabase& db, DailySummaryObject& summary, const DateTime& day);
// Recomputes and stores the summary of `day` from its archive records: 1 or 0.
[[nodiscard]] int SummarizeDay(WeatherDatabase& db, const DateTime& day, const SiteDescription& site);
// SummarizeDay for every date with data, in order. 1 when every day succeeded, else 0
// (the remaining days are still done).
[[nodiscard]] int CalcDailySummary(WeatherDatabase& db, const SiteDescription& site,
                                   const SummaryProgress& progress = {});

// Recomputes the extra solar radiation field of every archive record of `day`: 1 or 0.
// Records without solar radiation, or a site whose latitude or longitude is not set
// (outside its range, for example the stored -500), get -32768.
[[nodiscard]] int CalcExtraRad(WeatherDatabase& db, const DateTime& day, const SiteDescription& site);
// The same for every date with data. 1 when every day succeeded, else 0.
[[nodiscard]] int CalcExtraRad(WeatherDatabase& db, const SiteDescription& site, const SummaryProgress& progress = {});

// True when the site's latitude and longitude are set.
[[nodiscard]] bool SitePositionSet(const SiteDescription& site);

// The two questions of the degree-day methods and their errors. `ask` shows an OK/Cancel
// question and answers true for OK; `error` reports a failure. An empty `ask` answers
// Cancel; an empty `error` says nothing.
struct DegDayPrompts {
  std::function<bool(const std::string& question)> ask;
  std::function<void(const std::string& message)> error;
};

// What one day gives the degree-day walks.
enum class DayDegreeDays {
  kOk,
  kNoData,     // the day holds no data
  kGotoError,  // the day is listed but cannot be reached ("Database Goto error.")
  kReadError,  // one of its records cannot be read ("Error getting record in Gallons left calc.")
};

// A day's heating degree days (degF-days, base `base_f`) integrated over its archive
// records that have a non-zero time and an outside temperature T: the sum of
// (base - T) x minutes / 1440 where T < base. *hours receives the hours those records
// cover.
[[nodiscard]] DayDegreeDays IntegratedDegreeDaysOfDay(WeatherDatabase& db, const DateTime& day, float base_f,
                                                      double* degree_days, double* hours);
// The day's summary with its high and low outside temperature (degF) and the minutes of
// data it covers; false when the day has no summary or lacks either temperature.
[[nodiscard]] bool SummaryHighLowOfDay(WeatherDatabase& db, const DateTime& day, DailySummaryObject* summary,
                                       float* high, float* low, int* span_minutes);

// Heating degree days (degF-days, base `base_f`) of the days from `from` to `to` (not
// past the database's last date), into *total (cleared first). 0, or -1 on Cancel or a
// failed read.
//  - High/low method: per day with a summary, base - (high + low) / 2 when positive;
//    days missing either value are skipped; a summary covering less than 18 hours asks.
//  - Integration method: per archive record, (base - T) x minutes / 1440 when T < base;
//    a day covering less than 18 hours (a day without data too) asks.
[[nodiscard]] int DegDayHighLowMethod(WeatherDatabase& db, const DateTime& from, const DateTime& to, double* total,
                                      float base_f, const DegDayPrompts& prompts);
[[nodiscard]] int DegDayIntegrationMethod(WeatherDatabase& db, const DateTime& from, const DateTime& to, double* total,
                                          float base_f, const DegDayPrompts& prompts);

}  // namespace sq
