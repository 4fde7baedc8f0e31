// Display units: conversions between the internal units in which every weather value
// is stored and exchanged, and the units the user chose for display, plus the text of
// single values.
//
// Internal units (the console's record units):
//   temperature   16-bit tenths of °F (missing -32768 or 32767); 8-bit °F + 90 (255);
//                 float °F (missing -32768.0 or 32767.0)
//   barometer     16-bit thousandths of inHg; 32767 and anything below 16000 is missing
//   wind speed    16-bit tenths of mph (-32768); 8-bit whole mph (255)
//   humidity      16-bit tenths of percent (-32768); 8-bit whole percent (255)
//   UV            8-bit tenths of index (255)
//   solar         W/m² (4095 or -32768)
//   leaf, soil    8-bit whole units (255 or -32768)
//   elevation     whole feet, signed 16-bit, no missing marker
//   rain word     bits 0..11 tip count, bits 12..15 collector type 0..6 (0x8000 missing)
//   rain rate     tips per hour of a collector type (-32768)
// Every float-returning conversion gives -32768.0 for a missing input, and every text
// operation writes "---" for it.
//
// The settings are program-wide. They are read through the const references below and
// changed only through the setters, which refuse codes outside a setting's range, so
// every conversion and unit text can rely on a known code. Everything runs on the
// user-interface thread; nothing here is synchronised.
//
// `DataRecordObject` derives from this class, so `DataRecordObject::ConvertTemp(...)`
// and `DataRecordObject::tempUnit` name the same members.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace sq {

// Looks a weather-data identifier up in the current station's browser data list. The
// data-list code installs one with `DisplayUnits::SetSensorList`; foundation code cannot
// reach the station's lists itself.
class SensorList {
 public:
  virtual ~SensorList() = default;
  // Name text number `which` (0..3) of `tag`; false when `tag` is not in the list.
  virtual bool SensorName(std::uint32_t tag, int which, char* buf, int len) const = 0;
  // Colour number `which` (0..3) of `tag`; false when `tag` is not in the list.
  virtual bool SensorColor(std::uint32_t tag, int which, std::uint32_t* out) const = 0;
};

class DisplayUnits {
 public:
  // Missing-value markers.
  static constexpr std::int16_t kMissing16 = -32768;
  static constexpr std::int16_t kMissingHigh16 = 32767;  // second marker of temperatures
  static constexpr std::uint8_t kMissing8 = 255;
  static constexpr float kMissingFloat = -32768.0f;
  static constexpr float kMissingHighFloat = 32767.0f;
  static constexpr std::int16_t kLowestBarometer = 16000;  // below: missing
  static constexpr std::int16_t kMissingRainWord = static_cast<std::int16_t>(0x8000);
  static constexpr std::int16_t kMissingSolar = 4095;
  static constexpr int kRainTypeCount = 7;  // collector types 0..6
  static constexpr int kMaxRainClicks = 4095;

  // Setting codes.
  enum TempCode : std::uint8_t { kFahrenheit = 0, kCelsius = 1 };
  enum BarCode : std::uint8_t { kBarInches = 0, kBarMillimetres = 1, kBarMillibars = 2, kBarHectopascals = 3 };
  enum WindCode : std::uint8_t { kMph = 0, kKnots = 1, kKmPerHour = 2, kMetresPerSecond = 3 };
  enum RainCode : std::uint8_t { kRainInches = 0, kRainMillimetres = 1 };
  enum ElevCode : std::uint8_t { kMetres = 0, kFeet = 1 };
  enum DensityCode : std::uint8_t { kPoundsPerCubicFoot = 0, kKilogramsPerCubicMetre = 1 };

  // Missing float values (NaN counts as missing too); temperatures have a second marker.
  [[nodiscard]] static bool IsMissing(float v) { return v != v || v == kMissingFloat; }
  [[nodiscard]] static bool IsMissingTemp(float v) { return IsMissing(v) || v == kMissingHighFloat; }

  // Size of each unit-text static, terminator included.
  static constexpr std::size_t kUnitStrSize = 10;
  // Error result of GetSensorName / GetSensorColor for a bad `which` or null output.
  static constexpr int kSensorArgError = -1601;

 private:
  // Storage behind the read-only views; defaults are the settings before any is applied.
  static inline std::uint8_t temp_unit_ = kFahrenheit;
  static inline std::uint8_t bar_unit_ = kBarInches;
  static inline std::uint8_t wind_unit_ = kMph;
  static inline std::uint8_t rain_unit_ = kRainInches;
  static inline std::uint8_t elev_unit_ = kFeet;
  static inline std::uint8_t density_unit_ = kPoundsPerCubicFoot;
  static inline std::uint8_t hum_prec_ = 0;
  static inline std::uint8_t solar_unit_ = 0;
  static inline std::uint8_t station_rain_type_ = 1;
  static inline char temp_unit_str_[kUnitStrSize] =
      "\xC2\xB0"
      "F";
  static inline char bar_unit_str_[kUnitStrSize] = "in";
  static inline char wind_speed_unit_str_[kUnitStrSize] = "mph";
  static inline char wind_meter_unit_str_[kUnitStrSize] = "Mph";
  static inline char rain_unit_str_[kUnitStrSize] = "in";
  static inline char elev_unit_str_[kUnitStrSize] = "ft";
  static inline char air_d_unit_str_[kUnitStrSize] = "lb/cu.ft";
  static inline char solar_unit_str_[kUnitStrSize] = "W/m\xC2\xB2";
  static inline const SensorList* sensor_list_ = nullptr;

