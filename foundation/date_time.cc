#include "foundation/date_time.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "foundation/clock.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace sq {

DateTime manualStartDate;
DateTime manualEndDate;

namespace {

constexpr std::size_t kNameSlot = 5;        // names are at most 4 characters
constexpr std::size_t kMaxTypedChars = 20;  // typed date and time texts are read this far
constexpr int kMinutesPerDay = 1440;
constexpr int kMaxTypedYear = 9999;

constexpr std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

// Days from 1970-01-01 in the proleptic Gregorian calendar. A month outside 1..12
// carries into the year; the day counts on linearly, so 31 April is 1 May.
std::int64_t DayNumber(std::int64_t y, std::int64_t m, std::int64_t d) {
  y += FloorDiv(m - 1, 12);
  m = (m - 1) - FloorDiv(m - 1, 12) * 12 + 1;
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = FloorDiv(y, 400);
  const std::int64_t yoe = y - era * 400;
  const std::int64_t mp = (m + 9) % 12;
  const std::int64_t doy = (153 * mp + 2) / 5;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468 + (d - 1);
}

void CivilFromDayNumber(std::int64_t z, std::int64_t& y, std::int64_t& m, std::int64_t& d) {
  z += 719468;
  const std::int64_t era = FloorDiv(z, 146097);
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = yoe + era * 400 + (m <= 2 ? 1 : 0);
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads up to `max` unsigned numbers separated by blanks. A number too large for any
// field is kept as a large value so that the range checks reject it.
int ReadNumbers(const std::string& work, int* out, int max) {
  int count = 0;
  std::size_t i = 0;
  while (count < max) {
    while (i < work.size() && work[i] == ' ') ++i;
    if (i >= work.size()) break;
    long value = 0;
    while (i < work.size() && IsDigit(work[i])) {
      if (value < 1000000) value = value * 10 + (work[i] - '0');
      ++i;
    }
    out[count++] = static_cast<int>(value);
  }
  return count;
}

char* Finish(char* buf, std::size_t size) {
  if (size > 0) buf[size - 1] = '\0';
  return buf;
}

std::string ToString(char* (DateTime::*fn)(char*, std::size_t) const, const DateTime& t) {
  char buf[kDateTimeTextSize];
  return (t.*fn)(buf, sizeof buf);
}

std::string FormatMessage(std::uint32_t id, std::string_view text) {
  std::string msg(LoadString(id));
  const auto pos = msg.find("%s");
  if (pos != std::string::npos) msg.replace(pos, 2, text);
  return msg;
}

}  // namespace

int TwoDigitYear(int year) { return year % 100; }

DateTime::DateTime(int month_in, int day_in, int year_in) { SetDate(month_in, day_in, year_in); }

int DateTime::SetDate(int month_in, int day_in, int year_in) {
  month = static_cast<std::int16_t>(month_in);
  day = static_cast<std::int16_t>(day_in);
  year = static_cast<std::int16_t>(year_in);
  valid = 1;
  return kDateTimeOk;
}

int DateTime::SetDate(std::int32_t packedDate) {
  if (packedDate > 0) {
    day = static_cast<std::int16_t>(packedDate & 0xFF);
    month = static_cast<std::int16_t>((packedDate >> 8) & 0xFF);
    year = static_cast<std::int16_t>(packedDate >> 16);
    valid = 1;
  } else {
    month = day = year = 0;
    valid = 0;
  }
  return kDateTimeOk;
}

int DateTime::SetDate(std::string_view text) {
  valid = 0;
  std::string work;
  for (std::size_t i = 0; i < text.size() && i < kMaxTypedChars && text[i] != '\0'; ++i) {
    const char c = text[i];
    if (IsBlank(c)) continue;
    if (IsDigit(c)) {
      work += c;
    } else if (c == dateSepChar || c == '-' || c == '/' || c == '.') {
      work += ' ';
    } else {
      return kDateTimeBadInput;
    }
  }
  int n[3] = {0, 0, 0};
  if (ReadNumbers(work, n, 3) < 3) return kDateTimeBadInput;
  int m = n[0], d = n[1], y = n[2];
  if (dateChoice == 1) {
    d = n[0];
    m = n[1];
  } else if (dateChoice == 2) {
    y = n[0];
    m = n[1];
    d = n[2];
  }
  if (y < 100) y += y > 80 ? 1900 : 2000;
  if (m < 1 || m > 12 || y > kMaxTypedYear) return kDateTimeBadInput;
  DateTime candidate(m, d, y);
  if (d < 1 || d > candidate.DaysInMonth()) return kDateTimeBadInput;
  month = candidate.month;
  day = candidate.day;
  year = candidate.year;
  valid = 1;
  return kDateTimeOk;
}

int DateTime::SetTime(float hours) {
  // Larger values would not fit the 16-bit packed time.
  if (!std::isfinite(hours) || std::fabs(hours) >= 540.0f) return kDateTimeBadInput;
  hour = static_cast<std::int16_t>(hours);
  minute = static_cast<std::int16_t>((hours - hour) * 60.0f + 0.5f);
  second = 0;
  PackTime();
  return kDateTimeOk;
}

int DateTime::SetTime(std::string_view text) {
  bool morning = false;
  bool afternoon = false;
  std::string work;
  for (std::size_t i = 0; i < text.size() && i < kMaxTypedChars && text[i] != '\0'; ++i) {
    const char c = text[i];
    if (IsBlank(c) || c == 'm' || c == 'M') continue;
    if (c == 'a' || c == 'A') {
      morning = true;
    } else if (c == 'p' || c == 'P') {
      afternoon = true;
    } else if (IsDigit(c)) {
      work += c;
    } else if (c == timeSepChar || c == ':' || c == '.') {
      work += ' ';
    } else {
      return kDateTimeBadInput;
    }
  }
  if (morning && afternoon) return kDateTimeBadInput;
  int n[2] = {0, 0};  // a missing minute reads as 0 ("3p")
  if (ReadNumbers(work, n, 2) < 1) return kDateTimeBadInput;
  int h = n[0];
  const int m = n[1];
  if (morning && h == 12) h = 0;
  if (afternoon && h != 12) h += 12;
  if (h < 0 || h > 23 || m < 0 || m > 60) return kDateTimeBadInput;
  hour = static_cast<std::int16_t>(h);
  minute = static_cast<std::int16_t>(m);
  PackTime();
  return kDateTimeOk;
}

namespace {
void FromWallClock(DateTime& t, const WallClockTime& w) {
  t.month = static_cast<std::int16_t>(w.tm.tm_mon + 1);
  t.day = static_cast<std::int16_t>(w.tm.tm_mday);
  t.year = static_cast<std::int16_t>(w.tm.tm_year + 1900);
  t.hour = static_cast<std::int16_t>(w.tm.tm_hour);
  t.minute = static_cast<std::int16_t>(w.tm.tm_min);
  t.second = static_cast<std::int16_t>(w.tm.tm_sec);
  t.milliseconds = static_cast<std::int16_t>(w.milliseconds);
  t.PackTime();
  t.valid = 1;
}
}  // namespace

int DateTime::SetCurrentTime() { return SetCurrentTime(Clock::Default()); }

int DateTime::SetCurrentTime(Clock& clock) {
  FromWallClock(*this, clock.LocalNow());
  return kDateTimeOk;
}

int DateTime::SetSystemTime() { return SetSystemTime(Clock::Default()); }

int DateTime::SetSystemTime(Clock& clock) {
  FromWallClock(*this, clock.UtcNow());
  return kDateTimeOk;
}

std::int32_t DateTime::GetPackedDate() const {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint16_t>(year)) << 16 |
                                   static_cast<std::uint32_t>(month & 0xFF) << 8 |
                                   static_cast<std::uint32_t>(day & 0xFF));
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  switch (month) {
    case 4:
    case 6:
    case 9:
    case 11:
      return 30;
    case 2:
      return IsLeapYear(year) ? 29 : 28;
    default:
      return 31;
  }
}

