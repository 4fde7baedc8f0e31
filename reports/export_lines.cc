#include "reports/export_lines.h"

#include <array>
#include <cstring>
#include <span>

#include "foundation/fixed_format.h"
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

// Export rain text into `buf` (terminated); returns buf.data().
char* RainText(const WeatherDataObject& rec, WeatherDataID id, std::span<char> buf) {
  const float v = rec.GetWeatherData(id, false);
  if (DisplayUnits::IsMissing(v)) return DataRecordObject::CopyText("    ---", buf);
  FormatFixed(buf, 2, static_cast<double>(v));
  return buf.data();
}

// Appends separator + text as one column.
bool SepColumn(detail::LineBuilder& line, char sep, std::string_view text, std::string& scratch) {
  scratch.assign(1, sep);
  scratch.append(text);
  return line.Column(scratch);
}

// A column's text written behind its separator: buf[0] holds the separator and the
// value text goes into the rest.
class SepBuffer {
 public:
  explicit SepBuffer(char sep) { buf_[0] = sep; }
  [[nodiscard]] std::span<char> Value() { return std::span<char>(buf_).subspan(1); }
  // Appends separator + `text` as one column; `text` is usually Value()'s own text.
  bool Column(detail::LineBuilder& line, const char* text, std::string& scratch) {
    if (text == buf_.data() + 1) {
      // Value texts are a few characters long: a plain scan beats a library call.
      std::size_t n = 0;
      while (n + 1 < buf_.size() && text[n] != '\0') ++n;
      return line.Column(std::string_view(buf_.data(), 1 + n));
    }
    return SepColumn(line, buf_[0], text, scratch);
  }

 private:
  std::array<char, kValueTextSize + 1> buf_{};
};

}  // namespace

std::string ExportRainText(const WeatherDataObject& rec, WeatherDataID id) {
  char buf[kValueTextSize];
  return std::string(RainText(rec, id, std::span<char>(buf)));
}

void ExportHeaderLine(int n, const Columns& cols, bool with_time, char sep, int start, int* width, std::string* out) {
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
  SepBuffer buf(sep);
  for (std::size_t i = static_cast<std::size_t>(detail::ClampStart(start, cols)); i < cols.size(); ++i) {
    const DataVariable& v = *cols[i];
    const char* text = IsRain(v.id) ? RainText(rec, v.id, buf.Value()) : rec.GetWeatherDataStr(v.id, buf.Value());
    if (!buf.Column(line, text, scratch)) break;
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
  SepBuffer buf(sep);
  for (std::size_t i = static_cast<std::size_t>(detail::ClampStart(start, cols)); i < cols.size(); ++i) {
    if (!buf.Column(line, day.GetWeatherDataStr(cols[i]->id, buf.Value()), scratch)) break;
  }
  *width = line.Length();
}

}  // namespace sq
