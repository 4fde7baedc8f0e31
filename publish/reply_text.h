// A server's reply as one printable line for the program log: line breaks as "\n" and
// "\r", other control and non-ASCII bytes as '?', cut after `limit` characters ("...").
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sq {

[[nodiscard]] inline std::string PrintableReply(std::string_view reply, std::size_t limit) {
  std::string out;
  for (const char c : reply.substr(0, limit)) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F ? c : '?';
    }
  }
  if (reply.size() > limit) out += "...";
  return out;
}

}  // namespace sq
