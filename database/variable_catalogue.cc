#include "database/variable_catalogue.h"

#include <charconv>

#include "foundation/text_fields.h"
#include "resources/string_table.h"

namespace sq {
namespace {

template <typename T>
bool ParseNumber(std::string_view text, T* out) {
  if (text.empty()) return false;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), *out);
  return ec == std::errc() && ptr == text.data() + text.size();
}

}  // namespace

std::optional<CatalogueVariable> ParseCatalogueLine(std::string_view line) {
  CatalogueVariable v;
  std::string_view rest = line;
  const std::string_view name = NextField(rest);
  if (name.empty()) return std::nullopt;
  v.name = name;
  // One or two tabs may separate the name from the identifier.
  while (!rest.empty() && (rest.front() == '\t' || rest.front() == ' ')) rest.remove_prefix(1);
  std::uint32_t id = 0;
  if (!ParseNumber(NextField(rest), &id)) return std::nullopt;
  v.id = WeatherDataID(id);
  v.label1 = NextField(rest);
  v.label2 = NextField(rest);
  if (!ParseNumber(NextField(rest), &v.width)) return std::nullopt;
  if (!ParseNumber(NextField(rest), &v.trailing_spaces)) return std::nullopt;
  v.short_name = NextField(rest);
  for (auto& c : v.colours) {
    if (!ParseNumber(NextField(rest), &c)) return std::nullopt;
  }
  if (!ParseNumber(NextField(rest), &v.line_style)) return std::nullopt;
  return v;
}

std::vector<CatalogueVariable> LoadCatalogueRun(std::uint32_t first) {
  std::vector<CatalogueVariable> out;
  for (std::uint32_t id = first;; ++id) {
    const std::string_view line = LoadString(id);
    if (line.size() < 2) break;
    if (auto v = ParseCatalogueLine(line)) out.push_back(std::move(*v));
  }
  return out;
}

const std::vector<CatalogueVariable>& ArchiveCatalogue() {
  static const std::vector<CatalogueVariable> set = LoadCatalogueRun(kArchiveCatalogueFirst);
  return set;
}

const std::vector<CatalogueVariable>& FullCatalogue() {
  static const std::vector<CatalogueVariable> all = [] {
    std::vector<CatalogueVariable> v = ArchiveCatalogue();
    auto more = LoadCatalogueRun(kMoreVariablesFirst);
    v.insert(v.end(), more.begin(), more.end());
    return v;
  }();
  return all;
}

}  // namespace sq
