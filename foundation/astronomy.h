// The sun's position for the extra-radiation value of archive records: a small state
// (declination, latitude terms, equation of time, elevation and latitude terms of the
// long-wave balance, and the last cloud-cover estimate) refreshed by the three *Tasks
// operations before ExtraRadCalc is called. The program keeps one instance,
// `astronomyState`; tests and callers that need their own build another.
#pragma once

#include "foundation/date_time.h"
#include "foundation/site.h"

namespace sq {

struct AstronomyState {
  double sinDecl = 0.0;
  double cosDecl = 1.0;
  double sinLat = 0.0;
  double cosLat = 1.0;
  double sinLatDecl = 0.0;
  double cosLatDecl = 1.0;
  double eqnOfTime = 0.0;     // days, including the longitude term
  double latitudeTerm = 0.5;  // 0.5 - 0.0043 |latitude|
  double elevationTerm = -0.62;
  double cloudCoverLast = 0.0;  // last estimate, used while the sun is low
  // Clock facts used to turn station clock time into UTC.
  float timeZoneHours = 0.0f;
  bool southern = false;
  DaylightSavingMode dstMode = DaylightSavingMode::kAutomatic;
  DateTime manualStart;
  DateTime manualEnd;

  // Takes the site's clock facts, latitude and elevation (the daily task still needs a
  // date and the longitude).
  void SetSite(const SiteDescription& site);

  void THSWIElevationTasks(double elevationFeet);
  void THSWIlattitudeTasks(double latitudeDegrees);
  void THSWIdailyAstronomyTasks(const DateTime& t, double longitudeDegrees);

  // Extra radiation (W/m^2) for station clock time t, measured solar radiation and dew
  // point (F). Updates cloudCoverLast. A missing solar value (-32768) gives -32768.
  [[nodiscard]] int ExtraRadCalc(const DateTime& t, float solar, int dewPointF);
};

// The program's astronomy state.
extern AstronomyState astronomyState;

void THSWIElevationTasks(double elevationFeet);
void THSWIlattitudeTasks(double latitudeDegrees);
void THSWIdailyAstronomyTasks(const DateTime& t, double longitudeDegrees);
[[nodiscard]] int ExtraRadCalc(const DateTime& t, float solar, int dewPointF);

// Converts `t`, a station clock time, to UTC following the site's daylight-saving mode.
void StationTimeToUtc(DateTime& t, float zoneHours, bool southern, DaylightSavingMode mode, const DateTime& manualStart,
                      const DateTime& manualEnd);

}  // namespace sq
