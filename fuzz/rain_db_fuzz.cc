// The rain history reader on arbitrary bytes: parsing must never crash, and what it
// keeps, and the lines it could not read, must survive a write and a second read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "database/rain_database.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<sq::RainKeptLine> kept, kept_again;
  const auto first = sq::ParseRainDb(text, &kept);
  const auto second = sq::ParseRainDb(sq::FormatRainDb(first, kept), &kept_again);
  if (first.size() != second.size() || kept.size() != kept_again.size()) std::abort();
  for (std::size_t i = 0; i < first.size(); ++i) {
    if (first[i].year != second[i].year) std::abort();
  }
  return 0;
}
