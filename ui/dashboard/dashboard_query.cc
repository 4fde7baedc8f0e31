#include "ui/dashboard/dashboard_query.h"

#include <cstdio>

#include "database/variable_catalogue.h"

namespace sq::dashboard {
namespace {

bool Digits(std::string_view s, std::size_t pos, std::size_t n, int* out) {
  if (pos + n > s.size()) return false;
  int v = 0;
  for (std::size_t i = pos; i < pos + n; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + (s[i] - '0');
  }
  *out = v;
  return true;
}

constexpr int kFirstYear = 1900;
constexpr int kLastYear = 2200;

}  // namespace

std::int64_t DaysFromCivil(int year, int month, int day) {
  const std::int64_t y = year - (month <= 2 ? 1 : 0);
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t mp = (month + 9) % 12;
  const std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, int* year, int* month, int* day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  *day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *year = static_cast<int>(yoe + era * 400 + (*month <= 2 ? 1 : 0));
}

std::int64_t LocalMinutes(const DateTime& d) {
  return DaysFromCivil(d.year, d.month, d.day) * kMinutesPerDay + d.packed_time;
}

DateTime DateOfLocalMinutes(std::int64_t minutes) {
  const std::int64_t days = minutes >= 0 ? minutes / kMinutesPerDay : (minutes - kMinutesPerDay + 1) / kMinutesPerDay;
  int y = 0, m = 0, d = 0;
  CivilFromDays(days, &y, &m, &d);
  DateTime t(m, d, y);
  t.packed_time = static_cast<std::int16_t>(minutes - days * kMinutesPerDay);
  t.UnpackTime();
  return t;
}

std::string MomentText(std::int64_t minutes) {
  const DateTime t = DateOfLocalMinutes(minutes);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d", t.year, t.month, t.day, t.packed_time / 60,
                t.packed_time % 60);
  return buf;
}

std::string DayText(const DateTime& d) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
  return buf;
}

std::optional<DateTime> ParseDay(std::string_view s) {
  int y = 0, m = 0, d = 0;
  if (s.size() != 10 || s[4] != '-' || s[7] != '-' || !Digits(s, 0, 4, &y) || !Digits(s, 5, 2, &m) ||
      !Digits(s, 8, 2, &d)) {
    return std::nullopt;
  }
  if (y < kFirstYear || y > kLastYear || m < 1 || m > 12 || d < 1) return std::nullopt;
  DateTime t(m, d, y);
  if (d > t.DaysInMonth()) return std::nullopt;
  return t;
}

std::optional<std::int64_t> ParseMoment(std::string_view s) {
  const auto day = ParseDay(s.substr(0, 10));
  if (!day) return std::nullopt;
  std::int64_t minutes = DaysFromCivil(day->year, day->month, day->day) * kMinutesPerDay;
  if (s.size() == 10) return minutes;
  int h = 0, mi = 0;
  if (s.size() != 16 || (s[10] != 'T' && s[10] != ' ') || s[13] != ':' || !Digits(s, 11, 2, &h) ||
      !Digits(s, 14, 2, &mi) || h > 23 || mi > 59) {
    return std::nullopt;
  }
  return minutes + h * 60 + mi;
}

bool ParseYearMonth(std::string_view s, int* year, int* month) {
  return s.size() == 7 && s[4] == '-' && Digits(s, 0, 4, year) && Digits(s, 5, 2, month) && *year >= kFirstYear &&
         *year <= kLastYear && *month >= 1 && *month <= 12;
}

bool ParseYear(std::string_view s, int* year) {
  return s.size() == 4 && Digits(s, 0, 4, year) && *year >= kFirstYear && *year <= kLastYear;
}

std::optional<TimeRange> ResolveSpan(std::string_view span, std::string_view from, std::string_view to,
                                     std::int64_t newest, int max_days, std::string* error) {
  auto fail = [&](std::string why) -> std::optional<TimeRange> {
    if (error) *error = std::move(why);
    return std::nullopt;
  };
  struct Relative {
    std::string_view name;
    int days;
  };
  static constexpr Relative kRelative[] = {{"day", 1}, {"24h", 1}, {"week", 7}, {"month", 31}, {"year", 365}};
  if (span.empty()) span = (from.empty() && to.empty()) ? "day" : "range";
  for (const Relative& r : kRelative) {
    if (span == r.name) return TimeRange{newest - std::int64_t{r.days} * kMinutesPerDay, newest};
  }
  if (span != "range")
    return fail("unknown span '" + std::string(span.substr(0, 20)) + "' (day, week, month, year or range)");
  if (from.empty() || to.empty()) return fail("a range needs from and to (YYYY-MM-DD or YYYY-MM-DDTHH:MM)");
  const auto a = ParseMoment(from);
  const auto b = ParseMoment(to);
  if (!a) return fail("'from' is not a date: give YYYY-MM-DD or YYYY-MM-DDTHH:MM");
  if (!b) return fail("'to' is not a date: give YYYY-MM-DD or YYYY-MM-DDTHH:MM");
  TimeRange r{*a, *b};
  if (to.size() == 10) r.to += kMinutesPerDay - 1;  // the whole last day
  if (r.to < r.from) return fail("'to' is before 'from'");
  if (r.to - r.from > std::int64_t{max_days} * kMinutesPerDay) {
    return fail("the span is longer than " + std::to_string(max_days) + " days; ask for a shorter one");
  }
  return r;
}

std::string VariableKey(std::string_view name) {
  std::string key;
  for (char c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    const bool word = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    if (word)
      key += c;
    else if (!key.empty() && key.back() != '_')
      key += '_';
  }
  while (!key.empty() && key.back() == '_') key.pop_back();
  return key;
}

const std::vector<PlotVariable>& PlotVariables() {
  static const std::vector<PlotVariable> list = [] {
    std::vector<PlotVariable> out;
    for (const CatalogueVariable& v : FullCatalogue()) {
      if (!v.id.IsArchiveVariable()) continue;
      PlotVariable p{VariableKey(v.name), v.name, v.id, static_cast<std::uint32_t>(v.colours[0])};
      if (p.key.empty()) continue;
      bool seen = false;
      for (const auto& q : out) seen = seen || q.key == p.key;
      if (!seen) out.push_back(std::move(p));
    }
    return out;
  }();
  return list;
}

const PlotVariable* FindVariable(std::string_view key) {
  for (const auto& v : PlotVariables()) {
    if (v.key == key) return &v;
  }
  return nullptr;
}

std::vector<const PlotVariable*> ParseVariableList(std::string_view text, std::string* error) {
  std::vector<const PlotVariable*> out;
  if (text.empty()) {
    if (error) *error = "name at least one variable (see /api/catalogue)";
    return {};
  }
  while (true) {
    const auto comma = text.find(',');
    const std::string_view key = text.substr(0, comma);
    const PlotVariable* v = FindVariable(key);
    if (v == nullptr) {
      if (error) *error = "unknown variable '" + std::string(key.substr(0, 60)) + "' (see /api/catalogue)";
      return {};
    }
    for (const auto* seen : out) {
      if (seen == v) {
        if (error) *error = "variable '" + v->key + "' is named twice";
        return {};
      }
    }
    if (out.size() == kMaxVariables) {
      if (error) *error = "at most " + std::to_string(kMaxVariables) + " variables at a time";
      return {};
    }
    out.push_back(v);
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return out;
}

}  // namespace sq::dashboard