 public:
  // Live settings (read-only views; change them with the setters).
  static inline const std::uint8_t& tempUnit = temp_unit_;
  static inline const std::uint8_t& barUnit = bar_unit_;
  static inline const std::uint8_t& windUnit = wind_unit_;
  static inline const std::uint8_t& rainUnit = rain_unit_;
  static inline const std::uint8_t& elevUnit = elev_unit_;
  static inline const std::uint8_t& densityUnit = density_unit_;
  static inline const std::uint8_t& humPrec = hum_prec_;
  static inline const std::uint8_t& solarUnit = solar_unit_;
  // Rain collector type of the current station, used by ConvertRain(float, 2).
  static inline const std::uint8_t& stationRainType = station_rain_type_;

  // Unit texts of the live settings (UTF-8, terminated).
  static inline const char (&tempUnitStr)[kUnitStrSize] = temp_unit_str_;
  static inline const char (&barUnitStr)[kUnitStrSize] = bar_unit_str_;
  static inline const char (&windSpeedUnitStr)[kUnitStrSize] = wind_speed_unit_str_;
  static inline const char (&windMeterUnitStr)[kUnitStrSize] = wind_meter_unit_str_;
  static inline const char (&rainUnitStr)[kUnitStrSize] = rain_unit_str_;
  static inline const char (&elevUnitStr)[kUnitStrSize] = elev_unit_str_;
  static inline const char (&airDUnitStr)[kUnitStrSize] = air_d_unit_str_;
  static inline const char (&solarUnitStr)[kUnitStrSize] = solar_unit_str_;

  // Setters store the code and load its unit text. A code outside the setting's range
  // leaves the setting unchanged. SetDensityUnit also stores the code in progConfigData.
  static void SetTempUnit(int code);
  static void SetBarUnit(int code);
  static void SetWindSpeedUnit(int code);
  static void SetRainUnit(int code);
  static void SetElevUnit(int code);
  static void SetDensityUnit(int code);
  static void SetSolarUnit();
  static void SetHumPrecision(int decimals);  // 0 or 1
  static void SetStationRainType(int type);   // 0..6

  // Saved copies in progConfigData. SaveUnits copies the live temperature, barometer,
  // rain, wind, elevation and density codes into it; RestoreUnits applies them through
  // the setters. Humidity precision is not saved.
  static void SaveUnits();
  static void RestoreUnits();
  [[nodiscard]] static int GetTempUnit();
  [[nodiscard]] static int GetBarUnit();
  [[nodiscard]] static int GetWindSpeedUnit();
  [[nodiscard]] static int GetRainUnit();
  [[nodiscard]] static int GetElevUnit();
  [[nodiscard]] static int GetDensityUnit();
  [[nodiscard]] static int GetHumPrecision();  // the live value

  // --- Internal to display units. `forced` keeps the internal unit's natural scale. ---
  [[nodiscard]] static float ConvertTemp(std::int16_t tenthsF, bool forced);
  [[nodiscard]] static float ConvertTemp(float fahrenheit);
  [[nodiscard]] static float ConvertByteTemp(std::uint8_t b, bool forced);
  [[nodiscard]] static float ConvertDegDay(float degDays);
  [[nodiscard]] static float ConvertBar(std::int16_t thousandthsIn, bool forced);
  [[nodiscard]] static float ConvertBar(float inches);
  [[nodiscard]] static float ConvertSpeed(std::int16_t tenthsMph, bool forced);
  [[nodiscard]] static float ConvertSpeed(float mph);
  [[nodiscard]] static float ConvertByteSpeed(std::uint8_t mph, bool forced);
  [[nodiscard]] static float ConvertHum(std::int16_t tenths);
  [[nodiscard]] static float ConvertByteHum(std::uint8_t percent);
  [[nodiscard]] static float ConvertUV(std::uint8_t tenths);
  [[nodiscard]] static float ConvertElevation(std::int16_t feet, bool forced);
  // Rain: `clicks` tips of collector `type`, in inches when `forcedInches` or the rain
  // unit is inches, else millimetres. A type outside 0..6 or clicks of -32768 give
  // -32768.0.
  [[nodiscard]] static float RainValue(int clicks, int type, bool forcedInches);
  [[nodiscard]] static float ConvertRain(std::int16_t word, bool forcedInches);
  [[nodiscard]] static float ConvertRain(float inches);
  [[nodiscard]] static float ConvertRate(float inchesPerHour);
  // A type outside 0..6 is taken as type 1.
  [[nodiscard]] static float ConvertRate(std::int16_t tipsPerHour, int type, bool forcedInches);
  [[nodiscard]] static int GetRainType(std::int16_t word);  // 0 for a missing word

