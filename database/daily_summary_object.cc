#include "database/daily_summary_object.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace sq {
namespace {

using ID = WeatherDataID;
constexpr float kM = DisplayUnits::kMissingFloat;
constexpr int kNoTime = kNoValue16;

bool Missing(float v) { return DisplayUnits::IsMissing(v); }

__attribute__((format(printf, 2, 3))) char* Fmt(std::span<char> buf, const char* fmt, ...) {
  if (buf.empty()) return buf.data();
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(buf.data(), buf.size(), fmt, ap);
  va_end(ap);
  return buf.data();
}

// A 16-bit field that holds a value (both temperature markers excluded).
bool Present16(std::int16_t v) { return v != kNoValue16 && v != kSummaryLowReset; }
bool PresentBar(std::int16_t v) { return Present16(v) && v >= DisplayUnits::kLowestBarometer; }
bool PresentSolar(std::int16_t v) { return v >= -200 && v != 32767; }

// Stores a computed value into a 16-bit field without touching either marker.
std::int16_t Clamp16(double v) {
  if (!(v == v)) return kNoValue16;
  return static_cast<std::int16_t>(std::clamp(v, -32767.0, 32766.0));
}
// Rounding half away from zero.
std::int16_t RoundAway(double v) { return Clamp16(std::round(v)); }
// value + 0.5, rounded down.
std::int16_t RoundUp5(double v) { return Clamp16(std::floor(v + 0.5)); }
// value + 0.5, truncated towards zero.
std::int16_t TruncUp5(double v) { return Clamp16(std::trunc(v + 0.5)); }

std::int16_t SaturatingAdd(std::int16_t a, int b) {
  const int s = a + b;
  return static_cast<std::int16_t>(std::clamp(s, -32767, 32767));
}

// Keeps the greater value with the time it was reached; ties keep the earlier time.
template <typename Half>
void TrackHigh(std::int16_t value, std::int16_t& high, Half& half, int slot, int time) {
  if (value > high) {
    high = value;
    half.SetTime(slot, time);
  }
}
template <typename Half>
void TrackLow(std::int16_t value, std::int16_t& low, Half& half, int slot, int time) {
  if (value < low) {
    low = value;
    half.SetTime(slot, time);
  }
}

bool SameDay(const DateTime& a, const DateTime& b) {
  return a.valid && b.valid && a.year == b.year && a.month == b.month && a.day == b.day;
}

// A date with no time of day, as both halves carry it.
DateTime DayOnly(const DateTime& d) {
  DateTime out(d.month, d.day, d.year);
  out.valid = d.valid;
  out.packed_time = -1;
  out.hour = 0;
  out.minute = 0;
  return out;
}

float Tenths(std::int16_t v) { return static_cast<float>(v / 10.0); }

float WindRunInUserUnits(double miles) {
  switch (DisplayUnits::windUnit) {
    case DisplayUnits::kKnots:
      return static_cast<float>(miles / 1.15);
    case DisplayUnits::kKmPerHour:
      return static_cast<float>(miles * 1.609344);
    case DisplayUnits::kMetresPerSecond:
      return static_cast<float>(miles * 0.44704 * 3.6);
    default:
      return static_cast<float>(miles);
  }
}

// Inches (rain or ET) in the user's rain unit unless `native`.
float RainUnits(double inches, bool native) {
  if (native || DisplayUnits::rainUnit != DisplayUnits::kRainMillimetres) return static_cast<float>(inches);
  return static_cast<float>(inches * 25.4);
}

}  // namespace

bool DailySummary1Object::SetRecordBytes(std::span<const std::uint8_t> bytes) {
  auto r = DecodeDailySummary1(bytes);
  if (!r) return false;
  record_ = *r;
  return true;
}

bool DailySummary2Object::SetRecordBytes(std::span<const std::uint8_t> bytes) {
  auto r = DecodeDailySummary2(bytes);
  if (!r) return false;
  record_ = *r;
  return true;
}

