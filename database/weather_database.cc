#include "database/weather_database.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "resources/string_table.h"

namespace sq {
namespace {

constexpr std::uint32_t kMsgReadOnlyFile = 48800;

std::string Format(std::uint32_t id, const std::string& a, const std::string& b = {}) {
  std::string fmt(LoadString(id));
  std::string out;
  std::size_t arg = 0;
  for (std::size_t i = 0; i < fmt.size(); ++i) {
    if (fmt[i] == '%' && i + 1 < fmt.size() && fmt[i + 1] == 's') {
      out += arg++ == 0 ? a : b;
      ++i;
    } else {
      out += fmt[i];
    }
  }
  return out;
}

std::int16_t PackedTimeOf(const RecordBytes& rec) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(rec[4] | (rec[5] << 8)));
}

// Days since 1970-01-01 of a proleptic Gregorian date (any month/day overflow allowed).
std::int64_t DayNumber(int year, int month, int day) {
  const int y = year - (month <= 2 ? 1 : 0);
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int mp = (month + 9) % 12;
  const int doy = (153 * mp + 2) / 5 + day - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return static_cast<std::int64_t>(era) * 146097 + doe - 719468;
}

std::int64_t MinuteNumber(int year, int month, int day, int packed_time) {
  return DayNumber(year, month, day) * 1440 + packed_time;
}

std::string KeyText(std::int32_t key) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", key >> 16, (key >> 8) & 0xFF, key & 0xFF);
  return buf;
}

}  // namespace

WeatherDatabase::WeatherDatabase(FileSystem& fs) : fs_(fs) {}

WeatherDatabase::~WeatherDatabase() { CloseDatabase(); }

void WeatherDatabase::Fail(std::string message) { last_error_ = std::move(message); }

bool WeatherDatabase::CheckWritable() {
  if (!read_only_) return true;
  Fail("the database is open for reading only");
  return false;
}

bool WeatherDatabase::CheckMonthWritable() {
  if (!open_ || open_->damage().empty()) return true;
  Fail(open_->path() + " is damaged (" + open_->damage() + "); see 'stratoquill db check " + folder_ + "'");
  return false;
}

const HeaderBlock* WeatherDatabase::open_header() const { return open_ ? &open_->header() : nullptr; }

// ---------------------------------------------------------------- open and close

int WeatherDatabase::OpenDatabase(const std::string& folder, bool read_only) {
  CloseDatabase();
  folder_ = folder;
  read_only_ = read_only;
  return LoadDateList();
}

int WeatherDatabase::CloseDatabase() {
  CloseMonth();
  months_.clear();
  total_records_ = 0;
  dates_.Clear();
  current_day_ = 32;
  sequential_ = false;
  last_read_ = DateTime();
  first_date_ = DateTime();
  last_date_ = DateTime();
  first_known_ = false;
  newest_key_ = 0;
  newest_time_ = 0;
  return kDbOk;
}

int WeatherDatabase::LoadDateList() {
  const std::string folder = folder_;
  const bool read_only = read_only_;
  CloseDatabase();
  folder_ = folder;
  read_only_ = read_only;
  problems_.clear();

  std::vector<std::string> names;
  if (!fs_.List(folder_, &names)) {
    Fail("cannot list the folder " + folder_);
    return kDbError;
  }
  names.erase(std::remove_if(names.begin(), names.end(), [](const std::string& n) { return !IsMonthFileName(n); }),
              names.end());
  if (names.empty()) return kDbNoFiles;
  std::sort(names.begin(), names.end());

  std::int64_t running = 0;
  for (const std::string& name : names) {
    int year = 0, month = 0;
    (void)ParseMonthFileName(name, &year, &month);
    if (month < 1 || month > 12) {
      problems_.push_back({name, "the name holds no valid month"});
      continue;
    }
    if (!months_.empty() && months_.back().year == year && months_.back().month == month) {
      problems_.push_back({name, "a second file for the month of " + months_.back().file_name});
      continue;
    }
    if (OpenMonthFile(folder_, name, false) != kDbOk) {
      problems_.push_back({name, last_error_});
      continue;
    }
    const HeaderBlock& h = open_->header();
    if (!open_->damage().empty()) problems_.push_back({name, open_->path() + ": " + open_->damage(), true});
    if (running + h.total_records > std::numeric_limits<std::int32_t>::max()) {
      problems_.push_back({name, "the database would hold more records than can be numbered"});
      continue;
    }
    MonthEntry e;
    e.first_record = static_cast<std::int32_t>(running);
    e.last_record = static_cast<std::int32_t>(running + h.total_records - 1);
    e.summaries_before = static_cast<std::int32_t>(2 * dates_.size());
    for (int d = 1; d < kDayEntries; ++d) {
      if (h.day[d].records_in_day > 0) dates_.Add(PackDate(year, month, d));
    }
    e.summaries_through = static_cast<std::int32_t>(2 * dates_.size());
    e.year = static_cast<std::int16_t>(year);
    e.month = static_cast<std::int16_t>(month);
    e.file_name = name;
    e.damaged = !open_->damage().empty();
    months_.push_back(e);
    current_ = static_cast<int>(months_.size()) - 1;
    running += h.total_records;
  }
  total_records_ = static_cast<std::int32_t>(running);
  if (!months_.empty() && (!open_ || open_->path() != JoinPath(folder_, months_.back().file_name))) {
    current_ = -1;
    if (OpenEntry(static_cast<int>(months_.size()) - 1) != kDbOk) return kDbError;
  }
  if (months_.empty()) {
    CloseMonth();
  }
  return GetFirstAndLastDates();
}

