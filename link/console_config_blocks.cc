#include "link/console_config_blocks.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "link/console_config_strings.h"
#include "resources/string_table.h"

namespace sq {
namespace {

std::uint16_t Load16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
void Store16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v & 0xFF);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

bool NoSensorTemp(std::uint16_t v) { return v == kNoSensorTemp || v == kNoSensorTempFF; }

// GMT offsets of the time-zone list, hours * 100 + minutes.
constexpr std::array<std::int16_t, kTimeZoneCount> kZoneOffsets = {
    -1200, -1100, -1000, -900, -800, -700, -600, -600, -600, -500, -500, -400, -400, -330, -300, -300,
    -200,  -100,  0,     0,    100,  100,  100,  200,  200,  200,  200,  200,  300,  300,  330,  400,
    430,   500,   530,   600,  700,  800,  800,  900,  930,  930,  1000, 1000, 1100, 1200, 1200};
// String numbers of the zone names.
constexpr std::uint32_t kZoneNameBase = kStrZoneNameBase;

}  // namespace

std::optional<CalibrationOffsets> DecodeCalibration(std::span<const std::uint8_t, kCalibrationSize> raw) {
  if (raw[cal::kInsideCheck] != static_cast<std::uint8_t>(~raw[cal::kInsideTemp])) return std::nullopt;
  CalibrationOffsets o{};
  for (std::size_t i = 0; i < kCalibrationSize; ++i) o[i] = static_cast<std::int8_t>(raw[i]);
  return o;
}

void EncodeCalibration(const CalibrationOffsets& offsets, std::span<std::uint8_t, kCalibrationSize> out) {
  for (std::size_t i = 0; i < kCalibrationSize; ++i) out[i] = static_cast<std::uint8_t>(offsets[i]);
  out[cal::kInsideCheck] = static_cast<std::uint8_t>(~out[cal::kInsideTemp]);
}

CalibratedValues DecodeCalibratedValues(std::span<const std::uint8_t, kCalibratedValuesSize> raw) {
  CalibratedValues v;
  v.temps[0] = Load16(&raw[calval::kInsideTemp]);
  v.temps[1] = Load16(&raw[calval::kOutsideTemp]);
  for (std::size_t i = 0; i < kFurtherTemps; ++i) v.temps[2 + i] = Load16(&raw[calval::kFurtherTemp + 2 * i]);
  v.hums[0] = raw[calval::kInsideHum];
  v.hums[1] = raw[calval::kOutsideHum];
  for (std::size_t i = 0; i < kFurtherHums; ++i) v.hums[2 + i] = raw[calval::kExtraHum + i];
  return v;
}

void EncodeCalibratedValues(const CalibratedValues& v, std::span<std::uint8_t, kCalibratedValuesSize> out) {
  Store16(&out[calval::kInsideTemp], v.temps[0]);
  Store16(&out[calval::kOutsideTemp], v.temps[1]);
  for (std::size_t i = 0; i < kFurtherTemps; ++i) Store16(&out[calval::kFurtherTemp + 2 * i], v.temps[2 + i]);
  out[calval::kInsideHum] = v.hums[0];
  out[calval::kOutsideHum] = v.hums[1];
  for (std::size_t i = 0; i < kFurtherHums; ++i) out[calval::kExtraHum + i] = v.hums[2 + i];
}

std::size_t TempOffsetIndex(std::size_t t) {
  if (t == 0) return cal::kInsideTemp;
  if (t == 1) return cal::kOutsideTemp;
  return cal::kFurtherTemp + (t - 2);
}

std::size_t HumOffsetIndex(std::size_t h) {
  if (h == 0) return cal::kInsideHum;
  if (h == 1) return cal::kOutsideHum;
  return cal::kExtraHum + (h - 2);
}

CalibratedValues Uncalibrate(const CalibratedValues& v, const CalibrationOffsets& offsets) {
  CalibratedValues out = v;
  for (std::size_t t = 0; t < kCalibratedTemps; ++t) {
    if (NoSensorTemp(v.temps[t])) continue;
    const int value = static_cast<std::int16_t>(v.temps[t]) - offsets[TempOffsetIndex(t)];
    // Stay clear of 0x7FFF, which means "no sensor".
    out.temps[t] = static_cast<std::uint16_t>(static_cast<std::int16_t>(std::clamp(value, -32768, 32766)));
  }
  for (std::size_t h = 0; h < kCalibratedHums; ++h) {
    if (v.hums[h] == kNoSensorHum) continue;
    const int value = v.hums[h] - offsets[HumOffsetIndex(h)];
    out.hums[h] = static_cast<std::uint8_t>(std::clamp(value, 0, 100));
  }
  return out;
}

