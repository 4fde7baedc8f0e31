// WeatherDataID: the 32-bit name of a weather quantity that every consumer of stored
// data (browsers, plots, reports, exports, publishing, modules) hands to a record
// object to get a value back.
//
//   bits  0-4   calculation  (kCalc...)
//   bits  5-9   unit class   (kClass...; chooses units, unit text and decimals)
//   bits 10-14  statistic    (kStat...; 0..3 archive variables, 4..9 day variables)
//   bit  15     zero
//   bits 16-23  category of a measured value (kCat...), the humidity sensor of a
//               derived value, or the base temperature of degree days
//   bits 24-31  sensor (kSensor...); for derived temperatures the temperature sensor
#pragma once

#include <cstdint>

namespace sq {

struct WeatherDataID {
  // Calculations (bits 0-4).
  static constexpr int kCalcMeasured = 0;
  static constexpr int kCalcDewPoint = 1;
  static constexpr int kCalcWindChill = 2;
  static constexpr int kCalcHeatIndex = 3;
  static constexpr int kCalcTHW = 4;
  static constexpr int kCalcTHSW = 5;
  static constexpr int kCalcWetBulb = 6;
  static constexpr int kCalcWindRun = 7;
  static constexpr int kCalcDegreeDays = 8;
  static constexpr int kCalcSolarEnergy = 9;
  static constexpr int kCalcUVDose = 10;
  static constexpr int kCalcAirDensity = 11;
  static constexpr int kCalcEMC = 12;
  static constexpr int kCalcET = 13;
  static constexpr int kCalcNone = 14;

  // Unit classes (bits 5-9).
  static constexpr int kClassTemp = 0;
  static constexpr int kClassDegreeDays = 1;
  static constexpr int kClassRain = 2;
  static constexpr int kClassRainRate = 3;
  static constexpr int kClassWindSpeed = 4;
  static constexpr int kClassDirection = 5;
  static constexpr int kClassWindDir = 6;
  static constexpr int kClassBarometer = 7;
  static constexpr int kClassSolar = 10;
  static constexpr int kClassSolarEnergy = 11;
  static constexpr int kClassUV = 12;
  static constexpr int kClassUVDose = 13;
  static constexpr int kClassPercent = 14;
  static constexpr int kClassSoilMoisture = 15;
  static constexpr int kClassCount = 16;
  static constexpr int kClassCode = 17;
  static constexpr int kClassWindRun = 18;
  static constexpr int kClassElevation = 19;
  static constexpr int kClassAirDensity = 20;

  // Statistics (bits 10-14).
  static constexpr int kStatValue = 0;
  static constexpr int kStatTotal = 1;
  static constexpr int kStatHigh = 2;
  static constexpr int kStatLow = 3;
  static constexpr int kStatDayHigh = 4;
  static constexpr int kStatDayHighCompanion = 5;
  static constexpr int kStatDayLow = 6;
  static constexpr int kStatDayLowCompanion = 7;
  static constexpr int kStatDayAverage = 8;
  static constexpr int kStatDayTotal = 9;
  static constexpr int kLastArchiveStat = kStatLow;

  // Categories of measured values (bits 16-23).
  static constexpr int kCatTemp = 0;
  static constexpr int kCatHum = 1;
  static constexpr int kCatWindSpeed = 2;
  static constexpr int kCatWindDir = 3;
  static constexpr int kCatBarometer = 4;
  static constexpr int kCatRain = 5;
  static constexpr int kCatRainRate = 6;
  static constexpr int kCatSolar = 7;
  static constexpr int kCatUV = 8;
  static constexpr int kCatSoilMoisture = 9;
  static constexpr int kCatLeafWetness = 10;
  static constexpr int kCatNone = 11;
  static constexpr int kCatRecordInfo = 12;

  // Sensors (bits 24-31).
  static constexpr int kSensorOutside = 0;
  static constexpr int kSensorInside = 1;
  static constexpr int kSensorFirstExtra = 2;  // extra temperatures/humidities 1..7
  static constexpr int kSensorLastExtra = 8;
  static constexpr int kSensorFirstSoil = 9;  // soil temperatures/moistures 1..6
  static constexpr int kSensorLastSoil = 14;
  static constexpr int kSensorFirstLeaf = 15;  // leaf temperatures/wetnesses 1..4
  static constexpr int kSensorLastLeaf = 18;
  static constexpr int kSensorExtraRad = 1;  // solar category: extra solar radiation
  // Record-information category.
  static constexpr int kInfoArchiveInterval = 0;
  static constexpr int kInfoTransmitter = 1;
  static constexpr int kInfoWindSamples = 2;
  static constexpr int kInfoReception = 3;
  static constexpr int kInfoPackedTime = 7;
  static constexpr int kInfoExpectedSamples = 8;

