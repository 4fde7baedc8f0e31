// The day's summary: the two summary records that open every day of a month file, built
// from the day's archive records and read back as day variables.
//
// DailySummary1Object and DailySummary2Object each hold one summary record (types 2
// and 3) with its date. DailySummaryObject holds both halves plus the running sums of
// a day being built:
//
//   Reset(date)                  start a day: both records at their reset values
//   ProcessDataRecord(record)    add one archive record (in time order)
//   FinalProcessData()           turn sums into averages and totals
//
// and answers day variables by WeatherDataID (statistics 4 to 9) for lists, reports,
// exports and modules:
//
//   GetWeatherData(id, native)   the value; kMissingFloat when the day has none
//   GetWeatherDataStr(id, buf)   its display text; "---" when none
//   GetTimeValue(id)             packed time (0..1440) of the high or low the id names
//                                (statistics 4/5 high, 6/7 low); -32768 when none
//   GetTimeStr / GetExportTimeStr  that time as display / export text
//
// Quantities by unit class (the statistic picks high 4, low 6, average 8, total 9 where
// a class has several): 0 temperatures (calculation 0 sensors 0/1 outside/inside, 1 dew
// point, 2 wind chill, 3 heat index, 4 THW, 5 THSW, 6 wet bulb; derived ones sensor 0),
// 1 degree days (base <= 127 heating, >= 128 cooling, always degF-days), 2 daily rain
// (calculation 0, category 5) and ET (calculation 13), 3 high rain rate, 4 wind speed
// (sensor 0 high/average, sensor 1 high 10-minute), 6 direction (statistic 8 dominant,
// else of the high speed, sensor 1 of the high 10-minute speed), 7 barometer, 9 data
// span / minutes of sunlight (category 11, sensor 0/1), 10 high solar radiation, 11
// solar energy, 12 high UV, 13 UV dose, 14 humidity (category 1, sensor 0 outside high/
// low/average, sensor 1 inside high/low), 18 wind run. Temperatures, rain and ET honour
// `native`; barometer, wind speeds, rain rate and wind run are always in the user's
// units; the rest have no unit.
//
// The station facts the values need (the UV dose factor) come from SetSite.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "database/daily_summary_record.h"
#include "database/data_record_object.h"
#include "database/weather_data_object.h"
#include "foundation/site.h"

namespace sq {

// The first summary record (type 2) of a day and its date.
class DailySummary1Object : public DataRecordObject {
 public:
  DailySummary1Object() : record_(NewDailySummary1()) {}
  DailySummary1Object(const DailySummary1& record, const DateTime& d) : DataRecordObject(d), record_(record) {}

  [[nodiscard]] bool ValidData() const override { return record_.record_type == kRecordTypeSummary1; }
  void Reset() { record_ = NewDailySummary1(); }
  [[nodiscard]] const DailySummary1& Record() const { return record_; }
  [[nodiscard]] DailySummary1& MutableRecord() { return record_; }
  [[nodiscard]] RecordBytes GetRecordBytes() const { return ToBytes(record_); }
  // Takes stored bytes; false (unchanged) for fewer than 88 bytes.
  [[nodiscard]] bool SetRecordBytes(std::span<const std::uint8_t> bytes);
  // Time value `slot` (0..17) as stored (0x7FF when never set; -32768 for a bad slot).
  [[nodiscard]] int GetTime(int slot) const { return Get12Bit(record_.times, kSummary1TimeCount, slot); }
  void SetTime(int slot, int packed_time) { Set12Bit(record_.times, kSummary1TimeCount, slot, packed_time); }

 private:
  DailySummary1 record_;
};

// The second summary record (type 3) of a day and its date.
class DailySummary2Object : public DataRecordObject {
 public:
  DailySummary2Object() : record_(NewDailySummary2()) {}
  DailySummary2Object(const DailySummary2& record, const DateTime& d) : DataRecordObject(d), record_(record) {}

  [[nodiscard]] bool ValidData() const override { return record_.record_type == kRecordTypeSummary2; }
  void Reset() { record_ = NewDailySummary2(); }
  [[nodiscard]] const DailySummary2& Record() const { return record_; }
  [[nodiscard]] DailySummary2& MutableRecord() { return record_; }
  [[nodiscard]] RecordBytes GetRecordBytes() const { return ToBytes(record_); }
  [[nodiscard]] bool SetRecordBytes(std::span<const std::uint8_t> bytes);
  // Time value `slot` (0..8) as stored (0x800 when never set; -32768 for a bad slot).
  [[nodiscard]] int GetTime(int slot) const { return Get12Bit(record_.times, kSummary2TimeCount, slot); }
  void SetTime(int slot, int packed_time) { Set12Bit(record_.times, kSummary2TimeCount, slot, packed_time); }
  // Minutes of the day in direction bin `bin` (0 = N, clockwise).
  [[nodiscard]] int GetWindBin(int bin) const { return Get12Bit(record_.dir_bins, kWindBinCount, bin); }
  void SetWindBin(int bin, int minutes) { Set12Bit(record_.dir_bins, kWindBinCount, bin, minutes); }

