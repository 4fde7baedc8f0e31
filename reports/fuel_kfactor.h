// The K factor from a known delivery ("Calculate K Factor"): the heating degree days
// from a start date to an end date divided by the gallons used in that time. The water
// heater plays no part in it.
#pragma once

#include <string>

#include "database/daily_summary_ops.h"
#include "database/weather_database.h"

namespace sq {

struct KFactorInput {
  std::string start;    // YYYY-MM-DD, as typed
  std::string end;      // YYYY-MM-DD
  std::string gallons;  // gallons used
};

struct KFactorResult {
  int status = -1;    // 0: computed; -1: refused (field and message set); -2: cancelled or a read failed
  std::string field;  // "start", "end" or "gallons" for a refusal
  std::string message;
  double degree_days = 0.0;
  double gallons = 0.0;
  double k_factor = 0.0;
  std::string k_text;  // the K factor as the customer's field shows it ("%.2f")
};

// Checks the three inputs in order against the database's first and last days, each
// refusal naming its field, then adds up the degree days (base `base_f`) with the
// station's method (`integration` set: DegDayIntegrationMethod, else DegDayHighLowMethod),
// whose questions and errors go to `prompts`.
[[nodiscard]] KFactorResult CalcKFactor(WeatherDatabase& db, const KFactorInput& in, float base_f, bool integration,
                                        const DegDayPrompts& prompts);

}  // namespace sq
