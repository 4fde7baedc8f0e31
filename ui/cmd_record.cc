// stratoquill record: every catalogue variable of the archive record nearest a moment.
//   record STATION_FOLDER YYYY-MM-DD HH:MM [--native]
// Values are printed in the program folder's display units (defaults without a
// progdata.dat), or with --native in the units the record stores them in. Only reads.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/station.h"
#include "database/variable_catalogue.h"
#include "database/weather_data_object.h"
#include "database/weather_database.h"
#include "foundation/date_time.h"
#include "foundation/display_units.h"
#include "foundation/file_util.h"
#include "foundation/prog_config_data.h"
#include "foundation/regional_settings.h"
#include "foundation/site.h"
#include "ui/cli.h"
#include "ui/commands.h"

namespace sq::ui {
namespace {

void PrintUsage(std::FILE* out) {
  std::fprintf(out,
               "Usage: stratoquill record STATION_FOLDER YYYY-MM-DD HH:MM [--native]\n"
               "\n"
               "Prints every variable of the archive record nearest the given date and\n"
               "time (24-hour clock; 24:00 is the end of the day), as value text with its\n"
               "unit, in the display units of the program folder's progdata.dat (the\n"
               "defaults when there is none).\n"
               "\n"
               "  --native   values in the record's own units (°F, inch, mph, mile, inHg)\n"
               "\n"
               "Only reads the station folder.\n");
}

// Whole decimal number made of exactly `digits` digits.
bool ParseDigits(const std::string& s, std::size_t pos, std::size_t digits, int* out) {
  if (pos + digits > s.size()) return false;
  int v = 0;
  for (std::size_t i = pos; i < pos + digits; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + (s[i] - '0');
  }
  *out = v;
  return true;
}

bool ParseWhen(const std::string& date, const std::string& time, DateTime* out) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0;
  if (date.size() != 10 || date[4] != '-' || date[7] != '-' || !ParseDigits(date, 0, 4, &y) ||
      !ParseDigits(date, 5, 2, &mo) || !ParseDigits(date, 8, 2, &d))
    return false;
  if (time.size() != 5 || time[2] != ':' || !ParseDigits(time, 0, 2, &h) || !ParseDigits(time, 3, 2, &mi)) return false;
  DateTime when(mo, d, y);
  if (mo < 1 || mo > 12 || d < 1 || d > when.DaysInMonth() || y < 1) return false;
  if (mi > 59 || h > 24 || (h == 24 && mi != 0)) return false;
  when.packed_time = static_cast<std::int16_t>(h * 60 + mi);
  when.hour = static_cast<std::int16_t>(h);
  when.minute = static_cast<std::int16_t>(mi);
  *out = when;
  return true;
}

// Every unit setting at the record's own unit.
void ApplyNativeUnits() {
  DisplayUnits::SetTempUnit(DisplayUnits::kFahrenheit);
  DisplayUnits::SetBarUnit(DisplayUnits::kBarInches);
  DisplayUnits::SetWindSpeedUnit(DisplayUnits::kMph);
  DisplayUnits::SetRainUnit(DisplayUnits::kRainInches);
  DisplayUnits::SetDensityUnit(DisplayUnits::kPoundsPerCubicFoot);
  DisplayUnits::SetHumPrecision(1);
}

}  // namespace

int RunRecord(const Args& args) {
  bool native = false;
  std::vector<std::string> pos;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (IsHelp(a)) {
      PrintUsage(stdout);
      return kExitOk;
    }
    if (a == "--native") {
      native = true;
    } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
      std::fprintf(stderr, "stratoquill record: unknown option %s\n", a.c_str());
      PrintUsage(stderr);
      return kExitUsage;
    } else {
      pos.push_back(a);
    }
  }
  if (pos.size() != 3) {
    PrintUsage(stderr);
    return kExitUsage;
  }
  DateTime when;
  if (!ParseWhen(pos[1], pos[2], &when)) {
    std::fprintf(stderr, "stratoquill record: give the date as YYYY-MM-DD and the time as HH:MM (got %s %s)\n",
                 pos[1].c_str(), pos[2].c_str());
    return kExitUsage;
  }
  const std::string& folder = pos[0];

  LoadRegionalSettings();
  if (native)
    ApplyNativeUnits();
  else
    ApplyProgramUnits("record");

  WeatherDatabase db;
  if (!OpenStationDatabase("record", db, folder, true, false)) return kExitFailed;
  const std::int32_t n = db.GetClosestArchive(when);
  RecordBytes bytes{};
  DateTime date;
  if (n < 0 || db.GetArchiveRecord(&bytes, n) != kDbOk || db.GetDateLastRead(&date) != 1) {
    const std::string why = db.last_error().empty() ? "no archive record" : db.last_error();
    std::fprintf(stderr, "stratoquill record: %s\n", why.c_str());
    return kExitFailed;
  }
  WeatherDataObject rec;
  if (!rec.SetRecordBytes(bytes)) {
    std::fprintf(stderr, "stratoquill record: unreadable record\n");
    return kExitFailed;
  }
  rec.date = date;
  // The UV dose factor is a station setting; a folder without a station file uses 1.
  Station station;
  if (station.Load(folder) == kStationOk) rec.SetSite(station.GetSiteDescription());

  std::printf("Record:  %s %s (archive record %d)\n", date.GetDateStr().c_str(), rec.GetTimeStr().c_str(),
              static_cast<int>(n));
  for (const CatalogueVariable& v : FullCatalogue()) {
    char value[kValueTextSize];
    char unit[DisplayUnits::kUnitStrSize];
    rec.GetWeatherDataStr(v.id, std::span<char>(value));
    const bool missing = DisplayUnits::IsMissing(rec.GetWeatherData(v.id, native));
    DisplayUnits::GetUnitStr(v.id.value, unit, static_cast<int>(sizeof unit));
    std::printf("  %-36s %10s%s%s\n", v.name.c_str(), value, missing || !*unit ? "" : " ", missing ? "" : unit);
  }
  return kExitOk;
}

}  // namespace sq::ui
