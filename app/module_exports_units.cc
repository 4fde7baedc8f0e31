// Exported to expansion modules: units and conversions, value text and derived weather
// quantities (see stratoquill/module.h for the contract). Thin C wrappers over the
// program's own operations.
#include <span>

#include "foundation/display_units.h"
#include "foundation/weather_calc.h"
#include "stratoquill/module.h"

namespace {

using sq::DisplayUnits;

std::span<char> Text(char* buf) { return buf ? std::span<char>(buf, SQ_TEXT_SIZE) : std::span<char>(); }

}  // namespace

extern "C" {

float ConvertTemp(float value, int direction) { return DisplayUnits::ConvertTemp(value, direction); }
float ConvertBar(float value, int direction) { return DisplayUnits::ConvertBar(value, direction); }
float ConvertSpeed(float value, int direction) { return DisplayUnits::ConvertSpeed(value, direction); }
float ConvertRain(float value, int direction) { return DisplayUnits::ConvertRain(value, direction); }
float ConvertRate(float value, int direction) { return DisplayUnits::ConvertRate(value, direction); }
float ConvertElevation(short value, int direction) { return DisplayUnits::ConvertElevation(value, direction); }
float ConvertDegDay(float value, int direction) { return DisplayUnits::ConvertDegDay(value, direction); }

void SetTempUnit(int code) { DisplayUnits::SetTempUnit(code); }
void SetBarUnit(int code) { DisplayUnits::SetBarUnit(code); }
void SetWindSpeedUnit(int code) { DisplayUnits::SetWindSpeedUnit(code); }
void SetRainUnit(int code) { DisplayUnits::SetRainUnit(code); }
void SetElevUnit(int code) { DisplayUnits::SetElevUnit(code); }
void SetDensityUnit(int code) { DisplayUnits::SetDensityUnit(code); }
void SetHumPrecision(int decimals) { DisplayUnits::SetHumPrecision(decimals); }
int GetTempUnit(void) { return DisplayUnits::GetTempUnit(); }
int GetBarUnit(void) { return DisplayUnits::GetBarUnit(); }
int GetWindSpeedUnit(void) { return DisplayUnits::GetWindSpeedUnit(); }
int GetRainUnit(void) { return DisplayUnits::GetRainUnit(); }
int GetElevUnit(void) { return DisplayUnits::GetElevUnit(); }
int GetDensityUnit(void) { return DisplayUnits::GetDensityUnit(); }
int GetHumPrecision(void) { return DisplayUnits::GetHumPrecision(); }
void SaveUnits(void) { DisplayUnits::SaveUnits(); }
void RestoreUnits(void) { DisplayUnits::RestoreUnits(); }

char* GetUnitStr(uint32_t dataId, char* buf, int len) {
  if (buf == nullptr || len <= 0) return buf;
  return DisplayUnits::GetUnitStr(dataId, buf, len);
}
char* TempStr(float degF, char* buf, int native) {
  return buf ? DisplayUnits::TempStr(degF, Text(buf), native != 0) : buf;
}
char* SpeedStr(float mph, char* buf, int native) {
  return buf ? DisplayUnits::SpeedStr(mph, Text(buf), native != 0) : buf;
}
char* DomDirStr(int sector, char* buf) { return buf ? DisplayUnits::DomDirStr(sector, Text(buf)) : buf; }
char* HumStr(float percent, char* buf) { return buf ? DisplayUnits::HumStr(percent, Text(buf)) : buf; }
char* BarStr(float inHg, char* buf, int native) {
  return buf ? DisplayUnits::BarStr(inHg, Text(buf), native != 0) : buf;
}
char* BarTrendStr(int trend, char* buf) { return buf ? DisplayUnits::BarTrendStr(trend, Text(buf)) : buf; }
char* RainStr(float inches, char* buf, int native) {
  return buf ? DisplayUnits::RainStr(inches, Text(buf), native != 0) : buf;
}
char* ETStr(float inches, char* buf, int native) {
  return buf ? DisplayUnits::ETStr(inches, Text(buf), native != 0) : buf;
}
char* SolarRadStr(float wattsPerM2, char* buf) { return buf ? DisplayUnits::SolarRadStr(wattsPerM2, Text(buf)) : buf; }
char* UVStr(short tenths, char* buf) { return buf ? DisplayUnits::UVStr(tenths, Text(buf)) : buf; }
char* LeafSoilStr(short value, char* buf) { return buf ? DisplayUnits::LeafSoilStr(value, Text(buf)) : buf; }
char* GetAirDensityStr(float density, char* buf) {
  return buf ? DisplayUnits::GetAirDensityStr(density, Text(buf)) : buf;
}
int NumDecimals(uint32_t dataId) { return DisplayUnits::NumDecimals(dataId); }
int GetSensorName(uint32_t dataId, int which, char* buf, int len) {
  if (buf == nullptr || len <= 0) return DisplayUnits::kSensorArgError;
  return DisplayUnits::GetSensorName(dataId, which, buf, len);
}
int GetSensorColor(uint32_t dataId, int which, uint32_t* color) {
  return DisplayUnits::GetSensorColor(dataId, which, color);
}

float CalcDew(float degF, float humidity) { return sq::CalcDew(degF, humidity); }
float CalcChill(float degF, float mph) { return sq::CalcChill(degF, mph); }
float CalcHeat(float degF, float humidity) { return sq::CalcHeat(degF, humidity); }
float CalcTHW(float degF, float humidity, float mph) { return sq::CalcTHW(degF, humidity, mph); }
float CalcTHSW(float degF, float humidity, float mph, float solar) { return sq::CalcTHSW(degF, humidity, mph, solar); }
float CalcAirDensity(float degF, float inHg, float humidity) { return sq::CalcAirDensity(degF, inHg, humidity); }
float CalcEMC(float degF, float humidity) { return sq::CalcEMC(degF, humidity); }

}  // extern "C"
