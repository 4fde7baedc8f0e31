// Small parsers shared by the settings tables that read KEY=VALUE text from the user
// (station settings, internet settings).
#pragma once

#include <charconv>
#include <string>
#include <string_view>

namespace sq::setting_text {

// Stores `text` as the error (when asked for) and answers false, for `return Fail(...)`.
inline bool Fail(std::string* error, std::string text) {
  if (error) *error = std::move(text);
  return false;
}

// A whole decimal number within min..max, nothing else in the text.
inline bool ParseLong(std::string_view v, long min, long max, long* out) {
  long x = 0;
  auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), x);
  if (ec != std::errc() || p != v.data() + v.size() || x < min || x > max) return false;
  *out = x;
  return true;
}

}  // namespace sq::setting_text
