// A station's month files seen as one database.
//
// Two numberings address records across all months: the record number counts every
// record (two daily summaries and the archive records of each day with data), the
// archive number counts archive records only. Both run over the months in date order.
// The month table and the date list live in memory only and are rebuilt from the file
// headers at every open; opening reads nothing but the headers and never writes.
//
// One month file is open at a time. Results are integers: 0 success, -1 failure, and
// the other negative codes documented per operation (kNoMonth, kNoDay, kNoFiles).
//
// Data safety (see FORMAT.md for the write orders):
//  - an append writes the record behind the last one and changes the header only in
//    memory; the record counts as stored once the header is written by Flush, Sync,
//    CloseMonth or CloseDatabase (a crash before that loses only unflushed records);
//  - an edit is one in-place record write;
//  - a deletion writes the compacted month under a temporary name and renames it over
//    the old file, so every month file is either the old or the new one.
// One process writes a station's database at a time (see WriterLock); readers take no
// lock and see the state of the headers at their open.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "database/data_record.h"
#include "database/date_list.h"
#include "database/month_file.h"
#include "foundation/date_time.h"
#include "foundation/file_system.h"

namespace sq {

inline constexpr int kDbOk = 0;
inline constexpr int kDbError = -1;
inline constexpr int kDbNoDay = -2;    // Goto: the day has no data
inline constexpr int kDbNoFiles = -2;  // LoadDateList: the folder holds no month file
inline constexpr int kDbNoMonth = -5;  // Goto: the month is not in the database

struct MonthEntry {
  std::int32_t first_record = 0;       // record number of the month's record 0
  std::int32_t last_record = -1;       // first_record + records - 1 (first - 1 when empty)
  std::int32_t summaries_before = 0;   // 2 x days with data in all earlier months
  std::int32_t summaries_through = 0;  // 2 x days with data up to and including this month
  std::int16_t year = 0;
  std::int16_t month = 0;
  std::string file_name;  // as found in the folder (the extension's case kept)
  bool damaged = false;   // its record count is damaged: read through its days only, never written

  [[nodiscard]] std::int32_t record_count() const { return last_record - first_record + 1; }
};

// A month file that could not be used, and why. A file whose header miscounts its
// records is still read through its days (`used`); the others are left out.
struct MonthProblem {
  std::string file_name;
  std::string message;
  bool used = false;
};

class WeatherDatabase {
 public:
  explicit WeatherDatabase(FileSystem& fs = DefaultFileSystem());
  ~WeatherDatabase();
  WeatherDatabase(const WeatherDatabase&) = delete;
  WeatherDatabase& operator=(const WeatherDatabase&) = delete;

  // Opens the database of `folder`: 0, -1, or -2 when the folder holds no month file.
  // A read-only database opens its files for reading only and refuses every change.
  [[nodiscard]] int OpenDatabase(const std::string& folder, bool read_only = false);
  int CloseDatabase();
  [[nodiscard]] int LoadDateList();

  // Opens a month file of the folder by name, creating it (empty) when it is missing.
  [[nodiscard]] int OpenMonth(const std::string& file_name);
  [[nodiscard]] int OpenMonth(const std::string& file_name, const std::string& folder);
  // Opens the month holding a record number / an archive number.
  [[nodiscard]] int OpenMonth(std::int32_t record_number);
  [[nodiscard]] int OpenArchiveMonth(std::int32_t archive_number);
  // Opens or creates the file of the date's month and adds it to the end of the table.
  [[nodiscard]] int CreateNewMonth(const DateTime& date);
  int CloseMonth();
  // Writes the open month's header, which makes the records appended so far stored.
  [[nodiscard]] int Flush();
  // Flush, then force the month file to disk.
  [[nodiscard]] int Sync();

  // Positions the open month at its record `local_record`.
  [[nodiscard]] int Goto(std::int32_t local_record);
  // Positions at the first record of a day; returns its record number (with `archive`
  // set: the archive numbering the browser uses), or kNoMonth, kNoDay, -1.
  [[nodiscard]] std::int32_t Goto(int month, int day, int year, bool archive = false);
  // As Goto, but returns the day's record count, summaries included.
  [[nodiscard]] int GotoDay(int month, int day, int year);
  [[nodiscard]] int GetStartEndRecNo(const DateTime& date, std::int32_t* start, std::int32_t* end);

  // Sequential read of the next record of the open month: 0, -2 after its last record, -1.
  [[nodiscard]] int GetRecord(RecordBytes* out);
  // Random read by record number / archive number: 0 or -1.
  [[nodiscard]] int GetRecord(RecordBytes* out, std::int32_t record_number);
  [[nodiscard]] int GetArchiveRecord(RecordBytes* out, std::int32_t archive_number);
  // Date and time of the record last read: 1 when there is one, else 0 (out invalid).
  [[nodiscard]] int GetDateLastRead(DateTime* out) const;