TransmitterTable DecodeTransmitters(std::span<const std::uint8_t, kTransmitterTableSize> raw) {
  TransmitterTable t;
  for (std::size_t i = 0; i < kTransmitterCount; ++i) {
    const std::uint8_t b0 = raw[2 * i];
    const std::uint8_t b1 = raw[2 * i + 1];
    t[i].type = std::min(b0 & 0x0F, kTxTypeNone);
    const int code = b0 >> 4;
    t[i].code = (code == 1 || code == 4) ? code : 1;
    t[i].channel_low = b1 & 0x0F;
    t[i].channel_high = b1 >> 4;
  }
  return t;
}

void EncodeTransmitters(const TransmitterTable& table, std::span<std::uint8_t, kTransmitterTableSize> out) {
  for (std::size_t i = 0; i < kTransmitterCount; ++i) {
    const auto& e = table[i];
    out[2 * i] = static_cast<std::uint8_t>((std::clamp(e.type, 0, kTxTypeNone) & 0x0F) | ((e.code & 0x0F) << 4));
    out[2 * i + 1] = static_cast<std::uint8_t>((e.channel_low & 0x0F) | ((e.channel_high & 0x0F) << 4));
  }
}

void SetTransmitterType(std::span<std::uint8_t, kTransmitterTableSize> raw, std::size_t index, int type) {
  raw[2 * index] = static_cast<std::uint8_t>((raw[2 * index] & 0xF0) | (std::clamp(type, 0, kTxTypeNone) & 0x0F));
}

int AnemometerTransmitter(const TransmitterTable& table) {
  for (std::size_t i = 0; i < kTransmitterCount; ++i) {
    if (table[i].type == kTxTypeAnemometer) return static_cast<int>(i) + 1;
  }
  for (std::size_t i = kTransmitterCount; i-- > 0;) {
    if (table[i].type == 0) return static_cast<int>(i) + 1;
  }
  return kNoAnemometerTx;
}

std::optional<int> AlarmTime(const AlarmBlock& b) {
  const std::uint16_t v = Load16(&b[alarm::kTime]);
  if (v == kAlarmOffWord) return std::nullopt;
  const int hour = v / 100;
  const int minute = v % 100;
  if (hour > 23 || minute > 59) return std::nullopt;
  return hour * 60 + minute;
}

bool SetAlarmTime(AlarmBlock& b, std::optional<int> minutes) {
  if (!minutes) {
    Store16(&b[alarm::kTime], kAlarmOffWord);
    return true;
  }
  if (*minutes < 0 || *minutes >= 1440) return false;
  Store16(&b[alarm::kTime], static_cast<std::uint16_t>(*minutes / 60 * 100 + *minutes % 60));
  return true;
}

namespace {
// Bias of the temperature byte at `index`, or 0 when it holds no temperature.
int TempBias(std::size_t index) {
  if (index >= alarm::kTemp90First && index <= alarm::kTemp90Last) return 90;
  if (index >= alarm::kTemp120First && index <= alarm::kTemp120Last) return 120;
  return 0;
}
}  // namespace

std::optional<int> AlarmTempF(const AlarmBlock& b, std::size_t index) {
  const int bias = TempBias(index);
  if (bias == 0 || b[index] == kAlarmOffByte) return std::nullopt;
  return b[index] - bias;
}

std::optional<double> AlarmTempC(const AlarmBlock& b, std::size_t index) {
  const auto f = AlarmTempF(b, index);
  if (!f) return std::nullopt;
  // (raw - 122) * 5 / 9 for the +90 bytes, (raw - 152) * 5 / 9 for the +120 bytes.
  return (*f - 32) * 5.0 / 9.0;
}

