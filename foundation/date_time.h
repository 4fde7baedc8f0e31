// DateTime: a calendar date plus a time of day in minutes, the one date type of the
// program. It does its own calendar arithmetic, text parsing and text formatting; the
// formats follow the program-wide regional settings held in its statics.
//
// The packed time (minutes since midnight, 0..1440, where 1440 is the midnight that
// ends the day) is the authoritative time of day: comparisons, differences and minute
// arithmetic use it. `hour` and `minute` are a cache: UnpackTime() refreshes them from
// the packed time and PackTime() rebuilds the packed time from them. IncMinute() and
// DecMinute() change only the packed time.
//
// A value is "valid" when its date part holds a real date. Comparisons involving an
// invalid value are all false, and day arithmetic on it does nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace sq {

class Clock;

// Buffer size that holds every text DateTime formats.
inline constexpr std::size_t kDateTimeTextSize = 48;

// Result codes of the text parsers and setters.
inline constexpr int kDateTimeOk = 0;
inline constexpr int kDateTimeBadInput = -1;

class DateTime {
 public:
  // Regional settings (program-wide), see foundation/regional_settings.h.
  static inline std::uint8_t dateChoice = 0;  // 0 = month-day-year, 1 = day-month-year, 2 = year-month-day
  static inline char dateSepChar = '-';       // printed between date fields, accepted when parsing
  static inline std::uint8_t timeChoice = 0;  // 0 = 12-hour clock with a/p, non-zero = 24-hour clock
  static inline char timeSepChar = ':';       // printed between hour and minute, accepted when parsing

  // All fields zero, not valid.
  DateTime() = default;
  // The given date at packed time 0, valid. The values are not checked.
  DateTime(int month, int day, int year);

  // ---- Setting. Each returns kDateTimeOk (0) or kDateTimeBadInput (-1). ----

  // Stores the values unchecked and marks the value valid.
  int SetDate(int month, int day, int year);
  // year * 65536 + month * 256 + day; 0 or less clears the date and marks it not valid.
  int SetDate(std::int32_t packedDate);
  // A date typed by the user in the order of `dateChoice`, fields separated by
  // `dateSepChar`, '-', '/' or '.'; two-digit years 81..99 are 1981..1999, 0..80 are
  // 2000..2080. On failure the value is left not valid.
  [[nodiscard]] int SetDate(std::string_view text);
  // Hours as a fraction (1.5 = 01:30); sets hour, minute (rounded), second 0 and the
  // packed time. Fails (and changes nothing) for a non-finite value or one whose packed
  // time would not fit.
  int SetTime(float hours);
  // A time typed by the user: "3:00p", "15:00", "12:30a", "3.15 PM". Sets the packed time,
  // hour and minute; the date part is not touched. On failure nothing changes.
  [[nodiscard]] int SetTime(std::string_view text);
  // Date, time, seconds and milliseconds from the clock's local time (or UTC); valid.
  int SetCurrentTime();
  int SetCurrentTime(Clock& clock);
  int SetSystemTime();
  int SetSystemTime(Clock& clock);

  // ---- Queries ----

  [[nodiscard]] std::int32_t GetPackedDate() const;
  [[nodiscard]] bool InLeapYear() const;
  [[nodiscard]] int DaysInMonth() const;       // a month outside 1..12 has 31 days
  [[nodiscard]] int DayOfWeek() const;         // 0 = Sunday ... 6 = Saturday
  [[nodiscard]] std::int32_t Seconds() const;  // from the hour, minute and second fields
  void UnpackTime();
  void PackTime();

  // Whole calendar days from `other`'s date to this date (negative when this is earlier);
  // 0 when either is not valid.
  [[nodiscard]] std::int32_t DayDiff(DateTime other) const;
  // The same in days with the time of day as a fraction.
  [[nodiscard]] double DoubleDayDiff(DateTime other) const;
  // DoubleDayDiff in minutes, rounded half away from zero.
  [[nodiscard]] std::int32_t MinuteDifference(DateTime other) const;

  // ---- Arithmetic (date steps do nothing when not valid; the time is untouched) ----

