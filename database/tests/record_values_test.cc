#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "database/tests/values_fixture.h"
#include "database/variable_catalogue.h"
#include "database/weather_data_object.h"
#include "foundation/weather_calc.h"

namespace sq {
namespace {

using ID = WeatherDataID;
using testing::FullRecord;
using testing::ValuesTest;
constexpr float kM = DisplayUnits::kMissingFloat;

std::string F(const char* fmt, double v) {
  char b[64];
  std::snprintf(b, sizeof b, fmt, v);
  return b;
}

// Every identifier of the catalogue on a record with all sensors present, in native
// units and as display text with the default (US) units.
TEST_F(ValuesTest, FullRecordAnswersEveryCatalogueIdentifier) {
  const WeatherDataObject rec(FullRecord());
  const float dew = CalcDew(72.5f, 55.4f);
  const float chill = CalcChill(72.5f, 10.0f);
  const float heat = CalcHeat(72.5f, 55.4f);
  const float thw = CalcTHW(72.5f, 55.4f, 10.0f);
  const float thsw = CalcTHSW(72.5f, 55.4f, 10.0f, 430.0f);
  const float in_dew = CalcDew(70.1f, 40.3f);
  const float in_heat = CalcHeat(70.1f, 40.3f);
  const float emc = CalcEMC(70.1f, 40.3f);
  const float density = CalcAirDensity(70.1f, 29.921f, 40.3f, 0);
  struct Row {
    const char* legend;
    ID id;
    double native;
    std::string text;
  };
  std::vector<Row> rows = {
      {"outside temp", ID::OutsideTemp(), 72.5, "72.5"},
      {"high temp", ID::HighTemp(), 80.5, "80.5"},
      {"low temp", ID::LowTemp(), 65.0, "65.0"},
      {"outside hum", ID::OutsideHum(), 55.4, "55"},
      {"dew point", ID::OutsideDewPoint(), dew, F("%.1f", dew)},
      {"wind speed", ID::WindSpeed(), 10.0, "10.0"},
      {"wind dir", ID::WindDirection(), 4, "E"},
      {"wind run", ID::WindRun(), 5.0, "5.00"},
      {"high wind", ID::HighWindSpeed(), 25.3, "25.3"},
      {"high wind dir", ID::HighWindDirection(), 6, "SE"},
      {"wind chill", ID::WindChill(), chill, F("%.1f", chill)},
      {"heat index", ID::HeatIndex(), heat, F("%.1f", heat)},
      {"THW", ID::THWIndex(), thw, F("%.1f", thw)},
      {"THSW", ID::THSWIndex(), thsw, F("%.1f", thsw)},
      {"barometer", ID::Barometer(), 29.921, "29.921"},
      {"rain", ID::Rain(), 0.25, "0.25"},
      {"rain rate", ID::HighRainRate(), 1.2, "1.20"},
      {"solar", ID::SolarRad(), 500, "500"},
      {"solar energy", ID::SolarEnergy(), 500.0 * 30 * 60 / 41855, "21.50"},
      {"high solar", ID::HighSolarRad(), 812, "812"},
      {"extra rad", ID::ExtraSolarRad(), 430, "430"},
      {"UV", ID::UVIndex(), 3.5, "3.5"},
      {"UV dose", ID::UVDose(), 0.75, "0.75"},
      {"high UV", ID::HighUVIndex(), 5.2, "5.2"},
      {"heating dd", ID::HeatingDegreeDays(), 0.0, "0.000"},
      {"cooling dd", ID::CoolingDegreeDays(), 7.5 * 30 / 1440, "0.156"},
      {"inside temp", ID::InsideTemp(), 70.1, "70.1"},
      {"inside hum", ID::InsideHum(), 40.3, "40"},
      {"inside dew", ID::InsideDewPoint(), in_dew, F("%.1f", in_dew)},
      {"inside heat", ID::InsideHeatIndex(), in_heat, F("%.1f", in_heat)},
      {"inside EMC", ID::InsideEMC(), emc, F("%.2f", emc)},
      {"inside density", ID::InsideAirDensity(), density, F("%.4f", density)},
      {"ET", ID::Evapotranspiration(), 0.012, "0.012"},
      {"wind samples", ID::WindSamples(), 600, "600"},
      {"transmitter", ID::WindTransmitter(), 2, "3"},
      {"reception", ID::Reception(), 600.0 * 100 / 651, "92.2"},
      {"archive interval", ID::ArchiveInterval(), 30, "30"},
      {"packed time", ID::PackedTime(), 750, "12:30p"},
      {"expected samples", ID::ExpectedSamples(), 651, "651"},
  };
  for (int n = 2; n <= 8; ++n) {
    rows.push_back({"temperature n", ID::Temperature(n), 70.0 + n - 2, F("%.1f", 70.0 + n - 2)});
    rows.push_back({"humidity n", ID::Humidity(n), 40.0 + n - 2, F("%.0f", 40.0 + n - 2)});
  }
  for (int n = 1; n <= 6; ++n) {
    rows.push_back({"soil moisture n", ID::SoilMoisture(n), 9.0 + n, F("%.0f", 9.0 + n)});
    rows.push_back({"soil temp n", ID::SoilTemperature(n), 49.0 + n, F("%.1f", 49.0 + n)});
  }
  for (int n = 1; n <= 4; ++n) {
    rows.push_back({"leaf wetness n", ID::LeafWetness(n), 1.0 * n, F("%.0f", 1.0 * n)});
    rows.push_back({"leaf temp n", ID::LeafTemperature(n), 59.0 + n, F("%.1f", 59.0 + n)});
  }
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.legend) + " " + std::to_string(r.id.value));
    EXPECT_NEAR(rec.GetWeatherData(r.id, true), r.native, 1e-4);
    EXPECT_EQ(rec.GetWeatherDataStr(r.id), r.text);
  }
  // Every variable of the catalogue has a value on this record.
  for (const auto& v : FullCatalogue()) {
    SCOPED_TRACE(v.name);
    EXPECT_NE(rec.GetWeatherData(v.id, false), kM);
  }
}

