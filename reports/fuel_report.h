// The fuel demand report ("fuelrep.txt"): every customer of the fuel folder with the
// gallons left today, optionally only those at or below a threshold, sorted by gallons
// left (ascending) or by last name, in a short format (one line per customer) or a long
// one (a block per customer). A customer file that cannot be read, or whose record
// cannot be estimated, is reported by its number and left out; the report goes on.
#pragma once

#include <string>
#include <vector>

#include "foundation/date_time.h"
#include "reports/fuel_estimate.h"

namespace sq {

class Station;

struct FuelReportOptions {
  bool long_format = true;
  bool by_name = true;       // else by gallons left, ascending
  bool only_below = false;   // keep only customers at or below the threshold
  float threshold = 100.0f;  // gallons
};

// The station's report settings.
[[nodiscard]] FuelReportOptions FuelReportOptionsOf(const Station& station);

struct FuelReport {
  int status = -1;                    // 0: the text is the report; -1: `error` says why there is none
  std::string error;                  // no data, a database error, or no customer selected
  std::string text;                   // the report
  std::vector<std::string> problems;  // customers left out, one message each
  int customers = 0;                  // customers in the report
};

// Builds the report from the customers of `fuel_folder`; `today` is the heading's date.
[[nodiscard]] FuelReport BuildFuelReport(FuelEstimator& estimator, const std::string& fuel_folder,
                                         const FuelReportOptions& options, const DateTime& today);

}  // namespace sq
