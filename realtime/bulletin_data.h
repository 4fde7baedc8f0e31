// BulletinData: the current conditions as the program shows and publishes them. Each
// loop record from the console (link/loop_record.h) updates it: values converted to the
// display units in effect (recorded in `units`), derived quantities, today's highs and
// lows with the minute of the day each was reached, rain of the last hour and the last
// 24 hours, one-minute wind rings for short averages and gusts, ET totals, forecast,
// sunrise and sunset, and battery state.
//
// Everything that reads current conditions (the live view, pages, images, network
// uploads, the dashboard) reads a BulletinData: in `stratoquill run` the one owned by
// the RealTimeManager (realtime/realtime_manager.h), in other processes the snapshot
// that `run` writes (realtime/bulletin_snapshot.h).
//
// Conventions: floats are display units; kNoValue (-32768.0) marks no value. A high
// that has not been reached today is kNoHigh, a low kNoLow; their times are then 0.
// Times of day are minutes after midnight (0..1439) of the computer's local clock.
// The object is a plain value: copy it freely.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "foundation/clock.h"
#include "link/hilows.h"
#include "link/loop_record.h"

namespace sq {

class Station;

inline constexpr float kNoValue = -32768.0f;
inline constexpr float kNoHigh = -32768.0f;
inline constexpr float kNoLow = 32767.0f;
inline constexpr std::int16_t kNoDirection = -32768;  // wind direction 0x8000
inline constexpr std::uint16_t kNoSunTime = 0xFFFF;   // sunrise / sunset

[[nodiscard]] inline bool IsNoValue(float v) { return v != v || v == kNoValue || v == kNoLow; }

// The station facts the update needs, taken from the Station when the manager starts.
struct BulletinSite {
  int console_family = 3;                // 3 current family; else an older one
  int rain_type = 1;                     // rain collector type 0..6
  int rain_mode = 0;                     // 3: the since-start total is the year counter itself
  std::int16_t outside_temp_offset = 0;  // calibration, tenths of F (older families)
  std::int16_t inside_temp_offset = 0;
  bool have_location = false;     // latitude and longitude are set
  double latitude = 0.0;          // decimal degrees, north positive
  double longitude = 0.0;         // decimal degrees, east positive
  float zone_hours = 0.0f;        // standard-time offset from UTC
  bool southern = false;          // southern hemisphere
  bool fixed_offset = false;      // no daylight-saving rules (manual station clock)
  int forecast_region = 0;        // 1 hot and dry, 2 warm season; else none
  bool shows_air_density = true;  // air density and EMC are shown for this station
};

// The site of `station` (older families: their calibration offsets).
[[nodiscard]] BulletinSite BulletinSiteFrom(const Station& station);

// Display-unit codes the values were converted with (foundation/display_units.h).
struct BulletinUnits {
  int temp = 0, bar = 0, wind = 0, rain = 0, density = 0, hum_decimals = 0;
  bool operator==(const BulletinUnits&) const = default;
};

// The live display units switched to `units` for the life of the object (to turn a
// BulletinData's values back into internal units), restored afterwards.
class BulletinUnitsScope {
 public:
  explicit BulletinUnitsScope(const BulletinUnits& units);
  ~BulletinUnitsScope();
  BulletinUnitsScope(const BulletinUnitsScope&) = delete;
  BulletinUnitsScope& operator=(const BulletinUnitsScope&) = delete;

 private:
  BulletinUnits saved_;
};

// A value with today's high and low and the minute each was reached.
struct Tracked {
  float now = kNoValue;
  float high = kNoHigh;
  std::int16_t high_time = 0;
  float low = kNoLow;
  std::int16_t low_time = 0;

  [[nodiscard]] bool HasHigh() const { return high != kNoHigh; }
  [[nodiscard]] bool HasLow() const { return low != kNoLow; }
  void ResetExtremes() {
    high = kNoHigh;
    low = kNoLow;
    high_time = low_time = 0;
  }
  // Sets `now` and raises the high / lowers the low (not for no value).
  void Observe(float v, int minute_of_day);
  bool operator==(const Tracked&) const = default;
};

class BulletinData {
 public:
  static constexpr int kWindSlots = 11;    // one-minute wind slots
  static constexpr int kMinuteSlots = 60;  // one-minute rain slots
  static constexpr int kHourSlots = 24;    // one-hour rain slots
  static constexpr std::size_t kForecastTextSize = 200;
  // The older families' local forecast wants three hours of barometer readings.
  static constexpr int kBarHistorySlots = 19;  // one per 10 minutes, 3 hours and the current

  // Turns one loop record into current conditions. `unix_ms` is the time of the
  // update, `local` the same moment on the computer's local clock; both come from the
  // program's Clock. Uses the live display units.
  void Update(const LoopRecord& record, const BulletinSite& site, std::int64_t unix_ms, const WallClockTime& local);

