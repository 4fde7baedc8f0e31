// forecast RULE [--southern] [--short]: the text of a forecast rule number as the
// console reports it. forecast --local ...: the local forecast of the older consoles
// from readings typed in: its rule number, icon byte and text.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "realtime/forecast.h"
#include "ui/cli.h"
#include "ui/commands.h"

namespace sq::ui {
namespace {

int ForecastUsage(FILE* out) {
  std::fprintf(out,
               "Usage: stratoquill forecast RULE [--southern] [--short]\n"
               "       stratoquill forecast --local --pressure IN --change IN --temp F --dew F\n"
               "                   --rain IN --wind MPH --column N --month M --hour H\n"
               "                   [--southern] [--region N]\n"
               "\n"
               "Prints the forecast text of a rule number 0..193 as consoles report it\n"
               "(--short: the one-line text; --southern: south of the equator).\n"
               "\n"
               "With --local, works out the forecast the program makes for older consoles:\n"
               "  --pressure IN  barometer, inches of mercury\n"
               "  --change IN    its change over the last three hours (-9999: not known)\n"
               "  --temp F       outside temperature, F (-32768: none)\n"
               "  --dew F        dew point, F (-32768: none)\n"
               "  --rain IN      rain of the last hours, inches (default 0)\n"
               "  --wind MPH     wind speed (default 0)\n"
               "  --column N     wind direction: 16-point index halved, 0..7; 8 = none (default)\n"
               "  --month M      1..12        --hour H   0..23\n"
               "  --region N     forecast region: 1 hot and dry, 2 warm season (default 0)\n"
               "and prints the rule number, the icon byte and the text.\n");
  return out == stdout ? kExitOk : kExitUsage;
}

bool ParseNumber(const std::string& text, double* out) {
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !std::isfinite(v)) return false;
  *out = v;
  return true;
}

bool ParseInt(const std::string& text, long min, long max, long* out) {
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || v < min || v > max) return false;
  *out = v;
  return true;
}

std::string IconNames(int icons) {
  std::string s;
  const struct {
    int bit;
    const char* name;
  } names[] = {{kIconSun, "sun"},
               {kIconPartlyCloudy, "partly cloudy"},
               {kIconCloud, "cloud"},
               {kIconRain, "rain"},
               {kIconSnow, "snow"}};
  for (const auto& n : names) {
    if (!(icons & n.bit)) continue;
    if (!s.empty()) s += ", ";
    s += n.name;
  }
  return s.empty() ? "none" : s;
}

int Bad(const std::string& option, const char* what) {
  std::fprintf(stderr, "stratoquill forecast: %s takes %s\n", option.c_str(), what);
  return kExitUsage;
}

}  // namespace

int RunForecast(const Args& args) {
  bool southern = false, short_text = false, local = false;
  long rule = -1;
  double pressure = NAN, change = NAN, temp = -32768, dew = -32768, rain = 0, wind = 0;
  long column = 8, month = 0, hour = -1, region = 0;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool has_value = i + 1 < args.size();
    auto number = [&](double* out) { return has_value && ParseNumber(args[++i], out); };
    auto integer = [&](long min, long max, long* out) { return has_value && ParseInt(args[++i], min, max, out); };
    if (IsHelp(a)) return ForecastUsage(stdout);
    if (a == "--southern") {
      southern = true;
    } else if (a == "--short") {
      short_text = true;
    } else if (a == "--local") {
      local = true;
    } else if (a == "--pressure") {
      if (!number(&pressure)) return Bad(a, "inches of mercury, e.g. 29.92");
    } else if (a == "--change") {
      if (!number(&change)) return Bad(a, "inches of mercury, e.g. -0.05");
    } else if (a == "--temp") {
      if (!number(&temp)) return Bad(a, "degrees F");
    } else if (a == "--dew") {
      if (!number(&dew)) return Bad(a, "degrees F");
    } else if (a == "--rain") {
      if (!number(&rain) || rain < 0) return Bad(a, "inches, 0 or more");
    } else if (a == "--wind") {
      if (!number(&wind) || wind < 0) return Bad(a, "miles per hour, 0 or more");
    } else if (a == "--column") {
      if (!integer(0, 8, &column)) return Bad(a, "0..8");
    } else if (a == "--month") {
      if (!integer(1, 12, &month)) return Bad(a, "1..12");
    } else if (a == "--hour") {
      if (!integer(0, 23, &hour)) return Bad(a, "0..23");
    } else if (a == "--region") {
      if (!integer(0, 255, &region)) return Bad(a, "a region code, 0..255");
    } else if (!a.starts_with("-") && rule < 0 && !local) {
      if (!ParseInt(a, 0, kForecastRuleCount - 1, &rule)) {
        std::fprintf(stderr, "stratoquill forecast: a rule number is 0..%d, not '%s'\n", kForecastRuleCount - 1,
                     a.c_str());
        return kExitUsage;
      }
    } else {
      std::fprintf(stderr, "stratoquill forecast: unexpected argument '%s'\n", a.c_str());
      return ForecastUsage(stderr);
    }
  }
  if (!local) {
    if (rule < 0) return ForecastUsage(stderr);
    const int r = static_cast<int>(rule);
    std::printf("%s\n", (short_text ? MakeShortForecastString(r) : MakeForecastString(r, southern)).c_str());
    return kExitOk;
  }
  if (rule >= 0 || short_text) {
    std::fprintf(stderr, "stratoquill forecast: --local takes readings, not a rule number or --short\n");
    return kExitUsage;
  }
  if (std::isnan(pressure) || std::isnan(change) || month == 0 || hour < 0) {
    std::fprintf(stderr, "stratoquill forecast: --local needs at least --pressure, --change, --month and --hour\n");
    return kExitUsage;
  }
  int out_rule = 0, icons = 0;
  const int made = BrisantForecast(static_cast<float>(pressure), static_cast<float>(change), static_cast<float>(temp),
                                   static_cast<float>(dew), static_cast<float>(rain), static_cast<float>(wind),
                                   static_cast<int>(column), static_cast<int>(month), static_cast<int>(hour), southern,
                                   static_cast<int>(region), &out_rule, &icons);
  std::printf("Rule: %d\nIcons: %d (%s)\nForecast:%s\n", out_rule, icons, IconNames(icons).c_str(),
              MakeForecastString(out_rule, southern).c_str());
  return made ? kExitOk : kExitFailed;
}

}  // namespace sq::ui
