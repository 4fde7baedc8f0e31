// Template pages: a template (usually HTML, extension ".htx") is copied into a page
// with every recognised tag replaced by its value. Tags are whole HTML comments such
// as "<!--outsideTemp-->", matched without regard to case; anything else, including
// unknown comments and comments that span lines, is copied unchanged, so a template a
// browser shows unprocessed still reads sensibly.
//
// The template is read as a stream of pieces of at most 255 characters (a longer line
// arrives as several pieces, each processed on its own, so a tag split across two
// pieces is not recognised); a page never has to fit in memory. The page is written
// beside its final name and renamed into place when complete, so a failed run never
// leaves half a page to be uploaded.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "publish/tag_values.h"

namespace sq {

inline constexpr std::size_t kTemplatePieceMax = 255;

// ProcessTemplate results.
inline constexpr int kPageWritten = 1;
inline constexpr int kPageFailed = -1;

// Receives the log lines of a failed page: text and title (the station name).
using PageLog = std::function<void(std::string_view text, std::string_view title)>;

// Substitutes the tags of one piece of text and appends the result to `out`.
void SubstituteTags(std::string_view piece, const TagValues& values, std::string& out);

// Writes `page_path` from `template_path`. kPageWritten, or kPageFailed after logging
// "Could not open template file for reading: PATH" or "Could not open html file for
// writing: PATH" (or a write failure) through `log`; without a log the program log
// (download.log) gets the line.
[[nodiscard]] int ProcessTemplate(const std::string& template_path, const std::string& page_path,
                                  const TagValues& values, std::string_view station_name, const PageLog& log = {});

}  // namespace sq
