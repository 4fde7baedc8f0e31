#include "database/rain_database.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "database/daily_summary_object.h"
#include "database/weather_data_object.h"
#include "foundation/display_units.h"
#include "foundation/file_util.h"
#include "resources/string_table.h"

namespace sq {
namespace {

constexpr std::uint32_t kMinLabel = 34704;
constexpr std::uint32_t kMaxLabel = 34705;
constexpr std::uint32_t kAvgLabel = 34706;

bool Millimetres() { return DisplayUnits::rainUnit == DisplayUnits::kRainMillimetres; }
// Inches to the user's unit and back; "no value" (negative) passes unchanged.
float ToUser(float inches) { return inches < 0 || !Millimetres() ? inches : static_cast<float>(inches * 25.4); }
float FromUser(float amount) { return amount < 0 || !Millimetres() ? amount : static_cast<float>(amount / 25.4); }

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// One whitespace-separated field that is wholly a number; false when the text does not
// hold one ("1,750" and "12abc" are not numbers).
bool NextNumber(const char*& p, const char* end, double* out) {
  while (p < end && Blank(*p)) ++p;
  if (p == end) return false;
  char buf[64];
  std::size_t n = 0;
  while (p < end && !Blank(*p)) {
    if (n + 1 >= sizeof buf) return false;  // no number is that long
    buf[n++] = *p++;
  }
  buf[n] = '\0';
  char* stop = nullptr;
  *out = std::strtod(buf, &stop);
  return stop == buf + n;
}

// A year line; false when it is not one.
bool ParseLine(std::string_view line, RainRecord* out) {
  if (line.size() > kRainDbLineMax) return false;
  const char* p = line.data();
  const char* end = p + line.size();
  double v = 0;
  if (!NextNumber(p, end, &v) || !(v >= 1 && v <= 9999) || v != std::floor(v)) return false;
  RainRecord r;
  r.year = static_cast<std::int32_t>(v);
  for (float& m : r.month) {
    if (!NextNumber(p, end, &v)) return false;
    // Amounts past what a month can plausibly hold, and non-numbers, count as none.
    m = std::isfinite(v) && v >= 0 && v < 1e6 ? static_cast<float>(v) : -1.0f;
  }
  while (p < end && Blank(*p)) ++p;
  if (p != end) return false;  // more than thirteen fields
  r.RecomputeTotal();
  *out = r;
  return true;
}

}  // namespace

void RainRecord::RecomputeTotal() {
  double t = 0;
  for (float m : month) {
    if (m >= 0) t += m;
  }
  year_total = static_cast<float>(t);
}

bool RainRecord::Complete() const {
  return std::all_of(month.begin(), month.end(), [](float m) { return m >= 0; });
}

std::vector<RainRecord> ParseRainDb(std::string_view text, std::vector<RainKeptLine>* kept) {
  std::vector<RainRecord> out;
  std::int32_t after_year = 0;
  while (!text.empty()) {
    const std::size_t nl = text.find('\n');
    const std::string_view line = text.substr(0, nl);
    text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
    RainRecord r;
    if (!ParseLine(line, &r)) {
      if (kept) kept->push_back({after_year, std::string(line)});
      continue;
    }
    after_year = r.year;
    auto it = std::lower_bound(out.begin(), out.end(), r.year, [](const RainRecord& a, int y) { return a.year < y; });
    if (it != out.end() && it->year == r.year)
      *it = r;
    else
      out.insert(it, r);
  }
  return out;
}

std::string FormatRainDb(std::span<const RainRecord> records, std::span<const RainKeptLine> kept) {
  // Each kept line goes right after the year it followed, or, when that year is gone,
  // where it would sort.
  std::vector<const RainKeptLine*> order;
  order.reserve(kept.size());
  for (const RainKeptLine& k : kept) order.push_back(&k);
  std::stable_sort(order.begin(), order.end(),
                   [](const RainKeptLine* a, const RainKeptLine* b) { return a->after_year < b->after_year; });
  std::size_t next = 0;
  auto keep_through = [&](std::int32_t year, bool inclusive, std::string& text) {
    while (next < order.size() && (order[next]->after_year < year || (inclusive && order[next]->after_year == year))) {
      text += order[next++]->text;
      text += '\n';
    }
  };
  std::string text;
  char line[256];
  for (const RainRecord& r : records) {
    keep_through(r.year, false, text);
    int n = std::snprintf(line, sizeof line, "%d", r.year);
    for (float m : r.month) {
      const double v = m < 0 ? -1.0 : m;
      n += std::snprintf(line + n, sizeof line - static_cast<std::size_t>(n), "\t%.3f", v);
    }
    text.append(line, static_cast<std::size_t>(n));
    text += '\n';
    keep_through(r.year, true, text);
  }
  keep_through(INT32_MAX, true, text);
  return text;
}

// ---------------------------------------------------------------- file

int RainDatabase::Open(const std::string& folder) {
  records_.clear();
  kept_.clear();
  error_.clear();
  open_ = false;
  unreadable_ = false;
  changed_ = false;
  path_ = folder.empty() || folder.back() == '/' ? folder + kRainDbFileName : folder + "/" + kRainDbFileName;
  auto bytes = ReadWholeFile(path_, kMaxRainDbBytes, &error_);
  if (!bytes) {
    struct stat st {};
    if (::lstat(path_.c_str(), &st) != 0 && errno == ENOENT) {
      error_.clear();
    } else {
      unreadable_ = true;
      if (error_.empty()) error_ = "cannot read '" + path_ + "'";
    }
    ComputeStats();
    return -1;
  }
  records_ = ParseRainDb(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), &kept_);
  open_ = true;
  ComputeStats();
  return 0;
}