// A reset record has nothing measured; only the counts it starts with answer.
TEST_F(ValuesTest, ResetRecordGivesMissingValuesAndTexts) {
  WeatherDataObject rec;
  EXPECT_FALSE(rec.ValidData());
  for (const auto& v : FullCatalogue()) {
    SCOPED_TRACE(v.name);
    const float got = rec.GetWeatherData(v.id, false);
    const std::string text = rec.GetWeatherDataStr(v.id);
    if (v.id == ID::Rain()) {
      EXPECT_EQ(got, 0.0f);  // a reset record holds no rain, not "unknown rain"
      EXPECT_EQ(text, "0.00");
    } else if (v.id == ID::ArchiveInterval() || v.id == ID::WindSamples() || v.id == ID::Reception()) {
      EXPECT_EQ(got, 0.0f);
    } else if (v.id == ID::WindTransmitter()) {
      EXPECT_EQ(text, "1");
    } else {
      EXPECT_EQ(got, kM);
      EXPECT_EQ(text, v.id == ID::Barometer() ? "------" : "---");
    }
  }
  DataRecord r = NewDataRecord();
  r.rain = kNoRain;
  r.barometer = 15999;  // below 16 inHg reads as no value
  const WeatherDataObject unknown(r);
  EXPECT_EQ(unknown.GetWeatherDataStr(ID::Rain()), "    ---");
  EXPECT_EQ(unknown.GetWeatherData(ID::Barometer(), true), kM);
  EXPECT_EQ(unknown.GetWeatherDataStr(ID::Barometer()), "------");
  EXPECT_EQ(unknown.GetWeatherDataStr(ID::PackedTime()), "---");
}

