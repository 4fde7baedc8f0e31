// The console-settings commands of `stratoquill console FOLDER SUB ...`: they stand in
// for the console dialogs (time, archive interval, barometer, rain collector, wind
// cups, latitude and longitude, yearly rain, units, calibration, alarms, transmitters,
// clearing, settings password). Each opens the station in FOLDER, talks to its console
// over the station's connection and reports on stdout; errors go to ErrorMessage.
//
// Destructive actions ask first (on a terminal; `--yes` answers yes). A "no" sends
// nothing. Values are checked before the console is contacted.
//
// Exit status: 0 done, 1 refused or failed, 2 usage error.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace sq {

class Clock;
class LinkClock;

struct ConsoleCommandEnv {
  LinkClock* link_clock = nullptr;  // waits of the console link; null: the real clock
  Clock* wall_clock = nullptr;      // the computer's clock for settime; null: the real one
  std::FILE* out = stdout;          // reports
  std::FILE* in = nullptr;          // password lines; null: stdin
  // Asks a yes/no question; null: AskYesNo (a terminal prompt, "no" when unattended).
  std::function<bool(std::string_view text, std::string_view title)> ask;
};

// Lists the sub-commands handled here, one usage line each.
void PrintConsoleConfigUsage(std::FILE* out);

// True for the sub-commands handled here.
[[nodiscard]] bool IsConsoleConfigCommand(std::string_view sub);

// args: {"console", FOLDER, SUB, options...}. -1 when SUB is not one of these
// commands; else the exit status.
[[nodiscard]] int RunConsoleConfigCommand(const std::vector<std::string>& args, const ConsoleCommandEnv& env = {});

}  // namespace sq
