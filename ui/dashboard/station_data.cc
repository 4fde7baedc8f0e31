#include "ui/dashboard/station_data.h"

#include <cmath>
#include <fstream>
#include <limits>

#include "app/download_log.h"
#include "database/daily_summary_object.h"
#include "database/daily_summary_ops.h"
#include "foundation/display_units.h"
#include "reports/day_summary_rows.h"
#include "reports/noaa_report.h"
#include "reports/record_range.h"

namespace sq::dashboard {
namespace {

using ID = WeatherDataID;

// The console's own unit of a unit class.
const char* NativeUnit(int unit_class) {
  switch (unit_class) {
    case ID::kClassTemp:
      return "\xC2\xB0"
             "F";
    case ID::kClassDegreeDays:
      return "\xC2\xB0"
             "F-day";
    case ID::kClassRain:
      return "in";
    case ID::kClassRainRate:
      return "in/h";
    case ID::kClassWindSpeed:
      return "mph";
    case ID::kClassBarometer:
      return "inHg";
    case ID::kClassWindRun:
      return "mi";
    case ID::kClassElevation:
      return "ft";
    case ID::kClassAirDensity:
      return "lb/cu.ft";
    default:
      return nullptr;
  }
}

}  // namespace

double VariableValue(const WeatherDataObject& r, WeatherDataID id, UnitSystem system) {
  const bool native = system == UnitSystem::kNative;
  float v = 0;
  // The generic query gives rain rate and ET in display units whatever it is asked;
  // their own accessors honour the choice.
  if (id.UnitClass() == ID::kClassRainRate)
    v = r.GetRainRate(id, native);
  else if (id.Calculation() == ID::kCalcET)
    v = r.GetET(id, native);
  else
    v = r.GetWeatherData(id, native);
  if (DisplayUnits::IsMissingTemp(v) || !std::isfinite(v)) return std::nan("");
  // Three decimals keep every stored resolution (0.001 inHg, 0.01 in, 0.1 hPa) and drop
  // the float's noise.
  return std::round(static_cast<double>(v) * 1000.0) / 1000.0;
}

std::string VariableUnit(WeatherDataID id, UnitSystem system) {
  if (system == UnitSystem::kNative) {
    if (const char* u = NativeUnit(id.UnitClass())) return u;
  }
  if (id.UnitClass() == ID::kClassWindDir) return "";
  char buf[32] = "";
  DisplayUnits::GetUnitStr(id.value, buf, sizeof buf);
  return buf;
}

int StationData::Open(std::string* error) {
  if (station_.folder.empty()) {
    if (error) *error = "no station is open";
    return -1;
  }
  const int rc = db_.OpenDatabase(station_.folder, true);
  if (rc == kDbNoFiles) {
    if (error) *error = "the station has no records yet; download them first";
    return -1;
  }
  if (rc != kDbOk && db_.month_count() == 0) {
    if (error) *error = db_.last_error().empty() ? "the database cannot be read" : db_.last_error();
    return -1;
  }
  return 0;
}

std::optional<std::int64_t> StationData::Newest() {
  if (db_.NumberOfDataRecords() <= 0 || db_.GetFirstAndLastDates() != kDbOk) return std::nullopt;
  return LocalMinutes(db_.last_date());
}

std::optional<std::int64_t> StationData::Oldest() {
  if (db_.NumberOfDataRecords() <= 0 || db_.GetFirstAndLastDates() != kDbOk) return std::nullopt;
  return LocalMinutes(db_.first_date());
}

int StationData::ForEachRecord(const TimeRange& range, const RecordVisitor& visit) {
  // A record of 00:00 ends the day before; the walk covers that day too.
  const DateTime first = DateOfLocalMinutes(range.from - kMinutesPerDay);
  const DateTime last = DateOfLocalMinutes(range.to);
  return ForEachArchiveRecord(db_, first, last, station_.site, [&](const WeatherDataObject& r) {
    std::int64_t t = LocalMinutes(r.date);
    if (t < range.from) return true;
    if (t > range.to) return false;
    return visit(t, r);
  });
}

int StationData::LoadSeries(const std::vector<const PlotVariable*>& variables, const TimeRange& range,
                            UnitSystem system, std::vector<PlotSeries>* out) {
  out->clear();
  for (const PlotVariable* v : variables) {
    PlotSeries s;
    s.key = v->key;
    s.label = v->name;
    s.unit = VariableUnit(v->id, system);
    s.colour = CssColour(v->colour);
    out->push_back(std::move(s));
  }
  return ForEachRecord(range, [&](std::int64_t t, const WeatherDataObject& r) {
    for (std::size_t i = 0; i < variables.size(); ++i) {
      const double v = VariableValue(r, variables[i]->id, system);
      if (!std::isnan(v)) (*out)[i].points.push_back({t, static_cast<float>(v)});
    }
    return true;
  });
}

std::optional<nlohmann::json> StationData::DaySummary(const DateTime& day, UnitSystem system) {
  DailySummaryObject s;
  s.SetSite(station_.site);
  if (GetDailySummary(db_, s, day) != 1) return std::nullopt;
  nlohmann::json rows = nlohmann::json::array();
  const bool native = system == UnitSystem::kNative;
  for (const DaySummaryRow& row : DaySummaryRows()) {
    const float v = s.GetWeatherData(row.id, native);
    nlohmann::json value = nullptr;
    if (!DisplayUnits::IsMissingTemp(v) && std::isfinite(v)) {
      value = row.id.IsDirection() ? nlohmann::json(s.GetWeatherDataStr(row.id))
                                   : nlohmann::json(std::round(static_cast<double>(v) * 1000.0) / 1000.0);
    }
    const int t = s.GetTimeValue(row.id);
    nlohmann::json time = nullptr;
    if (t != kNoValue16 && t >= 0 && t < kMinutesPerDay) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "%02d:%02d", t / 60, t % 60);
      time = buf;
    }
    rows.push_back({{"key", row.key},
                    {"label", row.label},
                    {"value", value},
                    {"unit", row.id.IsDirection() ? "" : VariableUnit(row.id, system)},
                    {"time", time}});
  }
  return nlohmann::json{{"date", DayText(day)}, {"rows", std::move(rows)}};
}

std::optional<std::string> StationData::NoaaReport(int year, int month, std::string* error) {
  NoaaSummary summary(db_, station_.noaa);
  const int rc = month == 0 ? summary.AnnualSummary(year) : summary.MonthlySummary(year, month);
  if (rc != 0) {
    if (error) *error = summary.error().empty() ? "the report could not be made" : summary.error();
    return std::nullopt;
  }
  return month == 0 ? FormatAnnualReport(summary, year) : FormatMonthlyReport(summary, year, month);
}

std::string DownloadLogTail(const std::string& program_folder, std::size_t max_bytes) {
  std::ifstream in(program_folder + "/" + kDownloadLogName, std::ios::binary);
  if (!in) return {};
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  const std::streamoff start =
      size > static_cast<std::streamoff>(max_bytes) ? size - static_cast<std::streamoff>(max_bytes) : 0;
  in.seekg(start);
  std::string text(static_cast<std::size_t>(size - start), '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  if (start > 0) {
    const auto nl = text.find('\n');
    text.erase(0, nl == std::string::npos ? text.size() : nl + 1);
  }
  return text;
}

}  // namespace sq::dashboard