  DateTime& operator++();  // next calendar day
  DateTime& operator--();  // previous calendar day
  DateTime operator++(int);
  DateTime operator--(int);
  DateTime& operator+=(int days);  // a negative count steps backwards
  DateTime& operator-=(int days);
  void IncMonth();  // month + 1 with year carry; the day is not clamped
  void DecMonth();
  void IncYear();
  void DecYear();
  // Minute arithmetic on the packed time, carrying whole days into the date (a packed
  // time of 1440 or more rolls over to the next day).
  void IncMinute(int minutes);
  void DecMinute(int minutes);

  // ---- Comparison: false whenever either value is not valid ----

  // Order by date, then packed time.
  [[nodiscard]] bool operator<(const DateTime& o) const;
  [[nodiscard]] bool operator<=(const DateTime& o) const;
  [[nodiscard]] bool operator>(const DateTime& o) const;
  [[nodiscard]] bool operator>=(const DateTime& o) const;
  // Same date; the time of day is ignored.
  [[nodiscard]] bool operator==(const DateTime& o) const;
  [[nodiscard]] bool operator!=(const DateTime& o) const;

  // ---- Text. Each writes a terminated text into buf (truncated to `size`) and returns buf. ----

  // "03-01-96" in the regional order and separator; "-----" when not valid.
  char* GetDateStr(char* buf, std::size_t size) const;
  // "Fri 03-01-96".
  char* GetDayAndDateStr(char* buf, std::size_t size) const;
  // "Fri Mar 1, 1996" / "Fri 1 Mar 1996" / "Fri 1996 Mar 1"; stores the weekday when asked.
  char* GetLongDateStr(char* buf, std::size_t size, int* weekday = nullptr) const;
  // "Fri Mar 1" / "Fri 1 Mar".
  char* GetDateStr3(char* buf, std::size_t size) const;
  // "03-1996" / "1996-03"; "-----" when not valid.
  char* GetMonthYearStr(char* buf, std::size_t size) const;
  // " 3:05p" / "15:05"; "----" when the packed time is outside 0..1440.
  char* GetTimeStr(char* buf, std::size_t size) const;
  // " 3:05:09.250p" / "15:05:09.250", with seconds and milliseconds.
  char* GetLongTimeStr(char* buf, std::size_t size) const;
  // Name of this date's weekday; stores the weekday number when asked.
  char* DayOfWeekStr(char* buf, std::size_t size, int* weekday = nullptr) const;
  // Name of this date's month.
  char* MonthStr(char* buf, std::size_t size) const;

  template <std::size_t N>
  char* GetDateStr(char (&buf)[N]) const {
    return GetDateStr(buf, N);
  }
  template <std::size_t N>
  char* GetDayAndDateStr(char (&buf)[N]) const {
    return GetDayAndDateStr(buf, N);
  }
  template <std::size_t N>
  char* GetLongDateStr(char (&buf)[N], int* weekday = nullptr) const {
    return GetLongDateStr(buf, N, weekday);
  }
  template <std::size_t N>
  char* GetDateStr3(char (&buf)[N]) const {
    return GetDateStr3(buf, N);
  }
  template <std::size_t N>
  char* GetMonthYearStr(char (&buf)[N]) const {
    return GetMonthYearStr(buf, N);
  }
  template <std::size_t N>
  char* GetTimeStr(char (&buf)[N]) const {
    return GetTimeStr(buf, N);
  }
  template <std::size_t N>
  char* GetLongTimeStr(char (&buf)[N]) const {
    return GetLongTimeStr(buf, N);
  }
  template <std::size_t N>
  char* DayOfWeekStr(char (&buf)[N], int* weekday = nullptr) const {
    return DayOfWeekStr(buf, N, weekday);
  }
  template <std::size_t N>
  char* MonthStr(char (&buf)[N]) const {
    return MonthStr(buf, N);
  }

