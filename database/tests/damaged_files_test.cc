// Month files that are cut short, or whose header contradicts itself, are left out with
// a message naming the file; the rest of the database stays available.
#include <gtest/gtest.h>

#include <fstream>

#include "database/tests/db_test_util.h"

namespace sq {
namespace {

using testing::Archive;
using testing::At;
using testing::MarkerOf;
using testing::TempDir;

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> MonthBytes(const HeaderBlock& h, int records) {
  std::vector<std::uint8_t> out(kHeaderSize + kRecordSize * records);
  EncodeHeader(h, std::span<std::uint8_t, kHeaderSize>(out.data(), kHeaderSize));
  return out;
}

HeaderBlock Header(int total, std::initializer_list<std::tuple<int, int, int>> days) {
  HeaderBlock h = NewHeaderBlock();
  h.total_records = total;
  for (auto [d, count, start] : days) {
    h.day[d].records_in_day = static_cast<std::int16_t>(count);
    h.day[d].start_position = start;
  }
  return h;
}

TEST(DamagedFiles, AreLeftOutAndNamed) {
  struct Case {
    const char* legend;
    std::vector<std::uint8_t> bytes;
    const char* says;
  } cases[] = {
      {"empty file", {}, "shorter than"},
      {"header cut short", std::vector<std::uint8_t>(100, 0), "shorter than"},
      {"fewer records than the header names", MonthBytes(Header(10, {{1, 10, 0}}), 4), "truncated"},
      {"day past the end of the file", MonthBytes(Header(0x7FFFFFFF, {{1, 5, 0}}), 3), "truncated"},
      {"overlapping days", MonthBytes(Header(6, {{1, 4, 0}, {2, 3, 3}}), 6), "overlaps"},
      {"day past the record count", MonthBytes(Header(3, {{4, 3, 1}}), 3), "past the"},
      {"negative day count", MonthBytes(Header(3, {{4, -3, 0}}), 3), "negative"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.legend);
    TempDir dir;
    {
      WeatherDatabase db;
      (void)db.OpenDatabase(dir.str());
      int m = 0;
      testing::AppendDay(db, 2024, 1, 1, {60, 120}, &m);
      testing::AppendDay(db, 2024, 3, 1, {60}, &m);
    }
    WriteFile(dir.file("2024-02.sqm"), c.bytes);
    WeatherDatabase db;
    ASSERT_EQ(db.OpenDatabase(dir.str()), 0);
    ASSERT_EQ(db.problems().size(), 1u);
    EXPECT_EQ(db.problems()[0].file_name, "2024-02.sqm");
    EXPECT_NE(db.problems()[0].message.find("2024-02.sqm"), std::string::npos) << db.problems()[0].message;
    EXPECT_NE(db.problems()[0].message.find(c.says), std::string::npos) << db.problems()[0].message;
    EXPECT_EQ(db.month_count(), 2);
    EXPECT_EQ(db.NumberOfDataRecords(), 3);
    RecordBytes rec;
    EXPECT_EQ(db.GetArchiveRecord(&rec, 2), 0);
    // Nothing is ever written into the damaged month.
    const auto size = std::filesystem::file_size(dir.file("2024-02.sqm"));
    EXPECT_EQ(db.CreateNewMonth(At(2024, 2, 1)), -1);
    EXPECT_EQ(std::filesystem::file_size(dir.file("2024-02.sqm")), size);

    CheckReport report;
    ASSERT_TRUE(CheckDatabaseFolder(DefaultFileSystem(), dir.str(), &report));
    ASSERT_EQ(report.findings.size(), 1u);
    EXPECT_EQ(report.findings[0].file_name, "2024-02.sqm");
  }
}

TEST(DamagedFiles, CheckFindsLayoutFaultsWithRecordNumbers) {
  TempDir dir;
  std::vector<std::uint8_t> bytes = MonthBytes(Header(6, {{1, 5, 0}}), 6);
  auto put = [&](int n, const RecordBytes& r) {
    std::copy(r.begin(), r.end(), bytes.begin() + kHeaderSize + kRecordSize * n);
  };
  put(0, ToBytes(NewDailySummary1()));
  put(1, Archive(0, 60));  // a summary record belongs here
  put(2, Archive(1, 120));
  put(3, Archive(2, 120));  // not later than the one before (issue 17)
  put(4, Archive(3, 0));    // no valid time
  put(5, Archive(4, 200));  // in no day
  WriteFile(dir.file("2024-05.SQM"), bytes);
  WriteFile(dir.file("2024-05.sqm"), MonthBytes(NewHeaderBlock(), 0));
  CheckReport report;
  ASSERT_TRUE(CheckDatabaseFolder(DefaultFileSystem(), dir.str(), &report));
  std::vector<std::pair<std::string, std::int64_t>> where;
  for (const auto& f : report.findings) where.emplace_back(f.file_name, f.record);
  // The header counts record 5, which no day holds: the count is damaged.
  const std::vector<std::pair<std::string, std::int64_t>> want = {
      {"2024-05.SQM", -1}, {"2024-05.SQM", 1}, {"2024-05.SQM", 3}, {"2024-05.SQM", 4}, {"2024-05.sqm", -1}};
  // "2024-05.SQM" sorts first and is the month's file; the lower-case twin is left out.
  EXPECT_EQ(where, want);

  WeatherDatabase db;
  ASSERT_EQ(db.OpenDatabase(dir.str()), 0);
  EXPECT_EQ(db.month_count(), 1);
  EXPECT_EQ(db.months()[0].file_name, "2024-05.SQM");
  ASSERT_EQ(db.problems().size(), 2u);
  EXPECT_TRUE(db.problems()[0].used);
  EXPECT_FALSE(db.problems()[1].used);
}

// A month file that is a symbolic link is read, but a database open for writing leaves
// it out with the reason: appends happen in place and would change the file the link
// points to, outside the folder.
TEST(DamagedFiles, SymbolicLinkMonthIsNeverWrittenThrough) {
  TempDir root;
  const std::string station = root.file("station"), away = root.file("away");
  std::filesystem::create_directory(station);
  std::filesystem::create_directory(away);
  {
    WeatherDatabase db;
    (void)db.OpenDatabase(away);
    int m = 0;
    testing::AppendDay(db, 2024, 3, 1, {60}, &m);
  }
  const auto size = std::filesystem::file_size(away + "/2024-03.sqm");
  std::filesystem::create_symlink(away + "/2024-03.sqm", station + "/2024-03.sqm");
  {
    WeatherDatabase reader;
    ASSERT_EQ(reader.OpenDatabase(station, true), 0);
    EXPECT_TRUE(reader.problems().empty());
    EXPECT_EQ(reader.NumberOfDataRecords(), 1);
  }
  WeatherDatabase db;
  ASSERT_EQ(db.OpenDatabase(station), 0);
  ASSERT_EQ(db.problems().size(), 1u);
  EXPECT_NE(db.problems()[0].message.find("symbolic link"), std::string::npos) << db.problems()[0].message;
  EXPECT_EQ(db.AppendRecord(Archive(9, 120), At(2024, 3, 1, 120)), -1);
  EXPECT_EQ(db.CloseDatabase(), 0);
  EXPECT_EQ(std::filesystem::file_size(away + "/2024-03.sqm"), size);
}

// Counts the bytes read through it.
class CountingFileSystem final : public FileSystem {
 public:
  class CountingFile final : public File {
   public:
    CountingFile(std::unique_ptr<File> f, std::int64_t* bytes) : f_(std::move(f)), bytes_(bytes) {}
    long ReadAt(std::int64_t offset, std::span<std::uint8_t> out) override {
      *bytes_ += static_cast<std::int64_t>(out.size());
      return f_->ReadAt(offset, out);
    }
    bool WriteAt(std::int64_t offset, std::span<const std::uint8_t> data) override { return f_->WriteAt(offset, data); }
    std::int64_t Size() override { return f_->Size(); }
    bool Sync() override { return f_->Sync(); }