// Identifiers that look close to real ones but name nothing in an archive record.
TEST_F(ValuesTest, IdentifiersWithoutArchiveValue) {
  const WeatherDataObject rec(FullRecord());
  const ID none[] = {
      ID(0x00000C01),                     // dew point with statistic 3
      ID(0x00001000),                     // day high: a daily-summary variable
      ID(0x0000000E),                     // calculation 14
      ID::Make(0, 0, 2, 0, 1),            // inside temperature high
      ID::Make(0, 0, 0, 0, 19),           // temperature sensor beyond the leaves
      ID::Make(0, 0, 0, 1, 2),            // measured temperature with bits 16-23 set
      ID::Make(0, 14, 0, 1, 9),           // humidity sensor 9
      ID::Make(0, 0, 0, 11, 0),           // category "none"
      ID::Make(0, 17, 0, 12, 4),          // record information 4
      ID(ID::Barometer().value | 0x800),  // barometer "high"
      ID(ID::Rain().value + 0x01000000),  // rain of sensor 1
      ID::Make(0, 15, 0, 9, 8),           // soil moisture below sensor 9
      ID::Make(0, 16, 0, 10, 19),         // leaf wetness 5
      ID::Make(0, 6, 3, 3, 0),            // wind direction statistic 3
      ID::Make(1, 0, 0, 9, 0),            // dew point of humidity sensor 9
  };
  for (const ID id : none) {
    SCOPED_TRACE(id.value);
    EXPECT_EQ(rec.GetWeatherData(id, true), kM);
    EXPECT_EQ(rec.GetWeatherDataStr(id), "---");
  }
}

// A computed value needs every one of its inputs, and only those.
TEST_F(ValuesTest, ComputedValuesNeedTheirInputs) {
  DataRecord r = FullRecord();
  r.outside_hum = kNoValue16;
  WeatherDataObject rec(r);
  EXPECT_EQ(rec.GetWeatherData(ID::OutsideDewPoint(), true), kM);
  EXPECT_EQ(rec.GetWeatherData(ID::THWIndex(), true), kM);
  EXPECT_NE(rec.GetWeatherData(ID::WindChill(), true), kM);  // no humidity in wind chill
  r = FullRecord();
  r.extra_rad = kNoValue16;
  rec.SetRecord(r);
  EXPECT_EQ(rec.GetWeatherData(ID::THSWIndex(), true), kM);
  EXPECT_NE(rec.GetWeatherData(ID::THWIndex(), true), kM);
  r = FullRecord();
  r.barometer = 32767;
  rec.SetRecord(r);
  EXPECT_EQ(rec.GetWeatherData(ID::InsideAirDensity(), false), kM);
  r = FullRecord();
  r.outside_temp = 32767;  // the second temperature marker
  rec.SetRecord(r);
  EXPECT_EQ(rec.GetWeatherData(ID::OutsideTemp(), true), kM);
  EXPECT_EQ(rec.GetWeatherData(ID::HeatingDegreeDays(), true), kM);
  r = FullRecord();
  r.rain = 0x7000 | 5;  // code 7 names no collector
  r.hi_rain_rate = 100;
  rec.SetRecord(r);
  EXPECT_EQ(rec.GetWeatherData(ID::Rain(), true), kM);
  EXPECT_NEAR(rec.GetRainRate(ID::HighRainRate(), true), 1.0, 1e-6);  // counted as 0.01 in
  r.rain = kNoRain;
  rec.SetRecord(r);
  EXPECT_NEAR(rec.GetRainRate(ID::HighRainRate(), true), 10.0, 1e-5);  // code 0: 0.1 in
}

