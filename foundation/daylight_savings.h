// DaylightSavingsCalc shifts a DateTime between local clock time and UTC, adding or
// removing the daylight-saving hour by the North American or European rules (chosen by
// the sign of the station's time-zone offset), or by user-entered start and end moments.
// A small value object: build it on the stack where a conversion is needed.
#pragma once

#include <cstdint>

#include "foundation/date_time.h"

namespace sq {

// Group of rule tables.
enum DS_LOCATION : int {
  kDsNorthAmerica = 0,  // used when the zone offset is negative
  kDsEurope = 1,        // zone offset zero or positive
};

class DaylightSavingsCalc {
 public:
  static constexpr int kLocations = 2;
  static constexpr int kSlots = 14;           // 0..6 rule up to 2006, 7..13 rule from 2007
  static constexpr int kSwitchMinutes = 120;  // the change happens at 02:00 local time

  // Fills the tables and sets the conversion mode to local -> UTC.
  DaylightSavingsCalc();

  // direction > 0: local clock time -> UTC (+60); otherwise UTC -> local clock time (-60).
  void SetConversionMode(int direction);
  [[nodiscard]] std::int32_t GetConversionMode() const { return conversion_mode_; }

  // Weekday shift of `year` against 2000 (the slot within a run of 7), or -1 before 2000.
  [[nodiscard]] static int CalcDaylightSavingsDays(int year);

  // Copies of the table entries (dates in the year 2000); an all-zero, not valid value
  // for a location or slot outside the tables.
  [[nodiscard]] DateTime GetStartDate(int location, int slot) const;
  [[nodiscard]] DateTime GetEndDate(int location, int slot) const;

  // Converts t by the zone offset and, while daylight saving is in force, one more hour.
  // Years before 2000 are left unchanged.
  void CalcDaylightSavingsTime(DateTime& t, float zoneHours, bool southern) const;
  // The same with daylight saving in force from `start` to `end` (their year is
  // ignored; end before start means a period across the new year). Either not valid:
  // only the zone shift is applied.
  void CalcManualDaylightSavingsTime(DateTime& t, float zoneHours, DateTime start, DateTime end) const;

 private:
  // Shifts t by the zone offset and returns the local time of day of the conversion.
  int ShiftByZone(DateTime& t, float zoneHours) const;

  DateTime start_dates_[kLocations][kSlots];
  DateTime end_dates_[kLocations][kSlots];
  std::int32_t conversion_mode_ = 60;
};

}  // namespace sq
