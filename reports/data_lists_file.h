// Reading and writing a station's "DataSets.dat" and "DataLists.dat", and the
// station's loaded sets and lists kept together.
//
// Both files are text, one item per line:
//   DataSets.dat   per set: its name, one variable line each (data_variable.h), "."
//   DataLists.dat  per list: its name, one "set\tvariable\t" line per element, "."
// A name line shorter than 4 characters is skipped; a line shorter than 5 characters
// ends a set or list; a line that does not parse is dropped and the rest is still
// read. The files are hostile input: sizes are capped, lines longer than 255
// characters are dropped, and nothing in them can index outside the sets.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "reports/data_list.h"
#include "reports/data_set.h"

namespace sq {

// Largest list file read (bytes); a larger one is treated as unreadable.
inline constexpr std::size_t kMaxListFileSize = 1 << 20;

// Result of ReadDataSets when the defaults were built.
inline constexpr int kDefaultSetsBuilt = 2;

// Parses the text of a sets file into `sets` (replacing what it held). Returns the
// number of sets read. `*upgraded` (when given) is set when a set ending with one of
// the older last variables had the newer catalogue variables appended.
int ParseDataSets(std::string_view text, DataSets* sets, bool* upgraded = nullptr);
// The file's text.
[[nodiscard]] std::string FormatDataSets(const DataSets& sets);

// Reads the sets file `path`: the number of sets, or kDefaultSetsBuilt when the file
// cannot be read, holds no set, or `path` ends in "$$DefaultSets$$" (the defaults are
// built then). After an upgrade the "DataLists.dat" beside it is deleted, so that the
// lists are rebuilt from the defaults.
int ReadDataSets(const std::string& path, DataSets* sets);
// Writes the sets file atomically: 0, or -1 when it cannot be written.
[[nodiscard]] int WriteDataSets(const std::string& path, const DataSets& sets);

// Parses a lists file's text over `sets` into `lists` (replacing what it held); every
// element read is inactive. Returns the number of lists.
int ParseDataLists(std::string_view text, const DataSets* sets, DataLists* lists);
[[nodiscard]] std::string FormatDataLists(const DataLists& lists);

// Reads the lists file: the number of lists; 0 when `sets` is null or empty; -1 when
// the file cannot be read or `path` ends in "$$DefaultLists$$" (the caller then builds
// the default lists).
int ReadDataLists(const std::string& path, const DataSets* sets, DataLists* lists);
// Writes the lists file atomically: the number of lists written; 0 (nothing written)
// with no lists or an empty path; -1 when the write fails.
[[nodiscard]] int WriteDataLists(const std::string& path, const DataLists& lists);

// A station's sets and the lists over them. Not movable: the lists point at the sets.
struct StationDataLists {
  DataSets sets;
  DataLists lists{&sets};
  StationDataLists() = default;
  StationDataLists(const StationDataLists&) = delete;
  StationDataLists& operator=(const StationDataLists&) = delete;
};

// folder + name with one '/' between them.
[[nodiscard]] std::string ListFilePath(const std::string& folder, std::string_view name);

// Loads a station folder's sets and lists; missing or empty files give the defaults
// (the lists built for `sensors`).
[[nodiscard]] std::unique_ptr<StationDataLists> LoadStationDataLists(const std::string& folder,
                                                                     const ListSensors& sensors);
// Writes both files into the folder: 0, or -1 when a write fails.
[[nodiscard]] int SaveStationDataLists(const std::string& folder, const StationDataLists& data);
// Replaces the station's sets and lists with the defaults.
void ResetStationDataLists(StationDataLists* data, const ListSensors& sensors);

}  // namespace sq
