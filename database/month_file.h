// One month file of a station's database: the name rules, the header checks that make
// a file safe to read, and MonthFile, which owns the open file, its header in memory
// and a small read-ahead buffer for sequential scans.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "database/data_record.h"
#include "database/header_block.h"
#include "foundation/file_system.h"

namespace sq {

// "YYYY-MM.sqm".
[[nodiscard]] std::string MonthFileName(int year, int month);
// True for names of the form DDDD-DD.sqm (the extension in any case).
[[nodiscard]] bool IsMonthFileName(std::string_view name);
// Year and month of a name that passes IsMonthFileName.
[[nodiscard]] bool ParseMonthFileName(std::string_view name, int* year, int* month);

// Byte position of record `n` of a month file.
[[nodiscard]] constexpr std::int64_t RecordOffset(std::int64_t n) {
  return static_cast<std::int64_t>(kHeaderSize) + static_cast<std::int64_t>(kRecordSize) * n;
}

// Checks that a header describes a readable file of `file_size` bytes: day ranges inside
// the records the file holds and the header counts, that do not overlap and lie in
// calendar order. Returns the problem in words, or nothing when the file can be read.
// A record count larger than the file holds or than the days claim is damage of the
// count alone: the file stays readable through its days, `*usable` (when given) is the
// number of records up to the end of the last day, and `*damage` says what is wrong
// (empty for a sound header).
[[nodiscard]] std::optional<std::string> CheckHeader(const HeaderBlock& h, std::int64_t file_size,
                                                     std::int32_t* usable = nullptr, std::string* damage = nullptr);

// Day (1..31) whose range holds record `n`, or 32 when none does.
[[nodiscard]] int DayOfRecord(const HeaderBlock& h, std::int64_t n);

class MonthFile {
 public:
  enum class Status { kOk, kNotFound, kAccessDenied, kBroken, kError };

  // Opens an existing month file and reads and checks its header. Never writes.
  // On failure `*problem` (when given) says what is wrong.
  [[nodiscard]] static std::unique_ptr<MonthFile> Open(FileSystem& fs, const std::string& path, bool writable,
                                                       Status* status, std::string* problem);
  // Creates a new, empty month file (header only, written whole under a temporary name
  // and renamed into place) and opens it.
  [[nodiscard]] static std::unique_ptr<MonthFile> Create(FileSystem& fs, const std::string& path, Status* status);

  [[nodiscard]] const std::string& path() const { return path_; }
  [[nodiscard]] const HeaderBlock& header() const { return header_; }
  // The header in memory; a change marks it for the next WriteHeader.
  [[nodiscard]] HeaderBlock& mutable_header() {
    header_dirty_ = true;
    return header_;
  }
  [[nodiscard]] bool header_dirty() const { return header_dirty_; }
  [[nodiscard]] std::int32_t total_records() const { return header_.total_records; }
  // What is wrong with the header's record count, or empty. A damaged file is read only
  // as far as its days reach (the header in memory counts that many) and never written.
  [[nodiscard]] const std::string& damage() const { return damage_; }

  // Reads record `n` (0 <= n < total records); false on a failed or short read.
  [[nodiscard]] bool ReadRecord(std::int64_t n, RecordBytes* out);
  // Writes record `n` in place or at the end; false on failure.
  [[nodiscard]] bool WriteRecord(std::int64_t n, const RecordBytes& bytes);
  // Writes whole records n, n + 1, ... in one write (`bytes` holds a multiple of the
  // record size).
  [[nodiscard]] bool WriteRecords(std::int64_t n, std::span<const std::uint8_t> bytes);
  // Writes the in-memory header at offset 0 when it changed.
  [[nodiscard]] bool WriteHeader();
  [[nodiscard]] bool Sync() { return file_->Sync(); }

 private:
  MonthFile(std::string path, std::unique_ptr<File> file, const HeaderBlock& h)
      : path_(std::move(path)), file_(std::move(file)), header_(h) {}

  // A random read fetches one record; reads that go on in sequence fetch twice as many
  // each time, up to this many.
  static constexpr std::int64_t kReadAheadRecords = 1024;

  std::string path_;
  std::unique_ptr<File> file_;
  HeaderBlock header_;
  std::string damage_;
  bool header_dirty_ = false;
  // Read-ahead buffer: records [buffer_first_, buffer_first_ + buffer_count_).
  std::vector<std::uint8_t> buffer_;
  std::int64_t buffer_first_ = 0;
  std::int64_t buffer_count_ = 0;
  std::int64_t last_read_ = -2;
  std::int64_t read_ahead_ = 1;
};

}  // namespace sq