// ---------------------------------------------------------------- state

DailySummaryObject::DailySummaryObject() { Reset(); }

void DailySummaryObject::ClearSums() {
  std::fill(std::begin(sum_), std::end(sum_), 0.0);
  std::fill(std::begin(minutes_), std::end(minutes_), 0);
  rain_sum_ = 0.0;
  heat_dd_sum_ = 0.0;
  cool_dd_sum_ = 0.0;
  solar_energy_sum_ = kMissingFloat;
  wind_run_sum_ = kMissingFloat;
  uv_dose_sum_ = kMissingFloat;
}

void DailySummaryObject::Reset() {
  summary1_.Reset();
  summary2_.Reset();
  summary1_.date = DateTime();
  summary2_.date = DateTime();
  date = DateTime();
  ClearSums();
  accumulating_ = false;
  date_state_ = kPlainReset;
}

void DailySummaryObject::Reset(const DateTime& day) {
  Reset();
  accumulating_ = true;
  date = DayOnly(day);
  summary1_.date = date;
  summary2_.date = date;
  date_state_ = kSameDate;
}

bool DailySummaryObject::SameDate(const DateTime& day) const {
  return date_state_ == kSameDate && SameDay(summary1_.date, summary2_.date) && SameDay(summary1_.date, day);
}

int DailySummaryObject::SetDailySummary1(const DailySummary1Object& s) {
  if (s.Record().record_type != kRecordTypeSummary1) return 0;
  summary1_ = DailySummary1Object(s.Record(), s.date);
  date = s.date;
  date_state_ = SameDay(summary1_.date, summary2_.date) ? kSameDate : kSecondDiffers;
  return 1;
}

int DailySummaryObject::SetDailySummary2(const DailySummary2Object& s) {
  if (s.Record().record_type != kRecordTypeSummary2) return 0;
  summary2_ = DailySummary2Object(s.Record(), s.date);
  if (!date.valid) date = s.date;
  date_state_ = SameDay(summary1_.date, summary2_.date) ? kSameDate : kFirstDiffers;
  return 1;
}

// ---------------------------------------------------------------- building a day

