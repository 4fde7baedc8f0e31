// Profile file lists are outside input: text written by another program or edited by
// hand, with any bytes, line endings and lengths. Every parse must stay within the
// text and within the entry bound, and the written form must read back to the same
// entries.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "publish/profile_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto files = sq::ParseProfileList(text);
  if (files.size() > sq::kProfileListMaxEntries) std::abort();
  for (const auto& f : files) {
    if (f.path.empty() || f.path.size() > sq::kProfileLineMax) std::abort();
    (void)f.IsTemplate();
  }
  // Entries whose texts hold no TAB or line break survive a write and a read.
  std::vector<sq::ProfileFile> clean;
  for (const auto& f : files) {
    if (f.name.find_first_of("\t\r\n") == std::string::npos && f.path.find_first_of("\t\r\n") == std::string::npos &&
        !f.name.empty() && f.name.size() + f.path.size() + 4 <= sq::kProfileLineMax && f.path.size() >= 5) {
      clean.push_back(f);
    }
  }
  const auto back = sq::ParseProfileList(sq::FormatProfileList(clean));
  if (back.size() != clean.size()) std::abort();
  for (std::size_t i = 0; i < back.size(); ++i) {
    if (back[i].name != clean[i].name || back[i].path != clean[i].path) std::abort();
  }
  return 0;
}