TEST_F(ValuesTest, IntegratedValues) {
  DataRecord r = NewDataRecord();
  r.archive_interval = 144;
  r.outside_temp = 550;
  WeatherDataObject rec(r);
  EXPECT_NEAR(rec.GetWeatherData(ID::HeatingDegreeDays(), true), 1.0, 1e-6);
  EXPECT_EQ(rec.GetWeatherData(ID::CoolingDegreeDays(), true), 0.0f);
  DisplayUnits::SetTempUnit(DisplayUnits::kCelsius);
  EXPECT_NEAR(rec.GetWeatherData(ID::HeatingDegreeDays(), false), 5.0 / 9.0, 1e-6);
  EXPECT_NEAR(rec.GetWeatherData(ID::HeatingDegreeDays(), true), 1.0, 1e-6);
  // Degree days of another sensor and base: inside, base 60.
  r.inside_temp = 500;
  rec.SetRecord(r);
  EXPECT_NEAR(rec.GetWeatherData(ID::Make(8, 1, 1, 60, 1), true), 10.0 * 144 / 1440, 1e-6);

  // UV dose follows the station's dose factor.
  r = FullRecord();
  rec.SetRecord(r);
  SiteDescription site;
  site.uv_dose_factor = 2.0f;
  rec.SetSite(site);
  EXPECT_NEAR(rec.GetWeatherData(ID::UVDose(), false), 1.5, 1e-6);
}

// User units for every unit setting.
TEST_F(ValuesTest, UserUnits) {
  const WeatherDataObject rec(FullRecord());
  struct Row {
    const char* legend;
    void (*apply)();
    ID id;
    double user;
    const char* text;
  };
  const Row rows[] = {
      {"°C average", [] { DisplayUnits::SetTempUnit(1); }, ID::OutsideTemp(), 22.5, "22.5"},
      {"°C high", [] { DisplayUnits::SetTempUnit(1); }, ID::HighTemp(), 26.9444, "26.9"},
      {"°C byte", [] { DisplayUnits::SetTempUnit(1); }, ID::Temperature(2), 21.1111, "21.1"},
      {"°C dew", [] { DisplayUnits::SetTempUnit(1); }, ID::OutsideDewPoint(), (CalcDew(72.5f, 55.4f) - 32) * 5 / 9,
       nullptr},
      {"°C cooling dd", [] { DisplayUnits::SetTempUnit(1); }, ID::CoolingDegreeDays(), 0.15625 * 5 / 9, "0.087"},
      {"mm Hg", [] { DisplayUnits::SetBarUnit(1); }, ID::Barometer(), 29921 * 0.0254, "760.0"},
      {"mb", [] { DisplayUnits::SetBarUnit(2); }, ID::Barometer(), 29921 * 0.033864, "1013.2"},
      {"hPa", [] { DisplayUnits::SetBarUnit(3); }, ID::Barometer(), 29921 * 0.033864, "1013.2"},
      {"knots", [] { DisplayUnits::SetWindSpeedUnit(1); }, ID::WindSpeed(), 100 / 11.5, "8.7"},
      {"km/h", [] { DisplayUnits::SetWindSpeedUnit(2); }, ID::HighWindSpeed(), 253 * 0.1609344, "40.7"},
      {"m/s", [] { DisplayUnits::SetWindSpeedUnit(3); }, ID::WindSpeed(), 4.4704, "4.5"},
      {"run knots", [] { DisplayUnits::SetWindSpeedUnit(1); }, ID::WindRun(), 5 / 1.15, "4.35"},
      {"run km/h", [] { DisplayUnits::SetWindSpeedUnit(2); }, ID::WindRun(), 8.04672, "8.05"},
      {"run m/s", [] { DisplayUnits::SetWindSpeedUnit(3); }, ID::WindRun(), 8.04672, "8.05"},
      {"rain mm", [] { DisplayUnits::SetRainUnit(1); }, ID::Rain(), 6.35, "6.35"},
      {"rate mm", [] { DisplayUnits::SetRainUnit(1); }, ID::HighRainRate(), 30.48, "30.5"},
      {"ET mm", [] { DisplayUnits::SetRainUnit(1); }, ID::Evapotranspiration(), 0.3048, "0.30"},
      {"density kg", [] { DisplayUnits::SetDensityUnit(1); }, ID::InsideAirDensity(),
       CalcAirDensity(70.1f, 29.921f, 40.3f, 1), nullptr},
      {"humidity 1 decimal", [] { DisplayUnits::SetHumPrecision(1); }, ID::OutsideHum(), 55.4, "55.4"},
      {"humidity 1 decimal, extra", [] { DisplayUnits::SetHumPrecision(1); }, ID::Humidity(2), 40, "40.0"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.legend);
    testing::DefaultUnits();
    r.apply();
    EXPECT_NEAR(rec.GetWeatherData(r.id, false), r.user, 1e-3);
    if (r.text) {
      EXPECT_EQ(rec.GetWeatherDataStr(r.id), r.text);
    }
  }
  // Rain rate and ET come back in the user's units from the generic query even when
  // native units are asked for; their own accessors honour the flag.
  DisplayUnits::SetRainUnit(1);
  EXPECT_NEAR(rec.GetWeatherData(ID::HighRainRate(), true), 30.48, 1e-3);
  EXPECT_NEAR(rec.GetRainRate(ID::HighRainRate(), true), 1.2, 1e-6);
  EXPECT_NEAR(rec.GetWeatherData(ID::Evapotranspiration(), true), 0.3048, 1e-5);
  EXPECT_NEAR(rec.GetET(ID::Evapotranspiration(), true), 0.012, 1e-6);
  EXPECT_NEAR(rec.GetWeatherData(ID::Rain(), true), 0.25, 1e-6);
  // Negative ET.
  DataRecord r = FullRecord();
  r.flags_b |= kFlagBNegativeEt;
  EXPECT_EQ(WeatherDataObject(r).GetWeatherDataStr(ID::Evapotranspiration()), "-0.30");
}

