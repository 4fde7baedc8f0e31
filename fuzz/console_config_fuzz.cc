// Console configuration blocks and the texts a user types for console settings: the
// calibration, calibrated-values, transmitter and alarm blocks as the console sends
// them, zone names, latitude/longitude and yearly rain texts, and passwords. The first
// byte picks the parser; the rest is its input.
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "link/console_config_actions.h"
#include "link/console_config_blocks.h"
#include "link/settings_password.h"

namespace {

template <std::size_t N>
std::array<std::uint8_t, N> Block(const std::uint8_t* data, std::size_t size) {
  std::array<std::uint8_t, N> b{};
  std::memcpy(b.data(), data, std::min(size, N));
  return b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t which = data[0];
  ++data;
  --size;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  switch (which % 6) {
    case 0: {
      const auto decoded = sq::DecodeCalibration(Block<sq::kCalibrationSize>(data, size));
      const auto offsets = decoded.value_or(sq::CalibrationOffsets{});
      const auto values = sq::DecodeCalibratedValues(
          Block<sq::kCalibratedValuesSize>(size > sq::kCalibrationSize ? data + sq::kCalibrationSize : data,
                                           size > sq::kCalibrationSize ? size - sq::kCalibrationSize : size));
      const auto raw = sq::Uncalibrate(values, offsets);
      std::array<std::uint8_t, sq::kCalibratedValuesSize> out{};
      sq::EncodeCalibratedValues(raw, out);
      for (auto h : raw.hums) {
        if (h != sq::kNoSensorHum && h > 100) __builtin_trap();
      }
      break;
    }
    case 1: {
      const auto table = sq::DecodeTransmitters(Block<sq::kTransmitterTableSize>(data, size));
      const int tx = sq::AnemometerTransmitter(table);
      if (tx != sq::kNoAnemometerTx && (tx < 1 || tx > 8)) __builtin_trap();
      break;
    }
    case 2: {
      auto block = Block<sq::kAlarmBlockSize>(data, size);
      (void)sq::AlarmTime(block);
      for (std::size_t i = 0; i < block.size(); ++i) {
        (void)sq::AlarmTempC(block, i);
        (void)sq::SetAlarmTempF(block, i, static_cast<int>(block[i]) - 100);
      }
      break;
    }
    case 3:
      (void)sq::ZoneHoursFromName(text);
      (void)sq::ParseLatLongText(text, false);
      (void)sq::ParseLatLongText(text, true);
      break;
    case 4: {
      std::string message;
      for (int type = 0; type <= 6; ++type) (void)sq::YearRainClicks(text, type, &message);
      break;
    }
    case 5: {
      const auto nl = text.find('\n');
      std::string message;
      const auto pw =
          sq::ValidatePassword(text.substr(0, nl), nl == std::string_view::npos ? "" : text.substr(nl + 1), &message);
      if (sq::PasswordCheckCode(text) > 0x0FFF) __builtin_trap();
      if (pw && (pw->size() < 5 || pw->size() > 15)) __builtin_trap();
      break;
    }
  }
  return 0;
}
