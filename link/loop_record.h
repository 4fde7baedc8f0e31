// The loop record: current conditions from the console's real-time packets, and the
// decoding of those 99-byte packets.
//
// A packet is "LOO", a trend byte, a type byte (1 = LOOP2, anything else = LOOP), 90
// data bytes, line feed and carriage return, and a CRC-16 (high byte first). A LOOP
// packet sets every field of the record; a LOOP2 packet sets only its five values. A
// field holds its no-value marker until a packet sets it, and a packet field that
// carries its sensor's no-value code stores the record's marker (see UnpackLoopPacket).
//
// The decoders take the packet as untrusted bytes: a buffer of the wrong size, a bad
// CRC or a bad header is refused before a field is touched.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace sq {

inline constexpr std::size_t kLoopPacketSize = 99;
using LoopPacket = std::array<std::uint8_t, kLoopPacketSize>;

// Kinds of packet stream.
inline constexpr int kLoopKindLoop = 1;   // LOOP packets only
inline constexpr int kLoopKindLoop2 = 2;  // LOOP2 packets only
inline constexpr int kLoopKindBoth = 3;   // LOOP and LOOP2 alternately

// Results of reading or decoding one packet.
inline constexpr int kLoopOk = 0;            // a packet was stored in the loop record
inline constexpr int kLoopPending = 1;       // no complete packet yet; call again
inline constexpr int kLoopNotOpen = -1;      // the port is not open
inline constexpr int kLoopBadHeader = -2;    // bytes 0..2 are not "LOO"
inline constexpr int kLoopBadCrc = -4;       // CRC error
inline constexpr int kLoopReadError = -500;  // the channel failed

// Packet layout (byte offsets; 16-bit values little-endian).
namespace loop_offset {
inline constexpr std::size_t kHeader = 0;      // "LOO"
inline constexpr std::size_t kBarTrend = 3;    // signed byte
inline constexpr std::size_t kPacketType = 4;  // 1 = LOOP2
inline constexpr std::size_t kBarometer = 7;
inline constexpr std::size_t kInsideTemp = 9;
inline constexpr std::size_t kInsideHum = 11;
inline constexpr std::size_t kOutsideTemp = 12;
inline constexpr std::size_t kWindSpeed = 14;
inline constexpr std::size_t kAvgWindSpeed = 15;
inline constexpr std::size_t kWindDir = 16;
inline constexpr std::size_t kExtraTemps = 18;  // 7 bytes
inline constexpr std::size_t kSoilTemps = 25;   // 4 bytes
inline constexpr std::size_t kLeafTemps = 29;   // 4 bytes
inline constexpr std::size_t kOutsideHum = 33;
inline constexpr std::size_t kExtraHums = 34;  // 7 bytes
inline constexpr std::size_t kRainRate = 41;
inline constexpr std::size_t kUv = 43;
inline constexpr std::size_t kSolar = 44;
inline constexpr std::size_t kStormRain = 46;
inline constexpr std::size_t kDayRain = 50;
inline constexpr std::size_t kMonthRain = 52;
inline constexpr std::size_t kYearRain = 54;
inline constexpr std::size_t kDayEt = 56;
inline constexpr std::size_t kMonthEt = 58;
inline constexpr std::size_t kYearEt = 60;
inline constexpr std::size_t kSoilMoistures = 62;  // 4 bytes
inline constexpr std::size_t kLeafWetnesses = 66;  // 4 bytes
inline constexpr std::size_t kInsideAlarms = 70;
inline constexpr std::size_t kRainAlarms = 71;
inline constexpr std::size_t kOutsideAlarms = 72;   // 16-bit
inline constexpr std::size_t kExtraAlarms = 74;     // 8 bytes
inline constexpr std::size_t kSoilLeafAlarms = 82;  // 4 bytes
inline constexpr std::size_t kTransmitterBattery = 86;
inline constexpr std::size_t kConsoleBattery = 87;
inline constexpr std::size_t kForecastIcons = 89;
inline constexpr std::size_t kForecastRule = 90;
inline constexpr std::size_t kSunrise = 91;
inline constexpr std::size_t kSunset = 93;
inline constexpr std::size_t kLineEnd = 95;  // "\n\r"
inline constexpr std::size_t kCrc = 97;
// LOOP2 values.
inline constexpr std::size_t kLoop2Value20 = 20;
inline constexpr std::size_t kLoop2Value22 = 22;
inline constexpr std::size_t kLoop2Value54 = 54;
inline constexpr std::size_t kLoop2Value58 = 58;
inline constexpr std::size_t kLoop2Value69 = 69;
}  // namespace loop_offset

inline constexpr std::uint8_t kLoop2PacketType = 1;