  [[nodiscard]] std::int32_t ConvertRecNoToArchiveRecNo(std::int32_t record_number);
  [[nodiscard]] std::int32_t NumberOfDataRecords() const;
  // Archive number of the archive record nearest in time (the later one on a tie; the
  // first / last record for a time before / after all of them); -1 on failure.
  [[nodiscard]] std::int32_t GetClosestArchive(const DateTime& when);

  // Appends a record to the day of `date` (a time of 00:00 belongs to the previous day).
  // Refused with -1, changing nothing, when it would break the day layout: a record
  // older than the newest stored one, or a month before the newest month.
  [[nodiscard]] int AppendRecord(const RecordBytes& record, DateTime date);
  [[nodiscard]] int EditRecord(const RecordBytes& record, std::int32_t record_number);
  // Rewrites the consecutive records from `record_number` on in one write; they must all
  // lie in one month. Used by recomputations that change a whole day.
  [[nodiscard]] int EditRecords(const std::vector<RecordBytes>& records, std::int32_t record_number);
  [[nodiscard]] int EditArchiveRecord(const RecordBytes& record, std::int32_t archive_number);

  [[nodiscard]] int DeleteRecord(std::int32_t record_number);
  [[nodiscard]] int DeleteArchiveRecord(std::int32_t archive_number);
  [[nodiscard]] int DeleteDay(int month, int day, int year);
  [[nodiscard]] int DeleteMonth(int month, int year);
  [[nodiscard]] int DeleteYear(int year);

  [[nodiscard]] int GetFirstAndLastDates();
  [[nodiscard]] int SetLastDate();

  // State for callers and the commands.
  [[nodiscard]] const std::string& folder() const { return folder_; }
  [[nodiscard]] const std::vector<MonthEntry>& months() const { return months_; }
  [[nodiscard]] int month_count() const { return static_cast<int>(months_.size()); }
  [[nodiscard]] int current_month() const { return current_; }
  [[nodiscard]] int current_day() const { return current_day_; }
  [[nodiscard]] std::int32_t total_records() const { return total_records_; }
  [[nodiscard]] const DateList& date_list() const { return dates_; }
  [[nodiscard]] const DateTime& first_date() const { return first_date_; }
  [[nodiscard]] const DateTime& last_date() const { return last_date_; }
  // Month files left out or damaged at the last open, with the reason.
  [[nodiscard]] const std::vector<MonthProblem>& problems() const { return problems_; }
  // The open month's header (nullptr when none is open).
  [[nodiscard]] const HeaderBlock* open_header() const;
  // Text of the last refused or failed operation, for messages.
  [[nodiscard]] const std::string& last_error() const { return last_error_; }

 private:
  int OpenMonthFile(const std::string& folder, const std::string& file_name, bool create);
  int FindMonth(int year, int month) const;
  int FindMonthOfRecord(std::int32_t record_number) const;
  int FindMonthOfArchive(std::int32_t archive_number) const;
  int OpenEntry(int index);
  int EnsureMonthOfRecord(std::int32_t record_number);
  // Local record number of an archive number in the open month (-1 when none); sets *day.
  std::int64_t LocalOfArchive(std::int32_t archive_number, int* day) const;
  void SetLastRead(int day, const RecordBytes& rec, bool sequential);
  bool CheckWritable();
  // False (with the message) when the open month is damaged and must not change.
  bool CheckMonthWritable();
  // Rewrites the open month without its records [first, first + count) and with
  // `header` as its new header, through a temporary file renamed over the old one.
  bool RewriteOpenMonth(std::int64_t first, std::int64_t count, const HeaderBlock& header);
  void ShiftLaterMonths(int index, std::int32_t records, std::int32_t summaries);
  void Fail(std::string message);
  void NoteNewest(std::int32_t date_key, const RecordBytes& rec);
  void FindNewest();

  FileSystem& fs_;
  std::string folder_;
  bool read_only_ = false;
  std::vector<MonthEntry> months_;
  std::unique_ptr<MonthFile> open_;
  int open_year_ = 0;  // year and month of the open file, from its name
  int open_month_ = 0;
  int current_ = -1;
  int current_day_ = 32;
  std::int64_t position_ = 0;  // next local record for the sequential read
  bool sequential_ = false;
  std::int32_t total_records_ = 0;
  DateList dates_;
  DateTime first_date_;
  DateTime last_date_;
  DateTime last_read_;
  // Day and time of the newest stored record, for the append check (time 0 when the
  // day's last record is a summary).
  bool first_known_ = false;  // first_date_ holds a stored archive record's date
  std::int32_t newest_key_ = 0;
  int newest_time_ = 0;
  std::vector<MonthProblem> problems_;
  std::string last_error_;
};

}  // namespace sq
