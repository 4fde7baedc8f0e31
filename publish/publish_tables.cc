#include "publish/publish_tables.h"

#include <array>

#include "app/station.h"

namespace sq {
namespace {

using namespace sensor;  // NOLINT: the tables read better with bare sensor names

constexpr ReportEntry kReports[] = {
    {report_bit::kNoaaThisMonth, "noaa-month", "NOAAMO.TXT", "Report: NOAA This Month"},
    {report_bit::kNoaaLastMonth, "noaa-last-month", "NOAAPRMO.TXT", "Report: NOAA Last Month"},
    {report_bit::kNoaaThisYear, "noaa-year", "NOAAYR.TXT", "Report: NOAA This Year"},
    {report_bit::kNoaaLastYear, "noaa-last-year", "NOAAPRYR.TXT", "Report: NOAA Last Year"},
    {report_bit::kArchive2Day, "archive-2day", "downld02.txt", "Report: 2 Day Archive"},
    {report_bit::kArchiveWeek, "archive-week", "downld08.txt", "Report: 1 Week Archive"},
    {report_bit::kWeatherUnderground, "wu", "", "Weather Underground upload"},
    {report_bit::kAprs, "aprs", "", "APRS upload"},
};

constexpr SensorNeed S(std::uint32_t mask) { return {0, mask}; }
constexpr SensorNeed S1(std::uint32_t mask) { return {1, mask}; }
constexpr SensorNeed kNone{};
constexpr std::uint32_t kTH = kOutsideTemp | kOutsideHum;
constexpr std::uint32_t kInTH = kInsideTemp | kInsideHum;

constexpr ImageEntry kCurrent[kCurrentImageCount] = {
    {0, "InsideTemp.gif", S(kInsideTemp)},
    {1, "OutsideTemp.gif", S(kOutsideTemp)},
    {2, "InsideHeatIndex.gif", S(kInTH)},
    {3, "HeatIndex.gif", S(kTH)},
    {4, "InsideHumidity.gif", S(kInsideHum)},
    {5, "OutsideHumidity.gif", S(kOutsideHum)},
    {6, "InsideDewPoint.gif", S(kInTH)},
    {7, "DewPoint.gif", S(kTH)},
    {8, "WindSpeed.gif", S(kWindSpeed)},
    {9, "10MinAvgWindSpeed.gif", S(kWindSpeed)},
    {10, "WindDirection.gif", S(kWindDir)},
    {11, "WindChill.gif", S(kOutsideTemp | kWindSpeed)},
    {12, "Rain.gif", S(kRain)},
    {13, "RainStorm.gif", S(kRain)},
    {14, "MonthlyRain.gif", S(kRain)},
    {15, "YearlyRain.gif", S(kRain)},
    {16, "ET.gif", S(kSolar)},
    {17, "Barometer.gif", S(kBarometer)},
    {18, "MonthlyET.gif", S(kSolar)},
    {19, "YearlyET.gif", S(kSolar)},
    {20, "SolarRad.gif", S(kSolar)},
    {21, "UV.gif", S(kUv)},
    {22, "RainRate.gif", S(kRainRate)},
    {23, "EMC.gif", S(kTH)},
    {24, "AirDensity.gif", S(kTH | kBarometer)},
    {25, "THW.gif", S(kTH | kWindSpeed)},
    {26, "LeafWetness1.gif", S(kLeafWetness1)},
    {27, "LeafWetness2.gif", S(kLeafWetness1 << 1)},
    {28, "LeafTemp1.gif", S(kLeafTemp1)},
    {29, "LeafTemp2.gif", S(kLeafTemp1 << 1)},
    {30, "Humidity2.gif", S(kExtraHum1)},
    {31, "Humidity3.gif", S(kExtraHum2)},
    {32, "Temperature2.gif", S(kExtraTemp1)},
    {33, "Temperature3.gif", S(kExtraTemp2)},
    {34, "Temperature4.gif", S(kExtraTemp3)},
    {35, "SoilMoist1.gif", S(kSoilMoisture1)},
    {36, "SoilMoist2.gif", S(kSoilMoisture1 << 1)},
    {37, "SoilMoist3.gif", S(kSoilMoisture1 << 2)},
    {38, "SoilMoist4.gif", S(kSoilMoisture1 << 3)},
    {39, "SoilTemp1.gif", S(kSoilTemp1)},
    {40, "SoilTemp2.gif", S(kSoilTemp1 << 1)},
    {41, "SoilTemp3.gif", S(kSoilTemp1 << 2)},
    {42, "SoilTemp4.gif", S(kSoilTemp1 << 3)},
};

constexpr ImageEntry kHistorical[kHistoricalImageCount] = {
    {0, "InsideTempHistory.gif", S(kInsideTemp)},
    {1, "OutsideTempHistory.gif", S(kOutsideTemp)},
    {2, "InsideHeatIndexHistory.gif", S(kInTH)},
    {3, "HeatIndexHistory.gif", S(kTH)},
    {4, "InsideHumidityHistory.gif", S(kInsideHum)},
    {5, "OutsideHumidityHistory.gif", S(kOutsideHum)},
    {6, "InsideDewPointHistory.gif", S(kInTH)},
    {7, "DewPointHistory.gif", S(kTH)},
    {8, "WindSpeedHistory.gif", S(kWindSpeed)},
    {9, "HiWindSpeedHistory.gif", S(kWindSpeed)},
    {10, "WindDirectionHistory.gif", S(kWindDir)},
    {11, "WindChillHistory.gif", S(kOutsideTemp | kWindSpeed)},
    {12, "RainHistory.gif", S(kRain)},
    {13, "ETHistory.gif", S(kSolar)},
    {14, "BarometerHistory.gif", S(kBarometer)},
    {15, "SolarRadHistory.gif", S(kSolar)},
    {16, "UVHistory.gif", S(kUv)},
    {17, "Temperature2History.gif", S(kExtraTemp1)},
    {18, "Humidity2History.gif", S(kExtraHum1)},
    {19, "RainRateHistory.gif", S(kRainRate)},
    {20, "SoilMoist1History.gif", S(kSoilMoisture1)},
    {21, "SoilTemp1History.gif", S(kSoilTemp1)},
    {22, "LeafWet1History.gif", S(kLeafWetness1)},
    {23, "LeafTemp1History.gif", S(kLeafTemp1)},
    {24, "ReceptionHistory.gif", kNone},
    {25, "Temperature3History.gif", S(kExtraTemp2)},
    {26, "Temperature4History.gif", S(kExtraTemp3)},
    {27, "Humidity3History.gif", S(kExtraHum2)},
    {28, "LeafWet2History.gif", S(kLeafWetness1 << 1)},
    {29, "LeafTemp2History.gif", S(kLeafTemp1 << 1)},
    {30, "EMCHistory.gif", S(kTH)},
    {31, "AirDensityHistory.gif", S(kTH | kBarometer)},
    {32, "SoilMoist2History.gif", S(kSoilMoisture1 << 1)},
    {33, "SoilMoist3History.gif", S(kSoilMoisture1 << 2)},
    {34, "SoilMoist4History.gif", S(kSoilMoisture1 << 3)},
    {35, "SoilTemp2History.gif", S(kSoilTemp1 << 1)},
    {36, "SoilTemp3History.gif", S(kSoilTemp1 << 2)},
    {37, "SoilTemp4History.gif", S(kSoilTemp1 << 3)},
    {38, "HeatDegDaysHistory.gif", S(kOutsideTemp)},
    {39, "CoolDegDaysHistory.gif", S(kOutsideTemp)},
    {40, "WindRunHistory.gif", S(kWindSpeed)},
    {41, "THWHistory.gif", S(kTH | kWindSpeed)},
    {42, "HighWindDirHistory.gif", S(kWindDir)},
    {43, "HighSolarRadHistory.gif", S1(kHighSolar)},
    {44, "HighUVHistory.gif", S1(kHighUv)},
    {45, "SolarEnergyHistory.gif", S(kSolar)},
    {46, "UVDoseHistory.gif", S(kUv)},
    {47, "THSWHistory.gif", S(kTH | kWindSpeed | kSolar)},
};

constexpr SpanEntry kSpans[] = {
    {0, "1h", "1 hour back"},
    {1, "4h", "4 hours back"},
    {2, "8h", "8 hours back"},
    {3, "12h", "12 hours back"},
    {11, "6h", "6 hours back"},
    {4, "24h", "24 hours back"},
    {5, "2days", "midnight 2 days back"},
    {6, "6days", "midnight 6 days back"},
    {12, "13days", "midnight 13 days back"},
    {7, "30days", "midnight 30 days back"},
    {13, "3months", "the current month and the two before it"},
    {8, "12months", "the current month and the eleven before it"},
    {9, "none", "no period"},
};

}  // namespace

std::span<const ReportEntry> Reports() { return kReports; }
std::span<const ImageEntry> CurrentImages() { return kCurrent; }
std::span<const ImageEntry> HistoricalImages() { return kHistorical; }

std::span<const SpanEntry> Spans() { return kSpans; }

std::optional<std::uint32_t> SpanCodeFromKey(std::string_view key) {
  for (const auto& s : kSpans) {
    if (s.key == key) return s.code;
  }
  return std::nullopt;
}

std::string_view SpanKey(std::uint32_t code) {
  for (const auto& s : kSpans) {
    if (s.code == code) return s.key;
  }
  return "none";
}

}  // namespace sq