namespace detail {
template <std::size_t N>
constexpr std::array<std::uint8_t, N> Filled(std::uint8_t v) {
  std::array<std::uint8_t, N> a{};
  a.fill(v);
  return a;
}
}  // namespace detail

// Current conditions, in the console's units. 16-bit fields are signed; -32768 and
// 255 are the no-value markers. Each member starts with the value it holds before any
// packet arrived.
struct LoopRecord {
  std::int16_t outside_temp = -32768;  // tenths of °F
  std::int16_t inside_temp = -32768;   // tenths of °F
  std::uint8_t inside_hum = 128;       // %
  std::uint8_t outside_hum = 128;      // %
  std::int16_t barometer = -32768;     // thousandths of inHg
  std::uint8_t wind_speed = 255;       // mph
  std::uint8_t avg_wind_speed = 255;   // 10-minute average, mph
  std::int16_t wind_dir = -32768;      // degrees
  std::int16_t year_rain = 0;          // clicks
  std::int16_t day_rain = 0;           // clicks
  std::int16_t month_rain = 0;         // clicks
  std::int16_t storm_rain = 0;         // clicks
  std::int16_t rain_rate = -32768;     // clicks per hour
  std::int16_t day_et = -32768;        // thousandths of an inch
  std::int16_t month_et = -32768;      // hundredths of an inch
  std::int16_t year_et = -32768;       // hundredths of an inch
  std::int16_t solar = -32768;         // W/m²
  std::uint8_t uv = 255;               // tenths of the index
  std::uint8_t forecast_icons = 0;
  std::uint8_t forecast_rule = 193;
  std::uint8_t inside_alarms = 0;
  std::uint8_t rain_alarms = 0;
  std::int16_t outside_alarms = 0;
  std::array<std::uint8_t, 8> extra_alarms{};  // extra temperature/humidity alarms
  std::array<std::uint8_t, 4> soil_leaf_alarms{};
  std::int16_t sunrise = -32768;                                        // hour × 100 + minute
  std::int16_t sunset = -32768;                                         // hour × 100 + minute
  std::array<std::uint8_t, 7> extra_temps = detail::Filled<7>(255);     // °F + 90
  std::array<std::uint8_t, 7> extra_hums = detail::Filled<7>(255);      // %
  std::array<std::uint8_t, 4> soil_moistures = detail::Filled<4>(255);  // centibar
  std::array<std::uint8_t, 4> soil_temps = detail::Filled<4>(255);      // °F + 90
  std::array<std::uint8_t, 4> leaf_wetnesses = detail::Filled<4>(255);  // 0..15
  std::array<std::uint8_t, 4> leaf_temps = detail::Filled<4>(255);      // °F + 90
  std::int16_t bar_trend = -32768;
  std::uint8_t transmitter_battery = 0;
  std::int16_t console_battery = -32768;  // raw; see ConsoleBatteryVolts
  // The five LOOP2 values, named by their packet offset.
  std::int16_t loop2_value22 = 32767;
  std::int16_t loop2_value54 = -32768;
  std::int16_t loop2_value58 = -32768;
  std::int16_t loop2_value20 = 32767;
  std::int16_t loop2_value69 = -32768;

  // Back to the values before any packet.
  void Reset() { *this = LoopRecord{}; }
  bool operator==(const LoopRecord&) const = default;
};

// Console battery voltage from the raw field: ((raw × 300) >> 9) / 100; -32768.0 for
// a raw value of -32768.
[[nodiscard]] float ConsoleBatteryVolts(std::int16_t raw);

// True when `packet` (data followed by its CRC) is intact for a console of `family`:
// the current family checks all 99 bytes, the oldest family bytes 1..98, any other
// family is not checked.
[[nodiscard]] bool LoopPacketCrcOk(std::span<const std::uint8_t, kLoopPacketSize> packet, int family);

// True when the packet is a LOOP2 packet.
[[nodiscard]] inline bool IsLoop2Packet(std::span<const std::uint8_t, kLoopPacketSize> packet) {
  return packet[loop_offset::kPacketType] == kLoop2PacketType;
}

// Every field of a LOOP packet into `record` (no CRC or header check).
void UnpackLoopPacket(std::span<const std::uint8_t, kLoopPacketSize> packet, LoopRecord& record);
// The five values of a LOOP2 packet into `record`; nothing else changes.
void UnpackLoop2Packet(std::span<const std::uint8_t, kLoopPacketSize> packet, LoopRecord& record);

// Checks and decodes one received packet of any size: CRC by family, then the header,
// then LOOP or LOOP2 values into `record`. Returns kLoopOk, kLoopBadCrc, kLoopBadHeader,
// or kLoopPending when `bytes` is not exactly one packet long. `record` is untouched
// unless the result is kLoopOk.
[[nodiscard]] int DecodeLoopPacket(std::span<const std::uint8_t> bytes, int family, LoopRecord& record);

}  // namespace sq
