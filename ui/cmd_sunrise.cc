// stratoquill sunrise: writes a sunrise, sunset and twilight table for a place to
// "sunrise.txt" in the current folder and prints it.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/dirs.h"
#include "foundation/date_time.h"
#include "foundation/sun_moon.h"
#include "foundation/weather_strings.h"
#include "resources/string_table.h"
#include "ui/cli.h"
#include "ui/commands.h"

namespace sq::ui {
namespace {

constexpr int kFirstYear = 1900;  // the solar series is meant for about two centuries
constexpr int kLastYear = 2100;

void PrintUsage(std::FILE* out) {
  std::fprintf(out,
               "Usage: stratoquill sunrise --lat DEG --lon DEG --tz HOURS [--dst auto|on|off]\n"
               "                           [--southern] --date YYYY-MM-DD [--month | --year]\n"
               "\n"
               "Writes the times of twilight, sunrise and sunset and the length of the day\n"
               "to sunrise.txt in the current folder and prints the table.\n"
               "\n"
               "  --lat DEG        latitude in decimal degrees, north positive (-90..90)\n"
               "  --lon DEG        longitude in decimal degrees, east positive (-180..180)\n"
               "  --tz HOURS       time-zone offset from UTC in hours, west negative (-12..12)\n"
               "  --dst MODE       auto: daylight-saving rules for the zone (default);\n"
               "                   on: zone offset plus one hour; off: zone offset only\n"
               "  --southern       southern-hemisphere daylight-saving season (with auto)\n"
               "  --date DATE      the day, or a day of the month or year of the table\n"
               "  --month          every day of the date's month\n"
               "  --year           every day of the date's year\n");
}

// Prints a string-table message with one text argument.
void Message(std::uint32_t id, const std::string& arg) {
  const std::string format(LoadString(id));
  std::fprintf(stderr, "stratoquill sunrise: ");
  std::fprintf(stderr, format.c_str(), arg.c_str());
  std::fprintf(stderr, "\n");
}

// A whole-text decimal number, finite.
bool ParseNumber(const std::string& text, double& out) {
  if (text.empty() || text.size() > 32) return false;
  errno = 0;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(v)) return false;
  out = v;
  return true;
}

// YYYY-MM-DD within the supported years.
// "YYYY-MM-DD" within the years of the table.
bool ParseSunriseDate(const std::string& text, DateTime& out) {
  CalendarDate d;
  if (!ParseIsoDate(text, &d) || d.year < kFirstYear || d.year > kLastYear) return false;
  out = DateTime(d.month, d.day, d.year);
  return true;
}

}  // namespace

int RunSunrise(const Args& args) {
  std::string lat_text, lon_text, tz_text, dst = "auto", date_text;
  bool southern = false;
  int kind = SunriseSunset::kOneDay;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) {
        std::fprintf(stderr, "stratoquill sunrise: %s needs a value\n", a.c_str());
        return false;
      }
      out = args[++i];
      return true;
    };
    if (IsHelp(a)) {
      PrintUsage(stdout);
      return kExitOk;
    } else if (a == "--lat") {
      if (!value(lat_text)) return kExitUsage;
    } else if (a == "--lon") {
      if (!value(lon_text)) return kExitUsage;
    } else if (a == "--tz") {
      if (!value(tz_text)) return kExitUsage;
    } else if (a == "--dst") {
      if (!value(dst)) return kExitUsage;
    } else if (a == "--date") {
      if (!value(date_text)) return kExitUsage;
    } else if (a == "--southern") {
      southern = true;
    } else if (a == "--month" || a == "--year") {
      const int k = a == "--month" ? SunriseSunset::kOneMonth : SunriseSunset::kOneYear;
      if (kind != SunriseSunset::kOneDay && kind != k) {
        std::fprintf(stderr, "stratoquill sunrise: give either --month or --year\n");
        return kExitUsage;
      }
      kind = k;
    } else {
      std::fprintf(stderr, "stratoquill sunrise: unknown argument '%s'\n", a.c_str());
      PrintUsage(stderr);
      return kExitUsage;
    }
  }

  double lat = 0, lon = 0, tz = 0;
  if (!ParseNumber(lat_text, lat)) {
    Message(kStrLatitudeUnknown, lat_text);
    return kExitUsage;
  }
  if (lat < -90 || lat > 90) {
    Message(kStrLatitudeRange, lat_text);
    return kExitUsage;
  }
  if (!ParseNumber(lon_text, lon)) {
    Message(kStrLongitudeUnknown, lon_text);
    return kExitUsage;
  }
  if (lon < -180 || lon > 180) {
    Message(kStrLongitudeRange, lon_text);
    return kExitUsage;
  }
  if (tz_text.empty()) {
    std::fprintf(stderr, "stratoquill sunrise: %s\n", std::string(LoadString(kStrSelectTimeZone)).c_str());
    return kExitUsage;
  }
  if (!ParseNumber(tz_text, tz)) {
    Message(kStrTimeZoneUnknown, tz_text);
    return kExitUsage;
  }
  if (tz < -12 || tz > 12) {
    Message(kStrTimeZoneRange, tz_text);
    return kExitUsage;
  }
  if (dst != "auto" && dst != "on" && dst != "off") {
    std::fprintf(stderr, "stratoquill sunrise: --dst takes auto, on or off, not '%s'\n", dst.c_str());
    return kExitUsage;
  }
  DateTime date;
  if (!ParseSunriseDate(date_text, date)) {
    std::fprintf(stderr, "stratoquill sunrise: date '%s' not recognized: give YYYY-MM-DD, years %d to %d\n",
                 date_text.c_str(), kFirstYear, kLastYear);
    return kExitUsage;
  }

  SunriseSunset table;
  table.kind = kind;
  table.packedDate = date.GetPackedDate();
  table.latitude = lat;
  table.longitude = lon;
  table.zoneHours = static_cast<float>(tz);
  table.southern = southern;
  table.fixedOffset = dst != "auto";
  table.daylightSaving = dst == "on";
  table.latitudeText = lat_text;
  table.longitudeText = lon_text;
  table.zoneText = tz_text;
  table.outputPath = UserPath(table.outputPath);  // the folder the user is in, not the program folder
  std::string error;
  const int rc = table.Calculate(&error);
  std::fputs(table.Text().c_str(), stdout);
  if (rc != 0) {
    std::fprintf(stderr, "stratoquill sunrise: cannot write %s: %s\n", table.outputPath.c_str(), error.c_str());
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace sq::ui
