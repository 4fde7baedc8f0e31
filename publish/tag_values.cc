#include "publish/tag_values.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <span>

#include "app/station.h"
#include "foundation/clock.h"
#include "foundation/display_units.h"
#include "foundation/sun_moon.h"
#include "foundation/weather_calc.h"
#include "publish/hilows_layout.h"
#include "publish/template_tags.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"

namespace sq {
namespace {

using DU = DisplayUnits;
using Q = DayQuantity;
namespace hl = hilows;

constexpr const char* kDash = "---";

bool Missing(float v) { return DU::IsMissingTemp(v); }

// How a value is written.
enum class Fmt { kTemp, kHum, kBar, kWind, kSolar, kUv, kRain, kRate, kEt, kPlain, kEmc, kDensity };

// How a highs-and-lows value is stored in the block.
enum class Raw { kTempTenths, kTempWhole, kTempByte, kHum, kBar, kWind, kSolar, kUv, kRate, kPlain };

Fmt FormatOf(Raw r) {
  switch (r) {
    case Raw::kTempTenths:
    case Raw::kTempWhole:
    case Raw::kTempByte:
      return Fmt::kTemp;
    case Raw::kHum:
      return Fmt::kHum;
    case Raw::kBar:
      return Fmt::kBar;
    case Raw::kWind:
      return Fmt::kWind;
    case Raw::kSolar:
      return Fmt::kSolar;
    case Raw::kUv:
      return Fmt::kUv;
    case Raw::kRate:
      return Fmt::kRate;
    case Raw::kPlain:
      return Fmt::kPlain;
  }
  return Fmt::kPlain;
}

template <typename F>
std::string Text(F&& f) {
  char buf[48];
  f(std::span<char>(buf));
  return buf;
}

// `v` in internal units (rain and rate already in inches); "---" when missing.
std::string Format(Fmt f, float v) {
  if (Missing(v)) return kDash;
  switch (f) {
    case Fmt::kTemp:
      return Text([&](std::span<char> b) { DU::TempStr(v, b); });
    case Fmt::kHum:
      return Text([&](std::span<char> b) { DU::HumStr(v, b); });
    case Fmt::kBar:
      return Text([&](std::span<char> b) { DU::BarStr(v, b); });
    case Fmt::kWind:
      return Text([&](std::span<char> b) { DU::SpeedStr(v, b); });
    case Fmt::kSolar:
      return Text([&](std::span<char> b) { DU::SolarRadStr(v, b); });
    case Fmt::kUv:
      return Text([&](std::span<char> b) { DU::UVStr(static_cast<std::int16_t>(std::lround(v * 10.0f)), b); });
    case Fmt::kRain:
    case Fmt::kRate:
      return Text([&](std::span<char> b) { DU::RainStr(v, b); });
    case Fmt::kEt:
      return Text([&](std::span<char> b) { DU::ETStr(v, b); });
    case Fmt::kPlain:
      return Text([&](std::span<char> b) { DU::LeafSoilStr(static_cast<std::int16_t>(v), b); });
    case Fmt::kEmc: {
      char buf[32];
      std::snprintf(buf, sizeof buf, "%.1f", static_cast<double>(v));
      return buf;
    }
    case Fmt::kDensity:
      return Text([&](std::span<char> b) { DU::GetAirDensityStr(v, b); });
  }
  return kDash;
}

// hour × 100 + minute as time text.
std::string ClockTime(int hhmm) {
  if (hhmm < 0 || hhmm / 100 > 23 || hhmm % 100 > 59) return kDash;
  DateTime t;
  t.packed_time = static_cast<std::int16_t>(hhmm / 100 * 60 + hhmm % 100);
  t.UnpackTime();
  return t.GetTimeStr();
}

std::string MinuteTime(int minute) {
  if (minute < 0 || minute >= 1440) return kDash;
  return ClockTime(minute / 60 * 100 + minute % 60);
}

float HumidityValue(int h) {
  if (h == 255 || h == 127 || h == 128 || h < 0) return kPageNoValue;
  return static_cast<float>(h > 100 ? 100 : h);
}

float ByteTemp(std::uint8_t b) { return b == 255 ? kPageNoValue : static_cast<float>(b) - 90.0f; }
float Plain(std::uint8_t b) { return b == 255 ? kPageNoValue : static_cast<float>(b); }

// What one tag shows.
enum class Kind {
  kDash,      // always "---"
  kCurrent,   // a current value
  kHigh,      // a high or low of today (older consoles too)
  kHighTime,  // the time of one
  kLongTerm,  // hour, month or year extremes: the current family only
  kSpecial,   // worked out in GetTagValue
};

// Current values, by what they are computed from.
enum class Cur {
  kInsideTemp,
  kOutsideTemp,
  kInsideHum,
  kOutsideHum,
  kBarometer,
  kWind,
  kWindAvg,
  kYearRain,
  kDayRain,
  kMonthRain,
  kStormRain,
  kRainRate,
  kDayEt,
  kMonthEt,
  kYearEt,
  kSolar,
  kUv,
  kOutsideDew,
  kInsideDew,
  kChill,
  kOutsideHeat,
  kInsideHeat,
  kThw,
  kEmc,
  kDensity,
  kExtraTemp,
  kExtraHum,
  kSoilTemp,
  kLeafTemp,
  kSoilMoist,
  kLeafWet,
};

struct TagRule {
  Kind kind = Kind::kDash;
  int word = 0;              // sensor word
  std::uint32_t sensor = 0;  // sensor mask; 0 = no test
  Cur cur = Cur::kInsideTemp;
  Fmt fmt = Fmt::kPlain;
  int index = 0;  // sensor number - 1 for the extra, soil and leaf sensors
  Raw raw = Raw::kPlain;
  std::size_t offset = 0;  // in the highs-and-lows block
  Q quantity = Q::kOutsideTemp;
  bool high = true;
};

using sensor::kBarometer;
using sensor::kExtraHum1;
using sensor::kExtraTemp1;
using sensor::kInsideHum;
using sensor::kInsideTemp;
using sensor::kLeafTemp1;
using sensor::kLeafWetness1;
using sensor::kOutsideHum;
using sensor::kOutsideTemp;
using sensor::kRain;
using sensor::kRainRate;
using sensor::kSoilMoisture1;
using sensor::kSoilTemp1;
using sensor::kSolar;
using sensor::kUv;
using sensor::kWindDir;
using sensor::kWindSpeed;
constexpr std::uint32_t kTH = kOutsideTemp | kOutsideHum;
constexpr std::uint32_t kInTH = kInsideTemp | kInsideHum;

// A numbered sensor's tags: current value, high, its time, low, its time.
using Tags5 = std::array<int, 5>;

class Table {
 public:
  Table() {
    using namespace tag;  // NOLINT: the table lists tags by name
    Current(insideTemp, 0, Cur::kInsideTemp, Fmt::kTemp);
    Current(outsideTemp, kOutsideTemp, Cur::kOutsideTemp, Fmt::kTemp);
    Current(insideHumidity, kInsideHum, Cur::kInsideHum, Fmt::kHum);
    Current(outsideHumidity, kOutsideHum, Cur::kOutsideHum, Fmt::kHum);
    Current(barometer, kBarometer, Cur::kBarometer, Fmt::kBar);
    Current(windSpeed, kWindSpeed, Cur::kWind, Fmt::kWind);
    Current(wind10Avg, kWindSpeed, Cur::kWindAvg, Fmt::kWind);
    Special(windDir, kWindDir);
    Special(windDirection, kWindDir);
    Current(totalRain, kRain, Cur::kYearRain, Fmt::kRain);
    Current(dailyRain, kRain, Cur::kDayRain, Fmt::kRain);
    Current(monthlyRain, kRain, Cur::kMonthRain, Fmt::kRain);
    Current(stormRain, kRain, Cur::kStormRain, Fmt::kRain);
    Current(rainRate, kRainRate, Cur::kRainRate, Fmt::kRate);
    Current(dailyEt, kSolar, Cur::kDayEt, Fmt::kEt);
    Current(monthlyEt, kSolar, Cur::kMonthEt, Fmt::kEt);
    Current(yearlyEt, kSolar, Cur::kYearEt, Fmt::kEt);
    Current(solarRad, kSolar, Cur::kSolar, Fmt::kSolar);
    Current(uv, kUv, Cur::kUv, Fmt::kUv);
    Special(sunriseTime, 0);
    Special(sunsetTime, 0);

    Day(lowBarometer, lowBarometerTime, kBarometer, Raw::kBar, hl::kBarDayLow, hl::kBarDayLowTime, Q::kBarometer,
        false);
    Day(hiBarometer, hiBarometerTime, kBarometer, Raw::kBar, hl::kBarDayHigh, hl::kBarDayHighTime, Q::kBarometer, true);
    Long(lowMonthlyBarometer, kBarometer, Raw::kBar, hl::kBarMonthLow);
    Long(hiMonthlyBarometer, kBarometer, Raw::kBar, hl::kBarMonthHigh);
    Long(lowYearlyBarometer, kBarometer, Raw::kBar, hl::kBarYearLow);
    Long(hiYearlyBarometer, kBarometer, Raw::kBar, hl::kBarYearHigh);

    Day(hiWindSpeed, hiWindSpeedTime, kWindSpeed, Raw::kWind, hl::kWindDayHigh, hl::kWindDayHighTime, Q::kWindSpeed,
        true);
    Long(hiMonthlyWindSpeed, kWindSpeed, Raw::kWind, hl::kWindMonthHigh);
    Long(hiYearlyWindSpeed, kWindSpeed, Raw::kWind, hl::kWindYearHigh);

    Eight(hiInsideTemp, hiInsideTempTime, lowInsideTemp, lowInsideTempTime, hiMonthlyInsideTemp, lowMonthlyInsideTemp,
          hiYearlyInsideTemp, lowYearlyInsideTemp, kInsideTemp, Raw::kTempTenths, Q::kInsideTemp,
          {hl::kInTempDayHigh, hl::kInTempDayHighTime, hl::kInTempDayLow, hl::kInTempDayLowTime, hl::kInTempMonthHigh,
           hl::kInTempMonthLow, hl::kInTempYearHigh, hl::kInTempYearLow});
    Eight(hiInsideHumidity, hiInsideHumidityTime, lowInsideHumidity, lowInsideHumidityTime, hiMonthlyInsideHumidity,
          lowMonthlyInsideHumidity, hiYearlyInsideHumidity, lowYearlyInsideHumidity, kInsideHum, Raw::kHum,
          Q::kInsideHum,
          {hl::kInHumDayHigh, hl::kInHumDayHighTime, hl::kInHumDayLow, hl::kInHumDayLowTime, hl::kInHumMonthHigh,
           hl::kInHumMonthLow, hl::kInHumYearHigh, hl::kInHumYearLow});
    Eight(hiOutsideTemp, hiOutsideTempTime, lowOutsideTemp, lowOutsideTempTime, hiMonthlyOutsideTemp,
          lowMonthlyOutsideTemp, hiYearlyOutsideTemp, lowYearlyOutsideTemp, kOutsideTemp, Raw::kTempTenths,
          Q::kOutsideTemp,
          {hl::kOutTempDayHigh, hl::kOutTempDayHighTime, hl::kOutTempDayLow, hl::kOutTempDayLowTime,
           hl::kOutTempMonthHigh, hl::kOutTempMonthLow, hl::kOutTempYearHigh, hl::kOutTempYearLow});
    Eight(hiDewpoint, hiDewpointTime, lowDewpoint, lowDewpointTime, hiMonthlyDewpoint, lowMonthlyDewpoint,
          hiYearlyDewpoint, lowYearlyDewpoint, kTH, Raw::kTempWhole, Q::kDewPoint,
          {hl::kDewDayHigh, hl::kDewDayHighTime, hl::kDewDayLow, hl::kDewDayLowTime, hl::kDewMonthHigh,
           hl::kDewMonthLow, hl::kDewYearHigh, hl::kDewYearLow});
    Eight(hiHumidity, hiHumTime, lowHumidity, lowHumTime, hiMonthlyHumidity, lowMonthlyHumidity, hiYearlyHumidity,
          lowYearlyHumidity, kOutsideHum, Raw::kHum, Q::kOutsideHum,
          {hl::kHumsDayHigh, hl::kHumsDayHighTime, hl::kHumsDayLow, hl::kHumsDayLowTime, hl::kHumsMonthHigh,
           hl::kHumsMonthLow, hl::kHumsYearHigh, hl::kHumsYearLow});

    Day(lowWindchill, lowWindchillTime, kOutsideTemp | kWindSpeed, Raw::kTempWhole, hl::kChillDayLow,
        hl::kChillDayLowTime, Q::kWindChill, false);
    Long(lowMonthlyWindchill, kOutsideTemp | kWindSpeed, Raw::kTempWhole, hl::kChillMonthLow);
    Long(lowYearlyWindchill, kOutsideTemp | kWindSpeed, Raw::kTempWhole, hl::kChillYearLow);
    Day(hiHeatindex, hiHeatindexTime, kTH, Raw::kTempWhole, hl::kHeatDayHigh, hl::kHeatDayHighTime, Q::kHeatIndex,
        true);
    Long(hiMonthlyHeatindex, kTH, Raw::kTempWhole, hl::kHeatMonthHigh);
    Long(hiYearlyHeatindex, kTH, Raw::kTempWhole, hl::kHeatYearHigh);
    // The older consoles keep no THSW index: their layout has no entry for it.
    Long(hiTHSWindex, kTH | kWindSpeed | kSolar, Raw::kTempWhole, hl::kThswDayHigh);
    LongTime(hiTHSWindexTime, kTH | kWindSpeed | kSolar, hl::kThswDayHighTime);
    Long(hiMonthlyTHSWindex, kTH | kWindSpeed | kSolar, Raw::kTempWhole, hl::kThswMonthHigh);
    Long(hiYearlyTHSWindex, kTH | kWindSpeed | kSolar, Raw::kTempWhole, hl::kThswYearHigh);
    Day(hiSolarRad, hiSolarRadTime, kSolar, Raw::kSolar, hl::kSolarDayHigh, hl::kSolarDayHighTime, Q::kSolar, true);
    Long(hiMonthlySolarRad, kSolar, Raw::kSolar, hl::kSolarMonthHigh);
    Long(hiYearlySolarRad, kSolar, Raw::kSolar, hl::kSolarYearHigh);
    Day(hiUV, hiUVTime, kUv, Raw::kUv, hl::kUvDayHigh, hl::kUvDayHighTime, Q::kUv, true);
    Long(hiMonthlyUV, kUv, Raw::kUv, hl::kUvMonthHigh);
    Long(hiYearlyUV, kUv, Raw::kUv, hl::kUvYearHigh);
    Day(hiRainRate, hiRainRateTime, kRainRate, Raw::kRate, hl::kRateDayHigh, hl::kRateDayHighTime, Q::kRainRate, true);
    Long(hiRainRateHour, kRainRate, Raw::kRate, hl::kRateHourHigh);
    Long(hiMonthlyRainRate, kRainRate, Raw::kRate, hl::kRateMonthHigh);
    Long(hiYearlyRainRate, kRainRate, Raw::kRate, hl::kRateYearHigh);

    Current(outsideDewPt, kTH, Cur::kOutsideDew, Fmt::kTemp);
    Current(insideDewPt, kInTH, Cur::kInsideDew, Fmt::kTemp);
    Current(windChill, kOutsideTemp | kWindSpeed, Cur::kChill, Fmt::kTemp);
    Current(outsideHeatIndex, kTH, Cur::kOutsideHeat, Fmt::kTemp);
    Current(insideHeatIndex, kInTH, Cur::kInsideHeat, Fmt::kTemp);
    Current(thw, kTH | kWindSpeed, Cur::kThw, Fmt::kTemp);
    Current(emc, kTH, Cur::kEmc, Fmt::kEmc);
    Current(airDensity, kTH | kBarometer, Cur::kDensity, Fmt::kDensity);

    // Extra temperatures 1..3 are Temperature2..4 (the outside sensor is number 1),
    // extra humidities 1..2 Humidity2..3.
    const Tags5 temps[] = {{Temperature2, hiTemp2, hiTempTime2, lowTemp2, lowTempTime2},
                           {Temperature3, hiTemp3, hiTempTime3, lowTemp3, lowTempTime3},
                           {Temperature4, hiTemp4, hiTempTime4, lowTemp4, lowTempTime4}};
    Numbered(temps, {kExtraTemp1, Cur::kExtraTemp, Fmt::kTemp, Raw::kTempByte, Q::kExtraTemp1, hl::kTempsDayHigh,
                     hl::kTempsDayHighTime, hl::kTempsDayLow, hl::kTempsDayLowTime, hl::kSlotExtraTemp1});
    const Tags5 hums[] = {{Humidity2, hiHum2, hiHumTime2, lowHum2, lowHumTime2},
                          {Humidity3, hiHum3, hiHumTime3, lowHum3, lowHumTime3}};
    Numbered(hums, {kExtraHum1, Cur::kExtraHum, Fmt::kHum, Raw::kHum, Q::kExtraHum1, hl::kHumsDayHigh,
                    hl::kHumsDayHighTime, hl::kHumsDayLow, hl::kHumsDayLowTime, 1});
    const Tags5 soil_temps[] = {{SoilTemp1, hiSoilTemp1, hiSoilTempTime1, lowSoilTemp1, lowSoilTempTime1},
                                {SoilTemp2, hiSoilTemp2, hiSoilTempTime2, lowSoilTemp2, lowSoilTempTime2},
                                {SoilTemp3, hiSoilTemp3, hiSoilTempTime3, lowSoilTemp3, lowSoilTempTime3},
                                {SoilTemp4, hiSoilTemp4, hiSoilTempTime4, lowSoilTemp4, lowSoilTempTime4}};
    Numbered(soil_temps, {kSoilTemp1, Cur::kSoilTemp, Fmt::kTemp, Raw::kTempByte, Q::kSoilTemp1, hl::kTempsDayHigh,
                          hl::kTempsDayHighTime, hl::kTempsDayLow, hl::kTempsDayLowTime, hl::kSlotSoilTemp1});
    const Tags5 leaf_temps[] = {{LeafTemp1, hiLeafTemp1, hiLeafTempTime1, lowLeafTemp1, lowLeafTempTime1},
                                {LeafTemp2, hiLeafTemp2, hiLeafTempTime2, lowLeafTemp2, lowLeafTempTime2}};
    Numbered(leaf_temps, {kLeafTemp1, Cur::kLeafTemp, Fmt::kTemp, Raw::kTempByte, Q::kLeafTemp1, hl::kTempsDayHigh,
                          hl::kTempsDayHighTime, hl::kTempsDayLow, hl::kTempsDayLowTime, hl::kSlotLeafTemp1});
    const Tags5 soil[] = {{SoilMoisture1, hiSoilMoist1, hiSoilMoistTime1, lowSoilMoist1, lowSoilMoistTime1},
                          {SoilMoisture2, hiSoilMoist2, hiSoilMoistTime2, lowSoilMoist2, lowSoilMoistTime2},
                          {SoilMoisture3, hiSoilMoist3, hiSoilMoistTime3, lowSoilMoist3, lowSoilMoistTime3},
                          {SoilMoisture4, hiSoilMoist4, hiSoilMoistTime4, lowSoilMoist4, lowSoilMoistTime4}};
    Numbered(soil, {kSoilMoisture1, Cur::kSoilMoist, Fmt::kPlain, Raw::kPlain, Q::kSoilMoist1, hl::kSoilDayHigh,
                    hl::kSoilDayHighTime, hl::kSoilDayLow, hl::kSoilDayLowTime, 0});
    const Tags5 leaf[] = {{LeafWetness1, hiLeaf1, hiLeafTime1, lowLeaf1, lowLeafTime1},
                          {LeafWetness2, hiLeaf2, hiLeafTime2, lowLeaf2, lowLeafTime2}};
    Numbered(leaf, {kLeafWetness1, Cur::kLeafWet, Fmt::kPlain, Raw::kPlain, Q::kLeafWet1, hl::kLeafDayHigh,
                    hl::kLeafDayHighTime, hl::kLeafDayLow, hl::kLeafDayLowTime, 0});

    for (int t : {date, time, stationDate, stationTime, utcDate, utcTime, StationName, StationCity, StationState,
                  StationElevation, StationLatitude, StationLongitude, ForecastStr, MoonPhaseStr}) {
      Special(t, 0);
    }
    Special(BarTrend, kBarometer);
    for (int t : {windAvg1, windAvg2, windAvg5, windAvg10, windHigh1, windHigh2, windHigh5, windHigh10}) {
      Special(t, kWindSpeed);
    }
    // outsideAlarms, rainAlarms, insideAlarms and the monthly and yearly soil and leaf
    // extremes stay at kDash.
  }

