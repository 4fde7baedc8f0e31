#include "reports/noaa_summary.h"

#include <cmath>

#include "app/station.h"
#include "database/daily_summary_object.h"
#include "database/daily_summary_ops.h"
#include "database/data_record.h"
#include "foundation/display_units.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace sq {
namespace {

using ID = WeatherDataID;

// Day variables the summary reads.
constexpr ID kHighTemp = ID::Make(0, ID::kClassTemp, ID::kStatDayHigh, 0, 0);
constexpr ID kLowTemp = ID::Make(0, ID::kClassTemp, ID::kStatDayLow, 0, 0);
constexpr ID kAvgTemp = ID::Make(0, ID::kClassTemp, ID::kStatDayAverage, 0, 0);
constexpr ID kRain = ID::Make(0, ID::kClassRain, ID::kStatDayTotal, ID::kCatRain, 0);
constexpr ID kHighSpeed = ID::Make(0, ID::kClassWindSpeed, ID::kStatDayHigh, ID::kCatWindSpeed, 0);
constexpr ID kAvgSpeed = ID::Make(0, ID::kClassWindSpeed, ID::kStatDayAverage, ID::kCatWindSpeed, 0);
constexpr ID kDataSpan = ID::Make(0, 9, ID::kStatDayTotal, ID::kCatNone, 0);

// Stored values are tenths of F and thousandths of inch: after conversion to the user's
// unit a value that equals a threshold may differ from it in the last float bit. These
// margins are far below the smallest real difference (1/18 C, 0.001 in, 0.0254 mm).
constexpr double kTempMargin = 1e-3;
constexpr double kRainMargin = 1e-4;

bool Missing(float v) { return DisplayUnits::IsMissing(v); }
bool MissingTemp(float v) { return DisplayUnits::IsMissingTemp(v); }
bool Celsius() { return DisplayUnits::tempUnit == DisplayUnits::kCelsius; }

// Degree days (F-days) in the user's unit.
double DegDaysToUser(double f_days) { return Celsius() ? f_days * 5.0 / 9.0 : f_days; }

}  // namespace

NoaaSettings NoaaSettings::FromStation(const Station& station) {
  const StationRecord& r = station.record();
  NoaaSettings s;
  s.station_name = station.Name();
  s.city = LoadText(r.city, sizeof r.city);
  s.state = LoadText(r.state, sizeof r.state);
  s.latitude = LoadText(r.latitude_text, sizeof r.latitude_text);
  s.longitude = LoadText(r.longitude_text, sizeof r.longitude_text);
  s.elevation_ft = r.elevation_ft;
  s.heat_base_f = r.degday_base[0];
  s.cool_base_f = r.degday_base[1];
  for (std::size_t i = 0; i < 12; ++i) {
    s.normal_temp_f[i] = r.normal_temp[i];
    s.normal_rain_in[i] = r.normal_rain[i];
  }
  s.integration = r.noaa_1000 != 0;
  return s;
}

bool NoaaSettings::HasNormalTemp(int month_index) const {
  const float v = normal_temp_f[static_cast<std::size_t>(month_index)];
  return !DisplayUnits::IsMissingTemp(v) && std::isfinite(v);
}

bool NoaaSettings::HasNormalRain(int month_index) const {
  const float v = normal_rain_in[static_cast<std::size_t>(month_index)];
  return std::isfinite(v) && v >= 0.0f;
}

int NoaaMonth::DominantDirection() const {
  int best = -1;
  std::int64_t best_minutes = 0;
  for (int i = 0; i < 16; ++i) {
    if (dir_bins[static_cast<std::size_t>(i)] > best_minutes) {
      best = i;
      best_minutes = dir_bins[static_cast<std::size_t>(i)];
    }
  }
  return best;
}

NoaaThresholds NoaaThresholds::Current() {
  NoaaThresholds t{};
  if (Celsius()) {
    t.hot = 32.0f;
    t.cold = 0.0f;
    t.zero = -18.0f;
  } else {
    t.hot = 90.0f;
    t.cold = 32.0f;
    t.zero = 0.0f;
  }
  if (DisplayUnits::rainUnit == DisplayUnits::kRainMillimetres) {
    t.rain = {0.2f, 2.0f, 20.0f};
  } else {
    t.rain = {0.01f, 0.1f, 1.0f};
  }
  return t;
}

