#include "foundation/text_fields.h"

namespace sq {

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const auto nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
  }
  return lines;
}

std::string_view NextField(std::string_view& rest) {
  const auto tab = rest.find('\t');
  std::string_view field = rest.substr(0, tab);
  rest = tab == std::string_view::npos ? std::string_view() : rest.substr(tab + 1);
  return field;
}

}  // namespace sq