  const TagRule& At(int tag) const {
    static const TagRule kNone{};
    if (tag < kFirstTag || tag >= kFirstTag + kTagCount) return kNone;
    return rules_[static_cast<std::size_t>(tag - kFirstTag)];
  }

 private:
  TagRule& S(int tag) { return rules_[static_cast<std::size_t>(tag - kFirstTag)]; }

  void Current(int tag, std::uint32_t sensor, Cur cur, Fmt fmt, int index = 0) {
    TagRule& s = S(tag);
    s.kind = Kind::kCurrent;
    s.sensor = sensor;
    s.cur = cur;
    s.fmt = fmt;
    s.index = index;
  }
  void Special(int tag, std::uint32_t sensor) {
    S(tag).kind = Kind::kSpecial;
    S(tag).sensor = sensor;
  }
  void Day(int tag, int time_tag, std::uint32_t sensor, Raw raw, std::size_t off, std::size_t time_off, Q q,
           bool high) {
    TagRule s;
    s.kind = Kind::kHigh;
    s.sensor = sensor;
    s.raw = raw;
    s.fmt = FormatOf(raw);
    s.offset = off;
    s.quantity = q;
    s.high = high;
    S(tag) = s;
    s.kind = Kind::kHighTime;
    s.offset = time_off;
    S(time_tag) = s;
  }
  void Long(int tag, std::uint32_t sensor, Raw raw, std::size_t off) {
    TagRule& s = S(tag);
    s.kind = Kind::kLongTerm;
    s.sensor = sensor;
    s.raw = raw;
    s.fmt = FormatOf(raw);
    s.offset = off;
  }
  void LongTime(int tag, std::uint32_t sensor, std::size_t off) {
    TagRule& s = S(tag);
    s.kind = Kind::kLongTerm;
    s.sensor = sensor;
    s.offset = off;
    s.index = -1;  // a time
  }
  // High, its time, low, its time, then month high/low and year high/low.
  void Eight(int hi, int hi_time, int lo, int lo_time, int mon_hi, int mon_lo, int yr_hi, int yr_lo,
             std::uint32_t sensor, Raw raw, Q q, const std::array<std::size_t, 8>& off) {
    Day(hi, hi_time, sensor, raw, off[0], off[1], q, true);
    Day(lo, lo_time, sensor, raw, off[2], off[3], q, false);
    Long(mon_hi, sensor, raw, off[4]);
    Long(mon_lo, sensor, raw, off[5]);
    Long(yr_hi, sensor, raw, off[6]);
    Long(yr_lo, sensor, raw, off[7]);
  }
  // Sensors of one kind numbered 1..n: for each, the current value, the high and its
  // time, the low and its time; sensor i sits in slot first_slot + i of its areas.
  struct Family {
    std::uint32_t sensor1;  // mask of sensor 1; sensor i is sensor1 << (i - 1)
    Cur cur;
    Fmt fmt;
    Raw raw;
    Q quantity1;
    std::size_t high, high_time, low, low_time;  // areas of the highs-and-lows block
    std::size_t first_slot;
  };
  template <std::size_t N>
  void Numbered(const Tags5 (&tags)[N], const Family& f) {
    for (std::size_t i = 0; i < N; ++i) {
      const std::size_t slot = f.first_slot + i;
      const auto n = static_cast<int>(i);
      const std::uint32_t sensor = f.sensor1 << n;
      const Q q = static_cast<Q>(static_cast<int>(f.quantity1) + n);
      Current(tags[i][0], sensor, f.cur, f.fmt, n);
      Day(tags[i][1], tags[i][2], sensor, f.raw, f.high + slot, f.high_time + 2 * slot, q, true);
      Day(tags[i][3], tags[i][4], sensor, f.raw, f.low + slot, f.low_time + 2 * slot, q, false);
    }
  }

