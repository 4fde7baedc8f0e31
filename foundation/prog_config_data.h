// The program configuration record: 2048 bytes, kept byte for byte in "progdata.dat" in
// the program folder. The record is held as its raw bytes, so fields the program does
// not know survive a read and a save unchanged; the known fields are read and written
// through little-endian accessors at fixed offsets. Reading and saving the file is the
// application shell's job (data()/size(), FromBytes).
//
// Layout of the known fields (all other bytes are zero after Reset):
//   0 u8 temperature unit        1 u8 barometer unit      2 u8 rain unit
//   3 u8 wind unit               4 u8 elevation unit (1)
//   6 u16 layout mark (5)        8 u16 layout mark (5)   10 u16 layout version (1)
//  12 u16 setting (1)
// 116..128 i32 x4 frame x, y, width, height (height 0: not saved)   132 i32 maximized
// 236, 240 i32 screen width, height at the last run
// 244 char[260] program folder   504 char[260] folder of the last station opened
// 766 u8[24] auto-download hours 790 u8 minute offset (5)   791 u8 auto download on
// 792 i16 hour of the last automatic download (-1)
// 880, 900 char[20] texts that stations copy when they are upgraded
// 920 u16 cleared at every start 922 u16 layout mark (9)   924 u8 air-density unit
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace sq {

class ProgConfigData {
 public:
  static constexpr std::size_t kSize = 2048;

  // Field offsets.
  static constexpr std::size_t kTempUnit = 0;
  static constexpr std::size_t kBarUnit = 1;
  static constexpr std::size_t kRainUnit = 2;
  static constexpr std::size_t kWindUnit = 3;
  static constexpr std::size_t kElevUnit = 4;
  static constexpr std::size_t kMark6 = 6;
  static constexpr std::size_t kMark8 = 8;
  static constexpr std::size_t kLayoutVersion = 10;
  static constexpr std::size_t kSetting12 = 12;
  static constexpr std::size_t kFrameX = 116;
  static constexpr std::size_t kFrameY = 120;
  static constexpr std::size_t kFrameWidth = 124;
  static constexpr std::size_t kFrameHeight = 128;
  static constexpr std::size_t kFrameMaximized = 132;
  static constexpr std::size_t kScreenWidth = 236;
  static constexpr std::size_t kScreenHeight = 240;
  static constexpr std::size_t kProgramFolder = 244;
  static constexpr std::size_t kLastStationFolder = 504;
  static constexpr std::size_t kFolderSize = 260;  // terminator included
  static constexpr std::size_t kAutoDownloadHours = 766;
  static constexpr std::size_t kHours = 24;
  static constexpr std::size_t kAutoDownloadMinute = 790;
  static constexpr std::size_t kAutoDownloadEnabled = 791;
  static constexpr std::size_t kLastAutoDownloadHour = 792;
  static constexpr std::size_t kUpgradeText0 = 880;
  static constexpr std::size_t kUpgradeText1 = 900;
  static constexpr std::size_t kUpgradeTextSize = 20;  // terminator included
  static constexpr std::size_t kWord920 = 920;
  static constexpr std::size_t kMark922 = 922;
  static constexpr std::size_t kDensityUnit = 924;

  // Values the marks and the version hold in a current file.
  static constexpr std::uint16_t kMarkValue = 5;  // offsets 6 and 8
  static constexpr std::uint16_t kMark922Value = 9;
  static constexpr std::uint16_t kCurrentVersion = 1;

  struct FrameRect {
    std::int32_t x = 0, y = 0, width = 0, height = 0;
    bool operator==(const FrameRect&) const = default;
  };

  ProgConfigData() { Reset(); }

  // Every byte to its reset value.
  void Reset();

  // Raw bytes, for reading and saving the file.
  [[nodiscard]] const std::uint8_t* data() const { return bytes_.data(); }
  [[nodiscard]] std::uint8_t* data() { return bytes_.data(); }
  [[nodiscard]] static constexpr std::size_t size() { return kSize; }
  [[nodiscard]] std::span<const std::uint8_t, kSize> bytes() const { return bytes_; }
  // Takes a whole record; false (record unchanged) unless `in` is exactly kSize bytes.
  [[nodiscard]] bool FromBytes(std::span<const std::uint8_t> in);

  // Saved display units (codes as DisplayUnits defines them).
  [[nodiscard]] std::uint8_t TempUnit() const { return bytes_[kTempUnit]; }
  [[nodiscard]] std::uint8_t BarUnit() const { return bytes_[kBarUnit]; }
  [[nodiscard]] std::uint8_t RainUnit() const { return bytes_[kRainUnit]; }
  [[nodiscard]] std::uint8_t WindUnit() const { return bytes_[kWindUnit]; }
  [[nodiscard]] std::uint8_t ElevUnit() const { return bytes_[kElevUnit]; }
  [[nodiscard]] std::uint8_t DensityUnit() const { return bytes_[kDensityUnit]; }
  void SetTempUnit(std::uint8_t v) { bytes_[kTempUnit] = v; }
  void SetBarUnit(std::uint8_t v) { bytes_[kBarUnit] = v; }
  void SetRainUnit(std::uint8_t v) { bytes_[kRainUnit] = v; }
  void SetWindUnit(std::uint8_t v) { bytes_[kWindUnit] = v; }
  void SetElevUnit(std::uint8_t v) { bytes_[kElevUnit] = v; }
  void SetDensityUnit(std::uint8_t v) { bytes_[kDensityUnit] = v; }

  // Layout marks and version.
  [[nodiscard]] std::uint16_t Mark6() const { return U16(kMark6); }
  [[nodiscard]] std::uint16_t Mark8() const { return U16(kMark8); }
  [[nodiscard]] std::uint16_t Mark922() const { return U16(kMark922); }
  // Writes the current values into the three layout marks (at every start and save).
  void StampLayoutMarks();
  [[nodiscard]] std::uint16_t LayoutVersion() const { return U16(kLayoutVersion); }
  void SetLayoutVersion(std::uint16_t v) { PutU16(kLayoutVersion, v); }

  // The setting at offset 12 (raised from 0 to 1 at start) and the word at 920
  // (cleared at every start).
  [[nodiscard]] std::uint16_t Setting12() const { return U16(kSetting12); }
  void SetSetting12(std::uint16_t v) { PutU16(kSetting12, v); }
  [[nodiscard]] std::uint16_t Word920() const { return U16(kWord920); }
  void SetWord920(std::uint16_t v) { PutU16(kWord920, v); }

  // Frame window and screen.
  [[nodiscard]] FrameRect Frame() const;
  void SetFrame(const FrameRect& r);
  [[nodiscard]] bool HasFramePosition() const { return Frame().height != 0; }
  [[nodiscard]] std::int32_t FrameMaximized() const { return I32(kFrameMaximized); }
  void SetFrameMaximized(std::int32_t v) { PutI32(kFrameMaximized, v); }
  [[nodiscard]] std::int32_t ScreenWidth() const { return I32(kScreenWidth); }
  [[nodiscard]] std::int32_t ScreenHeight() const { return I32(kScreenHeight); }
  void SetScreenSize(std::int32_t width, std::int32_t height);

  // Folders: text up to the first zero byte (or the whole field when it has none).
  // Setters refuse (false, field unchanged) a text that does not fit with its
  // terminator or that contains a zero byte, rather than store a cut path.
  [[nodiscard]] std::string_view ProgramFolder() const { return Text(kProgramFolder, kFolderSize); }
  [[nodiscard]] bool SetProgramFolder(std::string_view s) { return PutText(kProgramFolder, kFolderSize, s); }
  [[nodiscard]] std::string_view LastStationFolder() const { return Text(kLastStationFolder, kFolderSize); }
  [[nodiscard]] bool SetLastStationFolder(std::string_view s) { return PutText(kLastStationFolder, kFolderSize, s); }

  // Automatic download schedule. Hours outside 0..23 read as off and cannot be set;
  // minute offsets outside 0..59 are refused.
  [[nodiscard]] bool AutoDownloadHour(int hour) const;
  [[nodiscard]] bool SetAutoDownloadHour(int hour, bool on);
  [[nodiscard]] std::uint8_t AutoDownloadMinute() const { return bytes_[kAutoDownloadMinute]; }
  [[nodiscard]] bool SetAutoDownloadMinute(int minute);
  [[nodiscard]] bool AutoDownloadEnabled() const { return bytes_[kAutoDownloadEnabled] != 0; }
  void SetAutoDownloadEnabled(bool on) { bytes_[kAutoDownloadEnabled] = on ? 1 : 0; }
  [[nodiscard]] std::int16_t LastAutoDownloadHour() const {
    return static_cast<std::int16_t>(U16(kLastAutoDownloadHour));
  }
  void SetLastAutoDownloadHour(std::int16_t h) { PutU16(kLastAutoDownloadHour, static_cast<std::uint16_t>(h)); }

  // The two texts (which = 0 or 1) that stations copy when they are upgraded; same
  // rules as the folders. An unknown `which` reads empty and is refused.
  [[nodiscard]] std::string_view UpgradeText(int which) const;
  [[nodiscard]] bool SetUpgradeText(int which, std::string_view s);

  // Unit byte for the console's unit setting, built from the saved units:
  // bits 0..1 barometer (0 in, 1 mm, 2 hPa, 3 mb), bits 2..3 temperature (2 for °C),
  // bit 4 elevation in feet, bit 5 rain in mm, bits 6..7 wind (0 mph, 1 m/s, 2 km/h,
  // 3 knots). Saved codes out of range count as the first unit of their setting.
  [[nodiscard]] std::uint8_t MakeCorvaleUnitByte() const;

  bool operator==(const ProgConfigData&) const = default;

 private:
  [[nodiscard]] std::uint16_t U16(std::size_t off) const;
  void PutU16(std::size_t off, std::uint16_t v);
  [[nodiscard]] std::int32_t I32(std::size_t off) const;
  void PutI32(std::size_t off, std::int32_t v);
  [[nodiscard]] std::string_view Text(std::size_t off, std::size_t size) const;
  [[nodiscard]] bool PutText(std::size_t off, std::size_t size, std::string_view s);

  std::array<std::uint8_t, kSize> bytes_{};
};

// The program's configuration, set to the reset values until the file is read.
extern ProgConfigData progConfigData;

}  // namespace sq
