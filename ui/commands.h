// Sub-commands of the stratoquill executable. Each one reads its own arguments
// (args[0] is the sub-command's name) and returns the process exit status.
#pragma once

#include <string>
#include <vector>

namespace sq {
class SerialPortManager;
class Station;
}  // namespace sq

namespace sq::ui {

using Args = std::vector<std::string>;

struct Command {
  const char* name;
  const char* summary;
  int (*run)(const Args& args);
};

// The table of sub-commands, in the order `--help` lists them.
const std::vector<Command>& Commands();

int RunSunrise(const Args& args);       // cmd_sunrise.cc
int RunDb(const Args& args);            // cmd_db.cc
int RunInit(const Args& args);          // cmd_station.cc
int RunStation(const Args& args);       // cmd_station.cc
int RunUnits(const Args& args);         // cmd_station.cc
int RunAutoDownload(const Args& args);  // cmd_station.cc
int RunConsole(const Args& args);       // cmd_console.cc
int RunDiscover(const Args& args);      // cmd_console.cc
int RunDownload(const Args& args);      // cmd_download.cc
int RunRun(const Args& args);           // cmd_run.cc: the run loop
int RunNow(const Args& args);           // cmd_now.cc: current conditions
int RunForecast(const Args& args);      // cmd_forecast.cc
int RunClassic(const Args& args);       // cmd_run.cc: STATION -d and the other switches

int RunRecord(const Args& args);      // cmd_record.cc
int RunSummarize(const Args& args);   // cmd_summaries.cc
int RunDay(const Args& args);         // cmd_summaries.cc
int RunRain(const Args& args);        // cmd_summaries.cc
int RunDegreeDays(const Args& args);  // cmd_summaries.cc
int RunDaylight(const Args& args);    // cmd_summaries.cc
int RunBrowse(const Args& args);      // cmd_lists.cc
int RunExport(const Args& args);      // cmd_lists.cc
int RunExportAuto(const Args& args);  // cmd_lists.cc
int RunLists(const Args& args);       // cmd_lists.cc
int RunNoaa(const Args& args);        // cmd_noaa.cc
int RunModules(const Args& args);     // cmd_modules.cc
int RunNetwork(const Args& args);     // cmd_network.cc
int RunFuel(const Args& args);        // cmd_fuel.cc
int RunDoctor(const Args& args);      // cmd_doctor.cc
int RunInternet(const Args& args);    // cmd_internet.cc
int RunPage(const Args& args);        // cmd_page.cc
int RunUpload(const Args& args);      // cmd_upload.cc

// cmd_run.cc: an unattended download of `station` into its database (messages go to
// the log); the number of records stored goes to *records. kJobOk or a negative code.
int DownloadStationNow(Station& station, SerialPortManager& manager, int* records = nullptr);
int RunWu(const Args& args);      // cmd_wxnet.cc: Weather Underground
int RunAprs(const Args& args);    // cmd_wxnet.cc: CWOP / APRS
int RunImages(const Args& args);  // cmd_images.cc

}  // namespace sq::ui
