// stratoquill doctor [FOLDER]: tells what keeps the installation or one station from
// downloading, and how to fix each thing. Exit status 0 only when all is well.
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/dirs.h"
#include "app/program_config.h"
#include "app/station.h"
#include "ui/cli.h"
#include "ui/commands.h"
#include "ui/doctor.h"

namespace sq::ui {
namespace {

void DoctorUsage(std::FILE* out) {
  std::fprintf(out,
               "Usage: stratoquill doctor [FOLDER]\n"
               "\n"
               "Checks the program folder, progdata.dat and the port map (ports.lst), then each\n"
               "station (only the one in FOLDER when given): its configuration, its database,\n"
               "its serial device and the permission to use it, the console link and the\n"
               "console's clock against the computer's. Prints each problem with its fix and\n"
               "changes nothing. Exit status 0 when all is well, 1 when it found a problem.\n");
}

}  // namespace

int RunDoctor(const Args& args) {
  DoctorOptions options;
  options.program_folder = ProgramFolder();
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (IsHelp(args[i])) {
      DoctorUsage(stdout);
      return kExitOk;
    }
    if (args[i].starts_with("-") || !options.station_folder.empty()) {
      std::fprintf(stderr, "stratoquill doctor: unexpected argument '%s'\n", args[i].c_str());
      DoctorUsage(stderr);
      return kExitUsage;
    }
    options.station_folder = args[i];
  }
  // A program folder given instead of a station: all of its stations.
  std::error_code ec;
  const auto& folder = options.station_folder;
  if (!folder.empty() && !std::filesystem::exists(Station::ConfigPath(folder), ec) &&
      std::filesystem::exists(std::filesystem::path(folder) / kProgConfigName, ec)) {
    options.program_folder = std::filesystem::absolute(folder, ec).string();
    options.station_folder.clear();
  }
  options.print = [](const std::string& line) { std::printf("%s\n", line.c_str()); };
  return RunDoctorChecks(options).empty() ? kExitOk : kExitFailed;
}

}  // namespace sq::ui
