// The two list-file parsers on arbitrary text: the first byte picks the sets file or
// the lists file (over the default sets); whatever parses must write back in a form
// that reads back the same (unless it is upgraded), and the browser header lines of every list must build.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "reports/browser_lines.h"
#include "reports/data_lists_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  static const sq::DataSets defaults = sq::DefaultDataSets();
  if (data[0] & 1) {
    sq::DataSets sets;
    sq::ParseDataSets(text, &sets);
    const std::string written = sq::FormatDataSets(sets);
    sq::DataSets again;
    bool upgraded = false;
    sq::ParseDataSets(written, &again, &upgraded);
    // A set whose last line was dropped may now end with an older last variable and
    // be upgraded on the second read; everything else reads back unchanged.
    if (!upgraded && sq::FormatDataSets(again) != written) std::abort();
    return 0;
  }
  sq::DataLists lists;
  sq::ParseDataLists(text, &defaults, &lists);
  std::string line;
  for (const auto& list : lists.Lists()) {
    if (list.Count() > sq::kMaxListElements) std::abort();
    const sq::Columns cols = sq::ActiveColumns(sq::CopyList(list, sq::kCopyAllActive));
    for (int n = 1; n <= 3; ++n) {
      int width = 384;
      sq::BrowserHeaderLine(n, cols, true, 0, &width, &line);
      if (width > 383 || line.size() != static_cast<std::size_t>(width)) std::abort();
    }
  }
  const std::string written = sq::FormatDataLists(lists);
  sq::DataLists again;
  sq::ParseDataLists(written, &defaults, &again);
  if (sq::FormatDataLists(again) != written) std::abort();
  return 0;
}