int DailySummaryObject::ProcessDataRecord(const WeatherDataObject& in) {
  if (!Usable()) return 0;
  // Values are read with this summary's site (the UV dose factor).
  WeatherDataObject w(in.Record(), in.date);
  w.SetSite(site_);
  const DataRecord& r = w.Record();
  DailySummary1& s1 = summary1_.MutableRecord();
  DailySummary2& s2 = summary2_.MutableRecord();
  const int m = r.archive_interval;
  const int t = r.packed_time;

  // Averages.
  static constexpr ID kAvgIds[kAvgCount] = {ID::OutsideTemp(), ID::InsideTemp(), ID::OutsideHum(),
                                            ID::Barometer(),   ID::WindSpeed(),  ID::WindChill(),
                                            ID::HeatIndex(),   ID(0x00000006),   ID::OutsideDewPoint()};
  float avg_value[kAvgCount];
  for (int i = 0; i < kAvgCount; ++i) {
    avg_value[i] = w.GetWeatherData(kAvgIds[i], true);
    if (!Missing(avg_value[i])) {
      sum_[i] += static_cast<double>(avg_value[i]) * m;
      minutes_[i] += m;
    }
  }

  // Degree days, base 65 degF.
  if (!Missing(avg_value[kAvgOutTemp])) {
    const double d = (65.0 - avg_value[kAvgOutTemp]) * m / 1440.0;
    if (d > 0)
      heat_dd_sum_ += d;
    else if (d < 0)
      cool_dd_sum_ -= d;
  }

  // Wind direction histogram. A bin cannot pass what 12 bits hold.
  const float dir = w.GetWeatherData(ID(0x000304C0), true);
  if (!Missing(dir)) {
    const int bin = static_cast<int>(dir);
    if (bin >= 0 && bin < kWindBinCount) summary2_.SetWindBin(bin, std::min(summary2_.GetWindBin(bin) + m, 4095));
  }

  s1.data_span = SaturatingAdd(s1.data_span, m);

  // Outside and inside temperature.
  if (Present16(r.hi_outside_temp)) TrackHigh(r.hi_outside_temp, s1.hi_out_temp, summary1_, 0, t);
  if (Present16(r.low_outside_temp)) TrackLow(r.low_outside_temp, s1.low_out_temp, summary1_, 1, t);
  if (Present16(r.inside_temp)) {
    TrackHigh(r.inside_temp, s1.hi_in_temp, summary1_, 2, t);
    TrackLow(r.inside_temp, s1.low_in_temp, summary1_, 3, t);
  }

  // Derived temperatures in tenths of degF.
  auto derived = [&](float v, auto& half, std::int16_t& hi, int hi_slot, std::int16_t& lo, int lo_slot) {
    if (Missing(v)) return;
    const std::int16_t tenths = RoundAway(static_cast<double>(v) * 10.0);
    TrackHigh(tenths, hi, half, hi_slot, t);
    TrackLow(tenths, lo, half, lo_slot, t);
  };
  derived(avg_value[kAvgHeat], summary2_, s2.hi_heat, 1, s2.low_heat, 2);
  derived(avg_value[kAvgChill], summary1_, s1.hi_chill, 4, s1.low_chill, 5);
  derived(avg_value[kAvgDew], summary1_, s1.hi_dew, 6, s1.low_dew, 7);
  derived(avg_value[kAvgWetBulb], summary2_, s2.hi_wet_bulb, 7, s2.low_wet_bulb, 8);
  derived(w.GetWeatherData(ID::THSWIndex(), true), summary2_, s2.hi_thsw, 3, s2.low_thsw, 4);
  derived(w.GetWeatherData(ID::THWIndex(), true), summary2_, s2.hi_thw, 5, s2.low_thw, 6);

  if (PresentBar(r.barometer)) {
    TrackHigh(r.barometer, s1.hi_bar, summary1_, 12, t);
    TrackLow(r.barometer, s1.low_bar, summary1_, 13, t);
  }
  if (Present16(r.outside_hum)) {
    TrackHigh(r.outside_hum, s1.hi_out_hum, summary1_, 8, t);
    TrackLow(r.outside_hum, s1.low_out_hum, summary1_, 9, t);
  }
  if (Present16(r.inside_hum)) {
    TrackHigh(r.inside_hum, s1.hi_in_hum, summary1_, 10, t);
    TrackLow(r.inside_hum, s1.low_in_hum, summary1_, 11, t);
  }

  // Rain rate in hundredths of an inch per hour, whatever the display unit.
  const float rate = w.GetRainRate(ID::HighRainRate(), true);
  if (!Missing(rate)) TrackHigh(RoundUp5(static_cast<double>(rate) * 100.0), s1.hi_rain_rate, summary1_, 16, t);

  // High wind speed and its direction.
  if (r.hi_wind_speed != kNoValue16 && r.hi_wind_speed > s1.hi_speed) {
    s1.hi_speed = r.hi_wind_speed;
    summary1_.SetTime(14, t);
    s1.dir_hi_speed = r.hi_wind_direction;
  }

  // Wind samples; a record without a count adds nothing.
  if (r.wind_samples != kNoValue16) {
    s2.wind_samples = s2.wind_samples == kNoValue16 ? r.wind_samples : SaturatingAdd(s2.wind_samples, r.wind_samples);
  }

  // High solar radiation (the average when the record has no high).
  const std::int16_t solar = PresentSolar(r.hi_solar_rad) ? r.hi_solar_rad : r.solar_rad;
  if (PresentSolar(solar)) TrackHigh(solar, s2.hi_solar, summary2_, 0, t);

  auto integrate = [](double& sum, float v) {
    if (Missing(v)) return;
    sum = sum == kMissingFloat ? v : sum + v;
  };
  integrate(solar_energy_sum_, w.GetWeatherData(ID::SolarEnergy(), true));
  integrate(wind_run_sum_, w.GetWeatherData(ID::WindRun(), true));
  integrate(uv_dose_sum_, w.GetWeatherData(ID::UVDose(), true));

  // High UV: the highest of the day (255 means none yet).
  const std::uint8_t uv = r.hi_uv != kNoValue8 ? r.hi_uv : r.uv;
  if (uv != kNoValue8 && (s1.hi_uv == kNoValue8 || uv > s1.hi_uv)) {
    s1.hi_uv = uv;
    summary1_.SetTime(17, t);
  }

  const float rain = w.GetRain(ID::Rain(), true);
  if (!Missing(rain)) rain_sum_ += rain;

  if (r.et != kNoValue8) {
    const int et = (r.flags_b & kFlagBNegativeEt) ? -r.et : r.et;
    s2.daily_et = s2.daily_et == kNoValue16 ? static_cast<std::int16_t>(et) : SaturatingAdd(s2.daily_et, et);
  }
  return 1;
}

