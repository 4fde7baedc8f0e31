#include "database/database_check.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "database/month_file.h"

namespace sq {
namespace {

std::string Printf(const char* fmt, long long a, long long b = 0, long long c = 0) {
  char buf[200];
  std::snprintf(buf, sizeof buf, fmt, a, b, c);
  return buf;
}

}  // namespace

void CheckMonthFile(FileSystem& fs, const std::string& folder, const std::string& file_name, CheckReport* report) {
  ++report->files_checked;
  auto add = [&](std::int64_t record, std::string message) {
    report->findings.push_back({file_name, record, std::move(message)});
  };
  MonthFile::Status status = MonthFile::Status::kOk;
  std::string problem;
  auto f = MonthFile::Open(fs, JoinPath(folder, file_name), false, &status, &problem);
  if (!f) {
    add(-1, problem);
    return;
  }
  const HeaderBlock& h = f->header();
  if (!f->damage().empty()) add(-1, f->damage());
  static constexpr char kId[] = "WDAT5.3";
  if (std::memcmp(h.id_code.data(), kId, 7) != 0) add(-1, "the id code is not WDAT5.3");
  if (h.day[0].records_in_day != 0 || h.day[0].start_position != 0) add(-1, "day index entry 0 is not zero");

  std::vector<bool> in_day(static_cast<std::size_t>(h.total_records), false);
  RecordBytes rec;
  for (int d = 1; d < kDayEntries; ++d) {
    const DayIndexEntry& e = h.day[d];
    if (e.records_in_day <= 0) continue;
    if (e.records_in_day < 2) {
      add(e.start_position,
          Printf("day %lld holds %lld record; a day starts with its two summary records", d, e.records_in_day));
    }
    int previous_time = 0;
    for (std::int64_t i = 0; i < e.records_in_day; ++i) {
      const std::int64_t n = e.start_position + i;
      in_day[static_cast<std::size_t>(n)] = true;
      if (!f->ReadRecord(n, &rec)) {
        add(n, "the record cannot be read");
        return;
      }
      ++report->records_checked;
      const int expected = i == 0 ? kRecordTypeSummary1 : i == 1 ? kRecordTypeSummary2 : kRecordTypeArchive;
      if (rec[0] != expected) {
        add(n, Printf("day %lld: record of type %lld where type %lld belongs", d, rec[0], expected));
        continue;
      }
      if (rec[0] != kRecordTypeArchive) continue;
      const int t = static_cast<std::int16_t>(static_cast<std::uint16_t>(rec[4] | (rec[5] << 8)));
      if (t < 1 || t > 1440) {
        add(n, Printf("day %lld: archive time %lld is outside 1 to 1440", d, t));
      } else if (t <= previous_time) {
        add(n, Printf("day %lld: archive time %lld is not later than the time %lld before it", d, t, previous_time));
      } else {
        previous_time = t;
      }
    }
  }
  for (std::int64_t n = 0; n < h.total_records;) {
    if (in_day[static_cast<std::size_t>(n)]) {
      ++n;
      continue;
    }
    std::int64_t end = n;
    while (end < h.total_records && !in_day[static_cast<std::size_t>(end)]) ++end;
    add(n, Printf("records %lld to %lld belong to no day", n, end - 1));
    n = end;
  }
}

bool CheckDatabaseFolder(FileSystem& fs, const std::string& folder, CheckReport* report) {
  std::vector<std::string> names;
  if (!fs.List(folder, &names)) return false;
  std::erase_if(names, [](const std::string& n) { return !IsMonthFileName(n); });
  std::sort(names.begin(), names.end());
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0 && names[i].compare(0, 7, names[i - 1], 0, 7) == 0) {
      report->findings.push_back({names[i], -1, "a second file for the month of " + names[i - 1] + "; it is left out"});
      continue;
    }
    CheckMonthFile(fs, folder, names[i], report);
  }
  return true;
}

}  // namespace sq
