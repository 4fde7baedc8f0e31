#include "reports/export_lines.h"

#include <array>
#include <cstdio>

#include "reports/list_strings.h"
#include "resources/string_table.h"

namespace sq {
namespace {

bool IsRain(WeatherDataID id) {
  return id.UnitClass() == WeatherDataID::kClassRain && id.Calculation() == WeatherDataID::kCalcMeasured;
}

void Empty(int* width, std::string* out) {
  out->clear();
  *width = 0;
}

// Appends separator + text as one column.
bool SepColumn(detail::LineBuilder& line, char sep, std::string_view text, std::string& scratch) {
  scratch.assign(1, sep);
  scratch.append(text);
  return line.Column(scratch);
}

}  // namespace

std::string ExportRainText(const WeatherDataObject& rec, WeatherDataID id) {
  const float v = rec.GetWeatherData(id, false);
  if (DisplayUnits::IsMissing(v)) return "    ---";
  char buf[kValueTextSize];
  std::snprintf(buf, sizeof buf, "%.2f", static_cast<double>(v));
  return buf;
}

void ExportHeaderLine(int n, const Columns& cols, bool with_time, char sep, int start, int* width,
                      std::string* out) {
  if (start < 0 || n < 1 || n > 2) return Empty(width, out);
  detail::LineBuilder line(out, *width);
  std::string lead;
  if (n == 1) {
    if (with_time) lead.assign(1, sep);
  } else {
    lead = LoadString(kStrDate);
    if (with_time) {
      lead += sep;
      lead += LoadString(kStrTime);
    }
  }
  line.Lead(lead);
  std::string scratch;
  for (std::size_t i = static_cast<std::size_t>(detail::ClampStart(start, cols)); i < cols.size(); ++i) {
    const DataVariable& v = *cols[i];
    if (!SepColumn(line, sep, n == 1 ? v.PrintedLabel1() : std::string_view(v.label2), scratch)) break;
  }
  *width = line.Length();
}

void ArchiveExportLine(const WeatherDataObject& rec, const Columns& cols, bool with_time, char sep, int start,
                       int* width, std::string* out) {
  if (start < 0) return Empty(width, out);
  detail::LineBuilder line(out, *width);
  std::string lead = ExportDate(rec.date);
  if (with_time) {
    char time[kValueTextSize];
    lead += sep;
    lead += rec.GetExportTimeStr(std::span<char>(time));
  }
  line.Lead(lead);
  std::string scratch;
  std::array<char, kValueTextSize> buf{};
  for (std::size_t i = static_cast<std::size_t>(detail::ClampStart(start, cols)); i < cols.size(); ++i) {
    const DataVariable& v = *cols[i];
    const bool ok = IsRain(v.id) ? SepColumn(line, sep, ExportRainText(rec, v.id), scratch)
                                 : SepColumn(line, sep, rec.GetWeatherDataStr(v.id, std::span<char>(buf)), scratch);
    if (!ok) break;
  }
  *width = line.Length();
}

void DailyExportLine(const DailySummaryObject& day, const Columns& cols, bool with_time, char sep, int start,
                     int* width, std::string* out) {
  if (start < 0) return Empty(width, out);
  detail::LineBuilder line(out, *width);
  std::string lead = DisplayDate(day.date);
  if (with_time) lead += sep;
  line.Lead(lead);
  std::string scratch;
  std::array<char, kValueTextSize> buf{};
  for (std::size_t i = static_cast<std::size_t>(detail::ClampStart(start, cols)); i < cols.size(); ++i) {
    if (!SepColumn(line, sep, day.GetWeatherDataStr(cols[i]->id, std::span<char>(buf)), scratch)) break;
  }
  *width = line.Length();
}

}  // namespace sq
