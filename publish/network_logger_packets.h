// The binary packets of the upload to the maker's weather network. Every packet starts
// with an 11-byte header naming the packet type and the account (device ID and key);
// the layouts are described in NETWORK_PACKETS.md. Multi-byte values this program
// writes are big-endian; console bytes (LOOP data, archive records, the highs and lows
// block) go out as the console sent them.
//
// The builders are pure: they take the data and return the bytes, so the packets can
// be checked without a network.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "link/console_record.h"
#include "link/hilows.h"
#include "link/loop_record.h"

namespace sq {

using Packet = std::vector<std::uint8_t>;

// Packet types.
inline constexpr std::uint8_t kPacketSetup = 1;
inline constexpr std::uint8_t kPacketRealTime = 2;
inline constexpr std::uint8_t kPacketHiLows1 = 4;
inline constexpr std::uint8_t kPacketHiLows2 = 5;
inline constexpr std::uint8_t kPacketArchiveStart = 6;
inline constexpr std::uint8_t kPacketArchive = 7;

// Sizes.
inline constexpr std::size_t kPacketHeaderSize = 11;
inline constexpr std::size_t kSetupPacketSize = 64;
inline constexpr std::size_t kRealTimePacketSize = 120;
inline constexpr std::size_t kHiLows1PacketSize = 147;
inline constexpr std::size_t kHiLows2PacketSize = 321;
inline constexpr std::size_t kArchiveStartPacketSize = 18;
inline constexpr std::size_t kMaxRecordsPerPacket = 7;
[[nodiscard]] constexpr std::size_t ArchivePacketSize(std::size_t records) { return 12 + kConsoleRecordSize * records; }
static_assert(ArchivePacketSize(7) == 376 && ArchivePacketSize(1) == 64);

// The highs and lows block is split over the two packets: part 1 carries the first
// bytes, part 2 the rest followed by zeros.
inline constexpr std::size_t kHiLows1Bytes = kHiLows1PacketSize - kPacketHeaderSize;  // 136
inline constexpr std::size_t kHiLows2Bytes = kHiLowsDataSize - kHiLows1Bytes;         // 300
static_assert(kHiLows2Bytes <= kHiLows2PacketSize - kPacketHeaderSize);

// Offsets of the common header.
namespace packet_offset {
inline constexpr std::size_t kZero0 = 0;
inline constexpr std::size_t kType = 1;
inline constexpr std::size_t kZero2 = 2;     // 2 bytes
inline constexpr std::size_t kDeviceId = 4;  // 3 bytes
inline constexpr std::size_t kKey = 7;       // u32, big-endian
// Real-time packet.
inline constexpr std::size_t kRtTemp1 = 11;  // s16 each, whole °F, 255 = none
inline constexpr std::size_t kRtTemp2 = 13;
inline constexpr std::size_t kRtTemp3 = 15;
inline constexpr std::size_t kRtEvery15th = 17;
inline constexpr std::size_t kRtRainCollector = 18;
inline constexpr std::size_t kRtUnitByte = 19;
inline constexpr std::size_t kRtLoopBytes = 20;  // bytes 3..94 of the LOOP packet
inline constexpr std::size_t kRtLoopFirst = 3;
inline constexpr std::size_t kRtLoopCount = 92;
inline constexpr std::size_t kRtLoop2 = 112;  // four u16 values
// Real-time packet of the older console families: their readings from offset 20 on.
inline constexpr std::size_t kOldModel = 20;        // u8, station model code
inline constexpr std::size_t kOldOutTemp = 21;      // s16, tenths of °F, calibrated
inline constexpr std::size_t kOldInTemp = 23;       // s16, tenths of °F, calibrated
inline constexpr std::size_t kOldOutHum = 25;       // u8, percent, calibrated
inline constexpr std::size_t kOldInHum = 26;        // u8, percent, calibrated
inline constexpr std::size_t kOldBarometer = 27;    // s16, thousandths of inHg
inline constexpr std::size_t kOldWindSpeed = 29;    // u8, mph
inline constexpr std::size_t kOldWindDir = 30;      // s16, degrees
inline constexpr std::size_t kOldAvgWind = 32;      // u8, mph, last 10 minutes
inline constexpr std::size_t kOldHighWind = 33;     // u8, mph, last 10 minutes
inline constexpr std::size_t kOldHour = 34;         // u8, local hour of the reading
inline constexpr std::size_t kOldMinute = 35;       // u8
inline constexpr std::size_t kOldHourRain = 36;     // s16, clicks in the last hour
inline constexpr std::size_t kOldDayRain = 38;      // s16, clicks
inline constexpr std::size_t kOldRainCounter = 40;  // s16, the console's rain counter, clicks
inline constexpr std::size_t kOldRainRate = 42;     // s16, clicks per hour
inline constexpr std::size_t kOldBattery = 44;      // u8, transmitter battery status
// Highs-and-lows packet of the older families: one 8-byte entry per quantity.
inline constexpr std::size_t kOldHiLows = 11;
inline constexpr std::size_t kOldHiLowEntry = 8;  // s16 high, s16 its minute, s16 low, s16 its minute
// Archive start packet.
inline constexpr std::size_t kStartSetting = 11;
inline constexpr std::size_t kStartAddress = 13;  // 4 bytes
// Archive packet.
inline constexpr std::size_t kArchiveCount = 11;
inline constexpr std::size_t kArchiveRecords = 12;
// Set-up packet.
inline constexpr std::size_t kSetupLatitude = 11;       // s16, tenths of a degree, north positive
inline constexpr std::size_t kSetupLongitude = 13;      // s16, tenths of a degree, east positive
inline constexpr std::size_t kSetupElevation = 15;      // s16, feet
inline constexpr std::size_t kSetupUtcOffset = 17;      // s16, minutes east of UTC
inline constexpr std::size_t kSetupManualDst = 19;      // u8
inline constexpr std::size_t kSetupArchivePeriod = 20;  // u8, minutes
inline constexpr std::size_t kSetupFirmware = 25;       // 11 characters, space-padded
inline constexpr std::size_t kSetupFirmwareSize = 11;
inline constexpr std::size_t kSetupModel = 36;
inline constexpr std::size_t kSetupRainCollector = 37;
inline constexpr std::size_t kSetupUnitByte = 38;
inline constexpr std::size_t kSetupAddress = 40;  // 4 bytes
inline constexpr std::size_t kSetupOne = 62;
inline constexpr std::size_t kSetupEnd = 63;
}  // namespace packet_offset

// Who is sending: the last three bytes of the network logger's MAC address and the key.
struct NetworkAccount {
  std::array<std::uint8_t, 3> device_id{};
  std::uint32_t key = 0;
};

using Ipv4 = std::array<std::uint8_t, 4>;

// The values of a real-time packet besides the header.
struct RealTimeValues {
  // Derived temperatures in °F (-32768 = none): dew point, wind chill, heat index.
  float temps[3] = {-32768.0f, -32768.0f, -32768.0f};
  bool every_15th = false;
  std::uint8_t rain_collector = 0;  // sent only in every 15th packet
  std::uint8_t unit_byte = 0;       // sent only in every 15th packet
  LoopPacket loop{};                // the console's last raw LOOP packet
  // LOOP2 values at packet offsets 22, 54, 58 and 20, in this order.
  std::int16_t loop2[4] = {32767, -32768, -32768, 32767};
};

// The older console families' real-time data, as their packets carry it.
struct OlderRealTime {
  std::uint8_t model = 0;
  LoopRecord record;                // with the station's calibration offsets added
  std::uint8_t avg_wind_10 = 255;   // mph over the last 10 minutes; 255 none
  std::uint8_t high_wind_10 = 255;  // highest mph in the last 10 minutes; 255 none
  std::uint8_t hour = 0, minute = 0;
  std::int16_t hour_rain_clicks = -32768;
};

// Today's highs and lows of an older console, in this order (values as in the loop
// record: tenths of °F for outside and inside temperature, whole °F for the derived
// ones, percent, thousandths of inHg, mph, clicks per hour; -32768 none; minutes of the
// day, -1 none).
enum class OlderExtreme : int {
  kOutsideTemp,
  kInsideTemp,
  kOutsideHum,
  kInsideHum,
  kDewPoint,
  kWindChill,
  kHeatIndex,
  kBarometer,
  kWindSpeed,
  kRainRate,
  kCount
};
struct OlderHighLow {
  std::int16_t high = -32768, high_minute = -1, low = -32768, low_minute = -1;
};
using OlderHighLows = std::array<OlderHighLow, static_cast<std::size_t>(OlderExtreme::kCount)>;

struct SetupValues {
  float latitude = 0, longitude = 0;  // decimal degrees, south and west negative
  std::int16_t elevation_ft = 0;
  std::int16_t utc_offset_minutes = 0;
  std::uint8_t manual_dst = 0;
  std::uint8_t archive_period = 0;
  std::string_view firmware_date;  // "Apr 24 2002"; empty when the console was not read
  std::uint8_t model = 0;
  std::uint8_t rain_collector = 0;
  std::uint8_t unit_byte = 0;
  Ipv4 address{};
};

// A derived temperature as sent: rounded half away from zero, 255 when missing or out
// of the 16-bit range.
[[nodiscard]] std::int16_t PacketTemperature(float fahrenheit);

// The three derived temperatures of a real-time packet from a loop record.
void DerivedTemperatures(const LoopRecord& record, float out[3]);

[[nodiscard]] Packet MakeRealTimePacket(const NetworkAccount& account, const RealTimeValues& values);
// The older families' real-time packet: offsets 11..19 and 112..119 as for the current
// family (from `common`; its `loop` is not used), their readings at 20..45.
[[nodiscard]] Packet MakeOlderRealTimePacket(const NetworkAccount& account, const RealTimeValues& common,
                                             const OlderRealTime& values);
// The older families' highs-and-lows packet (type 4, 147 bytes).
[[nodiscard]] Packet MakeOlderHiLowPacket(const NetworkAccount& account, const OlderHighLows& values);
[[nodiscard]] Packet MakeSetupPacket(const NetworkAccount& account, const SetupValues& values);
// The first and second highs-and-lows packets, from the block's 436 data bytes (a CRC
// after them is ignored).
[[nodiscard]] Packet MakeHiLowPacket1(const NetworkAccount& account, std::span<const std::uint8_t> block);
[[nodiscard]] Packet MakeHiLowPacket2(const NetworkAccount& account, std::span<const std::uint8_t> block);
// The second packet with every byte after the header 255: clears the extra sensors' highs and lows.
[[nodiscard]] Packet MakeClearHiLowPacket2(const NetworkAccount& account);
[[nodiscard]] Packet MakeArchiveStartPacket(const NetworkAccount& account, std::uint8_t setting, const Ipv4& address);
// 1..7 console records of 52 bytes, back to back.
[[nodiscard]] Packet MakeArchivePacket(const NetworkAccount& account, std::span<const std::uint8_t> records);

// The bytes as hex, 16 to a line with the offset in front.
[[nodiscard]] std::string HexDump(std::span<const std::uint8_t> bytes);

}  // namespace sq
