#include "reports/auto_export.h"

#include <cstdio>

#include "app/station.h"
#include "foundation/file_system.h"
#include "reports/browser_lines.h"
#include "reports/data_lists_file.h"
#include "reports/list_strings.h"
#include "reports/record_range.h"
#include "reports/station_data_lists.h"
#include "reports/text_export.h"
#include "resources/string_table.h"

namespace sq {
namespace {

bool PutLine(ReplacementFile& out, const std::string& line) { return out.Write(line) && out.Write("\n"); }

const DataList* ExportListOf(const Station& station) {
  const StationDataLists& data = DataListsOf(station);
  const DataList* list = data.lists.List(station.ExportList());
  return list ? list : data.lists.List(kArchiveBrowserList);
}

}  // namespace

std::string NumberedAutoExportName(int days) {
  char name[64];
  std::snprintf(name, sizeof name, std::string(LoadString(kStrAutoExportPattern)).c_str(), days + 1);
  return name;
}

int CreateAutoExportFile(WeatherDatabase& db, const std::string& folder, const DataList& list, int days,
                         const SiteDescription& site, const std::string& file_name, FileSystem& fs) {
  DateTime start = db.last_date();
  start.packed_time = 0;
  const DateTime& first = db.first_date();
  for (int i = 0; i < days && start.valid && first.valid; ++i) {
    DateTime prev = start;
    --prev;
    if (prev.GetPackedDate() < first.GetPackedDate()) break;
    start = prev;
  }
  const std::string path =
      ListFilePath(folder, file_name.empty() ? std::string(LoadString(kStrAutoExportFile)) : file_name);
  // Written whole under a temporary name and renamed: a full disk or a kill never
  // leaves a short file, and a link of that name is replaced, never written through.
  ReplacementFile out(fs, path);
  if (!out.ok()) return -1;

  const DataList all = CopyList(list, kCopyAllActive);
  const Columns cols = ActiveColumns(all);
  std::string line;
  for (int n = 1; n <= 3; ++n) {
    int width = kAutoExportWidth;
    BrowserHeaderLine(n, cols, true, 0, &width, &line);
    if (!PutLine(out, line)) return -1;
  }
  if (!start.valid) return out.Commit() ? 0 : -1;  // an empty database
  bool write_failed = false;
  const int rc = ForEachArchiveRecord(db, start, db.last_date(), site, [&](const WeatherDataObject& rec) {
    int width = kAutoExportWidth;
    ArchiveBrowserLine(rec, cols, true, 0, &width, &line);
    return !(write_failed = !PutLine(out, line));
  });
  if (rc != 0 || write_failed) return -1;
  return out.Commit() ? 0 : -1;
}

int CreateAutoExportFile(const Station& station, WeatherDatabase& db, int days) {
  const DataList* list = ExportListOf(station);
  if (list == nullptr) return -1;
  return CreateAutoExportFile(db, station.Folder(), *list, days, station.GetSiteDescription());
}

int CreateNumberedAutoExportFile(const Station& station, WeatherDatabase& db, int days) {
  const DataList* list = ExportListOf(station);
  if (list == nullptr) return 0;
  return CreateAutoExportFile(db, station.Folder(), *list, days, station.GetSiteDescription(),
                              NumberedAutoExportName(days)) == 0
             ? 1
             : 0;
}

}  // namespace sq
