#include "reports/noaa_report.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>

#include "foundation/date_time.h"
#include "foundation/display_units.h"
#include "foundation/file_util.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace sq {
namespace {

constexpr std::uint32_t kCouldNotOpen = 37801;   // "Could not open noaa.txt"
constexpr std::uint32_t kFirstFileName = 37820;  // NOAAMO, NOAAPRMO, NOAAYR, NOAAPRYR

constexpr const char* kTitlePad = "                   ";  // 19 blanks before each title
constexpr const char* kNone = "---";

[[gnu::format(printf, 2, 3)]] void Add(std::string& out, const char* format, ...) {
  char buf[512];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  if (n < 0) return;
  if (static_cast<std::size_t>(n) < sizeof buf) {
    out.append(buf, static_cast<std::size_t>(n));
    return;
  }
  // Long texts (a station name or a city typed at full length) get a buffer that fits.
  std::string big(static_cast<std::size_t>(n) + 1, '\0');
  va_start(args, format);
  std::vsnprintf(big.data(), big.size(), format, args);
  va_end(args);
  out.append(big.data(), static_cast<std::size_t>(n));
}

void Rule(std::string& out, int length) { out.append(static_cast<std::size_t>(length), '-').push_back('\n'); }

// A value in `width` columns with `decimals` decimals, or "---" in the same width.
void Value(std::string& out, int width, int decimals, double v, bool present) {
  if (present)
    Add(out, "%*.*f", width, decimals, v);
  else
    Add(out, "%*s", width, kNone);
}

bool Present(float v) { return !DisplayUnits::IsMissing(v); }
bool Millimetres() { return DisplayUnits::rainUnit == DisplayUnits::kRainMillimetres; }
int RainDecimals() { return Millimetres() ? 1 : 2; }

std::string MonthCaps(int month) {
  std::string s(LoadString(string_id::kFirstMonthName + static_cast<std::uint32_t>(month - 1)));
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string Compass(int sector) {
  if (sector < 0) return kNone;
  char buf[16];
  return DisplayUnits::DomDirStr(sector, buf);
}

std::string ElevationText(const NoaaSettings& s) {
  char buf[64];
  const int v = static_cast<int>(DisplayUnits::ConvertElevation(static_cast<std::int16_t>(s.elevation_ft), false));
  std::snprintf(buf, sizeof buf, "%5d %s", v, DisplayUnits::elevUnitStr);
  return buf;
}

float UserTemp(float fahrenheit) { return DisplayUnits::ConvertTemp(fahrenheit); }

// ---- Monthly report ----

void DayLine(std::string& out, int d, const NoaaDay& nd) {
  if (!nd.has_data) {
    Add(out, "%2d\n", d);
    return;
  }
  Add(out, "%2d", d);
  Value(out, 6, 1, nd.mean, nd.mean != NoaaDay::kNone);
  if (nd.high != NoaaDay::kNone)
    Add(out, "%6.1f%8s", nd.high, nd.high_time.c_str());
  else
    Add(out, "%6s%8s", kNone, kNone);
  if (nd.low != NoaaDay::kNone)
    Add(out, "%6.1f%8s", nd.low, nd.low_time.c_str());
  else
    Add(out, "%6s%8s", kNone, kNone);
  Add(out, "%6.1f%6.1f", nd.heat_dd, nd.cool_dd);
  Value(out, 6, RainDecimals(), nd.rain, Present(nd.rain));
  Value(out, 6, 1, nd.avg_speed, Present(nd.avg_speed));
  if (!Present(nd.high_speed))
    Add(out, "%6s%8s", kNone, kNone);
  else if (nd.high_speed > 0.0f)
    Add(out, "%6.1f%8s", nd.high_speed, nd.high_speed_time.c_str());
  else
    Add(out, "%6.1f%8s", nd.high_speed, kNone);
  Add(out, "%6s\n", Present(nd.high_speed) && nd.high_speed > 0.0f ? Compass(nd.dom_dir).c_str() : kNone);
}

void MonthLine(std::string& out, const NoaaMonth& m) {
  if (m.temp_days > 0)
    Add(out, "  %6.1f", m.MeanOfMeans());
  else
    Add(out, "  %6s", kNone);
  if (m.HasHighest())
    Add(out, "%6.1f%6d  ", m.highest_high, m.highest_high_day);
  else
    Add(out, "%6s%8s  ", kNone, kNone);
  if (m.HasLowest())
    Add(out, "%6.1f%6d  ", m.lowest_low, m.lowest_low_day);
  else
    Add(out, "%6s%8s  ", kNone, kNone);
  Add(out, "%6.1f%6.1f", m.heat_total, m.cool_total);
  Value(out, 6, RainDecimals(), m.rain_total, true);
  Value(out, 6, 1, m.AvgSpeed(), m.speed_days > 0);
  if (!Present(m.highest_speed))
    Add(out, "%6s%8s", kNone, kNone);
  else if (m.highest_speed > 0.0f)
    Add(out, "%6.1f%6d  ", m.highest_speed, m.highest_speed_day);
  else
    Add(out, "%6.1f%8s", m.highest_speed, kNone);
  Add(out, "%6s\n\n", Compass(m.DominantDirection()).c_str());
}

// ---- Annual report ----

// Year totals over the months with data.
struct YearTotals {
  double mean_sum = 0, high_sum = 0, low_sum = 0;
  int temp_days = 0, high_days = 0, low_days = 0;
  double departure_sum = 0;
  int months = 0;
  double heat = 0, cool = 0;
  float highest = NoaaMonth::kNone;
  int highest_month = 0;
  float lowest = 32767.0f;
  int lowest_month = 0;
  int counts[4] = {};
  double rain = 0, rain_departure = 0;
  float max_rain = 0.0f;
  int max_rain_month = 0;
  int rain_days[3] = {};
  double speed_sum = 0;
  int speed_days = 0;
  float highest_speed = NoaaMonth::kNone;
  int highest_speed_month = 0;
  std::int64_t bins[16] = {};

  void Add(const NoaaMonth& m) {
    if (!m.HasData()) return;
    if (months == 0) max_rain_month = m.month;
    ++months;
    mean_sum += m.mean_sum;
    high_sum += m.high_sum;
    low_sum += m.low_sum;
    temp_days += m.temp_days;
    high_days += m.high_days;
    low_days += m.low_days;
    departure_sum += m.temp_departure;
    heat += m.heat_total;
    cool += m.cool_total;
    if (m.HasHighest() && m.highest_high > highest) {
      highest = m.highest_high;
      highest_month = m.month;
    }
    if (m.HasLowest() && m.lowest_low < lowest) {
      lowest = m.lowest_low;
      lowest_month = m.month;
    }
    counts[0] += m.max_ge_hot;
    counts[1] += m.max_le_cold;
    counts[2] += m.min_le_cold;
    counts[3] += m.min_le_zero;
    rain += m.rain_total;
    rain_departure += m.rain_departure;
    if (m.max_rain > max_rain) {
      max_rain = m.max_rain;
      max_rain_month = m.month;
    }
    for (int i = 0; i < 3; ++i) rain_days[i] += m.rain_days[static_cast<std::size_t>(i)];
    speed_sum += m.speed_sum;
    speed_days += m.speed_days;
    if (Present(m.highest_speed) && m.highest_speed > highest_speed) {
      highest_speed = m.highest_speed;
      highest_speed_month = m.month;
    }
    for (int i = 0; i < 16; ++i) bins[i] += m.dir_bins[static_cast<std::size_t>(i)];
  }
  [[nodiscard]] int Dominant() const {
    int best = -1;
    std::int64_t most = 0;
    for (int i = 0; i < 16; ++i) {
      if (bins[i] > most) {
        best = i;
        most = bins[i];
      }
    }
    return best;
  }
};

std::string MonthNameOr(int month) { return month > 0 ? MonthCaps(month) : kNone; }

void TemperatureTable(std::string& out, const NoaaSummary& s, int year, const YearTotals& y) {
  const NoaaSettings& set = s.Settings();
  const NoaaThresholds th = NoaaThresholds::Current();
  Add(out, "%sTEMPERATURE (%s), HEAT BASE %.1f, COOL BASE %.1f\n", kTitlePad, DisplayUnits::tempUnitStr,
      UserTemp(set.heat_base_f), UserTemp(set.cool_base_f));
  out += "                          DEP.  HEAT  COOL                                          \n";
  out += "        MEAN  MEAN        FROM  DEG   DEG                        MAX  MAX  MIN  MIN \n";
  Add(out, " YR MO  MAX   MIN   MEAN  NORM  DAYS  DAYS  HI  DATE  LOW  DATE  >=%-2d <=%-2d <=%-2d <=%d \n",
      static_cast<int>(th.hot), static_cast<int>(th.cold), static_cast<int>(th.cold), static_cast<int>(th.zero));
  Rule(out, 84);
  for (int mo = 1; mo <= 12; ++mo) {
    const NoaaMonth& m = s.Month(mo);
    Add(out, " %02d%3d", year % 100, mo);
    if (!m.HasData()) {
      out += '\n';
      continue;
    }
    Value(out, 6, 1, m.MeanHigh(), m.high_days > 0);
    Value(out, 6, 1, m.MeanLow(), m.low_days > 0);
    Value(out, 6, 1, m.MeanOfMeans(), m.temp_days > 0);
    Add(out, "%6.1f%6.0f%6.0f", m.temp_departure, m.heat_total, m.cool_total);
    if (m.HasHighest())
      Add(out, "%6.1f%4d", m.highest_high, m.highest_high_day);
    else
      Add(out, "%6s%4s", kNone, kNone);
    if (m.HasLowest())
      Add(out, "%6.1f%5d", m.lowest_low, m.lowest_low_day);
    else
      Add(out, "%6s%5s", kNone, kNone);
    Add(out, "%5d%5d%5d%5d\n", m.max_ge_hot, m.max_le_cold, m.min_le_cold, m.min_le_zero);
  }
  Rule(out, 84);
  out += "      ";
  Value(out, 6, 1, y.high_days > 0 ? y.high_sum / y.high_days : 0.0, y.high_days > 0);
  Value(out, 6, 1, y.low_days > 0 ? y.low_sum / y.low_days : 0.0, y.low_days > 0);
  Value(out, 6, 1, y.temp_days > 0 ? y.mean_sum / y.temp_days : 0.0, y.temp_days > 0);
  Add(out, "%6.1f%6.0f%6.0f", y.months > 0 ? y.departure_sum / y.months : 0.0, y.heat, y.cool);
  if (y.highest_month > 0)
    Add(out, "%6.1f%4s", y.highest, MonthCaps(y.highest_month).c_str());
  else
    Add(out, "%6s%4s", kNone, kNone);
  if (y.lowest_month > 0)
    Add(out, "%6.1f%5s", y.lowest, MonthCaps(y.lowest_month).c_str());
  else
    Add(out, "%6s%5s", kNone, kNone);
  Add(out, "%5d%5d%5d%5d\n", y.counts[0], y.counts[1], y.counts[2], y.counts[3]);
}

void RainTable(std::string& out, const NoaaSummary& s, int year, const YearTotals& y) {
  const bool mm = Millimetres();
  Add(out, "\n%sPRECIPITATION (%s)\n\n", kTitlePad, DisplayUnits::rainUnitStr);
  out += "               DEP.   MAX        DAYS OF RAIN \n";
  out += "               FROM   OBS.          OVER\n";
  out += mm ? " YR MO  TOTAL  NORM   DAY  DATE  .2   2   20\n" : " YR MO  TOTAL  NORM   DAY  DATE .01   .1   1\n";
  Rule(out, 45);
  for (int mo = 1; mo <= 12; ++mo) {
    const NoaaMonth& m = s.Month(mo);
    Add(out, " %02d%3d", year % 100, mo);
    if (!m.HasData()) {
      out += '\n';
      continue;
    }
    if (mm)
      Add(out, "%6.1f%7.1f%6.1f", m.rain_total, m.rain_departure, m.max_rain);
    else
      Add(out, "%6.2f%7.2f%6.2f", m.rain_total, m.rain_departure, m.max_rain);
    Add(out, "%5d%5d%5d%5d\n", m.max_rain_day, m.rain_days[0], m.rain_days[1], m.rain_days[2]);
  }
  Rule(out, 45);
  if (mm)
    Add(out, "      %6.1f%6.1f%6.1f", y.rain, y.rain_departure, y.max_rain);
  else
    Add(out, "      %6.2f%6.2f%6.2f", y.rain, y.rain_departure, y.max_rain);
  Add(out, "%5s%5d%5d%5d\n", MonthNameOr(y.max_rain_month).c_str(), y.rain_days[0], y.rain_days[1], y.rain_days[2]);
}

void WindTable(std::string& out, const NoaaSummary& s, int year, const YearTotals& y) {
  Add(out, "\n%sWIND SPEED (%s)\n", kTitlePad, DisplayUnits::windSpeedUnitStr);
  out += "                          DOM\n";
  out += " YR MO   AVG.  HI   DATE  DIR\n";
  Rule(out, 33);
  for (int mo = 1; mo <= 12; ++mo) {
    const NoaaMonth& m = s.Month(mo);
    Add(out, " %02d%3d", year % 100, mo);
    if (!m.HasData()) {
      out += '\n';
      continue;
    }
    Value(out, 6, 1, m.AvgSpeed(), m.speed_days > 0);
    if (Present(m.highest_speed))
      Add(out, "%6.1f%5d", m.highest_speed, m.highest_speed_day);
    else
      Add(out, "%6s%5s", kNone, kNone);
    Add(out, "%6s\n", Compass(m.DominantDirection()).c_str());
  }
  Rule(out, 33);
  out += "      ";
  Value(out, 6, 1, y.speed_days > 0 ? y.speed_sum / y.speed_days : 0.0, y.speed_days > 0);
  Value(out, 6, 1, y.highest_speed, y.highest_speed_month > 0);
  Add(out, "%5s%5s\n", MonthNameOr(y.highest_speed_month).c_str(), Compass(y.Dominant()).c_str());
}

}  // namespace

std::string FormatMonthlyReport(const NoaaSummary& summary, int year, int month) {
  const NoaaSettings& set = summary.Settings();
  const NoaaMonth& m = summary.Month(month);
  const NoaaThresholds th = NoaaThresholds::Current();
  const bool mm = Millimetres();
  std::string out;
  out.reserve(4096);
  Add(out, "%sMONTHLY CLIMATOLOGICAL SUMMARY for %s. %d\n\n", kTitlePad, MonthCaps(month).c_str(), year);
  Add(out, "NAME: %s   CITY: %s   STATE: %s \n", set.station_name.c_str(), set.city.c_str(), set.state.c_str());
  Add(out, "ELEV: %s  LAT: %s  LONG: %s\n\n", ElevationText(set).c_str(), set.latitude.c_str(), set.longitude.c_str());
  Add(out, "%sTEMPERATURE (%s), RAIN  (%s), WIND SPEED (%s)\n\n", kTitlePad, DisplayUnits::tempUnitStr,
      DisplayUnits::rainUnitStr, DisplayUnits::windSpeedUnitStr);
  out += "                                      HEAT  COOL        AVG\n";
  out += "    MEAN                              DEG   DEG         WIND                 DOM\n";
  out += "DAY TEMP  HIGH   TIME   LOW    TIME   DAYS  DAYS  RAIN  SPEED HIGH   TIME    DIR\n";
  Rule(out, 84);
  const int days = DateTime(month, 1, year).DaysInMonth();
  for (int d = 1; d <= days; ++d) DayLine(out, d, m.days[static_cast<std::size_t>(d - 1)]);
  Rule(out, 85);
  MonthLine(out, m);
  Add(out, "Max >= %5.1f: %2d\n", th.hot, m.max_ge_hot);
  Add(out, "Max <= %5.1f: %2d\n", th.cold, m.max_le_cold);
  Add(out, "Min <= %5.1f: %2d\n", th.cold, m.min_le_cold);
  Add(out, "Min <= %5.1f: %2d\n", th.zero, m.min_le_zero);
  Add(out, "Max Rain: %.2f ON %s\n", m.max_rain, DateTime(month, m.max_rain_day, year).GetDateStr().c_str());
  if (mm) {
    Add(out, "Days of Rain: %d (> .2 mm) %d (> 2 mm) %d (> 20 mm)\n", m.rain_days[0], m.rain_days[1], m.rain_days[2]);
  } else {
    Add(out, "Days of Rain: %d (>.01 in) %d (>.1 in) %d (>1 in)\n", m.rain_days[0], m.rain_days[1], m.rain_days[2]);
  }
  Add(out, "Heat Base: %5.1f  Cool Base: %5.1f  Method: ", UserTemp(set.heat_base_f), UserTemp(set.cool_base_f));
  out += set.integration ? "Integration\n" : "(High + Low) / 2\n";
  return out;
}

std::string FormatAnnualReport(const NoaaSummary& summary, int year) {
  const NoaaSettings& set = summary.Settings();
  YearTotals y;
  for (int mo = 1; mo <= 12; ++mo) y.Add(summary.Month(mo));
  std::string out;
  out.reserve(8192);
  Add(out, "%sANNUAL CLIMATOLOGICAL SUMMARY\n\n", kTitlePad);
  Add(out, "NAME: %s  CITY: %s   STATE: %s  \n", set.station_name.c_str(), set.city.c_str(), set.state.c_str());
  Add(out, "ELEV: %s  LAT: %s  LONG: %s\n\n", ElevationText(set).c_str(), set.latitude.c_str(), set.longitude.c_str());
  TemperatureTable(out, summary, year, y);
  RainTable(out, summary, year, y);
  WindTable(out, summary, year, y);
  return out;
}

bool StandardPeriod(const WeatherDatabase& db, NoaaStandard which, NoaaPeriod* out) {
  const DateTime& last = db.last_date();
  if (db.NumberOfDataRecords() <= 0 || !last.valid) return false;
  NoaaPeriod p{last.year, last.month};
  switch (which) {
    case NoaaStandard::kThisMonth:
      break;
    case NoaaStandard::kLastMonth:
      if (--p.month == 0) {
        p.month = 12;
        --p.year;
      }
      break;
    case NoaaStandard::kThisYear:
      p.month = 0;
      break;
    case NoaaStandard::kLastYear:
      p.month = 0;
      --p.year;
      break;
  }
  *out = p;
  return true;
}

std::string StandardFileName(NoaaStandard which) {
  return std::string(LoadString(kFirstFileName + static_cast<std::uint32_t>(which)));
}

int WriteNoaaReport(WeatherDatabase& db, const NoaaSettings& settings, const NoaaPeriod& period,
                    const std::string& path, std::string* text, std::string* error) {
  NoaaSummary summary(db, settings);
  const bool annual = period.month == 0;
  const int rc = annual ? summary.AnnualSummary(period.year) : summary.MonthlySummary(period.year, period.month);
  if (rc != 0) {
    if (error) *error = summary.error();
    return kNoaaFailed;
  }
  std::string report =
      annual ? FormatAnnualReport(summary, period.year) : FormatMonthlyReport(summary, period.year, period.month);
  std::string why;
  if (!WriteFileAtomic(path, report, &why)) {
    if (error) *error = std::string(LoadString(kCouldNotOpen)) + " (" + path + ": " + why + ")";
    return kNoaaNoFile;
  }
  if (text) *text = std::move(report);
  return kNoaaOk;
}

int WriteStandardNoaaReports(WeatherDatabase& db, const NoaaSettings& settings, const std::string& folder,
                             std::string* error) {
  static constexpr NoaaStandard kAll[] = {NoaaStandard::kThisMonth, NoaaStandard::kLastMonth, NoaaStandard::kThisYear,
                                          NoaaStandard::kLastYear};
  for (NoaaStandard which : kAll) {
    NoaaPeriod period;
    if (!StandardPeriod(db, which, &period)) {
      if (error) *error = std::string(LoadString(string_id::kNoRecordsInDatabase));
      return kNoaaNoRecords;
    }
    const std::string path = folder + (folder.empty() || folder.back() == '/' ? "" : "/") + StandardFileName(which);
    const int rc = WriteNoaaReport(db, settings, period, path, nullptr, error);
    if (rc != kNoaaOk) return rc;
  }
  return kNoaaOk;
}

}  // namespace sq
