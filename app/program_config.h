// Reading and saving the program configuration "progdata.dat" (the record itself is
// ProgConfigData, foundation/prog_config_data.h).
#pragma once

#include <string>

#include "foundation/prog_config_data.h"

namespace sq {

inline constexpr const char* kProgConfigName = "progdata.dat";
// A file replaced by defaults is kept under this name first ("progdata-2.old",
// "progdata-3.old", ... when it is taken).
inline constexpr const char* kProgConfigBackupName = "progdata.old";

// Outcome of reading the configuration at start.
enum class ProgConfigLoad {
  kLoaded,      // read as it was
  kReplaced,    // wrong size or layout version: a copy was kept, defaults saved
  kMissing,     // no file: the installation is not complete
  kUnreadable,  // exists but cannot be read, or the replacement could not be saved
};

// Reads folder/"progdata.dat" into `cfg` and applies the start rules: offset 12 values
// 0..1 become 1, offset 920 is cleared, the layout marks are rewritten, the folder is
// stored as the program folder, and stations get the two texts for their upgrades.
// `message` receives the text to show the user for every outcome but kLoaded.
[[nodiscard]] ProgConfigLoad LoadProgramConfig(const std::string& folder, ProgConfigData& cfg, std::string* message);

// Reads folder/"progdata.dat" without changing anything on disk: true when it is a
// whole record of the current layout version (then `cfg` holds it).
[[nodiscard]] bool ReadProgramConfig(const std::string& folder, ProgConfigData& cfg);

// For commands that work on a station folder: applies the display units saved in
// folder/"progdata.dat" when there is a valid one (it becomes progConfigData), and
// leaves the defaults otherwise. Never fails and never writes.
void ApplySavedDisplayUnits(const std::string& folder);

// Sets the layout marks and saves `cfg` as folder/"progdata.dat" (atomically).
// On failure reports "Error saving program config file." and returns -1.
[[nodiscard]] int SaveProgramConfig(const std::string& folder, ProgConfigData& cfg);
// The program-wide progConfigData into the program folder.
[[nodiscard]] int SaveProgramConfig();

// Creates `folder` (when missing) with a default "progdata.dat". An existing
// configuration is kept: -1 and a message then, unless `force`.
[[nodiscard]] int InitProgramFolder(const std::string& folder, bool force, std::string* message);

}  // namespace sq