  std::uint32_t value = 0;

  constexpr WeatherDataID() = default;
  constexpr explicit WeatherDataID(std::uint32_t v) : value(v) {}
  // Builds an identifier from its fields (each masked to its width).
  [[nodiscard]] static constexpr WeatherDataID Make(int calc, int unitClass, int stat, int param, int sensor) {
    return WeatherDataID(
        (static_cast<std::uint32_t>(calc) & 0x1F) | ((static_cast<std::uint32_t>(unitClass) & 0x1F) << 5) |
        ((static_cast<std::uint32_t>(stat) & 0x1F) << 10) | ((static_cast<std::uint32_t>(param) & 0xFF) << 16) |
        ((static_cast<std::uint32_t>(sensor) & 0xFF) << 24));
  }

  [[nodiscard]] constexpr int Calculation() const { return static_cast<int>(value & 0x1F); }
  [[nodiscard]] constexpr int UnitClass() const { return static_cast<int>((value >> 5) & 0x1F); }
  [[nodiscard]] constexpr int Statistic() const { return static_cast<int>((value >> 10) & 0x1F); }
  [[nodiscard]] constexpr int Category() const { return static_cast<int>((value >> 16) & 0xFF); }
  [[nodiscard]] constexpr int Parameter() const { return Category(); }
  [[nodiscard]] constexpr int Sensor() const { return static_cast<int>((value >> 24) & 0xFF); }

  [[nodiscard]] constexpr bool IsArchiveVariable() const { return Statistic() <= kLastArchiveStat; }
  [[nodiscard]] constexpr bool IsDayVariable() const {
    return Statistic() >= kStatDayHigh && Statistic() <= kStatDayTotal;
  }
  [[nodiscard]] constexpr bool IsMonthVariable() const { return false; }
  [[nodiscard]] constexpr bool IsSum() const { return Statistic() == kStatTotal || Statistic() == kStatDayTotal; }
  [[nodiscard]] constexpr bool IsHigh() const { return Statistic() == kStatHigh || Statistic() == kStatDayHigh; }
  [[nodiscard]] constexpr bool IsLow() const { return Statistic() == kStatLow || Statistic() == kStatDayLow; }
  [[nodiscard]] constexpr bool IsDirection() const {
    return UnitClass() == kClassDirection || UnitClass() == kClassWindDir;
  }

  constexpr bool operator==(const WeatherDataID&) const = default;

