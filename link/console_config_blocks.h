// The console's configuration blocks and tables as plain values: the calibration
// offsets (27 bytes at EEPROM 0x32), the calibrated-values block of "CALED" / "CALFIX"
// (43 bytes), the transmitter table (16 bytes at 0x19), the alarm block (94 bytes at
// 0x52) and the 47-entry time-zone table. Decoders take exactly the block's size and
// refuse anything else; nothing here talks to the console.
//
// EEPROM map of the settings this program touches (multi-byte values little-endian):
//
// | Address | Size | Content                                                        |
// |---------|------|----------------------------------------------------------------|
// | 0x0B    | 2    | latitude, tenths of a degree, negative south                   |
// | 0x0D    | 2    | longitude, tenths of a degree, negative west                   |
// | 0x0F    | 2    | 16-bit setting (read only)                                     |
// | 0x11    | 1    | time-zone index 0..46                                          |
// | 0x12    | 1    | daylight saving mode: 0 automatic, 1 manual                    |
// | 0x13    | 1    | daylight saving on in manual mode: 1 on, 0 off                 |
// | 0x14    | 2    | GMT offset of the zone, hours * 100 + minutes, signed          |
// | 0x16    | 1    | 0 once a zone index is set (the index is in force)             |
// | 0x19    | 16   | transmitter table, 2 bytes per transmitter id 1..8             |
// | 0x29    | 2    | unit bits and their complement                                 |
// | 0x2B    | 1    | setup bits: bit 3 wind cups large, bits 4-5 rain collector     |
// | 0x2D    | 1    | archive period, minutes                                        |
// | 0x32    | 27   | calibration offsets                                            |
// | 0x4D    | 2    | 16-bit setting                                                 |
// | 0x52    | 94   | alarm thresholds                                               |
// | 0xC3    | 1    | wind cup size code 1..3 (consoles with the other cup sizes)    |
// | 0xFFE   | 2    | settings password check code, high byte first (0xFFFF: none)   |
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace sq {

namespace eeprom {
inline constexpr int kLatitude = 0x0B;
inline constexpr int kLongitude = 0x0D;
inline constexpr int kWord0F = 0x0F;
inline constexpr int kZoneIndex = 0x11;
inline constexpr int kDstMode = 0x12;
inline constexpr int kDstOn = 0x13;
inline constexpr int kZoneOffset = 0x14;
inline constexpr int kZoneInForce = 0x16;
inline constexpr int kTransmitters = 0x19;
inline constexpr int kUnitBits = 0x29;
inline constexpr int kSetupBits = 0x2B;
inline constexpr int kArchivePeriod = 0x2D;
inline constexpr int kCalibration = 0x32;
inline constexpr int kWord4D = 0x4D;
inline constexpr int kAlarms = 0x52;
inline constexpr int kCupSizeCode = 0xC3;
inline constexpr int kPasswordCode = 0xFFE;
}  // namespace eeprom

// Setup bits (EEPROM 0x2B).
inline constexpr std::uint8_t kSetupLargeCups = 0x08;
inline constexpr std::uint8_t kSetupRainMask = 0x30;
inline constexpr int kSetupRainShift = 4;

// ---- Calibration offsets: 27 signed bytes. ----
// Byte 1 is not an offset: it holds the one's complement of byte 0 as a check, and a
// block whose check byte disagrees is not trusted (the console rewrites the block
// whole, so a mismatch means it was damaged or written by a program that misread it).
inline constexpr std::size_t kCalibrationSize = 27;
inline constexpr std::size_t kFurtherTemps = 15;  // 7 extra, 4 soil, 4 leaf
inline constexpr std::size_t kFurtherHums = 7;    // extra humidities
namespace cal {
inline constexpr std::size_t kInsideTemp = 0;   // tenths of a degree F
inline constexpr std::size_t kInsideCheck = 1;  // ~byte 0
inline constexpr std::size_t kOutsideTemp = 2;
inline constexpr std::size_t kFurtherTemp = 3;  // 3..17
inline constexpr std::size_t kInsideHum = 18;   // percent
inline constexpr std::size_t kOutsideHum = 19;
inline constexpr std::size_t kExtraHum = 20;  // 20..26
static_assert(kFurtherTemp + kFurtherTemps == kInsideHum);
static_assert(kExtraHum + kFurtherHums == kCalibrationSize);
}  // namespace cal

using CalibrationOffsets = std::array<std::int8_t, kCalibrationSize>;
// Nothing when the check byte is not the complement of the inside offset.
[[nodiscard]] std::optional<CalibrationOffsets> DecodeCalibration(std::span<const std::uint8_t, kCalibrationSize> raw);
// Writes the check byte from the inside offset; offsets[kInsideCheck] is ignored.
void EncodeCalibration(const CalibrationOffsets& offsets, std::span<std::uint8_t, kCalibrationSize> out);

// ---- Calibrated values ("CALED" / "CALFIX"): 43 bytes. ----
inline constexpr std::size_t kCalibratedValuesSize = 43;
inline constexpr std::size_t kCalibratedTemps = 2 + kFurtherTemps;  // inside, outside, further
inline constexpr std::size_t kCalibratedHums = 2 + kFurtherHums;    // inside, outside, extra
namespace calval {
inline constexpr std::size_t kInsideTemp = 0;   // i16, tenths of a degree F
inline constexpr std::size_t kOutsideTemp = 2;  // i16
inline constexpr std::size_t kFurtherTemp = 4;  // 15 x i16, 4..33
inline constexpr std::size_t kInsideHum = 34;   // u8, percent
inline constexpr std::size_t kOutsideHum = 35;  // u8
inline constexpr std::size_t kExtraHum = 36;    // 7 x u8, 36..42
static_assert(kFurtherTemp + 2 * kFurtherTemps == kInsideHum);
static_assert(kExtraHum + kFurtherHums == kCalibratedValuesSize);
}  // namespace calval

inline constexpr std::uint16_t kNoSensorTemp = 0x7FFF;
inline constexpr std::uint16_t kNoSensorTempFF = 0xFFFF;
inline constexpr std::uint8_t kNoSensorHum = 0xFF;

// Temperatures in order inside, outside, the fifteen further; humidities inside,
// outside, the seven extra. Kept as the console's raw 16-bit / 8-bit values.
struct CalibratedValues {
  std::array<std::uint16_t, kCalibratedTemps> temps{};
  std::array<std::uint8_t, kCalibratedHums> hums{};
};
[[nodiscard]] CalibratedValues DecodeCalibratedValues(std::span<const std::uint8_t, kCalibratedValuesSize> raw);
void EncodeCalibratedValues(const CalibratedValues& v, std::span<std::uint8_t, kCalibratedValuesSize> out);

// Index into CalibrationOffsets of calibrated temperature `t` / humidity `h`.
[[nodiscard]] std::size_t TempOffsetIndex(std::size_t t);
[[nodiscard]] std::size_t HumOffsetIndex(std::size_t h);

// The values without their calibration: each temperature minus its offset, each
// humidity minus its offset; "no sensor" values are copied. A humidity is kept within
// 0..100 and a temperature within the 16-bit range, so that a reading never wraps
// round into a "no sensor" mark or a nonsense value.
[[nodiscard]] CalibratedValues Uncalibrate(const CalibratedValues& v, const CalibrationOffsets& offsets);

// ---- Transmitter table: 2 bytes for each transmitter id 1..8. ----
inline constexpr std::size_t kTransmitterCount = 8;
inline constexpr std::size_t kTransmitterTableSize = 2 * kTransmitterCount;
inline constexpr int kTxTypeNone = 9;  // type 9: no transmitter
inline constexpr int kTxTypeAnemometer = 4;
inline constexpr int kNoAnemometerTx = 255;

struct TransmitterEntry {
  int type = kTxTypeNone;  // 0..9 (above 9 reads as 9)
  int code = 1;            // second code: 1 or 4 (anything else reads as 1)
  int channel_low = 0;     // bits 0..3 of the second byte
  int channel_high = 0;    // bits 4..7 of the second byte
};
using TransmitterTable = std::array<TransmitterEntry, kTransmitterCount>;  // [id - 1]

[[nodiscard]] TransmitterTable DecodeTransmitters(std::span<const std::uint8_t, kTransmitterTableSize> raw);
void EncodeTransmitters(const TransmitterTable& table, std::span<std::uint8_t, kTransmitterTableSize> out);
// Sets the type (0..9) of transmitter `index` (id - 1, below kTransmitterCount) in the raw
// table; its second code and channels stay as the console has them.
void SetTransmitterType(std::span<std::uint8_t, kTransmitterTableSize> raw, std::size_t index, int type);
// The anemometer transmitter's id: the first id of type 4, else the last id of type 0,
// else 255.
[[nodiscard]] int AnemometerTransmitter(const TransmitterTable& table);

// ---- Alarm block: 94 bytes at 0x52, read and written whole. ----
inline constexpr std::size_t kAlarmBlockSize = 94;
namespace alarm {
inline constexpr std::size_t kTime = 2;         // u16: hour * 100 + minute, 0xFFFF off
inline constexpr std::size_t kTemp90First = 6;  // bytes 6..9: degrees F + 90, 0xFF off
inline constexpr std::size_t kTemp90Last = 9;
inline constexpr std::size_t kTemp120First = 58;  // bytes 58..60: degrees F + 120, 0xFF off
inline constexpr std::size_t kTemp120Last = 60;
}  // namespace alarm
inline constexpr std::uint8_t kAlarmOffByte = 0xFF;
inline constexpr std::uint16_t kAlarmOffWord = 0xFFFF;

using AlarmBlock = std::array<std::uint8_t, kAlarmBlockSize>;

// Time alarm in minutes after midnight; nothing when it is off or not a valid time.
[[nodiscard]] std::optional<int> AlarmTime(const AlarmBlock& b);
// Sets the time alarm (minutes after midnight, 0..1439) or switches it off (nullopt).
// False for a time out of range (the block is unchanged).
bool SetAlarmTime(AlarmBlock& b, std::optional<int> minutes);
// Temperature threshold at byte `index` (6..9 or 58..60) in whole degrees F; nothing
// when off or when `index` holds no temperature.
[[nodiscard]] std::optional<int> AlarmTempF(const AlarmBlock& b, std::size_t index);
// The same threshold in degrees C as the console dialog shows it.
[[nodiscard]] std::optional<double> AlarmTempC(const AlarmBlock& b, std::size_t index);
// Sets the threshold at `index` (nullopt: off). False when `index` holds no
// temperature or the value does not fit its byte (the block is unchanged).
bool SetAlarmTempF(AlarmBlock& b, std::size_t index, std::optional<int> fahrenheit);

// One click of a rain collector code (1 or 4: 0.01 in, 2: 0.2 mm, 6: 0.1 mm) in
// inches; nothing for any other code.
[[nodiscard]] std::optional<double> RainClickInches(int collector_code);

// ---- Time zones. ----
inline constexpr int kTimeZoneCount = 47;
// GMT offset of zone `index` as hours * 100 + minutes; nothing outside 0..46.
[[nodiscard]] std::optional<int> ZoneOffset(int index);
// The zone's name as the time-zone list shows it ("(GMT+05:30) ...").
[[nodiscard]] std::string_view ZoneName(int index);
// Offset in hours read from the "(GMT" part of a zone name: hours + minutes / 60,
// negative zones subtracting the minutes. Nothing when the name has no such part.
[[nodiscard]] std::optional<double> ZoneHoursFromName(std::string_view name);

// ---- Archive interval. ----
inline constexpr std::array<int, 7> kArchivePeriods = {1, 5, 10, 15, 30, 60, 120};
// Index 0..6 of an archive period in minutes; nothing for any other period.
[[nodiscard]] std::optional<int> ArchivePeriodIndex(int minutes);

// ---- Latitude and longitude as entered. ----
// Reads "41.5", "-41.5", "41.5N", "41.5 S" (latitude: `east_west` false) or "87.5W",
// "87.5 E" (longitude) into tenths of a degree, south and west negative. Nothing when
// the text is not such a value or lies outside +-90 / +-180 degrees.
[[nodiscard]] std::optional<int> ParseLatLongText(std::string_view text, bool east_west);
// " 41.5 N", " 87.5 W" for tenths of a degree.
[[nodiscard]] std::string LatLongText(int tenths, bool east_west);

}  // namespace sq
