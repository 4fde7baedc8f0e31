// Numbers of the console-settings texts in the string table
// (resources/strings_console_config.inc).
#pragma once

#include <cstdint>

namespace sq {

inline constexpr std::uint32_t kStrClearArchiveToo = 36600;
inline constexpr std::uint32_t kStrConfirmClearArchive = 36601;
inline constexpr std::uint32_t kStrSetRainCal = 36602;
inline constexpr std::uint32_t kStrSetRainCalTitle = 36603;
inline constexpr std::uint32_t kStrCollectorNotSupported = 36604;
inline constexpr std::uint32_t kStrLumoNotFound = 36605;
inline constexpr std::uint32_t kStrYearRainNotUnderstood = 36606;
inline constexpr std::uint32_t kStrPasswordsDiffer = 36607;
inline constexpr std::uint32_t kStrPasswordLength = 36608;
inline constexpr std::uint32_t kStrChooseZone = 36610;
inline constexpr std::uint32_t kStrYearRainNegative = 36611;
inline constexpr std::uint32_t kStrYearRainTooLarge = 36612;
inline constexpr std::uint32_t kStrArchivePeriodRefused = 36613;
inline constexpr std::uint32_t kStrBarometerRefused = 36614;
inline constexpr std::uint32_t kStrCupSizeRefused = 36615;
inline constexpr std::uint32_t kStrLatLongRefused = 36616;
inline constexpr std::uint32_t kStrNotCurrentFamily = 36617;
inline constexpr std::uint32_t kStrConfirmClear = 36618;
inline constexpr std::uint32_t kStrConfirmPeriod = 36619;
inline constexpr std::uint32_t kStrConfirmClearCal = 36620;
inline constexpr std::uint32_t kStrRainCollectorFailed = 36621;
// Time-zone names: 36700 + index.
inline constexpr std::uint32_t kStrZoneNameBase = 36700;

}  // namespace sq