bool DateTime::InLeapYear() const { return IsLeapYear(year); }

int DateTime::DaysInMonth() const { return sq::DaysInMonth(year, month); }

int DateTime::DayOfWeek() const {
  // 1970-01-01 was a Thursday.
  const std::int64_t w = (DayNumber(year, month, day) + 4) % 7;
  return static_cast<int>(w < 0 ? w + 7 : w);
}

std::int32_t DateTime::Seconds() const { return hour * 3600 + minute * 60 + second; }

void DateTime::UnpackTime() {
  hour = static_cast<std::int16_t>(packed_time / 60);
  minute = static_cast<std::int16_t>(packed_time % 60);
}

void DateTime::PackTime() { packed_time = static_cast<std::int16_t>(hour * 60 + minute); }

std::int32_t DateTime::DayDiff(DateTime other) const {
  if (!valid || !other.valid) return 0;
  return static_cast<std::int32_t>(DayNumber(year, month, day) - DayNumber(other.year, other.month, other.day));
}

double DateTime::DoubleDayDiff(DateTime other) const {
  if (!valid || !other.valid) return 0.0;
  return static_cast<double>(DayDiff(other)) + (packed_time - other.packed_time) / 1440.0;
}

std::int32_t DateTime::MinuteDifference(DateTime other) const {
  return static_cast<std::int32_t>(std::lround(DoubleDayDiff(other) * 1440.0));
}

