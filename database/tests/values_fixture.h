// Shared set-up of the record-value tests: program-wide display units and time settings
// back at their defaults around every test, and a record with every sensor present.
#pragma once

#include <gtest/gtest.h>

#include "database/data_record.h"
#include "database/weather_data_object.h"
#include "foundation/date_time.h"
#include "foundation/display_units.h"

namespace sq::testing {

inline void DefaultUnits() {
  DisplayUnits::SetTempUnit(DisplayUnits::kFahrenheit);
  DisplayUnits::SetBarUnit(DisplayUnits::kBarInches);
  DisplayUnits::SetWindSpeedUnit(DisplayUnits::kMph);
  DisplayUnits::SetRainUnit(DisplayUnits::kRainInches);
  DisplayUnits::SetDensityUnit(DisplayUnits::kPoundsPerCubicFoot);
  DisplayUnits::SetHumPrecision(0);
  DateTime::timeChoice = 0;
  DateTime::timeSepChar = ':';
}

class ValuesTest : public ::testing::Test {
 protected:
  void SetUp() override { DefaultUnits(); }
  void TearDown() override { DefaultUnits(); }
};

// 12:30, 30 minutes, transmitter id 2, every sensor reading.
inline DataRecord FullRecord() {
  DataRecord r = NewDataRecord();
  r.archive_interval = 30;
  r.flags_b = 2;
  r.packed_time = 750;
  r.outside_temp = 725;
  r.hi_outside_temp = 805;
  r.low_outside_temp = 650;
  r.inside_temp = 701;
  r.barometer = 29921;
  r.outside_hum = 554;
  r.inside_hum = 403;
  r.rain = 0x1000 | 25;  // 25 clicks of 0.01 in
  r.hi_rain_rate = 120;
  r.wind_speed = 100;
  r.hi_wind_speed = 253;
  r.wind_direction = 4;
  r.hi_wind_direction = 6;
  r.wind_samples = 600;
  r.solar_rad = 500;
  r.hi_solar_rad = 812;
  r.uv = 35;
  r.hi_uv = 52;
  r.extra_rad = 430;
  r.et = 12;
  for (int i = 0; i < 4; ++i) r.leaf_temp[i] = static_cast<std::uint8_t>(150 + i);  // 60..63 °F
  for (int i = 0; i < 6; ++i) r.soil_temp[i] = static_cast<std::uint8_t>(140 + i);  // 50..55 °F
  for (int i = 0; i < 6; ++i) r.soil_moisture[i] = static_cast<std::uint8_t>(10 + i);
  for (int i = 0; i < 4; ++i) r.leaf_wetness[i] = static_cast<std::uint8_t>(1 + i);
  for (int i = 0; i < 7; ++i) r.extra_temp[i] = static_cast<std::uint8_t>(160 + i);  // 70..76 °F
  for (int i = 0; i < 7; ++i) r.extra_hum[i] = static_cast<std::uint8_t>(40 + i);
  return r;
}

}  // namespace sq::testing