NoaaSummary::NoaaSummary(WeatherDatabase& db, const NoaaSettings& settings) : db_(db), settings_(settings) {}

DegreeDaySource NoaaSummary::Source() const {
  if (!settings_.integration) return DegreeDaySource::kHighLow;
  if (settings_.heat_base_f == 65.0f && settings_.cool_base_f == 65.0f) return DegreeDaySource::kSummaries;
  return DegreeDaySource::kIntegrated;
}

int NoaaSummary::IntegrateDay(const DateTime& day, double* heat, double* cool) {
  *heat = 0.0;
  *cool = 0.0;
  const int count = db_.GotoDay(day.month, day.day, day.year);
  if (count < 0) {
    error_ = settings_.station_name + ": " + std::string(LoadString(string_id::kDatabaseGotoError));
    return -1;
  }
  const double hb = settings_.heat_base_f;
  const double cb = settings_.cool_base_f;
  RecordBytes bytes;
  for (int i = 0; i < count; ++i) {
    if (db_.GetRecord(&bytes) != kDbOk) {
      error_ = settings_.station_name + ": " + std::string(LoadString(string_id::kDatabaseRecordError));
      return -1;
    }
    if (bytes[0] != kRecordTypeArchive) continue;
    const auto rec = DecodeDataRecord(bytes);
    if (!rec || rec->packed_time == 0) continue;
    if (rec->outside_temp == DisplayUnits::kMissing16 || rec->outside_temp == DisplayUnits::kMissingHigh16) continue;
    const double t = rec->outside_temp / 10.0;
    const double share = rec->archive_interval / 1440.0;
    if (t < hb) *heat += (hb - t) * share;
    if (t > cb) *cool += (t - cb) * share;
  }
  return 0;
}