int RainDatabase::Save() {
  if (path_.empty() || unreadable_) return -1;
  if (!WriteFileAtomic(path_, FormatRainDb(records_, kept_), &error_)) return -1;
  changed_ = false;
  return 0;
}

int RainDatabase::Close() {
  int rc = 0;
  if (unreadable_) {
    rc = changed_ ? -1 : 0;  // what could not be read is never written over
  } else if (open_ || changed_) {
    rc = Save();
  }
  records_.clear();
  kept_.clear();
  open_ = false;
  unreadable_ = false;
  changed_ = false;
  ComputeStats();
  return rc;
}

// ---------------------------------------------------------------- changes

int RainDatabase::FindYear(int year) const {
  auto it =
      std::lower_bound(records_.begin(), records_.end(), year, [](const RainRecord& a, int y) { return a.year < y; });
  return it != records_.end() && it->year == year ? static_cast<int>(it - records_.begin()) : -1;
}

RainRecord& RainDatabase::YearRecord(int year) {
  auto it =
      std::lower_bound(records_.begin(), records_.end(), year, [](const RainRecord& a, int y) { return a.year < y; });
  if (it != records_.end() && it->year == year) return *it;
  const auto at = it - records_.begin();  // growing the list moves it
  if (records_.size() == records_.capacity()) records_.reserve(records_.size() + 50);
  RainRecord r;
  r.year = year;
  return *records_.insert(records_.begin() + at, r);
}

void RainDatabase::AddRain(const DateTime& date, double inches) {
  if (!date.valid || date.month < 1 || date.month > 12 || !std::isfinite(inches)) return;
  RainRecord& r = YearRecord(date.year);
  float& m = r.month[static_cast<std::size_t>(date.month - 1)];
  m = m < 0 ? static_cast<float>(inches) : static_cast<float>(m + inches);
  r.RecomputeTotal();
  changed_ = true;
  ComputeStats();
}

void RainDatabase::Put(const WeatherDataObject& record) {
  const float inches = record.GetRain(WeatherDataID::Rain(), true);
  if (DisplayUnits::IsMissing(inches)) return;
  AddRain(record.date, inches);
}

void RainDatabase::Put(const DailySummaryObject& summary) {
  const std::int16_t thousandths = summary.Summary1().Record().daily_rain;
  if (thousandths == DisplayUnits::kMissing16) return;
  AddRain(summary.Day(), thousandths / 1000.0);
}

int RainDatabase::Change(const DateTime& date, float amount) {
  if (!date.valid || date.month < 1 || date.month > 12 || !std::isfinite(amount)) return -1;
  const int i = FindYear(date.year);
  if (i < 0) return -1;
  float& m = records_[static_cast<std::size_t>(i)].month[static_cast<std::size_t>(date.month - 1)];
  if (m < 0) return -1;
  const double inches = m + (Millimetres() ? amount / 25.4 : amount);
  m = inches < 0 ? 0.0f : static_cast<float>(inches);
  records_[static_cast<std::size_t>(i)].RecomputeTotal();
  changed_ = true;
  ComputeStats();
  return 0;
}

float RainDatabase::GetMonthRain(int year_index, int month) const {
  if (year_index < 0 || year_index >= static_cast<int>(records_.size()) || month < 0 || month > 11) return -1.0f;
  const float m = records_[static_cast<std::size_t>(year_index)].month[static_cast<std::size_t>(month)];
  return m < 0 ? -1.0f : ToUser(m);
}

