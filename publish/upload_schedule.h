// Which upload profiles are due: polled three times a minute (every 20th tick of the
// run loop's one-second timer). A profile fires when the minutes since its
// synchronisation time (taken modulo a day) are a multiple of its interval, once in
// that minute: its fired flag keeps the next polls of the same minute from firing it
// again, and is cleared in the first minute that is no multiple. Interval 1 fires
// every minute (once, by the minute of the last firing); interval 0 never fires.
#pragma once

#include <cstdint>

namespace sq {

struct InternetConfiguration;

// Task bits of an upload run: bits 0..7 are profiles 1..8.
namespace upload_task {
inline constexpr std::uint32_t kProfiles = 0xFF;
inline constexpr std::uint32_t kDownload = 0x100;
inline constexpr std::uint32_t kFiles = 0x200;
inline constexpr std::uint32_t kReports = 0x400;
inline constexpr std::uint32_t kCurrentImages = 0x800;
inline constexpr std::uint32_t kHistoricalImages = 0x1000;
inline constexpr std::uint32_t kWeatherUnderground = 0x2000;
inline constexpr std::uint32_t kAprs = 0x4000;
}  // namespace upload_task

// Checks every enabled profile at `minute_now` (0..1439 of the local clock), updating
// the fired flags and last firings of `config`. Returns the profile bits of those due,
// with kDownload when one of them asks for a download first; 0 when none is due.
[[nodiscard]] std::uint32_t DueUploadProfiles(InternetConfiguration& config, int minute_now);

}  // namespace sq