// Values stored through SetWeatherData read back within one step of their encoding,
// under every unit setting.
TEST_F(ValuesTest, SetThenGetRoundTrips) {
  struct Units {
    int temp, bar, wind, rain;
  };
  const Units settings[] = {{0, 0, 0, 0}, {1, 1, 1, 1}, {1, 2, 2, 1}, {0, 3, 3, 0}};
  struct Row {
    ID id;
    float value;  // in user units (converted below for the unit-free quantities)
  };
  const Row rows[] = {
      {ID::OutsideTemp(), 21.37f},
      {ID::HighTemp(), -12.06f},
      {ID::LowTemp(), 0.04f},
      {ID::InsideTemp(), 19.99f},
      {ID::Temperature(5), 23.4f},
      {ID::SoilTemperature(6), 11.6f},
      {ID::LeafTemperature(1), -3.3f},
      {ID::OutsideHum(), 63.27f},
      {ID::InsideHum(), 0.0f},
      {ID::Humidity(8), 99.6f},
      {ID::WindSpeed(), 7.33f},
      {ID::HighWindSpeed(), 31.9f},
      {ID::WindDirection(), 13},
      {ID::HighWindDirection(), 0},
      {ID::Barometer(), 0},  // set below
      {ID::Rain(), 3.33f},
      {ID::HighRainRate(), 12.7f},
      {ID::SolarRad(), 812.4f},
      {ID::HighSolarRad(), 1203},
      {ID::ExtraSolarRad(), -150},
      {ID::UVIndex(), 7.26f},
      {ID::HighUVIndex(), 16.0f},
      {ID::SoilMoisture(3), 187},
      {ID::LeafWetness(4), 15},
      {ID::Evapotranspiration(), -0.21f},
      {ID::ArchiveInterval(), 10},
      {ID::WindTransmitter(), 5},
      {ID::WindSamples(), 412},
  };
  for (const Units& u : settings) {
    testing::DefaultUnits();
    DisplayUnits::SetTempUnit(u.temp);
    DisplayUnits::SetBarUnit(u.bar);
    DisplayUnits::SetWindSpeedUnit(u.wind);
    DisplayUnits::SetRainUnit(u.rain);
    const double temp_step = u.temp ? 0.1 / 1.8 : 0.1;
    const double byte_temp_step = u.temp ? 1 / 1.8 : 1.0;
    const double speed_step = DisplayUnits::ConvertSpeed(static_cast<std::int16_t>(1), false);
    const double bar_step = DisplayUnits::ConvertBar(1.0f) / 1000;
    const double rain_step = u.rain ? 0.2 : 0.01;
    for (Row row : rows) {
      SCOPED_TRACE(std::to_string(row.id.value) + " units " + std::to_string(u.temp) + std::to_string(u.bar) +
                   std::to_string(u.wind) + std::to_string(u.rain));
      if (row.id == ID::Barometer()) row.value = DisplayUnits::ConvertBar(29.876f);
      if (row.id == ID::Evapotranspiration() && u.rain) row.value *= 25.4f;
      WeatherDataObject rec;
      rec.SetRecord(FullRecord());
      ASSERT_EQ(rec.SetWeatherData(row.id, row.value, false), 1);
      double step = 0.0;
      const ID id = row.id;
      if (id.Category() == ID::kCatTemp)
        step = id.Sensor() <= 1 ? temp_step : byte_temp_step;
      else if (id.Category() == ID::kCatHum)
        step = id.Sensor() <= 1 ? 0.1 : 1.0;
      else if (id.Category() == ID::kCatWindSpeed)
        step = speed_step;
      else if (id == ID::Barometer())
        step = bar_step;
      else if (id == ID::Rain() || id == ID::HighRainRate())
        step = rain_step;
      else if (id.Category() == ID::kCatSolar || id.Category() == ID::kCatSoilMoisture)
        step = 1.0;
      else if (id.Category() == ID::kCatUV)
        step = 0.1;
      else if (id == ID::Evapotranspiration())
        step = u.rain ? 0.0254 : 0.001;
      EXPECT_NEAR(rec.GetWeatherData(id, false), row.value, step / 2 + 1e-4);
      // Missing goes back to the field's marker where the field has one.
      if (id.Category() != ID::kCatRecordInfo && id != ID::Rain()) {
        ASSERT_EQ(rec.SetWeatherData(id, DisplayUnits::kMissingFloat, false), 1);
        EXPECT_EQ(rec.GetWeatherData(id, false), kM);
      }
    }
  }
}

