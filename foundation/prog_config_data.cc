#include "foundation/prog_config_data.h"

#include <algorithm>
#include <cstring>

#include "foundation/display_units.h"

namespace sq {
namespace {

using P = ProgConfigData;

struct Field {
  std::size_t offset;
  std::size_t size;
};

// Every known field in offset order; the checks below keep them inside the record and
// apart from each other.
constexpr Field kFields[] = {
    {P::kTempUnit, 1},
    {P::kBarUnit, 1},
    {P::kRainUnit, 1},
    {P::kWindUnit, 1},
    {P::kElevUnit, 1},
    {P::kMark6, 2},
    {P::kMark8, 2},
    {P::kLayoutVersion, 2},
    {P::kSetting12, 2},
    {P::kFrameX, 4},
    {P::kFrameY, 4},
    {P::kFrameWidth, 4},
    {P::kFrameHeight, 4},
    {P::kFrameMaximized, 4},
    {P::kScreenWidth, 4},
    {P::kScreenHeight, 4},
    {P::kProgramFolder, P::kFolderSize},
    {P::kLastStationFolder, P::kFolderSize},
    {P::kAutoDownloadHours, P::kHours},
    {P::kAutoDownloadMinute, 1},
    {P::kAutoDownloadEnabled, 1},
    {P::kLastAutoDownloadHour, 2},
    {P::kUpgradeText0, P::kUpgradeTextSize},
    {P::kUpgradeText1, P::kUpgradeTextSize},
    {P::kWord920, 2},
    {P::kMark922, 2},
    {P::kDensityUnit, 1},
};

constexpr bool FieldsInOrderAndApart() {
  for (std::size_t i = 0; i < std::size(kFields); ++i) {
    if (kFields[i].offset + kFields[i].size > P::kSize) return false;
    if (i > 0 && kFields[i - 1].offset + kFields[i - 1].size > kFields[i].offset) return false;
  }
  return true;
}
static_assert(FieldsInOrderAndApart());
static_assert(P::kFrameY == P::kFrameX + 4 && P::kFrameWidth == P::kFrameX + 8 && P::kFrameHeight == P::kFrameX + 12);
static_assert(P::kLastStationFolder == P::kProgramFolder + P::kFolderSize);
static_assert(P::kUpgradeText1 == P::kUpgradeText0 + P::kUpgradeTextSize);
static_assert(P::kAutoDownloadMinute == P::kAutoDownloadHours + P::kHours);

}  // namespace

ProgConfigData progConfigData;

void ProgConfigData::Reset() {
  bytes_.fill(0);
  bytes_[kElevUnit] = DisplayUnits::kFeet;
  StampLayoutMarks();
  SetLayoutVersion(kCurrentVersion);
  SetSetting12(1);
  bytes_[kAutoDownloadMinute] = 5;
  SetLastAutoDownloadHour(-1);
}

bool ProgConfigData::FromBytes(std::span<const std::uint8_t> in) {
  if (in.size() != kSize) return false;
  std::copy(in.begin(), in.end(), bytes_.begin());
  return true;
}

void ProgConfigData::StampLayoutMarks() {
  PutU16(kMark6, kMarkValue);
  PutU16(kMark8, kMarkValue);
  PutU16(kMark922, kMark922Value);
}

ProgConfigData::FrameRect ProgConfigData::Frame() const {
  return FrameRect{I32(kFrameX), I32(kFrameY), I32(kFrameWidth), I32(kFrameHeight)};
}

void ProgConfigData::SetFrame(const FrameRect& r) {
  PutI32(kFrameX, r.x);
  PutI32(kFrameY, r.y);
  PutI32(kFrameWidth, r.width);
  PutI32(kFrameHeight, r.height);
}

void ProgConfigData::SetScreenSize(std::int32_t width, std::int32_t height) {
  PutI32(kScreenWidth, width);
  PutI32(kScreenHeight, height);
}

bool ProgConfigData::AutoDownloadHour(int hour) const {
  if (hour < 0 || hour >= static_cast<int>(kHours)) return false;
  return bytes_[kAutoDownloadHours + static_cast<std::size_t>(hour)] != 0;
}

bool ProgConfigData::SetAutoDownloadHour(int hour, bool on) {
  if (hour < 0 || hour >= static_cast<int>(kHours)) return false;
  bytes_[kAutoDownloadHours + static_cast<std::size_t>(hour)] = on ? 1 : 0;
  return true;
}

bool ProgConfigData::SetAutoDownloadMinute(int minute) {
  if (minute < 0 || minute > 59) return false;
  bytes_[kAutoDownloadMinute] = static_cast<std::uint8_t>(minute);
  return true;
}

std::string_view ProgConfigData::UpgradeText(int which) const {
  if (which == 0) return Text(kUpgradeText0, kUpgradeTextSize);
  if (which == 1) return Text(kUpgradeText1, kUpgradeTextSize);
  return {};
}

bool ProgConfigData::SetUpgradeText(int which, std::string_view s) {
  if (which == 0) return PutText(kUpgradeText0, kUpgradeTextSize, s);
  if (which == 1) return PutText(kUpgradeText1, kUpgradeTextSize, s);
  return false;
}

std::uint8_t ProgConfigData::MakeCorvaleUnitByte() const {
  // The console numbers some units in another order than the display settings.
  static constexpr std::uint8_t kConsoleBar[] = {0, 1, 3, 2};   // in, mm, mb, hPa
  static constexpr std::uint8_t kConsoleWind[] = {0, 3, 2, 1};  // mph, knots, km/h, m/s
  unsigned byte = 0;
  if (BarUnit() < std::size(kConsoleBar)) byte |= kConsoleBar[BarUnit()];
  if (TempUnit() == DisplayUnits::kCelsius) byte |= 2u << 2;
  if (ElevUnit() == DisplayUnits::kFeet) byte |= 1u << 4;
  if (RainUnit() == DisplayUnits::kRainMillimetres) byte |= 1u << 5;
  if (WindUnit() < std::size(kConsoleWind)) byte |= static_cast<unsigned>(kConsoleWind[WindUnit()]) << 6;
  return static_cast<std::uint8_t>(byte);
}

std::uint16_t ProgConfigData::U16(std::size_t off) const {
  return static_cast<std::uint16_t>(bytes_[off] | (bytes_[off + 1] << 8));
}

void ProgConfigData::PutU16(std::size_t off, std::uint16_t v) {
  bytes_[off] = static_cast<std::uint8_t>(v);
  bytes_[off + 1] = static_cast<std::uint8_t>(v >> 8);
}

std::int32_t ProgConfigData::I32(std::size_t off) const {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(bytes_[off + i]) << (8 * i);
  return static_cast<std::int32_t>(v);
}

void ProgConfigData::PutI32(std::size_t off, std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  for (std::size_t i = 0; i < 4; ++i) bytes_[off + i] = static_cast<std::uint8_t>(u >> (8 * i));
}

std::string_view ProgConfigData::Text(std::size_t off, std::size_t size) const {
  const char* p = reinterpret_cast<const char*>(bytes_.data() + off);
  return std::string_view(p, strnlen(p, size));
}

bool ProgConfigData::PutText(std::size_t off, std::size_t size, std::string_view s) {
  if (s.size() >= size || s.find('\0') != std::string_view::npos) return false;
  std::fill_n(bytes_.begin() + static_cast<std::ptrdiff_t>(off), size, std::uint8_t{0});
  std::copy(s.begin(), s.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(off));
  return true;
}

}  // namespace sq
