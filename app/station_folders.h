// Station folders: the folder name of a new station, creating a station with its
// subfolders, making missing subfolders when a station is opened, the list of stations
// in the program folder, the conversion of an older-format "STATION.CFG", and copying
// stations kept by an older version of the program.
//
// Layout of a station folder:
//   STATION.CFG                   the station record
//   DataSets.dat, DataLists.dat   data sets and data lists, saved with the station
//   Plots, DataNote, DegDays, Templates, Fuel, Backup
//   Images/Profile1..Profile8     images per upload profile (a new station gets 1..3)
//   Internet.cfg, Inet-Configuration.cfg, monthly database files
//
// Older-version station data: the older program kept its stations in a folder
// "Stratoquill" at the root of its drive. On this system that place is the folder named
// by the environment variable STRATOQUILL_OLD_DIR, else "Stratoquill" in the user's
// home folder ($HOME/Stratoquill).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/station.h"

namespace sq {

// Letters and digits of the name, at most 8 of them ("My Station #2" -> "MyStatio").
std::string StationFolderName(std::string_view station_name);

// Creates the subfolders a station folder needs; `profiles` image profiles (3 for a
// new station, 8 when opening). 0, or -1 when one cannot be made.
[[nodiscard]] int MakeStationSubfolders(const std::string& folder, int profiles);

enum class NewStationResult {
  kCreated,
  kBadName,       // no letters or digits: "Station name '%s' not valid."
  kExists,        // the folder exists and use_existing was not given
  kHoldsStation,  // the folder already holds a station (never overwritten)
  kCreateFailed,  // "Error %d creating directory."
  kSaveFailed,    // "Error saving station data."
};

// Creates a station named `name` under `parent`: folder, default record, subfolders.
// `folder` receives the new folder's path, `message` the text for the user on failure.
[[nodiscard]] NewStationResult CreateNewStation(const std::string& parent, const std::string& name, bool use_existing,
                                                std::string* folder, std::string* message);

struct StationEntry {
  std::string name;
  std::string folder;
};

// Subfolders of `program_folder` holding a loadable "STATION.CFG", by folder name.
std::vector<StationEntry> ListStations(const std::string& program_folder);
// "name" + four tabs + folder path.
std::string StationListLine(const StationEntry& e);

// Opens a station: Load, and on a 2088-byte older file the conversion below; then the
// missing subfolders are made. 0 success, -1/-2 as Load; `message` says why, or (after
// a conversion) which settings to enter again.
[[nodiscard]] int OpenStation(Station& station, const std::string& folder, std::string* message);

// Converts an older-format (2088-byte) "STATION.CFG": copies it into folder/Backup,
// saves a default station (named after the folder) in its place. Nothing of the old
// layout is carried over, because its field mapping is not known; `message` names the
// settings to enter again. 0 success, -1 failure (the old file is then untouched).
[[nodiscard]] int ConvertOldStation(const std::string& folder, Station& station, std::string* message);

// The folder where an older version kept its stations (see above).
std::string OldStationsFolder();
// Number of subfolders of `old_root` that contain "station.cfg" (any case).
int HaveOldStations(const std::string& old_root);
// Copies every such folder, with all files and subfolders, into `program_folder`
// under its own name, unless the program folder already holds a station. Returns the
// number of stations copied, or -1 on a copy error.
[[nodiscard]] int CopyOldStations(const std::string& old_root, const std::string& program_folder);

}  // namespace sq