TEST_F(ValuesTest, NativeSetsTakeRecordUnits) {
  DisplayUnits::SetTempUnit(1);
  DisplayUnits::SetRainUnit(1);
  DisplayUnits::SetBarUnit(2);
  WeatherDataObject rec;
  ASSERT_EQ(rec.SetWeatherData(ID::OutsideTemp(), 80.55f, true), 1);
  EXPECT_EQ(rec.Record().outside_temp, 806);  // half away from zero
  ASSERT_EQ(rec.SetWeatherData(ID::OutsideTemp(), -0.05f, true), 1);
  EXPECT_EQ(rec.Record().outside_temp, -1);
  ASSERT_EQ(rec.SetWeatherData(ID::Temperature(3), -90.0f, true), 1);
  EXPECT_EQ(rec.Record().extra_temp[1], 0);
  ASSERT_EQ(rec.SetWeatherData(ID::Barometer(), 30.012f, true), 1);
  EXPECT_EQ(rec.Record().barometer, 30012);
  ASSERT_EQ(rec.SetWeatherData(ID::Rain(), 1.0f, true), 1);  // inches, stored in 0.2 mm clicks
  EXPECT_EQ(rec.Record().rain, 0x2000 | 127);
}

// Values that the record cannot hold are refused and leave it as it was.
TEST_F(ValuesTest, SettersRefuseWhatTheFieldCannotHold) {
  const DataRecord before = FullRecord();
  WeatherDataObject rec(before);
  struct Row {
    const char* legend;
    ID id;
    float value;
  };
  const Row rows[] = {
      {"byte temp too hot", ID::Temperature(2), 300.0f},
      {"temp beyond 16 bits", ID::OutsideTemp(), 5000.0f},
      {"humidity above 100", ID::OutsideHum(), 100.5f},
      {"extra humidity below 0", ID::Humidity(3), -1.0f},
      {"negative wind", ID::WindSpeed(), -1.0f},
      {"direction 16", ID::WindDirection(), 16.0f},
      {"barometer below 16 in", ID::Barometer(), 12.0f},
      {"rain beyond 4095 clicks", ID::Rain(), 41.0f},
      {"negative rain", ID::Rain(), -0.01f},
      {"negative rate", ID::HighRainRate(), -1.0f},
      {"UV above 16", ID::UVIndex(), 16.1f},
      {"leaf wetness 16", ID::LeafWetness(1), 16.0f},
      {"ET beyond the byte", ID::Evapotranspiration(), 0.3f},
      {"interval 0", ID::ArchiveInterval(), 0.0f},
      {"interval 256", ID::ArchiveInterval(), 256.0f},
      {"transmitter 8", ID::WindTransmitter(), 7.6f},
      {"reception", ID::Reception(), 50.0f},
      {"expected samples", ID::ExpectedSamples(), 50.0f},
      {"derived", ID::OutsideDewPoint(), 50.0f},
      {"computed", ID::WindRun(), 1.0f},
      {"day variable", ID(0x00001000), 50.0f},
      {"infinity", ID::OutsideTemp(), INFINITY},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.legend);
    rec.SetRecord(before);
    EXPECT_EQ(rec.SetWeatherData(r.id, r.value, false), 0);
    EXPECT_EQ(ToBytes(rec.Record()), ToBytes(before));
  }
}

