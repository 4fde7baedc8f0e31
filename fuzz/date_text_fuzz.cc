// Typed date and time texts and locale formats reach the parsers unchecked. Input
// layout: byte 0 picks the regional settings, the rest is split at the first newline
// into a date text and a time text, which are also read as locale date/time formats.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "foundation/date_time.h"
#include "foundation/regional_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t mode = data[0];
  const std::string input(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::size_t nl = input.find('\n');
  const std::string date_text = input.substr(0, nl);
  const std::string time_text = nl == std::string::npos ? std::string() : input.substr(nl + 1);

  sq::RegionalSettings settings;
  settings.dateChoice = static_cast<std::uint8_t>(mode % 3);
  settings.timeChoice = static_cast<std::uint8_t>((mode >> 2) & 1);
  settings.dateSepChar = (mode & 0x80) ? '#' : '-';
  sq::ApplyRegionalSettings(settings);

  sq::DateTime t;
  if (t.SetDate(std::string_view(date_text)) == sq::kDateTimeOk) {
    // An accepted date is a real one and survives a round trip through its packed form.
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > t.DaysInMonth()) __builtin_trap();
    sq::DateTime u;
    u.SetDate(t.GetPackedDate());
    if (!(u == t)) __builtin_trap();
  }
  if (t.SetTime(std::string_view(time_text)) == sq::kDateTimeOk) {
    if (t.packed_time < 0 || t.packed_time > 1440) __builtin_trap();
  }
  char buf[sq::kDateTimeTextSize];
  t.GetDateStr(buf);
  t.GetLongDateStr(buf);
  t.GetDateStr3(buf);
  t.GetTimeStr(buf);
  t.GetLongTimeStr(buf);
  t.IncMinute(static_cast<int>(mode) * 97);

  sq::DateTime moment;
  std::string message;
  (void)sq::ParseDateAndTimeText(date_text, time_text, moment, &message);

  const sq::RegionalSettings read = sq::RegionalSettingsFromFormats(date_text, time_text, settings);
  if (read.dateChoice > 2 || read.timeChoice > 1) __builtin_trap();
  sq::ApplyRegionalSettings(sq::RegionalSettings{});
  return 0;
}
