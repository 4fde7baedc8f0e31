#include "reports/text_export.h"

#include "reports/export_lines.h"
#include "reports/record_range.h"

namespace sq {
namespace {

// Hands the line and its line feed over in one call (the line feed is added to `line`).
bool PutLine(const ExportSink& out, std::string& line) {
  line += '\n';
  return out(line);
}

}  // namespace

int WriteExport(WeatherDatabase& db, const DataList& list, const ExportOptions& opt, const ExportSink& out,
                long* lines) {
  if (lines) *lines = 0;
  const Columns cols = ActiveColumns(list);
  std::string line;
  line.reserve(1024);
  // Every column is written: a fixed line buffer would cut header and data lines at
  // different columns, leaving values under the wrong headings.
  for (int n = 1; n <= 2; ++n) {
    int width = kNoWidthLimit;
    ExportHeaderLine(n, cols, opt.with_time, opt.separator, 0, &width, &line);
    if (!PutLine(out, line)) return kExportFailed;
  }
  bool write_failed = false;
  long count = 0;
  int rc = 0;
  if (opt.daily) {
    rc = ForEachDay(db, opt.from, opt.to, opt.site, [&](const DailySummaryObject& day) {
      int width = kNoWidthLimit;
      DailyExportLine(day, cols, opt.with_time, opt.separator, 0, &width, &line);
      if (!PutLine(out, line)) return !(write_failed = true);
      ++count;
      return true;
    });
  } else {
    rc = ForEachArchiveRecord(db, opt.from, opt.to, opt.site, [&](const WeatherDataObject& rec) {
      int width = kNoWidthLimit;
      ArchiveExportLine(rec, cols, opt.with_time, opt.separator, 0, &width, &line);
      if (!PutLine(out, line)) return !(write_failed = true);
      ++count;
      return true;
    });
  }
  if (lines) *lines = count;
  return rc != 0 || write_failed ? kExportFailed : kExportOk;
}

int WriteExport(WeatherDatabase& db, const DataList& list, const ExportOptions& opt, std::FILE* out, long* lines) {
  return WriteExport(
      db, list, opt,
      [out](std::string_view line) { return std::fwrite(line.data(), 1, line.size(), out) == line.size(); }, lines);
}

int ExportToFile(WeatherDatabase& db, const DataList& list, const ExportOptions& opt, const std::string& path,
                 long* lines, FileSystem& fs) {
  ReplacementFile f(fs, path);
  if (!f.ok()) return kExportFailed;
  if (WriteExport(
          db, list, opt, [&f](std::string_view line) { return f.Write(line); }, lines) != kExportOk) {
    return kExportFailed;
  }
  return f.Commit() ? kExportOk : kExportFailed;
}

}  // namespace sq