  std::array<TagRule, kTagCount> rules_{};
};

const Table& TagRules() {
  static const Table table;
  return table;
}

// Reads of the highs-and-lows block.
int I16(const HiLowsBlock& b, std::size_t off) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(b[off] | (b[off + 1] << 8)));
}

float DecodeRaw(const HiLowsBlock& b, std::size_t off, Raw raw, int rain_type) {
  switch (raw) {
    case Raw::kTempTenths: {
      const int v = I16(b, off);
      return v == -32768 || v == 32767 ? kPageNoValue : static_cast<float>(v) / 10.0f;
    }
    case Raw::kTempWhole: {
      const int v = I16(b, off);
      return v == -32768 || v == 32767 ? kPageNoValue : static_cast<float>(v);
    }
    case Raw::kTempByte:
      return ByteTemp(b[off]);
    case Raw::kHum:
      return HumidityValue(b[off]);
    case Raw::kBar: {
      const int v = I16(b, off);
      return v < DU::kLowestBarometer || v > 32500 ? kPageNoValue : static_cast<float>(v) / 1000.0f;
    }
    case Raw::kWind:
      return Plain(b[off]);
    case Raw::kSolar: {
      const int v = I16(b, off);
      return v < 0 || v == 32767 || v == DU::kMissingSolar ? kPageNoValue : static_cast<float>(v);
    }
    case Raw::kUv:
      return b[off] == 255 ? kPageNoValue : static_cast<float>(b[off]) / 10.0f;
    case Raw::kRate: {
      const int v = I16(b, off);
      if (v < 0 || v == 32767) return kPageNoValue;
      return DU::ConvertRate(static_cast<std::int16_t>(v), rain_type, true);
    }
    case Raw::kPlain:
      return Plain(b[off]);
  }
  return kPageNoValue;
}

}  // namespace

