// WeatherDataObject: an archive record (type 1) of a month file and the values it
// answers by WeatherDataID.
//
// Every getter takes the identifier and a `native` flag and returns a float:
// kMissingFloat (-32768.0) when the record has no value for it, when a field holds its
// missing marker, or when the identifier does not name what the accessor serves.
// Without `native` the value is in the user's display units (the class-wide settings
// of DisplayUnits); with it, in the record's own units (°F, inch, mph, mile, inHg,
// °F-day). Each ...Str twin writes the display text in the user's units into the
// caller's buffer (always terminated; "---" for no value) and returns it; each Set...
// twin stores a value and answers 1, or 0 when it refuses (the record is then
// unchanged).
//
// GetWeatherData / GetWeatherDataStr / SetWeatherData dispatch on the identifier's
// calculation and category to the per-quantity accessors; statistics above 3 (day
// variables) never have a value here. The generic query returns rain rate and ET in
// the user's units even with `native` set; their own accessors honour the flag.
//
// Station facts that values need (the UV dose factor) come from the SiteDescription
// set with SetSite; the default describes a factor of 1.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "database/data_record.h"
#include "database/data_record_object.h"
#include "foundation/site.h"

namespace sq {

class WeatherDataObject : public DataRecordObject {
 public:
  // A reset record.
  WeatherDataObject();
  explicit WeatherDataObject(const DataRecord& record, const DateTime& date = DateTime());

  // True for a type-1 record with a packed time.
  [[nodiscard]] bool ValidData() const override;
  // New-record values: type 1, interval 0, flags 0, packed time and every field missing.
  void Reset();

  [[nodiscard]] const DataRecord& Record() const { return record_; }
  void SetRecord(const DataRecord& record) { record_ = record; }
  // Takes the record from its stored bytes; false (unchanged) for fewer than 88 bytes.
  [[nodiscard]] bool SetRecordBytes(std::span<const std::uint8_t> bytes);
  [[nodiscard]] RecordBytes GetRecordBytes() const { return ToBytes(record_); }

  [[nodiscard]] const SiteDescription& Site() const { return site_; }
  void SetSite(const SiteDescription& site) { site_ = site; }

  // ---- Generic access by identifier. ----
  [[nodiscard]] float GetWeatherData(WeatherDataID id, bool native) const override;
  using DataRecordObject::GetWeatherDataStr;
  char* GetWeatherDataStr(WeatherDataID id, std::span<char> buf) const override;
  [[nodiscard]] int SetWeatherData(WeatherDataID id, float value, bool native) override;

  // ---- Per-quantity accessors. ----
  // Measured temperatures (calculation 0, class 0, category 0): sensor 0 with statistic
  // 0, 2 or 3 (average, high, low); sensors 1..18 with statistic 0. Derived
  // temperatures (calculations 1..6, statistic 0): dew point, wind chill, heat index,
  // THW, THSW and wet bulb of the temperature sensor (bits 24-31) and the humidity
  // sensor (bits 16-23), with the average wind speed and the stored extra radiation.
  [[nodiscard]] float GetTemp(WeatherDataID id, bool native) const;
  char* GetTempStr(WeatherDataID id, std::span<char> buf) const;
  [[nodiscard]] int SetTemp(WeatherDataID id, float value, bool native);  // measured only

  // Humidity (class 14, category 1, statistic 0): sensor 0 outside, 1 inside, 2..8 extra.
  [[nodiscard]] float GetHum(WeatherDataID id, bool native) const;
  char* GetHumStr(WeatherDataID id, std::span<char> buf) const;
  [[nodiscard]] int SetHum(WeatherDataID id, float value, bool native);

  // Wind speed (class 4, category 2, sensor 0): statistic 0 average, 2 high.
  [[nodiscard]] float GetWindSpeed(WeatherDataID id, bool native) const;
  char* GetWindSpeedStr(WeatherDataID id, std::span<char> buf) const;
  [[nodiscard]] int SetWindSpeed(WeatherDataID id, float value, bool native);

  // Wind direction (class 6, category 3, sensor 0): statistic 0 or 1 prevailing, 2 the
  // direction of the high speed. Compass point 0..15.
  [[nodiscard]] float GetWindDir(WeatherDataID id, bool native) const;
  char* GetWindDirStr(WeatherDataID id, std::span<char> buf) const;
  [[nodiscard]] int SetWindDir(WeatherDataID id, float value, bool native);

  [[nodiscard]] float GetBarometer(WeatherDataID id, bool native) const;
  char* GetBarometerStr(WeatherDataID id, std::span<char> buf) const;  // "------" when missing
  [[nodiscard]] int SetBarometer(WeatherDataID id, float value, bool native);

  [[nodiscard]] float GetRain(WeatherDataID id, bool native) const;
  char* GetRainStr(WeatherDataID id, std::span<char> buf) const;  // "    ---" when missing
  // Stores clicks of collector code 1 (0.01 in) for inch users, code 2 (0.2 mm) for
  // millimetre users; a stored rain rate is re-expressed in the new code.
  [[nodiscard]] int SetRain(WeatherDataID id, float value, bool native);

  [[nodiscard]] float GetRainRate(WeatherDataID id, bool native) const;
  char* GetRainRateStr(WeatherDataID id, std::span<char> buf) const;
  [[nodiscard]] int SetRainRate(WeatherDataID id, float value, bool native);