int WeatherDatabase::OpenMonthFile(const std::string& folder, const std::string& file_name, bool create) {
  CloseMonth();
  const std::string path = JoinPath(folder, file_name);
  MonthFile::Status status = MonthFile::Status::kOk;
  std::string problem;
  std::unique_ptr<MonthFile> f = MonthFile::Open(fs_, path, !read_only_, &status, &problem);
  if (!f && status == MonthFile::Status::kNotFound && create && !read_only_) {
    f = MonthFile::Create(fs_, path, &status);
    if (!f) problem = "cannot create the file";
  }
  if (!f) {
    if (status == MonthFile::Status::kAccessDenied) {
      Fail(Format(kMsgReadOnlyFile, path));
    } else {
      Fail(path + ": " + problem);
    }
    return kDbError;
  }
  open_ = std::move(f);
  (void)ParseMonthFileName(file_name, &open_year_, &open_month_);
  current_day_ = 0;
  position_ = 0;
  sequential_ = false;
  return kDbOk;
}

int WeatherDatabase::OpenMonth(const std::string& file_name) { return OpenMonth(file_name, folder_); }

int WeatherDatabase::OpenMonth(const std::string& file_name, const std::string& folder) {
  if (OpenMonthFile(folder, file_name, true) != kDbOk) return kDbError;
  current_ = -1;
  if (folder == folder_) {
    for (std::size_t i = 0; i < months_.size(); ++i) {
      if (months_[i].file_name == file_name) current_ = static_cast<int>(i);
    }
  }
  return kDbOk;
}

int WeatherDatabase::FindMonth(int year, int month) const {
  for (std::size_t i = 0; i < months_.size(); ++i) {
    if (months_[i].year == year && months_[i].month == month) return static_cast<int>(i);
  }
  return -1;
}

int WeatherDatabase::FindMonthOfRecord(std::int32_t n) const {
  auto it = std::upper_bound(months_.begin(), months_.end(), n,
                             [](std::int32_t v, const MonthEntry& e) { return v < e.first_record; });
  if (it == months_.begin()) return -1;
  const int idx = static_cast<int>(it - months_.begin()) - 1;
  return n <= months_[idx].last_record ? idx : -1;
}

