// Which files an export may write. An export names its file freely, so it must never be
// pointed at the program's own files: the month files, the station and program
// configurations, the rain history, the list files, logs, journals and locks.
#pragma once

#include <string>

namespace sq {

// True when `path` is one of the program's own files in the program folder
// (`program_folder`) or in a station folder (a folder holding a "STATION.CFG" or a
// "progdata.dat"); `what` then names it for the message. The file need not exist.
[[nodiscard]] bool IsProgramOwnFile(const std::string& path, const std::string& program_folder, std::string* what);

}  // namespace sq
