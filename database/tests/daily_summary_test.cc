// A day's summary built record by record, checked against values worked out by hand,
// and the day variables read back from it.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "database/daily_summary_object.h"
#include "database/tests/values_fixture.h"
#include "foundation/weather_calc.h"

namespace sq {
namespace {

using ID = WeatherDataID;
using testing::ValuesTest;

DateTime Day() { return DateTime(7, 14, 2026); }

DataRecord Blank(int time, int interval) {
  DataRecord r = NewDataRecord();
  r.packed_time = static_cast<std::int16_t>(time);
  r.archive_interval = static_cast<std::uint8_t>(interval);
  return r;
}

// 10:00, 30 minutes.
DataRecord First() {
  DataRecord r = Blank(600, 30);
  r.outside_temp = 500;
  r.hi_outside_temp = 520;
  r.low_outside_temp = 490;
  r.inside_temp = 700;
  r.barometer = 29900;
  r.outside_hum = 500;
  r.inside_hum = 400;
  r.rain = 0x1000 | 10;  // 0.10 in
  r.hi_rain_rate = 50;   // 0.50 in/h
  r.wind_speed = 50;
  r.hi_wind_speed = 150;
  r.wind_direction = 3;
  r.hi_wind_direction = 5;
  r.wind_samples = 300;
  r.solar_rad = 400;
  r.hi_solar_rad = 500;
  r.uv = 30;
  r.hi_uv = 60;
  r.et = 5;
  return r;
}

// 10:30, 30 minutes: warmer, the same high wind (a tie), no high solar or high UV.
DataRecord Second() {
  DataRecord r = Blank(630, 30);
  r.outside_temp = 600;
  r.hi_outside_temp = 620;
  r.low_outside_temp = 580;
  r.inside_temp = 720;
  r.barometer = 29800;
  r.outside_hum = 600;
  r.rain = 0x1000 | 5;
  r.hi_rain_rate = 120;
  r.wind_speed = 100;
  r.hi_wind_speed = 150;
  r.wind_direction = 3;
  r.hi_wind_direction = 9;
  r.wind_samples = 300;
  r.solar_rad = 300;
  r.uv = 40;
  r.et = 3;
  r.flags_b = kFlagBNegativeEt;
  return r;
}

// 15:00, 60 minutes: nothing but a wind direction.
DataRecord Third() {
  DataRecord r = Blank(900, 60);
  r.wind_direction = 7;
  return r;
}

DailySummaryObject BuildDay(const std::vector<DataRecord>& records) {
  DailySummaryObject s;
  s.Reset(Day());
  for (const DataRecord& r : records) EXPECT_EQ(s.ProcessDataRecord(WeatherDataObject(r)), 1);
  EXPECT_EQ(s.FinalProcessData(), 1);
  return s;
}

class DailySummaryTest : public ValuesTest {};

TEST_F(DailySummaryTest, DayBuiltRecordByRecord) {
  const DailySummaryObject s = BuildDay({First(), Second(), Third()});
  const DailySummary1& a = s.Summary1().Record();
  const DailySummary2& b = s.Summary2().Record();

  struct Field {
    const char* legend;
    int actual;
    int expected;
  };
  const Field fields[] = {
      {"data span", a.data_span, 120},
      {"average outside temperature", a.avg_out_temp, 550},
      {"heating degree days (15 x 30 + 5 x 30) / 1440", b.heat_dd, 4},
      {"cooling degree days", b.GetCoolDd(), 0},
      {"high outside temperature", a.hi_out_temp, 620},
      {"  its time", s.Summary1().GetTime(0), 630},
      {"low outside temperature", a.low_out_temp, 490},
      {"  its time", s.Summary1().GetTime(1), 600},
      {"high inside temperature", a.hi_in_temp, 720},
      {"low inside temperature", a.low_in_temp, 700},
      {"average inside temperature", a.avg_in_temp, 710},
      {"high barometer", a.hi_bar, 29900},
      {"low barometer", a.low_bar, 29800},
      {"  its time", s.Summary1().GetTime(13), 630},
      {"average barometer", a.avg_bar, 29850},
      {"high outside humidity", a.hi_out_hum, 600},
      {"average outside humidity", a.avg_out_hum, 550},
      {"low inside humidity", a.low_in_hum, 400},
      {"daily rain, thousandths", a.daily_rain, 150},
      {"high rain rate, hundredths in/h", a.hi_rain_rate, 120},
      {"  its time", s.Summary1().GetTime(16), 630},
      {"high wind speed", a.hi_speed, 150},
      {"  the tie keeps the earlier time", s.Summary1().GetTime(14), 600},
      {"  and the earlier direction", a.dir_hi_speed, 5},
      {"average wind speed", a.avg_speed, 75},
      {"wind run 2.5 + 5.0 miles, tenths", a.daily_wind_run, 75},
      {"wind bin 3", s.Summary2().GetWindBin(3), 60},
      {"wind bin 7", s.Summary2().GetWindBin(7), 60},
      {"wind samples", b.wind_samples, 600},
      {"high solar (the average when no high)", b.hi_solar, 500},
      {"solar energy 700 x 1800 / 41855 Ly, tenths", b.daily_solar_energy, 301},
      {"high UV stays the day's highest", a.hi_uv, 60},
      {"  its time", s.Summary1().GetTime(17), 600},
      {"UV dose (3.0 + 4.0) x 30 x 3 / 420 MED, tenths", a.daily_uv_dose, 15},
      {"ET 5 - 3 thousandths", b.daily_et, 2},
      {"high 10-minute speed never computed", a.hi_10min_speed, kNoValue16},
      {"its direction becomes 0", a.dir_hi_10min, 0},
  };
  for (const Field& f : fields) EXPECT_EQ(f.actual, f.expected) << f.legend;

  // Derived temperatures follow the formulas on the records' own values.
  const auto tenths = [](float v) { return static_cast<int>(std::lround(v * 10.0f)); };
  EXPECT_EQ(a.hi_dew, tenths(CalcDew(60.0f, 60.0f)));
  EXPECT_EQ(s.Summary1().GetTime(6), 630);
  EXPECT_EQ(a.low_dew, tenths(CalcDew(50.0f, 50.0f)));
  EXPECT_EQ(b.hi_wet_bulb, tenths(CalcWetBulb(60.0f, 60.0f)));
  EXPECT_EQ(s.Summary2().GetTime(7), 630);
}

TEST_F(DailySummaryTest, DayWithoutValuesKeepsMarkers) {
  const DailySummaryObject s = BuildDay({Third()});
  const DailySummary1& a = s.Summary1().Record();
  const DailySummary2& b = s.Summary2().Record();
  for (std::int16_t v :
       {a.hi_out_temp, a.hi_speed, a.low_out_temp, a.avg_out_temp, a.low_in_temp, a.low_chill, a.low_dew, a.low_out_hum,
        a.low_in_hum, a.low_bar, a.avg_bar, a.daily_uv_dose, a.daily_wind_run, b.daily_solar_energy, b.avg_heat}) {
    EXPECT_EQ(v, kNoValue16);
  }
  // The second record's lows keep their reset value.
  for (std::int16_t v : {b.low_heat, b.low_thsw, b.low_thw, b.low_wet_bulb}) EXPECT_EQ(v, kSummaryLowReset);
  EXPECT_EQ(a.daily_rain, 0);
  EXPECT_EQ(b.heat_dd, 0);
  EXPECT_EQ(a.dir_hi_speed, 0);
  EXPECT_EQ(a.hi_uv, kNoValue8);
  EXPECT_EQ(s.Summary1().GetTime(0), kSummary1NoTime);
  EXPECT_FLOAT_EQ(s.GetWeatherData(ID::Make(0, 0, ID::kStatDayHigh, 0, 0), false), DisplayUnits::kMissingFloat);
  EXPECT_EQ(s.GetWeatherDataStr(ID::Make(0, 0, ID::kStatDayLow, 0, 0)), "---");
  EXPECT_EQ(s.GetTimeValue(ID::Make(0, 0, ID::kStatDayHigh, 0, 0)), kNoValue16);
}

TEST_F(DailySummaryTest, UvDoseZeroIsStoredAndSamplesSaturate) {
  DataRecord r = Blank(60, 30);
  r.uv = 0;
  r.wind_samples = 30000;
  DataRecord r2 = r;
  r2.packed_time = 90;
  const DailySummaryObject s = BuildDay({r, r2});
  EXPECT_EQ(s.Summary1().Record().daily_uv_dose, 0);
  EXPECT_EQ(s.Summary2().Record().wind_samples, 32767);
}

TEST_F(DailySummaryTest, RainRateIsNativeWhateverTheDisplayUnit) {
  DisplayUnits::SetRainUnit(DisplayUnits::kRainMillimetres);
  DataRecord r = First();
  r.rain = 0x1000 | 10;  // collector code 1: 0.01 in per click
  r.hi_rain_rate = 120;
  const DailySummaryObject s = BuildDay({r});
  EXPECT_EQ(s.Summary1().Record().hi_rain_rate, 120);
  EXPECT_NEAR(s.GetWeatherData(ID::Make(0, ID::kClassRainRate, ID::kStatDayHigh, ID::kCatRainRate, 0), true),
              120 * 0.254, 1e-4);
}

TEST_F(DailySummaryTest, DayVariablesByIdentifier) {
  DisplayUnits::SetTempUnit(DisplayUnits::kCelsius);
  const DailySummaryObject s = BuildDay({First(), Second(), Third()});
  struct Row {
    const char* legend;
    ID id;
    bool native;
    float expected;
  };
  const float kM = DisplayUnits::kMissingFloat;
  const Row rows[] = {
      {"outside high, native", ID::Make(0, 0, ID::kStatDayHigh, 0, 0), true, 62.0f},
      {"outside high, user (C)", ID::Make(0, 0, ID::kStatDayHigh, 0, 0), false, (62.0f - 32) * 5 / 9},
      {"outside average", ID::Make(0, 0, ID::kStatDayAverage, 0, 0), true, 55.0f},
      {"inside low", ID::Make(0, 0, ID::kStatDayLow, 0, 1), true, 70.0f},
      {"THW has no average", ID::Make(ID::kCalcTHW, 0, ID::kStatDayAverage, 0, 0), true, kM},
      {"heating degree days, always F", ID::Make(8, 1, ID::kStatDayTotal, 65, 0), false, 0.4f},
      {"cooling degree days", ID::Make(8, 1, ID::kStatDayTotal, 191, 0), false, 0.0f},
      {"daily rain", ID::Make(0, 2, ID::kStatDayTotal, ID::kCatRain, 0), true, 0.15f},
      {"daily ET", ID::Make(ID::kCalcET, 2, ID::kStatDayTotal, 0, 0), true, 0.002f},
      {"high wind", ID::Make(0, 4, ID::kStatDayHigh, 2, 0), false, 15.0f},
      {"dominant direction, lowest bin on a tie", ID::Make(0, 6, ID::kStatDayAverage, 3, 0), false, 3.0f},
      {"direction of high wind", ID::Make(0, 6, ID::kStatDayHigh, 3, 0), false, 5.0f},
      {"barometer low", ID::Make(0, 7, ID::kStatDayLow, 4, 0), false, 29.8f},
      {"data span", ID::Make(0, 9, ID::kStatDayTotal, ID::kCatNone, 0), false, 120.0f},
      {"high solar", ID::Make(0, 10, ID::kStatDayHigh, 7, 0), false, 500.0f},
      {"solar energy", ID::Make(9, 11, ID::kStatDayTotal, 7, 0), false, 30.1f},
      {"high UV", ID::Make(0, 12, ID::kStatDayHigh, 8, 0), false, 6.0f},
      {"UV dose", ID::Make(10, 13, ID::kStatDayTotal, 8, 0), false, 1.5f},
      {"outside humidity average", ID::Make(0, 14, ID::kStatDayAverage, 1, 0), false, 55.0f},
      {"inside humidity has no average", ID::Make(0, 14, ID::kStatDayAverage, 1, 1), false, kM},
      {"wind run", ID::Make(7, 18, ID::kStatDayTotal, 2, 0), false, 7.5f},
      {"archive statistic", ID::OutsideTemp(), true, kM},
  };
  for (const Row& r : rows) {
    EXPECT_NEAR(s.GetWeatherData(r.id, r.native), r.expected, 1e-4) << r.legend;
  }
}

TEST_F(DailySummaryTest, TimesOfHighsAndLows) {
  const DailySummaryObject s = BuildDay({First(), Second(), Third()});
  const ID high = ID::Make(0, 0, ID::kStatDayHigh, 0, 0);
  EXPECT_EQ(s.GetTimeValue(high), 630);
  EXPECT_EQ(s.GetTimeValue(ID::Make(0, 0, ID::kStatDayHighCompanion, 0, 0)), 630);
  EXPECT_EQ(s.GetTimeValue(ID::Make(0, 0, ID::kStatDayLowCompanion, 0, 0)), 600);
  EXPECT_EQ(s.GetTimeValue(ID::Make(0, 10, ID::kStatDayHigh, 7, 0)), 600);  // second record, slot 0
  EXPECT_EQ(s.GetTimeValue(ID::Make(0, 0, ID::kStatDayAverage, 0, 0)), kNoValue16);
  EXPECT_EQ(s.GetExportTimeStr(high), "10:30 a");
  EXPECT_EQ(s.GetTimeStr(high), "10:30a");
  DateTime::timeChoice = 1;
  EXPECT_EQ(s.GetExportTimeStr(high), "10:30");
  EXPECT_EQ(s.GetTimeStr(high), "10:30");
}

TEST_F(DailySummaryTest, DateStateGuardsAccumulation) {
  DailySummaryObject s;
  EXPECT_EQ(s.DateState(), DailySummaryObject::kPlainReset);
  EXPECT_EQ(s.ProcessDataRecord(WeatherDataObject(First())), 0);  // not accumulating
  EXPECT_EQ(s.FinalProcessData(), 0);

  DailySummary1Object one(NewDailySummary1(), DateTime(7, 14, 2026));
  DailySummary2Object two(NewDailySummary2(), DateTime(7, 15, 2026));
  EXPECT_EQ(s.SetDailySummary1(one), 1);
  EXPECT_EQ(s.SetDailySummary2(two), 1);
  EXPECT_EQ(s.DateState(), DailySummaryObject::kFirstDiffers);
  EXPECT_FALSE(s.SameDate(Day()));
  EXPECT_EQ(s.SetDailySummary1(DailySummary1Object(NewDailySummary1(), DateTime(7, 15, 2026))), 1);
  EXPECT_EQ(s.DateState(), DailySummaryObject::kSameDate);
  EXPECT_TRUE(s.SameDate(DateTime(7, 15, 2026)));
  // A record of the wrong type is refused.
  DailySummary1Object wrong;
  wrong.MutableRecord().record_type = kRecordTypeSummary2;
  EXPECT_EQ(s.SetDailySummary1(wrong), 0);
  // Loaded summaries are not accumulating; Reset(date) starts a day.
  EXPECT_EQ(s.ProcessDataRecord(WeatherDataObject(First())), 0);
  s.Reset(Day());
  EXPECT_TRUE(s.GetEditStatus());
  EXPECT_TRUE(s.SameDate(Day()));
  EXPECT_EQ(s.Day().packed_time, -1);
  EXPECT_EQ(s.ProcessDataRecord(WeatherDataObject(First())), 1);
}

}  // namespace
}  // namespace sq
