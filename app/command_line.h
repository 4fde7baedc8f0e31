// The classic command line: a station folder followed by switches, as unattended jobs
// (cron, scripts) have always called the program, e.g. "stratoquill MYSTAT -d".
//
// Switches are found by substring anywhere in the command line, each in lower or upper
// case: "-o" open the station named on the command line, "-d" download its archive and
// exit, "-c" clear the console's archive and exit, "-p" plot titles without rotation,
// "-m" more detail in the upload logs, "Staging"/"staging" uploads go to the test
// server. Being substrings, they also match inside a folder name ("weather-data"
// contains "-d"); scripts rely on this search, so it is kept as it is.
//
// The station folder is the first word when it does not start with '-'. A folder that
// starts with '/' is a full path; any other is relative to the current folder.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "foundation/prog_config_data.h"

namespace sq {

struct CommandLineSwitches {
  bool open_station = false;  // -o
  bool download = false;      // -d
  bool clear = false;         // -c
  bool no_rotate = false;     // -p
  bool log_more = false;      // -m
  bool staging = false;       // Staging

  // -o, -d or -c: the station comes from the command line.
  [[nodiscard]] bool NamesStation() const { return open_station || download || clear; }
  bool operator==(const CommandLineSwitches&) const = default;
};

struct ClassicCommandLine {
  CommandLineSwitches switches;
  // The first word when it names a folder; empty when the line starts with a switch.
  std::string folder_word;
};

// The arguments joined with single blanks, as one command line.
[[nodiscard]] std::string JoinCommandLine(const std::vector<std::string>& args);

// The switches present anywhere in `line`.
[[nodiscard]] CommandLineSwitches FindSwitches(std::string_view line);

// Switches and folder word of an argument list (the program name not included). Each
// argument is one word: a quoted folder name with blanks stays whole.
[[nodiscard]] ClassicCommandLine ParseClassicCommandLine(const std::vector<std::string>& args);

// `word` as a folder: itself when it starts with '/', else under `current_folder`.
// Normalised, without a trailing '/'.
[[nodiscard]] std::string ResolveStationFolder(std::string_view word, const std::string& current_folder);

// The station to open when none is named: the last station opened when its
// "STATION.CFG" exists, else the only station in the program folder; empty otherwise.
[[nodiscard]] std::string DefaultStationFolder(const std::string& program_folder, const ProgConfigData& cfg);

}  // namespace sq