  // --- Display to internal units. ---
  // Results that do not fit the internal form give its missing marker.
  [[nodiscard]] static std::int16_t InverseConvertTemp(float value, bool forced);
  [[nodiscard]] static float InverseConvertTempFloat(float value);
  [[nodiscard]] static std::uint8_t InverseConvertByteTemp(float value, bool forced);
  [[nodiscard]] static std::int16_t InverseConvertBar(float value, bool forced);
  [[nodiscard]] static std::int16_t InverseConvertSpeed(float value, bool forced);
  [[nodiscard]] static std::uint8_t InverseConvertByteSpeed(float value, bool forced);
  [[nodiscard]] static std::int16_t InverseConvertHum(float percent);
  [[nodiscard]] static std::uint8_t InverseConvertByteHum(float percent);
  [[nodiscard]] static std::uint8_t InverseConvertUV(float index);
  // Metres (or feet) back to feet; -32768 when the result does not fit 16 bits.
  [[nodiscard]] static std::int16_t InverseConvertElevation(std::int16_t value, bool forced);
  // Tips of collector `type` for `amount` in the display rain unit; -32768 for a
  // missing amount, a type outside 0..6 or a count that does not fit an int.
  [[nodiscard]] static int RainClicks(float amount, int type);
  // Rain word of type 1 (inches selected) or 2 (millimetres selected); 0x8000 when the
  // amount is missing or its tip count lies outside 0..4095.
  [[nodiscard]] static std::int16_t InverseConvertRain(float amount);
  [[nodiscard]] static std::int16_t InverseConvertRain(std::int16_t clicks, int type);
  // Tips per hour of `type` (outside 0..6 taken as 1); -32768 when negative, missing
  // or above 32767.
  [[nodiscard]] static std::int16_t InverseConvertRate(float rate, int type);

  // --- Two-direction forms exported to expansion modules. ---
  // direction 0: internal to display; 1: display to internal; else -32768.0.
  // Beware of overloads: an int second argument picks these forms, so pass `forced` as
  // a bool (ConvertTemp(tenths, false), never ConvertTemp(tenths, 0)).
  static constexpr int kToDisplay = 0;
  static constexpr int kToInternal = 1;
  static constexpr int kTipsToInches = 2;  // ConvertRain only
  [[nodiscard]] static float ConvertTemp(float value, int direction);
  [[nodiscard]] static float ConvertBar(float value, int direction);
  [[nodiscard]] static float ConvertSpeed(float value, int direction);
  [[nodiscard]] static float ConvertRain(float value, int direction);
  [[nodiscard]] static float ConvertRate(float value, int direction);
  [[nodiscard]] static float ConvertDegDay(float value, int direction);
  [[nodiscard]] static float ConvertElevation(std::int16_t value, int direction);

  // --- Text of single values. Each writes into `buf` (always terminated, cut to fit)
  // and returns buf.data(); an empty buffer is left alone. `native` means the value is
  // already in display units. ---
  static char* TempStr(float fahrenheit, std::span<char> buf, bool native = false);
  static char* SpeedStr(float mph, std::span<char> buf, bool native = false);
  static char* HumStr(float percent, std::span<char> buf);
  static char* BarStr(float inches, std::span<char> buf, bool native = false);
  static char* RainStr(float inches, std::span<char> buf, bool native = false);
  static char* ETStr(float inches, std::span<char> buf, bool native = false);
  static char* SolarRadStr(float wattsPerSquareMetre, std::span<char> buf);
  static char* UVStr(std::int16_t tenths, std::span<char> buf);
  static char* LeafSoilStr(std::int16_t value, std::span<char> buf);
  static char* GetAirDensityStr(float density, std::span<char> buf);
  static char* DomDirStr(int sector, std::span<char> buf);  // 0 = N, clockwise
  static char* BarTrendStr(int trend, std::span<char> buf);

  // Unit kind of a weather-data identifier (bits 5..9).
  [[nodiscard]] static constexpr int UnitKind(std::uint32_t tag) { return static_cast<int>((tag >> 5) & 0x1F); }
  // Unit text of the tag's kind into buf (at most len - 1 characters, terminated);
  // empty when the kind has none. Returns buf.
  static char* GetUnitStr(std::uint32_t tag, char* buf, int len);
  // Decimals of the tag's kind; `shortForm` asks for the shorter inHg barometer form.
  [[nodiscard]] static int NumDecimals(std::uint32_t tag, bool shortForm = false);
  // Live unit code of the tag's kind's setting (0 for kinds without one).
  [[nodiscard]] static int GetUnits(std::uint32_t tag);

  // Name text number `which` / colour number `which` of `tag` in the current station's
  // browser data list: 1 found, 0 not in the list (or no list installed),
  // kSensorArgError for `which` outside 0..3 or a null output.
  [[nodiscard]] static int GetSensorName(std::uint32_t tag, int which, char* buf, int len);
  [[nodiscard]] static int GetSensorColor(std::uint32_t tag, int which, std::uint32_t* out);
  // The list stays owned by the caller and must outlive its installation; pass nullptr
  // to remove it.
  static void SetSensorList(const SensorList* list);
};

}  // namespace sq
