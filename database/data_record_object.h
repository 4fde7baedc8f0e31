// DataRecordObject: the base of every record object that answers weather values by
// WeatherDataID. It carries the record's date and the class-wide display-unit settings
// and conversions (inherited from DisplayUnits, so DataRecordObject::tempUnit and
// DataRecordObject::ConvertTemp name the program-wide ones), and offers the derived
// weather formulas under the names callers use on record objects.
//
// The stored record itself lives in the derived class, typed by its record kind
// (WeatherDataObject holds an archive DataRecord). The base answers "no value" to every
// query: ValidData() is false, GetWeatherData gives kMissingFloat, the text is "---" and
// SetWeatherData refuses.
#pragma once

#include <span>
#include <string>

#include "database/weather_data_id.h"
#include "foundation/date_time.h"
#include "foundation/display_units.h"
#include "foundation/weather_calc.h"

namespace sq {

// Text buffers of the value-text operations hold at least this much.
inline constexpr std::size_t kValueTextSize = 32;

class DataRecordObject : public DisplayUnits {
 public:
  DataRecordObject() = default;
  explicit DataRecordObject(const DateTime& date) : date(date) {}
  virtual ~DataRecordObject() = default;
  DataRecordObject(const DataRecordObject&) = default;
  DataRecordObject& operator=(const DataRecordObject&) = default;

  [[nodiscard]] virtual bool ValidData() const { return false; }

  // Value of `id` in the user's units (or the record's own units with `native`);
  // kMissingFloat when the record has no such value.
  [[nodiscard]] virtual float GetWeatherData(WeatherDataID id, bool native) const;
  // Display text of `id` in the user's units into `buf` (always terminated); returns
  // buf.data(). An empty buffer is left alone.
  virtual char* GetWeatherDataStr(WeatherDataID id, std::span<char> buf) const;
  [[nodiscard]] std::string GetWeatherDataStr(WeatherDataID id) const;
  // Stores `value` into the record: 1 stored, 0 refused.
  [[nodiscard]] virtual int SetWeatherData(WeatherDataID id, float value, bool native);

  // Derived quantities in internal units (°F, mph, %, inHg, W/m²); missing in, missing out.
  [[nodiscard]] static float CalcDew(float T, float RH) { return sq::CalcDew(T, RH); }
  [[nodiscard]] static float CalcChill(float T, float W) { return sq::CalcChill(T, W); }
  [[nodiscard]] static float CalcHeat(float T, float RH) { return sq::CalcHeat(T, RH); }
  [[nodiscard]] static float CalcTHW(float T, float RH, float W) { return sq::CalcTHW(T, RH, W); }
  [[nodiscard]] static float CalcTHSW(float T, float RH, float W, float solar) { return sq::CalcTHSW(T, RH, W, solar); }
  [[nodiscard]] static float CalcAirDensity(float T, float P, float RH) { return sq::CalcAirDensity(T, P, RH); }
  [[nodiscard]] static float CalcEMC(float T, float RH) { return sq::CalcEMC(T, RH); }
  [[nodiscard]] static float CalcWetBulb(float T, float RH) { return sq::CalcWetBulb(T, RH); }
  [[nodiscard]] static float InverseSoil(float reading, float soilT) { return sq::InverseSoil(reading, soilT); }

  // Writes `text` into `buf` (cut to fit, always terminated); returns buf.data().
  static char* CopyText(std::string_view text, std::span<char> buf);

  DateTime date;  // date (and time) of the record
};

}  // namespace sq