DateTime& DateTime::operator++() {
  if (!valid) return *this;
  ++day;
  if (day > DaysInMonth()) {
    day = 1;
    if (++month > 12) {
      month = 1;
      ++year;
    }
  }
  return *this;
}

DateTime& DateTime::operator--() {
  if (!valid) return *this;
  if (--day < 1) {
    if (--month < 1) {
      month = 12;
      --year;
    }
    day = static_cast<std::int16_t>(DaysInMonth());
  }
  return *this;
}

DateTime DateTime::operator++(int) {
  DateTime before = *this;
  ++*this;
  return before;
}

DateTime DateTime::operator--(int) {
  DateTime before = *this;
  --*this;
  return before;
}

DateTime& DateTime::operator+=(int days) {
  if (!valid) return *this;
  if (days < 0) {
    // Steps back; written so that the most negative count does not overflow.
    *this -= -(days + 1);
    return --*this;
  }
  // Single steps until the date is a real one (stored dates are not checked), then
  // whole days at once: the same result as `days` single steps.
  while (days > 0 && (month < 1 || month > 12 || day < 1 || day > DaysInMonth())) {
    ++*this;
    --days;
  }
  if (days == 0) return *this;
  std::int64_t y, m, d;
  CivilFromDayNumber(DayNumber(year, month, day) + days, y, m, d);
  year = static_cast<std::int16_t>(y);
  month = static_cast<std::int16_t>(m);
  day = static_cast<std::int16_t>(d);
  return *this;
}

DateTime& DateTime::operator-=(int days) {
  if (!valid) return *this;
  if (days < 0) {
    *this += -(days + 1);
    return ++*this;
  }
  while (days > 0 && (month < 1 || month > 12 || day < 1 || day > DaysInMonth())) {
    --*this;
    --days;
  }
  if (days == 0) return *this;
  std::int64_t y, m, d;
  CivilFromDayNumber(DayNumber(year, month, day) - days, y, m, d);
  year = static_cast<std::int16_t>(y);
  month = static_cast<std::int16_t>(m);
  day = static_cast<std::int16_t>(d);
  return *this;
}

void DateTime::IncMonth() {
  if (++month > 12) {
    month = 1;
    ++year;
  }
}

void DateTime::DecMonth() {
  if (--month < 1) {
    month = 12;
    --year;
  }
}