int DailySummaryObject::FinalProcessData() {
  if (!Usable()) return 0;
  DailySummary1& s1 = summary1_.MutableRecord();
  DailySummary2& s2 = summary2_.MutableRecord();
  auto avg = [&](int i) { return minutes_[i] > 0 ? sum_[i] / minutes_[i] : 0.0; };
  auto tenths = [&](int i) { return minutes_[i] > 0 ? RoundAway(avg(i) * 10.0) : kNoValue16; };
  s1.avg_out_temp = tenths(kAvgOutTemp);
  s1.avg_in_temp = tenths(kAvgInTemp);
  s1.avg_chill = tenths(kAvgChill);
  s1.avg_dew = tenths(kAvgDew);
  s2.avg_heat = tenths(kAvgHeat);
  s2.avg_wet_bulb = tenths(kAvgWetBulb);
  s1.avg_out_hum = minutes_[kAvgOutHum] > 0 ? TruncUp5(avg(kAvgOutHum) * 10.0) : kNoValue16;
  s1.avg_bar = minutes_[kAvgBar] > 0 ? RoundAway(avg(kAvgBar) * 1000.0) : kNoValue16;
  s1.avg_speed = tenths(kAvgWind);

  s2.heat_dd = RoundUp5(heat_dd_sum_ * 10.0);
  s2.SetCoolDd(RoundUp5(cool_dd_sum_ * 10.0));

  for (std::int16_t* lo :
       {&s1.low_out_temp, &s1.low_in_temp, &s1.low_chill, &s1.low_dew, &s1.low_out_hum, &s1.low_in_hum, &s1.low_bar}) {
    if (*lo == kSummaryLowReset) *lo = kNoValue16;
  }
  if (s1.dir_hi_speed == kNoValue8) s1.dir_hi_speed = 0;
  if (s1.dir_hi_10min == kNoValue8) s1.dir_hi_10min = 0;

  s1.daily_rain = TruncUp5(rain_sum_ * 1000.0);
  auto total = [](double sum) { return sum == kMissingFloat ? kNoValue16 : RoundUp5(sum * 10.0); };
  s2.daily_solar_energy = total(solar_energy_sum_);
  s1.daily_uv_dose = total(uv_dose_sum_);
  s1.daily_wind_run = total(wind_run_sum_);
  return 1;
}

// ---------------------------------------------------------------- day variables

float DailySummaryObject::GetHeatingDD() const {
  const std::int16_t v = summary2_.Record().heat_dd;
  return v == kNoValue16 ? kM : Tenths(v);
}

