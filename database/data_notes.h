// Names of the note files of archive records. A record whose note flag is set (flags A
// bit 5) has its note in the station folder's "DataNote" folder, in a text file named
// by the record's date and packed time: YYYYMMDDTTTT.NOTE, where TTTT is the packed time
// (hour x 60 + minute) in four digits. Databases of an older generation named the file
// YYMMDDHH.MMN (two-digit year, month, day, hour, then minute); that name is only read,
// when old databases are converted.
#pragma once

#include <string>

#include "foundation/date_time.h"

namespace sq {

inline constexpr char kDataNoteFolder[] = "DataNote";

// Path of the note of the record stamped `when` (its date and packed time).
[[nodiscard]] std::string DataNotePath(const std::string& station_folder, const DateTime& when);
// Path of the same note under the older naming.
[[nodiscard]] std::string OldDataNotePath(const std::string& station_folder, const DateTime& when);

}  // namespace sq
