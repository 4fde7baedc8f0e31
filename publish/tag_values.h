// The value of each template tag for one page: current values, highs and lows, units,
// dates and times, station facts. Values are texts in the user's display units;
// "---" stands for a value that is missing, whose sensor the station lacks, or that
// the console family does not keep.
#pragma once

#include <string>
#include <string_view>

#include "publish/page_data.h"

namespace sq {

class Clock;
class Station;

class TagValues {
 public:
  // All three must outlive this object. The clock gives "now" for the date, time and
  // moon tags.
  TagValues(const PageData& data, const Station& station, Clock& clock);

  // The value of tag number `tag` (publish/template_tags.h); "---" for a number with
  // no value.
  [[nodiscard]] std::string GetTagValue(int tag) const;
  // kTagKnown with the tag's value in `value` when `text` is one of the 236 tag
  // texts (ignoring case), else kTagUnknown.
  int GetTagText(std::string_view text, std::string* value) const;

 private:
  const PageData& data_;
  const Station& station_;
  Clock& clock_;
};

}  // namespace sq
