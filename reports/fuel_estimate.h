// Gallons left in a customer's tank, estimated from the station's stored weather.
//
// From the day of the customer's last reading up to the database's last day, each day
// with data adds its heating degree days (base: the station's fuel base temperature)
// and, with a water heater on the same fuel, the heater's use expressed in degree days
// (K x gallons a day, less on cold days); gallons left = reading - degree days / K. The
// first day on which that reaches 0 or less is the empty date, and the walk stops there.
//
// Degree days per day come from the archive records (IntegrationMethod) or from the
// daily highs and lows (HighLowMethod); the station's method flag chooses one for
// every caller. A day's degree days are computed once per estimator and shared by all
// the customers it estimates, so a report over many customers reads each day once.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

#include "database/weather_database.h"
#include "foundation/date_time.h"
#include "reports/fuel_customer.h"

namespace sq {

class Station;

class FuelEstimator {
 public:
  using ErrorSink = std::function<void(const std::string& message)>;

  // `integration`: the station's method flag (set: integration, clear: high/low).
  // `error` receives the database error texts. The database must stay open while the
  // estimator is used.
  FuelEstimator(WeatherDatabase& db, float base_f, bool integration, ErrorSink error = {});
  // The same with the station's fuel base temperature and method flag.
  FuelEstimator(WeatherDatabase& db, const Station& station, ErrorSink error = {});

  // Gallons left and the empty date (not valid while the tank is not empty): 0, or -1
  // after a database error (reported) or for a customer whose record cannot be
  // estimated (see FuelCustomer::Estimable).
  [[nodiscard]] int IntegrationMethod(const FuelCustomer& c, double* gallons_left, DateTime* empty_date);
  [[nodiscard]] int HighLowMethod(const FuelCustomer& c, double* gallons_left, DateTime* empty_date);
  // The station's method.
  [[nodiscard]] int GallonsLeft(const FuelCustomer& c, double* gallons_left, DateTime* empty_date);

  // True when the database holds at least one day.
  [[nodiscard]] bool HasData() const;
  // True when the customer's reading is dated after the database's last day.
  [[nodiscard]] bool ReadingAfterData(const FuelCustomer& c) const;
  [[nodiscard]] bool integration() const { return integration_; }
  // The text of the last failure, for callers without an error sink.
  [[nodiscard]] const std::string& last_error() const { return last_error_; }

 private:
  // What a day gives: skipped, or its degree days; `full` is false for a high/low day
  // with less than 18 hours of data, whose degree days are not used.
  struct Day {
    bool used = false;
    bool full = true;
    double degree_days = 0.0;
  };
  int Walk(const FuelCustomer& c, bool integration, double* gallons_left, DateTime* empty_date);
  bool GetDay(std::int32_t key, bool integration, Day* out);
  void Report(std::uint32_t id);

  WeatherDatabase& db_;
  float base_f_;
  bool integration_;
  ErrorSink error_;
  std::string last_error_;
  std::unordered_map<std::int32_t, Day> integration_days_;
  std::unordered_map<std::int32_t, Day> high_low_days_;
};

// The answer of the customer form's "Estimate" button.
struct FuelEstimate {
  int status = 0;    // 0: estimated; -1: a message only (no data, a database error)
  std::string text;  // "%.2f" gallons, "Empty on %s.", or the message
  double gallons_left = 0.0;
  DateTime empty_date;  // valid when the tank ran empty
};

// "You have no data with which to estimate." with an empty database, "You need data
// after your Last Reading Date with which to estimate." with a reading dated after the
// last day, else the gallons left ("%.2f") or "Empty on %s." with the empty date.
[[nodiscard]] FuelEstimate EstimateFuel(FuelEstimator& estimator, const FuelCustomer& c);

}  // namespace sq