bool SetAlarmTempF(AlarmBlock& b, std::size_t index, std::optional<int> fahrenheit) {
  const int bias = TempBias(index);
  if (bias == 0) return false;
  if (!fahrenheit) {
    b[index] = kAlarmOffByte;
    return true;
  }
  const int raw = *fahrenheit + bias;
  if (raw < 0 || raw >= kAlarmOffByte) return false;
  b[index] = static_cast<std::uint8_t>(raw);
  return true;
}

std::optional<double> RainClickInches(int collector_code) {
  switch (collector_code) {
    case 1:
    case 4:
      return 0.01;
    case 2:
      return 0.007874016;
    case 6:
      return 0.003937008;
    default:
      return std::nullopt;
  }
}

std::optional<int> ZoneOffset(int index) {
  if (index < 0 || index >= kTimeZoneCount) return std::nullopt;
  return kZoneOffsets[static_cast<std::size_t>(index)];
}

std::string_view ZoneName(int index) {
  if (index < 0 || index >= kTimeZoneCount) return {};
  return LoadString(kZoneNameBase + static_cast<std::uint32_t>(index));
}

std::optional<double> ZoneHoursFromName(std::string_view name) {
  const auto at = name.find("(GMT");
  if (at == std::string_view::npos) return std::nullopt;
  std::string_view s = name.substr(at + 4);
  if (!s.empty() && s.front() == ')') return 0.0;  // "(GMT) ..." is GMT itself
  if (s.empty() || (s.front() != '+' && s.front() != '-')) return std::nullopt;
  const bool negative = s.front() == '-';
  s.remove_prefix(1);
  int hours = 0, minutes = 0;
  std::size_t n = 0;
  while (n < s.size() && n < 2 && std::isdigit(static_cast<unsigned char>(s[n]))) hours = hours * 10 + (s[n++] - '0');
  if (n == 0) return std::nullopt;
  s.remove_prefix(n);
  if (!s.empty() && s.front() == ':') {
    s.remove_prefix(1);
    n = 0;
    while (n < s.size() && n < 2 && std::isdigit(static_cast<unsigned char>(s[n])))
      minutes = minutes * 10 + (s[n++] - '0');
    if (n != 2 || minutes > 59) return std::nullopt;
  }
  const double h = hours + minutes / 60.0;
  return negative ? -h : h;
}

std::optional<int> ArchivePeriodIndex(int minutes) {
  for (std::size_t i = 0; i < kArchivePeriods.size(); ++i) {
    if (kArchivePeriods[i] == minutes) return static_cast<int>(i);
  }
  return std::nullopt;
}

std::optional<int> ParseLatLongText(std::string_view text, bool east_west) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  if (text.empty() || text.size() > 32) return std::nullopt;
  int sign = 1;
  const char last = static_cast<char>(std::toupper(static_cast<unsigned char>(text.back())));
  const char pos = east_west ? 'E' : 'N';
  const char neg = east_west ? 'W' : 'S';
  bool lettered = false;
  if (last == pos || last == neg) {
    sign = last == neg ? -1 : 1;
    lettered = true;
    text.remove_suffix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  }
  // Digits with at most one decimal point, an optional sign when no letter is given.
  std::string number(text);
  if (number.empty()) return std::nullopt;
  std::size_t i = 0;
  if (number[0] == '-' || number[0] == '+') {
    if (lettered) return std::nullopt;
    i = 1;
  }
  int digits = 0, points = 0;
  for (; i < number.size(); ++i) {
    if (std::isdigit(static_cast<unsigned char>(number[i]))) {
      ++digits;
    } else if (number[i] == '.') {
      ++points;
    } else {
      return std::nullopt;
    }
  }
  if (digits == 0 || points > 1) return std::nullopt;
  const double deg = std::strtod(number.c_str(), nullptr) * sign;
  const double limit = east_west ? 180.0 : 90.0;
  if (!std::isfinite(deg) || deg < -limit || deg > limit) return std::nullopt;
  return static_cast<int>(std::lround(deg * 10.0));
}

std::string LatLongText(int tenths, bool east_west) {
  const char letter = east_west ? (tenths < 0 ? 'W' : 'E') : (tenths < 0 ? 'S' : 'N');
  char buf[32];
  std::snprintf(buf, sizeof buf, " %.1f %c", std::abs(tenths) / 10.0, letter);
  return buf;
}

}  // namespace sq
