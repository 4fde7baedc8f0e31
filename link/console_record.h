// The console's own archive record (52 bytes, little-endian) and its conversion into
// the 88-byte DataRecord of the month files.
//
// Console record layout (offsets in bytes):
//    0 u16 date: day bits 0-4, month bits 5-8, year - 2000 bits 9-15
//    2 u16 time: hour * 100 + minute (0 is the midnight that ends the previous day)
//    4 i16 outside temperature, tenths of degF (0x7FFF none)
//    6 i16 high outside temperature        8 i16 low outside temperature
//   10 u16 rain, collector clicks         12 u16 high rain rate, clicks per hour
//   14 u16 barometer, thousandths of inHg 16 i16 solar radiation, W/m2 (0x7FFF none)
//   18 u16 wind samples                   20 i16 inside temperature
//   22 u8 inside humidity   23 u8 outside humidity (0xFF or 0x80 none)
//   24 u8 average wind, mph (0xFF none)   25 u8 high wind, mph (0xFF none)
//   26 u8 direction of the high wind      27 u8 prevailing direction (0..15)
//   28 u8 UV index, tenths                29 u8 ET, thousandths of inch
//   30..51 the part that differs between the two layouts (see ConvertConsoleRecord)
//
// Which layout a record has depends on the console's firmware date and on marker
// bytes in the record itself (SelectLayout). Everything here is a pure function of
// its inputs; records from the line are treated as hostile (every value is range
// checked, nothing is read past the 52 bytes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "database/data_record.h"
#include "database/weather_database.h"
#include "foundation/astronomy.h"
#include "foundation/date_time.h"
#include "foundation/site.h"
#include "link/serial_session.h"

namespace sq {

inline constexpr std::size_t kConsoleRecordSize = 52;
inline constexpr std::size_t kRecordsPerPage = 5;
// Console archive capacity in pages; a full ring may still announce one page more.
inline constexpr int kConsoleArchivePages = 512;

namespace console_rec {
inline constexpr std::size_t kDate = 0;
inline constexpr std::size_t kTime = 2;
inline constexpr std::size_t kOutTemp = 4;
inline constexpr std::size_t kHiOutTemp = 6;
inline constexpr std::size_t kLowOutTemp = 8;
inline constexpr std::size_t kRain = 10;
inline constexpr std::size_t kHiRainRate = 12;
inline constexpr std::size_t kBarometer = 14;
inline constexpr std::size_t kSolar = 16;
inline constexpr std::size_t kWindSamples = 18;
inline constexpr std::size_t kInTemp = 20;
inline constexpr std::size_t kInHum = 22;
inline constexpr std::size_t kOutHum = 23;
inline constexpr std::size_t kAvgWind = 24;
inline constexpr std::size_t kHiWind = 25;
inline constexpr std::size_t kHiWindDir = 26;
inline constexpr std::size_t kWindDir = 27;
inline constexpr std::size_t kUv = 28;
inline constexpr std::size_t kEt = 29;
// Layout B.
inline constexpr std::size_t kBHiSolar = 30;
inline constexpr std::size_t kBHiUv = 32;
inline constexpr std::size_t kBForecastRule = 33;
inline constexpr std::size_t kBLeafTemp = 34;      // 2 bytes
inline constexpr std::size_t kBLeafWetness = 36;   // 2 bytes
inline constexpr std::size_t kBSoilMoisture = 48;  // 4 bytes
inline constexpr std::size_t kB2SoilTemp = 38;     // 4 bytes (newer B)
inline constexpr std::size_t kB2Marker = 42;       // 0 in a newer-B record
inline constexpr std::size_t kB2ExtraHum = 43;     // 2 bytes
inline constexpr std::size_t kB2ExtraTemp = 45;    // 3 bytes
inline constexpr std::size_t kB1ExtraHum = 38;     // 2 bytes (older B)
inline constexpr std::size_t kB1ExtraTemp = 40;    // 3 bytes
inline constexpr std::size_t kB1Marker = 43;       // not 0xFF in an older-B record
inline constexpr std::size_t kB1SoilTemp12 = 44;   // 2 bytes
inline constexpr std::size_t kB1SoilTemp34 = 40;   // 2 bytes
// Layout A.
inline constexpr std::size_t kASoilMoisture = 31;  // 4 bytes
inline constexpr std::size_t kASoilTemp = 35;      // 4 bytes
inline constexpr std::size_t kALeafWetness = 39;   // 4 bytes
inline constexpr std::size_t kAExtraTemp = 43;     // 2 bytes
inline constexpr std::size_t kAExtraHum = 45;      // 2 bytes
}  // namespace console_rec

using ConsoleRecordBytes = std::span<const std::uint8_t, kConsoleRecordSize>;

// Stamps of the last stored record as the console's "DMPAFT" takes them.
struct CorvaleStamp {
  std::uint16_t date = 0;  // day + month * 32 + (year - 2000) * 512; 0 = everything
  std::uint16_t time = 0;  // hour * 100 + minute
};

// The newest moment stored in `db`: the latest valid time (packed 1..1440) among the
// archive records of the newest day that has one; nothing when the database holds no
// such record. Records with a damaged time, and records whose time is not later than
// the one before them in their day, are passed over; `damaged_file` (when given)
// receives the name of the month file holding one of those near the end (else empty).
[[nodiscard]] std::optional<DateTime> LastArchiveTime(WeatherDatabase& db, std::string* damaged_file = nullptr);
// The stamps for a last stored record (nothing: download everything). A record at
// 24:00 is asked for as 00:00 of the next day; a year before 2000 asks for everything.
[[nodiscard]] CorvaleStamp StampFor(const std::optional<DateTime>& last);
[[nodiscard]] CorvaleStamp SetCorvaleDateTime(WeatherDatabase& db);

// Layout selectors from the console's firmware date.
struct LayoutFlags {
  bool rev_b = true;
  bool rev_b2 = true;
};
// An unreadable date (nothing) selects both.
[[nodiscard]] LayoutFlags LayoutFlagsFor(const std::optional<FirmwareDate>& firmware);

enum class ConsoleLayout { kA, kB, kRejected };
[[nodiscard]] ConsoleLayout SelectLayout(ConsoleRecordBytes rec, LayoutFlags flags);

// The record's moment: its date and a packed time 1..1440, midnight (time 0) moved to
// 24:00 of the previous day. Nothing for an empty slot or a time or date out of
// range: the time must be 0..2359 with minutes 0..59, or exactly 2400.
[[nodiscard]] std::optional<DateTime> ConsoleRecordTime(ConsoleRecordBytes rec);

// What the conversion needs besides the record.
struct ConversionContext {
  int archive_period = 30;  // minutes
  int transmitter = 0;      // anemometer transmitter id - 1 (0..7)
  int rain_collector = 1;   // collector code of the rain word
  LayoutFlags layout;
  SiteDescription site;
  bool position_set = false;  // latitude and longitude known: compute extra radiation
};

// The DataRecord for a console record, nothing when the record is out of range or of
// a rejected layout. `astro` keeps the sun's state between records (its daily terms are
// refreshed when the day changes).
class ConsoleRecordConverter {
 public:
  explicit ConsoleRecordConverter(const ConversionContext& ctx);
  [[nodiscard]] std::optional<DataRecord> Convert(ConsoleRecordBytes rec, const DateTime& when);
  [[nodiscard]] const ConversionContext& context() const { return ctx_; }

 private:
  ConversionContext ctx_;
  AstronomyState astro_;
  std::int32_t astro_day_ = 0;
};

}  // namespace sq
