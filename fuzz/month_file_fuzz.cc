// Feeds arbitrary bytes to the month-file loader and readers as the file of one month
// between two sound neighbours, then walks the database every way it can be read and
// makes one change of each kind. Nothing may crash, read out of bounds or allocate
// without bound.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "database/daily_summary_record.h"
#include "database/data_record.h"
#include "database/database_check.h"
#include "database/weather_database.h"
#include "foundation/mem_file_system.h"

namespace {

constexpr int kMaxSteps = 4000;

std::vector<std::uint8_t> SoundMonth() {
  sq::HeaderBlock h = sq::NewHeaderBlock();
  h.total_records = 3;
  h.day[2] = {3, 0};
  std::vector<std::uint8_t> out(sq::kHeaderSize);
  sq::EncodeHeader(h, std::span<std::uint8_t, sq::kHeaderSize>(out.data(), sq::kHeaderSize));
  for (const auto& r : {sq::ToBytes(sq::NewDailySummary1()), sq::ToBytes(sq::NewDailySummary2())}) {
    out.insert(out.end(), r.begin(), r.end());
  }
  sq::DataRecord a = sq::NewDataRecord();
  a.packed_time = 60;
  const auto b = sq::ToBytes(a);
  out.insert(out.end(), b.begin(), b.end());
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  sq::MemFileSystem fs;
  fs.files()["db/2024-01.sqm"] = std::make_shared<sq::MemFileSystem::Bytes>(SoundMonth());
  fs.files()["db/2024-02.sqm"] = std::make_shared<sq::MemFileSystem::Bytes>(data, data + size);
  fs.files()["db/2024-03.sqm"] = std::make_shared<sq::MemFileSystem::Bytes>(SoundMonth());

  sq::CheckReport report;
  (void)sq::CheckDatabaseFolder(fs, "db", &report);

  sq::WeatherDatabase db(fs);
  if (db.OpenDatabase("db") != sq::kDbOk) return 0;
  sq::RecordBytes rec;
  sq::DateTime when;
  const int total = db.total_records();
  for (int n = 0; n < std::min(total, kMaxSteps); ++n) {
    (void)db.GetRecord(&rec, n);
    (void)db.ConvertRecNoToArchiveRecNo(n);
    (void)db.GetDateLastRead(&when);
  }
  for (int a = 0; a < std::min(db.NumberOfDataRecords(), kMaxSteps); ++a) (void)db.GetArchiveRecord(&rec, a);
  for (int d = 1; d <= 31; ++d) {
    if (db.Goto(2, d, 2024) >= 0) {
      for (int i = 0; i < 50 && db.GetRecord(&rec) == 0; ++i) {
      }
    }
    sq::DateTime t(2, d, 2024);
    t.packed_time = 720;
    (void)db.GetClosestArchive(t);
  }
  sq::DataRecord r = sq::NewDataRecord();
  r.packed_time = 120;
  (void)db.AppendRecord(sq::ToBytes(r), [] {
    sq::DateTime t(3, 2, 2024);
    t.packed_time = 120;
    return t;
  }());
  (void)db.EditArchiveRecord(sq::ToBytes(r), 0);
  (void)db.DeleteRecord(std::min(total, 5));
  (void)db.DeleteDay(2, 1 + static_cast<int>(size % 31), 2024);
  return 0;
}
