// The program's start-up and shut-down around the run loop: reading "progdata.dat",
// the regional settings and display units, choosing the station, the leap-day guard,
// the unattended jobs of the classic command line ("-d", "-c") and the saves at the
// end. Everything that talks to a console or to the person at the terminal comes in as
// a function object (ShellOps), so that this code needs neither the console link nor a
// terminal and runs in tests against a FakeClock.
//
// Files written: "progdata.dat" at shut-down, the current station's "STATION.CFG" at
// shut-down when this process changed it, and entries in "download.log". All of them
// are replaced whole (written beside and renamed), so a kill at any moment leaves the
// old or the new file.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "app/messages.h"
#include "app/station.h"
#include "app/station_folders.h"

namespace sq {

class Clock;

// Results of the download and clear operations.
inline constexpr int kJobOk = 0;
inline constexpr int kJobFailed = -1;
// The operation does not exist for this station (it has logged why); nothing changed.
inline constexpr int kJobNotSupported = -2;
// The station's database could not be opened (the download has logged why).
inline constexpr int kJobDbUnusable = -3;

// The jobs (download, clear) are told whether a person is there: the shell's and the
// scheduler's jobs run unattended, so they never ask and report to the download log.
struct ShellOps {
  // Downloads the station's archive into its database: kJobOk or a negative code.
  std::function<int(Station&, Attendance)> download;
  // Clears the console's archive (older console families): kJobOk or a negative code.
  std::function<int(Station&, Attendance)> clear;
  // A yes/no question; unset: AskYesNo with "no" as the unattended answer.
  std::function<bool(std::string_view text, std::string_view title)> ask;
  // Lets the person pick one of several stations; the folder, or empty for none.
  std::function<std::string(const std::vector<StationEntry>&)> choose_station;
  // Creates a new station in the program folder; its folder, or empty for none.
  std::function<std::string(const std::string& program_folder)> new_station;
};

class Shell {
 public:
  // `program_folder` holds "progdata.dat" and the station folders; relative folders on
  // the command line are taken from it. `clock` must outlive the shell.
  Shell(std::string program_folder, Clock& clock, ShellOps ops);

  // Runs the start-up sequence. Nothing: go on to the run loop. A value: the process
  // exits with that status (after ShutDown when Started()).
  [[nodiscard]] std::optional<int> Start(const ClassicCommandLine& command_line);
  // True once "progdata.dat" has been read, i.e. ShutDown has something to save.
  [[nodiscard]] bool Started() const { return started_; }

  // Saves what the program owns: "progdata.dat" (last automatic download hour -1, the
  // last station folder) and the current station when it changed. Settings another
  // command saved into "progdata.dat" meanwhile are kept. 0, or 1 when a save failed.
  [[nodiscard]] int ShutDown();

  // The current station, or nullptr when none is open.
  [[nodiscard]] Station* CurrentStation() { return station_ ? &*station_ : nullptr; }
  // Opens `folder` as the current station (saving the previous one when it changed).
  // 0, or -1 with `message` set.
  [[nodiscard]] int OpenCurrentStation(const std::string& folder, std::string* message);

  // Copies the automatic download hours, minute and switch from "progdata.dat" on disk,
  // so that a schedule edited by another command takes effect without a restart.
  void RefreshSchedule();

  // One entry in the program folder's "download.log", time-stamped by the shell's clock.
  int Log(std::string_view text, std::string_view title);

  [[nodiscard]] const std::string& program_folder() const { return program_folder_; }
  [[nodiscard]] Clock& clock() { return clock_; }
  [[nodiscard]] ShellOps& ops() { return ops_; }

 private:
  bool Ask(std::string_view text, std::string_view title);
  void ChooseStation();
  void OpenChosen(const std::string& folder);
  [[nodiscard]] bool LeapDayGuard();
  [[nodiscard]] int RunJobs(bool download, bool clear);

  std::string program_folder_;
  Clock& clock_;
  ShellOps ops_;
  bool started_ = false;
  std::optional<Station> station_;
  StationRecord saved_record_{};  // the station as last read or written
};

}  // namespace sq