  // Convenience forms returning a std::string.
  [[nodiscard]] std::string GetDateStr() const;
  [[nodiscard]] std::string GetDayAndDateStr() const;
  [[nodiscard]] std::string GetLongDateStr(int* weekday = nullptr) const;
  [[nodiscard]] std::string GetDateStr3() const;
  [[nodiscard]] std::string GetMonthYearStr() const;
  [[nodiscard]] std::string GetTimeStr() const;
  [[nodiscard]] std::string GetLongTimeStr() const;
  [[nodiscard]] std::string DayOfWeekStr(int* weekday = nullptr) const;
  [[nodiscard]] std::string MonthStr() const;

  // Day name (0 = Sunday; outside 0..6 counts as Sunday) and month name (1..12; other
  // values give "---"), at most 4 characters, from the string table.
  [[nodiscard]] static std::string DayName(int weekday);
  [[nodiscard]] static std::string MonthName(int month);

  // Fields, in this order. Public: records and packets are built from them directly.
  std::int16_t packed_time = 0;   // minutes since midnight, 0..1440
  std::int32_t reserved = 0;      // kept and copied, never read
  std::int16_t hour = 0;          // 0..24, cache of packed_time
  std::int16_t minute = 0;        // 0..59 (60 from the text parser), cache of packed_time
  std::int16_t second = 0;        // set only from the clock
  std::int16_t milliseconds = 0;  // set only from the clock
  std::int16_t month = 0;         // 1..12
  std::int16_t day = 0;           // 1..31
  std::int16_t year = 0;          // four-digit year
  std::uint8_t valid = 0;         // 1 when the date part holds a real date
};

static_assert(std::is_standard_layout_v<DateTime>);
static_assert(std::is_trivially_copyable_v<DateTime>);
static_assert(offsetof(DateTime, packed_time) < offsetof(DateTime, reserved) &&
              offsetof(DateTime, reserved) < offsetof(DateTime, hour) &&
              offsetof(DateTime, hour) < offsetof(DateTime, minute) &&
              offsetof(DateTime, minute) < offsetof(DateTime, second) &&
              offsetof(DateTime, second) < offsetof(DateTime, milliseconds) &&
              offsetof(DateTime, milliseconds) < offsetof(DateTime, month) &&
              offsetof(DateTime, month) < offsetof(DateTime, day) &&
              offsetof(DateTime, day) < offsetof(DateTime, year) &&
              offsetof(DateTime, year) < offsetof(DateTime, valid));

// year mod 100.
[[nodiscard]] int TwoDigitYear(int year);

// Gregorian calendar rules for code that has a year and month but no DateTime.
[[nodiscard]] bool IsLeapYear(int year);
// 28..31; a month outside 1..12 has 31 days, as in DateTime::DaysInMonth.
[[nodiscard]] int DaysInMonth(int year, int month);

// A date read from text, before any caller-specific range check.
struct CalendarDate {
  int year = 0;
  int month = 0;
  int day = 0;
};

// Reads exactly "YYYY-MM-DD": ten characters, four digits for the year (0001..9999),
// two for the month (01..12) and two for the day (within the month, 29 February only in
// leap years), separated by '-'. No sign, blank or trailing text is accepted; callers
// that allow a time after the date or surrounding blanks cut them off first. On failure
// `out` is unchanged.
[[nodiscard]] bool ParseIsoDate(std::string_view text, CalendarDate* out);
// The same, as a valid DateTime at packed time 0.
[[nodiscard]] bool ParseIsoDate(std::string_view text, DateTime* out);

// User-entered daylight-saving start and end moments for stations that use manual
// dates (program-wide; not valid until the user sets them).
extern DateTime manualStartDate;
extern DateTime manualEndDate;

// Result codes of ParseDateAndTimeText.
inline constexpr int kDateTextRejected = -1;
inline constexpr int kTimeTextRejected = -2;

// Reads a moment typed as a date text and a time text (as the manual daylight-saving
// dates are entered). The date text "--" clears the moment (not valid) and succeeds.
// On failure `out` is unchanged, the result tells which field was rejected, and
// `*message` (when given) holds the user message naming the text.
[[nodiscard]] int ParseDateAndTimeText(std::string_view date_text, std::string_view time_text, DateTime& out,
                                       std::string* message = nullptr);

}  // namespace sq
