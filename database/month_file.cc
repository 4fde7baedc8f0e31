#include "database/month_file.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace sq {

std::string MonthFileName(int year, int month) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d-%02d.sqm", year, month);
  return buf;
}

bool IsMonthFileName(std::string_view name) {
  if (name.size() != 11) return false;
  auto digit = [&](std::size_t i) { return std::isdigit(static_cast<unsigned char>(name[i])) != 0; };
  if (!digit(0) || !digit(1) || !digit(2) || !digit(3) || name[4] != '-' || !digit(5) || !digit(6)) {
    return false;
  }
  static constexpr char kExt[] = ".sqm";
  for (std::size_t i = 0; i < 4; ++i) {
    if (std::tolower(static_cast<unsigned char>(name[7 + i])) != kExt[i]) return false;
  }
  return true;
}

bool ParseMonthFileName(std::string_view name, int* year, int* month) {
  if (!IsMonthFileName(name)) return false;
  *year = (name[0] - '0') * 1000 + (name[1] - '0') * 100 + (name[2] - '0') * 10 + (name[3] - '0');
  *month = (name[5] - '0') * 10 + (name[6] - '0');
  return true;
}

std::optional<std::string> CheckHeader(const HeaderBlock& h, std::int64_t file_size, std::int32_t* usable,
                                       std::string* damage) {
  char buf[240];
  if (damage) damage->clear();
  if (h.total_records < 0) {
    std::snprintf(buf, sizeof buf, "negative record count %d", h.total_records);
    return std::string(buf);
  }
  const std::int64_t holds = std::max<std::int64_t>(0, file_size - static_cast<std::int64_t>(kHeaderSize)) /
                             static_cast<std::int64_t>(kRecordSize);
  std::int64_t end_of_previous = 0;
  int previous_day = 0;
  for (int d = 1; d < kDayEntries; ++d) {
    const DayIndexEntry& e = h.day[d];
    if (e.records_in_day < 0) {
      std::snprintf(buf, sizeof buf, "day %d has a negative record count %d", d, e.records_in_day);
      return std::string(buf);
    }
    if (e.records_in_day == 0) continue;
    const std::int64_t start = e.start_position;
    const std::int64_t end = start + e.records_in_day;
    if (start < 0 || end > h.total_records) {
      std::snprintf(buf, sizeof buf, "day %d covers records %lld to %lld, past the %d records of the file", d,
                    static_cast<long long>(start), static_cast<long long>(end - 1), h.total_records);
      return std::string(buf);
    }
    if (end > holds) {
      std::snprintf(buf, sizeof buf, "truncated: day %d covers records %lld to %lld but the file holds only %lld", d,
                    static_cast<long long>(start), static_cast<long long>(end - 1), static_cast<long long>(holds));
      return std::string(buf);
    }
    if (start < end_of_previous) {
      std::snprintf(buf, sizeof buf, "day %d (records %lld to %lld) overlaps or precedes day %d", d,
                    static_cast<long long>(start), static_cast<long long>(end - 1), previous_day);
      return std::string(buf);
    }
    end_of_previous = end;
    previous_day = d;
  }
  // Every record of a sound file belongs to a day, so the last day ends the records.
  // A larger count is damage: reading up to it would show records of no day (or
  // scan a sparse file of millions of zero records).
  if (usable) *usable = static_cast<std::int32_t>(end_of_previous);
  if (h.total_records > end_of_previous && damage) {
    if (h.total_records > holds) {
      std::snprintf(buf, sizeof buf, "the header counts %d records but the file holds only %lld", h.total_records,
                    static_cast<long long>(holds));
    } else {
      std::snprintf(buf, sizeof buf, "the header counts %d records but its days hold only %lld", h.total_records,
                    static_cast<long long>(end_of_previous));
    }
    *damage = buf;
    std::snprintf(buf, sizeof buf, "; only the %lld records of its days are read and the file is not changed",
                  static_cast<long long>(end_of_previous));
    *damage += buf;
  }
  return std::nullopt;
}

