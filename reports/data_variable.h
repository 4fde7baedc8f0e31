// DataVariable: one entry of a data set's catalogue (a weather variable with its column
// labels, width and plot colours), and its one-line text form in "DataSets.dat":
//
//   name \t \t id \t label1 \t label2 \t width \t trailing \t short \t c0 \t c1 \t c2 \t c3 \t style \t
//
// The line is read back with one or two tabs after the name. Lines are hostile input:
// ParseVariableLine bounds every field and refuses anything that is not exactly this
// shape.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "database/weather_data_id.h"

namespace sq {

// Plot line style of a variable (stored as a 32-bit number).
enum class DataVariableLineStyle : std::int32_t { kSolid = 0, kDash = 1, kDot = 2, kDashDot = 3 };

// Longest text line the list files hold (line feed excluded).
inline constexpr std::size_t kListFileLineMax = 255;
// Widest column a variable may ask for; wider entries are refused when read.
inline constexpr int kMaxColumnWidth = 255;

struct DataVariable {
  // -1 (all bits set) marks a fresh entry that names no variable yet.
  static constexpr std::uint32_t kNoId = 0xFFFFFFFFu;

  WeatherDataID id{kNoId};
  std::string label1;                // first header line; a leading '^' is not printed
  std::string label2;                // second header line
  std::string short_name;            // legends and lists
  std::string name;                  // full name
  std::int32_t width = 0;            // column width in browser lines
  std::int32_t trailing_spaces = 0;  // spaces that end the column in browser data lines
  std::array<std::int32_t, 4> colours{};
  DataVariableLineStyle line_style = DataVariableLineStyle::kSolid;

  // Label 1 as printed: without its leading '^'.
  [[nodiscard]] std::string_view PrintedLabel1() const;
  // True when the entry can be written: an id and all four texts, none holding a tab
  // or a line break.
  [[nodiscard]] bool Writable() const;

  bool operator==(const DataVariable&) const = default;
};

// Parses one variable line (without its line feed); nothing when it does not parse.
[[nodiscard]] std::optional<DataVariable> ParseVariableLine(std::string_view line);
// The variable's line (without the line feed); empty when it is not Writable().
[[nodiscard]] std::string FormatVariableLine(const DataVariable& v);

}  // namespace sq
