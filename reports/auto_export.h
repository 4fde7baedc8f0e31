// The automatic export file written after a console download: the browser lines (with
// time, 384 characters wide) of every archive record from a few days before the
// database's last date to its end.
#pragma once

#include <string>

#include "database/weather_database.h"
#include "foundation/file_system.h"
#include "foundation/site.h"
#include "reports/data_list.h"

namespace sq {

class Station;

inline constexpr int kAutoExportWidth = 384;

// Writes `folder`/`file_name` ("download.txt" when empty) from the last date of `db`
// stepped back `days` days (never before the first date), with the columns of `list`
// all active, through `fs`. 0 success; -1 when the file cannot be written whole or a
// read fails (the old file then stays as it was).
[[nodiscard]] int CreateAutoExportFile(WeatherDatabase& db, const std::string& folder, const DataList& list, int days,
                                       const SiteDescription& site, const std::string& file_name = {},
                                       FileSystem& fs = DefaultFileSystem());

// The station's chosen export list (its archive browser list when the stored index
// names none) into "download.txt".
[[nodiscard]] int CreateAutoExportFile(const Station& station, WeatherDatabase& db, int days);
// The same under the name "downld%02d.txt" numbered days + 1: 1 success, 0 failure.
[[nodiscard]] int CreateNumberedAutoExportFile(const Station& station, WeatherDatabase& db, int days);

// The numbered file name for `days`.
[[nodiscard]] std::string NumberedAutoExportName(int days);

}  // namespace sq
