// Fixed-width lines of the record browsers (the automatic export file uses them too).
// The leading part is 8 characters wide without the time column and 15 with it; each
// active column then takes its variable's width. The start index, width and output
// follow the rule of line_columns.h.
#pragma once

#include <string>

#include "database/daily_summary_object.h"
#include "database/weather_data_object.h"
#include "reports/line_columns.h"

namespace sq {

inline constexpr int kLeadWithoutTime = 8;
inline constexpr int kLeadWithTime = 15;

// Header lines 1 (first labels), 2 ("Date", "Time", second labels) and 3 (a rule of
// '-' as long as the columns used + 2, at most width - 1). Any other n gives an empty
// line.
void BrowserHeaderLine(int n, const Columns& cols, bool with_time, int start, int* width, std::string* out);

// One archive record: its display date, with time its display time, then each value
// right-aligned in (width - trailing spaces) and followed by the trailing spaces.
void ArchiveBrowserLine(const WeatherDataObject& rec, const Columns& cols, bool with_time, int start, int* width,
                        std::string* out);
// One day: the same with the day's values and seven spaces in place of the time.
void DailyBrowserLine(const DailySummaryObject& day, const Columns& cols, bool with_time, int start, int* width,
                      std::string* out);

// Width of the whole list from `start`: the leading part + the widths of the columns.
[[nodiscard]] int ListWidth(const Columns& cols, bool with_time, int start);
// Number of columns from `start` whose widths fit in `width` by the line rule.
[[nodiscard]] int ColumnsThatFit(const Columns& cols, bool with_time, int start, int width);

}  // namespace sq
