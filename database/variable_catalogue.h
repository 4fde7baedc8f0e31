// The variable catalogue: the program's own list of weather variables, kept as numbered
// string resources, one tab-separated line per variable:
//
//   name \t [\t] id \t label1 \t label2 \t width \t trailing \t short \t c0 \t c1 \t c2 \t c3 \t style \t
//
// The default archive data set is the run of lines from kArchiveCatalogueFirst up to the
// first line shorter than two characters; the data lists address its variables by
// position, so that order never changes. The lines after it (kMoreVariablesFirst..)
// name the variables the default set leaves out.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "database/weather_data_id.h"

namespace sq {

inline constexpr std::uint32_t kArchiveCatalogueFirst = 10000;
inline constexpr int kArchiveCatalogueSize = 58;
inline constexpr std::uint32_t kMoreVariablesFirst = 10059;

struct CatalogueVariable {
  std::string name;
  WeatherDataID id;
  std::string label1;       // first header line; a leading '^' is not printed
  std::string label2;       // second header line
  int width = 0;            // column width in characters
  int trailing_spaces = 0;  // spaces ending the column
  std::string short_name;
  std::array<std::int32_t, 4> colours{};
  std::int32_t line_style = 0;
};

// Parses one catalogue line; nullopt when a field is missing or not a number.
[[nodiscard]] std::optional<CatalogueVariable> ParseCatalogueLine(std::string_view line);

// Reads consecutive resources from `first` until a string shorter than two characters;
// lines that do not parse are skipped.
[[nodiscard]] std::vector<CatalogueVariable> LoadCatalogueRun(std::uint32_t first);

// The default archive data set, in order.
[[nodiscard]] const std::vector<CatalogueVariable>& ArchiveCatalogue();
// The default set followed by the variables it leaves out.
[[nodiscard]] const std::vector<CatalogueVariable>& FullCatalogue();

}  // namespace sq
