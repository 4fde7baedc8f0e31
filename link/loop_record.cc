#include "link/loop_record.h"

#include <cstring>

#include "link/crc16.h"

namespace sq {
namespace {

namespace off = loop_offset;

constexpr std::int16_t kNoValue16 = -32768;
constexpr std::uint8_t kNoValue8 = 255;
// The console marks a missing temperature or solar reading with this value.
constexpr std::int16_t kConsoleNoValue16 = 32767;
// Barometer readings outside this range (thousandths of inHg) are not readings.
constexpr std::int16_t kLowestBarometer = 16000;
constexpr std::int16_t kHighestBarometer = 32500;
constexpr int kFamilyBrisant = 0;
constexpr int kFamilyCorvale = 3;

using Packet = std::span<const std::uint8_t, kLoopPacketSize>;

std::int16_t Load16(Packet p, std::size_t at) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[at] | (p[at + 1] << 8)));
}

// A 16-bit value whose console no-value code becomes the record's marker.
std::int16_t Load16Marked(Packet p, std::size_t at) {
  const std::int16_t v = Load16(p, at);
  return v == kConsoleNoValue16 ? kNoValue16 : v;
}

// Humidities: the console sends 127 or 128 when the sensor gives no value.
std::uint8_t Humidity(std::uint8_t v) { return v == 127 || v == 128 ? kNoValue8 : v; }

template <std::size_t N>
void LoadBytes(Packet p, std::size_t at, std::array<std::uint8_t, N>& out) {
  std::memcpy(out.data(), p.data() + at, N);
}

}  // namespace

float ConsoleBatteryVolts(std::int16_t raw) {
  if (raw == kNoValue16) return -32768.0f;
  return static_cast<float>((static_cast<std::int32_t>(raw) * 300) >> 9) / 100.0f;
}

bool LoopPacketCrcOk(Packet packet, int family) {
  if (family == kFamilyCorvale) return Crc16(packet) == 0;
  if (family == kFamilyBrisant) return Crc16(packet.subspan(1)) == 0;
  return true;
}

void UnpackLoopPacket(Packet p, LoopRecord& r) {
  r.outside_temp = Load16Marked(p, off::kOutsideTemp);
  r.inside_temp = Load16Marked(p, off::kInsideTemp);
  r.inside_hum = Humidity(p[off::kInsideHum]);
  r.outside_hum = Humidity(p[off::kOutsideHum]);
  const std::int16_t bar = Load16(p, off::kBarometer);
  r.barometer = bar < kLowestBarometer || bar > kHighestBarometer ? kNoValue16 : bar;
  r.wind_speed = p[off::kWindSpeed];
  r.avg_wind_speed = p[off::kAvgWindSpeed];
  r.wind_dir = Load16(p, off::kWindDir);
  r.year_rain = Load16(p, off::kYearRain);
  r.day_rain = Load16(p, off::kDayRain);
  r.month_rain = Load16(p, off::kMonthRain);
  r.storm_rain = Load16(p, off::kStormRain);
  r.rain_rate = Load16(p, off::kRainRate);
  r.day_et = Load16(p, off::kDayEt);
  r.month_et = Load16(p, off::kMonthEt);
  r.year_et = Load16(p, off::kYearEt);
  r.solar = Load16Marked(p, off::kSolar);
  r.uv = p[off::kUv];
  r.forecast_icons = p[off::kForecastIcons];
  r.forecast_rule = p[off::kForecastRule];
  r.inside_alarms = p[off::kInsideAlarms];
  r.rain_alarms = p[off::kRainAlarms];
  r.outside_alarms = Load16(p, off::kOutsideAlarms);
  LoadBytes(p, off::kExtraAlarms, r.extra_alarms);
  LoadBytes(p, off::kSoilLeafAlarms, r.soil_leaf_alarms);
  r.sunrise = Load16(p, off::kSunrise);
  r.sunset = Load16(p, off::kSunset);
  LoadBytes(p, off::kExtraTemps, r.extra_temps);
  LoadBytes(p, off::kExtraHums, r.extra_hums);
  for (auto& h : r.extra_hums) h = Humidity(h);
  LoadBytes(p, off::kSoilMoistures, r.soil_moistures);
  LoadBytes(p, off::kSoilTemps, r.soil_temps);
  LoadBytes(p, off::kLeafWetnesses, r.leaf_wetnesses);
  LoadBytes(p, off::kLeafTemps, r.leaf_temps);
  r.bar_trend = static_cast<std::int8_t>(p[off::kBarTrend]);
  r.transmitter_battery = p[off::kTransmitterBattery];
  r.console_battery = Load16(p, off::kConsoleBattery);
}

void UnpackLoop2Packet(Packet p, LoopRecord& r) {
  r.loop2_value22 = Load16(p, off::kLoop2Value22);
  r.loop2_value54 = Load16(p, off::kLoop2Value54);
  r.loop2_value58 = Load16(p, off::kLoop2Value58);
  r.loop2_value20 = Load16(p, off::kLoop2Value20);
  r.loop2_value69 = Load16(p, off::kLoop2Value69);
}

int DecodeLoopPacket(std::span<const std::uint8_t> bytes, int family, LoopRecord& record) {
  if (bytes.size() != kLoopPacketSize) return kLoopPending;
  const Packet p = bytes.first<kLoopPacketSize>();
  if (!LoopPacketCrcOk(p, family)) return kLoopBadCrc;
  if (p[0] != 'L' || p[1] != 'O' || p[2] != 'O') return kLoopBadHeader;
  if (IsLoop2Packet(p)) {
    UnpackLoop2Packet(p, record);
  } else {
    UnpackLoopPacket(p, record);
  }
  return kLoopOk;
}

}  // namespace sq
