// "ModuleList.dat" on arbitrary bytes: every line is read without a crash, no line is
// longer than the limit, and a line that parsed writes back in a form that reads back
// with the same fields.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/module_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const sq::ModuleListLine& line : sq::ParseModuleList(text)) {
    if (line.text.size() > sq::kModuleListLineMax) std::abort();
    if (!line.Parsed() || !sq::ValidModuleFileName(line.file_name)) continue;
    std::string written =
        sq::FormatModuleListLine(line.file_name, line.id, line.version, line.flag != 0, line.description);
    if (written.size() > sq::kModuleListLineMax + 1 || written.back() != '\n') std::abort();
    written.pop_back();
    const sq::ModuleListLine again = sq::ParseModuleListLine(written);
    if (!again.Parsed() || again.file_name != line.file_name || again.id != line.id || again.version != line.version ||
        again.flag != line.flag) {
      std::abort();
    }
  }
  return 0;
}
