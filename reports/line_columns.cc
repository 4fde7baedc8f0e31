#include "reports/line_columns.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace sq {
namespace {

DateTime DayShown(const DateTime& date) {
  DateTime d = date;
  if (d.valid && d.packed_time == 1440) {
    d.packed_time = 0;
    d.hour = 0;
    d.minute = 0;
    ++d;
  }
  return d;
}

}  // namespace

std::string DisplayDate(const DateTime& date) {
  char buf[48];
  const char sep = DateTime::dateSepChar;
  if (!date.valid) {
    std::snprintf(buf, sizeof buf, "--%c--%c--", sep, sep);
    return buf;
  }
  const DateTime d = DayShown(date);
  const int yy = TwoDigitYear(d.year);
  switch (DateTime::dateChoice) {
    case 1:
      std::snprintf(buf, sizeof buf, "%2d%c%02d%c%02d", d.day, sep, d.month, sep, yy);
      break;
    case 2:
      std::snprintf(buf, sizeof buf, "%02d%c%02d%c%02d", yy, sep, d.month, sep, d.day);
      break;
    default:
      std::snprintf(buf, sizeof buf, "%2d%c%02d%c%02d", d.month, sep, d.day, sep, yy);
      break;
  }
  return buf;
}

std::string ExportDate(const DateTime& date) {
  // An export asks for the same day some hundred times in a row: the text of the last
  // date is kept, with everything it depends on.
  struct Key {
    bool valid;
    bool end_of_day;
    std::int16_t year, month, day;
    std::uint8_t choice;
    char sep;
    bool operator==(const Key&) const = default;
  };
  thread_local Key last_key{};
  thread_local std::string last_text;
  const Key key{date.valid != 0,      date.packed_time == 1440, date.year, date.month, date.day,
                DateTime::dateChoice, DateTime::dateSepChar};
  if (last_text.empty() || !(key == last_key)) {
    last_text = DayShown(date).GetDateStr();
    last_key = key;
  }
  return last_text;
}

namespace detail {

void LineBuilder::Lead(std::string_view text) {
  const long long room = std::max(0LL, width_ - 1);
  if (static_cast<long long>(text.size()) > room) {
    text = text.substr(0, static_cast<std::size_t>(room));
    full_ = true;
  }
  out_->append(text);
}

bool LineBuilder::Column(std::string_view text) {
  if (full_) return false;
  if (static_cast<long long>(out_->size() + text.size()) + 1 > width_) {
    full_ = true;
    return false;
  }
  out_->append(text);
  return true;
}

bool LineBuilder::Aligned(std::string_view value, int field, int trailing) {
  const std::size_t pad = field > static_cast<int>(value.size()) ? static_cast<std::size_t>(field) - value.size() : 0;
  scratch_.assign(pad, ' ');
  scratch_.append(value);
  scratch_.append(static_cast<std::size_t>(std::max(trailing, 0)), ' ');
  return Column(scratch_);
}

int ClampStart(int start, const Columns& cols) {
  const int last = std::max(0, static_cast<int>(cols.size()) - 1);
  return std::min(start, last);
}

}  // namespace detail
}  // namespace sq
