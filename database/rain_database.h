// RainDatabase: the station's long-term rain history, "rain.db" in the station folder,
// one text line per year with the twelve monthly totals in inches:
//
//   2025<TAB>1.000<TAB>-1.000<TAB>...<TAB>0.250\n      (year, January .. December)
//
// A negative amount means the month has no value (written as -1.000). The year total is
// not stored; it is the sum of the months that have a value. The reader treats the file
// as outside input: a line is a year line only when it is at most 147 characters and
// every one of its thirteen fields is wholly a number (a year in 1..9999 and twelve
// amounts; "1,750" is not a number); non-finite and absurd amounts count as none. Every
// other line (a comment, a damaged line) is kept as it is and written back after the
// year line it followed, so a save never drops what the reader did not understand.
// A file that cannot be read whole (larger than kMaxRainDbBytes, unreadable) is never
// written over: the database reports it and refuses to save.
//
// Amounts handed in and out through Change, GetMonthRain, PutMonthRain and AddRainRec
// are in the user's rain unit; Put takes inches from records and summaries. Months are
// numbered 0..11; statistic columns 0..11 are the months and 12 the year.
//
// Results: 0 success, -1 failure.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/date_time.h"

namespace sq {

class WeatherDataObject;
class DailySummaryObject;

inline constexpr char kRainDbFileName[] = "rain.db";
inline constexpr std::size_t kMaxRainDbBytes = 4 * 1024 * 1024;
inline constexpr std::size_t kRainDbLineMax = 147;  // characters before the newline
inline constexpr int kRainColumns = 13;             // 12 months and the year

struct RainRecord {
  std::int32_t year = 0;
  std::array<float, 12> month{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};  // inches, < 0 none
  float year_total = 0.0f;                                                      // sum of the months that have a value

  void RecomputeTotal();
  [[nodiscard]] bool Complete() const;  // every month has a value
};

// A line of rain.db that is not a year line, and the year of the year line before it
// (0 at the top of the file).
struct RainKeptLine {
  std::int32_t after_year = 0;
  std::string text;
};

// Parses the text of a rain.db file into records sorted by year (a later line for a year
// already read replaces it); the other lines go to `kept` when given.
[[nodiscard]] std::vector<RainRecord> ParseRainDb(std::string_view text, std::vector<RainKeptLine>* kept = nullptr);
// The file text of `records`, with the `kept` lines after the years they followed.
[[nodiscard]] std::string FormatRainDb(std::span<const RainRecord> records, std::span<const RainKeptLine> kept = {});

class RainDatabase {
 public:
  RainDatabase() { records_.reserve(50); }
  ~RainDatabase() = default;
  RainDatabase(const RainDatabase&) = delete;
  RainDatabase& operator=(const RainDatabase&) = delete;

  // Reads folder/rain.db. A missing file leaves the database empty and not open (-1);
  // its path is still kept, so a later Save or Close creates it. A file that exists but
  // cannot be read whole also answers -1 and marks the database unreadable (see
  // unreadable() and error()): it is then never saved over.
  [[nodiscard]] int Open(const std::string& folder);
  // Writes every year and the kept lines (atomically: the old or the new file survives
  // a crash). -1 when the write fails or the file could not be read at Open.
  [[nodiscard]] int Save();
  // Saves when open or changed since the last save, then empties the list.
  int Close();

  // Adds an archive record's rain to its month of its year (none when it has no rain).
  void Put(const WeatherDataObject& record);
  // Adds a finished day's rain total to its month.
  void Put(const DailySummaryObject& summary);
  // Adds `inches` to the month of `date`, creating the year when needed.
  void AddRain(const DateTime& date, double inches);
  // Adds `amount` (user's unit) to an existing month value; -1 when the year or month has
  // no value. A negative result is stored as 0.
  [[nodiscard]] int Change(const DateTime& date, float amount);

  // Month value in the user's unit, -1 for none (or for an index out of range).
  [[nodiscard]] float GetMonthRain(int year_index, int month) const;
  // Sets one month (user's unit); a negative amount clears it. -1 for a bad index.
  [[nodiscard]] int PutMonthRain(int year_index, int month, float amount);
  // Adds a whole year given in the user's unit (replacing a year already present).
  [[nodiscard]] int AddRainRec(const RainRecord& record);
  [[nodiscard]] int Delete(int year_index);
  // Removes every year (before a rebuild from the database).
  void Clear();

  // Statistics over the years, per column (0..11 months, 12 the year), in the user's
  // unit; 0 for a column without any year or out of range.
  [[nodiscard]] float GetMin(int column) const;
  [[nodiscard]] float GetMax(int column) const;
  [[nodiscard]] float GetAvg(int column) const;

  // Number of rain browser lines: MIN, MAX, AVG, then one per year.
  [[nodiscard]] int BrowserLineCount() const { return 3 + static_cast<int>(records_.size()); }
  // Rain browser line `line` into buf (terminated); -1 for a line out of range.
  int GetBrowserStr(int line, std::span<char> buf) const;
  [[nodiscard]] std::string GetBrowserStr(int line) const;

  [[nodiscard]] const std::vector<RainRecord>& records() const { return records_; }
  [[nodiscard]] int FindYear(int year) const;  // index, or -1
  [[nodiscard]] bool is_open() const { return open_; }
  // The file exists but could not be read whole at Open; error() says why.
  [[nodiscard]] bool unreadable() const { return unreadable_; }
  [[nodiscard]] const std::string& error() const { return error_; }
  [[nodiscard]] const std::vector<RainKeptLine>& kept_lines() const { return kept_; }
  [[nodiscard]] const std::string& path() const { return path_; }

 private:
  RainRecord& YearRecord(int year);  // found or created
  void ComputeStats();

  std::vector<RainRecord> records_;
  std::vector<RainKeptLine> kept_;
  std::string path_;
  std::string error_;
  bool open_ = false;
  bool unreadable_ = false;
  bool changed_ = false;
  std::array<float, kRainColumns> min_{};
  std::array<float, kRainColumns> max_{};
  std::array<float, kRainColumns> avg_{};
};

}  // namespace sq
