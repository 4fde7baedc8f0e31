#include "app/module_list.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace sq {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

void SkipSpace(std::string_view s, std::size_t& i) {
  while (i < s.size() && IsSpace(s[i])) ++i;
}

// One "%li" / "%i" conversion: optional sign, then base 0 (0x hex, 0 octal, decimal).
bool ReadInteger(std::string_view s, std::size_t& i, long long* out) {
  SkipSpace(s, i);
  std::size_t j = i;
  bool negative = false;
  if (j < s.size() && (s[j] == '+' || s[j] == '-')) negative = s[j++] == '-';
  int base = 10;
  if (j + 1 < s.size() && s[j] == '0' && (s[j + 1] == 'x' || s[j + 1] == 'X')) {
    // "0x" counts only when a hex digit follows; else the "0" alone is the number.
    if (j + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[j + 2]))) {
      base = 16;
      j += 2;
    }
  } else if (j < s.size() && s[j] == '0') {
    base = 8;
  }
  unsigned long long value = 0;
  std::size_t digits = 0;
  for (; j < s.size(); ++j, ++digits) {
    const char c = s[j];
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      break;
    if (d >= base) break;
    // Saturate instead of overflowing, as strtol does.
    if (value < (1ULL << 40)) value = value * static_cast<unsigned>(base) + static_cast<unsigned>(d);
  }
  if (digits == 0) return false;
  i = j;
  const long long v = static_cast<long long>(value);
  *out = negative ? -v : v;
  return true;
}

}  // namespace

ModuleListLine ParseModuleListLine(std::string_view line) {
  ModuleListLine out;
  out.text = std::string(line);
  std::size_t i = 0;
  SkipSpace(line, i);
  const std::size_t name_start = i;
  while (i < line.size() && !IsSpace(line[i])) ++i;
  if (i == name_start) return out;
  out.file_name = std::string(line.substr(name_start, i - name_start));
  out.fields = 1;
  long long v = 0;
  if (!ReadInteger(line, i, &v)) return out;
  out.id = static_cast<std::uint32_t>(v);
  out.fields = 2;
  if (!ReadInteger(line, i, &v)) return out;
  out.version = static_cast<std::uint32_t>(v);
  out.fields = 3;
  if (!ReadInteger(line, i, &v)) return out;
  out.flag = v != 0 ? 1 : 0;
  out.fields = 4;
  SkipSpace(line, i);
  if (i >= line.size()) return out;
  out.description = std::string(line.substr(i));
  out.fields = 5;
  return out;
}

std::vector<ModuleListLine> ParseModuleList(std::string_view contents) {
  std::vector<ModuleListLine> lines;
  std::size_t pos = 0;
  while (pos < contents.size()) {
    std::size_t end = contents.find('\n', pos);
    if (end == std::string_view::npos) end = contents.size();
    std::string_view line = contents.substr(pos, end - pos);
    pos = end + 1;
    if (line.size() > kModuleListLineMax) line = line.substr(0, kModuleListLineMax);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(ParseModuleListLine(line));
  }
  return lines;
}

std::string FormatModuleListLine(std::string_view file_name, std::uint32_t id, std::uint32_t version, bool enabled,
                                 std::string_view description) {
  char head[64];
  std::snprintf(head, sizeof head, " 0x%08X 0x%08X %c ", id, version, enabled ? '1' : '0');
  std::string line(file_name);
  line += head;
  const std::size_t cut = description.find_first_of("\r\n");
  if (cut != std::string_view::npos) description = description.substr(0, cut);
  const std::size_t room = line.size() < kModuleListLineMax ? kModuleListLineMax - line.size() : 0;
  line += description.substr(0, room);
  // An empty description would leave four fields; a line must keep its five.
  if (description.empty() && room > 0) line += '-';
  line += '\n';
  return line;
}

bool ValidModuleFileName(std::string_view name) {
  if (name.empty() || name == "." || name == ".." || name.size() > 200) return false;
  for (const char c : name) {
    if (c == '/' || IsSpace(c) || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  }
  return true;
}

}  // namespace sq
