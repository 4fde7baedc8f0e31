#include "link/console_config.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "link/crc16.h"

namespace sq {
namespace {

constexpr int kStationModelCompact = 7;
constexpr int kMaxLatTenths = 900;
constexpr int kMaxLonTenths = 1800;
// Firmware from which a console takes the other wind cup sizes (version above 1.799).
constexpr double kCupSizeFirmware = 1.799;
constexpr int kBarPauseMs = 100;
constexpr int kLatLongPauseMs = 100;

std::string Format(const char* fmt, int a) {
  char buf[48];
  std::snprintf(buf, sizeof buf, fmt, a);
  return buf;
}

}  // namespace

bool ConsoleConfig::Begin() {
  if (!(s_.status() & kStatusEnabled)) return false;
  if (s_.consoleFamily() != kFamilyCorvale) return false;
  if (!(s_.status() & kStatusLinked) && !s_.Open()) return false;
  return s_.WakeUp() == 1;
}

bool ConsoleConfig::Command(std::string_view text) {
  if (s_.PutStr(text) != 0) return false;
  return s_.GetAcknowledge() == 1;
}

int ConsoleConfig::OkCommand(std::string_view text, bool done) {
  if (!Begin()) return kConfigFailed;
  if (s_.PutStr(text) != 0) return kConfigFailed;
  bool ok = s_.ExpectOk();
  if (ok && done) ok = s_.ExpectDone();
  // The long time-out of the OK / DONE answer is not meant for the next command.
  s_.RestoreTimeOuts();
  return ok ? kConfigOk : kConfigFailed;
}

int ConsoleConfig::SetArchivePeriod(int index) {
  if (index < 0 || index >= static_cast<int>(kArchivePeriods.size())) return kConfigRefused;
  const int r = OkCommand(Format("SETPER %d\n", kArchivePeriods[static_cast<std::size_t>(index)]), false);
  if (r != kConfigOk) return r;
  // The console empties its archive whenever the period changes.
  return ClearArchive();
}

int ConsoleConfig::ClearArchive() {
  if (!Begin()) return kConfigFailed;
  s_.ClearInput();
  return Command("CLRLOG\n") ? kConfigOk : kConfigFailed;
}

int ConsoleConfig::ReadSetupBits(std::uint8_t& bits) {
  bits = 0;
  return s_.ReadEeprom(&bits, eeprom::kSetupBits, 1) == 0 ? kConfigOk : kConfigFailed;
}

int ConsoleConfig::WriteSetupBits(std::uint8_t bits) {
  if (s_.WriteEeprom(eeprom::kSetupBits, &bits, 1) != 0) return kConfigFailed;
  return s_.NewSetup() ? kConfigOk : kConfigFailed;
}

int ConsoleConfig::SetCorvaleUnitBits(std::uint8_t bits) {
  const std::uint8_t block[2] = {bits, static_cast<std::uint8_t>(~bits)};
  if (s_.WriteEeprom(eeprom::kUnitBits, block, 2) != 0) return kConfigFailed;
  return s_.NewSetup() ? kConfigOk : kConfigFailed;
}

int ConsoleConfig::GetRainCollector() {
  std::uint8_t bits = 0;
  if (ReadSetupBits(bits) != kConfigOk) return kConfigFailed;
  switch ((bits & kSetupRainMask) >> kSetupRainShift) {
    case 0:
      return 1;
    case 1:
      return 2;
    case 2:
      return 6;
    default:
      return kConfigFailed;
  }
}

int ConsoleConfig::SetRainCollector(int type) {
  if (type < kCollectorType001In || type > kCollectorType01Mm) return kConfigRefused;
  std::uint8_t bits = 0;
  if (ReadSetupBits(bits) != kConfigOk) return kConfigFailed;
  bits = static_cast<std::uint8_t>((bits & ~kSetupRainMask) | ((type - 1) << kSetupRainShift));
  return WriteSetupBits(bits);
}

bool ConsoleConfig::IsOtherCupSizeSupported() {
  if (station_model_ == kStationModelCompact) return true;
  std::string text;
  if (s_.GetFirmwareVersion(text) != 0) return false;
  if (text.find('.') == std::string::npos) return false;
  return std::strtod(text.c_str(), nullptr) > kCupSizeFirmware;
}

int ConsoleConfig::GetWindCupSize() {
  if (IsOtherCupSizeSupported()) {
    std::uint8_t code = 0;
    if (s_.ReadEeprom(&code, eeprom::kCupSizeCode, 1) != 0) return kConfigFailed;
    return code;
  }
  std::uint8_t bits = 0;
  if (ReadSetupBits(bits) != kConfigOk) return kConfigFailed;
  return bits & kSetupLargeCups;
}

int ConsoleConfig::SetWindCupSize(int size) {
  // Sizes that no console takes are refused before the console is asked anything.
  if (!(size >= 0 && size <= 3) && size != kSetupLargeCups) return kConfigRefused;
  if (IsOtherCupSizeSupported()) {
    if (size == 0) size = 1;
    if (size > 3) return kConfigRefused;
    return s_.WriteEepromText(eeprom::kCupSizeCode, size) == 0 ? kConfigOk : kConfigFailed;
  }
  if (size != 0 && size != kSetupLargeCups) return kConfigRefused;
  std::uint8_t bits = 0;
  if (ReadSetupBits(bits) != kConfigOk) return kConfigFailed;
  bits = static_cast<std::uint8_t>(bits & ~kSetupLargeCups);
  if (size == kSetupLargeCups) bits |= kSetupLargeCups;
  return WriteSetupBits(bits);
}

int ConsoleConfig::ReadWord(int address, std::uint16_t& value) {
  std::uint8_t b[2] = {};
  value = 0;
  if (s_.ReadEeprom(b, address, 2) != 0) return kConfigFailed;
  value = static_cast<std::uint16_t>(b[0] | (b[1] << 8));
  return kConfigOk;
}

int ConsoleConfig::GetLatitude(int& tenths) {
  std::uint16_t v = 0;
  const int r = ReadWord(eeprom::kLatitude, v);
  tenths = static_cast<std::int16_t>(v);
  return r;
}

int ConsoleConfig::GetLongitude(int& tenths) {
  std::uint16_t v = 0;
  const int r = ReadWord(eeprom::kLongitude, v);
  tenths = static_cast<std::int16_t>(v);
  return r;
}

int ConsoleConfig::SetLatLong(int lat_tenths, int lon_tenths) {
  if (std::abs(lat_tenths) > kMaxLatTenths || std::abs(lon_tenths) > kMaxLonTenths) return kConfigRefused;
  const auto lat = static_cast<std::uint16_t>(static_cast<std::int16_t>(lat_tenths));
  const auto lon = static_cast<std::uint16_t>(static_cast<std::int16_t>(lon_tenths));
  const std::uint8_t block[4] = {static_cast<std::uint8_t>(lat & 0xFF), static_cast<std::uint8_t>(lat >> 8),
                                 static_cast<std::uint8_t>(lon & 0xFF), static_cast<std::uint8_t>(lon >> 8)};
  if (s_.WriteEeprom(eeprom::kLatitude, block, 4) != 0) return kConfigFailed;
  s_.clock().SleepMs(kLatLongPauseMs);
  return s_.NewSetup() ? kConfigOk : kConfigFailed;
}

int ConsoleConfig::SetDaylightSaving(DstMode mode, bool on) {
  if (s_.WriteEepromText(eeprom::kDstMode, static_cast<int>(mode)) != 0) return kConfigFailed;
  if (mode == DstMode::kManual && s_.WriteEepromText(eeprom::kDstOn, on ? 1 : 0) != 0) return kConfigFailed;
  return kConfigOk;
}

int ConsoleConfig::SetTimeZone(int index) {
  if (!ZoneOffset(index)) return kConfigRefused;
  if (s_.WriteEepromText(eeprom::kZoneIndex, index) != 0) return kConfigFailed;
  if (SetZoneOffset(index) != kConfigOk) return kConfigFailed;
  return s_.WriteEepromText(eeprom::kZoneInForce, 0) == 0 ? kConfigOk : kConfigFailed;
}

int ConsoleConfig::SetZoneOffset(int index) {
  const auto offset = ZoneOffset(index);
  if (!offset) return kConfigRefused;
  const auto v = static_cast<std::uint16_t>(static_cast<std::int16_t>(*offset));
  if (s_.WriteEepromText(eeprom::kZoneOffset, v & 0xFF) != 0) return kConfigFailed;
  return s_.WriteEepromText(eeprom::kZoneOffset + 1, v >> 8) == 0 ? kConfigOk : kConfigFailed;
}

int ConsoleConfig::SetYearRain(int clicks) {
  if (clicks < 0) return kConfigRefused;
  if (!Begin()) return kConfigFailed;
  return Command(Format("PUTRAIN %d\n", clicks)) ? kConfigOk : kConfigFailed;
}

int ConsoleConfig::ClearPeriods(const char* command, int which) {
  if (which != kClearAllPeriods && (which < 0 || which > 2)) return kConfigRefused;
  const int first = which == kClearAllPeriods ? 0 : which;
  const int last = which == kClearAllPeriods ? 2 : which;
  for (int p = first; p <= last; ++p) {
    if (!Begin()) return kConfigFailed;
    if (!Command(std::string(command) + " " + std::to_string(p) + "\n")) return kConfigFailed;
  }
  return kConfigOk;
}

int ConsoleConfig::ClearHighs(int which) { return ClearPeriods("CLRHIGHS", which); }
int ConsoleConfig::ClearLows(int which) { return ClearPeriods("CLRLOWS", which); }
int ConsoleConfig::ClearGraphs() { return OkCommand("CLRGRA\n", true); }
int ConsoleConfig::ClearAlarms() { return OkCommand("CLRALM\n", true); }
int ConsoleConfig::ClearCalibration() { return OkCommand("CLRCAL\n", true); }

int ConsoleConfig::ClearVariable(int n) {
  if (n < 0) return kConfigRefused;
  if (!Begin()) return kConfigFailed;
  return Command(Format("CLRVAR %d\n", n)) ? kConfigOk : kConfigFailed;
}

int ConsoleConfig::SetBarometer(int reading, int elevation) {
  if (reading != 0 && (reading < kBarReadingMin || reading > kBarReadingMax)) return kConfigRefused;
  if (elevation < kElevationMin || elevation > kElevationMax) return kConfigRefused;
  if (!Begin()) return kConfigFailed;
  char cmd[40];
  std::snprintf(cmd, sizeof cmd, "BAR=%hd %hd\n", static_cast<short>(reading), static_cast<short>(elevation));
  if (s_.PutStr(cmd) != 0) return kConfigFailed;
  s_.clock().SleepMs(kBarPauseMs);
  const bool ok = s_.ExpectOk();
  s_.RestoreTimeOuts();
  return ok ? kConfigOk : kConfigFailed;
}

int ConsoleConfig::ReadCalibration(CalibrationOffsets& offsets) {
  std::array<std::uint8_t, kCalibrationSize> raw{};
  if (s_.ReadEeprom(raw.data(), eeprom::kCalibration, static_cast<int>(raw.size())) != 0) return kConfigFailed;
  const auto decoded = DecodeCalibration(raw);
  if (!decoded) return kCalibrationInconsistent;
  offsets = *decoded;
  return kConfigOk;
}

int ConsoleConfig::WriteCalibration(const CalibrationOffsets& offsets) {
  std::array<std::uint8_t, kCalibrationSize> raw{};
  EncodeCalibration(offsets, raw);
  return s_.WriteEeprom(eeprom::kCalibration, raw.data(), static_cast<int>(raw.size())) == 0 ? kConfigOk
                                                                                             : kConfigFailed;
}

int ConsoleConfig::ReadCalibratedValues(CalibratedValues& values) {
  if (!Begin()) return kConfigFailed;
  if (!Command("CALED\n")) return kConfigFailed;
  if (s_.ReadBlockCrc(kCalibratedValuesSize + 2) != 0) return kConfigFailed;
  values = DecodeCalibratedValues(
      std::span<const std::uint8_t, kCalibratedValuesSize>(s_.buffer().data(), kCalibratedValuesSize));
  return kConfigOk;
}

int ConsoleConfig::WriteCalibratedValues(const CalibratedValues& values) {
  std::array<std::uint8_t, kCalibratedValuesSize + 2> block{};
  EncodeCalibratedValues(values, std::span<std::uint8_t, kCalibratedValuesSize>(block.data(), kCalibratedValuesSize));
  Crc16Append(block.data(), kCalibratedValuesSize);
  if (!Begin()) return kConfigFailed;
  if (!Command("CALFIX\n")) return kConfigFailed;
  if (s_.PutBytes(block.data(), block.size()) != 0) return kConfigFailed;
  return s_.GetAcknowledge() == 1 ? kConfigOk : kConfigFailed;
}

int ConsoleConfig::ReadAlarms(AlarmBlock& block) {
  return s_.ReadEeprom(block.data(), eeprom::kAlarms, static_cast<int>(block.size())) == 0 ? kConfigOk : kConfigFailed;
}

int ConsoleConfig::WriteAlarms(const AlarmBlock& block) {
  return s_.WriteEeprom(eeprom::kAlarms, block.data(), static_cast<int>(block.size())) == 0 ? kConfigOk : kConfigFailed;
}

int ConsoleConfig::ReadTransmitters(TransmitterTable& table, std::array<std::uint8_t, kTransmitterTableSize>* raw) {
  std::array<std::uint8_t, kTransmitterTableSize> bytes{};
  if (s_.ReadEeprom(bytes.data(), eeprom::kTransmitters, static_cast<int>(bytes.size())) != 0) return kConfigFailed;
  table = DecodeTransmitters(bytes);
  if (raw) *raw = bytes;
  return kConfigOk;
}

int ConsoleConfig::WriteTransmitters(const std::array<std::uint8_t, kTransmitterTableSize>& raw) {
  return s_.WriteEeprom(eeprom::kTransmitters, raw.data(), static_cast<int>(raw.size())) == 0 ? kConfigOk
                                                                                              : kConfigFailed;
}

int ConsoleConfig::ReadWord0F(std::uint16_t& value) { return ReadWord(eeprom::kWord0F, value); }
int ConsoleConfig::ReadWord4D(std::uint16_t& value) { return ReadWord(eeprom::kWord4D, value); }

int ConsoleConfig::WriteWord4D(std::uint16_t value) {
  const std::uint8_t b[2] = {static_cast<std::uint8_t>(value & 0xFF), static_cast<std::uint8_t>(value >> 8)};
  return s_.WriteEeprom(eeprom::kWord4D, b, 2) == 0 ? kConfigOk : kConfigFailed;
}

}  // namespace sq
