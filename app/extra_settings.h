// Station settings that the original fields of the station record do not hold. They
// live in the record's zero area from offset 2048, so older files (where these bytes
// are zero) load with every added setting off or empty. This header is the one place
// that documents them; nothing else may claim bytes from 2048 on.
//
// | Offset | Type     | Meaning                                                     |
// |--------|----------|-------------------------------------------------------------|
// | 2048   | u8       | automatic export after a download on (1) / off (0)          |
// | 2049   | u8       | rain database in use                                        |
// | 2050   | u16      | index of the data list written by the automatic export      |
// | 2052   | u32      | USB bridge: decimal number of the device's serial string    |
// | 2056   | u32      | manual daylight saving start, packed date (0 = not set)     |
// | 2060   | u16      | manual daylight saving start, minutes after midnight        |
// | 2064   | u32      | manual daylight saving end, packed date (0 = not set)       |
// | 2068   | u16      | manual daylight saving end, minutes after midnight          |
// | 2072   | char[64] | web download: host                                          |
// | 2136   | char[32] | web download: user                                          |
// | 2168   | char[32] | web download: password                                      |
// | 2200   | u8       | console time-zone index + 1 (0 = never set from the console)|
// | 2201   | u8       | console daylight saving on, when its mode is manual         |
// | 2202   | u8       | console archive period in minutes, stored by the download   |
// | 2203.. | —        | free, zero                                                  |
// | 2400   | char[64] | Weather Underground host (empty: the public update host)    |
// | 2464   | u8       | Weather Underground over plain HTTP (1) instead of HTTPS    |
// | 2465.. | —        | free, zero                                                  |
#pragma once

#include <cstddef>

namespace sq::extra {

inline constexpr std::size_t kBase = 2048;
inline constexpr std::size_t kAutoExport = 2048;
inline constexpr std::size_t kRainDbInUse = 2049;
inline constexpr std::size_t kExportList = 2050;
inline constexpr std::size_t kUsbId = 2052;
inline constexpr std::size_t kDstStartDate = 2056;
inline constexpr std::size_t kDstStartMinutes = 2060;
inline constexpr std::size_t kDstEndDate = 2064;
inline constexpr std::size_t kDstEndMinutes = 2068;
inline constexpr std::size_t kWebHost = 2072;
inline constexpr std::size_t kWebHostSize = 64;
inline constexpr std::size_t kWebUser = 2136;
inline constexpr std::size_t kWebUserSize = 32;
inline constexpr std::size_t kWebPassword = 2168;
inline constexpr std::size_t kWebPasswordSize = 32;
inline constexpr std::size_t kConsoleZone = 2200;
inline constexpr std::size_t kConsoleDstOn = 2201;
inline constexpr std::size_t kArchivePeriod = 2202;
inline constexpr std::size_t kWuHost = 2400;
inline constexpr std::size_t kWuHostSize = 64;
inline constexpr std::size_t kWuPlainHttp = 2464;

static_assert(kWebHost + kWebHostSize == kWebUser);
static_assert(kWebUser + kWebUserSize == kWebPassword);
static_assert(kWebPassword + kWebPasswordSize == kConsoleZone);
static_assert(kWuHost + kWuHostSize == kWuPlainHttp);

}  // namespace sq::extra