float DailySummaryObject::GetCoolingDD() const {
  const std::int16_t v = summary2_.Record().GetCoolDd();
  return v == kNoValue16 ? kM : Tenths(v);
}

int DailySummaryObject::DominantDirection() const {
  int best = -1;
  int best_minutes = 0;
  for (int i = 0; i < kWindBinCount; ++i) {
    const int v = summary2_.GetWindBin(i);
    if (v > best_minutes) {
      best = i;
      best_minutes = v;
    }
  }
  return best;
}

float DailySummaryObject::GetWeatherData(WeatherDataID id, bool native) const {
  if (!id.IsDayVariable()) return kM;
  const DailySummary1& s1 = summary1_.Record();
  const DailySummary2& s2 = summary2_.Record();
  const int stat = id.Statistic();
  const bool high = stat == ID::kStatDayHigh;
  const bool low = stat == ID::kStatDayLow;
  const bool average = stat == ID::kStatDayAverage;
  // A field chosen by statistic; nullptr for a statistic the quantity lacks.
  auto pick = [&](const std::int16_t* hi, const std::int16_t* lo, const std::int16_t* av) -> const std::int16_t* {
    return high ? hi : low ? lo : average ? av : nullptr;
  };
  auto temp = [&](const std::int16_t* f) { return f ? ConvertTemp(*f, native) : kM; };

  switch (id.UnitClass()) {
    case ID::kClassTemp: {
      const int calc = id.Calculation();
      if (calc == ID::kCalcMeasured) {
        if (id.Category() != ID::kCatTemp) return kM;
        if (id.Sensor() == ID::kSensorOutside) return temp(pick(&s1.hi_out_temp, &s1.low_out_temp, &s1.avg_out_temp));
        if (id.Sensor() == ID::kSensorInside) return temp(pick(&s1.hi_in_temp, &s1.low_in_temp, &s1.avg_in_temp));
        return kM;
      }
      if (id.Sensor() != 0 || id.Parameter() != 0) return kM;
      switch (calc) {
        case ID::kCalcDewPoint:
          return temp(pick(&s1.hi_dew, &s1.low_dew, &s1.avg_dew));
        case ID::kCalcWindChill:
          return temp(pick(&s1.hi_chill, &s1.low_chill, &s1.avg_chill));
        case ID::kCalcHeatIndex:
          return temp(pick(&s2.hi_heat, &s2.low_heat, &s2.avg_heat));
        case ID::kCalcTHW:
          return temp(pick(&s2.hi_thw, &s2.low_thw, nullptr));
        case ID::kCalcTHSW:
          return temp(pick(&s2.hi_thsw, &s2.low_thsw, nullptr));
        case ID::kCalcWetBulb:
          return temp(pick(&s2.hi_wet_bulb, &s2.low_wet_bulb, &s2.avg_wet_bulb));
        default:
          return kM;
      }
    }
    case ID::kClassDegreeDays:
      return id.Parameter() <= 127 ? GetHeatingDD() : GetCoolingDD();
    case ID::kClassRain:
      if (id.Calculation() == ID::kCalcET) {
        return s2.daily_et == kNoValue16 ? kM : RainUnits(s2.daily_et / 1000.0, native);
      }
      if (id.Calculation() == ID::kCalcMeasured && id.Category() == ID::kCatRain) {
        return s1.daily_rain == kNoValue16 ? kM : RainUnits(s1.daily_rain / 1000.0, native);
      }
      return kM;
    case ID::kClassRainRate:
      if (id.Calculation() != ID::kCalcMeasured || id.Category() != ID::kCatRainRate) return kM;
      return s1.hi_rain_rate == kNoValue16 ? kM : RainUnits(s1.hi_rain_rate / 100.0, false);
    case ID::kClassWindSpeed:
      if (id.Sensor() == 0) {
        if (high) return ConvertSpeed(s1.hi_speed, false);
        if (average) return ConvertSpeed(s1.avg_speed, false);
        return kM;
      }
      if (id.Sensor() == 1 && high) return ConvertSpeed(s1.hi_10min_speed, false);
      return kM;
    case ID::kClassWindDir: {
      if (average) {
        const int d = DominantDirection();
        return d < 0 ? kM : static_cast<float>(d);
      }
      const std::uint8_t d = id.Sensor() == 0 ? s1.dir_hi_speed : id.Sensor() == 1 ? s1.dir_hi_10min : kNoValue8;
      return d == kNoValue8 ? kM : static_cast<float>(d);
    }
    case ID::kClassBarometer: {
      const std::int16_t* f = pick(&s1.hi_bar, &s1.low_bar, &s1.avg_bar);
      return f ? ConvertBar(*f, false) : kM;
    }
    case 9:
      if (id.Category() != ID::kCatNone) return kM;
      if (id.Sensor() == 0) return s1.data_span == kNoValue16 ? kM : static_cast<float>(s1.data_span);
      if (id.Sensor() == 1) return s2.min_sunlight == kNoValue16 ? kM : static_cast<float>(s2.min_sunlight);
      return kM;
    case ID::kClassSolar:
      return PresentSolar(s2.hi_solar) ? static_cast<float>(s2.hi_solar) : kM;
    case ID::kClassSolarEnergy:
      return s2.daily_solar_energy == kNoValue16 ? kM : Tenths(s2.daily_solar_energy);
    case ID::kClassUV:
      return s1.hi_uv == kNoValue8 ? kM : static_cast<float>(s1.hi_uv / 10.0);
    case ID::kClassUVDose:
      return s1.daily_uv_dose == kNoValue16 ? kM : Tenths(s1.daily_uv_dose);
    case ID::kClassPercent: {
      if (id.Calculation() != ID::kCalcMeasured || id.Category() != ID::kCatHum) return kM;
      const std::int16_t* f = id.Sensor() == 0   ? pick(&s1.hi_out_hum, &s1.low_out_hum, &s1.avg_out_hum)
                              : id.Sensor() == 1 ? pick(&s1.hi_in_hum, &s1.low_in_hum, nullptr)
                                                 : nullptr;
      return f && Present16(*f) ? Tenths(*f) : kM;
    }
    case ID::kClassWindRun:
      return s1.daily_wind_run == kNoValue16 ? kM : WindRunInUserUnits(s1.daily_wind_run / 10.0);
    default:
      return kM;
  }
}