   private:
    std::unique_ptr<File> f_;
    std::int64_t* bytes_;
  };
  std::unique_ptr<File> Open(const std::string& path, bool writable, OpenError* error) override {
    auto f = base_.Open(path, writable, error);
    return f ? std::make_unique<CountingFile>(std::move(f), &bytes_read) : nullptr;
  }
  std::unique_ptr<File> Create(const std::string& path, unsigned mode) override { return base_.Create(path, mode); }
  bool Rename(const std::string& a, const std::string& b) override { return base_.Rename(a, b); }
  bool Remove(const std::string& path) override { return base_.Remove(path); }
  bool Exists(const std::string& path) override { return base_.Exists(path); }
  bool List(const std::string& folder, std::vector<std::string>* names) override { return base_.List(folder, names); }
  bool SyncFolder(const std::string& folder) override { return base_.SyncFolder(folder); }
  LockResult TryLock(const std::string& path, LockMode mode, std::unique_ptr<HeldLock>* lock,
                     std::string* error) override {
    return base_.TryLock(path, mode, lock, error);
  }

  std::int64_t bytes_read = 0;

 private:
  FileSystem& base_ = DefaultFileSystem();
};

// Issue 18: a header that counts 24 million records in a sparse file whose days hold
// four. The database answers from the days, reads a few records, reports the damage
// and never writes the file.
TEST(DamagedFiles, Issue18RecordCountBeyondTheDaysIsReadThroughTheDays) {
  TempDir dir;
  constexpr int kClaimed = 24000000;
  std::vector<std::uint8_t> bytes = MonthBytes(Header(kClaimed, {{3, 4, 0}}), 4);
  auto put = [&](int n, const RecordBytes& r) {
    std::copy(r.begin(), r.end(), bytes.begin() + kHeaderSize + kRecordSize * n);
  };
  put(0, ToBytes(NewDailySummary1()));
  put(1, ToBytes(NewDailySummary2()));
  put(2, Archive(7, 60));
  put(3, Archive(8, 120));
  const std::string path = dir.file("2024-02.sqm");
  WriteFile(path, bytes);
  std::filesystem::resize_file(path, static_cast<std::uintmax_t>(RecordOffset(kClaimed)));  // sparse

  CountingFileSystem fs;
  WeatherDatabase db(fs);
  ASSERT_EQ(db.OpenDatabase(dir.str()), 0);
  ASSERT_EQ(db.problems().size(), 1u);
  EXPECT_TRUE(db.problems()[0].used);
  EXPECT_NE(db.problems()[0].message.find("the header counts 24000000 records but its days hold only 4"),
            std::string::npos)
      << db.problems()[0].message;
  EXPECT_EQ(db.total_records(), 4);
  EXPECT_EQ(db.NumberOfDataRecords(), 2);
  EXPECT_EQ(db.first_date().GetPackedDate(), PackDate(2024, 2, 3));
  EXPECT_EQ(db.first_date().packed_time, 60);
  EXPECT_EQ(db.last_date().GetPackedDate(), PackDate(2024, 2, 3));
  EXPECT_EQ(db.last_date().packed_time, 120);
  EXPECT_EQ(db.GetClosestArchive(At(2024, 2, 20, 600)), 1);
  RecordBytes rec;
  ASSERT_EQ(db.GetArchiveRecord(&rec, 1), 0);
  EXPECT_EQ(MarkerOf(rec), 8);
  EXPECT_LT(fs.bytes_read, 1 << 20);

  // Nothing is written into it: the append is refused with a message naming the file.
  EXPECT_EQ(db.AppendRecord(Archive(9, 180), At(2024, 2, 3, 180)), -1);
  EXPECT_NE(db.last_error().find("2024-02.sqm is damaged"), std::string::npos) << db.last_error();
  EXPECT_NE(db.last_error().find("db check"), std::string::npos);
  EXPECT_EQ(db.EditRecord(Archive(9, 60), 2), -1);
  EXPECT_EQ(db.DeleteDay(2, 3, 2024), -1);
  EXPECT_EQ(db.CloseDatabase(), 0);
  std::vector<std::uint8_t> head(kHeaderSize);
  std::ifstream(path, std::ios::binary).read(reinterpret_cast<char*>(head.data()), kHeaderSize);
  EXPECT_TRUE(std::equal(head.begin(), head.end(), bytes.begin()));
  EXPECT_EQ(std::filesystem::file_size(path), static_cast<std::uintmax_t>(RecordOffset(kClaimed)));

  CheckReport report;
  ASSERT_TRUE(CheckDatabaseFolder(DefaultFileSystem(), dir.str(), &report));
  ASSERT_EQ(report.findings.size(), 1u);
  EXPECT_NE(report.findings[0].message.find("the header counts 24000000"), std::string::npos);
}

}  // namespace
}  // namespace sq

