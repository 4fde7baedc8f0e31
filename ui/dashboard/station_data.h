// Read-only access to a station's database for the dashboard: the archive records of a
// span with their values in display or native units, the newest record, a day's summary
// and the climatological reports. Every call opens the database afresh and read-only
// (the run loop may be downloading into it; readers take no lock and see whole pages).
#pragma once

#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "database/weather_data_object.h"
#include "database/weather_database.h"
#include "ui/dashboard/bulletin_json.h"
#include "ui/dashboard/dashboard_query.h"
#include "ui/dashboard/dashboard_state.h"
#include "ui/dashboard/svg_plot.h"

namespace sq::dashboard {

// A value of a record in the chosen units, to three decimals; NaN for none.
[[nodiscard]] double VariableValue(const WeatherDataObject& record, WeatherDataID id, UnitSystem system);
// The unit text of a variable in the chosen units ("" for none).
[[nodiscard]] std::string VariableUnit(WeatherDataID id, UnitSystem system);

class StationData {
 public:
  explicit StationData(const StationInfo& station) : station_(station) {}

  // 0, or -1 with *error (no station, no database).
  [[nodiscard]] int Open(std::string* error);
  // Local minutes of the newest archive record; nothing for an empty database.
  [[nodiscard]] std::optional<std::int64_t> Newest();
  [[nodiscard]] std::optional<std::int64_t> Oldest();

  // Calls visit(local minutes, record) for the archive records in `range`, in order;
  // visit answers false to stop. 0, or -1 at a read error.
  using RecordVisitor = std::function<bool(std::int64_t, const WeatherDataObject&)>;
  [[nodiscard]] int ForEachRecord(const TimeRange& range, const RecordVisitor& visit);

  // The series of `variables` over `range` for a plot. -1 at a read error.
  [[nodiscard]] int LoadSeries(const std::vector<const PlotVariable*>& variables, const TimeRange& range,
                               UnitSystem system, std::vector<PlotSeries>* out);

  // The summary of `day` as {"date", "rows": [{"key","label","value","unit","time"}]};
  // nothing when the day has none.
  [[nodiscard]] std::optional<nlohmann::json> DaySummary(const DateTime& day, UnitSystem system);

  // The monthly (month 1..12) or annual (month 0) report text; nothing with *error.
  [[nodiscard]] std::optional<std::string> NoaaReport(int year, int month, std::string* error);

  [[nodiscard]] WeatherDatabase& database() { return db_; }

 private:
  StationInfo station_;
  WeatherDatabase db_;
};

// The last `max_bytes` of the program folder's download log, from a line start.
[[nodiscard]] std::string DownloadLogTail(const std::string& program_folder, std::size_t max_bytes);

}  // namespace sq::dashboard
