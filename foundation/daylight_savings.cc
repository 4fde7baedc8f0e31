#include "foundation/daylight_savings.h"

namespace sq {
namespace {

struct MonthDay {
  int month;
  int day;
};

// Dates in 2000 for each weekday shift of the year (slot = CalcDaylightSavingsDays).
constexpr MonthDay kNorthAmericaTo2006Start[7] = {{4, 2}, {4, 1}, {4, 7}, {4, 6}, {4, 5}, {4, 4}, {4, 3}};
constexpr MonthDay kNorthAmericaTo2006End[7] = {{10, 29}, {10, 28}, {10, 27}, {10, 26}, {10, 25}, {10, 31}, {10, 30}};
constexpr MonthDay kNorthAmericaFrom2007Start[7] = {{3, 12}, {3, 11}, {3, 10}, {3, 9}, {3, 8}, {3, 14}, {3, 13}};
constexpr MonthDay kNorthAmericaFrom2007End[7] = {{11, 5}, {11, 4}, {11, 3}, {11, 2}, {11, 1}, {11, 7}, {11, 6}};
constexpr MonthDay kEuropeStart[7] = {{3, 26}, {3, 25}, {3, 31}, {3, 30}, {3, 29}, {3, 28}, {3, 27}};
constexpr MonthDay kEuropeEnd[7] = {{10, 29}, {10, 28}, {10, 27}, {10, 26}, {10, 25}, {10, 31}, {10, 30}};

constexpr int kTableYear = 2000;
constexpr int kNewRuleSlot = 7;  // North American slots from 2007
constexpr int kLastOldRuleYear = 2006;

void Fill(DateTime* out, const MonthDay (&dates)[7]) {
  for (int i = 0; i < 7; ++i) out[i].SetDate(dates[i].month, dates[i].day, kTableYear);
}

// True when a date compares as inside the daylight-saving period [start, end) of one
// calendar year, with the change at 02:00 of the remembered local time.
bool InsideNorthern(const DateTime& t, const DateTime& start, const DateTime& end, int local_time) {
  return (t > start && t < end) || (t == start && local_time >= DaylightSavingsCalc::kSwitchMinutes) ||
         (t == end && local_time < DaylightSavingsCalc::kSwitchMinutes);
}

}  // namespace

DaylightSavingsCalc::DaylightSavingsCalc() {
  Fill(&start_dates_[kDsNorthAmerica][0], kNorthAmericaTo2006Start);
  Fill(&end_dates_[kDsNorthAmerica][0], kNorthAmericaTo2006End);
  Fill(&start_dates_[kDsNorthAmerica][kNewRuleSlot], kNorthAmericaFrom2007Start);
  Fill(&end_dates_[kDsNorthAmerica][kNewRuleSlot], kNorthAmericaFrom2007End);
  Fill(&start_dates_[kDsEurope][0], kEuropeStart);
  Fill(&end_dates_[kDsEurope][0], kEuropeEnd);
  SetConversionMode(1);
}

void DaylightSavingsCalc::SetConversionMode(int direction) { conversion_mode_ = direction > 0 ? 60 : -60; }

int DaylightSavingsCalc::CalcDaylightSavingsDays(int year) {
  if (year < kTableYear) return -1;
  // One weekday per year plus one per leap day since 2000 (counting this year's, which
  // lies before every change date).
  const int n = year - kTableYear;
  return (n + n / 4 - n / 100 + n / 400) % 7;
}

DateTime DaylightSavingsCalc::GetStartDate(int location, int slot) const {
  if (location < 0 || location >= kLocations || slot < 0 || slot >= kSlots) return DateTime();
  return start_dates_[location][slot];
}

DateTime DaylightSavingsCalc::GetEndDate(int location, int slot) const {
  if (location < 0 || location >= kLocations || slot < 0 || slot >= kSlots) return DateTime();
  return end_dates_[location][slot];
}

int DaylightSavingsCalc::ShiftByZone(DateTime& t, float zoneHours) const {
  // The remembered time is the local side of the conversion: before the shift when
  // converting local -> UTC, after it when converting UTC -> local.
  int local_time = t.packed_time;
  t.DecMinute(static_cast<int>(zoneHours * static_cast<float>(conversion_mode_)));
  if (conversion_mode_ < 0) local_time = t.packed_time;
  return local_time;
}

void DaylightSavingsCalc::CalcDaylightSavingsTime(DateTime& t, float zoneHours, bool southern) const {
  const int location = zoneHours < 0 ? kDsNorthAmerica : kDsEurope;
  int slot = CalcDaylightSavingsDays(t.year);
  if (slot < 0) return;
  if (location == kDsNorthAmerica && t.year > kLastOldRuleYear) slot += kNewRuleSlot;

  const int local_time = ShiftByZone(t, zoneHours);

  DateTime start = start_dates_[location][slot];
  DateTime end = end_dates_[location][slot];
  start.year = end.year = t.year;
  start.packed_time = end.packed_time = t.packed_time;

  bool shift;
  if (!southern) {
    shift = InsideNorthern(t, start, end, local_time);
  } else {
    shift = t < start || t > end || (t == start && local_time < kSwitchMinutes) ||
            (t == end && local_time >= kSwitchMinutes);
  }
  if (shift) t.DecMinute(conversion_mode_);
}

void DaylightSavingsCalc::CalcManualDaylightSavingsTime(DateTime& t, float zoneHours, DateTime start,
                                                        DateTime end) const {
  const int local_time = ShiftByZone(t, zoneHours);
  if (!start.valid || !end.valid) return;
  start.year = end.year = t.year;
  start.packed_time = end.packed_time = t.packed_time;

  bool shift;
  if (end > start) {
    shift = InsideNorthern(t, start, end, local_time);
  } else {
    // A period across the new year.
    shift = t > start || t < end || (t == start && local_time >= kSwitchMinutes) ||
            (t == end && local_time < kSwitchMinutes);
  }
  if (shift) t.DecMinute(conversion_mode_);
}

}  // namespace sq
