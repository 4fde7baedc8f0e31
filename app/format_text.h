// printf-style formatting of string-table texts ("Error %d creating directory.",
// "Station name '%s' not valid."). Arguments are ints or strings; the table's texts are
// the only formats, never user input.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <type_traits>

namespace sq {

namespace detail {
inline const char* FormatArg(const std::string& s) { return s.c_str(); }
inline const char* FormatArg(const char* s) { return s; }
template <typename T>
requires std::is_arithmetic_v<T> T FormatArg(T v) { return v; }
}  // namespace detail

template <typename... Args>
std::string FormatText(std::string_view format, const Args&... args) {
  const std::string fmt(format);
  const int n = std::snprintf(nullptr, 0, fmt.c_str(), detail::FormatArg(args)...);
  if (n < 0) return fmt;
  std::string out(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(out.data(), out.size(), fmt.c_str(), detail::FormatArg(args)...);
  out.resize(static_cast<std::size_t>(n));
  return out;
}

// `text` with its control characters made visible (\n, \t, \x1B), for showing names
// and settings that came from files on a terminal.
inline std::string ShowControl(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x20 && b != 0x7F) {
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", b);
      out += hex;
    }
  }
  return out;
}

}  // namespace sq