// Changing the rain collector code through a rain edit keeps the stored rate's meaning.
TEST_F(ValuesTest, RainEditKeepsRateMeaning) {
  WeatherDataObject rec(FullRecord());  // code 1, 120 clicks/h = 1.20 in/h
  DisplayUnits::SetRainUnit(1);
  ASSERT_EQ(rec.SetWeatherData(ID::Rain(), 5.0f, false), 1);  // now code 2 (0.2 mm)
  EXPECT_EQ(rec.Record().rain >> 12, 2);
  EXPECT_NEAR(rec.GetWeatherData(ID::HighRainRate(), false), 30.48, 0.1);
  ASSERT_EQ(rec.SetWeatherData(ID::Rain(), kM, false), 1);  // unknown rain: rate in code 0
  EXPECT_EQ(rec.Record().rain, kNoRain);
  EXPECT_NEAR(rec.GetRainRate(ID::HighRainRate(), true), 1.2, 0.05);
}

TEST_F(ValuesTest, ExpectedSamplesAndReception) {
  struct Row {
    int interval, tx, samples;
    int expected;
    double reception;  // kM: no value
  };
  const Row rows[] = {
      {5, 0, 114, 114, 100.0},
      {5, 0, 120, 114, 100.0},  // limited to 100
      {5, 0, 57, 114, 50.0},
      {5, 7, 90, 97, 90.0 * 100 / 97},  // 2.9375 s apart: 102 sent, 5 allowed lost
      {30, 2, 600, 651, 600.0 * 100 / 651},
      {1, 0, 10, 23, 10.0 * 100 / 23},
      {0, 0, 10, 0, 0.0},  // nothing expected
      {5, 0, -32768, 114, kM},
      {5, 0, -3, 114, kM},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.interval) + "/" + std::to_string(r.tx) + "/" + std::to_string(r.samples));
    DataRecord d = NewDataRecord();
    d.archive_interval = static_cast<std::uint8_t>(r.interval);
    d.flags_b = static_cast<std::uint8_t>(r.tx);
    d.wind_samples = static_cast<std::int16_t>(r.samples);
    const WeatherDataObject rec(d);
    const double period = 2.5 + r.tx / 16.0;
    const double span = r.interval * 60.0;
    EXPECT_EQ(rec.GetExpectedSamples(), static_cast<int>(span / period - std::trunc(span / (20 * period) + 0.5)));
    EXPECT_EQ(rec.GetExpectedSamples(), r.expected);
    if (r.reception == kM) {
      EXPECT_EQ(rec.GetReception(), kM);
      EXPECT_EQ(rec.GetWeatherDataStr(ID::Reception()), "---");
    } else {
      EXPECT_NEAR(rec.GetReception(), r.reception, 1e-4);
    }
  }
}

