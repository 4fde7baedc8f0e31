// Walks the records a browser or an export shows: the archive records, or the daily
// summaries, of the days from `from` to `to` (both included, times ignored), in
// order, through the database's sequential read.
#pragma once

#include <functional>

#include "database/daily_summary_object.h"
#include "database/weather_data_object.h"
#include "database/weather_database.h"
#include "foundation/site.h"

namespace sq {

// The callback answers false to stop early. Result: 0 when the walk ended (or was
// stopped), -1 at the first read error.
using ArchiveVisitor = std::function<bool(const WeatherDataObject&)>;
using DayVisitor = std::function<bool(const DailySummaryObject&)>;

[[nodiscard]] int ForEachArchiveRecord(WeatherDatabase& db, const DateTime& from, const DateTime& to,
                                       const SiteDescription& site, const ArchiveVisitor& visit);
[[nodiscard]] int ForEachDay(WeatherDatabase& db, const DateTime& from, const DateTime& to, const SiteDescription& site,
                             const DayVisitor& visit);

}  // namespace sq
