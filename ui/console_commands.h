// The sub-commands of `stratoquill console FOLDER SUB ...`: reading the console (info,
// find, porttest, loop) and the console settings, which stand in for the console dialogs
// (time, archive interval, barometer, rain collector, wind cups, latitude and longitude,
// yearly rain, units, calibration, alarms, transmitters, clearing, settings password).
// Each opens the station in FOLDER, talks to its console over the station's connection
// and reports on stdout; errors go to stderr.
//
// Destructive settings ask first (on a terminal; `--yes` answers yes). A "no" sends
// nothing. Values are checked before the console is contacted.
//
// Exit status: kExitOk, kExitFailed (refused or failed), kExitUsage (ui/cli.h).
#pragma once

#include <cstdio>
#include <functional>
#include <string_view>

#include "ui/commands.h"

namespace sq {
class Clock;
class LinkClock;
class SerialSession;
}  // namespace sq

namespace sq::ui {

// What a console command talks to; the defaults are the real ones.
struct ConsoleCommandEnv {
  LinkClock* link_clock = nullptr;  // waits of the console link; null: the real clock
  Clock* wall_clock = nullptr;      // the computer's clock for settime; null: the real one
  std::FILE* out = stdout;          // reports of the settings
  std::FILE* in = nullptr;          // password lines; null: stdin
  // Asks a yes/no question; null: AskYesNo (a terminal prompt, "no" when unattended).
  std::function<bool(std::string_view text, std::string_view title)> ask;
};

// One console sub-command. `run` gets the whole command line, {"console", FOLDER, SUB,
// options...}; a setting also {"console", SUB, "--help"}, which needs no folder.
struct ConsoleCommand {
  const char* name;
  // Its entry in `console --help`. A setting's is one line, also its usage line; the
  // others' may continue on further lines.
  const char* usage;
  int (*run)(const Args& args, const ConsoleCommandEnv& env);
  bool setting;  // listed under the console settings
};

// Every console sub-command, in the order `console --help` lists them.
[[nodiscard]] const std::vector<ConsoleCommand>& ConsoleCommands();

// The entry named `name`, or null.
[[nodiscard]] const ConsoleCommand* FindConsoleCommand(std::string_view name);

// Runs `stratoquill console ...` (args[0] is "console"); the exit status.
[[nodiscard]] int RunConsoleCommand(const Args& args, const ConsoleCommandEnv& env = {});

// "stratoquill console: WHAT failed: WHY" on stderr for an exchange with the console
// that failed; kExitFailed.
int ConsoleExchangeFailed(const char* what, const SerialSession& session);

// console FOLDER loop (cmd_loop.cc).
int RunConsoleLoop(const Args& args);

// The settings (cmd_console_config.cc).
int ConsoleSetTime(const Args& args, const ConsoleCommandEnv& env);
int ConsoleSetPeriod(const Args& args, const ConsoleCommandEnv& env);
int ConsoleSetBar(const Args& args, const ConsoleCommandEnv& env);
int ConsoleRainCollector(const Args& args, const ConsoleCommandEnv& env);
int ConsoleCupSize(const Args& args, const ConsoleCommandEnv& env);
int ConsoleLatLong(const Args& args, const ConsoleCommandEnv& env);
int ConsoleYearRain(const Args& args, const ConsoleCommandEnv& env);
int ConsoleUnits(const Args& args, const ConsoleCommandEnv& env);
int ConsoleCalibration(const Args& args, const ConsoleCommandEnv& env);
int ConsoleAlarms(const Args& args, const ConsoleCommandEnv& env);
int ConsoleTransmitters(const Args& args, const ConsoleCommandEnv& env);
int ConsoleClear(const Args& args, const ConsoleCommandEnv& env);
int ConsolePassword(const Args& args, const ConsoleCommandEnv& env);

}  // namespace sq::ui
