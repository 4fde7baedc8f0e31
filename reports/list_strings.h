// Numbers of the data-list and export texts in the string table.
#pragma once

#include <cstdint>

namespace sq {

inline constexpr std::uint32_t kStrArchiveSetName = 16100;     // "Archive Data Values"
inline constexpr std::uint32_t kStrDailySetName = 16101;       // "Daily Data Values"
inline constexpr std::uint32_t kStrOverlaySetName = 16102;     // "Overlay Variables Set"
inline constexpr std::uint32_t kStrArchiveListName = 16103;    // "Default Archive Browser List"
inline constexpr std::uint32_t kStrDayListName = 16104;        // "Default Day Browser List"
inline constexpr std::uint32_t kStrPlotListName = 16105;       // "Default Plot List"
inline constexpr std::uint32_t kStrStripListName = 16106;      // "Default Stripchart List"
inline constexpr std::uint32_t kStrOverlayListName = 16107;    // "Default Overlay List"
inline constexpr std::uint32_t kStrDefaultSetsName = 16108;    // "$$DefaultSets$$"
inline constexpr std::uint32_t kStrDefaultListsName = 16109;   // "$$DefaultLists$$"
inline constexpr std::uint32_t kStrDataSetsFile = 16110;       // "DataSets.dat"
inline constexpr std::uint32_t kStrDataListsFile = 16111;      // "DataLists.dat"
inline constexpr std::uint32_t kStrDate = 16112;               // "Date"
inline constexpr std::uint32_t kStrTime = 16113;               // "Time"
inline constexpr std::uint32_t kStrAutoExportFile = 16114;     // "download.txt"
inline constexpr std::uint32_t kStrAutoExportPattern = 16115;  // "downld%02d.txt"
inline constexpr std::uint32_t kStrExportFilter = 16116;       // "Export Files (*.txt)"
inline constexpr std::uint32_t kStrNoExportFile = 16117;       // "Please specify export file name."
inline constexpr std::uint32_t kStrNoExportRange = 16118;      // "Choose days, months, or years to export."
inline constexpr std::uint32_t kStrNothingToExport = 16119;    // "Nothing selected to export."

}  // namespace sq
