// Text exports of a date range: header lines 1 and 2 and one delimited line per
// archive record (or per day), written to a file.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "database/weather_database.h"
#include "foundation/file_system.h"
#include "foundation/site.h"
#include "reports/data_list.h"

namespace sq {

// Owns a C stream.
struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

inline constexpr int kExportOk = 0;
inline constexpr int kExportFailed = -1;

struct ExportOptions {
  DateTime from;          // first day (time ignored)
  DateTime to;            // last day
  bool daily = false;     // one line per day instead of per archive record
  bool with_time = true;  // the time column
  char separator = '\t';
  SiteDescription site;
};

// Takes one line of an export, with its line feed; false when it could not be written.
using ExportSink = std::function<bool(std::string_view line)>;

// Writes the export of `list`'s active columns (the caller passes a copy with the
// elements it wants active) into `out`: kExportOk, or kExportFailed at the first read
// or write error (the lines written so far stay). `*lines` (when given) counts the data
// lines.
[[nodiscard]] int WriteExport(WeatherDatabase& db, const DataList& list, const ExportOptions& opt,
                              const ExportSink& out, long* lines = nullptr);
[[nodiscard]] int WriteExport(WeatherDatabase& db, const DataList& list, const ExportOptions& opt, std::FILE* out,
                              long* lines = nullptr);
// The same into a new file `path` written through `fs`, which replaces an old one only
// when the whole export was written (temporary file and rename: a failed export leaves
// the old file as it was).
[[nodiscard]] int ExportToFile(WeatherDatabase& db, const DataList& list, const ExportOptions& opt,
                               const std::string& path, long* lines = nullptr, FileSystem& fs = DefaultFileSystem());

}  // namespace sq
