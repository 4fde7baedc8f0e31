// What an upload profile can select: the reports of its report set, the current
// images and the historical graphs (each with its file name and the sensor it needs),
// and the span codes of the historical graphs.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace sq {

// Report set bits (profile offset 16).
namespace report_bit {
inline constexpr std::uint32_t kNoaaThisMonth = 0x001;  // "NOAAMO.TXT"
inline constexpr std::uint32_t kNoaaLastMonth = 0x002;  // "NOAAPRMO.TXT"
inline constexpr std::uint32_t kNoaaThisYear = 0x004;   // "NOAAYR.TXT"
inline constexpr std::uint32_t kNoaaLastYear = 0x008;   // "NOAAPRYR.TXT"
inline constexpr std::uint32_t kArchive2Day = 0x080;    // "downld02.txt"
inline constexpr std::uint32_t kArchiveWeek = 0x100;    // "downld08.txt"
inline constexpr std::uint32_t kWeatherUnderground = 0x200;
inline constexpr std::uint32_t kAprs = 0x400;
}  // namespace report_bit

struct ReportEntry {
  std::uint32_t bit;
  std::string_view key;    // the name on our command line, e.g. "noaa-month"
  std::string_view file;   // the report's file name; empty for the network uploads
  std::string_view title;  // as the profile shows it, e.g. "Report: NOAA This Month"
};
std::span<const ReportEntry> Reports();

// Sensor a current image or historical graph needs: a mask of one sensor word
// (Station::TestForSensor); mask 0 means none is needed.
struct SensorNeed {
  int word = 0;
  std::uint32_t mask = 0;
};

struct ImageEntry {
  int index;
  std::string_view file;  // e.g. "OutsideTemp.gif"
  SensorNeed sensor;
};

inline constexpr int kCurrentImageCount = 43;
inline constexpr int kHistoricalImageCount = 48;

// In index order (bit i of a profile's image set selects entry i).
std::span<const ImageEntry> CurrentImages();
std::span<const ImageEntry> HistoricalImages();

// Historical graph span codes.
struct SpanEntry {
  std::uint32_t code;
  std::string_view key;    // our command line's name, e.g. "24h"
  std::string_view title;  // e.g. "24 hours back"
};
std::span<const SpanEntry> Spans();
[[nodiscard]] std::optional<std::uint32_t> SpanCodeFromKey(std::string_view key);
// The key of a code; "none" for the codes that graph nothing (9, 10 and others).
[[nodiscard]] std::string_view SpanKey(std::uint32_t code);

}  // namespace sq