TEST_F(ValuesTest, RecordInformationSetters) {
  DataRecord d = NewDataRecord();
  d.flags_a = kFlagAHasNote | kFlagAEdited | 5;
  WeatherDataObject rec(d);
  // The icon replaces the icon bits only; note and edit marks stay.
  ASSERT_EQ(rec.SetWeatherIcon(3), 1);
  EXPECT_EQ(rec.GetWeatherIcon(), 3);
  EXPECT_TRUE(rec.HaveANote());
  EXPECT_TRUE(rec.GetEditStatus());
  EXPECT_EQ(rec.SetWeatherIcon(16), 0);
  rec.RemoveNote();
  rec.SetEditStatus(false);
  EXPECT_EQ(rec.Record().flags_a, 3);
  rec.AddNote();
  EXPECT_EQ(rec.Record().flags_a, kFlagAHasNote | 3);

  // A new transmitter id replaces the old one and keeps the ET sign.
  rec.SetRecord([] {
    DataRecord r = NewDataRecord();
    r.flags_b = kFlagBNegativeEt | 2;
    return r;
  }());
  ASSERT_EQ(rec.SetTxId(5), 1);
  ASSERT_EQ(rec.SetTxId(1), 1);
  EXPECT_EQ(rec.GetTxId(), 1);
  EXPECT_EQ(rec.Record().flags_b, kFlagBNegativeEt | 1);
  EXPECT_EQ(rec.SetTxId(8), 0);
  EXPECT_EQ(rec.GetWeatherDataStr(ID::WindTransmitter()), "2");

  EXPECT_EQ(rec.SetPackedTime(0), 0);
  EXPECT_EQ(rec.SetPackedTime(1441), 0);
  ASSERT_EQ(rec.SetPackedTime(1440), 1);
  EXPECT_TRUE(rec.ValidData());
  EXPECT_EQ(rec.SetArchivePer(256), 0);
  ASSERT_EQ(rec.SetArchivePer(15), 1);
  ASSERT_EQ(rec.SetWindSamples(-5), 1);
  EXPECT_EQ(rec.Record().wind_samples, kNoValue16);
  EXPECT_EQ(rec.GetWeatherDataStr(ID::WindSamples()), "---");
}

TEST_F(ValuesTest, TimeTexts) {
  struct Row {
    int packed;
    int choice;
    char sep;
    const char* display;
    const char* exported;
  };
  const Row rows[] = {
      {1440, 0, ':', "12:00a", "12:00 a"}, {5, 0, ':', "12:05a", "12:05 a"},   {545, 0, ':', " 9:05a", "9:05 a"},
      {720, 0, ':', "12:00p", "12:00 p"},  {750, 0, '.', "12.30p", "12.30 p"}, {1439, 0, ':', "11:59p", "11:59 p"},
      {1440, 1, ':', "00:00", "00:00"},    {545, 1, ':', " 9:05", "9:05"},     {1335, 1, 'h', "22h15", "22h15"},
      {-32768, 0, ':', "---", "---"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.packed);
    DateTime::timeChoice = static_cast<std::uint8_t>(r.choice);
    DateTime::timeSepChar = r.sep;
    DataRecord d = NewDataRecord();
    d.packed_time = static_cast<std::int16_t>(r.packed);
    const WeatherDataObject rec(d);
    EXPECT_EQ(rec.GetTimeStr(), r.display);
    EXPECT_EQ(rec.GetExportTimeStr(), r.exported);
  }
}

TEST_F(ValuesTest, TextFitsSmallBuffers) {
  const WeatherDataObject rec(FullRecord());
  char small[4];
  EXPECT_STREQ(rec.GetWeatherDataStr(ID::Barometer(), std::span<char>(small)), "29.");
  char none[1] = {'x'};
  EXPECT_STREQ(rec.GetWeatherDataStr(ID::Rain(), std::span<char>(none)), "");
}

}  // namespace
}  // namespace sq
