#include "reports/browser_lines.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "reports/list_strings.h"
#include "resources/string_table.h"

namespace sq {
namespace {

int Lead(bool with_time) { return with_time ? kLeadWithTime : kLeadWithoutTime; }

// Text of value `v` into a stack buffer.
template <typename Rec>
std::string_view ValueText(const Rec& rec, const DataVariable& v, std::array<char, kValueTextSize>& buf) {
  return rec.GetWeatherDataStr(v.id, std::span<char>(buf));
}

template <typename Rec>
void DataLine(const Rec& rec, std::string_view time_text, const Columns& cols, bool with_time, int start, int* width,
              std::string* out) {
  if (start < 0) {
    out->clear();
    *width = 0;
    return;
  }
  detail::LineBuilder line(out, *width);
  char lead[64];
  const std::string date = DisplayDate(rec.date);
  if (with_time) {
    std::snprintf(lead, sizeof lead, "%-8s%7.*s", date.c_str(), static_cast<int>(time_text.size()), time_text.data());
  } else {
    std::snprintf(lead, sizeof lead, "%-8s", date.c_str());
  }
  line.Lead(lead);
  std::array<char, kValueTextSize> buf{};
  for (std::size_t i = static_cast<std::size_t>(detail::ClampStart(start, cols)); i < cols.size(); ++i) {
    const DataVariable& v = *cols[i];
    if (!line.Aligned(ValueText(rec, v, buf), v.width - v.trailing_spaces, v.trailing_spaces)) break;
  }
  *width = line.Length();
}

}  // namespace

int ListWidth(const Columns& cols, bool with_time, int start) {
  if (start < 0) return 0;
  int total = Lead(with_time);
  for (std::size_t i = static_cast<std::size_t>(detail::ClampStart(start, cols)); i < cols.size(); ++i)
    total += std::max(0, cols[i]->width);
  return total;
}

int ColumnsThatFit(const Columns& cols, bool with_time, int start, int width) {
  if (start < 0) return 0;
  long long total = Lead(with_time);
  int n = 0;
  for (std::size_t i = static_cast<std::size_t>(detail::ClampStart(start, cols)); i < cols.size(); ++i) {
    const int w = std::max(0, cols[i]->width);
    if (total + w + 1 > width) break;
    total += w;
    ++n;
  }
  return n;
}

void BrowserHeaderLine(int n, const Columns& cols, bool with_time, int start, int* width, std::string* out) {
  if (start < 0 || n < 1 || n > 3) {
    out->clear();
    *width = 0;
    return;
  }
  const std::size_t first = static_cast<std::size_t>(detail::ClampStart(start, cols));
  if (n == 3) {
    const int fit = ColumnsThatFit(cols, with_time, start, *width);
    long long used = Lead(with_time);
    for (std::size_t i = first; i < first + static_cast<std::size_t>(fit); ++i) used += cols[i]->width;
    const long long len = std::max(0LL, std::min(used + 2, static_cast<long long>(*width) - 1));
    out->assign(static_cast<std::size_t>(len), '-');
    *width = static_cast<int>(len);
    return;
  }
  detail::LineBuilder line(out, *width);
  char lead[64];
  if (n == 1) {
    std::snprintf(lead, sizeof lead, "%*s", Lead(with_time), "");
  } else {
    const std::string date(LoadString(kStrDate));
    if (with_time) {
      const std::string time(LoadString(kStrTime));
      std::snprintf(lead, sizeof lead, "  %-5s   %-5s", date.c_str(), time.c_str());
    } else {
      std::snprintf(lead, sizeof lead, "  %-5s ", date.c_str());
    }
  }
  line.Lead(lead);
  for (std::size_t i = first; i < cols.size(); ++i) {
    const DataVariable& v = *cols[i];
    if (!line.Aligned(n == 1 ? v.PrintedLabel1() : std::string_view(v.label2), v.width, 0)) break;
  }
  *width = line.Length();
}

void ArchiveBrowserLine(const WeatherDataObject& rec, const Columns& cols, bool with_time, int start, int* width,
                        std::string* out) {
  char time[kValueTextSize] = "";
  if (with_time) rec.GetTimeStr(std::span<char>(time));
  DataLine(rec, time, cols, with_time, start, width, out);
}

void DailyBrowserLine(const DailySummaryObject& day, const Columns& cols, bool with_time, int start, int* width,
                      std::string* out) {
  DataLine(day, "       ", cols, with_time, start, width, out);
}

}  // namespace sq
