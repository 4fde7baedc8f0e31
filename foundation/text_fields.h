// Lines and tab-separated fields of the program's text files (data lists, the variable
// catalogue, settings lists). The views point into the caller's text.
#pragma once

#include <string_view>
#include <vector>

namespace sq {

// Splits text at line feeds; carriage returns at the end of a line are dropped. A final
// line feed ends the last line (no empty line follows it); empty text has no lines.
[[nodiscard]] std::vector<std::string_view> SplitLines(std::string_view text);

// Cuts the text up to the next tab (or the end) off the front of `rest` and returns it;
// `rest` keeps what follows the tab (empty after the last field).
std::string_view NextField(std::string_view& rest);

}  // namespace sq