int RainDatabase::PutMonthRain(int year_index, int month, float amount) {
  if (year_index < 0 || year_index >= static_cast<int>(records_.size()) || month < 0 || month > 11 ||
      std::isnan(amount)) {
    return -1;
  }
  RainRecord& r = records_[static_cast<std::size_t>(year_index)];
  r.month[static_cast<std::size_t>(month)] = amount < 0 || !std::isfinite(amount) ? -1.0f : FromUser(amount);
  r.RecomputeTotal();
  changed_ = true;
  ComputeStats();
  return 0;
}

int RainDatabase::AddRainRec(const RainRecord& record) {
  if (record.year < 1 || record.year > 9999) return -1;
  RainRecord& r = YearRecord(record.year);
  for (std::size_t i = 0; i < 12; ++i) {
    const float a = record.month[i];
    r.month[i] = std::isfinite(a) && a >= 0 ? FromUser(a) : -1.0f;
  }
  r.RecomputeTotal();
  changed_ = true;
  ComputeStats();
  return 0;
}

int RainDatabase::Delete(int year_index) {
  if (year_index < 0 || year_index >= static_cast<int>(records_.size())) return -1;
  records_.erase(records_.begin() + year_index);
  changed_ = true;
  ComputeStats();
  return 0;
}

void RainDatabase::Clear() {
  records_.clear();
  changed_ = true;
  ComputeStats();
}

// ---------------------------------------------------------------- statistics

void RainDatabase::ComputeStats() {
  for (int c = 0; c < kRainColumns; ++c) {
    double lo = 0, hi = 0, sum = 0;
    int n = 0;
    for (const RainRecord& r : records_) {
      double v = 0;
      if (c < 12) {
        v = r.month[static_cast<std::size_t>(c)];
        if (v < 0) continue;
      } else {
        if (!r.Complete()) continue;
        v = r.year_total;
      }
      if (n == 0 || v < lo) lo = v;
      if (n == 0 || v > hi) hi = v;
      sum += v;
      ++n;
    }
    const auto i = static_cast<std::size_t>(c);
    min_[i] = static_cast<float>(lo);
    max_[i] = static_cast<float>(hi);
    avg_[i] = n > 0 ? static_cast<float>(sum / n) : 0.0f;
  }
}

float RainDatabase::GetMin(int column) const {
  return column < 0 || column >= kRainColumns ? 0.0f : ToUser(min_[static_cast<std::size_t>(column)]);
}
float RainDatabase::GetMax(int column) const {
  return column < 0 || column >= kRainColumns ? 0.0f : ToUser(max_[static_cast<std::size_t>(column)]);
}
float RainDatabase::GetAvg(int column) const {
  return column < 0 || column >= kRainColumns ? 0.0f : ToUser(avg_[static_cast<std::size_t>(column)]);
}

// ---------------------------------------------------------------- browser

int RainDatabase::GetBrowserStr(int line, std::span<char> buf) const {
  if (buf.empty()) return -1;
  buf[0] = '\0';
  if (line < 0 || line >= BrowserLineCount()) return -1;
  const bool mm = Millimetres();
  const char* month_fmt = mm ? "%8.1f" : "%8.2f";
  const char* year_fmt = mm ? "%7.1f" : "%7.2f";
  std::string text;
  char cell[64];
  std::array<float, kRainColumns> values{};
  if (line < 3) {
    const std::uint32_t label = line == 0 ? kMinLabel : line == 1 ? kMaxLabel : kAvgLabel;
    std::snprintf(cell, sizeof cell, "%-*s", 4, std::string(LoadString(label)).c_str());
    text = cell;
    for (int c = 0; c < kRainColumns; ++c) {
      values[static_cast<std::size_t>(c)] = line == 0 ? GetMin(c) : line == 1 ? GetMax(c) : GetAvg(c);
    }
  } else {
    const RainRecord& r = records_[static_cast<std::size_t>(line - 3)];
    std::snprintf(cell, sizeof cell, "%*d", 4, r.year);
    text = cell;
    for (std::size_t c = 0; c < 12; ++c) values[c] = r.month[c] < 0 ? -1.0f : ToUser(r.month[c]);
    values[12] = ToUser(r.year_total);
  }
  for (int c = 0; c < kRainColumns; ++c) {
    const float v = values[static_cast<std::size_t>(c)];
    const char* fmt = c < 12 ? month_fmt : year_fmt;
    if (v < 0)
      std::snprintf(cell, sizeof cell, c < 12 ? "%8s" : "%7s", "---");
    else
      std::snprintf(cell, sizeof cell, fmt, static_cast<double>(v));
    text += cell;
  }
  const std::size_t n = std::min(text.size(), buf.size() - 1);
  text.copy(buf.data(), n);
  buf[n] = '\0';
  return 0;
}

std::string RainDatabase::GetBrowserStr(int line) const {
  char buf[256];
  if (GetBrowserStr(line, std::span<char>(buf)) != 0) return {};
  return buf;
}

}  // namespace sq
