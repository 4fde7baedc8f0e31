// Validation of a station's month files, for the "db check" command and the tests:
// each file's header and day index, the two summary records that open every day, the
// record types and the time order of each day's archive records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/file_system.h"

namespace sq {

struct CheckFinding {
  std::string file_name;
  std::int64_t record = -1;  // record number within the file, -1 for the file as a whole
  std::string message;
};

struct CheckReport {
  int files_checked = 0;
  std::int64_t records_checked = 0;
  std::vector<CheckFinding> findings;
};

// Checks one month file; findings are appended to `report`. Never writes.
void CheckMonthFile(FileSystem& fs, const std::string& folder, const std::string& file_name, CheckReport* report);
// Checks every month file of the folder. False when the folder cannot be listed.
[[nodiscard]] bool CheckDatabaseFolder(FileSystem& fs, const std::string& folder, CheckReport* report);

}  // namespace sq