int DayOfRecord(const HeaderBlock& h, std::int64_t n) {
  for (int d = 1; d < kDayEntries; ++d) {
    const DayIndexEntry& e = h.day[d];
    if (e.records_in_day > 0 && e.start_position <= n && n < e.start_position + std::int64_t{e.records_in_day}) {
      return d;
    }
  }
  return 32;
}

std::unique_ptr<MonthFile> MonthFile::Open(FileSystem& fs, const std::string& path, bool writable, Status* status,
                                           std::string* problem) {
  OpenError err = OpenError::kNone;
  std::unique_ptr<File> f = fs.Open(path, writable, &err);
  if (!f) {
    *status = err == OpenError::kNotFound       ? Status::kNotFound
              : err == OpenError::kAccessDenied ? Status::kAccessDenied
                                                : Status::kError;
    if (problem) {
      *problem = err == OpenError::kLink
                     ? "it is a symbolic link, which is never written through; put the month file itself in the folder"
                     : "cannot open the file";
    }
    return nullptr;
  }
  std::array<std::uint8_t, kHeaderSize> raw;
  const long n = f->ReadAt(0, raw);
  if (n < 0) {
    *status = Status::kError;
    if (problem) *problem = "cannot read the header";
    return nullptr;
  }
  if (n < static_cast<long>(kHeaderSize)) {
    *status = Status::kBroken;
    if (problem) *problem = "shorter than a month-file header";
    return nullptr;
  }
  HeaderBlock h = *DecodeHeader(raw);
  std::int32_t usable = 0;
  std::string damage;
  if (auto bad = CheckHeader(h, f->Size(), &usable, &damage)) {
    *status = Status::kBroken;
    if (problem) *problem = *bad;
    return nullptr;
  }
  h.total_records = usable;
  *status = Status::kOk;
  auto month = std::unique_ptr<MonthFile>(new MonthFile(path, std::move(f), h));
  month->damage_ = std::move(damage);
  return month;
}

std::unique_ptr<MonthFile> MonthFile::Create(FileSystem& fs, const std::string& path, Status* status) {
  const auto raw = EncodeHeader(NewHeaderBlock());
  if (!fs.ReplaceWhole(path, raw)) {
    *status = Status::kError;
    return nullptr;
  }
  return Open(fs, path, true, status, nullptr);
}

bool MonthFile::ReadRecord(std::int64_t n, RecordBytes* out) {
  if (n < 0 || n >= header_.total_records) return false;
  if (n < buffer_first_ || n >= buffer_first_ + buffer_count_) {
    read_ahead_ = n == last_read_ + 1 ? std::min(read_ahead_ * 2, kReadAheadRecords) : 1;
    const std::int64_t count = std::min<std::int64_t>(read_ahead_, header_.total_records - n);
    buffer_.resize(static_cast<std::size_t>(count) * kRecordSize);
    const long got = file_->ReadAt(RecordOffset(n), buffer_);
    buffer_count_ = 0;
    if (got < static_cast<long>(kRecordSize)) return false;
    buffer_first_ = n;
    buffer_count_ = got / static_cast<long>(kRecordSize);
  }
  std::memcpy(out->data(), buffer_.data() + (n - buffer_first_) * static_cast<std::int64_t>(kRecordSize), kRecordSize);
  last_read_ = n;
  return true;
}

bool MonthFile::WriteRecord(std::int64_t n, const RecordBytes& bytes) {
  if (!damage_.empty()) return false;
  buffer_count_ = 0;  // keep reads coherent with what is on disk
  return file_->WriteAt(RecordOffset(n), bytes);
}

bool MonthFile::WriteRecords(std::int64_t n, std::span<const std::uint8_t> bytes) {
  if (bytes.size() % kRecordSize != 0 || !damage_.empty()) return false;
  buffer_count_ = 0;
  return file_->WriteAt(RecordOffset(n), bytes);
}

bool MonthFile::WriteHeader() {
  if (!header_dirty_) return true;
  if (!damage_.empty()) return false;
  if (!file_->WriteAt(0, EncodeHeader(header_))) return false;
  header_dirty_ = false;
  return true;
}

}  // namespace sq
