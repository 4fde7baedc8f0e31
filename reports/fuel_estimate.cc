#include "reports/fuel_estimate.h"

#include <algorithm>
#include <utility>

#include "app/format_text.h"
#include "app/station.h"
#include "database/daily_summary_ops.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace sq {
namespace {

constexpr std::uint32_t kNeedData = 38051;
constexpr std::uint32_t kEmptyOn = 38052;

constexpr int kFullDayMinutes = 18 * 60;
// Below this many degree days a day also counts part of the water heater's use.
constexpr double kHeaterDegreeDays = 30.0;

DateTime DayOfKey(std::int32_t key) {
  DateTime d;
  d.SetDate(key);
  return d;
}

}  // namespace

FuelEstimator::FuelEstimator(WeatherDatabase& db, float base_f, bool integration, ErrorSink error)
    : db_(db), base_f_(base_f), integration_(integration), error_(std::move(error)) {}

FuelEstimator::FuelEstimator(WeatherDatabase& db, const Station& station, ErrorSink error)
    : FuelEstimator(db, station.record().fuel_base, station.record().fuel_integration != 0, std::move(error)) {}

void FuelEstimator::Report(std::uint32_t id) {
  last_error_ = std::string(LoadString(id));
  if (error_) error_(last_error_);
}

bool FuelEstimator::HasData() const { return db_.date_list().size() > 0; }

bool FuelEstimator::ReadingAfterData(const FuelCustomer& c) const {
  if (!HasData()) return true;
  return c.ReadingDate().GetPackedDate() > db_.date_list().keys().back();
}

bool FuelEstimator::GetDay(std::int32_t key, bool integration, Day* out) {
  auto& cache = integration ? integration_days_ : high_low_days_;
  if (auto it = cache.find(key); it != cache.end()) {
    *out = it->second;
    return true;
  }
  const DateTime day = DayOfKey(key);
  Day d;
  if (integration) {
    double hours = 0.0;
    switch (IntegratedDegreeDaysOfDay(db_, day, base_f_, &d.degree_days, &hours)) {
      case DayDegreeDays::kGotoError:
        Report(string_id::kDatabaseGotoError);
        return false;
      case DayDegreeDays::kReadError:
        Report(string_id::kGallonsLeftRecordError);
        return false;
      case DayDegreeDays::kNoData:
        break;
      case DayDegreeDays::kOk:
        d.used = true;
        break;
    }
  } else {
    DailySummaryObject summary;
    float high = 0, low = 0;
    int span = 0;
    if (SummaryHighLowOfDay(db_, day, &summary, &high, &low, &span)) {
      d.used = true;
      d.full = span >= kFullDayMinutes;
      const double mean = (static_cast<double>(high) + low) / 2.0;
      d.degree_days = mean < base_f_ ? base_f_ - mean : 0.0;
    }
  }
  cache.emplace(key, d);
  *out = d;
  return true;
}

int FuelEstimator::Walk(const FuelCustomer& c, bool integration, double* gallons_left, DateTime* empty_date) {
  *empty_date = DateTime();
  if (!c.Estimable()) {
    last_error_ = FormatText(LoadString(string_id::kFuelCustomerNotEstimable), static_cast<long>(c.Number()));
    if (error_) error_(last_error_);
    return -1;
  }
  const double reading = c.Reading();
  *gallons_left = reading;
  if (ReadingAfterData(c)) return 0;

  const double k = c.KFactor();
  const double heater = c.WaterHeater() ? k * c.HeaterGallons() : 0.0;  // degree days a day
  const std::vector<std::int32_t>& keys = db_.date_list().keys();
  double dd = 0.0;
  // Only days with data count, so the walk visits the database's days from the reading on.
  for (auto it = std::lower_bound(keys.begin(), keys.end(), c.ReadingDate().GetPackedDate()); it != keys.end(); ++it) {
    Day day;
    if (!GetDay(*it, integration, &day)) return -1;
    if (!day.used) continue;
    if (!day.full) {
      dd += heater;  // too little data for a mean: only the water heater counts
    } else {
      const double d = day.degree_days;
      dd += d;
      if (d == 0.0)
        dd += heater;
      else if (d < kHeaterDegreeDays)
        dd += (kHeaterDegreeDays - d) * heater / kHeaterDegreeDays;
    }
    *gallons_left = reading - dd / k;
    if (*gallons_left <= 0.0) {
      *empty_date = DayOfKey(*it);
      return 0;
    }
  }
  *gallons_left = reading - dd / k;
  return 0;
}

int FuelEstimator::IntegrationMethod(const FuelCustomer& c, double* gallons_left, DateTime* empty_date) {
  return Walk(c, true, gallons_left, empty_date);
}

int FuelEstimator::HighLowMethod(const FuelCustomer& c, double* gallons_left, DateTime* empty_date) {
  return Walk(c, false, gallons_left, empty_date);
}

int FuelEstimator::GallonsLeft(const FuelCustomer& c, double* gallons_left, DateTime* empty_date) {
  return integration_ ? IntegrationMethod(c, gallons_left, empty_date) : HighLowMethod(c, gallons_left, empty_date);
}

FuelEstimate EstimateFuel(FuelEstimator& estimator, const FuelCustomer& c) {
  FuelEstimate e;
  e.status = -1;
  if (!estimator.HasData()) {
    e.text = std::string(LoadString(string_id::kFuelNoDataToEstimate));
    return e;
  }
  if (c.Estimable() && estimator.ReadingAfterData(c)) {
    e.text = std::string(LoadString(kNeedData));
    return e;
  }
  if (estimator.GallonsLeft(c, &e.gallons_left, &e.empty_date) != 0) {
    e.text = estimator.last_error();
    return e;
  }
  e.status = 0;
  if (e.empty_date.valid) {
    e.text = FormatText(LoadString(kEmptyOn), e.empty_date.GetDateStr());
  } else {
    e.text = FormatText("%.2f", e.gallons_left);
  }
  return e;
}

}  // namespace sq