char* DailySummaryObject::GetWeatherDataStr(WeatherDataID id, std::span<char> buf) const {
  const float v = GetWeatherData(id, false);
  if (Missing(v)) return CopyText("---", buf);
  const double d = v;
  switch (id.UnitClass()) {
    case ID::kClassWindDir:
      return DomDirStr(static_cast<int>(v), buf);
    case ID::kClassDegreeDays:
      return Fmt(buf, "%.1f", d);
    case ID::kClassRain:
      if (id.Calculation() == ID::kCalcET) return Fmt(buf, rainUnit == kRainMillimetres ? "%.2f" : "%.3f", d);
      return Fmt(buf, "%.*f", NumDecimals(id.value), d);
    case 9:
      return Fmt(buf, "%d", static_cast<int>(v));
    case ID::kClassUVDose:
    case ID::kClassSolarEnergy:
      return Fmt(buf, "%.1f", d);
    default:
      return Fmt(buf, "%.*f", NumDecimals(id.value), d);
  }
}

int DailySummaryObject::GetTimeValue(WeatherDataID id) const {
  const int stat = id.Statistic();
  const bool high = stat == ID::kStatDayHigh || stat == ID::kStatDayHighCompanion;
  const bool low = stat == ID::kStatDayLow || stat == ID::kStatDayLowCompanion;
  if (!high && !low) return kNoTime;
  int slot1 = -1;  // slot of the first record
  int slot2 = -1;  // slot of the second record
  auto pair1 = [&](int hi, int lo) { slot1 = high ? hi : lo; };
  auto pair2 = [&](int hi, int lo) { slot2 = high ? hi : lo; };
  switch (id.UnitClass()) {
    case ID::kClassTemp:
      switch (id.Calculation()) {
        case ID::kCalcMeasured:
          if (id.Category() != ID::kCatTemp) break;
          if (id.Sensor() == ID::kSensorOutside)
            pair1(0, 1);
          else if (id.Sensor() == ID::kSensorInside)
            pair1(2, 3);
          break;
        case ID::kCalcWindChill:
          pair1(4, 5);
          break;
        case ID::kCalcDewPoint:
          pair1(6, 7);
          break;
        case ID::kCalcHeatIndex:
          pair2(1, 2);
          break;
        case ID::kCalcTHSW:
          pair2(3, 4);
          break;
        case ID::kCalcTHW:
          pair2(5, 6);
          break;
        case ID::kCalcWetBulb:
          pair2(7, 8);
          break;
        default:
          break;
      }
      if (id.Calculation() != ID::kCalcMeasured && (id.Sensor() != 0 || id.Parameter() != 0)) slot1 = slot2 = -1;
      break;
    case ID::kClassPercent:
      if (id.Calculation() != ID::kCalcMeasured || id.Category() != ID::kCatHum) break;
      if (id.Sensor() == 0)
        pair1(8, 9);
      else if (id.Sensor() == 1)
        pair1(10, 11);
      break;
    case ID::kClassBarometer:
      pair1(12, 13);
      break;
    case ID::kClassWindSpeed:
      if (high && id.Sensor() <= 1) slot1 = id.Sensor() == 0 ? 14 : 15;
      break;
    case ID::kClassRainRate:
      if (high) slot1 = 16;
      break;
    case ID::kClassUV:
      if (high) slot1 = 17;
      break;
    case ID::kClassSolar:
      if (high) slot2 = 0;
      break;
    default:
      break;
  }
  int t = kNoTime;
  if (slot1 >= 0)
    t = summary1_.GetTime(slot1);
  else if (slot2 >= 0)
    t = summary2_.GetTime(slot2);
  return t >= 0 && t <= 1440 ? t : kNoTime;
}