void DateTime::IncYear() { ++year; }

void DateTime::DecYear() { --year; }

void DateTime::IncMinute(int minutes) {
  if (minutes < 0) {
    if (minutes == std::numeric_limits<int>::min()) {  // -minutes would overflow
      DecMinute(std::numeric_limits<int>::max());
      minutes = -1;
    }
    DecMinute(-minutes);
    return;
  }
  std::int64_t packed = static_cast<std::int64_t>(packed_time) + minutes;
  if (packed >= kMinutesPerDay) {
    const std::int64_t days = packed / kMinutesPerDay;
    packed -= days * kMinutesPerDay;
    *this += static_cast<int>(days);
  }
  packed_time = static_cast<std::int16_t>(packed);
}

void DateTime::DecMinute(int minutes) {
  if (minutes <= 0) {
    if (minutes == std::numeric_limits<int>::min()) {  // -minutes would overflow
      IncMinute(std::numeric_limits<int>::max());
      minutes = -1;
    }
    IncMinute(-minutes);
    return;
  }
  std::int64_t packed = static_cast<std::int64_t>(packed_time) - minutes;
  if (packed < 0) {
    const std::int64_t days = (-packed + kMinutesPerDay - 1) / kMinutesPerDay;
    packed += days * kMinutesPerDay;
    *this -= static_cast<int>(days);
  }
  packed_time = static_cast<std::int16_t>(packed);
}

namespace {
// Negative, zero or positive as a orders before, with or after b (date, then time).
int Order(const DateTime& a, const DateTime& b) {
  if (a.year != b.year) return a.year < b.year ? -1 : 1;
  if (a.month != b.month) return a.month < b.month ? -1 : 1;
  if (a.day != b.day) return a.day < b.day ? -1 : 1;
  if (a.packed_time != b.packed_time) return a.packed_time < b.packed_time ? -1 : 1;
  return 0;
}
}  // namespace

bool DateTime::operator<(const DateTime& o) const { return valid && o.valid && Order(*this, o) < 0; }
bool DateTime::operator<=(const DateTime& o) const { return valid && o.valid && Order(*this, o) <= 0; }
bool DateTime::operator>(const DateTime& o) const { return valid && o.valid && Order(*this, o) > 0; }
bool DateTime::operator>=(const DateTime& o) const { return valid && o.valid && Order(*this, o) >= 0; }

bool DateTime::operator==(const DateTime& o) const {
  return valid && o.valid && year == o.year && month == o.month && day == o.day;
}

bool DateTime::operator!=(const DateTime& o) const {
  return valid && o.valid && !(year == o.year && month == o.month && day == o.day);
}

std::string DateTime::DayName(int weekday) {
  if (weekday < 0 || weekday > 6) weekday = 0;
  char slot[kNameSlot];
  LoadString(string_id::kFirstDayName + static_cast<std::uint32_t>(weekday), slot, sizeof slot);
  return slot;
}

std::string DateTime::MonthName(int month_number) {
  if (month_number < 1 || month_number > 12) return "---";
  char slot[kNameSlot];
  LoadString(string_id::kFirstMonthName + static_cast<std::uint32_t>(month_number - 1), slot, sizeof slot);
  return slot;
}

char* DateTime::GetDateStr(char* buf, std::size_t size) const {
  if (size == 0) return buf;
  if (!valid) {
    std::snprintf(buf, size, "-----");
    return Finish(buf, size);
  }
  const int yy = TwoDigitYear(year);
  const char sep = dateSepChar;
  switch (dateChoice) {
    case 1:
      std::snprintf(buf, size, "%02d%c%02d%c%02d", day, sep, month, sep, yy);
      break;
    case 2:
      std::snprintf(buf, size, "%02d%c%02d%c%02d", yy, sep, month, sep, day);
      break;
    default:
      std::snprintf(buf, size, "%02d%c%02d%c%02d", month, sep, day, sep, yy);
      break;
  }
  return Finish(buf, size);
}