int WeatherDatabase::FindMonthOfArchive(std::int32_t a) const {
  for (std::size_t i = 0; i < months_.size(); ++i) {
    const MonthEntry& e = months_[i];
    if (e.first_record - e.summaries_before <= a && a <= e.last_record - e.summaries_through) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

int WeatherDatabase::OpenEntry(int index) {
  if (index < 0 || index >= month_count()) return kDbError;
  if (current_ == index && open_) return kDbOk;
  if (OpenMonthFile(folder_, months_[index].file_name, false) != kDbOk) {
    current_ = -1;
    return kDbError;
  }
  current_ = index;
  return kDbOk;
}

int WeatherDatabase::OpenMonth(std::int32_t record_number) {
  const int idx = FindMonthOfRecord(record_number);
  if (idx < 0) return kDbError;
  current_ = -1;  // reopen even when it is the open one
  return OpenEntry(idx);
}

int WeatherDatabase::OpenArchiveMonth(std::int32_t archive_number) {
  const int idx = FindMonthOfArchive(archive_number);
  if (idx < 0) return kDbError;
  current_ = -1;
  return OpenEntry(idx);
}

int WeatherDatabase::EnsureMonthOfRecord(std::int32_t n) {
  if (current_ >= 0 && open_ && months_[current_].first_record <= n && n <= months_[current_].last_record) {
    return kDbOk;
  }
  const int idx = FindMonthOfRecord(n);
  if (idx < 0) return kDbError;
  return OpenEntry(idx);
}

int WeatherDatabase::CreateNewMonth(const DateTime& date) {
  if (!CheckWritable()) return kDbError;
  if (date.month < 1 || date.month > 12) return kDbError;
  const int existing = FindMonth(date.year, date.month);
  if (existing >= 0) return OpenEntry(existing);
  const std::string name = MonthFileName(date.year, date.month);
  if (OpenMonthFile(folder_, name, true) != kDbOk) return kDbError;
  // Keep the table in date order; a new month holds no records yet, so the months
  // after it keep their numbers.
  auto it = std::find_if(months_.begin(), months_.end(), [&](const MonthEntry& e) {
    return e.year > date.year || (e.year == date.year && e.month > date.month);
  });
  MonthEntry e;
  if (it != months_.begin()) {
    const MonthEntry& prev = *(it - 1);
    e.first_record = prev.last_record + 1;
    e.summaries_before = prev.summaries_through;
  }
  e.last_record = e.first_record - 1;
  e.summaries_through = e.summaries_before;
  e.year = date.year;
  e.month = date.month;
  e.file_name = name;
  it = months_.insert(it, e);
  current_ = static_cast<int>(it - months_.begin());
  if (open_->total_records() != 0) {
    // An existing file that was not part of the table: it must not be appended to
    // blindly, since its records are not numbered.
    months_.erase(it);
    current_ = -1;
    CloseMonth();
    Fail(JoinPath(folder_, name) + ": the file already holds records that are not in the database");
    return kDbError;
  }
  return kDbOk;
}

int WeatherDatabase::CloseMonth() {
  if (open_) {
    if (!open_->WriteHeader()) Fail(open_->path() + ": the header could not be written");
    open_.reset();
  }
  current_ = -1;
  return kDbOk;
}

int WeatherDatabase::Flush() {
  if (!open_) return kDbError;
  if (!open_->WriteHeader()) {
    Fail(open_->path() + ": the header could not be written");
    return kDbError;
  }
  return kDbOk;
}

int WeatherDatabase::Sync() {
  if (Flush() != kDbOk) return kDbError;
  return open_->Sync() ? kDbOk : kDbError;
}

// ---------------------------------------------------------------- positioning

int WeatherDatabase::Goto(std::int32_t local_record) {
  if (!open_ || local_record < 0 || local_record > open_->total_records()) return kDbError;
  position_ = local_record;
  sequential_ = false;
  return kDbOk;
}

std::int32_t WeatherDatabase::Goto(int month, int day, int year, bool archive) {
  sequential_ = false;
  int idx = current_;
  if (!(idx >= 0 && open_ && months_[idx].year == year && months_[idx].month == month)) {
    idx = FindMonth(year, month);
    if (idx < 0) return kDbNoMonth;
    if (OpenEntry(idx) != kDbOk) return kDbError;
  }
  if (day < 1 || day > 31) return kDbNoDay;
  const HeaderBlock& h = open_->header();
  const DayIndexEntry& e = h.day[day];
  if (e.records_in_day <= 0) return kDbNoDay;
  position_ = e.start_position;
  std::int32_t result = months_[idx].first_record + e.start_position;
  if (archive) {
    std::int32_t c = months_[idx].summaries_before;
    for (int d = 1; d < day; ++d) {
      if (h.day[d].records_in_day > 0) c += 2;
    }
    if (c > 0) c += 1;
    result -= c;
  }
  return result;
}

int WeatherDatabase::GotoDay(int month, int day, int year) {
  const std::int32_t r = Goto(month, day, year, false);
  if (r < 0) return r;
  return open_->header().day[day].records_in_day;
}

int WeatherDatabase::GetStartEndRecNo(const DateTime& date, std::int32_t* start, std::int32_t* end) {
  const std::int32_t r = Goto(date.month, date.day, date.year, false);
  if (r < 0) return kDbError;
  *start = r;
  *end = r + open_->header().day[date.day].records_in_day - 1;
  return kDbOk;
}

// ---------------------------------------------------------------- reading

void WeatherDatabase::SetLastRead(int day, const RecordBytes& rec, bool sequential) {
  if (day < 1 || day > 31) {
    last_read_ = DateTime();
    return;
  }
  // A scan reads many records of one day: rebuild the date only when it changes.
  if (!(last_read_.valid && last_read_.day == day && last_read_.month == open_month_ &&
        last_read_.year == open_year_)) {
    last_read_ = DateTime(open_month_, day, open_year_);
  }
  DateTime& dt = last_read_;
  if (rec[0] == kRecordTypeArchive) {
    dt.packed_time = PackedTimeOf(rec);
    if (sequential && dt.packed_time == 1440) {
      dt.packed_time = 0;
      ++dt;
    }
    dt.hour = static_cast<std::int16_t>(dt.packed_time / 60);
    dt.minute = static_cast<std::int16_t>(dt.packed_time % 60);
  } else {
    dt.packed_time = sequential ? 0 : -1;
    dt.hour = 0;
    dt.minute = 0;
  }
}

int WeatherDatabase::GetRecord(RecordBytes* out) {
  if (!open_) return kDbError;
  // The header's record count, not the file length, ends the month: bytes behind the
  // last record are stale.
  if (position_ >= open_->total_records()) return kDbNoDay;
  if (!open_->ReadRecord(position_, out)) return kDbError;
  const std::int64_t r = position_++;
  const HeaderBlock& h = open_->header();
  auto holds = [&](int d) {
    const DayIndexEntry& e = h.day[d];
    return e.records_in_day > 0 && e.start_position <= r && r < e.start_position + std::int64_t{e.records_in_day};
  };
  int day = 32;
  const int from = (sequential_ && current_day_ >= 1 && current_day_ <= 31) ? current_day_ : 1;
  for (int d = from; d < kDayEntries && day == 32; ++d) {
    if (holds(d)) day = d;
  }
  for (int d = 1; d < from && day == 32; ++d) {
    if (holds(d)) day = d;
  }
  current_day_ = day;
  SetLastRead(day, *out, true);
  sequential_ = true;
  return kDbOk;
}

int WeatherDatabase::GetRecord(RecordBytes* out, std::int32_t record_number) {
  sequential_ = false;
  if (EnsureMonthOfRecord(record_number) != kDbOk) return kDbError;
  const std::int64_t local = record_number - months_[current_].first_record;
  if (!open_->ReadRecord(local, out)) return kDbError;
  position_ = local + 1;
  current_day_ = DayOfRecord(open_->header(), local);
  SetLastRead(current_day_, *out, false);
  return kDbOk;
}

std::int64_t WeatherDatabase::LocalOfArchive(std::int32_t archive_number, int* day) const {
  const MonthEntry& m = months_[current_];
  const std::int64_t a = std::int64_t{archive_number} - (m.first_record - m.summaries_before);
  if (a < 0) return -1;
  std::int64_t r = a + 2;
  const HeaderBlock& h = open_->header();
  for (int d = 1; d < kDayEntries; ++d) {
    const DayIndexEntry& e = h.day[d];
    if (e.records_in_day <= 0) continue;
    if (r >= e.start_position + std::int64_t{e.records_in_day}) {
      r += 2;
    } else {
      *day = d;
      return r < h.total_records ? r : -1;
    }
  }
  return -1;
}

int WeatherDatabase::GetArchiveRecord(RecordBytes* out, std::int32_t archive_number) {
  sequential_ = false;
  const bool held = current_ >= 0 && open_ &&
                    months_[current_].first_record - months_[current_].summaries_before <= archive_number &&
                    archive_number <= months_[current_].last_record - months_[current_].summaries_through;
  if (!held && OpenEntry(FindMonthOfArchive(archive_number)) != kDbOk) return kDbError;
  int day = 32;
  const std::int64_t r = LocalOfArchive(archive_number, &day);
  if (r < 0 || !open_->ReadRecord(r, out)) return kDbError;
  position_ = r + 1;
  current_day_ = day;
  SetLastRead(day, *out, false);
  return kDbOk;
}

int WeatherDatabase::GetDateLastRead(DateTime* out) const {
  *out = last_read_;
  return last_read_.valid ? 1 : 0;
}

std::int32_t WeatherDatabase::ConvertRecNoToArchiveRecNo(std::int32_t n) {
  if (EnsureMonthOfRecord(n) != kDbOk) return kDbError;
  const MonthEntry& m = months_[current_];
  const HeaderBlock& h = open_->header();
  std::int64_t c = m.summaries_before;
  for (int d = 1; d < kDayEntries; ++d) {
    const DayIndexEntry& e = h.day[d];
    if (e.records_in_day <= 0) continue;
    c += 2;
    const std::int64_t day_first = std::int64_t{m.first_record} + e.start_position;
    if (n < day_first + e.records_in_day) {
      const std::int64_t k = n - day_first;
      if (k < 2) c -= 2 - std::max<std::int64_t>(k, 0);
      break;
    }
  }
  return static_cast<std::int32_t>(n - c);
}

std::int32_t WeatherDatabase::NumberOfDataRecords() const {
  if (months_.empty()) return 0;
  return std::max<std::int32_t>(0, total_records_ - months_.back().summaries_through);
}

std::int32_t WeatherDatabase::GetClosestArchive(const DateTime& when) {
  const std::int32_t total = NumberOfDataRecords();
  if (total <= 0) return kDbError;
  const std::int32_t key = dates_.FirstFrom(PackDate(when.year, when.month, when.day));
  if (key == 0) return total - 1;  // after the last day with data
  const std::int32_t r = Goto((key >> 8) & 0xFF, key & 0xFF, key >> 16, false);
  if (r < 0) return kDbError;
  std::int32_t i = ConvertRecNoToArchiveRecNo(r);
  if (i < 0) return kDbError;
  const std::int64_t target = MinuteNumber(when.year, when.month, when.day, when.packed_time);
  RecordBytes rec;
  auto minutes_of = [&](std::int32_t a, std::int64_t* minutes) {
    if (GetArchiveRecord(&rec, a) != kDbOk) return -1;
    if (rec[0] != kRecordTypeArchive) return 0;
    *minutes = MinuteNumber(open_year_, open_month_, current_day_, PackedTimeOf(rec));
    return 1;
  };
  bool have_previous = false;
  std::int64_t previous = 0;
  std::int64_t at = 0;
  bool found = false;
  for (; i < total; ++i) {
    const int got = minutes_of(i, &at);
    if (got < 0) return kDbError;
    if (got == 0) continue;
    if (at >= target) {
      found = true;
      break;
    }
    previous = at;
    have_previous = true;
  }
  if (!found) return total - 1;
  // The record before the first one at or after the target may lie on an earlier day.
  if (!have_previous && i > 0) {
    const int got = minutes_of(i - 1, &previous);
    if (got < 0) return kDbError;
    have_previous = got > 0;
  }
  if (have_previous && target - previous < at - target) return i - 1;
  return i;
}

// ---------------------------------------------------------------- writing

void WeatherDatabase::ShiftLaterMonths(int index, std::int32_t records, std::int32_t summaries) {
  for (std::size_t j = static_cast<std::size_t>(index) + 1; j < months_.size(); ++j) {
    months_[j].first_record += records;
    months_[j].last_record += records;
    months_[j].summaries_before += summaries;
    months_[j].summaries_through += summaries;
  }
}

int WeatherDatabase::AppendRecord(const RecordBytes& record, DateTime date) {
  if (!CheckWritable()) return kDbError;
  if (date.day < 1 || date.day > 31 || date.month < 1 || date.month > 12) {
    Fail("the record's date is not a valid date");
    return kDbError;
  }
  if (date.packed_time == 0) {
    date.valid = 1;
    --date;  // midnight ends the previous day
  }
  const std::int32_t key = PackDate(date.year, date.month, date.day);
  const int time = PackedTimeOf(record);
  if (total_records_ > 0 &&
      (key < newest_key_ || (key == newest_key_ && record[0] == kRecordTypeArchive && time <= newest_time_))) {
    Fail("the record of " + KeyText(key) + " is not newer than the newest stored record (" + KeyText(newest_key_) +
         "); it was not appended");
    return kDbError;
  }
  const std::int32_t r = Goto(date.month, date.day, date.year, false);
  if (r == kDbError) return kDbError;
  if (r == kDbNoMonth) {
    const bool later = months_.empty() || date.year > months_.back().year ||
                       (date.year == months_.back().year && date.month > months_.back().month);
    if (!later) {
      Fail("the month of " + KeyText(key) + " lies before the newest month; the record was not appended");
      return kDbError;
    }
    if (CreateNewMonth(date) != kDbOk) return kDbError;
  }
  for (std::size_t j = static_cast<std::size_t>(current_) + 1; j < months_.size(); ++j) {
    if (months_[j].record_count() > 0) {
      Fail("a later month already holds records; the record of " + KeyText(key) + " was not appended");
      return kDbError;
    }
  }
  if (!CheckMonthWritable()) return kDbError;
  const HeaderBlock& h = open_->header();
  for (int d = date.day + 1; d < kDayEntries; ++d) {
    if (h.day[d].records_in_day > 0) {
      Fail("a later day of the month already holds records; the record of " + KeyText(key) + " was not appended");
      return kDbError;
    }
  }
  if (h.day[date.day].records_in_day >= std::numeric_limits<std::int16_t>::max() ||
      total_records_ == std::numeric_limits<std::int32_t>::max()) {
    Fail("the day " + KeyText(key) + " cannot hold more records");
    return kDbError;
  }
  const std::int32_t local = open_->total_records();
  if (!open_->WriteRecord(local, record)) {
    Fail(open_->path() + ": the record could not be written");
    return kDbError;
  }
  // The record is on disk behind the last one; from here on only memory changes.
  MonthEntry& e = months_[current_];
  HeaderBlock& mh = open_->mutable_header();
  DayIndexEntry& day = mh.day[date.day];
  const bool new_day = day.records_in_day == 0;
  if (new_day) {
    day.start_position = local;
    dates_.Add(key);
    e.summaries_through += 2;
  }
  e.last_record += 1;
  ShiftLaterMonths(current_, 1, new_day ? 2 : 0);
  mh.total_records += 1;
  day.records_in_day = static_cast<std::int16_t>(day.records_in_day + 1);
  total_records_ += 1;
  NoteNewest(key, record);
  return kDbOk;
}

void WeatherDatabase::NoteNewest(std::int32_t key, const RecordBytes& rec) {
  if (key != newest_key_) newest_time_ = 0;
  newest_key_ = key;
  if (rec[0] == kRecordTypeArchive) newest_time_ = std::max(newest_time_, static_cast<int>(PackedTimeOf(rec)));
  DateTime last(static_cast<int>((key >> 8) & 0xFF), static_cast<int>(key & 0xFF), static_cast<int>(key >> 16));
  last.packed_time = rec[0] == kRecordTypeArchive ? PackedTimeOf(rec) : -1;
  if (last.packed_time >= 0) last.UnpackTime();
  last_date_ = last;
  if (!first_known_ && rec[0] == kRecordTypeArchive) {
    first_date_ = last;
    first_known_ = true;
  }
}

int WeatherDatabase::EditRecord(const RecordBytes& record, std::int32_t record_number) {
  if (!CheckWritable()) return kDbError;
  if (EnsureMonthOfRecord(record_number) != kDbOk || !CheckMonthWritable()) return kDbError;
  if (!open_->WriteRecord(record_number - months_[current_].first_record, record)) {
    Fail(open_->path() + ": the record could not be written");
    return kDbError;
  }
  return kDbOk;
}

int WeatherDatabase::EditRecords(const std::vector<RecordBytes>& records, std::int32_t record_number) {
  if (records.empty()) return kDbOk;
  if (!CheckWritable()) return kDbError;
  if (EnsureMonthOfRecord(record_number) != kDbOk || !CheckMonthWritable()) return kDbError;
  const MonthEntry& m = months_[current_];
  const std::int64_t last = static_cast<std::int64_t>(record_number) + static_cast<std::int64_t>(records.size()) - 1;
  if (last > m.last_record) {
    Fail(open_->path() + ": the records to rewrite run past the end of the month");
    return kDbError;
  }
  std::vector<std::uint8_t> bytes;
  bytes.reserve(records.size() * kRecordSize);
  for (const RecordBytes& r : records) bytes.insert(bytes.end(), r.begin(), r.end());
  if (!open_->WriteRecords(record_number - m.first_record, bytes)) {
    Fail(open_->path() + ": the records could not be written");
    return kDbError;
  }
  return kDbOk;
}

int WeatherDatabase::EditArchiveRecord(const RecordBytes& record, std::int32_t archive_number) {
  if (!CheckWritable()) return kDbError;
  RecordBytes old;
  if (GetArchiveRecord(&old, archive_number) != kDbOk) return kDbError;
  return EditRecord(record, months_[current_].first_record + static_cast<std::int32_t>(position_ - 1));
}

bool WeatherDatabase::RewriteOpenMonth(std::int64_t first, std::int64_t count, const HeaderBlock& header) {
  if (!CheckMonthWritable()) return false;
  const std::string path = open_->path();
  const std::string tmp = path + ".tmp";
  {
    std::unique_ptr<File> out = fs_.Create(tmp, kModeAnyone);
    if (!out) {
      Fail(tmp + ": cannot create the file");
      return false;
    }
    bool ok = out->WriteAt(0, EncodeHeader(header));
    constexpr std::size_t kChunk = 256;
    std::vector<std::uint8_t> chunk;
    chunk.reserve(kChunk * kRecordSize);
    std::int64_t dst = 0;
    const std::int64_t total = open_->total_records();
    RecordBytes rec;
    auto flush = [&] {
      if (!chunk.empty() && ok) {
        ok = out->WriteAt(RecordOffset(dst), chunk);
        dst += static_cast<std::int64_t>(chunk.size() / kRecordSize);
      }
      chunk.clear();
    };
    for (std::int64_t src = 0; src < total && ok; ++src) {
      if (src >= first && src < first + count) continue;
      if (!open_->ReadRecord(src, &rec)) {
        ok = false;
        break;
      }
      chunk.insert(chunk.end(), rec.begin(), rec.end());
      if (chunk.size() == kChunk * kRecordSize) flush();
    }
    flush();
    ok = ok && out->Sync();
    if (!ok) {
      Fail(tmp + ": the compacted month could not be written");
      out.reset();
      (void)fs_.Remove(tmp);
      return false;
    }
  }
  if (!fs_.Rename(tmp, path)) {
    Fail(path + ": the compacted month could not replace the old file");
    (void)fs_.Remove(tmp);
    return false;
  }
  (void)fs_.SyncFolder(folder_);
  const int index = current_;
  open_.reset();
  current_ = -1;
  if (OpenEntry(index) != kDbOk) {
    // The new file is in place; the next operation reopens it.
    current_ = -1;
  }
  return true;
}

int WeatherDatabase::DeleteRecord(std::int32_t record_number) {
  if (!CheckWritable()) return kDbError;
  RecordBytes rec;
  if (GetRecord(&rec, record_number) != kDbOk || !CheckMonthWritable()) return kDbError;
  const int index = current_;
  const MonthEntry e = months_[index];
  if (e.record_count() == 1) return DeleteMonth(e.month, e.year);
  const std::int64_t local = record_number - e.first_record;
  HeaderBlock h = open_->header();
  const int d = DayOfRecord(h, local);
  bool day_emptied = false;
  if (d <= 31) {
    h.day[d].records_in_day = static_cast<std::int16_t>(h.day[d].records_in_day - 1);
    if (h.day[d].records_in_day == 0) {
      h.day[d].start_position = 0;
      day_emptied = true;
    }
  }
  for (int dd = 1; dd < kDayEntries; ++dd) {
    if (h.day[dd].records_in_day > 0 && h.day[dd].start_position > local) h.day[dd].start_position -= 1;
  }
  h.total_records -= 1;
  if (!RewriteOpenMonth(local, 1, h)) return kDbError;
  MonthEntry& m = months_[index];
  m.last_record -= 1;
  if (day_emptied) {
    (void)dates_.Delete(PackDate(e.year, e.month, d));
    m.summaries_through -= 2;
  }
  ShiftLaterMonths(index, -1, day_emptied ? -2 : 0);
  total_records_ -= 1;
  return GetFirstAndLastDates();
}

int WeatherDatabase::DeleteArchiveRecord(std::int32_t archive_number) {
  if (!CheckWritable()) return kDbError;
  RecordBytes rec;
  if (GetArchiveRecord(&rec, archive_number) != kDbOk) return kDbError;
  return DeleteRecord(months_[current_].first_record + static_cast<std::int32_t>(position_ - 1));
}

int WeatherDatabase::DeleteDay(int month, int day, int year) {
  if (!CheckWritable()) return kDbError;
  const std::int32_t r = Goto(month, day, year, false);
  if (r < 0) return r;
  if (!CheckMonthWritable()) return kDbError;
  const int index = current_;
  HeaderBlock h = open_->header();
  const std::int32_t k = h.day[day].records_in_day;
  const std::int32_t start = h.day[day].start_position;
  if (h.total_records - k == 0) return DeleteMonth(month, year);
  h.total_records -= k;
  h.day[day] = DayIndexEntry{};
  for (int d = 1; d < kDayEntries; ++d) {
    if (h.day[d].records_in_day > 0 && h.day[d].start_position > start) h.day[d].start_position -= k;
  }
  if (!RewriteOpenMonth(start, k, h)) return kDbError;
  (void)dates_.Delete(PackDate(year, month, day));
  months_[index].last_record -= k;
  months_[index].summaries_through -= 2;
  ShiftLaterMonths(index, -k, -2);
  total_records_ -= k;
  return GetFirstAndLastDates();
}

int WeatherDatabase::DeleteMonth(int month, int year) {
  if (!CheckWritable()) return kDbError;
  const int index = FindMonth(year, month);
  const std::string name = index >= 0 ? months_[index].file_name : MonthFileName(year, month);
  CloseMonth();
  if (!fs_.Remove(JoinPath(folder_, name))) {
    Fail(JoinPath(folder_, name) + ": the file could not be removed");
    return kDbError;
  }
  (void)fs_.SyncFolder(folder_);
  if (index >= 0) {
    const MonthEntry e = months_[index];
    const std::int32_t summaries = e.summaries_through - e.summaries_before;
    ShiftLaterMonths(index, -e.record_count(), -summaries);
    months_.erase(months_.begin() + index);
    total_records_ -= e.record_count();
    dates_.DeleteMonth(year, month);
  }
  return GetFirstAndLastDates();
}

int WeatherDatabase::DeleteYear(int year) {
  if (!CheckWritable()) return kDbError;
  for (std::size_t i = 0; i < months_.size();) {
    if (months_[i].year == year) {
      if (DeleteMonth(months_[i].month, year) != kDbOk) return kDbError;
      i = 0;
    } else {
      ++i;
    }
  }
  return kDbOk;
}

// ---------------------------------------------------------------- first and last dates

int WeatherDatabase::GetFirstAndLastDates() {
  first_known_ = false;
  if (total_records_ <= 0) {
    first_date_ = DateTime(1, 1, 1900);
    last_date_ = DateTime(1, 1, 1900);
    newest_key_ = 0;
    newest_time_ = 0;
    return kDbOk;
  }
  // Walk the days' ranges: records between or behind them belong to no day.
  RecordBytes rec;
  bool found = false;
  for (std::size_t i = 0; i < months_.size() && !found; ++i) {
    if (months_[i].record_count() <= 0) continue;
    if (OpenEntry(static_cast<int>(i)) != kDbOk) return kDbError;
    const HeaderBlock h = open_->header();
    for (int d = 1; d < kDayEntries && !found; ++d) {
      const DayIndexEntry& e = h.day[d];
      for (std::int32_t k = 0; k < e.records_in_day && !found; ++k) {
        if (GetRecord(&rec, months_[i].first_record + e.start_position + k) != kDbOk) return kDbError;
        if (rec[0] == kRecordTypeArchive) {
          first_date_ = last_read_;
          found = true;
          first_known_ = true;
        }
      }
    }
  }
  if (!found) first_date_ = DateTime(1, 1, 1900);
  return SetLastDate();
}

int WeatherDatabase::SetLastDate() {
  if (total_records_ <= 0) {
    last_date_ = DateTime(1, 1, 1900);
    return kDbOk;
  }
  RecordBytes rec;
  if (GetRecord(&rec, total_records_ - 1) != kDbOk) return kDbError;
  const DateTime last = last_read_;
  if (last.valid) {
    newest_key_ = last.GetPackedDate();
    // The append check compares with the latest time of the whole day: a damaged last
    // record must not let older records in again.
    newest_time_ = 0;
    for (std::int32_t n = total_records_ - 1; n >= 0; --n) {
      if (GetRecord(&rec, n) != kDbOk) return kDbError;
      if (!last_read_.valid || last_read_.GetPackedDate() != newest_key_) break;
      const int t = PackedTimeOf(rec);
      if (rec[0] == kRecordTypeArchive && t >= 1 && t <= 1440) newest_time_ = std::max(newest_time_, t);
    }
  }
  last_date_ = last;
  return kDbOk;
}

}  // namespace sq
