// What every sub-command of the stratoquill executable shares: its exit status, a small
// parser for its command line, and opening a station with the program folder's display
// units. Messages go to stderr as "stratoquill CMD: ...".
#pragma once

#include <map>
#include <string>
#include <vector>

#include "ui/commands.h"

namespace sq {
class Station;
class WeatherDatabase;
}  // namespace sq

namespace sq::ui {

// Exit status of a sub-command.
inline constexpr int kExitOk = 0;      // done
inline constexpr int kExitFailed = 1;  // refused or failed; the reason was printed
inline constexpr int kExitUsage = 2;   // the command line is wrong (or asks for the usage without a command)

// "--help" or "-h".
[[nodiscard]] bool IsHelp(const std::string& arg);

// A parsed command line: positional arguments and options, "--name value" or flags.
struct ParsedArgs {
  std::vector<std::string> pos;
  std::map<std::string, std::string> opt;  // flags hold "1"
  bool help = false;                       // --help or -h anywhere
  std::string bad;                         // the last unknown option or one missing its value
};

// Parses args[1..]: `valued` options take the next argument, `flags` none; anything
// else starting with "--" is bad, and the rest are positional.
[[nodiscard]] ParsedArgs ParseArgs(const Args& args, const std::vector<std::string>& valued,
                                   const std::vector<std::string>& flags);

// Prints "stratoquill CMD: TEXT" on stderr; kExitFailed.
int Fail(const char* cmd, const std::string& text);

// Applies the program folder's saved display units when its progdata.dat holds a whole
// configuration of the current layout; otherwise the defaults stay. With `cmd`, a progdata.dat of the wrong
// size is reported ("stratoquill CMD: progdata.dat has the wrong size; ...").
void ApplyProgramUnits(const char* cmd = nullptr);

// How a command says that a folder holds no station it can read.
enum class NoStationMessage {
  kNoReadableConfig,  // "stratoquill CMD: FOLDER has no readable STATION.CFG"
  kCannotRead,        // "stratoquill CMD: cannot read the station in FOLDER"
  kCannotReadQuoted,  // "stratoquill CMD: cannot read the station in 'FOLDER'"
};

// Loads the station in `folder`; false after telling the user on stderr.
[[nodiscard]] bool LoadStation(const char* cmd, const std::string& folder, Station* station,
                               NoStationMessage message = NoStationMessage::kNoReadableConfig);

// Opens the station's database in `folder`. False after telling the user: "stratoquill
// CMD: FOLDER holds no month files" when it has none, the database's own error when no
// month file could be read. With `report_problems`, names each month file that was left
// out or is damaged (ReportMonthProblems).
[[nodiscard]] bool OpenStationDatabase(const char* cmd, WeatherDatabase& db, const std::string& folder,
                                       bool read_only = true, bool report_problems = true);

// "stratoquill CMD: damaged month file NAME: WHY" or "... left out NAME: WHY" for each
// month file the opened database could not use whole.
void ReportMonthProblems(const char* cmd, const WeatherDatabase& db);

}  // namespace sq::ui
