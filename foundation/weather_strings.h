// Numbers of the string-table texts of the sun and moon code and the sunrise command
// (resources/strings_weather.inc, range 47600..47649).
#pragma once

#include <cstdint>

namespace sq {

inline constexpr std::uint32_t kStrSunLatitude = 47600;        // "   Latitude:  %s\n"
inline constexpr std::uint32_t kStrSunLongitude = 47601;       // "   Longitude: %s\n"
inline constexpr std::uint32_t kStrSunTimeZone = 47602;        // "   Time Zone: %s\n"
inline constexpr std::uint32_t kStrSunDaylightSaving = 47603;  // "   Daylight Savings Time:"
inline constexpr std::uint32_t kStrSunDstOn = 47604;
inline constexpr std::uint32_t kStrSunDstOff = 47605;
inline constexpr std::uint32_t kStrSunDstAutomatic = 47606;
inline constexpr std::uint32_t kStrSunTitle1 = 47607;  // three lines of column titles
inline constexpr std::uint32_t kStrSunTitle2 = 47608;
inline constexpr std::uint32_t kStrSunTitle3 = 47609;
inline constexpr std::uint32_t kStrSunWindowTitle = 47610;  // "Sunrise & Sunset"
inline constexpr std::uint32_t kStrSelectTimeZone = 47611;
inline constexpr std::uint32_t kStrTimeZoneRange = 47612;    // takes the zone text
inline constexpr std::uint32_t kStrTimeZoneUnknown = 47613;  // takes the zone text
inline constexpr std::uint32_t kStrLatitudeRange = 47614;    // takes the latitude text
inline constexpr std::uint32_t kStrLatitudeUnknown = 47615;
inline constexpr std::uint32_t kStrLongitudeRange = 47616;  // takes the longitude text
inline constexpr std::uint32_t kStrLongitudeUnknown = 47617;
inline constexpr std::uint32_t kStrNewMoon = 47620;  // 47620..47627: the eight phase names

}  // namespace sq