TagValues::TagValues(const PageData& data, const Station& station, Clock& clock)
    : data_(data), station_(station), clock_(clock) {}

int TagValues::GetTagText(std::string_view text, std::string* value) const {
  const auto tag = FindTag(text);
  if (!tag) return kTagUnknown;
  if (value) *value = GetTagValue(*tag);
  return kTagKnown;
}

std::string TagValues::GetTagValue(int tag_number) const {
  const LoopRecord& r = data_.current;
  const int rain_type = station_.record().rain_type;

  // Unit tags.
  switch (tag_number) {
    case tag::tempUnit:
      return DU::tempUnitStr;
    case tag::humUnit:
    case tag::emcUnit:
      return std::string(LoadString(string_id::kUnitPercent));
    case tag::windUnit:
      return DU::windSpeedUnitStr;
    case tag::barUnit:
      return DU::barUnitStr;
    case tag::rainUnit:
      return DU::rainUnitStr;
    case tag::solarUnit:
      return DU::solarUnitStr;
    case tag::rateUnit:
      return std::string(
          LoadString(DU::rainUnit == DU::kRainInches ? string_id::kUnitInchesPerHour : string_id::kUnitMmPerHour));
    case tag::uvUnit:
      return std::string(LoadString(string_id::kUnitUvIndex));
    case tag::SoilUnit:
      return std::string(LoadString(string_id::kUnitCentibars));
    case tag::airDensityUnit:
      return DU::airDUnitStr;
    default:
      break;
  }

  const TagRule& s = TagRules().At(tag_number);
  if (s.kind == Kind::kDash) return kDash;
  if (s.sensor != 0 && !station_.TestForSensor(s.word, s.sensor)) return kDash;

  const bool corvale = station_.Corvale();
  const auto cal = data_.calibration.value_or(ConsoleCalibration{});
  const bool older_cal = !corvale && data_.calibration.has_value();
  auto temp = [&](std::int16_t tenths, int offset) {
    if (tenths == -32768 || tenths == 32767) return kPageNoValue;
    return static_cast<float>(tenths + (older_cal ? offset : 0)) / 10.0f;
  };
  auto hum = [&](std::uint8_t h, int offset) {
    const float v = HumidityValue(h);
    if (Missing(v) || !older_cal) return v;
    return std::clamp(v + static_cast<float>(offset), 0.0f, 100.0f);
  };
  const float out_t = temp(r.outside_temp, cal.outside_temp_tenths);
  const float in_t = temp(r.inside_temp, cal.inside_temp_tenths);
  const float out_h = hum(r.outside_hum, cal.outside_hum);
  const float in_h = hum(r.inside_hum, cal.inside_hum);
  const float wind = Plain(r.wind_speed);
  const float avg = Plain(r.avg_wind_speed);
  const float bar = r.barometer < DU::kLowestBarometer || r.barometer > 32500
                        ? kPageNoValue
                        : static_cast<float>(r.barometer) / 1000.0f;
  auto both = [](float a, float b) { return !Missing(a) && !Missing(b); };
  auto rain = [&](std::int16_t clicks) { return clicks < 0 ? kPageNoValue : DU::RainValue(clicks, rain_type, true); };
  const bool no_day_et = r.day_et == -32768;
  const float day_et = no_day_et ? 0.0f : static_cast<float>(r.day_et / 10) / 100.0f;
  auto total_et = [&](std::int16_t raw) {
    return raw == -32768 ? kPageNoValue : static_cast<float>(raw) / 100.0f + day_et;
  };

  switch (s.kind) {
    case Kind::kCurrent: {
      float v = kPageNoValue;
      const auto i = static_cast<std::size_t>(s.index);
      switch (s.cur) {
        case Cur::kInsideTemp:
          v = in_t;
          break;
        case Cur::kOutsideTemp:
          v = out_t;
          break;
        case Cur::kInsideHum:
          v = in_h;
          break;
        case Cur::kOutsideHum:
          v = out_h;
          break;
        case Cur::kBarometer:
          v = bar;
          break;
        case Cur::kWind:
          v = wind;
          break;
        case Cur::kWindAvg:
          v = avg;
          break;
        case Cur::kYearRain:
          v = rain(r.year_rain);
          break;
        case Cur::kDayRain:
          v = rain(r.day_rain);
          break;
        case Cur::kMonthRain:
          v = rain(r.month_rain);
          break;
        case Cur::kStormRain:
          v = rain(r.storm_rain);
          break;
        case Cur::kRainRate:
          v = r.rain_rate < 0 ? kPageNoValue : DU::ConvertRate(r.rain_rate, rain_type, true);
          break;
        case Cur::kDayEt:
          v = no_day_et ? kPageNoValue : day_et;
          break;
        case Cur::kMonthEt:
          v = total_et(r.month_et);
          break;
        case Cur::kYearEt:
          v = total_et(r.year_et);
          break;
        case Cur::kSolar:
          v = r.solar < 0 || r.solar == 32767 ? kPageNoValue : static_cast<float>(r.solar);
          break;
        case Cur::kUv:
          v = r.uv == 255 ? kPageNoValue : static_cast<float>(r.uv) / 10.0f;
          break;
        case Cur::kOutsideDew:
          v = both(out_t, out_h) ? CalcDew(out_t, out_h) : kPageNoValue;
          break;
        case Cur::kInsideDew:
          v = both(in_t, in_h) ? CalcDew(in_t, in_h) : kPageNoValue;
          break;
        case Cur::kChill: {
          const float w = Missing(avg) ? wind : avg;
          v = both(out_t, w) ? CalcChill(out_t, w) : kPageNoValue;
          break;
        }
        case Cur::kOutsideHeat:
          v = both(out_t, out_h) ? CalcHeat(out_t, out_h) : kPageNoValue;
          break;
        case Cur::kInsideHeat:
          v = both(in_t, in_h) ? CalcHeat(in_t, in_h) : kPageNoValue;
          break;
        case Cur::kThw: {
          const float w = Missing(avg) ? wind : avg;
          v = both(out_t, out_h) && !Missing(w) ? CalcTHW(out_t, out_h, w) : kPageNoValue;
          break;
        }
        case Cur::kEmc:
          v = both(out_t, out_h) ? CalcEMC(out_t, out_h) : kPageNoValue;
          break;
        case Cur::kDensity:
          v = both(out_t, out_h) && !Missing(bar) ? CalcAirDensity(out_t, bar, out_h) : kPageNoValue;
          break;
        case Cur::kExtraTemp:
          v = ByteTemp(r.extra_temps[i]);
          break;
        case Cur::kExtraHum:
          v = HumidityValue(r.extra_hums[i]);
          break;
        case Cur::kSoilTemp:
          v = ByteTemp(r.soil_temps[i]);
          break;
        case Cur::kLeafTemp:
          v = ByteTemp(r.leaf_temps[i]);
          break;
        case Cur::kSoilMoist:
          v = r.soil_moistures[i] == 128 ? kPageNoValue : Plain(r.soil_moistures[i]);
          break;
        case Cur::kLeafWet:
          v = r.leaf_wetnesses[i] == 128 ? kPageNoValue : Plain(r.leaf_wetnesses[i]);
          break;
      }
      return Format(s.fmt, v);
    }
    case Kind::kHigh:
    case Kind::kHighTime: {
      if (corvale && data_.hilows) {
        if (s.kind == Kind::kHighTime) return ClockTime(I16(*data_.hilows, s.offset));
        return Format(s.fmt, DecodeRaw(*data_.hilows, s.offset, s.raw, rain_type));
      }
      // Without the console's block (older consoles, or current data from the snapshot
      // of `run`): today's highs and lows as the real-time manager kept them.
      if (!data_.day_high_lows) return kDash;
      const Extreme& e = s.high ? data_.day_high_lows->High(s.quantity) : data_.day_high_lows->Low(s.quantity);
      if (s.kind == Kind::kHighTime) return Missing(e.value) ? std::string(kDash) : MinuteTime(e.minute);
      if (s.raw == Raw::kRate) {
        return Format(s.fmt, Missing(e.value) || e.value < 0
                                 ? kPageNoValue
                                 : DU::ConvertRate(static_cast<std::int16_t>(e.value), rain_type, true));
      }
      return Format(s.fmt, e.value);
    }
    case Kind::kLongTerm:
      if (!corvale || !data_.hilows) return kDash;
      if (s.index == -1) return ClockTime(I16(*data_.hilows, s.offset));
      return Format(s.fmt, DecodeRaw(*data_.hilows, s.offset, s.raw, rain_type));
    case Kind::kSpecial:
      break;
    case Kind::kDash:
      return kDash;
  }

  // The tags worked out one by one.
  switch (tag_number) {
    case tag::windDir:
    case tag::windDirection: {
      if (r.wind_dir == -32768 || r.wind_dir == 32767 || r.wind_dir < 0 || r.wind_dir > 360 || Missing(wind)) {
        return kDash;
      }
      const int deg = r.wind_dir == 0 ? 360 : r.wind_dir;
      if (tag_number == tag::windDir) return std::to_string(deg);
      int sector = static_cast<int>(std::floor((deg + 11.25) / 22.5));
      if (sector >= 16) sector = 0;
      return Text([&](std::span<char> b) { DU::DomDirStr(sector, b); });
    }
    case tag::sunriseTime:
      return ClockTime(r.sunrise);
    case tag::sunsetTime:
      return ClockTime(r.sunset);
    case tag::date:
    case tag::time:
    case tag::utcDate:
    case tag::utcTime: {
      DateTime now;
      if (tag_number == tag::date || tag_number == tag::time) {
        now.SetCurrentTime(clock_);
      } else {
        now.SetSystemTime(clock_);
      }
      return tag_number == tag::date || tag_number == tag::utcDate ? now.GetDateStr() : now.GetTimeStr();
    }
    case tag::stationDate:
      return data_.time.valid ? data_.time.GetDateStr() : std::string(kDash);
    case tag::stationTime:
      return data_.time.valid ? data_.time.GetTimeStr() : std::string(kDash);
    case tag::StationName:
    case tag::StationCity:
    case tag::StationState: {
      const auto& rec = station_.record();
      const std::string v = tag_number == tag::StationName   ? LoadText(rec.name, sizeof rec.name)
                            : tag_number == tag::StationCity ? LoadText(rec.city, sizeof rec.city)
                                                             : LoadText(rec.state, sizeof rec.state);
      return v.empty() ? std::string(" ") : v;
    }
    case tag::StationElevation: {
      const float elev = DU::ConvertElevation(station_.record().elevation_ft, false);
      char buf[48];
      std::snprintf(buf, sizeof buf, "%5d %s", static_cast<int>(elev), DU::elevUnitStr);
      return buf;
    }
    case tag::StationLatitude:
      return LoadText(station_.record().latitude_text, sizeof station_.record().latitude_text);
    case tag::StationLongitude:
      return LoadText(station_.record().longitude_text, sizeof station_.record().longitude_text);
    case tag::BarTrend:
      if (r.bar_trend == -32768) return kDash;
      return Text([&](std::span<char> b) { DU::BarTrendStr(r.bar_trend, b); });
    case tag::ForecastStr:
      return data_.forecast.empty() ? std::string(kDash) : data_.forecast;
    case tag::MoonPhaseStr: {
      DateTime now;
      now.SetSystemTime(clock_);
      float cycle = 0.0f, smoothed = 0.0f;
      (void)CalcMoonPhase(now, cycle, smoothed);
      return MoonPhaseName(cycle);
    }
    case tag::windAvg1:
    case tag::windAvg2:
    case tag::windAvg5:
    case tag::windAvg10:
    case tag::windHigh1:
    case tag::windHigh2:
    case tag::windHigh5:
    case tag::windHigh10: {
      const bool avg_tag = tag_number == tag::windAvg1 || tag_number == tag::windAvg2 || tag_number == tag::windAvg5 ||
                           tag_number == tag::windAvg10;
      const int slot = tag_number == tag::windAvg1 || tag_number == tag::windHigh1   ? 0
                       : tag_number == tag::windAvg2 || tag_number == tag::windHigh2 ? 1
                       : tag_number == tag::windAvg5 || tag_number == tag::windHigh5 ? 2
                                                                                     : 3;
      const float v = (avg_tag ? data_.wind_avg : data_.wind_high)[static_cast<std::size_t>(slot)];
      if (Missing(v)) return kDash;
      char buf[32];
      std::snprintf(buf, sizeof buf, "%03.1f", static_cast<double>(v));
      return buf;
    }
    default:
      return kDash;
  }
}

}  // namespace sq
