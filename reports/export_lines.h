// Delimited lines of text exports: the columns are joined by a separator character the
// caller chooses. The start index, width and output follow the rule of line_columns.h.
#pragma once

#include <string>

#include "database/daily_summary_object.h"
#include "database/weather_data_object.h"
#include "reports/line_columns.h"

namespace sq {

// Header line 1: one separator with time (the date and time columns have no first
// heading), then separator + first label of each column. Line 2: "Date", with time
// separator + "Time", then separator + second label. Any other n gives an empty line.
void ExportHeaderLine(int n, const Columns& cols, bool with_time, char sep, int start, int* width, std::string* out);

// One archive record: export date, with time separator + export time, then separator +
// value text of each column. Rain is "%.2f" in the user's unit, "    ---" when missing.
void ArchiveExportLine(const WeatherDataObject& rec, const Columns& cols, bool with_time, char sep, int start,
                       int* width, std::string* out);
// One day: display date, with time an empty time column, then the day's value texts.
void DailyExportLine(const DailySummaryObject& day, const Columns& cols, bool with_time, char sep, int start,
                     int* width, std::string* out);

// Export rain text of a record's rain value.
[[nodiscard]] std::string ExportRainText(const WeatherDataObject& rec, WeatherDataID id);

}  // namespace sq
