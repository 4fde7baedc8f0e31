// stratoquill: the command-line front end. The first argument selects a sub-command;
// global options (--home DIR, --help, --version) may come before it.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/dirs.h"
#include "publish/internet_config.h"
#include "reports/station_data_lists.h"
#include "stratoquill/version.h"
#include "ui/cli.h"
#include "ui/commands.h"

namespace sq::ui {

const std::vector<Command>& Commands() {
  static const std::vector<Command> table = {
      {"init", "create a program folder with a default configuration", RunInit},
      {"station", "create, list, show and configure stations", RunStation},
      {"units", "show or set the display units", RunUnits},
      {"autodownload", "edit the automatic download list and hours", RunAutoDownload},
      {"console", "talk to a station's console: info, find, porttest", RunConsole},
      {"discover", "find network data loggers on the local network", RunDiscover},
      {"download", "download the console's new archive records into the database", RunDownload},
      {"run", "keep running: scheduled downloads and automatic clears", RunRun},
      {"now", "show the current conditions live (or from run's snapshot)", RunNow},
      {"forecast", "the text of a forecast rule, or the local forecast of readings", RunForecast},
      {"db", "inspect and check a station's database", RunDb},
      {"record", "show every value of the archive record nearest a moment", RunRecord},
      {"sunrise", "write a sunrise and sunset table", RunSunrise},
      {"summarize", "recompute daily summaries and extra radiation", RunSummarize},
      {"day", "show a day's summary with the times of highs and lows", RunDay},
      {"rain", "show, rebuild or edit the rain history", RunRain},
      {"degreedays", "heating degree days over a range of dates", RunDegreeDays},
      {"daylight", "hours of sunshine above the station's threshold", RunDaylight},
      {"browse", "print the browser lines of a range of records or days", RunBrowse},
      {"export", "export a range of records or days as delimited text", RunExport},
      {"export-auto", "write the automatic export file download.txt", RunExportAuto},
      {"lists", "show and edit the station's data sets and data lists", RunLists},
      {"noaa", "monthly and annual climatological reports", RunNoaa},
      {"modules", "list, add, enable and run expansion modules", RunModules},
      {"network", "upload to the maker's weather network: endpoint, account, switches", RunNetwork},
      {"fuel", "fuel customers, tank estimates, K factors and the fuel report", RunFuel},
      {"doctor", "find what keeps a station from downloading, and how to fix it", RunDoctor},
      {"internet", "show and set the internet settings and upload profiles", RunInternet},
      {"page", "make a web page from a template and the current data", RunPage},
      {"upload", "publish the upload profiles' pages, reports and images now", RunUpload},
      {"wu", "send archive records to Weather Underground", RunWu},
      {"aprs", "send the current conditions to CWOP as an APRS weather report", RunAprs},
      {"images", "draw a profile's weather images: gauges, dials and history graphs", RunImages},
  };
  return table;
}

}  // namespace sq::ui

namespace {

void PrintHelp() {
  std::printf(
      "Usage: stratoquill [--home DIR] COMMAND [ARGS...]\n"
      "\n"
      "Weather station software: download a console's archive into a database of\n"
      "monthly files, browse, export and report on it, and configure the console.\n"
      "\n"
      "Global options:\n"
      "  --home DIR   program folder (default: $STRATOQUILL_HOME or the current folder)\n"
      "  --help       this text\n"
      "  --version    the program's version\n"
      "\n"
      "Commands:\n");
  for (const auto& c : sq::ui::Commands()) std::printf("  %-13s %s\n", c.name, c.summary);
  std::printf("\nRun 'stratoquill COMMAND --help' for a command's own options.\n");
  std::printf("Without a command: stratoquill [STATION] [-o] [-d] [-c] [-p] [-m] [Staging]\n");
}

bool ChangeToHome(const std::string& dir) {
  std::error_code ec;
  std::filesystem::current_path(dir, ec);
  if (ec) {
    std::fprintf(stderr, "stratoquill: cannot use program folder '%s': %s\n", dir.c_str(), ec.message().c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  sq::InstallDataListHooks();
  sq::InstallInetConfigHooks();
  int i = 1;
  std::string home;
  if (const char* env = std::getenv("STRATOQUILL_HOME"); env && *env) home = env;
  for (; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      PrintHelp();
      return sq::ui::kExitOk;
    }
    if (a == "--version") {
      std::printf("stratoquill %s\n", sq::kVersion);
      return sq::ui::kExitOk;
    }
    if (a == "--home") {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "stratoquill: --home needs a folder\n");
        return sq::ui::kExitUsage;
      }
      home = argv[++i];
      continue;
    }
    break;
  }
  {
    std::error_code ec;
    sq::SetUserFolder(std::filesystem::current_path(ec).string());  // paths typed by the user start here
  }
  if (!home.empty() && !ChangeToHome(home)) return sq::ui::kExitUsage;
  if (i >= argc) {
    PrintHelp();
    return sq::ui::kExitUsage;
  }
  for (const auto& c : sq::ui::Commands()) {
    if (std::strcmp(argv[i], c.name) == 0) {
      sq::ui::Args args(argv + i, argv + argc);
      return c.run(args);
    }
  }
  // Not a command: the classic command line (a station folder and switches).
  return sq::ui::RunClassic(sq::ui::Args(argv + i, argv + argc));
}