namespace sq {
namespace {

// Refuses to open one file for writing, as a read-only file is refused.
class ReadOnlyFile final : public FileSystem {
 public:
  explicit ReadOnlyFile(std::string path) : path_(std::move(path)) {}
  std::unique_ptr<File> Open(const std::string& path, bool writable, OpenError* error) override {
    if (writable && path == path_) {
      *error = OpenError::kAccessDenied;
      return nullptr;
    }
    return base_.Open(path, writable, error);
  }
  std::unique_ptr<File> Create(const std::string& path, unsigned mode) override { return base_.Create(path, mode); }
  bool Rename(const std::string& a, const std::string& b) override { return base_.Rename(a, b); }
  bool Remove(const std::string& path) override { return base_.Remove(path); }
  bool Exists(const std::string& path) override { return base_.Exists(path); }
  bool List(const std::string& f, std::vector<std::string>* n) override { return base_.List(f, n); }
  bool SyncFolder(const std::string& f) override { return base_.SyncFolder(f); }
  LockResult TryLock(const std::string& p, LockMode m, std::unique_ptr<HeldLock>* l, std::string* e) override {
    return base_.TryLock(p, m, l, e);
  }

 private:
  std::string path_;
  FileSystem& base_ = DefaultFileSystem();
};

TEST(DamagedFiles, ReadOnlyMonthIsReportedAndLeftOut) {
  TempDir dir;
  {
    WeatherDatabase db;
    (void)db.OpenDatabase(dir.str());
    int m = 0;
    testing::AppendDay(db, 2024, 1, 1, {60}, &m);
    testing::AppendDay(db, 2024, 2, 1, {60}, &m);
  }
  ReadOnlyFile fs(dir.file("2024-01.sqm"));
  WeatherDatabase db(fs);
  ASSERT_EQ(db.OpenDatabase(dir.str()), 0);
  EXPECT_EQ(db.month_count(), 1);
  ASSERT_EQ(db.problems().size(), 1u);
  EXPECT_EQ(db.problems()[0].message, "Can not open file '" + dir.file("2024-01.sqm") +
                                          "' for Write Operation. The file's attribute might be Read-Only.");
  // Opened for reading only, the same file is part of the database.
  WeatherDatabase reader(fs);
  ASSERT_EQ(reader.OpenDatabase(dir.str(), true), 0);
  EXPECT_EQ(reader.month_count(), 2);
}

}  // namespace
}  // namespace sq