 private:
  DailySummary2 record_;
};

class DailySummaryObject : public DataRecordObject {
 public:
  // Date state values.
  static constexpr int kSameDate = 0;
  static constexpr int kFirstDiffers = 1;   // the second half was set last
  static constexpr int kSecondDiffers = 2;  // the first half was set last
  static constexpr int kPlainReset = 3;

  DailySummaryObject();

  [[nodiscard]] bool ValidData() const override { return summary1_.ValidData() && summary2_.ValidData(); }

  // Both records at their reset values, sums cleared, not accumulating, date state 3.
  void Reset();
  // Reset, then start accumulating the day `day` (its time is dropped).
  void Reset(const DateTime& day);

  // Adds one archive record to the day: 1, or 0 when the summary is not accumulating or
  // its halves disagree on the date.
  [[nodiscard]] int ProcessDataRecord(const WeatherDataObject& record);
  // Turns the sums into averages and totals: 1, or 0 under the same conditions.
  [[nodiscard]] int FinalProcessData();

  // True when both halves carry `day` and agree.
  [[nodiscard]] bool SameDate(const DateTime& day) const;

  // Takes a record read from a file (type 2, respectively 3; else 0). Returns 1.
  [[nodiscard]] int SetDailySummary1(const DailySummary1Object& s);
  [[nodiscard]] int SetDailySummary2(const DailySummary2Object& s);

  [[nodiscard]] const DailySummary1Object& Summary1() const { return summary1_; }
  [[nodiscard]] const DailySummary2Object& Summary2() const { return summary2_; }
  [[nodiscard]] DailySummary1Object& Summary1() { return summary1_; }
  [[nodiscard]] DailySummary2Object& Summary2() { return summary2_; }
  // The day (time none); not valid after a plain Reset.
  [[nodiscard]] const DateTime& Day() const { return date; }
  [[nodiscard]] int DateState() const { return date_state_; }

  // Accumulating: set while the summary is being built from records.
  [[nodiscard]] bool GetEditStatus() const { return accumulating_; }
  void SetEditStatus(bool on) { accumulating_ = on; }

  [[nodiscard]] const SiteDescription& Site() const { return site_; }
  void SetSite(const SiteDescription& site) { site_ = site; }

  // ---- Day variables. ----
  [[nodiscard]] float GetWeatherData(WeatherDataID id, bool native) const override;
  using DataRecordObject::GetWeatherDataStr;
  char* GetWeatherDataStr(WeatherDataID id, std::span<char> buf) const override;
  [[nodiscard]] int GetTimeValue(WeatherDataID id) const;
  char* GetTimeStr(WeatherDataID id, std::span<char> buf) const;
  char* GetExportTimeStr(WeatherDataID id, std::span<char> buf) const;
  [[nodiscard]] std::string GetTimeStr(WeatherDataID id) const;
  [[nodiscard]] std::string GetExportTimeStr(WeatherDataID id) const;
  // Degree days of the day, degF-days (base 65); kMissingFloat when not stored.
  [[nodiscard]] float GetHeatingDD() const;
  [[nodiscard]] float GetCoolingDD() const;
  // Dominant direction 0..15 (the fullest bin, the lowest on ties); -1 when all are 0.
  [[nodiscard]] int DominantDirection() const;

 private:
  enum Avg {
    kAvgOutTemp,
    kAvgInTemp,
    kAvgOutHum,
    kAvgBar,
    kAvgWind,
    kAvgChill,
    kAvgHeat,
    kAvgWetBulb,
    kAvgDew,
    kAvgCount
  };

  void ClearSums();
  [[nodiscard]] bool Usable() const { return accumulating_ && date_state_ == kSameDate; }

  DailySummary1Object summary1_;
  DailySummary2Object summary2_;
  double sum_[kAvgCount] = {};
  double rain_sum_ = 0.0;     // inches
  double heat_dd_sum_ = 0.0;  // degF-days
  double cool_dd_sum_ = 0.0;
  std::int32_t minutes_[kAvgCount] = {};
  double solar_energy_sum_ = kMissingFloat;  // Langleys
  double wind_run_sum_ = kMissingFloat;      // miles
  double uv_dose_sum_ = kMissingFloat;       // MEDs
  bool accumulating_ = false;
  int date_state_ = kPlainReset;
  SiteDescription site_;
};

}  // namespace sq
