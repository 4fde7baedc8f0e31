// `stratoquill console FOLDER SUB ...` for the console settings: settime, setperiod,
// setbar, rain-collector, cupsize, latlong, yearrain, units, calibration, alarms,
// transmitters, clear and password (link/console_config_commands.h).
#include "link/console_config_commands.h"
#include "ui/commands.h"

namespace sq::ui {

int RunConsoleConfig(const Args& args) { return RunConsoleConfigCommand(args); }

void ConsoleConfigUsage() { PrintConsoleConfigUsage(stdout); }

}  // namespace sq::ui
