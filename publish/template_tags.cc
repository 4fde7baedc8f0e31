#include "publish/template_tags.h"

#include <cctype>
#include <string>
#include <unordered_map>

#include "resources/string_table.h"

namespace sq {
namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// Lower-case tag text -> tag number, for the tags and the unit tags.
const std::unordered_map<std::string, int>& Table() {
  static const auto table = [] {
    std::unordered_map<std::string, int> t;
    for (int i = 0; i < kTagCount; ++i)
      t.emplace(Lower(LoadString(static_cast<std::uint32_t>(kFirstTag + i))), kFirstTag + i);
    for (int i = 0; i < kUnitTagCount; ++i) {
      t.emplace(Lower(LoadString(static_cast<std::uint32_t>(kFirstUnitTag + i))), kFirstUnitTag + i);
    }
    return t;
  }();
  return table;
}

}  // namespace

std::optional<int> FindTag(std::string_view text) {
  // Every tag is "<!--" + name + "-->" with a name of a few dozen characters at most.
  if (text.size() < 8 || text.size() > 64) return std::nullopt;
  const auto& t = Table();
  auto it = t.find(Lower(text));
  if (it == t.end()) return std::nullopt;
  return it->second;
}

}  // namespace sq