char* DateTime::GetDayAndDateStr(char* buf, std::size_t size) const {
  if (size == 0) return buf;
  char date[kDateTimeTextSize];
  std::snprintf(buf, size, "%s %s", DayName(DayOfWeek()).c_str(), GetDateStr(date, sizeof date));
  return Finish(buf, size);
}

char* DateTime::GetLongDateStr(char* buf, std::size_t size, int* weekday) const {
  const int wd = DayOfWeek();
  if (weekday) *weekday = wd;
  if (size == 0) return buf;
  const std::string dn = DayName(wd);
  const std::string mn = MonthName(month);
  switch (dateChoice) {
    case 1:
      std::snprintf(buf, size, "%s %d %s %d", dn.c_str(), day, mn.c_str(), year);
      break;
    case 2:
      std::snprintf(buf, size, "%s %d %s %d", dn.c_str(), year, mn.c_str(), day);
      break;
    default:
      std::snprintf(buf, size, "%s %s %d, %d", dn.c_str(), mn.c_str(), day, year);
      break;
  }
  return Finish(buf, size);
}

char* DateTime::GetDateStr3(char* buf, std::size_t size) const {
  if (size == 0) return buf;
  const std::string dn = DayName(DayOfWeek());
  const std::string mn = MonthName(month);
  if (dateChoice == 1) {
    std::snprintf(buf, size, "%s %d %s", dn.c_str(), day, mn.c_str());
  } else {
    std::snprintf(buf, size, "%s %s %d", dn.c_str(), mn.c_str(), day);
  }
  return Finish(buf, size);
}

char* DateTime::GetMonthYearStr(char* buf, std::size_t size) const {
  if (size == 0) return buf;
  if (!valid) {
    std::snprintf(buf, size, "-----");
  } else if (dateChoice == 2) {
    std::snprintf(buf, size, "%4d%c%02d", year, dateSepChar, month);
  } else {
    std::snprintf(buf, size, "%02d%c%4d", month, dateSepChar, year);
  }
  return Finish(buf, size);
}

char* DateTime::GetTimeStr(char* buf, std::size_t size) const {
  if (size == 0) return buf;
  if (packed_time < 0 || packed_time > kMinutesPerDay) {
    std::snprintf(buf, size, "----");
    return Finish(buf, size);
  }
  const int h = packed_time / 60;
  const int m = packed_time % 60;
  const char sep = timeSepChar;
  if (timeChoice == 0) {
    if (h == 0) {
      std::snprintf(buf, size, "12%c%02da", sep, m);
    } else if (h == 24) {
      std::snprintf(buf, size, "12%c%02dm", sep, m);
    } else if (h >= 12) {
      std::snprintf(buf, size, "%2d%c%02dp", h == 12 ? 12 : h - 12, sep, m);
    } else {
      std::snprintf(buf, size, "%2d%c%02da", h, sep, m);
    }
  } else if (h == 24) {
    std::snprintf(buf, size, "00%c%02d", sep, m);
  } else {
    std::snprintf(buf, size, "%2d%c%02d", h, sep, m);
  }
  return Finish(buf, size);
}

char* DateTime::GetLongTimeStr(char* buf, std::size_t size) const {
  if (size == 0) return buf;
  if (packed_time < 0 || packed_time > kMinutesPerDay) {
    std::snprintf(buf, size, "----");
    return Finish(buf, size);
  }
  const int h = packed_time / 60;
  const int m = packed_time % 60;
  if (timeChoice == 0) {
    // The midnight that ends the day is marked 'm' as in GetTimeStr, not taken for noon.
    const char suffix = h == 24 ? 'm' : (h >= 12 ? 'p' : 'a');
    std::snprintf(buf, size, "%2d:%02d:%02d.%03d%c", h > 12 ? h - 12 : h, m, second, milliseconds, suffix);
  } else if (h == 24) {
    std::snprintf(buf, size, "00:%02d:%02d.%03d", m, second, milliseconds);
  } else {
    std::snprintf(buf, size, "%2d:%02d:%02d.%03d", h, m, second, milliseconds);
  }
  return Finish(buf, size);
}

