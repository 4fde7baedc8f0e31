// The web service's answers: the headers text, and the data stream laid into the dump
// buffer for the number of pages the headers announced. The input is the headers text,
// then a zero byte, then the data stream.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "link/web_download.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto* split = static_cast<const std::uint8_t*>(std::memchr(data, 0, size));
  const std::size_t text_size = split ? static_cast<std::size_t>(split - data) : size;
  const sq::WebHeaders h = sq::ParseWebHeaders(std::string_view(reinterpret_cast<const char*>(data), text_size));
  const int pages = h.records ? *h.records / 5 : 0;
  const std::span<const std::uint8_t> stream(data + text_size + (split ? 1 : 0), size - text_size - (split ? 1 : 0));
  std::vector<std::uint8_t> dump;
  if (sq::FillDumpPages(stream, pages, dump)) {
    if (dump.size() != static_cast<std::size_t>(pages) * sq::kDumpPageStride) __builtin_trap();
  } else if (!dump.empty()) {
    __builtin_trap();
  }
  return 0;
}