int NoaaSummary::MonthlySummary(int year, int month) {
  NoaaMonth& m = months_[static_cast<std::size_t>(month - 1)];
  m = NoaaMonth{};
  m.year = year;
  m.month = month;
  m.days_in_month = DateTime(month, 1, year).DaysInMonth();
  error_.clear();

  const NoaaThresholds th = NoaaThresholds::Current();
  const DegreeDaySource source = Source();
  DailySummaryObject s;
  for (int d = 1; d <= m.days_in_month; ++d) {
    const DateTime day(month, d, year);
    if (GetDailySummary(db_, s, day) != 1) continue;
    const float span = s.GetWeatherData(kDataSpan, true);
    if (Missing(span) || span <= 0.0f) continue;
    NoaaDay& nd = m.days[static_cast<std::size_t>(d - 1)];
    nd.has_data = true;
    nd.hours = span / 60.0f;
    ++m.data_days;

    nd.rain = s.GetWeatherData(kRain, false);
    if (!Missing(nd.rain)) {
      m.rain_total += nd.rain;
      if (nd.rain > m.max_rain) {
        m.max_rain = nd.rain;
        m.max_rain_day = d;
      }
      for (std::size_t i = 0; i < th.rain.size(); ++i) {
        if (nd.rain > th.rain[i] + kRainMargin) ++m.rain_days[i];
      }
    }

    nd.avg_speed = s.GetWeatherData(kAvgSpeed, false);
    nd.high_speed = s.GetWeatherData(kHighSpeed, false);
    nd.high_speed_time = s.GetTimeStr(kHighSpeed);
    if (!Missing(nd.high_speed) && nd.high_speed > m.highest_speed) {
      m.highest_speed = nd.high_speed;
      m.highest_speed_day = d;
    }
    nd.dom_dir = s.DominantDirection();
    for (int b = 0; b < 16; ++b) m.dir_bins[static_cast<std::size_t>(b)] += s.Summary2().GetWindBin(b);

    nd.high = s.GetWeatherData(kHighTemp, false);
    nd.low = s.GetWeatherData(kLowTemp, false);
    nd.high_time = s.GetTimeStr(kHighTemp);
    nd.low_time = s.GetTimeStr(kLowTemp);
    const bool has_high = !MissingTemp(nd.high);
    const bool has_low = !MissingTemp(nd.low);
    if (!has_high) nd.high = NoaaDay::kNone;
    if (!has_low) nd.low = NoaaDay::kNone;
    if (has_high) {
      if (nd.high > m.highest_high) {
        m.highest_high = nd.high;
        m.highest_high_day = d;
      }
      if (nd.high >= th.hot - kTempMargin) ++m.max_ge_hot;
      if (nd.high <= th.cold + kTempMargin) ++m.max_le_cold;
    }
    if (has_low) {
      if (nd.low < m.lowest_low) {
        m.lowest_low = nd.low;
        m.lowest_low_day = d;
      }
      if (nd.low <= th.cold + kTempMargin) ++m.min_le_cold;
      if (nd.low <= th.zero + kTempMargin) ++m.min_le_zero;
    }

    if (settings_.integration) {
      nd.mean = s.GetWeatherData(kAvgTemp, false);
      if (MissingTemp(nd.mean)) nd.mean = NoaaDay::kNone;
    } else if (has_high && has_low) {
      nd.mean = static_cast<float>((static_cast<double>(nd.high) + nd.low) / 2.0);
    }

    double heat = 0.0, cool = 0.0;  // F-days
    switch (source) {
      case DegreeDaySource::kSummaries: {
        const float h = s.GetHeatingDD();
        const float c = s.GetCoolingDD();
        heat = Missing(h) ? 0.0 : h;
        cool = Missing(c) ? 0.0 : c;
        break;
      }
      case DegreeDaySource::kIntegrated:
        if (IntegrateDay(day, &heat, &cool) != 0) return -1;
        break;
      case DegreeDaySource::kHighLow: {
        const float hf = s.GetWeatherData(kHighTemp, true);
        const float lf = s.GetWeatherData(kLowTemp, true);
        if (!MissingTemp(hf) && !MissingTemp(lf)) {
          const double mean_f = (static_cast<double>(hf) + lf) / 2.0;
          if (mean_f < settings_.heat_base_f) heat = settings_.heat_base_f - mean_f;
          if (mean_f > settings_.cool_base_f) cool = mean_f - settings_.cool_base_f;
        }
        break;
      }
    }
    nd.heat_dd = DegDaysToUser(heat);
    nd.cool_dd = DegDaysToUser(cool);
    m.heat_total += nd.heat_dd;
    m.cool_total += nd.cool_dd;
  }

  // A day without a high or a low (a sensor that failed for the day) still counts for the
  // mean of the means; the mean high and low average the days that have them.
  for (int d = 0; d < m.days_in_month; ++d) {
    const NoaaDay& nd = m.days[static_cast<std::size_t>(d)];
    if (!nd.has_data) continue;
    if (!Missing(nd.avg_speed)) {
      m.speed_sum += nd.avg_speed;
      ++m.speed_days;
    }
    if (nd.mean != NoaaDay::kNone) {
      m.mean_sum += nd.mean;
      ++m.temp_days;
    }
    if (nd.high != NoaaDay::kNone) {
      m.high_sum += nd.high;
      ++m.high_days;
    }
    if (nd.low != NoaaDay::kNone) {
      m.low_sum += nd.low;
      ++m.low_days;
    }
  }
  const int mi = month - 1;
  if (settings_.HasNormalTemp(mi) && m.temp_days > 0) {
    m.temp_departure =
        m.mean_sum / m.temp_days - DisplayUnits::ConvertTemp(settings_.normal_temp_f[static_cast<std::size_t>(mi)]);
  }
  if (settings_.HasNormalRain(mi)) {
    const double normal = settings_.normal_rain_in[static_cast<std::size_t>(mi)];
    m.rain_departure =
        m.rain_total - (DisplayUnits::rainUnit == DisplayUnits::kRainMillimetres ? normal * 25.4 : normal);
  }
  return 0;
}

int NoaaSummary::AnnualSummary(int year) {
  for (int month = 1; month <= 12; ++month) {
    if (MonthlySummary(year, month) != 0) return -1;
  }
  return 0;
}

}  // namespace sq
