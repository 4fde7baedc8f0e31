#include "reports/data_variable.h"

#include <charconv>
#include <cstdio>
#include <limits>

#include "foundation/text_fields.h"

namespace sq {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A whole field holding one decimal number (an optional sign, digits, nothing else).
bool ParseInt(std::string_view text, std::int64_t* out) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), *out);
  return ec == std::errc() && ptr == text.data() + text.size();
}

bool ParseInt32(std::string_view text, std::int32_t* out) {
  std::int64_t v = 0;
  if (!ParseInt(text, &v) || v < std::numeric_limits<std::int32_t>::min() ||
      v > std::numeric_limits<std::int32_t>::max())
    return false;
  *out = static_cast<std::int32_t>(v);
  return true;
}

bool CleanText(std::string_view s) { return !s.empty() && s.find_first_of("\t\r\n") == std::string_view::npos; }

}  // namespace

std::string_view DataVariable::PrintedLabel1() const {
  std::string_view l = label1;
  if (!l.empty() && l.front() == '^') l.remove_prefix(1);
  return l;
}

bool DataVariable::Writable() const {
  return id.value != kNoId && CleanText(name) && CleanText(label1) && CleanText(label2) && CleanText(short_name);
}

std::optional<DataVariable> ParseVariableLine(std::string_view line) {
  if (line.size() > kListFileLineMax) return std::nullopt;
  DataVariable v;
  std::string_view rest = line;
  const std::string_view name = NextField(rest);
  if (name.empty()) return std::nullopt;
  // One or two tabs (any white space) separate the name from the identifier.
  while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
  std::int64_t id = 0;
  // Identifiers are written as signed 32-bit numbers; accept their unsigned form too.
  if (!ParseInt(NextField(rest), &id) || id < std::numeric_limits<std::int32_t>::min() ||
      id > std::numeric_limits<std::uint32_t>::max())
    return std::nullopt;
  if (id == -1) return std::nullopt;  // a fresh entry is never stored
  v.id = WeatherDataID(static_cast<std::uint32_t>(id));
  const std::string_view l1 = NextField(rest);
  const std::string_view l2 = NextField(rest);
  if (l1.empty() || l2.empty()) return std::nullopt;
  if (!ParseInt32(NextField(rest), &v.width) || !ParseInt32(NextField(rest), &v.trailing_spaces)) return std::nullopt;
  // A column must fit a browser line and leave room for its value.
  if (v.width < 0 || v.width > kMaxColumnWidth || v.trailing_spaces < 0 || v.trailing_spaces > v.width)
    return std::nullopt;
  const std::string_view short_name = NextField(rest);
  if (short_name.empty()) return std::nullopt;
  for (auto& c : v.colours) {
    if (!ParseInt32(NextField(rest), &c)) return std::nullopt;
  }
  // The last number may be followed by its tab and trailing blanks only.
  std::string_view style_text = rest.substr(0, rest.find('\t'));
  rest.remove_prefix(style_text.size());
  while (!style_text.empty() && style_text.back() == ' ') style_text.remove_suffix(1);
  std::int32_t style = 0;
  if (!ParseInt32(style_text, &style)) return std::nullopt;
  for (char c : rest) {
    if (!IsBlank(c)) return std::nullopt;
  }
  v.line_style = static_cast<DataVariableLineStyle>(style);
  v.name = name;
  v.label1 = l1;
  v.label2 = l2;
  v.short_name = short_name;
  // What is read must also be writable in a line that reads back (the single-tab form
  // grows by one character when written).
  if (FormatVariableLine(v).size() > kListFileLineMax) return std::nullopt;
  return v;
}

std::string FormatVariableLine(const DataVariable& v) {
  if (!v.Writable()) return {};
  char numbers[160];
  std::snprintf(numbers, sizeof numbers, "%d\t%d\t", v.width, v.trailing_spaces);
  char tail[160];
  std::snprintf(tail, sizeof tail, "%d\t%d\t%d\t%d\t%d\t", v.colours[0], v.colours[1], v.colours[2], v.colours[3],
                static_cast<std::int32_t>(v.line_style));
  std::string out;
  out.reserve(v.name.size() + v.label1.size() + v.label2.size() + v.short_name.size() + 80);
  out += v.name;
  out += "\t\t";
  out += std::to_string(static_cast<std::int32_t>(v.id.value));
  out += '\t';
  out += v.label1;
  out += '\t';
  out += v.label2;
  out += '\t';
  out += numbers;
  out += v.short_name;
  out += '\t';
  out += tail;
  return out;
}

}  // namespace sq
