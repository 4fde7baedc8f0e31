// Shared pieces of the browser and export line builders: the active columns of a list,
// the width rule and the date texts.
//
// Every builder takes a start index (active columns to skip, for horizontal scrolling;
// limited to the column count - 1; a negative one gives an empty line), an in/out
// width (the room in characters on entry, the length used on exit) and the output
// string (replaced). A column is appended only while the length so far + the column's
// length + 1 does not exceed the width; the first column that does not fit ends the
// line.
#pragma once

#include <climits>
#include <string>
#include <vector>

#include "foundation/date_time.h"
#include "reports/data_list.h"

namespace sq {

// A width that fits any line.
inline constexpr int kNoWidthLimit = INT_MAX / 2;

// The variables of a list's active elements, in order: what the builders show.
using Columns = std::vector<const DataVariable*>;
[[nodiscard]] inline Columns ActiveColumns(const DataList& list) { return list.ActiveVariables(); }

// The display date of a record: "%2d%c%02d%c%02d" in the regional order (two-digit
// year), the following day for a time of 1440, "--%c--%c--" when not valid.
[[nodiscard]] std::string DisplayDate(const DateTime& date);
// The export date text; the following day for a time of 1440.
[[nodiscard]] std::string ExportDate(const DateTime& date);

namespace detail {

// Builds one line under the width rule.
class LineBuilder {
 public:
  LineBuilder(std::string* out, int width) : out_(out), width_(width) { out_->clear(); }
  // The leading part (cut to width - 1 when even that does not fit).
  void Lead(std::string_view text);
  // Appends a column; false (and nothing more is appended) when it does not fit.
  bool Column(std::string_view text);
  // Appends a value right-aligned in `field` characters followed by `trailing` spaces.
  bool Aligned(std::string_view value, int field, int trailing);
  [[nodiscard]] bool Full() const { return full_; }
  [[nodiscard]] int Length() const { return static_cast<int>(out_->size()); }

 private:
  std::string* out_;
  long long width_;
  bool full_ = false;
  std::string scratch_;
};

// Start index limited to the column count - 1 (0 for an empty list).
[[nodiscard]] int ClampStart(int start, const Columns& cols);

}  // namespace detail
}  // namespace sq