  // Rain of the last hour / 24 hours in the display rain unit; kNoValue until known.
  [[nodiscard]] float HourRain() const { return hour_rain; }
  [[nodiscard]] float Hour24Rain() const { return hour24_rain; }
  // Average and highest wind speed (display unit) over the current minute and the
  // `minutes` - 1 minutes before it, `minutes` 1..11 (clamped); kNoValue without samples.
  // Pages ask for 2, 3, 6 and 11 for their 1-, 2-, 5- and 10-minute values.
  [[nodiscard]] float AvgWindSpeed(int minutes) const;
  [[nodiscard]] float HiWindSpeed(int minutes) const;

  // Back to the state before any packet (highs, lows and rings included).
  void Clear() { *this = BulletinData{}; }

  // ---- The values. ----
  bool have_data = false;
  std::int64_t packet_unix_ms = 0;  // time of the last update (0: none)
  std::int32_t packet_date = 0;     // its local packed date (year*65536 + month*256 + day)
  std::int16_t packet_minute = 0;   // its local minute of the day
  int console_family = 3;
  BulletinUnits units;

  Tracked outside_temp, inside_temp;
  std::array<Tracked, 7> extra_temps;
  Tracked outside_hum, inside_hum;
  std::array<Tracked, 7> extra_hums;
  std::array<Tracked, 4> soil_temps, leaf_temps;
  std::array<Tracked, 4> soil_moistures;  // centibar
  std::array<Tracked, 4> leaf_wetnesses;  // 0..15
  Tracked barometer;
  std::int16_t bar_trend = -32768;       // console trend code
  Tracked wind_speed;                    // high only
  float avg_wind_speed = kNoValue;       // console's 10-minute average
  std::int16_t wind_dir = kNoDirection;  // degrees, 360 = north
  Tracked wind_chill;                    // low only
  Tracked dew_point, heat_index;
  float thw = kNoValue;
  float inside_dew_point = kNoValue;
  float inside_heat_index = kNoValue;
  float air_density = kNoValue;  // density display unit
  float emc = kNoValue;          // percent
  Tracked rain_rate;             // high only; display unit per hour
  float day_rain = kNoValue, storm_rain = kNoValue, month_rain = kNoValue, year_rain = kNoValue;
  float rain_since_start = 0.0f;
  float hour_rain = kNoValue, hour24_rain = kNoValue;
  float day_et = kNoValue, month_et = kNoValue, year_et = kNoValue;  // display rain unit
  Tracked solar;                                                     // high only; W/m2
  Tracked uv;                                                        // high only; index
  int forecast_rule = 193;
  int forecast_icons = 0;
  std::string forecast_text;  // long text (at most 199 characters)
  std::string forecast_short;
  std::uint16_t sunrise = kNoSunTime;  // minutes of the day
  std::uint16_t sunset = kNoSunTime;
  int transmitter_battery = 0;                                             // status byte
  float console_battery = kNoValue;                                        // volts
  std::array<std::int16_t, 4> loop2_values{32767, -32768, -32768, 32767};  // at 22, 54, 58, 20
  // The last loop record as the console sent it (console units, no calibration), for
  // what is made from the console's own values: pages and network packets.
  LoopRecord record;
  // The console's highs-and-lows block (current family) as last read, when read.
  bool have_hilows = false;
  HiLowsBlock hilows{};

  // ---- Ring state (kept so that snapshots can answer the wind queries). ----
  std::int64_t ring_minute = -1;             // absolute minute (unix minutes) of the current slot
  int minute_of_day = 0;                     // 0..1439
  std::array<float, kWindSlots> wind_sum{};  // display unit
  std::array<int, kWindSlots> wind_count{};
  std::array<float, kWindSlots> wind_high{};
  int wind_index = 0;
  bool wind_full = false;
  std::array<int, kMinuteSlots> rain_minutes{};  // clicks
  std::array<int, kHourSlots> rain_hours{};      // clicks
  int minute_index = 0, hour_index = 0;
  bool hour_full = false, day_full = false;
  int current_minute_rain = 0;  // clicks
  int last_day_rain = -1;       // clicks; -1 before the first packet
  int last_year_rain = -1;      // clicks; -1 before the first packet
  int rain_since_start_clicks = 0;
  std::int32_t extremes_date = 0;  // local packed date the highs and lows belong to
  // Barometer (inHg) every 10 minutes for the older families' local forecast.
  std::array<float, kBarHistorySlots> bar_history{};
  int bar_history_count = 0;
  std::int64_t bar_history_minute = -1;

  bool operator==(const BulletinData&) const = default;
};

}  // namespace sq
