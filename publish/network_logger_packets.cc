#include "publish/network_logger_packets.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <tuple>

#include "foundation/weather_calc.h"

namespace sq {
namespace {

namespace po = packet_offset;

constexpr std::int16_t kMissingTemp = 255;

void StoreBE16(Packet& p, std::size_t at, std::uint16_t v) {
  p[at] = static_cast<std::uint8_t>(v >> 8);
  p[at + 1] = static_cast<std::uint8_t>(v);
}

void StoreBE32(Packet& p, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

Packet WithHeader(const NetworkAccount& account, std::uint8_t type, std::size_t size) {
  Packet p(size, 0);
  p[po::kType] = type;
  std::copy(account.device_id.begin(), account.device_id.end(), p.begin() + po::kDeviceId);
  StoreBE32(p, po::kKey, account.key);
  return p;
}

// Tenths of a unit, rounded half away from zero, within 16 bits.
std::int16_t Tenths(float v) {
  const double t = std::round(static_cast<double>(v) * 10.0);
  return static_cast<std::int16_t>(std::clamp(t, -32767.0, 32767.0));
}

}  // namespace

std::int16_t PacketTemperature(float fahrenheit) {
  if (!std::isfinite(fahrenheit) || fahrenheit <= kMissingCalc) return kMissingTemp;
  const double r = std::round(static_cast<double>(fahrenheit));  // half away from zero
  if (r < -32767.0 || r > 32767.0) return kMissingTemp;
  return static_cast<std::int16_t>(r);
}

void DerivedTemperatures(const LoopRecord& record, float out[3]) {
  out[0] = out[1] = out[2] = kMissingCalc;
  if (record.outside_temp == -32768) return;
  const float t = static_cast<float>(record.outside_temp) / 10.0f;
  const bool have_hum = record.outside_hum <= 100;
  const std::uint8_t wind = record.avg_wind_speed != 255 ? record.avg_wind_speed : record.wind_speed;
  if (have_hum) out[0] = CalcDew(t, static_cast<float>(record.outside_hum));
  if (wind != 255) out[1] = CalcChill(t, static_cast<float>(wind));
  if (have_hum) out[2] = CalcHeat(t, static_cast<float>(record.outside_hum));
}

namespace {
// What both layouts of the real-time packet share: the derived temperatures, the
// every-15th bytes and the LOOP2 values.
Packet RealTimeCommon(const NetworkAccount& account, const RealTimeValues& v) {
  Packet p = WithHeader(account, kPacketRealTime, kRealTimePacketSize);
  const std::size_t temp_at[3] = {po::kRtTemp1, po::kRtTemp2, po::kRtTemp3};
  for (int i = 0; i < 3; ++i) StoreBE16(p, temp_at[i], static_cast<std::uint16_t>(PacketTemperature(v.temps[i])));
  if (v.every_15th) {
    p[po::kRtEvery15th] = 1;
    p[po::kRtRainCollector] = v.rain_collector;
    p[po::kRtUnitByte] = v.unit_byte;
  }
  // The first value's "none" (32767) goes out as -1, the second's 255 as 65535.
  std::uint16_t loop2[4];
  for (int i = 0; i < 4; ++i) loop2[i] = static_cast<std::uint16_t>(v.loop2[i]);
  if (v.loop2[0] == 32767) loop2[0] = 0xFFFF;
  if (v.loop2[1] == 255) loop2[1] = 0xFFFF;
  for (std::size_t i = 0; i < 4; ++i) StoreBE16(p, po::kRtLoop2 + 2 * i, loop2[i]);
  return p;
}
}  // namespace

Packet MakeRealTimePacket(const NetworkAccount& account, const RealTimeValues& v) {
  Packet p = RealTimeCommon(account, v);
  std::copy_n(v.loop.begin() + po::kRtLoopFirst, po::kRtLoopCount, p.begin() + po::kRtLoopBytes);
  return p;
}

Packet MakeOlderRealTimePacket(const NetworkAccount& account, const RealTimeValues& common, const OlderRealTime& v) {
  Packet p = RealTimeCommon(account, common);
  const LoopRecord& r = v.record;
  auto s16 = [&](std::size_t at, std::int16_t value) { StoreBE16(p, at, static_cast<std::uint16_t>(value)); };
  p[po::kOldModel] = v.model;
  s16(po::kOldOutTemp, r.outside_temp);
  s16(po::kOldInTemp, r.inside_temp);
  p[po::kOldOutHum] = r.outside_hum;
  p[po::kOldInHum] = r.inside_hum;
  s16(po::kOldBarometer, r.barometer);
  p[po::kOldWindSpeed] = r.wind_speed;
  s16(po::kOldWindDir, r.wind_dir);
  p[po::kOldAvgWind] = v.avg_wind_10;
  p[po::kOldHighWind] = v.high_wind_10;
  p[po::kOldHour] = v.hour;
  p[po::kOldMinute] = v.minute;
  s16(po::kOldHourRain, v.hour_rain_clicks);
  s16(po::kOldDayRain, r.day_rain);
  s16(po::kOldRainCounter, r.year_rain);
  s16(po::kOldRainRate, r.rain_rate);
  p[po::kOldBattery] = r.transmitter_battery;
  return p;
}

Packet MakeOlderHiLowPacket(const NetworkAccount& account, const OlderHighLows& values) {
  Packet p = WithHeader(account, kPacketHiLows1, kHiLows1PacketSize);
  static_assert(po::kOldHiLows + po::kOldHiLowEntry * std::tuple_size_v<OlderHighLows> <= kHiLows1PacketSize);
  std::size_t at = po::kOldHiLows;
  for (const OlderHighLow& e : values) {
    for (std::int16_t v : {e.high, e.high_minute, e.low, e.low_minute}) {
      StoreBE16(p, at, static_cast<std::uint16_t>(v));
      at += 2;
    }
  }
  return p;
}

Packet MakeSetupPacket(const NetworkAccount& account, const SetupValues& v) {
  Packet p = WithHeader(account, kPacketSetup, kSetupPacketSize);
  StoreBE16(p, po::kSetupLatitude, static_cast<std::uint16_t>(Tenths(v.latitude)));
  StoreBE16(p, po::kSetupLongitude, static_cast<std::uint16_t>(Tenths(v.longitude)));
  StoreBE16(p, po::kSetupElevation, static_cast<std::uint16_t>(v.elevation_ft));
  StoreBE16(p, po::kSetupUtcOffset, static_cast<std::uint16_t>(v.utc_offset_minutes));
  p[po::kSetupManualDst] = v.manual_dst;
  p[po::kSetupArchivePeriod] = v.archive_period;
  for (std::size_t i = 0; i < po::kSetupFirmwareSize; ++i) {
    const char c = i < v.firmware_date.size() ? v.firmware_date[i] : ' ';
    p[po::kSetupFirmware + i] = static_cast<std::uint8_t>(c >= 0x20 && c < 0x7F ? c : ' ');
  }
  p[po::kSetupModel] = v.model;
  p[po::kSetupRainCollector] = v.rain_collector;
  p[po::kSetupUnitByte] = v.unit_byte;
  std::copy(v.address.begin(), v.address.end(), p.begin() + po::kSetupAddress);
  p[po::kSetupOne] = 1;
  p[po::kSetupEnd] = 255;
  return p;
}

Packet MakeHiLowPacket1(const NetworkAccount& account, std::span<const std::uint8_t> block) {
  Packet p = WithHeader(account, kPacketHiLows1, kHiLows1PacketSize);
  const std::size_t n = std::min(block.size(), kHiLows1Bytes);
  std::copy_n(block.begin(), n, p.begin() + kPacketHeaderSize);
  return p;
}

Packet MakeHiLowPacket2(const NetworkAccount& account, std::span<const std::uint8_t> block) {
  Packet p = WithHeader(account, kPacketHiLows2, kHiLows2PacketSize);
  if (block.size() > kHiLows1Bytes) {
    const std::size_t n = std::min(block.size() - kHiLows1Bytes, kHiLows2Bytes);
    std::copy_n(block.begin() + kHiLows1Bytes, n, p.begin() + kPacketHeaderSize);
  }
  return p;
}

Packet MakeClearHiLowPacket2(const NetworkAccount& account) {
  Packet p = WithHeader(account, kPacketHiLows2, kHiLows2PacketSize);
  std::fill(p.begin() + kPacketHeaderSize, p.end(), 0xFF);
  return p;
}

Packet MakeArchiveStartPacket(const NetworkAccount& account, std::uint8_t setting, const Ipv4& address) {
  Packet p = WithHeader(account, kPacketArchiveStart, kArchiveStartPacketSize);
  p[po::kStartSetting] = setting;
  std::copy(address.begin(), address.end(), p.begin() + po::kStartAddress);
  return p;
}

Packet MakeArchivePacket(const NetworkAccount& account, std::span<const std::uint8_t> records) {
  const std::size_t n = std::min(records.size() / kConsoleRecordSize, kMaxRecordsPerPacket);
  Packet p = WithHeader(account, kPacketArchive, ArchivePacketSize(n));
  p[po::kArchiveCount] = static_cast<std::uint8_t>(n);
  std::copy_n(records.begin(), n * kConsoleRecordSize, p.begin() + po::kArchiveRecords);
  return p;
}

std::string HexDump(std::span<const std::uint8_t> bytes) {
  std::string out;
  char buf[24];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i % 16 == 0) {
      if (i != 0) out += '\n';
      std::snprintf(buf, sizeof buf, "%04zx ", i);
      out += buf;
    }
    std::snprintf(buf, sizeof buf, " %02x", bytes[i]);
    out += buf;
  }
  out += '\n';
  return out;
}

}  // namespace sq