char* DateTime::DayOfWeekStr(char* buf, std::size_t size, int* weekday) const {
  const int wd = DayOfWeek();
  if (weekday) *weekday = wd;
  if (size == 0) return buf;
  std::snprintf(buf, size, "%s", DayName(wd).c_str());
  return Finish(buf, size);
}

char* DateTime::MonthStr(char* buf, std::size_t size) const {
  if (size == 0) return buf;
  std::snprintf(buf, size, "%s", MonthName(month).c_str());
  return Finish(buf, size);
}

std::string DateTime::GetDateStr() const { return ToString(&DateTime::GetDateStr, *this); }
std::string DateTime::GetDayAndDateStr() const { return ToString(&DateTime::GetDayAndDateStr, *this); }
std::string DateTime::GetLongDateStr(int* weekday) const {
  char buf[kDateTimeTextSize];
  return GetLongDateStr(buf, sizeof buf, weekday);
}
std::string DateTime::GetDateStr3() const { return ToString(&DateTime::GetDateStr3, *this); }
std::string DateTime::GetMonthYearStr() const { return ToString(&DateTime::GetMonthYearStr, *this); }
std::string DateTime::GetTimeStr() const { return ToString(&DateTime::GetTimeStr, *this); }
std::string DateTime::GetLongTimeStr() const { return ToString(&DateTime::GetLongTimeStr, *this); }
std::string DateTime::DayOfWeekStr(int* weekday) const {
  char buf[kDateTimeTextSize];
  return DayOfWeekStr(buf, sizeof buf, weekday);
}
std::string DateTime::MonthStr() const { return ToString(&DateTime::MonthStr, *this); }

bool ParseIsoDate(std::string_view text, CalendarDate* out) {
  static constexpr std::size_t kYearAt = 0, kMonthAt = 5, kDayAt = 8, kLength = 10;
  if (text.size() != kLength || text[kMonthAt - 1] != '-' || text[kDayAt - 1] != '-') return false;
  auto digits = [&](std::size_t at, std::size_t count, int* value) {
    *value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
      if (text[i] < '0' || text[i] > '9') return false;
      *value = *value * 10 + (text[i] - '0');
    }
    return true;
  };
  CalendarDate d;
  if (!digits(kYearAt, 4, &d.year) || !digits(kMonthAt, 2, &d.month) || !digits(kDayAt, 2, &d.day)) return false;
  if (d.year < 1 || d.month < 1 || d.month > 12 || d.day < 1 || d.day > DaysInMonth(d.year, d.month)) return false;
  *out = d;
  return true;
}

bool ParseIsoDate(std::string_view text, DateTime* out) {
  CalendarDate d;
  if (!ParseIsoDate(text, &d)) return false;
  *out = DateTime(d.month, d.day, d.year);
  return true;
}

int ParseDateAndTimeText(std::string_view date_text, std::string_view time_text, DateTime& out, std::string* message) {
  std::string_view trimmed = date_text;
  while (!trimmed.empty() && IsBlank(trimmed.front())) trimmed.remove_prefix(1);
  while (!trimmed.empty() && IsBlank(trimmed.back())) trimmed.remove_suffix(1);
  if (trimmed == "--") {
    out = DateTime();
    return kDateTimeOk;
  }
  DateTime t;
  if (t.SetDate(date_text) != kDateTimeOk) {
    if (message) *message = FormatMessage(string_id::kDateNotRecognized, date_text);
    return kDateTextRejected;
  }
  if (t.SetTime(time_text) != kDateTimeOk) {
    if (message) *message = FormatMessage(string_id::kTimeNotRecognized, time_text);
    return kTimeTextRejected;
  }
  out = t;
  return kDateTimeOk;
}

}  // namespace sq