  // ---- The catalogue's identifiers. ----
  static constexpr WeatherDataID OutsideTemp() { return WeatherDataID(0x00000000); }
  static constexpr WeatherDataID HighTemp() { return WeatherDataID(0x00000800); }
  static constexpr WeatherDataID LowTemp() { return WeatherDataID(0x00000C00); }
  static constexpr WeatherDataID OutsideHum() { return WeatherDataID(0x000101C0); }
  static constexpr WeatherDataID OutsideDewPoint() { return WeatherDataID(0x00000001); }
  static constexpr WeatherDataID WindSpeed() { return WeatherDataID(0x00020080); }
  static constexpr WeatherDataID WindDirection() { return WeatherDataID(0x000300C0); }
  static constexpr WeatherDataID WindRun() { return WeatherDataID(0x00020647); }
  static constexpr WeatherDataID HighWindSpeed() { return WeatherDataID(0x00020880); }
  static constexpr WeatherDataID HighWindDirection() { return WeatherDataID(0x000308C0); }
  static constexpr WeatherDataID WindChill() { return WeatherDataID(0x00000002); }
  static constexpr WeatherDataID HeatIndex() { return WeatherDataID(0x00000003); }
  static constexpr WeatherDataID THWIndex() { return WeatherDataID(0x00000004); }
  static constexpr WeatherDataID THSWIndex() { return WeatherDataID(0x00000005); }
  static constexpr WeatherDataID Barometer() { return WeatherDataID(0x000400E0); }
  static constexpr WeatherDataID Rain() { return WeatherDataID(0x00050440); }
  static constexpr WeatherDataID HighRainRate() { return WeatherDataID(0x00060860); }
  static constexpr WeatherDataID SolarRad() { return WeatherDataID(0x00070140); }
  static constexpr WeatherDataID SolarEnergy() { return WeatherDataID(0x00070569); }
  static constexpr WeatherDataID HighSolarRad() { return WeatherDataID(0x00070940); }
  static constexpr WeatherDataID ExtraSolarRad() { return WeatherDataID(0x01070140); }
  static constexpr WeatherDataID UVIndex() { return WeatherDataID(0x00080180); }
  static constexpr WeatherDataID UVDose() { return WeatherDataID(0x000805AA); }
  static constexpr WeatherDataID HighUVIndex() { return WeatherDataID(0x00080980); }
  static constexpr WeatherDataID HeatingDegreeDays() { return WeatherDataID(0x00410428); }
  static constexpr WeatherDataID CoolingDegreeDays() { return WeatherDataID(0x00BF0428); }
  static constexpr WeatherDataID InsideTemp() { return WeatherDataID(0x01000000); }
  static constexpr WeatherDataID InsideHum() { return WeatherDataID(0x010101C0); }
  static constexpr WeatherDataID InsideDewPoint() { return WeatherDataID(0x01010001); }
  static constexpr WeatherDataID InsideHeatIndex() { return WeatherDataID(0x01010003); }
  static constexpr WeatherDataID InsideEMC() { return WeatherDataID(0x010101CC); }
  static constexpr WeatherDataID InsideAirDensity() { return WeatherDataID(0x0101028B); }
  static constexpr WeatherDataID Evapotranspiration() { return WeatherDataID(0x0000044D); }
  static constexpr WeatherDataID WindSamples() { return WeatherDataID(0x020C0220); }
  static constexpr WeatherDataID WindTransmitter() { return WeatherDataID(0x010C0220); }
  static constexpr WeatherDataID Reception() { return WeatherDataID(0x030C01C0); }
  static constexpr WeatherDataID ArchiveInterval() { return WeatherDataID(0x000C0220); }
  static constexpr WeatherDataID PackedTime() {
    return Make(kCalcMeasured, kClassCode, kStatValue, kCatRecordInfo, kInfoPackedTime);
  }
  static constexpr WeatherDataID ExpectedSamples() {
    return Make(kCalcMeasured, kClassCount, kStatValue, kCatRecordInfo, kInfoExpectedSamples);
  }

  // Numbered sensors; a number outside the range gives an identifier that names no
  // quantity (its accessors answer "no value").
  // Temperature n (2..8): extra temperature n - 1.
  static constexpr WeatherDataID Temperature(int n) { return Make(0, kClassTemp, 0, kCatTemp, n); }
  // Humidity n (2..8): extra humidity n - 1.
  static constexpr WeatherDataID Humidity(int n) { return Make(0, kClassPercent, 0, kCatHum, n); }
  static constexpr WeatherDataID SoilMoisture(int n) {
    return Make(0, kClassSoilMoisture, 0, kCatSoilMoisture, kSensorFirstSoil + n - 1);
  }
  static constexpr WeatherDataID SoilTemperature(int n) {
    return Make(0, kClassTemp, 0, kCatTemp, kSensorFirstSoil + n - 1);
  }
  static constexpr WeatherDataID LeafWetness(int n) {
    return Make(0, kClassCount, 0, kCatLeafWetness, kSensorFirstLeaf + n - 1);
  }
  static constexpr WeatherDataID LeafTemperature(int n) {
    return Make(0, kClassTemp, 0, kCatTemp, kSensorFirstLeaf + n - 1);
  }
};

static_assert(sizeof(WeatherDataID) == 4);
// The field layout reproduces the catalogue's numbers.
static_assert(WeatherDataID::Make(7, 18, 1, 2, 0) == WeatherDataID::WindRun());
static_assert(WeatherDataID::Make(8, 1, 1, 65, 0) == WeatherDataID::HeatingDegreeDays());
static_assert(WeatherDataID::Make(8, 1, 1, 256 - 65, 0) == WeatherDataID::CoolingDegreeDays());
static_assert(WeatherDataID::Make(0, 17, 0, 12, 2) == WeatherDataID::WindSamples());
static_assert(WeatherDataID::Make(0, 14, 0, 12, 3) == WeatherDataID::Reception());
static_assert(WeatherDataID::SoilMoisture(1).value == 0x090901E0);
static_assert(WeatherDataID::SoilMoisture(6).value == 0x0E0901E0);
static_assert(WeatherDataID::LeafWetness(1).value == 0x0F0A0200);
static_assert(WeatherDataID::LeafTemperature(4).value == 0x12000000);
static_assert(WeatherDataID::Humidity(8).value == 0x080101C0);
static_assert(WeatherDataID::Temperature(2).value == 0x02000000);

}  // namespace sq
