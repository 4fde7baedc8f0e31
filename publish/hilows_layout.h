// The layout of the console's 436-byte highs-and-lows block ("HILOWS"), as far as
// template pages read it. Times are hour × 100 + minute. 16-bit values are signed and
// little-endian. Temperatures of the inside and outside sensors are tenths of °F; dew
// point, wind chill, heat index and THSW whole °F; extra, soil and leaf temperatures
// one byte of °F + 90; humidities one byte of percent; barometer thousandths of inHg;
// wind one byte of mph; rain rate clicks per hour; UV one byte of tenths.
//
// The extra/soil/leaf temperature area holds 15 slots (extra 1..7, soil 1..4, leaf
// 1..4), the humidity area 8 (outside, extra 1..7), soil moisture and leaf wetness 4
// each; a value of slot i is at its area's offset + i (times: + 2i).
#pragma once

#include <cstddef>

#include "link/hilows.h"

namespace sq::hilows {

// Barometer.
inline constexpr std::size_t kBarDayLow = 0, kBarDayHigh = 2, kBarMonthLow = 4, kBarMonthHigh = 6;
inline constexpr std::size_t kBarYearLow = 8, kBarYearHigh = 10, kBarDayLowTime = 12, kBarDayHighTime = 14;
// Wind speed.
inline constexpr std::size_t kWindDayHigh = 16, kWindDayHighTime = 17, kWindMonthHigh = 19, kWindYearHigh = 20;
// Inside temperature.
inline constexpr std::size_t kInTempDayHigh = 21, kInTempDayLow = 23, kInTempDayHighTime = 25;
inline constexpr std::size_t kInTempDayLowTime = 27, kInTempMonthLow = 29, kInTempMonthHigh = 31;
inline constexpr std::size_t kInTempYearLow = 33, kInTempYearHigh = 35;
// Inside humidity.
inline constexpr std::size_t kInHumDayHigh = 37, kInHumDayLow = 38, kInHumDayHighTime = 39, kInHumDayLowTime = 41;
inline constexpr std::size_t kInHumMonthHigh = 43, kInHumMonthLow = 44, kInHumYearHigh = 45, kInHumYearLow = 46;
// Outside temperature.
inline constexpr std::size_t kOutTempDayLow = 47, kOutTempDayHigh = 49, kOutTempDayLowTime = 51;
inline constexpr std::size_t kOutTempDayHighTime = 53, kOutTempMonthHigh = 55, kOutTempMonthLow = 57;
inline constexpr std::size_t kOutTempYearHigh = 59, kOutTempYearLow = 61;
// Dew point.
inline constexpr std::size_t kDewDayLow = 63, kDewDayHigh = 65, kDewDayLowTime = 67, kDewDayHighTime = 69;
inline constexpr std::size_t kDewMonthHigh = 71, kDewMonthLow = 73, kDewYearHigh = 75, kDewYearLow = 77;
// Wind chill.
inline constexpr std::size_t kChillDayLow = 79, kChillDayLowTime = 81, kChillMonthLow = 83, kChillYearLow = 85;
// Heat index.
inline constexpr std::size_t kHeatDayHigh = 87, kHeatDayHighTime = 89, kHeatMonthHigh = 91, kHeatYearHigh = 93;
// THSW index.
inline constexpr std::size_t kThswDayHigh = 95, kThswDayHighTime = 97, kThswMonthHigh = 99, kThswYearHigh = 101;
// Solar radiation.
inline constexpr std::size_t kSolarDayHigh = 103, kSolarDayHighTime = 105, kSolarMonthHigh = 107;
inline constexpr std::size_t kSolarYearHigh = 109;
// UV.
inline constexpr std::size_t kUvDayHigh = 111, kUvDayHighTime = 112, kUvMonthHigh = 114, kUvYearHigh = 115;
// Rain rate.
inline constexpr std::size_t kRateDayHigh = 116, kRateDayHighTime = 118, kRateHourHigh = 120;
inline constexpr std::size_t kRateMonthHigh = 122, kRateYearHigh = 124;
// Extra, soil and leaf temperatures (15 slots).
inline constexpr std::size_t kTempsDayLow = 126, kTempsDayHigh = 141, kTempsDayLowTime = 156;
inline constexpr std::size_t kTempsDayHighTime = 186, kTempsMonthHigh = 216, kTempsMonthLow = 231;
inline constexpr std::size_t kTempsYearHigh = 246, kTempsYearLow = 261;
inline constexpr std::size_t kSlotExtraTemp1 = 0, kSlotSoilTemp1 = 7, kSlotLeafTemp1 = 11;
// Outside and extra humidities (8 slots).
inline constexpr std::size_t kHumsDayLow = 276, kHumsDayHigh = 284, kHumsDayLowTime = 292;
inline constexpr std::size_t kHumsDayHighTime = 308, kHumsMonthHigh = 324, kHumsMonthLow = 332;
inline constexpr std::size_t kHumsYearHigh = 340, kHumsYearLow = 348;
// Soil moistures (4 slots).
inline constexpr std::size_t kSoilDayHigh = 356, kSoilDayHighTime = 360, kSoilDayLow = 368;
inline constexpr std::size_t kSoilDayLowTime = 372, kSoilMonthLow = 380, kSoilMonthHigh = 384;
inline constexpr std::size_t kSoilYearLow = 388, kSoilYearHigh = 392;
// Leaf wetnesses (4 slots).
inline constexpr std::size_t kLeafDayHigh = 396, kLeafDayHighTime = 400, kLeafDayLow = 408;
inline constexpr std::size_t kLeafDayLowTime = 412, kLeafMonthLow = 420, kLeafMonthHigh = 424;
inline constexpr std::size_t kLeafYearLow = 428, kLeafYearHigh = 432;

static_assert(kLeafYearHigh + 4 == kHiLowsDataSize);  // the last field ends the block
static_assert(kTempsYearLow + 15 == kHumsDayLow);
static_assert(kHumsYearLow + 8 == kSoilDayHigh);
static_assert(kSoilYearHigh + 4 == kLeafDayHigh);

}  // namespace sq::hilows