char* DailySummaryObject::GetTimeStr(WeatherDataID id, std::span<char> buf) const {
  const int t = GetTimeValue(id);
  if (t < 0 || t > 1440) return CopyText("---", buf);
  DateTime d = date;
  d.packed_time = static_cast<std::int16_t>(t);
  d.UnpackTime();
  char text[kDateTimeTextSize];
  return CopyText(d.GetTimeStr(text, sizeof text), buf);
}

char* DailySummaryObject::GetExportTimeStr(WeatherDataID id, std::span<char> buf) const {
  const int t = GetTimeValue(id);
  if (t < 0 || t > 1440) return CopyText("---", buf);
  const int h = t / 60;
  const int m = t % 60;
  const char sep = DateTime::timeSepChar;
  if (DateTime::timeChoice != 0) return Fmt(buf, "%d%c%02d", h, sep, m);
  if (h == 0 || h == 24) return Fmt(buf, "12%c%02d a", sep, m);
  if (h >= 12) return Fmt(buf, "%d%c%02d p", h == 12 ? 12 : h - 12, sep, m);
  return Fmt(buf, "%d%c%02d a", h, sep, m);
}

std::string DailySummaryObject::GetTimeStr(WeatherDataID id) const {
  char buf[kValueTextSize];
  return GetTimeStr(id, std::span<char>(buf));
}

std::string DailySummaryObject::GetExportTimeStr(WeatherDataID id) const {
  char buf[kValueTextSize];
  return GetExportTimeStr(id, std::span<char>(buf));
}

}  // namespace sq