  // Solar radiation: 0x00070140 average, 0x00070940 high, 0x01070140 extra radiation.
  [[nodiscard]] float GetSolar(WeatherDataID id, bool native) const;
  char* GetSolarStr(WeatherDataID id, std::span<char> buf) const;
  [[nodiscard]] int SetSolar(WeatherDataID id, float value, bool native);
  // Extra radiation only (0x01070140).
  [[nodiscard]] float GetExtraRad(WeatherDataID id, bool native) const;
  char* GetExtraRadStr(WeatherDataID id, std::span<char> buf) const;
  [[nodiscard]] int SetExtraRad(WeatherDataID id, float value, bool native);

  [[nodiscard]] float GetUV(WeatherDataID id, bool native) const;
  char* GetUVStr(WeatherDataID id, std::span<char> buf) const;
  [[nodiscard]] int SetUV(WeatherDataID id, float value, bool native);

  // Soil moisture (category 9, sensors 9..14) and leaf wetness (category 10, 15..18).
  [[nodiscard]] float GetSoil(WeatherDataID id, bool native) const;
  char* GetSoilStr(WeatherDataID id, std::span<char> buf) const;
  [[nodiscard]] int SetSoil(WeatherDataID id, float value, bool native);
  [[nodiscard]] float GetLeaf(WeatherDataID id, bool native) const;
  char* GetLeafStr(WeatherDataID id, std::span<char> buf) const;
  [[nodiscard]] int SetLeaf(WeatherDataID id, float value, bool native);

  // Evapotranspiration (calculation 13), signed.
  [[nodiscard]] float GetET(WeatherDataID id, bool native) const;
  char* GetETStr(WeatherDataID id, std::span<char> buf) const;
  [[nodiscard]] int SetET(WeatherDataID id, float value, bool native);

  // Integrated and computed values (read only).
  [[nodiscard]] float GetWindRun(WeatherDataID id, bool native) const;
  char* GetWindRunStr(WeatherDataID id, std::span<char> buf) const;
  [[nodiscard]] float GetDegreeDays(WeatherDataID id, bool native) const;
  char* GetDegreeDaysStr(WeatherDataID id, std::span<char> buf) const;
  [[nodiscard]] float GetSolarEnergy(WeatherDataID id, bool native) const;
  char* GetSolarEnergyStr(WeatherDataID id, std::span<char> buf) const;
  [[nodiscard]] float GetUVDose(WeatherDataID id, bool native) const;
  char* GetUVDoseStr(WeatherDataID id, std::span<char> buf) const;
  // Always in the user's density unit (the record has no density of its own).
  [[nodiscard]] float GetAirDensity(WeatherDataID id, bool native) const;
  char* GetAirDensityStr(WeatherDataID id, std::span<char> buf) const;
  [[nodiscard]] float GetEMC(WeatherDataID id, bool native) const;
  char* GetEMCStr(WeatherDataID id, std::span<char> buf) const;

  // ---- Record information. ----
  [[nodiscard]] int GetPackedTime() const { return record_.packed_time; }
  [[nodiscard]] int SetPackedTime(int packedTime);  // 1..1440
  [[nodiscard]] int GetArchivePer() const { return record_.archive_interval; }
  [[nodiscard]] int SetArchivePer(int minutes);  // 1..255
  [[nodiscard]] int GetWeatherIcon() const { return record_.flags_a & kFlagAIconMask; }
  // Icon 0..15; the note and edit flags are kept.
  [[nodiscard]] int SetWeatherIcon(int icon);
  void AddNote() { record_.flags_a |= kFlagAHasNote; }
  void RemoveNote() { record_.flags_a &= static_cast<std::uint8_t>(~kFlagAHasNote); }
  [[nodiscard]] bool HaveANote() const { return (record_.flags_a & kFlagAHasNote) != 0; }
  [[nodiscard]] bool GetEditStatus() const { return (record_.flags_a & kFlagAEdited) != 0; }
  void SetEditStatus(bool edited);
  // Anemometer transmitter as stored: the console's transmitter number minus one (0..7).
  [[nodiscard]] int GetTxId() const { return record_.flags_b & kFlagBTransmitterMask; }
  // Replaces the stored id (0..7); other flag bits are kept.
  [[nodiscard]] int SetTxId(int id);
  // Anemometer packets received in the interval; kMissing16 when none were counted.
  [[nodiscard]] int GetWindSamples() const;
  // A negative count stores "no count"; counts above 32767 are refused.
  [[nodiscard]] int SetWindSamples(int count);
  // 95 % of the transmissions the anemometer transmitter sends in the interval.
  [[nodiscard]] int GetExpectedSamples() const;
  // Percent of the expected samples received, 0..100; kMissingFloat without a count.
  [[nodiscard]] float GetReception() const;

  // The record's time as display text (regional 12/24-hour setting and separator) and
  // as export text; "---" for a packed time outside 0..1440.
  char* GetTimeStr(std::span<char> buf) const;
  char* GetExportTimeStr(std::span<char> buf) const;
  [[nodiscard]] std::string GetTimeStr() const;
  [[nodiscard]] std::string GetExportTimeStr() const;

 private:
  // Raw inputs in internal units, kMissingFloat when absent.
  [[nodiscard]] float TempOfSensor(int sensor) const;  // °F
  [[nodiscard]] float HumOfSensor(int sensor) const;   // %
  [[nodiscard]] float AverageWindMph() const;
  [[nodiscard]] float BarometerInches() const;
  [[nodiscard]] float RecordInfo(WeatherDataID id) const;
  [[nodiscard]] int SetRecordInfo(WeatherDataID id, float value);
  // The rain collector code that rain rate clicks are counted in.
  [[nodiscard]] int RateCode() const;

  DataRecord record_;
  SiteDescription site_;
};

}  // namespace sq
